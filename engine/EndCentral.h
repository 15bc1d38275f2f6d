// The end-of-central-directory record and the archive comment.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace movrel {

class TLFNFileStream;

class TEndCentral {
public:
    static constexpr int kSearchWindow = 65528;

    uint32_t Signature = 0x06054B50;
    uint16_t ThisDisk = 0;
    uint16_t CentralStartDisk = 0;
    uint16_t EntriesThisDisk = 0;
    uint16_t TotalEntries = 0;
    uint32_t CentralSize = 0;
    uint32_t CentralOffset = 0;
    uint16_t CommentLength = 0;
    std::optional<std::string> Comment;
    uint32_t CommentOffset = 0;
    bool CommentModified = false;
    // Where the record was found (not part of the record).
    int64_t RecordOffset = -1;

    void Clear();
    void Assign(const TEndCentral& source);
    // Backward search over the last 65528 bytes; the last signature wins.
    bool FindInStream(TLFNFileStream& stream);
    void WriteToStream(TLFNFileStream& stream) const;
    bool HasComment() const { return CommentLength != 0; }
    uint32_t RecordSize() const { return 22u + CommentLength; }
};

}  // namespace movrel
