#include "core/favourites/FavoriteModule.h"

#include "core/outside/Blanks.h"
#include "core/outside/Files.h"
#include "core/outside/LogCategories.h"
#include "core/outside/ProgramFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <atomic>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// Declared types matter: SQLite gives the type name "memo" numeric affinity, which would turn a
// title such as "007" into the number 7.
const QString CreateTable = u"Create Table Favorite([Style] TEXT, id integer, fid integer, [name] TEXT, "
                            "[image] TEXT, [size] TEXT, flash_ffa TEXT, flashurl TEXT, flashsay TEXT, keyword TEXT)"_s;

const QByteArray SqliteHeader("SQLite format 3\0", 16);

// Another window or process may be writing; waiting this long beats failing at once.
constexpr int BusyTimeoutMs = 3000;

// One connection for one routine: added under a name no other call uses, opened, and closed and
// removed when the routine returns. It opens an existing file only (mode=rw): creating the file is
// CreateFavoriteDatabase's job, which first moves a foreign file aside, and a file that vanishes
// between a check and the open must not come back empty.
class Connection {
public:
    Connection()
        : m_name(u"tabrazo.favourites."_s + QString::number(++serial))
    {
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_name);
        m_db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT="_s + QString::number(BusyTimeoutMs));
        m_db.setDatabaseName(
            QUrl::fromLocalFile(FavoriteModule::databasePath()).toString(QUrl::FullyEncoded) + u"?mode=rw"_s);
        if (!m_db.open())
            qCDebug(lcFavourites) << "cannot open" << FavoriteModule::databasePath() << ":" << m_db.lastError().text();
    }
    ~Connection()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return m_db.isOpen(); }
    QSqlDatabase& database() { return m_db; }

private:
    static inline std::atomic<quint64> serial { 0 };
    QString m_name;
    QSqlDatabase m_db;
};

// Runs a statement with its values bound in order; logs and returns false when it fails.
bool run(QSqlQuery& query, const QString& statement, const QVariantList& values = {})
{
    if (query.prepare(statement)) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
    }
    qCDebug(lcFavourites) << statement << "failed:" << query.lastError().text();
    return false;
}

// The single number a statement such as count(*) returns, or -1 when it fails.
qint64 number(QSqlDatabase& db, const QString& statement, const QVariantList& values = {})
{
    QSqlQuery query(db);
    if (!run(query, statement, values) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

bool exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A non-empty file that does not start like a SQLite database: one copied from a Windows
// installation, whose format this program does not read.
bool isForeign(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(SqliteHeader.size());
    return !header.isEmpty() && header != SqliteHeader;
}

// Favorite.mdb.bak, or the first of .bak.2, .bak.3, ... that is free; an older backup is never
// replaced.
bool moveAside(const QString& path)
{
    for (int n = 1;; ++n) {
        const QString backup = path + u".bak"_s + (n == 1 ? QString() : u'.' + QString::number(n));
        if (Files::moveWithoutReplacing(path, backup)) {
            qCInfo(lcFavourites) << path << "is not a SQLite database; moved to" << backup;
            return true;
        }
        if (!exists(backup)) {
            qCDebug(lcFavourites) << "cannot move" << path << "to" << backup;
            return false;
        }
    }
}

qint16 smallNumber(const QVariant& value)
{
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok || n < std::numeric_limits<qint16>::min() || n > std::numeric_limits<qint16>::max())
        return 0;
    return qint16(n);
}

const QString NameMatches = u"rtrim([name], ' ') = rtrim(?, ' ')"_s;

} // namespace

namespace FavoriteModule {

QString databasePath()
{
    return ProgramFiles::path(ProgramFiles::Favourites);
}

bool CreateFavoriteDatabase()
{
    QString path = databasePath();
    if (exists(path)) {
        if (!isForeign(path) || !moveAside(path))
            return false;
        path = databasePath();
    }
    // An empty file is a valid SQLite database. NewOnly fails rather than truncate a file that
    // another process created meanwhile.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (!exists(path))
            qCDebug(lcFavourites) << "cannot create" << path << ":" << file.errorString();
        return false;
    }
    return true;
}

bool CreateFavoriteTable()
{
    Connection connection;
    if (!connection.isOpen())
        return false;
    const qint64 tables = number(connection.database(),
        u"select count(*) from sqlite_master where type = 'table' and name = 'Favorite' collate nocase"_s);
    if (tables != 0)
        return false;
    QSqlQuery query(connection.database());
    return run(query, CreateTable);
}

