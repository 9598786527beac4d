#include "gui/widgets/WhenDrawn.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace {
const QEvent::Type kRun = QEvent::Type(QEvent::registerEventType());
}

WhenDrawn::WhenDrawn(QObject* parent, std::function<void()> routine)
    : QObject(parent)
    , routine(std::move(routine))
{
}

void WhenDrawn::then(QWidget* window, std::function<void()> routine)
{
    auto* watcher = new WhenDrawn(window, std::move(routine));
    QWindow* handle = window->isVisible() ? window->windowHandle() : nullptr;
    if (!handle || handle->isExposed()) {
        watcher->run();
        return;
    }
    handle->installEventFilter(watcher);
    QTimer::singleShot(2000, watcher, &WhenDrawn::run);
}

void WhenDrawn::run()
{
    if (queued)
        return;
    queued = true;
    // Repaints are posted at low priority, and posted events of one priority keep their order.
    QCoreApplication::postEvent(this, new QEvent(kRun), Qt::LowEventPriority);
}

bool WhenDrawn::event(QEvent* event)
{
    if (event->type() != kRun)
        return QObject::event(event);
    if (auto routine = std::exchange(this->routine, nullptr))
        routine();
    deleteLater();
    return true;
}

bool WhenDrawn::eventFilter(QObject* watched, QEvent* event)
{
    // The window paints its contents while it handles its first exposure; the routine runs on a
    // later turn, once they have gone to the screen.
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
        watched->removeEventFilter(this);
        run();
    }
    return false;
}
