#include "EntryNames.h"

#include "Crc32.h"

#include <cstring>

namespace movrel {

namespace {

// Unicode code points of bytes 0x80..0xFF of code page 437.
const uint16_t kCp437High[128] = {
0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Next code point of valid UTF-8, or -1.
int64_t NextCodePoint(std::string_view s, size_t& i)
{
    auto b = uint8_t(s[i]);
    if (b < 0x80) {
        ++i;
        return b;
    }
    int len;
    uint32_t cp;
    if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1F; }
    else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0F; }
    else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07; }
    else return -1;
    if (i + size_t(len) > s.size())
        return -1;
    for (int k = 1; k < len; ++k) {
        auto c = uint8_t(s[i + size_t(k)]);
        if ((c & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (c & 0x3F);
    }
    static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    i += size_t(len);
    return cp;
}

uint16_t Le16(const char* p) { return uint16_t(uint8_t(p[0]) | uint8_t(p[1]) << 8); }

}  // namespace

std::string Cp437ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        auto b = uint8_t(ch);
        if (b < 0x80)
            out += ch;
        else
            AppendUtf8(out, kCp437High[b - 0x80]);
    }
    return out;
}

bool Utf8ToCp437(std::string_view utf8, std::string& out)
{
    out.clear();
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        int64_t cp = NextCodePoint(utf8, i);
        if (cp < 0)
            return false;
        if (cp < 0x80) {
            out += char(cp);
            continue;
        }
        int found = -1;
        for (int k = 0; k < 128; ++k)
            if (kCp437High[k] == cp) {
                found = k;
                break;
            }
        if (found < 0)
            return false;
        out += char(0x80 + found);
    }
    return true;
}

bool IsValidUtf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();)
        if (NextCodePoint(bytes, i) < 0)
            return false;
    return true;
}

std::string DecodeStoredName(std::string_view stored, uint16_t generalFlags, uint16_t versionMadeBy,
                             std::string_view centralExtra)
{
    if (generalFlags & kFlagUtf8)
        return std::string(stored);
    // Unicode path extra field: tag 0x7075, version 1, CRC-32 of the stored name, UTF-8 name
    for (size_t p = 0; p + 4 <= centralExtra.size();) {
        uint16_t tag = Le16(centralExtra.data() + p), len = Le16(centralExtra.data() + p + 2);
        if (p + 4 + len > centralExtra.size())
            break;
        if (tag == 0x7075 && len >= 5 && centralExtra[p + 4] == 1) {
            uint32_t crc;
            std::memcpy(&crc, centralExtra.data() + p + 5, 4);
            std::string_view name = centralExtra.substr(p + 9, len - 5);
            if (crc == Crc32Of(reinterpret_cast<const uint8_t*>(stored.data()), stored.size()) &&
                IsValidUtf8(name))
                return std::string(name);
        }
        p += 4 + size_t(len);
    }
    unsigned host = versionMadeBy >> 8;
    if (host == 0 || host == 6 || host == 11 || host == 14)
        return Cp437ToUtf8(stored);
    if (IsValidUtf8(stored))
        return std::string(stored);
    return Cp437ToUtf8(stored);
}

// Plain ASCII is stored as it is; any other name as UTF-8 with bit 11.
// Code page 437 bytes would reach the disk of a Linux user as Latin-1 or as
// raw bytes through common unpackers, while bit 11 is read alike by all.
std::string EncodeStoredName(std::string_view utf8, bool& utf8Flag, bool keepUtf8)
{
    bool ascii = true;
    for (char c : utf8)
        if (uint8_t(c) >= 0x80)
            ascii = false;
    utf8Flag = keepUtf8 || !ascii;
    return std::string(utf8);
}

}  // namespace movrel
