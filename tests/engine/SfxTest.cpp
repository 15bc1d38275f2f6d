// The self-extractor builder: the configuration block, the file layout, the
// output names, the stub search and every answer; then the stubs built in
// sfx/: the Linux one run natively, the Windows ones under Wine when it is
// installed, and each produced file checked by 7-Zip and unzip.
#include "EngineErrors.h"
#include "MovrelSFX.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace movrel;
using namespace movrel::test;

namespace {

// The build's stub folder: sfx/ beside the CLI's folder, or $MOVREL_SFX_DIR.
std::string StubDir()
{
    if (const char* env = std::getenv("MOVREL_SFX_DIR"); env && *env)
        return env;
    std::string cli = CliPath();
    cli = cli.substr(0, cli.rfind('/'));
    return cli.substr(0, cli.rfind('/')) + "/sfx";
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Names in a folder, "." and ".." left out.
std::vector<std::string> Listing(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, ".."))
                names.push_back(e->d_name);
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct RecordingUi : TEngineUi {
    std::vector<std::string> messages;
    TMsgResult MessageBox(const std::string& text, const std::string&, TMsgButtons, TMsgIcon) override
    {
        messages.push_back(text);
        return TMsgResult::Ok;
    }
};

std::string SmallZip()
{
    CraftEntry a, b;
    a.name = "a.txt";
    a.data = "alpha";
    b.name = "dir\\b.txt";
    b.data = "bravo bravo";
    return CraftZip({a, b});
}

// ---- the block ----

struct BlockRow {
    SFXOpts options;
    OvrOpts mode;
    uint8_t flags;
};

TEST(SfxBlock, FlagsForOptionSets)
{
    const BlockRow rows[] = {
        {{}, OvrConfirm, 0x00},
        {{SFXAskCmdLine}, OvrConfirm, 0x01},
        {{SFXAskFiles}, OvrNever, 0x12},
        {{SFXHideOverWriteBox}, OvrAlways, 0x0C},
        {{SFXAskCmdLine, SFXAskFiles, SFXHideOverWriteBox}, OvrAlways, 0x0F},
        {{SFXAskCmdLine, SFXHideOverWriteBox}, OvrNever, 0x15},
    };
    for (const BlockRow& r : rows) {
        TMovrelSFX sfx;
        sfx.SFXOptions = r.options;
        sfx.SFXOverWriteMode = r.mode;
        sfx.SFXCaption = "Setup";
        sfx.SFXDefaultDir = "><app";
        sfx.SFXCommandLine = "notepad|><readme.txt";
        uint8_t b[TSfxBlock::kSize];
        std::memset(b, 0xAA, sizeof b);
        sfx.ConfigBlock().Encode(b);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 3), "MPU");
        EXPECT_EQ(b[3], r.flags) << "row with flags " << int(r.flags);
        EXPECT_EQ(b[4], 5);
        EXPECT_EQ(b[5], 5);
        EXPECT_EQ(b[6], 20);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(b) + 7, 30), "Setup><appnotepad|><readme.txt");
        for (size_t i = 37; i < sizeof b; ++i)
            ASSERT_EQ(b[i], 0) << "unused byte " << i;
        TSfxBlock back;
        ASSERT_TRUE(back.Decode(b));
        EXPECT_EQ(back.Flags, r.flags);
        EXPECT_EQ(back.OverwriteMode(), r.mode);
        EXPECT_EQ(back.CommandLine, "notepad|><readme.txt");
    }
}

TEST(SfxBlock, EmptyTextsAndRefusedBlocks)
{
    uint8_t b[TSfxBlock::kSize];
    TSfxBlock().Encode(b);
    EXPECT_EQ(b[4] | b[5] | b[6], 0);
    for (size_t i = 7; i < sizeof b; ++i)
        ASSERT_EQ(b[i], 0);

    TSfxBlock tooLong;
    tooLong.Caption.assign(250, 'c');
    EXPECT_THROW(tooLong.Encode(b), ELimitError);

    TSfxBlock got;
    b[0] = 'X';
    EXPECT_FALSE(got.Decode(b)) << "no MPU";
    b[0] = 'M';
    b[4] = 200, b[5] = 40, b[6] = 10;  // 250: would reach past the block
    EXPECT_FALSE(got.Decode(b));
}

