// The ZIP CRC-32 (reflected polynomial 0xEDB88320). The running register is
// preset to 0xFFFFFFFF and complemented at the end by the caller, as the
// extraction driver's RunningCrc is.
#pragma once

#include <cstddef>
#include <cstdint>

namespace movrel {

// The byte-step table shared by the CRC and the traditional cipher.
extern const uint32_t CrcTable[256];

inline uint32_t CrcByte(uint32_t reg, uint8_t b)
{
    return CrcTable[(reg ^ b) & 0xFF] ^ (reg >> 8);
}

// Advance the running register over n bytes (no pre- or post-complement).
uint32_t CrcUpdate(uint32_t reg, const uint8_t* data, size_t n);

// CRC-32 of a whole buffer (complemented, as stored in headers).
inline uint32_t Crc32Of(const uint8_t* data, size_t n)
{
    return ~CrcUpdate(0xFFFFFFFFu, data, n);
}

}  // namespace movrel
