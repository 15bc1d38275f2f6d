#include "Crc32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace movrel;

TEST(Crc32, KnownValues)
{
    struct Case { std::string text; uint32_t crc; };
    const Case cases[] = {
        {"", 0x00000000u},
        {"a", 0xE8B7BE43u},
        {"123456789", 0xCBF43926u},
        {"The quick brown fox jumps over the lazy dog", 0x414FA339u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Crc32Of(reinterpret_cast<const uint8_t*>(c.text.data()), c.text.size()), c.crc) << c.text;
}

TEST(Crc32, SplitUpdatesAgreeWithOneUpdateAtEveryAlignment)
{
    std::vector<uint8_t> data(1000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i * 131 + (i >> 3));
    for (size_t start = 0; start < 16; ++start) {
        const uint8_t* p = data.data() + start;
        size_t n = data.size() - start;
        uint32_t whole = CrcUpdate(0xFFFFFFFFu, p, n);
        uint32_t bytewise = 0xFFFFFFFFu;
        for (size_t i = 0; i < n; ++i)
            bytewise = CrcByte(bytewise, p[i]);
        EXPECT_EQ(whole, bytewise);
        uint32_t split = CrcUpdate(CrcUpdate(0xFFFFFFFFu, p, 7 + start), p + 7 + start, n - 7 - start);
        EXPECT_EQ(whole, split);
    }
}
