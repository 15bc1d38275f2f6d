// The writer's properties and its driver: expanding the file list, walking
// the existing entries, the new files, the central directory, and the
// all-or-nothing replacement of the archive.
#include "KestroZip.h"

#include "DirSearch.h"
#include "DosDateTime.h"
#include "EngineErrors.h"
#include "FileUtils.h"
#include "LFNFileStream.h"
#include "Wildcards.h"
#include "ZipFormat.h"
#include "VolumeWriter.h"
#include "ZipWriterOutput.h"
#include "deflate/Deflater.h"

#include <cerrno>
#include <sys/stat.h>
#include <unordered_map>

namespace movrel {

namespace {

std::string LowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c + 32);
    return s;
}

int64_t StampOf(const struct stat& st)
{
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// The entry's date as a comparable key; an impossible date counts as now.
int64_t EntryDateKey(uint32_t dos)
{
    TCalendar c;
    if (!DosToCalendar(dos, c))
        c = CalendarNow();
    return c.Key();
}

int64_t FileDateKey(time_t mtime)
{
    TCalendar c;
    if (!DosToCalendar(NormalizeDosDateTime(TimeToDos(mtime)), c))
        c = CalendarNow();
    return c.Key();
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

TKestroZip::TKestroZip(TEngineUi* ui) : TKestroUnZip(ui) {}

TKestroZip::~TKestroZip() = default;

// ---- properties ----

void TKestroZip::SetStorePaths(bool value)
{
    if (value == storePaths_)
        return;
    storePaths_ = value;
    if (!value) {
        SetStoreVolumes(false);
        SetRelativePaths(false);
    }
}

void TKestroZip::SetRelativePaths(bool value)
{
    if (value == relativePaths_)
        return;
    relativePaths_ = value;
    if (value) {
        SetStorePaths(true);
        Recurse = true;
    }
}

void TKestroZip::SetStoreVolumes(bool value)
{
    if (value == storeVolumes_)
        return;
    storeVolumes_ = value;
    if (value)
        SetStorePaths(true);
}

void TKestroZip::SetMultiMode(TMultiMode m)
{
    multiZipInfo_.MultiMode = m;
    TKestroUnZip::SetMultiMode(m);
}

void TKestroZip::SetCheckDiskLabels(bool v)
{
    multiZipInfo_.CheckDiskLabels = v;
    TKestroUnZip::SetCheckDiskLabels(v);
}

void TKestroZip::Loaded()
{
    SetCheckDiskLabels(multiZipInfo_.CheckDiskLabels);
    SetMultiMode(multiZipInfo_.MultiMode);
}

std::string TKestroZip::TempDirectory() const
{
    std::string dir = TempPath;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (!dir.empty() && DirectoryExists(dir))
        return dir;
    return movrel::TempDirectory();
}

// ---- stored names ----

// RootDir as a folder on disk: "/" separators and one trailing "/".
static std::string RootFolder(const std::string& rootDir)
{
    if (rootDir.empty())
        return {};
    std::string root = ToForwardSlashes(rootDir);
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root == "/" ? root : root + "/";
}

// A folder path taken apart lexically: "." and empty components dropped, a
// ".." removing the component before it (or dropped at the start); an
// absolute path keeps a leading "/". Ends in "/" unless empty.
static std::string TidyFolder(const std::string& dir)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < dir.size()) {
        size_t end = dir.find('/', start);
        if (end == std::string::npos)
            end = dir.size();
        std::string part = dir.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = !dir.empty() && dir[0] == '/' ? "/" : "";
    for (const std::string& part : parts)
        out += part + "/";
    return out;
}

// A stored path never climbs out of the folder it is extracted to and is
// never absolute: "." and ".." components and leading separators are
// resolved or dropped (other programs would refuse or mistrust such names).
std::string TKestroZip::StoredDirectoryOf(const std::string& fileName) const
{
    if (!storePaths_)
        return {};
    std::string dir = TidyFolder(ExtractFilePath(fileName));
    if (relativePaths_ && !rootDir_.empty()) {
        std::string root = TidyFolder(RootFolder(rootDir_));
        if (dir.compare(0, root.size(), root) == 0)
            dir.erase(0, root.size());
    }
    size_t first = dir.find_first_not_of('/');
    dir.erase(0, first == std::string::npos ? dir.size() : first);
    for (char& c : dir)
        if (c == '/')
            c = '\\';
    return dir;
}

std::string TKestroZip::ItemKey(const std::string& fileName) const
{
    return LowerAscii(StoredDirectoryOf(fileName) + ExtractFileName(fileName));
}

// ---- expanding the file list ----

void TKestroZip::ExpandFileList()
{
    totalBytes_ = 0;
    bytesDone_ = 0;
    bool freshen = ZipAction == zaFreshen;
    std::unordered_map<std::string, bool> existing;
    if (freshen && entryList_)
        for (int i = 0; i < entryList_->Count(); ++i)
            existing.emplace(LowerAscii(entryList_->Entry(i)->FullName()), true);
    auto inArchive = [&](const std::string& name) { return existing.count(ItemKey(name)) != 0; };
    auto checkSize = [](const std::string& name, uint64_t size) {
        if (size > kMaxFormatSize)
            throw ELimitError("File too large for a Zip archive (4 GiB or more): " + name);
    };

    struct stat self;
    bool haveSelf = ::stat(zipName_.c_str(), &self) == 0;
    std::string root = RootFolder(rootDir_);
    std::vector<std::string> kept, patterns;
    for (const std::string& item : FilesList) {
        if (HasWildcards(item)) {
            patterns.push_back(item);
            continue;
        }
        std::string name = ExtractFilePath(item).empty() ? root + item : item;
        struct stat st;
        if (name.empty() || ::stat(name.c_str(), &st) != 0) {
            if (OnNoSuchFile)
                OnNoSuchFile(this, name);
            continue;
        }
        if (freshen && !inArchive(name))
            continue;
        uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
        checkSize(name, size);
        kept.push_back(name);
        totalBytes_ += int64_t(size);
    }
    for (const std::string& pattern : patterns) {
        std::string p = pattern;
        bool recurse = Recurse;
        if (!p.empty() && (p[0] == '|' || p[0] == '>')) {
            recurse = p[0] == '>';
            p.erase(0, 1);
        }
        std::string dir = ExtractFilePath(p);
        if (dir.empty())
            dir = root;
        TDirSearch search(dir, recurse, ExtractFileName(p));
        TSearchEntry found;
        int seen = 0;
        for (std::string name = search.Next(found); !name.empty(); name = search.Next(found)) {
            if ((++seen & 255) == 0)
                CheckCancel();
            struct stat st;
            if (haveSelf && ::stat(name.c_str(), &st) == 0 && st.st_dev == self.st_dev && st.st_ino == self.st_ino)
                continue;  // never the archive itself
            if (freshen && !inArchive(name))
                continue;
            checkSize(name, found.Size);
            kept.push_back(name);
            totalBytes_ += int64_t(found.Size);
        }
    }
    FilesList = std::move(kept);
}

// ---- the driver ----

int TKestroZip::AddFiles()
{
    deleting_ = false;
    return ProcessArchive();
}

int TKestroZip::ProcessArchive()
{
    TZipSortMode oldSort = SortMode;
    bool oldKeep = KeepZipOpen;
    KeepZipOpen = true;
    SortEntries(ByNone);
    currentDisk_ = 0;
    resultCount_ = 0;
    std::string outputText;
    try {
        RunDriver(resultCount_);
    } catch (...) {
        if (output_)
            outputText = output_->Stream().FileName();
        std::string tempShown = output_ ? output_->DisplayName() : std::string();
        // Nothing of the new archive survives; the loaded directory stays.
        if (itemsBuilt_) {
            FilesList.clear();
            for (const TListItem& item : items_)
                if (item.alive)
                    FilesList.push_back(item.name);
        }
        items_.clear();
        itemsBuilt_ = false;
        ioBuffer_ = {};
        pending_.reset();
        written_.clear();
        nameIndex_.reset();
        newEntries_.reset();
        newEndCentral_.reset();
        deflater_.reset();
        output_.reset();
        disposeList_.clear();
        encrypting_ = false;
        KeepZipOpen = oldKeep;
        SortEntries(oldSort);
        CloseArchive();
        try {
            throw;
        } catch (const EFileError& e) {
            // name the temporary file as people know it, not by its descriptor
            std::string text = e.what();
            if (!outputText.empty() && text.find(outputText) != std::string::npos)
                throw EFileError(ReplaceAll(text, outputText, tempShown));
            throw;
        }
    }
    KeepZipOpen = oldKeep;
    SortEntries(oldSort);
    CloseArchive();
    return resultCount_;
}

void TKestroZip::RunDriver(int& count)
{
    count = 0;
    if (zipName_.empty())
        throw EFileError(SystemErrorText("Cannot create file", zipName_, ENOENT));
    const TMultiMode multi = MultiMode();
    if (multi != mmNone && FileExists(zipName_))
        throw EZipError("A multi-volume archive can only be written as a new archive: \"" + zipName_ +
                        "\" exists");
    if (!deleting_ && (PackLevel < 0 || PackLevel > 9))
        throw ELimitError("Compression level must be 0 to 9");
    disposeList_.clear();
    items_.clear();
    written_.clear();
    outputPos_ = 0;
    itemsBuilt_ = false;
    if (!deleting_ && !FilesList.empty())
        ExpandFileList();
    for (const std::string& name : FilesList)
        items_.push_back({name, deleting_ ? LowerAscii(name) : ItemKey(name), true});
    itemsBuilt_ = true;

    archiveExisted_ = FileExists(zipName_);
    newEntries_ = std::make_unique<TSortedZip>(dupError, ByNone);
    // Existing archives may hold names that differ in letter case only;
    // they are copied as they are.
    nameIndex_ = std::make_unique<TSortedZip>(dupAccept, ByName);
    nameIndex_->OwnsItems = false;
    newEndCentral_ = std::make_unique<TEndCentral>();
    if (!deleting_ && !items_.empty())
        deflater_ = std::make_unique<TDeflater>();
    ioBuffer_.resize(1 << 20);

    if (!archiveExisted_ && multi != mmNone) {
        // written whole first, then laid out over the volumes
        output_ = std::make_unique<TZipOutputFile>(TempDirectory());
    } else if (!archiveExisted_) {
        std::string dir = ExtractFilePath(ResolveLinks(zipName_));
        output_ = std::make_unique<TZipOutputFile>(dir.empty() ? std::string(".") : dir);
    } else {
        output_ = std::make_unique<TZipOutputFile>(TempDirectory());
        OpenArchive();
        if (endCentral_.ThisDisk != 0)
            throw EZipError("A multi-volume archive cannot be updated");
        struct stat st;
        if (::stat(zipName_.c_str(), &st) == 0)
            archiveId_ = {int64_t(st.st_size), StampOf(st), uint64_t(st.st_dev), uint64_t(st.st_ino)};
        newEndCentral_->Assign(endCentral_);
        if (endCentral_.CommentLength != 0 && !endCentral_.Comment) {
            std::string text(endCentral_.CommentLength, '\0');
            archiveStream_->Seek(endCentral_.CommentOffset, TSeekOrigin::Begin);
            text.resize(archiveStream_->Read(text.data(), text.size()));
            newEndCentral_->Comment = text;
            newEndCentral_->CommentLength = uint16_t(text.size());
        }
        newEndCentral_->TotalEntries = 0;
        newEndCentral_->EntriesThisDisk = 0;
        ProcessExistingEntries();
    }

    FilesList.clear();
    int alive = 0;
    for (const TListItem& item : items_)
        if (item.alive) {
            FilesList.push_back(item.name);
            ++alive;
        }

    if (!deleting_ && alive > 0) {
        bool stop = false;
        if (OnStartZipInfo)
            OnStartZipInfo(this, alive, totalBytes_, *newEndCentral_, stop);
        if (stop)
            throw EUserCanceled("User canceled Zip operation.");
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].alive && ZipOneFile(int(i)))
                AcceptEntry(int(i));
    }
    WriteCentralDirectory();
    if (multi != mmNone)
        WriteVolumes(multi);
    else
        CommitOutput();
    FinishSuccess();
    if (multi != mmNone && DiskCount > 1)
        SetMultiMode(multi);
}

