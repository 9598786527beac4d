#include "gui/outside/WidgetMessageBox.h"
#include "gui/player/FlashPlayer.h"
#include "gui/shell/FormMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    FlashPlayer::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabrazo"));
    QApplication::setApplicationVersion(QStringLiteral(TABRAZO_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    WidgetMessageBox::install();

    auto* main = new FormMain;
    main->Form_Load();
    return app.exec();
}
