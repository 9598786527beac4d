#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

class QNetworkReply;
class QTemporaryFile;

// Reads one address at a time into a temporary file of the system's temporary folder, always
// from the server (never a cached copy). A new read abandons the running one. The body streams to
// the file and stops at a size limit, so a hostile or endless answer costs neither memory nor disk.
class AsyncRead : public QObject {
    Q_OBJECT

public:
    explicit AsyncRead(QObject* parent = nullptr);
    ~AsyncRead() override;

    void start(const QString& url);
    void cancel();
    bool isRunning() const { return m_reply != nullptr; }

    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }
    // A read that receives nothing for this long fails.
    void setStallTimeout(int milliSeconds) { m_stallTimeout = milliSeconds; }

    // The file of the read that completed last; the caller owns it, and it is removed when deleted.
    std::unique_ptr<QTemporaryFile> takeFile();

signals:
    // Once per started read, unless a new read or cancel() came first.
    void AsyncReadComplete(bool ok);

private:
    void readAvailable();
    void finished();
    void complete(bool ok);
    void failLater();

    QNetworkReply* m_reply = nullptr;
    std::unique_ptr<QTemporaryFile> m_file;
    std::unique_ptr<QTemporaryFile> m_done;
    QUrl m_url;
    qint64 m_received = 0;
    qint64 m_sizeLimit = 8 * 1024 * 1024;
    int m_stallTimeout = 30000;
    // Changes whenever a read is abandoned, so a failure reported later is dropped with it.
    quint64 m_serial = 0;
};
