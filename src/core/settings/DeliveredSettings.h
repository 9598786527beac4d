#pragma once

#include <QByteArray>

// The settings file as it comes with the program: the release's notices and the preset options,
// with no hotkey chosen and so none armed. A folder without a settings file starts from it.
class DeliveredSettings {
public:
    // The file's bytes, in the ANSI code page as every settings file is.
    static QByteArray content();

    // Puts the delivered file in the program folder unless a settings file is there already.
    // False when the folder has none and it could not be written.
    static bool installIfMissing();
};
