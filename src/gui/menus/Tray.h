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

    void Show();
    void Hide();
    void ShowBubble(const QString& Title, const QString& Text, int Style);
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
};
