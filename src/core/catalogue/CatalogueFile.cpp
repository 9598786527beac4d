#include "core/catalogue/CatalogueFile.h"

#include "core/outside/AnsiCodec.h"
#include "core/outside/LogCategories.h"

#include <QFile>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr QStringView kCategoryMarker = u"<category";
constexpr QStringView kRecordMarker = u"<data";

// Both markers start with '<', which occurs only a few times per record: a vectorised search for
// that one character plus a comparison is much cheaper than a general substring search.
qsizetype findMarker(QStringView text, qsizetype from, QStringView marker)
{
    const QChar lead = marker.front();
    const QStringView rest = marker.sliced(1);
    for (;;) {
        const qsizetype at = text.indexOf(lead, from);
        if (at < 0)
            return -1;
        if (text.sliced(at + 1).startsWith(rest))
            return at;
        from = at + 1;
    }
}

// Start of the first name + "=" in text. Every candidate ends in one of the few "=" of a record,
// so walking the "=" in order and looking back finds the same first match as a substring search.
qsizetype findAssignment(QStringView text, QStringView name)
{
    const qsizetype n = name.size();
    for (qsizetype from = n;;) {
        const qsizetype eq = text.indexOf(u'=', from);
        if (eq < 0)
            return -1;
        if (text.sliced(eq - n, n) == name)
            return eq - n;
        from = eq + 1;
    }
}

QStringView attribute(QStringView text, QStringView name)
{
    const qsizetype match = findAssignment(text, name);
    if (match < 0)
        return {};
    const qsizetype firstQuote = text.indexOf(u'"', match);
    if (firstQuote < 0)
        return {};
    const qsizetype secondQuote = text.indexOf(u'"', firstQuote + 1);
    if (secondQuote < 0)
        return {};
    // The second quote lies before the value's start only when name itself holds a quote.
    const qsizetype start = match + name.size() + 2;
    if (secondQuote <= start)
        return {};
    return text.sliced(start, secondQuote - start);
}

// The "=" and double quotes of one record, found in one pass. Real records are a few hundred
// characters with a dozen of each, so this replaces two searches per lookup; every lookup still
// walks its candidates from the start of the record, so it finds what attribute() finds.
class RecordMarks {
public:
    // Records far longer than any real one go through attribute(), whose memory use does not grow
    // with the record.
    static constexpr qsizetype kLimit = 1 << 16;

    void index(QStringView record)
    {
        text = record;
        equals.clear();
        quotes.clear();
        const char16_t* p = record.utf16();
        for (qsizetype i = 0, n = record.size(); i < n; ++i) {
            if (p[i] == u'=')
                equals.push_back(i);
            else if (p[i] == u'"')
                quotes.push_back(i);
        }
    }

    QStringView attribute(QStringView name) const
    {
        const qsizetype n = name.size();
        const char16_t* const nameBegin = name.utf16();
        for (const qsizetype eq : equals) {
            if (eq < n)
                continue;
            const char16_t* candidate = text.utf16() + eq - n;
            qsizetype k = n;
            while (k > 0 && candidate[k - 1] == nameBegin[k - 1])
                --k;
            if (k > 0)
                continue;
            const qsizetype match = eq - n;
            const auto first = std::lower_bound(quotes.begin(), quotes.end(), match);
            if (first == quotes.end() || first + 1 == quotes.end())
                return {};
            const qsizetype secondQuote = *(first + 1);
            const qsizetype start = eq + 2;
            if (secondQuote <= start)
                return {};
            return text.sliced(start, secondQuote - start);
        }
        return {};
    }

private:
    QStringView text;
    std::vector<qsizetype> equals;
    std::vector<qsizetype> quotes;
};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Accepts what a lenient numeric conversion does: blanks around, one sign, digits with an
// optional decimal fraction, rounded half to even. Decided digit by digit, so that long fractions
// cannot round wrongly.
std::optional<qint16> toId(QStringView text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text[i]))
        ++i;
    while (end > i && isBlank(text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    constexpr qint32 kBeyondRange = 100000; // saturates instead of overflowing
    qint32 magnitude = 0;
    bool anyDigit = false;
    for (; i < end && isDigit(text[i]); ++i) {
        anyDigit = true;
        magnitude = qMin(magnitude * 10 + (text[i].unicode() - u'0'), kBeyondRange);
    }
    if (i < end && text[i] == u'.') {
        int firstDecimal = -1;
        bool nonZeroAfterFirst = false;
        for (++i; i < end && isDigit(text[i]); ++i) {
            anyDigit = true;
            const int digit = text[i].unicode() - u'0';
            if (firstDecimal < 0)
                firstDecimal = digit;
            else if (digit != 0)
                nonZeroAfterFirst = true;
        }
        const bool tie = firstDecimal == 5 && !nonZeroAfterFirst;
        if (firstDecimal > 5 || (firstDecimal == 5 && !tie) || (tie && magnitude % 2 == 1))
            ++magnitude;
    }
    if (i != end || !anyDigit)
        return std::nullopt;
    const qint32 value = negative ? -magnitude : magnitude;
    if (value < -32768 || value > 32767)
        return std::nullopt;
    return qint16(value);
}

} // namespace

