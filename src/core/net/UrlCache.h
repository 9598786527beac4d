#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// Copies of downloaded resources with their validators, so a download can be revalidated with a
// conditional GET and a 304 answered from disk. Each entry is a body and a small description
// next to it; the body is a hard link to the file that was handed out, so storing costs no copy.
// Since the handed-out file may be edited in place later, an entry only counts while its body
// is still the same file with the size, modification time and head and tail bytes recorded when
// it was stored (the time alone misses edits made within one clock tick of the download).
class UrlCache {
public:
    struct Entry {
        QString bodyPath;
        QByteArray etag;
        QByteArray lastModified;
        qint64 size = 0;
        // Identity of the body when stored.
        quint64 inode = 0;
        qint64 modifiedNs = 0;
        QByteArray fingerprint;
    };

    explicit UrlCache(const QString& folder);

    // The usable entry for url, or nothing when there is none or it no longer matches its body.
    std::optional<Entry> lookup(const QUrl& url) const;

    // Keeps file (which stays where it is) as the cached copy of url. Returns false when it is not kept.
    bool store(const QUrl& url, const QString& file, const QByteArray& etag, const QByteArray& lastModified);

    // Makes target (which must not exist) a file with the entry's content; false when the entry
    // went stale in the meantime or the file cannot be made.
    bool checkout(const Entry& entry, const QString& target) const;

    void remove(const QUrl& url);

    // Bounds on the whole cache; the least recently used entries go first.
    static void setLimits(qint64 maxBytes, int maxEntries);

private:
    QString pathFor(const QUrl& url, const char* suffix) const;
    void evict(const QString& keepKey);

    QString m_folder;
};
