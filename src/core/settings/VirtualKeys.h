#pragma once

#include <QString>
#include <Qt>

// Windows virtual-key codes, which the settings file keeps so that hotkeys chosen on Windows keep
// working, and the X keysyms the desktop grabs. One table holds both directions and the key names.
namespace VirtualKeys {

// Modifier sets as hotkeys store them.
enum Modifier { Alt = 1, Ctrl = 2, Shift = 4, Win = 8 };

// The virtual-key codes the capture treats specially.
enum Code { ShiftKey = 16, ControlKey = 17, MenuKey = 18, LeftWin = 91, RightWin = 92, Apps = 93 };

// The keysym a hotkey on vk grabs; 0 when the table does not know the key.
quint32 toKeysym(int vk);

// The virtual key of a keysym, shifted symbols of a US layout included ("exclam" is the 1 key);
// 0 when the keysym has no virtual key.
int fromKeysym(quint32 keysym);

// The virtual key of a Qt key, for key events that carry no keysym; keypad digits and operators
// come with Qt::KeypadModifier.
int fromQtKey(int key, Qt::KeyboardModifiers modifiers);

// The key's name as the Windows key-name service gives it for the key's scan code without the
// extended flag: so Up reads "Num 8" and Delete "Num Del". Empty for an unknown key.
QString name(int vk);

} // namespace VirtualKeys
