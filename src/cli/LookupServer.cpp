#include "LookupServer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <httplib.h>
#include <malloc.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <pthread.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "JsonAnswer.h"
#include "QueryParameter.h"
#include "SearchCommand.h"
#include "SjisConvert.h"

namespace {

constexpr std::size_t MaxQueryBytes = 1024;
constexpr const char* JsonType = "application/json; charset=utf-8";
// Threads that answer connections; a connection holds its thread while it stays open, so this is
// also how many keep-alive clients are served at once.
constexpr std::size_t AnsweringThreads = 16;

void WriteLog(const std::string& line)
{
    // One write per line, so lines of requests answered at the same time never mix.
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // nowhere left to tell
        done += static_cast<std::size_t>(n);
    }
}

// A request target as the log shows it: bytes outside printable ASCII percent-encoded, so that
// no request can write control characters or a line end into the log.
std::string LoggedTarget(std::string_view target)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte < 0x7F) {
            shown += c;
        } else {
            shown += '%';
            shown += hex[byte >> 4];
            shown += hex[byte & 0x0F];
        }
    }
    return shown;
}

void SetError(httplib::Response& res, int status, const std::string& text)
{
    res.status = status;
    // An exception's text need not be UTF-8 (the core's are Shift-JIS): its stray bytes become U+FFFD
    // rather than failing the answer.
    res.set_content(nlohmann::json{{"error", text}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                    JsonType);
}

std::string StatusText(int status)
{
    switch (status) {
    case 400: return "bad request";
    case 404: return "not found";
    case 413: return "request too large";
    case 414: return "request target too long";
    default: return "HTTP status " + std::to_string(status);
    }
}

int TownsWithCode(const TPostalTables& tables)
{
    int towns = 0;
    for (int town = 0; town < decltype(TPostalTables::Towns)::Capacity; ++town)
        if (!tables.Towns[town].Code.empty()) ++towns;
    return towns;
}

std::string ShownHost(const std::string& host)
{
    return host.find(':') != std::string::npos ? "[" + host + "]" : host;
}

}  // namespace

void ServeLookups(const TPostalSearch& search, double loadMilliseconds, const TServeSettings& settings)
{
    // SIGINT and SIGTERM go to one thread that waits for them and stops the server; every other
    // thread, the server's among them, is created with them blocked and never sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0) throw EServeError("cannot block SIGINT and SIGTERM");
    // Each answering thread would otherwise get a heap of its own, and the answers' short-lived
    // strings, spread over sixteen heaps, keep the service's memory growing for some 100,000
    // requests. Two heaps keep it flat; the searches run one at a time anyway. Where the allocator
    // has no such setting (a sanitizer's), the call changes nothing.
    mallopt(M_ARENA_MAX, 2);

    httplib::Server server;
    std::mutex searching;  // the searches build their indexes on first use and are not thread-safe
    const std::string health =
        nlohmann::ordered_json{{"towns", TownsWithCode(search.Tables())},
                               {"load_ms", std::round(loadMilliseconds * 1000) / 1000}}.dump();

    server.new_task_queue = [] { return new httplib::ThreadPool(AnsweringThreads); };
    // The library's default shares the port with any other socket that asks for the same (SO_REUSEPORT),
    // so a second service would start on a busy port and take half of its requests. SO_REUSEADDR alone
    // lets a restarted service listen while the old one's connections linger, and refuses a busy port.
    server.set_socket_options([](int socket) {
        const int yes = 1;
        ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    server.set_read_timeout(settings.StallSeconds, 0);
    server.set_write_timeout(settings.StallSeconds, 0);
    server.set_keep_alive_timeout(settings.StallSeconds);
    server.set_keep_alive_max_count(1000);
    // An answer goes out as two writes, the head and then the body. With Nagle's algorithm the body
    // waits for the client to acknowledge the head, which a client on a kept-alive connection delays
    // by 40 ms: every answer after a connection's first would take that long.
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(64 * 1024);
    if (!settings.AllowOrigin.empty()) server.set_default_headers({{"Access-Control-Allow-Origin", settings.AllowOrigin}});

    server.Get("/search", [&](const httplib::Request& req, httplib::Response& res) {
        std::optional<std::string> query;
        try {
            query = QueryParameter(req.target, "q");
        } catch (const EBadRequest& e) {
            SetError(res, 400, e.what());
            return;
        }
        if (!query) return SetError(res, 400, "missing parameter q");
        if (query->size() > MaxQueryBytes)
            return SetError(res, 400, "q is longer than " + std::to_string(MaxQueryBytes) + " bytes");
        TCommandOutcome outcome;
        {
            const std::lock_guard<std::mutex> lock(searching);
            outcome = RunSearchCommand(search, SjisFromUtf8(*query));
        }
        res.set_content(JsonAnswer(*query, outcome, search.Tables()), JsonType);
    });
    server.Get("/health", [&](const httplib::Request&, httplib::Response& res) { res.set_content(health, JsonType); });
    // Statuses the handlers leave without a body (no such path, a request the library refused).
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        SetError(res, res.status, StatusText(res.status));
    });
    // Deliberate: a failure while answering one request (out of memory) answers that request with
    // 500, and the service goes on.
    server.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
        std::string text = "internal error";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            text += std::string(": ") + e.what();
        } catch (...) {
        }
        SetError(res, 500, text);
    });
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
        WriteLog("harvik-query: " + req.remote_addr + ":" + std::to_string(req.remote_port) + " " + req.method +
                 " " + LoggedTarget(req.target) + " " + std::to_string(res.status) + " " +
                 std::to_string(res.body.size()) + " bytes\n");
    });

    errno = 0;
    const int port = settings.Port == 0 ? server.bind_to_any_port(settings.Host)
                                        : (server.bind_to_port(settings.Host, settings.Port) ? settings.Port : -1);
    if (port < 0) {
        // errno tells why a bind failed; a host that does not resolve leaves whatever the resolver left.
        const int error = errno;
        const bool bindError = error == EADDRINUSE || error == EACCES || error == EADDRNOTAVAIL;
        throw EServeError("cannot listen on " + ShownHost(settings.Host) + ":" + std::to_string(settings.Port) + ": " +
                          (bindError ? std::strerror(error) : "no such address on this machine"));
    }

    std::atomic<bool> listenEnded{false}, signalled{false};
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        signalled = true;
        // stop() acts on a running server only: wait until its loop runs, unless it has ended.
        while (!server.is_running() && !listenEnded) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        server.stop();
    });
    WriteLog("harvik-query: serving on http://" + ShownHost(settings.Host) + ":" + std::to_string(port) + "\n");
    const bool listened = server.listen_after_bind();
    listenEnded = true;
    if (!signalled) pthread_kill(stopper.native_handle(), SIGTERM);  // the stopper waits for nothing more
    stopper.join();
    if (!listened) throw EServeError("the service stopped: cannot accept connections");
}
