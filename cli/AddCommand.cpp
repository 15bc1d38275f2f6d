// movrel-cli add: add, replace, update or freshen files in an archive.
#include "CliCommon.h"

#include "EngineErrors.h"
#include "FileUtils.h"
#include "KestroZip.h"
#include "Wildcards.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace movrel::cli {

namespace {

// "1457600", "700k", "100m", "2g" (powers of 1024); 0 when not a size.
int64_t ParseSize(const std::string& text)
{
    if (text.empty())
        return 0;
    size_t used = 0;
    long long value = 0;
    try {
        value = std::stoll(text, &used);
    } catch (...) {
        return 0;
    }
    std::string unit = text.substr(used);
    int64_t scale = unit.empty() ? 1 : unit == "k" || unit == "K" ? 1024 : unit == "m" || unit == "M" ? 1 << 20
                                      : unit == "g" || unit == "G" ? int64_t(1) << 30 : 0;
    return value > 0 ? value * scale : 0;
}

// A relative path as seen from the current folder, without touching the disk.
std::string FromCurrentDir(const std::string& path, const std::string& cwd)
{
    if (path.empty() || path[0] == '/')
        return path;
    return cwd + (cwd == "/" ? "" : "/") + path;
}

bool IsFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int RunAdd(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2,
                          {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "r", "q", "flat", "update", "replace",
                           "freshen", "move"},
                          {"p", "root", "split"});
    if (args.operands.size() < 2)
        throw UsageError{"add takes an archive and the files to add"};
    const std::string& archive = args.operands[0];
    int level = 6;
    for (const auto& option : args.options)
        if (option.first.size() == 1 && option.first[0] >= '0' && option.first[0] <= '9')
            level = option.first[0] - '0';
    int actions = args.Has("update") + args.Has("replace") + args.Has("freshen");
    if (actions > 1)
        throw UsageError{"choose one of --update, --replace and --freshen"};
    int64_t split = 0;
    if (args.Has("split") && (split = ParseSize(args.Value("split"))) <= 0)
        throw UsageError{"--split takes a size such as 1457600, 700k or 100m"};
    if (IsFolder(archive)) {
        Error("\"" + archive + "\" is a folder, not an archive");
        return ExitArchive;
    }

    TKestroZip zip;
    bool existed = FileExists(archive);
    if (existed) {
        if (!OpenForReading(zip, archive, false))
            return ExitArchive;
    } else {
        PrepareReader(zip, archive, false);
    }
    if (split > 0) {
        zip.MultiZipInfo().MultiMode = mmBlocks;
        zip.MultiZipInfo().FirstBlockSize = zip.MultiZipInfo().BlockSize = int(std::min<int64_t>(split, INT32_MAX));
    }
    std::string cwd = CurrentDirectory();
    std::string root = args.Has("root") ? FromCurrentDir(args.Value("root"), cwd) : cwd;
    if (args.Has("flat")) {
        zip.SetStorePaths(false);
    } else {
        zip.SetRelativePaths(true);
        zip.SetRootDir(root);
    }
    zip.Recurse = args.Has("r");
    zip.PackLevel = level;
    zip.Password = args.Value("p");
    zip.Dispose = args.Has("move");
    zip.ZipAction = args.Has("replace") ? zaReplace : args.Has("freshen") ? zaFreshen : zaUpdate;
    for (size_t i = 1; i < args.operands.size(); ++i) {
        std::string item = args.operands[i];
        if (HasWildcards(item)) {
            size_t start = item[0] == '|' || item[0] == '>' ? 1 : 0;
            zip.FilesList.push_back(item.substr(0, start) + FromCurrentDir(item.substr(start), cwd));
            continue;
        }
        std::string path = FromCurrentDir(item, cwd);
        if (IsFolder(path)) {
            while (path.size() > 1 && path.back() == '/')
                path.pop_back();
            zip.FilesList.push_back((zip.Recurse ? ">" : "|") + path + "/*");
        } else {
            zip.FilesList.push_back(path);
        }
    }

    ProgressBar bar(!args.Has("q") && StderrIsTerminal());
    auto say = [&bar](const std::string& text) {
        bar.Finish();
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    int skipped = 0, failed = 0;
    std::string current;
    zip.OnNoSuchFile = [&](TKestroZip*, const std::string& name) {
        say(name + ": no such file or folder");
        ++failed;
    };
    zip.OnFileError = [&](TKestroZip*, const std::string& name, const std::string& message) {
        say(name + ": " + message + ", left out");
        ++failed;
    };
    zip.OnSkippingFile = [&](TKestroUnZip* z, TSkipReason, int index) {
        say(DisplayName(z->Entry(index)) + ": named twice, stored once");
        ++skipped;
    };
    zip.OnStartZip = [&](TKestroZip*, const std::string&, TZipHeaderInfo& header, bool&) {
        current = DisplayName(header);
    };
    zip.OnTotalPercentDone = [&](TKestroUnZip*, int percent) { bar.Show(current, percent); };

    try {
        int added = zip.AddFiles();
        bar.Finish();
        if (!existed && added == 0) {
            // an archive of nothing is no use to anyone
            ::unlink(archive.c_str());
            std::fprintf(stderr, "nothing added; no archive written\n");
            return ExitSomeFailed;
        }
        std::string volumes = zip.DiskCount > 1 ? " (the last of " + std::to_string(zip.DiskCount) + " volumes)" : "";
        std::fprintf(stderr, "%d added, %d skipped, %d failed; %d entries in %s%s\n", added, skipped, failed,
                     zip.EntryCount(), zip.ZipName().c_str(), volumes.c_str());
    } catch (const EUserCanceled& e) {
        bar.Finish();
        Error(archive + ": " + e.what() + "; the archive is unchanged");
        return ExitSomeFailed;
    } catch (const std::exception& e) {
        bar.Finish();
        Error(archive + ": " + e.what() + (FileExists(archive) ? "; the archive is unchanged" : ""));
        return ExitArchive;
    }
    return skipped || failed ? ExitSomeFailed : ExitOk;
}

}  // namespace movrel::cli
