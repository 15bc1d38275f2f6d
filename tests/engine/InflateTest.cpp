#include "Inflate.h"

#include "Crc32.h"
#include "EngineErrors.h"
#include "RawEntry.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace movrel;
using namespace movrel::test;

namespace {

using TBytes = std::vector<uint8_t>;

// Raw deflate (no zlib header) through zlib, the reference encoder.
TBytes ZlibDeflate(const TBytes& in, int level, int strategy = Z_DEFAULT_STRATEGY, int memLevel = 8)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, memLevel, strategy), Z_OK);
    TBytes out(deflateBound(&z, in.size()) + 16);
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

struct TResult {
    int status;
    TBytes out;
};

TResult Decode(const TBytes& stream, size_t step = SIZE_MAX)
{
    TStepSource src(stream, step);
    TCollectSink sink;
    int status = Inflate(src, sink);
    return {status, std::move(sink.out)};
}

// Writes bits least significant first, as Deflate packs them.
class TBitWriter {
public:
    void Put(uint32_t value, unsigned n)
    {
        for (unsigned i = 0; i < n; ++i) {
            if (m_count == 0)
                bytes.push_back(0);
            bytes.back() |= (i < 32 ? (value >> i) & 1 : 0) << m_count;
            m_count = (m_count + 1) & 7;
        }
    }
    // A Huffman code goes most significant bit first.
    void PutCode(uint32_t code, unsigned len)
    {
        for (unsigned i = len; i-- > 0;)
            Put((code >> i) & 1, 1);
    }
    TBytes bytes;

private:
    unsigned m_count = 0;
};

// Canonical codes for code lengths (RFC 1951, 3.2.2).
std::vector<uint32_t> Canonical(const std::vector<uint8_t>& lens)
{
    unsigned count[17] = {}, next[17] = {};
    for (uint8_t l : lens)
        ++count[l];
    count[0] = 0;
    for (unsigned code = 0, l = 1; l <= 16; ++l) {
        code = (code + count[l - 1]) << 1;
        next[l] = code;
    }
    std::vector<uint32_t> codes(lens.size());
    for (size_t i = 0; i < lens.size(); ++i)
        if (lens[i])
            codes[i] = next[lens[i]]++;
    return codes;
}

// A dynamic block header for the given lengths, using a code length code
// that gives every one of its 19 symbols a code (4 or 5 bits).
struct TDynamicBlock {
    std::vector<uint8_t> litLens, distLens;
    std::vector<uint32_t> litCodes, distCodes;

    TDynamicBlock(std::vector<uint8_t> lit, std::vector<uint8_t> dist) : litLens(std::move(lit)), distLens(std::move(dist))
    {
        litCodes = Canonical(litLens);
        distCodes = Canonical(distLens);
    }

    void WriteHeader(TBitWriter& w, bool final) const
    {
        static const uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::vector<uint8_t> pre(19, 4);
        for (unsigned s = 13; s < 19; ++s)
            pre[s] = 5;
        const auto preCodes = Canonical(pre);
        w.Put(final, 1);
        w.Put(2, 2);
        w.Put(static_cast<uint32_t>(litLens.size() - 257), 5);
        w.Put(static_cast<uint32_t>(distLens.size() - 1), 5);
        w.Put(19 - 4, 4);
        for (uint8_t s : kOrder)
            w.Put(pre[s], 3);
        std::vector<uint8_t> all(litLens);
        all.insert(all.end(), distLens.begin(), distLens.end());
        for (size_t i = 0; i < all.size();) {
            size_t run = 1;
            while (i + run < all.size() && all[i + run] == 0 && all[i] == 0 && run < 138)
                ++run;
            if (all[i] == 0 && run >= 11) {
                w.PutCode(preCodes[18], pre[18]);
                w.Put(static_cast<uint32_t>(run - 11), 7);
                i += run;
            } else {
                w.PutCode(preCodes[all[i]], pre[all[i]]);
                ++i;
            }
        }
    }
    void Lit(TBitWriter& w, unsigned sym) const { w.PutCode(litCodes[sym], litLens[sym]); }
    void Dist(TBitWriter& w, unsigned sym) const { w.PutCode(distCodes[sym], distLens[sym]); }
};

