#include "Explode.h"

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

class TBitWriter {
public:
    void Put(uint32_t value, unsigned n)
    {
        for (unsigned i = 0; i < n; ++i) {
            if (m_count == 0)
                bytes.push_back(0);
            bytes.back() |= ((value >> i) & 1) << m_count;
            m_count = (m_count + 1) & 7;
        }
    }
    // Implode stores its codes bit-complemented, first bit the code's top.
    void PutCode(uint32_t code, unsigned len)
    {
        for (unsigned i = len; i-- > 0;)
            Put(~(code >> i) & 1, 1);
    }
    TBytes bytes;

private:
    unsigned m_count = 0;
};

// Trees where every symbol has a code of the same length: 64 codes of 6 bits
// (lengths, distances), 256 codes of 8 bits (literals). Symbol i's code is i.
void PutFlatTree(TBitWriter& w, unsigned symbols)
{
    const unsigned len = symbols == 256 ? 8 : 6;
    w.Put(symbols / 16 - 1, 8);
    for (unsigned i = 0; i < symbols / 16; ++i)
        w.Put(0xF0 | (len - 1), 8);
}

struct TImploder {
    uint16_t flags;
    TBitWriter w;

    explicit TImploder(uint16_t f) : flags(f)
    {
        if (flags & 4)
            PutFlatTree(w, 256);
        PutFlatTree(w, 64);
        PutFlatTree(w, 64);
    }
    void Literal(uint8_t b)
    {
        w.Put(1, 1);
        if (flags & 4)
            w.PutCode(b, 8);
        else
            w.Put(b, 8);
    }
    void Match(unsigned dist, unsigned length)
    {
        const unsigned lowBits = (flags & 2) ? 7 : 6;
        const unsigned minLength = (flags & 4) ? 3 : 2;
        w.Put(0, 1);
        w.Put((dist - 1) & ((1u << lowBits) - 1), lowBits);
        w.PutCode((dist - 1) >> lowBits, 6);
        const unsigned sym = length - minLength < 63 ? length - minLength : 63;
        w.PutCode(sym, 6);
        if (sym == 63)
            w.Put(length - minLength - 63, 8);
    }
};

struct TResult {
    int status;
    TBytes out;
};

TResult Decode(const TBytes& data, uint16_t flags, uint32_t size, uint32_t compressedSize = 1000)
{
    TStepSource src(data, 3);
    TCollectSink sink;
    const int status = Explode(src, sink, flags, compressedSize, size);
    return {status, sink.out};
}

}  // namespace

TEST(Explode, FixtureEntriesOfEveryKindMatchTheirCrc)
{
    bool kindSeen[8] = {};
    for (const auto& row : ReadManifest()) {
        if (row.method != 6 || row.expected != "ok")
            continue;
        const TRawEntry e = ReadRawEntry(TestZip(row.file), row.entry);
        for (size_t step : {size_t{1}, SIZE_MAX}) {
            TCollectSink sink(row.uncompressedSize);
            EXPECT_EQ(DecodeRawEntry(e, sink, step), dsOk) << row.file << " " << row.entry;
            EXPECT_EQ(sink.out.size(), row.uncompressedSize) << row.file << " " << row.entry;
            EXPECT_EQ(Crc32Of(sink.out.data(), sink.out.size()), row.crc) << row.file << " " << row.entry;
        }
        kindSeen[row.flags & 6] = true;
    }
    for (unsigned flags : {0u, 2u, 4u, 6u})
        EXPECT_TRUE(kindSeen[flags]) << "flags " << flags;
}

TEST(Explode, DistanceTableLookupBitsFollowTheCompressedSize)
{
    EXPECT_EQ(ExplodeDistanceBits(200000), 7u);
    EXPECT_EQ(ExplodeDistanceBits(200001), 8u);
    // Either table decodes the same.
    const TRawEntry e = ReadRawEntry(TestZip("made/hw_implode_8k3t.zip"), "TEXT.TXT");
    for (uint32_t compressed : {200000u, 200001u}) {
        TStepSource src(e.data);
        TCollectSink sink;
        EXPECT_EQ(Explode(src, sink, e.flags, compressed, e.uncompressedSize), dsOk);
        EXPECT_EQ(Crc32Of(sink.out.data(), sink.out.size()), e.crc) << compressed;
    }
}

TEST(Explode, MatchesInEveryDictionaryAndTreeCombination)
{
    for (uint16_t flags : {0, 2, 4, 6}) {
        TImploder s(flags);
        TBytes expected;
        for (int i = 0; i < 9000; ++i) {
            const uint8_t b = static_cast<uint8_t>(i * 7 + i / 300);
            s.Literal(b);
            expected.push_back(b);
        }
        // The longest distance of the dictionary, a length with the extra
        // byte, and a distance whose high part is not 0.
        const unsigned far = (flags & 2) ? 8192 : 4096;
        const unsigned minLength = (flags & 4) ? 3 : 2;
        for (auto [dist, length] : {std::pair{far, 5u}, std::pair{200u, minLength + 63 + 200}, std::pair{1u, 4u}}) {
            s.Match(dist, length);
            for (unsigned k = 0; k < length; ++k)
                expected.push_back(expected[expected.size() - dist]);
        }
        const TResult r = Decode(s.w.bytes, flags, static_cast<uint32_t>(expected.size()));
        EXPECT_EQ(r.status, dsOk) << "flags " << flags;
        EXPECT_TRUE(r.out == expected) << "flags " << flags;
    }
}

TEST(Explode, MatchBeforeTheStartCopiesZeros)
{
    TImploder s(0);
    s.Literal('a');
    s.Match(10, 3);
    const TResult r = Decode(s.w.bytes, 0, 4);
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == (TBytes{'a', 0, 0, 0}));
}

TEST(Explode, BadTreesAndInputStopWithAnError)
{
    auto tree = [](std::initializer_list<uint8_t> lengthTree) {
        TBitWriter w;
        w.Put(static_cast<uint32_t>(lengthTree.size() - 1), 8);
        for (uint8_t b : lengthTree)
            w.Put(b, 8);
        PutFlatTree(w, 64);
        w.Put(0, 32);
        return w.bytes;
    };
    struct Case {
        const char* name;
        TBytes data;
        int status;
    };
    const Case cases[] = {
        {"lengths add up to fewer than 64 codes", tree({0xF5, 0xF5, 0xF5}), dsBadTree},
        {"lengths add up to more than 64 codes", tree({0xF5, 0xF5, 0xF5, 0xF5, 0x05}), dsBadTree},
        {"incomplete code", tree({0xF6, 0xF6, 0xF6, 0xF6}), dsBadData},
        {"over-subscribed code", tree({0xF4, 0xF4, 0xF4, 0xF4}), dsBadData},
        {"no input at all", {}, dsBadTree},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.data, 0, 10).status, c.status) << c.name;

    // A stream cut short with a large size to reach stops soon after the end.
    TImploder s(4);
    s.Literal('a');
    EXPECT_EQ(Decode(s.w.bytes, 4, 0xFFFFFFFFu).status, dsBadData);
}

TEST(Explode, DamagedDataNeverCrashes)
{
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const TRawEntry good = ReadRawEntry(TestZip("made/hw_implode_8k3t.zip"), "TEXT.TXT");
    for (int i = 0; i < 400; ++i) {
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
        Explode(src, any, static_cast<uint16_t>(rng() & 6), static_cast<uint32_t>(data.size()), good.uncompressedSize);
    }
}
