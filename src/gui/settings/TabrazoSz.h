#pragma once

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class RKHotKey;

// The settings window and, while the program runs, the live store of the options: other windows
// read its check boxes, never the file.
class TabrazoSz : public QWidget {
    Q_OBJECT
public:
    explicit TabrazoSz(QWidget* parent = nullptr);

    void Form_Load();

    // Load the eight options from the settings file and mirror 开启启动 into the player window.
    void 加载热键事件();
    // Arm the hotkeys whose boxes are checked.
    void 加载热键属性();
    void 保存设置_Click();

    void 减少音量_MouseUp();
    void 禁音_MouseUp();

    // The options other windows act on.
    bool autoFullScreen() const;
    bool openPlayerAtStart() const;
    // The player window's own open-at-start box was clicked: the option follows it and is saved.
    void setOpenPlayerAtStart(bool on);

    // The settings file and its section.
    static QString optionsFile();
    static QString optionsSection();

    QPushButton* 保存设置;
    QGroupBox* HotKey;
    QCheckBox* 增加音量;
    QCheckBox* 减少音量;
    QCheckBox* 禁音;
    RKHotKey* HK1;
    RKHotKey* HK2;
    RKHotKey* HK3;
    QCheckBox* 自动全屏化;
    QCheckBox* 版本自动更新;
    QCheckBox* 自检测;
    QCheckBox* 欢迎动画;
    QCheckBox* 开启启动;
    QLabel* HeadrImges;

signals:
    // 开启启动 after loading or saving, for the player window's own box.
    void startOptionChanged(bool on);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void 增加音量_MouseUp();
    // The box follows whether its field could be enabled.
    static void follow(QCheckBox* box, RKHotKey* field);
    void mirrorStartOptionToPlayer();
    QList<QCheckBox*> boxesInFileOrder() const;
};
