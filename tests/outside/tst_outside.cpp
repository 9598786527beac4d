#include "core/catalogue/VersionFile.h"
#include "core/net/PercentRule.h"
#include "core/outside/AnsiCodec.h"
#include "core/outside/DisplayPlatform.h"
#include "core/outside/Files.h"
#include "core/outside/ProgramFolder.h"
#include "core/outside/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <iconv.h>
#include <unistd.h>

namespace {
// One sequence through iconv as GB18030; empty when iconv refuses it.
QString iconvDecode(QByteArrayView bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "GB18030");
    char16_t out[4];
    char* src = const_cast<char*>(bytes.data());
    char* dst = reinterpret_cast<char*>(out);
    size_t srcLeft = size_t(bytes.size()), dstLeft = sizeof out;
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1) && srcLeft == 0;
    iconv_close(cd);
    return ok ? QString::fromUtf16(out, qsizetype(sizeof out - dstLeft) / 2) : QString();
}

// The decoding rules spelled out one character at a time, with iconv for every multi-byte sequence.
QString referenceDecode(const QByteArray& bytes)
{
    const auto byte = [&](qsizetype i) { return i < bytes.size() ? uchar(bytes[i]) : 0; };
    const auto lead = [](uchar c) { return c >= 0x81 && c <= 0xFE; };
    const auto digit = [](uchar c) { return c >= 0x30 && c <= 0x39; };
    QString out;
    for (qsizetype i = 0; i < bytes.size();) {
        const uchar c = byte(i), t = byte(i + 1);
        if (c < 0x80) {
            out += QChar(c);
            ++i;
        } else if (lead(c) && i + 1 < bytes.size() && t >= 0x40 && t <= 0xFE && t != 0x7F) {
            const QString pair = iconvDecode(bytes.mid(i, 2));
            out += pair.size() == 1 ? pair : u"\uFFFD"_qs;
            i += 2;
        } else if (lead(c) && digit(t) && i + 3 < bytes.size() && lead(byte(i + 2)) && digit(byte(i + 3))) {
            const QString four = iconvDecode(bytes.mid(i, 4));
            out += four.isEmpty() ? u"\uFFFD"_qs : four;
            i += 4;
        } else {
            out += QChar(0xFFFD);
            ++i;
        }
    }
    return out;
}
} // namespace

class TestOutside : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

    QString version(const QString& name, const QByteArray& text)
    {
        return write(name,
            "<?xml version=\"1.0\" encoding=\"gb2312\"?><root><data><version>" + text
                + "</version><updateurl>http://x/y.xml</updateurl></data></root>");
    }

