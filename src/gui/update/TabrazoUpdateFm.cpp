#include "gui/update/TabrazoUpdateFm.h"

#include "core/outside/MessageBox.h"

#include <QCloseEvent>

TabrazoUpdateFm::TabrazoUpdateFm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TabrazoUpdateFm"));
    setWindowTitle(QStringLiteral("Tabrazo在线升级"));
}

void TabrazoUpdateFm::closeEvent(QCloseEvent* event)
{
    if (MessageBox::show(QStringLiteral("您要退出升级程序吗？"), MessageBox::YesNo) == MessageBox::AnswerYes)
        event->accept();
    else
        event->ignore();
}
