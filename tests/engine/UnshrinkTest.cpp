#include "Unshrink.h"

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

// Packs codes least significant bit first, as Shrink does.
struct TCodeWriter {
    TBytes bytes;
    unsigned used = 0;
    unsigned size = 9;

    void Put(uint32_t code)
    {
        for (unsigned i = 0; i < size; ++i) {
            if (used == 0)
                bytes.push_back(0);
            bytes.back() |= ((code >> i) & 1) << used;
            used = (used + 1) & 7;
        }
    }
    void Grow()
    {
        Put(256);
        Put(1);
        ++size;
    }
    void PartialClear()
    {
        Put(256);
        Put(2);
    }
};

struct TResult {
    int status;
    std::string out;
};

TResult Decode(const TBytes& data, size_t step = SIZE_MAX)
{
    TStepSource src(data, step);
    TCollectSink sink;
    const int status = Unshrink(src, sink);
    return {status, std::string(sink.out.begin(), sink.out.end())};
}

}  // namespace

TEST(Unshrink, FixtureEntriesMatchTheirCrc)
{
    int decoded = 0;
    for (const auto& row : ReadManifest()) {
        if (row.method != 1 || row.expected != "ok")
            continue;
        const TRawEntry e = ReadRawEntry(TestZip(row.file), row.entry);
        for (size_t step : {size_t{1}, size_t{5000}, SIZE_MAX}) {
            TCollectSink sink(row.uncompressedSize);
            EXPECT_EQ(DecodeRawEntry(e, sink, step), dsOk) << row.file << " " << row.entry;
            EXPECT_EQ(sink.out.size(), row.uncompressedSize) << row.file << " " << row.entry;
            EXPECT_EQ(Crc32Of(sink.out.data(), sink.out.size()), row.crc) << row.file << " " << row.entry;
        }
        ++decoded;
    }
    EXPECT_GE(decoded, 5);
}

TEST(Unshrink, PartialClearFreesLeavesForReuse)
{
    TCodeWriter w;
    for (uint32_t c : {'a', 'b', 'c'})  // 257 = "ab", 258 = "bc"
        w.Put(c);
    w.PartialClear();  // both are leaves: 257 is free again
    w.Put('d');        // 257 = "cd"
    w.Put(257);        // "cd"; 258 = "dc"
    w.Put(259);        // not defined yet: "cd" + "c"
    EXPECT_EQ(Decode(w.bytes).out, "abcdcdcdc");
    EXPECT_EQ(Decode(w.bytes).status, dsOk);
}

TEST(Unshrink, CodeSizeGrowsUpTo13Bits)
{
    TCodeWriter w;
    w.Put('x');
    for (int i = 0; i < 4; ++i)
        w.Grow();
    w.Put('y');  // a 13-bit code
    TResult r = Decode(w.bytes);
    EXPECT_EQ(r.status, dsOk);
    EXPECT_EQ(r.out, "xy");

    w.Grow();  // 14 bits
    w.Put('z');
    r = Decode(w.bytes);
    EXPECT_EQ(r.status, dsBadData);
}

TEST(Unshrink, MalformedStreamsStopWithAnError)
{
    TCodeWriter firstNotAByte;
    firstNotAByte.Put(300);
    firstNotAByte.Put('a');

    // Code 300 is free but not the next entry: it reads as "b" + "b" and
    // leaves 300 undefined; the next entry then gets 300 as its prefix.
    TCodeWriter freedPrefix;
    for (uint32_t c : {uint32_t{'a'}, uint32_t{'b'}, 300u, uint32_t{'c'}, 259u})
        freedPrefix.Put(c);

    // As above, but the entry defined next is 259 itself, with itself as
    // its prefix: walking it would never end.
    TCodeWriter loop;
    for (uint32_t c : {uint32_t{'a'}, uint32_t{'b'}, 259u, uint32_t{'c'}, 259u})
        loop.Put(c);

    struct Case {
        const char* name;
        TBytes data;
    };
    const Case cases[] = {
        {"first code not a byte", firstNotAByte.bytes},
        {"string through a free entry", freedPrefix.bytes},
        {"string that loops", loop.bytes},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.data).status, dsBadData) << c.name;
}

TEST(Unshrink, EmptyInputGivesEmptyOutput)
{
    const TResult r = Decode({});
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out.empty());
}

TEST(Unshrink, DamagedDataNeverCrashes)
{
    // The fixture with a flipped byte must not pass as good.
    const TRawEntry bad = ReadRawEntry(TestZip("made/corrupt_shrunk.zip"), "SHRUNK.TXT");
    TCollectSink sink(bad.uncompressedSize);
    int status = dsOk;
    try {
        status = DecodeRawEntry(bad, sink);
    } catch (const EBiggerThanUncompressed&) {
        status = -1;
    }
    EXPECT_TRUE(status != dsOk || sink.out.size() != bad.uncompressedSize ||
                Crc32Of(sink.out.data(), sink.out.size()) != bad.crc);

    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const TRawEntry good = ReadRawEntry(TestZip("sharpcompress/Zip.shrink.zip"), "TEST.EXE");
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
        Unshrink(src, any);
    }
}
