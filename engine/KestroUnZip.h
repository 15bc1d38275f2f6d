// TKestroUnZip: the reading engine. Names one archive (ZipName), reads its
// directory (also with a program in front, damaged, or spread over volumes),
// answers questions about its entries, and extracts them.
#pragma once

#include "DosDateTime.h"
#include "EndCentral.h"
#include "EngineUi.h"
#include "ObjectLists.h"
#include "ZipHeaderInfo.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace movrel {

class TLFNFileStream;
struct TExtractRun;

enum TUZOverwriteMode { Prompt, Always, Never };
enum TIncompleteZipMode { izAssumeMulti, izAssumeBad };
enum TSkipReason { srBadPassword = 0, srNoOverwrite = 1 };
enum TMultiMode { mmNone, mmSpan, mmBlocks };

class TKestroUnZip {
public:
    using TObjectRef = TKestroUnZip*;
    // Events; the first parameter is the sending component, references are in-out.
    using TIncompleteZip = std::function<void(TObjectRef, TIncompleteZipMode&)>;
    using TGetNextDisk = std::function<void(TObjectRef, int nextDisk, std::string& fname)>;
    using TStartUnzipInfo = std::function<void(TObjectRef, int numFiles, int64_t totalBytes, bool& stopNow)>;
    using TStartUnZipEvent = std::function<void(TObjectRef, int fileIndex, const std::string& fname, bool& skip)>;
    using TFilePercentDone = std::function<void(TObjectRef, int percent)>;
    using TTotalPercentDone = std::function<void(TObjectRef, int percent)>;
    using TEndUnZipEvent = std::function<void(TObjectRef, int fileIndex, const std::string& fname)>;
    using TPromptForOverwrite = std::function<void(TObjectRef, bool& overwriteIt, int fileIndex, std::string& fname)>;
    using TSkippingFile = std::function<void(TObjectRef, TSkipReason reason, int fileIndex)>;
    using TBadPassword = std::function<void(TObjectRef, int fileIndex, std::string& newPassword)>;
    using TBadCRC = std::function<void(TObjectRef, uint32_t calcCrc, uint32_t storedCrc, int fileIndex)>;
    // Not an event of the original component: an entry that failed for a
    // reason the other events do not carry (a refused write, a decoder error).
    using TEntryError = std::function<void(TObjectRef, int fileIndex, const std::string& message)>;

    explicit TKestroUnZip(TEngineUi* ui = nullptr);
    virtual ~TKestroUnZip();
    TKestroUnZip(const TKestroUnZip&) = delete;
    TKestroUnZip& operator=(const TKestroUnZip&) = delete;

    // ---- published properties ----
    int ThisVersion() const { return 214; }
    const std::string& ZipName() const { return zipName_; }
    void SetZipName(const std::string& value);
    const std::string& DestDir() const { return destDir_; }
    void SetDestDir(const std::string& value);
    const std::string& RootDir() const { return rootDir_; }
    void SetRootDir(const std::string& value);
    TZipSortMode SortMode = ByNone;
    bool RecreateDirs = false;
    TUZOverwriteMode OverwriteMode = Prompt;
    std::vector<std::string> FilesList;
    bool DoAll = false;
    TIncompleteZipMode IncompleteZipMode = izAssumeMulti;
    bool KeepZipOpen = false;
    bool DoProcessMessages = true;
    bool RetainAttributes = true;

    // ---- public state ----
    std::string Password;
    virtual TMultiMode MultiMode() const { return multiMode_; }
    virtual void SetMultiMode(TMultiMode m) { multiMode_ = m; }
    virtual bool CheckDiskLabels() const { return checkDiskLabels_; }
    virtual void SetCheckDiskLabels(bool v) { checkDiskLabels_ = v; }
    int DiskCount = 1;
    bool ForceLocalScan = false;
    bool RebuiltFromLocal() const { return rebuiltFromLocal_; }
    const TEndCentral& EndCentral() const { return endCentral_; }
    int CurrentDisk() const { return currentDisk_; }

    // ---- events ----
    TIncompleteZip OnInCompleteZip;
    TGetNextDisk OnGetNextDisk;
    TStartUnzipInfo OnStartUnZipInfo;
    TStartUnZipEvent OnStartUnZip;
    TFilePercentDone OnFilePercentDone;
    TTotalPercentDone OnTotalPercentDone;
    TEndUnZipEvent OnEndUnZip;
    TPromptForOverwrite OnPromptForOverwrite;
    TSkippingFile OnSkippingFile;
    TBadPassword OnBadPassword;
    TBadCRC OnBadCRC;
    TEntryError OnEntryError;

    // ---- operations ----
    void ReadDirectory();
    void OpenArchive();
    void CloseArchive();
    void ClearDirectory();
    void SortEntries(TZipSortMode mode);
    int EntryCount() const;
    void CancelOperation() { CancelRequested = true; }
    void LoadDisk(int n);
    // Extracts the selected entries below DestDir; answers how many
    // succeeded. With testOnly nothing is written: every entry is decoded
    // and its CRC checked.
    int ExtractFiles();
    int TestFiles();

    // ---- per-entry accessors (index into the current view) ----
    const TZipHeaderInfo& Entry(int index) const;
    std::string EntryFileName(int index) const { return Entry(index).FileName(); }
    std::string EntryPath(int index) const { return Entry(index).Directory(); }
    TCalendar EntryDateTime(int index) const;
    int64_t EntryCompressedSize(int index) const { return Entry(index).CompressedSize; }
    uint32_t EntryUncompressedSize(int index) const { return Entry(index).UncompressedSize; }
    bool EntryEncrypted(int index) const { return Entry(index).IsEncrypted(); }
    std::string EntryComment(int index);
    void SetEntryComment(int index, const std::string& text);

    bool HasArchiveComment() const { return endCentral_.HasComment(); }
    std::string ArchiveComment();
    void SetArchiveComment(const std::string& text);

    TEngineUi& Ui() const { return *ui_; }
    void SetUi(TEngineUi* ui) { ui_ = ui ? ui : &DefaultEngineUi(); }

    bool CancelRequested = false;

protected:
    // Read the directory of the open stream (the work of OpenArchive).
    void ReadTheDirectory();
    // startHint: where the archive behind a program begins, when the end
    // record tells it (-1: unknown).
    bool LocalHeaderScan(int64_t startHint = -1);
    void ForgetArchive();
    // Let the UI run and raise EUserCanceled when a cancel came in.
    void CheckCancel();
    // The entry at index of the view, range-checked with the accessor message.
    TZipHeaderInfo& ViewEntry(int index) const;
    int RunExtraction(bool testOnly);

    TEngineUi* ui_;
    std::string zipName_;
    std::string destDir_;
    std::string rootDir_;
    TMultiMode multiMode_ = mmNone;
    bool checkDiskLabels_ = true;
    bool rebuiltFromLocal_ = false;

    std::unique_ptr<TSortedZip> entryList_;
    TSortedZip* sortedList_ = nullptr;  // entryList_ itself or separateView_
    std::unique_ptr<TSortedZip> separateView_;
    std::unique_ptr<TLFNFileStream> archiveStream_;
    TZipHeaderInfo currentEntry_;
    TEndCentral endCentral_;
    int currentDisk_ = 0;
    int64_t archiveDate_ = 0;  // modification time of the loaded archive, nanoseconds

    friend struct TExtractRun;
};

}  // namespace movrel
