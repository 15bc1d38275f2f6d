#include "LFNFileStream.h"

#include "EngineErrors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movrel {

TLFNFileStream::TLFNFileStream(const std::string& fileName, TOpenMode mode)
    : name_(fileName), buf_(new uint8_t[kBufferSize])
{
    int flags = O_CLOEXEC;
    const char* what = "Cannot open file";
    switch (mode) {
    case TOpenMode::Create:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        what = "Cannot create file";
        break;
    case TOpenMode::ReadDenyWrite:
    case TOpenMode::Read:
        flags |= O_RDONLY;
        break;
    case TOpenMode::ReadWrite:
        flags |= O_RDWR;
        break;
    }
    if (fileName.empty())
        throw EFileError(SystemErrorText(what, fileName, ENOENT));
    fd_ = ::open(fileName.c_str(), flags, 0666);
    if (fd_ < 0)
        throw EFileError(SystemErrorText(what, fileName, errno));
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw EFileError(SystemErrorText(what, fileName, EISDIR));
    }
}

TLFNFileStream::~TLFNFileStream()
{
    try {
        FlushWrite();
    } catch (...) {
        // a destructor cannot report; callers that care call Flush first
    }
    if (fd_ >= 0)
        ::close(fd_);
}

void TLFNFileStream::FlushWrite()
{
    if (mode_ != Mode::Writing || fill_ == 0) {
        if (mode_ == Mode::Writing)
            mode_ = Mode::Unknown;
        return;
    }
    size_t done = 0;
    while (done < fill_) {
        ssize_t n = ::write(fd_, buf_.get() + done, fill_ - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            int err = n < 0 ? errno : ENOSPC;
            // keep what was not written so a retry is possible; report
            std::copy(buf_.get() + done, buf_.get() + fill_, buf_.get());
            fill_ -= done;
            filePos_ += int64_t(done);
            throw EFileError(SystemErrorText("Cannot write file", name_, err));
        }
        done += size_t(n);
    }
    filePos_ += int64_t(fill_);
    fill_ = 0;
    mode_ = Mode::Unknown;
}

size_t TLFNFileStream::Read(void* buffer, size_t count)
{
    if (mode_ == Mode::Writing)
        FlushWrite();
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        if (mode_ == Mode::Reading && pos_ < fill_) {
            size_t n = std::min(count - done, fill_ - pos_);
            std::copy(buf_.get() + pos_, buf_.get() + pos_ + n, out + done);
            pos_ += n;
            done += n;
            continue;
        }
        mode_ = Mode::Unknown;
        fill_ = pos_ = 0;
        size_t want = count - done;
        ssize_t n;
        if (want >= kBufferSize) {
            do n = ::read(fd_, out + done, want); while (n < 0 && errno == EINTR);
            if (n < 0)
                throw EFileError(SystemErrorText("Cannot read file", name_, errno));
            if (n == 0)
                break;
            filePos_ += n;
            done += size_t(n);
            continue;
        }
        do n = ::read(fd_, buf_.get(), kBufferSize); while (n < 0 && errno == EINTR);
        if (n < 0)
            throw EFileError(SystemErrorText("Cannot read file", name_, errno));
        if (n == 0)
            break;
        filePos_ += n;
        fill_ = size_t(n);
        mode_ = Mode::Reading;
    }
    return done;
}

size_t TLFNFileStream::Write(const void* buffer, size_t count)
{
    size_t done = 0;
    try {
        DoWrite(static_cast<const uint8_t*>(buffer), count, done);
    } catch (const EFileError&) {
    }
    return done;
}

void TLFNFileStream::WriteAll(const void* buffer, size_t count)
{
    size_t done = 0;
    DoWrite(static_cast<const uint8_t*>(buffer), count, done);
}

void TLFNFileStream::DoWrite(const uint8_t* in, size_t count, size_t& done)
{
    if (mode_ == Mode::Reading) {
        // drop the read-ahead: the file position goes back to the logical one
        int64_t logical = Position();
        mode_ = Mode::Unknown;
        fill_ = pos_ = 0;
        off_t r = ::lseek(fd_, logical, SEEK_SET);
        if (r < 0)
            throw EStreamError("Seek error");
        filePos_ = r;
    }
    while (done < count) {
        if (fill_ == 0 && count - done >= kBufferSize) {
            ssize_t n = ::write(fd_, in + done, count - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                throw EFileError(SystemErrorText("Cannot write file", name_, n < 0 ? errno : ENOSPC));
            filePos_ += n;
            done += size_t(n);
            continue;
        }
        mode_ = Mode::Writing;
        size_t n = std::min(count - done, kBufferSize - fill_);
        std::copy(in + done, in + done + n, buf_.get() + fill_);
        fill_ += n;
        done += n;
        if (fill_ == kBufferSize)
            FlushWrite();
    }
}

int64_t TLFNFileStream::Position() const
{
    if (mode_ == Mode::Reading)
        return filePos_ - int64_t(fill_ - pos_);
    if (mode_ == Mode::Writing)
        return filePos_ + int64_t(fill_);
    return filePos_;
}

int64_t TLFNFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t target;
    switch (origin) {
    case TSeekOrigin::Begin:
        target = offset;
        break;
    case TSeekOrigin::Current:
        target = Position() + offset;
        break;
    case TSeekOrigin::End:
        target = Size() - (offset < 0 ? -offset : offset);
        break;
    default:
        throw EStreamError("Invalid seek origin (" + std::to_string(int(origin)) + ")");
    }
    if (target < 0)
        target = 0;
    if (target == Position())
        return target;
    if (mode_ == Mode::Reading && target >= filePos_ - int64_t(fill_) && target <= filePos_) {
        // inside the read-ahead: no system call
        pos_ = size_t(target - (filePos_ - int64_t(fill_)));
        return target;
    }
    if (mode_ == Mode::Writing) {
        try {
            FlushWrite();
        } catch (const EFileError&) {
            throw EStreamError("Seek error");
        }
    }
    mode_ = Mode::Unknown;
    fill_ = pos_ = 0;
    off_t r = ::lseek(fd_, target, SEEK_SET);
    if (r < 0)
        throw EStreamError("Seek error");
    filePos_ = r;
    return target;
}

int64_t TLFNFileStream::Size()
{
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        throw EFileError(SystemErrorText("Cannot read file", name_, errno));
    int64_t size = st.st_size;
    if (mode_ == Mode::Writing && filePos_ + int64_t(fill_) > size)
        size = filePos_ + int64_t(fill_);
    return size;
}

void TLFNFileStream::Flush(bool durable)
{
    FlushWrite();
    if (durable && ::fsync(fd_) != 0)
        throw EFileError(SystemErrorText("Cannot write file", name_, errno));
}

std::time_t TLFNFileStream::ModTime()
{
    struct stat st;
    if (::fstat(fd_, &st) != 0)
        return 0;
    return st.st_mtime;
}

}  // namespace movrel
