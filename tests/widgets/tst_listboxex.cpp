#include "gui/shell/ListStyles.h"
#include "gui/widgets/ListBoxEx.h"
#include "gui/widgets/ModDC.h"

#include <QFontInfo>
#include <QPainter>
#include <QSet>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>

#include <memory>

namespace {

// One line per event, in the order raised: name, Button, Shift (mouse) or the key values.
struct EventLog {
    QStringList lines;
    QList<int> listIndexAtClick;

    void attach(ListBoxEx& list)
    {
        const auto mouse = [this](const char* name) {
            return [this, name](short button, short shift, float, float) {
                lines << QStringLiteral("%1 %2 %3").arg(QLatin1String(name)).arg(button).arg(shift);
            };
        };
        QObject::connect(&list, &ListBoxEx::Click, &list, [this, &list](short button, short shift, float, float) {
            lines << QStringLiteral("Click %1 %2").arg(button).arg(shift);
            listIndexAtClick << list.ListIndex();
        });
        QObject::connect(&list, &ListBoxEx::DbClick, &list, mouse("DbClick"));
        QObject::connect(&list, &ListBoxEx::MouseDown, &list, mouse("MouseDown"));
        QObject::connect(&list, &ListBoxEx::MouseUp, &list, mouse("MouseUp"));
        QObject::connect(&list, &ListBoxEx::KeyDown, &list,
            [this](short code, short shift) { lines << QStringLiteral("KeyDown %1 %2").arg(code).arg(shift); });
        QObject::connect(&list, &ListBoxEx::KeyPress, &list,
            [this](short ascii) { lines << QStringLiteral("KeyPress %1").arg(ascii); });
        QObject::connect(&list, &ListBoxEx::KeyUp, &list,
            [this](short code, short shift) { lines << QStringLiteral("KeyUp %1 %2").arg(code).arg(shift); });
        QObject::connect(&list, &ListBoxEx::Scroll, &list, [this] { lines << QStringLiteral("Scroll"); });
    }
};

} // namespace

class TestListBoxEx : public QObject {
    Q_OBJECT

private:
    // A list on a host window with room around it, so the pointer can leave the list.
    ListBoxEx* makeList(const QString& name, int rows, int heightRows = 10)
    {
        auto host = std::make_unique<QWidget>();
        host->setGeometry(100, 100, 300, heightRows * 21 + 60);
        auto* list = new ListBoxEx(host.get());
        list->ReadProperties(ListStyles::saved(name));
        for (int i = 0; i < rows; ++i)
            list->AddItem(QStringLiteral("Game %1").arg(i + 1));
        list->setGeometry(10, 10, 212, heightRows * list->ItemHeight() + 2);
        host->show();
        if (!QTest::qWaitForWindowExposed(host.get()))
            return nullptr;
        QCoreApplication::processEvents();
        m_hosts.push_back(std::move(host));
        return list;
    }

    std::vector<std::unique_ptr<QWidget>> m_hosts;

    // Centre of a visible row, in the coordinates of the inner list's widget.
    static QPoint rowPoint(const ListBoxEx& list, int row, int x = 60)
    {
        return QPoint(x, 1 + (row - list.TopIndex()) * list.ItemHeight() + list.ItemHeight() / 2);
    }

    // Mouse input goes in at the window-system layer, as real input does, so Qt itself tracks the
    // buttons held and turns a quick second press into a double click.
    static QWindow* windowOf(const ListBoxEx& list) { return list.window()->windowHandle(); }
    static QPoint inWindow(const ListBoxEx& list, QPoint pos) { return list.hWnd()->mapTo(list.window(), pos); }
    static void press(ListBoxEx& list, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)
    {
        QTest::mousePress(windowOf(list), button, modifiers, inWindow(list, pos));
    }
    static void release(ListBoxEx& list, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)
    {
        QTest::mouseRelease(windowOf(list), button, modifiers, inWindow(list, pos));
    }
    static void doubleClick(ListBoxEx& list, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos)
    {
        QTest::mouseDClick(windowOf(list), button, modifiers, inWindow(list, pos));
    }
    // Two steps within the same row: Qt drops a move to where the pointer already is, and a
    // previous test may have left it there.
    static void move(ListBoxEx& list, QPoint pos)
    {
        QTest::mouseMove(windowOf(list), inWindow(list, pos + QPoint(1, 0)));
        QTest::mouseMove(windowOf(list), inWindow(list, pos));
    }

