#include "core/catalogue/CatalogueFile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestCatalogueFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QLoggingCategory::setFilterRules(u"tabrazo.catalogue.debug=false"_qs);
    }

    void cutsAtMarkers();
    void getAttribute_data();
    void getAttribute();
    void recordFields();
    void ids_data();
    void ids();

    void decodesGbk();
    void unusableFiles();
    void damagedContent();
    void hundredMegabytes();

private:
    QString write(const QByteArray& bytes)
    {
        const QString path = dir.filePath(QStringLiteral("f%1.Dll").arg(++files));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return path;
    }

    QTemporaryDir dir;
    int files = 0;
};

// "name[title,title] name[]" for categories 1..m; position 0 must be an empty placeholder.
static QString shape(const QVector<Category>& categories)
{
    if (categories.isEmpty() || !categories[0].name.isEmpty() || categories[0].games.size() != 1)
        return u"bad placeholder"_qs;
    QStringList parts;
    for (const Category& category : categories.mid(1)) {
        QStringList titles;
        for (const Game& game : category.games.mid(1))
            titles << game.title;
        parts << category.name + u'[' + titles.join(u',') + u']';
    }
    return parts.join(u' ');
}

void TestCatalogueFile::cutsAtMarkers()
{
    QCOMPARE(shape(CatalogueFile::Parse(QString())), QString());
    QCOMPARE(shape(CatalogueFile::Parse(u"<root><data title=\"lost\"/></root>"_qs)), QString());
    // Case-sensitive markers.
    QCOMPARE(shape(CatalogueFile::Parse(u"<Category name=\"A\"><DATA/>"_qs)), QString());
    // Longer tag names start chunks and records too.
    QCOMPARE(shape(CatalogueFile::Parse(u"<?xml version=\"1.0\"?><root name=\"prolog\"><data title=\"x\"/>"
                                        "<category name=\"A\"><data title=\"a1\"/><data title=\"a2\"/></category>"
                                        "<categoryX name=\"B\"><database title=\"b1\"/>"
                                        "<category name=\"C\"></category><category></root>"_qs)),
        u"A[a1,a2] B[b1] C[] []"_qs);
    // The name comes from the whole chunk: the header's, else a record's; the tail of filename= counts.
    QCOMPARE(
        shape(CatalogueFile::Parse(u"<category name=\"H\"><data title=\"t\"/><category><data title=\"u\" name=\"R\"/>"
                                   "<category filename=\"f.xml\" name=\"H\">"_qs)),
        u"H[t] R[u] f.xml[]"_qs);
}

void TestCatalogueFile::getAttribute_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << u" id=\"5\" title=\"t\""_qs << u"title"_qs << u"t"_qs;
    QTest::newRow("ztid before id") << u" ztid=\"77\" id=\"5\""_qs << u"id"_qs << u"77"_qs;
    QTest::newRow("id before ztid") << u" id=\"5\" ztid=\"77\""_qs << u"id"_qs << u"5"_qs;
    QTest::newRow("first of two") << u"title=\"a\" title=\"b\""_qs << u"title"_qs << u"a"_qs;
    QTest::newRow("entity kept") << u"title=\"Tom &amp; &#20320;\""_qs << u"title"_qs << u"Tom &amp; &#20320;"_qs;
    QTest::newRow("no trimming") << u"title=\" a \r\n\""_qs << u"title"_qs << u" a \r\n"_qs;
    QTest::newRow("space before quote") << u"title= \"abc\" x"_qs << u"title"_qs << u"\"abc"_qs;
    QTest::newRow("single quotes") << u"title='abc' litpic=\"p\""_qs << u"title"_qs << u"abc' litpic=\"p"_qs;
    QTest::newRow("one quote") << u"title=\"abc"_qs << u"title"_qs << QString();
    QTest::newRow("no quote") << u"title=abc"_qs << u"title"_qs << QString();
    QTest::newRow("empty value") << u"title=\"\" x=\"y\""_qs << u"title"_qs << QString();
    QTest::newRow("case-sensitive") << u"Title=\"a\""_qs << u"title"_qs << QString();
    QTest::newRow("missing") << u"litpic=\"a\""_qs << u"title"_qs << QString();
    QTest::newRow("name without =") << u"title \"a\" title=\"b\""_qs << u"title"_qs << u"b"_qs;
    QTest::newRow("= at the start") << u"=\"a\""_qs << u"title"_qs << QString();
    QTest::newRow("empty text") << QString() << u"id"_qs << QString();
}

