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
#include <QTimer>

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
// Resumes after a broken answer, the first after this pause, each next one after twice the one before.
constexpr int maxResumes = 3;
constexpr int firstPauseMs = 250;

qint32 clamp32(qint64 value)
{
    return value > std::numeric_limits<qint32>::max() ? std::numeric_limits<qint32>::max() : qint32(value);
}

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}

struct ContentRange {
    qint64 first = 0;
    qint64 last = 0;
    qint64 total = -1; // "*": not told
};

// "bytes FIRST-LAST/TOTAL" of a 206 answer.
std::optional<ContentRange> parseContentRange(const QByteArray& value)
{
    const QByteArray text = value.trimmed();
    const qsizetype dash = text.indexOf('-');
    const qsizetype slash = text.indexOf('/');
    if (!text.startsWith("bytes ") || dash < 0 || slash < dash)
        return std::nullopt;
    ContentRange range;
    bool firstOk = false;
    bool lastOk = false;
    bool totalOk = true;
    range.first = text.mid(6, dash - 6).trimmed().toLongLong(&firstOk);
    range.last = text.mid(dash + 1, slash - dash - 1).toLongLong(&lastOk);
    const QByteArray total = text.mid(slash + 1);
    if (total != "*")
        range.total = total.toLongLong(&totalOk);
    if (!firstOk || !lastOk || !totalOk || range.first < 0 || range.last < range.first
        || (range.total >= 0 && range.last >= range.total))
        return std::nullopt;
    return range;
}
} // namespace

struct DownLoad::Transfer {
    explicit Transfer(const QString& folder)
        : folder(folder)
        , cache(folder + QLatin1String("/UrlCache"))
    {
        pause.setSingleShot(true);
    }
    ~Transfer() { closeFile(); }

    QString folder;
    UrlCache cache;
    QUrl url;
    QString tempPath;
    int fd = -1;
    QNetworkReply* reply = nullptr;
    std::optional<UrlCache::Entry> cached;
    // Bytes in the file, and the whole resource's size (-1: not announced).
    qint64 received = 0;
    qint64 expected = -1;
    // Where the running answer's body ends in the file; -1: where its connection ends.
    qint64 answerEnd = -1;
    qint64 reported = -1;
    bool retried = false;
    // The running reply's head was looked at, and its body is the resource's.
    bool answered = false;
    bool keep = false;
    int resumes = 0;
    QTimer pause;
    // Of the answer that began the body in the file: what the cache keeps, and what a resume must match.
    QByteArray etag;
    QByteArray lastModified;
    bool noStore = false;
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

    // The body starts over: the file is replaced by an empty one.
    bool restartFile()
    {
        closeFile();
        QFile::remove(tempPath);
        received = 0;
        return createTempFile();
    }

    // If-Range takes only a strong validator.
    QByteArray resumeValidator() const { return etag.isEmpty() || etag.startsWith("W/") ? lastModified : etag; }

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
    connect(&t->pause, &QTimer::timeout, this, &DownLoad::resume);
    startRequest(t->cached.has_value());
}

// Takes the running transfer away from the control: its reply says nothing more to this control.
std::unique_ptr<DownLoad::Transfer> DownLoad::detach()
{
    ++m_serial;
    std::unique_ptr<Transfer> t = std::move(m_transfer);
    t->pause.stop();
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
    // Only the rest, and only of the version the file holds; a server may still send the whole.
    if (t->received > 0) {
        request.setRawHeader("Range", "bytes=" + QByteArray::number(t->received) + '-');
        const QByteArray validator = t->resumeValidator();
        if (!validator.isEmpty())
            request.setRawHeader("If-Range", validator);
    }
    t->answered = false;
    t->keep = false;
    t->reply = Network::manager()->get(request);
    t->reply->setReadBufferSize(readBufferSize);
    connect(t->reply, &QNetworkReply::readyRead, this, &DownLoad::readAvailable);
    connect(t->reply, &QNetworkReply::finished, this, &DownLoad::finishReply);
}

