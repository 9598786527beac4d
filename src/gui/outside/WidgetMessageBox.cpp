#include "gui/outside/WidgetMessageBox.h"

#include "core/outside/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

void WidgetMessageBox::install()
{
    MessageBox::setPresenter([](const MessageBox::Shown& shown) {
        QMessageBox box;
        box.setWindowTitle(shown.caption);
        box.setText(shown.text);
        switch (shown.icon) {
        case MessageBox::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageBox::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageBox::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageBox::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageBox::NoIcon:
            break;
        }
        if (shown.buttons == MessageBox::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            return box.exec() == QMessageBox::Yes ? MessageBox::AnswerYes : MessageBox::AnswerNo;
        }
        if (shown.buttons == MessageBox::OkCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok ? MessageBox::AnswerOk : MessageBox::AnswerCancel;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return MessageBox::AnswerOk;
    });
}
