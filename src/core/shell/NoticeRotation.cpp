#include "core/shell/NoticeRotation.h"

#include "core/net/Network.h"
#include "core/settings/ModSl.h"

#include <QStringList>
#include <QUrl>

NoticeRotation::Notice NoticeRotation::step(int& next, const QString& file)
{
    QStringList sections;
    const int count = ModSl::ListSections(file, sections) + 1;
    if (next > count)
        next = 1;
    Notice notice;
    notice.text = ModSl::ReadIniValue(file, QStringLiteral("AD") + QString::number(next), QStringLiteral("ADNAME"));
    notice.link = ModSl::ReadIniValue(file, QStringLiteral("ad") + QString::number(next), QStringLiteral("adurl"));
    ++next;
    return notice;
}

bool NoticeRotation::isOpenable(const QString& link)
{
    return Network::isFetchable(QUrl(link.trimmed(), QUrl::StrictMode));
}
