#pragma once
#include <string>

#include "QueryOptions.h"

// harvik-query-net: the program that runs harvik-query's commands that need the network. It is a
// program of its own so that a query never loads the network and zip libraries.

// Its file name.
extern const char* const NetProgramName;

// Whether `options` ask for a command that harvik-query-net runs.
bool NeedsNetProgram(const TQueryOptions& options);

// Where harvik-query-net lies for the program file `self` (an absolute path): beside it (the build
// folder), else in HARVIK_NET_FOLDER relative to its folder (an installed tree: bin/ and
// libexec/harvik/). Returns the first of the two that is an executable file. Throws
// std::runtime_error (ASCII text naming both places) when it is in neither.
std::string FindNetProgram(const std::string& self);

// Replaces this process by harvik-query-net, found for the running program file (/proc/self/exe),
// with the same arguments, argv[0] included, so that its messages still name what the user ran.
// Returns only by throwing std::runtime_error: no such program, or it cannot be started.
[[noreturn]] void ExecNetProgram(char** argv);
