#pragma once

#include "gui/menus/MuenFrm.h"
#include "gui/player/FlashFrm.h"
#include "gui/player/GameJsFrm.h"
#include "gui/settings/TabrazoSz.h"
#include "gui/shell/Forms.h"

#include <QCoreApplication>

// Unloads the windows a test loaded through the registry. The settings window is deleted, not
// closed: closing it from code ends the program, as it does for the user.
inline void unloadWindows()
{
    for (QWidget* window : std::initializer_list<QWidget*> {
             forms().loadedFlashFrm(), forms().loadedMuenFrm(), forms().loadedGameJsFrm() })
        Forms::unload(window);
    delete forms().loadedTabrazoSz();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
