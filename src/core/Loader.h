#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "SearchResult.h"
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

// The largest data file the loader reads: five times the national list (12 MB), which the tables'
// 150,001 lines could not hold at any real line length.
inline constexpr std::size_t MaxDataFileBytes = std::size_t{64} << 20;

// The longest line the loader reads, line end excluded: thousands of times any real line.
inline constexpr std::size_t MaxLineBytes = std::size_t{4} << 20;

// Opens the data file for reading only: "Ken_all.csv" in `folder` when that name is a regular file
// (or a link to one) that opens; otherwise, of the names there that match it regardless of letter
// case (Japan Post ships KEN_ALL.CSV), the alphabetically first that is such a file. Throws what
// OpenFileSource throws for the exact name, or for the first other name that exists when the exact
// one does not; EInOutError(2) when no name exists.
std::unique_ptr<IByteSource> OpenDataFile(const std::string& folder = ".");

// Opens the file at `path` exactly as named, for reading only, when it is a regular file or a link
// to one. Anything else is refused before it is opened or read, since a FIFO or a device can block
// the open or the reads for ever, or deliver without end: a folder with EInOutError(5), any other
// kind with EHarvikError ("データファイルが通常のファイルではありません"). Throws EInOutError when
// the platform cannot open the file.
std::unique_ptr<IByteSource> OpenFileSource(const std::string& path);

// Called after each new prefecture with the number of prefectures read so far (1, 2, 3 ...).
using TLoadProgress = std::function<void(int prefectures)>;

// Splits one line into `fields` by the data file's rules (commas, double quotes, blanks and
// control bytes skipped between fields, a 0x00 byte ends the line). `fields` is emptied first.
void SplitFields(std::string_view line, std::vector<std::string>& fields);

// Reads every line of `source` into `tables`, which must be empty, in file order. Lines end at LF
// or CR LF; a lone CR is dropped; a Ctrl-Z byte at a line start ends the input (inside a line it is
// data). Stops at the first failure with an exception (EInOutError, EListIndexError for a line of
// fewer than nine fields, EHarvikError for a file beyond the tables' capacities, a line longer than
// MaxLineBytes, or a source of more than MaxDataFileBytes: refused from its size hint before any
// read, and otherwise once one byte more has been read); everything stored before the failing line
// stays, nothing of that line is stored. The source is closed either way; a close failure after a
// complete load is reported as EInOutError.
void LoadPostalData(IByteSource& source, TPostalTables& tables, const TLoadProgress& progress = {});

// Reads every line of `source` as LoadPostalData does, with the same failures, but keeps no tables:
// returns the result lines (ResultLine) of the towns whose Code begins with `prefix`, in file order,
// exactly those a code search of the loaded tables lists; none for an empty prefix.
TResultLines ReadCodeMatches(IByteSource& source, std::string_view prefix);

// Opens the data file in `folder` (OpenDataFile) and loads it (LoadPostalData). A file that cannot
// be opened leaves the tables empty.
void LoadPostalFile(TPostalTables& tables, const TLoadProgress& progress = {}, const std::string& folder = ".");
