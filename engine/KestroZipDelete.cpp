// Deleting entries, saving changed comments and repairing damaged
// archives: three more uses of the one rewriting driver.
#include "KestroZip.h"

#include "EngineErrors.h"
#include "FileUtils.h"
#include "LFNFileStream.h"

namespace movrel {

int TKestroZip::DeleteFiles()
{
    struct Mode {
        bool& deleting;
        ~Mode() { deleting = false; }
    } mode{deleting_};
    deleting_ = true;
    return ProcessArchive();
}

void TKestroZip::SaveModifiedArchive()
{
    if (!endCentral_.CommentModified)
        return;
    FilesList.clear();
    ProcessArchive();
    endCentral_.CommentModified = false;
    ReadDirectory();
}

void TKestroZip::SetZipName(const std::string& value)
{
    if (value == zipName_)
        return;
    if (endCentral_.CommentModified && !zipName_.empty()) {
        FilesList.clear();
        ProcessArchive();
        endCentral_.CommentModified = false;
    }
    TKestroUnZip::SetZipName(value);
}

int TKestroZip::RepairArchive(const std::string& inputName, const std::string& outputName)
{
    struct Reset {
        TKestroZip& z;
        ~Reset()
        {
            z.repairOutputName_.clear();
            z.repairing_ = false;
            z.ForceLocalScan = false;
        }
    } reset{*this};

    bool read = true;
    if (!inputName.empty()) {
        SetZipName(inputName);
        ForgetArchive();  // read it afresh, whatever was loaded
    } else if (EntryCount() == 0 || !rebuiltFromLocal_) {
        std::string ask = ExtractFilePath(zipName_);
        ask.push_back('?');
        try {
            SetZipName(ask);
        } catch (const EUserCanceled&) {
            return 0;
        }
    } else {
        read = false;  // a directory rebuilt from the local headers is loaded
    }
    if (read) {
        TBusyGuard busy(*ui_);
        ForceLocalScan = true;
        ReadDirectory();
        ForceLocalScan = false;
        if (!rebuiltFromLocal_ && EntryCount() < endCentral_.TotalEntries) {
            // part of the central directory is unreadable: the local headers
            // know every entry that is still there
            archiveStream_ = std::make_unique<TLFNFileStream>(zipName_, TOpenMode::ReadDenyWrite);
            LocalHeaderScan();
            SortEntries(SortMode);
            CloseArchive();
        }
    }

    std::string target = outputName;
    if (target.empty()) {
        std::string dir = ExtractFilePath(zipName_);
        if (!DirectoryExists(dir))
            dir.assign(1, '/');
        if (!ui_->ChooseOpenFile("Select a new name for the fixed file.", "Zip Files (*.ZIP)|*.zip", dir, target) ||
            target.empty())
            return 0;
    }
    repairOutputName_ = target;
    repairing_ = true;

    std::vector<std::string> saved = FilesList;
    FilesList.clear();
    int recovered = 0;
    {
        TBusyGuard busy(*ui_);
        try {
            ProcessArchive();
        } catch (...) {
            FilesList = saved;
            throw;
        }
        recovered = int(lastWrittenCount_);
    }
    FilesList = saved;
    TKestroUnZip::SetZipName(target);
    return recovered;
}

}  // namespace movrel
