// statvfs for the Windows stubs: the free space of the volume holding a
// path, through GetDiskFreeSpaceExW (see WinShim.cpp).
#pragma once

struct statvfs {
    unsigned long long f_bavail;  // blocks of f_frsize bytes available
    unsigned long f_frsize;
};

int statvfs(const char* path, struct statvfs* out);
