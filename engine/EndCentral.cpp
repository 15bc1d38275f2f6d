#include "EndCentral.h"

#include "LFNFileStream.h"
#include "ZipFormat.h"

#include <vector>

namespace movrel {

void TEndCentral::Clear()
{
    Signature = kEndSig;
    ThisDisk = CentralStartDisk = EntriesThisDisk = TotalEntries = 0;
    CentralSize = CentralOffset = 0;
    CommentLength = 0;
    Comment.reset();
    CommentOffset = 0;
    CommentModified = false;
    RecordOffset = -1;
}

void TEndCentral::Assign(const TEndCentral& s)
{
    if (this == &s)
        return;
    Signature = s.Signature;
    ThisDisk = s.ThisDisk;
    CentralStartDisk = s.CentralStartDisk;
    EntriesThisDisk = s.EntriesThisDisk;
    TotalEntries = s.TotalEntries;
    CentralSize = s.CentralSize;
    CentralOffset = s.CentralOffset;
    CommentLength = s.CommentLength;
    CommentOffset = s.CommentOffset;
    RecordOffset = s.RecordOffset;
    if (s.Comment && s.CommentLength != 0) {
        Comment = s.Comment;
        CommentLength = uint16_t(Comment->size());
    } else {
        Comment.reset();
    }
}

bool TEndCentral::FindInStream(TLFNFileStream& stream)
{
    int64_t size = stream.Size();
    if (size < kEndSize)
        return false;
    int64_t window = size < kSearchWindow ? size : kSearchWindow;
    std::vector<uint8_t> buf(static_cast<size_t>(window));
    stream.Seek(size - window, TSeekOrigin::Begin);
    if (!stream.ReadExact(buf.data(), buf.size()))
        return false;
    for (int64_t i = window - kEndSize; i >= 0; --i) {
        const uint8_t* p = buf.data() + i;
        if (p[0] != 'P' || Get32(p) != kEndSig)
            continue;
        ThisDisk = Get16(p + eocd::ThisDisk);
        CentralStartDisk = Get16(p + eocd::CentralStartDisk);
        EntriesThisDisk = Get16(p + eocd::EntriesThisDisk);
        TotalEntries = Get16(p + eocd::TotalEntries);
        CentralSize = Get32(p + eocd::CentralSize);
        CentralOffset = Get32(p + eocd::CentralOffset);
        CommentLength = Get16(p + eocd::CommentLen);
        Comment.reset();
        RecordOffset = size - window + i;
        // The comment is what follows the record, however long the field says
        // it is; never reach outside the file.
        int64_t after = size - (RecordOffset + kEndSize);
        if (CommentLength > after)
            CommentLength = uint16_t(after);
        CommentOffset = uint32_t(size - CommentLength);
        return true;
    }
    return false;
}

void TEndCentral::WriteToStream(TLFNFileStream& stream) const
{
    uint8_t r[kEndSize];
    Put32(r + eocd::Sig, kEndSig);
    Put16(r + eocd::ThisDisk, ThisDisk);
    Put16(r + eocd::CentralStartDisk, CentralStartDisk);
    Put16(r + eocd::EntriesThisDisk, EntriesThisDisk);
    Put16(r + eocd::TotalEntries, TotalEntries);
    Put32(r + eocd::CentralSize, CentralSize);
    Put32(r + eocd::CentralOffset, CentralOffset);
    bool withComment = Comment && CommentLength != 0;
    Put16(r + eocd::CommentLen, withComment ? CommentLength : 0);
    stream.WriteAll(r, kEndSize);
    if (withComment)
        stream.WriteAll(Comment->data(), CommentLength);
}

}  // namespace movrel
