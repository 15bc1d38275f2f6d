#include "DirSearch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace movrel;
namespace fs = std::filesystem;

namespace {

class DirSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "dirsearch-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        m_base = tmpl + "/";
    }
    void TearDown() override
    {
        // Give back permissions taken away by a test so the tree can go.
        for (const auto& e : fs::recursive_directory_iterator(m_base, fs::directory_options::skip_permission_denied))
            if (e.is_directory() && !e.is_symlink())
                fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::permissions(m_base, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_base);
    }

    void File(const std::string& rel, const std::string& content = "x")
    {
        fs::create_directories(fs::path(m_base + rel).parent_path());
        std::ofstream(m_base + rel, std::ios::binary) << content;
    }
    void Dir(const std::string& rel) { fs::create_directories(m_base + rel); }

    // Every result of a search, relative to the base directory.
    std::vector<std::string> Run(const std::string& startRel, bool recurse, const std::string& mask)
    {
        TDirSearch search(m_base + startRel, recurse, mask);
        std::vector<std::string> found;
        TSearchEntry entry;
        for (std::string path = search.Next(entry); !path.empty(); path = search.Next(entry)) {
            EXPECT_EQ(path.compare(0, m_base.size(), m_base), 0) << path;
            EXPECT_EQ(fs::path(path).filename().string(), entry.Name);
            found.push_back(path.substr(m_base.size()));
        }
        EXPECT_EQ(search.Next(entry), "");  // stays exhausted
        return found;
    }

    // A tree with hidden entries, a file without extension, links and nesting.
    void MakeTree()
    {
        File("a.txt");
        File("b.log");
        File("noext");
        File(".hidden");
        File(".hdir/inner.txt");
        File("sub/c.txt");
        File("sub/deeper/d.TXT");
        File("y.txt");
        Dir("zz");
        fs::create_directory_symlink(m_base, m_base + "loop");
        fs::create_symlink(m_base + "a.txt", m_base + "link.txt");
        fs::create_symlink(m_base + "missing", m_base + "dangling.txt");
    }

    std::string m_base;  // ends in '/'
};

using TList = std::vector<std::string>;

}  // namespace

TEST_F(DirSearchTest, OneDirectoryFindsHiddenFilesAndFilesWithoutExtension)
{
    MakeTree();
    EXPECT_EQ(Run("", false, "*.*"), (TList{".hidden", "a.txt", "b.log", "link.txt", "noext", "y.txt"}));
    EXPECT_EQ(Run("", false, "*"), (TList{".hidden", "a.txt", "b.log", "link.txt", "noext", "y.txt"}));
    EXPECT_EQ(Run("", false, "*."), (TList{"noext"}));
    EXPECT_EQ(Run("", false, "?.LOG"), (TList{"b.log"}));
    EXPECT_EQ(Run("", false, "*.zip"), TList{});
}

TEST_F(DirSearchTest, RecursionIsDepthFirstInNameOrderAndSkipsDotDirectoriesAndLinks)
{
    MakeTree();
    // sub is searched where it is met, before y.txt; .hdir and the link back
    // to the base are not entered.
    EXPECT_EQ(Run("", true, "*.txt"), (TList{"a.txt", "link.txt", "sub/c.txt", "sub/deeper/d.TXT", "y.txt"}));
    EXPECT_EQ(Run("sub", true, "*.*"), (TList{"sub/c.txt", "sub/deeper/d.TXT"}));
    EXPECT_EQ(Run("sub/", false, "*.*"), (TList{"sub/c.txt"}));
}

TEST_F(DirSearchTest, WildcardDirectoryParts)
{
    File("app1/logs/x.log");
    File("app1/logs/z.txt");
    File("app1/logs/old/y.log");
    File("app2/logs/w.log");
    File("app2/other/v.log");
    File("app3/nologs/u.log");
    File(".cache/logs/h.log");
    File("file.log");
    File("app4/logs");  // a file, not a directory

    EXPECT_EQ(Run("*/logs", false, "*.log"), (TList{"app1/logs/x.log", "app2/logs/w.log"}));
    EXPECT_EQ(Run("*/logs/", true, "*.log"), (TList{"app1/logs/old/y.log", "app1/logs/x.log", "app2/logs/w.log"}));
    EXPECT_EQ(Run("app<2-9>/*", false, "*.log"), (TList{"app2/logs/w.log", "app2/other/v.log", "app3/nologs/u.log"}));
    EXPECT_EQ(Run("*/LOGS/old", false, "*"), (TList{"app1/logs/old/y.log"}));
    EXPECT_EQ(Run("nothing*/logs", true, "*"), TList{});
}

TEST_F(DirSearchTest, EntryCarriesSizeTimeAndAttributes)
{
    File("data.bin", std::string(1234, 'd'));
    File("ro.txt", "r");
    struct timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (m_base + "data.bin").c_str(), times, 0), 0);
    ASSERT_EQ(::chmod((m_base + "ro.txt").c_str(), 0444), 0);

    TDirSearch search(m_base, false, "*");
    TSearchEntry entry;
    EXPECT_EQ(search.Next(entry), m_base + "data.bin");
    EXPECT_EQ(entry.Name, "data.bin");
    EXPECT_EQ(entry.Size, 1234u);
    EXPECT_EQ(entry.ModTime, 1000000000);
    EXPECT_EQ(entry.Attributes, TSearchEntry::faArchive);
    EXPECT_EQ(search.Next(entry), m_base + "ro.txt");
    EXPECT_EQ(entry.Size, 1u);
    EXPECT_EQ(entry.Attributes, TSearchEntry::faArchive | TSearchEntry::faReadOnly);
    EXPECT_EQ(search.Next(entry), "");
}

TEST_F(DirSearchTest, UnreadableOrMissingDirectoriesYieldNothing)
{
    EXPECT_EQ(Run("missing", true, "*"), TList{});
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root from reading a directory";
    File("a/1.txt");
    File("b/2.txt");
    File("c/3.txt");
    ASSERT_EQ(::chmod((m_base + "b").c_str(), 0), 0);
    EXPECT_EQ(Run("", true, "*.txt"), (TList{"a/1.txt", "c/3.txt"}));
}

TEST_F(DirSearchTest, DescendsBeyondTwentyOneLevels)
{
    std::string rel;
    for (int i = 0; i < 30; ++i)
        rel += "d" + std::to_string(i) + "/";
    File(rel + "bottom.txt");
    File("top.txt");
    EXPECT_EQ(Run("", true, "*.txt"), (TList{rel + "bottom.txt", "top.txt"}));
}

TEST_F(DirSearchTest, EmptyStartPathSearchesTheCurrentDirectoryWithoutChangingIt)
{
    File("one.txt");
    File("sub/two.txt");
    char saved[4096];
    ASSERT_NE(::getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(::chdir(m_base.c_str()), 0);

    TDirSearch search("", true, "*.txt");
    TSearchEntry entry;
    std::vector<std::string> found;
    for (std::string path = search.Next(entry); !path.empty(); path = search.Next(entry)) {
        found.push_back(path);
        EXPECT_EQ(fs::current_path(), fs::path(m_base).parent_path());
    }
    ASSERT_EQ(::chdir(saved), 0);
    EXPECT_EQ(found, (TList{"one.txt", "sub/two.txt"}));
}
