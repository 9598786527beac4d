#include "core/net/UrlCache.h"

#include "core/outside/LogCategories.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 maxBytes = 256LL * 1024 * 1024;
int maxEntries = 1000;

constexpr qint64 maxMetaSize = 16 * 1024;

QByteArray keyOf(const QUrl& url)
{
    return QCryptographicHash::hash(url.adjusted(QUrl::RemoveFragment).toEncoded(), QCryptographicHash::Sha1).toHex();
}

qint64 modifiedNs(const struct stat& info)
{
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

bool statFile(const QString& path, struct stat& info)
{
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

// A hash of the first and last bytes: cheap even for big files, and it sees the usual rewrites.
QByteArray fingerprint(const QString& path)
{
    constexpr qint64 span = 64 * 1024;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(file.read(span));
    if (file.size() > span) {
        file.seek(qMax(span, file.size() - span));
        hash.addData(file.read(span));
    }
    return hash.result().toHex();
}

bool sameFile(const UrlCache::Entry& entry, const struct stat& info)
{
    return info.st_ino == entry.inode && info.st_size == entry.size && modifiedNs(info) == entry.modifiedNs;
}

bool matches(const UrlCache::Entry& entry, const QString& path)
{
    struct stat info;
    return statFile(path, info) && sameFile(entry, info) && fingerprint(path) == entry.fingerprint;
}

bool linkOrCopy(const QString& from, const QString& to)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
    if (::link(src.constData(), dst.constData()) == 0)
        return true;
    // File systems without hard links still get a working cache, at the price of a copy.
    if (errno == EEXIST)
        return false;
    return QFile::copy(from, to);
}
} // namespace

UrlCache::UrlCache(const QString& folder)
    : m_folder(folder)
{
}

void UrlCache::setLimits(qint64 bytes, int entries)
{
    maxBytes = bytes;
    maxEntries = entries;
}

QString UrlCache::pathFor(const QUrl& url, const char* suffix) const
{
    return m_folder + u'/' + QString::fromLatin1(keyOf(url)) + QLatin1String(suffix);
}

