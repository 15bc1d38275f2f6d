// Unshrink: decoder for compression method 1 (PKWARE's Shrink, a dynamic
// LZW with codes of 9 to 13 bits and partial clearing).
#pragma once

#include "DecodeIO.h"

namespace movrel {

// Decodes src to sink until the input is exhausted (a code is wanted and no
// input byte is left). Returns a TDecodeStatus:
//   dsOk       the input ended; every byte has been handed to sink
//   dsBadData  a first code that is not a byte, the code size growing past
//              13 bits, or a code whose string cannot be walked (a freed
//              entry, a loop, more than 8192 bytes)
//   dsNoMemory the decoder's state could not be allocated
// Decoding stops at the first error and what is still held is not handed on.
// Exceptions of src and sink pass through.
int Unshrink(TDecodeSource& src, TDecodeSink& sink);

// Every file that includes this header links this decoder's own object, so a
// weak placeholder of the same function elsewhere in the static library can
// never be picked instead of it.
extern const int kUnshrinkLinked;
[[maybe_unused]] __attribute__((used)) static const int* const kUnshrinkLinkedRef = &kUnshrinkLinked;

}  // namespace movrel
