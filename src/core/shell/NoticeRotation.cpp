#include "core/shell/NoticeRotation.h"

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
    const QUrl url(link.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}
