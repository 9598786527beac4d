#include "core/outside/AnsiCodec.h"
#include "core/shell/NoticeRotation.h"
#include "core/shell/ViewDropDown.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

// The main window's rules that need no window: the view buttons' drop-down menus and the notice
// line's cycle.
class TestShellRules : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    // The texts the line shows over ticks of the rotation, from its start.
    QStringList shown(const QString& file, int ticks)
    {
        int next = 0;
        QStringList texts;
        for (int i = 0; i < ticks; ++i)
            texts << NoticeRotation::step(next, file).text;
        return texts;
    }

private slots:
    void dropDown()
    {
        // A press on a button its own previous press switched on arms it; other states stay.
        for (auto [before, after] : { std::pair { 1, 0 }, { 0, 0 }, { 2, 2 } }) {
            int state = before;
            ViewDropDown::mouseDown(state);
            QCOMPARE(state, after);
        }
        // Only an armed button opens its menu, and only right of 60 pixels.
        QVERIFY(ViewDropDown::opensMenu(0, 61, 10, false));
        QVERIFY(!ViewDropDown::opensMenu(0, 60, 10, false));
        QVERIFY(!ViewDropDown::opensMenu(1, 70, 10, false));
        QVERIFY(!ViewDropDown::opensMenu(2, 70, 10, false));
        // The game list's button: below 87 pixels, and any row but the top one (y × 1050 > 435).
        QVERIFY(!ViewDropDown::opensMenu(0, 70, 0, true));
        QVERIFY(ViewDropDown::opensMenu(0, 70, 1, true));
        QVERIFY(ViewDropDown::opensMenu(0, 70, 0.5f, true));
        QVERIFY(!ViewDropDown::opensMenu(0, 70, 0.4f, true));
        QVERIFY(ViewDropDown::opensMenu(0, 86, 20, true));
        QVERIFY(!ViewDropDown::opensMenu(0, 87, 20, true));
        QVERIFY(ViewDropDown::opensMenu(0, 87, 0, false));
    }

    void rotation()
    {
        QVERIFY(dir.isValid());
        // Sections count from 1; the first tick reads AD0 and shows an empty line.
        const QString two = dir.filePath(QStringLiteral("two.dll"));
        QVERIFY(put(two,
            AnsiCodec::encode(u"[AD1]\r\nADNAME=第一条\r\nadurl=http://a/1\r\n[ad2]\r\nadname=第二条\r\n"
                              u"ADURL=https://a/2\r\n")));
        QCOMPARE(shown(two, 6), QStringList({ "", "第一条", "第二条", "第一条", "第二条", "第一条" }));
        int next = 1;
        QCOMPARE(NoticeRotation::step(next, two).link, u"http://a/1"_qs);
        QCOMPARE(NoticeRotation::step(next, two).link, u"https://a/2"_qs);

        // Every section counts, the settings ones as empty notices.
        const QString mixed = dir.filePath(QStringLiteral("mixed.dll"));
        QVERIFY(put(mixed,
            AnsiCodec::encode(u"[用户设置]\r\n开启启动=1\r\n[AD1]\r\nADNAME=甲\r\n[AD2]\r\nADNAME=乙\r\n"
                              u"[RKHotKey]\r\nHK1Text=无\r\n")));
        QCOMPARE(shown(mixed, 7), QStringList({ "", "甲", "乙", "", "", "甲", "乙" }));

        // No file: empty texts, the number still moves on.
        next = 0;
        const NoticeRotation::Notice none = NoticeRotation::step(next, dir.filePath(QStringLiteral("absent.dll")));
        QVERIFY(none.text.isEmpty() && none.link.isEmpty());
        QCOMPARE(next, 1);
    }

    void openableLinks()
    {
        for (const char* link : { "http://example.com/a?b=1", "HTTPS://example.com/", " http://example.com " })
            QVERIFY2(NoticeRotation::isOpenable(QString::fromLatin1(link)), link);
        for (const char* link : { "", "file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", "calc.exe",
                 "http://", "ftp://example.com/", "mailto:a@b.c" })
            QVERIFY2(!NoticeRotation::isOpenable(QString::fromLatin1(link)), link);
    }
};

QTEST_GUILESS_MAIN(TestShellRules)
#include "tst_shellrules.moc"
