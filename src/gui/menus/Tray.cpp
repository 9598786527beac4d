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
}

void Tray::ShowBubble(const QString& Title, const QString& Text, int Style)
{
    if (!icon)
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
}

void Tray::ChangeIcon(const QIcon& Icon)
{
    picture = Icon;
    if (icon)
        icon->setIcon(currentIcon());
}

bool Tray::isShown() const
{
    return icon && icon->isVisible();
}
