#include "core/player/Snapping.h"

#include <cmath>

int Snapping::round(double value)
{
    return int(std::nearbyint(value));
}

Snapping::Dock Snapping::snap(const QRectF& main, const QRect& follower)
{
    const double mL = main.x(), mT = main.y(), mR = main.x() + main.width(), mB = main.y() + main.height();
    const int L = follower.x(), T = follower.y(), w = follower.width(), h = follower.height();
    const int R = L + w, B = T + h;
    const bool overlapsVertically = T <= mB && B >= mT;
    const bool overlapsHorizontally = L <= mR && R >= mL;

    Dock dock;
    if (std::fabs(R - mL) <= reach) {
        if (overlapsVertically)
            dock = { LeftOf, round(T - mT), QPoint(round(mL - w), T) };
    } else if (std::fabs(L - mR) <= reach) {
        if (overlapsVertically)
            dock = { RightOf, round(T - mT), QPoint(round(mR), T) };
    } else if (std::fabs(B - mT) <= reach) {
        if (overlapsHorizontally)
            dock = { Above, round(L - mL), QPoint(L, round(mT - h)) };
    } else if (std::fabs(T - mB) <= reach) {
        if (overlapsHorizontally)
            dock = { Below, round(L - mL), QPoint(L, round(mB)) };
    }
    return dock;
}

QPoint Snapping::follow(const QRectF& main, const QSize& follower, qint16 side, qint32 offset)
{
    const double mL = main.x(), mT = main.y(), mR = main.x() + main.width(), mB = main.y() + main.height();
    switch (side) {
    case LeftOf:
        return QPoint(round(mL - follower.width()), round(mT + offset));
    case RightOf:
        return QPoint(round(mR), round(mT + offset));
    case Above:
        return QPoint(round(mL + offset), round(mT - follower.height()));
    case Below:
        return QPoint(round(mL + offset), round(mB));
    default:
        return QPoint();
    }
}
