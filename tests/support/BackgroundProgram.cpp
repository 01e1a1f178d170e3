#include "BackgroundProgram.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

TBackgroundProgram::TBackgroundProgram(const std::vector<std::string>& args)
{
    int pipe[2];
    if (args.empty() || ::pipe2(pipe, O_CLOEXEC) != 0 || ::pipe2(FWake, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot start a program");
    // Made before the fork: the child of a process with threads must not allocate.
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    FPid = ::fork();
    if (FPid < 0) throw std::runtime_error("cannot start " + args[0]);
    if (FPid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(126);  // the test ended before the request took effect
        ::dup2(pipe[1], 1);
        ::dup2(pipe[1], 2);
        const int none = ::open("/dev/null", O_RDONLY);
        if (none >= 0) ::dup2(none, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::setpgid(FPid, FPid);  // as the child does, so that Stop finds the group whichever ran first
    ::close(pipe[1]);
    FReader = std::thread([this, fd = pipe[0]] { Read(fd); });
}

TBackgroundProgram::~TBackgroundProgram()
{
    if (FExit < 0) Stop(SIGTERM, std::chrono::seconds(10));
    ::close(FWake[0]);
    ::close(FWake[1]);
}

void TBackgroundProgram::Read(int fd)
{
    std::string partial;
    char block[4096];
    for (;;) {
        pollfd waits[2] = {{fd, POLLIN, 0}, {FWake[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) continue;
        if (waits[1].revents && !waits[0].revents) break;
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        partial.append(block, static_cast<std::size_t>(n));
        std::vector<std::string> lines;
        for (std::size_t lf = partial.find('\n'); lf != std::string::npos; lf = partial.find('\n')) {
            lines.push_back(partial.substr(0, lf));
            partial.erase(0, lf + 1);
        }
        if (lines.empty()) continue;
        {
            const std::lock_guard hold(FLock);
            for (std::string& line : lines) FLines.push_back(std::move(line));
        }
        FChanged.notify_all();
    }
    ::close(fd);
    {
        const std::lock_guard hold(FLock);
        if (!partial.empty()) FLines.push_back(partial);
        FClosed = true;
    }
    FChanged.notify_all();
}

std::string TBackgroundProgram::WaitForLine(const std::string& part, std::chrono::seconds limit)
{
    std::unique_lock hold(FLock);
    std::size_t seen = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (; seen < FLines.size(); ++seen)
            if (FLines[seen].find(part) != std::string::npos) return FLines[seen];
        if (FClosed) break;
        if (FChanged.wait_until(hold, deadline) == std::cv_status::timeout && seen == FLines.size()) break;
    }
    std::string output;
    for (const std::string& line : FLines) output += line + "\n";
    throw std::runtime_error("no line with \"" + part + "\" came " +
                             (FClosed ? "before the program ended" : "in time") + "; its output:\n" + output);
}

std::string TBackgroundProgram::Output() const
{
    const std::lock_guard hold(FLock);
    std::string output;
    for (const std::string& line : FLines) output += line + "\n";
    return output;
}

int TBackgroundProgram::Stop(int signal, std::chrono::seconds limit)
{
    if (FExit >= 0) return FExit;
    ::kill(FPid, signal);
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    pid_t ended = 0;
    while ((ended = ::waitpid(FPid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0) {
        ::kill(FPid, SIGKILL);
        ended = ::waitpid(FPid, &status, 0);
    }
    FExit = ended != FPid ? 255 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    // What the program started and left behind (a browser) goes with it; until then it may hold the
    // output open, so the reader is told to stop rather than wait for the end of the output.
    ::kill(-FPid, SIGKILL);
    [[maybe_unused]] const ssize_t woken = ::write(FWake[1], "x", 1);
    FReader.join();
    return FExit;
}
