#include "ServiceLoad.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <httplib.h>
#include <latch>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "BackgroundProgram.h"
#include "ProgramRun.h"
#include "SjisConvert.h"

namespace {

std::string PercentEncoded(const std::string& text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

TServiceQuery MakeQuery(TServiceQueryKind kind, const std::string& sjis)
{
    TServiceQuery query{kind, Utf8FromSjis(sjis), ""};
    query.Path = "/search?q=" + PercentEncoded(query.Text);
    return query;
}

std::string WithoutLineEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

} // namespace

std::vector<TServiceQuery> ServiceQueries(const TPostalTables& tables, std::size_t count, bool codesOnly)
{
    int towns = 0;
    while (towns < 150000 && !tables.Towns[towns].Code.empty()) ++towns;
    if (towns == 0) throw std::runtime_error("no towns to make queries of");
    std::vector<TServiceQuery> queries;
    for (int k = 0; queries.size() < count; k = (k + 4) % towns) {
        const TPostNo town = tables.Towns[k];
        const Tshi city = tables.Cities[town.City];
        const std::string code(town.Code);
        switch (codesOnly ? 0 : queries.size() % 4) {
        case 2:
            queries.push_back(MakeQuery(qkPrefix, code.substr(0, 3)));
            break;
        case 3:
            queries.push_back(MakeQuery(qkAddress, std::string(tables.Prefs[city.Pref].Name) +
                                                       std::string(city.Name) + std::string(town.Name)));
            break;
        default:
            queries.push_back(MakeQuery(qkCode, code));
            break;
        }
    }
    return queries;
}

TServiceUnderLoad::TServiceUnderLoad(const std::string& program, const std::string& dataFile,
                                     const std::vector<TServiceQuery>& queries)
{
    TProgramCall call;
    call.Args = {program, "--batch", "--format", "json", "--data", dataFile};
    for (const TServiceQuery& query : queries) call.Input += query.Text + "\n";
    const TProgramRun run = RunProgram(call);
    std::size_t at = 0;
    for (const TServiceQuery& query : queries) {
        const std::size_t lf = run.Out.find('\n', at);
        if (lf == std::string::npos)
            throw std::runtime_error(program + " --batch --format json answered " + std::to_string(FExpected.size()) +
                                     " of " + std::to_string(queries.size()) + " queries (exit " +
                                     std::to_string(run.Exit) + "): " + run.Err);
        FExpected.emplace(query.Text, run.Out.substr(at, lf - at));
        at = lf + 1;
    }

    FProgram = std::make_unique<TBackgroundProgram>(
        std::vector<std::string>{program, "--serve", "127.0.0.1:0", "--data", dataFile});
    // "harvik-query: serving on http://127.0.0.1:PORT"
    const std::string line = FProgram->WaitForLine("serving on http://127.0.0.1:", std::chrono::seconds(120));
    FPort = std::stoi(line.substr(line.rfind(':') + 1));
}

TServiceUnderLoad::~TServiceUnderLoad() = default;

pid_t TServiceUnderLoad::Pid() const
{
    return FProgram->Pid();
}

const std::string* TServiceUnderLoad::Expected(const std::string& text) const
{
    const auto found = FExpected.find(text);
    return found == FExpected.end() ? nullptr : &found->second;
}

int TServiceUnderLoad::Stop()
{
    return FProgram->Stop(SIGTERM, std::chrono::seconds(30));
}

std::string TServiceUnderLoad::Output() const
{
    return FProgram->Output();
}

TLoadRun RunLoad(const TServiceUnderLoad& service, const std::vector<TServiceQuery>& queries, int clients)
{
    TLoadRun load;
    std::mutex merge;
    std::latch ready(clients + 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", service.Port());
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(30, 0);
            std::vector<double> micros[qkKinds];
            std::size_t errors = 0;
            std::string firstError;
            ready.arrive_and_wait();
            const auto step = static_cast<std::size_t>(clients);
            for (std::size_t i = static_cast<std::size_t>(t); i < queries.size(); i += step) {
                const TServiceQuery& query = queries[i];
                const auto start = std::chrono::steady_clock::now();
                const httplib::Result answer = client.Get(query.Path);
                const auto end = std::chrono::steady_clock::now();
                micros[query.Kind].push_back(std::chrono::duration<double, std::micro>(end - start).count());
                std::string error;
                if (!answer) {
                    error = "no answer (" + httplib::to_string(answer.error()) + ")";
                } else if (answer->status != 200) {
                    error = "status " + std::to_string(answer->status) + ": " + answer->body;
                } else {
                    const std::string* expected = service.Expected(query.Text);
                    if (expected == nullptr || WithoutLineEnd(answer->body) != *expected)
                        error = "an answer unlike the command line's: " + answer->body.substr(0, 300);
                }
                if (!error.empty() && errors++ == 0) firstError = query.Text + ": " + error;
            }
            const std::lock_guard hold(merge);
            for (int kind = 0; kind < qkKinds; ++kind)
                load.Micros[kind].insert(load.Micros[kind].end(), micros[kind].begin(), micros[kind].end());
            if (errors > 0 && load.Errors == 0) load.FirstError = firstError;
            load.Errors += errors;
        });
    }
    ready.arrive_and_wait();
    const auto start = std::chrono::steady_clock::now();
    for (std::thread& thread : threads) thread.join();
    load.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return load;
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::max<std::size_t>(rank, 1) - 1];
}

double ProcessStatusMiB(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with(field + ":")) return std::stod(line.substr(field.size() + 1)) / 1024.0;
    return -1;
}
