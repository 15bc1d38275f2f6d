#include "FuzzIO.h"
#include "Unreduce.h"

using namespace movrel;

// Bytes 0-2: input step, factor (1-4), uncompressed size / 16.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    const int factor = 1 + data[1] % 4;
    const uint32_t uncompressed = uint32_t{data[2]} * 16 + data[1] / 4;
    fuzz::TSource src(data + 3, size - 3, fuzz::Step(data[0]));
    fuzz::TSink sink(size_t{1} << 20);
    try {
        Unreduce(src, sink, factor, uncompressed);
    } catch (const EBiggerThanUncompressed&) {
    }
    return 0;
}