    static QImage shot(ListBoxEx& list) { return list.hWnd()->grab().toImage(); }

    // A background pixel of a row: right of its short text.
    static QColor rowBackground(const QImage& image, const ListBoxEx& list, int row)
    {
        return image.pixelColor(image.width() - 20, 1 + (row - list.TopIndex()) * list.ItemHeight() + 2);
    }

private slots:
    void cleanup() { m_hosts.clear(); }

    void propertiesKeepTheirKeysOrderAndValues()
    {
        ListBoxEx fresh;
        const ListBoxEx::PropertyBag bag = fresh.WriteProperties();
        QStringList keys;
        for (const auto& entry : bag)
            keys << entry.first;
        QCOMPARE(keys,
            QStringList({ "Font", "BackColor", "BorderColor", "ListColorA", "ListColorB", "ListSelColor", "ForeColorA",
                "ForeColorB", "ForeSelColor", "Style", "ItemHeight", "Enabled" }));
        QCOMPARE(fresh.BorderColor(), ModDC::RGB(138, 176, 222));
        QCOMPARE(fresh.ListColorA(), ModDC::RGB(252, 253, 254));
        QCOMPARE(fresh.ListColorB(), ModDC::RGB(246, 250, 253));
        QCOMPARE(fresh.ListSelColor(), ModDC::RGB(252, 236, 172));
        QCOMPARE(fresh.Style(), 0);

        ListBoxEx list;
        list.ReadProperties(ListStyles::saved(QStringLiteral("ListSB")));
        QCOMPARE(list.ListColorA(), ModDC::RGB(202, 232, 248));
        QCOMPARE(list.ListColorB(), ModDC::RGB(217, 238, 254));
        QCOMPARE(list.ListSelColor(), ModDC::RGB(189, 227, 247));
        QCOMPARE(list.BackColor(), ModDC::RGB(217, 238, 254));
        QCOMPARE(list.BorderColor(), ModDC::RGB(255, 255, 255));
        QCOMPARE(list.ItemHeight(), 21);
        QCOMPARE(list.FontName(), QStringLiteral("宋体"));
        QCOMPARE(list.FontSize(), 9.0f);
        // The design's font must land on an installed CJK face, not on a Latin default.
        const QString face = QFontInfo(list.font()).family();
        QVERIFY2(face.contains(QLatin1String("WenQuanYi")) || face.contains(QLatin1String("CJK")), qPrintable(face));

        // What is written reads back the same; a missing key keeps the current value.
        ListBoxEx copy;
        copy.ReadProperties(list.WriteProperties());
        QCOMPARE(copy.WriteProperties().mid(1), list.WriteProperties().mid(1));
        copy.ReadProperties({ { QStringLiteral("ListColorA"), QVariant(ModDC::RGB(1, 2, 3)) } });
        QCOMPARE(copy.ListColorA(), ModDC::RGB(1, 2, 3));
        QCOMPARE(copy.ListColorB(), ModDC::RGB(217, 238, 254));
        QCOMPARE(copy.ItemHeight(), 21);

        QVERIFY(!copy.setItemHeight(0));
        QVERIFY(!copy.setItemHeight(256));
        QCOMPARE(copy.ItemHeight(), 21);
    }

    void rowsFollowAddRemoveAndSelection()
    {
        ListBoxEx list;
        list.AddItem(QStringLiteral("b"));
        list.AddItem(QStringLiteral("c"));
        list.AddItem(QStringLiteral("a"), 0);
        QCOMPARE(list.NewIndex(), 0);
        list.AddItem(QStringLiteral("x"), 9); // beyond the end: nothing
        QCOMPARE(list.ListCount(), 3);
        list.setListIndex(2);
        list.RemoveItem(0);
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(list.Text(), QStringLiteral("c"));
        list.RemoveItem(1);
        QCOMPARE(list.ListIndex(), -1);
        list.setListIndex(5); // not a row: refused
        QCOMPARE(list.ListIndex(), -1);
        list.setItemData(0, 42);
        QCOMPARE(list.ItemData(0), 42);
        list.setText(QStringLiteral("B"));
        QCOMPARE(list.ListIndex(), 0);
        list.Clear();
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(list.ListIndex(), -1);
        QCOMPARE(list.List(0), QString());
    }

