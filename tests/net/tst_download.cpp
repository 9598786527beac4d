#include "ContentServer.h"

#include "net/DownLoad.h"
#include "net/UrlCache.h"
#include "outside/ProgramFolder.h"
#include "widgets/wt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

class TestDownload : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void deliversTheWholeFile();
    void faultyTransfers_data();
    void faultyTransfers();
    void newOpenUrlAbandonsTheRunningTransfer_data();
    void newOpenUrlAbandonsTheRunningTransfer();
    void cancelRaisesNoCompletion();
    void handlersMayStartAndWait();
    void stalledTransferTimesOut();
    void unusableStartsCompleteOnceWithError();
    void diskErrorFailsAndRemovesTheFile();
    void fourAtOnce();
    void revalidatesWithoutTransferringTheBody();
    void ownerEditingTheFileDoesNotCorruptTheCache();
    void damagedCacheIsIgnored();

private:
    void writeFile(const QString& name, const QByteArray& data);
    // The completion's arguments, after waiting for exactly one.
    QList<QVariant> waitForCompletion(QSignalSpy& spy);
    QStringList tempFiles() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ContentServer> m_server;
    QString m_root;
    QString m_program;
};

void TestDownload::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->filePath(QStringLiteral("site"));
    m_program = m_dir->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(m_root));
    QVERIFY(QDir().mkpath(m_program));
    ProgramFolder::setOverride(m_program);
    m_server = std::make_unique<ContentServer>();
    QVERIFY(m_server->start(m_root));
}

void TestDownload::cleanup()
{
    m_server.reset();
    m_dir.reset();
    ProgramFolder::setOverride(QString());
}

void TestDownload::writeFile(const QString& name, const QByteArray& data)
{
    QFile file(m_root + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(data), data.size());
}

QList<QVariant> TestDownload::waitForCompletion(QSignalSpy& spy)
{
    if (spy.isEmpty() && !spy.wait(20000))
        return {};
    // A second completion would arrive right behind the first.
    QTest::qWait(50);
    if (spy.size() != 1)
        return {};
    return spy.first();
}

QStringList TestDownload::tempFiles() const
{
    return QDir(m_program).entryList({ QStringLiteral(".dl-*") }, QDir::Files | QDir::Hidden);
}

void TestDownload::deliversTheWholeFile()
{
    const QByteArray data = ContentServer::randomBytes(3 * 1024 * 1024 + 17);
    writeFile(QStringLiteral("game.swf"), data);

    DownLoad download;
    QSignalSpy progress(&download, &DownLoad::DownloadProgress);
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(m_server->url(QStringLiteral("/game.swf")));
    QVERIFY(complete.isEmpty());
    const QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.size(), 2);
    QCOMPARE(result.at(0).toBool(), false);

    const QString path = result.at(1).toString();
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(m_program).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == data);

    QVERIFY(!progress.isEmpty());
    qint32 last = 0;
    for (const QList<QVariant>& report : progress) {
        QVERIFY(report.at(0).toInt() >= last);
        QCOMPARE(report.at(1).toInt(), data.size());
        last = report.at(0).toInt();
    }
    QCOMPARE(last, data.size());
}

void TestDownload::faultyTransfers_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<bool>("hasError");
    QTest::newRow("no length") << QStringLiteral("nolength") << false;
    QTest::newRow("cut short") << QStringLiteral("cut") << true;
    QTest::newRow("404") << QStringLiteral("404") << true;
    QTest::newRow("500") << QStringLiteral("500") << true;
    QTest::newRow("reset") << QStringLiteral("reset") << true;
}

void TestDownload::faultyTransfers()
{
    QFETCH(QString, mode);
    QFETCH(bool, hasError);
    const QByteArray data = ContentServer::randomBytes(512 * 1024);
    writeFile(QStringLiteral("file.bin"), data);
    QVERIFY(m_server->setFault(QStringLiteral("/file.bin"), mode));

    DownLoad download;
    QSignalSpy progress(&download, &DownLoad::DownloadProgress);
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(m_server->url(QStringLiteral("/file.bin")));
    const QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.size(), 2);
    QCOMPARE(result.at(0).toBool(), hasError);
    if (hasError) {
        QVERIFY(result.at(1).toString().isEmpty());
        QVERIFY(tempFiles().isEmpty());
    } else {
        QFile file(result.at(1).toString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == data);
        QVERIFY(!progress.isEmpty());
        for (const QList<QVariant>& report : progress)
            QCOMPARE(report.at(1).toInt(), 0);
    }
}

