// A 500-step drag of the main window with a docked player window, timing each move event's
// handling (the move, its Move event and the hook's work) with the snapping hook and without it.
// Needs an X display: run.sh starts Xvfb when there is none.
#include "gui/player/FrmXf.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double medianMicroseconds(std::vector<qint64> nanoseconds)
{
    std::sort(nanoseconds.begin(), nanoseconds.end());
    return nanoseconds[nanoseconds.size() / 2] / 1000.0;
}

std::vector<qint64> drag(QWidget& main, int steps)
{
    std::vector<qint64> costs;
    const QPoint start = main.pos();
    QElapsedTimer timer;
    for (int i = 1; i <= steps; ++i) {
        timer.start();
        main.move(start + QPoint(i % 200, i / 4));
        costs.push_back(timer.nsecsElapsed());
        QApplication::processEvents();
    }
    main.move(start);
    QApplication::processEvents();
    return costs;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget main(nullptr, Qt::Window | Qt::FramelessWindowHint);
    main.setFixedSize(327, 575);
    main.move(100, 100);
    QWidget player(nullptr, Qt::Window);
    player.resize(557, 539);
    main.show();
    player.show();
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();

    FrmXf::hook().installOnMain(&main);
    FrmXf::hook().install(&player);
    player.move(main.frameGeometry().right() + 1, main.y());
    FrmXf::hook().snap(&player);
    QApplication::processEvents();

    const int steps = 500;
    drag(main, 50); // warm-up
    const double with = medianMicroseconds(drag(main, steps));
    main.removeEventFilter(&FrmXf::hook());
    player.removeEventFilter(&FrmXf::hook());
    const double without = medianMicroseconds(drag(main, steps));
    std::printf("main window drag, %d steps, player docked: median per move event %.1f us with the snapping hook, "
                "%.1f us without (hook cost %.1f us)\n",
        steps, with, without, with - without);
    return 0;
}
