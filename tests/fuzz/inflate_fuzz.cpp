// Inflate on any input; where zlib decodes the same bytes to their end, the
// output and status must be the same.
#include "FuzzIO.h"
#include "Inflate.h"

#include <zlib.h>

using namespace movrel;

namespace {

constexpr size_t kLimit = size_t{1} << 20;

// zlib's output, or false when zlib does not reach the end of the stream.
bool ZlibInflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out)
{
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK)
        return false;
    static uint8_t buf[kLimit];
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = buf;
    z.avail_out = static_cast<uInt>(kLimit);
    const int r = inflate(&z, Z_FINISH);
    out.assign(buf, buf + z.total_out);
    inflateEnd(&z);
    return r == Z_STREAM_END;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::TSource src(data + 1, size - 1, fuzz::Step(data[0]));
    fuzz::TSink sink(kLimit);
    int status;
    try {
        status = Inflate(src, sink);
    } catch (const EBiggerThanUncompressed&) {
        return 0;
    }
    std::vector<uint8_t> reference;
    if (ZlibInflate(data + 1, size - 1, reference) && (status != dsOk || sink.out != reference))
        __builtin_trap();
    return 0;
}
