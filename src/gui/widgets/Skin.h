#pragma once

#include <QColor>
#include <QPixmap>
#include <QRegion>
#include <QString>
#include <QStringList>

class QWidget;

// The program's own skin: pictures painted by resources/skin/paint_skin.py, one style sheet and
// the CJK font, compiled in as the ":/skin" resources. The three SkinH_ calls keep the names the
// windows know them by; none of them reports a result.
class Skin {
public:
    // Transparency effects on window frames. Nothing here draws them; the value is kept so the
    // start and end of the program can set it as they always did.
    static void SkinH_SetAero(int aero);
    static int aero();

    // Loads the skin (pictures, style sheet, font substitutions) and gives the application the
    // skin's palette, style sheet and, unless it has one, the program icon. Safe to call again.
    static void SkinH_Attach();

    // Applies the whole skin application-wide: palette, style sheet and the 9 pt CJK font.
    static void SkinHme();

    // A picture of the skin by name without extension ("FormMain", "Guanbi_hover"); a null
    // pixmap when the skin has no such picture.
    static QPixmap picture(const QString& name);

    // Starts decoding these pictures, in order, on a worker thread, and readies the system's font
    // configuration there too; picture() then takes them from it, waiting for one still being
    // decoded. Called before the application object exists, this overlaps the first window's
    // pictures and fonts with connecting to the display.
    static void prefetch(const QStringList& names);
    // Pictures prefetched and not asked for since.
    static QStringList prefetchedUnused();

    // The names of the program icon's pictures, and of an image button's four pictures.
    static QStringList iconPictures();
    static QStringList buttonPictures(const QString& buttonName);

    // Gives every image button below window whose object name has pictures in the skin
    // ("<name>_normal" ... "<name>_disabled") its four pictures. Returns how many it dressed.
    static int dressButtons(QWidget* window);

    // Shapes a window by its background picture: pixels in exactly the key colour are cut out,
    // so they neither show nor take clicks.
    static void applyColourKeyMask(QWidget* window, const QPixmap& background);
    static QRegion colourKeyRegion(const QPixmap& background);

    // The CJK family the skin uses: the first installed of CjkFonts::fallbacks(), else any
    // installed family that writes Simplified Chinese; empty when there is none.
    static QString fontFamily();

    static constexpr QRgb keyColour = 0xFFF600FF; // red 246, green 0, blue 255
};