// Decides what the body of an answer whose head has come is. False when the transfer ended here.
bool DownLoad::beginAnswer()
{
    Transfer* t = m_transfer.get();
    QNetworkReply* reply = t->reply;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    t->answered = true;
    // An error page is not the resource; read it only to let the connection go on.
    t->keep = isSuccess(status);
    if (!t->keep)
        return true;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    const qint64 bodyLength = length.isValid() ? length.toLongLong() : -1;
    const bool resumed = t->received > 0;
    if (resumed && status == 206) {
        const std::optional<ContentRange> range = parseContentRange(reply->rawHeader("Content-Range"));
        if (!range || range->first != t->received
            || (t->expected >= 0 && range->total >= 0 && range->total != t->expected)) {
            qCDebug(lcNet) << t->url << "resumed at" << t->received << "with" << reply->rawHeader("Content-Range");
            complete(false);
            return false;
        }
        if (range->total >= 0)
            t->expected = range->total;
        t->answerEnd = range->last + 1;
    } else if (resumed && status != 200) {
        qCDebug(lcNet) << t->url << "resumed at" << t->received << "with status" << status;
        complete(false);
        return false;
    } else {
        if (resumed && !t->restartFile()) {
            complete(false);
            return false;
        }
        t->expected = t->answerEnd = bodyLength;
        t->etag = reply->rawHeader("ETag");
        t->lastModified = reply->rawHeader("Last-Modified");
        t->noStore = reply->rawHeader("Cache-Control").toLower().contains("no-store");
    }
    if (qMax(t->expected, t->answerEnd) > m_sizeLimit) {
        qCDebug(lcNet) << t->url << "announces" << qMax(t->expected, t->answerEnd) << "bytes, more than" << m_sizeLimit;
        complete(false);
        return false;
    }
    return true;
}

// Moves what has arrived to the file. False when the transfer ended here (disk error).
bool DownLoad::drain()
{
    Transfer* t = m_transfer.get();
    QNetworkReply* reply = t->reply;
    if (!t->answered && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() && !beginAnswer())
        return false;
    if (t->buffer.isEmpty())
        t->buffer.resize(chunkSize);
    char* const buffer = t->buffer.data();
    while (reply->bytesAvailable() > 0) {
        const qint64 n = reply->read(buffer, chunkSize);
        if (n <= 0)
            break;
        if (!t->keep)
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
    // After a restart from zero, the count climbs again through what was already reported.
    if (t->received <= t->reported)
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

    // A connection that breaks once the whole announced body is in has spoilt nothing.
    const bool whole = t->keep && t->answerEnd >= 0 && t->received == t->answerEnd;
    bool ok = (reply->error() == QNetworkReply::NoError || whole) && isSuccess(status);
    if (!ok)
        qCDebug(lcNet) << t->url << "failed: status" << status << reply->errorString();
    if (ok && t->answerEnd >= 0 && !whole) {
        qCDebug(lcNet) << t->url << "ended after" << t->received << "of" << t->answerEnd << "bytes";
        ok = false;
    }
    if (!ok && t->keep && resumeLater())
        return;
    // Delayed write errors (quota, network file systems) only show when closing.
    if (ok && !t->closeFile()) {
        qCDebug(lcNet) << "closing" << t->tempPath << "failed:" << strerror(errno);
        ok = false;
    }
    if (ok) {
        if (t->noStore)
            t->cache.remove(t->url);
        else
            t->cache.store(t->url, t->tempPath, t->etag, t->lastModified);
    }
    complete(ok);
}

// Asks again, after a pause, for what a broken answer did not bring. False when the tries are spent.
bool DownLoad::resumeLater()
{
    Transfer* t = m_transfer.get();
    if (t->resumes >= maxResumes)
        return false;
    const int pauseMs = firstPauseMs << t->resumes;
    ++t->resumes;
    qCDebug(lcNet) << t->url << "broke off at" << t->received << "bytes; resuming in" << pauseMs << "ms";
    disconnect(t->reply, nullptr, this, nullptr);
    t->reply->deleteLater();
    t->reply = nullptr;
    t->pause.start(pauseMs);
    return true;
}

void DownLoad::resume()
{
    if (m_transfer)
        startRequest(false);
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
