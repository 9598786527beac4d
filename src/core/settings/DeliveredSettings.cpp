#include "core/settings/DeliveredSettings.h"

#include "core/outside/AnsiCodec.h"
#include "core/outside/Files.h"
#include "core/outside/LogCategories.h"
#include "core/outside/ProgramFiles.h"
#include "core/outside/ServerAddresses.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
// Notice links lead to the main site, whichever host stands in for it.
const char16_t* const kTemplate = uR"([AD1]
ADNAME=欢迎使用Tabrazo！双击列表中的游戏即可开始游戏。
adurl=%1/
[AD2]
ADNAME=右键点击游戏，可以收藏、分享或查看游戏的详细介绍。
adurl=%1/
[AD3]
ADNAME=在设置里可以为增加音量、减少音量和静音设定全局热键。
adurl=%1/
[用户设置]
版本自动更新=1
开启启动=1
自动全屏化=1
欢迎动画=1
自检测=1
增加音量=0
减少音量=0
禁音=0
[RKHotKey]
HK1Text=无
HK1KeyCode=0
HK1ModKeyCode=0
HK2Text=无
HK2KeyCode=0
HK2ModKeyCode=0
HK3Text=无
HK3KeyCode=0
HK3ModKeyCode=0
)";
} // namespace

QByteArray DeliveredSettings::content()
{
    QString text = QString::fromUtf16(kTemplate).arg(ServerAddresses::mainSite());
    text.replace(u'\n', QStringLiteral("\r\n"));
    return AnsiCodec::encode(text);
}

bool DeliveredSettings::installIfMissing()
{
    const QString target = ProgramFiles::path(ProgramFiles::Settings);
    if (QFileInfo::exists(target))
        return true;
    // Written aside and moved in without replacing: a notice file that arrives meanwhile wins.
    QTemporaryFile file(QFileInfo(target).absolutePath() + QLatin1String("/.Config-XXXXXX"));
    const QByteArray bytes = content();
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        qCWarning(lcSettings) << "cannot write the delivered settings file:" << file.errorString();
        return false;
    }
    file.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (Files::moveWithoutReplacing(file.fileName(), target)) {
        file.setAutoRemove(false);
        return true;
    }
    return QFileInfo::exists(target);
}
