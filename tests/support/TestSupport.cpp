#include "TestSupport.h"

#include "Crc32.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace movrel::test {

namespace fs = std::filesystem;

std::string TestData(const std::string& relative)
{
    return std::string(MOVREL_TESTDATA) + "/zip/" + relative;
}

TempDir::TempDir()
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/movrel-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
}

TempDir::~TempDir()
{
    std::error_code ec;
    // make read-only files and folders removable again
    for (auto it = fs::recursive_directory_iterator(path_, ec); it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

namespace {

void Put16(std::string& s, uint32_t v)
{
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

}  // namespace

std::string CraftZip(const std::vector<CraftEntry>& entries, const CraftOptions& options)
{
    std::string out = options.prefix;
    uint32_t base = options.adjustOffsets ? 0 : uint32_t(options.prefix.size());
    std::vector<uint32_t> offsets;
    std::vector<uint32_t> crcs;
    for (const auto& e : entries) {
        uint32_t crc = e.crc ? e.crc : Crc32Of(reinterpret_cast<const uint8_t*>(e.data.data()), e.data.size());
        crcs.push_back(crc);
        offsets.push_back(uint32_t(out.size()) - base);
        Put32(out, 0x04034B50);
        Put16(out, 20);
        Put16(out, e.flags);
        Put16(out, e.method);
        Put32(out, e.dosTime);
        Put32(out, crc);
        Put32(out, uint32_t(e.data.size()));
        Put32(out, e.size == UINT32_MAX ? uint32_t(e.data.size()) : e.size);
        Put16(out, uint32_t(e.name.size()));
        Put16(out, 0);
        out += e.name;
        out += e.data;
    }
    uint32_t central = uint32_t(out.size()) - base;
    for (size_t i = 0; i < entries.size(); ++i) {
        const auto& e = entries[i];
        Put32(out, 0x02014B50);
        Put16(out, e.versionMadeBy);
        Put16(out, 20);
        Put16(out, e.flags);
        Put16(out, e.method);
        Put32(out, e.dosTime);
        Put32(out, crcs[i]);
        Put32(out, uint32_t(e.data.size()));
        Put32(out, e.size == UINT32_MAX ? uint32_t(e.data.size()) : e.size);
        Put16(out, uint32_t(e.name.size()));
        Put16(out, uint32_t(e.centralExtra.size()));
        Put16(out, uint32_t(e.comment.size()));
        Put16(out, 0);
        Put16(out, 0);
        Put32(out, e.externalAttributes);
        Put32(out, offsets[i]);
        out += e.name;
        out += e.centralExtra;
        out += e.comment;
    }
    uint32_t centralSize = uint32_t(out.size()) - base - central;
    Put32(out, 0x06054B50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, uint32_t(entries.size()));
    Put16(out, uint32_t(entries.size()));
    Put32(out, centralSize);
    Put32(out, central);
    Put16(out, uint32_t(options.comment.size()));
    out += options.comment;
    return out;
}

int RunCommand(const std::string& command, std::string* output)
{
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return -1;
    std::string text;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        text.append(buf, n);
    int status = ::pclose(p);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CliPath() { return MOVREL_CLI; }

std::string ShellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

bool HaveTool(const std::string& name)
{
    return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

std::string SevenZip()
{
    for (const char* name : {"7z", "7zz"})
        if (HaveTool(name))
            return name;
    return {};
}

std::string Sha256(const std::string& bytes)
{
    TempDir dir;
    WriteFile(dir / "data", bytes);
    std::string out;
    RunCommand("sha256sum " + ShellQuote(dir / "data"), &out);
    return out.substr(0, 64);
}

namespace {

std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += char(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cols;
    std::string cur;
    for (char c : line) {
        if (c == '\t') {
            cols.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    cols.push_back(cur);
    return cols;
}

}  // namespace

std::vector<ManifestRow> LoadManifest()
{
    std::istringstream in(ReadFile(TestData("MANIFEST.tsv")));
    std::string line;
    std::getline(in, line);  // header
    std::vector<ManifestRow> rows;
    while (std::getline(in, line)) {
        auto c = SplitTabs(line);
        if (c.size() < 12)
            continue;
        ManifestRow r;
        r.file = c[0];
        r.entry = c[1] == "*" ? "*" : Unescape(c[1]);
        if (c[2] != "-") r.method = std::stoi(c[2]);
        if (c[3] != "-") r.flags = uint32_t(std::stoul(c[3], nullptr, 16));
        if (c[4] != "-") r.packed = std::stoll(c[4]);
        if (c[5] != "-") r.size = std::stoll(c[5]);
        if (c[6] != "-") r.crc = uint32_t(std::stoul(c[6], nullptr, 16));
        r.encrypted = c[7] == "yes";
        r.password = c[8] == "-" ? "" : c[8];
        r.expected = c[9];
        r.sha256 = c[10];
        r.note = c[11];
        rows.push_back(r);
    }
    return rows;
}

std::vector<std::string> ManifestVolumes(const ManifestRow& row)
{
    std::vector<std::string> vols;
    const std::string key = "volumes in order: ";
    size_t at = row.note.find(key);
    if (at == std::string::npos)
        return vols;
    size_t end = row.note.find(';', at);
    std::string list = row.note.substr(at + key.size(), end - at - key.size());
    std::istringstream ss(list);
    std::string v;
    while (std::getline(ss, v, ',')) {
        while (!v.empty() && v.front() == ' ')
            v.erase(v.begin());
        vols.push_back(TestData(v));
    }
    return vols;
}

}  // namespace movrel::test
