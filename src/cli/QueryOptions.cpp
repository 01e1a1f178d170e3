#include "QueryOptions.h"

const std::string_view UsageText =
    "Usage: harvik-query [--data FILE] [--sjis] [--format text|json] QUERY\n"
    "       harvik-query [--data FILE] [--sjis] [--format text|json] --batch\n"
    "       harvik-query --update-data [URL] [--timeout SECONDS]\n"
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
    "  --timeout SECONDS\n"
    "               give up an update when the server sends nothing for SECONDS (default 60)\n"
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
    bool optionsEnded = false;
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
