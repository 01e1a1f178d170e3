#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// How the server answers one path.
struct TLoopbackRoute
{
    static constexpr std::size_t Whole = static_cast<std::size_t>(-1);
    int Status = 200;
    std::string Body;                // sent with a Content-Length of its full size
    std::string ContentType = "application/zip";
    std::size_t CloseAfter = Whole;  // body bytes sent before the connection is closed: a cut download
    std::size_t PauseAt = Whole;     // body bytes sent before the server falls silent, until Release()
                                     // or until the client leaves
    bool Silent = false;             // no answer at all, not even the status line, likewise until then
};

// An HTTP server on 127.0.0.1 (a port of the system's choosing) for tests of downloads and of pages in
// a browser: it answers GET requests by their path, one connection at a time, on a thread of its own
// from construction to destruction. It never connects anywhere itself. A path without a route answers 404.
class TLoopbackServer
{
public:
    TLoopbackServer();
    ~TLoopbackServer();
    TLoopbackServer(const TLoopbackServer&) = delete;
    TLoopbackServer& operator=(const TLoopbackServer&) = delete;

    void Route(const std::string& path, TLoopbackRoute route);
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string Url(const std::string& path) const;
    // How many requests for `path` have arrived.
    int Requests(const std::string& path) const;
    // Waits up to `seconds` until a request for `path` has arrived; false when none did.
    bool WaitForRequest(const std::string& path, int seconds) const;
    // Lets a paused or silent answer go on.
    void Release();

private:
    void Serve();
    void Answer(int client);
    // Waits until Release(), the client's leaving or the server's end; true for Release().
    bool Pause(int client);

    int FListen = -1;
    int FWake[2] = {-1, -1};  // written by Release() and by the destructor
    int FPort = 0;
    std::atomic<bool> FStopping{false};
    mutable std::mutex FLock;
    mutable std::condition_variable FArrived;
    std::map<std::string, TLoopbackRoute> FRoutes;
    std::map<std::string, int> FRequests;
    std::thread FThread;
};
