// movrel-cli test and extract.
#include "CliCommon.h"

#include "EngineErrors.h"

#include <cstdio>
#include <map>
#include <set>

namespace movrel::cli {

namespace {

// What happened to each entry, from the engine's events.
struct Outcome {
    std::set<int> ok, skipped, failed;
    std::map<int, int> passwordAsks;
};

std::string EntryLabel(TKestroUnZip& zip, int index)
{
    std::string name = zip.EntryPath(index) + zip.EntryFileName(index);
    for (char& c : name)
        if (c == '\\')
            c = '/';
    return name;
}

void WireEvents(TKestroUnZip& zip, Outcome& outcome, ProgressBar& bar, std::string& current, bool askPasswords)
{
    auto say = [&bar](const std::string& text) {
        bar.Finish();
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    zip.OnStartUnZip = [&current](TKestroUnZip* z, int index, const std::string&, bool&) {
        current = EntryLabel(*z, index);
    };
    zip.OnTotalPercentDone = [&bar, &current](TKestroUnZip*, int percent) { bar.Show(current, percent); };
    zip.OnEndUnZip = [&outcome](TKestroUnZip*, int index, const std::string&) { outcome.ok.insert(index); };
    zip.OnBadCRC = [&outcome, say](TKestroUnZip* z, uint32_t calc, uint32_t stored, int index) {
        char text[128];
        std::snprintf(text, sizeof text, ": CRC error (computed %08x, stored %08x)", calc, stored);
        say(EntryLabel(*z, index) + text);
        outcome.failed.insert(index);
    };
    zip.OnEntryError = [&outcome, say](TKestroUnZip* z, int index, const std::string& message) {
        say(EntryLabel(*z, index) + ": " + message);
        outcome.failed.insert(index);
    };
    zip.OnSkippingFile = [&outcome, say](TKestroUnZip* z, TSkipReason reason, int index) {
        say(EntryLabel(*z, index) +
            (reason == srBadPassword ? ": skipped, wrong password" : ": skipped, the file exists"));
        outcome.skipped.insert(index);
    };
    zip.OnBadPassword = [&outcome, &bar, askPasswords](TKestroUnZip* z, int index, std::string& newPassword) {
        if (!askPasswords || ++outcome.passwordAsks[index] > 3)
            return;
        bar.Finish();
        std::string answer;
        std::string prompt = (z->Password.empty() ? "Password for " : "Wrong password. Password for ") +
                             EntryLabel(*z, index) + ": ";
        if (AskLine(prompt, answer, false))
            newPassword = answer;
    };
}

int Summarize(const Outcome& o, const char* verb)
{
    size_t failed = 0;
    for (int i : o.failed)
        failed += !o.skipped.count(i);
    size_t ok = 0;
    for (int i : o.ok)
        ok += !o.failed.count(i);
    std::fprintf(stderr, "%zu %s, %zu skipped, %zu failed\n", ok, verb, o.skipped.size(), failed);
    return (failed || !o.skipped.empty()) ? ExitSomeFailed : ExitOk;
}

int RunEngine(TKestroUnZip& zip, const std::string& archive, bool test, const char* verb, Outcome& outcome)
{
    try {
        test ? zip.TestFiles() : zip.ExtractFiles();
        return Summarize(outcome, verb);
    } catch (const EUserCanceled& e) {
        Error(archive + ": " + e.what());
        Summarize(outcome, verb);
        return ExitSomeFailed;
    } catch (const std::exception& e) {
        Error(archive + ": " + e.what());
        Summarize(outcome, verb);
        return ExitArchive;
    }
}

}  // namespace

int RunTest(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"q", "scan"}, {"p"});
    if (args.operands.size() != 1)
        throw UsageError{"test takes one archive"};
    const std::string& archive = args.operands[0];
    TKestroUnZip zip;
    if (!OpenForReading(zip, archive, args.Has("scan")))
        return ExitArchive;
    zip.Password = args.Value("p");
    zip.DoAll = true;
    Outcome outcome;
    ProgressBar bar(!args.Has("q") && StderrIsTerminal());
    std::string current;
    WireEvents(zip, outcome, bar, current, StdinIsTerminal());
    return RunEngine(zip, archive, true, "tested OK", outcome);
}

int RunExtract(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"q", "scan", "flat", "no-attributes"}, {"p", "d", "overwrite", "root"});
    if (args.operands.empty())
        throw UsageError{"extract takes an archive"};
    const std::string& archive = args.operands[0];
    std::string overwrite = args.Value("overwrite", "ask");
    if (overwrite != "always" && overwrite != "never" && overwrite != "ask")
        throw UsageError{"--overwrite takes always, never or ask"};
    TKestroUnZip zip;
    if (!OpenForReading(zip, archive, args.Has("scan")))
        return ExitArchive;
    zip.Password = args.Value("p");
    zip.SetDestDir(args.Value("d"));
    zip.RecreateDirs = !args.Has("flat");
    zip.RetainAttributes = !args.Has("no-attributes");
    std::string root = args.Value("root");
    for (char& c : root)
        if (c == '/')
            c = '\\';
    zip.SetRootDir(root);
    for (size_t i = 1; i < args.operands.size(); ++i) {
        std::string pattern = args.operands[i];
        for (char& c : pattern)
            if (c == '/')
                c = '\\';
        zip.FilesList.push_back(pattern);
    }
    zip.DoAll = zip.FilesList.empty();
    bool interactive = StdinIsTerminal();
    // Without a terminal to ask, an existing file is kept.
    zip.OverwriteMode = overwrite == "always" ? Always : (overwrite == "ask" && interactive ? Prompt : Never);

    Outcome outcome;
    ProgressBar bar(!args.Has("q") && StderrIsTerminal());
    std::string current;
    WireEvents(zip, outcome, bar, current, interactive);
    bool all = false, none = false;
    zip.OnPromptForOverwrite = [&](TKestroUnZip*, bool& overwriteIt, int, std::string& fname) {
        if (all || none) {
            overwriteIt = all;
            return;
        }
        bar.Finish();
        std::string answer;
        for (;;) {
            if (!AskLine("Replace " + fname + "? [y]es, [n]o, [A]ll, [N]one: ", answer))
                answer = "n";
            if (answer == "y" || answer == "yes" || answer == "A") {
                all = answer == "A";
                overwriteIt = true;
                return;
            }
            if (answer == "n" || answer == "no" || answer == "N" || answer.empty()) {
                none = answer == "N";
                overwriteIt = false;
                return;
            }
        }
    };
    return RunEngine(zip, archive, false, "extracted", outcome);
}

}  // namespace movrel::cli
