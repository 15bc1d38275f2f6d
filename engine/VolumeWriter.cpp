#include "VolumeWriter.h"

#include "EngineErrors.h"
#include "FileUtils.h"
#include "ZipFormat.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace movrel {

std::string TVolumeWriter::BlockName(const std::string& name, int n)
{
    char ext[16];
    std::snprintf(ext, sizeof ext, ".%03d", n);
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name + ext;
    return name.substr(0, dot) + ext;
}

TVolumeWriter::TVolumeWriter(TMultiMode mode, const std::string& firstName, int64_t firstBlockSize,
                             int64_t blockSize, TAskNext askNext)
    : mode_(mode), firstName_(firstName), firstBlockSize_(firstBlockSize), blockSize_(blockSize),
      askNext_(std::move(askNext)), buffer_(1 << 20)
{
}

TVolumeWriter::~TVolumeWriter()
{
    if (!finished_ && stream_) {
        stream_.reset();
        ::unlink(currentName_.c_str());
    }
}

void TVolumeWriter::OpenVolume(const std::string& name)
{
    stream_.reset();
    currentName_ = name;
    stream_ = std::make_unique<TLFNFileStream>(name, TOpenMode::Create);
    names_.push_back(name);
    if (mode_ == mmBlocks) {
        capacity_ = currentDisk_ == 0 ? firstBlockSize_ : blockSize_;
    } else {
        std::string dir = ExtractFilePath(name);
        uint64_t free = DiskFreeSpace(dir.empty() ? std::string(".") : dir);
        capacity_ = free > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(free);
    }
    if (capacity_ <= 0)
        throw ELimitError("No room for a volume of the archive in \"" + name + "\"");
}

void TVolumeWriter::NextVolume()
{
    stream_->Flush(true);
    stream_.reset();
    std::string next;
    if (mode_ == mmBlocks) {
        next = BlockName(firstName_, currentDisk_ + 2);
    } else {
        next = askNext_ ? askNext_(currentDisk_ + 2, currentName_) : std::string();
        if (next.empty()) {
            finished_ = true;  // the finished volumes stay; nothing is half-written
            throw EUserCanceled("User canceled Zip operation.");
        }
    }
    ++currentDisk_;
    OpenVolume(next);
}

void TVolumeWriter::Copy(TLFNFileStream& source, int64_t count)
{
    while (count > 0) {
        size_t n = size_t(std::min<int64_t>(count, int64_t(buffer_.size())));
        if (!source.ReadExact(buffer_.data(), n))
            throw EFatalUnzipError();
        stream_->WriteAll(buffer_.data(), n);
        count -= int64_t(n);
    }
}

void TVolumeWriter::Write(TLFNFileStream& source, const std::vector<TZipHeaderInfo*>& entries, TEndCentral& end)
{
    OpenVolume(mode_ == mmBlocks ? BlockName(firstName_, 1) : firstName_);
    for (TZipHeaderInfo* e : entries) {
        uint8_t local[kLocalSize];
        source.Seek(e->LocalHeaderOffset, TSeekOrigin::Begin);
        if (!source.ReadExact(local, kLocalSize))
            throw EFatalUnzipError();
        int64_t localSize = kLocalSize + Get16(local + lfh::NameLen) + Get16(local + lfh::ExtraLen);
        if (Room() <= localSize) {
            if (stream_->Position() == 0)
                throw ELimitError("A volume is too small for the header of \"" + e->FullName() + "\"");
            NextVolume();
        }
        e->DiskNumberStart = uint16_t(currentDisk_);
        e->LocalHeaderOffset = uint32_t(stream_->Position());
        source.Seek(-kLocalSize, TSeekOrigin::Current);
        Copy(source, localSize);
        // the data, continuing on the following volumes
        int64_t remaining = e->CompressedSize;
        if (Room() == 0)
            NextVolume();
        int64_t piece = std::min(Room(), remaining);
        while (remaining > 0 && piece > 0) {
            Copy(source, piece);
            remaining -= piece;
            if (remaining > 0 || Room() == 0)
                NextVolume();
            piece = std::min(Room(), remaining);
        }
    }

    end.CentralOffset = uint32_t(stream_->Position());
    end.CentralStartDisk = uint16_t(currentDisk_);
    int64_t size = 0, start = end.CentralOffset;
    int onThisDisk = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        TZipHeaderInfo* e = entries[i];
        if (Room() < int64_t(e->CentralRecordSize())) {
            if (stream_->Position() == 0)
                throw ELimitError("A volume is too small for the directory entry of \"" + e->FullName() + "\"");
            size += stream_->Position() - start;
            start = 0;
            NextVolume();
            onThisDisk = 0;
            if (i == 0) {
                end.CentralOffset = 0;
                end.CentralStartDisk = uint16_t(currentDisk_);
            }
        }
        e->WriteCentral(*stream_);
        ++onThisDisk;
    }
    end.CentralSize = uint32_t(size + stream_->Position() - start);
    end.TotalEntries = uint16_t(entries.size());
    if (Room() < int64_t(end.RecordSize())) {
        NextVolume();
        onThisDisk = 0;
    }
    end.ThisDisk = uint16_t(currentDisk_);
    end.EntriesThisDisk = uint16_t(onThisDisk);
    end.WriteToStream(*stream_);
    stream_->Flush(true);
    stream_.reset();
    finished_ = true;
}

std::string TVolumeWriter::FinishNaming()
{
    if (mode_ != mmBlocks)
        return names_.back();
    if (currentDisk_ == 0) {
        if (::rename(names_[0].c_str(), firstName_.c_str()) != 0)
            throw EFileError(SystemErrorText("Cannot rename file", names_[0], errno));
        names_[0] = firstName_;
        return firstName_;
    }
    return names_.back();
}

}  // namespace movrel
