#include "gui/shell/Forms.h"

#include "gui/menus/MuenFrm.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/FavoriteList.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/MenuCommands.h"
#include "gui/update/GyTabrazo.h"
#include "gui/update/TabrazoUpdateFm.h"

namespace {
// The windows' signals, connected where the windows are created. The receiving window is looked
// up when the signal comes, so it is loaded then if it never was.
void wire(QWidget*) { }

void wire(FlashFrm* player)
{
    QObject::connect(player, &FlashFrm::closed, player, [] {
        if (FormMain* main = forms().formMain())
            main->playerWindowClosed();
    });
    QObject::connect(player, &FlashFrm::startAtLaunchClicked, player,
        [](bool checked) { forms().tabrazoSz()->setOpenPlayerAtStart(checked); });
}

void wire(GameJsFrm* information)
{
    QObject::connect(information, &GameJsFrm::startClicked, information, [] {
        if (FormMain* main = forms().formMain())
            main->startShownGame();
    });
    QObject::connect(information, &GameJsFrm::addToFavoritesClicked, information, &FavoriteList::Tjsc_Click);
}

void wire(MuenFrm* menus)
{
    MenuCommands::connectMenus(menus);
}

void wire(TabrazoSz* settings)
{
    QObject::connect(
        settings, &TabrazoSz::startOptionChanged, settings, [](bool on) { forms().flashFrm()->setCheck1(on ? 1 : 0); });
}

// The pointer is set before the window's load runs, so that code reached from the load that asks
// for the same window gets it instead of a second copy.
template <typename Window> Window* touch(QPointer<Window>& slot)
{
    if (!slot) {
        auto* window = new Window;
        slot = window;
        wire(window);
        window->Form_Load();
    }
    return slot;
}
} // namespace

Forms& forms()
{
    static Forms registry;
    return registry;
}

FlashFrm* Forms::flashFrm()
{
    return touch(flash);
}
MuenFrm* Forms::muenFrm()
{
    return touch(muen);
}
GameJsFrm* Forms::gameJsFrm()
{
    return touch(gameJs);
}
TabrazoUpdateFm* Forms::tabrazoUpdateFm()
{
    return touch(update);
}
GyTabrazo* Forms::gyTabrazo()
{
    return touch(about);
}
TabrazoSz* Forms::tabrazoSz()
{
    return touch(settings);
}

FormMain* Forms::formMain() const
{
    return main;
}
void Forms::setFormMain(FormMain* window)
{
    main = window;
}
FlashFrm* Forms::loadedFlashFrm() const
{
    return flash;
}
MuenFrm* Forms::loadedMuenFrm() const
{
    return muen;
}
GameJsFrm* Forms::loadedGameJsFrm() const
{
    return gameJs;
}
TabrazoUpdateFm* Forms::loadedTabrazoUpdateFm() const
{
    return update;
}
GyTabrazo* Forms::loadedGyTabrazo() const
{
    return about;
}
TabrazoSz* Forms::loadedTabrazoSz() const
{
    return settings;
}

bool Forms::unload(QWidget* window)
{
    if (!window)
        return true;
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window->close();
}
