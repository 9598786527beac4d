// The favourites store on a real file in the program folder (TABRAZO_HOME): loading 2,000
// favourites into the main window's favourites list, beside filling the same rows from memory,
// and one add as the commands make it (the check for the name, then the add).
#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteModule.h"
#include "gui/player/FlashPlayer.h"
#include "gui/shell/FavoriteList.h"
#include "gui/shell/FormMain.h"
#include "gui/shell/Forms.h"
#include "gui/widgets/ListBoxEx.h"
#include "support/Timing.h"

#include <QApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {
FavoriteRecord favourite(int i)
{
    Game game;
    game.id = qint16(i);
    game.title = u"Favourite game number %1"_s.arg(i);
    game.litpic = u"pic/%1.jpg"_s.arg(i);
    game.filesize = u"2.4M"_s;
    game.flash_fangfa = u"0"_s;
    game.flashurl = u"http://127.0.0.1/swf/%1.swf"_s.arg(i);
    game.flashsay = u"Arrow keys move, space jumps."_s;
    game.keyboard = u"arrows space"_s;
    return FavoriteRecord::fromGame(game, u"Action"_s);
}

// The rows written in one transaction through a connection of the bench's own: timing the adds
// one by one is the second figure.
bool fill(const QVector<FavoriteRecord>& favorites)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fill"_s);
        db.setDatabaseName(FavoriteModule::databasePath());
        if (db.open() && db.transaction()) {
            QSqlQuery query(db);
            query.prepare(u"insert into Favorite(id, fid, [name], [image], [size], flash_ffa, flashurl, flashsay, "
                          "keyword, [Style]) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s);
            ok = true;
            for (const FavoriteRecord& r : favorites) {
                for (const QVariant& value : QVariantList { int(r.id), int(r.fid), r.name, r.image, r.size, r.flash_ffa,
                         r.flashurl, r.flashsay, r.keyword, r.Style })
                    query.addBindValue(value);
                ok = ok && query.exec();
            }
            ok = db.commit() && ok;
        }
    }
    QSqlDatabase::removeDatabase(u"fill"_s);
    return ok;
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    FlashPlayer::prepareProcess();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const QString file = FavoriteModule::databasePath();
    QFile::remove(file);
    if (!FavoriteModule::CreateFavoriteDatabase() || !FavoriteModule::CreateFavoriteTable()) {
        out << "cannot create " << file << "\n";
        return 1;
    }
    QVector<FavoriteRecord> memory;
    for (int i = 0; i < 2000; ++i)
        memory.append(favourite(i));
    if (!fill(memory)) {
        out << "cannot fill " << file << "\n";
        return 1;
    }
    out << "favourites file: " << file << "\n";

    int shown = 0;
    const double load = Timing::timed(
        [&] {
            QVector<FavoriteRecord> favorites;
            FavoriteModule::LoadFavorites(favorites);
            shown = int(FavoriteModule::FavoriteListRows(favorites).size());
        },
        21);
    const double fromMemory = Timing::timed([&] { shown = int(FavoriteModule::FavoriteListRows(memory).size()); }, 21);
    out << "LoadFavorites + FavoriteListRows, " << shown << " favourites: median " << load << " ms; "
        << "FavoriteListRows from memory: median " << fromMemory << " ms\n";

    // The same through the main window's list, as the favourites view shows it.
    FormMain main;
    forms().setFormMain(&main);
    const double fillList = Timing::timed([&] { FavoriteList::FillFavoriteList(main); }, 21);
    const QStringList rows = FavoriteModule::FavoriteListRows(memory);
    const double fillFromMemory = Timing::timed(
        [&] {
            main.List4->Clear();
            for (const QString& row : rows)
                main.List4->AddItem(row);
        },
        21);
    out << "FillFavoriteList, " << main.List4->ListCount() << " rows into List4: median " << fillList
        << " ms; the same rows from memory: median " << fillFromMemory << " ms\n";

    int added = 2000;
    const double add = Timing::timed(
        [&] {
            const FavoriteRecord record = favourite(added++);
            bool found = false;
            if (FavoriteModule::FavoriteExists(record.name, found) && !found)
                FavoriteModule::AddFavorite(record);
        },
        200);
    QVector<FavoriteRecord> favorites;
    FavoriteModule::LoadFavorites(favorites);
    out << "FavoriteExists + AddFavorite: median " << add << " ms per add (200 adds, " << favorites.size()
        << " rows after)\n";
    return 0;
}