std::optional<UrlCache::Entry> UrlCache::lookup(const QUrl& url) const
{
    const QString metaPath = pathFor(url, ".meta");
    QFile meta(metaPath);
    if (!meta.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (meta.size() > maxMetaSize)
        return std::nullopt;
    QJsonParseError parseError;
    const QJsonObject object = QJsonDocument::fromJson(meta.readAll(), &parseError).object();
    meta.close();

    Entry entry;
    entry.bodyPath = pathFor(url, ".body");
    entry.etag = object.value(QLatin1String("etag")).toString().toLatin1();
    entry.lastModified = object.value(QLatin1String("lastModified")).toString().toLatin1();
    entry.size = qint64(object.value(QLatin1String("size")).toDouble(-1));
    entry.inode = quint64(object.value(QLatin1String("inode")).toString().toULongLong());
    entry.modifiedNs = object.value(QLatin1String("modifiedNs")).toString().toLongLong();
    entry.fingerprint = object.value(QLatin1String("fingerprint")).toString().toLatin1();
    const bool sameUrl = object.value(QLatin1String("url")).toString() == url.adjusted(QUrl::RemoveFragment).toString();
    if (parseError.error != QJsonParseError::NoError || !sameUrl
        || (entry.etag.isEmpty() && entry.lastModified.isEmpty()) || !matches(entry, entry.bodyPath)) {
        qCDebug(lcNet) << "cache entry unusable, dropped:" << url;
        QFile::remove(metaPath);
        QFile::remove(entry.bodyPath);
        return std::nullopt;
    }
    // The description's time stamp is the entry's last use.
    ::utimensat(AT_FDCWD, QFile::encodeName(metaPath).constData(), nullptr, 0);
    return entry;
}

bool UrlCache::store(const QUrl& url, const QString& file, const QByteArray& etag, const QByteArray& lastModified)
{
    struct stat info;
    if ((etag.isEmpty() && lastModified.isEmpty()) || !statFile(file, info) || info.st_size > maxBytes
        || !QDir().mkpath(m_folder)) {
        remove(url);
        return false;
    }
    // Link under a fresh name first, then rename over the old body, so a reader never sees half an entry.
    const QString bodyPath = pathFor(url, ".body");
    const QString pending = bodyPath + QLatin1String(".new");
    QFile::remove(pending);
    if (!linkOrCopy(file, pending)
        || ::rename(QFile::encodeName(pending).constData(), QFile::encodeName(bodyPath).constData()) != 0) {
        qCDebug(lcNet) << "cannot keep a copy of" << url << "in" << m_folder;
        QFile::remove(pending);
        remove(url);
        return false;
    }
    if (!statFile(bodyPath, info)) {
        remove(url);
        return false;
    }
    QJsonObject object;
    object.insert(QLatin1String("url"), url.adjusted(QUrl::RemoveFragment).toString());
    object.insert(QLatin1String("etag"), QString::fromLatin1(etag));
    object.insert(QLatin1String("lastModified"), QString::fromLatin1(lastModified));
    object.insert(QLatin1String("size"), double(info.st_size));
    // As text: JSON numbers are doubles and would round these.
    object.insert(QLatin1String("inode"), QString::number(quint64(info.st_ino)));
    object.insert(QLatin1String("modifiedNs"), QString::number(modifiedNs(info)));
    object.insert(QLatin1String("fingerprint"), QString::fromLatin1(fingerprint(bodyPath)));
    QSaveFile meta(pathFor(url, ".meta"));
    if (!meta.open(QIODevice::WriteOnly) || meta.write(QJsonDocument(object).toJson(QJsonDocument::Compact)) < 0
        || !meta.commit()) {
        remove(url);
        return false;
    }
    evict(QString::fromLatin1(keyOf(url)));
    return true;
}

bool UrlCache::checkout(const Entry& entry, const QString& target) const
{
    if (!matches(entry, entry.bodyPath) || !linkOrCopy(entry.bodyPath, target))
        return false;
    // The body could have been rewritten between the check and the link.
    struct stat info;
    if (!statFile(target, info) || info.st_size != entry.size || (info.st_ino == entry.inode && !sameFile(entry, info))
        || fingerprint(target) != entry.fingerprint) {
        QFile::remove(target);
        return false;
    }
    return true;
}

void UrlCache::remove(const QUrl& url)
{
    QFile::remove(pathFor(url, ".meta"));
    QFile::remove(pathFor(url, ".body"));
}

void UrlCache::evict(const QString& keepKey)
{
    struct Item {
        QString key;
        qint64 size;
        qint64 lastUse;
    };
    std::vector<Item> items;
    qint64 total = 0;
    QDir dir(m_folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QString key = name.section(u'.', 0, 0);
        const QString suffix = name.section(u'.', 1);
        struct stat meta;
        struct stat body;
        if (suffix == QLatin1String("meta")) {
            if (statFile(dir.filePath(name), meta) && statFile(dir.filePath(key + QLatin1String(".body")), body)) {
                items.push_back({ key, qint64(body.st_size), modifiedNs(meta) });
                total += body.st_size;
            } else {
                dir.remove(name);
            }
        } else if (suffix == QLatin1String("body")) {
            if (!QFile::exists(dir.filePath(key + QLatin1String(".meta"))))
                dir.remove(name);
        } else {
            // Left over from an interrupted store.
            dir.remove(name);
        }
    }
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.lastUse < b.lastUse; });
    int count = int(items.size());
    for (const Item& item : items) {
        if (total <= maxBytes && count <= maxEntries)
            break;
        if (item.key == keepKey)
            continue;
        dir.remove(item.key + QLatin1String(".meta"));
        dir.remove(item.key + QLatin1String(".body"));
        total -= item.size;
        --count;
    }
}
