// The command line a self-extracting archive runs after extraction:
// "program|arguments". The arguments are split at blanks, a pair of double
// quotes keeping blanks inside one argument ("a b" is one argument, a
// quote is written \"). In the program and in each argument, "><" stands
// for the extraction folder with a trailing separator, so
// "notepad|><readme.txt" opens readme.txt of the extraction folder, also
// when the folder's name holds blanks.
#pragma once

#include <string>
#include <vector>

namespace movrel::sfx {

struct TSfxCommand {
    std::string Program;
    std::vector<std::string> Args;
};

// extractDir ends in its separator. Program is empty when text names none.
TSfxCommand ParseSfxCommand(const std::string& text, const std::string& extractDir);

// Replaces every "><" in text by with.
std::string ReplaceMarker(const std::string& text, const std::string& with);

}  // namespace movrel::sfx
