#include "CliCommon.h"

#include "EngineErrors.h"
#include "FileUtils.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace movrel::cli {

bool Args::Has(const std::string& name) const
{
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string Args::Value(const std::string& name, const std::string& fallback) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name)
            return it->second;
    return fallback;
}

Args ParseArgs(int argc, char** argv, int first, const std::vector<std::string>& flags,
               const std::vector<std::string>& valueOptions)
{
    Args args;
    auto known = [](const std::vector<std::string>& list, const std::string& n) {
        return std::find(list.begin(), list.end(), n) != list.end();
    };
    bool endOfOptions = false;
    for (int i = first; i < argc; ++i) {
        std::string a = argv[i];
        if (endOfOptions || a.size() < 2 || a[0] != '-') {
            args.operands.push_back(a);
            continue;
        }
        if (a == "--") {
            endOfOptions = true;
            continue;
        }
        std::string name, value;
        bool hasValue = false;
        if (a.rfind("--", 0) == 0) {
            size_t eq = a.find('=');
            name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
            if (eq != std::string::npos) {
                value = a.substr(eq + 1);
                hasValue = true;
            }
        } else {
            name = a.substr(1, 1);
            if (a.size() > 2) {
                value = a.substr(2);
                hasValue = true;
            }
        }
        if (known(flags, name)) {
            if (hasValue && a.rfind("--", 0) == 0)
                throw UsageError{"option '--" + name + "' takes no value"};
            if (hasValue) {  // bundled short flags such as -rq
                for (char c : a.substr(1)) {
                    std::string f(1, c);
                    if (!known(flags, f))
                        throw UsageError{"unknown option '-" + f + "'"};
                    args.options.emplace_back(f, "");
                }
                continue;
            }
            args.options.emplace_back(name, "");
        } else if (known(valueOptions, name)) {
            if (!hasValue) {
                if (i + 1 >= argc)
                    throw UsageError{"option '" + a + "' needs a value"};
                value = argv[++i];
            }
            args.options.emplace_back(name, value);
        } else {
            throw UsageError{"unknown option '" + a + "'"};
        }
    }
    return args;
}

void Error(const std::string& message)
{
    std::fprintf(stderr, "movrel-cli: %s\n", message.c_str());
}

namespace {

bool EndsWithDigits(const std::string& s, size_t count)
{
    if (s.size() < count + 1 || s[s.size() - count - 1] != '.')
        return false;
    return std::all_of(s.end() - long(count), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string GuessVolumeName(const std::string& lastVolume, int n)
{
    char num[16];
    if (EndsWithDigits(lastVolume, 3)) {
        std::snprintf(num, sizeof num, "%03d", n);
        return lastVolume.substr(0, lastVolume.size() - 3) + num;
    }
    size_t dot = lastVolume.find_last_of('.');
    if (dot == std::string::npos || lastVolume.find('/', dot) != std::string::npos)
        return {};
    std::string ext = lastVolume.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    bool zipNaming = ext == "zip" || (ext.size() == 3 && ext[0] == 'z' && isdigit(uint8_t(ext[1])) &&
                                      isdigit(uint8_t(ext[2])));
    if (!zipNaming)
        return {};
    std::string base = lastVolume.substr(0, dot + 1);
    bool upper = lastVolume[dot + 1] == 'Z';
    std::snprintf(num, sizeof num, "%c%02d", upper ? 'Z' : 'z', n);
    if (FileExists(base + num))
        return base + num;
    std::string zip = base + (upper ? "ZIP" : "zip");
    return FileExists(zip) ? zip : std::string();
}

void PrepareReader(TKestroUnZip& zip, const std::string& archive, bool scan)
{
    zip.DoProcessMessages = false;
    if (scan)
        zip.IncompleteZipMode = izAssumeBad;
    zip.OnGetNextDisk = [archive](TKestroUnZip*, int n, std::string& fname) {
        std::string guess = GuessVolumeName(archive, n);
        if (!guess.empty()) {
            fname = guess;
            return;
        }
        std::string answer;
        if (StdinIsTerminal() &&
            AskLine("Volume " + std::to_string(n) + " of " + archive + " (file name, empty to stop): ", answer))
            fname = answer;
        else
            fname.clear();
    };
    zip.SetZipName(archive);
}

bool OpenForReading(TKestroUnZip& zip, const std::string& archive, bool scan)
{
    struct stat st;
    if (::stat(archive.c_str(), &st) != 0) {
        Error(SystemErrorText("cannot open", archive, errno));
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        Error("\"" + archive + "\" is a folder, not an archive");
        return false;
    }
    try {
        PrepareReader(zip, archive, scan);
        zip.ReadDirectory();
    } catch (const EIncompleteZip& e) {
        Error(archive + ": " + e.what() +
              " (no end record: not an archive, a damaged one, or a volume of a set other than the last;"
              " --scan lists what its local headers hold)");
        return false;
    } catch (const std::exception& e) {
        Error(archive + ": " + e.what());
        return false;
    }
    return true;
}

std::string DisplayName(const TZipHeaderInfo& e)
{
    std::string name = e.FullName();
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO); }
bool StdinIsTerminal() { return ::isatty(STDIN_FILENO); }

bool AskLine(const std::string& prompt, std::string& answer, bool echo)
{
    std::fputs(prompt.c_str(), stderr);
    std::fflush(stderr);
    termios old{};
    bool restore = false;
    if (!echo && ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &old) == 0) {
        termios quiet = old;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        restore = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    bool ok = bool(std::getline(std::cin, answer));
    if (restore) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &old);
        std::fputs("\n", stderr);
    }
    return ok;
}

void ProgressBar::Show(const std::string& label, int percent)
{
    if (!enabled_ || (percent == lastPercent_ && label == lastLabel_))
        return;
    lastPercent_ = percent;
    lastLabel_ = label;
    constexpr int kWidth = 30;
    int filled = percent * kWidth / 100;
    std::string shortLabel = label.size() > 40 ? "..." + label.substr(label.size() - 37) : label;
    std::fprintf(stderr, "\r[%s%s] %3d%% %-40s", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(kWidth - filled), ' ').c_str(), percent, shortLabel.c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressBar::Finish()
{
    if (shown_) {
        std::fprintf(stderr, "\r%80s\r", "");
        std::fflush(stderr);
        shown_ = false;
    }
}

}  // namespace movrel::cli
