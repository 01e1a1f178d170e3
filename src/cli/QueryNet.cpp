// harvik-query-net: harvik-query's commands that need the network: the data update and the lookup
// service. harvik-query starts it in its own place with the same arguments; the options are read by
// the same parser, and the messages name harvik-query, the program the user ran.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "DataUpdate.h"
#include "Errors.h"
#include "Loader.h"
#include "LookupServer.h"
#include "OutputBuffer.h"
#include "PostalSearch.h"
#include "ProgramBoundary.h"
#include "QueryData.h"
#include "QueryOptions.h"
#include "SjisConvert.h"

namespace {

// --serve: loads the data once, then answers lookups until a signal stops the service.
void Serve(const TQueryOptions& options, std::string& stage)
{
    TPostalTables tables;
    const auto start = std::chrono::steady_clock::now();
    LoadPostalData(*OpenQueryData(options, stage), tables);
    const std::chrono::duration<double, std::milli> loading = std::chrono::steady_clock::now() - start;
    stage.clear();
    const TPostalSearch search(tables);
    ServeLookups(search, loading.count(), {options.ServeHost, options.ServePort, options.AllowOrigin, options.StallSeconds});
}

}  // namespace

// Every failure ends at the boundary with a message on stderr and exit 2.
int main(int argc, char** argv)
{
    TOutputBuffer out(STDOUT_FILENO);
    std::string stage;  // what a core failure is about, named before its message
    return RunWithinBoundary(out, stage, Utf8FromSjis, [&] {
        const TQueryOptions options = ParseQueryArgs(std::vector<std::string_view>(argv + 1, argv + argc));
        if (options.Help || options.Version) {
            out.Write(options.Help ? UsageText : "harvik-query " HARVIK_VERSION "\n");
        } else if (options.UpdateData) {
            out.Write(UpdateUserData(options.UpdateUrl, options.StallSeconds));
        } else if (options.Serve) {
            Serve(options, stage);
        } else {
            throw EUsageError("harvik-query-net runs the network commands only (--update-data, --serve); "
                              "queries go to harvik-query");
        }
        return 0;
    });
}
