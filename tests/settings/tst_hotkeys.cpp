#include "core/outside/AnsiCodec.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFolder.h"
#include "core/outside/ServerAddresses.h"
#include "core/settings/DeliveredSettings.h"
#include "core/settings/ModSl.h"
#include "gui/outside/GlobalHotKeys.h"
#include "gui/settings/RKHotKey.h"
#include "gui/settings/TabrazoSz.h"
#include "support/TestFiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A key event as the X platform delivers it, keysym included.
void sendKey(QWidget* to, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, quint32 keysym)
{
    QKeyEvent event(type, key, modifiers, 0, keysym, 0);
    QApplication::sendEvent(to, &event);
}

// The desktop refusing one combination, as X does when another client holds it.
class TakenElsewhere : public GlobalHotKeys {
public:
    bool grab(int vk, int modifiers) override { return !(vk == 'M' && modifiers == 3); }
};

QStringList messages()
{
    QStringList texts;
    // Every box of the field is an error box titled "错误".
    for (const MessageBox::Shown& box : MessageBox::shown()) {
        const bool error = box.caption == u"错误"_s && box.icon == MessageBox::Critical;
        texts << (error ? box.text : u"not an error box: "_s + box.text);
    }
    return texts;
}
} // namespace

class TestHotKeys : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString config() const { return dir.filePath(u"Config.dll"_s); }

