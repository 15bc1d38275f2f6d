// A small, independent raw-Deflate decoder for tests that records what the
// stream is made of: each block's type and every literal and match, so a test
// can check which choices the compressor made, not only that it round-trips.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace movrel::test {

struct TToken {
    uint16_t Length;    // 0 for a literal
    uint16_t Distance;  // 0 for a literal
    uint8_t Literal;
};

struct TBlock {
    int Type;             // 0 stored, 1 fixed codes, 2 dynamic codes
    bool Last;
    size_t FirstToken;    // index into TTokenStream::Tokens (coded blocks)
    size_t TokenCount;
    size_t OutputBytes;   // bytes the block produced
};

struct TTokenStream {
    bool Ok = false;      // the whole input was one valid stream, nothing after the last block
    std::vector<uint8_t> Output;
    std::vector<TBlock> Blocks;
    std::vector<TToken> Tokens;
};

TTokenStream DecodeTokens(const std::vector<uint8_t>& deflated);

}  // namespace movrel::test