    void mousePressesSelectAndRaiseEventsInOrder()
    {
        auto list = makeList(QStringLiteral("List2"), 5);
        QVERIFY(list);
        QWidget* lst = list->hWnd();
        EventLog log;
        log.attach(*list);

        // Right press selects and raises MouseDown 2; the right release raises nothing.
        press(*list, Qt::RightButton, {}, rowPoint(*list, 1));
        QCOMPARE(list->ListIndex(), 1);
        QVERIFY(lst->hasFocus());
        release(*list, Qt::RightButton, {}, rowPoint(*list, 1));
        QCOMPARE(log.lines, QStringList({ "MouseDown 2 0" }));

        // Left click: the release no longer holds the left button, so it reports Button 0.
        log.lines.clear();
        press(*list, Qt::LeftButton, {}, rowPoint(*list, 3));
        QCOMPARE(list->ListIndex(), 3);
        release(*list, Qt::LeftButton, {}, rowPoint(*list, 3));
        QCOMPARE(log.lines, QStringList({ "MouseDown 1 0", "Click 0 0", "MouseUp 0 0" }));

        // Shift held: the key state is not the bare left button, so Button 0 and no selection.
        log.lines.clear();
        press(*list, Qt::LeftButton, Qt::ShiftModifier, rowPoint(*list, 0));
        QCOMPARE(list->ListIndex(), 3);
        release(*list, Qt::LeftButton, Qt::ShiftModifier, rowPoint(*list, 0));
        QCOMPARE(log.lines, QStringList({ "MouseDown 0 1", "Click 0 1", "MouseUp 0 1" }));

        // Middle button selects nothing but raises the events, with Button 3 on the press.
        log.lines.clear();
        press(*list, Qt::MiddleButton, {}, rowPoint(*list, 0));
        release(*list, Qt::MiddleButton, {}, rowPoint(*list, 0));
        QCOMPARE(list->ListIndex(), 3);
        QCOMPARE(log.lines, QStringList({ "MouseDown 3 0", "Click 0 0", "MouseUp 0 0" }));

        // Below the last row: the selection is cleared and the release inside still clicks.
        log.lines.clear();
        press(*list, Qt::LeftButton, {}, rowPoint(*list, 8));
        QCOMPARE(list->ListIndex(), -1);
        release(*list, Qt::LeftButton, {}, rowPoint(*list, 8));
        QCOMPARE(log.lines, QStringList({ "MouseDown 1 0", "Click 0 0", "MouseUp 0 0" }));

        // Released outside the list: MouseUp only.
        log.lines.clear();
        press(*list, Qt::LeftButton, {}, rowPoint(*list, 2));
        release(*list, Qt::LeftButton, {}, QPoint(lst->width() + 30, 5));
        QCOMPARE(log.lines, QStringList({ "MouseDown 1 0", "MouseUp 0 0" }));
    }

    void doubleClickOrder()
    {
        auto list = makeList(QStringLiteral("List2"), 5);
        QVERIFY(list);
        EventLog log;
        log.attach(*list);
        doubleClick(*list, Qt::LeftButton, {}, rowPoint(*list, 2));
        QCOMPARE(log.lines,
            QStringList({ "MouseDown 1 0", "Click 0 0", "MouseUp 0 0", "DbClick 1 0", "Click 0 0", "MouseUp 0 0" }));
        QCOMPARE(list->ListIndex(), 2);
    }

