#include "MovrelSFX.h"

#include "EngineErrors.h"
#include "FileUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace movrel {

namespace {

constexpr size_t kPiece = 8192;
const char kTitle[] = "Movrel";

// A descriptor closed on every path out.
class TFd {
public:
    explicit TFd(int fd = -1) : m_fd(fd) {}
    ~TFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return m_fd; }
    int Close()
    {
        int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

// The output under construction: a temporary file beside the final name,
// removed unless it was renamed into place.
class TTempOutput {
public:
    explicit TTempOutput(const std::string& finalName)
    {
        std::string dir = ExtractFilePath(finalName);
        name_ = dir + ".movrel-sfx-XXXXXX";
        fd_ = ::mkstemp(name_.data());
        if (fd_ < 0)
            name_.clear();
    }
    ~TTempOutput()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!name_.empty())
            ::unlink(name_.c_str());
    }
    TTempOutput(const TTempOutput&) = delete;
    TTempOutput& operator=(const TTempOutput&) = delete;
    bool Ok() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    const std::string& Name() const { return name_; }
    int Close()
    {
        int rc = ::close(fd_);
        fd_ = -1;
        return rc;
    }
    bool RenameTo(const std::string& finalName)
    {
        if (::rename(name_.c_str(), finalName.c_str()) != 0)
            return false;
        name_.clear();
        return true;
    }

private:
    std::string name_;
    int fd_ = -1;
};

bool WriteAll(int fd, const uint8_t* p, size_t n)
{
    while (n) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

// Copies src into out in 8192-byte pieces, letting the user interface run
// after each; counts the bytes. Answers 0, -2 (write) or -3 (read).
int CopyPieces(int src, int out, TEngineUi& ui, int64_t& count)
{
    std::vector<uint8_t> piece(kPiece);
    for (;;) {
        ssize_t n = ::read(src, piece.data(), piece.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -3;
        if (n == 0)
            return 0;
        if (!WriteAll(out, piece.data(), size_t(n)))
            return -2;
        count += n;
        ui.ProcessMessages();
    }
}

mode_t ProgramMode()
{
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0777 & ~mask;
}

std::string UpperCase(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = char(c - 32);
    return s;
}

}  // namespace

const char* SfxStubName(TSfxPlatform platform)
{
    switch (platform) {
    case sfxWin32Enh: return "ZIPSFX.BIN";
    case sfxWin32Std: return "SFXW32.bin";
    case sfxWin16: return "SFXW.bin";
    case sfxDos: return "SFXD.bin";
    case sfxLinux: return "SFXLINUX.bin";
    }
    return "ZIPSFX.BIN";
}

bool SfxHasBlock(TSfxPlatform platform)
{
    return platform == sfxWin32Enh || platform == sfxLinux;
}

// ---- the configuration block ----

void TSfxBlock::Encode(uint8_t* out) const
{
    size_t total = Caption.size() + DefaultDir.size() + CommandLine.size();
    if (total > kMaxTexts)
        throw ELimitError("The configuration texts need " + std::to_string(total) + " bytes; 249 fit");
    std::memset(out, 0, kSize);
    out[0] = 'M';
    out[1] = 'P';
    out[2] = 'U';
    out[3] = Flags;
    out[4] = uint8_t(Caption.size());
    out[5] = uint8_t(DefaultDir.size());
    out[6] = uint8_t(CommandLine.size());
    uint8_t* p = out + 7;
    for (const std::string* s : {&Caption, &DefaultDir, &CommandLine}) {
        std::memcpy(p, s->data(), s->size());
        p += s->size();
    }
}

bool TSfxBlock::Decode(const uint8_t* in)
{
    if (in[0] != 'M' || in[1] != 'P' || in[2] != 'U')
        return false;
    size_t lc = in[4], ld = in[5], lm = in[6];
    if (lc + ld + lm > kMaxTexts)
        return false;
    Flags = in[3];
    const char* p = reinterpret_cast<const char*>(in) + 7;
    Caption.assign(p, lc);
    DefaultDir.assign(p + lc, ld);
    CommandLine.assign(p + lc + ld, lm);
    return true;
}

// ---- the builder ----

TMovrelSFX::TMovrelSFX(TEngineUi* ui) : ui_(ui ? ui : &DefaultEngineUi()) {}

void TMovrelSFX::Error(const std::string& text)
{
    ui_->MessageBox(text, kTitle, TMsgButtons::Ok, TMsgIcon::Error);
}

TSfxBlock TMovrelSFX::ConfigBlock() const
{
    TSfxBlock b;
    if (SFXOptions.count(SFXAskCmdLine))
        b.Flags |= TSfxBlock::kAskCmdLine;
    if (SFXOptions.count(SFXAskFiles))
        b.Flags |= TSfxBlock::kAskFiles;
    if (SFXOptions.count(SFXHideOverWriteBox))
        b.Flags |= TSfxBlock::kHideOverwrite;
    if (SFXOverWriteMode == OvrAlways)
        b.Flags |= TSfxBlock::kOvrAlways;
    else if (SFXOverWriteMode == OvrNever)
        b.Flags |= TSfxBlock::kOvrNever;
    b.Caption = SFXCaption;
    b.DefaultDir = SFXDefaultDir;
    b.CommandLine = SFXCommandLine;
    return b;
}

std::string TMovrelSFX::ProgramDirectory()
{
    std::vector<char> buf(4096);
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n <= 0 || size_t(n) >= buf.size())
        return {};
    return ExtractFilePath(std::string(buf.data(), size_t(n)));
}