void TKestroZip::ProcessExistingEntries()
{
    // add mode: the items by the stored name they would get, in list order
    std::unordered_map<std::string, std::vector<int>> byKey;
    if (!deleting_)
        for (size_t i = 0; i < items_.size(); ++i)
            byKey[items_[i].key].push_back(int(i));
    auto firstMatch = [&](const TZipHeaderInfo& e) -> int {
        if (!deleting_) {
            auto it = byKey.find(LowerAscii(e.FullName()));
            if (it == byKey.end())
                return -1;
            for (int i : it->second)
                if (items_[size_t(i)].alive)
                    return i;
            return -1;
        }
        for (size_t i = 0; i < items_.size(); ++i)
            if (items_[i].alive && EntryMatchesDeleteItem(items_[i], e))
                return int(i);
        return -1;
    };

    int count = entryList_ ? entryList_->Count() : 0;
    for (int n = 0; n < count; ++n) {
        const TZipHeaderInfo& e = *entryList_->Entry(n);
        bool keep = true;
        int i = items_.empty() ? -1 : firstMatch(e);
        if (i >= 0) {
            TListItem& item = items_[size_t(i)];
            bool newer = true;
            if (!deleting_ && ZipAction != zaReplace) {
                struct stat st;
                newer = ::stat(item.name.c_str(), &st) == 0 &&
                        FileDateKey(st.st_mtime) > EntryDateKey(e.DosDateTime);
            }
            if (!newer) {
                item.alive = false;
            } else if (deleting_) {
                bool skip = false;
                if (OnDeleteEntry)
                    OnDeleteEntry(this, e.FullName(), skip);
                if (skip) {
                    item.alive = false;
                } else {
                    keep = false;
                    ++resultCount_;
                    if (!HasWildcards(item.name))
                        item.alive = false;
                }
            } else {
                // The replacement takes the old entry's place; when the file
                // cannot be written after all, the old entry stays.
                item.alive = false;
                if (ZipOneFile(i)) {
                    AcceptEntry(i);
                    keep = false;
                }
            }
        }
        if (!keep)
            continue;
        auto copy = std::make_unique<TZipHeaderInfo>();
        copy->Assign(e);
        LoadHeldComments(*copy, e);
        if (CopyEntry(*copy))
            AddNewEntry(std::move(copy));
    }
}

