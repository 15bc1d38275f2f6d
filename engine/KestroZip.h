// TKestroZip: the writing engine. Adds, replaces, updates and freshens
// entries, encrypts, deletes entries, saves changed comments and repairs
// damaged archives. Every write goes through one driver, ProcessArchive,
// which writes a complete new archive into a temporary file (unchanged
// entries copied byte for byte, new ones compressed) and replaces the
// archive only when all of it succeeded: whatever fails, an existing
// archive stays as it was and no temporary file remains.
#pragma once

#include "KestroUnZip.h"
#include "MultiZipInfo.h"
#include "ZipCrypt.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace movrel {

class TDeflater;
class TZipOutputFile;
struct TDeflateResult;

enum TZipAction { zaUpdate, zaReplace, zaFreshen };

class TKestroZip : public TKestroUnZip {
public:
    using TZipRef = TKestroZip*;
    using TStartZipInfo =
        std::function<void(TZipRef, int numFiles, int64_t totalBytes, TEndCentral& endCentralRecord, bool& stopNow)>;
    using TStartZipEvent = std::function<void(TZipRef, const std::string& fname, TZipHeaderInfo& zipHeader, bool& skip)>;
    using TEndZipFileEvent = std::function<void(TZipRef, const std::string& fname, uint32_t uncompressedSize,
                                                uint32_t compressedSize, int64_t currentZipSize)>;
    using TDisposeEvent = std::function<void(TZipRef, const std::string& fname, bool& skip)>;
    using TDeleteEvent = std::function<void(TZipRef, const std::string& fname, bool& skip)>;
    using TNoSuchFileEvent = std::function<void(TZipRef, const std::string& fname)>;
    // Not an event of the original component: a file left out because it
    // could not be opened or read, or kept changing while it was read.
    using TFileError = std::function<void(TZipRef, const std::string& fname, const std::string& message)>;

    // The format's limits: 32-bit sizes and offsets, 16-bit entry counts.
    static constexpr uint64_t kMaxFormatSize = 0xFFFFFFFFu;
    static constexpr int kMaxEntries = 65535;

    explicit TKestroZip(TEngineUi* ui = nullptr);
    ~TKestroZip() override;

    // ---- published properties ----
    int PackLevel = 6;  // 0-9; another value fails the add before anything is written
    bool Recurse = false;
    bool Dispose = false;
    TZipAction ZipAction = zaUpdate;
    bool Store83Names = false;  // short names do not exist here: no effect
    std::string TempPath;
    // Every file counts as having its archive bit set, so no file is left
    // out by SkipIfArchiveBitNotSet and resetting the bit does nothing.
    bool SkipIfArchiveBitNotSet = false;
    bool ResetArchiveBitOnZip = false;

    bool StorePaths() const { return storePaths_; }
    bool RelativePaths() const { return relativePaths_; }
    bool StoreVolumes() const { return storeVolumes_; }
    // Interlocked: StorePaths false clears the other two; StoreVolumes true
    // sets StorePaths; RelativePaths true sets StorePaths and Recurse.
    void SetStorePaths(bool value);
    void SetRelativePaths(bool value);
    void SetStoreVolumes(bool value);

    TMultiZipInfo& MultiZipInfo() { return multiZipInfo_; }
    void SetMultiZipInfo(const TMultiZipInfo& value) { multiZipInfo_.Assign(value); }
    TMultiMode MultiMode() const override { return multiZipInfo_.MultiMode; }
    void SetMultiMode(TMultiMode m) override;
    bool CheckDiskLabels() const override { return multiZipInfo_.CheckDiskLabels; }
    void SetCheckDiskLabels(bool v) override;
    // After stored settings were loaded: MultiMode and CheckDiskLabels from MultiZipInfo.
    void Loaded();

    // Saves changed comments of the current archive (SaveModifiedArchive)
    // before it names another one; then as the reader's setter.
    void SetZipName(const std::string& value);

    // ---- events ----
    TStartZipInfo OnStartZipInfo;
    TStartZipEvent OnStartZip;
    TEndZipFileEvent OnEndZip;
    TDisposeEvent OnDisposeFile;
    TDeleteEvent OnDeleteEntry;
    TNoSuchFileEvent OnNoSuchFile;
    TFileError OnFileError;

