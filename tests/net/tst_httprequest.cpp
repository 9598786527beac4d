#include "core/net/HttpRequest.h"
#include "support/ContentServer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// Every event of one request, in order, as text.
class EventLog : public QObject {
public:
    explicit EventLog(HttpRequest* request)
    {
        connect(request, &HttpRequest::OnResponseStart, this,
            [this](int status, const QString& type) { events << QStringLiteral("start %1 %2").arg(status).arg(type); });
        connect(request, &HttpRequest::OnResponseDataAvailable, this, [this](const QByteArray& data) {
            if (events.isEmpty() || events.last() != QLatin1String("data"))
                events << QStringLiteral("data");
            body += data;
        });
        connect(request, &HttpRequest::OnResponseFinished, this, [this] { events << QStringLiteral("finished"); });
        connect(request, &HttpRequest::OnError, this,
            [this](int number, const QString&) { events << QStringLiteral("error %1").arg(number); });
    }

    bool waitForEnd(int timeout = 20000)
    {
        return QTest::qWaitFor(
            [this] {
                return !events.isEmpty()
                    && (events.last() == QLatin1String("finished") || events.last().startsWith(u'e'));
            },
            timeout);
    }

    QStringList events;
    QByteArray body;
};

class TestHttpRequest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void eventsInOrder();
    void errorPageFinishesNormally();
    void oversizedBodyIsAnError();
    void silentServerTimesOut();
    void transportFailuresRaiseOnError_data();
    void transportFailuresRaiseOnError();
    void abortThenReuse();
    void reopenFromInsideTheErrorHandler();
    void synchronousSend();
    void endlessChunksAreAnError();

private:
    QTemporaryDir m_dir;
    ContentServer m_server;
    QByteArray m_data;
};

void TestHttpRequest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_data = ContentServer::randomBytes(600 * 1024);
    for (const char* name : { "version.xml", "cut.xml", "reset.xml", "stall.xml" }) {
        QFile file(m_dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(m_data);
    }
    QFile big(m_dir.filePath(QStringLiteral("big.xml")));
    QVERIFY(big.open(QIODevice::WriteOnly) && big.write(ContentServer::randomBytes(3 << 20)) == 3 << 20);
    big.close();
    QVERIFY(QFile::copy(big.fileName(), m_dir.filePath(QStringLiteral("unannounced.xml"))));
    QVERIFY(m_server.start(m_dir.path()));
    QVERIFY(m_server.setFault(QStringLiteral("/unannounced.xml"), QStringLiteral("nolength")));
    QVERIFY(m_server.setFault(QStringLiteral("/endless.xml"), QStringLiteral("endless:<a>")));
    QVERIFY(m_server.setFault(QStringLiteral("/chunked.xml"), QStringLiteral("chunked:<a>")));
    QVERIFY(m_server.setFault(QStringLiteral("/silent.xml"), QStringLiteral("silent")));
    QVERIFY(m_server.setFault(QStringLiteral("/cut.xml"), QStringLiteral("cut")));
    QVERIFY(m_server.setFault(QStringLiteral("/reset.xml"), QStringLiteral("reset")));
    QVERIFY(m_server.setFault(QStringLiteral("/stall.xml"), QStringLiteral("stall")));
}

void TestHttpRequest::eventsInOrder()
{
    HttpRequest request;
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/version.xml")), true);
    request.Send();
    QVERIFY(log.events.isEmpty());
    QVERIFY(log.waitForEnd());
    QCOMPARE(log.events,
        (QStringList { QStringLiteral("start 200 text/xml"), QStringLiteral("data"), QStringLiteral("finished") }));
    QVERIFY(log.body == m_data);
    QVERIFY(request.ResponseBody() == m_data);
    QCOMPARE(request.Status(), 200);
    QCOMPARE(request.GetResponseHeader(QStringLiteral("content-length")).toInt(), m_data.size());
    QVERIFY(request.GetResponseHeader(QStringLiteral("X-None")).isEmpty());
}

// A body past the limit ends the request with an error and keeps nothing, whether the server
// announces its length or not; the limit can be raised for a request that needs more.
void TestHttpRequest::oversizedBodyIsAnError()
{
    for (const char* path : { "/big.xml", "/unannounced.xml", "/endless.xml" }) {
        HttpRequest request;
        EventLog log(&request);
        request.Open(QStringLiteral("GET"), m_server.url(QLatin1String(path)), true);
        request.Send();
        QVERIFY2(log.waitForEnd(), path);
        QCOMPARE(log.events.last(), QStringLiteral("error 12152"));
        QVERIFY(!log.events.contains(QStringLiteral("finished")));
        QVERIFY(request.ResponseBody().isEmpty());
    }

    // While the program is busy elsewhere, a fast endless answer waits in the socket, not in memory.
    const auto peakKb = [] {
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        const QByteArray text = status.readAll();
        return text.mid(text.indexOf("VmHWM:") + 6).trimmed().split(' ').first().toLong();
    };
    const long peakBefore = peakKb();
    {
        HttpRequest busy;
        EventLog log(&busy);
        busy.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/endless.xml")), true);
        busy.Send();
        QTest::qWait(50);
        QThread::sleep(2);
        QVERIFY(log.waitForEnd());
        QCOMPARE(log.events.last(), QStringLiteral("error 12152"));
    }
    QVERIFY2(peakKb() - peakBefore < 32 * 1024, qPrintable(QString::number(peakKb() - peakBefore)));

    HttpRequest request;
    request.setBodyLimit(4 << 20);
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/unannounced.xml")), true);
    request.Send();
    QVERIFY(log.waitForEnd());
    QCOMPARE(log.events.last(), QStringLiteral("finished"));
    QCOMPARE(request.ResponseBody().size(), 3 << 20);
}

