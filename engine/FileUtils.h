// Path and file helpers shared by the reader and the writer. Paths on disk
// are POSIX paths with '/'; stored entry paths keep '\' (ToBackslashes and
// ToForwardSlashes convert between the two). Every helper is thin; those that
// fail throw EFileError whose message names the file and the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

namespace movrel {

// The first / last n bytes of s (all of s when it is shorter).
std::string LeftStr(std::string_view s, size_t n);
std::string RightStr(std::string_view s, size_t n);

// Every '\' becomes '/' / every '/' becomes '\'.
std::string ToForwardSlashes(std::string_view s);
std::string ToBackslashes(std::string_view s);

// The directory part of path up to and including its last separator (empty
// when there is none), the name after it, and the name's extension from its
// last '.' on ("" when the name has no dot; ".profile" for ".profile").
// sep is '/' for disk paths, '\' for stored entry paths.
std::string ExtractFilePath(std::string_view path, char sep = '/');
std::string ExtractFileName(std::string_view path, char sep = '/');
std::string ExtractFileExt(std::string_view path, char sep = '/');

// path with a '/' appended when it does not end in one. The empty path stays
// empty (it stands for the current directory in a join) rather than
// becoming the root.
std::string IncludeTrailingSlash(std::string_view path);

// Create path and every missing parent (mode 0777 less the umask). An
// existing directory is fine; throws EFileError when a part cannot be
// created or exists as something other than a directory.
void ForceDirectories(const std::string& path);

// Existence tests; both follow symbolic links. FileExists is true for any
// existing non-directory (regular file, device, fifo, ...).
bool DirectoryExists(const std::string& path);
bool FileExists(const std::string& name);

// The process's current directory (no trailing '/'), and changing it;
// ChangeDirectory throws EFileError.
std::string CurrentDirectory();
void ChangeDirectory(const std::string& path);

// Copy source to a new or truncated dest (mode 0666 less the umask) in 64 KiB
// blocks. Throws EFileError when source cannot be read, dest cannot be
// created or written in full, or both name the same file (which would
// otherwise be truncated to nothing). After a failure dest may hold part of
// the data; the caller removes it.
void CopyFileBlocks(const std::string& source, const std::string& dest);

// The system's temporary directory: $TMPDIR when set and not empty, else
// "/tmp"; without a trailing '/'.
std::string TempDirectory();

// Create a new empty file with a unique name "<dir>/<prefix>XXXXXX" (mode
// 0600, by mkstemp) and return its name. An empty dir means TempDirectory().
// Throws EFileError.
std::string TempFileName(const std::string& dir, const std::string& prefix = "QZT");

// Volume labels and 8.3 short names do not exist here: the label reads as
// empty, setting it reports failure, and the short name of a path is the
// path itself.
std::string GetVolumeLabel(const std::string& root);
bool SetVolumeLabel(const std::string& root, const std::string& label);
std::string ShortPathName(const std::string& path);

// Modification time and size of a file (following symbolic links); throw
// EFileError when it cannot be examined. SetFileModTime sets the
// modification time and leaves the access time alone.
time_t FileModTime(const std::string& path);
void SetFileModTime(const std::string& path, time_t modTime);
uint64_t FileSize(const std::string& path);

// Bytes available to this user on the file system holding path. The engine
// asks through this one function; by default it is statvfs (f_bavail *
// f_frsize, throwing EFileError when path cannot be examined). Tests
// replace it to simulate small disks; passing nullptr restores the default.
using TDiskFreeSpaceFn = std::function<uint64_t(const std::string&)>;
uint64_t DiskFreeSpace(const std::string& path);
void SetDiskFreeSpaceHook(TDiskFreeSpaceFn hook);

// True when both paths exist and lie on the same file system (device), so a
// rename between them can replace one with the other atomically.
bool SameFileSystem(const std::string& a, const std::string& b);

}  // namespace movrel
