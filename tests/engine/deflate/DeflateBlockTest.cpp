// Block-level decisions (stored entry, stored blocks, where blocks end, text or
// binary) and the compressor's interface: levels, read pieces, progress,
// exceptions from the routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <stdexcept>

#include "Crc32.h"
#include "DeflateTestSupport.h"
#include "EngineErrors.h"
#include "TokenInflate.h"

namespace movrel::test {
namespace {

TEST(DeflateBlock, EntryThatDoesNotShrinkIsStoredWhole)
{
    struct TCase {
        const char* Name;
        TBytes In;
        uint16_t Attributes;
    } cases[] = {
        {"empty", TBytes(), 1},
        {"one byte", TBytes{0x00}, 0},
        {"short text", TBytes{'h', 'e', 'l', 'l', 'o'}, 1},
        {"random 20000", MakeRandom(20000, 8), 0},
        {"random 32766, one block", MakeRandom(32766, 9), 0},
    };
    for (int level = 0; level <= 9; ++level) {
        for (const TCase& tc : cases) {
            SCOPED_TRACE(std::string(tc.Name) + ", level " + std::to_string(level));
            TCompressed c = CompressBytes(level, tc.In);
            EXPECT_EQ(c.Result.Method, 0);
            EXPECT_FALSE(c.Result.CopySource);
            EXPECT_EQ(c.Result.BytesOut, tc.In.size());
            EXPECT_TRUE(c.Data == tc.In);
            EXPECT_EQ(c.Result.InternalAttributes, tc.Attributes);
            EXPECT_EQ(c.Result.Crc32, Crc32Of(tc.In.data(), tc.In.size()));
            EXPECT_EQ(c.Result.FlagBits, TDeflater::FlagBitsFor(level)) << "flag bits stay on a stored entry";
            EXPECT_EQ(c.Writes, tc.In.empty() ? 0u : 1u);
        }
    }
}

TEST(DeflateBlock, IncompressibleBlocksOfLongerEntriesAreStoredBlocks)
{
    // Text, then random bytes: the entry shrinks, its random blocks are stored.
    TBytes in = MakeText(100000, 1);
    TBytes r = MakeRandom(100000, 2);
    in.insert(in.end(), r.begin(), r.end());
    for (int level : {1, 6, 9}) {
        SCOPED_TRACE(level);
        TCompressed c = CompressBytes(level, in);
        ASSERT_EQ(c.Result.Method, 8);
        TTokenStream ts = DecodeTokens(c.Data);
        ASSERT_TRUE(ts.Ok);
        EXPECT_TRUE(ts.Output == in);
        size_t storedBytes = 0;
        for (const TBlock& b : ts.Blocks)
            if (b.Type == 0) storedBytes += b.OutputBytes;
        EXPECT_GT(storedBytes, 60000u);
        EXPECT_TRUE(ts.Blocks.back().Last);
    }
}

TEST(DeflateBlock, BlocksEndAt32767ItemsOrEarlyFromLevelThree)
{
    // Three random bytes, then a 30-byte phrase, over and over: fewer than
    // half the items are matches and the output is well under half the input, so
    // from level 3 up a block ends at the first multiple of 4096 items.
    TLcg rng(5);
    TBytes in;
    while (in.size() < 600000) {
        for (int i = 0; i < 3; ++i) in.push_back(uint8_t(rng.Next() >> 24));
        for (char ch : std::string("=a-phrase-of-thirty-bytes-long")) in.push_back(uint8_t(ch));
    }
    for (int level : {1, 2, 3}) {
        SCOPED_TRACE(level);
        TCompressed c = CompressBytes(level, in);
        TTokenStream ts = DecodeTokens(c.Data);
        ASSERT_TRUE(ts.Ok);
        ASSERT_GE(ts.Blocks.size(), 2u);
        for (size_t i = 0; i + 1 < ts.Blocks.size(); ++i) {
            if (level < 3) {
                EXPECT_EQ(ts.Blocks[i].TokenCount, 32767u) << "block " << i;
            } else {
                EXPECT_EQ(ts.Blocks[i].TokenCount % 4096, 0u) << "block " << i;
            }
        }
        if (level == 3) {
            EXPECT_LT(ts.Blocks[0].TokenCount, 32767u);
        }
    }
}

// `letters` letters and `zeros` zero bytes spread among them, chosen so that
// no three-byte string occurs twice: every byte is coded as a literal.
TBytes LettersWithZeros(int letters, int zeros)
{
    TLcg rng(uint64_t(letters * 1000 + zeros));
    const int total = letters + zeros;
    auto isZero = [&](int i) { return i < total && (i * zeros) / total != ((i + 1) * zeros) / total; };
    auto tri = [](uint8_t a, uint8_t b, uint8_t c) { return uint32_t(a) << 16 | uint32_t(b) << 8 | c; };
    TBytes in{'q', 'x'};
    std::set<uint32_t> seen;
    for (int i = 2; i < total; ++i) {
        uint8_t p2 = in[in.size() - 2], p1 = in.back();
        if (isZero(i)) {
            seen.insert(tri(p2, p1, 0));  // kept unseen by the letter before
            in.push_back(0);
            continue;
        }
        uint8_t b;
        do b = uint8_t('a' + rng.Next() % 26);
        while (seen.count(tri(p2, p1, b)) || (isZero(i + 1) && seen.count(tri(p1, b, 0))));
        seen.insert(tri(p2, p1, b));
        in.push_back(b);
    }
    return in;
}

TEST(DeflateBlock, TextOrBinaryFromTheFirstBlocksLiterals)
{
    // Binary when the bytes 0-6 and 128-255 outnumber a quarter of the bytes 7-127.
    struct TCase {
        int Letters;
        int Zeros;
        uint16_t Expected;
    } cases[] = {{100, 30, 0}, {100, 25, 1}, {100, 26, 0}, {100, 0, 1}};
    for (const TCase& tc : cases) {
        TBytes in = LettersWithZeros(tc.Letters, tc.Zeros);
        ASSERT_EQ(std::count(in.begin(), in.end(), 0), tc.Zeros);
        ASSERT_EQ(in.size(), size_t(tc.Letters + tc.Zeros));
        for (int level : {0, 1, 6, 9}) {
            SCOPED_TRACE(std::to_string(tc.Zeros) + " zeros, level " + std::to_string(level));
            TCompressed c = CompressBytes(level, in);
            EXPECT_EQ(c.Result.InternalAttributes, tc.Expected);
        }
    }
    // Only the entry's first block counts.
    TBytes text = MakeText(400000, 3), random = MakeRandom(400000, 4);
    TBytes textFirst = text, binaryFirst = random;
    textFirst.insert(textFirst.end(), random.begin(), random.end());
    binaryFirst.insert(binaryFirst.end(), text.begin(), text.end());
    EXPECT_EQ(CompressBytes(6, textFirst).Result.InternalAttributes, 1);
    EXPECT_EQ(CompressBytes(6, binaryFirst).Result.InternalAttributes, 0);
}

TEST(DeflateBlock, LevelOutsideZeroToNineIsRejected)
{
    TDeflater deflater;
    int reads = 0;
    auto read = [&](uint8_t*, size_t) { reads++; return size_t(0); };
    auto write = [](const uint8_t*, size_t) {};
    for (int level : {-1, 10, 100}) {
        try {
            deflater.Compress(level, read, write);
            ADD_FAILURE() << "level " << level << " accepted";
        } catch (const ELimitError& e) {
            EXPECT_STREQ(e.what(), "Compression level must be 0 to 9");
        }
    }
    EXPECT_EQ(reads, 0);
}

TEST(DeflateBlock, SameBytesWhateverPiecesTheInputComesIn)
{
    const TBytes in = MakeMixed(300000, 21);
    for (int level : {0, 2, 5, 9}) {
        SCOPED_TRACE(level);
        TDeflater deflater;
        TCompressed whole = CompressBytes(deflater, level, in);
        for (size_t piece : {1u, 261u, 4096u, 40000u}) {
            TCompressed pieces = CompressBytes(deflater, level, in, piece);
            EXPECT_TRUE(pieces.Data == whole.Data) << "pieces of " << piece;
            EXPECT_EQ(pieces.ProgressTotals, whole.ProgressTotals);
        }
        ASSERT_FALSE(whole.ProgressTotals.empty());
        EXPECT_LE(whole.ProgressTotals.front(), 32768u) << "the first read takes 32 KB";
        EXPECT_EQ(whole.ProgressTotals.back(), in.size());
        for (size_t i = 1; i < whole.ProgressTotals.size(); ++i)
            EXPECT_GT(whole.ProgressTotals[i], whole.ProgressTotals[i - 1]);
    }
}

TEST(DeflateBlock, AnAbandonedEntryDoesNotChangeTheNextOne)
{
    const TBytes first = MakeText(200000, 31);
    const TBytes next = MakeMixed(150000, 32);
    for (int level : {1, 6}) {
        const TBytes expected = CompressBytes(level, next).Data;
        TDeflater deflater;

        size_t pos = 0;
        auto read = [&](uint8_t* buf, size_t max) {
            size_t n = std::min(max, first.size() - pos);
            std::memcpy(buf, first.data() + pos, n);
            pos += n;
            return n;
        };
        int writes = 0;
        auto failingWrite = [&](const uint8_t*, size_t) {
            if (++writes == 3) throw EFileError("disk full");
        };
        EXPECT_THROW(deflater.Compress(level, read, failingWrite), EFileError);
        EXPECT_TRUE(CompressBytes(deflater, level, next).Data == expected);

        pos = 0;
        auto cancel = [&](size_t, uint64_t total) {
            if (total > 70000) throw EUserCanceled();
        };
        EXPECT_THROW(deflater.Compress(level, read, [](const uint8_t*, size_t) {}, cancel), EUserCanceled);
        EXPECT_TRUE(CompressBytes(deflater, level, next).Data == expected);
    }
}

}  // namespace
}  // namespace movrel::test
