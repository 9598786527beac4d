#pragma once

#include <QObject>

#include <functional>

class QWidget;

// Runs a routine once a window has first been drawn on screen, or on the next turn of the event
// loop when the window is not shown: work that can wait must not hold a window back. A window
// that never reaches the screen (placed off it, minimised by the window manager) gets it after
// two seconds. The routine waits behind repaints already asked for, so what was just changed in
// the window is drawn before it.
class WhenDrawn : public QObject {
public:
    static void then(QWidget* window, std::function<void()> routine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    WhenDrawn(QObject* parent, std::function<void()> routine);
    void run();

    std::function<void()> routine;
    bool queued = false;
};
