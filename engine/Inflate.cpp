#include "Inflate.h"

#include "BitReader.h"
#include "HuffTables.h"

#include <cstring>
#include <memory>
#include <new>

namespace movrel {

namespace {

using namespace huff;

// First-level lookup bits. Larger than the classic 9 and 6 so that nearly
// every code resolves in one look-up; the decoded output is the same.
constexpr unsigned kLitlenBits = 11;
constexpr unsigned kDistBits = 8;
constexpr unsigned kPrecodeBits = 7;
constexpr uint32_t kLitlenMask = (1u << kLitlenBits) - 1;
constexpr uint32_t kDistMask = (1u << kDistBits) - 1;
constexpr size_t kLitlenCap = Capacity(kLitlenBits, 288, 15);
constexpr size_t kDistCap = Capacity(kDistBits, 32, 15);

// Window layout: kHist bytes of history (zeros at the start), then up to
// kOutCap new bytes, handed to the sink in one piece when full; the last
// kHist bytes then move to the front. kSlack absorbs the over-long writes of
// the word-wise match copy.
constexpr size_t kHist = 32768;
constexpr size_t kOutCap = 131072;
constexpr size_t kSlack = 64;
constexpr size_t kMaxMatch = 258;
// Input bytes that must be buffered to decode a symbol with whole-word refills.
constexpr size_t kFastIn = 32;

constexpr int kMore = -1;      // keep decoding this block
constexpr int kBlockEnd = -2;  // end-of-block code met

// Format tables of RFC 1951.
constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// Order in which the code length code's lengths are stored.
constexpr uint8_t kPrecodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

struct TSymbols {
    uint32_t litlen[288];
    uint32_t dist[32];
    uint32_t precode[19];
};

constexpr TSymbols MakeSymbols()
{
    TSymbols s{};
    for (uint32_t i = 0; i < 256; ++i)
        s.litlen[i] = Symbol(i, 0, kLiteral);
    s.litlen[256] = Symbol(0, 0, kEndOfBlock);
    for (uint32_t i = 0; i < 29; ++i)
        s.litlen[257 + i] = Symbol(kLengthBase[i], kLengthExtra[i]);
    s.litlen[286] = s.litlen[287] = kInvalid;
    for (uint32_t i = 0; i < 30; ++i)
        s.dist[i] = Symbol(kDistBase[i], kDistExtra[i]);
    s.dist[30] = s.dist[31] = kInvalid;
    for (uint32_t i = 0; i < 19; ++i)
        s.precode[i] = Symbol(i, 0);
    return s;
}

constexpr TSymbols kSymbols = MakeSymbols();

inline void Copy8(uint8_t* dst, const uint8_t* src)
{
    uint64_t v;
    std::memcpy(&v, src, 8);
    std::memcpy(dst, &v, 8);
}

inline void Copy16(uint8_t* dst, const uint8_t* src)
{
    uint8_t v[16];
    std::memcpy(v, src, 16);
    std::memcpy(dst, v, 16);
}

// Copies a match of len bytes from dist bytes back. Writes up to 15 bytes
// past the end of the match.
inline void CopyMatch(uint8_t* o, uint32_t dist, uint32_t len)
{
    const uint8_t* s = o - dist;
    uint8_t* const end = o + len;
    if (dist >= 16) {
        do {
            Copy16(o, s);
            o += 16;
            s += 16;
        } while (o < end);
        return;
    }
    if (dist >= 8) {
        do {
            Copy8(o, s);
            Copy8(o + 8, s + 8);
            o += 16;
            s += 16;
        } while (o < end);
        return;
    }
    if (dist == 1) {
        uint64_t v = s[0] * 0x0101010101010101ull;
        do {
            std::memcpy(o, &v, 8);
            std::memcpy(o + 8, &v, 8);
            o += 16;
        } while (o < end);
        return;
    }
    // A short period: the output repeats every dist bytes, so once
    // step - dist bytes are written (step the smallest multiple of dist that
    // is 8 or more), whole words can be copied from step bytes back.
    const uint32_t step = dist * ((8 + dist - 1) / dist);
    uint8_t* const head = o + (step - dist);
    while (o < head && o < end)
        *o++ = *s++;
    s = o - step;
    while (o < end) {
        Copy8(o, s);
        o += 8;
        s += 8;
    }
}

// Decodes one literal/length code and what follows it. c holds at least 56
// bits, enough for up to three literals or one length and distance with
// their extra bits.
inline int Step(TBitReader::TCursor& c, uint8_t*& o, const uint32_t* lt, const uint32_t* dt)
{
    uint32_t e = lt[c.bits & kLitlenMask];
    if (static_cast<int32_t>(e) < 0) {
        c.Drop(DropBits(e));
        *o++ = static_cast<uint8_t>(e >> 16);
        e = lt[c.bits & kLitlenMask];
        if (static_cast<int32_t>(e) >= 0)
            return kMore;
        c.Drop(DropBits(e));
        *o++ = static_cast<uint8_t>(e >> 16);
        e = lt[c.bits & kLitlenMask];
        if (static_cast<int32_t>(e) >= 0)
            return kMore;
        c.Drop(DropBits(e));
        *o++ = static_cast<uint8_t>(e >> 16);
        return kMore;
    }
    if (e & kSubtable) {
        c.Drop(kLitlenBits);
        e = lt[Value(e) + (c.bits & ((1u << CodeBits(e)) - 1))];
        if (static_cast<int32_t>(e) < 0) {
            c.Drop(DropBits(e));
            *o++ = static_cast<uint8_t>(e >> 16);
            return kMore;
        }
    }
    if (e & (kEndOfBlock | kInvalid)) {
        if (e & kInvalid)
            return dsBadData;
        c.Drop(DropBits(e));
        return kBlockEnd;
    }
    unsigned drop = DropBits(e);
    const uint32_t length = Value(e) + static_cast<uint32_t>((c.bits & ((uint64_t{1} << drop) - 1)) >> CodeBits(e));
    c.Drop(drop);

    e = dt[c.bits & kDistMask];
    if (e & kSubtable) {
        c.Drop(kDistBits);
        e = dt[Value(e) + (c.bits & ((1u << CodeBits(e)) - 1))];
    }
    if (e & kInvalid)
        return dsBadData;
    drop = DropBits(e);
    const uint32_t dist = Value(e) + static_cast<uint32_t>((c.bits & ((uint64_t{1} << drop) - 1)) >> CodeBits(e));
    c.Drop(drop);
    CopyMatch(o, dist, length);
    o += length;
    return kMore;
}

class TInflater {
public:
    TInflater(TDecodeSource& src, TDecodeSink& sink) : m_in(src), m_sink(sink) {}

