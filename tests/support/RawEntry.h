// Test-only helpers for the decoders: an entry's raw compressed bytes taken
// straight out of a fixture archive through its central directory (no
// decryption, no data descriptors), a source that feeds bytes in small steps
// so that buffer edges are crossed, and a sink that collects the output.
#pragma once

#include "DecodeIO.h"

#include <cstdint>
#include <string>
#include <vector>

namespace movrel::test {

struct TRawEntry {
    std::string name;
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    std::vector<uint8_t> data;  // compressedSize bytes from after the local header
};

// Every entry of the archive at path, in central directory order. Throws
// std::runtime_error when the file cannot be read or has no end record.
std::vector<TRawEntry> ReadRawEntries(const std::string& path);

// The entry stored under name; throws std::runtime_error when there is none.
TRawEntry ReadRawEntry(const std::string& path, const std::string& name);

// Path of a file of the shared test archives (MOVREL_TESTDATA/zip/...).
std::string TestZip(const std::string& relative);

// One entry row of the shared archives' MANIFEST.tsv (rows about whole
// archives left out, repeated rows once).
struct TManifestRow {
    std::string file;   // relative to the zip folder
    std::string entry;  // raw stored name (escapes undone)
    int method = 0;
    uint16_t flags = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t crc = 0;
    std::string expected;  // ok, bad-crc or error
};
std::vector<TManifestRow> ReadManifest();

// Runs the decoder of the entry's method (1-6, 8) over its data, handed out
// `step` bytes at a time. Encrypted entries are not decrypted.
int DecodeRawEntry(const TRawEntry& e, TDecodeSink& sink, size_t step = SIZE_MAX);

// Hands out data at most `step` bytes per Fill.
class TStepSource : public TDecodeSource {
public:
    explicit TStepSource(std::vector<uint8_t> data, size_t step = SIZE_MAX) : m_data(std::move(data)), m_step(step) {}
    size_t Fill(uint8_t* buf, size_t max) override;
    size_t Calls() const { return m_calls; }

private:
    std::vector<uint8_t> m_data;
    size_t m_step;
    size_t m_pos = 0;
    size_t m_calls = 0;
};

// Collects the output; throws EBiggerThanUncompressed past `limit` bytes,
// as the extraction driver's size guard does.
class TCollectSink : public TDecodeSink {
public:
    explicit TCollectSink(size_t limit = SIZE_MAX) : m_limit(limit) {}
    void Put(const uint8_t* data, size_t n) override;
    std::vector<uint8_t> out;
    size_t largestPut = 0;

private:
    size_t m_limit;
};

}  // namespace movrel::test
