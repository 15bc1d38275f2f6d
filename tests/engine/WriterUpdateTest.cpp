// Adding to an existing archive: update, replace and freshen against the
// entries' dates, the events that steer an add, Dispose, and files that
// change while they are read.
#include "EngineErrors.h"
#include "FileUtils.h"
#include "KestroZip.h"
#include "TestSupport.h"
#include "WriterSupport.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace movrel::test {
namespace {

constexpr std::time_t kT0 = 1700000000;  // an even second: MS-DOS times keep it exactly

class WriterUpdate : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<TKestroZip> zip;

    std::string Archive() const { return dir / "a.zip"; }
    std::string Src(const std::string& name) const { return dir / ("src/" + name); }

    TKestroZip& Fresh()
    {
        zip = std::make_unique<TKestroZip>();
        zip->DoProcessMessages = false;
        zip->SetZipName(Archive());
        zip->SetRelativePaths(true);
        zip->SetRootDir(dir / "src");
        return *zip;
    }

    void Put(const std::string& name, const std::string& content, std::time_t t = kT0)
    {
        MakeTree(dir / "src", {{name, content}});
        SetMTime(Src(name), t);
    }

    int Add(std::vector<std::string> names)
    {
        Fresh();
        for (const std::string& n : names)
            zip->FilesList.push_back(Src(n));
        return zip->AddFiles();
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const RawRecord& r : RawRecords(ReadFile(Archive())))
            names.push_back(r.name);
        return names;
    }

    std::string Content(const std::string& name) const
    {
        std::string out;
        RunCommand("unzip -p " + ShellQuote(Archive()) + " " + ShellQuote(name), &out);
        return out;
    }
};

TEST_F(WriterUpdate, ActionsAgainstOlderEqualAndNewerFiles)
{
    struct Case {
        TZipAction action;
        std::time_t fileTime;
        bool replaced;
        bool newFileAdded;
    };
    const Case cases[] = {
        {zaUpdate, kT0 - 3600, false, true},  {zaUpdate, kT0, false, true},  {zaUpdate, kT0 + 3600, true, true},
        {zaReplace, kT0 - 3600, true, true},  {zaReplace, kT0, true, true},  {zaReplace, kT0 + 3600, true, true},
        {zaFreshen, kT0 - 3600, false, false}, {zaFreshen, kT0, false, false}, {zaFreshen, kT0 + 3600, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("action " + std::to_string(c.action) + " file time " + std::to_string(c.fileTime - kT0));
        ::unlink(Archive().c_str());
        Put("a.txt", "old a");
        Put("c.txt", "c");
        ASSERT_EQ(Add({"a.txt", "c.txt"}), 2);

        Put("a.txt", "new a", c.fileTime);
        Put("b.txt", "b");
        TKestroZip& z = Fresh();
        z.ReadDirectory();
        z.ZipAction = c.action;
        z.FilesList = {Src("a.txt"), Src("b.txt")};
        EXPECT_EQ(z.AddFiles(), int(c.replaced) + int(c.newFileAdded));
        EXPECT_EQ(Content("a.txt"), c.replaced ? "new a" : "old a");
        std::vector<std::string> expected = {"a.txt", "c.txt"};  // a replacement keeps its place
        if (c.newFileAdded)
            expected.push_back("b.txt");
        EXPECT_EQ(Names(), expected);
        // the items matched to entries are gone from the list (freshen drops
        // the new file while expanding)
        EXPECT_EQ(z.FilesList, c.newFileAdded ? std::vector<std::string>{Src("b.txt")} : std::vector<std::string>{});
    }
}

TEST_F(WriterUpdate, FreshenWithoutALoadedDirectoryAddsNothing)
{
    Put("a.txt", "a");
    ASSERT_EQ(Add({"a.txt"}), 1);
    Put("a.txt", "newer", kT0 + 3600);
    TKestroZip& z = Fresh();
    z.ZipAction = zaFreshen;
    z.FilesList = {Src("a.txt")};
    EXPECT_EQ(z.AddFiles(), 0);
    EXPECT_EQ(Content("a.txt"), "a");
}

TEST_F(WriterUpdate, StartZipChangesTheHeaderOrSkips)
{
    Put("keep.txt", "k");
    Put("skip.txt", "s");
    TKestroZip& z = Fresh();
    z.FilesList = {Src("keep.txt"), Src("skip.txt")};
    std::vector<std::string> seen;
    z.OnStartZip = [&](TKestroZip*, const std::string& fname, TZipHeaderInfo& header, bool& skip) {
        seen.push_back(fname);
        if (fname == Src("skip.txt")) {
            skip = true;
            return;
        }
        header.SetPath("renamed\\k\xc3\xa9.txt");
        header.DosDateTime = 0x58642A00;  // 2024-03-04 05:16:00
    };
    int ended = 0;
    z.OnEndZip = [&](TKestroZip*, const std::string&, uint32_t size, uint32_t packed, int64_t zipSize) {
        ++ended;
        EXPECT_EQ(size, 1u);
        EXPECT_GT(zipSize, int64_t(packed));
    };
    EXPECT_EQ(z.AddFiles(), 1);
    EXPECT_EQ(seen, (std::vector<std::string>{Src("keep.txt"), Src("skip.txt")}));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"renamed/k\xc3\xa9.txt"});
    ASSERT_EQ(z.EntryCount(), 1);
    EXPECT_EQ(z.Entry(0).DosDateTime, 0x58642A00u);
    EXPECT_EQ(Content("renamed/k\xc3\xa9.txt"), "k");
}

