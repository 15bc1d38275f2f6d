// Extraction: every fixture entry, the event protocol, overwrite and
// password answers, hostile names, and archives written by other programs.
#include "EngineErrors.h"
#include "KestroUnZip.h"
#include "TestSupport.h"
#include "ZipCrypt.h"
#include "FileUtils.h"
#include "Crc32.h"
#include <cstring>

#include <gtest/gtest.h>

#include <csignal>
#include <map>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace movrel;
using namespace movrel::test;

namespace {

std::string OnDisk(const TZipHeaderInfo& e)
{
    std::string n = e.FullName();
    for (char& c : n)
        if (c == '\\')
            c = '/';
    return n;
}

struct Events {
    std::vector<std::string> log;
    std::set<int> ok, badCrc, skipped, errors;
    void Wire(TKestroUnZip& z)
    {
        z.OnStartUnZipInfo = [this](TKestroUnZip*, int n, int64_t bytes, bool&) {
            log.push_back("info " + std::to_string(n) + " " + std::to_string(bytes));
        };
        z.OnStartUnZip = [this](TKestroUnZip*, int i, const std::string&, bool&) {
            log.push_back("start " + std::to_string(i));
        };
        z.OnEndUnZip = [this](TKestroUnZip*, int i, const std::string&) {
            ok.insert(i);
            log.push_back("end " + std::to_string(i));
        };
        z.OnBadCRC = [this](TKestroUnZip*, uint32_t, uint32_t, int i) {
            badCrc.insert(i);
            log.push_back("crc " + std::to_string(i));
        };
        z.OnSkippingFile = [this](TKestroUnZip*, TSkipReason r, int i) {
            skipped.insert(i);
            log.push_back(std::string(r == srBadPassword ? "skip-password " : "skip-exists ") + std::to_string(i));
        };
        z.OnEntryError = [this](TKestroUnZip*, int i, const std::string&) { errors.insert(i); };
    }
};

// One archive with the given stored entries, opened for extraction into
// a fresh folder.
struct Fixture {
    TempDir dir;
    TKestroUnZip zip;
    Events ev;
    std::string dest;
    Fixture(std::initializer_list<CraftEntry> entries) : Fixture(std::vector<CraftEntry>(entries)) {}
    Fixture(const Fixture&) = delete;
    explicit Fixture(const std::vector<CraftEntry>& entries, const std::string& bytes = {})
    {
        WriteFile(dir / "a.zip", bytes.empty() ? CraftZip(entries) : bytes);
        dest = dir / "out";
        zip.SetZipName(dir / "a.zip");
        zip.SetDestDir(dest);
        zip.RecreateDirs = true;
        zip.DoAll = true;
        ev.Wire(zip);
    }
};

// Stored data encrypted the way the writer does: 12-byte header ending in the CRC's top bytes.
std::string Encrypt(const std::string& plain, const std::string& password, uint32_t crc)
{
    TZipCrypt c;
    c.InitKeys(password);
    std::string out;
    for (int i = 0; i < 10; ++i)
        out += char(c.EncryptByte(uint8_t(i * 37)));
    out += char(c.EncryptByte(uint8_t(crc >> 16)));
    out += char(c.EncryptByte(uint8_t(crc >> 24)));
    for (char ch : plain)
        out += char(c.EncryptByte(uint8_t(ch)));
    return out;
}

uint32_t CrcOf(const std::string& s)
{
    return Crc32Of(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

}  // namespace

TEST(Extract, EveryFixtureEntryExtractsAsItsManifestSays)
{
    std::map<std::string, std::vector<ManifestRow>> byFile;
    std::map<std::string, ManifestRow> archiveRow;
    for (const auto& r : LoadManifest()) {
        if (r.entry == "*")
            archiveRow[r.file] = r;
        else
            byFile[r.file].push_back(r);
    }
    for (const auto& [file, rows] : byFile) {
        SCOPED_TRACE(file);
        TempDir out;
        TKestroUnZip zip;
        Events ev;
        ev.Wire(zip);
        auto volumes = ManifestVolumes(archiveRow[file]);
        zip.OnGetNextDisk = [volumes](TKestroUnZip*, int n, std::string& fname) {
            fname = size_t(n) <= volumes.size() ? volumes[size_t(n - 1)] : std::string();
        };
        zip.OnBadPassword = [&rows](TKestroUnZip* z, int i, std::string& pw) {
            if (i < int(rows.size()) && !rows[size_t(i)].password.empty())
                pw = rows[size_t(i)].password;
            (void)z;
        };
        if (archiveRow[file].expected == "error")
            zip.IncompleteZipMode = izAssumeBad;
        zip.SetZipName(TestData(file));
        zip.SetDestDir(out.Path());
        zip.RecreateDirs = true;
        zip.DoAll = true;
        zip.OverwriteMode = Always;
        try {
            zip.ExtractFiles();
        } catch (const EFatalUnzipError&) {
            // a truncated archive ends the run at its cut entry
        }
        ASSERT_EQ(zip.EntryCount(), int(rows.size()));
        for (int i = 0; i < zip.EntryCount(); ++i) {
            const ManifestRow& m = rows[size_t(i)];
            SCOPED_TRACE(m.entry);
            std::string path = out / OnDisk(zip.Entry(i));
            if (m.expected == "ok" && !zip.Entry(i).IsDirectory()) {
                EXPECT_TRUE(ev.ok.count(i));
                EXPECT_EQ(FileExists(path) ? Sha256(ReadFile(path)) : std::string("missing"), m.sha256);
            } else if (m.expected != "ok") {
                EXPECT_FALSE(ev.ok.count(i));
                struct stat st;
                EXPECT_NE(::lstat(path.c_str(), &st), 0) << "a failed entry leaves no file";
            }
        }
    }
}

TEST(Extract, EventsComeInTheirOrderAndTheResultCounts)
{
    Fixture f({{.name = "a.txt", .data = "alpha"}, {.name = "d/", .data = ""}, {.name = "d/b.txt", .data = "bb"}});
    EXPECT_EQ(f.zip.ExtractFiles(), 3);
    EXPECT_EQ(f.ev.log, (std::vector<std::string>{"info 3 7", "start 0", "end 0", "start 1", "start 2", "end 2"}));
    EXPECT_EQ(ReadFile(f.dest + "/d/b.txt"), "bb");

    // StopNow: nothing touched, the result is still the count
    Fixture g({{.name = "a.txt", .data = "alpha"}});
    g.zip.OnStartUnZipInfo = [](TKestroUnZip*, int, int64_t, bool& stop) { stop = true; };
    EXPECT_EQ(g.zip.ExtractFiles(), 1);
    EXPECT_FALSE(FileExists(g.dest + "/a.txt"));

    // DoAll off and no patterns: nothing selected
    Fixture h({{.name = "a.txt", .data = "alpha"}});
    h.zip.DoAll = false;
    EXPECT_EQ(h.zip.ExtractFiles(), 0);
    EXPECT_EQ(h.ev.log, (std::vector<std::string>{"info 0 0"}));
}

TEST(Extract, PatternsRootDirAndFlatExtraction)
{
    std::vector<CraftEntry> entries = {{.name = "Data/sub/x.txt", .data = "1"}, {.name = "data.dir/y", .data = "2"},
                                       {.name = "other/x.txt", .data = "3"}, {.name = "noext", .data = "4"}};
    {
        Fixture f(entries);
        f.zip.DoAll = false;
        f.zip.FilesList = {"*.*"};  // a dot anywhere in the path
        EXPECT_EQ(f.zip.ExtractFiles(), 3);
        EXPECT_TRUE(FileExists(f.dest + "/data.dir/y"));
        EXPECT_FALSE(FileExists(f.dest + "/noext"));
    }
    {
        Fixture f(entries);
        f.zip.SetRootDir("data\\");
        f.zip.DoAll = false;
        f.zip.FilesList = {"DATA\\*"};
        EXPECT_EQ(f.zip.ExtractFiles(), 1);
        EXPECT_EQ(ReadFile(f.dest + "/sub/x.txt"), "1");
    }
    {
        Fixture f(entries);
        f.zip.RecreateDirs = false;
        f.zip.OverwriteMode = Never;
        EXPECT_EQ(f.zip.ExtractFiles(), 3);  // the second x.txt meets the overwrite rule
        EXPECT_EQ(ReadFile(f.dest + "/x.txt"), "1");
        EXPECT_EQ(f.ev.skipped.size(), 1u);
    }
}

TEST(Extract, HostileNamesStayInsideTheDestination)
{
    const char* names[] = {"../../evil1", "/etc/evil2", "C:\\evil3", "a/../../evil4", "..\\..\\evil5",
                           "C:/x/../../evil6", "./../evil7"};
    std::vector<CraftEntry> entries;
    for (const char* n : names)
        entries.push_back({.name = n, .data = "x", .versionMadeBy = 0x0314});
    Fixture f(entries);
    EXPECT_EQ(f.zip.ExtractFiles(), int(entries.size()));
    std::string found;
    RunCommand("cd " + ShellQuote(f.dir.Path()) + " && find . -type f -name 'evil*' | sort", &found);
    EXPECT_EQ(found,
              "./out/a/evil4\n./out/etc/evil2\n./out/evil1\n./out/evil3\n./out/evil5\n./out/evil7\n./out/x/evil6\n");
}

TEST(Extract, SymbolicLinkAtTheDestinationIsReplacedNotFollowed)
{
    Fixture f({{.name = "link", .data = "new content"}});
    ForceDirectories(f.dest);
    WriteFile(f.dir / "victim", "precious");
    ASSERT_EQ(::symlink((f.dir / "victim").c_str(), (f.dest + "/link").c_str()), 0);
    f.zip.OverwriteMode = Always;
    EXPECT_EQ(f.zip.ExtractFiles(), 1);
    EXPECT_EQ(ReadFile(f.dir / "victim"), "precious");
    struct stat st;
    ASSERT_EQ(::lstat((f.dest + "/link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(ReadFile(f.dest + "/link"), "new content");
}

TEST(Extract, OverwriteAnswers)
{
    struct Case {
        TUZOverwriteMode mode;
        int answer;  // -1 no handler, 0 no, 1 yes, 2 yes under another name
        std::string expectOld, expectOther;
        int result;
    };
    const Case cases[] = {{Always, -1, "new", "", 1},   {Never, -1, "old", "", 0},  {Prompt, -1, "old", "", 0},
                          {Prompt, 0, "old", "", 0},     {Prompt, 1, "new", "", 1},  {Prompt, 2, "old", "new", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.mode) * 10 + c.answer);
        Fixture f({{.name = "f.txt", .data = "new"}});
        ForceDirectories(f.dest);
        WriteFile(f.dest + "/f.txt", "old");
        f.zip.OverwriteMode = c.mode;
        if (c.answer >= 0)
            f.zip.OnPromptForOverwrite = [&](TKestroUnZip*, bool& yes, int, std::string& fname) {
                yes = c.answer > 0;
                if (c.answer == 2)
                    fname = f.dest + "/other.txt";
            };
        EXPECT_EQ(f.zip.ExtractFiles(), c.result);
        EXPECT_EQ(ReadFile(f.dest + "/f.txt"), c.expectOld);
        if (!c.expectOther.empty())
            EXPECT_EQ(ReadFile(f.dest + "/other.txt"), c.expectOther);
    }
}

TEST(Extract, SkipInOnStartUnZipKeepsAnExistingFile)
{
    Fixture f({{.name = "f.txt", .data = "new"}});
    ForceDirectories(f.dest);
    WriteFile(f.dest + "/f.txt", "old");
    f.zip.OverwriteMode = Always;
    f.zip.OnStartUnZip = [](TKestroUnZip*, int, const std::string&, bool& skip) { skip = true; };
    EXPECT_EQ(f.zip.ExtractFiles(), 1);  // a skip does not reduce the count
    EXPECT_EQ(ReadFile(f.dest + "/f.txt"), "old");
    std::string left;
    RunCommand("ls -A " + ShellQuote(f.dest), &left);
    EXPECT_EQ(left, "f.txt\n");
}

TEST(Extract, PasswordLoop)
{
    std::string plain = "secret text, secret text";
    uint32_t crc = CrcOf(plain);
    CraftEntry enc{.name = "s.txt", .data = Encrypt(plain, "right", crc), .flags = 1, .crc = crc,
                   .size = uint32_t(plain.size())};
    {
        Fixture f({enc});
        f.zip.Password = "wrong";
        std::vector<std::string> offered = {"still wrong", "right"};
        size_t asked = 0;
        f.zip.OnBadPassword = [&](TKestroUnZip*, int, std::string& pw) {
            if (asked < offered.size())
                pw = offered[asked++];
        };
        EXPECT_EQ(f.zip.ExtractFiles(), 1);
        EXPECT_EQ(asked, 2u);
        EXPECT_EQ(f.zip.Password, "right");
        EXPECT_EQ(ReadFile(f.dest + "/s.txt"), plain);
    }
    {
        Fixture f({enc});
        f.zip.Password = "wrong";
        f.zip.OnBadPassword = [](TKestroUnZip*, int, std::string&) {};  // same text: give up
        EXPECT_EQ(f.zip.ExtractFiles(), 0);
        EXPECT_EQ(f.ev.skipped.size(), 1u);
        EXPECT_FALSE(FileExists(f.dest + "/s.txt"));
    }
    {
        // a wrong password whose check byte matches fails the CRC and is asked about again
        std::string wrong;
        TZipCrypt probe;
        for (int i = 0; i < 100000 && wrong.empty(); ++i) {
            std::string candidate = "pw" + std::to_string(i);
            TZipCrypt c;
            c.InitKeys(candidate);
            uint8_t head[12];
            std::memcpy(head, enc.data.data(), 12);
            c.Decrypt(head, 12);
            if (candidate != "right" && head[11] == uint8_t(crc >> 24))
                wrong = candidate;
        }
        ASSERT_FALSE(wrong.empty());
        Fixture f({enc});
        f.zip.Password = wrong;
        int asked = 0;
        f.zip.OnBadPassword = [&](TKestroUnZip*, int, std::string& pw) {
            ++asked;
            pw = "right";
        };
        EXPECT_EQ(f.zip.ExtractFiles(), 1);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(ReadFile(f.dest + "/s.txt"), plain);
    }
}

TEST(Extract, TimesAttributesAndTheSizeGuard)
{
    Fixture f({{.name = "ro.txt", .data = "read only", .dosTime = 0x52A36000, .externalAttributes = 0x21},
               {.name = "big", .data = "more than said", .size = 4},
               {.name = "odd", .data = "x", .method = 7}});
    EXPECT_EQ(f.zip.ExtractFiles(), 1);
    struct stat st;
    ASSERT_EQ(::stat((f.dest + "/ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    EXPECT_EQ(st.st_mtime, DosToTime(0x52A36000));
    EXPECT_TRUE(f.ev.badCrc.count(1));  // stopped at 4 bytes; the CRC decides
    EXPECT_TRUE(f.ev.errors.count(2));  // "Unknown Compression Method"
    EXPECT_FALSE(FileExists(f.dest + "/big"));
}

TEST(Extract, RefusedWriteEndsTheEntryWithAnError)
{
    Fixture f({{.name = "large.bin", .data = std::string(200000, 'z')}, {.name = "small", .data = "s"}});
    pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &lim);
        int result = f.zip.ExtractFiles();
        bool ok = result == 1 && f.ev.errors.count(0) && !FileExists(f.dest + "/large.bin") &&
                  ReadFile(f.dest + "/small") == "s";
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(Extract, CancelEndsTheRun)
{
    Fixture f({{.name = "a", .data = std::string(300000, 'a')}});
    f.zip.OnFilePercentDone = [&](TKestroUnZip* z, int) { z->CancelOperation(); };
    try {
        f.zip.ExtractFiles();
        FAIL();
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User Aborted Operation");
    }
}

TEST(Extract, ArchivesWrittenByOtherPrograms)
{
    TempDir dir;
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "line " + std::to_string(i * 7919 % 1000) + " of the text\n";
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += char((i * 2654435761u) >> 13);
    ForceDirectories(dir / "src/sub");
    WriteFile(dir / "src/text.txt", text);
    WriteFile(dir / "src/sub/binary.bin", binary);
    WriteFile(dir / "src/empty", "");
    struct Maker { const char* tool; std::string command; std::string password; };
    std::vector<Maker> makers = {
        {"zip", "zip -qr ../plain.zip .", ""},
        {"zip", "zip -qr -e -P pw -0 ../enc_stored.zip .", "pw"},
        {"zip", "zip -qr -e -P pw ../enc_deflated.zip .", "pw"},
        {"zip", "zip -qr -fd ../descriptors.zip .", ""},
        {"zip", "cat text.txt | zip -q ../piped.zip -", ""},
        {"7z", SevenZip() + " a -tzip -ppw -mem=ZipCrypto ../seven.zip . >/dev/null", "pw"},
        {"7z", SevenZip() + " a -tzip -mx=9 ../seven9.zip . >/dev/null", ""},
    };
    for (const auto& m : makers) {
        SCOPED_TRACE(m.command);
        if (std::string(m.tool) == "7z" ? SevenZip().empty() : !HaveTool(m.tool)) {
            std::printf("skipped: %s is not installed\n", m.tool);
            continue;
        }
        ASSERT_EQ(RunCommand("cd " + ShellQuote(dir / "src") + " && " + m.command), 0);
        std::string archive = dir / m.command.substr(m.command.find("../") + 3, m.command.find(".zip") - m.command.find("../") - 3 + 4);
        TempDir out;
        TKestroUnZip zip;
        zip.SetZipName(archive);
        zip.SetDestDir(out.Path());
        zip.RecreateDirs = true;
        zip.DoAll = true;
        zip.Password = m.password;
        int files = zip.ExtractFiles();
        EXPECT_EQ(files, zip.EntryCount());
        if (m.command.find("cat ") == 0) {
            EXPECT_EQ(ReadFile(out / "-"), text);
            continue;
        }
        EXPECT_EQ(ReadFile(out / "text.txt"), text);
        EXPECT_EQ(ReadFile(out / "sub/binary.bin"), binary);
        EXPECT_EQ(ReadFile(out / "empty"), "");
    }
}
