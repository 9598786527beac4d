#include "core/catalogue/CatalogueRefresh.h"
#include "core/net/DownLoad.h"
#include "core/net/HttpRequest.h"
#include "core/outside/MessageBox.h"
#include "core/outside/ProgramFolder.h"
#include "support/ContentServer.h"
#include "support/TestCatalogue.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using TestCatalogue::game;
using namespace Qt::StringLiterals;

namespace {
const QString kVersionPath = u"/flashxmlfile/version.xml"_s;
// Not where a client would guess: the address is only known from a version file.
const QString kAnnouncedPath = u"/data/list-2026.txt"_s;

QByteArray versionFile(const QString& version, const QString& address)
{
    return (u"<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><data><version>"_s + version
        + u"</version><updateurl>"_s + address + u"</updateurl></data></root>\n"_s)
        .toUtf8();
}

// One refresh as the main window runs it, with what it asked the lists to show.
struct Run {
    HttpRequest request;
    DownLoad catalogue;
    DownLoad notice;
    CatalogueRefresh refresh { &catalogue, &notice };
    QStringList loads;
    int installed = 0;
    int failed = 0;
    int checked = 0;
    bool ended = false;

    Run()
    {
        request.SetTimeouts(0, 0, 0, 1500);
        refresh.setVersionRequest(&request);
        QObject::connect(&request, &HttpRequest::OnResponseStart, &refresh, &CatalogueRefresh::XMLSL_OnResponseStart);
        QObject::connect(&request, &HttpRequest::OnResponseDataAvailable, &refresh,
            &CatalogueRefresh::XMLSL_OnResponseDataAvailable);
        QObject::connect(
            &request, &HttpRequest::OnResponseFinished, &refresh, &CatalogueRefresh::XMLSL_OnResponseFinished);
        QObject::connect(&request, &HttpRequest::OnError, &refresh, &CatalogueRefresh::XMLSL_OnError);
        QObject::connect(
            &catalogue, &DownLoad::DownloadComplete, &refresh, &CatalogueRefresh::UpdateSLing_DownloadComplete);
        QObject::connect(&refresh, &CatalogueRefresh::LoadCatalogue, [this](const QString& path) { loads << path; });
        QObject::connect(&refresh, &CatalogueRefresh::CatalogueInstalled, [this] { ++installed; });
        QObject::connect(&refresh, &CatalogueRefresh::CatalogueFailed, [this] { ++failed; });
        QObject::connect(&refresh, &CatalogueRefresh::VersionChecked, [this] { ++checked; });
        QObject::connect(&refresh, &CatalogueRefresh::VersionRequestEnded, [this] { ended = true; });
    }
};
} // namespace

class TestRefresh : public QObject {
    Q_OBJECT

    QTemporaryDir site;
    std::unique_ptr<QTemporaryDir> home;
    ContentServer server;
    QByteArray siteCatalogue;

    QString program(const QString& name) const { return home->filePath(name); }
    QString onSite(const QString& path) const { return site.path() + path; }

