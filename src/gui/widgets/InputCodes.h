#pragma once

#include "gui/widgets/CSubclass.h"

#include <Qt>

class QKeyEvent;

// Two numberings of the mouse button, both relied on by hosts: the image button and the link label
// report the classic control constants of the button pressed (middle 4), while the owner-drawn
// list reads the button from the message's key state like a list box (middle 3, and 0 whenever a
// modifier or a second button is held too).
inline short buttonFlag(Qt::MouseButton button)
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

inline short buttonOfKeyState(qintptr wParam)
{
    switch (Wm::keysOf(wParam)) {
    case Mk::LButton:
        return 1;
    case Mk::RButton:
        return 2;
    case Mk::MButton:
        return 3;
    default:
        return 0;
    }
}

// 1 Shift, 2 Ctrl, 4 Alt.
inline short shiftOf(Qt::KeyboardModifiers modifiers)
{
    return short((modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0)
        | (modifiers & Qt::AltModifier ? 4 : 0));
}

// Windows virtual-key codes for the key events, which hosts compare against those numbers.
short virtualKey(const QKeyEvent* event);
