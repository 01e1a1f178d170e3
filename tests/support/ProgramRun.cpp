#include "ProgramRun.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pty.h>
#include <signal.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// In the child: the working folder and environment, then the program. Never returns.
[[noreturn]] void Exec(const TProgramCall& call)
{
    if (::chdir(call.Folder.c_str()) != 0) ::_exit(126);
    for (const auto& [name, value] : call.Env) ::setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& arg : call.Args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

}  // namespace

TRunningProgram::TRunningProgram(const TProgramCall& call)
{
    std::string pattern = (std::filesystem::temp_directory_path() / "harvik-run-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    FFiles = pattern;
    const std::string in = FFiles + "/in", out = FFiles + "/out", err = FFiles + "/err";
    std::ofstream(in, std::ios::binary) << call.Input;

    if (call.Terminal) {
        FTerminalMode = true;
        FPid = ::forkpty(&FTerminal, nullptr, nullptr, nullptr);
        if (FPid == 0) Exec(call);
        return;
    }
    FPid = ::fork();
    if (FPid == 0) {
        const int fdIn = ::open(in.c_str(), O_RDONLY);
        const int fdOut = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int fdErr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fdIn < 0 || fdOut < 0 || fdErr < 0) ::_exit(126);
        ::dup2(fdIn, 0);
        ::dup2(fdOut, 1);
        ::dup2(fdErr, 2);
        Exec(call);
    }
}

TRunningProgram::~TRunningProgram()
{
    if (!FWaited) Wait();
    std::error_code ignored;
    std::filesystem::remove_all(FFiles, ignored);
}

TProgramRun TRunningProgram::Wait()
{
    FWaited = true;
    TProgramRun run;
    if (FPid < 0) return run;
    if (FTerminal >= 0) {
        // Reading to the end: EIO once the program has closed its side.
        char block[4096];
        for (;;) {
            const ssize_t n = ::read(FTerminal, block, sizeof block);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            run.Out.append(block, static_cast<std::size_t>(n));
        }
        ::close(FTerminal);
        FTerminal = -1;
    }
    int status = 0;
    if (::waitpid(FPid, &status, 0) != FPid) return run;
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (!FTerminalMode) {
        run.Out = ReadFile(FFiles + "/out");
        run.Err = ReadFile(FFiles + "/err");
    }
    return run;
}

std::string TRunningProgram::ErrSoFar() const { return ReadFile(FFiles + "/err"); }

void TRunningProgram::Signal(int signal) const
{
    if (FPid > 0 && !FWaited) ::kill(FPid, signal);
}

TProgramRun RunProgram(const TProgramCall& call)
{
    TRunningProgram program(call);
    return program.Wait();
}
