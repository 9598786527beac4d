#include "core/catalogue/CatalogueFile.h"

#include "core/outside/AnsiCodec.h"
#include "core/outside/LogCategories.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <sys/mman.h>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr QStringView kCategoryMarker = u"<category";
constexpr QStringView kRecordMarker = u"<data";

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

    RecordMarks() = default;
    RecordMarks(const RecordMarks&) = delete;
    RecordMarks& operator=(const RecordMarks&) = delete;

    // Takes the marks found while decoding piece, of which the record is all but the first offset
    // characters (which hold no mark).
    void adopt(QStringView piece, const std::vector<qsizetype>& equalsAt, const std::vector<qsizetype>& quotesAt,
        qsizetype offset)
    {
        text = piece;
        recordStart = offset;
        equals = &equalsAt;
        quotes = &quotesAt;
    }

    void index(QStringView record)
    {
        text = record;
        recordStart = 0;
        equals = &ownEquals;
        quotes = &ownQuotes;
        ownEquals.clear();
        ownQuotes.clear();
        const char16_t* p = record.utf16();
        const qsizetype n = record.size();
        qsizetype i = 0;
#if defined(__SSE2__)
        // Eight characters at a time; most blocks hold neither.
        const __m128i equalSign = _mm_set1_epi16(u'='), quote = _mm_set1_epi16(u'"');
        for (; i + 8 <= n; i += 8) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const unsigned isEqual = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(block, equalSign)));
            unsigned found = isEqual | unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(block, quote)));
            while (found != 0) {
                const int bit = __builtin_ctz(found);
                (isEqual >> bit & 1 ? ownEquals : ownQuotes).push_back(i + bit / 2);
                found &= ~(3u << bit);
            }
        }
