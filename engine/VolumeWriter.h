// TVolumeWriter: lays a finished single-file archive out over volumes —
// numbered block files (mmBlocks) or one file per "disk" (mmSpan, a target
// folder whose free space is the disk's capacity). Local and central
// headers are never split; entry data and the central directory continue
// from volume to volume; the end record is on the last volume. Each
// entry's volume (DiskNumberStart) and offset on it are updated.
#pragma once

#include "EndCentral.h"
#include "KestroUnZip.h"
#include "LFNFileStream.h"
#include "ZipHeaderInfo.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace movrel {

class TVolumeWriter {
public:
    // The file name for volume n (1-based) of a spanned set; empty cancels.
    using TAskNext = std::function<std::string(int n, const std::string& current)>;

    // firstName: the archive's name (mmSpan: the first volume's file;
    // mmBlocks: the name whose extension becomes .001, .002, ...).
    TVolumeWriter(TMultiMode mode, const std::string& firstName, int64_t firstBlockSize, int64_t blockSize,
                  TAskNext askNext);
    // On failure the volume being written is removed; finished ones stay.
    ~TVolumeWriter();
    TVolumeWriter(const TVolumeWriter&) = delete;
    TVolumeWriter& operator=(const TVolumeWriter&) = delete;

    // Copies the archive in source (entries in write order, whose
    // LocalHeaderOffset and CompressedSize locate them in source) onto the
    // volumes and writes the central directory and end record. Throws
    // EUserCanceled "User canceled Zip operation." when the next volume is
    // refused, ELimitError when a volume cannot hold even one header, and
    // the stream errors.
    void Write(TLFNFileStream& source, const std::vector<TZipHeaderInfo*>& entries, TEndCentral& end);

    // After Write: the blocks' final naming. A single block is renamed to
    // the archive's own name; otherwise the archive is the last block.
    // Answers the archive's name.
    std::string FinishNaming();

    int VolumeCount() const { return currentDisk_ + 1; }
    const std::vector<std::string>& VolumeNames() const { return names_; }

    // mmBlocks: name with its extension replaced by "." + n in three digits.
    static std::string BlockName(const std::string& name, int n);

private:
    int64_t Room() const { return capacity_ - stream_->Position(); }
    void OpenVolume(const std::string& name);
    void NextVolume();
    void Copy(TLFNFileStream& source, int64_t count);

    TMultiMode mode_;
    std::string firstName_;
    int64_t firstBlockSize_, blockSize_;
    TAskNext askNext_;
    std::unique_ptr<TLFNFileStream> stream_;
    std::string currentName_;
    std::vector<std::string> names_;
    int currentDisk_ = 0;
    int64_t capacity_ = 0;
    bool finished_ = false;
    std::vector<uint8_t> buffer_;
};

}  // namespace movrel
