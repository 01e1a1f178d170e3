#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// How the answers to queries are written.
enum TOutputFormat
{
    ofText,  // the result lines and the status, as the window shows them
    ofJson   // one JSON object per query, on one line (JSON Lines), always UTF-8
};

// What one run of harvik-query is asked to do.
struct TQueryOptions
{
    std::string DataFile;  // --data FILE, taken exactly as named; empty: the data file of the current folder
    bool Sjis = false;     // --sjis: queries and output are raw Shift-JIS bytes, no conversion
    bool Batch = false;    // --batch: one query per line of standard input
    TOutputFormat Format = ofText;  // --format text|json
    bool Help = false;     // --help: print the usage and do nothing else
    bool Version = false;  // --version: print the version and do nothing else
    bool UpdateData = false;  // --update-data [URL]: download the national list into the per-user data folder
    std::string UpdateUrl;    // its URL; empty: Japan Post's published address
    int StallSeconds = 60;    // --timeout SECONDS: an update gives up when the server sends nothing for this
                              // long; the service drops a client that sends nothing for this long (default 5)
    bool Serve = false;       // --serve [HOST:]PORT: answer lookups over HTTP until stopped by a signal
    std::string ServeHost = "127.0.0.1";  // its address: loopback unless another is named
    int ServePort = 0;        // its port; 0: a free port of the system's choosing
    std::string AllowOrigin;  // --allow-origin ORIGIN: the service's Access-Control-Allow-Origin; empty: none
    std::string Query;     // the one query without --batch, as given (UTF-8 unless Sjis)
};

// A command line that cannot be run. what() is plain ASCII naming what is wrong.
class EUsageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments that follow the program name. Options are --data FILE (or --data=FILE),
// --sjis, --batch, --format text|json (or --format=...), --help, --version, --update-data,
// --timeout SECONDS (or --timeout=SECONDS), --serve [HOST:]PORT and --allow-origin ORIGIN (or
// --serve=..., --allow-origin=...), in any order; every other argument is the query, also one that starts with a single "-" ("-5" is a
// query); after "--" every argument is the query. With --update-data the one argument left, if any,
// is the URL (also --update-data=URL). --help and --version win over everything else. Throws
// EUsageError for an unknown option, --data without a file name, no query without --batch, a query
// with --batch, or more than one query; for --update-data with --data, --batch or --sjis, or with
// more than one URL; for a --timeout that is not a whole number of seconds from 1 to 3600; for a
// --format other than text or json, and for --format json with --update-data; for --serve without
// a port from 0 to 65535 (HOST may be a name, an IPv4 address or an IPv6 address in brackets), with
// a QUERY, --batch, --sjis or --update-data; and for --allow-origin without --serve or with an origin
// that is empty or holds anything but printable ASCII.
TQueryOptions ParseQueryArgs(const std::vector<std::string_view>& args);

// The text --help prints.
extern const std::string_view UsageText;