// ---- the builder ----

class SfxBuilder : public ::testing::Test {
protected:
    void SetUp() override
    {
        stub = std::string("MZ") + std::string(998, 's');
        WriteFile(dir / "stub.bin", stub);
        zip = SmallZip();
        WriteFile(dir / "backup.zip", zip);
        sfx.SetZipFilename(dir / "backup.zip");
        sfx.SFXPath = dir / "stub.bin";
    }

    // Folder contents besides the inputs: nothing but what is named.
    void ExpectOnly(const std::vector<std::string>& names)
    {
        std::vector<std::string> want = names;
        want.push_back("backup.zip");
        want.push_back("stub.bin");
        std::sort(want.begin(), want.end());
        std::vector<std::string> got = Listing(dir.Path());
        got.erase(std::remove_if(got.begin(), got.end(), [&](const std::string& n) {
                      return std::find(extra.begin(), extra.end(), n) != extra.end();
                  }), got.end());
        EXPECT_EQ(got, want);
    }

    TempDir dir;
    RecordingUi ui;
    TMovrelSFX sfx{&ui};
    std::string stub, zip;
    std::vector<std::string> extra;  // inputs a test added
};

TEST_F(SfxBuilder, LayoutIsStubBlockArchive)
{
    sfx.SFXCaption = "Cap";
    sfx.SFXOverWriteMode = OvrAlways;
    ASSERT_EQ(sfx.MakeSFX(), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(sfx.CreatedFile(), dir / "backup.exe");
    std::string out = ReadFile(dir / "backup.exe");
    ASSERT_EQ(out.size(), stub.size() + 256 + zip.size());
    EXPECT_EQ(out.substr(0, stub.size()), stub);
    EXPECT_EQ(out.substr(stub.size(), 8), std::string("MPU\x08\x03\x00\x00" "C", 8));
    EXPECT_EQ(out.substr(stub.size() + 256), zip) << "the archive is appended unchanged";
    struct stat st;
    ASSERT_EQ(::stat((dir / "backup.exe").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IXUSR) << "the result is a program";
    ExpectOnly({"backup.exe"});
}

TEST_F(SfxBuilder, TextLimitIs249Bytes)
{
    sfx.SFXCaption.assign(100, 'c');
    sfx.SFXDefaultDir.assign(100, 'd');
    sfx.SFXCommandLine.assign(49, 'm');
    ASSERT_EQ(sfx.MakeSFX(), 0);
    std::string out = ReadFile(dir / "backup.exe");
    EXPECT_EQ(out[stub.size() + 255], 'm') << "249 bytes fill the block to its last byte";
    EXPECT_EQ(out.substr(stub.size() + 256), zip);

    ::unlink((dir / "backup.exe").c_str());
    sfx.SFXCommandLine.assign(50, 'm');
    EXPECT_EQ(sfx.MakeSFX(), 0);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Error - The total size of the 3 text properties exceeds 249!\r\n"
                              "SFXCaption + SFXDefaultDir + SFXCommandLine = 250");
    EXPECT_TRUE(sfx.CreatedFile().empty());
    ExpectOnly({});

    // The plain platforms carry no texts: nothing to limit.
    ui.messages.clear();
    sfx.Platform = sfxWin32Std;
    EXPECT_EQ(sfx.MakeSFX(), 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ReadFile(dir / "backup.exe"), stub + zip);
}

TEST_F(SfxBuilder, StubOfExactlyOnePiece)
{
    stub.assign(8192, 'x');
    WriteFile(dir / "stub.bin", stub);
    ASSERT_EQ(sfx.MakeSFX(), 0);
    std::string out = ReadFile(dir / "backup.exe");
    ASSERT_EQ(out.size(), 8192 + 256 + zip.size());
    EXPECT_EQ(out.substr(8192, 3), "MPU");
}

TEST_F(SfxBuilder, OutputNames)
{
    struct Row {
        const char* zip;
        TSfxPlatform platform;
        const char* out;
    } rows[] = {
        {"/d/data.tar.zip", sfxWin32Enh, "/d/data.tar.exe"},
        {"/d/my.backup.zip", sfxWin32Enh, "/d/my.backup.exe"},
        {"/d/my.backup.zip", sfxWin32Std, "/d/my.exe"},
        {"/d/my.backup.zip", sfxDos, "/d/my.exe"},
        {"/d.x/backup.ZIP", sfxWin16, "/d.x/backup.exe"},
        {"/d/my.backup.zip", sfxLinux, "/d/my.backup.run"},
        {"backup.zip", sfxWin32Enh, "backup.exe"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(TMovrelSFX::OutputName(r.zip, r.platform), r.out) << r.zip << " platform " << r.platform;

    WriteFile(dir / "Upper.ZIP", zip);
    extra = {"Upper.ZIP", "Upper.exe"};
    sfx.SetZipFilename(dir / "Upper.ZIP");
    EXPECT_EQ(sfx.MakeSFX(), 0);
    EXPECT_TRUE(ui.messages.empty()) << "the extension check ignores letter case";
    EXPECT_EQ(ReadFile(dir / "Upper.exe").size(), stub.size() + 256 + zip.size());
}

TEST_F(SfxBuilder, MessageBoxErrors)
{
    WriteFile(dir / "backup.zap", zip);
    extra = {"backup.zap"};
    struct Row {
        std::string zipName, stubPath, stubDir;
        TSfxPlatform platform;
        std::string message;
    } rows[] = {
        {dir / "missing.zip", dir / "stub.bin", "", sfxWin32Enh, "Error - no zip file specified"},
        {dir.Path(), dir / "stub.bin", "", sfxWin32Enh, "Error - no zip file specified"},
        {dir / "backup.zip", dir / "nostub.bin", dir / "nowhere", sfxWin32Enh, "Error - ZIPSFX.BIN not found"},
        // the build's stub folder holds no 16-bit Windows or DOS stub
        {dir / "backup.zip", "", StubDir(), sfxWin16, "Error - SFXW.bin not found"},
        {dir / "backup.zip", "", StubDir(), sfxDos, "Error - SFXD.bin not found"},
        {dir / "backup.zap", dir / "stub.bin", "", sfxWin32Enh, "Error: input file is not a zip file"},
    };
    for (const Row& r : rows) {
        ui.messages.clear();
        TMovrelSFX s(&ui);
        s.SetZipFilename(r.zipName);
        s.SFXPath = r.stubPath;
        s.Platform = r.platform;
        s.SFXStubDir = r.stubDir;
        EXPECT_EQ(s.MakeSFX(), 0) << r.message;
        ASSERT_EQ(ui.messages.size(), 1u) << r.message;
        EXPECT_EQ(ui.messages[0], r.message);
        EXPECT_TRUE(s.CreatedFile().empty());
    }
    ExpectOnly({});
}

TEST_F(SfxBuilder, StubSearchOrder)
{
    TempDir other;
    WriteFile(other / "ZIPSFX.BIN", "from the stub folder");
    sfx.SFXStubDir = other.Path();

    // A given SFXPath that exists is used as it is.
    EXPECT_TRUE(sfx.FindStub());
    EXPECT_EQ(sfx.SFXPath, dir / "stub.bin");

    // The current directory comes before the stub folder.
    char cwd[4096];
    ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
    ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
    WriteFile(dir / "ZIPSFX.BIN", "from the current directory");
    extra = {"ZIPSFX.BIN"};
    sfx.SFXPath = dir / "gone.bin";
    EXPECT_TRUE(sfx.FindStub());
    EXPECT_EQ(ReadFile(sfx.SFXPath), "from the current directory");
    ::unlink((dir / "ZIPSFX.BIN").c_str());

    sfx.SFXPath.clear();
    EXPECT_TRUE(sfx.FindStub());
    EXPECT_EQ(sfx.SFXPath, other / "ZIPSFX.BIN");

    // None: SFXPath keeps the last candidate, the install location.
    sfx.SFXStubDir = dir / "nowhere";
    sfx.SFXPath.clear();
    EXPECT_FALSE(sfx.FindStub());
    EXPECT_EQ(sfx.SFXPath, TMovrelSFX::ProgramDirectory() + "../lib/movrel/ZIPSFX.BIN");
    ASSERT_EQ(::chdir(cwd), 0);
}

// A Unix socket: it exists as a file, yet open() refuses it.
void MakeSocket(const std::string& path)
{
    int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(s, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof a.sun_path);
    std::strcpy(a.sun_path, path.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ::close(s);
}

TEST_F(SfxBuilder, NegativeAnswersLeaveNoOutput)
{
    // -3: the stub cannot be opened; an existing output stays as it was.
    WriteFile(dir / "backup.exe", "the previous program");
    MakeSocket(dir / "sock.bin");
    extra = {"sock.bin", "backup.exe"};
    sfx.SFXPath = dir / "sock.bin";
    EXPECT_EQ(sfx.MakeSFX(), -3);
    EXPECT_EQ(ReadFile(dir / "backup.exe"), "the previous program");
    sfx.SFXPath = dir / "stub.bin";

    // -3: the archive cannot be opened (after the output was begun).
    MakeSocket(dir / "s.zip");
    extra.push_back("s.zip");
    sfx.SetZipFilename(dir / "s.zip");
    EXPECT_EQ(sfx.MakeSFX(), -3);
    EXPECT_FALSE(Exists(dir / "s.exe"));

    // -9: the archive did not give as many bytes as its size says (a file
    // of /proc reads longer than its size of 0).
    ASSERT_EQ(::symlink("/proc/self/status", (dir / "p.zip").c_str()), 0);
    extra.push_back("p.zip");
    sfx.SetZipFilename(dir / "p.zip");
    EXPECT_EQ(sfx.MakeSFX(), -9);
    EXPECT_FALSE(Exists(dir / "p.exe"));

    // -1: the output's name is taken by a folder.
    ::mkdir((dir / "d.exe").c_str(), 0755);
    WriteFile(dir / "d.exe/inside", "x");
    WriteFile(dir / "d.zip", zip);
    extra.insert(extra.end(), {"d.exe", "d.zip"});
    sfx.SetZipFilename(dir / "d.zip");
    EXPECT_EQ(sfx.MakeSFX(), -1);
    EXPECT_EQ(ReadFile(dir / "d.exe/inside"), "x");
    EXPECT_TRUE(ui.messages.empty());
    ExpectOnly({});
}

TEST_F(SfxBuilder, WriteFailureAnswersMinusTwo)
{
    // In a child with a file size limit smaller than the output: the write
    // fails with EFBIG (SIGXFSZ ignored).
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{600, 600};
        ::setrlimit(RLIMIT_FSIZE, &lim);
        ::_exit(-sfx.MakeSFX());
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    ExpectOnly({});
}

TEST_F(SfxBuilder, LongerExistingOutputIsReplacedWhole)
{
    WriteFile(dir / "backup.exe", std::string(50000, 'o'));
    ASSERT_EQ(sfx.MakeSFX(), 0);
    EXPECT_EQ(ReadFile(dir / "backup.exe").size(), stub.size() + 256 + zip.size());
    ExpectOnly({"backup.exe"});
}

// ---- the stubs ----

// A folder of files, zipped with Info-ZIP: deflated and stored entries,
// a nested folder.
struct Payload {
    TempDir dir;
    std::string big;
    Payload()
    {
        ::mkdir((dir / "src").c_str(), 0755);
        ::mkdir((dir / "src/sub").c_str(), 0755);
        WriteFile(dir / "src/readme.txt", "read me\n");
        for (int i = 0; i < 20000; ++i)
            big += "line " + std::to_string(i * 7919 % 10007) + "\n";
        WriteFile(dir / "src/sub/big.txt", big);
        std::string noise;
        for (int i = 0; i < 5000; ++i)
            noise += char((i * 2654435761u) >> 13);
        WriteFile(dir / "src/sub/noise.bin", noise);
        EXPECT_EQ(RunCommand("cd " + ShellQuote(dir / "src") + " && zip -qr ../files.zip readme.txt sub"), 0);
    }
    std::string Zip() const { return dir / "files.zip"; }
};

bool HaveStub(const std::string& name)
{
    return Exists(StubDir() + "/" + name);
}

// Builds NAME.zip -> the program; answers its name.
std::string Build(const Payload& p, TSfxPlatform platform, const std::function<void(TMovrelSFX&)>& setup = {})
{
    RecordingUi ui;
    TMovrelSFX sfx(&ui);
    sfx.SetZipFilename(p.Zip());
    sfx.Platform = platform;
    sfx.SFXStubDir = StubDir();
    if (setup)
        setup(sfx);
    EXPECT_EQ(sfx.MakeSFX(), 0);
    EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages[0]);
    return sfx.CreatedFile();
}

// Runs a produced program in folder cwd with no terminal.
int RunIn(const std::string& cwd, const std::string& command, std::string* output = nullptr)
{
    return RunCommand("cd " + ShellQuote(cwd) + " && " + command + " </dev/null 2>&1", output);
}

void ExpectExtracted(const Payload& p, const std::string& folder)
{
    EXPECT_EQ(ReadFile(folder + "/readme.txt"), "read me\n");
    EXPECT_EQ(ReadFile(folder + "/sub/big.txt"), p.big);
    EXPECT_EQ(ReadFile(folder + "/sub/noise.bin"), ReadFile(p.dir / "src/sub/noise.bin"));
}

// 7-Zip and unzip both accept the file; unzip warns about the program in
// front (the archive's offsets count from its own start) but finds every
// entry OK.
void ExpectPeersAccept(const std::string& program)
{
    std::string out;
    std::string seven = SevenZip();
    if (!seven.empty()) {
        EXPECT_EQ(RunCommand(seven + " t " + ShellQuote(program) + " 2>&1", &out), 0) << out;
        EXPECT_NE(out.find("Everything is Ok"), std::string::npos) << out;
    }
    if (HaveTool("unzip")) {
        int rc = RunCommand("unzip -t " + ShellQuote(program) + " 2>&1", &out);
        EXPECT_TRUE(rc == 0 || rc == 1) << out;
        EXPECT_NE(out.find("No errors detected"), std::string::npos) << out;
        for (const char* name : {"readme.txt", "sub/big.txt", "sub/noise.bin"})
            EXPECT_NE(out.find(std::string("testing: ") + name), std::string::npos) << out;
    }
}

TEST(SfxLinuxStub, ExtractsIntoTheDefaultFolderWithTheOverwriteMode)
{
    ASSERT_TRUE(HaveStub("SFXLINUX.bin")) << "the build makes " << StubDir() << "/SFXLINUX.bin";
    Payload p;
    struct Row {
        OvrOpts mode;
        bool replaced;
    } rows[] = {{OvrConfirm, false}, {OvrNever, false}, {OvrAlways, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mode);
        std::string program = Build(p, sfxLinux, [&](TMovrelSFX& s) {
            s.SFXDefaultDir = "out" + std::to_string(r.mode);
            s.SFXOverWriteMode = r.mode;
            s.SFXCaption = "Test archive";
        });
        ASSERT_EQ(program, p.dir / "files.run");
        std::string out;
        ASSERT_EQ(RunIn(p.dir.Path(), "./files.run", &out), 0) << out;
        EXPECT_EQ(out.rfind("Test archive\n", 0), 0u) << out;
        std::string folder = p.dir / ("out" + std::to_string(r.mode));
        ExpectExtracted(p, folder);

        // Again, with a changed file in the way (no terminal: nothing asked).
        WriteFile(folder + "/readme.txt", "changed");
        EXPECT_EQ(RunIn(p.dir.Path(), "./files.run", &out), 0) << out;
        EXPECT_EQ(ReadFile(folder + "/readme.txt"), r.replaced ? "read me\n" : "changed");
    }
    ExpectPeersAccept(p.dir / "files.run");
}

TEST(SfxLinuxStub, TemporaryFolderCommandLineAndOptions)
{
    ASSERT_TRUE(HaveStub("SFXLINUX.bin"));
    Payload p;
    TempDir tmp;
    Build(p, sfxLinux, [](TMovrelSFX& s) {
        s.SFXDefaultDir = "><unpacked";
        s.SFXCommandLine = "touch|\"><ran marker.txt\" ><second";
        s.SFXOptions = {SFXAskCmdLine};
    });
    std::string out;
    ASSERT_EQ(RunIn(p.dir.Path(), "TMPDIR=" + ShellQuote(tmp.Path()) + " ./files.run", &out), 0) << out;
    ExpectExtracted(p, tmp / "unpacked");
    EXPECT_TRUE(Exists(tmp / "unpacked/ran marker.txt")) << "\"><\" inside quotes is one argument";
    EXPECT_TRUE(Exists(tmp / "unpacked/second"));

    // A folder given relative to the current one is the same folder for "><".
    ASSERT_EQ(RunIn(p.dir.Path(), "./files.run -d 'rel dir'", &out), 0) << out;
    EXPECT_TRUE(Exists(p.dir / "rel dir/ran marker.txt")) << out;

    // -d overrides the folder, -n leaves the command alone, -l lists.
    ASSERT_EQ(RunIn(p.dir.Path(), "./files.run -d there -n", &out), 0) << out;
    ExpectExtracted(p, p.dir / "there");
    EXPECT_FALSE(Exists(p.dir / "there/second"));
    ASSERT_EQ(RunIn(p.dir.Path(), "./files.run -l", &out), 0);
    EXPECT_NE(out.find("sub/big.txt"), std::string::npos) << out;
    EXPECT_EQ(RunIn(p.dir.Path(), "./files.run -t", &out), 0) << out;
    EXPECT_EQ(RunIn(p.dir.Path(), "./files.run --bogus", &out), 2) << out;
}

TEST(SfxLinuxStub, FindsTheArchiveBehindAPaddedStubAndWithAComment)
{
    ASSERT_TRUE(HaveStub("SFXLINUX.bin"));
    Payload p;
    // A stub that grew after linking (as signing does): the bytes right
    // behind its image are not the block, so it finds the archive by its
    // end record. The archive also has a comment holding an end-record
    // signature.
    WriteFile(p.dir / "padded.bin", ReadFile(StubDir() + "/SFXLINUX.bin") + std::string(4000, '\x11'));
    ASSERT_EQ(RunCommand("printf 'note PK\\005\\006 here' | zip -qz " + ShellQuote(p.Zip())), 0);
    std::string program = Build(p, sfxLinux, [&](TMovrelSFX& s) {
        s.SFXPath = p.dir / "padded.bin";
        s.SFXDefaultDir = "out";
    });
    std::string out;
    ASSERT_EQ(RunIn(p.dir.Path(), "./files.run", &out), 0) << out;
    ExpectExtracted(p, p.dir / "out");

    // Nothing behind the stub at all.
    WriteFile(p.dir / "bare.run", ReadFile(StubDir() + "/SFXLINUX.bin"));
    ::chmod((p.dir / "bare.run").c_str(), 0755);
    EXPECT_EQ(RunIn(p.dir.Path(), "./bare.run", &out), 3) << out;
    EXPECT_NE(out.find("no archive"), std::string::npos) << out;
}

TEST(SfxLinuxStub, AsksOnATerminal)
{
    ASSERT_TRUE(HaveStub("SFXLINUX.bin"));
    Payload p;
    std::string program = Build(p, sfxLinux, [](TMovrelSFX& s) {
        s.SFXDefaultDir = "proposed";
        s.SFXCommandLine = "touch|><ran";
        s.SFXOptions = {SFXAskFiles, SFXAskCmdLine, SFXHideOverWriteBox};
    });
    // The menu numbers the entries in the order -l lists them.
    std::string listing;
    ASSERT_EQ(RunIn(p.dir.Path(), "./files.run -l", &listing), 0);
    int number = 0, line = 0;
    for (size_t at = 0; at < listing.size();) {
        size_t end = std::min(listing.find('\n', at), listing.size());
        ++line;
        if (listing.substr(at, end - at).find("readme.txt") != std::string::npos)
            number = line;
        at = end + 1;
    }
    ASSERT_GT(number, 0) << listing;

    int master = -1;
    pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(p.dir.Path().c_str()) != 0)
            ::_exit(120);
        ::execl("./files.run", "files.run", static_cast<char*>(nullptr));
        ::_exit(121);
    }
    // Folder: another one; files: readme.txt only; run the command: no.
    std::string answers = "chosen\n" + std::to_string(number) + "\nn\n";
    ASSERT_EQ(::write(master, answers.data(), answers.size()), ssize_t(answers.size()));
    std::string screen;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(master, buf, sizeof buf)) > 0)
        screen.append(buf, size_t(n));
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << screen;
    EXPECT_NE(screen.find("Extract to folder [proposed]"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Existing files:"), std::string::npos) << "the overwrite choice is hidden";
    EXPECT_EQ(ReadFile(p.dir / "chosen/readme.txt"), "read me\n") << screen;
    EXPECT_FALSE(Exists(p.dir / "chosen/sub/big.txt"));
    EXPECT_FALSE(Exists(p.dir / "chosen/ran")) << "the user declined the command";
    EXPECT_FALSE(Exists(p.dir / "proposed"));
}

// ---- Windows stubs under Wine ----

std::string Wine()
{
    for (const char* name : {"wine64", "wine"})
        if (HaveTool(name))
            return name;
    if (Exists("/usr/lib/wine/wine64"))
        return "/usr/lib/wine/wine64";
    return {};
}

std::string WineCommand(const std::string& program)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string prefix = std::string(tmp && *tmp ? tmp : "/tmp") + "/movrel-wine-" + std::to_string(::getuid());
    return "WINEPREFIX=" + ShellQuote(prefix) + " WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' DISPLAY= " +
           Wine() + " " + program;
}

