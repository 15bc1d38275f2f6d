#include "DeflateTestSupport.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace movrel::test {

TBytes MakeText(size_t n, uint64_t seed)
{
    static const char* const words[] = {
        "the", "of", "and", "archive", "entry", "window", "block", "a", "to", "in", "is", "compressed",
        "file", "header", "directory", "that", "with", "for", "match", "distance", "length", "literal",
        "it", "on", "as", "was", "Huffman", "code", "tree", "stored", "data", "bytes", "string", "hash"};
    constexpr size_t wordCount = sizeof(words) / sizeof(words[0]);
    TLcg rng(seed);
    TBytes out;
    out.reserve(n + 16);
    size_t lineLen = 0;
    while (out.size() < n) {
        const char* w = words[rng.Next() % wordCount];
        out.insert(out.end(), w, w + std::strlen(w));
        lineLen += std::strlen(w);
        uint32_t r = rng.Next() % 16;
        if (r == 0) out.push_back(','), lineLen++;
        if (r == 1) out.push_back('.'), lineLen++;
        if (lineLen > 60 + rng.Next() % 20) {
            out.push_back('\n');
            lineLen = 0;
        } else {
            out.push_back(' ');
            lineLen++;
        }
    }
    out.resize(n);
    return out;
}

TBytes MakeRandom(size_t n, uint64_t seed)
{
    TLcg rng(seed);
    TBytes out(n);
    for (auto& b : out) b = uint8_t(rng.Next() >> 24);
    return out;
}

TBytes MakeRun(size_t n, uint8_t value)
{
    return TBytes(n, value);
}

TBytes MakeSmallAlphabet(size_t n, uint64_t seed)
{
    TLcg rng(seed);
    TBytes out(n);
    for (auto& b : out) b = uint8_t("ACGT"[rng.Next() >> 30]);
    return out;
}

TBytes MakeMixed(size_t n, uint64_t seed)
{
    TLcg rng(seed);
    TBytes out;
    out.reserve(n);
    while (out.size() < n) {
        size_t piece = 1000 + rng.Next() % 40000;
        switch (rng.Next() % 4) {
        case 0: {
            TBytes t = MakeText(piece, rng.Next());
            out.insert(out.end(), t.begin(), t.end());
            break;
        }
        case 1: {  // records: counters, small values, a tag
            uint32_t id = rng.Next() % 1000;
            for (size_t i = 0; i < piece / 16; ++i) {
                uint32_t rec[4] = {id++, rng.Next() % 100, 0x00C0FFEE, uint32_t(i * 3)};
                const uint8_t* p = reinterpret_cast<const uint8_t*>(rec);
                out.insert(out.end(), p, p + 16);
            }
            break;
        }
        case 2:
            out.insert(out.end(), piece / 8, uint8_t(rng.Next()));
            break;
        default: {
            TBytes r = MakeRandom(piece / 4, rng.Next());
            out.insert(out.end(), r.begin(), r.end());
        }
        }
    }
    out.resize(n);
    return out;
}

TCompressed CompressBytes(TDeflater& deflater, int level, const TBytes& in, size_t readPiece)
{
    TCompressed c;
    size_t pos = 0;
    auto read = [&](uint8_t* buf, size_t max) {
        size_t n = std::min({max, in.size() - pos, readPiece});
        if (n != 0) std::memcpy(buf, in.data() + pos, n);
        pos += n;
        return n;
    };
    auto write = [&](const uint8_t* data, size_t n) {
        c.Data.insert(c.Data.end(), data, data + n);
        c.Writes++;
        if (n != in.size()) c.LargestCodedWrite = std::max(c.LargestCodedWrite, n);
    };
    auto progress = [&](size_t, uint64_t total) { c.ProgressTotals.push_back(total); };
    c.Result = deflater.Compress(level, read, write, progress);
    if (c.Result.CopySource) c.Data.insert(c.Data.end(), in.begin(), in.end());
    return c;
}

TCompressed CompressBytes(int level, const TBytes& in)
{
    TDeflater deflater;
    return CompressBytes(deflater, level, in);
}

TBytes ZlibInflateRaw(const TBytes& deflated, size_t expectedSize)
{
    z_stream zs{};
    if (inflateInit2(&zs, -15) != Z_OK) throw std::runtime_error("inflateInit2 failed");
    TBytes out(expectedSize + 1);
    zs.next_in = const_cast<Bytef*>(deflated.data());
    zs.avail_in = uInt(deflated.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    int rc = inflate(&zs, Z_FINISH);
    size_t produced = zs.total_out;
    size_t leftIn = zs.avail_in;
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) throw std::runtime_error("zlib inflate failed: " + std::to_string(rc));
    if (leftIn != 0) throw std::runtime_error("bytes after the final block");
    out.resize(produced);
    return out;
}

TBytes Restore(const TCompressed& c, size_t expectedSize)
{
    if (c.Result.Method == 0) return c.Data;
    return ZlibInflateRaw(c.Data, expectedSize);
}

}  // namespace movrel::test
