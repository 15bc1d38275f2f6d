// Recursive wildcard file search. A TDirSearch walks a directory tree depth
// first and returns, one per Next call, the full path of every file whose
// name matches a mask (IsMatch); directories themselves are never returned.
//
// - StartPath may hold wildcards in its directory parts: with
//   "/data/*/logs" the search lists every directory "logs" one level below
//   a directory of /data that matches "*", and searches each with the mask
//   (and below it when recursing). Directory-name patterns follow IsMatch.
// - Each directory's entries are taken in byte order of their names, so the
//   results are the same on every run (the system's own order is arbitrary);
//   a subdirectory is searched as soon as it is met, before the rest of its
//   parent.
// - Hidden files are found; directories whose names begin with '.' are not
//   descended into. Symbolic links to files are returned (with the size and
//   time of their target); symbolic links to directories and dangling links
//   are passed over, so a link cannot make the search loop.
// - A file name without a dot is matched as if it ended in '.', so "*.*"
//   finds it too; it is returned under its own name.
// - An unreadable directory yields nothing and the search goes on.
// - There is no depth limit: the level stack grows as the tree requires.
// - Paths are built from StartPath as given ('/' appended when missing), so
//   a relative StartPath gives paths relative to the current directory; an
//   empty StartPath searches the current directory and gives bare relative
//   paths ("a.txt", "sub/b.txt"). The process's current directory is never
//   changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace movrel {

// One directory entry found by the search.
struct TSearchEntry {
    // MS-DOS attribute bits. A file is read-only when its owner may not
    // write it; every file counts as having its archive bit set.
    static constexpr uint32_t faReadOnly = 0x01;
    static constexpr uint32_t faDirectory = 0x10;
    static constexpr uint32_t faArchive = 0x20;

    std::string Name;        // as listed, without a directory
    uint32_t Attributes = 0;
    uint64_t Size = 0;
    time_t ModTime = 0;      // seconds since the epoch (convert to MS-DOS time when storing)
};

// One level of the search: a directory's sorted listing and the position in it.
struct TSearchData {
    struct TItem {
        std::string Name;
        unsigned char Type;  // d_type of the listing (DT_UNKNOWN when the file system does not tell)
    };
    std::string Dir;          // ends in '/', or empty for the current directory
    std::string Pattern;      // directory-name pattern on a wildcard level, else the mask
    std::vector<TItem> Items; // without "." and ".."
    size_t Index = 0;         // next item to look at
    bool NothingFound = false; // the directory could not be listed or was empty
};

class TDirSearch {
public:
    TDirSearch(std::string startPath, bool recurse, std::string mask);

    // The full path of the next matching file, with entry filled in; the
    // empty string once the search is exhausted (and on every later call).
    std::string Next(TSearchEntry& entry);

private:
    void PushLevel(std::string dir, std::string pattern);

    std::vector<TSearchData> m_levels;        // the stack; back() is current
    std::vector<std::string> m_dirPatterns;   // one per wildcard level below the fixed directory
    std::string m_mask;
    bool m_recurse;
};

}  // namespace movrel
