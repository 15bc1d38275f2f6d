// The extraction driver: selection, destination paths, overwrite rules,
// the password check, the decoders, times, attributes and the CRC verdict.
#include "KestroUnZip.h"

#include "Crc32.h"
#include "EngineErrors.h"
#include "FileUtils.h"
#include "Inflate.h"
#include "LFNFileStream.h"
#include "Percent.h"
#include "Wildcards.h"
#include "ZipCrypt.h"
#include "ZipFormat.h"

#include "Explode.h"
#include "Unreduce.h"
#include "Unshrink.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace movrel {

namespace {

constexpr size_t kInputChunk = 65536;
constexpr size_t kProgressPiece = 16000;

// The destination file is written under a temporary name next to its final
// place and renamed over it only when the entry decoded well, so an
// existing file is never destroyed by a failed or skipped entry.
class TDestFile {
public:
    TDestFile(const std::string& finalName) : final_(finalName)
    {
        std::string dir = ExtractFilePath(finalName);
        temp_ = (dir.empty() ? std::string(".") : dir) + "/.movrel-XXXXXX";
        fd_ = ::mkstemp(temp_.data());
        if (fd_ < 0)
            throw EFileError(SystemErrorText("Cannot create file", finalName, errno));
    }
    ~TDestFile() { Discard(); }
    TDestFile(const TDestFile&) = delete;
    TDestFile& operator=(const TDestFile&) = delete;

    // Throws EFileError when the file refuses bytes (a full disk).
    void Write(const uint8_t* data, size_t n)
    {
        while (n) {
            ssize_t w = ::write(fd_, data, n);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                throw EFileError(SystemErrorText("Cannot write file", final_, w < 0 ? errno : ENOSPC));
            data += w;
            n -= size_t(w);
        }
    }

    void Finish(std::time_t mtime, mode_t mode)
    {
        if (mtime != -1) {
            timespec times[2] = {{mtime, 0}, {mtime, 0}};
            ::futimens(fd_, times);
        }
        ::fchmod(fd_, mode);
        if (::close(fd_) != 0) {
            fd_ = -1;
            throw EFileError(SystemErrorText("Cannot write file", final_, errno));
        }
        fd_ = -1;
        // rename replaces a symbolic link at the destination, never its target
        if (::rename(temp_.c_str(), final_.c_str()) != 0)
            throw EFileError(SystemErrorText("Cannot create file", final_, errno));
        temp_.clear();
    }

    void Discard()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        if (!temp_.empty())
            ::unlink(temp_.c_str());
        temp_.clear();
    }

private:
    std::string final_;
    std::string temp_;
    int fd_ = -1;
};

mode_t CurrentUmask()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return m;
}

