// POSIX calls the engine makes, for the Windows stubs (MinGW-w64). This
// header is put in front of every source the Windows stubs compile (the
// compiler's -include), so the engine's files build unchanged. Names are
// UTF-8 throughout, as in the engine; the calls below take them to the
// system's UTF-16 functions. Files are always opened in binary mode.
//
// What Windows has no equivalent for is answered harmlessly: there are no
// symbolic links (lstat is stat), no permission bits to set (fchmod does
// nothing), and readlink fails.
#pragma once

#ifdef _WIN32

#ifndef _POSIX_THREAD_SAFE_FUNCTIONS
#define _POSIX_THREAD_SAFE_FUNCTIONS 200112L  // localtime_r
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

// ---- file status ----
#undef stat
#undef fstat
#undef lstat
struct movrel_stat {
    unsigned long st_dev;
    unsigned long long st_ino;
    unsigned short st_mode;
    long long st_size;
    time_t st_mtime;
    struct timespec st_mtim;
};
int movrel_stat(const char* path, struct movrel_stat* st);
int movrel_fstat(int fd, struct movrel_stat* st);
#define stat movrel_stat
#define fstat movrel_fstat
#define lstat movrel_stat
#ifndef S_ISLNK
#define S_ISLNK(m) 0
#endif

// ---- opening, naming, removing ----
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
int movrel_open(const char* path, int flags, int mode = 0666);
int movrel_mkdir(const char* path, int mode);
int movrel_unlink(const char* path);
int movrel_rename(const char* from, const char* to);  // replaces an existing file
int movrel_mkstemp(char* templ);
int movrel_chdir(const char* path);
char* movrel_getcwd(char* buf, size_t size);  // with '/' separators
int movrel_readlink(const char* path, char* buf, size_t size);
#define open(...) movrel_open(__VA_ARGS__)
#define mkdir(p, m) movrel_mkdir(p, m)
#define unlink(p) movrel_unlink(p)
#define rename(a, b) movrel_rename(a, b)
#define mkstemp(t) movrel_mkstemp(t)
#define chdir(p) movrel_chdir(p)
#define getcwd(b, n) movrel_getcwd(b, n)
#define readlink(p, b, n) movrel_readlink(p, b, n)

#undef lseek
#define lseek(fd, off, whence) _lseeki64(fd, off, whence)
#define fsync(fd) _commit(fd)

// ---- times and modes ----
#ifndef AT_FDCWD
#define AT_FDCWD (-100)
#endif
#ifndef UTIME_OMIT
#define UTIME_OMIT ((1l << 30) - 2l)
#endif
int movrel_utimensat(int dirfd, const char* path, const struct timespec times[2], int flags);
int movrel_futimens(int fd, const struct timespec times[2]);
#define utimensat movrel_utimensat
#define futimens movrel_futimens
inline int fchmod(int, int) { return 0; }

#endif  // _WIN32
