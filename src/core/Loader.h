#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Tables.h"

// A sequential source of the data file's bytes.
class IByteSource
{
public:
    virtual ~IByteSource() = default;
    // Reads up to `size` bytes into `buffer`; returns how many, 0 only at the end of the input.
    // Throws EInOutError when the platform reports a read failure.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // Closes the source; throws EInOutError when the platform reports a failure. Called once, also
    // after a failed load; the destructor closes silently what Close did not.
    virtual void Close() = 0;
    // How many bytes the source expects to deliver, or 0 when it cannot tell. Only a hint.
    virtual std::size_t SizeHint() const { return 0; }
};

// The data file's name in the current directory.
inline constexpr std::string_view DataFileName = "Ken_all.csv";

// Opens the data file for reading only: "Ken_all.csv" in `folder`; where no file of exactly that
// name exists, a file there whose name matches it regardless of letter case (Japan Post ships
// KEN_ALL.CSV). Throws EInOutError (code 2 when there is none, otherwise the open's failure).
std::unique_ptr<IByteSource> OpenDataFile(const std::string& folder = ".");

// Opens the file at `path` exactly as named, for reading only. Throws EInOutError.
std::unique_ptr<IByteSource> OpenFileSource(const std::string& path);

// Called after each new prefecture with the number of prefectures read so far (1, 2, 3 ...).
using TLoadProgress = std::function<void(int prefectures)>;

// Splits one line into `fields` by the data file's rules (commas, double quotes, blanks and
// control bytes skipped between fields, a 0x00 byte ends the line). `fields` is emptied first.
void SplitFields(std::string_view line, std::vector<std::string>& fields);

// Reads every line of `source` into `tables`, which must be empty, in file order. Lines end at LF
// or CR LF; a lone CR is dropped; a Ctrl-Z byte at a line start ends the input (inside a line it is
// data). Stops at the first failure with an exception (EInOutError, EListIndexError for a line of
// fewer than nine fields, EHarvikError for a file beyond the tables' capacities); everything stored
// before the failing line stays, nothing of that line is stored. The source is closed either way;
// a close failure after a complete load is reported as EInOutError.
void LoadPostalData(IByteSource& source, TPostalTables& tables, const TLoadProgress& progress = {});

// Opens the data file in `folder` (OpenDataFile) and loads it (LoadPostalData). A file that cannot
// be opened leaves the tables empty.
void LoadPostalFile(TPostalTables& tables, const TLoadProgress& progress = {}, const std::string& folder = ".");
