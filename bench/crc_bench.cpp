// CRC-32 speed: our CrcUpdate against zlib's crc32 and libdeflate_crc32 on
// the same buffers (a fixed-seed random fill; the speed does not depend on
// the content). The three results are compared before timing.

#include "Crc32.h"

#include <benchmark/benchmark.h>
#include <zlib.h>
#ifdef HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const std::vector<uint8_t>& Buffer()
{
    static const std::vector<uint8_t> buf = [] {
        std::vector<uint8_t> b(size_t{16} << 20);
        std::mt19937_64 rng(20240601);
        for (auto& x : b)
            x = static_cast<uint8_t>(rng());
        return b;
    }();
    return buf;
}

uint32_t Ours(const uint8_t* p, size_t n) { return movrel::Crc32Of(p, n); }
uint32_t Zlib(const uint8_t* p, size_t n) { return static_cast<uint32_t>(crc32(0, p, static_cast<uInt>(n))); }
#ifdef HAVE_LIBDEFLATE
uint32_t Libdeflate(const uint8_t* p, size_t n) { return libdeflate_crc32(0, p, n); }
#endif

template <uint32_t (*F)(const uint8_t*, size_t)>
void BM_Crc(benchmark::State& state)
{
    const size_t n = static_cast<size_t>(state.range(0));
    const uint8_t* p = Buffer().data();
    if (F(p, n) != Zlib(p, n))
        throw std::runtime_error("CRC differs from zlib's");
    for (auto _ : state)
        benchmark::DoNotOptimize(F(p, n));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * n));
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int64_t n : {256, 4096, 16000, 131072, 1 << 24})
        b->Arg(n);
}

}  // namespace

BENCHMARK(BM_Crc<Ours>)->Name("Crc32/movrel")->Apply(Sizes);
BENCHMARK(BM_Crc<Zlib>)->Name("Crc32/zlib")->Apply(Sizes);
#ifdef HAVE_LIBDEFLATE
BENCHMARK(BM_Crc<Libdeflate>)->Name("Crc32/libdeflate")->Apply(Sizes);
#endif

BENCHMARK_MAIN();
