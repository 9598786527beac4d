#include "gui/outside/UrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
std::function<void(const QString&)>& recorder()
{
    static std::function<void(const QString&)> r;
    return r;
}
} // namespace

void UrlOpener::open(const QString& address)
{
    if (recorder()) {
        recorder()(address);
        return;
    }
    // The shell's answer is not examined; a failure is not reported.
    QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void UrlOpener::setRecorder(std::function<void(const QString&)> r)
{
    recorder() = std::move(r);
}