void TestCatalogueFile::getAttribute()
{
    QFETCH(QString, text);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(CatalogueFile::GetAttribute(text, name), value);
    // A record yields what GetAttribute yields on it.
    const QVector<Category> c = CatalogueFile::Parse(u"<category><data"_qs + text);
    if (name == u"title")
        QCOMPARE(c[1].games[1].title, value);
}

void TestCatalogueFile::recordFields()
{
    const QVector<Category> c = CatalogueFile::Parse(
        u"<category name=\"N\"><data id=\"12\" title=\"T\" litpic=\"/p.jpg\" filesize=\"1.2M\" flash_fangfa=\"F\" "
        "flashurl=\"http://h/g.swf\" flashsay=\"S\" onclick=\"9\" keyboard=\"K\" ztid=\"3\"/>\r\n"
        "<data title=\"only\" flashsay=\"x <database y\"/>"_qs);
    QCOMPARE(c[1].games.size(), 4);
    const auto fields = [](const Game& g) {
        return QStringList { QString::number(g.id), QString::number(g.fid), g.title, g.litpic, g.filesize,
            g.flash_fangfa, g.flashurl, g.flashsay, g.onclick, g.keyboard, g.ztid };
    };
    QCOMPARE(fields(c[1].games[1]),
        QStringList({ u"12"_qs, u"0"_qs, u"T"_qs, u"/p.jpg"_qs, u"1.2M"_qs, u"F"_qs, u"http://h/g.swf"_qs, u"S"_qs,
            u"9"_qs, u"K"_qs, u"3"_qs }));
    // Missing attributes are empty; a "<data" inside a value still starts a record.
    QCOMPARE(fields(c[1].games[2]), QStringList({ u"0"_qs, u"0"_qs, u"only"_qs }) << QStringList(8));
    QCOMPARE(c[1].games[3].title, QString());
}

void TestCatalogueFile::ids_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("id");
    const struct {
        const char* text;
        int id;
    } rows[] = {
        { "7", 7 }, { "2.5", 2 }, { "3.5", 4 }, { "-0.5", 0 }, { "-2.5", -2 }, { "-3.5", -4 }, { "0.5000001", 1 },
        { "2.49999999999999999999", 2 }, { " \t12 ", 12 }, { "+7", 7 }, { "007", 7 }, { "5.", 5 }, { ".5", 0 },
        { ".51", 1 }, { "32767", 32767 }, { "-32768", -32768 }, { "32767.4", 32767 }, { "-32768.5", -32768 },
        // Anything else gives 0.
        { "32768", 0 }, { "-32769", 0 }, { "32767.5", 0 }, { "99999999999999999999", 0 }, { "", 0 }, { " ", 0 },
        { "abc", 0 }, { "12abc", 0 }, { "1 2", 0 }, { "2\n", 0 }, { "--1", 0 }, { "+", 0 }, { ".", 0 }, { "1e3", 0 },
        { "0x10", 0 }, { "1,000", 0 }, { "\xd9\xa3", 0 }, // an Arabic-Indic digit
    };
    for (const auto& row : rows)
        QTest::newRow(row.text) << QString::fromUtf8(row.text) << row.id;
}

void TestCatalogueFile::ids()
{
    QFETCH(QString, text);
    QFETCH(int, id);
    const QVector<Category> c = CatalogueFile::Parse(u"<category><data title=\"kept\" id=\""_qs + text + u"\"/>"_qs);
    QCOMPARE(c[1].games.size(), 2);
    QCOMPARE(c[1].games[1].title, u"kept"_qs);
    QCOMPARE(int(c[1].games[1].id), id);
}