TEST_F(WriterUpdate, StartZipInfoStopsBeforeAnythingIsWritten)
{
    Put("a.txt", "a");
    ASSERT_EQ(Add({"a.txt"}), 1);
    std::string before = ReadFile(Archive());
    Put("b.txt", "bbbb");
    Put("c.txt", "cc");
    TKestroZip& z = Fresh();
    z.FilesList = {Src("b.txt"), Src("c.txt")};
    int files = -1;
    int64_t bytes = -1;
    z.OnStartZipInfo = [&](TKestroZip*, int numFiles, int64_t totalBytes, TEndCentral&, bool& stop) {
        files = numFiles;
        bytes = totalBytes;
        stop = true;
    };
    try {
        z.AddFiles();
        FAIL() << "no exception";
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation.");
    }
    EXPECT_EQ(files, 2);
    EXPECT_EQ(bytes, 6);
    EXPECT_EQ(ReadFile(Archive()), before);
    // the old directory is still loaded, and the writer works again
    EXPECT_EQ(z.EntryCount(), 1);
    z.OnStartZipInfo = nullptr;
    z.FilesList = {Src("b.txt")};
    EXPECT_EQ(z.AddFiles(), 1);
}

TEST_F(WriterUpdate, DisposeDeletesOnlyAfterSuccessAndAsTheEventSays)
{
    Put("a.txt", "a");
    Put("b.txt", "b");
    TKestroZip& z = Fresh();
    z.Dispose = true;
    z.FilesList = {Src("a.txt"), Src("b.txt")};
    z.OnStartZipInfo = [](TKestroZip*, int, int64_t, TEndCentral&, bool& stop) { stop = true; };
    EXPECT_THROW(z.AddFiles(), EUserCanceled);
    EXPECT_TRUE(FileExists(Src("a.txt")) && FileExists(Src("b.txt")));

    z.OnStartZipInfo = nullptr;
    z.FilesList = {Src("a.txt"), Src("b.txt")};
    std::vector<std::string> asked;
    z.OnDisposeFile = [&](TKestroZip*, const std::string& name, bool& skip) {
        asked.push_back(name);
        skip = name == Src("b.txt");
    };
    EXPECT_EQ(z.AddFiles(), 2);
    EXPECT_EQ(asked, (std::vector<std::string>{Src("a.txt"), Src("b.txt")}));
    EXPECT_FALSE(FileExists(Src("a.txt")));
    EXPECT_TRUE(FileExists(Src("b.txt")));
}

