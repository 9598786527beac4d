#include "core/outside/wt.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

class TestWt : public QObject {
    Q_OBJECT

private slots:
    void eventsRunDuringTheWait();
    void innerWaitEndsFirst_data();
    void innerWaitEndsFirst();
    void zeroRunsPendingEventsOnce();
};

void TestWt::eventsRunDuringTheWait()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer clock;
    clock.start();
    wt().Wait(300);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= 299, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY(ticks >= 3);
}

void TestWt::innerWaitEndsFirst_data()
{
    // Times in ms: the outer wait, when a timer inside it starts the inner one, the inner wait.
    QTest::addColumn<int>("outer");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("inner");
    QTest::newRow("outer overdue when the inner ends") << 100 << 20 << 300;
    QTest::newRow("outer still running when the inner ends") << 600 << 20 << 50;
}

void TestWt::innerWaitEndsFirst()
{
    QFETCH(int, outer);
    QFETCH(int, start);
    QFETCH(int, inner);
    QElapsedTimer clock;
    qint64 innerEnd = -1;
    QTimer::singleShot(start, this, [&] {
        wt().Wait(inner);
        innerEnd = clock.elapsed();
    });
    clock.start();
    wt().Wait(outer);
    const qint64 outerEnd = clock.elapsed();

    QVERIFY(innerEnd >= start + inner - 1);
    QVERIFY(outerEnd >= innerEnd);
    QVERIFY(outerEnd >= outer - 1);
    if (start + inner > outer)
        QVERIFY2(outerEnd - innerEnd < 1000, "the overdue outer wait returns right after the inner one");
}

void TestWt::zeroRunsPendingEventsOnce()
{
    bool ran = false;
    QMetaObject::invokeMethod(
        this, [&] { ran = true; }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    wt().Wait(0);
    QVERIFY(ran);
    QVERIFY(clock.elapsed() < 1000);
}

QTEST_GUILESS_MAIN(TestWt)
#include "tst_wt.moc"