// Delete rules: a pattern is matched against the stored path and name when
// it holds a "\", else against the name alone; a plain item must equal the
// stored path and name. Letters A-Z compare without case.
bool TKestroZip::EntryMatchesDeleteItem(const TListItem& item, const TZipHeaderInfo& entry) const
{
    if (HasWildcards(item.name)) {
        std::string target = item.name.find('\\') != std::string::npos ? entry.FullName() : entry.FileName();
        return IsMatch(item.key, LowerAscii(target));
    }
    return item.key == LowerAscii(entry.FullName());
}

void TKestroZip::AddNewEntry(std::unique_ptr<TZipHeaderInfo> entry)
{
    int ceiling = std::min(maxEntries_, TObjectList::kMaxCapacity - 14);
    if (newEntries_->Count() >= ceiling)
        throw ELimitError("Too many entries for a Zip archive (it holds at most " + std::to_string(kMaxEntries) +
                          ")");
    TZipHeaderInfo* raw = entry.get();
    newEntries_->Add(raw);
    entry.release();
    nameIndex_->Add(raw);
    written_.push_back(raw);
}

void TKestroZip::AcceptEntry(int itemIndex)
{
    ++resultCount_;
    AddNewEntry(std::move(pending_));
    if (Dispose)
        disposeList_.push_back(items_[size_t(itemIndex)].name);
}

