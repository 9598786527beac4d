#pragma once

#include "core/favourites/FavoriteRecord.h"

#include <QStringList>
#include <QVector>

// The favourites store: the SQLite file Favorite.mdb in the program folder, table Favorite. Every
// routine opens its own connection, does one job and closes it; none shows a message. Names are
// bound values, never part of the SQL text, and compare with trailing blanks ignored, so a title
// as the catalogue gives it finds the same title stored blank-filled.
namespace FavoriteModule {

// Favorite.mdb in the program folder.
QString databasePath();

// True when the file was created; false when it exists already or cannot be made. A file of that
// name that is not a SQLite database (one copied from a Windows installation) is first moved
// aside to Favorite.mdb.bak (or .bak.2, .bak.3, ... never replacing a backup) and logged.
bool CreateFavoriteDatabase();

// True when the table was created; false when it exists already or on any failure. A missing file
// is a failure: only CreateFavoriteDatabase makes the file, after moving a foreign one aside.
bool CreateFavoriteTable();

// True when the query ran, with found set; false (found untouched) on any failure, a missing
// file included.
bool FavoriteExists(const QString& name, bool& found);

// Creates the file and the table when needed, then stores the record in one transaction: a
// process killed meanwhile leaves the old rows. True when the row was stored.
bool AddFavorite(const FavoriteRecord& record);

// Removes every row whose name equals name. False (and a log line) on failure.
bool DeleteFavorite(const QString& name);

// Every row in table order, texts brought to their widths, nulls as 0 and empty texts. False on
// any failure, an empty table included; favorites is then left as it was.
bool LoadFavorites(QVector<FavoriteRecord>& favorites);

// The rows of the favourites list: Style with its blanks trimmed, "-", the name as stored.
QStringList FavoriteListRows(const QVector<FavoriteRecord>& favorites);

} // namespace FavoriteModule
