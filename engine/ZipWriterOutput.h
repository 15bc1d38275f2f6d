// TZipOutputFile: the file a new or rewritten archive is written into, and
// its atomic replacement of the target file.
//
// The file is created without a name where the file system allows it
// (O_TMPFILE), so a process killed while writing leaves nothing behind;
// elsewhere it is a named temporary file "QZTxxxxxx" (TempFileName). It
// gets a name only when it is committed: it is flushed to disk, given the
// target's permissions, linked (or, from another file system, copied) next
// to the target under a temporary name, and renamed over the target in one
// step. At no moment is the target half-written. A target reached through
// symbolic links is replaced where the links lead.
#pragma once

#include "LFNFileStream.h"

#include <memory>
#include <string>

namespace movrel {

class TZipOutputFile {
public:
    // An empty output file in dir. Throws EFileError when none can be made.
    explicit TZipOutputFile(const std::string& dir);
    // Discards the file when it was not committed.
    ~TZipOutputFile();
    TZipOutputFile(const TZipOutputFile&) = delete;
    TZipOutputFile& operator=(const TZipOutputFile&) = delete;

    TLFNFileStream& Stream() { return *stream_; }
    // For messages: the named temporary file, or "<folder>/(temporary file)".
    const std::string& DisplayName() const { return display_; }
    // The temporary file's name; empty for an unnamed file.
    const std::string& TempName() const { return tempName_; }

    // Cuts the file at length, flushes it to disk and puts it in place of
    // target (see above). The permissions of an existing target are kept
    // (its owner and group too where the system allows); a new target gets
    // 0666 less the umask. Throws EFileError; the target is then unchanged
    // and no temporary name is left behind.
    void Commit(const std::string& target, int64_t length);

    // Closes and removes the file (nothing happens after Commit).
    void Discard() noexcept;

private:
    void PlaceNextTo(const std::string& target, int fd);

    std::unique_ptr<TLFNFileStream> stream_;
    std::string dir_;
    std::string tempName_;  // named temporary file, removed by Discard
    std::string display_;
    bool done_ = false;
};

// The file a path leads to after following symbolic links (also when the
// last link dangles); the path itself when it is not a link.
std::string ResolveLinks(const std::string& path);

}  // namespace movrel
