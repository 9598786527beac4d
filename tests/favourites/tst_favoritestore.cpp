#include "core/catalogue/Game.h"
#include "core/favourites/FavoriteModule.h"
#include "core/outside/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "support/TestFiles.h"

using namespace Qt::StringLiterals;
using namespace FavoriteModule;

namespace {

// A connection of the test's own to the favourites file: what another program would see or write.
class OtherConnection {
public:
    OtherConnection()
    {
        db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
        db.setDatabaseName(databasePath());
        db.open();
    }
    ~OtherConnection()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(u"other"_s);
    }
    // The first column of every row the statement returns.
    QVariantList column(const QString& statement, const QVariantList& values = {})
    {
        QSqlQuery query(db);
        query.prepare(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            qWarning() << statement << query.lastError().text();
        QVariantList result;
        while (query.next())
            result.append(query.value(0));
        return result;
    }

private:
    QSqlDatabase db;
};

Game game(const QString& title)
{
    Game g;
    g.id = 321;
    g.fid = 12;
    g.title = title;
    g.litpic = u"pic/"_s + title + u".jpg"_s;
    g.filesize = u"1.2M"_s;
    g.flash_fangfa = u"0"_s;
    g.flashurl = u"http://127.0.0.1/swf/"_s + title + u".swf"_s;
    g.flashsay = u"Arrow keys move."_s;
    g.keyboard = u"arrows"_s;
    return g;
}

bool add(const QString& title, const QString& style = u"Action"_s)
{
    return AddFavorite(FavoriteRecord::fromGame(game(title), style));
}

bool isFound(const QString& name)
{
    bool found = false;
    return FavoriteExists(name, found) && found;
}

// Every field of the record, numbers as text, in the table's column order.
QStringList fields(const FavoriteRecord& r)
{
    return { r.Style, QString::number(r.id), QString::number(r.fid), r.name, r.image, r.size, r.flash_ffa, r.flashurl,
        r.flashsay, r.keyword };
}

QStringList loadedNames()
{
    QVector<FavoriteRecord> favorites;
    LoadFavorites(favorites);
    QStringList names;
    for (const FavoriteRecord& record : favorites)
        names.append(record.name.trimmed());
    return names;
}

} // namespace

class FavoriteStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home;

    QString file(const QString& name) const { return home->filePath(name); }

