// movrel-cli sfx: options into the block, the stub folder, exit statuses.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace movrel::test;

namespace {

int Cli(const std::string& args, std::string* out = nullptr)
{
    return RunCommand(ShellQuote(CliPath()) + " " + args + " </dev/null 2>&1", out);
}

std::string Q(const std::string& s) { return ShellQuote(s); }

}  // namespace

TEST(CliSfx, LinuxProgramWithOptions)
{
    TempDir dir;
    ::mkdir((dir / "in").c_str(), 0755);
    WriteFile(dir / "in/hello.txt", "hello\n");
    ASSERT_EQ(RunCommand("cd " + Q(dir / "in") + " && zip -q ../pack.zip hello.txt"), 0);
    std::string out;
    // No --stub-dir: from the build tree the CLI finds the stubs in sfx/.
    ASSERT_EQ(Cli("sfx " + Q(dir / "pack.zip") +
                      " --platform=linux --caption 'Say hello' --dir out --overwrite=always --hide-overwrite"
                      " --run 'touch|><done'",
                  &out),
              0)
        << out;
    EXPECT_EQ(out, dir / "pack.run" + "\n");
    std::string program = ReadFile(dir / "pack.run");
    std::string zip = ReadFile(dir / "pack.zip");
    ASSERT_GT(program.size(), zip.size() + 256);
    size_t block = program.size() - zip.size() - 256;
    EXPECT_EQ(program.substr(block, 7), std::string("MPU\x0C\x09\x03\x0C", 7));
    EXPECT_EQ(program.substr(block + 7, 24), "Say helloouttouch|><done");

    ASSERT_EQ(RunCommand("cd " + Q(dir.Path()) + " && ./pack.run </dev/null 2>&1", &out), 0) << out;
    EXPECT_EQ(ReadFile(dir / "out/hello.txt"), "hello\n");
    struct stat st;
    EXPECT_EQ(::stat((dir / "out/done").c_str(), &st), 0) << out;
}

TEST(CliSfx, ExitStatuses)
{
    TempDir dir;
    WriteFile(dir / "a.zip", ReadFile(TestData("made/comment.zip")));
    struct Case {
        std::string args;
        int status;
        std::string says;
    } const cases[] = {
        {"sfx", 2, "sfx needs one ARCHIVE"},
        {"sfx " + Q(dir / "a.zip") + " --platform=amiga", 2, "unknown platform"},
        {"sfx " + Q(dir / "a.zip") + " --overwrite=maybe", 2, "--overwrite takes"},
        {"sfx " + Q(dir / "missing.zip"), 3, "Error - no zip file specified"},
        {"sfx " + Q(dir / "a.zip") + " --platform=dos", 3, "Error - SFXD.bin not found"},
        {"sfx " + Q(dir / "a.zip") + " --caption " + std::string(250, 'c'), 3,
         "exceeds 249!\nSFXCaption + SFXDefaultDir + SFXCommandLine = 250"},
    };
    for (const Case& c : cases) {
        std::string out;
        int status = Cli(c.args, &out);
        EXPECT_EQ(status, c.status) << c.args << "\n" << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.args << "\n" << out;
    }
}

TEST(CliSfx, ArchiveOfOurWriterWithAPassword)
{
    TempDir dir;
    ::mkdir((dir / "in").c_str(), 0755);
    ::mkdir((dir / "in/deep").c_str(), 0755);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "row " + std::to_string(i) + "\n";
    WriteFile(dir / "in/deep/rows.txt", text);
    WriteFile(dir / "in/top.txt", "top\n");
    std::string out;
    ASSERT_EQ(RunCommand("cd " + Q(dir / "in") + " && " + Q(CliPath()) + " add -q -r -p secret ../own.zip . 2>&1", &out),
              0)
        << out;
    ASSERT_EQ(Cli("sfx " + Q(dir / "own.zip") + " --platform=linux", &out), 0) << out;

    // Without the password nothing is written; with it everything is.
    EXPECT_EQ(RunCommand("cd " + Q(dir.Path()) + " && ./own.run -d none </dev/null 2>&1", &out), 1) << out;
    EXPECT_NE(out.find("wrong password"), std::string::npos) << out;
    ASSERT_EQ(RunCommand("cd " + Q(dir.Path()) + " && ./own.run -d got -p secret </dev/null 2>&1", &out), 0) << out;
    EXPECT_EQ(ReadFile(dir / "got/deep/rows.txt"), text);
    EXPECT_EQ(ReadFile(dir / "got/top.txt"), "top\n");
}
