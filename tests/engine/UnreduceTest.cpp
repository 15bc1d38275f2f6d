#include "Unreduce.h"

#include "Crc32.h"
#include "EngineErrors.h"
#include "RawEntry.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace movrel;
using namespace movrel::test;

namespace {

using TBytes = std::vector<uint8_t>;

// Bytes of a Reduce stream whose 256 follower sets are all empty: every
// byte then goes as 8 plain bits, so the stream is the 6-bit zero counts
// followed by the bytes, packed least significant bit first.
TBytes PlainStream(const TBytes& bytes)
{
    TBytes out(256 * 6 / 8, 0);
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

struct TResult {
    int status;
    TBytes out;
};

TResult Decode(const TBytes& data, int factor, uint32_t size, size_t step = SIZE_MAX)
{
    TStepSource src(data, step);
    TCollectSink sink;
    const int status = Unreduce(src, sink, factor, size);
    return {status, sink.out};
}

}  // namespace

TEST(Unreduce, FixtureEntriesOfEveryFactorMatchTheirCrc)
{
    bool factorSeen[5] = {};
    for (const auto& row : ReadManifest()) {
        if (row.method < 2 || row.method > 5 || row.expected != "ok")
            continue;
        const TRawEntry e = ReadRawEntry(TestZip(row.file), row.entry);
        for (size_t step : {size_t{1}, SIZE_MAX}) {
            TCollectSink sink(row.uncompressedSize);
            EXPECT_EQ(DecodeRawEntry(e, sink, step), dsOk) << row.file << " " << row.entry;
            EXPECT_EQ(sink.out.size(), row.uncompressedSize) << row.file << " " << row.entry;
            EXPECT_EQ(Crc32Of(sink.out.data(), sink.out.size()), row.crc) << row.file << " " << row.entry;
        }
        factorSeen[row.method - 1] = true;
    }
    for (int f = 1; f <= 4; ++f)
        EXPECT_TRUE(factorSeen[f]) << "factor " << f;
}

TEST(Unreduce, EmptyFollowerSetsReadPlainBytes)
{
    // For every factor: "abc", then 144 V D with a length part of 3 and a
    // distance of 3 (length 6), then 144 0 (a literal 144); then a match
    // whose length part is the factor's mask, so one more byte (2) adds to
    // it: length mask + 2 + 3, distance 1.
    for (int f = 1; f <= 4; ++f) {
        const uint8_t mask = static_cast<uint8_t>(0xFF >> f);
        const TBytes bytes = {'a', 'b', 'c', 144, 3, 2, 144, 0, 'z', 144, mask, 2, 0};
        TBytes expected = {'a', 'b', 'c', 'a', 'b', 'c', 'a', 'b', 'c', 144, 'z'};
        expected.insert(expected.end(), mask + 2 + 3, 'z');
        const TResult r = Decode(PlainStream(bytes), f, static_cast<uint32_t>(expected.size()));
        EXPECT_EQ(r.status, dsOk) << "factor " << f;
        EXPECT_TRUE(r.out == expected) << "factor " << f;
    }
}

TEST(Unreduce, DistanceHighBitsComeFromTheEscapedByte)
{
    // Factor 4: bits 4-7 of V are distance bits 8-11. 300 'x' then a match
    // of distance 0x100 + 0x2B + 1 = 300 copies the first 'x' of them back.
    TBytes bytes;
    TBytes expected;
    for (int i = 0; i < 300; ++i) {
        const uint8_t b = static_cast<uint8_t>('A' + i % 26);
        bytes.push_back(b);
        expected.push_back(b);
    }
    for (uint8_t b : {uint8_t{144}, uint8_t{0x10 | 2}, uint8_t{0x2B}})
        bytes.push_back(b);
    for (int i = 0; i < 5; ++i)
        expected.push_back(expected[i]);
    const TResult r = Decode(PlainStream(bytes), 4, static_cast<uint32_t>(expected.size()));
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == expected);
}

TEST(Unreduce, MatchBeforeTheStartCopiesZeros)
{
    // Factor 1: V 0x80 has a length part of 0 (length 3) and distance bit 8.
    const TResult r = Decode(PlainStream({'a', 144, 0x80, 9}), 1, 4);
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == (TBytes{'a', 0, 0, 0}));
}

TEST(Unreduce, StopsAtTheSizeAndTheLastMatchRunsWhole)
{
    // Only 2 of the plain bytes are wanted.
    TResult r = Decode(PlainStream({'a', 'b', 'c', 'd'}), 2, 2);
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == (TBytes{'a', 'b'}));

    // A match of 6 when 3 bytes are missing: all 6 are made; the caller's
    // size guard stops the entry.
    const TBytes data = PlainStream({'a', 'b', 'c', 144, 3, 2});
    r = Decode(data, 1, 6);
    EXPECT_EQ(r.out.size(), 9u);
    TStepSource src(data);
    TCollectSink guarded(6);
    EXPECT_THROW(Unreduce(src, guarded, 1, 6), EBiggerThanUncompressed);
}

TEST(Unreduce, BadInputStopsWithAnError)
{
    // An empty input read as zeros would make 4 GiB of zeros: it stops soon
    // after the end instead.
    EXPECT_EQ(Decode({}, 1, 0xFFFFFFFFu).status, dsBadData);
    EXPECT_EQ(Decode(PlainStream({'a'}), 1, 100).status, dsBadData);
    for (int f : {0, 5, -1})
        EXPECT_EQ(Decode(PlainStream({'a'}), f, 1).status, dsBadData) << "factor " << f;

    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const TRawEntry good = ReadRawEntry(TestZip("sharpcompress/Zip.reduce4.zip"), "TEST.EXE");
    for (int i = 0; i < 300; ++i) {
        TBytes data = good.data;
        if (i % 3 == 0) {
            for (auto& b : data)
                b = static_cast<uint8_t>(rng());
            data.resize(rng() % data.size());
        } else {
            for (int k = 0; k < 1 + i % 7; ++k)
                data[rng() % data.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        }
        TStepSource src(data, 1 + rng() % 100);
        TCollectSink any;
        Unreduce(src, any, 1 + i % 4, good.uncompressedSize);
    }
}
