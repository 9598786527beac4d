#include "gui/menus/Tray.h"

#include <QApplication>
#include <QSystemTrayIcon>

Tray::Tray(QObject* parent)
    : QObject(parent)
{
}

Tray::~Tray()
{
    Hide();
}

bool Tray::available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QIcon Tray::currentIcon() const
{
    if (!picture.isNull())
        return picture;
    return QApplication::windowIcon();
}

void Tray::Show()
{
    if (!icon) {
        icon = new QSystemTrayIcon(this);
        // A double click also arrives as a click first; it and the middle button mean nothing.
        connect(icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                emit LeftButton();
            else if (reason == QSystemTrayIcon::Context)
                emit RightButton();
        });
    }
    icon->setIcon(currentIcon());
    icon->show();
}

void Tray::Hide()
{
    if (icon)
        icon->hide();
    bubbleShown = false;
}

void Tray::ShowBubble(const QString& Title, const QString& Text, int Style)
{
    if (!icon || !icon->isVisible())
        return;
    QSystemTrayIcon::MessageIcon kind = QSystemTrayIcon::NoIcon;
    switch (Style & 0x0F) {
    case 1:
        kind = QSystemTrayIcon::Information;
        break;
    case 2:
        kind = QSystemTrayIcon::Warning;
        break;
    case 3:
        kind = QSystemTrayIcon::Critical;
        break;
    }
    icon->showMessage(Title.left(63), Text.left(255), kind);
    bubbleShown = true;
}

void Tray::ChangeIcon(const QIcon& Icon)
{
    picture = Icon;
    if (!icon)
        return;
    // Qt has no call that takes a message back, but its own balloon goes with the icon. A message
    // left to the desktop's notification service stays until it times out; an empty one sent to
    // clear it would be shown as a message of its own.
    if (bubbleShown && icon->isVisible()) {
        icon->hide();
        icon->setIcon(currentIcon());
        icon->show();
    } else {
        icon->setIcon(currentIcon());
    }
    bubbleShown = false;
}

bool Tray::isShown() const
{
    return icon && icon->isVisible();
}
