#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QWidget;

// Keeps follower windows docked to the main window: a follower moved or resized to within reach
// of one of the main window's edges jumps flush against it, and a docked follower goes along when
// the main window moves or changes size. One hook for the program, installed on every window
// taking part; the windows' own event handling runs after it.
class FrmXf : public QObject {
    Q_OBJECT
public:
    static FrmXf& hook();

    // The window followers dock to.
    void installOnMain(QWidget* main);
    void install(QWidget* follower);

    // The hook's step for a follower, as if it had reported a move. Hidden windows report their
    // moves only when shown; a window placed while hidden is docked at once through this.
    void snap(QWidget* follower);

    // Puts every docked follower in its place beside the main window, as a move of the main
    // window does: for a follower whose frame the window manager has drawn since it was placed.
    void follow();

    // Puts the window's frame at frameTopLeft, on X11 by its client area (see configureOnX11).
    // True when the window is there on return; false when it reports its new place later.
    static bool placeFrame(QWidget* window, const QPoint& frameTopLeft);

    // Side (Snapping::Side) the follower is docked on, Free when unknown.
    qint16 side(const QWidget* follower) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QPointer<QWidget> window;
        qint16 side = 0;
        qint32 offset = 0;
        // Positions this hook moved the window to whose move reports are still to come: a report
        // of an earlier one is an echo of the hook's own move, not the user's.
        QList<QPoint> pending;
        // Client area's offset within the frame when the hook last moved the window; a window
        // manager adding or changing the frame afterwards is no move of the user's.
        QPoint frameOffset;
    };

    Entry& entry(QWidget* follower);
    void snapEntry(Entry& e);
    void followEntry(Entry& e, const QRectF& main);
    // True when the window is at to on return; else it reports its new place later.
    bool moveFollower(Entry& e, const QPoint& to);

    QPointer<QWidget> m_main;
    // Numbered in the order the followers first reported; never shrinks.
    QList<Entry> m_entries;
};
