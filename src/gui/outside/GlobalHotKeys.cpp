#include "gui/outside/GlobalHotKeys.h"

#include "gui/outside/XcbHotKeys.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace {
std::unique_ptr<GlobalHotKeys>& current()
{
    static std::unique_ptr<GlobalHotKeys> service;
    return service;
}
} // namespace

GlobalHotKeys::~GlobalHotKeys() = default;

int GlobalHotKeys::add(int vk, int modifiers, Handler pressed)
{
    for (const Entry& entry : entries) {
        if (entry.vk == vk && entry.modifiers == modifiers)
            return 0;
    }
    if (!grab(vk, modifiers))
        return 0;
    entries.append({ ++lastId, vk, modifiers, std::move(pressed) });
    return lastId;
}

void GlobalHotKeys::remove(int id)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries[i].id == id) {
            const Entry entry = entries.takeAt(i);
            ungrab(entry.vk, entry.modifiers);
            return;
        }
    }
}

bool GlobalHotKeys::press(int vk, int modifiers)
{
    for (const Entry& entry : entries) {
        if (entry.vk != vk || entry.modifiers != modifiers)
            continue;
        // Later, so the handler never runs inside the platform's event processing, and only if
        // the registration still stands by then.
        const int id = entry.id;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, id] {
                for (const Entry& e : entries) {
                    if (e.id == id) {
                        const Handler pressed = e.pressed; // the handler may end its registration
                        pressed();
                        return;
                    }
                }
            },
            Qt::QueuedConnection);
        return true;
    }
    return false;
}

bool GlobalHotKeys::grab(int, int)
{
    return true;
}

void GlobalHotKeys::ungrab(int, int) { }

GlobalHotKeys& GlobalHotKeys::system()
{
    std::unique_ptr<GlobalHotKeys>& service = current();
    if (!service) {
        if (QGuiApplication::platformName() == u"xcb")
            service = std::make_unique<XcbHotKeys>();
        else
            service = std::make_unique<GlobalHotKeys>();
    }
    return *service;
}

void GlobalHotKeys::setSystem(std::unique_ptr<GlobalHotKeys> service)
{
    current() = std::move(service);
}
