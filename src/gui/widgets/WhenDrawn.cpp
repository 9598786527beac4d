#include "gui/widgets/WhenDrawn.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

WhenDrawn::WhenDrawn(QObject* parent, std::function<void()> routine)
    : QObject(parent)
    , routine(std::move(routine))
{
}

void WhenDrawn::then(QWidget* window, std::function<void()> routine)
{
    QWindow* handle = window->isVisible() ? window->windowHandle() : nullptr;
    if (!handle || handle->isExposed()) {
        QTimer::singleShot(0, window, std::move(routine));
        return;
    }
    auto* watcher = new WhenDrawn(window, std::move(routine));
    handle->installEventFilter(watcher);
    QTimer::singleShot(2000, watcher, &WhenDrawn::run);
}

void WhenDrawn::run()
{
    if (!routine)
        return;
    QTimer::singleShot(0, parent(), std::exchange(routine, nullptr));
    deleteLater();
}

bool WhenDrawn::eventFilter(QObject* watched, QEvent* event)
{
    // The window paints its contents while it handles its first exposure; the routine runs on the
    // next turn, once they have gone to the screen.
    if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
        watched->removeEventFilter(this);
        run();
    }
    return false;
}
