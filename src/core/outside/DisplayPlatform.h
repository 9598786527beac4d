#pragma once

#include <QByteArray>
#include <QString>

// The platform plugin a run starts with. On a Wayland desktop Qt picks its native Wayland plugin,
// where a client can neither place its windows, cut their shape nor grab keys; through XWayland
// the program docks its player, cuts its skin and grabs its hotkeys as it does on X11.
class DisplayPlatform {
public:
    enum class Choice {
        Untouched, // the user chose, or no Wayland desktop: Qt decides as it always does
        XWayland, // QT_QPA_PLATFORM=xcb
        NativeWayland, // QT_QPA_PLATFORM=wayland: no X server to fall back on
    };

    struct Environment {
        QByteArray qpaPlatform; // QT_QPA_PLATFORM, or a -platform argument
        QByteArray waylandDisplay; // WAYLAND_DISPLAY
        bool xServer = false; // DISPLAY names an X server that answers
    };
    static Choice choose(const Environment& environment);

    // Decides from the process's environment and arguments and sets QT_QPA_PLATFORM accordingly;
    // called before the application exists, which reads it once.
    static Choice prepare(int argc, char** argv);

    // Whether a local X display (":n", ":n.s", "unix:n") has a server listening on its socket in
    // socketFolder. Displays on other hosts are taken on trust: a probe over the network could
    // hold up the start.
    static bool xServerListens(
        const QByteArray& display, const QString& socketFolder = QStringLiteral("/tmp/.X11-unix"));
};