    int Run();

private:
    enum TLoaded { tlNone, tlFixed, tlDynamic };

    int Stored();
    int LoadFixed();
    int LoadDynamic();
    int Codes();
    int FastCodes();
    int SlowCodes();
    void Flush();
    uint8_t* OutStart() { return m_win + kHist; }
    uint8_t* OutLimit() { return m_win + kHist + kOutCap - kMaxMatch; }

    TBitReader m_in;
    TDecodeSink& m_sink;
    uint8_t* m_out = nullptr;
    TLoaded m_loaded = tlNone;
    uint32_t m_litlen[kLitlenCap];
    uint32_t m_dist[kDistCap];
    uint32_t m_precode[1u << kPrecodeBits];
    uint8_t m_lens[288 + 32];
    alignas(64) uint8_t m_win[kHist + kOutCap + kSlack];
};

int TInflater::Run()
{
    std::memset(m_win, 0, kHist);
    m_out = OutStart();
    for (;;) {
        m_in.Need(3);
        if (m_in.Overrun())
            return dsBadData;
        const uint32_t final = m_in.Take(1);
        int r;
        switch (m_in.Take(2)) {
        case 0:
            r = Stored();
            break;
        case 1:
            r = LoadFixed();
            if (r == dsOk)
                r = Codes();
            break;
        case 2:
            r = LoadDynamic();
            if (r == dsOk)
                r = Codes();
            break;
        default:
            return dsBadBlockType;
        }
        if (r != dsOk)
            return r;
        if (final) {
            if (m_out != OutStart())
                m_sink.Put(OutStart(), static_cast<size_t>(m_out - OutStart()));
            return dsOk;
        }
    }
}

void TInflater::Flush()
{
    const size_t n = static_cast<size_t>(m_out - OutStart());
    if (n == 0)
        return;
    m_sink.Put(OutStart(), n);
    std::memmove(m_win, m_out - kHist, kHist);
    m_out = OutStart();
}

int TInflater::Stored()
{
    m_in.AlignToByte();
    m_in.Need(32);
    const uint32_t len = m_in.Take(16);
    const uint32_t nlen = m_in.Take(16);
    if (m_in.Overrun() || len != (~nlen & 0xFFFF))
        return dsBadData;
    uint32_t left = len;
    while (left) {
        uint8_t* const end = m_win + kHist + kOutCap;
        if (m_out == end)
            Flush();
        size_t k = static_cast<size_t>(end - m_out);
        if (k > left)
            k = left;
        const size_t got = m_in.CopyBytes(m_out, k);
        m_out += got;
        left -= static_cast<uint32_t>(got);
        if (got < k)
            return dsBadData;  // the input ended inside the block
    }
    return dsOk;
}

int TInflater::LoadFixed()
{
    if (m_loaded == tlFixed)
        return dsOk;
    uint8_t* l = m_lens;
    std::memset(l, 8, 144);
    std::memset(l + 144, 9, 112);
    std::memset(l + 256, 7, 24);
    std::memset(l + 280, 8, 8);
    std::memset(l + 288, 5, 32);
    if (BuildTable(m_litlen, kLitlenCap, kLitlenBits, l, 288, kSymbols.litlen) != brComplete ||
        BuildTable(m_dist, kDistCap, kDistBits, l + 288, 32, kSymbols.dist) != brComplete)
        return dsBadData;
    m_loaded = tlFixed;
    return dsOk;
}

int TInflater::LoadDynamic()
{
    m_loaded = tlNone;
    m_in.Need(14);
    const unsigned nlit = m_in.Take(5) + 257;
    const unsigned ndist = m_in.Take(5) + 1;
    const unsigned ncode = m_in.Take(4) + 4;
    if (nlit > 286 || ndist > 30)
        return dsBadData;

    uint8_t pre[19] = {};
    for (unsigned i = 0; i < ncode; ++i) {
        m_in.Need(3);
        pre[kPrecodeOrder[i]] = static_cast<uint8_t>(m_in.Take(3));
    }
    if (BuildTable(m_precode, 1u << kPrecodeBits, kPrecodeBits, pre, 19, kSymbols.precode) != brComplete)
        return dsBadData;

    const unsigned n = nlit + ndist;
    unsigned i = 0;
    while (i < n) {
        m_in.Need(kPrecodeBits + 7);
        if (m_in.Overrun())
            return dsBadData;
        const uint32_t e = m_precode[m_in.Peek(kPrecodeBits)];
        if (e & kInvalid)
            return dsBadData;
        m_in.Drop(CodeBits(e));
        const unsigned sym = Value(e);
        if (sym < 16) {
            m_lens[i++] = static_cast<uint8_t>(sym);
            continue;
        }
        uint8_t val = 0;
        unsigned rep;
        if (sym == 16) {
            if (i == 0)
                return dsBadData;  // nothing to repeat
            val = m_lens[i - 1];
            rep = 3 + m_in.Take(2);
        } else if (sym == 17) {
            rep = 3 + m_in.Take(3);
        } else {
            rep = 11 + m_in.Take(7);
        }
        if (i + rep > n)
            return dsBadData;
        std::memset(m_lens + i, val, rep);
        i += rep;
    }
    if (BuildTable(m_litlen, kLitlenCap, kLitlenBits, m_lens, nlit, kSymbols.litlen) != brComplete ||
        BuildTable(m_dist, kDistCap, kDistBits, m_lens + nlit, ndist, kSymbols.dist) != brComplete)
        return dsBadData;
    m_loaded = tlDynamic;
    return dsOk;
}

int TInflater::Codes()
{
    for (;;) {
        int r = FastCodes();
        if (r == kMore)
            r = SlowCodes();
        if (r == kBlockEnd)
            return dsOk;
        if (r != kMore)
            return r;
    }
}

// Decodes while a whole symbol's input is buffered and its output fits.
// The same decoding as Step, arranged so that the next literal/length entry
// is looked up before a match is copied.
int TInflater::FastCodes()
{
    TBitReader::TCursor c = m_in.Save();
    const uint8_t* const inEnd = m_in.End();
    auto inRoom = [&] { return static_cast<size_t>(inEnd - c.next) >= kFastIn; };
    uint8_t* o = m_out;
    uint8_t* const outLimit = OutLimit();
    const uint32_t* const lt = m_litlen;
    const uint32_t* const dt = m_dist;
    int r = kMore;
    if (!inRoom() || o > outLimit)
        return kMore;
    c.Refill();
    uint32_t e = lt[c.bits & kLitlenMask];
    // Here c holds at least 56 bits and e is the entry they start with.
    for (;;) {
        if (static_cast<int32_t>(e) < 0) {
            // Up to three literals of at most kLitlenBits each.
            c.Drop(DropBits(e));
            *o++ = static_cast<uint8_t>(e >> 16);
            e = lt[c.bits & kLitlenMask];
            if (static_cast<int32_t>(e) < 0) {
                c.Drop(DropBits(e));
                *o++ = static_cast<uint8_t>(e >> 16);
                e = lt[c.bits & kLitlenMask];
                if (static_cast<int32_t>(e) < 0) {
                    c.Drop(DropBits(e));
                    *o++ = static_cast<uint8_t>(e >> 16);
                    e = lt[c.bits & kLitlenMask];
                }
            }
            if (!inRoom() || o > outLimit)
                break;
            // Refilling adds bits above the 23 or more still held, so e stays.
            c.Refill();
            continue;
        }
        if (e & (kSubtable | kEndOfBlock | kInvalid)) {
            if (e & kSubtable) {
                c.Drop(kLitlenBits);
                e = lt[Value(e) + (c.bits & ((1u << CodeBits(e)) - 1))];
                if (static_cast<int32_t>(e) < 0) {
                    c.Drop(DropBits(e));
                    *o++ = static_cast<uint8_t>(e >> 16);
                    if (!inRoom() || o > outLimit)
                        break;
                    c.Refill();
                    e = lt[c.bits & kLitlenMask];
                    continue;
                }
            }
            if (e & kInvalid) {
                r = dsBadData;
                break;
            }
            if (e & kEndOfBlock) {
                c.Drop(DropBits(e));
                r = kBlockEnd;
                break;
            }
        }
        unsigned drop = DropBits(e);
        const uint32_t length =
            Value(e) + static_cast<uint32_t>((c.bits & ((uint64_t{1} << drop) - 1)) >> CodeBits(e));
        c.Drop(drop);

        uint32_t d = dt[c.bits & kDistMask];
        if (d & (kSubtable | kInvalid)) {
            if (d & kSubtable) {
                c.Drop(kDistBits);
                d = dt[Value(d) + (c.bits & ((1u << CodeBits(d)) - 1))];
            }
            if (d & kInvalid) {
                r = dsBadData;
                break;
            }
        }
        drop = DropBits(d);
        const uint32_t dist = Value(d) + static_cast<uint32_t>((c.bits & ((uint64_t{1} << drop) - 1)) >> CodeBits(d));
        c.Drop(drop);

        if (!inRoom()) {
            CopyMatch(o, dist, length);
            o += length;
            break;
        }
        c.Refill();
        e = lt[c.bits & kLitlenMask];
        CopyMatch(o, dist, length);
        o += length;
        if (o > outLimit)
            break;
    }
    m_in.Load(c);
    m_out = o;
    return r;
}

// Decodes symbol by symbol near the end of the input or of the window,
// until the fast loop can take over again.
int TInflater::SlowCodes()
{
    for (;;) {
        if (m_out > OutLimit())
            Flush();
        m_in.Prefetch(kFastIn);
        if (m_in.Avail() >= kFastIn)
            return kMore;
        m_in.RefillSlow();
        if (m_in.Overrun())
            return dsBadData;
        TBitReader::TCursor c = m_in.Save();
        const int r = Step(c, m_out, m_litlen, m_dist);
        m_in.Load(c);
        if (r != kMore)
            return r;
    }
}

}  // namespace

int Inflate(TDecodeSource& src, TDecodeSink& sink)
{
    std::unique_ptr<TInflater> state;
    try {
        state = std::make_unique<TInflater>(src, sink);
    } catch (const std::bad_alloc&) {
        return dsNoMemory;
    }
    return state->Run();
}

}  // namespace movrel
