// Every level round-trips through independent inflaters (zlib, Python's zlib,
// the engine's own Inflate) for a table of inputs that reach the compressor's
// edges: empty, one byte, shorter than the lookahead, runs, text, random, past
// the window slide, and a few MB of mixed data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Crc32.h"
#include "DecodeIO.h"
#include "Inflate.h"
#include "DeflateTestSupport.h"
#include "TokenInflate.h"

namespace movrel::test {
namespace {

struct TInputCase {
    const char* Name;
    std::function<TBytes()> Make;
};

// The engine's own decoder over a buffer, in small pieces to cross its refills.
TBytes EngineInflate(const TBytes& deflated, int& status)
{
    struct TSource : TDecodeSource {
        const TBytes& In;
        size_t Pos = 0;
        explicit TSource(const TBytes& in) : In(in) {}
        size_t Fill(uint8_t* buf, size_t max) override
        {
            size_t n = std::min({max, In.size() - Pos, size_t(1000)});
            std::copy(In.begin() + long(Pos), In.begin() + long(Pos + n), buf);
            Pos += n;
            return n;
        }
    } src(deflated);
    struct TSink : TDecodeSink {
        TBytes Out;
        void Put(const uint8_t* data, size_t n) override { Out.insert(Out.end(), data, data + n); }
    } sink;
    status = Inflate(src, sink);
    return sink.Out;
}

const std::vector<TInputCase>& Inputs()
{
    static const std::vector<TInputCase> cases = {
        {"empty", [] { return TBytes(); }},
        {"one_byte", [] { return TBytes{'x'}; }},
        {"text_200", [] { return MakeText(200, 1); }},
        {"run_261", [] { return MakeRun(261, 0); }},
        {"run_100000", [] { return MakeRun(100000, 'a'); }},
        {"text_70000", [] { return MakeText(70000, 2); }},
        {"random_70000", [] { return MakeRandom(70000, 3); }},
        {"text_300000", [] { return MakeText(300000, 4); }},
        {"mixed_3MB", [] { return MakeMixed(3 << 20, 5); }},
    };
    return cases;
}

TEST(DeflateRoundTrip, EveryLevelThroughZlibInflate)
{
    TDeflater deflater;  // one object for all entries, as the archive writer uses it
    for (const auto& input : Inputs()) {
        const TBytes in = input.Make();
        for (int level = 0; level <= 9; ++level) {
            SCOPED_TRACE(std::string(input.Name) + " level " + std::to_string(level));
            TCompressed c = CompressBytes(deflater, level, in);
            EXPECT_EQ(c.Result.BytesIn, in.size());
            EXPECT_EQ(c.Result.Crc32, Crc32Of(in.data(), in.size()));
            EXPECT_EQ(c.Result.FlagBits, level <= 2 ? 4 : level >= 8 ? 2 : 0);
            if (c.Result.Method == 0) {
                EXPECT_EQ(c.Data, in);
                continue;
            }
            EXPECT_EQ(c.Result.BytesOut, c.Data.size());
            // Incompressible stretches go out as stored blocks: 5 bytes each at most.
            EXPECT_LE(c.Data.size(), in.size() + in.size() / 1000 + 5);
            TBytes out;
            ASSERT_NO_THROW(out = ZlibInflateRaw(c.Data, in.size()));
            EXPECT_TRUE(out == in);
            int status = -1;
            EXPECT_TRUE(EngineInflate(c.Data, status) == in) << "the engine's Inflate";
            EXPECT_EQ(status, 0);
            TTokenStream tokens = DecodeTokens(c.Data);
            EXPECT_TRUE(tokens.Ok);
            bool anyStored = false;
            for (const TBlock& b : tokens.Blocks) anyStored |= b.Type == 0;
            if (!anyStored) {
                EXPECT_LE(c.LargestCodedWrite, 1024u) << "coded output goes out in pieces of 1 KB";
            }
            for (const TToken& t : tokens.Tokens) ASSERT_LE(t.Distance, 32506) << "a match reached past the window";
        }
    }
}

// Python's zlib is a second inflater, run once over a batch of outputs.
TEST(DeflateRoundTrip, PythonZlibDecodesOutputs)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("movrel_deflate_py_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    int written = 0;
    TDeflater deflater;
    for (const auto& input : Inputs()) {
        const TBytes in = input.Make();
        for (int level : {0, 1, 3, 4, 6, 9}) {
            TCompressed c = CompressBytes(deflater, level, in);
            if (c.Result.Method == 0) continue;
            std::string base = (dir / (std::string(input.Name) + "_" + std::to_string(level))).string();
            std::ofstream(base + ".in", std::ios::binary).write(reinterpret_cast<const char*>(in.data()), std::streamsize(in.size()));
            std::ofstream(base + ".z", std::ios::binary).write(reinterpret_cast<const char*>(c.Data.data()), std::streamsize(c.Data.size()));
            written++;
        }
    }
    ASSERT_GT(written, 20);
    std::string script =
        "import glob,sys,zlib\n"
        "bad=0\n"
        "for z in glob.glob(sys.argv[1]+'/*.z'):\n"
        "    d=zlib.decompressobj(-15)\n"
        "    out=d.decompress(open(z,'rb').read())\n"
        "    if not d.eof or d.unused_data or out!=open(z[:-2]+'.in','rb').read():\n"
        "        print('mismatch',z); bad+=1\n"
        "sys.exit(1 if bad else 0)\n";
    std::ofstream((dir / "check.py").string()) << script;
    std::string cmd = "python3 '" + (dir / "check.py").string() + "' '" + dir.string() + "'";
    int rc = std::system(cmd.c_str());
    fs::remove_all(dir);
    EXPECT_EQ(rc, 0);
}

}  // namespace
}  // namespace movrel::test
