#pragma once
#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "Tables.h"

class TBackgroundProgram;

// Load on the lookup service (harvik-query --serve) over the loopback address, with every answer
// checked against the answer harvik-query --format json gives for the same query.

enum TServiceQueryKind { qkCode, qkPrefix, qkAddress, qkKinds };

struct TServiceQuery
{
    TServiceQueryKind Kind = qkCode;
    std::string Text;  // UTF-8, as a user types it
    std::string Path;  // "/search?q=" and the text percent-encoded
};

// `count` queries from the loaded towns, every 4th town in turn (wrapping round). With `codesOnly`
// each is the town's full code; else in turn its full code twice, the code's first 3 digits, and its
// prefecture, city and town in kanji.
std::vector<TServiceQuery> ServiceQueries(const TPostalTables& tables, std::size_t count, bool codesOnly);

// The service started on `dataFile` at 127.0.0.1 on a port of the system's choosing, and the
// command line's answers to `queries` (one run of harvik-query --batch --format json on the same
// file). Stops the service when destroyed.
class TServiceUnderLoad
{
public:
    // Throws std::runtime_error with the program's output when the service does not come up or the
    // command line's answers cannot be had.
    TServiceUnderLoad(const std::string& program, const std::string& dataFile,
                      const std::vector<TServiceQuery>& queries);
    ~TServiceUnderLoad();

    int Port() const { return FPort; }
    pid_t Pid() const;
    // The command line's JSON line for a query text; nullptr for a query it was not given.
    const std::string* Expected(const std::string& text) const;
    // Stops the service with SIGTERM; its exit status.
    int Stop();
    // The service's output so far (its log).
    std::string Output() const;

private:
    std::unique_ptr<TBackgroundProgram> FProgram;
    int FPort = 0;
    std::map<std::string, std::string> FExpected;
};

struct TLoadRun
{
    double Seconds = 0;                     // from the first request sent to the last answer
    std::vector<double> Micros[qkKinds];    // each answer's latency in microseconds, by kind of query
    std::size_t Errors = 0;                 // no answer, a status other than 200, another body
    std::string FirstError;                 // the first error's query and what was wrong
};

// Sends `queries` from `clients` threads, each with a keep-alive connection of its own, client t
// taking queries t, t + clients, ... All clients start together.
TLoadRun RunLoad(const TServiceUnderLoad& service, const std::vector<TServiceQuery>& queries, int clients);

// The `fraction` percentile (nearest rank) of `values`; 0 when there are none.
double Percentile(std::vector<double> values, double fraction);

// A field of /proc/PID/status ("VmRSS", "VmHWM") in MiB; -1 when it cannot be read.
double ProcessStatusMiB(pid_t pid, const std::string& field);