void TestDownload::newOpenUrlAbandonsTheRunningTransfer_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("stalled") << QStringLiteral("stall");
    QTest::newRow("still sending") << QStringLiteral("slow:200000");
}

void TestDownload::newOpenUrlAbandonsTheRunningTransfer()
{
    QFETCH(QString, mode);
    writeFile(QStringLiteral("first.bin"), ContentServer::randomBytes(4 * 1024 * 1024));
    const QByteArray second = ContentServer::randomBytes(100 * 1024);
    writeFile(QStringLiteral("second.bin"), second);
    QVERIFY(m_server->setFault(QStringLiteral("/first.bin"), mode));

    DownLoad download;
    QSignalSpy progress(&download, &DownLoad::DownloadProgress);
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(m_server->url(QStringLiteral("/first.bin")));
    QVERIFY(progress.wait(10000));
    QCOMPARE(tempFiles().size(), 1);
    download.OpenUrl(m_server->url(QStringLiteral("/second.bin")));

    const QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.size(), 2);
    QCOMPARE(result.at(0).toBool(), false);
    QFile file(result.at(1).toString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == second);
    // Only the delivered file is left; the abandoned one's is gone.
    QCOMPARE(tempFiles(), QStringList { QFileInfo(file).fileName() });
    QTest::qWait(300);
    QCOMPARE(complete.size(), 1);
}

void TestDownload::cancelRaisesNoCompletion()
{
    writeFile(QStringLiteral("slow.bin"), ContentServer::randomBytes(1024 * 1024));
    QVERIFY(m_server->setFault(QStringLiteral("/slow.bin"), QStringLiteral("slow:100000")));
    DownLoad download;
    QSignalSpy progress(&download, &DownLoad::DownloadProgress);
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(m_server->url(QStringLiteral("/slow.bin")));
    QVERIFY(progress.wait(10000));
    download.Cancel();
    QVERIFY(tempFiles().isEmpty());
    QTest::qWait(300);
    QVERIFY(complete.isEmpty());
}

void TestDownload::handlersMayStartAndWait()
{
    const QByteArray first = ContentServer::randomBytes(2 * 1024 * 1024);
    const QByteArray second = ContentServer::randomBytes(1000);
    writeFile(QStringLiteral("first.bin"), first);
    writeFile(QStringLiteral("second.bin"), second);
    QVERIFY(m_server->setFault(QStringLiteral("/first.bin"), QStringLiteral("slow:4000000")));
    const QString secondUrl = m_server->url(QStringLiteral("/second.bin"));
    DownLoad download;
    QList<QByteArray> delivered;
    int completions = 0;
    connect(&download, &DownLoad::DownloadComplete, this, [&](bool hasError, const QString& path) {
        ++completions;
        QFile file(path);
        delivered.append(!hasError && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    });

    // Pausing in a progress handler lets the next events of the same transfer run inside it.
    auto pausing = connect(&download, &DownLoad::DownloadProgress, this, [] { wt().Wait(20); });
    download.OpenUrl(m_server->url(QStringLiteral("/first.bin")));
    QVERIFY(QTest::qWaitFor([&] { return completions > 0; }, 20000));
    QTest::qWait(100);
    QCOMPARE(completions, 1);
    QVERIFY(delivered.first() == first);
    disconnect(pausing);

    // A new transfer started from a progress handler replaces the running one.
    completions = 0;
    delivered.clear();
    bool restarted = false;
    auto restarting = connect(&download, &DownLoad::DownloadProgress, this, [&] {
        if (!std::exchange(restarted, true))
            download.OpenUrl(secondUrl);
    });
    download.OpenUrl(m_server->url(QStringLiteral("/first.bin")));
    QVERIFY(QTest::qWaitFor([&] { return completions > 0; }, 20000));
    QTest::qWait(300);
    QCOMPARE(completions, 1);
    QVERIFY(delivered.first() == second);
    disconnect(restarting);

    // And from the completion handler, as a retry does.
    completions = 0;
    delivered.clear();
    QVERIFY(m_server->setFault(QStringLiteral("/first.bin"), QStringLiteral("404")));
    auto retrying = connect(&download, &DownLoad::DownloadComplete, this, [&](bool hasError) {
        if (hasError)
            download.OpenUrl(secondUrl);
    });
    download.OpenUrl(m_server->url(QStringLiteral("/first.bin")));
    QVERIFY(QTest::qWaitFor([&] { return completions == 2; }, 20000));
    QVERIFY(delivered.at(0).isEmpty());
    QVERIFY(delivered.at(1) == second);
    disconnect(retrying);
    // The three delivered files and no other.
    QCOMPARE(tempFiles().size(), 3);
}

void TestDownload::stalledTransferTimesOut()
{
    writeFile(QStringLiteral("stall.bin"), ContentServer::randomBytes(64 * 1024));
    QVERIFY(m_server->setFault(QStringLiteral("/stall.bin"), QStringLiteral("stall")));
    DownLoad download;
    download.setStallTimeout(300);
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(m_server->url(QStringLiteral("/stall.bin")));
    const QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.size(), 2);
    QCOMPARE(result.at(0).toBool(), true);
    QVERIFY(tempFiles().isEmpty());
}

