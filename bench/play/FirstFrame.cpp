// Double-clicks where the pointer is, then watches a rectangle of the screen until a colour covers
// a share of it, and prints the milliseconds in between. X11 only, no toolkit: the wait must not
// cost more than a few milliseconds per look.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {
double shareNear(Display* display, int x, int y, int w, int h, int r, int g, int b)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!image)
        return 0;
    long near = 0;
    long all = 0;
    for (int j = 0; j < h; j += 3) {
        for (int i = 0; i < w; i += 3) {
            const unsigned long pixel = XGetPixel(image, i, j);
            const int pr = int(pixel >> 16 & 0xff), pg = int(pixel >> 8 & 0xff), pb = int(pixel & 0xff);
            ++all;
            if (std::abs(pr - r) + std::abs(pg - g) + std::abs(pb - b) < 36)
                ++near;
        }
    }
    XDestroyImage(image);
    return all ? double(near) / double(all) : 0;
}
}

int main(int argc, char** argv)
{
    if (argc != 9) {
        std::fprintf(stderr, "usage: %s X Y W H R G B SHARE   (double-clicks at the pointer first)\n", argv[0]);
        return 2;
    }
    const int x = std::atoi(argv[1]), y = std::atoi(argv[2]), w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    const int r = std::atoi(argv[5]), g = std::atoi(argv[6]), b = std::atoi(argv[7]);
    const double share = std::atof(argv[8]);
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    if (std::system("xdotool click --repeat 2 --delay 60 1") != 0)
        return 2;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
        if (shareNear(display, x, y, w, h, r, g, b) >= share) {
            const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            std::printf("%.0f\n", ms);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    std::printf("timeout\n");
    return 1;
}
