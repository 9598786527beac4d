#pragma once

#include "core/catalogue/Catalogue.h"

#include <QByteArray>
#include <QChar>
#include <QObject>
#include <QString>

class DownLoad;
class HttpRequest;
class QTimer;

// Keeps the cached catalogue current: asks the server for its version file, fetches a newer or
// missing catalogue, checks it and installs it, and fetches the notice file once the check is over.
// It owns none of the transfers and shows nothing: the main window passes the events of its request
// object and download controls on, and shows what the signals say.
class CatalogueRefresh : public QObject {
    Q_OBJECT

public:
    CatalogueRefresh(DownLoad* catalogueDownload, DownLoad* noticeDownload, QObject* parent = nullptr);
    // The request object the version file is asked for with.
    void setVersionRequest(HttpRequest* request) { m_request = request; }

    void BeginDQsL();
    void BeginSJlistSJ();
    // The version files' comparison. A file that is there but does not load shows the parser's
    // message; a missing local file is the empty version, said nothing of.
    bool IsServerVersionNewer(
        const QString& serverFile, const QString& serverPath, const QString& localFile, const QString& localPath);

    void XMLSL_OnResponseStart(int Status, const QString& ContentType);
    void XMLSL_OnResponseDataAvailable(const QByteArray& Data);
    void XMLSL_OnResponseFinished();
    void XMLSL_OnError(int ErrorNumber, const QString& ErrorDescription);
    void UpdateSLing_DownloadComplete(bool hasError, const QString& szPath);
    void ADDOWNLOAD_DownloadComplete(bool hasError, const QString& szPath);

    // After the pause that follows the version check, the notice file is asked for.
    void BeginNotice();
    // Nothing more is started: the program is ending.
    void stop() { m_stopped = true; }

    static const QString VersionNode;
    static const QString UpdateUrlNode;

signals:
    // One more mark of the progress of a version answer that announced no length.
    void SpinnerMark(QChar mark);
    // The lists are to show the catalogue file at path (which may not exist: then they are empty).
    void LoadCatalogue(const QString& path);
    // A downloaded catalogue passed its check and is now the cached one.
    void CatalogueInstalled(const Catalogue& catalogue);
    // The catalogue download failed or its file was refused; the cached catalogue stays.
    void CatalogueFailed();
    // The server's version file has been read: the settings are reloaded, then BeginNotice follows.
    void VersionChecked();
    // The version request is over, answered or not.
    void VersionRequestEnded();
    // A notice file came; the settings file holds notices (its own or the new ones).
    void NoticeArrived();

private:
    QString readVersionNode(const QString& path, const QString& xpath) const;
    // The lists show the cached catalogue, unless they already do since this request began.
    void showCached();
    // The address of the catalogue to fetch; fromServer tells whether the server's version file named it.
    QString catalogueAddress(bool* fromServer) const;
    void fetchCatalogue(const QString& address);
    void writeFile(const QString& path, const QByteArray& bytes) const;

    HttpRequest* m_request = nullptr;
    DownLoad* m_catalogueDownload;
    DownLoad* m_noticeDownload;

    qint64 m_contentLength = 0;
    qint64 m_receivedBytes = 0;
    // Lasts for the life of the process, across requests.
    int m_spinner = 0;
    // The server's version file of the catalogue being fetched; it becomes the cached version
    // file only once that catalogue is installed, so a failed download is tried again next time.
    QByteArray m_fetchingVersionFile;
    bool m_stopped = false;
    // A server that takes the request and says nothing keeps the request open for its whole
    // time-out; meanwhile the lists show what is cached rather than nothing.
    QTimer* m_patience;
    bool m_showingCached = false;
};
