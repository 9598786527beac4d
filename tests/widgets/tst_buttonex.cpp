#include "gui/widgets/ButtonEx.h"

#include <QtTest>

namespace {

QPixmap filled(Qt::GlobalColor colour)
{
    QPixmap pixmap(40, 20);
    pixmap.fill(colour);
    return pixmap;
}

} // namespace

class ButtonExTest : public QObject {
    Q_OBJECT

    QWidget* window = nullptr;
    ButtonEx* button = nullptr;
    QStringList events;

    QColor shown() { return button->grab().toImage().pixelColor(10, 10); }

private slots:
    void init()
    {
        window = new QWidget;
        window->resize(200, 100);
        button = new ButtonEx(window);
        button->setGeometry(50, 40, 40, 20);
        button->setPicture1(filled(Qt::red));
        button->setPicture2(filled(Qt::green));
        button->setPicture3(filled(Qt::blue));
        button->setPicture4(filled(Qt::gray));
        events.clear();
        connect(button, &ButtonEx::Click, this, [this] { events << "Click"; });
        auto record = [this](const char* name) {
            return [this, name](short b, short s, float x, float y) {
                events << QStringLiteral("%1(%2,%3,%4,%5)").arg(name).arg(b).arg(s).arg(x).arg(y);
            };
        };
        connect(button, &ButtonEx::OnMouseDown, this, record("Down"));
        connect(button, &ButtonEx::OnMouseUp, this, record("Up"));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    void cleanup() { delete window; }

    void pressMoveOutRelease()
    {
        QCOMPARE(shown(), QColor(Qt::red));
        QTest::mousePress(button, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
        QCOMPARE(shown(), QColor(Qt::blue));
        QTest::mouseMove(button, QPoint(-10, 5)); // the button is held, so the move still goes to it
        QCOMPARE(shown(), QColor(Qt::green));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-10, 5));
        QCOMPARE(shown(), QColor(Qt::red));
        QCOMPARE(events, QStringList({ "Down(1,1,10,5)", "Up(1,0,-10,5)" }));
    }

    void releaseOnTheEdgesCountsAsInside()
    {
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(40, 20));
        QCOMPARE(shown(), QColor(Qt::green));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(41, 20));
        QCOMPARE(
            events, QStringList({ "Down(1,0,10,5)", "Click", "Up(1,0,40,20)", "Down(1,0,10,5)", "Up(1,0,41,20)" }));
    }

    void rightButtonDoesNotPress()
    {
        QTest::mousePress(button, Qt::RightButton, {}, QPoint(10, 5));
        QCOMPARE(shown(), QColor(Qt::red));
        QTest::mouseRelease(button, Qt::RightButton, {}, QPoint(10, 5));
        QCOMPARE(shown(), QColor(Qt::green));
        QCOMPARE(events, QStringList({ "Down(2,0,10,5)", "Up(2,0,10,5)" }));
    }

    void middleButtonIsFourAndModifiersAddUp()
    {
        // The button's own constant for the middle button, not the owner-drawn list's 3.
        QTest::mousePress(button, Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, QPoint(10, 5));
        QCOMPARE(shown(), QColor(Qt::red));
        QTest::mouseRelease(button, Qt::MiddleButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(10, 5));
        QCOMPARE(events, QStringList({ "Down(4,6,10,5)", "Up(4,5,10,5)" }));
    }

    void doubleClickGivesTwoClicks()
    {
        const QPoint at(10, 5);
        QTest::mousePress(button, Qt::LeftButton, {}, at);
        QTest::mouseRelease(button, Qt::LeftButton, {}, at);
        QTest::mouseDClick(button, Qt::LeftButton, {}, at);
        QCOMPARE(shown(), QColor(Qt::blue));
        QTest::mouseRelease(button, Qt::LeftButton, {}, at);
        QCOMPARE(events, QStringList({ "Down(1,0,10,5)", "Click", "Up(1,0,10,5)", "Click", "Up(1,0,10,5)" }));
    }

    void hoverAndLeave()
    {
        QTest::mouseMove(button, QPoint(10, 5));
        QTRY_COMPARE(shown(), QColor(Qt::green));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        QCOMPARE(shown(), QColor(Qt::red));
        QVERIFY(events.isEmpty());
    }

    void valueAndDisabled()
    {
        button->setValue(true);
        QTest::mouseMove(button, QPoint(20, 8)); // not where the last test left the pointer
        QTRY_COMPARE(button->displayState(), ButtonEx::Hover);
        QCOMPARE(shown(), QColor(Qt::blue));

        // Disabled while the pointer is over it: the disabled picture stays, also after leaving.
        button->setButtonEnabled(false);
        QCOMPARE(shown(), QColor(Qt::gray));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        QCOMPARE(shown(), QColor(Qt::gray));
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseDClick(button, Qt::LeftButton, {}, QPoint(10, 5));
        QCOMPARE(shown(), QColor(Qt::gray));
        QVERIFY(events.isEmpty());

        button->setButtonEnabled(true);
        button->setValue(false);
        QCOMPARE(shown(), QColor(Qt::red));
    }
};

QTEST_MAIN(ButtonExTest)
#include "tst_buttonex.moc"
