// A file stream with an 8192-byte buffer in front of an operating-system
// file. Small reads and writes (headers, the local-header scan) go through
// the buffer; large ones go straight to the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>

namespace movrel {

enum class TOpenMode {
    Create,          // a new empty file, replacing an existing one
    ReadDenyWrite,   // the archive (others may not write: advisory only here)
    Read,            // further volumes, source files
    ReadWrite,       // an existing file, read and written in place
};

enum class TSeekOrigin { Begin = 0, Current = 1, End = 2 };

class TLFNFileStream {
public:
    static constexpr size_t kBufferSize = 8192;

    // Throws EFileError naming the file and the reason when it cannot be opened.
    TLFNFileStream(const std::string& fileName, TOpenMode mode);
    ~TLFNFileStream();
    TLFNFileStream(const TLFNFileStream&) = delete;
    TLFNFileStream& operator=(const TLFNFileStream&) = delete;

    // Bytes read; fewer than count only at the end of the file. Throws
    // EFileError on an input/output error.
    size_t Read(void* buffer, size_t count);
    // Bytes written; fewer than count only when the file refuses bytes.
    size_t Write(const void* buffer, size_t count);
    // Reads exactly count bytes or returns false.
    bool ReadExact(void* buffer, size_t count) { return Read(buffer, count) == count; }
    // Writes all bytes or throws EFileError.
    void WriteAll(const void* buffer, size_t count);

    // New logical position. Origin End takes |offset| bytes before the end.
    int64_t Seek(int64_t offset, TSeekOrigin origin);
    int64_t Position() const;
    int64_t Size();

    // Pending written data to the file (throws EFileError on failure), then
    // fsync when durable is set.
    void Flush(bool durable = false);

    // The file's modification time (seconds since the epoch).
    std::time_t ModTime();

    const std::string& FileName() const { return name_; }
    int Handle() const { return fd_; }

private:
    void FlushWrite();  // throws
    void DoWrite(const uint8_t* in, size_t count, size_t& done);  // throws
    std::string name_;
    int fd_ = -1;
    std::unique_ptr<uint8_t[]> buf_;
    size_t fill_ = 0;      // bytes valid in the buffer (reading) or pending (writing)
    size_t pos_ = 0;       // next byte to hand out while reading
    enum class Mode { Unknown, Reading, Writing } mode_ = Mode::Unknown;
    int64_t filePos_ = 0;  // the file descriptor's position
};

}  // namespace movrel