void TestDownload::unusableStartsCompleteOnceWithError()
{
    writeFile(QStringLiteral("a.txt"), "a");
    DownLoad download;
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);

    // Completions arrive after OpenUrl returned, like those of any transfer.
    download.OpenUrl(QStringLiteral("not an address"));
    QVERIFY(complete.isEmpty());
    QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), true);

    complete.clear();
    ProgramFolder::setOverride(m_program + QLatin1String("/missing"));
    download.OpenUrl(m_server->url(QStringLiteral("/a.txt")));
    result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), true);
    QVERIFY(result.value(1).toString().isEmpty());

    // A failed start abandoned by a new OpenUrl stays silent too.
    complete.clear();
    download.OpenUrl(QStringLiteral("ftp://127.0.0.1/a.txt"));
    ProgramFolder::setOverride(m_program);
    download.OpenUrl(m_server->url(QStringLiteral("/a.txt")));
    result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), false);
}

void TestDownload::diskErrorFailsAndRemovesTheFile()
{
    writeFile(QStringLiteral("big.bin"), ContentServer::randomBytes(2 * 1024 * 1024));

    // A file size limit makes writes fail as a full disk would, and binds root as well.
    struct rlimit saved;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 256 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);

    DownLoad download;
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(m_server->url(QStringLiteral("/big.bin")));
    const QList<QVariant> result = waitForCompletion(complete);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    QCOMPARE(result.size(), 2);
    QCOMPARE(result.at(0).toBool(), true);
    QVERIFY(result.at(1).toString().isEmpty());
    QVERIFY(tempFiles().isEmpty());
}

void TestDownload::fourAtOnce()
{
    QList<QByteArray> contents;
    for (int i = 0; i < 4; ++i) {
        contents.append(ContentServer::randomBytes((i + 1) * 700 * 1024));
        writeFile(QStringLiteral("f%1.bin").arg(i), contents.last());
    }
    QVERIFY(m_server->setFault(QStringLiteral("/f0.bin"), QStringLiteral("slow:2000000")));

    std::vector<std::unique_ptr<DownLoad>> downloads;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = 0; i < 4; ++i) {
        downloads.push_back(std::make_unique<DownLoad>());
        spies.push_back(std::make_unique<QSignalSpy>(downloads.back().get(), &DownLoad::DownloadComplete));
        downloads.back()->OpenUrl(m_server->url(QStringLiteral("/f%1.bin").arg(i)));
    }
    QSet<QString> paths;
    for (int i = 0; i < 4; ++i) {
        const QList<QVariant> result = waitForCompletion(*spies[i]);
        QCOMPARE(result.size(), 2);
        QCOMPARE(result.at(0).toBool(), false);
        QFile file(result.at(1).toString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == contents.at(i));
        paths.insert(file.fileName());
    }
    QCOMPARE(paths.size(), 4);
}

