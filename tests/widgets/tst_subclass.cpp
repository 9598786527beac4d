#include "gui/widgets/CSubclass.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QtTest>

#include <functional>

namespace {

QStringList g_log;
QStringList g_reports;

class Probe : public QWidget {
public:
    using QWidget::QWidget;
    qintptr answer = 0;
    std::function<void()> onPress;

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        g_log << QStringLiteral("own") + (objectName().isEmpty() ? QString() : ":" + objectName());
        e->accept();
        if (onPress)
            onPress();
    }
    bool event(QEvent* e) override
    {
        if (e->type() != CSubclass::MessageEvent::eventType())
            return QWidget::event(e);
        auto* m = static_cast<CSubclass::MessageEvent*>(e);
        g_log << "own " + QString::number(m->uMsg, 16);
        m->result = answer;
        return true;
    }
};

using Action = std::function<void(bool before, bool& handled, qintptr& ret, int msg, qintptr wp, qintptr lp)>;

class Watcher : public ISubclass {
public:
    explicit Watcher(QString name)
        : name(std::move(name))
    {
    }
    QString name;
    Action act;

    void WndProc(bool bBefore, bool& bHandled, qintptr& lReturn, QWidget*, int uMsg, qintptr wParam, qintptr lParam,
        qintptr& lParamUser) override
    {
        g_log << name + (bBefore ? " before " : " after ") + QString::number(uMsg, 16) + " " + QString::number(lReturn);
        ++lParamUser;
        if (act)
            act(bBefore, bHandled, lReturn, uMsg, wParam, lParam);
    }
};

int deliveredTo(Probe& w, int msg)
{
    g_log.clear();
    CSubclass::SendMessage(&w, msg, 0, 0);
    return g_log.filter(QStringLiteral("A ")).size();
}

} // namespace

class SubclassTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CSubclass::setReportSink([](const QString& text) { g_reports << text; });
    }
    void init()
    {
        g_log.clear();
        g_reports.clear();
    }

    void callsSurroundTheWidgetsOwnHandling()
    {
        Probe w;
        w.resize(50, 50);
        CSubclass sc;
        Watcher a("A");
        QVERIFY(sc.Subclass_Start(&w, &a, 5));
        sc.Subclass_AddMsg(&w, Wm::LButtonDown, CSubclass::MSG_BEFORE_AND_AFTER);
        qintptr wp = 0, lp = 0;
        a.act = [&](bool, bool&, qintptr&, int, qintptr w_, qintptr l_) { wp = w_, lp = l_; };

        QTest::mousePress(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 9));
        QTest::mouseRelease(&w, Qt::LeftButton, Qt::ShiftModifier, QPoint(7, 9));
        QCOMPARE(g_log, QStringList({ "A before 201 0", "own", "A after 201 1" }));
        QCOMPARE(Wm::xOf(lp), 7);
        QCOMPARE(Wm::yOf(lp), 9);
        QCOMPARE(Wm::keysOf(wp), Mk::LButton | Mk::Shift);
        QCOMPARE(sc.p_ParamUser(&w), qintptr(7));

        // A message of our own: the after-call sees the widget's result and may change it.
        w.answer = 7;
        sc.Subclass_AddMsg(&w, Wm::DrawItem, CSubclass::MSG_AFTER);
        a.act = [](bool, bool&, qintptr& ret, int, qintptr, qintptr) { ret += 2; };
        g_log.clear();
        QCOMPARE(CSubclass::SendMessage(&w, Wm::DrawItem, 1, 2), qintptr(9));
        QCOMPARE(g_log, QStringList({ "own 2b", "A after 2b 7" }));

        // A disabled window gets no input.
        w.setEnabled(false);
        g_log.clear();
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(7, 9));
        QVERIFY(g_log.isEmpty());
        QVERIFY(g_reports.isEmpty());
    }

    void handledSwallowsTheMessage()
    {
        Probe parent;
        parent.setObjectName("parent");
        auto* child = new Probe(&parent);
        child->setObjectName("child");
        child->setGeometry(0, 0, 20, 20);
        CSubclass sc;
        Watcher a("A");
        QVERIFY(sc.Subclass_Start(child, &a));
        sc.Subclass_AddMsg(child, Wm::LButtonDown, CSubclass::MSG_BEFORE_AND_AFTER);
        qintptr answer = 1;
        a.act = [&](bool before, bool& handled, qintptr& ret, int, qintptr, qintptr) {
            if (before)
                handled = true, ret = answer;
        };
        QTest::mousePress(child, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(child, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "A before 201 0" }));

        // Result 0 ignores the event, so Qt offers it to the parent as with any ignored press.
        answer = 0;
        g_log.clear();
        QTest::mousePress(child, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "A before 201 0", "own:parent" }));
    }

    void messageTables()
    {
        Probe w;
        CSubclass sc;
        Watcher a("A");
        sc.Subclass_AddMsg(&w, 0x400, CSubclass::MSG_BEFORE);
        QVERIFY(!sc.Subclass_Start(nullptr, &a));
        QVERIFY(sc.Subclass_Start(&w, &a));
        QVERIFY(!sc.Subclass_Start(&w, &a));
        QCOMPARE(g_reports,
            QStringList({ "CSubclass.MapHandle: Subclassing hasn", "CSubclass.dsclsMSubclass: Invalid window handle",
                "CSubclass.dsclsMSubclass: Window handle is already subclassed" }));
        g_reports.clear();

        for (int msg : { 0x400, 0x401, 0x402, 0x401 })
            sc.Subclass_AddMsg(&w, msg, CSubclass::MSG_BEFORE);
        sc.Subclass_DelMsg(&w, 0x401, CSubclass::MSG_BEFORE);
        QCOMPARE(deliveredTo(w, 0x401), 0); // added twice, stored once
        QCOMPARE(deliveredTo(w, 0x402), 1);
        // The new message fills the hole, so 29 more still fit; the 33rd does not, hole or not.
        sc.Subclass_AddMsg(&w, 0x500, CSubclass::MSG_BEFORE);
        QCOMPARE(deliveredTo(w, 0x500), 1);
        for (int i = 0; i < 29; ++i)
            sc.Subclass_AddMsg(&w, 0x600 + i, CSubclass::MSG_BEFORE);
        QVERIFY(g_reports.isEmpty());
        QCOMPARE(deliveredTo(w, 0x600 + 28), 1);
        sc.Subclass_AddMsg(&w, 0x700, CSubclass::MSG_BEFORE);
        sc.Subclass_DelMsg(&w, 0x600, CSubclass::MSG_BEFORE);
        sc.Subclass_AddMsg(&w, 0x701, CSubclass::MSG_BEFORE);
        sc.Subclass_DelMsg(&w, 0x7ff, CSubclass::MSG_BEFORE);
        const QString overflow = "CSubclass.AddMsg: Message table overflow. Max message entries exceeded.";
        QCOMPARE(g_reports, QStringList({ overflow, overflow, "CSubclass.DelMsg: Message &H7FF not found in table" }));
        QCOMPARE(deliveredTo(w, 0x700) + deliveredTo(w, 0x701), 0);

        // Every message, until a single message is added.
        sc.Subclass_AddMsg(&w, CSubclass::ALL_MESSAGES, CSubclass::MSG_AFTER);
        QCOMPARE(deliveredTo(w, 0x1234), 1);
        sc.Subclass_AddMsg(&w, 0x1234, CSubclass::MSG_AFTER);
        QCOMPARE(deliveredTo(w, 0x1235), 0);
        sc.Subclass_DelMsg(&w, CSubclass::ALL_MESSAGES, CSubclass::MSG_BEFORE_AND_AFTER);
        QCOMPARE(deliveredTo(w, 0x1234) + deliveredTo(w, 0x400), 0);

        g_reports.clear();
        Probe other;
        QCOMPARE(sc.CallOldWndProc(&other, 0x400, 0, 0), qintptr(0));
        sc.Terminate();
        sc.UnsubClass(&w);
        QCOMPARE(g_reports,
            QStringList({ "CSubclass.MapHandle: Window handle isn", "CSubclass.MapHandle: Subclassing hasn" }));
    }

    void severalObjectsOnOneWidget()
    {
        Probe w;
        w.resize(20, 20);
        CSubclass first, second;
        Watcher a("A"), b("B");
        QVERIFY(first.Subclass_Start(&w, &a));
        first.Subclass_AddMsg(&w, Wm::LButtonDown, CSubclass::MSG_BEFORE_AND_AFTER);
        QVERIFY(second.Subclass_Start(&w, &b));
        second.Subclass_AddMsg(&w, Wm::LButtonDown, CSubclass::MSG_BEFORE_AND_AFTER);

        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "B before 201 0", "A before 201 0", "own", "A after 201 1", "B after 201 1" }));

        // The older watcher leaves first; the newer one and the widget carry on.
        first.UnsubClass(&w);
        g_log.clear();
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "B before 201 0", "own", "B after 201 1" }));

        // CallOldWndProc goes to what was there before: the older watcher, then the widget, once.
        QVERIFY(first.Subclass_Start(&w, &a));
        first.Subclass_AddMsg(&w, Wm::DrawItem, CSubclass::MSG_BEFORE);
        second.Subclass_AddMsg(&w, Wm::DrawItem, CSubclass::MSG_BEFORE);
        w.answer = 5;
        a.act = [&](bool before, bool& handled, qintptr& ret, int msg, qintptr wp, qintptr lp) {
            if (before && msg == Wm::DrawItem)
                ret = first.CallOldWndProc(&w, msg, wp, lp) + 1, handled = true;
        };
        g_log.clear();
        QCOMPARE(CSubclass::SendMessage(&w, Wm::DrawItem, 3, 4), qintptr(6));
        QCOMPARE(g_log, QStringList({ "A before 2b 0", "B before 2b 0", "own 2b" }));

        // Outside a dispatch a mouse message is rebuilt as a Qt event.
        g_log.clear();
        QCOMPARE(second.CallOldWndProc(&w, Wm::LButtonDown, Mk::LButton, Wm::makeLParam(3, 4)), qintptr(1));
        QCOMPARE(g_log, QStringList({ "own" }));
        QVERIFY(g_reports.isEmpty());
    }

    void unsubclassFromInsideTheCallback()
    {
        Probe w;
        w.resize(20, 20);
        CSubclass sc;
        Watcher a("A");
        QVERIFY(sc.Subclass_Start(&w, &a));
        sc.Subclass_AddMsg(&w, Wm::LButtonDown, CSubclass::MSG_BEFORE_AND_AFTER);
        sc.Subclass_AddMsg(&w, Wm::DrawItem, CSubclass::MSG_BEFORE_AND_AFTER);
        a.act = [&](bool before, bool&, qintptr&, int msg, qintptr, qintptr) {
            if (before && msg == Wm::LButtonDown)
                sc.UnsubClass(&w);
        };
        // A nested message while the removal is pending.
        w.onPress = [&] { CSubclass::SendMessage(&w, Wm::DrawItem, 0, 0); };
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "A before 201 0", "own", "own 2b" }));
        g_log.clear();
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "own", "own 2b" }));

        // The watching object itself may go away in its callback.
        auto* gone = new CSubclass;
        Watcher b("B");
        QVERIFY(gone->Subclass_Start(&w, &b));
        gone->Subclass_AddMsg(&w, Wm::LButtonDown, CSubclass::MSG_BEFORE_AND_AFTER);
        b.act = [&](bool, bool&, qintptr&, int, qintptr, qintptr) { delete gone; };
        w.onPress = nullptr;
        g_log.clear();
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "B before 201 0", "own", "own" }));
        QVERIFY(g_reports.isEmpty());
    }

    void watchedWidgetDestroyed()
    {
        CSubclass sc;
        Watcher a("A");
        auto* w = new Probe;
        QVERIFY(sc.Subclass_Start(w, &a));
        sc.Subclass_AddMsg(w, CSubclass::ALL_MESSAGES, CSubclass::MSG_BEFORE_AND_AFTER);
        delete w;
        sc.Subclass_AddMsg(w, Wm::LButtonDown, CSubclass::MSG_BEFORE);
        QCOMPARE(g_reports, QStringList({ "CSubclass.MapHandle: Window handle isn" }));
    }

    void earlierFiltersKeepSeeingWhatNobodyWatchesAfter()
    {
        Probe w;
        w.resize(20, 20);
        struct Earlier : QObject {
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::MouseButtonPress)
                    g_log << "earlier";
                return false;
            }
        } earlier;
        w.installEventFilter(&earlier);
        CSubclass sc;
        Watcher a("A");
        QVERIFY(sc.Subclass_Start(&w, &a));
        sc.Subclass_AddMsg(&w, Wm::LButtonDown, CSubclass::MSG_BEFORE);
        QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(g_log, QStringList({ "A before 201 0", "earlier", "own" }));
    }

    void scrollAreaViewportKeepsItsHandling()
    {
        QListWidget list;
        list.addItems({ "one", "two", "three" });
        list.resize(120, 120);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        CSubclass sc;
        Watcher a("A");
        QVERIFY(sc.Subclass_Start(list.viewport(), &a));
        sc.Subclass_AddMsg(list.viewport(), Wm::LButtonDown, CSubclass::MSG_AFTER);
        int rowSeenAfter = -2;
        a.act = [&](bool, bool&, qintptr&, int, qintptr, qintptr) { rowSeenAfter = list.currentRow(); };
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(list.item(1)).center());
        QCOMPARE(rowSeenAfter, 1);
    }
};

QTEST_MAIN(SubclassTest)
#include "tst_subclass.moc"