#endif
        for (; i < n; ++i) {
            if (p[i] == u'=')
                ownEquals.push_back(i);
            else if (p[i] == u'"')
                ownQuotes.push_back(i);
        }
    }

    QStringView attribute(QStringView name) const
    {
        const qsizetype n = name.size();
        const char16_t* const nameBegin = name.utf16();
        for (const qsizetype eq : *equals) {
            if (eq - n < recordStart)
                continue;
            const char16_t* candidate = text.utf16() + eq - n;
            qsizetype k = n;
            while (k > 0 && candidate[k - 1] == nameBegin[k - 1])
                --k;
            if (k > 0)
                continue;
            const qsizetype match = eq - n;
            const auto first = std::lower_bound(quotes->begin(), quotes->end(), match);
            if (first == quotes->end() || first + 1 == quotes->end())
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
    qsizetype recordStart = 0;
    const std::vector<qsizetype>* equals = &ownEquals;
    const std::vector<qsizetype>* quotes = &ownQuotes;
    std::vector<qsizetype> ownEquals;
    std::vector<qsizetype> ownQuotes;
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

// A '<' that starts a category or a record marker.
struct Marker {
    qsizetype at;
    bool category;
};

qsizetype nextLessThan(const char16_t* p, qsizetype n, qsizetype from)
{
    return QStringView(p, n).indexOf(u'<', from);
}

qsizetype nextLessThan(const unsigned char* p, qsizetype n, qsizetype from)
{
    const void* at = std::memchr(p + from, '<', size_t(n - from));
    return at ? static_cast<const unsigned char*>(at) - p : -1;
}

template <typename Char> bool followedBy(const Char* p, qsizetype n, qsizetype at, QStringView marker)
{
    if (n - at < marker.size())
        return false;
    for (qsizetype k = 1; k < marker.size(); ++k) {
        if (p[at + k] != marker[k].unicode())
            return false;
    }
    return true;
}

// Both markers start with '<', which occurs only a few times per record, so one pass over the '<'
// finds both kinds. Records before the first category belong to none and are left out.
template <typename Char> std::vector<Marker> findMarkers(const Char* p, qsizetype n)
{
    std::vector<Marker> markers;
    bool inCategory = false;
    for (qsizetype at = n > 0 ? nextLessThan(p, n, 0) : -1; at >= 0;
         at = at + 1 < n ? nextLessThan(p, n, at + 1) : -1) {
        if (followedBy(p, n, at, kCategoryMarker)) {
            markers.push_back({ at, true });
            inCategory = true;
        } else if (inCategory && followedBy(p, n, at, kRecordMarker)) {
            markers.push_back({ at, false });
        }
    }
    return markers;
}

// attribute(chunk, name) for a chunk that arrives in pieces, each valid only until the next one.
// A match never spans two pieces, as pieces are cut before a '<' and names hold none; its value
// may, so the text from the match on is kept until its second quote arrives.
class ChunkAttribute {
public:
    explicit ChunkAttribute(QStringView name)
        : name(name)
    {
    }

    void feed(QStringView piece)
    {
        if (state == Done)
            return;
        qsizetype from = 0;
        if (state == Searching) {
            from = findAssignment(piece, name);
            if (from < 0)
                return;
            state = Collecting;
        }
        for (qsizetype i = from; i < piece.size(); ++i) {
            if (piece[i] == u'"' && ++quotes == 2) {
                finish(pending.isEmpty() ? piece.sliced(from, i - from)
                                         : QStringView(pending.append(piece.sliced(from, i - from))));
                return;
            }
        }
        pending.append(piece.sliced(from));
    }

    // The value; empty when the chunk holds no match or too few quotes after it.
    QString value() const { return result; }

private:
    // text runs from the match to just before its second quote.
    void finish(QStringView text)
    {
        const qsizetype start = name.size() + 2;
        if (text.size() > start)
            result = text.sliced(start).toString();
        pending = QString();
        state = Done;
    }

    enum { Searching, Collecting, Done } state = Searching;
    QStringView name;
    QString pending;
    int quotes = 0;
    QString result;
};

// The texts of one catalogue, kept in a few large blocks instead of one allocation per value:
// each value is a QString that shares its block (and keeps it alive), '\0'-terminated as every
// QString is.
class TextArena {
public:
    // games: about how many records there are, to size the table of shared values.
    explicit TextArena(qsizetype games)
    {
        size_t tableSize = 64;
        while (tableSize < 8192 && qsizetype(tableSize) < games)
            tableSize *= 2;
        shortTexts.resize(tableSize);
    }

    ~TextArena() { settle(); }
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    QString store(QStringView value) { return value.isEmpty() ? QString() : copy(value); }

    // For the fields whose short values repeat from game to game (keys, sizes, flags, topics):
    // each distinct one is stored once.
    QString storeShared(QStringView value)
    {
        if (value.isEmpty())
            return {};
        if (value.size() > kShortLimit)
            return copy(value);
        // Up to eight characters as two words: hashed and compared without a loop.
        ShortKey key {};
        std::memcpy(key.words, value.utf16(), size_t(value.size()) * sizeof(char16_t));
        const size_t hash = size_t(
            (key.words[0] * 0x9E3779B97F4A7C15ull) ^ (key.words[1] * 0xC2B2AE3D27D4EB4Full) ^ quint64(value.size()));
        const size_t mask = shortTexts.size() - 1;
        for (size_t slot = (hash ^ hash >> 32) & mask, probes = 0; probes < kProbes;
             slot = (slot + 1) & mask, ++probes) {
            ShortText& known = shortTexts[slot];
            if (known.text.isNull()) {
                known.key = key;
                known.text = copy(value);
                return known.text;
            }
            if (known.key.words[0] == key.words[0] && known.key.words[1] == key.words[1]
                && known.text.size() == value.size())
                return known.text;
        }
        return copy(value);
    }

private:
    static constexpr qsizetype kShortLimit = 8;
    static constexpr size_t kProbes = 8;
    // Small enough that the last, partly used block costs little against a small catalogue.
    static constexpr qsizetype kBlockUnits = 16 * 1024;

    struct ShortKey {
        quint64 words[2];
    };
    static_assert(sizeof(ShortKey) == kShortLimit * sizeof(char16_t));
    struct ShortText {
        ShortKey key;
        QString text;
    };

    QString copy(QStringView value)
    {
        const qsizetype units = value.size() + 1;
        if (units > room) {
            settle();
            block = QString(qMax(kBlockUnits, units), Qt::Uninitialized);
            next = reinterpret_cast<char16_t*>(block.data());
            room = block.size();
        }
        std::memcpy(next, value.utf16(), size_t(value.size()) * sizeof(char16_t));
        next[value.size()] = u'\0';
        QArrayData* header = block.data_ptr().d_ptr();
        ++unsettled;
        QString text(QString::DataPointer(static_cast<QTypedArrayData<char16_t>*>(header), next, value.size()));
        next += units;
        room -= units;
        return text;
    }

    // The references of the strings made from the current block, added to its count in one
    // step rather than one atomic operation per value. Until then block keeps it alive; no string
    // of the arena is destroyed before.
    void settle()
    {
        if (unsettled > 0)
            block.data_ptr().d_ptr()->ref_.fetchAndAddRelaxed(unsettled);
        unsettled = 0;
    }

    QString block;
    char16_t* next = nullptr;
    qsizetype room = 0;
    int unsettled = 0;
    std::vector<ShortText> shortTexts;
};

// The decoded text between two positions of the input.
class Utf16Source {
public:
    explicit Utf16Source(QStringView text)
        : text(text)
    {
    }
    const char16_t* data() const { return text.utf16(); }
    qsizetype size() const { return text.size(); }
    QStringView piece(qsizetype from, qsizetype to) const { return text.sliced(from, to - from); }
    // Notes the "=" and quotes of the record that starts offset characters into piece.
    void index(RecordMarks& marks, QStringView piece, qsizetype offset) const { marks.index(piece.sliced(offset)); }

private:
    QStringView text;
};

// Decodes one piece at a time into a buffer the size of the largest record, never the whole file,
// and notes its "=" and quotes on the way.
class AnsiSource {
public:
    explicit AnsiSource(QByteArrayView bytes)
        : bytes(bytes)
    {
    }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes.data()); }
    qsizetype size() const { return bytes.size(); }
    QStringView piece(qsizetype from, qsizetype to)
    {
        if (buffer.size() < size_t(to - from))
            buffer.resize(size_t(to - from));
        watch.firstAt.clear();
        watch.secondAt.clear();
        return QStringView(buffer.data(), AnsiCodec::decodeInto(bytes.sliced(from, to - from), buffer.data(), watch));
    }
    void index(RecordMarks& marks, QStringView piece, qsizetype offset) const
    {
        marks.adopt(piece, watch.firstAt, watch.secondAt, offset);
    }

private:
    QByteArrayView bytes;
    std::vector<char16_t> buffer;
    AnsiCodec::Watch watch { u'=', u'"', {}, {} };
};

