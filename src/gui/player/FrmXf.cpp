#include "gui/player/FrmXf.h"

#include "core/player/Snapping.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

namespace {
QPoint frameOffset(const QWidget* window)
{
    return window->geometry().topLeft() - window->frameGeometry().topLeft();
}

// Puts a shown window's client area at clientTopLeft on X11. Qt 6.4 offsets the place of a window
// that was once moved by its frame a second time by the frame's size, once the window manager has
// framed it; a plain configure request is placed as asked (the window's gravity is static). False
// where there is no X connection.
QNativeInterface::QX11Application* x11()
{
    // Other platforms (offscreen) may offer the interface without a connection of their own.
    if (QGuiApplication::platformName() != u"xcb")
        return nullptr;
    return qApp->nativeInterface<QNativeInterface::QX11Application>();
}

bool configureOnX11(QWidget* window, const QPoint& clientTopLeft)
{
    auto* x11 = ::x11();
    if (!x11 || !window->isVisible() || !window->testAttribute(Qt::WA_WState_Created))
        return false;
    const quint32 values[] = { quint32(qint32(clientTopLeft.x())), quint32(qint32(clientTopLeft.y())) };
    xcb_configure_window(
        x11->connection(), xcb_window_t(window->winId()), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
    xcb_flush(x11->connection());
    return true;
}
} // namespace

FrmXf& FrmXf::hook()
{
    static FrmXf instance;
    return instance;
}

void FrmXf::installOnMain(QWidget* main)
{
    m_main = main;
    main->installEventFilter(this);
}

void FrmXf::install(QWidget* follower)
{
    follower->installEventFilter(this);
}

FrmXf::Entry& FrmXf::entry(QWidget* follower)
{
    for (Entry& e : m_entries) {
        if (e.window == follower)
            return e;
    }
    Entry added;
    added.window = follower;
    m_entries.append(added);
    return m_entries.last();
}

qint16 FrmXf::side(const QWidget* follower) const
{
    for (const Entry& e : m_entries) {
        if (e.window == follower)
            return e.side;
    }
    return Snapping::Free;
}

void FrmXf::snap(QWidget* follower)
{
    if (follower && follower != m_main)
        snapEntry(entry(follower));
}

bool FrmXf::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Move && event->type() != QEvent::Resize)
        return false;
    auto* window = qobject_cast<QWidget*>(watched);
    if (!window || !m_main)
        return false;
    if (window == m_main) {
        follow();
        return false;
    }
    Entry& e = entry(window);
    const qsizetype echo = event->type() == QEvent::Move ? e.pending.indexOf(window->frameGeometry().topLeft()) : -1;
    if (echo < 0) {
        e.pending.clear();
        if (e.side != Snapping::Free && frameOffset(window) != e.frameOffset) {
            followEntry(e, QRectF(m_main->frameGeometry()));
            return false;
        }
    } else {
        // The window reports a place the hook sent it to. Reports come late under a window manager:
        // one of an earlier place is overtaken by the main window's later moves and is let pass.
        e.pending.remove(0, echo);
        if (e.pending.size() > 1)
            return false;
    }
    snapEntry(e);
    return false;
}

void FrmXf::snapEntry(Entry& e)
{
    if (!e.window || !m_main)
        return;
    const Snapping::Dock dock = Snapping::snap(QRectF(m_main->frameGeometry()), e.window->frameGeometry());
    e.side = dock.side;
    e.offset = dock.offset;
    if (dock.moveTo)
        moveFollower(e, *dock.moveTo);
}

void FrmXf::follow()
{
    const QRectF main(m_main->frameGeometry());
    for (Entry& e : m_entries) {
        if (e.window && e.side != Snapping::Free)
            followEntry(e, main);
    }
}

void FrmXf::followEntry(Entry& e, const QRectF& main)
{
    // The follower then lies on the edge; its own step records the same side and offset, at once
    // when the move is done at once, else when the window reports its new place.
    if (moveFollower(e, Snapping::follow(main, e.window->frameGeometry().size(), e.side, e.offset)))
        snapEntry(e);
}

bool FrmXf::moveFollower(Entry& e, const QPoint& to)
{
    e.frameOffset = frameOffset(e.window);
    if (e.window->frameGeometry().topLeft() == to && !e.window->isVisible())
        return true;
    if (placeFrame(e.window, to))
        return true;
    e.pending.append(to);
    if (e.pending.size() > 32)
        e.pending.removeFirst();
    return false;
}

bool FrmXf::placeFrame(QWidget* window, const QPoint& frameTopLeft)
{
    const QPoint offset = frameOffset(window);
    if (configureOnX11(window, frameTopLeft + offset))
        return false;
    if (x11())
        window->setGeometry(QRect(frameTopLeft + offset, window->size()));
    else
        window->move(frameTopLeft);
    return true;
}
