#include "Crc32.h"

#include <array>
#include <cstring>

namespace movrel {

namespace {

constexpr std::array<std::array<uint32_t, 256>, 8> MakeTables()
{
    std::array<std::array<uint32_t, 256>, 8> t{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n)
        for (int k = 1; k < 8; ++k)
            t[k][n] = t[0][t[k - 1][n] & 0xFF] ^ (t[k - 1][n] >> 8);
    return t;
}

constexpr auto kTables = MakeTables();

}  // namespace

const uint32_t CrcTable[256] = {
#define R(i) kTables[0][i]
#define R8(i) R(i), R(i + 1), R(i + 2), R(i + 3), R(i + 4), R(i + 5), R(i + 6), R(i + 7)
#define R64(i) R8(i), R8(i + 8), R8(i + 16), R8(i + 24), R8(i + 32), R8(i + 40), R8(i + 48), R8(i + 56)
    R64(0), R64(64), R64(128), R64(192)
#undef R64
#undef R8
#undef R
};

// Slicing by eight: one table look-up per byte, eight independent look-ups
// per step.
uint32_t CrcUpdate(uint32_t reg, const uint8_t* p, size_t n)
{
    while (n && (reinterpret_cast<uintptr_t>(p) & 7)) {
        reg = kTables[0][(reg ^ *p++) & 0xFF] ^ (reg >> 8);
        --n;
    }
    while (n >= 8) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        v ^= reg;
        reg = kTables[7][v & 0xFF] ^ kTables[6][(v >> 8) & 0xFF] ^ kTables[5][(v >> 16) & 0xFF] ^
              kTables[4][(v >> 24) & 0xFF] ^ kTables[3][(v >> 32) & 0xFF] ^ kTables[2][(v >> 40) & 0xFF] ^
              kTables[1][(v >> 48) & 0xFF] ^ kTables[0][v >> 56];
        p += 8;
        n -= 8;
    }
    while (n--)
        reg = kTables[0][(reg ^ *p++) & 0xFF] ^ (reg >> 8);
    return reg;
}

}  // namespace movrel