std::string TMovrelSFX::OutputName(const std::string& zipFilename, TSfxPlatform platform)
{
    std::string dir = ExtractFilePath(zipFilename);
    std::string name = ExtractFileName(zipFilename);
    size_t dot = SfxHasBlock(platform) ? name.rfind('.') : name.find('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return dir + name + (platform == sfxLinux ? ".run" : ".exe");
}

bool TMovrelSFX::FindStub()
{
    if (FileExists(SFXPath))
        return true;
    const std::string name = SfxStubName(Platform);
    std::vector<std::string> candidates;
    try {
        candidates.push_back(IncludeTrailingSlash(CurrentDirectory()) + name);
    } catch (const EFileError&) {
        // a removed current directory holds no stub
    }
    std::string program = ProgramDirectory();
    if (!program.empty())
        candidates.push_back(program + name);
    if (!SFXStubDir.empty())
        candidates.push_back(IncludeTrailingSlash(SFXStubDir) + name);
    if (!program.empty())
        candidates.push_back(program + "../lib/movrel/" + name);
    for (const std::string& c : candidates) {
        SFXPath = c;
        if (FileExists(c))
            return true;
    }
    return false;
}

int TMovrelSFX::MakeSFX()
{
    createdFile_.clear();
    if (!FileExists(zipFilename_)) {
        Error("Error - no zip file specified");
        return 0;
    }
    if (SfxHasBlock(Platform)) {
        size_t total = SFXCaption.size() + SFXDefaultDir.size() + SFXCommandLine.size();
        if (total > TSfxBlock::kMaxTexts) {
            Error("Error - The total size of the 3 text properties exceeds 249!\r\n"
                  "SFXCaption + SFXDefaultDir + SFXCommandLine = " + std::to_string(total));
            return 0;
        }
    }
    if (!FindStub()) {
        Error(std::string("Error - ") + SfxStubName(Platform) + " not found");
        return 0;
    }
    if (UpperCase(ExtractFileExt(zipFilename_)) != ".ZIP") {
        Error("Error: input file is not a zip file");
        return 0;
    }
    TBusyGuard busy(*ui_);
    std::string output = OutputName(zipFilename_, Platform);
    int code = WriteOutput(output);
    if (code == 0)
        createdFile_ = output;
    return code;
}

int TMovrelSFX::WriteOutput(const std::string& output)
{
    TFd stub(::open(SFXPath.c_str(), O_RDONLY | O_CLOEXEC));
    if (stub.Get() < 0)
        return -3;
    TTempOutput out(output);
    if (!out.Ok())
        return -1;

    int64_t stubSize = 0;
    if (int code = CopyPieces(stub.Get(), out.Fd(), *ui_, stubSize))
        return code;
    stub.Close();

    int64_t blockSize = 0;
    if (SfxHasBlock(Platform)) {
        uint8_t block[TSfxBlock::kSize];
        ConfigBlock().Encode(block);
        if (!WriteAll(out.Fd(), block, sizeof block))
            return -2;
        blockSize = TSfxBlock::kSize;
    }

    TFd zip(::open(zipFilename_.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat zipStat;
    if (zip.Get() < 0 || ::fstat(zip.Get(), &zipStat) != 0)
        return -3;
    int64_t zipSize = 0;
    if (int code = CopyPieces(zip.Get(), out.Fd(), *ui_, zipSize))
        return code;
    zip.Close();

    ::fchmod(out.Fd(), ProgramMode());
    if (out.Close() != 0)
        return -2;
    // The finished file must hold all of its parts, and all of the archive
    // as it was when it was opened (a shorter copy is a broken program).
    struct stat st;
    if (::stat(out.Name().c_str(), &st) != 0 || int64_t(st.st_size) != stubSize + blockSize + zipSize ||
        zipSize != int64_t(zipStat.st_size))
        return -9;
    if (!out.RenameTo(output))
        return -1;
    return 0;
}

}  // namespace movrel
