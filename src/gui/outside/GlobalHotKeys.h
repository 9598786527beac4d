#pragma once

#include <QList>
#include <functional>
#include <memory>

// System-wide hotkeys. Combinations are virtual-key codes with a modifier set (1 Alt, 2 Ctrl,
// 4 Shift, 8 Win). The desktop's service grabs them on X11; where there is no X server (the
// offscreen platform of the tests) the combinations are only held within the program.
class GlobalHotKeys {
public:
    using Handler = std::function<void()>;

    virtual ~GlobalHotKeys();

    // The handle of the registration, or 0 when the combination is taken, by another program or
    // by another registration of this one, or cannot be grabbed at all.
    int add(int vk, int modifiers, Handler pressed);
    void remove(int id);

    // Runs the handler of the registered combination later on the event loop, as a key press
    // does; false when no registration has it.
    bool press(int vk, int modifiers);

    // The desktop's service, made on first use.
    static GlobalHotKeys& system();
    // Tests may put their own service in place; null goes back to the desktop's.
    static void setSystem(std::unique_ptr<GlobalHotKeys> service);

protected:
    // The platform's part: false when the combination cannot be had.
    virtual bool grab(int vk, int modifiers);
    virtual void ungrab(int vk, int modifiers);

private:
    struct Entry {
        int id;
        int vk;
        int modifiers;
        Handler pressed;
    };
    QList<Entry> entries;
    int lastId = 0;
};
