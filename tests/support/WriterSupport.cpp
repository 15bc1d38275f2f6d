#include "WriterSupport.h"

#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>

namespace movrel::test {

namespace fs = std::filesystem;

void MakeTree(const std::string& dir, const FileTree& tree)
{
    for (const auto& [name, content] : tree) {
        fs::path path = fs::path(dir) / name;
        fs::create_directories(path.parent_path());
        WriteFile(path.string(), content);
    }
}

FileTree ReadTree(const std::string& dir)
{
    FileTree tree;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file())
            tree[fs::relative(it->path(), dir).string()] = ReadFile(it->path().string());
    return tree;
}

std::vector<std::string> FolderEntries(const std::string& dir)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void SetMTime(const std::string& path, std::time_t t)
{
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::string SevenZipCommand()
{
    static const std::string command = [] {
        for (const char* name : {"7z", "7zz"})
            if (HaveTool(name))
                return std::string(name);
        return std::string();
    }();
    return command;
}

namespace {

bool Installed(const std::string& tool)
{
    static std::map<std::string, bool> known;
    auto it = known.find(tool);
    if (it == known.end())
        it = known.emplace(tool, HaveTool(tool)).first;
    return it->second;
}

}  // namespace

namespace {

std::string Difference(const FileTree& got, const FileTree& expected)
{
    std::string text;
    for (const auto& [name, content] : expected) {
        auto it = got.find(name);
        if (it == got.end())
            text += " missing " + name + ";";
        else if (it->second != content)
            text += " different " + name + ";";
    }
    for (const auto& [name, content] : got)
        if (!expected.count(name))
            text += " unexpected " + name + ";";
    return text;
}

PeerVerdict RunPeer(const std::string& peer, const std::string& test, const std::string& extract,
                    const std::string& outDir, const FileTree& expected)
{
    PeerVerdict v;
    v.peer = peer;
    std::string output;
    if (!test.empty() && RunCommand(test + " </dev/null 2>&1", &output) != 0) {
        v.error = "test failed: " + output;
        return v;
    }
    if (RunCommand(extract + " </dev/null 2>&1", &output) != 0) {
        v.error = "extraction failed: " + output;
        return v;
    }
    std::string diff = Difference(ReadTree(outDir), expected);
    if (!diff.empty())
        v.error = "extracted tree differs:" + diff;
    return v;
}

const char kPythonCheck[] = R"(
import sys, zipfile
path, password, out = sys.argv[1:4]
z = zipfile.ZipFile(path)
if password:
    z.setpassword(password.encode())
bad = z.testzip()
if bad is not None:
    print("bad entry", bad)
    sys.exit(1)
if out:
    z.extractall(out)
)";

}  // namespace

std::vector<PeerVerdict> CheckWithPeers(const std::string& archive, const std::string& password,
                                        const FileTree& expected)
{
    std::vector<PeerVerdict> verdicts;
    TempDir out;
    std::string a = ShellQuote(archive);

    if (!Installed("unzip")) {
        verdicts.push_back({"unzip", true, {}});
    } else {
        std::string pw = password.empty() ? "" : " -P " + ShellQuote(password);
        std::string dir = out / "unzip";
        verdicts.push_back(RunPeer("unzip", "unzip -tqq" + pw + " " + a,
                                   "LANG=C.UTF-8 unzip -qq -o" + pw + " " + a + " -d " + ShellQuote(dir), dir,
                                   expected));
    }
    std::string seven = SevenZipCommand();
    if (seven.empty()) {
        verdicts.push_back({"7z", true, {}});
    } else {
        std::string pw = " -p" + ShellQuote(password);
        std::string dir = out / "7z";
        verdicts.push_back(RunPeer("7z", seven + " t" + pw + " " + a,
                                   seven + " x -y" + pw + " -o" + ShellQuote(dir) + " " + a, dir, expected));
    }
    if (!Installed("python3")) {
        verdicts.push_back({"python", true, {}});
    } else {
        WriteFile(out / "check.py", kPythonCheck);
        std::string dir = out / "python";
        std::string script = "python3 " + ShellQuote(out / "check.py") + " " + a + " " + ShellQuote(password);
        // one run tests and extracts: the interpreter is slow to start
        verdicts.push_back(RunPeer("python", "", script + " " + ShellQuote(dir), dir, expected));
    }
    return verdicts;
}

namespace {

uint32_t Get16At(const std::string& s, size_t at)
{
    return uint8_t(s[at]) | (uint32_t(uint8_t(s[at + 1])) << 8);
}

uint32_t Get32At(const std::string& s, size_t at)
{
    return Get16At(s, at) | (Get16At(s, at + 2) << 16);
}

}  // namespace

std::vector<RawRecord> RawRecords(const std::string& z)
{
    std::vector<RawRecord> records;
    if (z.size() < 22)
        return records;
    size_t end = z.size() - 22;
    for (;; --end) {
        if (Get32At(z, end) == 0x06054B50)
            break;
        if (end == 0)
            return records;
    }
    uint32_t count = Get16At(z, end + 10);
    size_t at = Get32At(z, end + 16);
    for (uint32_t i = 0; i < count && at + 46 <= z.size() && Get32At(z, at) == 0x02014B50; ++i) {
        RawRecord r;
        r.versionMadeBy = uint16_t(Get16At(z, at + 4));
        r.flags = uint16_t(Get16At(z, at + 8));
        r.compressedSize = Get32At(z, at + 20);
        uint32_t n = Get16At(z, at + 28), e = Get16At(z, at + 30), c = Get16At(z, at + 32);
        r.localOffset = Get32At(z, at + 42);
        r.name = z.substr(at + 46, n);
        r.centralExtra = z.substr(at + 46 + n, e);
        r.comment = z.substr(at + 46 + n + e, c);
        size_t local = r.localOffset;
        if (local + 30 <= z.size()) {
            size_t length = 30 + Get16At(z, local + 26) + Get16At(z, local + 28) + r.compressedSize;
            r.localRecord = z.substr(local, length);
        }
        records.push_back(r);
        at += 46 + n + e + c;
    }
    return records;
}

const RawRecord* FindRecord(const std::vector<RawRecord>& records, const std::string& name)
{
    for (const RawRecord& r : records)
        if (r.name == name)
            return &r;
    return nullptr;
}

}  // namespace movrel::test