bool ExistsNoFollow(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool StartsWithNoCase(const std::string& s, const std::string& prefix)
{
    if (s.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = s[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z') a = char(a + 32);
        if (b >= 'A' && b <= 'Z') b = char(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

// A stored directory as a relative path below the destination: empty, "."
// and ".." components are dropped, and so are a leading separator and a
// drive prefix, so nothing lands outside the destination.
std::string SafeRelativeDir(const std::string& storedDir)
{
    std::string out;
    size_t start = 0;
    bool first = true;
    while (start <= storedDir.size()) {
        size_t end = storedDir.find('\\', start);
        if (end == std::string::npos)
            end = storedDir.size();
        std::string part = storedDir.substr(start, end - start);
        bool drive = first && part.size() == 2 && part[1] == ':';
        if (!part.empty())
            first = false;
        if (!part.empty() && part != "." && part != ".." && !drive) {
            out += part;
            out += '/';
        }
        start = end + 1;
    }
    return out;
}

}  // namespace

// State of one extraction (or test) run.
struct TExtractRun : TDecodeSource, TDecodeSink {
    TKestroUnZip& z;
    bool testOnly;
    std::string base;  // destination folder with a trailing "/"
    int64_t totalBytes = 0, bytesDone = 0;
    int result = 0;
    bool retry = false;
    mode_t umask = CurrentUmask();

    // per entry
    TZipHeaderInfo& cur;
    int64_t remaining = 0;  // compressed bytes not yet read
    uint64_t written = 0;
    uint32_t runningCrc = 0xFFFFFFFF;
    TZipCrypt crypt;
    TDestFile* out = nullptr;
    std::vector<uint8_t> input;

    TExtractRun(TKestroUnZip& zip, bool test) : z(zip), testOnly(test), cur(zip.currentEntry_), input(kInputChunk) {}

    TLFNFileStream& Archive() { return *z.archiveStream_; }

    // ---- input routine ----
    size_t Fill(uint8_t* buf, size_t max) override
    {
        if (remaining <= 0)
            return 0;
        z.CheckCancel();
        size_t len = size_t(std::min<int64_t>(int64_t(max), remaining));
        remaining -= int64_t(len);
        size_t got = Archive().Read(buf, len);
        if (got < len) {
            if (z.endCentral_.ThisDisk == 0 || !z.OnGetNextDisk)
                throw EFatalUnzipError();
            while (got < len) {
                z.LoadDisk(z.currentDisk_ + 2);
                size_t more = Archive().Read(buf + got, len - got);
                got += more;
            }
        }
        if (cur.IsEncrypted())
            crypt.Decrypt(buf, got);
        return got;
    }

    // ---- output routine ----
    void Put(const uint8_t* data, size_t n) override
    {
        // The guard works piece by piece, as the progress does: the pieces
        // before the one that passes the size are still written.
        size_t fits = n;
        bool tooBig = written + n > cur.UncompressedSize;
        if (tooBig)
            fits = size_t((cur.UncompressedSize - written) / kProgressPiece * kProgressPiece);
        if (fits) {
            if (out)
                out->Write(data, fits);
            runningCrc = CrcUpdate(runningCrc, data, fits);
            for (size_t done = 0; done < fits;) {
                size_t piece = std::min(fits - done, kProgressPiece);
                written += piece;
                done += piece;
                if (z.OnFilePercentDone)
                    z.OnFilePercentDone(&z, Percent(cur.UncompressedSize, uint32_t(written)));
                if (z.OnTotalPercentDone) {
                    bytesDone += int64_t(piece);
                    z.OnTotalPercentDone(&z, TotalPercent(bytesDone, totalBytes));
                }
            }
        }
        if (tooBig)
            throw EBiggerThanUncompressed();
    }

    void CopyStored()
    {
        for (;;) {
            size_t n = Fill(input.data(), input.size());
            if (n == 0)
                break;
            Put(input.data(), n);
        }
    }

    // Runs the decoder; false when the method is unknown.
    bool Decode()
    {
        switch (cur.CompressionMethod) {
        case 0:
            CopyStored();
            return true;
        case 1:
            Unshrink(*this, *this);
            return true;
        case 2: case 3: case 4: case 5:
            Unreduce(*this, *this, cur.CompressionMethod - 1, cur.UncompressedSize);
            return true;
        case 6:
            Explode(*this, *this, cur.GeneralFlags, uint32_t(remaining), cur.UncompressedSize);
            return true;
        case 8:
            Inflate(*this, *this);
            return true;
        default:
            return false;
        }
    }

    // The 12-byte header check; false when the password loop gives up.
    bool CheckPassword(int index)
    {
        uint8_t check = cur.HasDataDescriptor() ? uint8_t(cur.DosDateTime >> 8) : uint8_t(cur.Crc32 >> 24);
        for (;;) {
            uint8_t head[kEncryptHeaderSize] = {};
            size_t got = Archive().Read(head, kEncryptHeaderSize);
            remaining -= kEncryptHeaderSize;
            crypt.InitKeys(z.Password);
            crypt.Decrypt(head, got);
            if (got == size_t(kEncryptHeaderSize) && head[11] == check)
                return true;
            std::string newPassword = z.Password;
            if (z.OnBadPassword)
                z.OnBadPassword(&z, index, newPassword);
            if (newPassword == z.Password)
                return false;
            z.Password = newPassword;
            Archive().Seek(-int64_t(got), TSeekOrigin::Current);
            remaining += kEncryptHeaderSize;
        }
    }

    void Failed(int index, const std::string& message)
    {
        --result;
        if (z.OnEntryError)
            z.OnEntryError(&z, index, message);
    }

    void ExtractEntry(int index)
    {
        retry = false;
        cur.Assign(z.ViewEntry(index));

        if (!cur.FileName().empty()) {
            if (z.MultiMode() != mmNone && cur.DiskNumberStart != z.currentDisk_)
                z.LoadDisk(cur.DiskNumberStart + 1);
            Archive().Seek(cur.LocalHeaderOffset, TSeekOrigin::Begin);
            uint8_t local[kLocalSize];
            if (!Archive().ReadExact(local, kLocalSize))
                throw EFatalUnzipError();
            Archive().Seek(int64_t(Get16(local + lfh::NameLen)) + Get16(local + lfh::ExtraLen), TSeekOrigin::Current);
        }

        // destination folder
        std::string dir = base;
        if (!testOnly && z.RecreateDirs && !cur.Directory().empty()) {
            std::string p = cur.Directory();
            if (!z.rootDir_.empty() && StartsWithNoCase(p, z.rootDir_))
                p = p.substr(z.rootDir_.size());
            dir += SafeRelativeDir(p);
            if (!DirectoryExists(dir))
                ForceDirectories(dir);
        }
        if (cur.FileName().empty()) {
            if (z.RecreateDirs && z.OnStartUnZip) {
                bool skip = false;
                z.OnStartUnZip(&z, index, dir, skip);
            }
            return;
        }
        std::string fname = testOnly ? cur.FullName() : dir + cur.FileName();
        if (!testOnly && (cur.FileName() == "." || cur.FileName() == "..")) {
            Failed(index, "Not a file name: \"" + cur.FullName() + "\"");
            return;
        }

        remaining = cur.CompressedSize;
        if (cur.IsEncrypted() && !CheckPassword(index)) {
            if (z.OnSkippingFile)
                z.OnSkippingFile(&z, srBadPassword, index);
            --result;
            return;
        }

        if (!testOnly && z.OverwriteMode != Always && ExistsNoFollow(fname)) {
            bool overwrite = false;
            if (z.OverwriteMode == Prompt) {
                if (z.OnPromptForOverwrite)
                    z.OnPromptForOverwrite(&z, overwrite, index, fname);
                else
                    overwrite = z.Ui().MessageBox("Replace existing file " + z.EntryFileName(index) + "?",
                                                  "File Exists Alert", TMsgButtons::YesNo,
                                                  TMsgIcon::Question) == TMsgResult::Yes;
            }
            if (!overwrite) {
                if (z.OnSkippingFile)
                    z.OnSkippingFile(&z, srNoOverwrite, index);
                --result;
                return;
            }
        }

        std::unique_ptr<TDestFile> file;
        if (!testOnly)
            file = std::make_unique<TDestFile>(fname);
        out = file.get();
        written = 0;
        runningCrc = 0xFFFFFFFF;
        if (z.OnStartUnZip) {
            bool skip = false;
            z.OnStartUnZip(&z, index, fname, skip);
            if (skip) {
                out = nullptr;
                return;  // the temporary file goes; an existing file stays as it was
            }
        }

        try {
            if (!Decode()) {
                z.Ui().MessageBox("Unknown Compression Method", "Zip Error", TMsgButtons::Ok, TMsgIcon::Error);
                if (z.OnEntryError)
                    z.OnEntryError(&z, index, "Unknown Compression Method");
            }
        } catch (const EBiggerThanUncompressed&) {
            // decoding ends here; the CRC decides
        } catch (const EFileError& e) {
            out = nullptr;
            Failed(index, e.what());
            return;
        }
        out = nullptr;

        uint32_t crc = ~runningCrc;
        if (crc == cur.Crc32) {
            if (file) {
                mode_t mode = 0666;
                unsigned host = cur.VersionMadeBy >> 8;
                if (z.RetainAttributes) {
                    if (host == 3 && (cur.ExternalAttributes >> 16) != 0)
                        mode = (cur.ExternalAttributes >> 16) & 0777;
                    if (cur.ExternalAttributes & 0x01)
                        mode &= ~mode_t(0222);
                }
                file->Finish(DosToTime(cur.DosDateTime), mode & ~umask);
            }
            if (z.OnEndUnZip)
                z.OnEndUnZip(&z, index, fname);
            return;
        }
        if (cur.IsEncrypted()) {
            std::string newPassword = z.Password;
            if (z.OnBadPassword)
                z.OnBadPassword(&z, index, newPassword);
            if (newPassword != z.Password) {
                z.Password = newPassword;
                retry = true;
            } else if (z.OnSkippingFile) {
                z.OnSkippingFile(&z, srBadPassword, index);
            }
        } else if (z.OnBadCRC) {
            z.OnBadCRC(&z, crc, cur.Crc32, index);
        }
        if (!retry)
            --result;
    }
};

int TKestroUnZip::RunExtraction(bool testOnly)
{
    CancelRequested = false;
    struct Closer {
        TKestroUnZip* z;
        ~Closer() { z->CloseArchive(); }
    };
    OpenArchive();
    Closer closer{this};

    TExtractRun run(*this, testOnly);
    if (!testOnly) {
        std::string dest = destDir_.empty() ? CurrentDirectory() : destDir_;
        if (!DirectoryExists(dest))
            ForceDirectories(dest);
        run.base = IncludeTrailingSlash(dest);
    }

    TZipSortMode remembered = SortMode;
    bool switched = endCentral_.ThisDisk != 0 && SortMode != ByNone;
    struct ViewRestorer {
        TKestroUnZip* z;
        bool on;
        TZipSortMode mode;
        ~ViewRestorer()
        {
            if (on)
                z->SortEntries(mode);
        }
    } restorer{this, switched, remembered};
    if (switched)
        SortEntries(ByNone);

    int count = 0;
    for (int i = 0; i < EntryCount(); ++i) {
        TZipHeaderInfo& e = *sortedList_->Entry(i);
        e.Selected = DoAll;
        if (e.FileName().empty() && !RecreateDirs) {
            e.Selected = false;
            continue;
        }
        if (!e.Selected) {
            std::string name = e.FullName();
            for (const auto& pattern : FilesList)
                if (IsMatch(pattern, name)) {
                    e.Selected = true;
                    break;
                }
        }
        if (e.Selected) {
            ++count;
            run.totalBytes += e.UncompressedSize;
        }
    }

    bool stopNow = false;
    if (OnStartUnZipInfo)
        OnStartUnZipInfo(this, count, run.totalBytes, stopNow);
    run.result = count;
    if (count > 0 && !stopNow) {
        for (int i = 0; i < EntryCount(); ++i) {
            TZipHeaderInfo& e = *sortedList_->Entry(i);
            if (!DoAll && !e.Selected)
                continue;
            if (DoAll && !e.Selected && e.FileName().empty())
                continue;
            do
                run.ExtractEntry(i);
            while (run.retry);
        }
    }
    return run.result;
}

}  // namespace movrel
