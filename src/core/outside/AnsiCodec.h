#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

// The one codec for what the design calls the ANSI code page: GBK on disk and on the wire,
// decoded as GB18030 (its superset) so that nothing readable is lost.
class AnsiCodec {
public:
    // Invalid or truncated sequences decode to U+FFFD; never fails, linear time.
    static QString decode(QByteArrayView bytes);
    // decode() into out, which has room for bytes.size() units (never more are needed); returns
    // the number of units written. A byte below 0x40 other than a digit is always a character of
    // its own, so text cut just before such a byte decodes piece by piece as it does in one piece.
    static qsizetype decodeInto(QByteArrayView bytes, char16_t* out);

    // Where two ASCII characters land in the output, noted while decoding: a parser that cuts the
    // text at them needs no second pass over it. Positions are appended in increasing order.
    struct Watch {
        char16_t first, second;
        std::vector<qsizetype> firstAt, secondAt;
    };
    static qsizetype decodeInto(QByteArrayView bytes, char16_t* out, Watch& watch);
    static QByteArray encode(QStringView text);
};
