// Multi-volume writing: numbered blocks and spanned "disks" (folders whose
// free space is simulated), read back by the engine and by 7-Zip.
#include "EngineErrors.h"
#include "FileUtils.h"
#include "KestroZip.h"
#include "TestSupport.h"
#include "VolumeWriter.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

using namespace movrel;
using namespace movrel::test;

namespace {

int64_t SizeOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_size) : -1;
}

// A few hundred KB of mixed files: text that compresses, noise that does not.
struct Sources {
    TempDir dir;
    std::map<std::string, std::string> files;
    Sources()
    {
        std::string text;
        for (int i = 0; i < 6000; ++i)
            text += "line " + std::to_string(i * 31 % 977) + " of a text that compresses\n";
        std::string noise;
        uint32_t x = 12345;
        for (int i = 0; i < 180000; ++i) {
            x = x * 1664525u + 1013904223u;
            noise += char(x >> 24);
        }
        files = {{"text.txt", text}, {"noise.bin", noise}, {"small.txt", "small"}, {"empty", ""}};
        for (int i = 0; i < 40; ++i)
            files["many" + std::to_string(i) + ".txt"] = std::string(size_t(100 + i * 37), char('a' + i % 26));
        for (const auto& [name, data] : files)
            WriteFile(dir / name, data);
    }
    void AddAll(TKestroZip& zip) const
    {
        for (const auto& f : files)
            zip.FilesList.push_back(dir / f.first);
        zip.SetStorePaths(false);
        zip.AddFiles();
    }
};

// Extracts through the engine, finding volumes with names(n), and compares.
void ExpectReadsBack(const std::string& last, const std::function<std::string(int)>& names, const Sources& src)
{
    TKestroUnZip reader;
    reader.OnGetNextDisk = [&](TKestroUnZip*, int n, std::string& fname) { fname = names(n); };
    reader.SetZipName(last);
    reader.ReadDirectory();
    ASSERT_EQ(reader.EntryCount(), int(src.files.size()));
    TempDir out;
    reader.SetDestDir(out.Path());
    reader.DoAll = true;
    EXPECT_EQ(reader.ExtractFiles(), int(src.files.size()));
    for (const auto& [name, data] : src.files)
        EXPECT_EQ(ReadFile(out / name), data) << name;
}

}  // namespace

TEST(MultiVolume, BlocksOfAFixedSizeReadBackHereAndBy7Zip)
{
    Sources src;
    TempDir dir;
    TKestroZip zip;
    zip.MultiZipInfo().MultiMode = mmBlocks;
    zip.MultiZipInfo().FirstBlockSize = zip.MultiZipInfo().BlockSize = 65536;
    zip.SetZipName(dir / "set.zip");
    src.AddAll(zip);
    ASSERT_GT(zip.DiskCount, 2);
    EXPECT_EQ(zip.ZipName(), TVolumeWriter::BlockName(dir / "set.zip", zip.DiskCount));
    for (int n = 1; n < zip.DiskCount; ++n)
        EXPECT_EQ(SizeOf(TVolumeWriter::BlockName(dir / "set.zip", n)), 65536) << n;
    EXPECT_LE(SizeOf(zip.ZipName()), 65536);
    EXPECT_FALSE(FileExists(dir / "set.zip"));
    ExpectReadsBack(zip.ZipName(), [&](int n) { return TVolumeWriter::BlockName(dir / "set.zip", n); }, src);

    std::string seven = SevenZip();
    if (seven.empty()) {
        std::printf("skipped: 7-Zip is not installed\n");
        return;
    }
    // 7-Zip reads a set in the .z01, .z02, ... .zip naming
    for (int n = 1; n <= zip.DiskCount; ++n) {
        char ext[8];
        std::snprintf(ext, sizeof ext, n == zip.DiskCount ? "zip" : "z%02d", n);
        CopyFileBlocks(TVolumeWriter::BlockName(dir / "set.zip", n), dir / (std::string("copy.") + ext));
    }
    std::string out;
    EXPECT_EQ(RunCommand(seven + " t " + ShellQuote(dir / "copy.zip") + " 2>&1", &out), 0) << out;
    EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
}

TEST(MultiVolume, FirstBlockSizeAndSingleBlock)
{
    Sources src;
    {
        TempDir dir;
        TKestroZip zip;
        zip.MultiZipInfo().MultiMode = mmBlocks;
        zip.MultiZipInfo().FirstBlockSize = 100000;
        zip.MultiZipInfo().BlockSize = 50000;
        zip.SetZipName(dir / "b.zip");
        src.AddAll(zip);
        EXPECT_EQ(SizeOf(dir / "b.001"), 100000);
        for (int n = 2; n < zip.DiskCount; ++n)
            EXPECT_EQ(SizeOf(TVolumeWriter::BlockName(dir / "b.zip", n)), 50000);
        ExpectReadsBack(zip.ZipName(), [&](int n) { return TVolumeWriter::BlockName(dir / "b.zip", n); }, src);
    }
    {
        TempDir dir;
        TKestroZip zip;
        zip.MultiZipInfo().MultiMode = mmBlocks;
        zip.MultiZipInfo().FirstBlockSize = zip.MultiZipInfo().BlockSize = 10000000;
        zip.SetZipName(dir / "one.zip");
        src.AddAll(zip);
        EXPECT_EQ(zip.DiskCount, 1);
        EXPECT_EQ(zip.ZipName(), dir / "one.zip");
        EXPECT_FALSE(FileExists(dir / "one.001"));
        std::string out;
        EXPECT_EQ(RunCommand("unzip -tq " + ShellQuote(dir / "one.zip"), &out), 0) << out;
    }
}

