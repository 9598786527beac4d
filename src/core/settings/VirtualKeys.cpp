#include "core/settings/VirtualKeys.h"

#include <QHash>

namespace {
struct Key {
    int vk;
    quint32 keysym;
    const char* name; // null: the name is the key's own character
};

// Names follow the scan code each key has on a US keyboard, read without the extended flag: the
// navigation block shares its scan codes with the keypad, so it takes the keypad's names.
constexpr Key kNamed[] = {
    { 0x08, 0xff08, "Backspace" },
    { 0x09, 0xff09, "Tab" },
    { 0x0C, 0xff9d, "Num 5" }, // Clear: the keypad 5 without Num Lock (KP_Begin)
    { 0x0D, 0xff0d, "Enter" },
    { 0x13, 0xff13, "Pause" },
    { 0x14, 0xffe5, "Caps Lock" },
    { 0x1B, 0xff1b, "Esc" },
    { 0x20, 0x0020, "Space" },
    { 0x21, 0xff55, "Num 9" }, // Page Up
    { 0x22, 0xff56, "Num 3" }, // Page Down
    { 0x23, 0xff57, "Num 1" }, // End
    { 0x24, 0xff50, "Num 7" }, // Home
    { 0x25, 0xff51, "Num 4" }, // Left
    { 0x26, 0xff52, "Num 8" }, // Up
    { 0x27, 0xff53, "Num 6" }, // Right
    { 0x28, 0xff54, "Num 2" }, // Down
    { 0x2C, 0xff61, "Sys Req" }, // Print Screen
    { 0x2D, 0xff63, "Num 0" }, // Insert
    { 0x2E, 0xffff, "Num Del" }, // Delete
    { 0x6A, 0xffaa, "Num *" },
    { 0x6B, 0xffab, "Num +" },
    { 0x6C, 0xffac, "Num Enter" },
    { 0x6D, 0xffad, "Num -" },
    { 0x6E, 0xffae, "Num Del" },
    { 0x6F, 0xffaf, "/" }, // its scan code without the extended flag is the slash key's
    { 0x90, 0xff7f, "Pause" }, // Num Lock shares its scan code with Pause
    { 0x91, 0xff14, "Scroll Lock" },
    { 0xBA, 0x003b, ";" },
    { 0xBB, 0x003d, "=" },
    { 0xBC, 0x002c, "," },
    { 0xBD, 0x002d, "-" },
    { 0xBE, 0x002e, "." },
    { 0xBF, 0x002f, "/" },
    { 0xC0, 0x0060, "`" },
    { 0xDB, 0x005b, "[" },
    { 0xDC, 0x005c, "\\" },
    { 0xDD, 0x005d, "]" },
    { 0xDE, 0x0027, "'" },
};

// Keysyms that lead to a virtual key but are never grabbed for one: the shifted symbols of a US
// layout, the keypad without Num Lock, and the modifiers, which are never a hotkey's main key.
// clang-format off
constexpr Key kAlso[] = {
    { '1', 0x0021, nullptr }, { '2', 0x0040, nullptr }, { '3', 0x0023, nullptr }, { '4', 0x0024, nullptr },
    { '5', 0x0025, nullptr }, { '6', 0x005e, nullptr }, { '7', 0x0026, nullptr }, { '8', 0x002a, nullptr },
    { '9', 0x0028, nullptr }, { '0', 0x0029, nullptr },
    { 0xBA, 0x003a, nullptr }, { 0xBB, 0x002b, nullptr }, { 0xBC, 0x003c, nullptr }, { 0xBD, 0x005f, nullptr },
    { 0xBE, 0x003e, nullptr }, { 0xBF, 0x003f, nullptr }, { 0xC0, 0x007e, nullptr }, { 0xDB, 0x007b, nullptr },
    { 0xDC, 0x007c, nullptr }, { 0xDD, 0x007d, nullptr }, { 0xDE, 0x0022, nullptr },
    { 0x09, 0xfe20, nullptr }, // ISO_Left_Tab, what Shift+Tab sends
    { 0x0C, 0xff0b, nullptr }, // Clear
    { 0x0D, 0xff8d, nullptr }, // KP_Enter
    { 0x21, 0xff9a, nullptr }, { 0x22, 0xff9b, nullptr }, { 0x23, 0xff9c, nullptr }, { 0x24, 0xff95, nullptr },
    { 0x25, 0xff96, nullptr }, { 0x26, 0xff97, nullptr }, { 0x27, 0xff98, nullptr }, { 0x28, 0xff99, nullptr },
    { 0x2D, 0xff9e, nullptr }, { 0x2E, 0xff9f, nullptr },
    { 0x10, 0xffe1, nullptr }, { 0x10, 0xffe2, nullptr },
    { 0x11, 0xffe3, nullptr }, { 0x11, 0xffe4, nullptr },
    { 0x12, 0xffe9, nullptr }, { 0x12, 0xffea, nullptr }, { 0x12, 0xffe7, nullptr }, { 0x12, 0xffe8, nullptr },
    { 0x12, 0xfe03, nullptr }, // AltGr
    { 0x5B, 0xffeb, nullptr }, { 0x5C, 0xffec, nullptr }, { 0x5D, 0xff67, nullptr },
};
// clang-format on

struct Table {
    QHash<int, quint32> keysyms;
    QHash<int, QString> names;
    QHash<quint32, int> codes;

