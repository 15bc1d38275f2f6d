#include "FileUtils.h"

#include "EngineErrors.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace movrel {

namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err)
{
    throw EFileError(SystemErrorText(what, path, err));
}

// Closes a descriptor on every path out of a function.
class TFd {
public:
    explicit TFd(int fd) : m_fd(fd) {}
    ~TFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return m_fd; }
    // Close now so that a failing close (delayed write error) is seen.
    int Close()
    {
        int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

struct stat StatOrThrow(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        Fail("Cannot examine", path, errno);
    return st;
}

uint64_t StatvfsFreeSpace(const std::string& path)
{
    struct statvfs vfs;
    if (::statvfs(path.c_str(), &vfs) != 0)
        Fail("Cannot examine", path, errno);
    return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

TDiskFreeSpaceFn& DiskFreeSpaceHook()
{
    static TDiskFreeSpaceFn hook;
    return hook;
}

std::string Replace(std::string_view s, char from, char to)
{
    std::string out(s);
    for (char& c : out)
        if (c == from)
            c = to;
    return out;
}

}  // namespace

std::string LeftStr(std::string_view s, size_t n)
{
    return std::string(s.substr(0, n));
}

std::string RightStr(std::string_view s, size_t n)
{
    return std::string(n >= s.size() ? s : s.substr(s.size() - n));
}

std::string ToForwardSlashes(std::string_view s)
{
    return Replace(s, '\\', '/');
}

std::string ToBackslashes(std::string_view s)
{
    return Replace(s, '/', '\\');
}

std::string ExtractFilePath(std::string_view path, char sep)
{
    size_t pos = path.rfind(sep);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ExtractFileName(std::string_view path, char sep)
{
    size_t pos = path.rfind(sep);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtractFileExt(std::string_view path, char sep)
{
    std::string name = ExtractFileName(path, sep);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string IncludeTrailingSlash(std::string_view path)
{
    std::string out(path);
    if (!out.empty() && out.back() != '/')
        out += '/';
    return out;
}

void ForceDirectories(const std::string& path)
{
    if (path.empty())
        Fail("Cannot create directory", path, ENOENT);
    if (DirectoryExists(path))
        return;
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    std::string parent = ExtractFilePath(trimmed);
    if (!parent.empty() && !DirectoryExists(parent))
        ForceDirectories(parent);
    if (::mkdir(trimmed.c_str(), 0777) != 0) {
        int err = errno;
        // Another process may have made it in the meantime.
        if (err == EEXIST && DirectoryExists(trimmed))
            return;
        Fail("Cannot create directory", trimmed, err);
    }
}

bool DirectoryExists(const std::string& path)
{
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& name)
{
    struct stat st;
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string CurrentDirectory()
{
    std::vector<char> buf(4096);
    while (::getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE)
            Fail("Cannot read the current directory", ".", errno);
        buf.resize(buf.size() * 2);
    }
    return std::string(buf.data());
}

void ChangeDirectory(const std::string& path)
{
    if (::chdir(path.c_str()) != 0)
        Fail("Cannot change to directory", path, errno);
}

void CopyFileBlocks(const std::string& source, const std::string& dest)
{
    TFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0)
        Fail("Cannot open", source, errno);
    struct stat srcStat;
    if (::fstat(in.Get(), &srcStat) != 0)
        Fail("Cannot examine", source, errno);
    if (S_ISDIR(srcStat.st_mode))
        Fail("Cannot open", source, EISDIR);
    struct stat dstStat;
    if (::stat(dest.c_str(), &dstStat) == 0 && dstStat.st_dev == srcStat.st_dev && dstStat.st_ino == srcStat.st_ino)
        Fail("Cannot copy a file onto itself", dest, 0);
    TFd out(::open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (out.Get() < 0)
        Fail("Cannot create", dest, errno);

    std::vector<char> block(64 * 1024);
    for (;;) {
        ssize_t got = ::read(in.Get(), block.data(), block.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail("Cannot read", source, errno);
        if (got == 0)
            break;
        // A partial write is continued; one that writes nothing, or fails,
        // ends the copy with an error rather than a silently short file.
        for (ssize_t done = 0; done < got;) {
            ssize_t put = ::write(out.Get(), block.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0)
                Fail("Cannot write", dest, errno);
            if (put == 0)
                Fail("Cannot write", dest, ENOSPC);
            done += put;
        }
    }
    if (out.Close() != 0)
        Fail("Cannot write", dest, errno);
}

std::string TempDirectory()
{
    const char* env = std::getenv("TMPDIR");
    std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string TempFileName(const std::string& dir, const std::string& prefix)
{
    std::string base = dir.empty() ? TempDirectory() : dir;
    std::string name = IncludeTrailingSlash(base) + prefix + "XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    int fd = ::mkstemp(buf.data());
    if (fd < 0)
        Fail("Cannot create a temporary file in", base, errno);
    ::close(fd);
    return std::string(buf.data());
}

std::string GetVolumeLabel(const std::string&)
{
    return std::string();
}

bool SetVolumeLabel(const std::string&, const std::string&)
{
    return false;
}

std::string ShortPathName(const std::string& path)
{
    return path;
}

time_t FileModTime(const std::string& path)
{
    return StatOrThrow(path).st_mtime;
}

void SetFileModTime(const std::string& path, time_t modTime)
{
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = modTime;
    times[1].tv_nsec = 0;
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        Fail("Cannot set the time of", path, errno);
}

uint64_t FileSize(const std::string& path)
{
    return static_cast<uint64_t>(StatOrThrow(path).st_size);
}

uint64_t DiskFreeSpace(const std::string& path)
{
    const TDiskFreeSpaceFn& hook = DiskFreeSpaceHook();
    return hook ? hook(path) : StatvfsFreeSpace(path);
}

void SetDiskFreeSpaceHook(TDiskFreeSpaceFn hook)
{
    DiskFreeSpaceHook() = std::move(hook);
}

bool SameFileSystem(const std::string& a, const std::string& b)
{
    struct stat sa;
    struct stat sb;
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

}  // namespace movrel
