#include "core/settings/VirtualKeys.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestVirtualKeys : public QObject {
    Q_OBJECT

private slots:
    // Every key the table can grab comes back to itself, and a Windows settings file's codes land
    // on the keysyms a US keyboard sends.
    void bothWays()
    {
        QList<int> known;
        for (int vk = 1; vk < 256; ++vk) {
            const quint32 keysym = VirtualKeys::toKeysym(vk);
            if (!keysym)
                continue;
            known.append(vk);
            QCOMPARE(VirtualKeys::fromKeysym(keysym), vk);
            QVERIFY2(!VirtualKeys::name(vk).isEmpty(), qPrintable(QString::number(vk)));
        }
        // Letters, digits, F1-F24, keypad 0-9 and its operators, 11 navigation and editing keys,
        // 11 punctuation keys, and Backspace, Tab, Clear, Enter, Pause, Caps Lock, Esc, Space,
        // Num Lock, Scroll Lock.
        QCOMPARE(known.size(), 26 + 10 + 24 + 10 + 6 + 11 + 11 + 10);

        const QList<QPair<int, quint32>> pairs = { { 'A', 0x61 }, { 'Z', 0x7a }, { '0', 0x30 }, { 116, 0xffc2 },
            { 0x87, 0xffd5 }, { 0x26, 0xff52 }, { 0x2E, 0xffff }, { 0x68, 0xffb8 }, { 0x6F, 0xffaf }, { 0xBA, 0x3b },
            { 0xDE, 0x27 }, { 0xC0, 0x60 } };
        for (const auto& [vk, keysym] : pairs)
            QCOMPARE(VirtualKeys::toKeysym(vk), keysym);

        // Shifted symbols and the keypad without Num Lock read as their keys, never grabbed.
        QCOMPARE(VirtualKeys::fromKeysym(0x21), int('1')); // exclam
        QCOMPARE(VirtualKeys::fromKeysym(0x3a), 0xBA); // colon
        QCOMPARE(VirtualKeys::fromKeysym(0x41), int('A'));
        QCOMPARE(VirtualKeys::fromKeysym(0xff97), 0x26); // KP_Up
        QCOMPARE(VirtualKeys::fromKeysym(0xffeb), int(VirtualKeys::LeftWin));
        QCOMPARE(VirtualKeys::fromKeysym(0xffec), int(VirtualKeys::RightWin));
        QCOMPARE(VirtualKeys::fromKeysym(0xffe4), int(VirtualKeys::ControlKey));

        // Modifiers, the Win and menu keys, and codes no keyboard sends are never grabbed.
        for (int vk : { 0, 16, 17, 18, 91, 92, 93, 0xAF, 0xFF, 300, -1 })
            QCOMPARE(VirtualKeys::toKeysym(vk), 0u);
        QCOMPARE(VirtualKeys::fromKeysym(0x1008ff13), 0); // XF86AudioRaiseVolume
    }

    void names()
    {
        // The navigation block without the extended flag reads as the keypad.
        const QList<QPair<int, QString>> expected = { { 0x26, u"Num 8"_s }, { 0x28, u"Num 2"_s }, { 0x25, u"Num 4"_s },
            { 0x27, u"Num 6"_s }, { 0x24, u"Num 7"_s }, { 0x23, u"Num 1"_s }, { 0x21, u"Num 9"_s },
            { 0x22, u"Num 3"_s }, { 0x2D, u"Num 0"_s }, { 0x2E, u"Num Del"_s }, { 0x68, u"Num 8"_s },
            { 0x6E, u"Num Del"_s }, { 116, u"F5"_s }, { 0x87, u"F24"_s }, { 'Q', u"Q"_s }, { 0x1B, u"Esc"_s },
            { 0x20, u"Space"_s }, { 0xBF, u"/"_s } };
        for (const auto& [vk, name] : expected)
            QCOMPARE(VirtualKeys::name(vk), name);
        QCOMPARE(VirtualKeys::name(0xFF), QString());
    }

    // Key events without a keysym (the offscreen platform) go by Qt's key and the keypad flag.
    void qtKeys()
    {
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_8, Qt::NoModifier), int('8'));
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_8, Qt::KeypadModifier), 0x68);
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_Asterisk, Qt::ShiftModifier), int('8'));
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_Asterisk, Qt::KeypadModifier), 0x6A);
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_Colon, Qt::ShiftModifier), 0xBA);
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_F5, Qt::NoModifier), 116);
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_Up, Qt::KeypadModifier), 0x26);
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_Meta, Qt::MetaModifier), int(VirtualKeys::LeftWin));
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_Menu, Qt::NoModifier), int(VirtualKeys::Apps));
        QCOMPARE(VirtualKeys::fromQtKey(Qt::Key_VolumeUp, Qt::NoModifier), 0);
    }
};

QTEST_GUILESS_MAIN(TestVirtualKeys)
#include "tst_virtualkeys.moc"