    void publish(const QString& version)
    {
        QVERIFY(put(onSite(kVersionPath), versionFile(version, server.url(kAnnouncedPath))));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(server.start(site.path()));
        qputenv("TABRAZO_SERVER", server.url(QString()).toUtf8());
        QDir().mkpath(onSite(u"/flashxmlfile"_s));
        QDir().mkpath(onSite(u"/data"_s));
        QVERIFY(TestCatalogue::write(
            onSite(kAnnouncedPath), { { u"动作"_s, { game(1, u"大炮"_s), game(2, u"小猫"_s) } } }));
        siteCatalogue = get(onSite(kAnnouncedPath));
    }

    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        ProgramFolder::setOverride(home->path());
        MessageBox::clearShown();
        server.takeRequests();
    }

    void cleanup() { ProgramFolder::setOverride(QString()); }

    // A folder with nothing in it learns the catalogue's address from the server's version file,
    // says nothing about the version file it does not have yet, and is current at the next start.
    void emptyFolderLearnsTheAddress()
    {
        publish(u"2026-12-01"_s);
        {
            Run run;
            run.refresh.BeginDQsL();
            QTRY_COMPARE_WITH_TIMEOUT(run.installed, 1, 10000);
            QCOMPARE(run.checked, 1);
        }
        QCOMPARE(MessageBox::shown().size(), 0);
        QCOMPARE(get(program(u"LDsend.Dll"_s)), siteCatalogue);
        QCOMPARE(get(program(u"VerTmp.Dll"_s)), get(onSite(kVersionPath)));
        QVERIFY(server.takeRequests().contains(u"GET "_s + kAnnouncedPath));

        Run again;
        again.refresh.BeginDQsL();
        QTRY_COMPARE_WITH_TIMEOUT(again.loads.size(), 1, 10000);
        QTest::qWait(200);
        QCOMPARE(again.loads.first(), program(u"LDsend.Dll"_s));
        QCOMPARE(again.installed + again.failed, 0);
        QVERIFY(!server.takeRequests().contains(u"GET "_s + kAnnouncedPath));
    }

    // A cached version file with its own address keeps it, and is replaced only once the newer
    // catalogue is in.
    void cachedAddressWins()
    {
        const QString ownPath = u"/data/own.txt"_s;
        QVERIFY(put(onSite(ownPath), siteCatalogue));
        QVERIFY(TestCatalogue::write(program(u"LDsend.Dll"_s), { { u"旧"_s, { game(9, u"旧游戏"_s) } } }));
        QVERIFY(put(program(u"VerTmp.Dll"_s), versionFile(u"2026-11-01"_s, server.url(ownPath))));
        publish(u"2026-12-01"_s);

        Run run;
        run.refresh.BeginDQsL();
        QTRY_COMPARE_WITH_TIMEOUT(run.installed, 1, 10000);
        // The old catalogue showed while the new one came.
        QCOMPARE(run.loads, QStringList { program(u"LDsend.Dll"_s) });
        const QStringList requests = server.takeRequests();
        QVERIFY(requests.contains(u"GET "_s + ownPath));
        QVERIFY(!requests.contains(u"GET "_s + kAnnouncedPath));
        QCOMPARE(get(program(u"VerTmp.Dll"_s)), get(onSite(kVersionPath)));
        QCOMPARE(MessageBox::shown().size(), 0);
    }

    // Whatever keeps the version answer from being usable, the lists show the cached catalogue and
    // nothing cached is touched.
    void unusableAnswerShowsTheCache_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("boxes");
        QTest::newRow("refused") << u"refused"_s << 0;
        QTest::newRow("reset") << u"reset"_s << 0;
        QTest::newRow("time-out") << u"silent"_s << 0;
        QTest::newRow("error page") << u"404"_s << 0;
        QTest::newRow("server error") << u"500"_s << 0;
        QTest::newRow("endless") << u"endless:<a>"_s << 0;
        // Not XML: the parser's own words, as for any version file that does not load.
        QTest::newRow("not a version file") << u"body:40:garbage"_s << 1;
    }
    void unusableAnswerShowsTheCache()
    {
        QFETCH(QString, fault);
        QFETCH(int, boxes);
        QVERIFY(TestCatalogue::write(program(u"LDsend.Dll"_s), { { u"旧"_s, { game(9, u"旧游戏"_s) } } }));
        QVERIFY(put(program(u"VerTmp.Dll"_s), versionFile(u"2026-11-01"_s, server.url(kAnnouncedPath))));
        const QByteArray catalogue = get(program(u"LDsend.Dll"_s));
        const QByteArray version = get(program(u"VerTmp.Dll"_s));
        publish(u"2026-12-01"_s);

        QTcpServer closed;
        if (fault == u"refused") {
            // A port nobody listens on any more.
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            const quint16 port = closed.serverPort();
            closed.close();
            qputenv("TABRAZO_SERVER", QByteArray("http://127.0.0.1:") + QByteArray::number(port));
        } else {
            QVERIFY(server.setFault(kVersionPath, fault));
        }
        Run run;
        run.refresh.BeginDQsL();
        QTRY_VERIFY_WITH_TIMEOUT(run.ended, 10000);
        qputenv("TABRAZO_SERVER", server.url(QString()).toUtf8());
        server.setFault(kVersionPath, u"none"_s);

        QCOMPARE(run.loads, QStringList { program(u"LDsend.Dll"_s) });
        QTest::qWait(300);
        QCOMPARE(run.installed + run.failed, 0);
        QVERIFY(!server.takeRequests().contains(u"GET "_s + kAnnouncedPath));
        QCOMPARE(get(program(u"LDsend.Dll"_s)), catalogue);
        QCOMPARE(get(program(u"VerTmp.Dll"_s)), version);
        QCOMPARE(MessageBox::shown().size(), boxes);
    }

    // A server that takes the request and never answers: the cached catalogue shows long before
    // the request gives up, and only once, so a row chosen meanwhile stays chosen.
    void silentServerShowsTheCacheMeanwhile()
    {
        QVERIFY(TestCatalogue::write(program(u"LDsend.Dll"_s), { { u"旧"_s, { game(9, u"旧游戏"_s) } } }));
        QVERIFY(server.setFault(kVersionPath, u"silent"_s));
        Run run;
        run.request.SetTimeouts(0, 0, 0, 6000);
        run.refresh.BeginDQsL();
        QTRY_COMPARE_WITH_TIMEOUT(run.loads.size(), 1, 4000);
        QVERIFY(!run.ended);
        QTRY_VERIFY_WITH_TIMEOUT(run.ended, 10000);
        server.setFault(kVersionPath, u"none"_s);
        QCOMPARE(run.loads, QStringList { program(u"LDsend.Dll"_s) });
    }

    // A download that is no catalogue never replaces the cached one, nor the version file that
    // goes with it: the next start asks again.
    void refusedCatalogueKeepsTheCache()
    {
        QVERIFY(TestCatalogue::write(program(u"LDsend.Dll"_s), { { u"旧"_s, { game(9, u"旧游戏"_s) } } }));
        const QByteArray catalogue = get(program(u"LDsend.Dll"_s));
        publish(u"2026-12-01"_s);
        QVERIFY(server.setFault(kAnnouncedPath, u"body:100:<html>"_s));
        Run run;
        run.refresh.BeginDQsL();
        QTRY_COMPARE_WITH_TIMEOUT(run.failed, 1, 10000);
        server.setFault(kAnnouncedPath, u"none"_s);
        QCOMPARE(run.installed, 0);
        QCOMPARE(get(program(u"LDsend.Dll"_s)), catalogue);
        QVERIFY(!QFile::exists(program(u"VerTmp.Dll"_s)));
        QCOMPARE(QDir(home->path()).entryList({ u".dl-*"_s }, QDir::Files | QDir::Hidden), QStringList());
    }

    // Version texts compare as texts; a version file that is there but does not load is said so,
    // once per reading, while a missing one is simply no version yet.
    void versionComparison()
    {
        const QString node = CatalogueRefresh::VersionNode;
        const QString nine = program(u"nine.xml"_s), ten = program(u"ten.xml"_s), page = program(u"page.xml"_s);
        QVERIFY(put(nine, versionFile(u"9"_s, QString())));
        QVERIFY(put(ten, versionFile(u"10"_s, QString())));
        QVERIFY(put(page, "<html><body>Not Found<br></body>"));
        DownLoad a, b;
        CatalogueRefresh refresh(&a, &b);
        QVERIFY(refresh.IsServerVersionNewer(nine, node, ten, node));
        QVERIFY(!refresh.IsServerVersionNewer(ten, node, nine, node));
        QVERIFY(!refresh.IsServerVersionNewer(ten, node, ten, node));
        QVERIFY(refresh.IsServerVersionNewer(ten, node, program(u"absent.xml"_s), node));
        QCOMPARE(MessageBox::shown().size(), 0);
        QVERIFY(!refresh.IsServerVersionNewer(page, node, ten, node));
        QVERIFY(refresh.IsServerVersionNewer(ten, node, page, node));
        QCOMPARE(MessageBox::shown().size(), 2);
        QVERIFY(!MessageBox::shown().first().text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRefresh)
#include "tst_refresh.moc"
