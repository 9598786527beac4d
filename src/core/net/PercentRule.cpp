#include "core/net/PercentRule.h"

#include <cmath>

std::optional<double> PercentRule::percent(qint64 bytesRead, qint64 bytesMax)
{
    if (bytesMax == 0)
        return std::nullopt;
    return double(bytesRead) / double(bytesMax) * 100.0;
}

QString PercentRule::format0(double percent)
{
    return QString::number(std::round(percent), 'f', 0);
}

QString PercentRule::format00_00(double percent)
{
    const double hundredths = std::round(percent * 100.0) / 100.0;
    QString text = QString::number(std::fabs(hundredths), 'f', 2);
    if (text.indexOf(u'.') < 2)
        text.prepend(u'0');
    return hundredths < 0 ? u'-' + text : text;
}

int PercentRule::barValue(double percent)
{
    return int(std::nearbyint(percent));
}
