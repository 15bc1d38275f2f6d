// The engine's Deflate compressor (RFC 1951 raw stream, ZIP method 8).
//
// One TDeflater holds the compressor's buffers (about 330 KB); make one per
// add/update operation and call Compress once per entry. The same input at the
// same level always yields the same bytes, on any machine, whatever sizes the
// read routine returns its data in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace movrel {

struct TDeflateState;

// What one Compress call produced.
struct TDeflateResult {
    uint32_t Crc32 = 0;              // CRC-32 of the input, complemented as stored in headers
    uint64_t BytesIn = 0;            // bytes read from the input
    uint64_t BytesOut = 0;           // bytes handed to the write routine
    uint16_t Method = 8;             // 8 deflated, 0 stored (see CopySource)
    uint16_t InternalAttributes = 1; // 1 text, 0 binary (from the literals of the first block)
    uint16_t FlagBits = 0;           // general purpose bits to OR into the entry: 4 (fast) at
                                     // levels 0-2, 2 (maximum) at levels 8-9; kept when stored
    // Method 0 only: the compressor no longer held the input, so it wrote
    // nothing (BytesOut is 0). The caller rewinds its source and writes the
    // BytesIn bytes as they are through the same write routine. When Method is
    // 0 and CopySource is false, the stored bytes have already been written.
    bool CopySource = false;
};

class TDeflater {
public:
    // Copy up to max input bytes into buf and answer how many; 0 means the
    // input has ended (it is not called again after that). May throw.
    using ReadFn = std::function<size_t(uint8_t* buf, size_t max)>;
    // Take n compressed bytes, in order, in pieces of at most 1024 bytes
    // (stored data may come in larger pieces). May throw (cancel, write error);
    // the entry is then half written and the caller abandons it.
    using WriteFn = std::function<void(const uint8_t* data, size_t n)>;
    // Called after each read of input with the bytes that read brought and
    // the input bytes read so far for this entry; a handler may throw
    // EUserCanceled.
    using ProgressFn = std::function<void(size_t justRead, uint64_t entryBytesRead)>;

    TDeflater();
    ~TDeflater();
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // Compresses the whole input at PackLevel `level` (0-9; 0 is the fastest
    // search, not storing). Reads until `read` answers 0, writes the raw
    // Deflate stream through `write` and answers what came out.
    //
    // When the input coded as a single block does not come out smaller than
    // itself (always for an empty input), the entry is to be stored: Method is
    // 0 and the data are the input bytes; see CopySource for who writes them.
    //
    // Throws ELimitError "Compression level must be 0 to 9" for any other
    // level, ELimitError when `read` answers more than it was asked for, and
    // lets exceptions of the three routines pass. After an exception the
    // object stays usable for the next entry.
    TDeflateResult Compress(int level, const ReadFn& read, const WriteFn& write,
                            const ProgressFn& progress = {});

    // The general purpose flag bits a level adds (see TDeflateResult::FlagBits).
    static uint16_t FlagBitsFor(int level);

private:
    std::unique_ptr<TDeflateState> m_state;
};

}  // namespace movrel