    void rightClickRunsClickBeforeTheMenu()
    {
        // What the main window does: on a right press over a row, a synthetic left click, then the
        // menu on the MouseUp that reports the right button.
        auto list = makeList(QStringLiteral("List2"), 5);
        QVERIFY(list);
        EventLog log;
        log.attach(*list);
        int menuRow = -2;
        connect(list, &ListBoxEx::MouseDown, list, [&](short button, short, float, float) {
            if (list->ListIndex() >= 0 && button == 2)
                list->SendLeftClick();
        });
        connect(list, &ListBoxEx::MouseUp, list, [&](short button, short, float, float) {
            if (list->ListIndex() >= 0 && button == 2)
                menuRow = list->ListIndex();
        });
        list->setListIndex(0);
        press(*list, Qt::RightButton, {}, rowPoint(*list, 3));
        QCoreApplication::processEvents();
        release(*list, Qt::RightButton, {}, rowPoint(*list, 3));
        QCOMPARE(log.lines, QStringList({ "MouseDown 2 0", "MouseDown 0 0", "Click 2 0", "MouseUp 2 0" }));
        QCOMPARE(log.listIndexAtClick, QList<int>({ 3 }));
        QCOMPARE(menuRow, 3);

        // Below the rows the right press clears the selection and nothing else follows.
        log.lines.clear();
        menuRow = -2;
        press(*list, Qt::RightButton, {}, rowPoint(*list, 8));
        QCoreApplication::processEvents();
        release(*list, Qt::RightButton, {}, rowPoint(*list, 8));
        QCOMPARE(list->ListIndex(), -1);
        QCOMPARE(log.lines, QStringList({ "MouseDown 2 0" }));
        QCOMPARE(menuRow, -2);
    }

    void keysMoveTheSelectionWithoutClick()
    {
        auto list = makeList(QStringLiteral("List2"), 30);
        QVERIFY(list);
        EventLog log;
        log.attach(*list);
        list->setListIndex(0); // from code: no Click either
        list->hWnd()->setFocus();
        QTest::keyClick(list->hWnd(), Qt::Key_Down);
        QCOMPARE(list->ListIndex(), 1);
        QTest::keyClick(list->hWnd(), Qt::Key_End);
        QCOMPARE(list->ListIndex(), 29);
        QCOMPARE(list->TopIndex(), 20); // scrolled so the current row shows
        QTest::keyClick(list->hWnd(), Qt::Key_G);
        QCOMPARE(log.lines,
            QStringList({ "KeyDown 40 0", "KeyUp 40 0", "KeyDown 35 0", "KeyUp 35 0", "KeyDown 71 0", "KeyPress 103",
                "KeyUp 71 0" }));
        QCOMPARE(list->ListIndex(), 0); // "g" found the next row starting with it, wrapping round
    }

    void wheelScrollsThenUpdatesHover()
    {
        auto list = makeList(QStringLiteral("List2"), 50);
        QVERIFY(list);
        EventLog log;
        log.attach(*list);
        QList<short> moveButtons;
        connect(list, &ListBoxEx::MouseMove, list, [&](short button, short, float, float) { moveButtons << button; });
        QWidget* lst = list->hWnd();
        const QPoint at = rowPoint(*list, 2);
        QWheelEvent wheel(at, lst->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
            Qt::NoScrollPhase, false);
        QApplication::sendEvent(lst, &wheel);
        QCOMPARE(list->TopIndex(), QApplication::wheelScrollLines());
        QCOMPARE(log.lines, QStringList({ "Scroll" }));
        QCOMPARE(moveButtons, QList<short>({ 0 }));
        QCOMPARE(list->hoverRow(), list->TopIndex() + 2);
    }

