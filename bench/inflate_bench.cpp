// Inflate speed: our decoder against zlib's inflate (raw, windowBits -15) and
// libdeflate on the same raw Deflate streams, made by zlib at level 6 from
// the Silesia corpus files. Every decoder's output is checked before timing.
//
// The corpus is read from $MOVREL_CORPUS/silesia (default /tmp/corpus, made
// by ../shared/corpus/prepare.sh /tmp/corpus).

#include "DecodeIO.h"
#include "Inflate.h"

#include <benchmark/benchmark.h>
#include <zlib.h>
#ifdef HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<uint8_t>;

struct TSample {
    std::string name;
    TBytes plain;
    TBytes packed;
};

TBytes ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return TBytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

TBytes Deflate6(const TBytes& in)
{
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    TBytes out(deflateBound(&z, in.size()));
    z.next_in = const_cast<Bytef*>(in.data());
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

class TMemSource : public movrel::TDecodeSource {
public:
    explicit TMemSource(const TBytes& b) : m_p(b.data()), m_left(b.size()) {}
    size_t Fill(uint8_t* buf, size_t max) override
    {
        size_t n = m_left < max ? m_left : max;
        std::memcpy(buf, m_p, n);
        m_p += n;
        m_left -= n;
        return n;
    }

private:
    const uint8_t* m_p;
    size_t m_left;
};

// Writes into a buffer of the known size, as the other decoders do.
class TBufSink : public movrel::TDecodeSink {
public:
    explicit TBufSink(TBytes& out) : m_out(out) {}
    void Put(const uint8_t* data, size_t n) override
    {
        if (m_pos + n > m_out.size())
            throw std::runtime_error("output too long");
        std::memcpy(m_out.data() + m_pos, data, n);
        m_pos += n;
    }
    size_t Size() const { return m_pos; }

private:
    TBytes& m_out;
    size_t m_pos = 0;
};

size_t OursOnce(const TSample& s, TBytes& out)
{
    TMemSource src(s.packed);
    TBufSink sink(out);
    if (movrel::Inflate(src, sink) != movrel::dsOk)
        throw std::runtime_error("Inflate failed on " + s.name);
    return sink.Size();
}

size_t ZlibOnce(z_stream& z, const TSample& s, TBytes& out)
{
    inflateReset(&z);
    z.next_in = const_cast<Bytef*>(s.packed.data());
    z.avail_in = static_cast<uInt>(s.packed.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END)
        throw std::runtime_error("zlib inflate failed on " + s.name);
    return z.total_out;
}

void Check(const TSample& s, const TBytes& out, size_t n, const char* who)
{
    if (n != s.plain.size() || std::memcmp(out.data(), s.plain.data(), n) != 0)
        throw std::runtime_error(std::string(who) + " output differs on " + s.name);
}

void BM_Movrel(benchmark::State& state, const TSample* s)
{
    TBytes out(s->plain.size());
    Check(*s, out, OursOnce(*s, out), "Inflate");
    for (auto _ : state)
        benchmark::DoNotOptimize(OursOnce(*s, out));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s->plain.size()));
}

void BM_Zlib(benchmark::State& state, const TSample* s)
{
    TBytes out(s->plain.size());
    z_stream z{};
    inflateInit2(&z, -15);
    Check(*s, out, ZlibOnce(z, *s, out), "zlib");
    for (auto _ : state)
        benchmark::DoNotOptimize(ZlibOnce(z, *s, out));
    inflateEnd(&z);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s->plain.size()));
}

#ifdef HAVE_LIBDEFLATE
void BM_Libdeflate(benchmark::State& state, const TSample* s)
{
    TBytes out(s->plain.size());
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    size_t n = 0;
    auto once = [&] {
        if (libdeflate_deflate_decompress(d, s->packed.data(), s->packed.size(), out.data(), out.size(), &n) !=
            LIBDEFLATE_SUCCESS)
            throw std::runtime_error("libdeflate failed on " + s->name);
        return n;
    };
    Check(*s, out, once(), "libdeflate");
    for (auto _ : state)
        benchmark::DoNotOptimize(once());
    libdeflate_free_decompressor(d);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * s->plain.size()));
}
#endif

}  // namespace

int main(int argc, char** argv)
{
    const char* env = std::getenv("MOVREL_CORPUS");
    const std::string dir = std::string(env ? env : "/tmp/corpus") + "/silesia/";
    static std::vector<TSample> samples;
    for (const char* name : {"dickens", "mr", "nci", "ooffice", "osdb", "reymont", "x-ray", "xml"}) {
        TBytes plain = ReadFile(dir + name);
        if (plain.empty())
            continue;
        TBytes packed = Deflate6(plain);
        samples.push_back({name, std::move(plain), std::move(packed)});
    }
    if (samples.empty()) {
        std::fprintf(stderr, "no corpus in %s (run ../shared/corpus/prepare.sh /tmp/corpus)\n", dir.c_str());
        return 1;
    }
    for (const auto& s : samples) {
        benchmark::RegisterBenchmark(("Inflate/movrel/" + s.name).c_str(), BM_Movrel, &s)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Inflate/zlib/" + s.name).c_str(), BM_Zlib, &s)->Unit(benchmark::kMillisecond);
#ifdef HAVE_LIBDEFLATE
        benchmark::RegisterBenchmark(("Inflate/libdeflate/" + s.name).c_str(), BM_Libdeflate, &s)
            ->Unit(benchmark::kMillisecond);
#endif
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
