#include "core/player/Snapping.h"
#include "core/update/UpdateInstaller.h"
#include "core/update/UpdateRules.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The updater's rules and the docking arithmetic: pure functions, checked on values and rectangles.
class UpdateRulesTest : public QObject {
    Q_OBJECT

private slots:
    void versionTextsAndComparison()
    {
        QCOMPARE(UpdateRules::versionText(3, 0, 1), QStringLiteral("3.0.1"));
        QCOMPARE(UpdateRules::versionText(10, 20, 300), QStringLiteral("10.20.300"));
        QCOMPARE(UpdateRules::runningVersion(), QStringLiteral(TABRAZO_VERSION));
        QVERIFY(!UpdateRules::isUpdate(QStringLiteral("3.0.1"), QStringLiteral("3.0.1")));
        QVERIFY(UpdateRules::isUpdate(QStringLiteral("3.0.1"), QStringLiteral("3.0.01")));
        QVERIFY(UpdateRules::isUpdate(QStringLiteral("3.0.1"), QStringLiteral("3.0.0")));
        QVERIFY(UpdateRules::isUpdate(QStringLiteral("3.0.1"), QString()));
    }

    void importance()
    {
        QVERIFY(!UpdateRules::isImportant(QStringLiteral("10")));
        QVERIFY(!UpdateRules::isImportant(QStringLiteral("0")));
        QVERIFY(UpdateRules::isImportant(QStringLiteral("1")));
        QVERIFY(UpdateRules::isImportant(QString()));
    }

    void countdownAndSpinner()
    {
        QCOMPARE(UpdateRules::countdownLine(5), QStringLiteral("5秒后程序将重新开始读取网络版本！"));
        QCOMPARE(UpdateRules::countdownLine(1), QStringLiteral("1秒后程序将重新开始读取网络版本！"));
        int step = 0;
        QString seen;
        for (int i = 0; i < 4; ++i)
            seen += UpdateRules::spinner(step);
        QCOMPARE(seen, QStringLiteral("－＼／－"));
        step = 17;
        QCOMPARE(UpdateRules::spinner(step), QChar(0xFF0D));
    }

    void percentRoundsHalvesToEvenAndStopsAt100()
    {
        QCOMPARE(UpdateRules::percent(1, 200), 0); // 0.5
        QCOMPARE(UpdateRules::percent(3, 200), 2); // 1.5
        QCOMPARE(UpdateRules::percent(50, 100), 50);
        QCOMPARE(UpdateRules::percent(250, 100), 100);
        QCOMPARE(UpdateRules::percent(5, 0), 0);
    }

    void digestValues()
    {
        QVERIFY(UpdateRules::expectedDigest(QString()).isEmpty());
        QVERIFY(UpdateRules::expectedDigest(QStringLiteral("  ")).isEmpty());
        const QString hex = QStringLiteral("AB").repeated(32);
        QCOMPARE(UpdateRules::expectedDigest(hex), QByteArray(32, char(0xAB)));
        // Present but unusable: it must fail every file, never count as "no digest".
        for (const QString& bad : QStringList { QStringLiteral("ab"), QStringLiteral("zz").repeated(32), hex + u'0' }) {
            const QByteArray d = UpdateRules::expectedDigest(bad);
            QVERIFY(!d.isEmpty());
            QVERIFY(d.size() != 32);
        }
    }

