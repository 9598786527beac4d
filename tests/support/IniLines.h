#pragma once

#include <QByteArray>
#include <QList>

// The rule every edit of a settings file keeps, shared by its unit test and its fuzzer.
namespace IniLines {

struct RawLine {
    QByteArray content;
    QByteArray end;
    bool operator==(const RawLine& o) const { return content == o.content && end == o.end; }
};

inline QList<RawLine> splitLines(const QByteArray& bytes)
{
    QList<RawLine> lines;
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype e = i;
        while (e < bytes.size() && bytes[e] != '\n' && bytes[e] != '\r')
            ++e;
        qsizetype n = e;
        if (n < bytes.size())
            n += (bytes[n] == '\r' && n + 1 < bytes.size() && bytes[n + 1] == '\n') ? 2 : 1;
        lines.append({ bytes.mid(i, e - i), bytes.mid(e, n - e) });
        i = n;
    }
    return lines;
}

// After an edit, every old line is still there byte for byte: either one key line kept its
// text up to "=" and got a new value, or up to three lines went in at one place (where the old
// last line may have gained the line break it lacked).
inline bool keepsOtherLines(const QByteArray& before, const QByteArray& after)
{
    const QList<RawLine> a = splitLines(before);
    const QList<RawLine> b = splitLines(after);
    qsizetype p = 0;
    while (p < a.size() && p < b.size() && a[p] == b[p])
        ++p;
    qsizetype s = 0;
    while (s < a.size() - p && s < b.size() - p && a[a.size() - 1 - s] == b[b.size() - 1 - s])
        ++s;
    const qsizetype oldMiddle = a.size() - p - s;
    const qsizetype newMiddle = b.size() - p - s;
    if (oldMiddle == 0)
        return newMiddle <= 2;
    if (oldMiddle != 1)
        return false;
    const RawLine& old = a[p];
    if (newMiddle == 1) {
        const qsizetype eq = old.content.indexOf('=');
        return eq >= 0 && old.end == b[p].end && b[p].content.startsWith(old.content.left(eq + 1));
    }
    return old.end.isEmpty() && p + 1 == a.size() && b[p].content == old.content && newMiddle <= 3;
}

} // namespace IniLines
