#include "Crc32.h"

#include <array>
#include <cstring>

#ifdef MOVREL_X86
#include <immintrin.h>
#endif

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

namespace {

// Slicing by eight: one table look-up per byte, eight independent look-ups
// per step.
uint32_t CrcSlice8(uint32_t reg, const uint8_t* p, size_t n)
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

#ifdef MOVREL_X86

// Folding with carry-less multiplication. Bit i of a 16-byte block loaded
// little-endian is the coefficient of x^(127-i) (the CRC's reflected order);
// the low quadword holds the high-degree half A1, the high quadword A0. A
// block followed by T more bits is worth (A1 x^64 + A0) x^T modulo P, and a
// carry-less multiply of reflected operands yields their product times x, so
// multiplying A1 by x^(T+63) mod P and A0 by x^(T-1) mod P gives a 96-bit
// remainder in place to be added to the block T bits on.

constexpr uint32_t XPowMod(unsigned n)  // x^n mod P, normal bit order
{
    uint32_t r = 1;
    for (unsigned i = 0; i < n; ++i)
        r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
    return r;
}

constexpr uint64_t Reflect64(uint32_t k)  // as a reflected 64-bit operand
{
    uint64_t r = 0;
    for (int i = 0; i < 32; ++i)
        if (k & (1u << i))
            r |= uint64_t{1} << (63 - i);
    return r;
}

constexpr uint64_t kFold1024Hi = Reflect64(XPowMod(1024 + 63)), kFold1024Lo = Reflect64(XPowMod(1024 - 1));
constexpr uint64_t kFold128Hi = Reflect64(XPowMod(128 + 63)), kFold128Lo = Reflect64(XPowMod(128 - 1));

__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i x, __m128i k)
{
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// n >= 64. Eight blocks in flight while 128 bytes remain, then one.
__attribute__((target("pclmul,sse4.1"))) uint32_t CrcFold(uint32_t reg, const uint8_t* p, size_t n)
{
    const __m128i k128 = _mm_set_epi64x(static_cast<long long>(kFold128Lo), static_cast<long long>(kFold128Hi));
    __m128i x = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    if (n >= 256) {
        const __m128i k1024 =
            _mm_set_epi64x(static_cast<long long>(kFold1024Lo), static_cast<long long>(kFold1024Hi));
        __m128i a[8];
        a[0] = x;
        for (int i = 1; i < 8; ++i)
            a[i] = Load(p + 16 * i);
        p += 128;
        n -= 128;
        while (n >= 128) {
            for (int i = 0; i < 8; ++i)
                a[i] = _mm_xor_si128(Fold(a[i], k1024), Load(p + 16 * i));
            p += 128;
            n -= 128;
        }
        x = a[0];
        for (int i = 1; i < 8; ++i)
            x = _mm_xor_si128(Fold(x, k128), a[i]);
    } else {
        p += 16;
        n -= 16;
    }
    while (n >= 16) {
        x = _mm_xor_si128(Fold(x, k128), Load(p));
        p += 16;
        n -= 16;
    }
    // What is left is the remainder of the 128-bit block times x^32: the
    // CRC of its 16 bytes from a zero register.
    alignas(16) uint8_t block[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(block), x);
    return CrcSlice8(CrcSlice8(0, block, 16), p, n);
}

bool HaveClmul()
{
    static const bool have = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return have;
}

#endif

}  // namespace

uint32_t CrcUpdate(uint32_t reg, const uint8_t* p, size_t n)
{
#ifdef MOVREL_X86
    if (n >= 64 && HaveClmul())
        return CrcFold(reg, p, n);
#endif
    return CrcSlice8(reg, p, n);
}

}  // namespace movrel
