// Archives the writer makes, checked by the other programs: every row is
// tested and extracted by unzip, 7-Zip and Python's zipfile, and read back
// by our own reader.
#include "KestroZip.h"
#include "TestSupport.h"
#include "WriterSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace movrel::test {
namespace {

std::string RandomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = char(gen());
    return s;
}

std::string Numbers(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::to_string(i * 7919 % 100003) + (i % 10 ? " " : "\n");
    return s;
}

FileTree SourceTree()
{
    return {
        {"a.txt", "The quick brown fox jumps over the lazy dog.\n" + Numbers(3000)},
        {"empty", ""},
        {"rand.bin", RandomBytes(70000, 20240611)},
        {"sub/nums.txt", Numbers(20000)},
        {"sub/deeper/z.txt", "z"},
        {"caf\xc3\xa9.txt", "accent\n"},
        {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt", "kanji\n"},
    };
}

FileTree Only(const FileTree& all, const std::vector<std::string>& names)
{
    FileTree out;
    for (const std::string& n : names)
        out[n] = all.at(n);
    return out;
}

enum class Paths { Relative, Flat, Full };

struct Row {
    const char* title;
    int level;
    std::string password;
    Paths paths;
    int recurse;                     // -1: as the path setting leaves it
    std::vector<std::string> items;  // "SRC" stands for the source folder
    std::vector<std::string> expect; // source files expected (empty: all)
};

const std::vector<std::string> kTop = {"a.txt", "empty", "rand.bin", "caf\xc3\xa9.txt",
                                       "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt"};

std::vector<Row> Rows()
{
    std::vector<Row> rows;
    for (int level = 0; level <= 9; ++level)
        rows.push_back({"level", level, "", Paths::Relative, -1, {">SRC/*"}, {}});
    for (int level : {0, 1, 6, 9})
        rows.push_back({"encrypted", level, "s3cret!", Paths::Relative, -1, {">SRC/*"}, {}});
    rows.push_back({"flat names", 6, "", Paths::Flat, 0, {"SRC/a.txt", "SRC/sub/nums.txt", "SRC/empty"},
                    {"a.txt", "sub/nums.txt", "empty"}});
    rows.push_back({"full paths", 6, "", Paths::Full, 0, {"SRC/sub/deeper/z.txt", "SRC/rand.bin"},
                    {"sub/deeper/z.txt", "rand.bin"}});
    rows.push_back({"no recursion", 6, "", Paths::Relative, 0, {"SRC/*"}, kTop});
    rows.push_back({"| searches one folder", 6, "", Paths::Relative, 1, {"|SRC/*"}, kTop});
    rows.push_back({"> searches below", 6, "", Paths::Relative, 0, {">SRC/*"}, {}});
    rows.push_back({"mask", 9, "pw", Paths::Relative, 1, {"SRC/*.txt"},
                    {"a.txt", "sub/nums.txt", "sub/deeper/z.txt", "caf\xc3\xa9.txt",
                     "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e.txt"}});
    rows.push_back({"encrypted empty and stored", 3, "pw", Paths::Flat, 0, {"SRC/empty", "SRC/rand.bin"},
                    {"empty", "rand.bin"}});
    return rows;
}

std::string Replace(std::string s, const std::string& from, const std::string& to)
{
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

TEST(WriterInterop, EveryRowPassesThePeersAndOurReader)
{
    FileTree source = SourceTree();
    for (const Row& row : Rows()) {
        SCOPED_TRACE(std::string(row.title) + " level " + std::to_string(row.level) +
                     (row.password.empty() ? "" : " encrypted"));
        TempDir dir;
        std::string src = dir / "src";
        MakeTree(src, source);
        FileTree chosen = row.expect.empty() ? source : Only(source, row.expect);

        TKestroZip zip;
        zip.DoProcessMessages = false;
        zip.SetZipName(dir / "out.zip");
        zip.PackLevel = row.level;
        zip.Password = row.password;
        FileTree expected;
        switch (row.paths) {
        case Paths::Relative:
            zip.SetRelativePaths(true);
            zip.SetRootDir(src);
            expected = chosen;
            break;
        case Paths::Flat:
            zip.SetStorePaths(false);
            for (const auto& [name, content] : chosen)
                expected[name.substr(name.find_last_of('/') + 1)] = content;
            break;
        case Paths::Full:
            zip.SetStorePaths(true);
            for (const auto& [name, content] : chosen)
                expected[src.substr(1) + "/" + name] = content;
            break;
        }
        if (row.recurse >= 0)
            zip.Recurse = row.recurse == 1;
        for (const std::string& item : row.items)
            zip.FilesList.push_back(Replace(item, "SRC", src));

        ASSERT_EQ(zip.AddFiles(), int(expected.size()));
        // the new archive was written in place: nothing else is left beside it
        EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"out.zip", "src"}));

        for (const PeerVerdict& v : CheckWithPeers(dir / "out.zip", row.password, expected)) {
            if (v.missing) {
                std::printf("note: %s is not installed; its check is left out\n", v.peer.c_str());
                continue;
            }
            EXPECT_EQ(v.error, "") << v.peer;
        }
        TKestroUnZip reader;
        reader.DoProcessMessages = false;
        reader.SetZipName(dir / "out.zip");
        reader.Password = row.password;
        reader.DoAll = true;
        reader.ReadDirectory();
        EXPECT_EQ(reader.TestFiles(), int(expected.size()));
        for (int i = 0; i < reader.EntryCount(); ++i)
            EXPECT_EQ(reader.EntryEncrypted(i), !row.password.empty());
    }
}

// Without a password an empty file is stored with CRC 0; with one it is
// 12 bytes long: the encryption header alone.
TEST(WriterInterop, EmptyFileRecords)
{
    for (std::string password : {"", "pw"}) {
        TempDir dir;
        WriteFile(dir / "empty", "");
        TKestroZip zip;
        zip.DoProcessMessages = false;
        zip.SetZipName(dir / "e.zip");
        zip.Password = password;
        zip.FilesList = {dir / "empty"};
        ASSERT_EQ(zip.AddFiles(), 1);
        const TZipHeaderInfo& e = zip.Entry(0);
        EXPECT_EQ(e.CompressionMethod, 0);
        EXPECT_EQ(e.Crc32, 0u);
        EXPECT_EQ(e.CompressedSize, password.empty() ? 0 : 12);
        EXPECT_EQ(e.IsEncrypted(), !password.empty());
    }
}

}  // namespace
}  // namespace movrel::test
