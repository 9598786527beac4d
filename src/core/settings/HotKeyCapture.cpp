#include "core/settings/HotKeyCapture.h"

#include "core/settings/VirtualKeys.h"

QString HotKeyCapture::none()
{
    return QStringLiteral("无");
}

bool HotKeyCapture::keyDown(int vk, int shiftState)
{
    using namespace VirtualKeys;
    const bool modifierKey = vk == ShiftKey || vk == ControlKey || vk == MenuKey || vk == LeftWin;
    // The menu key never makes a hotkey, nor does a key that could not be grabbed later.
    if (vk == Apps || vk == 0 || (!modifierKey && name(vk).isEmpty()))
        return false;
    if (vk == LeftWin)
        winDown = true;

    QString text;
    int set = 0;
    if (winDown) {
        text = QStringLiteral("Win + ");
        set = Win;
    }
    if (shiftState & CtrlDown) {
        text += QStringLiteral("Ctrl + ");
        set |= Ctrl;
    }
    if (shiftState & AltDown) {
        text += QStringLiteral("Alt + ");
        set |= Alt;
    }
    if (shiftState & ShiftDown) {
        text += QStringLiteral("Shift + ");
        set |= Shift;
    }
    if (modifierKey) {
        key = 0;
    } else {
        text += name(vk);
        key = vk;
    }
    shown = text;
    modifiers = set;
    return true;
}

void HotKeyCapture::keyUp(int vk)
{
    if (vk == VirtualKeys::LeftWin)
        winDown = false;
    if (key == 0) {
        shown = none();
        modifiers = 0;
    }
}

void HotKeyCapture::set(const QString& text, int keyCode, int modKeyCode)
{
    shown = text;
    key = keyCode;
    modifiers = modKeyCode;
}
