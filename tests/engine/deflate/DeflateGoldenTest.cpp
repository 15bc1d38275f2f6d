// The compressor's output is fixed: these digests of the compressed bytes were
// taken from the first, plain implementation, before any speed work. A change
// in any of them means the same input no longer gives the same archive bytes.
#include <gtest/gtest.h>

#include <functional>

#include "DeflateTestSupport.h"
#include "Sha256.h"

namespace movrel::test {
namespace {

struct TGolden {
    const char* Input;
    std::function<TBytes()> Make;
    const char* Sha256[10];  // levels 0..9
};

// All inputs are longer than 65274 bytes except "text_5000", so the window slides.
const TGolden goldens[] = {
    {"text_5000", [] { return MakeText(5000, 10); }, {
         "4f72d3bdf3e7bc120278216f37fab343b86a5052b644925ed96bf80c25ff585c", "25cff4071b63e7484d319cb1c65b1a4359e9ad117fb7887a64c47dccc5b7c0df",
         "d18616f778f4b3922582882090148146722522f8d0b3e519490c6cceedb44f10", "19956d8cc4fc2c6c0e68899b0679301f2b2cbc946ff2f2a2432861a4ac84c7d7",
         "fb4dbf46584668194b78209b0495f4939dfe9401774c497f6e3030277c5ecd7a", "41639b3b8a1e8b8b55aba8685014a3514a21ef1c70c987f64488e040c22d778e",
         "72e6f03ae496e78c6fd591ea21d4098487922cbd9cd0d36df2ff773a37944f40", "72e6f03ae496e78c6fd591ea21d4098487922cbd9cd0d36df2ff773a37944f40",
         "72e6f03ae496e78c6fd591ea21d4098487922cbd9cd0d36df2ff773a37944f40", "72e6f03ae496e78c6fd591ea21d4098487922cbd9cd0d36df2ff773a37944f40"}},
    {"text_100000", [] { return MakeText(100000, 11); }, {
         "5830f17e8f9ffe38a09eb7e7d41416c8539b6af2a3dc1ac9534a52a9835b3056", "7743b43928183c260a608f187fc75242f631ecb23c0eee50bbae5b108d6e022d",
         "8ac16dbcbe67687f5ded8a1c95b6f59935fa4dd12b7afd981b3f3c48edeb21dd", "6f806c2f950cfb1f706786f8362109e46c7e086c21c0a1aa4ccfb20b9fa276b1",
         "b78bf9d4b32bdf3f7133794d4560cc3bc53a4ff5179147552b3c9f0584ac47d8", "921a10f8e1068fd248f5698c296b2b03d41f7e403fbe89532fe1af83d07b4e37",
         "639a70de717e8ff7cd21440940f1807e7aa481a4103d3a037acbadcc0e108de7", "9c2fc619966f5bf5e7ff8beb7fa885ff67cb34543847fbc49793e433a0f1ce50",
         "1a6170ca6189b41528f55a7705af20dcdb46642d2d3c7454ae3c4a0cbc4a712f", "1a6170ca6189b41528f55a7705af20dcdb46642d2d3c7454ae3c4a0cbc4a712f"}},
    {"random_80000", [] { return MakeRandom(80000, 12); }, {
         "40ea12f8937c16ae9eab0e3c5ddf7da56c523efb1c8e956dd4c9525e79fe138c", "40ea12f8937c16ae9eab0e3c5ddf7da56c523efb1c8e956dd4c9525e79fe138c",
         "40ea12f8937c16ae9eab0e3c5ddf7da56c523efb1c8e956dd4c9525e79fe138c", "40ea12f8937c16ae9eab0e3c5ddf7da56c523efb1c8e956dd4c9525e79fe138c",
         "f66dc2aefeefe86e3547eeae719d31366ac3f09a39e0c58676bd47af8325825d", "f66dc2aefeefe86e3547eeae719d31366ac3f09a39e0c58676bd47af8325825d",
         "f66dc2aefeefe86e3547eeae719d31366ac3f09a39e0c58676bd47af8325825d", "f66dc2aefeefe86e3547eeae719d31366ac3f09a39e0c58676bd47af8325825d",
         "f66dc2aefeefe86e3547eeae719d31366ac3f09a39e0c58676bd47af8325825d", "f66dc2aefeefe86e3547eeae719d31366ac3f09a39e0c58676bd47af8325825d"}},
    {"mixed_400000", [] { return MakeMixed(400000, 13); }, {
         "4ac2df60df04c0033aa09b706cdc7d1ada8896226dc100cf209580469a55e61d", "46a337b5c8a3e10ef3d901256a2d7e77c8fd181d722f71a7eeb708aa5b0e11f6",
         "93f0c6d66104965184cae5f3334775de3f7c843056ac024e4e61bf1e34c39f1f", "97d6252023f623952dc719f936cba5634e8b760126d9182819c69a271e88c0e3",
         "614730ff91f56276f1476ee976f9ae35590c9b19d3c3c92d952a846b8c2de014", "34437005797c3803e4169c96f35eae3483ad1f2949201e4388ec8748ce5a06c5",
         "99caf52daa3e1c2ec58b392991cfb295c2288583e3eec61551e5a6a054398ebd", "3858493144e8ee574f1afa25abba796bf8c6391120995ae5f7fdeb4880e22c3f",
         "e1eaaa95eab8551a69a3f2ae74d1fc7003970e4a708483556c15ea921c7dff38", "23b35d0eb0f54f4cea42817d84dc0f8ad814f334c483904be9ea3f0f23f913c0"}},
    {"run_70000", [] { return MakeRun(70000, 0x20); }, {
         "84ad5e1152afb8b01db9bf9fa08d613c9502c59d8e2a5e6b36091fdf18044728", "84ad5e1152afb8b01db9bf9fa08d613c9502c59d8e2a5e6b36091fdf18044728",
         "84ad5e1152afb8b01db9bf9fa08d613c9502c59d8e2a5e6b36091fdf18044728", "84ad5e1152afb8b01db9bf9fa08d613c9502c59d8e2a5e6b36091fdf18044728",
         "e0f8f3aed95b1beeb76fc648714c982f6d176d7a917c9bd1de6230ad9a89b117", "e0f8f3aed95b1beeb76fc648714c982f6d176d7a917c9bd1de6230ad9a89b117",
         "e0f8f3aed95b1beeb76fc648714c982f6d176d7a917c9bd1de6230ad9a89b117", "e0f8f3aed95b1beeb76fc648714c982f6d176d7a917c9bd1de6230ad9a89b117",
         "e0f8f3aed95b1beeb76fc648714c982f6d176d7a917c9bd1de6230ad9a89b117", "e0f8f3aed95b1beeb76fc648714c982f6d176d7a917c9bd1de6230ad9a89b117"}},
};

TEST(DeflateGolden, OutputBytesAreFixed)
{
    TDeflater deflater;
    for (const TGolden& g : goldens) {
        const TBytes in = g.Make();
        for (int level = 0; level <= 9; ++level) {
            TCompressed c = CompressBytes(deflater, level, in);
            EXPECT_EQ(Sha256Hex(c.Data), g.Sha256[level] ? g.Sha256[level] : "")
                << g.Input << " level " << level << " (" << c.Data.size() << " bytes)";
        }
    }
}

// A sweep over many seeded inputs of every kind and of sizes from 0 to past
// the window slide; one digest per level over all outputs in turn.
TBytes SweepInput(int i)
{
    TLcg rng(uint64_t(1000 + i));
    size_t size;
    switch (i % 3) {
    case 0: size = rng.Next() % 300; break;
    case 1: size = 300 + rng.Next() % 70000; break;
    default: size = 70000 + rng.Next() % 200000;
    }
    switch (i % 5) {
    case 0: return MakeText(size, rng.Next());
    case 1: return MakeMixed(size, rng.Next());
    case 2: return MakeSmallAlphabet(size, rng.Next());
    case 3: {  // a random stretch repeated with a few changed bytes
        TBytes unit = MakeRandom(1 + rng.Next() % 5000, rng.Next());
        TBytes out;
        while (out.size() < size) {
            out.insert(out.end(), unit.begin(), unit.end());
            unit[rng.Next() % unit.size()] ^= 0x5A;
        }
        out.resize(size);
        return out;
    }
    default: return MakeRandom(size, rng.Next());
    }
}

TEST(DeflateGolden, SweepOfSeededInputsIsFixed)
{
    static const char* const expected[10] = {
        "b7fa4e0ba7c187f4b9613873b4a973b12d10d7181cec9c8ea920f026a3353ac0",
        "cfe6615e446c1f8f91ecad1179028058ef1920e6a2c9556bf7043eca9ab17926",
        "c15b7672e5282fb869e465db198d327fe6a86f0d37fb624d6b003c15530c8445",
        "8f208f4c6b5c2cfe0201c2f009b53b44e30a6d29100dd32fb31f444d4f08c131",
        "d0b581d1c74dc15f472cc29561a3b7dd973ce4435d480966a2546f668226a83d",
        "ea71cf3c744cfb24d4a0e03def705e56e29d394607aaf8ff676e6b24f876482e",
        "16d73812432a5bc0c717f1b5ba92624d7438634c73f3a1927f8bf196800cd2ea",
        "3074b2e2a3727be95e91b3394447f1fa7850c680f473ada4e8cea97fc85c9123",
        "59f65c45f82edb987bb1af4bbde116f7710c82e378ea476ecf61e6c1361fc0eb",
        "b7eaddd822b4b4a84827d6b991ef990142302df59676c829849877e6fa040385"};
    TDeflater deflater;
    for (int level = 0; level <= 9; ++level) {
        TBytes digests;
        for (int i = 0; i < 45; ++i) {
            TCompressed c = CompressBytes(deflater, level, SweepInput(i));
            std::string h = Sha256Hex(c.Data);
            digests.insert(digests.end(), h.begin(), h.end());
        }
        EXPECT_EQ(Sha256Hex(digests), expected[level] ? expected[level] : "") << "level " << level;
    }
}

}  // namespace
}  // namespace movrel::test
