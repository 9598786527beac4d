#include "core/outside/LogCategories.h"

Q_LOGGING_CATEGORY(lcCatalogue, "tabrazo.catalogue")
Q_LOGGING_CATEGORY(lcFavourites, "tabrazo.favourites")
Q_LOGGING_CATEGORY(lcNet, "tabrazo.net")
Q_LOGGING_CATEGORY(lcOutside, "tabrazo.outside")
Q_LOGGING_CATEGORY(lcPlayer, "tabrazo.player")
Q_LOGGING_CATEGORY(lcSettings, "tabrazo.settings")
Q_LOGGING_CATEGORY(lcShell, "tabrazo.shell")
Q_LOGGING_CATEGORY(lcSkin, "tabrazo.skin")
Q_LOGGING_CATEGORY(lcUpdate, "tabrazo.update")
Q_LOGGING_CATEGORY(lcWidgets, "tabrazo.widgets")
