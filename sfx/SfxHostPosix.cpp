#include "SfxHost.h"

#include "FileUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace movrel::sfx {

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

std::string OwnProgramPath()
{
    return "/proc/self/exe";
}

void PrepareConsole(const std::string&) {}

bool StdinIsTerminal()
{
    return ::isatty(0) == 1;
}

bool ReadLine(const std::string& prompt, std::string& answer, bool echo)
{
    std::fputs(prompt.c_str(), stdout);
    std::fflush(stdout);
    termios saved{};
    bool hide = !echo && ::tcgetattr(0, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(0, TCSANOW, &quiet);
    }
    answer.clear();
    int c;
    while ((c = std::fgetc(stdin)) != EOF && c != '\n')
        answer += char(c);
    if (hide) {
        ::tcsetattr(0, TCSANOW, &saved);
        std::fputs("\n", stdout);
    }
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return c != EOF || !answer.empty();
}

std::string UserTempDirectory()
{
    return IncludeTrailingSlash(TempDirectory());
}

char NativeSeparator()
{
    return '/';
}

TArchiveCopy::~TArchiveCopy()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (!unlinkName_.empty())
        ::unlink(unlinkName_.c_str());
}

bool TArchiveCopy::Make(const std::string& source, int64_t offset, int64_t end, std::string& error)
{
    std::string templ = UserTempDirectory() + "movrel-sfx-XXXXXX";
    fd_ = ::mkostemp(templ.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error = "cannot create a temporary file in " + TempDirectory() + ": " + std::strerror(errno);
        return false;
    }
    ::unlink(templ.c_str());  // gone with the last descriptor, whatever ends the program
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0 || ::lseek(in, offset, SEEK_SET) != offset) {
        error = "cannot read " + source + ": " + std::strerror(errno);
        if (in >= 0)
            ::close(in);
        return false;
    }
    std::vector<char> buf(1 << 16);
    int64_t left = end - offset;
    while (left > 0) {
        ssize_t n = ::read(in, buf.data(), size_t(std::min<int64_t>(left, int64_t(buf.size()))));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || ::write(fd_, buf.data(), size_t(n)) != n) {
            error = std::string("cannot copy the archive: ") + (n == 0 ? "unexpected end" : std::strerror(errno));
            ::close(in);
            return false;
        }
        left -= n;
    }
    ::close(in);
    name_ = "/proc/self/fd/" + std::to_string(fd_);
    return true;
}

int RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
               std::string& error)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return -1;
    }
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid < 0) {
        error = std::strerror(errno);
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (pid == 0) {
        ::close(report[0]);
        int err = 0;
        if (::chdir(workDir.c_str()) != 0)
            err = errno;
        else {
            ::execvp(program.c_str(), argv.data());
            err = errno;
        }
        ssize_t w = ::write(report[1], &err, sizeof err);
        (void)w;
        ::_exit(127);
    }
    ::close(report[1]);
    int err = 0;
    ssize_t got;
    do got = ::read(report[0], &err, sizeof err); while (got < 0 && errno == EINTR);
    ::close(report[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got == ssize_t(sizeof err)) {
        error = std::strerror(err);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace movrel::sfx
