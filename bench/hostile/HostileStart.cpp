// Starts the program in this process, as main() does, and watches it for a number of seconds: the
// longest gap between two turns of the event loop (a 5 ms timer) and the process's peak and
// current memory. run.py points it at a content server that misbehaves.
#include "gui/outside/WidgetMessageBox.h"
#include "gui/player/FlashPlayer.h"
#include "gui/shell/FormMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {
// A line of /proc/self/status in kB, e.g. "VmHWM".
long statusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ').first().toLong();
    }
    return -1;
}
} // namespace

int main(int argc, char* argv[])
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    FlashPlayer::prepareProcess();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tabrazo"));
    QApplication::setQuitOnLastWindowClosed(false);
    WidgetMessageBox::install();

    const long before = statusKb("VmRSS");
    auto* main = new FormMain;
    main->Form_Load();

    // Start-up's own work (the web engine coming up) is measured apart from the rest.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longestAtStart = 0;
    qint64 longest = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        qint64& slot = now < 5000 ? longestAtStart : longest;
        slot = std::max(slot, now - last);
        last = now;
    });
    probe.start(5);
    QTimer::singleShot(seconds * 1000, &app, [&] {
        std::printf("rss_before_kb %ld\nrss_end_kb %ld\npeak_kb %ld\nlongest_gap_first_5s_ms %lld\n"
                    "longest_gap_after_ms %lld\n",
            before, statusKb("VmRSS"), statusKb("VmHWM"), longestAtStart, longest);
        std::fflush(stdout);
        std::_Exit(0);
    });
    return app.exec();
}
