#include "core/outside/DisplayPlatform.h"

#include "core/outside/LogCategories.h"

#include <QFile>
#include <QRegularExpression>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
QByteArray platformArgument(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return argv[i + 1];
    }
    return {};
}

bool listens(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A socket file left behind by a server that is gone refuses the connection at once.
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}
} // namespace

DisplayPlatform::Choice DisplayPlatform::choose(const Environment& environment)
{
    if (!environment.qpaPlatform.isEmpty() || environment.waylandDisplay.isEmpty())
        return Choice::Untouched;
    return environment.xServer ? Choice::XWayland : Choice::NativeWayland;
}

DisplayPlatform::Choice DisplayPlatform::prepare(int argc, char** argv)
{
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty())
        platform = platformArgument(argc, argv);
    const QByteArray display = qgetenv("DISPLAY");
    const Environment environment { platform, qgetenv("WAYLAND_DISPLAY"),
        !display.isEmpty() && xServerListens(display) };
    const Choice choice = choose(environment);
    if (choice == Choice::XWayland) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        qCInfo(lcOutside).noquote() << "Wayland desktop: running through XWayland on display" << display;
    } else if (choice == Choice::NativeWayland) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        qCWarning(lcOutside) << "Wayland desktop without an X display: running natively; docking the player,"
                                " window placement and hotkeys are unavailable";
    }
    return choice;
}

bool DisplayPlatform::xServerListens(const QByteArray& display, const QString& socketFolder)
{
    static const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const QString name = QString::fromLocal8Bit(display);
    const QRegularExpressionMatch match = local.match(name);
    if (match.hasMatch())
        return listens(socketFolder + QStringLiteral("/X") + match.captured(1));
    // host:n[.s] is served over the network; anything else is no display at all.
    static const QRegularExpression remote(QStringLiteral("^[^:/]+:\\d+(?:\\.\\d+)?$"));
    return remote.match(name).hasMatch();
}
