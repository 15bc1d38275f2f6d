// One archive entry: the central header's fields, the name split into
// Directory ("\" separators, ending in "\") and FileName, the file comment
// once loaded, and the selection mark of the current extraction.
#pragma once

#include "ObjectLists.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace movrel {

class TLFNFileStream;

class TZipHeaderInfo : public TObject {
public:
    uint16_t VersionMadeBy = 20;
    uint16_t VersionNeeded = 20;
    uint16_t GeneralFlags = 0;
    uint16_t CompressionMethod = 8;
    uint32_t DosDateTime = 0;
    uint32_t Crc32 = 0xFFFFFFFF;
    int64_t CompressedSize = 0;  // counted down while the entry is extracted
    uint32_t UncompressedSize = 0;
    uint16_t FileNameLength = 0;
    uint16_t ExtraFieldLength = 0;
    uint16_t FileCommentLength = 0;
    uint16_t DiskNumberStart = 0;
    uint16_t InternalAttributes = 1;
    uint32_t ExternalAttributes = 0x20;
    uint32_t LocalHeaderOffset = 0;
    uint32_t CentralHeaderOffset = 0;  // where the central header was read; never written
    bool Selected = false;

    // The extra-field bytes of the header this entry was read from (the
    // central header, or the local one after a scan). Written back with the
    // entry so that fields of other programs survive an update.
    std::string ExtraField;

    const std::string& FileName() const { return fileName_; }
    const std::string& Directory() const { return directory_; }
    std::string FullName() const { return directory_ + fileName_; }
    const std::optional<std::string>& FileComment() const { return comment_; }

    void SetFileName(const std::string& text);
    void SetDirectory(const std::string& text);
    void SetFileComment(std::optional<std::string> text);
    // Directory and FileName from a path with "\" separators (split at the
    // last "\" or ":").
    void SetPath(const std::string& path);
    // Sets the extra bytes and their length together.
    void SetExtraField(std::string bytes);

    // The bytes written as the name: what was read, until the name changes.
    const std::string& StoredName() const { return storedName_; }

    bool HasFileComment() const { return FileCommentLength != 0; }
    bool IsEncrypted() const { return GeneralFlags & 1; }
    bool HasDataDescriptor() const { return GeneralFlags & 8; }
    bool IsDirectory() const { return fileName_.empty(); }
    uint32_t LocalRecordSize() const { return 30u + FileNameLength + ExtraFieldLength; }
    uint32_t CentralRecordSize() const { return 46u + FileNameLength + ExtraFieldLength + FileCommentLength; }

    // Copies every field, the comment duplicated or made absent.
    void Assign(const TZipHeaderInfo& source);

    void FillFromCentral(const uint8_t* header46, const std::string& storedName, std::string extra);
    void FillFromLocal(const uint8_t* header30, const std::string& storedName);

    // Read a central header at the stream's position. nextVolume, when
    // given, is called once to continue on the next volume and answers the
    // new stream. False (stream back where it was) when no header is there.
    bool ReadCentral(TLFNFileStream*& stream, const std::function<TLFNFileStream*()>& nextVolume = {});
    // Read a local header and its name; the stream is left after the name.
    bool ReadLocal(TLFNFileStream& stream);
    void WriteCentral(TLFNFileStream& stream) const;
    void WriteLocal(TLFNFileStream& stream);

    // The 46 (30) bytes of the fixed part of a central (local) header.
    void EncodeCentral(uint8_t* out46) const;
    void EncodeLocal(uint8_t* out30) const;

private:
    void UpdateStoredName();
    void SetNameFromStored(const std::string& stored, std::string_view extra);

    std::string fileName_;
    std::string directory_;
    std::string storedName_;
    std::optional<std::string> comment_;
};

}  // namespace movrel
