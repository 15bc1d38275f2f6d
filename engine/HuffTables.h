// Multi-level decoding tables for the canonical prefix codes of Deflate and
// Implode (codes read least significant bit first). Private to the decoders.
//
// An entry is 32 bits:
//   bits 0-7    bits to drop for this entry: the code's length plus the
//               extra bits the symbol carries (a sub-table pointer: the
//               first-level bits)
//   bits 8-12   the code's length (a sub-table pointer: its index bits)
//   bit 13      sub-table pointer
//   bit 14      end of block
//   bit 15      invalid code
//   bits 16-30  value: literal, base length or distance, symbol, or the
//               sub-table's first entry
//   bit 31      literal
// Entries inside a sub-table count only the bits past the first level.
#pragma once

#include <cstddef>
#include <cstdint>

namespace movrel {

namespace huff {

constexpr uint32_t kSubtable = 1u << 13;
constexpr uint32_t kEndOfBlock = 1u << 14;
constexpr uint32_t kInvalid = 1u << 15;
constexpr uint32_t kLiteral = 1u << 31;
constexpr unsigned kMaxCodeLen = 16;

// What a symbol decodes to, before the builder adds its code length.
constexpr uint32_t Symbol(uint32_t value, unsigned extraBits, uint32_t flags = 0)
{
    return (value << 16) | flags | extraBits;
}

inline unsigned DropBits(uint32_t e) { return e & 0xFF; }
inline unsigned CodeBits(uint32_t e) { return (e >> 8) & 31; }
inline uint32_t Value(uint32_t e) { return (e >> 16) & 0x7FFF; }

// Entries a table may need at most: the first level plus one full sub-table
// for every code longer than the first level.
constexpr size_t Capacity(unsigned tableBits, unsigned symbols, unsigned maxLen)
{
    return (size_t{1} << tableBits) +
           (maxLen > tableBits ? size_t{symbols} << (maxLen - tableBits) : 0);
}

enum TBuildResult : int {
    brComplete = 0,
    brIncomplete = 1,      // codes left unused (not allowed, see BuildTable)
    brOversubscribed = 2,  // more codes than the lengths allow, or a length too long
};

// Builds the table for n symbols with code lengths lens[] (0 = unused, at
// most kMaxCodeLen) into table[0, capacity). symbols[i] is what symbol i
// decodes to. Unused codes decode to kInvalid entries.
// An incomplete code is accepted (brComplete) only when its longest code is
// 1 bit (a lone code) or no symbol has a code at all.
TBuildResult BuildTable(uint32_t* table, size_t capacity, unsigned tableBits, const uint8_t* lens,
                        unsigned n, const uint32_t* symbols);

}  // namespace huff

}  // namespace movrel
