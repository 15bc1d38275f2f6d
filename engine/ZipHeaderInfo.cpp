#include "ZipHeaderInfo.h"

#include "DosDateTime.h"
#include "EntryNames.h"
#include "LFNFileStream.h"
#include "ZipFormat.h"

namespace movrel {

void TZipHeaderInfo::UpdateStoredName()
{
    bool utf8 = false;
    storedName_ = EncodeStoredName(directory_ + fileName_, utf8, GeneralFlags & kFlagUtf8);
    for (char& c : storedName_)
        if (c == '\\')
            c = '/';
    if (utf8)
        GeneralFlags |= kFlagUtf8;
    FileNameLength = uint16_t(storedName_.size() > 0xFFFF ? 0xFFFF : storedName_.size());
}

void TZipHeaderInfo::SetFileName(const std::string& text)
{
    if (text == fileName_)
        return;
    fileName_ = text;
    UpdateStoredName();
}

void TZipHeaderInfo::SetDirectory(const std::string& text)
{
    std::string dir = text;
    if (!dir.empty() && dir.back() != '\\')
        dir += '\\';
    if (dir == directory_)
        return;
    directory_ = dir;
    UpdateStoredName();
}

void TZipHeaderInfo::SetPath(const std::string& path)
{
    size_t cut = path.find_last_of("\\:");
    if (cut == std::string::npos) {
        SetDirectory("");
        SetFileName(path);
    } else {
        SetFileName(path.substr(cut + 1));
        SetDirectory(path.substr(0, cut + 1));
    }
}

void TZipHeaderInfo::SetNameFromStored(const std::string& stored, std::string_view extra)
{
    std::string name = DecodeStoredName(stored, GeneralFlags, VersionMadeBy, extra);
    for (char& c : name)
        if (c == '/')
            c = '\\';
    size_t cut = name.find_last_of("\\:");
    if (cut == std::string::npos) {
        directory_.clear();
        fileName_ = name;
    } else {
        directory_ = name.substr(0, cut + 1);
        if (directory_.back() == ':')
            directory_ += '\\';
        fileName_ = name.substr(cut + 1);
    }
    storedName_ = stored;
    FileNameLength = uint16_t(stored.size());
}

void TZipHeaderInfo::SetFileComment(std::optional<std::string> text)
{
    comment_ = std::move(text);
    FileCommentLength = comment_ ? uint16_t(comment_->size() > 0xFFFF ? 0xFFFF : comment_->size()) : 0;
    if (comment_ && comment_->size() > 0xFFFF)
        comment_->resize(0xFFFF);
}

void TZipHeaderInfo::SetExtraField(std::string bytes)
{
    if (bytes.size() > 0xFFFF)
        bytes.resize(0xFFFF);
    ExtraField = std::move(bytes);
    ExtraFieldLength = uint16_t(ExtraField.size());
}

void TZipHeaderInfo::Assign(const TZipHeaderInfo& s)
{
    if (this == &s)
        return;
    VersionMadeBy = s.VersionMadeBy;
    VersionNeeded = s.VersionNeeded;
    GeneralFlags = s.GeneralFlags;
    CompressionMethod = s.CompressionMethod;
    DosDateTime = s.DosDateTime;
    Crc32 = s.Crc32;
    CompressedSize = s.CompressedSize;
    UncompressedSize = s.UncompressedSize;
    FileNameLength = s.FileNameLength;
    ExtraFieldLength = s.ExtraFieldLength;
    FileCommentLength = s.FileCommentLength;
    DiskNumberStart = s.DiskNumberStart;
    InternalAttributes = s.InternalAttributes;
    ExternalAttributes = s.ExternalAttributes;
    LocalHeaderOffset = s.LocalHeaderOffset;
    CentralHeaderOffset = s.CentralHeaderOffset;
    ExtraField = s.ExtraField;
    fileName_ = s.fileName_;
    directory_ = s.directory_;
    storedName_ = s.storedName_;
    comment_ = s.comment_;
    Selected = s.Selected;
}

void TZipHeaderInfo::FillFromCentral(const uint8_t* h, const std::string& storedName, std::string extra)
{
    VersionMadeBy = Get16(h + cdh::VersionMadeBy);
    VersionNeeded = Get16(h + cdh::VersionNeeded);
    GeneralFlags = Get16(h + cdh::Flags);
    CompressionMethod = Get16(h + cdh::Method);
    DosDateTime = NormalizeDosDateTime(Get32(h + cdh::DosTime));
    Crc32 = Get32(h + cdh::Crc);
    CompressedSize = Get32(h + cdh::CompSize);
    UncompressedSize = Get32(h + cdh::UncompSize);
    ExtraFieldLength = Get16(h + cdh::ExtraLen);
    FileCommentLength = Get16(h + cdh::CommentLen);
    DiskNumberStart = Get16(h + cdh::DiskStart);
    InternalAttributes = Get16(h + cdh::IntAttr);
    ExternalAttributes = Get32(h + cdh::ExtAttr);
    LocalHeaderOffset = Get32(h + cdh::LocalOffset);
    CentralHeaderOffset = 0;
    ExtraField = std::move(extra);
    SetNameFromStored(storedName, ExtraField);
    comment_.reset();
    Selected = false;
}

void TZipHeaderInfo::FillFromLocal(const uint8_t* h, const std::string& storedName)
{
    VersionMadeBy = 0;
    VersionNeeded = Get16(h + lfh::VersionNeeded);
    GeneralFlags = Get16(h + lfh::Flags);
    CompressionMethod = Get16(h + lfh::Method);
    DosDateTime = NormalizeDosDateTime(Get32(h + lfh::DosTime));
    Crc32 = Get32(h + lfh::Crc);
    CompressedSize = Get32(h + lfh::CompSize);
    UncompressedSize = Get32(h + lfh::UncompSize);
    ExtraFieldLength = Get16(h + lfh::ExtraLen);
    FileCommentLength = 0;
    DiskNumberStart = 0;
    InternalAttributes = 0;
    ExternalAttributes = 0;
    LocalHeaderOffset = 0;
    CentralHeaderOffset = 0;
    ExtraField.clear();
    SetNameFromStored(storedName, {});
    comment_.reset();
    Selected = false;
}

bool TZipHeaderInfo::ReadCentral(TLFNFileStream*& stream, const std::function<TLFNFileStream*()>& nextVolume)
{
    int64_t p = stream->Position();
    uint8_t h[kCentralSize];
    size_t n = stream->Read(h, kCentralSize);
    if ((n == 0 || (n < size_t(kCentralSize) && !(n >= 4 && Get32(h) == kCentralSig))) && nextVolume) {
        stream = nextVolume();
        n += stream->Read(h, kCentralSize - n);  // over the bytes read before
    }
    if (n != size_t(kCentralSize) || Get32(h) != kCentralSig) {
        stream->Seek(p, TSeekOrigin::Begin);
        return false;
    }
    uint16_t nameLen = Get16(h + cdh::NameLen), extraLen = Get16(h + cdh::ExtraLen);
    std::string name(nameLen, '\0'), extra(extraLen, '\0');
    if ((nameLen && !stream->ReadExact(name.data(), nameLen)) ||
        (extraLen && !stream->ReadExact(extra.data(), extraLen))) {
        stream->Seek(p, TSeekOrigin::Begin);
        return false;
    }
    uint16_t commentLen = Get16(h + cdh::CommentLen);
    if (commentLen)
        stream->Seek(commentLen, TSeekOrigin::Current);
    FillFromCentral(h, name, std::move(extra));
    CentralHeaderOffset = uint32_t(p);
    return true;
}

bool TZipHeaderInfo::ReadLocal(TLFNFileStream& stream)
{
    int64_t p = stream.Position();
    uint8_t h[kLocalSize];
    if (!stream.ReadExact(h, kLocalSize) || Get32(h) != kLocalSig) {
        stream.Seek(p, TSeekOrigin::Begin);
        return false;
    }
    uint16_t nameLen = Get16(h + lfh::NameLen);
    std::string name(nameLen, '\0');
    if (nameLen && !stream.ReadExact(name.data(), nameLen)) {
        stream.Seek(p, TSeekOrigin::Begin);
        return false;
    }
    FillFromLocal(h, name);
    LocalHeaderOffset = uint32_t(p);
    return true;
}

void TZipHeaderInfo::EncodeCentral(uint8_t* h) const
{
    Put32(h + cdh::Sig, kCentralSig);
    Put16(h + cdh::VersionMadeBy, VersionMadeBy);
    Put16(h + cdh::VersionNeeded, VersionNeeded);
    Put16(h + cdh::Flags, GeneralFlags);
    Put16(h + cdh::Method, CompressionMethod);
    Put32(h + cdh::DosTime, DosDateTime);
    Put32(h + cdh::Crc, Crc32);
    Put32(h + cdh::CompSize, uint32_t(CompressedSize));
    Put32(h + cdh::UncompSize, UncompressedSize);
    Put16(h + cdh::NameLen, FileNameLength);
    Put16(h + cdh::ExtraLen, uint16_t(ExtraField.size()));
    Put16(h + cdh::CommentLen, comment_ ? FileCommentLength : 0);
    Put16(h + cdh::DiskStart, DiskNumberStart);
    Put16(h + cdh::IntAttr, InternalAttributes);
    Put32(h + cdh::ExtAttr, ExternalAttributes);
    Put32(h + cdh::LocalOffset, LocalHeaderOffset);
}

void TZipHeaderInfo::EncodeLocal(uint8_t* h) const
{
    Put32(h + lfh::Sig, kLocalSig);
    Put16(h + lfh::VersionNeeded, VersionNeeded);
    Put16(h + lfh::Flags, GeneralFlags);
    Put16(h + lfh::Method, CompressionMethod);
    Put32(h + lfh::DosTime, DosDateTime);
    Put32(h + lfh::Crc, Crc32);
    Put32(h + lfh::CompSize, uint32_t(CompressedSize));
    Put32(h + lfh::UncompSize, UncompressedSize);
    Put16(h + lfh::NameLen, FileNameLength);
    Put16(h + lfh::ExtraLen, uint16_t(ExtraField.size()));
}

// The extra-field length written always equals the bytes that follow, and
// a comment length is written only with the comment's bytes.
void TZipHeaderInfo::WriteCentral(TLFNFileStream& stream) const
{
    uint8_t h[kCentralSize];
    EncodeCentral(h);
    stream.WriteAll(h, kCentralSize);
    stream.WriteAll(storedName_.data(), FileNameLength);
    stream.WriteAll(ExtraField.data(), ExtraField.size());
    if (comment_ && FileCommentLength)
        stream.WriteAll(comment_->data(), FileCommentLength);
}

void TZipHeaderInfo::WriteLocal(TLFNFileStream& stream)
{
    LocalHeaderOffset = uint32_t(stream.Position());
    uint8_t h[kLocalSize];
    EncodeLocal(h);
    stream.WriteAll(h, kLocalSize);
    stream.WriteAll(storedName_.data(), FileNameLength);
    stream.WriteAll(ExtraField.data(), ExtraField.size());
}

}  // namespace movrel