TEST(SfxWindowsStub, ExtractsUnderWine)
{
    if (!HaveStub("ZIPSFX.BIN") || !HaveStub("SFXW32.bin"))
        GTEST_SKIP() << "no Windows stubs in " << StubDir() << " (x86_64-w64-mingw32-g++ was not found)";
    Payload p;
    std::string enh = Build(p, sfxWin32Enh, [](TMovrelSFX& s) {
        s.SFXDefaultDir = "winout";
        s.SFXOverWriteMode = OvrNever;
        s.SFXCaption = "Windows test";
        s.SFXCommandLine = "cmd|/c echo done> \"><ran.txt\"";
    });
    ExpectPeersAccept(enh);
    std::string renamed = p.dir / "plain.zip";
    ASSERT_EQ(::link(p.Zip().c_str(), renamed.c_str()), 0);
    RecordingUi ui;
    TMovrelSFX plain(&ui);
    plain.SetZipFilename(renamed);
    plain.Platform = sfxWin32Std;
    plain.SFXStubDir = StubDir();
    ASSERT_EQ(plain.MakeSFX(), 0);
    ASSERT_EQ(plain.CreatedFile(), p.dir / "plain.exe");
    ExpectPeersAccept(plain.CreatedFile());

    if (Wine().empty())
        GTEST_SKIP() << "Wine is not installed (Debian package wine64): the Windows stubs were built but not run";
    std::string out;
    ASSERT_EQ(RunIn(p.dir.Path(), WineCommand("files.exe"), &out), 0) << out;
    EXPECT_NE(out.find("Windows test"), std::string::npos) << out;
    ExpectExtracted(p, p.dir / "winout");
    EXPECT_EQ(ReadFile(p.dir / "winout/ran.txt").rfind("done", 0), 0u) << "the command line ran in the folder";
    WriteFile(p.dir / "winout/readme.txt", "changed");
    ASSERT_EQ(RunIn(p.dir.Path(), WineCommand("files.exe"), &out), 0) << out;
    EXPECT_EQ(ReadFile(p.dir / "winout/readme.txt"), "changed") << "the block says never overwrite";

    ASSERT_EQ(RunIn(p.dir.Path(), WineCommand("plain.exe -d plainout"), &out), 0) << out;
    ExpectExtracted(p, p.dir / "plainout");
}

}  // namespace
