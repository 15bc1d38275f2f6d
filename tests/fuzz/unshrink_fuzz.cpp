#include "FuzzIO.h"
#include "Unshrink.h"

using namespace movrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    fuzz::TSource src(data + 1, size - 1, fuzz::Step(data[0]));
    fuzz::TSink sink(size_t{1} << 20);
    try {
        Unshrink(src, sink);
    } catch (const EBiggerThanUncompressed&) {
    }
    return 0;
}