private slots:
    void initTestCase()
    {
        // The per-user store lives under the test's own folder.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath(u"user"_s)));
        ProgramFolder::setOverride(dir.path());
    }

    void init()
    {
        QFile::remove(config());
        MessageBox::clearShown();
        GlobalHotKeys::setSystem(nullptr);
    }

    void captureBuildsTheCombination()
    {
        RKHotKey field(u"HK1"_s);
        QLineEdit* edit = field.txtHotKey;
        QCOMPARE(field.Text(), u"无"_s);
        QCOMPARE(edit->text(), u"无"_s);

        // Ctrl, then Shift, then F5; the state of a modifier's own press does not hold it yet.
        QTest::keyPress(edit, Qt::Key_Control, Qt::NoModifier);
        QCOMPARE(edit->text(), u"Ctrl + "_s);
        QTest::keyPress(edit, Qt::Key_Shift, Qt::ControlModifier);
        QCOMPARE(edit->text(), u"Ctrl + Shift + "_s);
        QTest::keyPress(edit, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field.Text(), u"Ctrl + Shift + F5"_s);
        QCOMPARE(field.KeyCode(), 116);
        QCOMPARE(field.ModKeyCode(), 6);
        QCOMPARE(edit->cursorPosition(), edit->text().size());
        // Letting go keeps a combination that has its key.
        QTest::keyRelease(edit, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyRelease(edit, Qt::Key_Shift, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(field.Text(), u"Ctrl + Shift + F5"_s);

        // Modifiers alone go back to nothing on release; Alt comes before Shift in the text.
        QTest::keyPress(edit, Qt::Key_Alt, Qt::ShiftModifier);
        QCOMPARE(edit->text(), u"Alt + Shift + "_s);
        QCOMPARE(field.KeyCode(), 0);
        QCOMPARE(field.ModKeyCode(), 5);
        QTest::keyRelease(edit, Qt::Key_Alt, Qt::ShiftModifier | Qt::AltModifier);
        QCOMPARE(field.Text(), u"无"_s);
        QCOMPARE(field.ModKeyCode(), 0);

        // Only the left Win key is Win, and only while it is down.
        sendKey(edit, QEvent::KeyPress, Qt::Key_Super_R, Qt::MetaModifier, 0xffec);
        sendKey(edit, QEvent::KeyPress, Qt::Key_A, Qt::MetaModifier, 0x61);
        QCOMPARE(field.Text(), u"A"_s);
        QCOMPARE(field.ModKeyCode(), 0);
        sendKey(edit, QEvent::KeyPress, Qt::Key_Super_L, Qt::NoModifier, 0xffeb);
        QCOMPARE(edit->text(), u"Win + "_s);
        sendKey(edit, QEvent::KeyPress, Qt::Key_P, Qt::MetaModifier, 0x70);
        QCOMPARE(field.Text(), u"Win + P"_s);
        QCOMPARE(field.ModKeyCode(), 8);
        QCOMPARE(field.KeyCode(), int('P'));
        sendKey(edit, QEvent::KeyRelease, Qt::Key_Super_L, Qt::MetaModifier, 0xffeb);
        sendKey(edit, QEvent::KeyPress, Qt::Key_P, Qt::NoModifier, 0x70);
        QCOMPARE(field.Text(), u"P"_s);

        // The menu key changes nothing and reaches no host; a shifted symbol is its key.
        QSignalSpy downs(&field, &RKHotKey::KeyDown);
        QTest::keyPress(edit, Qt::Key_Menu, Qt::NoModifier);
        QCOMPARE(field.Text(), u"P"_s);
        QCOMPARE(downs.count(), 0);
        sendKey(edit, QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier, 0x21);
        QCOMPARE(field.Text(), u"Shift + 1"_s);
        QCOMPARE(downs.count(), 1);

        // Typed text, input-method text and the context menu never reach the box.
        QTest::keyClicks(edit, u"xyz"_s);
        QCOMPARE(edit->text(), u"Z"_s);
        QInputMethodEvent composed;
        composed.setCommitString(u"热键"_s);
        QApplication::sendEvent(edit, &composed);
        QCOMPARE(edit->text(), u"Z"_s);
        QCOMPARE(edit->contextMenuPolicy(), Qt::PreventContextMenu);
    }

    void arrowsReadAsTheKeypad_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::newRow("up") << int(Qt::Key_Up) << u"Num 8"_s << 0x26;
        QTest::newRow("down") << int(Qt::Key_Down) << u"Num 2"_s << 0x28;
        QTest::newRow("left") << int(Qt::Key_Left) << u"Num 4"_s << 0x25;
        QTest::newRow("right") << int(Qt::Key_Right) << u"Num 6"_s << 0x27;
        QTest::newRow("home") << int(Qt::Key_Home) << u"Num 7"_s << 0x24;
        QTest::newRow("end") << int(Qt::Key_End) << u"Num 1"_s << 0x23;
        QTest::newRow("insert") << int(Qt::Key_Insert) << u"Num 0"_s << 0x2D;
        QTest::newRow("delete") << int(Qt::Key_Delete) << u"Num Del"_s << 0x2E;
        QTest::newRow("page up") << int(Qt::Key_PageUp) << u"Num 9"_s << 0x21;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << u"Num 3"_s << 0x22;
    }

    void arrowsReadAsTheKeypad()
    {
        QFETCH(int, key);
        QFETCH(QString, name);
        QFETCH(int, code);
        RKHotKey field(u"HK2"_s);
        QTest::keyPress(field.txtHotKey, Qt::Key(key), Qt::ControlModifier);
        QCOMPARE(field.Text(), u"Ctrl + "_s + name);
        QCOMPARE(field.KeyCode(), code);
    }

    void enablingAndConflicts()
    {
        // A stored key code no key has shows its stored text and never grabs anything.
        QVERIFY(put(config(),
            AnsiCodec::encode(u"[RKHotKey]\r\nHK1Text=Ctrl + 音量键\r\nHK1KeyCode=175\r\nHK1ModKeyCode=2\r\n"_s)));
        RKHotKey unknown(u"HK1"_s);
        QCOMPARE(unknown.txtHotKey->text(), u"Ctrl + 音量键"_s);
        unknown.setHotKeyEnabled(true);
        QVERIFY(!unknown.HotKeyEnabled());
        QCOMPARE(messages(), QStringList { u"未设置热键"_s });
        QCOMPARE(unknown.KeyCode(), 175);

        // No key at all.
        MessageBox::clearShown();
        RKHotKey empty(u"HK3"_s);
        empty.setHotKeyEnabled(true);
        QVERIFY(!empty.HotKeyEnabled());
        QCOMPARE(messages(), QStringList { u"未设置热键"_s });

        // Registered, pressed from outside, then disabled by the first key of an edit.
        MessageBox::clearShown();
        RKHotKey first(u"HK1"_s);
        QTest::keyPress(first.txtHotKey, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        first.setHotKeyEnabled(true);
        QVERIFY(first.HotKeyEnabled());
        QSignalSpy pressed(&first, &RKHotKey::HotKeyPressed);
        QVERIFY(GlobalHotKeys::system().press(116, 6));
        QVERIFY(pressed.wait(1000));

        // A second field with the same combination is a conflict: cleared, disabled, not saved.
        RKHotKey second(u"HK2"_s);
        QTest::keyPress(second.txtHotKey, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        second.SaveSettings();
        second.setHotKeyEnabled(true);
        QVERIFY(!second.HotKeyEnabled());
        QCOMPARE(messages(), QStringList { u"热键冲突，请换一个热键。"_s });
        QCOMPARE(second.Text(), u"无"_s);
        QCOMPARE(second.txtHotKey->text(), u"无"_s);
        QCOMPARE(second.KeyCode(), 0);
        QCOMPARE(second.ModKeyCode(), 0);
        QVERIFY(get(config()).contains("HK2KeyCode=116"));

        QTest::keyPress(first.txtHotKey, Qt::Key_Control, Qt::NoModifier);
        QVERIFY(!first.HotKeyEnabled());
        QVERIFY(!GlobalHotKeys::system().press(116, 6));
        // Released, the combination is free for the other field.
        QTest::keyPress(second.txtHotKey, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
        second.setHotKeyEnabled(true);
        QVERIFY(second.HotKeyEnabled());

        // Taken by another program.
        GlobalHotKeys::setSystem(std::make_unique<TakenElsewhere>());
        MessageBox::clearShown();
        RKHotKey third(u"HK3"_s);
        QTest::keyPress(third.txtHotKey, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
        third.setHotKeyEnabled(true);
        QVERIFY(!third.HotKeyEnabled());
        QCOMPARE(messages(), QStringList { u"热键冲突，请换一个热键。"_s });
        QCOMPARE(third.Text(), u"无"_s);
    }

    void persistence()
    {
        // The settings file is GBK, as a Windows installation wrote it.
        QVERIFY(put(config(),
            AnsiCodec::encode(u"[rkhotkey]\r\nhk1text=Ctrl + 音量 增\r\nHK1KEYCODE= 38 \r\nHK1ModKeyCode=x\r\n"_s)));
        {
            RKHotKey field(u"HK1"_s);
            QCOMPARE(field.Text(), u"Ctrl + 音量 增"_s);
            QCOMPARE(field.KeyCode(), 38);
            QCOMPARE(field.ModKeyCode(), 0);
            QTest::keyPress(field.txtHotKey, Qt::Key_Down, Qt::AltModifier);
            field.SaveSettings();
        }
        RKHotKey again(u"HK1"_s);
        QCOMPARE(again.Text(), u"Alt + Num 2"_s);
        QCOMPARE(again.KeyCode(), 0x28);
        QCOMPARE(again.ModKeyCode(), 1);
        const QString written = AnsiCodec::decode(get(config()));
        QVERIFY2(written.contains(u"HK1ModKeyCode=1"_s), qPrintable(written));

        // The per-user store, with its own name, keeps the same three keys.
        RKHotKey::Storage user;
        user.SettingLocation = 1;
        user.RegKeyName = u"TabrazoTest"_s;
        {
            RKHotKey field(u"HK3"_s, nullptr, user);
            QCOMPARE(field.Text(), u"无"_s);
            QTest::keyPress(field.txtHotKey, Qt::Key_M, Qt::ControlModifier);
            field.SaveSettings();
        }
        RKHotKey stored(u"HK3"_s, nullptr, user);
        QCOMPARE(stored.Text(), u"Ctrl + M"_s);
        QCOMPARE(stored.ModKeyCode(), 2);
        QVERIFY(!AnsiCodec::decode(get(config())).contains(u"HK3"_s));
    }

    // The window's boxes follow whether their hotkeys could be armed.
    void settingsWindowArmsTheBoxes()
    {
        QVERIFY(put(config(),
            AnsiCodec::encode(u"[RKHotKey]\r\nHK2Text=Ctrl + Num 2\r\nHK2KeyCode=40\r\nHK2ModKeyCode=2\r\n"_s)));
        auto* window = new TabrazoSz;
        window->Form_Load();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // First start: every box checked, but only HK2 has a key.
        QCOMPARE(messages(), QStringList({ u"未设置热键"_s, u"未设置热键"_s }));
        QVERIFY(!window->增加音量->isChecked());
        QVERIFY(window->减少音量->isChecked());
        QVERIFY(!window->禁音->isChecked());
        QVERIFY(window->HK2->HotKeyEnabled());

        // Unchecking with the mouse disarms at once; checking arms again.
        QTest::mouseClick(window->减少音量, Qt::LeftButton);
        QVERIFY(!window->HK2->HotKeyEnabled());
        QTest::mouseClick(window->减少音量, Qt::LeftButton);
        QVERIFY(window->HK2->HotKeyEnabled());

        // Saving writes the options and the three fields.
        QTest::keyPress(window->HK3->txtHotKey, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier);
        window->禁音->setChecked(true);
        MessageBox::clearShown();
        window->保存设置_Click();
        QVERIFY(window->HK3->HotKeyEnabled());
        QVERIFY(window->禁音->isChecked());
        const QString written = AnsiCodec::decode(get(config()));
        for (const QString& line : { u"增加音量=0"_s, u"禁音=1"_s, u"HK1Text=无"_s, u"HK3Text=Ctrl + Alt + M"_s,
                 u"HK3KeyCode=77"_s, u"HK3ModKeyCode=3"_s, u"HK2KeyCode=40"_s })
            QVERIFY2(written.contains(line), qPrintable(line));
        QCOMPARE(messages(), QStringList());
        delete window;
        // The fields let go of their combinations with the window.
        QVERIFY(!GlobalHotKeys::system().press(40, 2));
    }

    // A folder without a settings file gets the one delivered with the program: no hotkey chosen,
    // so none armed and nothing to complain about, the other options on, and the release's notices.
    // Only where that file cannot be written do the boxes come up checked and say each key is unset.
    void firstStart()
    {
        {
            TabrazoSz window;
            window.Form_Load();
            QCOMPARE(messages(), QStringList());
            QVERIFY(window.自动全屏化->isChecked() && window.开启启动->isChecked() && window.自检测->isChecked());
            QVERIFY(!window.增加音量->isChecked() && !window.减少音量->isChecked() && !window.禁音->isChecked());
        }
        const QString delivered = AnsiCodec::decode(get(config()));
        for (const QString& line : { u"[用户设置]\r\n"_s, u"禁音=0\r\n"_s, u"HK3KeyCode=0\r\n"_s, u"[AD1]\r\n"_s })
            QVERIFY2(delivered.contains(line), qPrintable(delivered));
        QCOMPARE(ModSl::ReadIniValue(config(), u"AD1"_s, u"adurl"_s), ServerAddresses::onMainSite(u"/"_s));

        // A settings file of the user's own is never replaced.
        QVERIFY(put(config(), "[RKHotKey]\r\nHK1Text=Ctrl + M\r\n"));
        QVERIFY(DeliveredSettings::installIfMissing());
        QCOMPARE(get(config()), QByteArray("[RKHotKey]\r\nHK1Text=Ctrl + M\r\n"));

        // A folder that cannot hold files.
        const QString blocked = dir.filePath(u"not-a-folder"_s);
        QVERIFY(put(blocked, "x"));
        ProgramFolder::setOverride(blocked);
        {
            QVERIFY(!DeliveredSettings::installIfMissing());
            TabrazoSz window;
            window.Form_Load();
            QCOMPARE(messages(), QStringList(3, u"未设置热键"_s));
            QVERIFY(window.自动全屏化->isChecked());
            QVERIFY(!window.增加音量->isChecked() && !window.减少音量->isChecked() && !window.禁音->isChecked());
        }
        ProgramFolder::setOverride(dir.path());
    }
};

QTEST_MAIN(TestHotKeys)
#include "tst_hotkeys.moc"