    void installerChecksPlacesAndStarts()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("Tabrazo.exe"));
        const QString marker = dir.filePath(QStringLiteral("ran"));
        auto write = [](const QString& path, const QByteArray& bytes) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        auto script = [&](const char* word) -> QByteArray {
            return QByteArray("#!/bin/sh\necho ") + word + " >> '" + QFile::encodeName(marker) + "'\n";
        };
        auto ranWords = [&] {
            QFile f(marker);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };

        // A planted older file stays unstarted: the received one takes its place and runs.
        write(target, script("stale"));
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
        const QString received = dir.filePath(QStringLiteral("received.tmp"));
        write(received, script("fresh"));
        const QByteArray digest = QCryptographicHash::hash(script("fresh"), QCryptographicHash::Sha256);
        QString logged;
        QCOMPARE(UpdateInstaller::install(received, target, digest, &logged), UpdateInstaller::Started);
        QCOMPARE(logged, QString::fromLatin1(digest.toHex()));
        QTRY_COMPARE(ranWords(), QByteArray("fresh\n"));
        QVERIFY(!QFile::exists(received));
        QVERIFY(QFile::permissions(target) & QFileDevice::ExeOwner);

        // A file that does not match the announced digest is deleted; the old one stays and nothing runs.
        write(received, script("tampered"));
        QCOMPARE(UpdateInstaller::install(received, target, digest), UpdateInstaller::DigestMismatch);
        QVERIFY(!QFile::exists(received));
        QCOMPARE(UpdateInstaller::install(received, target, digest), UpdateInstaller::DigestMismatch);
        QTest::qWait(300);
        QCOMPARE(ranWords(), QByteArray("fresh\n"));

        // A place that cannot be taken: nothing starts, the received file goes.
        const QString folder = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/inside")));
        write(received, script("nowhere"));
        QCOMPARE(UpdateInstaller::install(received, folder, QByteArray()), UpdateInstaller::NotPlaced);
        QVERIFY(!QFile::exists(received));
    }

    // Snap on rectangles: main window at (100, 100), 300 x 500; right edge 400, bottom 600.
    void snap_data()
    {
        QTest::addColumn<QRect>("follower");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QPoint>("moveTo");
        const QPoint none(-1, -1);
        QTest::newRow("right, 10 away snaps") << QRect(410, 150, 200, 100) << 2 << 50 << QPoint(400, 150);
        QTest::newRow("right, 10 inside snaps") << QRect(390, 150, 200, 100) << 2 << 50 << QPoint(400, 150);
        QTest::newRow("right, 11 away stays") << QRect(411, 150, 200, 100) << 0 << 0 << none;
        QTest::newRow("left") << QRect(-95, 580, 200, 100) << 1 << 480 << QPoint(-100, 580);
        QTest::newRow("left edge but wholly above: no other edge tried")
            << QRect(-100, -50, 200, 140) << 0 << 0 << none;
        QTest::newRow("touching corner counts as overlap") << QRect(405, 0, 100, 100) << 2 << -100 << QPoint(400, 0);
        QTest::newRow("above") << QRect(150, -5, 100, 100) << 3 << 50 << QPoint(150, 0);
        QTest::newRow("below") << QRect(120, 607, 100, 100) << 4 << 20 << QPoint(120, 600);
        QTest::newRow("bottom-right corner: the right edge decides") << QRect(401, 607, 100, 100) << 0 << 0 << none;
        QTest::newRow("far away") << QRect(700, 700, 100, 100) << 0 << 0 << none;
    }

    void snap()
    {
        QFETCH(QRect, follower);
        QFETCH(int, side);
        QFETCH(int, offset);
        QFETCH(QPoint, moveTo);
        const Snapping::Dock dock = Snapping::snap(QRectF(100, 100, 300, 500), follower);
        QCOMPARE(int(dock.side), side);
        QCOMPARE(int(dock.offset), offset);
        QCOMPARE(dock.moveTo.value_or(QPoint(-1, -1)), moveTo);
    }

    void followAndRounding()
    {
        const QSize size(200, 100);
        const QRectF main(100, 100, 300, 500);
        QCOMPARE(Snapping::follow(main, size, Snapping::LeftOf, 30), QPoint(-100, 130));
        QCOMPARE(Snapping::follow(main, size, Snapping::RightOf, 30), QPoint(400, 130));
        QCOMPARE(Snapping::follow(main, size, Snapping::Above, -20), QPoint(80, 0));
        QCOMPARE(Snapping::follow(main, size, Snapping::Below, -20), QPoint(80, 600));
        // A wider main window pushes a right-side follower outward; a taller one a bottom one down.
        QCOMPARE(Snapping::follow(QRectF(100, 100, 340, 500), size, Snapping::RightOf, 30), QPoint(440, 130));
        QCOMPARE(Snapping::follow(QRectF(100, 100, 300, 560), size, Snapping::Below, -20), QPoint(80, 660));

        // Fractional main windows: halves go to the even neighbour, in targets and offsets alike.
        QCOMPARE(Snapping::follow(QRectF(0.5, 2.5, 100, 100), size, Snapping::RightOf, 0), QPoint(100, 2));
        QCOMPARE(Snapping::follow(QRectF(0.5, 3.5, 100, 100), size, Snapping::RightOf, 0), QPoint(100, 4));
        const Snapping::Dock dock = Snapping::snap(QRectF(0, 10.5, 101.5, 100), QRect(105, 20, 50, 50));
        QCOMPARE(dock.moveTo.value(), QPoint(102, 20));
        QCOMPARE(int(dock.offset), 10); // 9.5

        // After a Follow the follower lies on the edge: Snap records the same side and offset.
        const QPoint at = Snapping::follow(main, size, Snapping::Below, -20);
        const Snapping::Dock again = Snapping::snap(main, QRect(at, size));
        QCOMPARE(int(again.side), int(Snapping::Below));
        QCOMPARE(int(again.offset), -20);
    }
};

QTEST_GUILESS_MAIN(UpdateRulesTest)
#include "tst_updaterules.moc"
