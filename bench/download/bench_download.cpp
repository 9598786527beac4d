// bench_download URL OUTDIR: one transfer through DownLoad, with its speed and the peak memory it costs.

#include "core/net/DownLoad.h"
#include "core/outside/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
// A field of /proc/self/status in kB, or -1.
long statusKb(const char* field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        fprintf(stderr, "usage: bench_download URL OUTDIR\n");
        return 2;
    }
    const QString url = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    if (!QDir().mkpath(outDir)) {
        fprintf(stderr, "bench_download: cannot use %s\n", argv[2]);
        return 2;
    }
    // Temporary files and the URL cache go where the program folder would be.
    ProgramFolder::setOverride(outDir);
    // A cached copy would be answered with 304 and measure nothing.
    QDir(outDir + QLatin1String("/UrlCache")).removeRecursively();

    DownLoad download;
    bool failed = true;
    QString path;
    qint64 progressEvents = 0;
    QObject::connect(&download, &DownLoad::DownloadProgress, &app, [&](qint32, qint32) { ++progressEvents; });
    QObject::connect(&download, &DownLoad::DownloadComplete, &app, [&](bool hasError, const QString& szPath) {
        failed = hasError;
        path = szPath;
        app.quit();
    });

    const long peakBefore = statusKb("VmHWM");
    const long rssBefore = statusKb("VmRSS");
    QElapsedTimer clock;
    clock.start();
    download.OpenUrl(url);
    app.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    const long peakAfter = statusKb("VmHWM");

    if (failed) {
        fprintf(stderr, "bench_download: the transfer failed\n");
        return 1;
    }
    const qint64 size = QFileInfo(path).size();
    printf("bench_download: %lld bytes in %.3f s = %.1f MiB/s, %lld progress events\n", static_cast<long long>(size),
        seconds, size / seconds / (1024.0 * 1024.0), static_cast<long long>(progressEvents));
    printf("bench_download: peak RSS %ld kB -> %ld kB, growth %.1f MiB (RSS before %ld kB)\n", peakBefore, peakAfter,
        (peakAfter - peakBefore) / 1024.0, rssBefore);
    QFile::remove(path);
    return 0;
}
