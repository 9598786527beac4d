#include "gui/widgets/ModDC.h"

#include "gui/widgets/CjkFonts.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QStringList>

namespace {

struct SystemColour {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Windows system-colour indices 0 to 30 and the palette entries that play the same part here.
constexpr SystemColour systemColours[] = {
    { QPalette::Active, QPalette::Button }, // scroll bar
    { QPalette::Active, QPalette::Window }, // desktop
    { QPalette::Active, QPalette::Highlight }, // active caption
    { QPalette::Inactive, QPalette::Mid }, // inactive caption
    { QPalette::Active, QPalette::Window }, // menu
    { QPalette::Active, QPalette::Base }, // window
    { QPalette::Active, QPalette::Shadow }, // window frame
    { QPalette::Active, QPalette::WindowText }, // menu text
    { QPalette::Active, QPalette::Text }, // window text
    { QPalette::Active, QPalette::HighlightedText }, // caption text
    { QPalette::Active, QPalette::Button }, // active border
    { QPalette::Active, QPalette::Button }, // inactive border
    { QPalette::Active, QPalette::Mid }, // application workspace
    { QPalette::Active, QPalette::Highlight }, // highlight
    { QPalette::Active, QPalette::HighlightedText }, // highlight text
    { QPalette::Active, QPalette::Button }, // button face
    { QPalette::Active, QPalette::Dark }, // button shadow
    { QPalette::Disabled, QPalette::Text }, // grey text
    { QPalette::Active, QPalette::ButtonText }, // button text
    { QPalette::Disabled, QPalette::WindowText }, // inactive caption text
    { QPalette::Active, QPalette::Light }, // button highlight
    { QPalette::Active, QPalette::Shadow }, // 3D dark shadow
    { QPalette::Active, QPalette::Midlight }, // 3D light
    { QPalette::Active, QPalette::ToolTipText }, // info text
    { QPalette::Active, QPalette::ToolTipBase }, // info background
    { QPalette::Active, QPalette::Button }, // unused index 25
    { QPalette::Active, QPalette::Link }, // hot light
    { QPalette::Active, QPalette::Highlight }, // gradient active caption
    { QPalette::Inactive, QPalette::Mid }, // gradient inactive caption
    { QPalette::Active, QPalette::Highlight }, // menu highlight
    { QPalette::Active, QPalette::Window }, // menu bar
};

} // namespace

QColor ModDC::TranslateColor(quint32 color)
{
    switch (color >> 24) {
    case 0x00: // plain RGB
    case 0x02: // palette-relative RGB: the same colour on a true-colour display
        return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    case 0x80: {
        const quint32 index = color & 0xFFFF;
        if (index < std::size(systemColours)) {
            const SystemColour& entry = systemColours[index];
            return QGuiApplication::palette().color(entry.group, entry.role);
        }
        break;
    }
    default:
        break;
    }
    return QColor(0, 0, 0);
}

quint32 ModDC::FromQColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return RGB(rgb.red(), rgb.green(), rgb.blue());
}

QImage ModDC::CreateMemDC(int width, int height)
{
    QImage picture(qMax(width, 0), qMax(height, 0), QImage::Format_RGB32);
    picture.fill(Qt::black);
    return picture;
}

void ModDC::FillRect(QPainter& painter, int x, int y, int width, int height, quint32 color)
{
    painter.fillRect(QRect(x, y, width, height), TranslateColor(color));
}

void ModDC::FrameRect(QPainter& painter, int x, int y, int width, int height, quint32 color)
{
    if (width <= 0 || height <= 0)
        return;
    const QColor pen = TranslateColor(color);
    painter.fillRect(QRect(x, y, width, 1), pen);
    painter.fillRect(QRect(x, y + height - 1, width, 1), pen);
    painter.fillRect(QRect(x, y, 1, height), pen);
    painter.fillRect(QRect(x + width - 1, y, 1, height), pen);
}

void ModDC::DrawText(QPainter& painter, const QString& text, int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0 || text.isEmpty())
        return;
    painter.drawText(
        QRect(x, y, width, height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text);
}

QFont ModDC::MapFont(QFont font)
{
    QStringList families = font.families();
    if (families.isEmpty())
        families << font.family();
    if (!CjkFonts::isWindowsFamily(families.constFirst()))
        return font;
    for (const QString& fallback : CjkFonts::fallbacks()) {
        if (!families.contains(fallback))
            families << fallback;
    }
    font.setFamilies(families);
    return font;
}

QFont ModDC::Font(const QString& family, qreal pointSize, bool bold)
{
    QFont font(family);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return MapFont(font);
}
