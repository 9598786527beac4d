#include "gui/player/FrmXf.h"

#include "core/player/Snapping.h"

#include <QEvent>
#include <QWidget>

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
        if (!e.window || e.side == Snapping::Free)
            continue;
        moveFollower(e, Snapping::follow(main, e.window->frameGeometry().size(), e.side, e.offset));
        // The follower now lies on the edge; its own step records the same side and offset.
        snapEntry(e);
    }
}

void FrmXf::moveFollower(Entry& e, const QPoint& to)
{
    if (e.window->frameGeometry().topLeft() == to)
        return;
    if (e.window->isVisible()) {
        e.pending.append(to);
        if (e.pending.size() > 32)
            e.pending.removeFirst();
    }
    e.window->move(to);
}
