// Deleting entries, saving comments, repairing damaged archives, and
// updating archives that other programs wrote.
#include "EngineErrors.h"
#include "FileUtils.h"
#include "KestroZip.h"
#include "TestSupport.h"
#include "WriterSupport.h"

#include <gtest/gtest.h>

namespace movrel::test {
namespace {

std::string Lines(int n, const std::string& word)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += word + " " + std::to_string(i) + "\n";
    return s;
}

class WriterRewrite : public ::testing::Test {
protected:
    TempDir dir;
    std::string Archive() const { return dir / "a.zip"; }

    void Prepare(TKestroZip& z, const std::string& archive) const
    {
        z.DoProcessMessages = false;
        z.SetZipName(archive);
        z.SetRelativePaths(true);
        z.SetRootDir(dir / "src");
    }

    // Writes tree below src and an archive of it; answers the archive's bytes.
    std::string MakeArchive(const FileTree& tree, const std::string& archive)
    {
        MakeTree(dir / "src", tree);
        TKestroZip z;
        Prepare(z, archive);
        z.FilesList = {">" + dir / "src/*"};
        EXPECT_EQ(z.AddFiles(), int(tree.size()));
        return ReadFile(archive);
    }

    std::vector<std::string> Names(const std::string& archive) const
    {
        std::vector<std::string> names;
        for (const RawRecord& r : RawRecords(ReadFile(archive)))
            names.push_back(r.name);
        return names;
    }