TBytes Text(size_t n, uint32_t seed)
{
    static const char* words[] = {"archive ", "entry ", "deflate ", "window ", "the ", "a ", "of ", "\n", "1234 ", "zip "};
    std::mt19937 rng(seed);
    TBytes out;
    while (out.size() < n) {
        const char* w = words[rng() % 10];
        out.insert(out.end(), w, w + strlen(w));
    }
    out.resize(n);
    return out;
}

TBytes Random(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    TBytes out(n);
    for (auto& b : out)
        b = static_cast<uint8_t>(rng());
    return out;
}

// Text with stretches of noise and of short repeats (distances 1 to 7).
TBytes Mixed(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    TBytes out;
    while (out.size() < n) {
        switch (rng() % 3) {
        case 0: {
            TBytes t = Text(1 + rng() % 3000, rng());
            out.insert(out.end(), t.begin(), t.end());
            break;
        }
        case 1: {
            TBytes r = Random(1 + rng() % 500, rng());
            out.insert(out.end(), r.begin(), r.end());
            break;
        }
        default: {
            const size_t period = 1 + rng() % 7, len = rng() % 2000;
            for (size_t i = 0; i < len; ++i)
                out.push_back(static_cast<uint8_t>('a' + (i % period)));
        }
        }
    }
    out.resize(n);
    return out;
}

}  // namespace

TEST(Inflate, RoundTripsZlibStreamsAtEveryLevel)
{
    struct Input {
        const char* name;
        TBytes data;
    };
    const Input inputs[] = {
        {"empty", {}},
        {"one byte", {'x'}},
        {"text 1000", Text(1000, 1)},
        {"text 40000", Text(40000, 2)},
        {"mixed 70000", Mixed(70000, 3)},
        {"mixed 300000", Mixed(300000, 4)},
        {"random 100000", Random(100000, 5)},
        {"zeros 200000", TBytes(200000, 0)},
    };
    for (const auto& in : inputs)
        for (int level : {0, 1, 6, 9}) {
            const TBytes z = ZlibDeflate(in.data, level);
            const TResult r = Decode(z);
            EXPECT_EQ(r.status, dsOk) << in.name << " level " << level;
            EXPECT_TRUE(r.out == in.data) << in.name << " level " << level;
        }
}

TEST(Inflate, DecodesTheSameWhateverTheInputSteps)
{
    const TBytes data = Mixed(150000, 6);
    const TBytes z = ZlibDeflate(data, 6);
    for (size_t step : {size_t{1}, size_t{3}, size_t{31}, size_t{33}, size_t{4096}, size_t{20000}}) {
        const TResult r = Decode(z, step);
        EXPECT_EQ(r.status, dsOk) << "step " << step;
        EXPECT_TRUE(r.out == data) << "step " << step;
    }
}

TEST(Inflate, BlockKinds)
{
    // One stored block of the largest size.
    const TBytes big = Random(65535, 7);
    TBytes stored = {0x01, 0xFF, 0xFF, 0x00, 0x00};
    stored.insert(stored.end(), big.begin(), big.end());
    TResult r = Decode(stored);
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == big);

    // Fixed-code blocks only.
    const TBytes text = Mixed(100000, 8);
    r = Decode(ZlibDeflate(text, 6, Z_FIXED));
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == text);

    // Thousands of small dynamic blocks (a small zlib memLevel ends a block
    // every few hundred symbols).
    r = Decode(ZlibDeflate(text, 6, Z_DEFAULT_STRATEGY, 1));
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out == text);

    // An empty final fixed block; an empty stored block before an empty
    // final one.
    r = Decode({0x03, 0x00});
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out.empty());
    r = Decode({0x00, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x00, 0xFF, 0xFF});
    EXPECT_EQ(r.status, dsOk);
    EXPECT_TRUE(r.out.empty());
}

