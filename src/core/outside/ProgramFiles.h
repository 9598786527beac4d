#pragma once

#include <QString>

// The files the program keeps in its folder. The names are part of the folder's format: folders
// carried over from older installations, and the server's own files, use exactly these spellings.
namespace ProgramFiles {

inline const QString Catalogue = QStringLiteral("LDsend.Dll");
inline const QString CachedVersion = QStringLiteral("VerTmp.Dll");
inline const QString ServerVersion = QStringLiteral("VerSionIng.Dll");
inline const QString Settings = QStringLiteral("Config.dll");
inline const QString UpdateDescription = QStringLiteral("Update.dll");
inline const QString NewBuild = QStringLiteral("Tabrazo.exe");
inline const QString Favourites = QStringLiteral("Favorite.mdb");
inline const QString GameCache = QStringLiteral("GamePath");
inline const QString LoadingPicture = QStringLiteral("ImgLoading.gif");

// The file's path in the program folder (ProgramFolder::file, with its letter-case lookup).
QString path(const QString& name);

} // namespace ProgramFiles
