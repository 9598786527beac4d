#pragma once

#include <QIcon>
#include <QObject>

class QSystemTrayIcon;

// The notification-area icon of the main window: left button restores, right button opens the
// tray menu. The window's own icon is used unless a picture is set.
class Tray : public QObject {
    Q_OBJECT
public:
    explicit Tray(QObject* parent = nullptr);
    ~Tray() override;

    // Whether the desktop has a notification area to show the icon in.
    static bool available();

    void Show();
    void Hide();
    void ShowBubble(const QString& Title, const QString& Text, int Style);
    // Sets the picture and takes back a message still shown.
    void ChangeIcon(const QIcon& Icon);

    QIcon Picture() const { return picture; }
    void setPicture(const QIcon& icon) { picture = icon; }

    bool isShown() const;

signals:
    void RightButton();
    void LeftButton();

private:
    QIcon currentIcon() const;

    QIcon picture;
    QSystemTrayIcon* icon = nullptr;
    // A message was shown since the icon was last put up or changed.
    bool bubbleShown = false;
};