    void add(int vk, quint32 keysym, const QString& name)
    {
        keysyms.insert(vk, keysym);
        names.insert(vk, name);
        codes.insert(keysym, vk);
    }

    Table()
    {
        for (int i = 0; i < 26; ++i) {
            add('A' + i, 'a' + i, QString(QChar('A' + i)));
            codes.insert('A' + i, 'A' + i);
        }
        for (int i = 0; i < 10; ++i) {
            add('0' + i, '0' + i, QString(QChar('0' + i)));
            add(0x60 + i, 0xffb0 + i, QStringLiteral("Num %1").arg(i));
        }
        for (int i = 0; i < 24; ++i)
            add(0x70 + i, 0xffbe + i, QStringLiteral("F%1").arg(i + 1));
        for (const Key& key : kNamed)
            add(key.vk, key.keysym, QString::fromLatin1(key.name));
        for (const Key& key : kAlso)
            codes.insert(key.keysym, key.vk);
    }
};

const Table& table()
{
    static const Table t;
    return t;
}
} // namespace

quint32 VirtualKeys::toKeysym(int vk)
{
    return table().keysyms.value(vk, 0);
}

int VirtualKeys::fromKeysym(quint32 keysym)
{
    return table().codes.value(keysym, 0);
}

QString VirtualKeys::name(int vk)
{
    return table().names.value(vk);
}

int VirtualKeys::fromQtKey(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? 0x60 + key - Qt::Key_0 : key;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + key - Qt::Key_F1;
    if (keypad) {
        switch (key) {
        case Qt::Key_Asterisk:
            return 0x6A;
        case Qt::Key_Plus:
            return 0x6B;
        case Qt::Key_Minus:
            return 0x6D;
        case Qt::Key_Period:
            return 0x6E;
        case Qt::Key_Slash:
            return 0x6F;
        default:
            break;
        }
    }
    switch (key) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Clear:
        return 0x0C;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return ShiftKey;
    case Qt::Key_Control:
        return ControlKey;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return MenuKey;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Print:
    case Qt::Key_SysReq:
        return 0x2C;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    case Qt::Key_Meta: // without the native key the left one is the likely one
    case Qt::Key_Super_L:
        return LeftWin;
    case Qt::Key_Super_R:
        return RightWin;
    case Qt::Key_Menu:
        return Apps;
    case Qt::Key_NumLock:
        return 0x90;
    case Qt::Key_ScrollLock:
        return 0x91;
    default:
        break;
    }
    // Punctuation, shifted or not, through the keysym: Latin-1 keysyms equal their characters.
    if (key >= 0x20 && key < 0x7f)
        return fromKeysym(quint32(key));
    return 0;
}
