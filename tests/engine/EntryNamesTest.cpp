#include "EntryNames.h"

#include "Crc32.h"

#include <gtest/gtest.h>

using namespace movrel;

TEST(EntryNames, DecodingRules)
{
    struct Case {
        const char* what;
        std::string stored;
        uint16_t flags, madeBy;
        std::string extra;
        std::string expect;
    };
    std::string cp437Cafe = "caf\x82.txt";
    std::string utf8Cafe = "caf\xc3\xa9.txt";
    auto unicodeField = [](const std::string& stored, const std::string& name) {
        uint32_t crc = Crc32Of(reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
        std::string f = "\x75\x70";
        uint16_t len = uint16_t(5 + name.size());
        f += char(len & 0xFF);
        f += char(len >> 8);
        f += '\x01';
        for (int i = 0; i < 4; ++i)
            f += char(crc >> (8 * i));
        return f + name;
    };
    const Case cases[] = {
        {"ascii, MS-DOS", "readme.txt", 0, 0x0014, "", "readme.txt"},
        {"code page 437 made on MS-DOS", cp437Cafe, 0, 0x0014, "", utf8Cafe},
        {"code page 437 made on NTFS", cp437Cafe, 0, 0x0B14, "", utf8Cafe},
        {"bit 11 set", utf8Cafe, 0x0800, 0x0014, "", utf8Cafe},
        {"bit 11 set beats the host", "\xd0\x9f", 0x0800, 0x0314, "", "\xd0\x9f"},
        {"Unix, valid UTF-8 without the flag", utf8Cafe, 0, 0x0314, "", utf8Cafe},
        {"Unix, bytes that are not UTF-8", cp437Cafe, 0, 0x0314, "", utf8Cafe},
        {"Unicode path field with matching CRC", "caf_.txt", 0, 0x0014, unicodeField("caf_.txt", utf8Cafe), utf8Cafe},
        {"Unicode path field with stale CRC", "cafe.txt", 0, 0x0014, unicodeField("other", utf8Cafe), "cafe.txt"},
        {"box drawing and Greek", "\xc9\xcd\xbb \xe0\xe1", 0, 0, "", "\xe2\x95\x94\xe2\x95\x90\xe2\x95\x97 \xce\xb1\xc3\x9f"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeStoredName(c.stored, c.flags, c.madeBy, c.extra), c.expect) << c.what;
}

TEST(EntryNames, EveryNameWeWriteReadsBackTheSame)
{
    const std::string names[] = {"plain.txt", "caf\xc3\xa9 \xc2\xa2" "5.txt", "\xc3\xbc" "ber",
                                 "\xe2\x82\xac" "uro", "\xe6\x97\xa5\xe6\x9c\xac", "\xf0\x9f\x98\x80.png",
                                 "mix \xc3\xa9 and \xe2\x82\xac"};
    for (const auto& name : names) {
        bool utf8 = false;
        std::string stored = EncodeStoredName(name, utf8);
        EXPECT_EQ(DecodeStoredName(stored, utf8 ? kFlagUtf8 : 0, 20), name);
        EXPECT_EQ(stored, name);
        EXPECT_EQ(utf8, name != "plain.txt") << name;
    }
    std::string raw;
    for (int b = 0; b < 256; ++b)
        raw += char(b);
    std::string back;
    ASSERT_TRUE(Utf8ToCp437(Cp437ToUtf8(raw), back));
    EXPECT_EQ(back, raw);
}
