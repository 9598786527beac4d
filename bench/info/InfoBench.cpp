// Selects games one after another with the information window open, as a user running down a list
// does, and prints the time from the selection to the game's picture on screen, the peak memory
// growth and the temporary files left. Usage: bench_info BASE_URL SITE_FOLDER [GAMES]
#include "core/catalogue/Game.h"
#include "gui/player/GameJsFrm.h"
#include "gui/widgets/NetPicture.h"
#include "gui/widgets/Skin.h"
#include "support/Timing.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <sys/resource.h>

namespace {
long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_info BASE_URL SITE_FOLDER [GAMES]\n");
        return 2;
    }
    const QString base = QString::fromLocal8Bit(argv[1]);
    QStringList pictures
        = QDir(QString::fromLocal8Bit(argv[2]) + QLatin1String("/uploads/litpic")).entryList(QDir::Files, QDir::Name);
    const int games = argc > 3 ? atoi(argv[3]) : 100;
    Skin::SkinH_Attach();
    auto* owned = new GameJsFrm;
    GameJsFrm& window = *owned;
    window.Form_Load();
    window.show();

    std::vector<double> samples;
    long before = 0;
    int shown = 0;
    for (int i = 0; i < games; ++i) {
        Game game;
        game.title = QStringLiteral("游戏%1").arg(i);
        game.litpic = QLatin1String("uploads/litpic/") + pictures.at(i % pictures.size());
        QEventLoop loop;
        bool arrived = false;
        QObject::connect(window.NetPicture1, &NetPicture::pictureChanged, &loop, [&] {
            arrived = true;
            loop.quit();
        });
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        QElapsedTimer timer;
        timer.start();
        window.showGame(game, QStringLiteral("动作"));
        window.showPicture(QString(), base + u'/' + game.litpic);
        loop.exec();
        window.NetPicture1->repaint();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        shown += arrived;
        // The first selections load the plugins and warm the connection; growth counts from here.
        if (i == 4)
            before = peakKilobytes();
    }
    const qsizetype left
        = QDir(tmp.path()).entryList({ QStringLiteral("tabrazo-read-*") }, QDir::Files | QDir::Hidden).size();
    std::printf("%d selections, %d fetches completed\n", games, shown);
    std::printf("selection to picture painted: median %.2f ms\n", Timing::median(samples));
    std::printf(
        "peak memory growth after the first 5: %ld KiB (peak %ld KiB)\n", peakKilobytes() - before, peakKilobytes());
    std::printf("temporary files while the last picture shows: %lld\n", qlonglong(left));
    delete owned;
    std::printf("temporary files after the window went: %lld\n",
        qlonglong(QDir(tmp.path()).entryList({ QStringLiteral("tabrazo-read-*") }, QDir::Files | QDir::Hidden).size()));
    return 0;
}
