#include "core/catalogue/CatalogueRefresh.h"

#include "core/catalogue/VersionFile.h"
#include "core/net/DownLoad.h"
#include "core/net/HttpRequest.h"
#include "core/outside/AnsiCodec.h"
#include "core/outside/Files.h"
#include "core/outside/LogCategories.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFiles.h"
#include "core/outside/ServerAddresses.h"
#include "core/outside/wt.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#include <utility>

namespace {
const char* const kVersionPath = "/flashxmlfile/version.xml";
const char* const kNoticePath = "/ad1.txt";

QString programFile(const QString& name)
{
    return ProgramFiles::path(name);
}
} // namespace

const QString CatalogueRefresh::VersionNode = QStringLiteral("/root/data/version");
const QString CatalogueRefresh::UpdateUrlNode = QStringLiteral("/root/data/updateurl");

CatalogueRefresh::CatalogueRefresh(DownLoad* catalogueDownload, DownLoad* noticeDownload, QObject* parent)
    : QObject(parent)
    , m_catalogueDownload(catalogueDownload)
    , m_noticeDownload(noticeDownload)
    , m_patience(new QTimer(this))
{
    m_patience->setSingleShot(true);
    m_patience->setInterval(2000);
    connect(m_patience, &QTimer::timeout, this, &CatalogueRefresh::showCached);
}

void CatalogueRefresh::BeginDQsL()
{
    m_showingCached = false;
    m_patience->start();
    m_request->Open(QStringLiteral("GET"), ServerAddresses::onMainSite(QString::fromLatin1(kVersionPath)), true);
    m_request->Send();
}

void CatalogueRefresh::XMLSL_OnResponseStart(int, const QString&)
{
    m_contentLength = 0;
    m_receivedBytes = 0;
    bool ok = false;
    const qint64 length = m_request->GetResponseHeader(QStringLiteral("Content-Length")).trimmed().toLongLong(&ok);
    if (ok)
        m_contentLength = length;
}

void CatalogueRefresh::XMLSL_OnResponseDataAvailable(const QByteArray& Data)
{
    if (m_contentLength != 0) {
        m_receivedBytes += Data.size();
        return;
    }
    if (m_spinner < 1 || m_spinner > 3)
        m_spinner = 1;
    static const char16_t marks[] = { u'－', u'＼', u'／' };
    emit SpinnerMark(QChar(marks[m_spinner - 1]));
    ++m_spinner;
}

void CatalogueRefresh::XMLSL_OnResponseFinished()
{
    m_patience->stop();
    // The response goes through the ANSI code page and back, as text.
    const QByteArray bytes = AnsiCodec::encode(AnsiCodec::decode(m_request->ResponseBody()));
    const QString serverFile = programFile(ProgramFiles::ServerVersion);
    writeFile(serverFile, bytes);
    const QString localFile = programFile(ProgramFiles::CachedVersion);
    const bool newer = IsServerVersionNewer(serverFile, VersionNode, localFile, VersionNode);

    if (!QFile::exists(programFile(ProgramFiles::Catalogue))) {
        // A folder that never had a version file learns the catalogue's address from the server's;
        // that file then belongs to the catalogue, or the next start would fetch it all again.
        bool fromServer = false;
        const QString address = catalogueAddress(&fromServer);
        m_fetchingVersionFile = fromServer ? bytes : QByteArray();
        fetchCatalogue(address);
    } else if (newer) {
        m_fetchingVersionFile = bytes;
        fetchCatalogue(catalogueAddress(nullptr));
    } else {
        showCached();
    }

    m_request->Abort();
    emit VersionRequestEnded();
    emit VersionChecked();
}

void CatalogueRefresh::XMLSL_OnError(int ErrorNumber, const QString& ErrorDescription)
{
    // Nothing to compare with: the lists show what is cached, as when the server is not newer.
    qCDebug(lcCatalogue) << "version request failed" << ErrorNumber << ErrorDescription;
    m_patience->stop();
    showCached();
    emit VersionRequestEnded();
}

