// movrel-cli delete: remove entries named by stored path or pattern.
#include "CliCommon.h"

#include "KestroZip.h"
#include "Wildcards.h"

#include <algorithm>
#include <cstdio>

namespace movrel::cli {

int RunDelete(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"q"}, {});
    if (args.operands.size() < 2)
        throw UsageError{"delete takes an archive and the entries to remove"};
    const std::string& archive = args.operands[0];
    TKestroZip zip;
    if (!OpenForReading(zip, archive, false))
        return ExitArchive;
    for (size_t i = 1; i < args.operands.size(); ++i) {
        std::string item = args.operands[i];
        std::replace(item.begin(), item.end(), '/', '\\');
        zip.FilesList.push_back(item);
    }
    int removed = 0;
    try {
        removed = zip.DeleteFiles();
    } catch (const std::exception& e) {
        Error(archive + ": " + e.what() + "; the archive is unchanged");
        return ExitArchive;
    }
    int missing = 0;
    for (std::string item : zip.FilesList) {
        if (HasWildcards(item))
            continue;
        std::replace(item.begin(), item.end(), '\\', '/');
        std::fprintf(stderr, "%s: not in the archive\n", item.c_str());
        ++missing;
    }
    std::fprintf(stderr, "%d deleted; %d entries left in %s\n", removed, zip.EntryCount(), archive.c_str());
    return missing || removed == 0 ? ExitSomeFailed : ExitOk;
}

}  // namespace movrel::cli
