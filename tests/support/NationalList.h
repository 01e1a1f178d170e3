#pragma once
#include <string>

// The national list (Japan Post's ken_all.zip beside the repository), unzipped once per process into
// a temporary folder. Throws std::runtime_error naming the expected path when the zip is missing or
// cannot be unzipped, so a real-data test fails loudly instead of skipping.

// The folder holding KEN_ALL.CSV.
std::string NationalListFolder();
// The full path of KEN_ALL.CSV.
std::string NationalListPath();

// The zips themselves, as Japan Post publishes them: the national list, and the same list a month
// earlier (ken_all-previous.zip beside it). Throw std::runtime_error naming the path when missing.
std::string NationalZipPath();
std::string PreviousNationalZipPath();
