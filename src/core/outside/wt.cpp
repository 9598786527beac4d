#include "core/outside/wt.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

void wt::Wait(int MilliSeconds)
{
    if (MilliSeconds <= 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    // Each wait owns its loop and timer: a due time that passes during an inner wait only
    // marks this loop to end, which happens as soon as the inner one hands control back.
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(MilliSeconds);
    loop.exec(QEventLoop::AllEvents);
}
