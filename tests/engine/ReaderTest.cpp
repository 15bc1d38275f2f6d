// Opening archives: programs in front, damaged and truncated files, end
// records behind long comments, comments on demand, and hostile
// directories that must not crash.
#include "EngineErrors.h"
#include "KestroUnZip.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace movrel;
using namespace movrel::test;

namespace {

std::vector<CraftEntry> ThreeEntries()
{
    return {{.name = "a.txt", .data = "alpha"},
            {.name = "dir/b.txt", .data = "bravo bravo", .externalAttributes = 0x21, .comment = "about b"},
            {.name = "dir/sub/", .data = ""}};
}

std::vector<std::string> Listed(TKestroUnZip& zip)
{
    std::vector<std::string> names;
    for (int i = 0; i < zip.EntryCount(); ++i)
        names.push_back(zip.Entry(i).FullName());
    return names;
}

// Opens bytes saved under name in a fresh folder.
struct Opened {
    TempDir dir;
    TKestroUnZip zip;
    Opened(const std::string& bytes, const std::string& name = "t.zip",
           TIncompleteZipMode mode = izAssumeMulti)
    {
        WriteFile(dir / name, bytes);
        zip.IncompleteZipMode = mode;
        zip.SetZipName(dir / name);
    }
};

}  // namespace

TEST(Reader, SplitsNamesAndKeepsCentralFields)
{
    Opened o(CraftZip(ThreeEntries()));
    o.zip.ReadDirectory();
    ASSERT_EQ(Listed(o.zip), (std::vector<std::string>{"a.txt", "dir\\b.txt", "dir\\sub\\"}));
    EXPECT_EQ(o.zip.EntryPath(1), "dir\\");
    EXPECT_EQ(o.zip.EntryFileName(1), "b.txt");
    EXPECT_EQ(o.zip.EntryFileName(2), "");  // a directory entry
    EXPECT_EQ(o.zip.Entry(1).ExternalAttributes, 0x21u);
    EXPECT_FALSE(o.zip.RebuiltFromLocal());
    EXPECT_EQ(o.zip.EntryComment(1), "about b");
    EXPECT_EQ(o.zip.EntryComment(0), "");
    EXPECT_THROW(o.zip.EntryFileName(3), EListError);
    try {
        o.zip.EntryFileName(-1);
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "Index -1 is out of range");
    }
}

TEST(Reader, ProgramInFrontWithAndWithoutAdjustedOffsets)
{
    std::string stub(5000, 'S');
    {
        Opened o(CraftZip(ThreeEntries(), {.prefix = stub, .adjustOffsets = true}));
        o.zip.ReadDirectory();
        EXPECT_FALSE(o.zip.RebuiltFromLocal());
        EXPECT_EQ(o.zip.EntryCount(), 3);
        EXPECT_EQ(o.zip.Entry(1).ExternalAttributes, 0x21u);
    }
    {
        Opened o(CraftZip(ThreeEntries(), {.prefix = stub, .adjustOffsets = false}));
        o.zip.ReadDirectory();
        EXPECT_TRUE(o.zip.RebuiltFromLocal());
        ASSERT_EQ(Listed(o.zip), (std::vector<std::string>{"a.txt", "dir\\b.txt", "dir\\sub\\"}));
        // local-header data only
        EXPECT_EQ(o.zip.Entry(1).ExternalAttributes, 0u);
        EXPECT_EQ(o.zip.Entry(1).VersionMadeBy, 0);
        EXPECT_EQ(o.zip.Entry(1).LocalHeaderOffset, 5000u + 40u);
    }
}

TEST(Reader, LocalScanOfAnUpperCaseExeStartsAt14000)
{
    for (size_t stubSize : {size_t(100), size_t(20000)}) {
        std::string stub(stubSize, 'S');
        Opened upper(CraftZip(ThreeEntries(), {.prefix = stub, .adjustOffsets = false}), "T.EXE");
        upper.zip.ReadDirectory();
        EXPECT_EQ(upper.zip.EntryCount(), stubSize < 14000 ? 0 : 3) << stubSize;
        Opened lower(CraftZip(ThreeEntries(), {.prefix = stub, .adjustOffsets = false}), "t.exe");
        lower.zip.ReadDirectory();
        EXPECT_EQ(lower.zip.EntryCount(), 3);
    }
}

