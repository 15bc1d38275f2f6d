// movrel-cli comment: show or change the archive comment or an entry's.
#include "CliCommon.h"

#include "KestroZip.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

namespace movrel::cli {

int RunComment(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {}, {"set", "from", "entry"});
    if (args.operands.size() != 1)
        throw UsageError{"comment takes one archive"};
    if (args.Has("set") && args.Has("from"))
        throw UsageError{"choose one of --set and --from"};
    const std::string& archive = args.operands[0];
    TKestroZip zip;
    if (!OpenForReading(zip, archive, false))
        return ExitArchive;

    int index = -1;
    if (args.Has("entry")) {
        std::string wanted = args.Value("entry");
        std::replace(wanted.begin(), wanted.end(), '\\', '/');
        for (int i = 0; i < zip.EntryCount() && index < 0; ++i)
            if (DisplayName(zip.Entry(i)) == wanted)
                index = i;
        if (index < 0) {
            Error(wanted + ": not in the archive");
            return ExitSomeFailed;
        }
    }
    try {
        if (!args.Has("set") && !args.Has("from")) {
            std::string text = index < 0 ? zip.ArchiveComment() : zip.EntryComment(index);
            std::fwrite(text.data(), 1, text.size(), stdout);
            if (!text.empty() && text.back() != '\n')
                std::fputc('\n', stdout);
            return ExitOk;
        }
        std::string text = args.Value("set");
        if (args.Has("from")) {
            std::string from = args.Value("from");
            if (from == "-") {
                text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
            } else {
                std::ifstream in(from, std::ios::binary);
                if (!in) {
                    Error("cannot read " + from);
                    return ExitUsage;
                }
                text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            }
        }
        if (text.size() > 0xFFFF) {
            Error("a comment holds at most 65535 bytes");
            return ExitUsage;
        }
        if (index < 0)
            zip.SetArchiveComment(text);
        else
            zip.SetEntryComment(index, text);
        zip.SaveModifiedArchive();
    } catch (const std::exception& e) {
        Error(archive + ": " + e.what() + "; the archive is unchanged");
        return ExitArchive;
    }
    std::fprintf(stderr, "comment saved in %s\n", archive.c_str());
    return ExitOk;
}

}  // namespace movrel::cli
