// The self-extractor stub: the front of a self-extracting archive. It finds
// the archive (and the configuration block, unless built as a plain stub)
// behind itself, extracts with the engine's reader, and runs the command
// line of the block.
//
// On a terminal it asks, as the block allows, for the folder, what to do
// with existing files, which files to take, and whether to run the command
// line; anywhere else (or with -y) it asks nothing and takes the block's
// choices, with existing files kept when the block says to ask.
#include "EngineErrors.h"
#include "FileUtils.h"
#include "KestroUnZip.h"
#include "MovrelSFX.h"
#include "SfxCommandLine.h"
#include "SfxHost.h"
#include "SfxLocate.h"

#include <cstdio>
#include <set>

using namespace movrel;
using namespace movrel::sfx;

namespace {

#ifdef MOVREL_SFX_PLAIN
constexpr bool kWantBlock = false;
#else
constexpr bool kWantBlock = true;
#endif

enum Exit { ExitOk = 0, ExitSomeFailed = 1, ExitUsage = 2, ExitArchive = 3, ExitCommand = 4 };

const char kUsage[] =
    "usage: %s [-d FOLDER] [-y] [-n] [-p PASSWORD] [-l | -t]\n"
    "\n"
    "Extracts the archive inside this program.\n"
    "  -d FOLDER    extract into FOLDER instead of the proposed folder\n"
    "  -y           ask nothing: the proposed folder, all files, the configured\n"
    "               overwrite choice (existing files are kept when it is to ask)\n"
    "  -n           do not run the program configured to run after extraction\n"
    "  -p PASSWORD  password of encrypted entries\n"
    "  -l           list the contents;  -t  test the contents\n"
    "Exit status: 0 done, 1 some files failed or were left out, 2 wrong usage,\n"
    "3 the archive cannot be read, 4 the command line could not be started.\n";

struct Options {
    std::string dir;
    bool dirGiven = false, yes = false, noRun = false, list = false, test = false, help = false;
    std::string password;
    bool passwordGiven = false;
};

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error)
{
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = "option " + a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "-d") {
            if (!value(o.dir))
                return false;
            o.dirGiven = true;
        } else if (a == "-p") {
            if (!value(o.password))
                return false;
            o.passwordGiven = true;
        } else if (a == "-y") {
            o.yes = true;
        } else if (a == "-n") {
            o.noRun = true;
        } else if (a == "-l") {
            o.list = true;
        } else if (a == "-t") {
            o.test = true;
        } else if (a == "-h" || a == "--help" || a == "/?") {
            o.help = true;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    return true;
}

std::string Display(const TZipHeaderInfo& e)
{
    std::string n = e.FullName();
    for (char& c : n)
        if (c == '\\')
            c = '/';
    return n;
}

// "1-3 5" -> {0, 1, 2, 4}; false on anything else.
bool ParseSelection(const std::string& text, int count, std::set<int>& out)
{
    size_t i = 0;
    auto number = [&](int& v) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        v = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && v < 1000000)
            v = v * 10 + (text[i++] - '0');
        return true;
    };
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',' || text[i] == '\t') {
            ++i;
            continue;
        }
        int a, b;
        if (!number(a))
            return false;
        b = a;
        if (i < text.size() && text[i] == '-' && (++i, !number(b)))
            return false;
        if (a < 1 || b > count || a > b)
            return false;
        for (int k = a; k <= b; ++k)
            out.insert(k - 1);
    }
    return true;
}

// A pattern for the engine's matcher that matches name itself: the
// wildcard characters go into one-byte classes.
std::string Literal(const std::string& name)
{
    std::string p;
    for (char c : name) {
        if (c == '*' || c == '?' || c == '<') {
            p += '<';
            p += c;
            p += '>';
            continue;
        }
        p += c;
    }
    return p;
}

struct Counts {
    std::set<int> ok, skipped, failed;
};

class Extractor {
public:
    Extractor(const Options& o, const TSfxBlock& block, bool interactive)
        : o_(o), block_(block), interactive_(interactive)
    {
    }

