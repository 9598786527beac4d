#pragma once

#include <QObject>
#include <QString>

#include <memory>

// Fetches one address at a time into a temporary file in the program folder and hands the file to
// the owner, who moves it into place. The body streams to disk and is never held in memory.
// Copies already fetched are revalidated with the server and not transferred again when unchanged.
// An answer that breaks off once it has begun is resumed where it stopped, a few times after short
// pauses; a server that does not answer, or answers with an error, fails the transfer at once.
class DownLoad : public QObject {
    Q_OBJECT

public:
    explicit DownLoad(QObject* parent = nullptr);
    ~DownLoad() override;

    // Abandons the running transfer, if any, without a completion, then starts szUrl.
    void OpenUrl(const QString& szUrl);
    void Cancel();

    // Removes the temporary files that transfers of an earlier run left behind when that run
    // was killed. Only the one running copy of the program may call it.
    static void RemoveLeftovers();

    // A transfer that receives nothing for this long fails (0: wait forever).
    void setStallTimeout(int milliSeconds) { m_stallTimeout = milliSeconds; }

    // The most bytes one file may have: a larger or endless answer fails, and its temporary file
    // goes, before it can fill the disk.
    void setSizeLimit(qint64 bytes) { m_sizeLimit = bytes; }

signals:
    // bytesMax is 0 when the server announced no length; both values stop at 2^31 - 1.
    void DownloadProgress(qint32 BytesRead, qint32 bytesMax);
    // Exactly once per started transfer. szPath belongs to the receiver; it is empty on error.
    void DownloadComplete(bool hasError, QString szPath);

private:
    struct Transfer;

    std::unique_ptr<Transfer> detach();
    void startRequest(bool conditional);
    bool beginAnswer();
    bool drain();
    void readAvailable();
    void finishReply();
    bool resumeLater();
    void resume();
    void fail();
    void complete(bool ok);
    void emitProgress();

    std::unique_ptr<Transfer> m_transfer;
    // Changes whenever a transfer ends, so a handler that started a new one inside an event is noticed.
    quint64 m_serial = 0;
    int m_stallTimeout = 60000;
    qint64 m_sizeLimit = qint64(1) << 30;
};