    void ExpectPeersAccept(const std::string& archive, const FileTree& expected) const
    {
        for (const PeerVerdict& v : CheckWithPeers(archive, "", expected)) {
            if (!v.missing) {
                EXPECT_EQ(v.error, "") << v.peer;
            }
        }
    }
};

const FileTree kTree = {
    {"docs/a.txt", "a"}, {"docs/b.bak", "b"}, {"keep.txt", "k"}, {"sub/docs/a.txt", "s"}, {"x.bak", "x"},
};

TEST_F(WriterRewrite, DeleteByNamesAndPatterns)
{
    struct Case {
        const char* title;
        std::vector<std::string> items;
        std::string skipEntry;  // OnDeleteEntry keeps this one
        int dropped;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"a name and a pattern on file names", {"docs\\a.txt", "*.bak"}, "", 3, {"keep.txt", "sub/docs/a.txt"}},
        {"a pattern with a folder matches the whole path", {"DOCS\\*"}, "", 2, {"keep.txt", "sub/docs/a.txt", "x.bak"}},
        {"a kept entry ends its pattern", {"*.bak"}, "docs\\b.bak", 0, {"docs/a.txt", "docs/b.bak", "keep.txt",
                                                                     "sub/docs/a.txt", "x.bak"}},
        {"a name that is not there", {"nothing.txt"}, "", 0, {"docs/a.txt", "docs/b.bak", "keep.txt",
                                                              "sub/docs/a.txt", "x.bak"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        std::string before = MakeArchive(kTree, Archive());
        auto oldRecords = RawRecords(before);
        TKestroZip z;
        Prepare(z, Archive());
        z.FilesList = c.items;
        std::vector<std::string> asked;
        z.OnDeleteEntry = [&](TKestroZip*, const std::string& name, bool& skip) {
            asked.push_back(name);
            skip = name == c.skipEntry;
        };
        EXPECT_EQ(z.DeleteFiles(), c.dropped);
        EXPECT_EQ(Names(Archive()), c.left);
        for (const RawRecord& r : RawRecords(ReadFile(Archive())))
            EXPECT_EQ(r.localRecord, FindRecord(oldRecords, r.name)->localRecord) << r.name;
        if (!c.skipEntry.empty()) {
            EXPECT_EQ(asked, std::vector<std::string>{c.skipEntry});
        }
        ::unlink(Archive().c_str());
    }
}

TEST_F(WriterRewrite, DeleteFromNoArchiveMakesAnEmptyOneAndFailureEndsDeleteMode)
{
    TKestroZip z;
    Prepare(z, dir / "none.zip");
    z.FilesList = {"*.txt"};
    EXPECT_EQ(z.DeleteFiles(), 0);
    EXPECT_EQ(ReadFile(dir / "none.zip").size(), 22u);

    WriteFile(dir / "bad.zip", "this is no archive at all, not even a damaged one");
    z.SetZipName(dir / "bad.zip");
    z.FilesList = {"*.txt"};
    EXPECT_THROW(z.DeleteFiles(), EIncompleteZip);
    MakeTree(dir / "src", {{"n.txt", "n"}});
    z.SetZipName(dir / "next.zip");
    z.FilesList = {dir / "src/n.txt"};
    EXPECT_EQ(z.AddFiles(), 1);
}

TEST_F(WriterRewrite, CommentsAreSavedAndSurviveLaterUpdates)
{
    std::string before = MakeArchive(kTree, Archive());
    {
        TKestroZip z;
        Prepare(z, Archive());
        z.ReadDirectory();
        z.SetArchiveComment("The archive's comment\nsecond line");
        z.SetEntryComment(2, "a note on keep.txt");
        z.SaveModifiedArchive();
        EXPECT_FALSE(z.EndCentral().CommentModified);
    }
    auto check = [&](const char* when) {
        SCOPED_TRACE(when);
        std::string out;
        RunCommand("unzip -z " + ShellQuote(Archive()), &out);
        EXPECT_NE(out.find("The archive's comment\nsecond line"), std::string::npos) << out;
        EXPECT_EQ(FindRecord(RawRecords(ReadFile(Archive())), "keep.txt")->comment, "a note on keep.txt");
        RunCommand("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                   "print(z.getinfo('keep.txt').comment.decode())\" " + ShellQuote(Archive()), &out);
        EXPECT_EQ(out, "a note on keep.txt\n");
    };
    check("after saving");
    {
        // a new writer that never loaded the comments still carries them
        MakeTree(dir / "src", {{"new.txt", "new"}});
        TKestroZip z;
        Prepare(z, Archive());
        z.FilesList = {dir / "src/new.txt"};
        EXPECT_EQ(z.AddFiles(), 1);
    }
    check("after an add");
    {
        // naming another archive saves a changed comment first; the same name saves nothing
        TKestroZip z;
        Prepare(z, Archive());
        z.ReadDirectory();
        z.SetArchiveComment("changed");
        std::string unchanged = ReadFile(Archive());
        z.SetZipName(Archive());
        EXPECT_EQ(ReadFile(Archive()), unchanged);
        z.SetZipName(dir / "other.zip");
        std::string out;
        RunCommand("unzip -z " + ShellQuote(Archive()), &out);
        EXPECT_NE(out.find("changed"), std::string::npos) << out;
    }
}

TEST_F(WriterRewrite, RepairRecoversEveryCompleteEntry)
{
    FileTree tree = {{"1.txt", Lines(2000, "one")}, {"2.txt", Lines(3000, "two")}, {"3.txt", Lines(1000, "three")},
                     {"4.txt", Lines(4000, "four")}};
    std::string good = MakeArchive(tree, Archive());
    auto records = RawRecords(good);
    ASSERT_EQ(records.size(), 4u);
    size_t central = records.back().localOffset + records.back().localRecord.size();

    struct Case {
        const char* title;
        std::string damaged;
        std::vector<std::string> recovered;
    };
    std::string zeroCentral = good;
    std::fill(zeroCentral.begin() + long(central), zeroCentral.end() - 22, '\0');
    std::string secondHeaderGone = good;
    std::fill(secondHeaderGone.begin() + long(central) + 46 + 5, secondHeaderGone.begin() + long(central) + 46 + 60,
              '\0');
    const Case cases[] = {
        {"intact", good, {"1.txt", "2.txt", "3.txt", "4.txt"}},
        {"cut inside the last entry", good.substr(0, records.back().localOffset + 100), {"1.txt", "2.txt", "3.txt"}},
        {"cut inside the central directory", good.substr(0, central + 30), {"1.txt", "2.txt", "3.txt", "4.txt"}},
        {"central directory destroyed", zeroCentral, {"1.txt", "2.txt", "3.txt", "4.txt"}},
        {"one central header destroyed", secondHeaderGone, {"1.txt", "2.txt", "3.txt", "4.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        WriteFile(dir / "damaged.zip", c.damaged);
        ::unlink((dir / "fixed.zip").c_str());
        TKestroZip z;
        z.DoProcessMessages = false;
        EXPECT_EQ(z.RepairArchive(dir / "damaged.zip", dir / "fixed.zip"), int(c.recovered.size()));
        EXPECT_EQ(ReadFile(dir / "damaged.zip"), c.damaged);
        EXPECT_EQ(z.ZipName(), dir / "fixed.zip");
        EXPECT_EQ(Names(dir / "fixed.zip"), c.recovered);
        FileTree expected;
        for (const std::string& n : c.recovered)
            expected[n] = tree.at(n);
        ExpectPeersAccept(dir / "fixed.zip", expected);

        // the repair's output name is gone: the next update replaces its own archive
        MakeTree(dir / "src", {{"later.txt", "later"}});
        z.SetRelativePaths(true);
        z.SetRootDir(dir / "src");
        z.FilesList = {dir / "src/later.txt"};
        EXPECT_EQ(z.AddFiles(), 1);
        EXPECT_EQ(Names(dir / "fixed.zip").back(), "later.txt");
        EXPECT_EQ(ReadFile(dir / "damaged.zip"), c.damaged);
    }
}

// Archives of other programs keep every byte of the entries an update does
// not touch: local headers, local and central extra fields, data
// descriptors.
TEST_F(WriterRewrite, UpdatingOtherProgramsArchivesKeepsTheirEntries)
{
    FileTree tree = {{"dir/a.txt", Lines(500, "alpha")}, {"dir/b.txt", Lines(700, "beta")}, {"c.bin", "\x01\x02"},
                     {"old.txt", "to be replaced"}};
    MakeTree(dir / "src", tree);
    std::string seven = SevenZipCommand();
    struct Maker {
        const char* tool;
        std::string command;  // run inside src, writes ../made.zip
    };
    const Maker makers[] = {
        {"zip", "zip -qr -X- ../made.zip ."},  // with extended time and Unix id fields
        {"7z", seven + " a -tzip ../made.zip . >/dev/null"},
        {"bsdtar", "bsdtar --format zip -cf ../made.zip dir c.bin old.txt"},  // data descriptors
    };
    for (const Maker& m : makers) {
        SCOPED_TRACE(m.tool);
        bool missing = std::string(m.tool) == "7z" ? seven.empty() : !HaveTool(m.tool);
        if (missing) {
            std::printf("note: %s is not installed; its archive is not tried\n", m.tool);
            continue;
        }
        ::unlink((dir / "made.zip").c_str());
        ASSERT_EQ(RunCommand("cd " + ShellQuote(dir / "src") + " && " + m.command), 0);
        auto before = RawRecords(ReadFile(dir / "made.zip"));
        ASSERT_FALSE(before.empty());

        WriteFile(dir / "src/old.txt", "the replacement");
        SetMTime(dir / "src/old.txt", std::time(nullptr) + 3600);
        WriteFile(dir / "src/new.txt", "new");
        TKestroZip z;
        Prepare(z, dir / "made.zip");
        z.FilesList = {dir / "src/old.txt", dir / "src/new.txt"};
        EXPECT_EQ(z.AddFiles(), 2);

        auto after = RawRecords(ReadFile(dir / "made.zip"));
        for (const RawRecord& old : before) {
            if (old.name == "old.txt")
                continue;
            const RawRecord* now = FindRecord(after, old.name);
            ASSERT_NE(now, nullptr) << old.name;
            EXPECT_EQ(now->localRecord, old.localRecord) << old.name;
            EXPECT_EQ(now->centralExtra, old.centralExtra) << old.name;
            EXPECT_EQ(now->versionMadeBy, old.versionMadeBy) << old.name;
            EXPECT_EQ(now->flags, old.flags) << old.name;
        }
        FileTree expected = tree;
        expected["old.txt"] = "the replacement";
        expected["new.txt"] = "new";
        ExpectPeersAccept(dir / "made.zip", expected);
        WriteFile(dir / "src/old.txt", "to be replaced");
        ::unlink((dir / "src/new.txt").c_str());
    }
}

}  // namespace
}  // namespace movrel::test