TEST(Inflate, LoneDistanceCodeOfOneBit)
{
    // 'a' 1 bit, end of block and length 3 (symbol 257) 2 bits each; one
    // distance code (distance 1) of 1 bit: an incomplete code that is allowed.
    std::vector<uint8_t> lit(258, 0);
    lit['a'] = 1;
    lit[256] = 2;
    lit[257] = 2;
    TDynamicBlock b(lit, {1});
    TBitWriter w;
    b.WriteHeader(w, true);
    b.Lit(w, 'a');
    b.Lit(w, 257);
    b.Dist(w, 0);
    b.Lit(w, 256);
    const TResult r = Decode(w.bytes);
    EXPECT_EQ(r.status, dsOk);
    EXPECT_EQ(std::string(r.out.begin(), r.out.end()), "aaaa");
}

TEST(Inflate, BadStreamsEndWithTheirStatus)
{
    auto dynamic = [](std::vector<uint8_t> lit, std::vector<uint8_t> dist) {
        TBitWriter w;
        TDynamicBlock(std::move(lit), std::move(dist)).WriteHeader(w, true);
        w.Put(0, 16);
        return w.bytes;
    };
    std::vector<uint8_t> overLit(258, 0);
    overLit['a'] = overLit[256] = overLit[257] = 1;
    std::vector<uint8_t> incompleteLit(258, 0);
    incompleteLit['a'] = 2;
    incompleteLit[256] = 2;
    incompleteLit[257] = 2;
    std::vector<uint8_t> okLit(258, 0);
    okLit['a'] = okLit[256] = 1;

    TBitWriter fixedLength286;  // fixed block, length code 286 (8 bits 11000110)
    fixedLength286.Put(3, 3);
    fixedLength286.PutCode(0xC6, 8);
    fixedLength286.Put(0, 16);
    TBitWriter fixedDist30;  // fixed block, length 3 then distance code 30
    fixedDist30.Put(3, 3);
    fixedDist30.PutCode(1, 7);
    fixedDist30.PutCode(30, 5);
    fixedDist30.Put(0, 16);
    TBitWriter tooManyLit;  // HLIT 30: 287 literal/length codes
    tooManyLit.Put(5, 3);
    tooManyLit.Put(30, 5);
    tooManyLit.Put(0, 24);
    TBitWriter repeatFirst;  // code length 16 with nothing before it
    repeatFirst.Put(5, 3);
    repeatFirst.Put(0, 5);
    repeatFirst.Put(0, 5);
    repeatFirst.Put(0, 4);
    repeatFirst.Put(1, 3);  // only symbol 16 has a code, 1 bit long
    repeatFirst.Put(0, 3 + 32);

    struct Case {
        const char* name;
        TBytes stream;
        int status;
    };
    const Case cases[] = {
        {"block type 3", {0x07, 0, 0, 0}, dsBadBlockType},
        {"stored length not matching its complement", {0x01, 0x05, 0x00, 0x00, 0x00, 1, 2, 3, 4, 5}, dsBadData},
        {"over-subscribed literal/length code", dynamic(overLit, {1}), dsBadData},
        {"incomplete literal/length code", dynamic(incompleteLit, {1}), dsBadData},
        {"incomplete distance code longer than 1 bit", dynamic(okLit, {2, 2, 2}), dsBadData},
        {"over-subscribed distance code", dynamic(okLit, {1, 1, 1}), dsBadData},
        {"literal/length code 286", fixedLength286.bytes, dsBadData},
        {"distance code 30", fixedDist30.bytes, dsBadData},
        {"more than 286 literal/length codes", tooManyLit.bytes, dsBadData},
        {"repeat with no previous length", repeatFirst.bytes, dsBadData},
    };
    for (const auto& c : cases) {
        const TResult r = Decode(c.stream);
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_TRUE(r.out.empty()) << c.name << ": nothing is handed on after an error";
    }
}