QString CatalogueFile::ReadTextFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcCatalogue) << "cannot open" << path << file.errorString();
        return {};
    }
    const QByteArray bytes = file.readAll();
    // Half a catalogue would look complete to the user; none at all is the honest result.
    if (file.error() != QFileDevice::NoError) {
        qCDebug(lcCatalogue) << "cannot read" << path << file.errorString();
        return {};
    }
    return AnsiCodec::decode(bytes);
}

QString CatalogueFile::GetAttribute(QStringView text, QStringView name)
{
    return attribute(text, name).toString();
}

QVector<Category> CatalogueFile::Parse(const QString& text)
{
    const QStringView all(text);

    QVector<qsizetype> chunkStarts;
    for (qsizetype at = findMarker(all, 0, kCategoryMarker); at >= 0;
         at = findMarker(all, at + kCategoryMarker.size(), kCategoryMarker))
        chunkStarts.append(at + kCategoryMarker.size());

    QVector<Category> categories;
    categories.reserve(chunkStarts.size() + 1);
    categories.emplace_back();

    QVector<qsizetype> recordStarts;
    RecordMarks marks;
    qsizetype unreadableIds = 0;
    for (qsizetype c = 0; c < chunkStarts.size(); ++c) {
        const qsizetype chunkEnd
            = c + 1 < chunkStarts.size() ? chunkStarts[c + 1] - kCategoryMarker.size() : all.size();
        const QStringView chunk = all.sliced(chunkStarts[c], chunkEnd - chunkStarts[c]);

        recordStarts.clear();
        for (qsizetype at = findMarker(chunk, 0, kRecordMarker); at >= 0;
             at = findMarker(chunk, at + kRecordMarker.size(), kRecordMarker))
            recordStarts.append(at + kRecordMarker.size());

        Category& category = categories.emplace_back();
        // The whole chunk, records included: a header without a name takes the first name= of a record.
        category.name = attribute(chunk, u"name").toString();
        category.games.reserve(recordStarts.size() + 1);

        for (qsizetype r = 0; r < recordStarts.size(); ++r) {
            const qsizetype recordEnd
                = r + 1 < recordStarts.size() ? recordStarts[r + 1] - kRecordMarker.size() : chunk.size();
            const QStringView record = chunk.sliced(recordStarts[r], recordEnd - recordStarts[r]);

            const bool indexed = record.size() <= RecordMarks::kLimit;
            if (indexed)
                marks.index(record);
            const auto value
                = [&](QStringView name) { return indexed ? marks.attribute(name) : attribute(record, name); };

            Game& game = category.games.emplace_back();
            game.title = value(u"title").toString();
            game.litpic = value(u"litpic").toString();
            game.keyboard = value(u"keyboard").toString();
            game.onclick = value(u"onclick").toString();
            game.filesize = value(u"filesize").toString();
            game.ztid = value(u"ztid").toString();
            game.flash_fangfa = value(u"flash_fangfa").toString();
            game.flashsay = value(u"flashsay").toString();
            game.flashurl = value(u"flashurl").toString();
            // An id that does not convert keeps its game with id 0: skipping would hide a playable
            // game and stopping would lose the rest of the catalogue.
            const std::optional<qint16> id = toId(value(u"id"));
            if (!id)
                ++unreadableIds;
            game.id = id.value_or(0);
        }
    }
    if (unreadableIds > 0)
        qCDebug(lcCatalogue) << unreadableIds << "games without a readable id were given id 0";
    return categories;
}