void CatalogueRefresh::BeginSJlistSJ()
{
    fetchCatalogue(catalogueAddress(nullptr));
}

void CatalogueRefresh::fetchCatalogue(const QString& address)
{
    m_catalogueDownload->OpenUrl(address);
    // The old catalogue, or nothing, shows while the new one comes.
    showCached();
}

void CatalogueRefresh::showCached()
{
    // Shown again, the lists would lose the row the user has chosen meanwhile.
    if (std::exchange(m_showingCached, true))
        return;
    emit LoadCatalogue(programFile(ProgramFiles::Catalogue));
}

QString CatalogueRefresh::catalogueAddress(bool* fromServer) const
{
    // The cached version file names the address when it has one: the catalogue stays where the
    // program has always found it.
    const QString local = readVersionNode(programFile(ProgramFiles::CachedVersion), UpdateUrlNode).trimmed();
    if (fromServer)
        *fromServer = local.isEmpty();
    if (!local.isEmpty())
        return local;
    return readVersionNode(programFile(ProgramFiles::ServerVersion), UpdateUrlNode).trimmed();
}

bool CatalogueRefresh::IsServerVersionNewer(
    const QString& serverFile, const QString& serverPath, const QString& localFile, const QString& localPath)
{
    const QString server = readVersionNode(serverFile, serverPath);
    const QString local = readVersionNode(localFile, localPath);
    return VersionFile::IsNewer(server, local);
}

QString CatalogueRefresh::readVersionNode(const QString& path, const QString& xpath) const
{
    // A folder without the file has simply not learned a version yet; that is no error to show.
    if (!QFileInfo::exists(path))
        return {};
    QString error;
    const QString text = VersionFile::ReadXmlNodeText(path, xpath, &error);
    if (!error.isEmpty())
        MessageBox::show(error);
    return text;
}

void CatalogueRefresh::UpdateSLing_DownloadComplete(bool hasError, const QString& szPath)
{
    if (hasError) {
        m_fetchingVersionFile.clear();
        emit CatalogueFailed();
        return;
    }
    // Only a catalogue goes in: an error page, an empty or cut-off answer would replace the user's
    // lists for good, as the version file would then say they are current. The next start tries again.
    Catalogue downloaded;
    if (!downloaded.load(szPath)) {
        qCWarning(lcCatalogue) << "the downloaded catalogue holds no game; the old one stays";
        QFile::remove(szPath);
        m_fetchingVersionFile.clear();
        emit CatalogueFailed();
        return;
    }
    // Renaming over the old catalogue replaces it in one step: a crash can never leave the
    // program without a catalogue, as deleting it first could.
    if (!Files::replaceAtomically(szPath, programFile(ProgramFiles::Catalogue))) {
        QFile::remove(szPath);
        m_fetchingVersionFile.clear();
        emit CatalogueFailed();
        return;
    }
    if (!m_fetchingVersionFile.isEmpty())
        writeFile(programFile(ProgramFiles::CachedVersion), std::exchange(m_fetchingVersionFile, QByteArray()));
    emit CatalogueInstalled(downloaded);
}

void CatalogueRefresh::BeginNotice()
{
    const QPointer<CatalogueRefresh> alive(this);
    wt().Wait(5000);
    if (!alive || m_stopped)
        return;
    m_noticeDownload->OpenUrl(ServerAddresses::onNoticeServer(QString::fromLatin1(kNoticePath)));
}

void CatalogueRefresh::ADDOWNLOAD_DownloadComplete(bool hasError, const QString& szPath)
{
    if (hasError)
        return;
    // An existing settings file keeps its notices; the fresh copy is then of no use.
    if (!Files::moveWithoutReplacing(szPath, programFile(ProgramFiles::Settings)))
        QFile::remove(szPath);
    emit NoticeArrived();
}

void CatalogueRefresh::writeFile(const QString& path, const QByteArray& bytes) const
{
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        qCDebug(lcCatalogue) << "cannot write" << path << out.errorString();
}
