// Fuzz target: any bytes as an archive file. Reads the directory (scanning
// local headers when there is no end record), every comment, and tests
// every entry with the decoders.
#include "EngineErrors.h"
#include "KestroUnZip.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string ScratchFile()
{
    static std::string name = [] {
        char pattern[] = "/tmp/movrel-fuzz-dir-XXXXXX";
        int fd = ::mkstemp(pattern);
        if (fd >= 0)
            ::close(fd);
        return std::string(pattern);
    }();
    return name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = ScratchFile();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    for (int mode = 0; mode < 2; ++mode) {
        movrel::TKestroUnZip zip;
        zip.DoProcessMessages = false;
        zip.IncompleteZipMode = mode ? movrel::izAssumeBad : movrel::izAssumeMulti;
        zip.OnGetNextDisk = [](movrel::TKestroUnZip*, int, std::string& fname) { fname.clear(); };
        // Stop an entry that claims gigabytes after a megabyte of output.
        int pieces = 0;
        zip.OnFilePercentDone = [&pieces](movrel::TKestroUnZip*, int) {
            if (++pieces > 64)
                throw movrel::EUserCanceled();
        };
        zip.OnStartUnZip = [&pieces](movrel::TKestroUnZip*, int, const std::string&, bool&) { pieces = 0; };
        try {
            zip.SetZipName(path);
            zip.ReadDirectory();
            zip.ArchiveComment();
            for (int i = 0; i < zip.EntryCount(); ++i)
                zip.EntryComment(i);
            zip.DoAll = true;
            zip.Password = "x";
            zip.TestFiles();
        } catch (const movrel::EZipError&) {
        }
    }
    return 0;
}
