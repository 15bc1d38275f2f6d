#include "ZipWriterOutput.h"

#include "EngineErrors.h"
#include "FileUtils.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace movrel {

namespace {

std::string ProcPath(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

mode_t DefaultMode()
{
    mode_t m = ::umask(0);
    ::umask(m);
    return 0666 & ~m;
}

std::string DirOf(const std::string& path)
{
    std::string dir = ExtractFilePath(path);
    if (dir.empty())
        return ".";
    if (dir.size() > 1)
        dir.pop_back();
    return dir;
}

// A name for a link or copy beside the target that no other file has yet
// (the caller's create or link fails with EEXIST otherwise, and tries again).
std::string SiblingName(const std::string& dir, unsigned attempt)
{
    static std::atomic<unsigned> counter{0};
    unsigned n = counter++ * 7919u + attempt * 104729u + unsigned(::getpid()) * 31u + unsigned(::time(nullptr));
    char buf[32];
    std::snprintf(buf, sizeof buf, ".QZT%08x", n);
    return dir + "/" + buf;
}

void SyncDirectory(const std::string& dir)
{
    int d = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0)
        return;
    ::fsync(d);
    ::close(d);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw EFileError(SystemErrorText(what, path, err));
}

}  // namespace

std::string ResolveLinks(const std::string& path)
{
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        std::vector<char> buf(size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        ssize_t n = ::readlink(p.c_str(), buf.data(), buf.size() - 1);
        if (n < 0)
            return p;
        std::string link(buf.data(), size_t(n));
        p = !link.empty() && link[0] == '/' ? link : ExtractFilePath(p) + link;
    }
    return p;
}

TZipOutputFile::TZipOutputFile(const std::string& dir) : dir_(dir.empty() ? std::string(".") : dir)
{
#ifdef O_TMPFILE
    int fd = ::open(dir_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) {
        try {
            stream_ = std::make_unique<TLFNFileStream>(ProcPath(fd), TOpenMode::ReadWrite);
        } catch (const EFileError&) {
            stream_.reset();
        }
        ::close(fd);  // the stream holds the file open through its own descriptor
        if (stream_) {
            display_ = dir_ + "/(temporary file)";
            return;
        }
    }
#endif
    tempName_ = TempFileName(dir_, "QZT");
    try {
        stream_ = std::make_unique<TLFNFileStream>(tempName_, TOpenMode::Create);
    } catch (...) {
        ::unlink(tempName_.c_str());
        throw;
    }
    display_ = tempName_;
}

TZipOutputFile::~TZipOutputFile()
{
    Discard();
}

void TZipOutputFile::Discard() noexcept
{
    stream_.reset();
    if (!tempName_.empty())
        ::unlink(tempName_.c_str());
    tempName_.clear();
}

void TZipOutputFile::Commit(const std::string& target, int64_t length)
{
    stream_->Flush(false);
    int fd = stream_->Handle();
    if (::ftruncate(fd, length) != 0)
        Fail("Cannot write file", display_, errno);
    if (::fsync(fd) != 0)
        Fail("Cannot write file", display_, errno);

    std::string real = ResolveLinks(target);
    std::string dir = DirOf(real);
    struct stat old;
    bool existed = ::stat(real.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode))
        Fail("Cannot create file", real, EISDIR);
    mode_t mode = existed ? (old.st_mode & 07777) : DefaultMode();
    if (::fchmod(fd, mode) != 0)
        Fail("Cannot create file", display_, errno);
    if (existed && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // not ours to give away: the file stays the writer's, with the old mode
    }

    struct stat mine, target_dir;
    if (::fstat(fd, &mine) != 0)
        Fail("Cannot read file", display_, errno);
    if (::stat(dir.c_str(), &target_dir) != 0)
        Fail("Cannot create file", real, errno);
    bool sameFs = mine.st_dev == target_dir.st_dev;

    if (sameFs && !tempName_.empty()) {
        if (::rename(tempName_.c_str(), real.c_str()) != 0)
            Fail("Cannot create file", real, errno);
        tempName_.clear();
    } else if (sameFs) {
        std::string link;
        int err = EEXIST;
        for (unsigned attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
            link = SiblingName(dir, attempt);
            err = ::linkat(AT_FDCWD, ProcPath(fd).c_str(), AT_FDCWD, link.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
        }
        if (err != 0) {
            PlaceNextTo(real, fd);  // no way to name the file here: copy it
        } else if (::rename(link.c_str(), real.c_str()) != 0) {
            err = errno;
            ::unlink(link.c_str());
            Fail("Cannot create file", real, err);
        }
    } else {
        PlaceNextTo(real, fd);
    }
    SyncDirectory(dir);
    done_ = true;
    Discard();
}

// Copies the output next to the target under a temporary name and renames
// that copy over the target.
void TZipOutputFile::PlaceNextTo(const std::string& real, int fd)
{
    std::string dir = DirOf(real);
    std::string name = dir + "/.QZTXXXXXX";
    int out = ::mkstemp(name.data());
    if (out < 0)
        Fail("Cannot create a temporary file in", dir, errno);
    struct Cleanup {
        int fd;
        std::string name;
        bool keep = false;
        ~Cleanup()
        {
            if (fd >= 0)
                ::close(fd);
            if (!keep)
                ::unlink(name.c_str());
        }
    } cleanup{out, name};

    std::vector<char> block(1 << 20);
    for (off_t pos = 0;;) {
        ssize_t got = ::pread(fd, block.data(), block.size(), pos);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail("Cannot read file", display_, errno);
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::write(out, block.data() + done, size_t(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                Fail("Cannot write file", name, put < 0 ? errno : ENOSPC);
            done += put;
        }
        pos += got;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0) {
        ::fchmod(out, st.st_mode & 07777);
        if (::fchown(out, st.st_uid, st.st_gid) != 0) {
            // keep the copy's own owner
        }
    }
    if (::fsync(out) != 0)
        Fail("Cannot write file", name, errno);
    int closed = ::close(out);
    cleanup.fd = -1;
    if (closed != 0)
        Fail("Cannot write file", name, errno);
    if (::rename(name.c_str(), real.c_str()) != 0)
        Fail("Cannot create file", real, errno);
    cleanup.keep = true;
}

}  // namespace movrel
