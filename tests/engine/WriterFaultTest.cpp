// Whatever fails while an archive is written - a source that cannot be
// read, a full disk, a cancel, a killed process, a value the format cannot
// hold - an existing archive keeps its bytes, a new one does not appear,
// and no temporary file remains.
#include "EngineErrors.h"
#include "KestroZip.h"
#include "TestSupport.h"
#include "WriterSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace movrel::test {
namespace {

std::string Text(size_t lines)
{
    std::mt19937 gen(7);
    std::string s;
    while (s.size() < lines * 40)
        s += "record " + std::to_string(gen() % 100000) + " value " + std::to_string(gen() % 977) + "\n";
    return s;
}

// A writer whose limits a test may lower.
class TLimitedZip : public TKestroZip {
public:
    void SetLimits(uint64_t archiveBytes, int entries)
    {
        maxArchiveSize_ = archiveBytes;
        maxEntries_ = entries;
    }
};

class WriterFault : public ::testing::Test {
protected:
    TempDir dir;
    std::string Archive() const { return dir / "arc/a.zip"; }
    std::string TempFolder() const { return dir / "temp"; }

    void SetUp() override
    {
        MakeTree(dir.Path(), {{"src/one.txt", "one"}, {"src/two.txt", Text(2000)}});
        ::mkdir(TempFolder().c_str(), 0700);
        ::mkdir((dir / "arc").c_str(), 0755);
    }

    void Prepare(TKestroZip& z) const
    {
        z.DoProcessMessages = false;
        z.SetZipName(Archive());
        z.TempPath = TempFolder();
        z.SetRelativePaths(true);
        z.SetRootDir(dir / "src");
    }

    // An archive with two entries; answers its bytes.
    std::string MakeArchive() const
    {
        TKestroZip z;
        Prepare(z);
        z.FilesList = {dir / "src/one.txt", dir / "src/two.txt"};
        EXPECT_EQ(z.AddFiles(), 2);
        return ReadFile(Archive());
    }

    void ExpectNothingLeft(const std::vector<std::string>& archiveFolder) const
    {
        EXPECT_EQ(FolderEntries(TempFolder()), std::vector<std::string>{});
        EXPECT_EQ(FolderEntries(dir / "arc"), archiveFolder);
    }
};

TEST_F(WriterFault, SourceFailingWhileReadLeavesEverythingAsItWas)
{
    for (bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "existing archive" : "new archive");
        ::unlink(Archive().c_str());
        std::string before = existing ? MakeArchive() : std::string();
        TKestroZip z;
        Prepare(z);
        if (existing)
            z.ReadDirectory();
        // opens well, then every read fails with an input/output error
        z.FilesList = {dir / "src/one.txt", "/proc/self/mem"};
        EXPECT_THROW(z.AddFiles(), EFileError);
        if (existing) {
            EXPECT_EQ(ReadFile(Archive()), before);
            EXPECT_EQ(z.EntryCount(), 2);  // the old directory stays loaded
        }
        ExpectNothingLeft(existing ? std::vector<std::string>{"a.zip"} : std::vector<std::string>{});
    }
}

// The output refuses bytes part-way: the operation runs in a child whose
// files may not grow past 64 KiB.
TEST_F(WriterFault, FullDiskLeavesEverythingAsItWas)
{
    MakeTree(dir.Path(), {{"src/big.txt", Text(20000)}});
    for (bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "existing archive" : "new archive");
        ::unlink(Archive().c_str());
        std::string before = existing ? MakeArchive() : std::string();
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{64 * 1024, 64 * 1024};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            int code = 3;
            try {
                TKestroZip z;
                Prepare(z);
                z.PackLevel = 0;
                z.FilesList = {dir / "src/big.txt"};
                z.AddFiles();
            } catch (const EFileError&) {
                code = 0;
            } catch (...) {
                code = 2;
            }
            ::_exit(code);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "2: another error, 3: no error at all";
        if (existing) {
            EXPECT_EQ(ReadFile(Archive()), before);
        }
        ExpectNothingLeft(existing ? std::vector<std::string>{"a.zip"} : std::vector<std::string>{});
    }
}

// A user interface whose Cancel button is pressed at the n-th pump.
class TCancelAt : public TEngineUi {
public:
    TCancelAt(TKestroUnZip*& zip, int n) : zip_(zip), n_(n) {}
    void ProcessMessages() override
    {
        if (--n_ == 0)
            zip_->CancelOperation();
    }

private:
    TKestroUnZip*& zip_;
    int n_;
};

TEST_F(WriterFault, CancelInTheMiddleLeavesEverythingAsItWas)
{
    MakeTree(dir.Path(), {{"src/big.txt", Text(20000)}});
    for (bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "existing archive" : "new archive");
        ::unlink(Archive().c_str());
        std::string before = existing ? MakeArchive() : std::string();
        TKestroUnZip* self = nullptr;
        TCancelAt ui(self, 5);
        TKestroZip z(&ui);
        self = &z;
        Prepare(z);
        z.DoProcessMessages = true;
        z.FilesList = {dir / "src/big.txt"};
        try {
            z.AddFiles();
            FAIL() << "not cancelled";
        } catch (const EUserCanceled& e) {
            EXPECT_STREQ(e.what(), "User Aborted Operation");
        }
        if (existing) {
            EXPECT_EQ(ReadFile(Archive()), before);
        }
        ExpectNothingLeft(existing ? std::vector<std::string>{"a.zip"} : std::vector<std::string>{});
    }
}

