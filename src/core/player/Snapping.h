#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <optional>

// The arithmetic of a follower window docking to the main window like a magnet. Rectangles are
// window frames in screen pixels; the main window's may be fractional (it is kept in twips).
class Snapping {
public:
    enum Side : qint16 { Free = 0, LeftOf = 1, RightOf = 2, Above = 3, Below = 4 };
    // A distance of exactly this many pixels still snaps.
    static constexpr int reach = 10;

    struct Dock {
        qint16 side = Free;
        // Sides LeftOf and RightOf: follower top - main top; Above and Below: follower left - main left.
        qint32 offset = 0;
        // Where the follower goes; none when it stays free.
        std::optional<QPoint> moveTo;
    };

    // A follower was moved or resized. The edges are tried in the order right-to-left, left-to-right,
    // bottom-to-top, top-to-bottom; the first in reach decides, also when the windows do not overlap
    // along it (the follower then stays free).
    static Dock snap(const QRectF& main, const QRect& follower);

    // Where a follower docked on side with offset goes when the main window is at main.
    static QPoint follow(const QRectF& main, const QSize& follower, qint16 side, qint32 offset);

    // The nearest whole pixel, halves to the even neighbour.
    static int round(double value);
};
