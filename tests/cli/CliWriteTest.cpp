// movrel-cli add, delete, comment and repair, run as a user would.
#include "FileUtils.h"
#include "TestSupport.h"
#include "WriterSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace movrel::test {
namespace {

class CliWrite : public ::testing::Test {
protected:
    TempDir dir;

    void SetUp() override
    {
        MakeTree(dir / "src", {{"top.txt", "top"}, {"docs/a.txt", "a"}, {"docs/deep/b.txt", "b"}, {"x.bak", "x"}});
    }

    // Runs movrel-cli in src; answers its exit status, output in *out.
    int Cli(const std::string& args, std::string* out = nullptr)
    {
        std::string text;
        int rc = RunCommand("cd " + ShellQuote(dir / "src") + " && " + ShellQuote(CliPath()) + " " + args + " 2>&1",
                            &text);
        if (out)
            *out = text;
        return rc;
    }

    std::vector<std::string> Names(const std::string& archive)
    {
        std::vector<std::string> names;
        for (const RawRecord& r : RawRecords(ReadFile(archive)))
            names.push_back(r.name);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(CliWrite, AddStoresPathsAsNamed)
{
    struct Case {
        std::string args;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"-r docs top.txt", {"docs/a.txt", "docs/deep/b.txt", "top.txt"}},
        {"docs", {"docs/a.txt"}},  // a folder without -r: its own files
        {"--flat docs/deep/b.txt top.txt", {"b.txt", "top.txt"}},
        {"-r '*.txt'", {"docs/a.txt", "docs/deep/b.txt", "top.txt"}},
        {"./docs/../top.txt", {"top.txt"}},
        {"--root docs -r docs", {"a.txt", "deep/b.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ::unlink((dir / "out.zip").c_str());
        std::string out;
        EXPECT_EQ(Cli("add ../out.zip " + c.args, &out), 0) << out;
        EXPECT_NE(out.find(std::to_string(c.names.size()) + " added"), std::string::npos) << out;
        EXPECT_EQ(Names(dir / "out.zip"), c.names);
    }
}

TEST_F(CliWrite, AddWithPasswordUpdateMoveAndErrors)
{
    std::string out;
    EXPECT_EQ(Cli("add ../p.zip -9 -p secret top.txt", &out), 0) << out;
    EXPECT_EQ(RunCommand("unzip -tqq -P secret " + ShellQuote(dir / "p.zip") + " 2>&1"), 0);
    EXPECT_NE(RunCommand("unzip -tqq -P wrong " + ShellQuote(dir / "p.zip") + " >/dev/null 2>&1"), 0);

    // updating with an unchanged file adds nothing
    EXPECT_EQ(Cli("add ../p.zip -p secret top.txt", &out), 0) << out;
    EXPECT_NE(out.find("0 added"), std::string::npos) << out;

    EXPECT_EQ(Cli("add ../p.zip missing.txt x.bak", &out), 1) << out;
    EXPECT_NE(out.find("missing.txt: no such file"), std::string::npos) << out;
    EXPECT_EQ(Names(dir / "p.zip"), (std::vector<std::string>{"top.txt", "x.bak"}));

    EXPECT_EQ(Cli("add ../none.zip missing.txt", &out), 1) << out;
    EXPECT_FALSE(FileExists(dir / "none.zip"));  // no empty archive is left for nothing

    EXPECT_EQ(Cli("add ../m.zip --move x.bak", &out), 0) << out;
    EXPECT_FALSE(FileExists(dir / "src/x.bak"));

    EXPECT_EQ(Cli("add ../p.zip --update --freshen top.txt", &out), 2) << out;
    EXPECT_EQ(Cli("add " + ShellQuote(dir / "no/such/folder/a.zip") + " top.txt", &out), 3) << out;
    EXPECT_EQ(FolderEntries(dir / "src"), (std::vector<std::string>{"docs", "top.txt"}));
}

TEST_F(CliWrite, DeleteCommentAndRepair)
{
    std::string out;
    ASSERT_EQ(Cli("add ../d.zip -r .", &out), 0) << out;

    EXPECT_EQ(Cli("delete ../d.zip '*.bak' docs/deep/b.txt", &out), 0) << out;
    EXPECT_NE(out.find("2 deleted"), std::string::npos) << out;
    EXPECT_EQ(Names(dir / "d.zip"), (std::vector<std::string>{"docs/a.txt", "top.txt"}));
    EXPECT_EQ(Cli("delete ../d.zip nothing.txt", &out), 1) << out;
    EXPECT_NE(out.find("nothing.txt: not in the archive"), std::string::npos) << out;

    EXPECT_EQ(Cli("comment ../d.zip --set 'Made by the CLI test'", &out), 0) << out;
    RunCommand("unzip -z " + ShellQuote(dir / "d.zip"), &out);
    EXPECT_NE(out.find("Made by the CLI test"), std::string::npos) << out;
    EXPECT_EQ(Cli("comment ../d.zip --entry docs/a.txt --set 'entry note'", &out), 0) << out;
    EXPECT_EQ(Cli("comment ../d.zip --entry docs/a.txt", &out), 0);
    EXPECT_EQ(out, "entry note\n");
    EXPECT_EQ(Cli("comment ../d.zip", &out), 0);
    EXPECT_EQ(out, "Made by the CLI test\n");

    // cut the archive inside its central directory: every entry is still there
    std::string bytes = ReadFile(dir / "d.zip");
    auto records = RawRecords(bytes);
    size_t central = 0;
    for (const RawRecord& r : records)
        central = std::max(central, r.localOffset + r.localRecord.size());
    WriteFile(dir / "cut.zip", bytes.substr(0, central + 10));
    EXPECT_EQ(Cli("repair ../cut.zip -o ../fixed.zip", &out), 0) << out;
    EXPECT_NE(out.find("2 entries recovered"), std::string::npos) << out;
    EXPECT_EQ(RunCommand("unzip -tqq " + ShellQuote(dir / "fixed.zip") + " 2>&1"), 0);
    EXPECT_EQ(Names(dir / "fixed.zip"), (std::vector<std::string>{"docs/a.txt", "top.txt"}));
}

}  // namespace
}  // namespace movrel::test
