#include "gui/outside/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
std::function<void(const QString&)>& recorder()
{
    static std::function<void(const QString&)> r;
    return r;
}
} // namespace

void Clipboard::setText(const QString& text)
{
    if (recorder()) {
        recorder()(text);
        return;
    }
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(text);
}

void Clipboard::setRecorder(std::function<void(const QString&)> r)
{
    recorder() = std::move(r);
}
