#include "SfxLocate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace movrel::sfx {

namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint64_t Le64(const uint8_t* p) { return uint64_t(Le32(p)) | uint64_t(Le32(p + 4)) << 32; }

class TFile {
public:
    explicit TFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        struct stat st;
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0)
            size_ = int64_t(st.st_size);
    }
    ~TFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFile(const TFile&) = delete;
    TFile& operator=(const TFile&) = delete;
    bool Ok() const { return fd_ >= 0 && size_ >= 0; }
    int64_t Size() const { return size_; }
    // Exactly n bytes at offset, or false.
    bool ReadAt(int64_t offset, void* buf, size_t n)
    {
        if (offset < 0 || offset + int64_t(n) > size_ || ::lseek(fd_, offset, SEEK_SET) != offset)
            return false;
        auto* p = static_cast<uint8_t*>(buf);
        while (n) {
            auto r = ::read(fd_, p, unsigned(std::min<size_t>(n, 1 << 20)));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                return false;
            p += r;
            n -= size_t(r);
        }
        return true;
    }

private:
    int fd_;
    int64_t size_ = -1;
};

// Length of a 64-bit little-endian ELF image; -1 when not one.
int64_t ElfImageEnd(TFile& f, const uint8_t* h)
{
    if (std::memcmp(h, "\x7f" "ELF", 4) != 0 || h[4] != 2 || h[5] != 1)
        return -1;
    uint64_t phoff = Le64(h + 0x20), shoff = Le64(h + 0x28);
    unsigned phsize = Le16(h + 0x36), phnum = Le16(h + 0x38);
    unsigned shsize = Le16(h + 0x3A), shnum = Le16(h + 0x3C);
    uint64_t end = std::max<uint64_t>(64, std::max(phoff + uint64_t(phsize) * phnum, shoff + uint64_t(shsize) * shnum));
    uint8_t e[64];
    for (unsigned i = 0; i < phnum && phsize >= 56; ++i) {
        if (!f.ReadAt(int64_t(phoff + uint64_t(i) * phsize), e, 56))
            return -1;
        end = std::max(end, Le64(e + 0x08) + Le64(e + 0x20));  // p_offset + p_filesz
    }
    for (unsigned i = 0; i < shnum && shsize >= 64; ++i) {
        if (!f.ReadAt(int64_t(shoff + uint64_t(i) * shsize), e, 64))
            return -1;
        if (Le32(e + 4) != 8)                                   // SHT_NOBITS has no file contents
            end = std::max(end, Le64(e + 0x18) + Le64(e + 0x20));  // sh_offset + sh_size
    }
    return int64_t(end);
}

// Length of a PE image; -1 when not one.
int64_t PeImageEnd(TFile& f, const uint8_t* h)
{
    if (h[0] != 'M' || h[1] != 'Z')
        return -1;
    int64_t pe = Le32(h + 0x3C);
    uint8_t c[24];
    if (!f.ReadAt(pe, c, sizeof c) || std::memcmp(c, "PE\0\0", 4) != 0)
        return -1;
    unsigned sections = Le16(c + 6);
    unsigned optSize = Le16(c + 20);
    uint64_t symbols = Le32(c + 12), symbolCount = Le32(c + 16);
    std::vector<uint8_t> opt(optSize);
    if (!f.ReadAt(pe + 24, opt.data(), opt.size()) || optSize < 64)
        return -1;
    uint64_t end = Le32(opt.data() + 60);  // SizeOfHeaders
    bool plus = Le16(opt.data()) == 0x20b;
    size_t countAt = plus ? 108 : 92, dirs = countAt + 4;
    if (optSize >= dirs && Le32(opt.data() + countAt) > 4 && optSize >= dirs + 5 * 8) {
        uint64_t certAt = Le32(opt.data() + dirs + 4 * 8), certSize = Le32(opt.data() + dirs + 4 * 8 + 4);
        if (certAt && certSize)  // the certificate table's address is a file offset
            end = std::max(end, certAt + certSize);
    }
    uint8_t s[40];
    for (unsigned i = 0; i < sections; ++i) {
        if (!f.ReadAt(pe + 24 + optSize + int64_t(i) * 40, s, sizeof s))
            return -1;
        uint64_t raw = Le32(s + 16), at = Le32(s + 20);
        if (raw)
            end = std::max(end, at + raw);
    }
    if (symbols) {
        uint64_t table = symbols + symbolCount * 18;
        uint8_t len[4];
        end = std::max(end, table + (f.ReadAt(int64_t(table), len, 4) ? Le32(len) : 0));
    }
    return int64_t(end);
}

bool IsArchiveStart(TFile& f, int64_t at)
{
    uint8_t sig[4];
    if (!f.ReadAt(at, sig, 4) || sig[0] != 'P' || sig[1] != 'K')
        return false;
    return (sig[2] == 3 && sig[3] == 4) || (sig[2] == 5 && sig[3] == 6) || (sig[2] == 7 && sig[3] == 8);
}

// The archive's start from its end record; -1 when none fits.
int64_t StartFromEndRecord(TFile& f)
{
    const int64_t size = f.Size();
    int64_t window = std::min<int64_t>(size, 65535 + 22);
    std::vector<uint8_t> tail(size_t(window), 0);
    if (window < 22 || !f.ReadAt(size - window, tail.data(), tail.size()))
        return -1;
    for (int64_t i = window - 22; i >= 0; --i) {
        const uint8_t* p = tail.data() + i;
        if (p[0] != 'P' || Le32(p) != 0x06054B50)
            continue;
        int64_t record = size - window + i;
        if (record + 22 + Le16(p + 20) != size)  // the comment must reach the end exactly
            continue;
        int64_t start = record - int64_t(Le32(p + 12)) - int64_t(Le32(p + 16));
        if (start < 0)
            continue;
        if (start == record || IsArchiveStart(f, start))
            return start;
    }
    return -1;
}

}  // namespace

bool LocatePayload(const std::string& path, bool wantBlock, TPayload& out, std::string& error)
{
    out = TPayload();
    TFile f(path);
    if (!f.Ok()) {
        error = "cannot read the program file " + path + ": " + std::strerror(errno);
        return false;
    }
    out.ArchiveEnd = f.Size();
    uint8_t h[64] = {};
    f.ReadAt(0, h, std::min<int64_t>(64, f.Size()));
    int64_t image = ElfImageEnd(f, h);
    if (image < 0)
        image = PeImageEnd(f, h);

    uint8_t block[TSfxBlock::kSize];
    if (image > 0) {
        if (wantBlock && f.ReadAt(image, block, sizeof block) && out.Block.Decode(block) &&
            IsArchiveStart(f, image + int64_t(sizeof block))) {
            out.HasBlock = true;
            out.ArchiveOffset = image + int64_t(sizeof block);
            return true;
        }
        if (IsArchiveStart(f, image)) {
            out.ArchiveOffset = image;
            return true;
        }
    }
    int64_t start = StartFromEndRecord(f);
    if (start < 0 || start < image) {
        error = "no archive is appended to this program";
        return false;
    }
    out.FromEndRecord = true;
    out.ArchiveOffset = start;
    if (wantBlock && start >= int64_t(sizeof block) && f.ReadAt(start - int64_t(sizeof block), block, sizeof block))
        out.HasBlock = out.Block.Decode(block);
    return true;
}

}  // namespace movrel::sfx
