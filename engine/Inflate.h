// Inflate: decoder for compression method 8 (Deflate, RFC 1951).
#pragma once

#include "DecodeIO.h"

namespace movrel {

// Decodes one raw Deflate stream from src to sink, block by block until the
// block marked final. Returns a TDecodeStatus:
//   dsOk           the final block ended; every byte has been handed to sink
//   dsBadData      bad stored length, too many or bad code lengths, an
//                  incomplete or over-subscribed code, an invalid code, or a
//                  stream that runs more than 8 bytes past the end of the input
//   dsBadBlockType block type 3
//   dsNoMemory     the decoder's state could not be allocated
// Decoding stops at the first error and what is still held is not handed on,
// so the output ends short. A distance reaching before the start of the data
// reads zeros. Exceptions of src and sink pass through.
int Inflate(TDecodeSource& src, TDecodeSink& sink);

}  // namespace movrel
