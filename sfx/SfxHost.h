// The few services of the operating system the stub needs beyond the
// engine's: its own file, the terminal, a private copy of the archive,
// and starting the command line. SfxHostPosix.cpp and SfxHostWin.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movrel::sfx {

// The program's arguments as UTF-8 (on Windows from the wide command line).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The running program's file; empty when it cannot be told.
std::string OwnProgramPath();
// Console set-up: UTF-8 output and the window title (Windows).
void PrepareConsole(const std::string& title);

bool StdinIsTerminal();
// Shows prompt and reads one line (without its end); echo off for
// passwords. False at the end of input.
bool ReadLine(const std::string& prompt, std::string& answer, bool echo = true);

// The user's temporary folder, with a trailing separator.
std::string UserTempDirectory();
// The separator of the command lines this system runs ('/' or '\').
char NativeSeparator();

// A private copy of the bytes [offset, end) of a file, for the reader,
// which takes offsets from the first byte of the file it opens. Removed
// when the object goes (on Linux it has no name in any folder from the
// start; Name() reaches it through /proc/self/fd).
class TArchiveCopy {
public:
    TArchiveCopy() = default;
    ~TArchiveCopy();
    TArchiveCopy(const TArchiveCopy&) = delete;
    TArchiveCopy& operator=(const TArchiveCopy&) = delete;
    bool Make(const std::string& source, int64_t offset, int64_t end, std::string& error);
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    std::string unlinkName_;
    int fd_ = -1;
};

// Runs program with args in folder workDir and waits for it. Answers its
// exit status, or -1 with error set when it could not be started.
int RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
               std::string& error);

}  // namespace movrel::sfx