TEST(Reader, TruncatedArchiveAsBadOrAsPartOfASet)
{
    std::string whole = CraftZip({{.name = "one", .data = std::string(300, '1')},
                                  {.name = "two", .data = std::string(300, '2')},
                                  {.name = "three", .data = std::string(300, '3')}});
    std::string cut = whole.substr(0, 30 + 3 + 300 + 30 + 3 + 300 + 30 + 5 + 100);  // inside three's data
    {
        Opened o(cut, "t.zip", izAssumeMulti);
        bool asked = false;
        o.zip.OnInCompleteZip = [&asked](TKestroUnZip*, TIncompleteZipMode&) { asked = true; };
        try {
            o.zip.ReadDirectory();
            FAIL();
        } catch (const EIncompleteZip& e) {
            EXPECT_STREQ(e.what(), "Incomplete Zip File");
        }
        EXPECT_TRUE(asked);
    }
    {
        Opened o(cut, "t.zip", izAssumeMulti);
        o.zip.OnInCompleteZip = [](TKestroUnZip*, TIncompleteZipMode& m) { m = izAssumeBad; };
        o.zip.ReadDirectory();
        EXPECT_TRUE(o.zip.RebuiltFromLocal());
        EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"one", "two", "three"}));
    }
}

TEST(Reader, EndRecordBehindLongCommentAndTheLaterOfTwoSignatures)
{
    std::string comment(65000, 'c');
    {
        Opened o(CraftZip(ThreeEntries(), {.comment = comment}));
        o.zip.ReadDirectory();
        EXPECT_EQ(o.zip.EntryCount(), 3);
        EXPECT_EQ(o.zip.ArchiveComment(), comment);
    }
    {
        // a comment holding another end record: the later signature wins
        std::string plain = CraftZip(ThreeEntries());
        std::string fake = plain.substr(plain.size() - 22);
        fake[8] = fake[10] = '\x01';  // lists only the first entry
        fake[9] = fake[11] = '\0';
        Opened o(CraftZip(ThreeEntries(), {.comment = "see: " + fake}));
        o.zip.ReadDirectory();
        EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"a.txt"}));
    }
    {
        // a comment longer than the window hides the record
        Opened o(CraftZip(ThreeEntries(), {.comment = std::string(65520, 'c')}));
        EXPECT_THROW(o.zip.ReadDirectory(), EIncompleteZip);
    }
}

TEST(Reader, TinyAndEmptyFiles)
{
    {
        Opened o(std::string(21, 'P'));
        EXPECT_THROW(o.zip.ReadDirectory(), EIncompleteZip);
    }
    {
        Opened o(CraftZip({}));  // 22 bytes: an empty archive
        o.zip.ReadDirectory();
        EXPECT_EQ(o.zip.EntryCount(), 0);
    }
    {
        TKestroUnZip zip;
        zip.SetZipName("/nonexistent/file.zip");
        EXPECT_THROW(zip.ReadDirectory(), EFileError);
    }
}

TEST(Reader, HostileDirectoriesNeverCrash)
{
    // A directory that claims 65535 entries in a 100-byte file.
    std::string claims = CraftZip({{.name = "a", .data = "x"}});
    claims[claims.size() - 22 + 10] = '\xFF';
    claims[claims.size() - 22 + 11] = '\xFF';
    {
        Opened o(claims);
        o.zip.ReadDirectory();
        EXPECT_EQ(o.zip.EntryCount(), 1);
    }
    // Name length past the end, offsets past the end.
    std::string base = CraftZip({{.name = "abc", .data = "data"}});
    size_t central = base.size() - 22 - (46 + 3);
    std::string longName = base;
    longName[central + 28] = '\xF0';
    longName[central + 29] = '\xFF';
    {
        Opened o(longName);
        EXPECT_NO_THROW(o.zip.ReadDirectory());
    }
    std::string farOffset = base;
    farOffset[central + 42 + 3] = '\x7F';
    {
        Opened o(farOffset);
        o.zip.ReadDirectory();
        ASSERT_EQ(o.zip.EntryCount(), 1);
        TempDir out;
        o.zip.SetDestDir(out.Path());
        o.zip.DoAll = true;
        EXPECT_THROW(o.zip.ExtractFiles(), EFatalUnzipError);
    }
    std::string farCentral = base;
    farCentral[base.size() - 22 + 19] = '\x7F';
    {
        Opened o(farCentral);
        o.zip.ReadDirectory();  // no central header there: the local headers are scanned
        EXPECT_TRUE(o.zip.RebuiltFromLocal());
    }
    // Random damage to every byte position of a small archive.
    std::string good = CraftZip(ThreeEntries(), {.comment = "hello"});
    std::mt19937 rng(1);
    for (int round = 0; round < 400; ++round) {
        std::string bad = good;
        for (int k = 0; k < 4; ++k)
            bad[rng() % bad.size()] = char(rng());
        Opened o(bad, "t.zip", round % 2 ? izAssumeBad : izAssumeMulti);
        try {
            o.zip.ReadDirectory();
            for (int i = 0; i < o.zip.EntryCount(); ++i) {
                o.zip.EntryComment(i);
                o.zip.EntryDateTime(i);
            }
            o.zip.ArchiveComment();
        } catch (const EZipError&) {
        }
    }
}

