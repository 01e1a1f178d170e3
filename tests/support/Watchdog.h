#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

// Ends the test program with a failure message when the steps it guards have not finished within
// `limit`: a step that blocks (an open or a read that waits for ever) fails the suite instead of
// hanging it. Guards from construction to destruction.
class TWatchdog
{
public:
    TWatchdog(std::string what, std::chrono::seconds limit) : FWhat(std::move(what))
    {
        FThread = std::thread([this, limit] {
            std::unique_lock lock(FMutex);
            if (FDone.wait_for(lock, limit, [this] { return FFinished; })) return;
            std::fprintf(stderr, "FAILED: %s did not end within %lld s\n", FWhat.c_str(),
                         static_cast<long long>(limit.count()));
            std::fflush(stderr);
            std::_Exit(1);
        });
    }
    ~TWatchdog()
    {
        {
            const std::lock_guard lock(FMutex);
            FFinished = true;
        }
        FDone.notify_one();
        FThread.join();
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

private:
    std::string FWhat;
    std::mutex FMutex;
    std::condition_variable FDone;
    bool FFinished = false;
    std::thread FThread;
};
