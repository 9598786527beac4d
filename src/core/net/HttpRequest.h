#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

class QNetworkReply;

// An HTTP request with the events of the Windows request object: OnResponseStart once the headers
// are in, OnResponseDataAvailable per block, then OnResponseFinished; or OnError when the transfer
// itself fails. The HTTP status is the caller's business: an error page finishes normally.
// Error numbers are the WinHTTP ones (12029 cannot connect, 12030 connection broken, 12002 time-out, ...).
class HttpRequest : public QObject {
    Q_OBJECT

public:
    explicit HttpRequest(QObject* parent = nullptr);
    ~HttpRequest() override;

    // Forgets the previous request and response. Async false makes Send return only at the end,
    // with the events raised all the same.
    void Open(const QString& Method, const QString& Url, bool Async = true);
    void Send(const QByteArray& Body = QByteArray());
    // Stops the transfer without raising events; the request can be opened again.
    void Abort();
    // Only the receive time-out is honoured: the longest time without any data.
    void SetTimeouts(int ResolveTimeout, int ConnectTimeout, int SendTimeout, int ReceiveTimeout);

    // The most body bytes a response may bring; more is an error of the request (12152), so an
    // endless answer can never fill the memory. 1 MiB unless set: the request fetches small files.
    void setBodyLimit(qint64 bytes) { m_bodyLimit = bytes; }

    // Empty when the response has no such header.
    QString GetResponseHeader(const QString& Header) const;
    QByteArray ResponseBody() const { return m_body; }
    // 0 before a response has started.
    int Status() const { return m_status; }

signals:
    void OnResponseStart(int Status, QString ContentType);
    void OnResponseDataAvailable(QByteArray Data);
    void OnResponseFinished();
    void OnError(int ErrorNumber, QString ErrorDescription);

private:
    void responseStart();
    bool startIfReady();
    void readData();
    void replyFinished();
    void release();
    void raiseError(int number, const QString& description);
    // Takes data into the body; false (the request ended with an error) past the limit.
    bool append(const QByteArray& data);

    QNetworkReply* m_reply = nullptr;
    QByteArray m_method;
    QUrl m_url;
    bool m_opened = false;
    bool m_async = true;
    int m_receiveTimeout = 30000;
    qint64 m_bodyLimit = 1 << 20;

    bool m_started = false;
    int m_status = 0;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QByteArray m_body;
    qint64 m_expected = -1;
    // Changes when a transfer ends or is dropped, so that handlers which reopen the request are noticed.
    quint64 m_serial = 0;
};
