// harvik-query: the postal code lookup on the command line. Loads the data file with the core's
// loader and answers each query with the core's search command; all search logic stays in the core.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "Errors.h"
#include "JsonAnswer.h"
#include "Loader.h"
#include "NetProgram.h"
#include "OutputBuffer.h"
#include "PostalSearch.h"
#include "ProgramBoundary.h"
#include "QueryData.h"
#include "QueryOptions.h"
#include "SearchCommand.h"
#include "SjisConvert.h"

namespace {

// Queries come in, and results go out, as UTF-8 unless --sjis asks for the raw bytes.
class TQueryText
{
public:
    explicit TQueryText(bool sjis) : FSjis(sjis) {}
    std::string In(std::string_view typed) const { return FSjis ? std::string(typed) : SjisFromUtf8(typed); }
    std::string Out(std::string_view sjis) const { return FSjis ? std::string(sjis) : Utf8FromSjis(sjis); }
    // The query as typed, in UTF-8 for the JSON answer.
    std::string Typed(std::string_view typed) const { return FSjis ? Utf8FromSjis(typed) : std::string(typed); }

private:
    bool FSjis;
};

// One query as its JSON object on stdout. The object gives the towns' fields, so the search runs on
// loaded tables. Exit 0 when a line was listed, else 1.
int AnswerOneInJson(const TPostalSearch& search, const TQueryText& text, std::string_view query, TOutputBuffer& out)
{
    const TCommandOutcome outcome = RunSearchCommand(search, text.In(query));
    out.WriteLine(JsonAnswer(text.Typed(query), outcome, search.Tables()));
    return outcome.Result.Listed() ? 0 : 1;
}

// One query's answer: result lines to stdout, the status to stderr. Exit 0 when a line was listed, else 1.
int AnswerOne(const TCommandOutcome& outcome, const TQueryText& text, TOutputBuffer& out)
{
    const TSearchResult& result = outcome.Result;
    for (const std::string_view line : result.Lines) out.WriteLine(text.Out(line));
    out.Flush();  // on a terminal the status follows the lines
    const std::string status = text.Out(result.Status) + "\n";
    if (std::fwrite(status.data(), 1, status.size(), stderr) != status.size()) return 2;
    return result.Listed() ? 0 : 1;
}

void AnswerInBatch(const TPostalSearch& search, const TQueryText& text, TOutputFormat format, std::string_view query,
                   TOutputBuffer& out)
{
    const TCommandOutcome outcome = RunSearchCommand(search, text.In(query));
    if (format == ofJson) {
        out.WriteLine(JsonAnswer(text.Typed(query), outcome, search.Tables()));
        return;
    }
    const TSearchResult& result = outcome.Result;
    // One conversion per answer rather than per line: LF is never part of a double-byte character,
    // so the joined text converts exactly as its lines do one by one.
    std::string answer = result.Status + "\n";
    for (const std::string_view line : result.Lines) answer.append(line).append("\n");
    answer += '\n';
    out.Write(text.Out(answer));
}

// Queries from stdin, one per line: LF ends a query and a CR just before it is dropped; a last line
// without LF is a query too. Stops early only when the output cannot be written.
void AnswerBatch(const TPostalSearch& search, const TQueryText& text, TOutputFormat format, TOutputBuffer& out)
{
    std::vector<char> block(64 * 1024);
    std::string pending;
    const auto answer = [&](std::string_view line) {
        if (line.ends_with('\r')) line.remove_suffix(1);
        AnswerInBatch(search, text, format, line, out);
    };
    // The answers so far go out before each wait for more input, so queries typed by hand are answered
    // at once, while piped input is answered a block at a time.
    while (out.Flush()) {
        const ssize_t n = ::read(STDIN_FILENO, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EHarvikError("standard input: " + std::string(EInOutError::FromErrno(errno).what()));
        if (n == 0) break;
        std::string_view chunk(block.data(), static_cast<std::size_t>(n));
        for (std::size_t lf = chunk.find('\n'); lf != std::string_view::npos; lf = chunk.find('\n')) {
            if (pending.empty()) {
                answer(chunk.substr(0, lf));
            } else {
                pending.append(chunk.substr(0, lf));
                answer(pending);
                pending.clear();
            }
            chunk.remove_prefix(lf + 1);
        }
        pending.append(chunk);
    }
    if (!pending.empty()) answer(pending);
}

} // namespace

// The one boundary of the program: every failure ends here with a message on stderr and exit 2.
int main(int argc, char** argv)
{
    TOutputBuffer out(STDOUT_FILENO);
    TQueryText text(false);
    std::string stage;  // what a core failure is about, named before its message
    const auto shown = [&text](std::string_view sjis) { return text.Out(sjis); };
    return RunWithinBoundary(out, stage, shown, [&] {
        const TQueryOptions options = ParseQueryArgs(std::vector<std::string_view>(argv + 1, argv + argc));
        if (options.Help || options.Version) {
            out.Write(options.Help ? UsageText : "harvik-query " HARVIK_VERSION "\n");
        } else if (NeedsNetProgram(options)) {
            ExecNetProgram(argv);
        } else {
            text = TQueryText(options.Sjis);
            if (!options.Batch && options.Format == ofText) {
                // One search reads the data for itself: a code search keeps only the towns it lists.
                const std::string query = text.In(options.Query);
                const TCommandOutcome outcome = RunSearchCommandOnData(*OpenQueryData(options, stage), query);
                stage.clear();
                return AnswerOne(outcome, text, out);
            }
            TPostalTables tables;
            LoadPostalData(*OpenQueryData(options, stage), tables);
            stage.clear();
            const TPostalSearch search(tables);
            if (!options.Batch) return AnswerOneInJson(search, text, options.Query, out);
            AnswerBatch(search, text, options.Format, out);
        }
        return 0;
    });
}
