#pragma once

#include <QString>

// What a hotkey field shows while the user presses keys: the modifier words in a fixed order
// ("Win + ", "Ctrl + ", "Alt + ", "Shift + ") and the main key's name, with the key code and the
// modifier set a hotkey registers. Keys are virtual-key codes; shift states use 1 Shift, 2 Ctrl,
// 4 Alt, as key events report them.
class HotKeyCapture {
public:
    enum ShiftState { ShiftDown = 1, CtrlDown = 2, AltDown = 4 };

    // Rebuilds the combination from scratch. Only the left Win key counts as Win; a key the
    // table does not know (and the menu key) is ignored: false, nothing changed.
    bool keyDown(int vk, int shiftState);
    // With no main key down (only modifiers were pressed) the field goes back to "无".
    void keyUp(int vk);

    void set(const QString& text, int keyCode, int modKeyCode);

    QString text() const { return shown; }
    int keyCode() const { return key; }
    int modKeyCode() const { return modifiers; }

    static QString none();

private:
    QString shown = none();
    int key = 0;
    int modifiers = 0;
    bool winDown = false;
};