TEST(MultiVolume, SpanningOverSimulatedDisks)
{
    Sources src;
    TempDir dir;
    // disk k is folder dk; its capacity is set per folder
    std::map<std::string, uint64_t> capacity = {{dir / "d1", 70000}, {dir / "d2", 30011}, {dir / "d3", 90000},
                                                {dir / "d4", 200000}, {dir / "d5", 200000}};
    for (const auto& c : capacity)
        ForceDirectories(c.first);
    SetDiskFreeSpaceHook([&](const std::string& path) {
        std::string p = path;
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        return capacity.count(p) ? capacity[p] : uint64_t(0);
    });
    std::vector<int> asked;
    TKestroZip zip;
    zip.MultiZipInfo().MultiMode = mmSpan;
    zip.OnGetNextDisk = [&](TKestroUnZip*, int n, std::string& fname) {
        asked.push_back(n);
        fname = dir / ("d" + std::to_string(n)) + "/span.zip";
    };
    zip.SetZipName(dir / "d1/span.zip");
    src.AddAll(zip);
    SetDiskFreeSpaceHook(nullptr);
    ASSERT_GE(zip.DiskCount, 3);
    EXPECT_EQ(asked.front(), 2);
    EXPECT_EQ(SizeOf(dir / "d1/span.zip"), 70000 - 0) << "the first disk is filled";
    EXPECT_LE(SizeOf(dir / "d2/span.zip"), 30011);
    ExpectReadsBack(zip.ZipName(), [&](int n) { return dir / ("d" + std::to_string(n)) + "/span.zip"; }, src);
}

TEST(MultiVolume, RefusedNextDiskCancelsAndKeepsFinishedVolumes)
{
    Sources src;
    TempDir dir;
    ForceDirectories(dir / "d1");
    ForceDirectories(dir / "d2");
    SetDiskFreeSpaceHook([](const std::string&) { return uint64_t(60000); });
    TKestroZip zip;
    zip.MultiZipInfo().MultiMode = mmSpan;
    int asked = 0;
    zip.OnGetNextDisk = [&](TKestroUnZip*, int n, std::string& fname) {
        ++asked;
        fname = n == 2 ? dir / "d2/s.zip" : std::string();
    };
    zip.SetZipName(dir / "d1/s.zip");
    try {
        src.AddAll(zip);
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation.");
    }
    SetDiskFreeSpaceHook(nullptr);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(SizeOf(dir / "d1/s.zip"), 60000);
    EXPECT_EQ(SizeOf(dir / "d2/s.zip"), 60000);

    // without a handler the next disk counts as refused
    TempDir other;
    SetDiskFreeSpaceHook([](const std::string&) { return uint64_t(60000); });
    TKestroZip bare;
    bare.MultiZipInfo().MultiMode = mmSpan;
    bare.SetZipName(other / "s.zip");
    EXPECT_THROW(src.AddAll(bare), EUserCanceled);
    SetDiskFreeSpaceHook(nullptr);
}

TEST(MultiVolume, AnExistingArchiveIsNotRewrittenAsASet)
{
    Sources src;
    TempDir dir;
    WriteFile(dir / "old.zip", CraftZip({{.name = "a", .data = "a"}}));
    std::string before = ReadFile(dir / "old.zip");
    TKestroZip zip;
    zip.SetZipName(dir / "old.zip");
    zip.ReadDirectory();
    zip.MultiZipInfo().MultiMode = mmBlocks;
    zip.FilesList.push_back(src.dir / "small.txt");
    EXPECT_THROW(zip.AddFiles(), EZipError);
    EXPECT_EQ(ReadFile(dir / "old.zip"), before);
}

TEST(MultiVolume, SmallBlocksSplitDataAndTheCentralDirectoryAnywhere)
{
    Sources src;
    for (int blockSize : {997, 1500, 4096, 30011}) {
        SCOPED_TRACE(blockSize);
        TempDir dir;
        TKestroZip zip;
        zip.MultiZipInfo().MultiMode = mmBlocks;
        zip.MultiZipInfo().FirstBlockSize = zip.MultiZipInfo().BlockSize = blockSize;
        zip.SetZipName(dir / "s.zip");
        src.AddAll(zip);
        if (blockSize < 2000)
            EXPECT_GT(zip.EndCentral().ThisDisk, zip.EndCentral().CentralStartDisk) << "the directory spans volumes";
        ExpectReadsBack(zip.ZipName(), [&](int n) { return TVolumeWriter::BlockName(dir / "s.zip", n); }, src);
    }
}