    // ---- operations ----
    // Adds, replaces, updates or freshens the files of FilesList (paths,
    // folders are passed over, and patterns: "|" searches one folder, ">"
    // its subfolders too, others as Recurse says). Answers the number of
    // files written (new and replacing entries). FilesList is left holding
    // the files that were not matched to existing entries.
    int AddFiles();
    // Drops the entries FilesList names (stored paths with "\" or patterns);
    // answers how many.
    int DeleteFiles();
    // Rewrites the archive when a comment was changed in memory.
    void SaveModifiedArchive();
    // Copies every entry that can be found in a damaged archive into
    // outputName; the damaged file is never changed. Empty names are asked
    // for through the user interface (cancel answers 0). Answers the number
    // of entries recovered.
    int RepairArchive(const std::string& inputName = {}, const std::string& outputName = {});
    // The one rewriting driver (add or delete mode).
    int ProcessArchive();

    // The stored directory of a file path as written (with "\" separators
    // and a trailing "\", or empty), following StorePaths, RelativePaths
    // and RootDir.
    std::string StoredDirectoryOf(const std::string& fileName) const;
    // The directory for temporary archives: TempPath when it names an
    // existing directory, else the system's.
    std::string TempDirectory() const;

protected:
    // One FilesList item during a run.
    struct TListItem {
        std::string name;
        std::string key;  // add mode: lower-cased stored path and name; delete mode: the item lower-cased
        bool alive = true;
    };

    void ExpandFileList();
    void ProcessExistingEntries();
    // Compresses items_[itemIndex] into the output; the finished entry
    // waits in pending_ for AcceptEntry. False when the file was left out.
    bool ZipOneFile(int itemIndex);
    bool WriteEntryData(int fd, TZipHeaderInfo& entry, int64_t fileSize);
    bool CopyEntry(TZipHeaderInfo& entry);
    void AcceptEntry(int itemIndex);
    void WriteCentralDirectory();
    void WriteEncryptionHeader(uint32_t crc);
    void write_out(const uint8_t* data, size_t count);
    void CommitOutput();
    // Lays the finished archive out over blocks or spanned volumes.
    void WriteVolumes(TMultiMode mode);
    void DisposeFiles();
    bool EntryMatchesDeleteItem(const TListItem& item, const TZipHeaderInfo& entry) const;
    std::string ItemKey(const std::string& fileName) const;
    void AddNewEntry(std::unique_ptr<TZipHeaderInfo> entry);
    bool IsDuplicate(const TZipHeaderInfo& entry, int& position) const;
    void LoadHeldComments(TZipHeaderInfo& copy, const TZipHeaderInfo& original);
    // Throws ELimitError when bytes more would take the archive past its limit.
    void CheckRoom(uint64_t bytes) const;
    void Rewind(int64_t position);

    // Limits enforced before anything is replaced; tests may lower them.
    uint64_t maxArchiveSize_ = kMaxFormatSize;
    int maxEntries_ = kMaxEntries;

private:
    void RunDriver(int& count);
    void FinishSuccess();

    bool storePaths_ = false;
    bool relativePaths_ = false;
    bool storeVolumes_ = false;
    TMultiZipInfo multiZipInfo_;

    // writer state, alive during one ProcessArchive
    bool deleting_ = false;
    bool archiveExisted_ = false;
    bool repairing_ = false;
    std::string repairOutputName_;
    std::vector<TListItem> items_;
    bool itemsBuilt_ = false;  // items_ stands for FilesList (after the expansion)
    std::unique_ptr<TZipOutputFile> output_;
    std::unique_ptr<TSortedZip> newEntries_;   // owns the new entries (by volume and offset)
    std::unique_ptr<TSortedZip> nameIndex_;    // the same by stored name
    std::vector<TZipHeaderInfo*> written_;     // the same in write order
    std::unique_ptr<TEndCentral> newEndCentral_;
    std::unique_ptr<TZipHeaderInfo> pending_;  // the entry ZipOneFile finished, for AcceptEntry
    std::unique_ptr<TDeflater> deflater_;
    std::vector<std::string> disposeList_;
    std::vector<uint8_t> ioBuffer_;
    std::vector<uint8_t> cryptBuffer_;
    TZipCrypt crypt_;
    bool encrypting_ = false;
    int resultCount_ = 0;
    size_t lastWrittenCount_ = 0;  // entries in the archive last written
    int64_t totalBytes_ = 0;
    int64_t bytesDone_ = 0;
    int64_t fileBytesRead_ = 0;
    int64_t outputPos_ = 0;  // where the next byte of the output lands
    int64_t entryBytesOut_ = 0;
    std::string currentFile_;
    struct TArchiveId {
        int64_t size = -1, mtime = 0;
        uint64_t dev = 0, ino = 0;
    } archiveId_;
};

}  // namespace movrel
