#pragma once

#include <QLoggingCategory>

// Every logging category of the program. Failures the user is not told about leave a debug line
// here; enable them with QT_LOGGING_RULES="tabrazo.*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCatalogue) // tabrazo.catalogue
Q_DECLARE_LOGGING_CATEGORY(lcFavourites) // tabrazo.favourites
Q_DECLARE_LOGGING_CATEGORY(lcNet) // tabrazo.net
Q_DECLARE_LOGGING_CATEGORY(lcOutside) // tabrazo.outside
Q_DECLARE_LOGGING_CATEGORY(lcPlayer) // tabrazo.player
Q_DECLARE_LOGGING_CATEGORY(lcSettings) // tabrazo.settings
Q_DECLARE_LOGGING_CATEGORY(lcShell) // tabrazo.shell
Q_DECLARE_LOGGING_CATEGORY(lcSkin) // tabrazo.skin
Q_DECLARE_LOGGING_CATEGORY(lcUpdate) // tabrazo.update
Q_DECLARE_LOGGING_CATEGORY(lcWidgets) // tabrazo.widgets