    void rowColours()
    {
        auto list = makeList(QStringLiteral("List2"), 3);
        QVERIFY(list);
        // Make the fore colours loud: they must not show anywhere.
        list->setForeColorA(ModDC::RGB(255, 0, 0));
        list->setForeColorB(ModDC::RGB(255, 0, 0));
        list->setForeSelColor(ModDC::RGB(255, 0, 0));
        QImage image = shot(*list);
        QCOMPARE(rowBackground(image, *list, 0), QColor(227, 244, 255));
        QCOMPARE(rowBackground(image, *list, 1), QColor(217, 238, 254));
        QCOMPARE(rowBackground(image, *list, 2), QColor(227, 244, 255));
        QCOMPARE(image.pixelColor(image.width() - 20, 1 + 3 * 21 + 5), QColor(217, 238, 254)); // BackColor
        QCOMPARE(image.pixelColor(0, 0), QColor(255, 255, 255)); // frame
        QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), QColor(255, 255, 255));

        // Grey numbers and black texts, whatever the fore colours say. A large font gives fully
        // covered pixels, which show the pen colour itself.
        {
            auto big = makeList(QStringLiteral("List2"), 1);
            QVERIFY(big);
            big->setFontSize(24);
            big->setItemHeight(40);
            big->setForeColorB(ModDC::RGB(255, 0, 0));
            const QImage text = shot(*big);
            bool grey = false;
            bool black = false;
            for (int y = 1; y < 41; ++y) {
                for (int x = 1 + 4; x < 1 + 4 + 24; ++x) {
                    const QColor c = text.pixelColor(x, y);
                    QVERIFY2(c.red() >= 135 && c.green() >= 137 && c.blue() >= 139, "number darker than its grey");
                    grey = grey || c == QColor(135, 137, 139);
                }
                for (int x = 1 + 30; x < text.width() - 1; ++x) {
                    const QColor c = text.pixelColor(x, y);
                    QVERIFY2(c.blue() >= c.red(), "text not drawn in black");
                    black = black || c == QColor(0, 0, 0);
                }
            }
            QVERIFY(grey);
            QVERIFY(black);
        }

        // Selected wins over hover; the hover row has its fixed colour.
        list->setListIndex(1);
        move(*list, rowPoint(*list, 1));
        image = shot(*list);
        QCOMPARE(rowBackground(image, *list, 1), QColor(189, 227, 247));
        move(*list, rowPoint(*list, 2));
        image = shot(*list);
        QCOMPARE(rowBackground(image, *list, 2), QColor(174, 222, 255));
        QCOMPARE(rowBackground(image, *list, 0), QColor(227, 244, 255));

        // The category list has no stripes.
        auto categories = makeList(QStringLiteral("List1"), 3);
        QVERIFY(categories);
        image = shot(*categories);
        QCOMPARE(rowBackground(image, *categories, 0), QColor(217, 238, 254));
        QCOMPARE(rowBackground(image, *categories, 1), QColor(217, 238, 254));
    }

    void mnemonicHidesTheAmpersand()
    {
        auto list = makeList(QStringLiteral("List2"), 0);
        QVERIFY(list);
        list->AddItem(QStringLiteral("&W"));
        list->AddItem(QStringLiteral("W"));
        const QImage image = shot(*list);
        const int ih = list->ItemHeight();
        // Ink columns of the text box of a row: same start and end, as "&" takes no room.
        const auto inkColumns = [&](int row) {
            int first = -1;
            int last = -1;
            for (int x = 1 + 30; x < image.width() - 1; ++x) {
                for (int y = 1 + row * ih; y < 1 + (row + 1) * ih; ++y) {
                    if (image.pixelColor(x, y).red() < 100) {
                        first = first < 0 ? x : first;
                        last = x;
                    }
                }
            }
            return qMakePair(first, last);
        };
        QVERIFY(inkColumns(1).first > 0);
        QCOMPARE(inkColumns(0).first, inkColumns(1).first);
        QVERIFY(qAbs(inkColumns(0).second - inkColumns(1).second) <= 1);
        // ... but the W is underlined.
        QVERIFY(image.copy(31, 1, 40, ih) != image.copy(31, 1 + ih, 40, ih));
    }

    void styleOneTogglesTheCheckBox()
    {
        auto list = makeList(QStringLiteral("List2"), 3);
        QVERIFY(list);
        list->setStyle(1);
        const int top = 1 + 4; // (21 - 13) / 2
        const QRect box(1 + 4, top, 13, 13);
        const auto clickRow0 = [&] {
            press(*list, Qt::LeftButton, {}, rowPoint(*list, 0));
            release(*list, Qt::LeftButton, {}, rowPoint(*list, 0));
            list->setListIndex(-1);
            move(*list, rowPoint(*list, 2)); // hover elsewhere, so row 0 shows its own colours
        };
        move(*list, rowPoint(*list, 2));
        const QImage empty = shot(*list);
        clickRow0();
        QVERIFY(list->Selected(0));
        const QImage ticked = shot(*list);
        QCOMPARE(ticked.pixelColor(box.topLeft()), QColor(28, 81, 128)); // the box's edge
        QCOMPARE(ticked.pixelColor(box.center()), QColor(33, 33, 33)); // the tick
        QVERIFY(empty.copy(box) != ticked.copy(box));
        // The box sits where the number was; the number moves right of it.
        QCOMPARE(ticked.pixelColor(1 + 20, 1 + 10), QColor(227, 244, 255));
        clickRow0();
        QVERIFY(!list->Selected(0));
        QCOMPARE(shot(*list).copy(box), empty.copy(box));
        // Only the ticked row changed.
        QCOMPARE(ticked.copy(0, 1 + 21, 212, 42), empty.copy(0, 1 + 21, 212, 42));
    }

    void hoverRedrawsExactlyTwoRows()
    {
        auto list = makeList(QStringLiteral("List2"), 8);
        QVERIFY(list);
        QList<int> drawn;
        connect(list, &ListBoxEx::DrawItem, list, [&](int index, QPainter*, int, int, int, bool&) { drawn << index; });
        move(*list, rowPoint(*list, 2, 70));
        QTRY_VERIFY(drawn.contains(2));
        QTest::qWait(50);
        drawn.clear();
        move(*list, rowPoint(*list, 5));
        QTRY_COMPARE(drawn.size(), 2);
        QTest::qWait(50);
        std::sort(drawn.begin(), drawn.end());
        QCOMPARE(drawn, QList<int>({ 2, 5 }));
        // Moving within the same row draws nothing.
        drawn.clear();
        move(*list, rowPoint(*list, 5, 90));
        QTest::qWait(50);
        QCOMPARE(drawn, QList<int>());
    }

    void skipFlagLeavesTheFreshPicture()
    {
        auto list = makeList(QStringLiteral("List2"), 3);
        QVERIFY(list);
        connect(list, &ListBoxEx::DrawItem, list, [](int index, QPainter* dc, int, int w, int h, bool& skip) {
            if (index == 1) {
                skip = true;
            } else if (index == 2) {
                dc->fillRect(0, 0, w, h, Qt::red);
                skip = true;
            }
        });
        const QImage image = shot(*list);
        QCOMPARE(rowBackground(image, *list, 0), QColor(227, 244, 255));
        QCOMPARE(rowBackground(image, *list, 1), QColor(0, 0, 0));
        QCOMPARE(image.pixelColor(8, 1 + 21 + 10), QColor(0, 0, 0)); // no number either
        QCOMPARE(rowBackground(image, *list, 2), QColor(255, 0, 0));
    }

    void borderColourRepaintsOnlyTheFrame()
    {
        auto list = makeList(QStringLiteral("List2"), 3);
        QVERIFY(list);
        int draws = 0;
        connect(list, &ListBoxEx::DrawItem, list, [&](int, QPainter*, int, int, int, bool&) { ++draws; });
        list->setBorderColor(ModDC::RGB(10, 20, 30));
        QTest::qWait(50);
        QCOMPARE(draws, 0);
        const QImage image = shot(*list);
        QCOMPARE(image.pixelColor(0, 5), QColor(10, 20, 30));
        QCOMPARE(image.pixelColor(image.width() - 1, 5), QColor(10, 20, 30));
        QCOMPARE(image.pixelColor(5, image.height() - 1), QColor(10, 20, 30));
    }

    void controlShrinksToWholeRows()
    {
        auto list = makeList(QStringLiteral("List2"), 3);
        QVERIFY(list);
        list->resize(212, 443 + 15);
        QCOMPARE(list->height(), 443);
        QCOMPARE(list->hWnd()->height(), 443);
    }

    void twentyThousandRowsDrawOnlyWhatShows()
    {
        auto list = makeList(QStringLiteral("List2"), 0, 21);
        QVERIFY(list);
        for (int i = 0; i < 20000; ++i)
            list->AddItem(QStringLiteral("小游戏 %1").arg(i));
        QCOMPARE(list->ListCount(), 20000);

        QSet<int> drawn;
        int draws = 0;
        connect(list, &ListBoxEx::DrawItem, list, [&](int index, QPainter*, int, int, int, bool&) {
            drawn << index;
            ++draws;
        });
        QCoreApplication::processEvents();
        for (int top : { 0, 1, 5000, 19979, 12345 }) {
            drawn.clear();
            draws = 0;
            list->setTopIndex(top);
            list->hWnd()->repaint();
            QCOMPARE(list->TopIndex(), qMin(top, 20000 - 21));
            QVERIFY2(draws <= 21, qPrintable(QString::number(draws)));
            for (int index : drawn)
                QVERIFY(index >= list->TopIndex() && index < list->TopIndex() + 21);
        }
        // The last row's number is the row's position.
        list->setTopIndex(20000);
        QCOMPARE(list->TopIndex(), 20000 - 21);
    }
};

QTEST_MAIN(TestListBoxEx)
#include "tst_listboxex.moc"
