#include "QueryOptions.h"

#include <algorithm>

const std::string_view UsageText =
    "Usage: harvik-query [--data FILE] [--sjis] [--format text|json] QUERY\n"
    "       harvik-query [--data FILE] [--sjis] [--format text|json] --batch\n"
    "       harvik-query --update-data [URL] [--timeout SECONDS]\n"
    "       harvik-query [--data FILE] --serve [HOST:]PORT [--allow-origin ORIGIN] [--timeout SECONDS]\n"
    "       harvik-query --help | --version\n"
    "\n"
    "Looks up QUERY in the national postal code list. A postal code, whole or its first digits, with or\n"
    "without the hyphen after the third digit, lists every town whose code begins with it; any other text\n"
    "is searched as part of an address, in kanji or katakana.\n"
    "\n"
    "  --data FILE  read the postal data from FILE (default: Ken_all.csv in the current folder,\n"
    "               in any letter case, else in the per-user data folder, $XDG_DATA_HOME/harvik\n"
    "               or ~/.local/share/harvik)\n"
    "  --sjis       read queries and write results as Shift-JIS bytes instead of UTF-8\n"
    "  --batch      answer one query per line of standard input: for each, the status line,\n"
    "               the result lines, then an empty line\n"
    "  --format text|json\n"
    "               text (the default): as described below; json: one JSON object per query\n"
    "               on one line, in UTF-8 (also with --sjis), nothing on standard error; its\n"
    "               keys: query, search (code or address), status, count (towns listed,\n"
    "               continuation lines not counted), capped, shortened (null when the query was\n"
    "               not shortened) and results (code, prefecture, city, town, prefecture_kana,\n"
    "               city_kana, town_kana, continuation); see harvik-query(1)\n"
    "  --update-data [URL]\n"
    "               download Japan Post's national list ken_all.zip (from URL, default its\n"
    "               published address), check that it loads, and only then replace Ken_all.csv\n"
    "               in the per-user data folder; prints the number of towns and the data's date\n"
    "  --serve [HOST:]PORT\n"
    "               load the data once, then answer lookups over HTTP on HOST (default\n"
    "               127.0.0.1, this machine only) and PORT (0: a free port): GET /search?q=QUERY\n"
    "               answers with the JSON object of --format json, GET /health with\n"
    "               {\"towns\": N, \"load_ms\": MS}; a q that is missing, given twice, longer than\n"
    "               1024 bytes or wrongly percent-encoded gets 400 and {\"error\": TEXT}. Writes\n"
    "               \"serving on http://HOST:PORT\" and then one line per request to standard\n"
    "               error; SIGINT or SIGTERM stop it (exit 0)\n"
    "  --allow-origin ORIGIN\n"
    "               with --serve: answer with Access-Control-Allow-Origin: ORIGIN (none by\n"
    "               default), so that web pages from ORIGIN may read the answers\n"
    "  --timeout SECONDS\n"
    "               give up an update when the server sends nothing for SECONDS (default 60);\n"
    "               with --serve, drop a client that sends nothing for SECONDS (default 5)\n"
    "  --help       print this text\n"
    "  --version    print the version\n"
    "\n"
    "With one QUERY the result lines go to standard output and the status to standard error.\n"
    "Exit status: 0 something was listed (always 0 after --batch) or the data was updated,\n"
    "1 nothing was listed, 2 a usage error, a data file that could not be loaded, output that\n"
    "could not be written, or a failed update (which leaves the data file as it was).\n";

namespace {

TOutputFormat ParseFormat(std::string_view text)
{
    if (text == "text") return ofText;
    if (text == "json") return ofJson;
    throw EUsageError("--format takes text or json");
}

// [HOST:]PORT: a port from 0 to 65535, after an optional host name or address ([...] around an
// IPv6 address).
void ParseServeAddress(std::string_view text, TQueryOptions& options)
{
    const std::string wrong = "--serve takes [HOST:]PORT with a PORT from 0 to 65535";
    const std::size_t colon = text.rfind(':');
    std::string_view port = text;
    if (colon != std::string_view::npos) {
        std::string_view host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
        if (host.empty() || host.find_first_of("[]") != std::string_view::npos) throw EUsageError(wrong);
        options.ServeHost = host;
    }
    if (port.empty() || port.size() > 5) throw EUsageError(wrong);
    int value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9') throw EUsageError(wrong);
        value = value * 10 + (c - '0');
    }
    if (value > 65535) throw EUsageError(wrong);
    options.ServePort = value;
}