    int Run(const std::string& archive)
    {
        zip_.SetZipName(archive);
        zip_.ReadDirectory();
        if (o_.list)
            return List();
        if (o_.passwordGiven)
            zip_.Password = o_.password;
        WireEvents();
        if (o_.test)
            return Summarize(zip_.TestFiles(), "tested");

        std::string dest = Destination();
        if (!ChooseOverwrite() || !ChooseFiles())
            return Summarize(0, "extracted");
        zip_.SetDestDir(dest);
        zip_.RecreateDirs = true;
        int status = Summarize(zip_.ExtractFiles(), "extracted");
        if (!counts_.failed.empty() || block_.CommandLine.empty() || o_.noRun)
            return status;
        return RunCommandLine(dest, status);
    }

private:
    int List()
    {
        for (int i = 0; i < zip_.EntryCount(); ++i) {
            const TZipHeaderInfo& e = zip_.Entry(i);
            std::printf("%10u  %s\n", unsigned(e.UncompressedSize), Display(e).c_str());
        }
        return ExitOk;
    }

    // The folder: -d, else the block's (with "><" the temporary folder),
    // else the current one; on a terminal the user may type another.
    std::string Destination()
    {
        std::string dest = o_.dirGiven ? o_.dir : ReplaceMarker(block_.DefaultDir, UserTempDirectory());
        if (interactive_ && !o_.dirGiven) {
            std::string shown = dest.empty() ? CurrentDirectory() : dest;
            std::string answer;
            if (ReadLine("Extract to folder [" + shown + "]: ", answer) && !answer.empty())
                dest = answer;
        }
        if (dest.empty())
            return CurrentDirectory();
        if (NativeSeparator() != '/')  // the engine joins disk paths with '/'
            for (char& c : dest)
                if (c == NativeSeparator())
                    c = '/';
        // absolute, because the command line runs inside it and gets it for "><"
        bool absolute = dest[0] == '/' || (NativeSeparator() != '/' && dest.size() >= 2 && dest[1] == ':');
        return absolute ? dest : IncludeTrailingSlash(CurrentDirectory()) + dest;
    }

    bool ChooseOverwrite()
    {
        OvrOpts mode = block_.OverwriteMode();
        if (interactive_ && !(block_.Flags & TSfxBlock::kHideOverwrite)) {
            static const char* names[] = {"ask", "overwrite", "skip"};
            std::string answer;
            ReadLine(std::string("Existing files: [a]sk, [o]verwrite, [s]kip (") + names[mode] + "): ", answer);
            if (answer == "a" || answer == "A")
                mode = OvrConfirm;
            else if (answer == "o" || answer == "O")
                mode = OvrAlways;
            else if (answer == "s" || answer == "S")
                mode = OvrNever;
        }
        zip_.OverwriteMode = mode == OvrAlways ? Always : mode == OvrNever ? Never : Prompt;
        return true;
    }

    bool ChooseFiles()
    {
        zip_.DoAll = true;
        if (!interactive_ || !(block_.Flags & TSfxBlock::kAskFiles))
            return true;
        for (int i = 0; i < zip_.EntryCount(); ++i)
            std::printf("%4d  %s\n", i + 1, Display(zip_.Entry(i)).c_str());
        for (;;) {
            std::string answer;
            if (!ReadLine("Files to extract (numbers and ranges such as 1-3 5; Enter: all): ", answer))
                return false;
            if (answer.empty())
                return true;
            std::set<int> chosen;
            if (!ParseSelection(answer, zip_.EntryCount(), chosen)) {
                std::printf("Not a list of numbers from 1 to %d.\n", zip_.EntryCount());
                continue;
            }
            zip_.DoAll = false;
            zip_.FilesList.clear();
            for (int i : chosen)
                zip_.FilesList.push_back(Literal(zip_.Entry(i).FullName()));
            return true;
        }
    }

