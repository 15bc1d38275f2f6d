// movrel-cli: the engine's operations for scripts.
#include "CliCommon.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: movrel-cli COMMAND ARCHIVE [options]\n"
    "\n"
    "  list    ARCHIVE [--sort=name|file|dir|date|packed|size|rate|none] [--tsv] [--scan]\n"
    "  info    ARCHIVE [--scan]\n"
    "  test    ARCHIVE [-p PASSWORD] [-q] [--scan]\n"
    "  extract ARCHIVE [-d DIR] [-p PASSWORD] [--flat] [--overwrite=always|never|ask]\n"
    "                  [--root DIR] [--no-attributes] [-q] [--scan] [PATTERN...]\n"
    "  add     ARCHIVE [-0 ... -9] [-r] [--flat] [--root DIR] [-p PASSWORD]\n"
    "                  [--update|--replace|--freshen] [--move] [--split SIZE] [-q] FILE|FOLDER|PATTERN...\n"
    "  delete  ARCHIVE PATTERN...\n"
    "  comment ARCHIVE [--set TEXT | --from FILE] [--entry NAME]\n"
    "  repair  ARCHIVE [-o OUTPUT]\n"
    "  sfx     ARCHIVE [--platform=win32|win32std|win16|dos|linux] [--caption TEXT] [--dir FOLDER]\n"
    "                  [--run \"PROGRAM|ARGS\"] [--overwrite=ask|always|never] [--ask-files] [--ask-run]\n"
    "                  [--hide-overwrite] [--stub FILE] [--stub-dir DIR]\n"
    "\n"
    "--scan reads a damaged archive (no end record) by its local headers.\n"
    "Exit status: 0 done, 1 some entries failed or were skipped, 2 wrong usage,\n"
    "3 the archive cannot be read or written.\n";

}  // namespace

int main(int argc, char** argv)
{
    using namespace movrel::cli;
    if (argc < 2 || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--help")) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? ExitUsage : ExitOk;
    }
    std::string command = argv[1];
    try {
        if (command == "list")
            return RunList(argc, argv);
        if (command == "info")
            return RunInfo(argc, argv);
        if (command == "test")
            return RunTest(argc, argv);
        if (command == "extract")
            return RunExtract(argc, argv);
        if (command == "add")
            return RunAdd(argc, argv);
        if (command == "delete")
            return RunDelete(argc, argv);
        if (command == "comment")
            return RunComment(argc, argv);
        if (command == "repair")
            return RunRepair(argc, argv);
        if (command == "sfx")
            return RunSfx(argc, argv);
    } catch (const UsageError& e) {
        Error(e.message);
        std::fputs(kUsage, stderr);
        return ExitUsage;
    } catch (const std::exception& e) {
        Error(e.what());
        return ExitArchive;
    }
    Error("unknown command '" + command + "'");
    std::fputs(kUsage, stderr);
    return ExitUsage;
}
