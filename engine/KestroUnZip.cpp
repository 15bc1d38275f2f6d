#include "KestroUnZip.h"

#include "EngineErrors.h"
#include "FileUtils.h"
#include "LFNFileStream.h"
#include "ZipFormat.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

namespace movrel {

namespace {

int64_t FileStamp(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

}  // namespace

TKestroUnZip::TKestroUnZip(TEngineUi* ui) : ui_(ui ? ui : &DefaultEngineUi()) {}

TKestroUnZip::~TKestroUnZip()
{
    try {
        ClearDirectory();
    } catch (...) {
    }
}

void TKestroUnZip::ForgetArchive()
{
    sortedList_ = nullptr;
    separateView_.reset();
    entryList_.reset();
    archiveDate_ = 0;
    endCentral_.Clear();
    archiveStream_.reset();
    rebuiltFromLocal_ = false;
}

// File names on this system are case-sensitive, so a name that differs
// only in letter case names another archive.
void TKestroUnZip::SetZipName(const std::string& value)
{
    if (value == zipName_)
        return;
    std::string name = value;
    if (!name.empty() && name.back() == '?') {
        std::string dir = ExtractFilePath(std::string_view(name).substr(0, name.size() - 1));
        if (!DirectoryExists(dir))
            dir.assign(1, '/');
        std::string chosen;
        if (!ui_->ChooseOpenFile("Open a Zip File",
                                 "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*",
                                 dir, chosen))
            throw EUserCanceled("User canceled setting zip file name.");
        name = chosen;
    }
    zipName_ = name;
    ForgetArchive();
}

void TKestroUnZip::SetDestDir(const std::string& value)
{
    std::string dir = value;
    if (dir == "?") {
        std::string start = DirectoryExists(destDir_) ? destDir_ : std::string();
        if (start.empty()) {
            char buf[4096];
            if (::getcwd(buf, sizeof buf))
                start = buf;
        }
        std::string chosen;
        if (!ui_->ChooseFolder("Set Destination Directory", start, chosen))
            throw EUserCanceled("User canceled Set Desination Directory");
        dir = chosen;
    }
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    destDir_ = dir;
}

void TKestroUnZip::SetRootDir(const std::string& value)
{
    rootDir_ = value;
    if (!rootDir_.empty() && rootDir_.back() != '\\')
        rootDir_ += '\\';
}

void TKestroUnZip::CheckCancel()
{
    if (!DoProcessMessages)
        return;
    ui_->ProcessMessages();
    if (CancelRequested) {
        CancelRequested = false;
        throw EUserCanceled("User Aborted Operation");
    }
}

void TKestroUnZip::ReadDirectory()
{
    CancelRequested = false;
    OpenArchive();
    CloseArchive();
}

void TKestroUnZip::OpenArchive()
{
    if (!archiveStream_)
        archiveStream_ = std::make_unique<TLFNFileStream>(zipName_, TOpenMode::ReadDenyWrite);
    if (!entryList_ || FileStamp(zipName_) != archiveDate_)
        ReadTheDirectory();
}

void TKestroUnZip::CloseArchive()
{
    if (!KeepZipOpen)
        archiveStream_.reset();
}

void TKestroUnZip::ClearDirectory()
{
    archiveStream_.reset();
    sortedList_ = nullptr;
    separateView_.reset();
    entryList_.reset();
    endCentral_.Clear();
    rebuiltFromLocal_ = false;
    archiveDate_ = 0;
    DiskCount = 1;
    SetMultiMode(mmNone);
    zipName_.clear();
}

void TKestroUnZip::SortEntries(TZipSortMode mode)
{
    separateView_.reset();
    sortedList_ = nullptr;
    if (mode == ByNone || !entryList_) {
        sortedList_ = entryList_.get();
    } else {
        separateView_ = std::make_unique<TSortedZip>(dupAccept, mode);
        separateView_->OwnsItems = false;
        std::vector<TZipHeaderInfo*> all;
        all.reserve(size_t(entryList_->Count()));
        for (int i = 0; i < entryList_->Count(); ++i)
            all.push_back(entryList_->Entry(i));
        separateView_->AddAllSorted(all);
        sortedList_ = separateView_.get();
    }
    SortMode = mode;
}

int TKestroUnZip::EntryCount() const
{
    return entryList_ ? entryList_->Count() : 0;
}

TZipHeaderInfo& TKestroUnZip::ViewEntry(int index) const
{
    if (!sortedList_ || index < 0 || index >= EntryCount())
        throw EListError("Index " + std::to_string(index) + " is out of range");
    return *sortedList_->Entry(index);
}

const TZipHeaderInfo& TKestroUnZip::Entry(int index) const
{
    return ViewEntry(index);
}

TCalendar TKestroUnZip::EntryDateTime(int index) const
{
    TCalendar c;
    if (!DosToCalendar(ViewEntry(index).DosDateTime, c))
        return CalendarNow();
    return c;
}

// ---- comments ----

std::string TKestroUnZip::ArchiveComment()
{
    if (endCentral_.CommentLength == 0)
        return {};
    if (endCentral_.Comment)
        return *endCentral_.Comment;
    struct Closer {
        TKestroUnZip* z;
        ~Closer() { z->CloseArchive(); }
    };
    OpenArchive();
    Closer closer{this};
    if (endCentral_.CommentLength == 0)
        return {};
    std::string text(endCentral_.CommentLength, '\0');
    archiveStream_->Seek(endCentral_.CommentOffset, TSeekOrigin::Begin);
    text.resize(archiveStream_->Read(text.data(), text.size()));
    endCentral_.Comment = text;
    return text;
}

void TKestroUnZip::SetArchiveComment(const std::string& text)
{
    std::string current = endCentral_.Comment ? *endCentral_.Comment : std::string();
    if (endCentral_.CommentLength != 0 && !endCentral_.Comment)
        current = ArchiveComment();
    if (text == current)
        return;
    if (text.empty())
        endCentral_.Comment.reset();
    else
        endCentral_.Comment = text.substr(0, 0xFFFF);
    endCentral_.CommentLength = uint16_t(std::min<size_t>(text.size(), 0xFFFF));
    endCentral_.CommentModified = true;
}

std::string TKestroUnZip::EntryComment(int index)
{
    TZipHeaderInfo& e = ViewEntry(index);
    if (e.FileCommentLength == 0)
        return {};
    if (e.FileComment())
        return *e.FileComment();
    struct Closer {
        TKestroUnZip* z;
        ~Closer() { z->CloseArchive(); }
    };
    int64_t stamp = archiveDate_;
    OpenArchive();
    Closer closer{this};
    if (archiveDate_ != stamp)  // the directory was read again: the entry is gone
        return {};
    archiveStream_->Seek(e.CentralHeaderOffset, TSeekOrigin::Begin);
    uint8_t h[kCentralSize];
    if (!archiveStream_->ReadExact(h, kCentralSize) || Get32(h) != kCentralSig)
        return {};
    archiveStream_->Seek(int64_t(Get16(h + cdh::NameLen)) + Get16(h + cdh::ExtraLen), TSeekOrigin::Current);
    std::string text(Get16(h + cdh::CommentLen), '\0');
    text.resize(archiveStream_->Read(text.data(), text.size()));
    e.SetFileComment(text);
    return text;
}

void TKestroUnZip::SetEntryComment(int index, const std::string& text)
{
    TZipHeaderInfo& e = ViewEntry(index);
    std::string current = e.FileComment() ? *e.FileComment() : std::string();
    if (e.FileCommentLength != 0 && !e.FileComment())
        current = EntryComment(index);
    if (text == current)
        return;
    e.SetFileComment(text.empty() ? std::optional<std::string>() : std::optional<std::string>(text));
    endCentral_.CommentModified = true;
}

// ---- reading the directory ----

void TKestroUnZip::ReadTheDirectory()
{
    archiveDate_ = FileStamp(zipName_);
    sortedList_ = nullptr;
    separateView_.reset();
    entryList_.reset();
    rebuiltFromLocal_ = false;

    auto emptyView = [this] {
        SortEntries(SortMode);
    };

    if (endCentral_.FindInStream(*archiveStream_)) {
        currentDisk_ = endCentral_.ThisDisk;
        SetMultiMode(endCentral_.ThisDisk != 0 ? mmBlocks : mmNone);
        if (endCentral_.CentralStartDisk != currentDisk_)
            LoadDisk(endCentral_.CentralStartDisk + 1);
        archiveStream_->Seek(endCentral_.CentralOffset, TSeekOrigin::Begin);
        uint8_t sig[4];
        if (archiveStream_->ReadExact(sig, 4) && Get32(sig) == kCentralSig) {
            archiveStream_->Seek(-4, TSeekOrigin::Current);
            entryList_ = std::make_unique<TSortedZip>(dupError, ByNone);
            sortedList_ = entryList_.get();
        } else {
            // A program in front whose length the offsets do not count: the
            // archive starts where the end record's sizes say. Scanning from
            // there keeps "PK" bytes inside the program from passing for
            // entries.
            int64_t start = endCentral_.RecordOffset - int64_t(endCentral_.CentralSize) -
                            int64_t(endCentral_.CentralOffset);
            TBusyGuard busy(*ui_);
            if (!LocalHeaderScan(start > 0 ? start : -1)) {
                emptyView();
                return;
            }
        }
    } else {
        if (!ForceLocalScan) {
            TIncompleteZipMode mode = IncompleteZipMode;
            if (OnInCompleteZip)
                OnInCompleteZip(this, mode);
            IncompleteZipMode = mode;
            if (IncompleteZipMode == izAssumeMulti)
                throw EIncompleteZip();
        }
        TBusyGuard busy(*ui_);
        if (!LocalHeaderScan()) {
            emptyView();
            return;
        }
    }

    bool multi = endCentral_.ThisDisk != 0;
    std::function<TLFNFileStream*()> nextVolume;
    if (!rebuiltFromLocal_ && MultiMode() != mmNone)
        nextVolume = [this]() {
            LoadDisk(currentDisk_ + 2);
            return archiveStream_.get();
        };
    for (int i = 0; i < endCentral_.TotalEntries; ++i) {
        auto entry = std::make_unique<TZipHeaderInfo>();
        TLFNFileStream* stream = archiveStream_.get();
        bool ok = entry->ReadCentral(stream, nextVolume);
        if (!ok)
            break;  // the stream stays where the header should be: the rest would fail alike
        if (rebuiltFromLocal_) {
            int pos;
            if (entryList_->Find(entry.get(), pos)) {
                TZipHeaderInfo* scanned = entryList_->Entry(pos);
                uint32_t offset = scanned->LocalHeaderOffset;
                scanned->Assign(*entry);
                scanned->LocalHeaderOffset = offset;
            }
            continue;
        }
        entryList_->Add(entry.get());
        TZipHeaderInfo* added = entry.release();
        if (multi && added->FileCommentLength) {
            // Load the comment now, from the volume at hand.
            int64_t here = archiveStream_->Position();
            int64_t at = here - added->FileCommentLength;
            std::string text(added->FileCommentLength, '\0');
            archiveStream_->Seek(at, TSeekOrigin::Begin);
            text.resize(archiveStream_->Read(text.data(), text.size()));
            archiveStream_->Seek(here, TSeekOrigin::Begin);
            uint16_t len = added->FileCommentLength;
            added->SetFileComment(text);
            added->FileCommentLength = len;
        }
    }
    if (multi && endCentral_.HasComment()) {
        if (endCentral_.ThisDisk != currentDisk_)
            LoadDisk(endCentral_.ThisDisk + 1);
        ArchiveComment();
    }
    DiskCount = endCentral_.ThisDisk + 1;
    currentDisk_ = endCentral_.ThisDisk;
    SortEntries(SortMode);
}

bool TKestroUnZip::LocalHeaderScan(int64_t startHint)
{
    rebuiltFromLocal_ = true;
    sortedList_ = nullptr;
    separateView_.reset();
    entryList_.reset();

    size_t dot = zipName_.find_last_of('.');
    bool exe = dot != std::string::npos && zipName_.compare(dot, std::string::npos, ".EXE") == 0;
    TLFNFileStream& s = *archiveStream_;
    int64_t pos = s.Seek(exe ? 14000 : 0, TSeekOrigin::Begin);
    if (startHint > pos) {  // only ever later than the usual start
        uint8_t sig[4];
        s.Seek(startHint, TSeekOrigin::Begin);
        if (s.ReadExact(sig, 4) && Get32(sig) == kLocalSig)
            pos = startHint;
        s.Seek(pos, TSeekOrigin::Begin);
    }

    // Look for "PK\3\4" in chunks; let the UI run every 10240 bytes.
    static constexpr uint8_t kSig[4] = {'P', 'K', 3, 4};
    std::vector<uint8_t> chunk(10240 + 3);
    size_t carry = 0;
    int64_t found = -1;
    while (found < 0) {
        size_t n = s.Read(chunk.data() + carry, 10240);
        if (n == 0)
            return false;
        size_t have = carry + n;
        for (size_t i = 0; i + 4 <= have; ++i) {
            const void* hit = std::memchr(chunk.data() + i, 'P', have - 3 - i);
            if (!hit)
                break;
            i = size_t(static_cast<const uint8_t*>(hit) - chunk.data());
            if (std::memcmp(chunk.data() + i, kSig, 4) == 0) {
                found = pos - int64_t(carry) + int64_t(i);
                break;
            }
        }
        if (found >= 0)
            break;
        carry = std::min<size_t>(3, have);
        std::memmove(chunk.data(), chunk.data() + have - carry, carry);
        pos += int64_t(n);
        CheckCancel();
    }
    s.Seek(found, TSeekOrigin::Begin);
    entryList_ = std::make_unique<TSortedZip>(dupError, ByNone);
    sortedList_ = entryList_.get();
    for (;;) {
        auto entry = std::make_unique<TZipHeaderInfo>();
        if (!entry->ReadLocal(s))
            break;
        int64_t skip = entry->CompressedSize + entry->ExtraFieldLength + (entry->HasDataDescriptor() ? 16 : 0);
        entryList_->Add(entry.release());
        s.Seek(skip, TSeekOrigin::Current);
    }
    endCentral_.ThisDisk = 0;
    currentDisk_ = 0;
    endCentral_.CentralOffset = uint32_t(s.Position());
    endCentral_.TotalEntries = uint16_t(EntryCount());
    DiskCount = 1;
    return true;
}

void TKestroUnZip::LoadDisk(int n)
{
    archiveStream_.reset();
    std::string fname = zipName_;
    if (!OnGetNextDisk)
        throw EUserCanceled("User canceled loading new disk.");
    for (int attempts = 0;; ++attempts) {
        OnGetNextDisk(this, n, fname);
        if (fname.empty() || attempts > 1000)
            throw EUserCanceled("User canceled loading new disk.");
        if (FileExists(fname))
            break;
    }
    archiveStream_ = std::make_unique<TLFNFileStream>(fname, TOpenMode::Read);
    currentDisk_ = n - 1;
    archiveDate_ = FileStamp(fname);
    zipName_ = fname;
}

int TKestroUnZip::ExtractFiles()
{
    return RunExtraction(false);
}

int TKestroUnZip::TestFiles()
{
    return RunExtraction(true);
}

}  // namespace movrel
