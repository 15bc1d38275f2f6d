// Unreduce: decoder for compression methods 2 to 5 (PKWARE's Reduce with
// compression factors 1 to 4: follower sets, then runs and matches behind
// the escape byte 144, in a 16 KB window).
#pragma once

#include "DecodeIO.h"

#include <cstdint>

namespace movrel {

// Decodes src to sink until uncompressedSize bytes or more have been made
// (the last match is copied whole, so it may run past the size; the sink's
// size guard then decides). factor is the method less 1. A match reaching
// before the start of the data copies zeros. Returns a TDecodeStatus:
//   dsOk       the size was reached; every byte has been handed to sink
//   dsBadData  a factor outside 1-4, or a stream that runs more than 8 bytes
//              past the end of the input
//   dsNoMemory the decoder's state could not be allocated
// Exceptions of src and sink pass through.
int Unreduce(TDecodeSource& src, TDecodeSink& sink, int factor, uint32_t uncompressedSize);

// Every file that includes this header links this decoder's own object, so a
// weak placeholder of the same function elsewhere in the static library can
// never be picked instead of it.
extern const int kUnreduceLinked;
[[maybe_unused]] __attribute__((used)) static const int* const kUnreduceLinkedRef = &kUnreduceLinked;

}  // namespace movrel
