#include "gui/shell/ListStyles.h"

#include "gui/widgets/ModDC.h"

ListBoxEx::PropertyBag ListStyles::saved(const QString& listName)
{
    quint32 colorA = ModDC::RGB(217, 238, 254);
    quint32 colorB;
    if (listName == QLatin1String("List1"))
        colorB = ModDC::RGB(217, 238, 254);
    else if (listName == QLatin1String("List2") || listName == QLatin1String("List4"))
        colorB = ModDC::RGB(227, 244, 255);
    else if (listName == QLatin1String("ListSB")) {
        colorA = ModDC::RGB(202, 232, 248);
        colorB = ModDC::RGB(217, 238, 254);
    } else {
        ListBoxEx fresh;
        return fresh.WriteProperties();
    }
    return {
        { QStringLiteral("Font"), QVariant(ModDC::Font(QStringLiteral("宋体"), 9)) },
        { QStringLiteral("BackColor"), QVariant(ModDC::RGB(217, 238, 254)) },
        { QStringLiteral("BorderColor"), QVariant(ModDC::RGB(255, 255, 255)) },
        { QStringLiteral("ListColorA"), QVariant(colorA) },
        { QStringLiteral("ListColorB"), QVariant(colorB) },
        { QStringLiteral("ListSelColor"), QVariant(ModDC::RGB(189, 227, 247)) },
        { QStringLiteral("ForeColorA"), QVariant(quint32(0)) },
        { QStringLiteral("ForeColorB"), QVariant(quint32(0)) },
        { QStringLiteral("ForeSelColor"), QVariant(quint32(0)) },
        { QStringLiteral("Style"), QVariant(0) },
        { QStringLiteral("ItemHeight"), QVariant(21) },
        { QStringLiteral("Enabled"), QVariant(true) },
    };
}
