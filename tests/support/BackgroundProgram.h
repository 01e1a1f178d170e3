#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

// A program that keeps running beside the test (a server), its standard output and error read line by
// line on a thread of its own, so a chatty program never blocks on a full pipe. It runs in a process
// group of its own, which Stop ends whole (a browser started by a driver included), and it gets
// SIGTERM when the test process dies.
class TBackgroundProgram
{
public:
    // Starts `args` (args[0] is the program's path). Throws std::runtime_error when it cannot start.
    explicit TBackgroundProgram(const std::vector<std::string>& args);
    // Stops the program (Stop) when it still runs.
    ~TBackgroundProgram();
    TBackgroundProgram(const TBackgroundProgram&) = delete;
    TBackgroundProgram& operator=(const TBackgroundProgram&) = delete;

    // The first line of its output (stdout and stderr together, without the LF) that contains
    // `part`, waiting up to `limit` for it. Throws std::runtime_error with the output so far when
    // the program ends or the time runs out first.
    std::string WaitForLine(const std::string& part, std::chrono::seconds limit);
    // Its output so far, lines joined with LF.
    std::string Output() const;
    pid_t Pid() const { return FPid; }
    // Sends `signal` and waits for the end, up to `limit`, then kills it; then kills what is left of
    // its process group. The exit status, 128 + the signal when a signal ended it.
    int Stop(int signal, std::chrono::seconds limit);

private:
    void Read(int fd);

    pid_t FPid = -1;
    int FExit = -1;
    int FWake[2] = {-1, -1};  // ends the reader when the program's output stays open after its end
    std::thread FReader;
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    std::vector<std::string> FLines;
    bool FClosed = false;  // the program closed its output: it has ended
};
