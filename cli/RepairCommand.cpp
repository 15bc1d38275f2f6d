// movrel-cli repair: copy every entry that can be found in a damaged
// archive into a new one; the damaged file stays as it is.
#include "CliCommon.h"

#include "FileUtils.h"
#include "KestroZip.h"

#include <cstdio>

namespace movrel::cli {

int RunRepair(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"q"}, {"o"});
    if (args.operands.size() != 1)
        throw UsageError{"repair takes one archive"};
    const std::string& archive = args.operands[0];
    std::string output = args.Value("o");
    if (output.empty()) {
        std::string ext = ExtractFileExt(archive);
        output = archive.substr(0, archive.size() - ext.size()) + ".fixed" + (ext.empty() ? ".zip" : ext);
    }
    if (!FileExists(archive)) {
        Error(archive + ": no such archive");
        return ExitArchive;
    }
    TKestroZip zip;
    zip.DoProcessMessages = false;
    int recovered = 0;
    try {
        recovered = zip.RepairArchive(archive, output);
    } catch (const std::exception& e) {
        Error(archive + ": " + e.what());
        return ExitArchive;
    }
    std::fprintf(stderr, "%d entries recovered into %s\n", recovered, output.c_str());
    return recovered == 0 ? ExitSomeFailed : ExitOk;
}

}  // namespace movrel::cli
