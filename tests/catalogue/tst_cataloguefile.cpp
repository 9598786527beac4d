#include "core/catalogue/CatalogueFile.h"
#include "core/outside/AnsiCodec.h"

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

    void bytesParseAsDecodedText();
    void textsOutliveTheTable();
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

// Every field of every game, for comparing two parses.
static QStringList dump(const QVector<Category>& categories)
{
    QStringList out;
    for (const Category& category : categories) {
        out << u"#"_qs + category.name + u'|' + QString::number(category.name.isNull());
        for (const Game& g : category.games)
            out << QStringList { QString::number(g.id), QString::number(g.fid), g.title, g.litpic, g.filesize,
                g.flash_fangfa, g.flashurl, g.flashsay, g.onclick, g.keyboard, g.ztid }
                       .join(u'|');
    }
    return out;
}

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

void TestCatalogueFile::bytesParseAsDecodedText()
{
    // The file's bytes are cut and decoded one record at a time; that must yield what the whole
    // decoded text yields, also where a category's name lies in a later record or runs across
    // records, and where a lead byte stands right before a marker.
    QList<QByteArray> inputs = {
        "",
        "<data title=\"before any category\"/><category name=\"A\"><data title=\"a\" ztid=\"2\"/>",
        "<category><data title=\"t\"/><data title=\"u\" name=\"late\"/>",
        "<category name=\"runs<data across\"><data title=\"x\" id=\"1\"/>",
        "<category name=\"one quote<data title=\"x\"/><data title=\"y\"/><category name=\"B\">",
        "<category name=\"never closed<data title=\"x/>",
        "<category>name=<data title=\"x\"/>",
        "<category name=\"\xd2\xe6\xd6\xc7\xc1\"><data title=\"\xc1\xac\xc1<data title=\"\x95\x32\x82\x36\"/>",
        "<category name=\"A\"\xc1<data title=\"\xc1\xac\" keyboard=\"\xc1\xac\" filesize=\"1 KB\"/>\xff<category",
        "<category name=\"A\"><data title=\"a\" flashsay=\"" + QByteArray(70000, 'x') + "\" id=\"3\"/><data",
    };
    QRandomGenerator random(11);
    for (int round = 0; round < 40; ++round) {
        QByteArray junk;
        for (int k = random.bounded(60); k > 0; --k) {
            static const char* const pieces[] = { "<category", "<data", " name=\"", " title=\"", " id=\"1", "\"", "=",
                "\xc1\xac", "\xc1", "\x81\x30\x81\x30", "\xff", "ab", "<" };
            junk += random.bounded(5) ? QByteArray(pieces[random.bounded(int(std::size(pieces)))])
                                      : QByteArray(1, char(random.bounded(256)));
        }
        inputs << junk;
    }
    for (const QByteArray& bytes : inputs)
        QCOMPARE(dump(CatalogueFile::ParseAnsi(bytes)), dump(CatalogueFile::Parse(AnsiCodec::decode(bytes))));
}

void TestCatalogueFile::textsOutliveTheTable()
{
    // The values share larger blocks of memory; each must still behave as a string of its own.
    QByteArray bytes = "<category name=\"C\">";
    for (int i = 0; i < 3000; ++i)
        bytes += "<data id=\"" + QByteArray::number(i) + "\" title=\"game " + QByteArray::number(i)
            + "\" keyboard=\"\xca\xf3\xb1\xea\" flashurl=\"http://h/" + QByteArray::number(i) + ".swf\"/>";
    QString title, keyboard, url;
    {
        QVector<Category> c = CatalogueFile::ParseAnsi(bytes);
        Game& first = c[1].games[1];
        // Written in place, a value must not run over its neighbours.
        first.title.append(u" and a long tail that would cover the next values"_qs);
        first.keyboard[0] = u'x';
        QCOMPARE(c[1].games[1].flashurl, u"http://h/0.swf"_qs);
        QCOMPARE(c[1].games[2].keyboard, u"鼠标"_qs);
        QCOMPARE(c[1].games[2].title, u"game 1"_qs);
        title = c[1].games[3000].title;
        keyboard = c[1].games[3000].keyboard;
        url = c[1].games[3000].flashurl;
    }
    QCOMPARE(title, u"game 2999"_qs);
    QCOMPARE(keyboard, u"鼠标"_qs);
    // Terminated, as every string's characters are.
    QCOMPARE(url.utf16()[url.size()], u'\0');
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(url.utf16())), u"http://h/2999.swf"_qs);
    // Now the last string of its block: written in place.
    title.clear();
    keyboard.clear();
    url.append(u"?x"_qs);
    QCOMPARE(url, u"http://h/2999.swf?x"_qs);
}

void TestCatalogueFile::decodesGbk()
{
    // 益智 / 连连看, the euro sign and a four-byte GB18030 sequence for U+20000.
    const QByteArray bytes = QByteArray::fromHex("3c63617465676f7279206e616d653d22d2e6d6c7223e"
                                                 "3c64617461207469746c653d22c1acc1acbfb4a2e39532823622")
        + "/>";
    const QVector<Category> c = CatalogueFile::Read(write(bytes));
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
    for (const QString& path : { dir.filePath(u"missing.Dll"_qs), dir.path(), write(QByteArray()) })
        QCOMPARE(CatalogueFile::Read(path).size(), 1);
}

void TestCatalogueFile::damagedContent()
{
    // An invalid lead byte must not swallow the quote after it; a lone lead byte at the end is kept.
    QVector<Category> c = CatalogueFile::Read(
        write("<category name=\"\x81\"><data id=\"1\" title=\"a\xff\x80z\"/><data id=\"2\" title=\"x\xd2"));
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
    c = CatalogueFile::Read(write(junk));
    QCOMPARE(dump(c), dump(CatalogueFile::Parse(CatalogueFile::ReadTextFile(write(junk)))));
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

    const QVector<Category> c = CatalogueFile::Read(path);
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
