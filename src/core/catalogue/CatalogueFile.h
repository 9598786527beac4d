#pragma once

#include "core/catalogue/Category.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVector>

// The catalogue file is not read as XML: it is cut at fixed markers and its values are picked out
// by plain text search. Files the server already publishes depend on exactly these rules, so a
// stricter reader would show different catalogues.
class CatalogueFile {
public:
    // The whole file decoded from GBK; empty when the file is missing, unreadable or empty.
    static QString ReadTextFile(const QString& path);

    // The value of the first name + "=" in text, which may be the tail of a longer name (id= inside
    // ztid=). The value runs from two characters after the "=" to just before the second double
    // quote counted from the match; empty when there is no match or fewer than two quotes follow.
    static QString GetAttribute(QStringView text, QStringView name);

    // Categories at positions 1..m in file order, each with its games at 1..k. Position 0 is an
    // empty placeholder, also when the text holds no category. A game whose id is empty, not a
    // number or outside 16 bits is kept with id 0; fractions round half to even.
    static QVector<Category> Parse(const QString& text);

    // Parse(AnsiCodec::decode(bytes)), decoding one record at a time: the whole decoded file is
    // never held. The values share a few large blocks of memory, which a value copied out of the
    // table keeps alive.
    static QVector<Category> ParseAnsi(QByteArrayView bytes);

    // ParseAnsi on the file's bytes: what the program loads. Only the placeholder when the file is
    // missing, unreadable or empty.
    static QVector<Category> Read(const QString& path);
};
