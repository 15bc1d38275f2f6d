// Placeholders until the older decoders land: they answer a data error.
#include "DecodeIO.h"

namespace movrel {

__attribute__((weak)) int Unshrink(TDecodeSource&, TDecodeSink&) { return dsBadData; }
__attribute__((weak)) int Unreduce(TDecodeSource&, TDecodeSink&, int, uint32_t) { return dsBadData; }
__attribute__((weak)) int Explode(TDecodeSource&, TDecodeSink&, uint16_t, uint32_t, uint32_t) { return dsBadData; }

}  // namespace movrel
