#pragma once

#include "core/settings/HotKeyCapture.h"

#include <QWidget>

class QLineEdit;

// A field for one global hotkey: the user clicks into it and presses a combination, which it shows
// as text and keeps as a virtual-key code with a modifier set. While enabled, the combination is
// registered with the desktop and HotKeyPressed comes whichever program has the keyboard.
class RKHotKey : public QWidget {
    Q_OBJECT
public:
    // Where the field keeps its combination; chosen once, when the host builds the field.
    struct Storage {
        QString INIFileName = QStringLiteral("Config.dll");
        // 0: the settings file; anything else: the per-user settings store.
        int SettingLocation = 0;
        QString RegKeyName = QStringLiteral("RKHotKey");
    };

    // name is the field's name in the host, and the first part of its keys in the settings.
    explicit RKHotKey(const QString& name, QWidget* parent = nullptr);
    RKHotKey(const QString& name, QWidget* parent, const Storage& storage);
    ~RKHotKey() override;

    QString Text() const;
    int KeyCode() const;
    int ModKeyCode() const;
    const Storage& storage() const { return where; }

    bool HotKeyEnabled() const;
    // Registers or releases the combination. Enabling a field without a key, or with a key code
    // the field cannot grab, says "未设置热键"; a combination that is taken says so and clears
    // the field. Either way the field stays disabled.
    void setHotKeyEnabled(bool on);

    void SaveSettings();
    void RaiseEvents();

    QLineEdit* txtHotKey;

signals:
    void HotKeyPressed();
    void Click();
    void DblClick();
    // Before the field handles the key; a receiver may change both (a key code of 0 is ignored).
    void KeyDown(int& keyCode, int& shift);
    // After the field has handled the key.
    void KeyUp(int& keyCode, int& shift);
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void load();
    void display(const QString& text);
    void keyPressed(QKeyEvent* event);
    void keyReleased(QKeyEvent* event);

    Storage where;
    HotKeyCapture capture;
    int registration = 0;
};
