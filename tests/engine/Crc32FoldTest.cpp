// CrcUpdate takes a carry-less multiply path for 64 bytes and more where the
// processor has it, and the table path below that and for the tail: every
// length and alignment must agree with the plain byte step and with zlib.
#include "Crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

using namespace movrel;

namespace {

uint32_t Bytewise(uint32_t reg, const uint8_t* p, size_t n)
{
    while (n--)
        reg = CrcByte(reg, *p++);
    return reg;
}

}  // namespace

TEST(Crc32Fold, EveryLengthAndAlignmentAgreesWithTheByteStep)
{
    std::mt19937 rng(12345);
    std::vector<uint8_t> data(2000 + 16);
    for (auto& b : data)
        b = static_cast<uint8_t>(rng());
    for (size_t start = 0; start < 16; start += 5)
        for (size_t n = 0; n <= 2000; ++n) {
            const uint8_t* p = data.data() + start;
            for (uint32_t reg : {0xFFFFFFFFu, 0u, 0x12345678u}) {
                ASSERT_EQ(CrcUpdate(reg, p, n), Bytewise(reg, p, n))
                    << "start " << start << " length " << n << " register " << reg;
            }
        }
}

TEST(Crc32Fold, LargeBuffersAgreeWithZlibWhateverTheSplit)
{
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    for (size_t n : {size_t{1} << 16, size_t{1000003}, size_t{1} << 22}) {
        std::vector<uint8_t> data(n);
        for (auto& b : data)
            b = static_cast<uint8_t>(rng());
        const uint32_t expected = static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(n)));
        EXPECT_EQ(Crc32Of(data.data(), n), expected) << n;
        const size_t cut = rng() % n;
        EXPECT_EQ(~CrcUpdate(CrcUpdate(0xFFFFFFFFu, data.data(), cut), data.data() + cut, n - cut), expected)
            << n << " cut at " << cut;
    }
    // Long runs of one byte value.
    for (uint8_t v : {0x00, 0xFF}) {
        std::vector<uint8_t> run(100000, v);
        EXPECT_EQ(Crc32Of(run.data(), run.size()), static_cast<uint32_t>(crc32(0, run.data(), 100000)));
    }
}
