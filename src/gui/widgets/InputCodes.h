#pragma once

#include <Qt>

// The button number mouse events of the program's controls report: 1 left, 2 right, 4 middle.
inline short mouseButtonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}
