#include "FileUtils.h"

#include "EngineErrors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace movrel;
namespace fs = std::filesystem;

namespace {

class FileUtilsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "fileutils-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const std::string& rel) const { return m_dir + "/" + rel; }
    void Write(const std::string& rel, const std::string& content) const
    {
        std::ofstream(Path(rel), std::ios::binary) << content;
    }
    std::string Read(const std::string& rel) const
    {
        std::ifstream in(Path(rel), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string m_dir;  // without a trailing '/'
};

// The message of the EFileError fn throws (fails the test when none is thrown).
template <class Fn>
std::string FileErrorOf(Fn fn)
{
    try {
        fn();
    } catch (const EFileError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no EFileError";
    return {};
}

}  // namespace

TEST(FileUtilsText, LeftRightAndSlashes)
{
    EXPECT_EQ(LeftStr("abcdef", 2), "ab");
    EXPECT_EQ(LeftStr("ab", 5), "ab");
    EXPECT_EQ(LeftStr("ab", 0), "");
    EXPECT_EQ(RightStr("abcdef", 2), "ef");
    EXPECT_EQ(RightStr("ab", 5), "ab");
    EXPECT_EQ(RightStr("ab", 0), "");
    EXPECT_EQ(ToForwardSlashes("dir\\sub\\a.txt"), "dir/sub/a.txt");
    EXPECT_EQ(ToBackslashes("/home/u/a.txt"), "\\home\\u\\a.txt");
}

TEST(FileUtilsText, PathParts)
{
    const struct {
        const char* path;
        char sep;
        const char* dir;
        const char* name;
        const char* ext;
    } cases[] = {
        {"/home/u/report.final.txt", '/', "/home/u/", "report.final.txt", ".txt"},
        {"/home/u.d/noext", '/', "/home/u.d/", "noext", ""},
        {"/home/u/.profile", '/', "/home/u/", ".profile", ".profile"},
        {"/home/u/", '/', "/home/u/", "", ""},
        {"a.zip", '/', "", "a.zip", ".zip"},
        {"", '/', "", "", ""},
        {"dir\\sub\\a.txt", '\\', "dir\\sub\\", "a.txt", ".txt"},
        {"dir\\sub\\a.txt", '/', "", "dir\\sub\\a.txt", ".txt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.path, c.sep), c.dir) << c.path;
        EXPECT_EQ(ExtractFileName(c.path, c.sep), c.name) << c.path;
        EXPECT_EQ(ExtractFileExt(c.path, c.sep), c.ext) << c.path;
    }
    EXPECT_EQ(IncludeTrailingSlash("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingSlash("/tmp/"), "/tmp/");
    EXPECT_EQ(IncludeTrailingSlash(""), "");
}

TEST(FileUtilsText, NoVolumesOrShortNames)
{
    EXPECT_EQ(GetVolumeLabel("/"), "");
    EXPECT_FALSE(SetVolumeLabel("/", "LABEL"));
    EXPECT_EQ(ShortPathName("/home/user/Long File Name.text"), "/home/user/Long File Name.text");
}

TEST_F(FileUtilsTest, ForceDirectoriesAndExistence)
{
    ForceDirectories(Path("a/b/c/"));
    EXPECT_TRUE(DirectoryExists(Path("a/b/c")));
    ForceDirectories(Path("a/b"));  // existing: nothing to do
    EXPECT_FALSE(FileExists(Path("a/b")));

    Write("file", "x");
    EXPECT_TRUE(FileExists(Path("file")));
    EXPECT_FALSE(DirectoryExists(Path("file")));
    EXPECT_FALSE(FileExists(Path("missing")));
    EXPECT_FALSE(DirectoryExists(Path("missing")));
    EXPECT_FALSE(FileExists(""));

    // The message names the part that is in the way.
    std::string msg = FileErrorOf([&] { ForceDirectories(Path("file/sub")); });
    EXPECT_NE(msg.find("\"" + Path("file") + "\": File exists"), std::string::npos) << msg;
    FileErrorOf([&] { ForceDirectories(""); });
}

TEST_F(FileUtilsTest, ChangeDirectory)
{
    const std::string saved = CurrentDirectory();
    ChangeDirectory(m_dir);
    EXPECT_EQ(fs::path(CurrentDirectory()), fs::canonical(m_dir));
    ChangeDirectory(saved);
    EXPECT_EQ(CurrentDirectory(), saved);
    std::string msg = FileErrorOf([&] { ChangeDirectory(Path("missing")); });
    EXPECT_NE(msg.find(Path("missing")), std::string::npos) << msg;
    EXPECT_EQ(CurrentDirectory(), saved);
}

TEST_F(FileUtilsTest, CopyFileBlocksCopiesAndTruncates)
{
    std::string data;
    for (int i = 0; i < 200001; ++i)  // several blocks and a partial one
        data += static_cast<char>(i * 7 + (i >> 9));
    Write("src", data);
    Write("dst", std::string(300000, 'z'));  // longer: must be cut
    CopyFileBlocks(Path("src"), Path("dst"));
    EXPECT_EQ(Read("dst"), data);

    Write("empty", "");
    CopyFileBlocks(Path("empty"), Path("new"));
    EXPECT_TRUE(FileExists(Path("new")));
    EXPECT_EQ(FileSize(Path("new")), 0u);
}

TEST_F(FileUtilsTest, CopyFileBlocksErrors)
{
    std::string msg = FileErrorOf([&] { CopyFileBlocks(Path("missing"), Path("dst")); });
    EXPECT_NE(msg.find(Path("missing")), std::string::npos) << msg;
    EXPECT_FALSE(FileExists(Path("dst")));  // nothing created for a source that is not there

    Write("src", "keep me");
    FileErrorOf([&] { CopyFileBlocks(Path("src"), Path("no/such/dir/dst")); });
    FileErrorOf([&] { CopyFileBlocks(m_dir, Path("dst")); });
    EXPECT_FALSE(FileExists(Path("dst")));

    // Copying a file onto itself (directly or through a link) would empty it.
    FileErrorOf([&] { CopyFileBlocks(Path("src"), Path("src")); });
    fs::create_symlink(Path("src"), Path("alias"));
    FileErrorOf([&] { CopyFileBlocks(Path("src"), Path("alias")); });
    EXPECT_EQ(Read("src"), "keep me");

    // A device that is always full: the write fails and is reported.
    if (FileExists("/dev/full")) {
        msg = FileErrorOf([&] { CopyFileBlocks(Path("src"), "/dev/full"); });
        EXPECT_NE(msg.find("/dev/full"), std::string::npos) << msg;
    }
}

TEST_F(FileUtilsTest, TempFileNameCreatesUniqueEmptyFiles)
{
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name = TempFileName(m_dir);
        EXPECT_EQ(name.rfind(m_dir + "/QZT", 0), 0u) << name;
        EXPECT_TRUE(FileExists(name));
        EXPECT_EQ(FileSize(name), 0u);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);
    EXPECT_EQ(TempFileName(m_dir + "/", "OUT").rfind(m_dir + "/OUT", 0), 0u);
    FileErrorOf([&] { TempFileName(Path("missing")); });
}

TEST_F(FileUtilsTest, TempDirectoryFollowsTmpdir)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", (m_dir + "/").c_str(), 1);
    EXPECT_EQ(TempDirectory(), m_dir);
    std::string name = TempFileName("");
    EXPECT_EQ(name.rfind(m_dir + "/QZT", 0), 0u) << name;
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(TempDirectory(), "/tmp");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(TempDirectory(), "/tmp");
    if (old)
        ::setenv("TMPDIR", saved.c_str(), 1);
}

TEST_F(FileUtilsTest, TimesAndSizes)
{
    Write("f", "12345");
    EXPECT_EQ(FileSize(Path("f")), 5u);
    SetFileModTime(Path("f"), 946684800);  // 2000-01-01
    EXPECT_EQ(FileModTime(Path("f")), 946684800);
    FileErrorOf([&] { FileSize(Path("missing")); });
    FileErrorOf([&] { FileModTime(Path("missing")); });
    FileErrorOf([&] { SetFileModTime(Path("missing"), 0); });
}

TEST_F(FileUtilsTest, DiskFreeSpaceHook)
{
    EXPECT_GT(DiskFreeSpace(m_dir), 0u);
    FileErrorOf([&] { DiskFreeSpace(Path("missing")); });

    std::string asked;
    SetDiskFreeSpaceHook([&](const std::string& path) {
        asked = path;
        return uint64_t{1440 * 1024};
    });
    EXPECT_EQ(DiskFreeSpace(Path("volume")), 1440u * 1024u);
    EXPECT_EQ(asked, Path("volume"));
    SetDiskFreeSpaceHook(nullptr);
    EXPECT_GT(DiskFreeSpace(m_dir), 0u);
}

TEST_F(FileUtilsTest, SameFileSystem)
{
    Write("a", "1");
    ForceDirectories(Path("d"));
    EXPECT_TRUE(SameFileSystem(Path("a"), Path("d")));
    EXPECT_FALSE(SameFileSystem(Path("a"), Path("missing")));
    if (DirectoryExists("/proc/self")) {
        EXPECT_FALSE(SameFileSystem(Path("a"), "/proc/self"));
    }
}
