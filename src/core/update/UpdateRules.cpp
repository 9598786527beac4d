#include "core/update/UpdateRules.h"

#include <algorithm>
#include <cmath>

QString UpdateRules::versionText(int major, int minor, int revision)
{
    return QString::number(major) + u'.' + QString::number(minor) + u'.' + QString::number(revision);
}

QString UpdateRules::runningVersion()
{
    return versionText(TABRAZO_VERSION_MAJOR, TABRAZO_VERSION_MINOR, TABRAZO_VERSION_REVISION);
}

bool UpdateRules::isUpdate(const QString& running, const QString& server)
{
    return running != server;
}

bool UpdateRules::isImportant(const QString& qzUpdate)
{
    return !qzUpdate.contains(u'0');
}

QString UpdateRules::countdownLine(int seconds)
{
    return QString::number(seconds) + QStringLiteral("秒后程序将重新开始读取网络版本！");
}

QChar UpdateRules::spinner(int& step)
{
    static const QChar characters[] = { QChar(0xFF0D), QChar(0xFF3C), QChar(0xFF0F) };
    if (step < 1 || step > 3)
        step = 1;
    return characters[step++ - 1];
}

int UpdateRules::percent(qint64 received, qint64 expected)
{
    if (expected <= 0)
        return 0;
    const double p = std::nearbyint(double(received) * 100.0 / double(expected));
    return int(std::clamp(p, 0.0, 100.0));
}

QByteArray UpdateRules::expectedDigest(const QString& sha256Value)
{
    const QString value = sha256Value.trimmed();
    if (value.isEmpty())
        return QByteArray();
    const bool hex = value.size() == 64 && std::all_of(value.begin(), value.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    });
    // A value that is there but unusable must not pass as "no digest": it fails every file.
    return hex ? QByteArray::fromHex(value.toLatin1()) : QByteArray("bad", 3);
}
