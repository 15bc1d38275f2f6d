// Inputs and helpers shared by the compressor tests: seeded generators of
// text, random and mixed data, a compress-to-memory wrapper and zlib's raw
// inflate as the independent reference decoder.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "deflate/Deflater.h"

namespace movrel::test {

using TBytes = std::vector<uint8_t>;

// Fixed 64-bit LCG; the same seed gives the same bytes everywhere.
class TLcg {
public:
    explicit TLcg(uint64_t seed) : m_x(seed) {}
    uint32_t Next()
    {
        m_x = m_x * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(m_x >> 32);
    }

private:
    uint64_t m_x;
};

TBytes MakeText(size_t n, uint64_t seed);    // words, punctuation and line breaks
TBytes MakeRandom(size_t n, uint64_t seed);  // incompressible
TBytes MakeRun(size_t n, uint8_t value);
// Bytes from a four-letter alphabet: long hash chains, many equal-length candidates.
TBytes MakeSmallAlphabet(size_t n, uint64_t seed);
// Text, binary records, runs and random stretches in turn, like an archive of mixed files.
TBytes MakeMixed(size_t n, uint64_t seed);

struct TCompressed {
    TBytes Data;             // the entry's data as a writer would store it
    TDeflateResult Result;
    size_t Writes = 0;
    size_t LargestCodedWrite = 0;  // largest write piece other than stored data
    std::vector<uint64_t> ProgressTotals;
};

// Compresses `in`, handing it to the compressor `readPiece` bytes at a time at
// most. When the result asks for the source to be copied, the copy is appended
// as the archive writer would.
TCompressed CompressBytes(TDeflater& deflater, int level, const TBytes& in,
                          size_t readPiece = std::numeric_limits<size_t>::max());
TCompressed CompressBytes(int level, const TBytes& in);

// zlib's raw inflate; throws std::runtime_error on a bad stream or trailing bytes.
TBytes ZlibInflateRaw(const TBytes& deflated, size_t expectedSize);

// The entry's original bytes: its data when stored, else inflated by zlib.
TBytes Restore(const TCompressed& c, size_t expectedSize);

}  // namespace movrel::test