template <typename Source> QVector<Category> parse(Source& source)
{
    const std::vector<Marker> markers = findMarkers(source.data(), source.size());
    const auto categoryCount
        = std::count_if(markers.begin(), markers.end(), [](const Marker& m) { return m.category; });

    QVector<Category> categories;
    categories.reserve(categoryCount + 1);
    categories.emplace_back();

    TextArena texts(qsizetype(markers.size()));
    RecordMarks marks;
    qsizetype unreadableIds = 0;
    for (size_t c = 0; c < markers.size();) {
        size_t next = c + 1;
        while (next < markers.size() && !markers[next].category)
            ++next;
        const qsizetype chunkEnd = next < markers.size() ? markers[next].at : source.size();
        const qsizetype chunkStart = markers[c].at + kCategoryMarker.size();

        Category& category = categories.emplace_back();
        category.games.reserve(qsizetype(next - c));
        // The whole chunk, records included: a header without a name takes the first name= of a record.
        ChunkAttribute name(u"name");
        name.feed(source.piece(chunkStart, c + 1 < next ? markers[c + 1].at : chunkEnd));

        for (size_t r = c + 1; r < next; ++r) {
            const QStringView piece = source.piece(markers[r].at, r + 1 < next ? markers[r + 1].at : chunkEnd);
            name.feed(piece);
            const QStringView record = piece.sliced(kRecordMarker.size());

            const bool indexed = record.size() <= RecordMarks::kLimit;
            if (indexed)
                source.index(marks, piece, kRecordMarker.size());
            const auto lookUp
                = [&](QStringView key) { return indexed ? marks.attribute(key) : attribute(record, key); };
            const auto value = [&](QStringView key) { return texts.store(lookUp(key)); };
            const auto shared = [&](QStringView key) { return texts.storeShared(lookUp(key)); };

            Game& game = category.games.emplace_back();
            game.title = value(u"title");
            game.litpic = value(u"litpic");
            game.keyboard = shared(u"keyboard");
            game.onclick = shared(u"onclick");
            game.filesize = shared(u"filesize");
            game.ztid = shared(u"ztid");
            game.flash_fangfa = value(u"flash_fangfa");
            game.flashsay = value(u"flashsay");
            game.flashurl = value(u"flashurl");
            // An id that does not convert keeps its game with id 0: skipping would hide a playable
            // game and stopping would lose the rest of the catalogue.
            const std::optional<qint16> id = toId(lookUp(u"id"));
            if (!id)
                ++unreadableIds;
            game.id = id.value_or(0);
        }
        category.name = name.value();
        c = next;
    }
    if (unreadableIds > 0)
        qCDebug(lcCatalogue) << unreadableIds << "games without a readable id were given id 0";
    return categories;
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

QVector<Category> CatalogueFile::Read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcCatalogue) << "cannot open" << path << file.errorString();
        return ParseAnsi({});
    }
    // Mapped rather than copied: the pages come from the file cache, not from fresh memory, and
    // are entered in one step rather than one fault at a time. The program only ever replaces the
    // file by renaming another over it, which leaves a mapping intact.
    const qint64 size = file.size();
    if (size > 0 && size <= std::numeric_limits<qsizetype>::max()) {
        void* mapped = ::mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.handle(), 0);
        if (mapped != MAP_FAILED) {
            QVector<Category> categories = ParseAnsi(QByteArrayView(static_cast<const char*>(mapped), size));
            ::munmap(mapped, size_t(size));
            return categories;
        }
    }
    const QByteArray bytes = file.readAll();
    // Half a catalogue would look complete to the user; none at all is the honest result.
    if (file.error() != QFileDevice::NoError) {
        qCDebug(lcCatalogue) << "cannot read" << path << file.errorString();
        return ParseAnsi({});
    }
    return ParseAnsi(bytes);
}

QString CatalogueFile::GetAttribute(QStringView text, QStringView name)
{
    return attribute(text, name).toString();
}

QVector<Category> CatalogueFile::Parse(const QString& text)
{
    Utf16Source source(text);
    return parse(source);
}

QVector<Category> CatalogueFile::ParseAnsi(QByteArrayView bytes)
{
    AnsiSource source(bytes);
    return parse(source);
}
