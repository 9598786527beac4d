#pragma once

#include "gui/outside/GlobalHotKeys.h"

#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QList>

struct xcb_connection_t;

// Hotkeys grabbed on the root window of the X server Qt is connected to. Each combination is
// grabbed once for every state of Caps Lock and Num Lock, so the lock keys never hide it; a
// grab another client holds (BadAccess) is refused as a whole.
class XcbHotKeys : public GlobalHotKeys, public QAbstractNativeEventFilter {
public:
    XcbHotKeys();
    ~XcbHotKeys() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    bool grab(int vk, int modifiers) override;
    void ungrab(int vk, int modifiers) override;

private:
    struct Grabbed {
        int vk;
        int modifiers;
        QList<quint8> keycodes;
    };
    QList<quint8> keycodesOf(int vk) const;
    quint16 numLockMask() const;
    QList<quint16> lockStates() const;

    xcb_connection_t* connection = nullptr;
    quint32 root = 0;
    QList<Grabbed> grabbed;
};