TEST_F(WriterUpdate, ListedTwiceIsWrittenOnceAndMissingFilesAreReported)
{
    Put("a.txt", "a");
    TKestroZip& z = Fresh();
    z.FilesList = {Src("a.txt"), Src("none.txt"), Src("a.txt")};
    std::vector<std::string> missing;
    z.OnNoSuchFile = [&](TKestroZip*, const std::string& name) { missing.push_back(name); };
    int skips = 0;
    z.OnSkippingFile = [&](TKestroUnZip* sender, TSkipReason reason, int index) {
        ++skips;
        EXPECT_EQ(reason, srNoOverwrite);
        EXPECT_EQ(sender->Entry(index).FullName(), "a.txt");  // the entry already written
    };
    EXPECT_EQ(z.AddFiles(), 1);
    EXPECT_EQ(missing, std::vector<std::string>{Src("none.txt")});
    EXPECT_EQ(skips, 1);
    EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"});
}

// A replacement that cannot be read leaves the old entry in place.
TEST_F(WriterUpdate, UnreadableReplacementKeepsTheOldEntry)
{
    Put("a.txt", "a");
    Put("b.txt", "b");
    ASSERT_EQ(Add({"a.txt", "b.txt"}), 2);
    const RawRecord before = *FindRecord(RawRecords(ReadFile(Archive())), "a.txt");
    ::unlink(Src("a.txt").c_str());
    // a socket cannot be opened for reading, not even by root
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = Src("a.txt");
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::copy(path.begin(), path.end(), addr.sun_path);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(s);

    TKestroZip& z = Fresh();
    z.ZipAction = zaReplace;
    z.FilesList = {Src("a.txt")};
    std::vector<std::string> errors;
    z.OnFileError = [&](TKestroZip*, const std::string& name, const std::string&) { errors.push_back(name); };
    EXPECT_EQ(z.AddFiles(), 0);
    EXPECT_EQ(errors, std::vector<std::string>{Src("a.txt")});
    auto records = RawRecords(ReadFile(Archive()));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].localRecord, before.localRecord);
}

// The size and CRC written are those of the bytes actually read, whatever
// the file does meanwhile; with a password the file is read twice and must
// read the same both times.
TEST_F(WriterUpdate, FileChangingWhileReadNeverGivesAWrongHeader)
{
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += "line " + std::to_string(i) + "\n";
    struct Case {
        const char* title;
        std::string password;
        int changes;       // how many reads change the file
        bool truncate;     // shrink instead of grow
        bool written;
    };
    const Case cases[] = {
        {"grows", "", 1000, false, true},
        {"shrinks", "", 1, true, true},
        {"encrypted, changes once", "pw", 1, false, true},
        {"encrypted, keeps changing", "pw", 1000, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ::unlink(Archive().c_str());
        Put("log.txt", big);
        TKestroZip& z = Fresh();
        z.Password = c.password;
        z.FilesList = {Src("log.txt")};
        int changes = c.changes;
        z.OnFilePercentDone = [&](TKestroUnZip*, int) {
            if (changes-- <= 0)
                return;
            if (c.truncate) {
                ASSERT_EQ(::truncate(Src("log.txt").c_str(), 1000), 0);
            } else {
                FILE* f = std::fopen(Src("log.txt").c_str(), "ab");
                std::fputs("appended while read\n", f);
                std::fclose(f);
            }
        };
        int errors = 0;
        z.OnFileError = [&](TKestroZip*, const std::string&, const std::string&) { ++errors; };
        EXPECT_EQ(z.AddFiles(), c.written ? 1 : 0);
        EXPECT_EQ(errors, c.written ? 0 : 1);
        std::string out;
        std::string pw = c.password.empty() ? "" : " -P " + c.password;
        if (c.written) {
            EXPECT_EQ(RunCommand("unzip -tqq" + pw + " " + ShellQuote(Archive()) + " 2>&1", &out), 0) << out;
        }
        TKestroUnZip reader;
        reader.DoProcessMessages = false;
        reader.SetZipName(Archive());
        reader.Password = c.password;
        reader.DoAll = true;
        reader.ReadDirectory();
        EXPECT_EQ(reader.TestFiles(), c.written ? 1 : 0);
    }
}

}  // namespace
}  // namespace movrel::test
