#include "core/outside/DisplayPlatform.h"
#include "core/shell/CommandLine.h"
#include "gui/outside/WidgetMessageBox.h"
#include "gui/player/FlashPlayer.h"
#include "gui/shell/FormMain.h"
#include "gui/widgets/Skin.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("Tabrazo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TABRAZO_VERSION));
    if (CommandLine::answer(argc, argv))
        return 0;
    DisplayPlatform::prepare(argc, argv);
    FlashPlayer::prepareProcess();
    // Decoded while the application connects to the display.
    Skin::prefetch(FormMain::startPictures());
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("tabrazo"));
    QApplication::setQuitOnLastWindowClosed(false);
    WidgetMessageBox::install();

    // The skin's font and style sheet are in place before the first widget exists, so that no widget
    // lays out its text in a font it then drops.
    Skin::SkinHme();
    auto* main = new FormMain;
    main->Form_Load();
    return app.exec();
}
