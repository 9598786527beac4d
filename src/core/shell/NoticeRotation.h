#pragma once

#include <QString>

// The notice line's cycle through the notice file (Config.dll): section "AD" + n holds the text
// (ADNAME) and the address (adurl) of notice n, from 1. The cycle counts every section of the
// file, the settings sections too, which then show as empty notices; the design keeps them.
class NoticeRotation {
public:
    struct Notice {
        QString text;
        QString link;
    };

    // The notice to show at this tick, with next (the number of the notice to show, 0 at start)
    // moved on. next wraps to 1 once it is past the number of sections. A missing file gives
    // empty texts. The first tick, with next 0, reads section AD0 and so shows an empty line.
    static Notice step(int& next, const QString& file);

    // Whether the notice click may hand link to the browser: web addresses only, never a local
    // file or a command that a downloaded notice file could name.
    static bool isOpenable(const QString& link);
};
