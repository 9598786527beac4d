#include "core/outside/AnsiCodec.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <memory>

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

// Two-byte GBK decoding dominates catalogue loading; iconv per character is several times
// slower than a table, so the table is filled from iconv once.
class DoubleByteTable {
public:
    DoubleByteTable()
    {
        table.fill(kReplacement);
        IconvHandle h("UTF-16LE", "GB18030");
        if (!h.valid())
            return;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const char in[2] = { char(lead), char(trail) };
                char16_t out[2];
                if (convertSequence(h.cd, in, 2, out, 2) == 1)
                    table[index(lead, trail)] = out[0];
            }
        }
    }
    char16_t at(unsigned lead, unsigned trail) const { return table[index(lead, trail)]; }

private:
    static int index(unsigned lead, unsigned trail) { return int(lead - 0x81) * kTrailCount + int(trail - 0x40); }
    std::array<char16_t, kLeadCount * kTrailCount> table;
};

const DoubleByteTable& doubleByteTable()
{
    static const DoubleByteTable table;
    return table;
}

bool isFourByteSecond(unsigned char c)
{
    return c >= 0x30 && c <= 0x39;
}

} // namespace

QString AnsiCodec::decode(QByteArrayView bytes)
{
    const auto& table = doubleByteTable();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype n = bytes.size();
    QString result(n, Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(result.data());
    qsizetype o = 0;
    std::unique_ptr<IconvHandle> fourByte;
    for (qsizetype i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            out[o++] = c;
            ++i;
            continue;
        }
        if (c == 0x80 || c == 0xFF || i + 1 >= n) {
            out[o++] = kReplacement;
            ++i;
            continue;
        }
        const unsigned char t = p[i + 1];
        if (t >= 0x40 && t <= 0xFE && t != 0x7F) {
            out[o++] = table.at(c, t);
            i += 2;
            continue;
        }
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
    result.truncate(o);
    return result;
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
