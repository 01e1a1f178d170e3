#pragma once
#include <string>

// A data file mapped into memory (MapFileSource) that another program cuts short while it is read
// raises SIGBUS where the lost bytes are touched. From this call on, that signal ends the program
// with `message` (written as given) on standard error and exit status 2, as any failed load does,
// instead of the signal's crash.
void ExitOnCutShortFile(std::string message);
