// Right-clicks where the pointer is, then waits for the next popup (an override-redirect window)
// to be mapped on the screen, and prints the milliseconds in between. X11 only, no toolkit: the
// map is seen as an event, not by polling. The figure includes starting xdotool for the click.
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/select.h>

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    const auto start = std::chrono::steady_clock::now();
    if (std::system("xdotool click 3") != 0)
        return 2;
    const int fd = ConnectionNumber(display);
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.override_redirect) {
                const double ms
                    = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
                std::printf("%.1f\n", ms);
                return 0;
            }
        }
        fd_set read;
        FD_ZERO(&read);
        FD_SET(fd, &read);
        timeval wait { 0, 10000 };
        select(fd + 1, &read, nullptr, nullptr, &wait);
    }
    std::printf("timeout\n");
    return 1;
}
