#include "HuffTables.h"

namespace movrel {

namespace huff {

namespace {

constexpr unsigned kMaxSymbols = 320;

uint32_t Reverse(uint32_t code, unsigned len)
{
    uint32_t r = 0;
    for (unsigned i = 0; i < len; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}

void Fill(uint32_t* table, size_t from, size_t to, size_t step, uint32_t e)
{
    for (size_t i = from; i < to; i += step)
        table[i] = e;
}

}  // namespace

TBuildResult BuildTable(uint32_t* table, size_t capacity, unsigned tableBits, const uint8_t* lens,
                        unsigned n, const uint32_t* symbols)
{
    if (n > kMaxSymbols)
        return brOversubscribed;
    unsigned count[kMaxCodeLen + 1] = {};
    for (unsigned i = 0; i < n; ++i) {
        if (lens[i] > kMaxCodeLen)
            return brOversubscribed;
        ++count[lens[i]];
    }
    count[0] = 0;

    // Kraft sum: how many codes of the longest length are left unused.
    unsigned maxLen = 0;
    int left = 1;
    for (unsigned len = 1; len <= kMaxCodeLen; ++len) {
        left = (left << 1) - static_cast<int>(count[len]);
        if (left < 0)
            return brOversubscribed;
        if (count[len])
            maxLen = len;
    }
    bool incomplete = left > 0;
    if (incomplete && maxLen > 1)
        return brIncomplete;

    const size_t rootSize = size_t{1} << tableBits;
    if (rootSize > capacity)
        return brOversubscribed;
    if (incomplete)
        Fill(table, 0, rootSize, 1, kInvalid);
    if (maxLen == 0)
        return brComplete;

    // Symbols in canonical order: by code length, then by symbol.
    unsigned offs[kMaxCodeLen + 2];
    offs[1] = 0;
    for (unsigned len = 1; len <= kMaxCodeLen; ++len)
        offs[len + 1] = offs[len] + count[len];
    const unsigned total = offs[kMaxCodeLen + 1];
    uint16_t sorted[kMaxSymbols];
    for (unsigned i = 0; i < n; ++i)
        if (lens[i])
            sorted[offs[lens[i]]++] = static_cast<uint16_t>(i);

    unsigned remaining[kMaxCodeLen + 1];
    for (unsigned len = 0; len <= kMaxCodeLen; ++len)
        remaining[len] = count[len];

    uint32_t code = 0;  // canonical code, most significant bit first
    size_t next = rootSize;
    uint32_t curPrefix = ~0u;
    size_t subStart = 0;
    unsigned subBits = 0;
    for (unsigned k = 0; k < total; ++k) {
        const unsigned sym = sorted[k];
        const unsigned len = lens[sym];
        const uint32_t rev = Reverse(code, len);
        if (len <= tableBits) {
            Fill(table, rev, rootSize, size_t{1} << len, (symbols[sym] + len) | (len << 8));
        } else {
            const uint32_t prefix = rev & (rootSize - 1);
            if (prefix != curPrefix) {
                // The sub-table grows until the codes that follow fill it.
                unsigned cur = len - tableBits;
                int avail = 1 << cur;
                while (cur + tableBits < maxLen) {
                    avail -= static_cast<int>(remaining[cur + tableBits]);
                    if (avail <= 0)
                        break;
                    ++cur;
                    avail <<= 1;
                }
                if (next + (size_t{1} << cur) > capacity || next > 0x7FFF)
                    return brOversubscribed;
                subStart = next;
                subBits = cur;
                next += size_t{1} << cur;
                curPrefix = prefix;
                table[prefix] = (static_cast<uint32_t>(subStart) << 16) | kSubtable | (subBits << 8) | tableBits;
            }
            const unsigned subLen = len - tableBits;
            Fill(table + subStart, rev >> tableBits, size_t{1} << subBits, size_t{1} << subLen,
                 (symbols[sym] + subLen) | (subLen << 8));
        }
        --remaining[len];
        ++code;
        if (k + 1 < total)
            code <<= lens[sorted[k + 1]] - len;
    }
    return brComplete;
}

}  // namespace huff

}  // namespace movrel
