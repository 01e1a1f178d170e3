#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "OutputBuffer.h"

// Writes "harvik-query: TEXT" as one line to standard error.
void WriteError(std::string_view text);

// The one boundary of harvik-query and harvik-query-net. Runs `body`, whose output all goes to `out`
// and which returns the exit status, and ends every failure with a message on standard error and
// exit 2: output that could not be written, a command line that cannot be run (with the pointer to
// --help), a core failure (its text shown through `shown`, after `stage`, the file it is about, when
// the body named one), and any other exception.
int RunWithinBoundary(TOutputBuffer& out, const std::string& stage,
                      const std::function<std::string(std::string_view)>& shown, const std::function<int()>& body);
