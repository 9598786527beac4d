#include "core/net/AsyncRead.h"

#include "core/net/Network.h"
#include "core/outside/LogCategories.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryFile>

namespace {
constexpr qint64 chunkSize = 64 * 1024;

bool isSuccess(int status)
{
    return status >= 200 && status < 300;
}
} // namespace

AsyncRead::AsyncRead(QObject* parent)
    : QObject(parent)
{
}

AsyncRead::~AsyncRead()
{
    cancel();
}

void AsyncRead::failLater()
{
    // Later, so the owner sees the completion after start() returned, as for any other read.
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(
        this,
        [this, serial] {
            if (serial == m_serial)
                emit AsyncReadComplete(false);
        },
        Qt::QueuedConnection);
}

void AsyncRead::start(const QString& url)
{
    cancel();
    m_done.reset();
    m_url = QUrl(url, QUrl::StrictMode);
    m_received = 0;
    if (!Network::isFetchable(m_url)) {
        qCDebug(lcNet) << "not an address to read:" << url;
        failLater();
        return;
    }
    m_file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QLatin1String("/tabrazo-read-XXXXXX"));
    if (!m_file->open()) {
        qCDebug(lcNet) << "cannot create a temporary file:" << m_file->errorString();
        m_file.reset();
        failLater();
        return;
    }
    QNetworkRequest request = Network::request(m_url, m_stallTimeout);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Cache-Control", "no-cache");
    request.setRawHeader("Pragma", "no-cache");
    m_reply = Network::manager()->get(request);
    m_reply->setReadBufferSize(chunkSize * 4);
    connect(m_reply, &QNetworkReply::readyRead, this, &AsyncRead::readAvailable);
    connect(m_reply, &QNetworkReply::finished, this, &AsyncRead::finished);
}

void AsyncRead::cancel()
{
    ++m_serial;
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_file.reset();
}

std::unique_ptr<QTemporaryFile> AsyncRead::takeFile()
{
    return std::move(m_done);
}

void AsyncRead::readAvailable()
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (isSuccess(status) && length.isValid() && length.toLongLong() > m_sizeLimit) {
        qCDebug(lcNet) << m_url << "announces" << length.toLongLong() << "bytes, more than" << m_sizeLimit;
        complete(false);
        return;
    }
    char buffer[chunkSize];
    while (m_reply->bytesAvailable() > 0) {
        const qint64 n = m_reply->read(buffer, chunkSize);
        if (n <= 0)
            break;
        // An error page is not the picture; it is read only to be dropped.
        if (!isSuccess(status))
            continue;
        m_received += n;
        if (m_received > m_sizeLimit) {
            qCDebug(lcNet) << m_url << "is larger than" << m_sizeLimit << "bytes";
            complete(false);
            return;
        }
        if (m_file->write(buffer, n) != n) {
            qCDebug(lcNet) << "writing" << m_file->fileName() << "failed:" << m_file->errorString();
            complete(false);
            return;
        }
    }
}

void AsyncRead::finished()
{
    readAvailable();
    if (!m_reply)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    bool ok = m_reply->error() == QNetworkReply::NoError && isSuccess(status);
    if (!ok)
        qCDebug(lcNet) << m_url << "failed: status" << status << m_reply->errorString();
    if (ok && length.isValid() && m_received != length.toLongLong()) {
        qCDebug(lcNet) << m_url << "ended after" << m_received << "of" << length.toLongLong() << "bytes";
        ok = false;
    }
    if (ok && !m_file->flush())
        ok = false;
    complete(ok);
}

void AsyncRead::complete(bool ok)
{
    std::unique_ptr<QTemporaryFile> file = std::move(m_file);
    cancel();
    if (ok) {
        file->close();
        m_done = std::move(file);
    }
    emit AsyncReadComplete(ok);
}
