// movrel-cli list, info, test and extract as a script sees them: output,
// files and exit statuses.
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace movrel::test;

namespace {

int Cli(const std::string& args, std::string* out = nullptr)
{
    return RunCommand(ShellQuote(CliPath()) + " " + args + " </dev/null 2>&1", out);
}

std::string Q(const std::string& s) { return ShellQuote(s); }

}  // namespace

TEST(CliRead, ExitStatuses)
{
    TempDir dir;
    WriteFile(dir / "text.txt", "not an archive at all");
    struct Case { std::string args; int status; std::string says; };
    const Case cases[] = {
        {"list " + Q(TestData("made/comment.zip")), 0, "readme.txt"},
        {"list", 2, "usage"},
        {"frobnicate x.zip", 2, "unknown command"},
        {"list --sort=sideways " + Q(TestData("made/comment.zip")), 2, "unknown sort order"},
        {"list " + Q(dir / "missing.zip"), 3, "No such file or directory"},
        {"list " + Q(dir.Path()), 3, "is a folder"},
        {"list " + Q(dir / "text.txt"), 3, "Incomplete Zip File"},
        {"list --scan " + Q(TestData("made/truncated_no_eocd.zip")), 0, "three.txt"},
        {"test " + Q(TestData("made/bad_crc.zip")), 1, "CRC error"},
        {"test " + Q(TestData("made/enc_deflated.zip")), 1, "wrong password"},
        {"test -p secret " + Q(TestData("made/enc_deflated.zip")), 0, "2 tested OK, 0 skipped, 0 failed"},
        {"test " + Q(TestData("made/blocks.003")), 0, "3 tested OK"},
        {"test " + Q(TestData("made/split.zip")), 0, "3 tested OK"},
        {"info " + Q(TestData("made/comment.zip")), 0, "line 2 of the archive comment"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(Cli(c.args, &out), c.status) << c.args << "\n" << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
    }
}

TEST(CliRead, ListSortOrders)
{
    std::string out;
    ASSERT_EQ(Cli("list --tsv --sort=size " + Q(TestData("made/comment.zip")), &out), 0);
    EXPECT_LT(out.find("readme.txt"), out.find("notes.txt"));
    ASSERT_EQ(Cli("list --tsv --sort=name " + Q(TestData("made/comment.zip")), &out), 0);
    EXPECT_LT(out.find("notes.txt"), out.find("readme.txt"));
}

TEST(CliRead, ExtractPatternsOverwriteAndSummary)
{
    TempDir dir;
    std::string out;
    ASSERT_EQ(Cli("extract -q -d " + Q(dir / "o") + " " + Q(TestData("made/comment.zip")) + " 'note*'", &out), 0);
    EXPECT_NE(out.find("1 extracted, 0 skipped, 0 failed"), std::string::npos) << out;
    EXPECT_TRUE(ReadFile(dir / "o/notes.txt").size() == 1500);

    WriteFile(dir / "o/readme.txt", "mine");
    // no terminal to ask: an existing file is kept
    EXPECT_EQ(Cli("extract -d " + Q(dir / "o") + " " + Q(TestData("made/comment.zip")), &out), 1);
    EXPECT_EQ(ReadFile(dir / "o/readme.txt"), "mine");
    EXPECT_NE(out.find("skipped, the file exists"), std::string::npos) << out;
    EXPECT_EQ(Cli("extract --overwrite=always -d " + Q(dir / "o") + " " + Q(TestData("made/comment.zip")), &out), 0);
    EXPECT_EQ(ReadFile(dir / "o/readme.txt").size(), 4000u);

    ASSERT_EQ(Cli("extract --flat -p secret -d " + Q(dir / "flat") + " " + Q(TestData("made/enc_stored.zip")), &out), 0);
    EXPECT_EQ(ReadFile(dir / "flat/data.bin").size(), 6000u);
}