// Endless chunks from a server on this machine arrive as fast as they are parsed; the request still
// ends as an error, at the limit or, should the transfer stop meanwhile, by its time-out. Last, so
// that a transfer the access manager is slow to drop delays no other case.
void TestHttpRequest::endlessChunksAreAnError()
{
    HttpRequest request;
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/chunked.xml")), true);
    request.Send();
    QVERIFY(log.waitForEnd(45000));
    QVERIFY2(log.events.last() == QLatin1String("error 12152") || log.events.last() == QLatin1String("error 12002"),
        qPrintable(log.events.last()));
    QVERIFY(request.ResponseBody().isEmpty());
}

// A server that takes the request and never answers ends it with a time-out, with no time-outs set.
void TestHttpRequest::silentServerTimesOut()
{
    HttpRequest request;
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/silent.xml")), true);
    request.Send();
    QVERIFY(log.waitForEnd(45000));
    QCOMPARE(log.events, QStringList { QStringLiteral("error 12002") });
}

void TestHttpRequest::errorPageFinishesNormally()
{
    HttpRequest request;
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/missing.xml")), true);
    request.Send();
    QVERIFY(log.waitForEnd());
    QCOMPARE(log.events.first(), QStringLiteral("start 404 text/html"));
    QCOMPARE(log.events.last(), QStringLiteral("finished"));
    QVERIFY(request.ResponseBody().contains("Not Found"));
    QCOMPARE(request.Status(), 404);
}

void TestHttpRequest::transportFailuresRaiseOnError_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("number");
    QTest::newRow("cut short") << QStringLiteral("/cut.xml") << 30000 << 12030;
    QTest::newRow("reset") << QStringLiteral("/reset.xml") << 30000 << 12030;
    QTest::newRow("stalled") << QStringLiteral("/stall.xml") << 300 << 12002;
    QTest::newRow("refused") << QString() << 30000 << 12029;
}

void TestHttpRequest::transportFailuresRaiseOnError()
{
    QFETCH(QString, path);
    QFETCH(int, timeout);
    QFETCH(int, number);
    HttpRequest request;
    request.SetTimeouts(0, 60000, 30000, timeout);
    EventLog log(&request);
    request.Open(
        QStringLiteral("GET"), path.isEmpty() ? QStringLiteral("http://127.0.0.1:1/") : m_server.url(path), true);
    request.Send();
    QVERIFY(log.waitForEnd());
    QCOMPARE(log.events.last(), QStringLiteral("error %1").arg(number));
    QVERIFY(!log.events.contains(QStringLiteral("finished")));
}

void TestHttpRequest::abortThenReuse()
{
    HttpRequest request;
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/stall.xml")), true);
    request.Send();
    QVERIFY(QTest::qWaitFor([&] { return log.events.contains(QStringLiteral("data")); }, 10000));
    request.Abort();
    QTest::qWait(200);
    QCOMPARE(log.events.size(), 2);

    log.events.clear();
    log.body.clear();
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/version.xml")), true);
    request.Send();
    QVERIFY(log.waitForEnd());
    QCOMPARE(log.events.last(), QStringLiteral("finished"));
    QVERIFY(request.ResponseBody() == m_data);
}

void TestHttpRequest::reopenFromInsideTheErrorHandler()
{
    // The updater retries from its error handler.
    HttpRequest request;
    EventLog log(&request);
    const QString good = m_server.url(QStringLiteral("/version.xml"));
    connect(&request, &HttpRequest::OnError, this, [&] {
        request.Open(QStringLiteral("GET"), good, true);
        request.Send();
    });
    request.Open(QStringLiteral("GET"), QStringLiteral("http://127.0.0.1:1/"), true);
    request.Send();
    QVERIFY(QTest::qWaitFor([&] { return log.events.contains(QStringLiteral("finished")); }, 20000));
    QCOMPARE(log.events.first(), QStringLiteral("error 12029"));
    QVERIFY(request.ResponseBody() == m_data);
}

void TestHttpRequest::synchronousSend()
{
    HttpRequest request;
    EventLog log(&request);
    request.Open(QStringLiteral("GET"), m_server.url(QStringLiteral("/version.xml")), false);
    request.Send();
    QCOMPARE(log.events.last(), QStringLiteral("finished"));
    QCOMPARE(request.Status(), 200);
}

QTEST_GUILESS_MAIN(TestHttpRequest)
#include "tst_httprequest.moc"
