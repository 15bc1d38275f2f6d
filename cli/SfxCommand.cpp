// movrel-cli sfx: a self-extracting program from an archive.
#include "CliCommon.h"

#include "MovrelSFX.h"

#include <cstdio>
#include <cstdlib>

namespace movrel::cli {

namespace {

// The builder's message boxes as lines on standard error.
class ConsoleUi : public TEngineUi {
public:
    TMsgResult MessageBox(const std::string& text, const std::string&, TMsgButtons buttons, TMsgIcon) override
    {
        std::string line;
        for (char c : text)
            if (c != '\r')
                line += c;
        Error(line);
        return buttons == TMsgButtons::YesNo ? TMsgResult::No : TMsgResult::Ok;
    }
};

struct PlatformName {
    const char* name;
    TSfxPlatform platform;
};
const PlatformName kPlatforms[] = {
    {"win32", sfxWin32Enh}, {"win32std", sfxWin32Std}, {"win16", sfxWin16}, {"dos", sfxDos}, {"linux", sfxLinux},
};

const char* AnswerText(int code)
{
    switch (code) {
    case -1: return "cannot create the self-extracting file";
    case -2: return "cannot write the self-extracting file";
    case -3: return "cannot read the stub or the archive";
    case -9: return "the self-extracting file came out with the wrong size";
    default: return "the self-extracting file was not made";
    }
}

// The build tree keeps the stubs in sfx/ beside cli/.
std::string DefaultStubDir()
{
    const char* env = std::getenv("MOVREL_SFX_DIR");
    if (env && *env)
        return env;
    std::string program = TMovrelSFX::ProgramDirectory();
    return program.empty() ? std::string() : program + "../sfx";
}

}  // namespace

int RunSfx(int argc, char** argv)
{
    Args args = ParseArgs(argc, argv, 2, {"ask-files", "ask-run", "hide-overwrite"},
                          {"platform", "caption", "dir", "run", "overwrite", "stub", "stub-dir"});
    if (args.operands.size() != 1)
        throw UsageError{"sfx needs one ARCHIVE"};

    ConsoleUi ui;
    TMovrelSFX sfx(&ui);
    sfx.SetZipFilename(args.operands[0]);
    std::string platform = args.Value("platform", "win32");
    bool known = false;
    for (const PlatformName& p : kPlatforms)
        if (platform == p.name) {
            sfx.Platform = p.platform;
            known = true;
        }
    if (!known)
        throw UsageError{"unknown platform '" + platform + "' (win32, win32std, win16, dos, linux)"};

    std::string overwrite = args.Value("overwrite", "ask");
    if (overwrite == "ask")
        sfx.SFXOverWriteMode = OvrConfirm;
    else if (overwrite == "always")
        sfx.SFXOverWriteMode = OvrAlways;
    else if (overwrite == "never")
        sfx.SFXOverWriteMode = OvrNever;
    else
        throw UsageError{"--overwrite takes ask, always or never"};
    if (args.Has("ask-run"))
        sfx.SFXOptions.insert(SFXAskCmdLine);
    if (args.Has("ask-files"))
        sfx.SFXOptions.insert(SFXAskFiles);
    if (args.Has("hide-overwrite"))
        sfx.SFXOptions.insert(SFXHideOverWriteBox);
    sfx.SFXCaption = args.Value("caption");
    sfx.SFXDefaultDir = args.Value("dir");
    sfx.SFXCommandLine = args.Value("run");
    sfx.SFXPath = args.Value("stub");
    sfx.SFXStubDir = args.Has("stub-dir") ? args.Value("stub-dir") : DefaultStubDir();
    if (!SfxHasBlock(sfx.Platform) && (args.Has("caption") || args.Has("dir") || args.Has("run")))
        Error("warning: the " + platform + " stub takes no options; --caption, --dir and --run are ignored");

    int code = sfx.MakeSFX();
    if (!sfx.CreatedFile().empty()) {
        std::printf("%s\n", sfx.CreatedFile().c_str());
        return ExitOk;
    }
    if (code != 0)
        Error(std::string(AnswerText(code)) + " (" + std::to_string(code) + ")");
    return ExitArchive;
}

}  // namespace movrel::cli
