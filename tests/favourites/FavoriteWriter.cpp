// Adds favourites to the program folder (TABRAZO_HOME) one after another and prints the number of
// each add once it is committed, so a test that kills this process knows what must have survived.
// Usage: FavoriteWriter COUNT
#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteModule.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 0;
    for (int i = 1; i <= count; ++i) {
        Game game;
        game.id = qint16(i % 30000);
        game.title = QStringLiteral("Written game %1").arg(i);
        game.flashurl = QStringLiteral("http://127.0.0.1/swf/%1.swf").arg(i);
        if (!FavoriteModule::AddFavorite(FavoriteRecord::fromGame(game, QStringLiteral("Kill")))) {
            std::fprintf(stderr, "add %d failed\n", i);
            return 1;
        }
        // Unbuffered: a line is in the pipe before the next add begins.
        const QByteArray line = QByteArray::number(i) + '\n';
        if (::write(STDOUT_FILENO, line.constData(), size_t(line.size())) != line.size())
            return 1;
    }
    return 0;
}
