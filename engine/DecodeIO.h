// What a decoder reads from and writes to. The extraction driver implements
// both: the source refills from the archive (volume changes, decryption,
// cancel), the sink checks the size, updates the CRC and reports progress.
// Either may throw the engine's exceptions; decoders let them pass.
#pragma once

#include <cstddef>
#include <cstdint>

namespace movrel {

class TDecodeSource {
public:
    virtual ~TDecodeSource() = default;
    // Copy up to max compressed bytes into buf; 0 means the entry's data is
    // used up.
    virtual size_t Fill(uint8_t* buf, size_t max) = 0;
};

class TDecodeSink {
public:
    virtual ~TDecodeSink() = default;
    // Take n decoded bytes.
    virtual void Put(const uint8_t* data, size_t n) = 0;
};

// Decoder status codes.
enum TDecodeStatus : int {
    dsOk = 0,
    dsBadData = 1,       // bad stored length, invalid or incomplete code, bad distance, truncated input
    dsBadBlockType = 2,  // deflate block type 3
    dsNoMemory = 3,      // table memory exhausted
    dsBadTree = 4,       // implode tree lengths do not add up
};

}  // namespace movrel
