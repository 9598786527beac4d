#include "core/catalogue/Catalogue.h"
#include "core/catalogue/Rnd.h"
#include "core/outside/Files.h"
#include "support/TestCatalogue.h"

#include <QTemporaryDir>
#include <QTest>

using TestCatalogue::game;

class TestCatalogueRules : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    Catalogue catalogue;

    QString file(const QString& name) const { return dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Same-named categories, an empty one that is not last, a title holding "-", case in titles.
        QVERIFY(TestCatalogue::write(file(QStringLiteral("LDsend.Dll")),
            { { u"动作"_qs,
                  { game(1, u"小猫快跑"_qs), game(2, u"超级-玛丽"_qs), game(3, u"小兵"_qs), game(4, u"大炮"_qs) } },
                { u"空"_qs, {} }, { u"益智"_qs, { game(5, u"连连看"_qs), game(6, u"小鸟"_qs), game(7, u"Abc"_qs) } },
                { u"动作"_qs, { game(8, u"小猫快跑"_qs), game(9, u"终极"_qs) } } }));
    }
    void init() { QVERIFY(catalogue.load(file(QStringLiteral("LDsend.Dll")))); }

    void loading();
    void randomPicks();
    void linesToGames();
    void search();
};

void TestCatalogueRules::loading()
{
    QCOMPARE(catalogue.categoryNames(), QStringList({ "动作", "空", "益智", "动作" }));
    QCOMPARE(catalogue.titles(2), QStringList({ "连连看", "小鸟", "Abc" }));
    QCOMPARE(catalogue.categoryName(3), u"动作"_qs);
    for (int row : { -1, 1, 4 })
        QVERIFY(catalogue.titles(row).isEmpty());
    QCOMPARE(catalogue.categoryName(4), QString());

    // Nothing to play is a failed load, and leaves an empty table with its placeholder.
    QVERIFY(TestCatalogue::write(file(QStringLiteral("empty.Dll")), { { u"空"_qs, {} } }));
    QFile page(file(QStringLiteral("page.Dll")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body><h1>502 Bad Gateway</h1><data id=\"1\" title=\"x\"/></body></html>");
    page.close();
    QVERIFY(!catalogue.load(file(QStringLiteral("page.Dll"))));
    for (const QString& name : { u"empty.Dll"_qs, u"absent.Dll"_qs }) {
        QVERIFY(!catalogue.load(file(name)));
        QCOMPARE(catalogue.categories().size(), name == u"absent.Dll" ? 1 : 2);
    }
    QCOMPARE(catalogue.categoryCount(), 0);
    QCOMPARE(catalogue.gameForLine(u"小鸟"_qs, 0, 0, true).id, 0);

    // A file loaded before is not read again, but another renamed over it is, even with the same
    // size and modification time.
    const QString path = file(u"swap.Dll"_qs), next = file(u"next.Dll"_qs);
    QVERIFY(TestCatalogue::write(path, { { u"A"_qs, { game(1, u"小猫"_qs) } } }));
    QVERIFY(TestCatalogue::write(next, { { u"A"_qs, { game(1, u"小狗"_qs) } } }));
    QFile old(path), replacement(next);
    QVERIFY(old.open(QIODevice::ReadOnly) && replacement.open(QIODevice::ReadWrite));
    QVERIFY(
        replacement.setFileTime(old.fileTime(QFileDevice::FileModificationTime), QFileDevice::FileModificationTime));
    QCOMPARE(replacement.size(), old.size());
    old.close();
    replacement.close();
    QVERIFY(catalogue.load(path));
    QVERIFY(catalogue.load(path));
    QCOMPARE(catalogue.titles(0), QStringList { u"小猫"_qs });
    QVERIFY(Files::replaceAtomically(next, path));
    QVERIFY(catalogue.load(path));
    QCOMPARE(catalogue.titles(0), QStringList { u"小狗"_qs });
}

void TestCatalogueRules::randomPicks()
{
    // The first values every classic BASIC program draws without reseeding.
    Rnd rnd;
    for (double value : { 0.7055475, 0.533424, 0.5795186, 0.2895625, 0.301948, 0.7747401, 0.01401764 })
        QVERIFY(qAbs(rnd.next() - value) < 5e-7);
    // c = Int(u*3 + 1) of 4 categories (never the last), g = Int(v*(n-1) + 1); the empty category
    // gives "空-". The same picks in every run.
    for (int run = 0; run < 2; ++run) {
        Rnd fresh;
        const QStringList picks = catalogue.randomPicks(fresh);
        QCOMPARE(picks.size(), 30);
        QCOMPARE(picks.mid(0, 5), QStringList({ "益智-小鸟", "空-", "动作-小兵", "动作-小兵", "益智-小鸟" }));
        QVERIFY(!picks.contains(u"动作-终极"_qs));
    }
    // Without a category nothing is drawn, so the next picks are not shifted.
    Catalogue none;
    Rnd untouched;
    QVERIFY(none.randomPicks(untouched).isEmpty());
    QVERIFY(qAbs(untouched.next() - 0.7055475) < 5e-7);
}

void TestCatalogueRules::linesToGames()
{
    // A title line is the game at its row of the selected category; without one, no game.
    QCOMPARE(catalogue.gameForLine(u"小鸟"_qs, 1, 2, true).id, 6);
    QCOMPARE(catalogue.categoryForLine(u"小鸟"_qs, 1, 2, true), u"益智"_qs);
    QCOMPARE(catalogue.gameForLine(u"小猫快跑"_qs, 0, -1, true).id, 0);
    QCOMPARE(catalogue.gameForLine(u"小鸟"_qs, 7, 2, true).id, 0);

    // A category-title line names its game wherever it is; the last matching category wins, and
    // the line's category goes with it whatever the category list shows.
    QCOMPARE(catalogue.gameForLine(u"动作-小猫快跑"_qs, 3, 2, true).id, 8);
    QCOMPARE(catalogue.categoryForLine(u"动作-小猫快跑"_qs, 3, 2, true), u"动作"_qs);
    QCOMPARE(catalogue.gameForLine(u"动作-小兵"_qs, 2, 0, false).id, 3);
    QCOMPARE(catalogue.gameForLine(u"动作-小兵-"_qs, 2, 0, false).id, 0); // cut at the first "-"
    QCOMPARE(catalogue.gameForLine(u"空-"_qs, 1, 0, false).id, 0);
    QCOMPARE(catalogue.categoryForLine(u"空-"_qs, 1, 0, false), u"空"_qs);

    // A title holding "-" names no game as a category-title line; at its own row of the game list
    // it is still that game, under the selected category, or it could never be played.
    QCOMPARE(catalogue.gameForLine(u"超级-玛丽"_qs, 1, 0, true).id, 2);
    QCOMPARE(catalogue.categoryForLine(u"超级-玛丽"_qs, 1, 0, true), u"动作"_qs);
    // The same text anywhere else, or at another row, names no game.
    QCOMPARE(catalogue.gameForLine(u"超级-玛丽"_qs, 1, 0, false).id, 0);
    QCOMPARE(catalogue.gameForLine(u"超级-玛丽"_qs, 2, 0, true).id, 0);
    QCOMPARE(catalogue.categoryForLine(u"超级-玛丽"_qs, 2, 0, true), u"超级"_qs);
}

void TestCatalogueRules::search()
{
    QCOMPARE(catalogue.search(u"小"_qs), QStringList({ "动作-小猫快跑", "动作-小兵", "益智-小鸟", "动作-小猫快跑" }));
    QCOMPARE(catalogue.search(u"Abc"_qs), QStringList({ "益智-Abc" }));
    // Exact, case-sensitive, untrimmed, titles only.
    for (const QString& text : { u"abc"_qs, u" 小"_qs, u"动作"_qs })
        QVERIFY2(catalogue.search(text).isEmpty(), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestCatalogueRules)
#include "tst_catalogue.moc"