private slots:
    void versionsCompareAsText()
    {
        const QString nine = version("nine.xml", "9"), ten = version("ten.xml", "10");
        const QString path = QStringLiteral("/root/data/version");
        QString error = QStringLiteral("stale");
        const QString server = VersionFile::ReadXmlNodeText(nine, path, &error);
        QCOMPARE(error, QString());
        QVERIFY(VersionFile::IsNewer(server, VersionFile::ReadXmlNodeText(ten, path, &error)));
        QVERIFY(VersionFile::IsNewer(u"2011-05-02"_qs, u"2011-05-01"_qs));
        QVERIFY(!VersionFile::IsNewer(u"2011-05-01"_qs, u"2011-05-01"_qs));
        // A missing local file: the parser's own description for the caller to show, and any
        // version beats the empty one.
        const QString local = VersionFile::ReadXmlNodeText(dir.filePath("absent.xml"), path, &error);
        QVERIFY(!error.isEmpty());
        QVERIFY(VersionFile::IsNewer(server, local));
        QVERIFY(!VersionFile::IsNewer(QString(), QString()));
    }

    void gb2312VersionFileAndMissingNode()
    {
        const QString file = write("cn.xml",
            "<?xml version=\"1.0\" encoding=\"gb2312\"?><root><data><version>" + AnsiCodec::encode(u"版本二")
                + "</version></data></root>");
        QString error;
        QCOMPARE(
            VersionFile::ReadXmlNodeText(file, QStringLiteral("/root/data/version"), &error), QStringLiteral("版本二"));
        // A missing node is no error.
        QCOMPARE(VersionFile::ReadXmlNodeText(file, QStringLiteral("/root/data/updateurl"), &error), QString());
        QCOMPARE(error, QString());
        // An error page is not XML: empty text, and the reason.
        const QString page = write("page.xml", "<html><body>Not Found<br></body>");
        QCOMPARE(VersionFile::ReadXmlNodeText(page, QStringLiteral("/root/data/version"), &error), QString());
        QVERIFY(!error.isEmpty());
        QCOMPARE(VersionFile::ReadXmlNodeText(page, QStringLiteral("/root/data/version"), nullptr), QString());
    }

    // One copy per user and program folder: a lock that another user left, under the name every
    // user shared when USER was unset, blocks nothing; a second copy of the same user is refused.
    void singleCopyPerUser()
    {
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qunsetenv("USER");
        ProgramFolder::setOverride(dir.path());
        QCOMPARE(SingleInstance::lockFolder(), runtime.path());
        const QByteArray hash
            = QCryptographicHash::hash(dir.path().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
        // A live process owns it, under its own name, so it is not stale.
        QProcess owner;
        owner.start(QStringLiteral("sleep"), { QStringLiteral("30") });
        QVERIFY(owner.waitForStarted());
        QFile shared(
            runtime.filePath(QStringLiteral("tabrazo--") + QString::fromLatin1(hash) + QStringLiteral(".lock")));
        QVERIFY(shared.open(QIODevice::WriteOnly));
        shared.write(QByteArray::number(owner.processId()) + "\nsleep\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        shared.close();

        SingleInstance first;
        QVERIFY(!first.otherIsRunning());
        SingleInstance second;
        QVERIFY(second.otherIsRunning());
        ProgramFolder::setOverride(QString());
        owner.kill();
        owner.waitForFinished();
    }

    // Entities are refused: a nested expansion would take the window's memory and time, an
    // external one would read a file of this machine into the version text.
    void versionFileEntities()
    {
        QByteArray bomb = "<?xml version=\"1.0\"?>\n<!DOCTYPE root [\n<!ENTITY a0 \"xxxxxxxxxx\">\n";
        for (int i = 1; i < 10; ++i)
            bomb += "<!ENTITY a" + QByteArray::number(i) + " \""
                + QByteArray("&a").append(QByteArray::number(i - 1)).append(';').repeated(10) + "\">\n";
        bomb += "]>\n<root><data><version>&a9;</version></data></root>";
        // One large entity referenced many times grows with the product of the two.
        const QByteArray quadratic = "<?xml version=\"1.0\"?>\n<!DOCTYPE root [<!ENTITY a \"" + QByteArray(50000, 'x')
            + "\">]>\n<root><data><version>" + QByteArray("&a;").repeated(50000) + "</version></data></root>";
        const QString secret = write("secret.txt", "geheim");
        const QByteArray external = "<?xml version=\"1.0\"?>\n<!DOCTYPE root [<!ENTITY e SYSTEM \"file://"
            + secret.toUtf8() + "\">]>\n<root><data><version>&e;</version></data></root>";
        for (const QByteArray& text : { bomb, quadratic, external }) {
            QString error;
            QCOMPARE(
                VersionFile::ReadXmlNodeText(write("entities.xml", text), QStringLiteral("/root/data/version"), &error),
                QString());
            QVERIFY(!error.isEmpty());
        }
        // Predefined and character references are plain text.
        QString error;
        QCOMPARE(
            VersionFile::ReadXmlNodeText(write("plain.xml", "<root><data><version>1&amp;&#50;</version></data></root>"),
                QStringLiteral("/root/data/version"), &error),
            QStringLiteral("1&2"));
        QVERIFY(error.isEmpty());
    }

    void ansiCodecRoundTripAndJunk()
    {
        const QString text = QStringLiteral("小熊采蘑菇 & 极速摩托2 €𠀀");
        QCOMPARE(AnsiCodec::decode(AnsiCodec::encode(text)), text);
        QCOMPARE(AnsiCodec::encode(u"用户设置"), QByteArray("\xd3\xc3\xbb\xa7\xc9\xe8\xd6\xc3"));
        // A lead byte without a trail, and a trail that is plain ASCII, lose only the lead byte.
        QCOMPARE(AnsiCodec::decode(QByteArray("a\x81"
                                              "!")),
            QStringLiteral("a\uFFFD!"));
        QCOMPARE(AnsiCodec::decode(QByteArray("\xff\x80")), QStringLiteral("\uFFFD\uFFFD"));
    }

    void ansiCodecMatchesIconvForEveryPair()
    {
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const char pair[2] = { char(lead), char(trail) };
                const QString expected = trail == 0x7F ? u"\uFFFD\u007F"_qs : iconvDecode(QByteArrayView(pair, 2));
                const QString actual = AnsiCodec::decode(QByteArrayView(pair, 2));
                if (trail != 0x7F && expected.size() != 1)
                    QCOMPARE(actual, u"\uFFFD"_qs);
                else if (actual != expected)
                    QFAIL(qPrintable(QStringLiteral("%1 %2").arg(lead, 0, 16).arg(trail, 0, 16)));
            }
        }
    }

    void ansiCodecFastPathsKeepTheRules()
    {
        // ASCII runs of every length around the 16-byte blocks, ending in a pair, a lead byte cut
        // off by the end, a lead before ASCII, invalid bytes and four-byte sequences.
        const QByteArray tails[] = { "\xc1\xac", "\xc1", "\xc1<", "\x80\xff", "\x95\x32\x82\x36", "\x81\x30",
            "\x81\x30\x81", "\xc1\x7f", "\xa2\xe3" };
        for (int run = 0; run <= 40; ++run) {
            for (const QByteArray& tail : tails) {
                const QByteArray bytes = QByteArray(run, 'a') + tail + QByteArray(run % 5, 'z');
                QCOMPARE(AnsiCodec::decode(bytes), referenceDecode(bytes));
            }
        }
        QRandomGenerator random(17);
        const QByteArray pieces[] = { "\xd2\xe6", "\xc1\xac\xc1\xac", "\x95\x32\x82\x36", "\x81\x30\x81\x30", "\x80",
            "\xff", "\x81", "\x7f", "<", "=\"", "0123456789abcdef0123" };
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes;
            for (int k = random.bounded(40); k > 0; --k)
                bytes += random.bounded(4) ? pieces[random.bounded(int(std::size(pieces)))]
                                           : QByteArray(1, char(random.bounded(256)));
            const QString expected = referenceDecode(bytes);
            QCOMPARE(AnsiCodec::decode(bytes), expected);
            // Cut before any '<', the pieces decode to the whole.
            QString pieceByPiece;
            for (qsizetype from = 0; from < bytes.size();) {
                qsizetype to = bytes.indexOf('<', from + 1);
                to = to < 0 ? bytes.size() : to;
                pieceByPiece += AnsiCodec::decode(QByteArrayView(bytes).sliced(from, to - from));
                from = to;
            }
            QCOMPARE(pieceByPiece, expected);
        }
    }

    void movesNeverReplace()
    {
        const QString from = write("from", "new"), to = write("to", "old");
        QVERIFY(!Files::moveWithoutReplacing(from, to));
        QVERIFY(QFile::exists(from));
        QFile target(to);
        target.open(QIODevice::ReadOnly);
        QCOMPARE(target.readAll(), QByteArray("old"));
        QVERIFY(Files::moveWithoutReplacing(from, dir.filePath("fresh")));
        QVERIFY(!QFile::exists(from));
        QVERIFY(Files::replaceAtomically(dir.filePath("fresh"), to));
    }

    void programFolderIgnoresLetterCase()
    {
        ProgramFolder::setOverride(dir.path());
        write("vertmp.dll", "x");
        QCOMPARE(ProgramFolder::file(QStringLiteral("VerTmp.Dll")), dir.filePath("vertmp.dll"));
        QCOMPARE(ProgramFolder::file(QStringLiteral("LDsend.Dll")), dir.filePath("LDsend.Dll"));
        ProgramFolder::setOverride(QString());
    }

    // TABRAZO_HOME first; the executable's folder only when it can be written and is not an
    // installed tree (root can write /usr/bin); else the user's data folder, whose XDG variable
    // counts only when absolute.
    void programFolderRule()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString portable = root.filePath(QStringLiteral("portable"));
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        QVERIFY(QDir().mkpath(portable) && QDir().mkpath(bin));
        const QString user = root.filePath(QStringLiteral("user"));
        const QString data = user + QStringLiteral("/.local/share/Tabrazo");
        using Env = ProgramFolder::Environment;

        QCOMPARE(ProgramFolder::choose(bin, Env { portable + QStringLiteral("/./x/"), {}, user }),
            portable + QStringLiteral("/x"));
        QCOMPARE(ProgramFolder::choose(portable, Env { {}, {}, user }), portable);
        // A bin folder alone is still portable; with share/tabrazo beside it, it is installed.
        QCOMPARE(ProgramFolder::choose(bin, Env { {}, {}, user }), bin);
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("usr/share/tabrazo"))));
        QVERIFY(ProgramFolder::isInstalledTree(bin));
        QCOMPARE(ProgramFolder::choose(bin, Env { {}, {}, user }), data);
        QCOMPARE(ProgramFolder::choose(bin, Env { {}, root.filePath(QStringLiteral("xdg/")), user }),
            root.filePath(QStringLiteral("xdg/Tabrazo")));
        QCOMPARE(ProgramFolder::choose(bin, Env { {}, QStringLiteral("relative/xdg"), user }), data);
        QCOMPARE(ProgramFolder::choose(root.filePath(QStringLiteral("gone")), Env { {}, {}, user }), data);
        // Permission bits bind only users other than root.
        if (geteuid() != 0) {
            QFile::setPermissions(portable, QFile::ReadOwner | QFile::ExeOwner);
            QCOMPARE(ProgramFolder::choose(portable, Env { {}, {}, user }), data);
            QFile::setPermissions(portable, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
    }

    void waylandDesktopPlatform()
    {
        using Env = DisplayPlatform::Environment;
        using C = DisplayPlatform::Choice;
        QCOMPARE(DisplayPlatform::choose(Env { "wayland", "wayland-0", true }), C::Untouched);
        QCOMPARE(DisplayPlatform::choose(Env { "xcb", "wayland-0", false }), C::Untouched);
        QCOMPARE(DisplayPlatform::choose(Env { {}, "wayland-0", true }), C::XWayland);
        QCOMPARE(DisplayPlatform::choose(Env { {}, "wayland-0", false }), C::NativeWayland);
        QCOMPARE(DisplayPlatform::choose(Env { {}, {}, true }), C::Untouched);
        QCOMPARE(DisplayPlatform::choose(Env { {}, {}, false }), C::Untouched);

        // From the process's own environment; no X server listens on display 9999.
        const QByteArray saved[] = { qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY") };
        char program[] = "tabrazo", option[] = "-platform", offscreen[] = "offscreen";
        char* plain[] = { program, nullptr };
        char* chosen[] = { program, option, offscreen, nullptr };
        qputenv("DISPLAY", ":9999");
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("WAYLAND_DISPLAY");
        QCOMPARE(DisplayPlatform::prepare(1, plain), C::Untouched);
        QVERIFY(!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
        qputenv("WAYLAND_DISPLAY", "wayland-0");
        QCOMPARE(DisplayPlatform::prepare(3, chosen), C::Untouched);
        QVERIFY(!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
        QCOMPARE(DisplayPlatform::prepare(1, plain), C::NativeWayland);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), "wayland");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QCOMPARE(DisplayPlatform::prepare(1, plain), C::Untouched);
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), "offscreen");
        const char* names[] = { "QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY" };
        for (int i = 0; i < 3; ++i) {
            if (saved[i].isNull())
                qunsetenv(names[i]);
            else
                qputenv(names[i], saved[i]);
        }
    }

    // A local display answers only while a server listens on its socket: the file a crashed server
    // left behind does not count. A display on another host is taken on trust.
    void xServerFoundByItsSocket()
    {
        QTemporaryDir sockets;
        QVERIFY(sockets.isValid());
        QLocalServer server;
        QVERIFY(server.listen(sockets.filePath(QStringLiteral("X5"))));
        for (const char* display : { ":5", ":5.0", "unix:5", "otherhost:0.1" })
            QVERIFY2(DisplayPlatform::xServerListens(display, sockets.path()), display);
        QFile stale(sockets.filePath(QStringLiteral("X7")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        for (const char* display : { ":6", ":7", "", "wayland-0", ":5x", "/tmp/.X11-unix/X5" })
            QVERIFY2(!DisplayPlatform::xServerListens(display, sockets.path()), display);
        server.close();
        QVERIFY(!DisplayPlatform::xServerListens(":5", sockets.path()));
    }

    void percentRule()
    {
        QVERIFY(!PercentRule::percent(5, 0));
        QCOMPARE(PercentRule::format00_00(*PercentRule::percent(512, 1024)), QStringLiteral("50.00"));
        QCOMPARE(PercentRule::format00_00(*PercentRule::percent(5, 1000)), QStringLiteral("00.50"));
        QCOMPARE(PercentRule::format00_00(7.5), QStringLiteral("07.50"));
        QCOMPARE(PercentRule::format00_00(100), QStringLiteral("100.00"));
        QCOMPARE(PercentRule::format0(37.4), QStringLiteral("37"));
        QCOMPARE(PercentRule::barValue(2.5), 2);
        QCOMPARE(PercentRule::barValue(3.5), 4);
    }
};

QTEST_GUILESS_MAIN(TestOutside)
#include "tst_outside.moc"
