#include "gui/widgets/CjkFonts.h"

const QStringList& CjkFonts::fallbacks()
{
    static const QStringList families {
        QStringLiteral("WenQuanYi Zen Hei"),
        QStringLiteral("Noto Sans CJK SC"),
        QStringLiteral("Noto Sans SC"),
        QStringLiteral("Noto Serif CJK SC"),
        QStringLiteral("Source Han Sans SC"),
        QStringLiteral("WenQuanYi Micro Hei"),
        QStringLiteral("AR PL UMing CN"),
        QStringLiteral("Droid Sans Fallback"),
    };
    return families;
}

const QStringList& CjkFonts::windowsFamilies()
{
    static const QStringList names {
        QStringLiteral("宋体"),
        QStringLiteral("SimSun"),
        QStringLiteral("新宋体"),
        QStringLiteral("NSimSun"),
        QStringLiteral("黑体"),
        QStringLiteral("SimHei"),
        QStringLiteral("微软雅黑"),
        QStringLiteral("Microsoft YaHei"),
    };
    return names;
}

bool CjkFonts::isWindowsFamily(const QString& family)
{
    return windowsFamilies().contains(family, Qt::CaseInsensitive);
}
