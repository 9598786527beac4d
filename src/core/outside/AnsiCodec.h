#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The one codec for what the design calls the ANSI code page: GBK on disk and on the wire,
// decoded as GB18030 (its superset) so that nothing readable is lost.
class AnsiCodec {
public:
    // Invalid or truncated sequences decode to U+FFFD; never fails, linear time.
    static QString decode(QByteArrayView bytes);
    static QByteArray encode(QStringView text);
};
