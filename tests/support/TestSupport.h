// Helpers shared by the engine and CLI tests: temporary folders, files,
// a tiny ZIP writer for crafted archives, the fixture manifest, and running
// the CLI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movrel::test {

std::string TestData(const std::string& relative);  // below ../shared/testdata/zip

// A fresh folder below $TMPDIR, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

// One entry of a crafted archive (stored data unless method says otherwise).
struct CraftEntry {
    std::string name;              // stored bytes
    std::string data;              // the bytes after the local header (already compressed/encrypted)
    uint16_t method = 0;
    uint16_t flags = 0;
    uint32_t crc = 0;              // 0: computed from data
    uint32_t size = UINT32_MAX;    // uncompressed size; UINT32_MAX: data.size()
    uint16_t versionMadeBy = 20;
    uint32_t dosTime = 0x58642A00; // 2024-03-04 05:16:00
    uint32_t externalAttributes = 0x20;
    std::string centralExtra;
    std::string comment;
};

struct CraftOptions {
    std::string prefix;         // bytes in front (a program)
    bool adjustOffsets = true;  // offsets count the prefix
    std::string comment;        // archive comment
};

// A whole archive as bytes.
std::string CraftZip(const std::vector<CraftEntry>& entries, const CraftOptions& options = {});

// Runs a command through the shell; returns its exit status, captures stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);
std::string CliPath();
std::string ShellQuote(const std::string& s);
bool HaveTool(const std::string& name);
// The 7-Zip command here ("7z", or "7zz" as Debian's 7zip package names it); empty when absent.
std::string SevenZip();

// sha256 of bytes, lower-case hex (through the system's sha256sum).
std::string Sha256(const std::string& bytes);

// MANIFEST.tsv of the fixtures.
struct ManifestRow {
    std::string file, entry;  // entry: raw stored bytes (unescaped); "*" for the archive row
    int method = -1;
    uint32_t flags = 0;
    int64_t packed = -1, size = -1;
    uint32_t crc = 0;
    bool encrypted = false;
    std::string password, expected, sha256, note;
};
std::vector<ManifestRow> LoadManifest();
// Volumes of a multi-volume fixture in order (from its archive row), as paths.
std::vector<std::string> ManifestVolumes(const ManifestRow& archiveRow);

}  // namespace movrel::test
