// The writer's work on single entries: compressing (and encrypting) one
// file, copying an unchanged entry, and the output routine.
#include "KestroZip.h"

#include "Crc32.h"
#include "DosDateTime.h"
#include "EntryNames.h"
#include "EngineErrors.h"
#include "FileUtils.h"
#include "LFNFileStream.h"
#include "Percent.h"
#include "ZipFormat.h"
#include "ZipWriterOutput.h"
#include "deflate/Deflater.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace movrel {

namespace {

constexpr int kAttempts = 3;  // reads of a file that keeps changing before it is left out

class TSourceFile {
public:
    explicit TSourceFile(const std::string& name) : fd_(::open(name.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~TSourceFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

size_t ReadSome(int fd, uint8_t* buf, size_t max, const std::string& name)
{
    for (;;) {
        ssize_t n = ::read(fd, buf, max);
        if (n >= 0)
            return size_t(n);
        if (errno != EINTR)
            throw EFileError(SystemErrorText("Cannot read file", name, errno));
    }
}

void Restart(int fd, const std::string& name)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        throw EFileError(SystemErrorText("Cannot read file", name, errno));
}

// Version 2.0, made on Unix.
constexpr uint16_t kMadeByUnix = (3 << 8) | 20;

// A name beyond ASCII is stored as UTF-8 with general purpose bit 11:
// unzip, 7-Zip and Python's zipfile all read it so. (Code page 437 bytes
// would reach the disk as Latin-1 or as raw bytes through the first two.)
void StoreNameAsUtf8IfNeeded(TZipHeaderInfo& e)
{
    std::string full = e.FullName();
    bool ascii = true;
    for (char c : full)
        if (uint8_t(c) >= 0x80)
            ascii = false;
    if (ascii || (e.GeneralFlags & kFlagUtf8))
        return;
    e.GeneralFlags |= kFlagUtf8;
    std::string fileName = e.FileName();
    e.SetFileName(fileName + "/");  // any other text: the stored name is built again below
    e.SetFileName(fileName);
}

}  // namespace

bool TKestroZip::ZipOneFile(int itemIndex)
{
    const std::string name = items_[size_t(itemIndex)].name;
    fileBytesRead_ = 0;
    currentFile_ = name;
    auto fail = [&](const std::string& why) {
        if (OnFileError)
            OnFileError(this, name, why);
        return false;
    };

    struct stat st;
    if (::stat(name.c_str(), &st) != 0)
        return fail(std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return false;  // folders are found through patterns, not stored
    TSourceFile source(name);
    if (source.Fd() < 0)
        return fail(std::strerror(errno));
    if (::fstat(source.Fd(), &st) != 0)
        return fail(std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        return fail("not a regular file");  // a pipe or device could block or never end
    if (uint64_t(st.st_size) > kMaxFormatSize)
        throw ELimitError("File too large for a Zip archive (4 GiB or more): " + name);
    int64_t size = st.st_size;

    auto work = std::make_unique<TZipHeaderInfo>();
    // Made on Unix: the high word holds the file's mode, so other programs
    // restore its permissions and take its name as it is. The low byte
    // holds the MS-DOS attributes: every file counts as having its archive
    // bit; read-only is the owner's write permission.
    work->VersionMadeBy = kMadeByUnix;
    work->ExternalAttributes = (uint32_t(st.st_mode & 0xFFFF) << 16) | 0x20 | ((st.st_mode & S_IWUSR) ? 0 : 0x01);
    work->DosDateTime = NormalizeDosDateTime(TimeToDos(st.st_mtime));
    work->UncompressedSize = uint32_t(size);
    work->SetDirectory(StoredDirectoryOf(name));
    work->SetFileName(ExtractFileName(name));
    StoreNameAsUtf8IfNeeded(*work);
    work->LocalHeaderOffset = uint32_t(outputPos_);
    work->InternalAttributes = 2;
    work->DiskNumberStart = uint16_t(currentDisk_);

    auto refuseDuplicate = [&]() {
        int position;
        if (!IsDuplicate(*work, position))
            return false;
        if (OnSkippingFile) {
            // While the event runs, EntryList and the view stand for the new
            // archive's entries by name, which position indexes.
            std::unique_ptr<TSortedZip> saved = std::move(entryList_);
            TSortedZip* savedView = sortedList_;
            entryList_.reset(nameIndex_.release());
            sortedList_ = entryList_.get();
            struct Restore {
                TKestroZip& z;
                std::unique_ptr<TSortedZip>& saved;
                TSortedZip* view;
                ~Restore()
                {
                    z.nameIndex_.reset(z.entryList_.release());
                    z.entryList_ = std::move(saved);
                    z.sortedList_ = view;
                }
            } restore{*this, saved, savedView};
            OnSkippingFile(this, srNoOverwrite, position);
        }
        totalBytes_ -= size;
        return true;
    };
    if (refuseDuplicate())
        return false;
    bool skip = false;
    std::string before = work->FullName();
    if (OnStartZip)
        OnStartZip(this, name, *work, skip);
    if (skip) {
        totalBytes_ -= size;
        return false;
    }
    if (work->FullName() != before) {
        StoreNameAsUtf8IfNeeded(*work);
        if (refuseDuplicate())
            return false;
    }

    int64_t headerAt = outputPos_;
    int64_t doneBefore = bytesDone_;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (WriteEntryData(source.Fd(), *work, size)) {
            // ResetArchiveBitOnZip: there is no archive bit to clear here.
            if (OnEndZip)
                OnEndZip(this, name, work->UncompressedSize, uint32_t(work->CompressedSize), outputPos_);
            pending_ = std::move(work);
            return true;
        }
        Rewind(headerAt);
        bytesDone_ = doneBefore;
    }
    return fail("the file kept changing while it was read");
}

// Writes the local header, the data and the final header. False when an
// encrypted entry's file changed between the CRC pass and the compression
// (the encryption header would not match); the caller rewinds and retries.
bool TKestroZip::WriteEntryData(int fd, TZipHeaderInfo& e, int64_t fileSize)
{
    TLFNFileStream& out = output_->Stream();
    const std::string& name = currentFile_;
    Restart(fd, name);
    int64_t headerAt = outputPos_;
    CheckRoom(e.LocalRecordSize());
    e.GeneralFlags &= uint16_t(~(1 | 2 | 4 | 8));
    e.GeneralFlags |= TDeflater::FlagBitsFor(PackLevel);
    e.Crc32 = 0xFFFFFFFF;
    e.CompressedSize = 0;
    e.WriteLocal(out);  // provisional, rewritten below with the same length
    outputPos_ = out.Position();
    entryBytesOut_ = 0;

    bool encrypt = !Password.empty();
    uint32_t firstCrc = 0;
    uint64_t firstSize = 0;
    if (encrypt) {
        uint32_t crc = 0xFFFFFFFF;
        for (;;) {
            size_t n = ReadSome(fd, ioBuffer_.data(), ioBuffer_.size(), name);
            if (n == 0)
                break;
            crc = CrcUpdate(crc, ioBuffer_.data(), n);
            firstSize += n;
            CheckCancel();
        }
        firstCrc = ~crc;
        Restart(fd, name);
        WriteEncryptionHeader(firstCrc);
    }

    fileBytesRead_ = 0;
    auto read = [&](uint8_t* buf, size_t max) -> size_t {
        size_t n = ReadSome(fd, buf, max, name);
        fileBytesRead_ += int64_t(n);
        if (uint64_t(fileBytesRead_) > kMaxFormatSize)
            throw ELimitError("File too large for a Zip archive (4 GiB or more): " + name);
        return n;
    };
    auto write = [&](const uint8_t* data, size_t n) { write_out(data, n); };
    auto progress = [&](size_t justRead, uint64_t entryBytes) {
        bytesDone_ += int64_t(justRead);
        if (OnFilePercentDone)
            OnFilePercentDone(this, Percent(uint32_t(fileSize), uint32_t(entryBytes)));
        if (OnTotalPercentDone)
            OnTotalPercentDone(this, TotalPercent(bytesDone_, totalBytes_));
        CheckCancel();
    };
    TDeflateResult r = deflater_->Compress(PackLevel, read, write, progress);
    uint32_t crc = r.Crc32;
    uint64_t size = r.BytesIn;
    if (r.Method == 0 && r.CopySource) {
        // stored: the bytes as they are read now, with their own CRC and size
        Restart(fd, name);
        uint32_t running = 0xFFFFFFFF;
        size = 0;
        while (size < r.BytesIn) {
            size_t want = size_t(std::min<uint64_t>(ioBuffer_.size(), r.BytesIn - size));
            size_t n = ReadSome(fd, ioBuffer_.data(), want, name);
            if (n == 0)
                break;
            running = CrcUpdate(running, ioBuffer_.data(), n);
            write_out(ioBuffer_.data(), n);
            size += n;
            CheckCancel();
        }
        crc = ~running;
    }
    encrypting_ = false;
    if (encrypt && (crc != firstCrc || size != firstSize))
        return false;

    e.Crc32 = crc;
    e.UncompressedSize = uint32_t(size);
    e.CompressedSize = entryBytesOut_;
    e.CompressionMethod = r.Method;
    e.InternalAttributes = r.InternalAttributes;
    e.GeneralFlags |= r.FlagBits;
    if (encrypt)
        e.GeneralFlags |= 1;
    int64_t end = out.Position();
    out.Seek(headerAt, TSeekOrigin::Begin);
    e.WriteLocal(out);
    out.Seek(end, TSeekOrigin::Begin);
    outputPos_ = end;
    return true;
}

// Ten random bytes, then bits 16-23 and 24-31 of the CRC, encrypted with
// the keys the password gives; the data continue with the same key state.
void TKestroZip::WriteEncryptionHeader(uint32_t crc)
{
    static std::random_device random;
    crypt_.InitKeys(Password);
    uint8_t header[kEncryptHeaderSize];
    for (int i = 0; i < kEncryptHeaderSize - 2; ++i)
        header[i] = uint8_t(random());
    header[10] = uint8_t(crc >> 16);
    header[11] = uint8_t(crc >> 24);
    encrypting_ = true;
    write_out(header, sizeof header);
}

void TKestroZip::write_out(const uint8_t* data, size_t count)
{
    CheckRoom(count);
    if (uint64_t(entryBytesOut_) + count > kMaxFormatSize)
        throw ELimitError("Compressed data too large for a Zip archive (4 GiB or more): " + currentFile_);
    TLFNFileStream& out = output_->Stream();
    if (encrypting_) {
        cryptBuffer_.assign(data, data + count);
        crypt_.Encrypt(cryptBuffer_.data(), count);
        out.WriteAll(cryptBuffer_.data(), count);
    } else {
        out.WriteAll(data, count);
    }
    outputPos_ += int64_t(count);
    entryBytesOut_ += int64_t(count);
}

// The comment of an entry copied unchanged, read from its central header
// when it was not loaded yet, so the new central header carries it.
void TKestroZip::LoadHeldComments(TZipHeaderInfo& copy, const TZipHeaderInfo& original)
{
    if (original.FileCommentLength == 0 || original.FileComment() || rebuiltFromLocal_)
        return;
    TLFNFileStream& in = *archiveStream_;
    uint8_t h[kCentralSize];
    in.Seek(original.CentralHeaderOffset, TSeekOrigin::Begin);
    if (!in.ReadExact(h, kCentralSize) || Get32(h) != kCentralSig) {
        copy.SetFileComment(std::nullopt);
        return;
    }
    in.Seek(int64_t(Get16(h + cdh::NameLen)) + Get16(h + cdh::ExtraLen), TSeekOrigin::Current);
    std::string text(Get16(h + cdh::CommentLen), '\0');
    text.resize(in.Read(text.data(), text.size()));
    copy.SetFileComment(text.empty() ? std::nullopt : std::optional<std::string>(text));
}

// Copies the local header, name, local extra field and data of an
// unchanged entry byte for byte (the local extra field with its own
// length), and a data descriptor after the data when there is one. False
// when the entry cannot be read whole and a repair is running (the entry
// is then left out); otherwise that is an error of the operation.
bool TKestroZip::CopyEntry(TZipHeaderInfo& entry)
{
    TLFNFileStream& in = *archiveStream_;
    TLFNFileStream& out = output_->Stream();
    auto damaged = [&]() -> bool {
        if (repairing_) {
            Rewind(outputPos_);
            return false;
        }
        throw EFatalUnzipError("The archive is damaged: the data of \"" + entry.FullName() +
                               "\" cannot be read (try repairing it)");
    };
    int64_t at = entry.LocalHeaderOffset;
    uint8_t h[kLocalSize];
    in.Seek(at, TSeekOrigin::Begin);
    if (!in.ReadExact(h, kLocalSize) || Get32(h) != kLocalSig)
        return damaged();
    std::string nameAndExtra(size_t(Get16(h + lfh::NameLen)) + Get16(h + lfh::ExtraLen), '\0');
    if (!in.ReadExact(nameAndExtra.data(), nameAndExtra.size()))
        return damaged();
    int64_t data = entry.CompressedSize;
    int64_t descriptor = 0;
    if (entry.HasDataDescriptor()) {
        uint8_t sig[4];
        in.Seek(at + kLocalSize + int64_t(nameAndExtra.size()) + data, TSeekOrigin::Begin);
        if (in.ReadExact(sig, 4)) {
            uint32_t s = Get32(sig);
            descriptor = s == kDataDescSig ? 16 : (s == kLocalSig || s == kCentralSig || s == kEndSig) ? 0 : 12;
        }
        in.Seek(at + kLocalSize + int64_t(nameAndExtra.size()), TSeekOrigin::Begin);
    }
    int64_t rest = data + descriptor;
    CheckRoom(uint64_t(kLocalSize) + nameAndExtra.size() + uint64_t(rest));

    int64_t newOffset = outputPos_;
    out.WriteAll(h, kLocalSize);
    out.WriteAll(nameAndExtra.data(), nameAndExtra.size());
    while (rest > 0) {
        size_t want = size_t(std::min<int64_t>(rest, int64_t(ioBuffer_.size())));
        size_t got = in.Read(ioBuffer_.data(), want);
        if (got != want) {
            outputPos_ = newOffset;
            return damaged();
        }
        out.WriteAll(ioBuffer_.data(), got);
        rest -= int64_t(got);
        if (rest > 0)
            CheckCancel();
    }
    outputPos_ = out.Position();
    entry.LocalHeaderOffset = uint32_t(newOffset);
    entry.DiskNumberStart = uint16_t(currentDisk_);
    if (rebuiltFromLocal_ && entry.ExtraField.empty())
        entry.SetExtraField(nameAndExtra.substr(Get16(h + lfh::NameLen)));
    return true;
}

}  // namespace movrel
