#include "core/net/DownLoad.h"

#include "core/net/Network.h"
#include "core/net/UrlCache.h"
#include "core/outside/LogCategories.h"
#include "core/outside/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What Qt may hold of a body before it stops reading the socket; keeps memory flat on big files.
// Qt keeps about three such buffers between its network thread and ours; below 3 MB the network
// thread waits for ours too often to keep up with curl on loopback.
constexpr qint64 readBufferSize = 3 * 1024 * 1024;
constexpr qint64 chunkSize = 256 * 1024;

qint32 clamp32(qint64 value)
{
    return value > std::numeric_limits<qint32>::max() ? std::numeric_limits<qint32>::max() : qint32(value);
}

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}
} // namespace

struct DownLoad::Transfer {
    explicit Transfer(const QString& folder)
        : folder(folder)
        , cache(folder + QLatin1String("/UrlCache"))
    {
    }
    ~Transfer() { closeFile(); }

    QString folder;
    UrlCache cache;
    QUrl url;
    QString tempPath;
    int fd = -1;
    QNetworkReply* reply = nullptr;
    std::optional<UrlCache::Entry> cached;
    qint64 received = 0;
    qint64 expected = -1;
    qint64 reported = -1;
    bool retried = false;
    QByteArray buffer;

    // A fresh file in the program folder, so that the owner's move never crosses file systems.
    bool createTempFile()
    {
        closeFile();
        QByteArray name = QFile::encodeName(folder + QLatin1String("/.dl-XXXXXX"));
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            qCDebug(lcNet) << "cannot create a temporary file in" << folder << ":" << strerror(errno);
            tempPath.clear();
            return false;
        }
        // The owner moves the file into place as it is; give it the usual permissions, not mkostemp's 0600.
        ::fchmod(fd, 0644);
        tempPath = QFile::decodeName(name);
        return true;
    }

    bool write(const char* data, qint64 size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size_t(size));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                qCDebug(lcNet) << "writing" << tempPath << "failed:" << strerror(n < 0 ? errno : ENOSPC);
                return false;
            }
            data += n;
            size -= n;
        }
        return true;
    }

    bool closeFile()
    {
        if (fd < 0)
            return true;
        const bool ok = ::close(fd) == 0;
        fd = -1;
        return ok;
    }
};

DownLoad::DownLoad(QObject* parent)
    : QObject(parent)
{
}

DownLoad::~DownLoad()
{
    Cancel();
}

void DownLoad::OpenUrl(const QString& szUrl)
{
    Cancel();
    m_transfer = std::make_unique<Transfer>(ProgramFolder::path());
    Transfer* t = m_transfer.get();
    t->url = QUrl(szUrl, QUrl::StrictMode);
    if (!Network::isFetchable(t->url)) {
        qCDebug(lcNet) << "not an address to fetch:" << szUrl;
        fail();
        return;
    }
    if (!t->createTempFile()) {
        fail();
        return;
    }
    t->cached = t->cache.lookup(t->url);
    startRequest(t->cached.has_value());
}

// Takes the running transfer away from the control: its reply says nothing more to this control.
std::unique_ptr<DownLoad::Transfer> DownLoad::detach()
{
    ++m_serial;
    std::unique_ptr<Transfer> t = std::move(m_transfer);
    if (t->reply) {
        disconnect(t->reply, nullptr, this, nullptr);
        t->reply->abort();
        t->reply->deleteLater();
    }
    return t;
}

void DownLoad::Cancel()
{
    if (!m_transfer)
        return;
    std::unique_ptr<Transfer> t = detach();
    t->closeFile();
    if (!t->tempPath.isEmpty())
        QFile::remove(t->tempPath);
}

void DownLoad::startRequest(bool conditional)
{
    Transfer* t = m_transfer.get();
    QNetworkRequest request = Network::request(t->url, m_stallTimeout);
    if (conditional) {
        if (!t->cached->etag.isEmpty())
            request.setRawHeader("If-None-Match", t->cached->etag);
        if (!t->cached->lastModified.isEmpty())
            request.setRawHeader("If-Modified-Since", t->cached->lastModified);
    } else {
        t->cached.reset();
    }
    t->reply = Network::manager()->get(request);
    t->reply->setReadBufferSize(readBufferSize);
    connect(t->reply, &QNetworkReply::readyRead, this, &DownLoad::readAvailable);
    connect(t->reply, &QNetworkReply::finished, this, &DownLoad::finishReply);
}

