#include "RawEntry.h"

#include "EngineErrors.h"
#include "Explode.h"
#include "Inflate.h"
#include "Unreduce.h"
#include "Unshrink.h"

#include <cctype>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace movrel::test {

namespace {

uint32_t Get16(const std::vector<uint8_t>& b, size_t at)
{
    if (at + 2 > b.size())
        throw std::runtime_error("record runs past the end of the archive");
    return b[at] | (b[at + 1] << 8);
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return Get16(b, at) | (Get16(b, at + 2) << 16);
}

}  // namespace

std::vector<TRawEntry> ReadRawEntries(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot open " + path);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());

    // End of central directory record: signature, then the directory's entry
    // count at 10, its size at 12 and its offset at 16.
    size_t eocd = SIZE_MAX;
    for (size_t i = b.size() >= 22 ? b.size() - 22 : 0; i + 22 <= b.size(); --i) {
        if (Get32(b, i) == 0x06054B50) {
            eocd = i;
            break;
        }
        if (i == 0)
            break;
    }
    if (eocd == SIZE_MAX)
        throw std::runtime_error("no end record in " + path);
    const uint32_t count = Get16(b, eocd + 10);
    size_t at = Get32(b, eocd + 16);

    std::vector<TRawEntry> entries;
    for (uint32_t k = 0; k < count; ++k) {
        if (Get32(b, at) != 0x02014B50)
            throw std::runtime_error("bad central header in " + path);
        TRawEntry e;
        e.flags = static_cast<uint16_t>(Get16(b, at + 8));
        e.method = static_cast<uint16_t>(Get16(b, at + 10));
        e.crc = Get32(b, at + 16);
        e.compressedSize = Get32(b, at + 20);
        e.uncompressedSize = Get32(b, at + 24);
        const uint32_t nameLen = Get16(b, at + 28);
        const uint32_t extraLen = Get16(b, at + 30);
        const uint32_t commentLen = Get16(b, at + 32);
        const uint32_t local = Get32(b, at + 42);
        if (at + 46 + nameLen > b.size())
            throw std::runtime_error("name runs past the end of " + path);
        e.name.assign(b.begin() + at + 46, b.begin() + at + 46 + nameLen);
        at += 46 + nameLen + extraLen + commentLen;

        if (Get32(b, local) != 0x04034B50)
            throw std::runtime_error("bad local header in " + path);
        const size_t data = local + 30 + Get16(b, local + 26) + Get16(b, local + 28);
        if (data + e.compressedSize > b.size())
            throw std::runtime_error("entry data runs past the end of " + path);
        e.data.assign(b.begin() + data, b.begin() + data + e.compressedSize);
        entries.push_back(std::move(e));
    }
    return entries;
}

TRawEntry ReadRawEntry(const std::string& path, const std::string& name)
{
    for (auto& e : ReadRawEntries(path))
        if (e.name == name)
            return e;
    throw std::runtime_error("no entry " + name + " in " + path);
}

std::string TestZip(const std::string& relative)
{
    return std::string(MOVREL_TESTDATA) + "/zip/" + relative;
}

namespace {

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> f;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        f.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return f;
        start = tab + 1;
    }
}

// "\\" stands for a backslash, "\xNN" for any other non-printable byte.
std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

std::vector<TManifestRow> ReadManifest()
{
    std::ifstream f(TestZip("MANIFEST.tsv"));
    if (!f)
        throw std::runtime_error("no MANIFEST.tsv");
    std::vector<TManifestRow> rows;
    std::string line;
    std::getline(f, line);  // header
    while (std::getline(f, line)) {
        const auto c = SplitTabs(line);
        if (c.size() < 10 || c[1] == "*" || c[2].empty() || !std::isdigit(static_cast<unsigned char>(c[2][0])))
            continue;
        TManifestRow r;
        r.file = c[0];
        r.entry = Unescape(c[1]);
        r.method = std::stoi(c[2]);
        r.flags = static_cast<uint16_t>(std::stoul(c[3], nullptr, 16));
        r.compressedSize = static_cast<uint32_t>(std::stoul(c[4]));
        r.uncompressedSize = static_cast<uint32_t>(std::stoul(c[5]));
        r.crc = static_cast<uint32_t>(std::stoul(c[6], nullptr, 16));
        r.expected = c[9];
        bool seen = false;
        for (const auto& o : rows)
            seen = seen || (o.file == r.file && o.entry == r.entry);
        if (!seen)
            rows.push_back(std::move(r));
    }
    return rows;
}

int DecodeRawEntry(const TRawEntry& e, TDecodeSink& sink, size_t step)
{
    TStepSource src(e.data, step);
    switch (e.method) {
    case 1:
        return Unshrink(src, sink);
    case 2:
    case 3:
    case 4:
    case 5:
        return Unreduce(src, sink, e.method - 1, e.uncompressedSize);
    case 6:
        return Explode(src, sink, e.flags, e.compressedSize, e.uncompressedSize);
    case 8:
        return Inflate(src, sink);
    default:
        throw std::runtime_error("no decoder for method " + std::to_string(e.method));
    }
}

size_t TStepSource::Fill(uint8_t* buf, size_t max)
{
    ++m_calls;
    size_t n = m_data.size() - m_pos;
    if (n > max)
        n = max;
    if (n > m_step)
        n = m_step;
    std::copy(m_data.begin() + m_pos, m_data.begin() + m_pos + n, buf);
    m_pos += n;
    return n;
}

void TCollectSink::Put(const uint8_t* data, size_t n)
{
    if (out.size() + n > m_limit)
        throw EBiggerThanUncompressed();
    out.insert(out.end(), data, data + n);
    if (n > largestPut)
        largestPut = n;
}

}  // namespace movrel::test
