#include "LoopbackServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long one client may take to send its request before the server drops it.
constexpr int RequestMs = 5000;

const char* Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

bool SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

TLoopbackServer::TLoopbackServer()
{
    FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (FListen < 0 || ::bind(FListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(FListen, 8) != 0 || ::getsockname(FListen, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(FWake, O_CLOEXEC) != 0)
        throw std::runtime_error("the loopback server cannot listen on 127.0.0.1");
    FPort = ntohs(address.sin_port);
    FThread = std::thread([this] { Serve(); });
}

TLoopbackServer::~TLoopbackServer()
{
    FStopping = true;
    [[maybe_unused]] const ssize_t woken = ::write(FWake[1], "x", 1);  // a full pipe wakes the thread as well
    FThread.join();
    ::close(FListen);
    ::close(FWake[0]);
    ::close(FWake[1]);
}

void TLoopbackServer::Route(const std::string& path, TLoopbackRoute route)
{
    const std::lock_guard<std::mutex> hold(FLock);
    FRoutes[path] = std::move(route);
}

std::string TLoopbackServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(FPort) + path;
}

int TLoopbackServer::Requests(const std::string& path) const
{
    const std::lock_guard<std::mutex> hold(FLock);
    const auto found = FRequests.find(path);
    return found == FRequests.end() ? 0 : found->second;
}

bool TLoopbackServer::WaitForRequest(const std::string& path, int seconds) const
{
    std::unique_lock<std::mutex> hold(FLock);
    return FArrived.wait_for(hold, std::chrono::seconds(seconds), [&] { return FRequests.count(path) > 0; });
}

void TLoopbackServer::Release()
{
    if (::write(FWake[1], "r", 1) != 1) throw std::runtime_error("the loopback server cannot be woken");
}

void TLoopbackServer::Serve()
{
    while (!FStopping) {
        pollfd waits[2] = {{FListen, POLLIN, 0}, {FWake[0], POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) continue;
        if (waits[1].revents) {  // the end, or a release with nothing paused
            char drop[16];
            [[maybe_unused]] const ssize_t n = ::read(FWake[0], drop, sizeof drop);
            continue;
        }
        const int client = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        Answer(client);
        ::close(client);
    }
}

bool TLoopbackServer::Pause(int client)
{
    for (;;) {
        pollfd waits[2] = {{FWake[0], POLLIN, 0}, {client, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) continue;
        if (waits[0].revents) {
            char signal = 0;
            if (::read(FWake[0], &signal, 1) != 1 || FStopping) return false;
            return true;
        }
        // The client sends nothing more after its request: readable now means it has left.
        char probe;
        if (::recv(client, &probe, 1, MSG_DONTWAIT) <= 0) return false;
    }
}

void TLoopbackServer::Answer(int client)
{
    std::string request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(RequestMs);
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd wait{client, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) return;
        char block[4096];
        const ssize_t n = ::recv(client, block, sizeof block, 0);
        if (n <= 0) return;
        request.append(block, static_cast<std::size_t>(n));
    }
    // "GET /path HTTP/1.1"
    const std::size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    TLoopbackRoute route;
    {
        const std::lock_guard<std::mutex> hold(FLock);
        ++FRequests[path];
        const auto found = FRoutes.find(path);
        if (found != FRoutes.end()) {
            route = found->second;
        } else {
            route.Status = 404;
            route.Body = "no such file";
        }
    }
    FArrived.notify_all();

    if (route.Silent && !Pause(client)) return;
    const std::string head =
        "HTTP/1.1 " + std::to_string(route.Status) + " " + Reason(route.Status) +
        "\r\nContent-Type: " + route.ContentType + "\r\nContent-Length: " + std::to_string(route.Body.size()) +
        "\r\nConnection: close\r\n\r\n";
    if (!SendAll(client, head.data(), head.size())) return;
    const std::size_t first = std::min({route.Body.size(), route.CloseAfter, route.PauseAt});
    if (!SendAll(client, route.Body.data(), first)) return;
    if (first == route.CloseAfter) return;
    if (first == route.PauseAt && !Pause(client)) return;
    SendAll(client, route.Body.data() + first, route.Body.size() - first);
}
