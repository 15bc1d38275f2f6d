// Helpers for the writer's tests: file trees on disk, the other programs
// that check our archives (unzip, 7-Zip, Python's zipfile), and the raw
// records of an archive for byte-level comparisons.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace movrel::test {

// A tree of files: relative path with "/" separators -> content.
using FileTree = std::map<std::string, std::string>;

// Writes the files of tree below dir (folders made as needed).
void MakeTree(const std::string& dir, const FileTree& tree);
// Every regular file below dir.
FileTree ReadTree(const std::string& dir);
// The names in a folder (not recursive), sorted.
std::vector<std::string> FolderEntries(const std::string& dir);
void SetMTime(const std::string& path, std::time_t t);

// The 7-Zip command here ("7z" or "7zz"); empty when there is none.
std::string SevenZipCommand();

// One program's verdict on an archive: its integrity test, then its
// extraction compared with the expected tree.
struct PeerVerdict {
    std::string peer;
    bool missing = false;  // the program is not installed
    std::string error;     // empty when the archive passed
};
std::vector<PeerVerdict> CheckWithPeers(const std::string& archive, const std::string& password,
                                        const FileTree& expected);

// One entry as stored, found through the central directory.
struct RawRecord {
    std::string name;          // stored name bytes
    uint16_t flags = 0;
    uint16_t versionMadeBy = 0;
    uint32_t localOffset = 0;
    uint32_t compressedSize = 0;
    std::string centralExtra;
    std::string comment;
    std::string localRecord;   // local header, name, local extra field and data
};
// Empty when the bytes hold no readable end record.
std::vector<RawRecord> RawRecords(const std::string& archive);
const RawRecord* FindRecord(const std::vector<RawRecord>& records, const std::string& name);

}  // namespace movrel::test
