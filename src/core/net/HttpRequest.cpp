#include "core/net/HttpRequest.h"

#include "core/net/Network.h"
#include "core/outside/LogCategories.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

constexpr qint64 kReadBufferSize = 256 * 1024;

// WinHTTP error numbers, as the handlers of the request object know them.
enum WinHttpError {
    Timeout = 12002,
    InternalError = 12004,
    InvalidUrl = 12005,
    UnrecognizedScheme = 12006,
    NameNotResolved = 12007,
    OperationCancelled = 12017,
    CannotConnect = 12029,
    ConnectionError = 12030,
    InvalidServerResponse = 12152,
    RedirectFailed = 12156,
    SecureFailure = 12175,
};

int winHttpError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return CannotConnect;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return ConnectionError;
    case QNetworkReply::HostNotFoundError:
        return NameNotResolved;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return Timeout;
    case QNetworkReply::OperationCanceledError:
        return OperationCancelled;
    case QNetworkReply::SslHandshakeFailedError:
        return SecureFailure;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return RedirectFailed;
    case QNetworkReply::ProtocolUnknownError:
        return UnrecognizedScheme;
    case QNetworkReply::ProtocolFailure:
        return InvalidServerResponse;
    default:
        return InternalError;
    }
}

// Qt reports 4xx and 5xx answers as errors; for this object they are ordinary responses.
bool isStatusError(QNetworkReply::NetworkError error, int status)
{
    if (status < 400)
        return false;
    return (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError)
        || (error >= QNetworkReply::ProtocolInvalidOperationError && error < QNetworkReply::ProtocolFailure)
        || (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError)
        || error == QNetworkReply::ProxyAuthenticationRequiredError;
}

bool isFollowedRedirect(const QNetworkReply* reply, int status)
{
    return (status == 301 || status == 302 || status == 303 || status == 307 || status == 308)
        && reply->hasRawHeader("Location");
}
} // namespace

HttpRequest::HttpRequest(QObject* parent)
    : QObject(parent)
{
}

HttpRequest::~HttpRequest()
{
    release();
}

void HttpRequest::Open(const QString& Method, const QString& Url, bool Async)
{
    Abort();
    m_method = Method.toUpper().toLatin1();
    m_url = QUrl(Url, QUrl::StrictMode);
    m_async = Async;
    m_opened = true;
    m_started = false;
    m_status = 0;
    m_headers.clear();
    m_body.clear();
    m_expected = -1;
}

void HttpRequest::SetTimeouts(int, int, int, int ReceiveTimeout)
{
    m_receiveTimeout = qMax(0, ReceiveTimeout);
}

void HttpRequest::Send(const QByteArray& Body)
{
    if (!m_opened) {
        qCWarning(lcNet) << "HttpRequest::Send without Open";
        return;
    }
    release();
    m_started = false;
    m_status = 0;
    m_headers.clear();
    m_body.clear();
    m_expected = -1;

    if (!Network::isFetchable(m_url)) {
        // Raised later, as every other event is, so the caller's Send has returned first.
        const quint64 serial = m_serial;
        const int number = m_url.isValid() && !m_url.host().isEmpty() ? UnrecognizedScheme : InvalidUrl;
        QMetaObject::invokeMethod(
            this,
            [this, serial, number] {
                if (serial == m_serial)
                    raiseError(number, QStringLiteral("The URL is invalid"));
            },
            Qt::QueuedConnection);
        return;
    }

    const QNetworkRequest request = Network::request(m_url, m_receiveTimeout);
    if (m_method == "GET" && Body.isEmpty())
        m_reply = Network::manager()->get(request);
    else
        m_reply = Network::manager()->sendCustomRequest(request, m_method, Body);
    // Without a bound Qt reads a fast server's answer into memory as quickly as it arrives, long
    // before the body limit is checked here.
    m_reply->setReadBufferSize(kReadBufferSize);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &HttpRequest::responseStart);
    connect(m_reply, &QNetworkReply::readyRead, this, &HttpRequest::readData);
    connect(m_reply, &QNetworkReply::finished, this, &HttpRequest::replyFinished);

    if (!m_async) {
        QEventLoop loop;
        // Connected after replyFinished, so the events have been raised when the loop ends.
        connect(m_reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        connect(m_reply, &QObject::destroyed, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

void HttpRequest::Abort()
{
    release();
}

void HttpRequest::release()
{
    ++m_serial;
    if (!m_reply)
        return;
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    disconnect(reply, nullptr, this, nullptr);
    reply->abort();
    reply->deleteLater();
}

QString HttpRequest::GetResponseHeader(const QString& Header) const
{
    const QByteArray name = Header.toLatin1();
    for (const auto& [key, value] : m_headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(value);
    }
    return QString();
}

void HttpRequest::responseStart()
{
    if (sender() != m_reply)
        return;
    startIfReady();
}

// Raises OnResponseStart once the final response's headers are known. False when the handler ended the request.
bool HttpRequest::startIfReady()
{
    if (m_started)
        return true;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid() || isFollowedRedirect(m_reply, status.toInt()))
        return true;
    m_started = true;
    m_status = status.toInt();
    m_headers = m_reply->rawHeaderPairs();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    m_expected = length.isValid() ? length.toLongLong() : -1;
    if (m_expected > m_bodyLimit) {
        release();
        raiseError(InvalidServerResponse, QStringLiteral("The response is larger than %1 bytes").arg(m_bodyLimit));
        return false;
    }
    const quint64 serial = m_serial;
    emit OnResponseStart(m_status, QString::fromLatin1(m_reply->rawHeader("Content-Type")));
    return serial == m_serial;
}

void HttpRequest::readData()
{
    if (sender() != m_reply)
        return;
    if (!startIfReady())
        return;
    const QByteArray data = m_reply->readAll();
    if (data.isEmpty() || !append(data))
        return;
    emit OnResponseDataAvailable(data);
}

bool HttpRequest::append(const QByteArray& data)
{
    if (m_body.size() + data.size() > m_bodyLimit) {
        release();
        m_body.clear();
        raiseError(InvalidServerResponse, QStringLiteral("The response is larger than %1 bytes").arg(m_bodyLimit));
        return false;
    }
    m_body += data;
    return true;
}

void HttpRequest::replyFinished()
{
    if (sender() != m_reply)
        return;
    QNetworkReply* reply = m_reply;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError && !isStatusError(error, status)) {
        // A time-out in Qt is a cancel that nobody asked for.
        const int number = error == QNetworkReply::OperationCanceledError ? int(Timeout) : winHttpError(error);
        const QString description = reply->errorString();
        release();
        raiseError(number, description);
        return;
    }
    if (!startIfReady())
        return;
    const quint64 serial = m_serial;
    if (reply->bytesAvailable() > 0) {
        const QByteArray data = reply->readAll();
        if (!append(data))
            return;
        emit OnResponseDataAvailable(data);
        if (serial != m_serial)
            return;
    }
    const bool hasBody = m_method != "HEAD" && m_status >= 200 && m_status != 204 && m_status != 304;
    if (hasBody && m_expected >= 0 && m_body.size() < m_expected) {
        release();
        raiseError(ConnectionError,
            QStringLiteral("The connection was closed after %1 of %2 bytes").arg(m_body.size()).arg(m_expected));
        return;
    }
    release();
    emit OnResponseFinished();
}

void HttpRequest::raiseError(int number, const QString& description)
{
    qCDebug(lcNet) << m_url << "error" << number << description;
    emit OnError(number, description);
}
