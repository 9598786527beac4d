#include "core/settings/IniFile.h"

#include "core/outside/AnsiCodec.h"
#include "core/outside/LogCategories.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace {

// The blanks the Windows service trims around names and values. None of them can occur inside
// a GBK multi-byte sequence, so they are safe to look for byte by byte; so are '=', '[' at the
// start of a line and the line breaks.
bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f' || c == 0x1A;
}

QString trimmedBlanks(const QString& text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    while (b < e && isBlank(text.at(b).unicode()))
        ++b;
    while (e > b && isBlank(text.at(e - 1).unicode()))
        --e;
    return text.mid(b, e - b);
}

// Names reach the Windows service as C strings: anything after a NUL never arrives.
QString cString(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

QString cleanName(const QString& name)
{
    return trimmedBlanks(cString(name));
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

struct Line {
    qsizetype begin = 0; // first byte of the content
    qsizetype end = 0; // end of the content, where the line break starts
    qsizetype next = 0; // first byte after the line break
    bool hasBreak() const { return next > end; }
};

// Splits at CRLF, LF and lone CR in one forward pass.
class LineReader {
public:
    explicit LineReader(const QByteArray& bytes)
        : data(bytes.constData())
        , size(bytes.size())
    {
        // A UTF-8 mark in front of the first header would otherwise hide it.
        if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
            pos = 3;
    }

    bool next(Line& line)
    {
        if (pos >= size)
            return false;
        line.begin = pos;
        qsizetype i = pos;
        while (i < size && data[i] != '\n' && data[i] != '\r')
            ++i;
        line.end = i;
        if (i < size)
            i += (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ? 2 : 1;
        line.next = pos = i;
        return true;
    }

private:
    const char* data;
    qsizetype size;
    qsizetype pos = 0;
};

struct Entry {
    enum Kind { Other, Section, Key };
    Kind kind = Other;
    QString name;
    qsizetype valueBegin = 0; // byte range of the value without its surrounding blanks
    qsizetype valueEnd = 0;
};

// Key names are decoded only when wanted, so lines outside the section of interest cost a scan.
Entry parseLine(const QByteArray& bytes, const Line& line, bool wantKeys)
{
    const char* data = bytes.constData();
    qsizetype b = line.begin;
    const qsizetype e = line.end;
    while (b < e && isBlank(uchar(data[b])))
        ++b;
    Entry entry;
    if (b < e && data[b] == '[') {
        // Decoded before looking for ']': a GBK trail byte can be 0x5D.
        const QString text = AnsiCodec::decode(QByteArrayView(data + b + 1, e - b - 1));
        const qsizetype close = text.lastIndexOf(u']');
        if (close >= 0) {
            entry.kind = Entry::Section;
            entry.name = trimmedBlanks(text.left(close));
            return entry;
        }
    }
    if (!wantKeys)
        return entry;
    const auto* eq = static_cast<const char*>(std::memchr(data + b, '=', size_t(e - b)));
    if (!eq)
        return entry;
    const qsizetype eqPos = eq - data;
    entry.name = trimmedBlanks(AnsiCodec::decode(QByteArrayView(data + b, eqPos - b)));
    if (entry.name.isEmpty())
        return entry;
    entry.kind = Entry::Key;
    qsizetype vb = eqPos + 1;
    qsizetype ve = e;
    while (vb < ve && isBlank(uchar(data[vb])))
        ++vb;
    while (ve > vb && isBlank(uchar(data[ve - 1])))
        --ve;
    entry.valueBegin = vb;
    entry.valueEnd = ve;
    return entry;
}

// At most maxChars characters of the value (all of it when negative), less a pair of quotes
// around the whole value. Quotes are single bytes that no GBK sequence contains, so they are
// found on the bytes and a long value is never decoded in full.
QString valueOf(const QByteArray& bytes, const Entry& entry, qsizetype maxChars = -1)
{
    qsizetype b = entry.valueBegin;
    qsizetype e = entry.valueEnd;
    if (e - b >= 2 && (bytes.at(b) == '"' || bytes.at(b) == '\'') && bytes.at(e - 1) == bytes.at(b)) {
        ++b;
        --e;
    }
    // No character takes more than four bytes.
    if (maxChars >= 0 && e - b > maxChars * 4 + 4)
        e = b + maxChars * 4 + 4;
    const QString value = AnsiCodec::decode(QByteArrayView(bytes).sliced(b, e - b));
    return maxChars >= 0 ? value.left(maxChars) : value;
}

// Where a key sits: the first matching section, the first matching key in it, and the line after
// which a missing key goes (its last key line, or its header).
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Line anchor;
    Line keyLine;
    Entry key;
};

Location locate(const QByteArray& bytes, const QString& section, const QString& key)
{
    Location at;
    LineReader reader(bytes);
    Line line;
    while (reader.next(line)) {
        const Entry entry = parseLine(bytes, line, at.sectionFound);
        if (entry.kind == Entry::Section) {
            if (at.sectionFound)
                break;
            if (sameName(entry.name, section)) {
                at.sectionFound = true;
                at.anchor = line;
            }
        } else if (entry.kind == Entry::Key && at.sectionFound) {
            if (sameName(entry.name, key)) {
                at.keyFound = true;
                at.keyLine = line;
                at.key = entry;
                break;
            }
            at.anchor = line;
        }
    }
    return at;
}

bool readFile(const QString& path, QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

int copyText(const QString& text, QChar* out, int size)
{
    const int n = int(std::min<qsizetype>(text.size(), size - 1));
    std::copy_n(text.constData(), n, out);
    out[n] = QChar(0);
    return n;
}

// A NUL-separated list in a caller's buffer, cut the way the Windows service cuts it.
class ListWriter {
public:
    ListWriter(QChar* out, int size)
        : out(out)
        , size(size)
        , room(size - 1)
    {
    }

    // False once the buffer is full.
    bool add(const QString& name)
    {
        if (name.isEmpty())
            return true;
        const int need = int(std::min<qsizetype>(name.size(), size)) + 1;
        if (need >= room) {
            if (room > 0) {
                std::copy_n(name.constData(), room - 1, out + pos);
                pos += room - 1;
                out[pos++] = QChar(0);
            }
            out[pos] = QChar(0);
            full = true;
            return false;
        }
        std::copy_n(name.constData(), need - 1, out + pos);
        pos += need - 1;
        out[pos++] = QChar(0);
        room -= need;
        return true;
    }

    bool isEmpty() const { return pos == 0 && !full; }

    int finish()
    {
        if (full)
            return size - 2;
        out[pos] = QChar(0);
        if (pos == 0 && size >= 2)
            out[1] = QChar(0);
        return pos;
    }

private:
    QChar* out;
    int size;
    int room;
    int pos = 0;
    bool full = false;
};

bool hasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

} // namespace

int IniFile::getString(const QString& section, const QString& key, const QString& defaultValue, QString& buffer,
    int size, const QString& path)
{
    if (size <= 0)
        return 0;
    if (buffer.size() < size)
        buffer.resize(size, QChar(0));
    QChar* out = buffer.data();
    if (size == 1) {
        out[0] = QChar(0);
        return 0;
    }

    QByteArray bytes;
    const bool readable = readFile(path, bytes);

    if (section.isNull()) {
        ListWriter list(out, size);
        LineReader reader(bytes);
        Line line;
        while (readable && reader.next(line)) {
            const Entry entry = parseLine(bytes, line, false);
            if (entry.kind == Entry::Section && !list.add(entry.name))
                break;
        }
        return list.finish();
    }

    QString fallback = cString(defaultValue);
    while (fallback.endsWith(u' '))
        fallback.chop(1);
    const QString sectionName = cleanName(section);

    if (key.isNull()) {
        ListWriter list(out, size);
        LineReader reader(bytes);
        Line line;
        bool inSection = false;
        while (readable && reader.next(line)) {
            const Entry entry = parseLine(bytes, line, inSection);
            if (entry.kind == Entry::Section) {
                if (inSection)
                    break;
                inSection = sameName(entry.name, sectionName);
            } else if (entry.kind == Entry::Key && inSection && !list.add(entry.name)) {
                break;
            }
        }
        if (list.isEmpty())
            return copyText(fallback, out, size);
        return list.finish();
    }

    if (readable) {
        const Location at = locate(bytes, sectionName, cleanName(key));
        if (at.keyFound)
            return copyText(valueOf(bytes, at.key, size - 1), out, size);
    }
    return copyText(fallback, out, size);
}

bool IniFile::writeString(const QString& section, const QString& key, const QString& value, const QString& path)
{
    const QString sectionName = cleanName(section);
    const QString keyName = cleanName(key);
    QString text = cString(value);
    const qsizetype lead
        = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return !isBlank(c.unicode()); }) - text.cbegin();
    text.remove(0, lead);

    // Anything that would come back as other lines or another key is refused, not written.
    if (section.isNull() || keyName.isEmpty() || hasLineBreak(sectionName) || hasLineBreak(keyName)
        || hasLineBreak(text) || keyName.contains(u'=') || keyName.startsWith(u'[')) {
        qCDebug(lcSettings) << "refused to write" << section << key << "in" << path;
        return false;
    }

    QByteArray bytes;
    if (QFile::exists(path) && !readFile(path, bytes)) {
        qCDebug(lcSettings) << "cannot read" << path;
        return false;
    }

    QByteArray eol = "\r\n";
    {
        LineReader reader(bytes);
        Line first;
        if (reader.next(first) && first.hasBreak())
            eol = bytes.mid(first.end, first.next - first.end);
    }

    const Location at = locate(bytes, sectionName, keyName);
    const QByteArray encoded = AnsiCodec::encode(text);
    qsizetype cutBegin = bytes.size();
    qsizetype cutEnd = bytes.size();
    QByteArray insert;
    if (at.keyFound) {
        if (valueOf(bytes, at.key) == text)
            return true;
        cutBegin = at.key.valueBegin;
        cutEnd = at.key.valueEnd;
        insert = encoded;
    } else {
        QByteArray keyLine = AnsiCodec::encode(keyName) + '=' + encoded + eol;
        if (at.sectionFound) {
            if (at.anchor.hasBreak()) {
                cutBegin = cutEnd = at.anchor.next;
                // A lone CR in front of an empty LF line would merge with it into one CRLF.
                if (eol == "\r" && cutBegin < bytes.size() && bytes.at(cutBegin) == '\n')
                    keyLine += '\n';
                insert = keyLine;
            } else {
                insert = eol + keyLine;
            }
        } else {
            if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
                insert = eol;
            insert += '[' + AnsiCodec::encode(sectionName) + ']' + eol + keyLine;
        }
    }

    QByteArray content;
    content.reserve(bytes.size() - (cutEnd - cutBegin) + insert.size());
    content.append(QByteArrayView(bytes).first(cutBegin));
    content.append(insert);
    content.append(QByteArrayView(bytes).sliced(cutEnd));

    // Written beside the old file and renamed over it: a crash leaves the old file or the new one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        qCDebug(lcSettings) << "cannot write" << path << file.errorString();
        return false;
    }
    return true;
}

QString IniFile::value(const QString& section, const QString& key, const QString& defaultValue, const QString& path)
{
    constexpr int kBufferSize = 255;
    QString buffer(kBufferSize, QChar(0));
    buffer.truncate(getString(section, key, defaultValue, buffer, kBufferSize, path));
    return buffer;
}