bool TKestroZip::IsDuplicate(const TZipHeaderInfo& entry, int& position) const
{
    return nameIndex_->Find(&entry, position);
}

void TKestroZip::WriteCentralDirectory()
{
    TLFNFileStream& out = output_->Stream();
    TEndCentral& end = *newEndCentral_;
    int64_t start = out.Position();
    end.CentralOffset = uint32_t(start);
    end.CentralStartDisk = uint16_t(currentDisk_);
    for (TZipHeaderInfo* e : written_) {
        CheckRoom(e->CentralRecordSize());
        e->CentralHeaderOffset = uint32_t(out.Position());
        e->WriteCentral(out);
        outputPos_ = out.Position();
    }
    end.CentralSize = uint32_t(out.Position() - start);
    end.ThisDisk = uint16_t(currentDisk_);
    end.TotalEntries = end.EntriesThisDisk = uint16_t(written_.size());
    lastWrittenCount_ = written_.size();
    if (end.Comment && end.Comment->size() > 0xFFFF)
        end.Comment->resize(0xFFFF);
    end.CommentLength = end.Comment ? uint16_t(end.Comment->size()) : 0;
    if (end.CommentLength == 0)
        end.Comment.reset();
    CheckRoom(uint64_t(kEndSize) + end.CommentLength);
    end.WriteToStream(out);
    outputPos_ = out.Position();
}

