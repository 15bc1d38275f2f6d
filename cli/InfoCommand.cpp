// movrel-cli info: what the archive holds, in a few lines.
#include "CliCommon.h"

#include "Percent.h"

#include <cstdio>

namespace movrel::cli {

int RunInfo(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"scan"}, {});
    if (args.operands.size() != 1)
        throw UsageError{"info takes one archive"};
    const std::string& archive = args.operands[0];
    TKestroUnZip zip;
    if (!OpenForReading(zip, archive, args.Has("scan")))
        return ExitArchive;
    uint64_t total = 0, packed = 0;
    int encrypted = 0, folders = 0;
    for (int i = 0; i < zip.EntryCount(); ++i) {
        const TZipHeaderInfo& e = zip.Entry(i);
        total += e.UncompressedSize;
        packed += uint64_t(e.CompressedSize);
        encrypted += e.IsEncrypted();
        folders += e.IsDirectory();
    }
    int ratio = total ? TotalPercent(int64_t(packed), int64_t(total)) : 0;
    std::string comment = zip.ArchiveComment();
    std::printf("Archive:            %s\n", archive.c_str());
    if (zip.DiskCount > 1)
        std::printf("Volumes:            %d\n", zip.DiskCount);
    std::printf("Entries:            %d (%d folders)\n", zip.EntryCount(), folders);
    std::printf("Uncompressed total: %llu bytes\n", (unsigned long long)total);
    std::printf("Compressed total:   %llu bytes\n", (unsigned long long)packed);
    std::printf("Ratio:              %d%% (compressed size of the uncompressed size)\n", ratio);
    std::printf("Encrypted:          %s\n", encrypted == 0                   ? "no"
                                            : encrypted == zip.EntryCount() ? "yes"
                                                                              : "some entries");
    if (zip.RebuiltFromLocal())
        std::printf("Directory:          rebuilt from the local headers\n");
    std::printf("Comment:            %s\n", comment.empty() ? "(none)" : "");
    if (!comment.empty()) {
        std::fwrite(comment.data(), 1, comment.size(), stdout);
        if (comment.back() != '\n')
            std::putchar('\n');
    }
    return ExitOk;
}

}  // namespace movrel::cli