void TestCatalogueFile::decodesGbk()
{
    // 益智 / 连连看, the euro sign and a four-byte GB18030 sequence for U+20000.
    const QByteArray bytes = QByteArray::fromHex("3c63617465676f7279206e616d653d22d2e6d6c7223e"
                                                 "3c64617461207469746c653d22c1acc1acbfb4a2e39532823622")
        + "/>";
    const QVector<Category> c = CatalogueFile::Parse(CatalogueFile::ReadTextFile(write(bytes)));
    QCOMPARE(c.size(), 2);
    QCOMPARE(c[1].name, u"益智"_qs);
    QCOMPARE(c[1].games[1].title, u"连连看€\U00020000"_qs);
}

void TestCatalogueFile::unusableFiles()
{
    QVERIFY(CatalogueFile::ReadTextFile(dir.filePath(u"missing.Dll"_qs)).isEmpty());
    QVERIFY(CatalogueFile::ReadTextFile(dir.path()).isEmpty());
    const QString empty = CatalogueFile::ReadTextFile(write(QByteArray()));
    QVERIFY(empty.isEmpty());
    QCOMPARE(CatalogueFile::Parse(empty).size(), 1);
}

void TestCatalogueFile::damagedContent()
{
    // An invalid lead byte must not swallow the quote after it; a lone lead byte at the end is kept.
    QVector<Category> c = CatalogueFile::Parse(CatalogueFile::ReadTextFile(
        write("<category name=\"\x81\"><data id=\"1\" title=\"a\xff\x80z\"/><data id=\"2\" title=\"x\xd2")));
    QCOMPARE(c.size(), 2);
    QCOMPARE(c[1].name, u"\uFFFD"_qs);
    QCOMPARE(c[1].games.size(), 3);
    QCOMPARE(c[1].games[1].title, u"a\uFFFD\uFFFDz"_qs);
    // Cut off inside the value: the record stays, without that value.
    QCOMPARE(c[1].games[2].id, qint16(2));
    QCOMPARE(c[1].games[2].title, QString());

    QRandomGenerator random(7);
    QByteArray junk(256 * 1024, Qt::Uninitialized);
    for (char& b : junk)
        b = char(random.bounded(256));
    for (int i = 0; i < 200; ++i)
        junk.insert(random.bounded(junk.size()), i % 3 ? QByteArrayView("<data id=\"") : QByteArrayView("<category"));
    c = CatalogueFile::Parse(CatalogueFile::ReadTextFile(write(junk)));
    QVERIFY(c.size() > 1);
    QVERIFY(c[0].name.isEmpty());
}

void TestCatalogueFile::hundredMegabytes()
{
    // Mostly Chinese text between records: all of it is decoded and scanned, little of it is kept.
    QByteArray filler;
    for (int i = 0; i < 1000; ++i)
        filler += "\xc1\xac";
    const QByteArray record = "<data id=\"1\" title=\"\xc1\xac\xc1\xac\xbf\xb4\" litpic=\"/l/1.jpg\" filesize=\"2M\" "
                              "flashurl=\"http://h/1.swf\" flashsay=\"s\" keyboard=\"k\" ztid=\"9\"/>"
        + filler + "\r\n";
    QByteArray category = "<category name=\"c\">\r\n";
    for (int i = 0; i < 100; ++i)
        category += record;
    const qsizetype target = 100 * 1024 * 1024;
    QByteArray bytes;
    bytes.reserve(target + category.size());
    while (bytes.size() < target)
        bytes += category;
    bytes.truncate(target);
    const qsizetype categories = bytes.count("<category");
    const qsizetype games = bytes.count("<data");
    const QString path = write(bytes);
    bytes = QByteArray();

    const QVector<Category> c = CatalogueFile::Parse(CatalogueFile::ReadTextFile(path));
    QCOMPARE(c.size(), categories + 1);
    qsizetype parsed = 0;
    for (const Category& category : c)
        parsed += category.games.size() - 1;
    QCOMPARE(parsed, games);
    QCOMPARE(c[1].games[100].title, u"连连看"_qs);
    QCOMPARE(c[1].games[100].ztid, u"9"_qs);
}

QTEST_GUILESS_MAIN(TestCatalogueFile)
#include "tst_cataloguefile.moc"
