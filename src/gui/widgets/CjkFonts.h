#pragma once

#include <QStringList>

// The fonts Chinese text is written in. The forms and their saved layouts name Windows families
// ("宋体" and its kin), which a Linux desktop rarely has: those get the first installed family of
// the fallbacks instead.
class CjkFonts {
public:
    // Families tried in order; the first one installed is used.
    static const QStringList& fallbacks();

    // The Windows families that stand for Chinese text.
    static const QStringList& windowsFamilies();
    static bool isWindowsFamily(const QString& family);
};