    void WireEvents()
    {
        zip_.OnEndUnZip = [this](TKestroUnZip* z, int i, const std::string&) {
            counts_.ok.insert(i);
            if (!o_.test)
                std::printf("  %s\n", Display(z->Entry(i)).c_str());
        };
        zip_.OnBadCRC = [this](TKestroUnZip* z, uint32_t, uint32_t, int i) {
            std::fprintf(stderr, "%s: CRC error\n", Display(z->Entry(i)).c_str());
            counts_.failed.insert(i);
        };
        zip_.OnEntryError = [this](TKestroUnZip* z, int i, const std::string& message) {
            std::fprintf(stderr, "%s: %s\n", Display(z->Entry(i)).c_str(), message.c_str());
            counts_.failed.insert(i);
        };
        zip_.OnSkippingFile = [this](TKestroUnZip* z, TSkipReason reason, int i) {
            std::fprintf(stderr, "%s: %s\n", Display(z->Entry(i)).c_str(),
                         reason == srBadPassword ? "skipped, wrong password" : "kept, the file exists");
            (reason == srBadPassword ? counts_.failed : counts_.skipped).insert(i);
        };
        zip_.OnPromptForOverwrite = [this](TKestroUnZip* z, bool& overwrite, int i, std::string&) {
            overwrite = false;
            if (answerAll_ >= 0) {
                overwrite = answerAll_ == 1;
                return;
            }
            if (!interactive_)
                return;
            std::string answer;
            ReadLine("Replace " + Display(z->Entry(i)) + "? [y]es, [n]o, [A]ll, [N]one: ", answer);
            if (answer == "A")
                answerAll_ = 1;
            if (answer == "N")
                answerAll_ = 0;
            overwrite = answer == "y" || answer == "Y" || answer == "A";
        };
        zip_.OnBadPassword = [this](TKestroUnZip* z, int i, std::string& newPassword) {
            if (!interactive_ || ++passwordAsks_ > 3)
                return;
            std::string answer;
            if (ReadLine("Password for " + Display(z->Entry(i)) + ": ", answer, false))
                newPassword = answer;
        };
    }

    int Summarize(int, const char* verb)
    {
        size_t failed = 0;
        for (int i : counts_.failed)
            failed += !counts_.skipped.count(i);
        std::printf("%zu %s, %zu kept, %zu failed\n", counts_.ok.size(), verb, counts_.skipped.size(), failed);
        return failed ? ExitSomeFailed : ExitOk;
    }

    int RunCommandLine(const std::string& dest, int status)
    {
        std::string folder = IncludeTrailingSlash(dest);
        if (NativeSeparator() != '/')
            for (char& c : folder)
                if (c == '/')
                    c = NativeSeparator();
        TSfxCommand cmd = ParseSfxCommand(block_.CommandLine, folder);
        if (cmd.Program.empty())
            return status;
        std::string shown = cmd.Program;
        for (const std::string& a : cmd.Args)
            shown += " " + a;
        if (interactive_ && (block_.Flags & TSfxBlock::kAskCmdLine)) {
            std::string answer;
            ReadLine("Run " + shown + "? [Y/n]: ", answer);
            if (answer == "n" || answer == "N")
                return status;
        }
        std::string error;
        int rc = RunProgram(cmd.Program, cmd.Args, dest, error);
        if (rc < 0) {
            std::fprintf(stderr, "cannot run %s: %s\n", cmd.Program.c_str(), error.c_str());
            return ExitCommand;
        }
        return status;
    }

    const Options& o_;
    const TSfxBlock& block_;
    bool interactive_;
    TKestroUnZip zip_;
    Counts counts_;
    int answerAll_ = -1;
    int passwordAsks_ = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args = ProgramArguments(argc, argv);
    const char* me = args.empty() ? "sfx" : args[0].c_str();
    Options o;
    std::string error;
    if (!ParseOptions(args, o, error)) {
        std::fprintf(stderr, "%s: %s\n", me, error.c_str());
        std::fprintf(stderr, kUsage, me);
        return ExitUsage;
    }
    if (o.help) {
        std::printf(kUsage, me);
        return ExitOk;
    }
    TPayload payload;
    std::string self = OwnProgramPath();
    if (self.empty() || !LocatePayload(self, kWantBlock, payload, error)) {
        std::fprintf(stderr, "%s: %s\n", me, self.empty() ? "cannot find this program's file" : error.c_str());
        return ExitArchive;
    }
    PrepareConsole(payload.Block.Caption);
    if (!payload.Block.Caption.empty())
        std::printf("%s\n", payload.Block.Caption.c_str());

    try {
        TArchiveCopy copy;
        if (!copy.Make(self, payload.ArchiveOffset, payload.ArchiveEnd, error)) {
            std::fprintf(stderr, "%s: %s\n", me, error.c_str());
            return ExitArchive;
        }
        Extractor x(o, payload.Block, !o.yes && StdinIsTerminal());
        return x.Run(copy.Name());
    } catch (const EUserCanceled& e) {
        std::fprintf(stderr, "%s: %s\n", me, e.what());
        return ExitSomeFailed;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", me, e.what());
        return ExitArchive;
    }
}
