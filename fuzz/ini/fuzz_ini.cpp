#include "core/settings/IniFile.h"
#include "core/settings/ModSl.h"
#include "support/IniLines.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QLoggingCategory>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// tmpfs where there is one: every edit ends in an fsync.
const QString& scratchFile()
{
    static QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath())
        + QStringLiteral("/fuzz_ini-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("Config.dll"));
    return path;
}

void put(const QByteArray& bytes)
{
    QFile file(scratchFile());
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(), "scratch write");
}

QByteArray get()
{
    QFile file(scratchFile());
    check(file.open(QIODevice::ReadOnly), "scratch read");
    return file.readAll();
}

using IniLines::keepsOtherLines;

// Reads into a buffer with a tail that must survive, and checks the copy rules.
QString readChecked(const QString& section, const QString& key, int size, bool list)
{
    constexpr int kTail = 8;
    QString buffer(size + kTail, QLatin1Char('#'));
    const int n = IniFile::getString(section, key, QStringLiteral("dflt"), buffer, size, scratchFile());
    check(buffer.mid(size) == QString(kTail, QLatin1Char('#')), "wrote past the buffer");
    check(n >= 0 && (size == 0 || n <= size - 1), "count beyond the buffer");
    if (size > 0)
        check(buffer.at(n) == QChar(0), "no terminating NUL");
    // A key list of an empty or absent section is the default instead.
    const bool isDefault = !section.isNull() && buffer.left(n) == QStringLiteral("dflt").left(n);
    // A cut list ends with its cut name's NUL at n and one more NUL after it.
    if (list && size >= 2 && !isDefault)
        check(n == 0 || buffer.at(n - 1) == QChar(0) || (n == size - 2 && buffer.at(n + 1) == QChar(0)),
            "list not ended by two NULs");
    return buffer.left(n);
}

QStringList names(const QString& list)
{
    return list.split(QChar(0), Qt::SkipEmptyParts);
}

void editAndCheck(const QByteArray& original, const QString& section, const QString& key)
{
    put(original);
    const bool written = IniFile::writeString(section, key, QStringLiteral("fz"), scratchFile());
    const QByteArray after = get();
    if (!written) {
        check(after == original, "failed write changed the file");
        return;
    }
    check(keepsOtherLines(original, after), "edit changed another line");
    check(readChecked(section, key, 255, false) == QStringLiteral("fz"), "written value does not read back");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Refused writes are expected here; their debug lines would only slow the run.
    QLoggingCategory::setFilterRules(QStringLiteral("tabrazo.settings.debug=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    put(bytes);
    const int small = size > 0 ? data[0] % 48 : 0;

    readChecked(QString(), QString(), small, true);
    const QStringList sections = names(readChecked(QString(), QString(), 1024, true));
    QString firstKey;
    // The first section's first key: an edit in place.
    for (const QString& section : sections.mid(0, 4)) {
        readChecked(section, QString(), small, true);
        const QStringList keys = names(readChecked(section, QString(), 1024, true));
        if (section == sections.first() && !keys.isEmpty())
            firstKey = keys.first();
        for (const QString& key : keys.mid(0, 4)) {
            readChecked(section, key, small, false);
            readChecked(section, key, 255, false);
        }
    }
    QStringList listed;
    check(ModSl::ListSections(scratchFile(), listed) == listed.size() - 1, "ListSections count");

    const QString section = sections.isEmpty() ? QStringLiteral("s") : sections.first();
    editAndCheck(bytes, section, firstKey.isEmpty() ? QStringLiteral("k") : firstKey);
    editAndCheck(bytes, section, QStringLiteral("fzkey"));
    editAndCheck(bytes, QStringLiteral("fzsection"), QStringLiteral("k"));
    return 0;
}
