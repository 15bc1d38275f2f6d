#include "SfxCommandLine.h"

namespace movrel::sfx {

std::string ReplaceMarker(const std::string& text, const std::string& with)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '>' && i + 1 < text.size() && text[i + 1] == '<') {
            out += with;
            ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

TSfxCommand ParseSfxCommand(const std::string& text, const std::string& extractDir)
{
    TSfxCommand cmd;
    size_t bar = text.find('|');
    std::string program = text.substr(0, bar);
    while (!program.empty() && (program.back() == ' ' || program.back() == '\t'))
        program.pop_back();
    while (!program.empty() && (program.front() == ' ' || program.front() == '\t'))
        program.erase(0, 1);
    if (program.size() >= 2 && program.front() == '"' && program.back() == '"')
        program = program.substr(1, program.size() - 2);
    cmd.Program = ReplaceMarker(program, extractDir);
    if (bar == std::string::npos)
        return cmd;

    const std::string args = text.substr(bar + 1);
    std::string cur;
    bool inArg = false, quoted = false;
    for (size_t i = 0; i < args.size(); ++i) {
        char c = args[i];
        if (c == '\\' && i + 1 < args.size() && args[i + 1] == '"') {
            cur += '"';
            inArg = true;
            ++i;
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
            inArg = true;
            continue;
        }
        if ((c == ' ' || c == '\t') && !quoted) {
            if (inArg)
                cmd.Args.push_back(ReplaceMarker(cur, extractDir));
            cur.clear();
            inArg = false;
            continue;
        }
        cur += c;
        inArg = true;
    }
    if (inArg)
        cmd.Args.push_back(ReplaceMarker(cur, extractDir));
    return cmd;
}

}  // namespace movrel::sfx
