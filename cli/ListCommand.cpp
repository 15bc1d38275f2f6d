// movrel-cli list: a verbose table, or tab-separated values for scripts.
#include "CliCommon.h"

#include "Percent.h"

#include <cstdio>
#include <map>

namespace movrel::cli {

namespace {

std::string MethodName(const TZipHeaderInfo& e)
{
    switch (e.CompressionMethod) {
    case 0: return "Stored";
    case 1: return "Shrunk";
    case 2: case 3: case 4: case 5: return "Reduce" + std::to_string(e.CompressionMethod - 1);
    case 6: return e.GeneralFlags & 2 ? "Impl:8K" : "Impl:4K";
    case 8: {
        static const char kOption[] = {'N', 'X', 'F', 'S'};
        return std::string("Defl:") + kOption[(e.GeneralFlags >> 1) & 3];
    }
    default: return "Unk:" + std::to_string(e.CompressionMethod);
    }
}

// The stored fields as they are, also when they make no valid date.
void DateTimeText(uint32_t dos, char* date, size_t dateSize, char* time, size_t timeSize)
{
    std::snprintf(date, dateSize, "%04u-%02u-%02u", 1980 + ((dos >> 25) & 0x7F), (dos >> 21) & 0x0F,
                  (dos >> 16) & 0x1F);
    std::snprintf(time, timeSize, "%02u:%02u:%02u", (dos >> 11) & 0x1F, (dos >> 5) & 0x3F, (dos & 0x1F) * 2);
}

// Space saved, as a whole percentage.
int Saved(uint32_t size, int64_t packed)
{
    if (size == 0)
        return 0;
    return 100 - Percent(size, uint32_t(packed));
}

}  // namespace

int RunList(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"tsv", "scan"}, {"sort"});
    if (args.operands.size() != 1)
        throw UsageError{"list takes one archive"};
    static const std::map<std::string, TZipSortMode> kSorts = {
        {"name", ByName}, {"file", ByFileName}, {"dir", ByDirectoryName}, {"date", ByDate},
        {"packed", ByCompressedSize}, {"size", ByUnCompressedSize}, {"rate", ByRate}, {"none", ByNone}};
    TZipSortMode sort = ByNone;
    if (args.Has("sort")) {
        auto it = kSorts.find(args.Value("sort"));
        if (it == kSorts.end())
            throw UsageError{"unknown sort order '" + args.Value("sort") + "'"};
        sort = it->second;
    }
    const std::string& archive = args.operands[0];
    TKestroUnZip zip;
    zip.SortMode = sort;
    if (!OpenForReading(zip, archive, args.Has("scan")))
        return ExitArchive;

    std::string out;
    out.reserve(size_t(zip.EntryCount()) * 80 + 256);
    char line[512], date[16], time[16];
    if (args.Has("tsv")) {
        out += "name\tmethod\tpacked\tsize\tcrc32\tmodified\tencrypted\tattributes\n";
        for (int i = 0; i < zip.EntryCount(); ++i) {
            const TZipHeaderInfo& e = zip.Entry(i);
            DateTimeText(e.DosDateTime, date, sizeof date, time, sizeof time);
            std::snprintf(line, sizeof line, "\t%u\t%lld\t%u\t%08x\t%s %s\t%d\t%08x\n", e.CompressionMethod,
                          (long long)e.CompressedSize, e.UncompressedSize, e.Crc32, date, time,
                          e.IsEncrypted() ? 1 : 0, e.ExternalAttributes);
            out += DisplayName(e);
            out += line;
        }
    } else {
        out += "  Length  Method       Size  Cmpr        Date      Time    CRC-32  Enc  Name\n"
               "--------  -------  --------  ----  ----------  --------  --------  ---  ----\n";
        uint64_t total = 0, packed = 0;
        for (int i = 0; i < zip.EntryCount(); ++i) {
            const TZipHeaderInfo& e = zip.Entry(i);
            DateTimeText(e.DosDateTime, date, sizeof date, time, sizeof time);
            std::snprintf(line, sizeof line, "%8u  %-7s  %8lld  %3d%%  %s  %s  %08x  %-3s  ", e.UncompressedSize,
                          MethodName(e).c_str(), (long long)e.CompressedSize,
                          Saved(e.UncompressedSize, e.CompressedSize), date, time, e.Crc32,
                          e.IsEncrypted() ? "yes" : "");
            out += line;
            out += DisplayName(e);
            out += '\n';
            total += e.UncompressedSize;
            packed += uint64_t(e.CompressedSize);
        }
        int saved = total ? 100 - TotalPercent(int64_t(packed), int64_t(total)) : 0;
        std::snprintf(line, sizeof line,
                      "--------           --------  ----                                       ----\n"
                      "%8llu           %8llu  %3d%%                                       %d %s\n",
                      (unsigned long long)total, (unsigned long long)packed, saved < 0 ? 0 : saved,
                      zip.EntryCount(), zip.EntryCount() == 1 ? "entry" : "entries");
        out += line;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return ExitOk;
}

}  // namespace movrel::cli
