// TMovrelSFX: turns a finished ZIP archive into a self-extracting program.
// The new file holds, in order, a stub program (S bytes), for the platforms
// with options a 256-byte configuration block, and the archive byte for byte
// (Z bytes). The archive's offsets are not changed: they stay relative to
// the archive's first byte, and the stub takes them that way.
//
// Configuration block (TSfxBlock), right after the stub:
//   0  3   "MPU"
//   3  1   flags: 1 ask before running the command line, 2 let the user
//          choose the files, 4 hide the overwrite choice, 8 overwrite
//          always, 16 never overwrite (neither: ask); bits 5-7 zero
//   4  1   Lc, length of the caption in bytes
//   5  1   Ld, length of the default folder
//   6  1   Lm, length of the command line
//   7  ... caption, default folder, command line (no terminators); the rest
//          is zeros. Lc + Ld + Lm <= 249, so everything fits.
//
// Stub search (MakeSFX step 3); each candidate is tried only when the one
// before names no existing file, and SFXPath keeps the last one tried:
//   1. SFXPath as given;
//   2. the stub's name in the current directory;
//   3. the stub's name beside the running program (the folder of
//      /proc/self/exe);
//   4. the stub's name in SFXStubDir, when that is set (a build's sfx
//      output folder, or a folder chosen by the user);
//   5. the stub's name in the install location: lib/movrel beside the
//      program's bin folder (/usr/bin/movrel-cli -> /usr/lib/movrel/).
#pragma once

#include "EngineUi.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>

namespace movrel {

enum SFXOptsEnum { SFXAskCmdLine, SFXAskFiles, SFXHideOverWriteBox };
using SFXOpts = std::set<SFXOptsEnum>;
enum OvrOpts { OvrConfirm, OvrAlways, OvrNever };

// The platforms of the Make-EXE window in their stored order, and Linux
// after them so a stored choice keeps its meaning.
enum TSfxPlatform { sfxWin32Enh, sfxWin32Std, sfxWin16, sfxDos, sfxLinux };

// The stub file of a platform: "ZIPSFX.BIN", "SFXW32.bin", "SFXW.bin",
// "SFXD.bin", "SFXLINUX.bin". The 16-bit Windows and DOS stubs are not
// built by this project, so choosing them ends in the missing-stub error
// unless the user supplies the files.
const char* SfxStubName(TSfxPlatform platform);
// True for the platforms whose stub reads a configuration block (Win32
// Enh. and Linux); the others get the stub and the archive only.
bool SfxHasBlock(TSfxPlatform platform);

// The 256-byte configuration block, as bytes and as values.
struct TSfxBlock {
    static constexpr size_t kSize = 256;
    static constexpr size_t kMaxTexts = 249;  // Lc + Ld + Lm at most
    static constexpr uint8_t kAskCmdLine = 1, kAskFiles = 2, kHideOverwrite = 4, kOvrAlways = 8, kOvrNever = 16;

    uint8_t Flags = 0;
    std::string Caption, DefaultDir, CommandLine;

    // The block's bytes; the texts must fit (Lc + Ld + Lm <= 249), else
    // ELimitError. The unused bytes are zeros.
    void Encode(uint8_t* out) const;
    // Reads a block; false when the bytes do not begin with "MPU" or the
    // three lengths add up to more than 249.
    bool Decode(const uint8_t* in);

    OvrOpts OverwriteMode() const
    {
        return (Flags & kOvrAlways) ? OvrAlways : (Flags & kOvrNever) ? OvrNever : OvrConfirm;
    }
};

class TMovrelSFX {
public:
    explicit TMovrelSFX(TEngineUi* ui = nullptr);

    // ---- published properties ----
    SFXOpts SFXOptions;
    std::string SFXPath;
    OvrOpts SFXOverWriteMode = OvrConfirm;
    std::string SFXCaption;
    std::string SFXDefaultDir;   // "><" stands for the user's temporary folder
    std::string SFXCommandLine;  // program "|" arguments; "><" stands for the extraction folder
    const std::string& ZipFilename() const { return zipFilename_; }
    void SetZipFilename(const std::string& value) { zipFilename_ = value; }

    // Not in the original component: the platform (which stub, whether a
    // block follows it, how the output is named) and one more folder the
    // stub search looks in (step 4 above; empty: skipped).
    TSfxPlatform Platform = sfxWin32Enh;
    std::string SFXStubDir;

    // Builds the self-extracting file. Answers 0 on success and after each
    // error reported in a message box (no archive, texts over 249 bytes,
    // no stub, not a ".zip" name); -1 when the output cannot be created,
    // -2 when writing it fails, -3 when the stub or the archive cannot be
    // opened or read, -9 when the finished file does not have the size of
    // its parts. The output is written under a temporary name beside it
    // and renamed into place only when complete, so a failure leaves no
    // output and an existing file of that name as it was.
    int MakeSFX();

    // The file the last MakeSFX created; empty when it created none (the
    // answer 0 alone does not tell).
    const std::string& CreatedFile() const { return createdFile_; }

    // The output name for the archive name and platform: Win32 Enh. the
    // archive's name with ".exe" for its extension (data.tar.zip ->
    // data.tar.exe); Linux the same with ".run"; the plain platforms the
    // name up to its first "." plus ".exe" (my.backup.zip -> my.exe).
    static std::string OutputName(const std::string& zipFilename, TSfxPlatform platform);

    // Step 3 alone: true when a stub was found; SFXPath names it (or the
    // last candidate tried).
    bool FindStub();

    // The block MakeSFX writes for the current properties (the texts must
    // fit).
    TSfxBlock ConfigBlock() const;

    // The folder of the running program, with a trailing '/'; empty when
    // it cannot be told.
    static std::string ProgramDirectory();

private:
    int WriteOutput(const std::string& output);
    void Error(const std::string& text);

    TEngineUi* ui_;
    std::string zipFilename_;
    std::string createdFile_;
};

}  // namespace movrel
