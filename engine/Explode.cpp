#include "Explode.h"

#include "BitReader.h"
#include "HuffTables.h"

#include <memory>
#include <new>
#include <vector>

namespace movrel {

namespace {

using namespace huff;

constexpr unsigned kWindow = 32768;
constexpr unsigned kLiteralBits = 9;
constexpr unsigned kLengthBits = 7;

// A decoding table for one tree; codes are stored bit-complemented.
struct TTree {
    std::vector<uint32_t> table;
    unsigned bits = 0;
};

class TExploder {
public:
    TExploder(TDecodeSource& src, TDecodeSink& sink) : m_in(src), m_sink(sink) {}

    int Run(uint16_t flags, uint32_t compressedSize, uint32_t uncompressedSize);

private:
    int ReadTree(TTree& tree, unsigned symbols, unsigned bits);
    bool Decode(const TTree& tree, unsigned& sym);
    void Put(uint8_t b)
    {
        m_win[m_pos++] = b;
        if (m_pos == kWindow) {
            m_sink.Put(m_win, kWindow);
            m_pos = 0;
        }
    }

    TBitReader m_in;
    TDecodeSink& m_sink;
    unsigned m_pos = 0;
    uint8_t m_win[kWindow] = {};  // zeros: what a match before the start copies
};

// A tree is stored as a byte count less 1, then bytes holding in the high
// nibble a number of codes less 1 and in the low nibble their length less 1.
int TExploder::ReadTree(TTree& tree, unsigned symbols, unsigned bits)
{
    uint8_t lens[256];
    m_in.Need(8);
    const unsigned nbytes = m_in.Take(8) + 1;
    unsigned k = 0;
    for (unsigned i = 0; i < nbytes; ++i) {
        m_in.Need(8);
        const unsigned b = m_in.Take(8);
        const unsigned len = (b & 15) + 1;
        const unsigned n = (b >> 4) + 1;
        if (k + n > symbols)
            return dsBadTree;
        for (unsigned j = 0; j < n; ++j)
            lens[k++] = static_cast<uint8_t>(len);
    }
    if (k != symbols || m_in.Overrun())
        return k != symbols ? dsBadTree : dsBadData;

    uint32_t values[256];
    unsigned maxLen = 0, longer = 0;
    for (unsigned i = 0; i < symbols; ++i) {
        values[i] = Symbol(i, 0);
        if (lens[i] > maxLen)
            maxLen = lens[i];
        if (lens[i] > bits)
            ++longer;
    }
    size_t capacity = (size_t{1} << bits) + (maxLen > bits ? size_t{longer} << (maxLen - bits) : 0);
    if (capacity > 0x8000)
        capacity = 0x8000;
    try {
        tree.table.resize(capacity);
    } catch (const std::bad_alloc&) {
        return dsNoMemory;
    }
    tree.bits = bits;
    return BuildTable(tree.table.data(), capacity, bits, lens, symbols, values) == brComplete ? dsOk : dsBadData;
}

bool TExploder::Decode(const TTree& tree, unsigned& sym)
{
    m_in.Need(kMaxCodeLen);
    uint32_t e = tree.table[~static_cast<uint32_t>(m_in.Bits()) & ((1u << tree.bits) - 1)];
    if (e & kSubtable) {
        m_in.Drop(tree.bits);
        e = tree.table[Value(e) + (~static_cast<uint32_t>(m_in.Bits()) & ((1u << CodeBits(e)) - 1))];
    }
    if (e & kInvalid)
        return false;
    m_in.Drop(CodeBits(e));
    sym = Value(e);
    return true;
}

int TExploder::Run(uint16_t flags, uint32_t compressedSize, uint32_t uncompressedSize)
{
    const bool literalTree = flags & 4;
    const unsigned lowBits = (flags & 2) ? 7 : 6;
    const unsigned minLength = literalTree ? 3 : 2;

    TTree literals, lengths, distances;
    int r;
    if (literalTree && (r = ReadTree(literals, 256, kLiteralBits)) != dsOk)
        return r;
    if ((r = ReadTree(lengths, 64, kLengthBits)) != dsOk)
        return r;
    if ((r = ReadTree(distances, 64, ExplodeDistanceBits(compressedSize))) != dsOk)
        return r;

    uint64_t produced = 0;
    while (produced < uncompressedSize) {
        m_in.Need(1 + 8);
        if (m_in.Overrun())
            return dsBadData;
        unsigned sym;
        if (m_in.Take(1)) {
            if (literalTree) {
                if (!Decode(literals, sym))
                    return dsBadData;
            } else {
                sym = m_in.Take(8);
            }
            Put(static_cast<uint8_t>(sym));
            ++produced;
            continue;
        }
        m_in.Need(lowBits);
        const unsigned low = m_in.Take(lowBits);
        if (!Decode(distances, sym))
            return dsBadData;
        const unsigned dist = (sym << lowBits) + low + 1;
        if (!Decode(lengths, sym))
            return dsBadData;
        unsigned length = sym + minLength;
        if (sym == 63) {
            m_in.Need(8);
            length += m_in.Take(8);
        }
        for (unsigned k = 0; k < length; ++k)
            Put(m_win[(m_pos - dist) & (kWindow - 1)]);
        produced += length;
    }
    if (m_pos)
        m_sink.Put(m_win, m_pos);
    return dsOk;
}

}  // namespace

extern const int kExplodeLinked = 1;

unsigned ExplodeDistanceBits(uint32_t compressedSize)
{
    return compressedSize > 200000 ? 8 : 7;
}

int Explode(TDecodeSource& src, TDecodeSink& sink, uint16_t generalFlags, uint32_t compressedSize,
            uint32_t uncompressedSize)
{
    std::unique_ptr<TExploder> state;
    try {
        state = std::make_unique<TExploder>(src, sink);
    } catch (const std::bad_alloc&) {
        return dsNoMemory;
    }
    return state->Run(generalFlags, compressedSize, uncompressedSize);
}

}  // namespace movrel