private slots:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        QVERIFY(home->isValid());
        qputenv("TABRAZO_HOME", QFile::encodeName(home->path()));
    }

    void firstAddCreatesFileAndTable()
    {
        QCOMPARE(databasePath(), file(ProgramFiles::Favourites));
        QVERIFY(!QFile::exists(databasePath()));

        QVERIFY(add(u"Moon Lander"_s, u"  Sports  "_s));
        QVERIFY(QFile::exists(databasePath()));
        QVERIFY(!CreateFavoriteDatabase());
        QVERIFY(!CreateFavoriteTable());

        // The catalogue's title, unpadded, finds the stored one blank-filled to 50.
        bool found = false;
        QVERIFY(FavoriteExists(u"Moon Lander"_s, found));
        QVERIFY(found);
        QVERIFY(FavoriteExists(u"Moon"_s, found));
        QVERIFY(!found);

        QVector<FavoriteRecord> favorites;
        QVERIFY(LoadFavorites(favorites));
        QCOMPARE(favorites.size(), 1);
        const FavoriteRecord& record = favorites.first();
        QCOMPARE(fields(record),
            (QStringList { u"Sports    "_s, u"321"_s, u"12"_s, u"Moon Lander"_s.leftJustified(50),
                u"pic/Moon Lander.jpg"_s.leftJustified(100), u"1.2M"_s.leftJustified(20), u"0"_s.leftJustified(100),
                u"http://127.0.0.1/swf/Moon Lander.swf"_s.leftJustified(100), u"Arrow keys move."_s.leftJustified(100),
                u"arrows"_s.leftJustified(20) }));
        QCOMPARE(FavoriteListRows(favorites), QStringList { u"Sports-"_s + u"Moon Lander"_s.leftJustified(50) });

        const Game back = record.toGame();
        QCOMPARE(fields(FavoriteRecord::fromGame(back, u"Sports"_s)), fields(record));
        QCOMPARE(back.title, record.name);
        QCOMPARE(back.litpic, record.image);
        QCOMPARE(back.flash_fangfa, record.flash_ffa);
    }

    void missingFileIsNeitherReadNorCreated()
    {
        bool found = true;
        QVERIFY(!FavoriteExists(u"Moon Lander"_s, found));
        QVERIFY(found);
        found = false;
        QVERIFY(!FavoriteExists(u"Moon Lander"_s, found));
        QVERIFY(!found);

        QVector<FavoriteRecord> favorites(2);
        favorites[0].name = u"kept"_s;
        QVERIFY(!LoadFavorites(favorites));
        QCOMPARE(favorites.size(), 2);
        QCOMPARE(favorites[0].name, u"kept"_s);

        QVERIFY(!DeleteFavorite(u"Moon Lander"_s));
        QVERIFY(!CreateFavoriteTable());
        QCOMPARE(QDir(home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void emptyTableLoadsNothing()
    {
        QVERIFY(CreateFavoriteDatabase());
        QCOMPARE(QFileInfo(databasePath()).size(), 0);
        QVERIFY(CreateFavoriteTable());

        QVector<FavoriteRecord> favorites(1);
        favorites[0].name = u"kept"_s;
        QVERIFY(!LoadFavorites(favorites));
        QCOMPARE(favorites.size(), 1);
        QCOMPARE(favorites[0].name, u"kept"_s);

        bool found = true;
        QVERIFY(FavoriteExists(u"anything"_s, found));
        QVERIFY(!found);

        // The last row deleted leaves the table empty again.
        QVERIFY(add(u"Only"_s));
        QVERIFY(DeleteFavorite(u"Only"_s));
        QVERIFY(!LoadFavorites(favorites));
        QCOMPARE(favorites[0].name, u"kept"_s);
    }

    void tableHasTheTenColumnsInOrder()
    {
        QVERIFY(CreateFavoriteDatabase());
        QVERIFY(CreateFavoriteTable());
        OtherConnection other;
        QStringList columns;
        for (const QVariant& name : other.column(u"select name from pragma_table_info('Favorite')"_s))
            columns.append(name.toString());
        QCOMPARE(columns,
            (QStringList { u"Style"_s, u"id"_s, u"fid"_s, u"name"_s, u"image"_s, u"size"_s, u"flash_ffa"_s,
                u"flashurl"_s, u"flashsay"_s, u"keyword"_s }));
        QStringList types;
        for (const QVariant& type : other.column(u"select upper(type) from pragma_table_info('Favorite')"_s))
            types.append(type.toString());
        QCOMPARE(types,
            (QStringList { u"TEXT"_s, u"INTEGER"_s, u"INTEGER"_s, u"TEXT"_s, u"TEXT"_s, u"TEXT"_s, u"TEXT"_s, u"TEXT"_s,
                u"TEXT"_s, u"TEXT"_s }));
        QCOMPARE(other.column(u"select count(*) from sqlite_master where type = 'index'"_s).value(0).toInt(), 0);
    }

    void numberLikeTitlesStayText_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("exponent") << u"1e5"_s;
        QTest::newRow("leading zeros") << u"007"_s;
        QTest::newRow("decimal") << u"3.0"_s;
        QTest::newRow("negative") << u"-12"_s;
    }
    void numberLikeTitlesStayText()
    {
        QFETCH(QString, title);
        QVERIFY(add(title));
        QVERIFY(isFound(title));
        QCOMPARE(loadedNames(), QStringList { title });
        OtherConnection other;
        QCOMPARE(other.column(u"select typeof([name]) from Favorite"_s).value(0).toString(), u"text"_s);
    }

    void nullsAndOddValuesFromAnotherWriter()
    {
        QVERIFY(CreateFavoriteDatabase());
        QVERIFY(CreateFavoriteTable());
        {
            OtherConnection other;
            other.column(u"insert into Favorite([name]) values('bare')"_s);
            other.column(u"insert into Favorite(id, fid, [name], [Style]) values(70000, -40000, 'wide', 'Puzzle')"_s);
            other.column(u"insert into Favorite(id, fid, [name]) values(32767, -32768, 'edges')"_s);
        }
        QVector<FavoriteRecord> favorites;
        QVERIFY(LoadFavorites(favorites));
        QCOMPARE(favorites.size(), 3);

        QCOMPARE(fields(favorites[0]),
            (QStringList { QString(10, u' '), u"0"_s, u"0"_s, u"bare"_s.leftJustified(50), QString(100, u' '),
                QString(20, u' '), QString(100, u' '), QString(100, u' '), QString(100, u' '), QString(20, u' ') }));
        QCOMPARE(fields(favorites[1]).mid(1, 2), (QStringList { u"0"_s, u"0"_s }));
        QCOMPARE(fields(favorites[2]).mid(1, 2), (QStringList { u"32767"_s, u"-32768"_s }));

        QCOMPARE(FavoriteListRows(favorites),
            (QStringList { u"-"_s + u"bare"_s.leftJustified(50), u"Puzzle-"_s + u"wide"_s.leftJustified(50),
                u"-"_s + u"edges"_s.leftJustified(50) }));
    }

    void manyRowsLoadInInsertionOrder()
    {
        QVERIFY(CreateFavoriteDatabase());
        QVERIFY(CreateFavoriteTable());
        // Inserted out of name order, so any order but insertion order shows.
        QStringList inserted;
        {
            OtherConnection other;
            other.column(u"BEGIN"_s);
            for (int i = 0; i < 2000; ++i) {
                const QString name = u"game %1"_s.arg((i * 7919) % 2000, 4, 10, QLatin1Char('0'));
                inserted.append(name);
                other.column(u"insert into Favorite(id, [name], [Style]) values(?, ?, 'Action')"_s, { i, name });
            }
            other.column(u"COMMIT"_s);
        }
        QVector<FavoriteRecord> favorites;
        QVERIFY(LoadFavorites(favorites));
        QCOMPARE(favorites.size(), 2000);
        QStringList names;
        for (int i = 0; i < favorites.size(); ++i) {
            names.append(favorites[i].name.trimmed());
            QCOMPARE(favorites[i].id, qint16(i));
        }
        QCOMPARE(names, inserted);
        QCOMPARE(FavoriteListRows(favorites).at(1999), u"Action-"_s + inserted.last().leftJustified(50));
    }

    void oddNamesAreOneExactValue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("others"); // stored beside it, never matched by it
        QTest::newRow("quote") << u"Tom's Run"_s << QStringList { u"Tom\"s Run"_s, u"Tom''s Run"_s, u"Tom"_s };
        QTest::newRow("double quote") << u"The \"Big\" One"_s << QStringList { u"The 'Big' One"_s, u"The"_s };
        QTest::newRow("percent") << u"100%"_s << QStringList { u"1000"_s, u"100% Fun"_s };
        QTest::newRow("underscore") << u"a_c"_s << QStringList { u"abc"_s, u"ac"_s };
        QTest::newRow("backslash") << u"C:\\Games\\x"_s << QStringList { u"C:\\\\Games\\\\x"_s, u"C:/Games/x"_s };
        QTest::newRow("comment") << u"Run -- Jump"_s << QStringList { u"Run -"_s, u"Run"_s };
        QTest::newRow("statement") << u"x'); drop table Favorite; --"_s << QStringList { u"x"_s, u"x');"_s };
    }
    void oddNamesAreOneExactValue()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, others);
        for (const QString& other : others) {
            QVERIFY(add(other));
            QVERIFY(!isFound(name));
        }
        QVERIFY(add(name));
        QVERIFY(isFound(name));
        QVERIFY(isFound(name + u"   "_s));
        QVERIFY(!isFound(name.left(name.size() - 1)));

        QVERIFY(DeleteFavorite(name));
        QVERIFY(!isFound(name));
        QCOMPARE(loadedNames(), others);
        for (const QString& other : others)
            QVERIFY(isFound(other));
    }

    void widthsCutNamesButNeverAddresses()
    {
        Game g = game(QString(60, u'n'));
        g.flashurl = u"http://127.0.0.1/"_s + QString(140, u'u') + u".swf"_s;
        g.litpic = u"pic/"_s + QString(126, u'p');
        g.keyboard = QString(25, u'k');
        g.flash_fangfa = QString(101, u'f');
        g.filesize = QString(21, u's');
        g.flashsay = QString(130, u'h');
        QVERIFY(AddFavorite(FavoriteRecord::fromGame(g, u"A style too wide"_s)));

        QVector<FavoriteRecord> favorites;
        QVERIFY(LoadFavorites(favorites));
        QCOMPARE(fields(favorites.first()),
            (QStringList { u"A style to"_s, u"321"_s, u"12"_s, QString(50, u'n'), g.litpic, QString(20, u's'),
                QString(100, u'f'), g.flashurl, QString(100, u'h'), QString(20, u'k') }));

        // Stored at those widths, not only brought to them on loading.
        OtherConnection other;
        QCOMPARE(other
                     .column(u"select length([name]) || ',' || length(keyword) || ',' || length(flashurl) from "
                             "Favorite"_s)
                     .value(0)
                     .toString(),
            u"50,20,161"_s);
        QCOMPARE(other.column(u"select length([image]) from Favorite"_s).value(0).toInt(), 130);
    }

    void cutsKeepWholeCharacters()
    {
        // U+1F3AE takes two UTF-16 units; cutting between them would store half a character.
        const QString pad = QString(49, u'x');
        const QString title = pad + QString::fromUcs4(U"\U0001F3AE") + u"!"_s;
        const FavoriteRecord record = FavoriteRecord::fromGame(game(title), u"Action"_s);
        QCOMPARE(record.name, pad + u' ');
        QCOMPARE(FavoriteRecord::fit(title, 51), pad + QString::fromUcs4(U"\U0001F3AE"));
        QCOMPARE(FavoriteRecord::fill(title, 10), title);
        QCOMPARE(FavoriteRecord::fit(u"ab"_s, 0), QString());
    }

    void deleteRemovesEveryRowOfTheName()
    {
        QVERIFY(add(u"Same"_s, u"Action"_s));
        QVERIFY(add(u"Other"_s));
        QVERIFY(add(u"Same"_s, u"Puzzle"_s));
        QVERIFY(add(u"Same "_s.repeated(2)));
        QVERIFY(DeleteFavorite(u"Same  "_s));
        QCOMPARE(loadedNames(), (QStringList { u"Other"_s, u"Same Same"_s }));
        QVERIFY(DeleteFavorite(u"Nothing by that name"_s));
        QCOMPARE(loadedNames().size(), 2);
    }

    void foreignFileIsMovedAside()
    {
        const QByteArray first("\x00\x01\x00\x00Standard Jet DB\x00", 20);
        const QByteArray second("not a database either");
        QVERIFY(put(databasePath(), first));
        QVERIFY(add(u"After the first"_s));
        QCOMPARE(get(file(u"Favorite.mdb.bak"_s)), first);
        QCOMPARE(loadedNames(), QStringList { u"After the first"_s });

        QVERIFY(QFile::remove(databasePath()));
        QVERIFY(put(databasePath(), second));
        QVERIFY(add(u"After the second"_s));
        QCOMPARE(get(file(u"Favorite.mdb.bak"_s)), first);
        QCOMPARE(get(file(u"Favorite.mdb.bak.2"_s)), second);
        QCOMPARE(loadedNames(), QStringList { u"After the second"_s });

        // A SQLite database, or an empty file, is the store itself and stays.
        QVERIFY(!CreateFavoriteDatabase());
        QVERIFY(!QFile::exists(file(u"Favorite.mdb.bak.3"_s)));
    }

    void emptyFileIsAStore()
    {
        QVERIFY(put(databasePath(), QByteArray()));
        QVERIFY(!CreateFavoriteDatabase());
        QVERIFY(add(u"Into the empty file"_s));
        QVERIFY(!QFile::exists(file(u"Favorite.mdb.bak"_s)));
        QCOMPARE(loadedNames(), QStringList { u"Into the empty file"_s });
    }
};

QTEST_GUILESS_MAIN(FavoriteStoreTest)
#include "tst_favoritestore.moc"
