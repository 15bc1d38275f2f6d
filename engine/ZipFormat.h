// On-disk records: signatures, sizes and field offsets, little-endian.
#pragma once

#include <cstdint>
#include <cstring>

namespace movrel {

constexpr uint32_t kLocalSig = 0x04034B50;
constexpr uint32_t kCentralSig = 0x02014B50;
constexpr uint32_t kEndSig = 0x06054B50;
constexpr uint32_t kDataDescSig = 0x08074B50;

constexpr int kLocalSize = 30;
constexpr int kCentralSize = 46;
constexpr int kEndSize = 22;
constexpr int kEncryptHeaderSize = 12;

// Local file header field offsets.
namespace lfh {
constexpr int Sig = 0, VersionNeeded = 4, Flags = 6, Method = 8, DosTime = 10, Crc = 14, CompSize = 18,
              UncompSize = 22, NameLen = 26, ExtraLen = 28;
}
// Central directory header field offsets.
namespace cdh {
constexpr int Sig = 0, VersionMadeBy = 4, VersionNeeded = 6, Flags = 8, Method = 10, DosTime = 12, Crc = 16,
              CompSize = 20, UncompSize = 24, NameLen = 28, ExtraLen = 30, CommentLen = 32, DiskStart = 34,
              IntAttr = 36, ExtAttr = 38, LocalOffset = 42;
}
// End of central directory record field offsets.
namespace eocd {
constexpr int Sig = 0, ThisDisk = 4, CentralStartDisk = 6, EntriesThisDisk = 8, TotalEntries = 10,
              CentralSize = 12, CentralOffset = 16, CommentLen = 20;
}

inline uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

}  // namespace movrel
