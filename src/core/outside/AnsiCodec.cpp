#include "core/outside/AnsiCodec.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr int kLeadCount = 0xFE - 0x81 + 1;
constexpr int kTrailCount = 0xFE - 0x40 + 1;

struct IconvHandle {
    iconv_t cd;
    IconvHandle(const char* to, const char* from)
        : cd(iconv_open(to, from))
    {
    }
    ~IconvHandle()
    {
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }
    bool valid() const { return cd != iconv_t(-1); }
};

// Converts one short sequence through iconv; returns the number of UTF-16 units written.
int convertSequence(iconv_t cd, const char* in, size_t inLen, char16_t* out, int outCapacity)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in);
    char* dst = reinterpret_cast<char*>(out);
    size_t dstLeft = size_t(outCapacity) * 2;
    if (iconv(cd, &src, &inLen, &dst, &dstLeft) == size_t(-1) || inLen != 0)
        return 0;
    return int((size_t(outCapacity) * 2 - dstLeft) / 2);
}

// Two-byte GBK decoding dominates catalogue loading: a table written at build time from iconv
// (GbkTableGen) costs nothing at start, where filling it from iconv took some 24,000 calls.
constexpr char16_t kDoubleByteTable[kLeadCount * kTrailCount] = {
#include "GbkTable.inc"
};

char16_t doubleByte(unsigned lead, unsigned trail)
{
    return kDoubleByteTable[(lead - 0x81) * kTrailCount + (trail - 0x40)];
}

bool isLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

bool isTrail(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

bool isFourByteSecond(unsigned char c)
{
    return c >= 0x30 && c <= 0x39;
}

// Widens the ASCII run at the start of p (at most n bytes) into out; returns its length. Catalogue
// text is mostly ASCII markup and addresses, so whole blocks of 16 bytes go at once. With a watch,
// notes where its characters fall, out being at output position base.
template <bool watching>
inline qsizetype copyAscii(const unsigned char* p, qsizetype n, char16_t* out, AnsiCodec::Watch* watch, qsizetype base)
{
    qsizetype i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = _mm_set1_epi8(watching ? char(watch->first) : 0);
    const __m128i second = _mm_set1_epi8(watching ? char(watch->second) : 0);
    for (; i + 16 <= n; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const unsigned high = unsigned(_mm_movemask_epi8(chunk));
        // out has room for n units, and never gets ahead of the input, so a full block fits.
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
        const qsizetype length = high != 0 ? __builtin_ctz(high) : 16;
        if constexpr (watching) {
            const unsigned valid = length == 16 ? 0xFFFFu : (1u << length) - 1;
            const unsigned isFirst = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, first))) & valid;
            unsigned found = (isFirst | unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, second)))) & valid;
            while (found != 0) {
                const int bit = __builtin_ctz(found);
                (isFirst >> bit & 1 ? watch->firstAt : watch->secondAt).push_back(base + i + bit);
                found &= found - 1;
            }
        }
        if (high != 0)
            return i + length;
    }
#endif
    for (; i < n && p[i] < 0x80; ++i) {
        out[i] = p[i];
        if constexpr (watching) {
            if (p[i] == watch->first)
                watch->firstAt.push_back(base + i);
            else if (p[i] == watch->second)
                watch->secondAt.push_back(base + i);
        }
    }
    return i;
}

template <bool watching> qsizetype decodeBytes(QByteArrayView bytes, char16_t* out, AnsiCodec::Watch* watch)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype o = 0;
    std::unique_ptr<IconvHandle> fourByte;
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            const qsizetype run = copyAscii<watching>(p + i, n - i, out + o, watch, o);
            i += run;
            o += run;
            continue;
        }
        // Chinese text comes in runs of pairs.
        while (i + 1 < n && isLead(p[i]) && isTrail(p[i + 1])) {
            out[o++] = doubleByte(p[i], p[i + 1]);
            i += 2;
        }
        if (i >= n || p[i] < 0x80)
            continue;
        const unsigned char c = p[i];
        if (c == 0x80 || c == 0xFF || i + 1 >= n) {
            out[o++] = kReplacement;
            ++i;
            continue;
        }
        const unsigned char t = p[i + 1];
        if (isFourByteSecond(t) && i + 3 < n && p[i + 2] >= 0x81 && p[i + 2] <= 0xFE && isFourByteSecond(p[i + 3])) {
            if (!fourByte)
                fourByte = std::make_unique<IconvHandle>("UTF-16LE", "GB18030");
            char16_t units[2];
            const int written = fourByte->valid()
                ? convertSequence(fourByte->cd, reinterpret_cast<const char*>(p + i), 4, units, 2)
                : 0;
            // A four-byte sequence never yields more units than the bytes it consumed.
            if (written > 0) {
                for (int k = 0; k < written; ++k)
                    out[o++] = units[k];
            } else {
                out[o++] = kReplacement;
            }
            i += 4;
            continue;
        }
        // A lead byte without a valid trail: the trail byte starts over (it may be plain ASCII).
        out[o++] = kReplacement;
        ++i;
    }
    return o;
}

} // namespace

QString AnsiCodec::decode(QByteArrayView bytes)
{
    QString result(bytes.size(), Qt::Uninitialized);
    result.truncate(decodeInto(bytes, reinterpret_cast<char16_t*>(result.data())));
    return result;
}

qsizetype AnsiCodec::decodeInto(QByteArrayView bytes, char16_t* out)
{
    return decodeBytes<false>(bytes, out, nullptr);
}

qsizetype AnsiCodec::decodeInto(QByteArrayView bytes, char16_t* out, Watch& watch)
{
    // Only ASCII bytes decode to ASCII characters: the run copier sees every one.
    Q_ASSERT(watch.first < 0x80 && watch.second < 0x80);
    return decodeBytes<true>(bytes, out, &watch);
}

QByteArray AnsiCodec::encode(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    IconvHandle h("GB18030", "UTF-8");
    if (!h.valid())
        return utf8;
    QByteArray out(utf8.size() * 2 + 4, Qt::Uninitialized);
    char* src = const_cast<char*>(utf8.constData());
    size_t srcLeft = size_t(utf8.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    while (srcLeft > 0) {
        if (iconv(h.cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = dst - out.data();
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = size_t(out.size() - used);
        } else {
            // Unencodable input (a lone surrogate from toUtf8's replacement): write "?" and move on.
            if (dstLeft == 0)
                break;
            *dst++ = '?';
            --dstLeft;
            ++src;
            --srcLeft;
        }
    }
    out.truncate(dst - out.data());
    return out;
}
