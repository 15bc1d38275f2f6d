#include "TokenInflate.h"

#include <stdexcept>

namespace movrel::test {

namespace {

struct TBad : std::runtime_error {
    TBad() : std::runtime_error("bad stream") {}
};

class TBits {
public:
    explicit TBits(const std::vector<uint8_t>& in) : m_in(in) {}
    unsigned Get(int n)
    {
        unsigned v = 0;
        for (int i = 0; i < n; ++i) {
            if (m_pos >= m_in.size()) throw TBad();
            v |= unsigned((m_in[m_pos] >> m_bit) & 1) << i;
            if (++m_bit == 8) m_bit = 0, m_pos++;
        }
        return v;
    }
    void Align()
    {
        if (m_bit != 0) m_bit = 0, m_pos++;
    }
    uint8_t Byte()
    {
        if (m_pos >= m_in.size()) throw TBad();
        return m_in[m_pos++];
    }
    bool AtEnd() const { return m_bit == 0 && m_pos == m_in.size(); }

private:
    const std::vector<uint8_t>& m_in;
    size_t m_pos = 0;
    int m_bit = 0;
};

// Canonical Huffman decoding table: counts per length and symbols by code.
struct THuffman {
    int Count[16] = {};
    std::vector<int> Symbol;

    explicit THuffman(const std::vector<int>& lengths)
    {
        for (int len : lengths) Count[len]++;
        Count[0] = 0;
        int offs[16] = {};
        int next = 0;
        for (int len = 1; len < 16; ++len) offs[len] = next, next += Count[len];
        Symbol.assign(size_t(next), 0);
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] != 0) Symbol[size_t(offs[lengths[s]]++)] = int(s);
    }

    int Decode(TBits& bits) const
    {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= int(bits.Get(1));
            int count = Count[len];
            if (code - count < first) return Symbol[size_t(index + (code - first))];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        throw TBad();
    }
};

constexpr int LengthBase[29] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31,
                                35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int LengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int DistBase[30] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193,
                              257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int DistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Codes(TBits& bits, TTokenStream& out, const THuffman& lit, const THuffman& dist)
{
    for (;;) {
        int sym = lit.Decode(bits);
        if (sym < 256) {
            out.Output.push_back(uint8_t(sym));
            out.Tokens.push_back({0, 0, uint8_t(sym)});
            continue;
        }
        if (sym == 256) return;
        sym -= 257;
        if (sym >= 29) throw TBad();
        int len = LengthBase[sym] + int(bits.Get(LengthExtra[sym]));
        int dsym = dist.Decode(bits);
        if (dsym >= 30) throw TBad();
        int d = DistBase[dsym] + int(bits.Get(DistExtra[dsym]));
        if (size_t(d) > out.Output.size()) throw TBad();
        for (int i = 0; i < len; ++i) out.Output.push_back(out.Output[out.Output.size() - size_t(d)]);
        out.Tokens.push_back({uint16_t(len), uint16_t(d), 0});
    }
}

void Dynamic(TBits& bits, TTokenStream& out)
{
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    int nlen = int(bits.Get(5)) + 257;
    int ndist = int(bits.Get(5)) + 1;
    int ncode = int(bits.Get(4)) + 4;
    if (nlen > 286 || ndist > 30) throw TBad();
    std::vector<int> bl(19, 0);
    for (int i = 0; i < ncode; ++i) bl[size_t(order[i])] = int(bits.Get(3));
    THuffman blcode(bl);
    std::vector<int> lengths;
    while (int(lengths.size()) < nlen + ndist) {
        int sym = blcode.Decode(bits);
        if (sym < 16) {
            lengths.push_back(sym);
            continue;
        }
        int len = 0, rep;
        if (sym == 16) {
            if (lengths.empty()) throw TBad();
            len = lengths.back();
            rep = 3 + int(bits.Get(2));
        } else if (sym == 17) {
            rep = 3 + int(bits.Get(3));
        } else {
            rep = 11 + int(bits.Get(7));
        }
        if (int(lengths.size()) + rep > nlen + ndist) throw TBad();
        lengths.insert(lengths.end(), size_t(rep), len);
    }
    THuffman lit(std::vector<int>(lengths.begin(), lengths.begin() + nlen));
    THuffman dist(std::vector<int>(lengths.begin() + nlen, lengths.end()));
    Codes(bits, out, lit, dist);
}

void Fixed(TBits& bits, TTokenStream& out)
{
    std::vector<int> l(288);
    for (int i = 0; i < 288; ++i) l[size_t(i)] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
    static const THuffman lit(l);
    static const THuffman dist(std::vector<int>(30, 5));
    Codes(bits, out, lit, dist);
}

}  // namespace

TTokenStream DecodeTokens(const std::vector<uint8_t>& deflated)
{
    TTokenStream out;
    TBits bits(deflated);
    try {
        bool last = false;
        while (!last) {
            last = bits.Get(1) != 0;
            int type = int(bits.Get(2));
            TBlock block{type, last, out.Tokens.size(), 0, out.Output.size()};
            if (type == 0) {
                bits.Align();
                unsigned len = bits.Byte();
                len |= unsigned(bits.Byte()) << 8;
                unsigned nlen = bits.Byte();
                nlen |= unsigned(bits.Byte()) << 8;
                if ((len ^ 0xFFFF) != nlen) throw TBad();
                for (unsigned i = 0; i < len; ++i) out.Output.push_back(bits.Byte());
            } else if (type == 1) {
                Fixed(bits, out);
            } else if (type == 2) {
                Dynamic(bits, out);
            } else {
                throw TBad();
            }
            block.TokenCount = out.Tokens.size() - block.FirstToken;
            block.OutputBytes = out.Output.size() - block.OutputBytes;
            out.Blocks.push_back(block);
        }
        bits.Align();
        out.Ok = bits.AtEnd();
    } catch (const TBad&) {
        out.Ok = false;
    }
    return out;
}

}  // namespace movrel::test
