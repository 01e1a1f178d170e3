#pragma once
#include <stdexcept>
#include <string>

#include "PostalSearch.h"

// What the lookup service is asked to do.
struct TServeSettings
{
    std::string Host = "127.0.0.1";  // the address to listen on: loopback unless another is named
    int Port = 0;                    // 0: a free port of the system's choosing
    std::string AllowOrigin;         // sent as Access-Control-Allow-Origin when not empty
    int StallSeconds = 5;            // a client that sends nothing for this long is dropped
};

// The service could not start. what() is ASCII or UTF-8 text naming the cause.
class EServeError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Answers HTTP on settings.Host and settings.Port until SIGINT or SIGTERM arrives:
//   GET /search?q=QUERY  200 with JsonAnswer for QUERY (percent-encoded UTF-8); 400 when q is
//                        missing, given twice, longer than 1024 bytes or wrongly percent-encoded
//   GET /health          200 with {"towns": towns with a postal code, "load_ms": loadMilliseconds}
//   anything else        404
// Every body is JSON (application/json; charset=utf-8); an error's is {"error": English text}.
// The searches run one at a time. Writes "harvik-query: serving on http://HOST:PORT" to standard
// error once it listens (with the port chosen when settings.Port is 0), then one line per request.
// Returns once stopped by a signal; throws EServeError when it cannot listen.
void ServeLookups(const TPostalSearch& search, double loadMilliseconds, const TServeSettings& settings);
