#include "core/outside/AnsiCodec.h"
#include "core/outside/ProgramFolder.h"
#include "core/settings/IniFile.h"
#include "core/settings/ModSl.h"
#include "core/settings/modINI.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/IniLines.h"
#include "support/TestFiles.h"

using namespace Qt::StringLiterals;

namespace {

using IniLines::keepsOtherLines;

QString read(const QString& section, const QString& key, const QString& path)
{
    QString buffer(255, QChar(0));
    const int n = IniFile::getString(section, key, u"dflt"_s, buffer, 255, path);
    return buffer.left(n);
}

// Root writes into a folder whatever its mode says; the immutable flag stops root as well.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder)
        : path(QFile::encodeName(folder))
    {
        ::chmod(path.constData(), 0555);
        if (::geteuid() == 0)
            immutable = setImmutable(true);
    }
    ~ReadOnlyFolder()
    {
        if (immutable)
            setImmutable(false);
        ::chmod(path.constData(), 0755);
    }
    bool effective() const { return ::geteuid() != 0 || immutable; }

private:
    bool setImmutable(bool on)
    {
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return ok;
    }
    QByteArray path;
    bool immutable = false;
};

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString file(const QString& name = u"Config.dll"_s) const { return dir->filePath(name); }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        ProgramFolder::setOverride(dir->path());
    }

    void reading_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("section case") << "[ad2]\r\nADNAME=hello\r\n"_ba << u"AD2"_s << u"adname"_s << u"hello"_s;
        QTest::newRow("absent key") << "[s]\r\nk=1\r\n"_ba << u"s"_s << u"x"_s << u"dflt"_s;
        QTest::newRow("absent section") << "[s]\r\nk=1\r\n"_ba << u"t"_s << u"k"_s << u"dflt"_s;
        QTest::newRow("blanks trimmed") << "[s]\r\n \t k  = v 1 \x1a\r\n"_ba << u" s "_s << u"k"_s << u"v 1"_s;
        QTest::newRow("double quotes") << "[s]\nk=\"a b\"\n"_ba << u"s"_s << u"k"_s << u"a b"_s;
        QTest::newRow("single quotes") << "[s]\nk='x'\n"_ba << u"s"_s << u"k"_s << u"x"_s;
        QTest::newRow("unmatched quotes") << "[s]\nk=\"x'\n"_ba << u"s"_s << u"k"_s << u"\"x'"_s;
        QTest::newRow("lone quote") << "[s]\nk=\"\n"_ba << u"s"_s << u"k"_s << u"\""_s;
        QTest::newRow("value with =") << "[s]\nk=a=b\n"_ba << u"s"_s << u"k"_s << u"a=b"_s;
        QTest::newRow("line without =") << "[s]\nk\nk=2\n"_ba << u"s"_s << u"k"_s << u"2"_s;
        QTest::newRow("before first section") << "k=1\n[t]\n"_ba << u"s"_s << u"k"_s << u"dflt"_s;
        QTest::newRow("no section name") << "k=1\n[t]\n"_ba << u""_s << u"k"_s << u"dflt"_s;
        QTest::newRow("first key wins") << "[s]\nk=1\nK=2\n"_ba << u"s"_s << u"k"_s << u"1"_s;
        QTest::newRow("first section wins") << "[s]\n[S]\nk=2\n"_ba << u"s"_s << u"k"_s << u"dflt"_s;
        QTest::newRow("CR only") << "[t]\rk=0\r[s]\rk=3"_ba << u"s"_s << u"k"_s << u"3"_s;
        QTest::newRow("spaced header") << "[ s ] junk\nk=1"_ba << u"s"_s << u"k"_s << u"1"_s;
        QTest::newRow("UTF-8 mark") << "\xEF\xBB\xBF[s]\r\nk=1"_ba << u"s"_s << u"k"_s << u"1"_s;
        // "[" + a character whose GBK trail byte is ']' is no header.
        QTest::newRow("GBK trail bracket") << "[s]\n[\x81\x5d\nk=2\n"_ba << u"s"_s << u"k"_s << u"2"_s;
        QTest::newRow("GBK value") << "[\xD3\xC3\xBB\xA7]\nk=\xCE\xDE\n"_ba << u"用户"_s << u"k"_s << u"无"_s;
    }

    void reading()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QVERIFY(put(file(), content));
        QCOMPARE(read(section, key, file()), expected);
    }

    void absentFileAndDefaults()
    {
        QCOMPARE(read(u"s"_s, u"k"_s, file()), u"dflt"_s);
        QString buffer;
        QCOMPARE(IniFile::getString(u"s"_s, u"k"_s, u"on  "_s, buffer, 10, file()), 2);
        QCOMPARE(buffer.left(3), QString(u"on"_s + QChar(0)));

        modINI::SetFileName(u"Config.dll"_s);
        QVERIFY(put(file(), "[RKHotKey]\r\nHK1Text=\r\nHK2KeyCode=\r\n"_ba));
        QCOMPARE(modINI::ReadValue(u"RKHotKey"_s, u"HK1Text"_s, u"无"_s), QString());
        QCOMPARE(modINI::ReadValue(u"RKHotKey"_s, u"hk1text"_s, u"无"_s), QString());
        QCOMPARE(modINI::ReadValue(u"RKHotKey"_s, u"HK3Text"_s, u"无"_s), u"无"_s);
        QCOMPARE(modINI::ReadValue(u"RKHotKey"_s, u"HK2KeyCode"_s, u"0"_s), QString());
    }

    void longValuesAreCut()
    {
        const QString value = QString(u"长"_s).repeated(150) + QString(u"x"_s).repeated(150);
        QVERIFY(IniFile::writeString(u"s"_s, u"k"_s, value, file()));
        modINI::SetFileName(u"Config.dll"_s);
        QCOMPARE(modINI::ReadValue(u"s"_s, u"k"_s, u""_s), value.left(254));
        QCOMPARE(ModSl::ReadIniValue(file(), u"s"_s, u"k"_s), value.left(254));

        // Nothing past the caller's size is touched.
        QString buffer(20, u'#');
        QCOMPARE(IniFile::getString(u"s"_s, u"k"_s, QString(), buffer, 10, file()), 9);
        QCOMPARE(buffer, QString(value.left(9) + QChar(0) + QString(10, u'#')));
    }

    void nulCharacters()
    {
        QVERIFY(put(file(), "[s]\r\nk=a\0b\r\n"_ba));
        modINI::SetFileName(u"Config.dll"_s);
        QCOMPARE(modINI::ReadValue(u"s"_s, u"k"_s, u""_s), u"a"_s);
        QCOMPARE(ModSl::ReadIniValue(file(), u"s"_s, u"k"_s), u"ab"_s);
        QCOMPARE(read(u"s"_s, u"k"_s, file()), QString(u"a"_s + QChar(0) + u"b"_s));
    }

    void lists_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("count");
        const QChar z(0);
        QTest::newRow("fits") << 100 << QString(u"abc"_s + z + u"de"_s + z + u"f"_s + z + z) << 9;
        // A list that would fill the buffer exactly still counts as cut.
        QTest::newRow("exact fit") << 10 << QString(u"abc"_s + z + u"de"_s + z + u"f"_s + z + z) << 8;
        QTest::newRow("last cut") << 9 << QString(u"abc"_s + z + u"de"_s + z + z + z) << 7;
        QTest::newRow("middle cut") << 7 << QString(u"abc"_s + z + u"d"_s + z + z) << 5;
        QTest::newRow("room for none") << 2 << QString(QString(z) + z) << 0;
        QTest::newRow("one") << 1 << QString(z) << 0;
    }

    void lists()
    {
        QFETCH(int, size);
        QFETCH(QString, expected);
        QFETCH(int, count);
        QVERIFY(put(file(), "x=1\r\n[abc]\r\n[]\r\n[de]\r\n  [f]\r\n"_ba));
        QString buffer(size, u'#');
        QCOMPARE(IniFile::getString(QString(), QString(), QString(), buffer, size, file()), count);
        QCOMPARE(buffer.left(expected.size()), expected);
    }

    void listSections()
    {
        QStringList list { u"stale"_s };
        QCOMPARE(ModSl::ListSections(file(), list), -1);
        QVERIFY(list.isEmpty());

        QVERIFY(put(file(),
            "[\xD3\xC3\xBB\xA7\xC9\xE8\xD6\xC3]\r\nk=1\r\n[RKHotKey]\r\n[ad1]\r\nADNAME=a\r\nadurl=b\r\n[AD2]\r\n"_ba));
        QCOMPARE(ModSl::ListSections(file(), list), 3);
        QCOMPARE(list, QStringList({ u"用户设置"_s, u"RKHotKey"_s, u"ad1"_s, u"AD2"_s }));
        QCOMPARE(ModSl::ListSections(file(), list, u"AD1"_s), 1);
        QCOMPARE(list, QStringList({ u"ADNAME"_s, u"adurl"_s }));

        // A list longer than the 1024-character buffer ends with a cut name.
        QByteArray many;
        for (int i = 0; i < 200; ++i)
            many += "[section" + QByteArray::number(i) + "]\n";
        QVERIFY(put(file(), many));
        const int last = ModSl::ListSections(file(), list);
        QCOMPARE(last, list.size() - 1);
        QVERIFY(list.size() > 90 && list.size() < 120);
        QCOMPARE(list.first(), u"section0"_s);
        QVERIFY(list.join(QChar(0)).size() <= 1022);
    }

    void edits_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("new file") << QByteArray() << u"s"_s << u"v"_s << "[s]\r\nk=v\r\n"_ba;
        QTest::newRow("in place") << "[s]\r\n  k = old  \r\nz=1\r\n"_ba << u"S"_s << u"new"_s
                                  << "[s]\r\n  k = new  \r\nz=1\r\n"_ba;
        QTest::newRow("empty value") << "[s]\nK=\n"_ba << u"s"_s << u"v"_s << "[s]\nK=v\n"_ba;
        QTest::newRow("after last key") << "[a]\r\nx=1\r\njunk\r\n\r\n[b]\r\ny=2\r\n"_ba << u"a"_s << u"v"_s
                                        << "[a]\r\nx=1\r\nk=v\r\njunk\r\n\r\n[b]\r\ny=2\r\n"_ba;
        QTest::newRow("empty last section") << "[b]\n[a]"_ba << u"a"_s << u"v"_s << "[b]\n[a]\nk=v\n"_ba;
        QTest::newRow("new section LF") << "[a]\nx=1\n"_ba << u"b"_s << u"v"_s << "[a]\nx=1\n[b]\nk=v\n"_ba;
        QTest::newRow("new section CR") << "[a]\rx=1"_ba << u"b"_s << u"v"_s << "[a]\rx=1\r[b]\rk=v\r"_ba;
        QTest::newRow("no sections") << "text\r\nmore"_ba << u"s"_s << u"v"_s << "text\r\nmore\r\n[s]\r\nk=v\r\n"_ba;
        QTest::newRow("first of duplicates")
            << "[s]\nk=1\n[s]\nk=2\n"_ba << u"s"_s << u"3"_s << "[s]\nk=3\n[s]\nk=2\n"_ba;
        QTest::newRow("add to first duplicate")
            << "[s]\na=1\n[S]\nk=2\n"_ba << u"s"_s << u"3"_s << "[s]\na=1\nk=3\n[S]\nk=2\n"_ba;
        QTest::newRow("leading blanks dropped") << QByteArray() << u"s"_s << u" \tv "_s << "[s]\r\nk=v \r\n"_ba;
        QTest::newRow("same value untouched") << "[s]\nk = \"v\"  \n"_ba << u"s"_s << u"v"_s << "[s]\nk = \"v\"  \n"_ba;
        // A CR-only line break followed by an empty LF line must not merge into CRLF.
        QTest::newRow("CR before LF") << "x\r[s]\n\n"_ba << u"s"_s << u"v"_s << "x\r[s]\nk=v\r\n\n"_ba;
    }

    void edits()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);
        if (!before.isNull())
            QVERIFY(put(file(), before));
        QVERIFY(IniFile::writeString(section, u"k"_s, value, file()));
        QCOMPARE(get(file()), after);
    }

    void editsKeepOtherLines_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::newRow("CRLF") << "; note\r\n[s]\r\nk=1\r\n\r\n[t]\r\nk=2\r\n"_ba;
        QTest::newRow("LF") << "[t]\nk=2\n[s]\nk=1\n"_ba;
        QTest::newRow("CR") << "[s]\rk=1\r[t]\rz=2"_ba;
        QTest::newRow("mixed") << "a\r\n[s]\rk=1\n\r\n[t]\r\r\n"_ba;
        QTest::newRow("NUL bytes") << "\0\r\n[s]\0\r\n[s]\r\nk\0=1\r\nk=\0\r\n\0=\0\r\n[t\0]\r\n"_ba;
        QTest::newRow("duplicates") << "[s]\r\nk=1\r\n[S]\r\nk=2\r\n[s]\r\nq=3\r\n"_ba;
        QTest::newRow("invalid GBK") << "\x81\r\n[s\xFF]\r\n[s]\r\n\x80=\x81\x0d\x0a\xFE\xFE\xFE=\xFF\r\n"_ba;
        QTest::newRow("no sections") << "a=1\r\nb=2"_ba;
        QTest::newRow("1 MB line") << QByteArray("[s]\r\n" + QByteArray(1 << 20, 'x') + "\r\nk"
            + QByteArray(1 << 20, ' ') + "=" + QByteArray(1 << 20, 'v') + "\r\n[t]\r\n");
    }

    void editsKeepOtherLines()
    {
        QFETCH(QByteArray, before);
        const struct {
            QString section;
            QString key;
        } writes[] = { { u"s"_s, u"k"_s }, { u"s"_s, u"new"_s }, { u"u"_s, u"k"_s }, { u"T"_s, u"k"_s } };
        for (const auto& w : writes) {
            QVERIFY(put(file(), before));
            QVERIFY(IniFile::writeString(w.section, w.key, u"值"_s, file()));
            const QByteArray after = get(file());
            QVERIFY2(keepsOtherLines(before, after), qPrintable(w.section + u'/' + w.key));
            QCOMPARE(read(w.section, w.key, file()), u"值"_s);
        }
    }

    void gbkOnDisk()
    {
        QVERIFY(IniFile::writeString(u"用户设置"_s, u"开启启动"_s, u"1"_s, file()));
        QVERIFY(IniFile::writeString(u"乚"_s, u"无"_s, u"乕"_s, file()));
        QCOMPARE(get(file()),
            "[\xD3\xC3\xBB\xA7\xC9\xE8\xD6\xC3]\r\n\xBF\xAA\xC6\xF4\xC6\xF4\xB6\xAF=1\r\n[\x81\x5d]\r\n\xCE\xDE=\x81\x5b\r\n"_ba);
        QCOMPARE(read(u"用户设置"_s, u"开启启动"_s, file()), u"1"_s);
        QCOMPARE(read(u"乚"_s, u"无"_s, file()), u"乕"_s);
    }

    void refusesWhatWouldBreakLines()
    {
        const QByteArray before = "[s]\r\nk=1\r\n"_ba;
        QVERIFY(put(file(), before));
        QVERIFY(!IniFile::writeString(u"s"_s, u"k"_s, u"x\r\n[evil]\r\nk=2"_s, file()));
        QVERIFY(!IniFile::writeString(u"s\nt"_s, u"k"_s, u"1"_s, file()));
        QVERIFY(!IniFile::writeString(u"s"_s, u"a=b"_s, u"1"_s, file()));
        QVERIFY(!IniFile::writeString(u"s"_s, u"[x]"_s, u"1"_s, file()));
        QVERIFY(!IniFile::writeString(u"s"_s, u"  "_s, u"1"_s, file()));
        QCOMPARE(get(file()), before);
    }

    void writeFailuresLeaveTheFile()
    {
        const QByteArray before = "[s]\r\nk=1\r\n"_ba;
        QVERIFY(put(file(), before));
        {
            ReadOnlyFolder readOnly(dir->path());
            if (!readOnly.effective())
                QSKIP("cannot make a folder read-only for this user");
            QVERIFY(!IniFile::writeString(u"s"_s, u"k"_s, u"2"_s, file()));
            QVERIFY(!IniFile::writeString(u"s"_s, u"k"_s, u"2"_s, file(u"Other.dll"_s)));
            modINI::SetFileName(u"Config.dll"_s);
            modINI::WriteValue(u"s"_s, u"k"_s, u"3"_s);
        }
        QCOMPARE(get(file()), before);
        QVERIFY(!QFile::exists(file(u"Other.dll"_s)));
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList { u"Config.dll"_s });
    }

    void keepsPermissions()
    {
        QVERIFY(put(file(), "[s]\r\nk=1\r\n"_ba));
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(file(), mode));
        QVERIFY(IniFile::writeString(u"s"_s, u"k"_s, u"2"_s, file()));
        QCOMPARE(QFile::permissions(file()) & QFileDevice::Permissions(0x7077), mode);
    }

    void modIniPathRule()
    {
        ProgramFolder::setOverride(dir->path() + u'/');
        modINI::SetFileName(u"Config.dll"_s);
        QCOMPARE(modINI::FileName(), dir->path() + u"/Config.dll"_s);

        ProgramFolder::setOverride(dir->path());
        QVERIFY(put(file(u"config.DLL"_s), "[RKHotKey]\r\nHK1Text=Ctrl + A\r\n"_ba));
        modINI::SetFileName(u"Config.dll"_s);
        QCOMPARE(modINI::ReadValue(u"RKHotKey"_s, u"HK1Text"_s, u"无"_s), u"Ctrl + A"_s);
        modINI::WriteValue(u"RKHotKey"_s, u"HK1KeyCode"_s, u"65"_s);
        QCOMPARE(get(file(u"config.DLL"_s)), "[RKHotKey]\r\nHK1Text=Ctrl + A\r\nHK1KeyCode=65\r\n"_ba);
    }

    void hugeFilesInLinearTime()
    {
        QByteArray many;
        many.reserve(11 << 20);
        for (int i = 0; many.size() < (10 << 20); ++i)
            many += "[s" + QByteArray::number(i) + "]\r\nkey=value\r\n";
        many += "[last]\r\nkey=end\r\n";
        const QByteArray oneLine = "[s]\r\nk=" + QByteArray(10 << 20, 'v') + "\r\n";

        QElapsedTimer timer;
        timer.start();
        QVERIFY(put(file(), many));
        QCOMPARE(read(u"LAST"_s, u"key"_s, file()), u"end"_s);
        QVERIFY(IniFile::writeString(u"last"_s, u"other"_s, u"1"_s, file()));
        QVERIFY(IniFile::writeString(u"new"_s, u"k"_s, u"1"_s, file()));
        QStringList list;
        QVERIFY(ModSl::ListSections(file(), list) > 100);
        QVERIFY(put(file(), oneLine));
        QCOMPARE(read(u"s"_s, u"k"_s, file()), QString(254, u'v'));
        QVERIFY(IniFile::writeString(u"s"_s, u"k"_s, u"short"_s, file()));
        QCOMPARE(get(file()), "[s]\r\nk=short\r\n"_ba);
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