// Moves what has arrived to the file. False when the transfer ended here (disk error).
bool DownLoad::drain()
{
    Transfer* t = m_transfer.get();
    QNetworkReply* reply = t->reply;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    t->expected = length.isValid() ? length.toLongLong() : -1;
    // An error page is not the resource; read it only to let the connection go on.
    const bool keep = isSuccess(status);
    if (keep && t->expected > m_sizeLimit) {
        qCDebug(lcNet) << t->url << "announces" << t->expected << "bytes, more than" << m_sizeLimit;
        complete(false);
        return false;
    }
    if (t->buffer.isEmpty())
        t->buffer.resize(chunkSize);
    char* const buffer = t->buffer.data();
    while (reply->bytesAvailable() > 0) {
        const qint64 n = reply->read(buffer, chunkSize);
        if (n <= 0)
            break;
        if (!keep)
            continue;
        if (t->received + n > m_sizeLimit) {
            qCDebug(lcNet) << t->url << "is larger than" << m_sizeLimit << "bytes";
            complete(false);
            return false;
        }
        if (!t->write(buffer, n)) {
            complete(false);
            return false;
        }
        t->received += n;
    }
    return true;
}

void DownLoad::readAvailable()
{
    if (!m_transfer || sender() != m_transfer->reply)
        return;
    if (drain())
        emitProgress();
}

void DownLoad::emitProgress()
{
    Transfer* t = m_transfer.get();
    if (t->received == t->reported)
        return;
    t->reported = t->received;
    emit DownloadProgress(clamp32(t->received), clamp32(qMax<qint64>(t->expected, 0)));
}

void DownLoad::finishReply()
{
    if (!m_transfer || sender() != m_transfer->reply)
        return;
    if (!drain())
        return;
    const quint64 serial = m_serial;
    emitProgress();
    if (serial != m_serial)
        return;

    Transfer* t = m_transfer.get();
    QNetworkReply* reply = t->reply;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 304 && t->cached) {
        t->closeFile();
        QFile::remove(t->tempPath);
        if (t->cache.checkout(*t->cached, t->tempPath)) {
            t->received = t->expected = t->cached->size;
            emitProgress();
            if (serial == m_serial)
                complete(true);
            return;
        }
        // The cached copy changed after the question was asked: ask again for the whole resource.
        if (!t->retried && t->createTempFile()) {
            t->retried = true;
            t->cache.remove(t->url);
            disconnect(reply, nullptr, this, nullptr);
            reply->deleteLater();
            startRequest(false);
            return;
        }
        complete(false);
        return;
    }

    bool ok = reply->error() == QNetworkReply::NoError && isSuccess(status);
    if (!ok)
        qCDebug(lcNet) << t->url << "failed: status" << status << reply->errorString();
    if (ok && t->expected >= 0 && t->received != t->expected) {
        qCDebug(lcNet) << t->url << "ended after" << t->received << "of" << t->expected << "bytes";
        ok = false;
    }
    // Delayed write errors (quota, network file systems) only show when closing.
    if (ok && !t->closeFile()) {
        qCDebug(lcNet) << "closing" << t->tempPath << "failed:" << strerror(errno);
        ok = false;
    }
    if (ok) {
        if (reply->rawHeader("Cache-Control").toLower().contains("no-store"))
            t->cache.remove(t->url);
        else
            t->cache.store(t->url, t->tempPath, reply->rawHeader("ETag"), reply->rawHeader("Last-Modified"));
    }
    complete(ok);
}

void DownLoad::fail()
{
    // Later, so that the owner sees the completion as for any other transfer, after OpenUrl returned.
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial == m_serial && m_transfer)
                complete(false);
        },
        Qt::QueuedConnection);
}

void DownLoad::complete(bool ok)
{
    std::unique_ptr<Transfer> t = detach();
    QString path;
    if (!t->closeFile())
        ok = false;
    if (ok)
        path = t->tempPath;
    else if (!t->tempPath.isEmpty())
        QFile::remove(t->tempPath);
    emit DownloadComplete(!ok, path);
}

void DownLoad::RemoveLeftovers()
{
    QDir folder(ProgramFolder::path());
    const QStringList names = folder.entryList({ QStringLiteral(".dl-*") }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        folder.remove(name);
}
