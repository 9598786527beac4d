// Starts a program and watches the X server for its window, instead of polling for it: prints the
// milliseconds from just before the program's exec to the MapNotify of its first top-level window
// named NAME, and, with --filled, to the first look at which a rectangle of that window holds at
// least 8 colours (a list with text in it). Xlib only: the watcher must cost next to nothing.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>

namespace {
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool named(Display* display, Window window, const char* name)
{
    char* text = nullptr;
    const bool match = XFetchName(display, window, &text) && text && std::strcmp(text, name) == 0;
    if (text)
        XFree(text);
    return match;
}

int colours(Display* display, Window window, int x, int y, int w, int h)
{
    XImage* image = XGetImage(display, window, x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image)
        return 0;
    std::set<unsigned long> seen;
    for (int j = 0; j < h && seen.size() < 8; j += 2) {
        for (int i = 0; i < w && seen.size() < 8; i += 2)
            seen.insert(XGetPixel(image, i, j));
    }
    XDestroyImage(image);
    return int(seen.size());
}
} // namespace

int main(int argc, char** argv)
{
    int first = 1;
    bool filled = false;
    int fx = 0, fy = 0, fw = 0, fh = 0;
    if (argc > 6 && std::strcmp(argv[1], "--filled") == 0) {
        filled = true;
        fx = std::atoi(argv[2]), fy = std::atoi(argv[3]), fw = std::atoi(argv[4]), fh = std::atoi(argv[5]);
        first = 6;
    }
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: %s [--filled X Y W H] NAME COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const char* name = argv[first];
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[first + 1], argv + first + 1);
        _exit(127);
    }
    Window window = 0;
    while (!window && msSince(start) < 60000) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && named(display, event.xmap.window, name))
            window = event.xmap.window;
    }
    if (!window) {
        std::printf("timeout\n");
        return 1;
    }
    std::printf("mapped %.1f\n", msSince(start));
    if (filled) {
        while (msSince(start) < 60000 && colours(display, window, fx, fy, fw, fh) < 8)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        std::printf("filled %.1f\n", msSince(start));
    }
    std::fflush(stdout);
    XCloseDisplay(display);
    return 0;
}
