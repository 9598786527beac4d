#include "gui/outside/XcbHotKeys.h"

#include "core/outside/LogCategories.h"
#include "core/settings/VirtualKeys.h"

#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {
constexpr quint32 kNumLockKeysym = 0xff7f;
constexpr quint16 kRelevant = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

quint16 toXMask(int modifiers)
{
    quint16 mask = 0;
    if (modifiers & VirtualKeys::Alt)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & VirtualKeys::Ctrl)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & VirtualKeys::Shift)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & VirtualKeys::Win)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

struct KeySymbols {
    explicit KeySymbols(xcb_connection_t* c)
        : symbols(xcb_key_symbols_alloc(c))
    {
    }
    ~KeySymbols() { xcb_key_symbols_free(symbols); }
    QList<quint8> keycodes(quint32 keysym) const
    {
        QList<quint8> result;
        if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym)) {
            for (xcb_keycode_t* code = codes; *code != XCB_NO_SYMBOL; ++code) {
                if (!result.contains(*code))
                    result.append(*code);
            }
            std::free(codes);
        }
        return result;
    }
    xcb_key_symbols_t* symbols;
};
} // namespace

XcbHotKeys::XcbHotKeys()
{
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        connection = x11->connection();
    if (connection) {
        root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        qGuiApp->installNativeEventFilter(this);
    }
}

XcbHotKeys::~XcbHotKeys()
{
    if (qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

QList<quint8> XcbHotKeys::keycodesOf(int vk) const
{
    const quint32 keysym = VirtualKeys::toKeysym(vk);
    return keysym ? KeySymbols(connection).keycodes(keysym) : QList<quint8>();
}

quint16 XcbHotKeys::numLockMask() const
{
    const QList<quint8> numLock = KeySymbols(connection).keycodes(kNumLockKeysym);
    xcb_get_modifier_mapping_reply_t* reply
        = xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    quint16 mask = 0;
    if (reply) {
        const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8 && !mask; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                if (numLock.contains(map[modifier * perModifier + i])) {
                    mask = quint16(1u << modifier);
                    break;
                }
            }
        }
        std::free(reply);
    }
    return mask ? mask : quint16(XCB_MOD_MASK_2);
}

QList<quint16> XcbHotKeys::lockStates() const
{
    const quint16 numLock = numLockMask();
    return { 0, XCB_MOD_MASK_LOCK, numLock, quint16(XCB_MOD_MASK_LOCK | numLock) };
}

bool XcbHotKeys::grab(int vk, int modifiers)
{
    if (!connection)
        return false;
    const QList<quint8> keycodes = keycodesOf(vk);
    if (keycodes.isEmpty()) {
        qCInfo(lcSettings) << "no key on this keyboard for virtual key" << vk;
        return false;
    }
    const quint16 mask = toXMask(modifiers);
    QList<xcb_void_cookie_t> cookies;
    for (quint8 keycode : keycodes) {
        for (quint16 lock : lockStates()) {
            cookies.append(xcb_grab_key_checked(
                connection, 1, root, mask | lock, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    bool refused = false;
    for (const xcb_void_cookie_t& cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            qCInfo(lcSettings) << "grab refused, X error" << error->error_code << "for virtual key" << vk;
            refused = true;
            std::free(error);
        }
    }
    if (refused) {
        // Ungrabbing what another client holds does nothing, so every state can be released.
        for (quint8 keycode : keycodes) {
            for (quint16 lock : lockStates())
                xcb_ungrab_key(connection, keycode, root, mask | lock);
        }
        xcb_flush(connection);
        return false;
    }
    grabbed.append({ vk, modifiers, keycodes });
    return true;
}

void XcbHotKeys::ungrab(int vk, int modifiers)
{
    for (qsizetype i = 0; i < grabbed.size(); ++i) {
        if (grabbed[i].vk != vk || grabbed[i].modifiers != modifiers)
            continue;
        const quint16 mask = toXMask(modifiers);
        for (quint8 keycode : grabbed[i].keycodes) {
            for (quint16 lock : lockStates())
                xcb_ungrab_key(connection, keycode, root, mask | lock);
        }
        xcb_flush(connection);
        grabbed.removeAt(i);
        return;
    }
}

bool XcbHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const quint8 type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    const quint16 state = key->state & kRelevant;
    for (const Grabbed& g : grabbed) {
        if (toXMask(g.modifiers) == state && g.keycodes.contains(key->detail)) {
            // The release of a hotkey is swallowed as well, so no window sees half of it.
            if (type == XCB_KEY_PRESS)
                press(g.vk, g.modifiers);
            return true;
        }
    }
    return false;
}
