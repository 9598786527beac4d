#include "gui/widgets/NetPicture.h"
#include "support/ContentServer.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {
// Two frames of 8 x 6 pixels, red then blue.
const QByteArray kGif = QByteArray::fromHex(
    "47494638396108000600810000ff000000000000000000000021ff0b4e45545343415045322e30030100000021f904000a0000002c0000"
    "00000800060000080e0001081c48b0a0c18308130e0c080021f904000a0000002c0000000008000600810000ff000000000000000000"
    "080e0001081c48b0a0c18308130e0c08003b");
// A PNG header announcing 20000 x 20000 pixels, followed by a little data.
const QByteArray kHugePng = QByteArray::fromHex(
    "89504e470d0a1a0a0000000d4948445200004e2000004e2008020000006c12d16e0000001149444154789c63601805a360140c770000"
    "03e80001b3a6d346");

QByteArray encoded(const QColor& colour, const char* format)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

// The GIF with its screen and first image grown to 20000 x 20000 pixels.
QByteArray hugeGif()
{
    QByteArray data = kGif;
    const char size[] = { '\x20', '\x4e', '\x20', '\x4e' };
    data.replace(6, 4, size, 4);
    const qsizetype image = data.indexOf(QByteArray::fromHex("2c0000000008000600"));
    data.replace(image + 5, 4, size, 4);
    return data;
}

long peakKilobytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QRgb centre(const QPixmap& picture)
{
    const QImage image = picture.toImage();
    return image.pixel(image.width() / 2, image.height() / 2);
}
} // namespace

class TestNetPicture : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void gifByItsFirstBytes();
    void stillPictureReplacesTheGif();
    void failuresKeepTheDefault_data();
    void failuresKeepTheDefault();
    void lastAddressWins();
    void clickFromTheAnimatedPart();

private:
    void serve(const QString& name, const QByteArray& data);
    // Sets the address and waits for the fetch's outcome on screen.
    void show(NetPicture& picture, const QString& path);
    bool stillShowsDefault(const NetPicture& picture) const;
    QStringList temporaryFiles() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ContentServer> m_server;
    QString m_root;
    QString m_defaultPath;
    QByteArray m_savedTmp;
};

void TestNetPicture::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_root = m_dir->filePath(QStringLiteral("site"));
    const QString tmp = m_dir->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(m_root) && QDir().mkpath(tmp));
    // The control's temporary files land here, where the test can count them.
    m_savedTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    m_defaultPath = m_dir->filePath(QStringLiteral("default.png"));
    QFile file(m_defaultPath);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(encoded(Qt::green, "PNG")) > 0);
    m_server = std::make_unique<ContentServer>();
    QVERIFY(m_server->start(m_root));
}

void TestNetPicture::cleanup()
{
    m_server.reset();
    qputenv("TMPDIR", m_savedTmp);
    m_dir.reset();
}

void TestNetPicture::serve(const QString& name, const QByteArray& data)
{
    QFile file(m_root + u'/' + name);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(data) == data.size());
}

void TestNetPicture::show(NetPicture& picture, const QString& path)
{
    QSignalSpy changed(&picture, &NetPicture::pictureChanged);
    picture.setPictureURL(m_server->url(path));
    QVERIFY(changed.wait(20000));
}

bool TestNetPicture::stillShowsDefault(const NetPicture& picture) const
{
    return picture.mygif->isHidden() && !picture.myimg->isHidden()
        && centre(picture.myimg->pixmap()) == QColor(Qt::green).rgb();
}

QStringList TestNetPicture::temporaryFiles() const
{
    return QDir(m_dir->filePath(QStringLiteral("tmp"))).entryList(QDir::Files | QDir::Hidden);
}

void TestNetPicture::gifByItsFirstBytes()
{
    // The address says JPEG; the bytes say GIF, in whatever letter case.
    QByteArray lower = kGif;
    lower.replace(0, 3, "gIf");
    serve(QStringLiteral("a.jpg"), kGif);
    serve(QStringLiteral("b.png"), lower);
    NetPicture picture;
    QVERIFY(picture.setDefaultPicture(m_defaultPath));
    show(picture, QStringLiteral("/a.jpg"));
    QVERIFY(!picture.mygif->isHidden());
    QVERIFY(picture.myimg->isHidden());
    QVERIFY(picture.mygif->movie());
    QCOMPARE(picture.mygif->movie()->frameCount(), 2);
    QCOMPARE(temporaryFiles().size(), 1); // the animation reads its frames from it

    show(picture, QStringLiteral("/b.png"));
    QVERIFY(!picture.mygif->isHidden());
    QCOMPARE(temporaryFiles().size(), 1); // the first GIF's file went with it

    // A new default picture goes to the still part, behind the GIF.
    QVERIFY(picture.setDefaultPicture(m_defaultPath));
    QVERIFY(!picture.mygif->isHidden());
    QVERIFY(picture.myimg->isHidden());
}