bool FavoriteExists(const QString& name, bool& found)
{
    if (!exists(databasePath()))
        return false;
    Connection connection;
    if (!connection.isOpen())
        return false;
    const qint64 count
        = number(connection.database(), u"select count(*) from Favorite where "_s + NameMatches, { name });
    if (count < 0)
        return false;
    found = count > 0;
    return true;
}

bool AddFavorite(const FavoriteRecord& record)
{
    CreateFavoriteDatabase();
    CreateFavoriteTable();
    FavoriteRecord row = record;
    row.fitFields();

    Connection connection;
    if (!connection.isOpen())
        return false;
    // IMMEDIATE takes the write lock up front, so a busy file makes this wait rather than fail
    // halfway. The rollback journal makes the commit all or nothing, a killed process included.
    QSqlQuery query(connection.database());
    if (!run(query, u"BEGIN IMMEDIATE"_s))
        return false;
    const bool stored = run(query,
                            u"insert into Favorite(id, fid, [name], [image], [size], flash_ffa, flashurl, flashsay, "
                            "keyword, [Style]) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                            { int(row.id), int(row.fid), row.name, row.image, row.size, row.flash_ffa, row.flashurl,
                                row.flashsay, row.keyword, row.Style })
        && run(query, u"COMMIT"_s);
    if (!stored)
        run(query, u"ROLLBACK"_s);
    return stored;
}

bool DeleteFavorite(const QString& name)
{
    if (!exists(databasePath())) {
        qCDebug(lcFavourites) << "cannot delete" << name << ":" << databasePath() << "does not exist";
        return false;
    }
    Connection connection;
    if (!connection.isOpen())
        return false;
    QSqlQuery query(connection.database());
    return run(query, u"delete from Favorite where "_s + NameMatches, { name });
}

bool LoadFavorites(QVector<FavoriteRecord>& favorites)
{
    if (!exists(databasePath()))
        return false;
    Connection connection;
    if (!connection.isOpen())
        return false;
    QSqlDatabase& db = connection.database();
    // One read transaction: the count and the rows see the same table.
    if (!db.transaction())
        return false;
    const qint64 count = number(db, u"select count(*) from Favorite"_s);
    QVector<FavoriteRecord> loaded;
    if (count > 0) {
        loaded.reserve(count);
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (run(query,
                u"select [Style], id, fid, [name], [image], [size], flash_ffa, flashurl, flashsay, keyword "
                "from Favorite order by rowid"_s)) {
            const QSqlRecord columns = query.record();
            const int style = columns.indexOf(u"Style"_s);
            const int id = columns.indexOf(u"id"_s);
            const int fid = columns.indexOf(u"fid"_s);
            const int name = columns.indexOf(u"name"_s);
            const int image = columns.indexOf(u"image"_s);
            const int size = columns.indexOf(u"size"_s);
            const int flashFfa = columns.indexOf(u"flash_ffa"_s);
            const int flashUrl = columns.indexOf(u"flashurl"_s);
            const int flashSay = columns.indexOf(u"flashsay"_s);
            const int keyword = columns.indexOf(u"keyword"_s);
            while (query.next()) {
                FavoriteRecord record;
                record.Style = query.value(style).toString();
                record.id = smallNumber(query.value(id));
                record.fid = smallNumber(query.value(fid));
                record.name = query.value(name).toString();
                record.image = query.value(image).toString();
                record.size = query.value(size).toString();
                record.flash_ffa = query.value(flashFfa).toString();
                record.flashurl = query.value(flashUrl).toString();
                record.flashsay = query.value(flashSay).toString();
                record.keyword = query.value(keyword).toString();
                record.fitFields();
                loaded.append(record);
            }
            if (query.lastError().isValid())
                qCDebug(lcFavourites) << "reading the favourites stopped:" << query.lastError().text();
        }
    }
    db.commit();
    if (count <= 0 || loaded.size() != count)
        return false;
    favorites = std::move(loaded);
    return true;
}

QStringList FavoriteListRows(const QVector<FavoriteRecord>& favorites)
{
    QStringList rows;
    rows.reserve(favorites.size());
    for (const FavoriteRecord& record : favorites)
        rows.append(Blanks::trimmed(record.Style) + u'-' + record.name);
    return rows;
}

} // namespace FavoriteModule
