// Explode: decoder for compression method 6 (PKWARE's Implode: Shannon-Fano
// coded literals, lengths and distances in a 4 KB or 8 KB dictionary).
#pragma once

#include "DecodeIO.h"

#include <cstdint>

namespace movrel {

// Decodes src to sink until uncompressedSize bytes or more have been made
// (the last match is copied whole, so it may run past the size; the sink's
// size guard then decides). generalFlags bit 1 selects the 8 KB dictionary,
// bit 2 the literal tree. compressedSize excludes any encryption header; it
// only chooses the distance table's lookup bits. A match reaching before the
// start of the data copies zeros. Returns a TDecodeStatus:
//   dsOk       the size was reached; every byte has been handed to sink
//   dsBadData  a tree whose codes are incomplete or over-subscribed, or a
//              stream that runs more than 8 bytes past the end of the input
//   dsBadTree  a tree whose code lengths do not add up to its symbol count
//   dsNoMemory the decoder's state or a table could not be allocated
// Exceptions of src and sink pass through.
int Explode(TDecodeSource& src, TDecodeSink& sink, uint16_t generalFlags, uint32_t compressedSize,
            uint32_t uncompressedSize);

// First-level lookup bits of the distance table: 8 for compressed data
// longer than 200000 bytes, else 7.
unsigned ExplodeDistanceBits(uint32_t compressedSize);

// Every file that includes this header links this decoder's own object, so a
// weak placeholder of the same function elsewhere in the static library can
// never be picked instead of it.
extern const int kExplodeLinked;
[[maybe_unused]] __attribute__((used)) static const int* const kExplodeLinkedRef = &kExplodeLinked;

}  // namespace movrel
