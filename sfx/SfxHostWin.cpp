// The stub's host services on Windows. Names are UTF-8 inside the
// program and UTF-16 at the system's door.
#include <windows.h>

#include "SfxHost.h"

#include <cstdio>
#include <io.h>
#include <shellapi.h>

namespace movrel::sfx {

namespace {

std::wstring Wide(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const std::wstring& w)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::string LastErrorText()
{
    DWORD e = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, e, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string s = text ? Narrow(text) : "error " + std::to_string(e);
    LocalFree(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

// One argument quoted for the command line the way the C runtime splits it.
std::wstring Quote(const std::wstring& a)
{
    if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos)
        return a;
    std::wstring q = L"\"";
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(slashes * 2, L'\\');
    return q + L"\"";
}

}  // namespace

std::vector<std::string> ProgramArguments(int, char**)
{
    int n = 0;
    wchar_t** w = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i)
        out.push_back(Narrow(w[i]));
    LocalFree(w);
    return out;
}

std::string OwnProgramPath()
{
    std::wstring buf(32768, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0 || n >= buf.size())
        return {};
    buf.resize(n);
    return Narrow(buf);
}

void PrepareConsole(const std::string& title)
{
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    if (!title.empty())
        SetConsoleTitleW(Wide(title).c_str());
}

bool StdinIsTerminal()
{
    // _isatty is also true for the NUL device; only a console has a mode
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool ReadLine(const std::string& prompt, std::string& answer, bool echo)
{
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD saved = 0;
    bool hide = !echo && GetConsoleMode(in, &saved);
    if (hide)
        SetConsoleMode(in, saved & ~DWORD(ENABLE_ECHO_INPUT));
    answer.clear();
    std::wstring line;
    wchar_t c;
    DWORD got = 0;
    bool any = false;
    while (ReadConsoleW(in, &c, 1, &got, nullptr) && got == 1) {
        any = true;
        if (c == L'\n')
            break;
        if (c != L'\r')
            line += c;
    }
    if (hide) {
        SetConsoleMode(in, saved);
        std::fputs("\n", stdout);
    }
    answer = Narrow(line);
    return any;
}

std::string UserTempDirectory()
{
    wchar_t buf[MAX_PATH + 2];
    DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    std::string dir = (n == 0 || n > MAX_PATH) ? std::string("C:\\") : Narrow(std::wstring(buf, n));
    if (dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    return dir;
}

char NativeSeparator()
{
    return '\\';
}

TArchiveCopy::~TArchiveCopy()
{
    if (!unlinkName_.empty())
        DeleteFileW(Wide(unlinkName_).c_str());
}

bool TArchiveCopy::Make(const std::string& source, int64_t offset, int64_t end, std::string& error)
{
    std::wstring dir = Wide(UserTempDirectory());
    wchar_t name[MAX_PATH + 1];
    if (!GetTempFileNameW(dir.c_str(), L"mvs", 0, name)) {
        error = "cannot create a temporary file: " + LastErrorText();
        return false;
    }
    unlinkName_ = Narrow(name);
    HANDLE in = CreateFileW(Wide(source).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE out = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    LARGE_INTEGER at;
    at.QuadPart = offset;
    bool ok = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE && SetFilePointerEx(in, at, nullptr, FILE_BEGIN);
    std::vector<char> buf(1 << 16);
    int64_t left = end - offset;
    while (ok && left > 0) {
        DWORD want = DWORD(left < int64_t(buf.size()) ? left : int64_t(buf.size())), got = 0, put = 0;
        ok = ReadFile(in, buf.data(), want, &got, nullptr) && got > 0 && WriteFile(out, buf.data(), got, &put, nullptr) &&
             put == got;
        left -= got;
    }
    if (!ok)
        error = "cannot copy the archive: " + LastErrorText();
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE && !CloseHandle(out) && ok) {
        error = "cannot copy the archive: " + LastErrorText();
        ok = false;
    }
    if (ok)
        name_ = unlinkName_;
    return ok;
}

int RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
               std::string& error)
{
    std::wstring line = Quote(Wide(program));
    for (const std::string& a : args)
        line += L" " + Quote(Wide(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring dir = Wide(workDir);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                        &si, &pi)) {
        error = LastErrorText();
        return -1;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
}

}  // namespace movrel::sfx