TEST(Inflate, DistanceBeforeTheStartReadsZeros)
{
    TBitWriter v;
    v.Put(3, 3);                // final fixed block
    v.PutCode(0x30 + 'a', 8);   // literal 'a'
    v.PutCode(1, 7);            // length 3
    v.PutCode(13, 5);           // distance 97 + 3
    v.Put(3, 5);
    v.PutCode(0xC5, 8);         // length 258
    v.PutCode(29, 5);           // distance 24577 + 8191 = 32768
    v.Put(8191, 13);
    v.PutCode(0, 7);            // end of block
    const TResult r = Decode(v.bytes);
    EXPECT_EQ(r.status, dsOk);
    TBytes expected = {'a', 0, 0, 0};
    expected.resize(4 + 258, 0);
    EXPECT_TRUE(r.out == expected);
}

TEST(Inflate, StreamsRunningPastTheirInputStop)
{
    // Every literal's code is 0, so the zero padding after the end would
    // decode as literals for ever.
    std::vector<uint8_t> lit(258, 0);
    lit['a'] = lit[256] = 1;
    TDynamicBlock b(lit, {1});
    TBitWriter w;
    b.WriteHeader(w, true);
    b.Lit(w, 'a');
    TResult r = Decode(w.bytes);
    EXPECT_EQ(r.status, dsBadData);

    // Truncated zlib streams: an error, or at least not the whole output.
    const TBytes text = Mixed(80000, 9);
    const TBytes z = ZlibDeflate(text, 6);
    for (size_t cut = 0; cut + 9 <= z.size(); cut += 1 + cut / 3) {
        r = Decode(TBytes(z.begin(), z.begin() + cut), 7);
        EXPECT_TRUE(r.status != dsOk || r.out != text) << "cut at " << cut;
    }
}

TEST(Inflate, GarbageNeverCrashes)
{
    const uint32_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const TBytes base = ZlibDeflate(Mixed(20000, 10), 6);
    for (int i = 0; i < 3000; ++i) {
        TBytes s;
        if (i % 2) {
            s = Random(rng() % 3000, rng());
        } else {
            // A valid stream with a few bytes changed.
            s = base;
            for (int k = 0; k < 1 + i % 5; ++k)
                s[rng() % s.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
        }
        TStepSource src(s, 1 + rng() % 64);
        TCollectSink sink(1 << 20);
        try {
            Inflate(src, sink);
        } catch (const EBiggerThanUncompressed&) {
        }
    }
}

TEST(Inflate, SinkAndSourceExceptionsPassThrough)
{
    const TBytes z = ZlibDeflate(Text(100000, 11), 6);
    TStepSource src(z);
    TCollectSink sink(1000);
    EXPECT_THROW(Inflate(src, sink), EBiggerThanUncompressed);

    struct TFailing : TDecodeSource {
        size_t Fill(uint8_t*, size_t) override { throw EUserCanceled(); }
    } failing;
    TCollectSink any;
    EXPECT_THROW(Inflate(failing, any), EUserCanceled);
}

TEST(Inflate, DeflatedFixtureEntries)
{
    int decoded = 0;
    for (const char* zip : {"made/corrupt_stored_byte.zip", "go/test.zip"}) {
        for (const auto& e : ReadRawEntries(TestZip(zip))) {
            if (e.method != 8 || (e.flags & 1))
                continue;
            TStepSource src(e.data, 777);
            TCollectSink sink(e.uncompressedSize);
            EXPECT_EQ(Inflate(src, sink), dsOk) << zip << " " << e.name;
            EXPECT_EQ(sink.out.size(), e.uncompressedSize) << zip << " " << e.name;
            EXPECT_EQ(Crc32Of(sink.out.data(), sink.out.size()), e.crc) << zip << " " << e.name;
            ++decoded;
        }
    }
    EXPECT_GE(decoded, 3);
}