// kill -9 while the archive is being written: nothing to clean up after.
TEST_F(WriterFault, KilledProcessLeavesEverythingAsItWas)
{
    MakeTree(dir.Path(), {{"src/big.txt", Text(400000)}});
    for (bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "existing archive" : "new archive");
        ::unlink(Archive().c_str());
        std::string before = existing ? MakeArchive() : std::string();
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            TKestroZip z;
            Prepare(z);
            z.PackLevel = 9;
            z.FilesList = {dir / "src/big.txt"};
            int reads = 0;
            z.OnFilePercentDone = [&](TKestroUnZip*, int) {
                if (++reads == 20 && ::write(pipeFds[1], "w", 1) != 1)
                    ::_exit(4);
            };
            z.AddFiles();
            ::_exit(3);  // too fast: the parent reports it
        }
        ::close(pipeFds[1]);
        char c = 0;
        ASSERT_EQ(::read(pipeFds[0], &c, 1), 1);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(pipeFds[0]);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the child finished before it was killed";
        if (existing) {
            EXPECT_EQ(ReadFile(Archive()), before);
        }
        ExpectNothingLeft(existing ? std::vector<std::string>{"a.zip"} : std::vector<std::string>{});
    }
}

TEST_F(WriterFault, ValuesTheFormatCannotHoldStopBeforeAnythingIsReplaced)
{
    std::string before = MakeArchive();
    // a sparse file of exactly 4 GiB takes no room
    std::string huge = dir / "src/huge.bin";
    int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(4) << 30), 0);
    ::close(fd);
    MakeTree(dir.Path(), {{"src/three.txt", Text(100)}, {"src/four.txt", "4"}});

    struct Case {
        const char* title;
        std::vector<std::string> files;
        uint64_t archiveLimit;
        int entryLimit;
    };
    const Case cases[] = {
        {"file of 4 GiB", {dir / "src/huge.bin"}, TKestroZip::kMaxFormatSize, TKestroZip::kMaxEntries},
        {"archive past its limit", {dir / "src/three.txt"}, before.size() + 200, TKestroZip::kMaxEntries},
        {"more entries than the format counts", {dir / "src/three.txt", dir / "src/four.txt"},
         TKestroZip::kMaxFormatSize, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        TLimitedZip z;
        Prepare(z);
        z.SetLimits(c.archiveLimit, c.entryLimit);
        z.FilesList = c.files;
        EXPECT_THROW(z.AddFiles(), ELimitError);
        EXPECT_FALSE(z.FilesList.empty());  // the list is left as far as the run got
        EXPECT_EQ(ReadFile(Archive()), before);
        ExpectNothingLeft({"a.zip"});
    }
}

TEST_F(WriterFault, ArchiveChangedByAnotherProgramIsNotOverwritten)
{
    MakeArchive();
    TKestroZip z;
    Prepare(z);
    z.ReadDirectory();
    z.FilesList = {dir / "src/one.txt"};
    z.ZipAction = zaReplace;
    std::string theirs;
    z.OnStartZip = [&](TKestroZip*, const std::string&, TZipHeaderInfo&, bool&) {
        theirs = ReadFile(Archive()) + "appended by someone else";
        WriteFile(Archive(), theirs);
    };
    EXPECT_THROW(z.AddFiles(), EFileError);
    EXPECT_EQ(ReadFile(Archive()), theirs);
    ExpectNothingLeft({"a.zip"});
}

// The replaced archive keeps its permissions; one reached through a link is
// replaced where the link leads; a temporary file on another file system is
// copied beside the archive before the rename.
TEST_F(WriterFault, ReplacementKeepsModeFollowsLinksAndCrossesFileSystems)
{
    MakeArchive();
    ASSERT_EQ(::chmod(Archive().c_str(), 0640), 0);
    std::string link = dir / "link.zip";
    ASSERT_EQ(::symlink(Archive().c_str(), link.c_str()), 0);

    std::string otherTemp;
    struct stat a, b;
    if (::stat("/dev/shm", &a) == 0 && ::stat(dir.Path().c_str(), &b) == 0 && a.st_dev != b.st_dev) {
        char name[] = "/dev/shm/movrel-temp-XXXXXX";
        if (::mkdtemp(name))
            otherTemp = name;
    }
    for (const std::string& temp : {TempFolder(), otherTemp}) {
        if (temp.empty()) {
            std::printf("note: no second file system at /dev/shm; the copy across file systems is not tried\n");
            continue;
        }
        SCOPED_TRACE(temp);
        TKestroZip z;
        Prepare(z);
        z.SetZipName(link);
        z.TempPath = temp;
        z.ZipAction = zaReplace;
        z.FilesList = {dir / "src/one.txt"};
        ASSERT_EQ(z.AddFiles(), 1);
        struct stat st;
        ASSERT_EQ(::lstat(link.c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
        ASSERT_EQ(::stat(Archive().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
        EXPECT_EQ(FolderEntries(temp), std::vector<std::string>{});
        EXPECT_EQ(FolderEntries(dir / "arc"), std::vector<std::string>{"a.zip"});
        std::string out;
        EXPECT_EQ(RunCommand("unzip -tqq " + ShellQuote(Archive()) + " 2>&1", &out), 0) << out;
    }
    if (!otherTemp.empty())
        ::rmdir(otherTemp.c_str());
}

}  // namespace
}  // namespace movrel::test
