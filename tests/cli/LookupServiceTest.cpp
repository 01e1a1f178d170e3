// harvik-query --serve run as a program on a free port of the loopback address, spoken to over
// plain sockets so that every byte of a request is the test's own.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "NationalList.h"
#include "PostalFixture.h"
#include "ProgramRun.h"
#include "SjisConvert.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// A connection to 127.0.0.1:port; every wait on it ends after 30 seconds.
class TConnection
{
public:
    explicit TConnection(int port) : FSocket(::socket(AF_INET, SOCK_STREAM, 0))
    {
        timeval wait{30, 0};
        ::setsockopt(FSocket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Connected = ::connect(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~TConnection() { ::close(FSocket); }
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    void Send(const std::string& bytes) { ASSERT_EQ(::send(FSocket, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }
    // Everything up to the server's closing; false when 30 seconds passed without it closing.
    bool ReadToClose(std::string& received)
    {
        char block[65536];
        for (;;) {
            const ssize_t n = ::recv(FSocket, block, sizeof block, 0);
            if (n == 0) return true;
            if (n < 0) return errno == ECONNRESET;
            received.append(block, static_cast<std::size_t>(n));
        }
    }
    bool Connected = false;

private:
    int FSocket;
};

struct TReply
{
    int Status = 0;
    std::string Head, Body;
    bool HasHeader(const std::string& line) const { return Head.find("\r\n" + line + "\r\n") != std::string::npos; }
};

TReply Get(int port, const std::string& target)
{
    TConnection connection(port);
    EXPECT_TRUE(connection.Connected);
    connection.Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
    std::string received;
    EXPECT_TRUE(connection.ReadToClose(received)) << target;
    TReply reply;
    const std::size_t end = received.find("\r\n\r\n");
    if (received.size() < 12 || end == std::string::npos) return reply;
    reply.Status = std::stoi(received.substr(9, 3));
    reply.Head = received.substr(0, end + 2);
    reply.Body = received.substr(end + 4);
    return reply;
}

// harvik-query with `args`, to its end.
TProgramRun Query(const std::vector<std::string>& args, const std::string& input = "")
{
    TProgramCall call;
    call.Args = {HARVIK_QUERY};
    call.Args.insert(call.Args.end(), args.begin(), args.end());
    call.Input = input;
    return RunProgram(call);
}

std::string PercentEncoded(const std::string& text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0F];
        }
    }
    return encoded;
}

// The service, started on a free port; stopped by SIGTERM at the latest when the test ends.
class TService
{
public:
    explicit TService(std::vector<std::string> args)
    {
        TProgramCall call;
        call.Args = {HARVIK_QUERY};
        call.Args.insert(call.Args.end(), args.begin(), args.end());
        FProgram = std::make_unique<TRunningProgram>(call);
        // Waits for the line that says it listens: the load comes first.
        const std::string mark = "harvik-query: serving on http://127.0.0.1:";
        for (int i = 0; i < 3000 && Port == 0; ++i) {
            const std::string err = FProgram->ErrSoFar();
            if (const std::size_t at = err.find(mark); at != std::string::npos && err.find('\n', at) != std::string::npos)
                Port = std::stoi(err.substr(at + mark.size()));
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~TService()
    {
        if (!FStopped) Stop(SIGTERM);
    }
    TProgramRun Stop(int signal)
    {
        FStopped = true;
        FProgram->Signal(signal);
        return FProgram->Wait();
    }
    int Port = 0;

private:
    std::unique_ptr<TRunningProgram> FProgram;
    bool FStopped = false;
};

// Four hand-made towns in a temporary folder.
class LookupService : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "harvik-serve-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FFolder = pattern;
        const auto sj = [](const char* utf8) { return SjisFromUtf8(utf8); };
        std::ofstream(DataPath(), std::ios::binary) << KenFile({
            KenLine({"1000001", sj("東京都"), sj("千代田区"), sj("千代田"), sj("ﾄｳｷｮｳﾄ"), sj("ﾁﾖﾀﾞｸ"), sj("ﾁﾖﾀﾞ")}),
            KenLine({"1000005", sj("東京都"), sj("千代田区"), sj("丸の内"), sj("ﾄｳｷｮｳﾄ"), sj("ﾁﾖﾀﾞｸ"), sj("ﾏﾙﾉｳﾁ")}),
            KenLine({"1000005", sj("東京都"), sj("千代田区"), sj("次のビル"), sj("ﾄｳｷｮｳﾄ"), sj("ﾁﾖﾀﾞｸ"), sj("ﾂｷﾞﾉﾋﾞﾙ")}),
            KenLine({"0600001", sj("北海道"), sj("札幌市"), sj("大通西"), sj("ﾎｯｶｲﾄﾞｳ"), sj("ｻｯﾎﾟﾛｼ"), sj("ｵｵﾄﾞｵﾘﾆｼ")}),
        });
    }
    void TearDown() override { fs::remove_all(FFolder); }
    std::string DataPath() const { return (FFolder / "Ken_all.csv").string(); }

    // The service still answers a plain query.
    static void ExpectAnswering(int port)
    {
        const TReply reply = Get(port, "/search?q=1000001");
        EXPECT_EQ(reply.Status, 200);
        EXPECT_EQ(json::parse(reply.Body).at("count"), 1);
    }

private:
    fs::path FFolder;
};

TEST_F(LookupService, EveryBadRequestGetsItsErrorAndTheServiceKeepsAnswering)
{
    // A request that is not HTTP keeps its connection until the client has been silent for the timeout.
    TService service({"--data", DataPath(), "--serve", "0", "--timeout", "1"});
    ASSERT_GT(service.Port, 0);
    const std::string longest(1024, 'z');
    std::string manyMaru;
    for (int i = 0; i < 300; ++i) manyMaru += "%E4%B8%B8";  // 丸
    const struct
    {
        std::string target;
        int status;
    } cases[] = {
        {"/search", 400},                                 // no q
        {"/search?query=1", 400},
        {"/search?q=%", 400},                              // malformed percent-encodings
        {"/search?q=1%4", 400},
        {"/search?q=%G1", 400},
        {"/search?x=%zz&q=1", 400},                        // in any parameter
        {"/search?q=1&q=2", 400},                          // q twice
        {"/search?q=" + longest + "z", 400},               // 1025 bytes
        {"/search?q=" + PercentEncoded(longest + "\xE4\xB8\xB8"), 400},  // 1027 bytes once decoded
        {"/search?q=" + longest, 200},                     // 1024 bytes: the longest query
        {"/search?q=" + manyMaru, 200},                   // 2700 bytes on the wire, 900 decoded
        {"/nothing", 404},
        {"/", 404},
    };
    for (const auto& c : cases) {
        const TReply reply = Get(service.Port, c.target);
        EXPECT_EQ(reply.Status, c.status) << c.target;
        EXPECT_TRUE(reply.HasHeader("Content-Type: application/json; charset=utf-8")) << c.target;
        const json body = json::parse(reply.Body);
        if (c.status != 200) {
            EXPECT_TRUE(body.at("error").is_string()) << c.target;
        }
        ExpectAnswering(service.Port);
    }

    // Bytes that are not HTTP at all.
    TConnection garbage(service.Port);
    garbage.Send("\x16\x03\x01 not a request line\r\n\r\n");
    std::string received;
    EXPECT_TRUE(garbage.ReadToClose(received));
    EXPECT_TRUE(received.starts_with("HTTP/1.1 400")) << received;
    ExpectAnswering(service.Port);
}

TEST_F(LookupService, StalledClientIsDroppedWhileOthersAreAnswered)
{
    TService service({"--data", DataPath(), "--serve", "127.0.0.1:0", "--timeout", "1"});
    ASSERT_GT(service.Port, 0);
    TConnection stalled(service.Port), silent(service.Port);
    stalled.Send("GET /search?q=1 HTTP/1.1\r\nHo");  // and nothing more
    ExpectAnswering(service.Port);
    std::string received;
    EXPECT_TRUE(stalled.ReadToClose(received)) << "a client that stalls mid-request is never dropped";
    EXPECT_TRUE(silent.ReadToClose(received)) << "a client that sends nothing is never dropped";
    ExpectAnswering(service.Port);
}

TEST_F(LookupService, SignalsStopItCleanlyAfterOneLogLinePerRequest)
{
    for (const int signal : {SIGTERM, SIGINT}) {
        TService service({"--data", DataPath(), "--serve", "0", "--allow-origin", "http://localhost:8000"});
        ASSERT_GT(service.Port, 0);
        const TReply found = Get(service.Port, "/search?q=%E4%B8%B8%E3%81%AE%E5%86%85");  // 丸の内
        EXPECT_EQ(found.Status, 200);
        EXPECT_TRUE(found.HasHeader("Access-Control-Allow-Origin: http://localhost:8000")) << found.Head;
        const TReply refused = Get(service.Port, "/search?q=%1");
        EXPECT_TRUE(refused.HasHeader("Access-Control-Allow-Origin: http://localhost:8000")) << refused.Head;
        const json health = json::parse(Get(service.Port, "/health").Body);
        EXPECT_EQ(health.at("towns"), 4);
        EXPECT_GE(health.at("load_ms").get<double>(), 0.0);

        const TProgramRun run = service.Stop(signal);
        EXPECT_EQ(run.Exit, 0) << run.Err;
        std::vector<std::string> lines;
        std::istringstream err(run.Err);
        for (std::string line; std::getline(err, line);) lines.push_back(line);
        ASSERT_EQ(lines.size(), 4u) << run.Err;
        EXPECT_NE(lines[1].find(" GET /search?q=%E4%B8%B8%E3%81%AE%E5%86%85 200 "), std::string::npos) << lines[1];
        EXPECT_NE(lines[2].find(" GET /search?q=%1 400 "), std::string::npos) << lines[2];
        EXPECT_NE(lines[3].find(" GET /health 200 "), std::string::npos) << lines[3];
    }

    TService plain({"--data", DataPath(), "--serve", "0"});
    EXPECT_EQ(Get(plain.Port, "/health").Head.find("Access-Control"), std::string::npos);
}

TEST_F(LookupService, WrongServeOptionsAndABusyPortAreErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--serve"}, {"--serve", "x"}, {"--serve", "65536"}, {"--serve", ":80"}, {"--serve", "0", "100"},
        {"--serve", "0", "--batch"}, {"--allow-origin", "*", "100"}, {"--serve", "0", "--allow-origin", "a\r\nb"},
    };
    for (const auto& args : cases) {
        std::vector<std::string> all = {"--data", DataPath()};
        all.insert(all.end(), args.begin(), args.end());
        const TProgramRun run = Query(all);
        EXPECT_EQ(run.Exit, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(run.Err.starts_with("harvik-query: ")) << run.Err;
    }

    TService first({"--data", DataPath(), "--serve", "0"});
    ASSERT_GT(first.Port, 0);
    const TProgramRun second = Query({"--data", DataPath(), "--serve", std::to_string(first.Port)});
    EXPECT_EQ(second.Exit, 2);
    EXPECT_TRUE(second.Err.starts_with("harvik-query: cannot listen on 127.0.0.1:" + std::to_string(first.Port)))
        << second.Err;

    const TProgramRun missing = Query({"--data", DataPath() + ".none", "--serve", "0"});
    EXPECT_EQ(missing.Exit, 2);
    EXPECT_EQ(missing.Err, "harvik-query: " + DataPath() + ".none: ファイルが見つかりません\n");
}

// Real data: the service's answer to each query is the one harvik-query --format json prints for it.
TEST(LookupServiceNational, AnswersEqualTheCommandLinesJson)
{
    const std::vector<std::string> queries = {
        "1000005", "100-0005", "100", "1", "丸の内", "ﾏﾙﾉｳﾁ", "東京都千代田区丸の内九九九",  // shortened
        "北海道",  // capped
        "", "zzz", "a b", "京都市中京区", "大通西", "9999999", "-5",
    };
    std::string input;
    for (const std::string& query : queries) input += query + "\n";
    const TProgramRun cli = Query({"--data", NationalListPath(), "--format", "json", "--batch"}, input);
    ASSERT_EQ(cli.Exit, 0) << cli.Err;
    std::vector<std::string> expected;
    std::istringstream lines(cli.Out);
    for (std::string line; std::getline(lines, line);) expected.push_back(line);
    ASSERT_EQ(expected.size(), queries.size());

    TService service({"--data", NationalListPath(), "--serve", "0"});
    ASSERT_GT(service.Port, 0);
    for (std::size_t i = 0; i < queries.size(); ++i) {
        const TReply reply = Get(service.Port, "/search?q=" + PercentEncoded(queries[i]));
        ASSERT_EQ(reply.Status, 200) << queries[i];
        EXPECT_EQ(json::parse(reply.Body), json::parse(expected[i])) << queries[i];
        EXPECT_EQ(reply.Body, expected[i]) << queries[i];
    }
    EXPECT_EQ(Get(service.Port, "/search?q=a+b").Body, expected[10]);  // "+" is a blank, as in a form
    const json health = json::parse(Get(service.Port, "/health").Body);
    EXPECT_EQ(health.at("towns"), 124825);
    EXPECT_GT(health.at("load_ms").get<double>(), 0.0);
}

}  // namespace