int ParseSeconds(std::string_view text)
{
    int seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || seconds > 3600) throw EUsageError("--timeout takes whole seconds from 1 to 3600");
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds < 1 || seconds > 3600) throw EUsageError("--timeout takes whole seconds from 1 to 3600");
    return seconds;
}

}  // namespace

TQueryOptions ParseQueryArgs(const std::vector<std::string_view>& args)
{
    TQueryOptions options;
    std::vector<std::string_view> queries;
    bool optionsEnded = false, timeoutGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (optionsEnded || !arg.starts_with("--")) {
            queries.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            options.Help = true;
        } else if (arg == "--version") {
            options.Version = true;
        } else if (arg == "--sjis") {
            options.Sjis = true;
        } else if (arg == "--batch") {
            options.Batch = true;
        } else if (arg == "--format" || arg.starts_with("--format=")) {
            if (arg == "--format" && i + 1 == args.size()) throw EUsageError("--format takes text or json");
            options.Format = ParseFormat(arg == "--format" ? args[++i] : arg.substr(9));
        } else if (arg == "--serve" || arg.starts_with("--serve=")) {
            if (arg == "--serve" && i + 1 == args.size()) throw EUsageError("--serve needs [HOST:]PORT");
            options.Serve = true;
            ParseServeAddress(arg == "--serve" ? args[++i] : arg.substr(8), options);
        } else if (arg == "--allow-origin" || arg.starts_with("--allow-origin=")) {
            if (arg == "--allow-origin" && i + 1 == args.size()) throw EUsageError("--allow-origin needs an ORIGIN");
            options.AllowOrigin = arg == "--allow-origin" ? args[++i] : arg.substr(15);
            // The origin goes into a header line as it is: nothing that could end or break the line.
            if (options.AllowOrigin.empty() ||
                std::any_of(options.AllowOrigin.begin(), options.AllowOrigin.end(), [](char c) { return c < 0x21 || c > 0x7E; }))
                throw EUsageError("--allow-origin takes an ORIGIN of printable ASCII (such as http://localhost:8000, or *)");
        } else if (arg == "--update-data") {
            options.UpdateData = true;
        } else if (arg.starts_with("--update-data=")) {
            options.UpdateData = true;
            queries.push_back(arg.substr(14));
        } else if (arg == "--timeout" || arg.starts_with("--timeout=")) {
            std::string_view value;
            if (arg == "--timeout") {
                if (i + 1 == args.size()) throw EUsageError("--timeout needs a number of seconds");
                value = args[++i];
            } else {
                value = arg.substr(10);
            }
            options.StallSeconds = ParseSeconds(value);
            timeoutGiven = true;
        } else if (arg == "--data" || arg.starts_with("--data=")) {
            std::string_view file;
            if (arg == "--data") {
                if (i + 1 == args.size()) throw EUsageError("--data needs a file name");
                file = args[++i];
            } else {
                file = arg.substr(7);
            }
            if (file.empty()) throw EUsageError("--data needs a file name");
            options.DataFile = file;
        } else {
            throw EUsageError("unknown option '" + std::string(arg) + "'");
        }
    }
    if (options.Help || options.Version) return options;
    if (!options.AllowOrigin.empty() && !options.Serve) throw EUsageError("--allow-origin is for --serve");
    if (options.Serve) {
        if (!queries.empty() || options.Batch || options.Sjis || options.UpdateData)
            throw EUsageError("--serve answers queries over HTTP; it takes no QUERY, --batch, --sjis or --update-data");
        if (!timeoutGiven) options.StallSeconds = 5;
        return options;
    }
    if (options.UpdateData) {
        if (!options.DataFile.empty() || options.Batch || options.Sjis || options.Format == ofJson)
            throw EUsageError(
                "--update-data replaces the per-user data file; it takes no --data, --batch, --sjis or --format json");
        if (queries.size() > 1) throw EUsageError("--update-data takes one URL");
        if (!queries.empty()) options.UpdateUrl = queries.front();
        if (!queries.empty() && options.UpdateUrl.empty()) throw EUsageError("--update-data= needs a URL");
        return options;
    }
    if (options.Batch && !queries.empty()) throw EUsageError("--batch reads the queries from standard input; give no QUERY");
    if (!options.Batch && queries.empty()) throw EUsageError("give a QUERY, or --batch");
    if (queries.size() > 1) throw EUsageError("give one QUERY (quote a query that holds blanks)");
    if (!queries.empty()) options.Query = queries.front();
    return options;
}
