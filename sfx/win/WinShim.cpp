// The POSIX calls of WinShim.h over the UTF-16 functions of Windows.
#include <windows.h>

#include "WinShim.h"

#include <share.h>
#include <string>
#include <sys/statvfs.h>
#include <sys/utime.h>

namespace {

std::wstring Wide(const char* utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, w.data(), n);
    w.resize(size_t(n - 1));
    return w;
}

std::string Narrow(const wchar_t* w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(size_t(n - 1));
    return s;
}

void Fill(const struct _stat64& in, struct movrel_stat* out)
{
    out->st_dev = (unsigned long)in.st_dev;
    out->st_ino = in.st_ino;
    out->st_mode = in.st_mode;
    out->st_size = in.st_size;
    out->st_mtime = time_t(in.st_mtime);
    out->st_mtim.tv_sec = time_t(in.st_mtime);
    out->st_mtim.tv_nsec = 0;
}

int ErrnoFromWin(DWORD e)
{
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return EACCES;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS: return EEXIST;
    case ERROR_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

}  // namespace

int movrel_stat(const char* path, struct movrel_stat* st)
{
    std::wstring w = Wide(path);
    // _wstat64 refuses a trailing separator on anything but a root
    while (w.size() > 3 && (w.back() == L'/' || w.back() == L'\\'))
        w.pop_back();
    struct _stat64 s;
    if (_wstat64(w.c_str(), &s) != 0)
        return -1;
    Fill(s, st);
    return 0;
}

int movrel_fstat(int fd, struct movrel_stat* st)
{
    struct _stat64 s;
    if (_fstat64(fd, &s) != 0)
        return -1;
    Fill(s, st);
    return 0;
}

int movrel_open(const char* path, int flags, int mode)
{
    int fd = -1;
    int pmode = (mode & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD;
    errno_t e = _wsopen_s(&fd, Wide(path).c_str(), flags | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, pmode);
    if (e != 0) {
        errno = e;
        return -1;
    }
    return fd;
}

int movrel_mkdir(const char* path, int)
{
    return _wmkdir(Wide(path).c_str());
}

int movrel_unlink(const char* path)
{
    return _wunlink(Wide(path).c_str());
}

int movrel_rename(const char* from, const char* to)
{
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        return 0;
    errno = ErrnoFromWin(GetLastError());
    return -1;
}

int movrel_mkstemp(char* templ)
{
    size_t len = std::char_traits<char>::length(templ);
    if (len < 6) {
        errno = EINVAL;
        return -1;
    }
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static unsigned long long seed = GetTickCount64() ^ (unsigned long long)GetCurrentProcessId() << 20;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (size_t i = len - 6; i < len; ++i) {
            seed = seed * 6364136223846793005ull + 1442695040888963407ull;
            templ[i] = kChars[(seed >> 33) % 36];
        }
        int fd = -1;
        errno_t e = _wsopen_s(&fd, Wide(templ).c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                              _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (e == 0)
            return fd;
        if (e != EEXIST) {
            errno = e;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

int movrel_chdir(const char* path)
{
    return _wchdir(Wide(path).c_str());
}

char* movrel_getcwd(char* buf, size_t size)
{
    wchar_t* w = _wgetcwd(nullptr, 0);
    if (!w)
        return nullptr;
    std::string s = Narrow(w);
    free(w);
    for (char& c : s)
        if (c == '\\')
            c = '/';
    if (s.size() + 1 > size) {
        errno = ERANGE;
        return nullptr;
    }
    s.copy(buf, s.size());
    buf[s.size()] = '\0';
    return buf;
}

int movrel_readlink(const char*, char*, size_t)
{
    errno = EINVAL;
    return -1;
}

int movrel_utimensat(int, const char* path, const struct timespec times[2], int)
{
    struct movrel_stat st;
    if (movrel_stat(path, &st) != 0)
        return -1;
    struct __utimbuf64 t;
    t.actime = times[0].tv_nsec == UTIME_OMIT ? st.st_mtime : times[0].tv_sec;
    t.modtime = times[1].tv_nsec == UTIME_OMIT ? st.st_mtime : times[1].tv_sec;
    return _wutime64(Wide(path).c_str(), &t);
}

int movrel_futimens(int fd, const struct timespec times[2])
{
    struct __utimbuf64 t;
    t.actime = times[0].tv_sec;
    t.modtime = times[1].tv_sec;
    return _futime64(fd, &t);
}

int statvfs(const char* path, struct statvfs* out)
{
    ULARGE_INTEGER avail;
    if (!GetDiskFreeSpaceExW(Wide(path).c_str(), &avail, nullptr, nullptr)) {
        errno = ErrnoFromWin(GetLastError());
        return -1;
    }
    out->f_bavail = avail.QuadPart;
    out->f_frsize = 1;
    return 0;
}
