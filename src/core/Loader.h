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
//
// On a machine with two or more processors, a source whose size hint is DefaultParallelLoad bytes or
// more is read ahead and its lines are split between the calling thread and one helper thread; the result, the
// failures and the progress calls (always on the calling thread, in order) are the same as when
// one thread reads every line.
void LoadPostalData(IByteSource& source, TPostalTables& tables, const TLoadProgress& progress = {});

// Input sizes for the overload below.
inline constexpr std::size_t DefaultParallelLoad = std::size_t{512} << 10;
inline constexpr std::size_t NoParallelLoad = static_cast<std::size_t>(-1);

// LoadPostalData with the lines split between two threads once at least `parallelFrom` bytes are
// read ahead (0: whenever there are two lines or more) from a source with a size hint, whatever the
// number of processors; NoParallelLoad reads every line on the calling thread. Returns how many
// lines the helper thread loaded (0 when the lines were not split).
std::size_t LoadPostalData(IByteSource& source, TPostalTables& tables, const TLoadProgress& progress,
                           std::size_t parallelFrom);

// Opens the data file in `folder` (OpenDataFile) and loads it (LoadPostalData). A file that cannot
// be opened leaves the tables empty.
void LoadPostalFile(TPostalTables& tables, const TLoadProgress& progress = {}, const std::string& folder = ".");
