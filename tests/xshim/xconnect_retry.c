/* Preloaded into the X clients of the tests that use the display.
 *
 * The X server of the test run now and then drops a connection during its setup when another
 * client disconnects at the same moment: the end-to-end tests' xdotool calls connect and
 * disconnect several times a second, and test programs end beside others that start. A program
 * would then end with "could not connect to display" before it ran at all, or an xdotool call
 * would find nothing. Connecting again is what a user would do; a display that is really gone
 * still fails, after a few tries. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <time.h>
#include <xcb/xcb.h>

enum { kTries = 20 };

static __thread int inside;

static void pause_briefly(void)
{
    const struct timespec wait = { 0, 20 * 1000 * 1000 };
    nanosleep(&wait, NULL);
}

xcb_connection_t* xcb_connect_to_display_with_auth_info(const char* display, xcb_auth_info_t* auth, int* screen)
{
    typedef xcb_connection_t* (*Real)(const char*, xcb_auth_info_t*, int*);
    static Real real;
    if (!real)
        real = (Real)dlsym(RTLD_NEXT, "xcb_connect_to_display_with_auth_info");
    if (inside)
        return real(display, auth, screen);
    inside = 1;
    xcb_connection_t* c = real(display, auth, screen);
    for (int i = 1; i < kTries && xcb_connection_has_error(c); ++i) {
        xcb_disconnect(c);
        pause_briefly();
        c = real(display, auth, screen);
    }
    inside = 0;
    return c;
}

xcb_connection_t* xcb_connect(const char* display, int* screen)
{
    return xcb_connect_to_display_with_auth_info(display, NULL, screen);
}
