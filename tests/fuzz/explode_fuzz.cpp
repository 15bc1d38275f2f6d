#include "Explode.h"
#include "FuzzIO.h"

using namespace movrel;

// Bytes 0-3: input step; flags (bits 1, 2) and the choice of a compressed
// size past 200000 (bit 0); uncompressed size / 16 in two bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const uint16_t flags = data[1] & 6;
    const uint32_t compressed = (data[1] & 1) ? 300000 : static_cast<uint32_t>(size - 4);
    const uint32_t uncompressed = (uint32_t{data[2]} | uint32_t{data[3]} << 8) * 16u;
    fuzz::TSource src(data + 4, size - 4, fuzz::Step(data[0]));
    fuzz::TSink sink(size_t{1} << 20);
    try {
        Explode(src, sink, flags, compressed, uncompressed);
    } catch (const EBiggerThanUncompressed&) {
    }
    return 0;
}