void TestNetPicture::stillPictureReplacesTheGif()
{
    serve(QStringLiteral("a.gif"), kGif);
    serve(QStringLiteral("b.jpg"), encoded(Qt::blue, "JPEG"));
    serve(QStringLiteral("c.bmp"), encoded(Qt::red, "BMP"));
    {
        NetPicture picture;
        show(picture, QStringLiteral("/a.gif"));
        QVERIFY(!picture.mygif->isHidden());
        show(picture, QStringLiteral("/b.jpg"));
        QVERIFY(picture.mygif->isHidden());
        QVERIFY(!picture.myimg->isHidden());
        QCOMPARE(qBlue(centre(picture.myimg->pixmap())) > 200, true);
        show(picture, QStringLiteral("/c.bmp"));
        QCOMPARE(centre(picture.myimg->pixmap()), QColor(Qt::red).rgb());
        QCOMPARE(temporaryFiles(), QStringList());

        show(picture, QStringLiteral("/a.gif"));
        QCOMPARE(temporaryFiles().size(), 1);
    }
    // Nothing stays behind the control.
    QCOMPARE(temporaryFiles(), QStringList());
}

void TestNetPicture::failuresKeepTheDefault_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fault");
    QTest::newRow("404") << QByteArray() << QString();
    QTest::newRow("cut transfer") << encoded(Qt::blue, "PNG") << QStringLiteral("cut");
    QTest::newRow("server error") << encoded(Qt::blue, "PNG") << QStringLiteral("500");
    QTest::newRow("not a picture") << ContentServer::randomBytes(5000) << QString();
    QTest::newRow("html page") << QByteArray("<html><body>gone</body></html>") << QString();
    QTest::newRow("truncated gif") << kGif.left(40) << QString();
    QTest::newRow("gif header only") << QByteArray("GIF89a") << QString();
    QTest::newRow("20000 x 20000 gif") << hugeGif() << QString();
    QTest::newRow("20000 x 20000 png") << kHugePng << QString();
    QTest::newRow("endless body") << QByteArray(NetPicture::maxFileBytes + 4096, 'x') << QStringLiteral("nolength");
    QTest::newRow("too long body") << QByteArray(NetPicture::maxFileBytes + 4096, 'x') << QString();
}

void TestNetPicture::failuresKeepTheDefault()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, fault);
    if (!data.isEmpty())
        serve(QStringLiteral("p.jpg"), data);
    if (!fault.isEmpty())
        QVERIFY(m_server->setFault(QStringLiteral("/p.jpg"), fault));
    const long before = peakKilobytes();
    NetPicture picture;
    QVERIFY(picture.setDefaultPicture(m_defaultPath));
    show(picture, QStringLiteral("/p.jpg"));
    QVERIFY(stillShowsDefault(picture));
    QCOMPARE(temporaryFiles(), QStringList());
    // Nothing was decoded at the size the header asked for (20000 x 20000 pixels is 1.6 GB).
    QVERIFY2(peakKilobytes() - before < 64 * 1024, qPrintable(QString::number(peakKilobytes() - before)));
}

void TestNetPicture::lastAddressWins()
{
    serve(QStringLiteral("a.png"), encoded(Qt::blue, "PNG"));
    serve(QStringLiteral("b.png"), encoded(Qt::red, "PNG"));
    QVERIFY(m_server->setFault(QStringLiteral("/a.png"), QStringLiteral("slow:2000")));
    NetPicture picture;
    QSignalSpy changed(&picture, &NetPicture::pictureChanged);
    picture.setPictureURL(m_server->url(QStringLiteral("/a.png")));
    picture.setPictureURL(m_server->url(QStringLiteral("/b.png")));
    QVERIFY(changed.wait(20000));
    QTest::qWait(300);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(centre(picture.myimg->pixmap()), QColor(Qt::red).rgb());
    // The picture comes from the server each time, never from a copy kept by the way.
    m_server->takeRequests();
    show(picture, QStringLiteral("/b.png"));
    QCOMPARE(m_server->takeRequests().filter(QStringLiteral("/b.png")).size(), 1);
}

void TestNetPicture::clickFromTheAnimatedPart()
{
    serve(QStringLiteral("a.gif"), kGif);
    NetPicture picture;
    picture.resize(100, 75);
    show(picture, QStringLiteral("/a.gif"));
    picture.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picture));
    QSignalSpy clicks(&picture, &NetPicture::Click);
    QTest::mouseClick(picture.mygif, Qt::LeftButton, {}, QPoint(50, 40));
    QTest::mouseClick(&picture, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseClick(&picture, Qt::RightButton, {}, QPoint(3, 3));
    QCOMPARE(clicks.size(), 2);
}

QTEST_MAIN(TestNetPicture)
#include "tst_netpicture.moc"
