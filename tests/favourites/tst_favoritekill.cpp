// A writer killed at any moment of an add leaves a sound file holding every add it reported, and
// at most the one add it committed but had no time to report.
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// The sqlite3 tool's answer to the statements, one output line per result row.
QStringList sqlite3(const QString& file, const QStringList& statements)
{
    QProcess tool;
    tool.start(u"sqlite3"_s, QStringList { u"-batch"_s, file } + statements);
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return { u"sqlite3 failed: "_s + QString::fromLocal8Bit(tool.readAllStandardError()) };
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class FavoriteKillTest : public QObject {
    Q_OBJECT

private slots:
    void killedWriterLeavesWholeAdds()
    {
        if (QStandardPaths::findExecutable(u"sqlite3"_s).isEmpty())
            QFAIL("the sqlite3 command-line tool is missing (scripts/install-deps.sh installs it)");
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString file = home.filePath(u"Favorite.mdb"_s);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"TABRAZO_HOME"_s, home.path());

        qint64 rows = 0;
        int unreported = 0;
        int journals = 0;
        for (int round = 0; round < 100; ++round) {
            QProcess writer;
            writer.setProcessEnvironment(environment);
            writer.start(QStringLiteral(FAVORITE_WRITER_PATH), { u"1000000"_s });
            QVERIFY(writer.waitForStarted());

            // Kill moments vary: before the first add, during the file's and the table's creation
            // (first rounds), and at scattered points of later adds.
            QByteArray output;
            const int waitFor = round % 4;
            while (output.count('\n') < waitFor && writer.waitForReadyRead(10000))
                output += writer.readAllStandardOutput();
            QThread::usleep(ulong((round * 7919) % 6000));
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            output += writer.readAllStandardOutput();
            QCOMPARE(writer.readAllStandardError(), QByteArray());
            const qint64 reported = output.count('\n');

            if (!QFile::exists(file)) {
                QCOMPARE(reported, 0);
                continue;
            }
            // A journal left behind means the kill came inside a write; sqlite3 rolls it back on opening.
            if (QFileInfo(file + u"-journal"_s).size() > 0)
                ++journals;
            QCOMPARE(sqlite3(file, { u"PRAGMA integrity_check"_s }), QStringList { u"ok"_s });
            qint64 now = 0;
            if (sqlite3(file, { u"select count(*) from sqlite_master where name = 'Favorite'"_s })
                == QStringList { u"1"_s }) {
                const QStringList counts = sqlite3(file,
                    { u"select count(*) from Favorite"_s,
                        u"select count(*) from Favorite where length([name]) <> 50 or length(flashurl) <> 100"_s });
                QCOMPARE(counts.size(), 2);
                now = counts[0].toLongLong();
                QCOMPARE(counts[1], u"0"_s);
            }
            const qint64 added = now - rows;
            if (added < reported || added > reported + 1)
                QFAIL(qPrintable(
                    u"round %1: %2 adds reported, the file grew by %3"_s.arg(round).arg(reported).arg(added)));
            unreported += int(added - reported);
            rows = now;
        }
        QVERIFY(rows > 0);
        qInfo("%lld rows after 100 kills; %d kills inside a write; %d adds committed without being reported", rows,
            journals, unreported);
    }
};

QTEST_GUILESS_MAIN(FavoriteKillTest)
#include "tst_favoritekill.moc"
