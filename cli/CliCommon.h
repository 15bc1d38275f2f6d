// Shared pieces of movrel-cli's commands: argument parsing, opening an
// archive with the terminal's answers wired to the engine's events, exit
// statuses, and the small terminal services (progress bar, questions).
#pragma once

#include "KestroUnZip.h"

#include <string>
#include <vector>

namespace movrel::cli {

enum ExitStatus { ExitOk = 0, ExitSomeFailed = 1, ExitUsage = 2, ExitArchive = 3 };

// Arguments after the command: options (with their values) and operands.
struct Args {
    std::vector<std::string> operands;
    std::vector<std::pair<std::string, std::string>> options;  // name without dashes, value ("" for a flag)
    bool Has(const std::string& name) const;
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

// Splits argv; valueOptions lists the options that take a value ("-d DIR",
// "--root DIR" or "--root=DIR"). Throws UsageError for an unknown option.
struct UsageError {
    std::string message;
};
Args ParseArgs(int argc, char** argv, int first, const std::vector<std::string>& flags,
               const std::vector<std::string>& valueOptions);

// Prints "movrel-cli: message" on standard error.
void Error(const std::string& message);

// Names volume n (1-based) of the set whose last volume is lastVolume, by
// the block naming (.001, .002, ...) or the .z01 ... .zip naming; empty when
// neither fits.
std::string GuessVolumeName(const std::string& lastVolume, int n);

// Wires OnGetNextDisk (volume names guessed, else asked on the terminal)
// and, with scan, reads a damaged archive by its local headers.
void PrepareReader(TKestroUnZip& zip, const std::string& archive, bool scan);

// Reads the directory; on failure prints a one-line error and returns false.
bool OpenForReading(TKestroUnZip& zip, const std::string& archive, bool scan);

// Entry name for people: "/" separators.
std::string DisplayName(const TZipHeaderInfo& e);

bool StderrIsTerminal();
bool StdinIsTerminal();
// Reads a line from the terminal; echo off for passwords. False at end of input.
bool AskLine(const std::string& prompt, std::string& answer, bool echo = true);

// A one-line progress bar on standard error (only when it is a terminal and
// not quiet).
class ProgressBar {
public:
    explicit ProgressBar(bool enabled) : enabled_(enabled) {}
    ~ProgressBar() { Finish(); }
    void Show(const std::string& label, int percent);
    void Finish();

private:
    bool enabled_;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::string lastLabel_;
};

int RunList(int argc, char** argv);
int RunInfo(int argc, char** argv);
int RunTest(int argc, char** argv);
int RunExtract(int argc, char** argv);
int RunAdd(int argc, char** argv);
int RunDelete(int argc, char** argv);
int RunComment(int argc, char** argv);
int RunRepair(int argc, char** argv);
int RunSfx(int argc, char** argv);

}  // namespace movrel::cli