void TKestroZip::CheckRoom(uint64_t bytes) const
{
    if (uint64_t(outputPos_) + bytes > maxArchiveSize_)
        throw ELimitError("The archive would grow past 4 GiB, more than a Zip archive can hold");
}

void TKestroZip::Rewind(int64_t position)
{
    output_->Stream().Seek(position, TSeekOrigin::Begin);
    outputPos_ = position;
}

// ---- putting the result in place ----

void TKestroZip::CommitOutput()
{
    std::string target = repairOutputName_.empty() ? zipName_ : repairOutputName_;
    if (archiveExisted_) {
        struct stat st;
        if (::stat(zipName_.c_str(), &st) != 0 || int64_t(st.st_size) != archiveId_.size ||
            StampOf(st) != archiveId_.mtime || uint64_t(st.st_ino) != archiveId_.ino ||
            uint64_t(st.st_dev) != archiveId_.dev)
            throw EFileError("The archive \"" + zipName_ + "\" was changed by another program during the update");
        archiveStream_.reset();  // the old file is closed before it is replaced
    }
    deflater_.reset();
    output_->Commit(target, outputPos_);
    output_.reset();
}

void TKestroZip::WriteVolumes(TMultiMode mode)
{
    TLFNFileStream& source = output_->Stream();
    source.Flush();
    TVolumeWriter volumes(mode, zipName_, multiZipInfo_.FirstBlockSize, multiZipInfo_.BlockSize,
                          [this](int n, const std::string& current) {
                              // without a handler the next disk counts as refused
                              std::string name = current;
                              if (!OnGetNextDisk)
                                  return std::string();
                              OnGetNextDisk(this, n, name);
                              return name;
                          });
    volumes.Write(source, written_, *newEndCentral_);
    zipName_ = volumes.FinishNaming();
    currentDisk_ = volumes.VolumeCount() - 1;
    deflater_.reset();
    output_.reset();  // the single-file copy goes
}

void TKestroZip::FinishSuccess()
{
    if (Dispose)
        DisposeFiles();
    items_.clear();
    itemsBuilt_ = false;
    ioBuffer_ = {};
    pending_.reset();
    written_.clear();
    nameIndex_.reset();
    if (!repairOutputName_.empty()) {
        // the repaired file is another archive: the caller names and reads it
        newEntries_.reset();
        newEndCentral_.reset();
        ForgetArchive();
        return;
    }
    TEndCentral& end = *newEndCentral_;
    endCentral_.Assign(end);
    endCentral_.CommentModified = false;
    endCentral_.RecordOffset = outputPos_ - int64_t(kEndSize) - end.CommentLength;
    endCentral_.CommentOffset = uint32_t(outputPos_ - end.CommentLength);
    newEndCentral_.reset();
    separateView_.reset();
    entryList_ = std::move(newEntries_);
    sortedList_ = entryList_.get();
    rebuiltFromLocal_ = false;
    struct stat st;
    archiveDate_ = ::stat(zipName_.c_str(), &st) == 0 ? StampOf(st) : 0;
    DiskCount = currentDisk_ + 1;
    SetMultiMode(mmNone);
}

void TKestroZip::DisposeFiles()
{
    std::vector<std::string> names = std::move(disposeList_);
    disposeList_.clear();
    for (const std::string& name : names) {
        bool skip = false;
        if (OnDisposeFile)
            OnDisposeFile(this, name, skip);
        if (!skip)
            ::unlink(name.c_str());  // a file that cannot be removed stays
    }
}

}  // namespace movrel
