// Decodes the input as GBK, parses it and checks the result against a plain transcription of the
// catalogue rules (split at the markers, one substring search per attribute), so that the fast
// paths of the parser cannot drift from the rules unnoticed; parsing the bytes directly, one
// record decoded at a time, must give the same table.

#include "core/catalogue/CatalogueFile.h"
#include "core/outside/AnsiCodec.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

QString referenceAttribute(const QString& text, const QString& name)
{
    const qsizetype match = text.indexOf(name + u'=');
    if (match < 0)
        return {};
    int quotes = 0;
    for (qsizetype i = match; i < text.size(); ++i) {
        if (text[i] == u'"' && ++quotes == 2) {
            const qsizetype start = match + name.size() + 2;
            return i > start ? text.mid(start, i - start) : QString();
        }
    }
    return {};
}

// The expected id, or nothing when the text is too long to convert exactly through a double.
std::optional<int> referenceId(const QString& text)
{
    static const QRegularExpression number(
        QRegularExpression::anchoredPattern(u"[ \t]*([+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+))[ \t]*"_qs));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return 0;
    const QString digits = m.captured(1);
    if (digits.size() > 15)
        return std::nullopt;
    const double value = std::nearbyint(std::strtod(digits.toLatin1().constData(), nullptr));
    return value >= -32768 && value <= 32767 ? int(value) : 0;
}

[[noreturn]] void mismatch(const char* what, const QString& expected, const QString& actual)
{
    std::fprintf(stderr, "%s: expected \"%s\", got \"%s\"\n", what, qPrintable(expected), qPrintable(actual));
    std::abort();
}

void expectSame(const char* what, const QString& expected, const QString& actual)
{
    if (expected != actual)
        mismatch(what, expected, actual);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    QLoggingCategory::setFilterRules(u"tabrazo.catalogue.debug=false"_qs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = AnsiCodec::decode(QByteArrayView(data, qsizetype(size)));
    const QVector<Category> categories = CatalogueFile::Parse(text);
    const QVector<Category> fromBytes = CatalogueFile::ParseAnsi(QByteArrayView(data, qsizetype(size)));
    if (fromBytes.size() != categories.size())
        mismatch("category count from bytes", QString::number(categories.size()), QString::number(fromBytes.size()));
    for (qsizetype c = 0; c < categories.size(); ++c) {
        expectSame("name from bytes", categories[c].name, fromBytes[c].name);
        if (fromBytes[c].games.size() != categories[c].games.size())
            mismatch("game count from bytes", QString::number(categories[c].games.size()),
                QString::number(fromBytes[c].games.size()));
        for (qsizetype g = 0; g < categories[c].games.size(); ++g) {
            const Game& a = categories[c].games[g];
            const Game& b = fromBytes[c].games[g];
            const QStringList left { QString::number(a.id), a.title, a.litpic, a.keyboard, a.onclick, a.filesize,
                a.ztid, a.flash_fangfa, a.flashsay, a.flashurl };
            const QStringList right { QString::number(b.id), b.title, b.litpic, b.keyboard, b.onclick, b.filesize,
                b.ztid, b.flash_fangfa, b.flashsay, b.flashurl };
            expectSame("game from bytes", left.join(u'|'), right.join(u'|'));
        }
    }

    QStringList chunks = text.split(u"<category"_qs);
    chunks.removeFirst();
    if (categories.size() != chunks.size() + 1)
        mismatch("category count", QString::number(chunks.size() + 1), QString::number(categories.size()));
    for (qsizetype c = 0; c < chunks.size(); ++c) {
        const Category& category = categories[c + 1];
        expectSame("name", referenceAttribute(chunks[c], u"name"_qs), category.name);
        const QStringList records = chunks[c].split(u"<data"_qs);
        if (category.games.size() != records.size())
            mismatch("game count", QString::number(records.size()), QString::number(category.games.size()));
        for (qsizetype r = 1; r < records.size(); ++r) {
            const QString& record = records[r];
            const Game& game = category.games[r];
            expectSame("title", referenceAttribute(record, u"title"_qs), game.title);
            expectSame("litpic", referenceAttribute(record, u"litpic"_qs), game.litpic);
            expectSame("keyboard", referenceAttribute(record, u"keyboard"_qs), game.keyboard);
            expectSame("onclick", referenceAttribute(record, u"onclick"_qs), game.onclick);
            expectSame("filesize", referenceAttribute(record, u"filesize"_qs), game.filesize);
            expectSame("ztid", referenceAttribute(record, u"ztid"_qs), game.ztid);
            expectSame("flash_fangfa", referenceAttribute(record, u"flash_fangfa"_qs), game.flash_fangfa);
            expectSame("flashsay", referenceAttribute(record, u"flashsay"_qs), game.flashsay);
            expectSame("flashurl", referenceAttribute(record, u"flashurl"_qs), game.flashurl);
            const QString idText = referenceAttribute(record, u"id"_qs);
            const std::optional<int> id = referenceId(idText);
            if (id && *id != game.id)
                mismatch(qPrintable(u"id of \""_qs + idText + u'"'), QString::number(*id), QString::number(game.id));
            if (game.fid != 0)
                mismatch("fid", u"0"_qs, QString::number(game.fid));
        }
    }

    // Any name, including ones holding quotes or "=": the first characters of the input.
    const QString name = text.left(3);
    expectSame("GetAttribute", referenceAttribute(text, name), CatalogueFile::GetAttribute(text, name));
    return 0;
}