void TestDownload::revalidatesWithoutTransferringTheBody()
{
    const QByteArray original = ContentServer::randomBytes(300 * 1024);
    writeFile(QStringLiteral("list.dll"), original);
    const QString served = m_root + QLatin1String("/list.dll");
    const QString url = m_server->url(QStringLiteral("/list.dll"));

    DownLoad download;
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(url);
    QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), false);
    // The owner takes the file away, as every owner does.
    QVERIFY(QFile::rename(result.at(1).toString(), m_program + QLatin1String("/LDsend.Dll")));

    // Same inode, size and time stamp: the server's validator is unchanged and it answers 304.
    // The bytes differ, so an answer from the cache shows in what is delivered.
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(served).constData(), &before), 0);
    {
        QFile file(served);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.write(QByteArray(original.size(), 'x')) == original.size());
    }
    const struct timespec times[2] = { before.st_atim, before.st_mtim };
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(served).constData(), times, 0), 0);
    m_server->takeRequests();

    complete.clear();
    download.OpenUrl(url);
    result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), false);
    QFile second(result.at(1).toString());
    QVERIFY(second.open(QIODevice::ReadOnly));
    QVERIFY(second.readAll() == original);
    QCOMPARE(QFileInfo(second).absolutePath(), QDir(m_program).absolutePath());
    QCOMPARE(m_server->takeRequests(), QStringList { QStringLiteral("GET /list.dll") });
    QVERIFY(QFile::remove(second.fileName()));

    // A real change is fetched again.
    const QByteArray changed = ContentServer::randomBytes(1000);
    QFile::remove(served);
    writeFile(QStringLiteral("list.dll"), changed);
    complete.clear();
    download.OpenUrl(url);
    result = waitForCompletion(complete);
    QFile third(result.value(1).toString());
    QVERIFY(third.open(QIODevice::ReadOnly));
    QVERIFY(third.readAll() == changed);
}

void TestDownload::ownerEditingTheFileDoesNotCorruptTheCache()
{
    const QByteArray original = ContentServer::randomBytes(10 * 1024);
    writeFile(QStringLiteral("ad1.txt"), original);
    const QString url = m_server->url(QStringLiteral("/ad1.txt"));

    DownLoad download;
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(url);
    QList<QVariant> result = waitForCompletion(complete);
    const QString config = m_program + QLatin1String("/Config.dll");
    QVERIFY(QFile::rename(result.value(1).toString(), config));
    // Settings are later written into the same file in place, here within the same clock tick as the
    // download (the time stamp is put back), so that only the content shows the change.
    struct stat before;
    QCOMPARE(::stat(QFile::encodeName(config).constData(), &before), 0);
    {
        QFile file(config);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.write("[Options]\r\n") > 0);
    }
    const struct timespec times[2] = { before.st_atim, before.st_mtim };
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(config).constData(), times, 0), 0);

    complete.clear();
    download.OpenUrl(url);
    result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), false);
    QFile second(result.at(1).toString());
    QVERIFY(second.open(QIODevice::ReadOnly));
    QVERIFY(second.readAll() == original);
}

void TestDownload::damagedCacheIsIgnored()
{
    const QByteArray original = ContentServer::randomBytes(20 * 1024);
    writeFile(QStringLiteral("v.xml"), original);
    const QString url = m_server->url(QStringLiteral("/v.xml"));
    DownLoad download;
    QSignalSpy complete(&download, &DownLoad::DownloadComplete);
    download.OpenUrl(url);
    QCOMPARE(waitForCompletion(complete).value(0).toBool(), false);

    const QString cacheFolder = m_program + QLatin1String("/UrlCache");
    const QStringList metas = QDir(cacheFolder).entryList({ QStringLiteral("*.meta") });
    QCOMPARE(metas.size(), 1);
    {
        QFile meta(cacheFolder + u'/' + metas.first());
        QVERIFY(meta.open(QIODevice::WriteOnly | QIODevice::Truncate));
        meta.write("{\"url\": 3, garbage");
    }
    complete.clear();
    download.OpenUrl(url);
    const QList<QVariant> result = waitForCompletion(complete);
    QCOMPARE(result.value(0).toBool(), false);
    QFile file(result.at(1).toString());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == original);

    // Bounded: with room for one entry, a second resource pushes the older one out.
    UrlCache::setLimits(1024 * 1024, 1);
    writeFile(QStringLiteral("w.xml"), "w");
    complete.clear();
    download.OpenUrl(m_server->url(QStringLiteral("/w.xml")));
    QCOMPARE(waitForCompletion(complete).value(0).toBool(), false);
    UrlCache::setLimits(256LL * 1024 * 1024, 1000);
    QCOMPARE(QDir(cacheFolder).entryList(QDir::Files | QDir::Hidden).size(), 2);
    UrlCache cache(cacheFolder);
    QVERIFY(!cache.lookup(QUrl(url)));
    QVERIFY(cache.lookup(QUrl(m_server->url(QStringLiteral("/w.xml")))));
}

QTEST_GUILESS_MAIN(TestDownload)
#include "tst_download.moc"
