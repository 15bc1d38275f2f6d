// Speed and ratio of the engine's Deflate compressor against zlib and
// libdeflate at the same levels, raw Deflate, on the Silesia files (each file
// one stream) and the srctree corpus (each file compressed on its own, as an
// archiver does, sizes summed). As an archiver would, a file whose compressed
// form is not smaller counts with its own size (stored) for every compressor.
//
// Usage: deflate_bench [--corpus DIR] [--levels 1,6,9] [--reps N] [--only silesia|srctree]
// Speeds are input MB per second of CPU time, the best of N passes.
// DIR defaults to $MOVREL_CORPUS or /tmp/corpus (unpack with ../shared/corpus/prepare.sh).
// Every output of ours is inflated by libdeflate (or zlib) and compared before
// the timing counts.
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "deflate/Deflater.h"

#ifdef HAVE_ZLIB
#include <zlib.h>
#endif
#ifdef HAVE_LIBDEFLATE
#include <libdeflate.h>
#endif

namespace {

using TBytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

struct TCorpus {
    std::string Name;
    std::vector<TBytes> Files;
    uint64_t Bytes = 0;
};

TCorpus LoadCorpus(const std::string& name, const fs::path& dir)
{
    TCorpus c;
    c.Name = name;
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& p : paths) {
        std::ifstream f(p, std::ios::binary);
        TBytes data((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        c.Bytes += data.size();
        c.Files.push_back(std::move(data));
    }
    return c;
}

// Compresses one file into out (cleared first); answers the size an archiver
// would store: the compressed size, or the file's own size when not smaller.
using TCompressFn = std::function<uint64_t(const TBytes& in, TBytes& out)>;

struct TCompressor {
    std::string Name;
    std::function<TCompressFn(int level)> Make;
};

TCompressFn MakeOurs(int level)
{
    auto deflater = std::make_shared<movrel::TDeflater>();
    return [deflater, level](const TBytes& in, TBytes& out) -> uint64_t {
        size_t pos = 0;
        out.clear();
        auto read = [&](uint8_t* buf, size_t max) {
            size_t n = std::min(max, in.size() - pos);
            if (n != 0) std::memcpy(buf, in.data() + pos, n);
            pos += n;
            return n;
        };
        auto write = [&](const uint8_t* data, size_t n) { out.insert(out.end(), data, data + n); };
        movrel::TDeflateResult r = deflater->Compress(level, read, write);
        if (r.CopySource) out = in;
        return r.Method == 0 ? in.size() : out.size();
    };
}

#ifdef HAVE_ZLIB
TCompressFn MakeZlib(int level)
{
    auto zs = std::shared_ptr<z_stream>(new z_stream{}, [](z_stream* z) {
        deflateEnd(z);
        delete z;
    });
    if (deflateInit2(zs.get(), level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
    return [zs](const TBytes& in, TBytes& out) -> uint64_t {
        deflateReset(zs.get());
        out.resize(deflateBound(zs.get(), uLong(in.size())));
        zs->next_in = const_cast<Bytef*>(in.data());
        zs->avail_in = uInt(in.size());
        zs->next_out = out.data();
        zs->avail_out = uInt(out.size());
        if (deflate(zs.get(), Z_FINISH) != Z_STREAM_END) std::abort();
        out.resize(zs->total_out);
        return std::min<uint64_t>(out.size(), in.size());
    };
}
#endif

#ifdef HAVE_LIBDEFLATE
TCompressFn MakeLibdeflate(int level)
{
    auto c = std::shared_ptr<libdeflate_compressor>(libdeflate_alloc_compressor(level), libdeflate_free_compressor);
    return [c](const TBytes& in, TBytes& out) -> uint64_t {
        out.resize(libdeflate_deflate_compress_bound(c.get(), in.size()));
        size_t n = libdeflate_deflate_compress(c.get(), in.data(), in.size(), out.data(), out.size());
        if (n == 0) std::abort();
        out.resize(n);
        return std::min<uint64_t>(n, in.size());
    };
}
#endif

bool Inflates(const TBytes& deflated, const TBytes& original)
{
    TBytes back(original.size());
#ifdef HAVE_LIBDEFLATE
    static libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    size_t got = 0;
    if (libdeflate_deflate_decompress(d, deflated.data(), deflated.size(), back.data(), back.size(), &got) !=
        LIBDEFLATE_SUCCESS)
        return false;
    return got == original.size() && back == original;
#elif defined(HAVE_ZLIB)
    z_stream zs{};
    inflateInit2(&zs, -15);
    zs.next_in = const_cast<Bytef*>(deflated.data());
    zs.avail_in = uInt(deflated.size());
    zs.next_out = back.data();
    zs.avail_out = uInt(back.size());
    int rc = inflate(&zs, Z_FINISH);
    inflateEnd(&zs);
    return rc == Z_STREAM_END && zs.total_out == original.size() && back == original;
#else
    (void)deflated;
    (void)original;
    return true;
#endif
}

// Checks every output of ours against its input; false on the first fault.
bool VerifyOurs(const TCorpus& corpus, int level)
{
    movrel::TDeflater deflater;
    for (size_t i = 0; i < corpus.Files.size(); ++i) {
        const TBytes& in = corpus.Files[i];
        TBytes out;
        size_t pos = 0;
        auto read = [&](uint8_t* buf, size_t max) {
            size_t n = std::min(max, in.size() - pos);
            if (n != 0) std::memcpy(buf, in.data() + pos, n);
            pos += n;
            return n;
        };
        auto write = [&](const uint8_t* data, size_t n) { out.insert(out.end(), data, data + n); };
        movrel::TDeflateResult r = deflater.Compress(level, read, write);
        bool ok = r.Method == 0 ? (r.CopySource || out == in) : Inflates(out, in);
        if (!ok) {
            std::fprintf(stderr, "round trip FAILED: %s file %zu level %d\n", corpus.Name.c_str(), i, level);
            return false;
        }
    }
    return true;
}

struct TRun {
    double Seconds = 1e30;
    uint64_t Size = 0;
};

// CPU time of this thread: the machine may be shared, and time spent waiting
// for a core is not the compressor's.
double CpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// One pass over the corpus; keeps the fastest pass in `run`.
void Measure(const TCorpus& corpus, const TCompressFn& fn, TRun& run)
{
    static TBytes out;
    uint64_t size = 0;
    double t0 = CpuSeconds();
    for (const TBytes& f : corpus.Files) size += fn(f, out);
    run.Seconds = std::min(run.Seconds, CpuSeconds() - t0);
    run.Size = size;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string corpusDir = std::getenv("MOVREL_CORPUS") ? std::getenv("MOVREL_CORPUS") : "/tmp/corpus";
    std::vector<int> levels = {1, 6, 9};
    int reps = 2;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (a == "--corpus") {
            corpusDir = next();
        } else if (a == "--levels") {
            levels.clear();
            std::string v = next();
            for (size_t p = 0; p < v.size();) {
                size_t q = v.find(',', p);
                levels.push_back(std::atoi(v.substr(p, q - p).c_str()));
                p = q == std::string::npos ? v.size() : q + 1;
            }
        } else if (a == "--reps") {
            reps = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--only") {
            only = next();
        } else {
            std::fprintf(stderr, "usage: %s [--corpus DIR] [--levels 1,6,9] [--reps N] [--only silesia|srctree]\n", argv[0]);
            return 2;
        }
    }

    std::vector<TCorpus> corpora;
    for (const char* name : {"silesia", "srctree"}) {
        if (!only.empty() && only != name) continue;
        fs::path dir = fs::path(corpusDir) / name;
        if (!fs::is_directory(dir)) {
            std::fprintf(stderr, "%s not found; run ../shared/corpus/prepare.sh %s\n", dir.c_str(), corpusDir.c_str());
            return 1;
        }
        corpora.push_back(LoadCorpus(name, dir));
    }

    std::vector<TCompressor> compressors = {{"movrel", MakeOurs}};
#ifdef HAVE_ZLIB
    compressors.push_back({"zlib", MakeZlib});
#endif
#ifdef HAVE_LIBDEFLATE
    compressors.push_back({"libdeflate", MakeLibdeflate});
#endif

    std::printf("%-8s %5s %-10s %10s %14s %8s %10s %10s\n", "corpus", "level", "compressor", "MB/s", "compressed",
                "ratio", "vs zlib", "speed/zlib");
    for (const TCorpus& corpus : corpora) {
        for (int level : levels) {
            if (!VerifyOurs(corpus, level)) return 1;
            // Passes of the compressors take turns, so a change in the
            // machine's load falls on all of them alike.
            std::vector<TCompressFn> fns;
            for (const TCompressor& c : compressors) fns.push_back(c.Make(level));
            std::vector<TRun> runs(compressors.size());
            for (int r = 0; r < reps; ++r)
                for (size_t i = 0; i < fns.size(); ++i) Measure(corpus, fns[i], runs[i]);
            const TRun* zlibRun = compressors.size() > 1 && compressors[1].Name == "zlib" ? &runs[1] : nullptr;
            for (size_t i = 0; i < compressors.size(); ++i) {
                double mbps = double(corpus.Bytes) / 1e6 / runs[i].Seconds;
                char vsZlib[32] = "", speed[32] = "";
                if (zlibRun) {
                    std::snprintf(vsZlib, sizeof vsZlib, "%+.2f%%",
                                  (double(runs[i].Size) / double(zlibRun->Size) - 1) * 100);
                    std::snprintf(speed, sizeof speed, "%.2fx", zlibRun->Seconds / runs[i].Seconds);
                }
                std::printf("%-8s %5d %-10s %10.1f %14llu %7.2f%% %10s %10s\n", corpus.Name.c_str(), level,
                            compressors[i].Name.c_str(), mbps, (unsigned long long)runs[i].Size,
                            100.0 * double(runs[i].Size) / double(corpus.Bytes), vsZlib, speed);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}
