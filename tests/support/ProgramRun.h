#pragma once
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// Runs a built program as a user would, for end-to-end tests.

struct TProgramCall
{
    std::vector<std::string> Args;                         // Args[0] is the program's path
    std::string Folder = ".";                              // the working folder
    std::vector<std::pair<std::string, std::string>> Env;  // set in the program's environment
    std::string Input;                                     // standard input (not with Terminal)
    bool Terminal = false;  // standard output and error on one pseudo-terminal (then both land in Out)
};

struct TProgramRun
{
    int Exit = -1;  // the exit status; 128 + the signal when a signal ended it; -1 when it did not start
    std::string Out, Err;
};

// A started program, waited for by Wait (or by the destructor, which discards the results).
class TRunningProgram
{
public:
    explicit TRunningProgram(const TProgramCall& call);
    ~TRunningProgram();
    TRunningProgram(const TRunningProgram&) = delete;
    TRunningProgram& operator=(const TRunningProgram&) = delete;
    TProgramRun Wait();
    // What the program has written to standard error so far (not with Terminal).
    std::string ErrSoFar() const;
    // Sends `signal` to the program.
    void Signal(int signal) const;

private:
    pid_t FPid = -1;
    bool FTerminalMode = false;
    int FTerminal = -1;  // the pseudo-terminal's controlling side, with Terminal
    std::string FFiles;  // a temporary folder for the input and the captured output
    bool FWaited = false;
};

// Starts the program and waits for it.
TProgramRun RunProgram(const TProgramCall& call);
