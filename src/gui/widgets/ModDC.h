#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

class QPainter;

// Drawing routines of the owner-drawn widgets. Colours stay in the stored form of the design,
// red + 256 × green + 65536 × blue, or a system-colour code (top bit set, index in the low byte),
// and are translated only at the moment they are painted.
class ModDC {
public:
    static constexpr quint32 RGB(int red, int green, int blue)
    {
        return quint32(red & 0xFF) | quint32(green & 0xFF) << 8 | quint32(blue & 0xFF) << 16;
    }

    // OleTranslateColor: a system-colour code becomes the matching palette colour; an unknown
    // code becomes black rather than an invalid colour that would paint nothing.
    static QColor TranslateColor(quint32 color);
    static quint32 FromQColor(const QColor& color);

    // A fresh memory picture. It starts black, as a new display-compatible bitmap does, so a
    // row whose drawing is skipped shows the same thing every time.
    static QImage CreateMemDC(int width, int height);

    static void FillRect(QPainter& painter, int x, int y, int width, int height, quint32 color);
    // One-pixel outline inside the given box.
    static void FrameRect(QPainter& painter, int x, int y, int width, int height, quint32 color);
    // One line, left-aligned, vertically centred, "&" as mnemonic mark, clipped at the box.
    static void DrawText(QPainter& painter, const QString& text, int x, int y, int width, int height);

    // The forms name their fonts by Windows family names; "宋体" and the other common CJK
    // families fall back to whichever CJK font is installed here.
    static QFont MapFont(QFont font);
    static QFont Font(const QString& family, qreal pointSize, bool bold = false);
};