TEST(Reader, KeepsTheDirectoryUntilTheFileChanges)
{
    Opened o(CraftZip(ThreeEntries()));
    o.zip.ReadDirectory();
    const TZipHeaderInfo* first = &o.zip.Entry(0);
    o.zip.ReadDirectory();
    EXPECT_EQ(&o.zip.Entry(0), first);  // same objects: not read again
    WriteFile(o.dir / "t.zip", CraftZip({{.name = "new.txt", .data = "n"}}));
    o.zip.ReadDirectory();
    EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"new.txt"}));
    // a name in other letter case names another file here
    o.zip.SetZipName(o.dir / "T.zip");
    EXPECT_EQ(o.zip.EntryCount(), 0);
    EXPECT_THROW(o.zip.ReadDirectory(), EFileError);
}

TEST(Reader, ArchiveAndEntryCommentsChangeInMemory)
{
    Opened o(CraftZip(ThreeEntries(), {.comment = "old"}));
    o.zip.ReadDirectory();
    EXPECT_TRUE(o.zip.HasArchiveComment());
    o.zip.SetArchiveComment("old");
    EXPECT_FALSE(o.zip.EndCentral().CommentModified);
    o.zip.SetArchiveComment("new");
    EXPECT_TRUE(o.zip.EndCentral().CommentModified);
    EXPECT_EQ(o.zip.ArchiveComment(), "new");
    o.zip.SetEntryComment(0, "first");
    EXPECT_EQ(o.zip.EntryComment(0), "first");
    EXPECT_EQ(o.zip.Entry(0).FileCommentLength, 5);
}

TEST(Reader, SortedViewsAddressTheSameEntries)
{
    Opened o(CraftZip({{.name = "b", .data = "12345"}, {.name = "a", .data = "1"}, {.name = "c", .data = "123"}}));
    o.zip.SortMode = ByName;
    o.zip.ReadDirectory();
    EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"a", "b", "c"}));
    o.zip.SortEntries(ByUnCompressedSize);
    EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"b", "c", "a"}));
    o.zip.SortEntries(ByNone);
    EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"b", "a", "c"}));
}

TEST(Reader, VolumeRequestsGoThroughOnGetNextDisk)
{
    auto vol = [](const std::string& n) { return TestData("made/" + n); };
    std::vector<int> asked;
    TKestroUnZip zip;
    zip.OnGetNextDisk = [&](TKestroUnZip*, int n, std::string& fname) {
        asked.push_back(n);
        fname = vol("blocks.00" + std::to_string(n));
    };
    zip.SetZipName(vol("blocks.003"));
    zip.ReadDirectory();
    EXPECT_EQ(zip.EntryCount(), 3);
    EXPECT_EQ(zip.DiskCount, 3);
    // Without a handler a volume change cannot happen
    TKestroUnZip bare;
    bare.SetZipName(vol("split.zip"));
    bare.ReadDirectory();
    TempDir out;
    bare.SetDestDir(out.Path());
    bare.DoAll = true;
    try {
        bare.ExtractFiles();
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled loading new disk.");
    }
    // A refused volume
    TKestroUnZip refused;
    refused.OnGetNextDisk = [](TKestroUnZip*, int, std::string& fname) { fname.clear(); };
    refused.SetZipName(vol("split.zip"));
    refused.ReadDirectory();
    refused.SetDestDir(out.Path());
    refused.DoAll = true;
    EXPECT_THROW(refused.ExtractFiles(), EUserCanceled);
}

TEST(Reader, ScanOfAProgramInFrontStartsWhereTheEndRecordPutsTheArchive)
{
    // "PK\3\4" inside the program must not pass for an entry
    std::string stub = std::string(3000, 'S') + "PK\x03\x04" + std::string(40, '\0') + std::string(3000, 'T');
    Opened o(CraftZip(ThreeEntries(), {.prefix = stub, .adjustOffsets = false}), "t.run");
    o.zip.ReadDirectory();
    EXPECT_TRUE(o.zip.RebuiltFromLocal());
    EXPECT_EQ(Listed(o.zip), (std::vector<std::string>{"a.txt", "dir\\b.txt", "dir\\sub\\"}));
}
