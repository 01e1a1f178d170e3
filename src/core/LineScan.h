#pragma once
#include <cstddef>
#include <functional>
#include <string_view>

// The quick way through a data line of the plain shape nearly every line of the national list has:
// fields separated by single commas, each either quoted whole ("...", no doubled quotes) or
// unquoted, no blanks or control bytes outside quotes, and a line end of LF or CR LF within
// LineScanReach bytes. One pass over the line's bytes, 64 at a time, finds both the line end and
// the first nine fields, where the line reader and the field splitter would look at every field
// separately. Any other line is left to them; for a line it takes, the result is exactly theirs.

// How far the scan may read from a line's start; every one of these bytes must be readable.
inline constexpr std::size_t LineScanReach = 256;

struct TScannedLine
{
    std::size_t Length = 0;       // bytes before the line end
    std::size_t BreakLength = 0;  // 1 for LF, 2 for CR LF
    std::string_view Fields[9];   // fields 0 to 8, quotes removed
};

// Scans the line starting at `line` (LineScanReach readable bytes). False, with `out` undefined,
// when the line is not of the plain shape, has fewer than nine fields or does not end within reach.
// Uses the widest vector instructions the processor has every extension for (ChosenLineScanner).
bool ScanPlainLine(const char* line, TScannedLine& out);

// Scans the lines that follow each other from `from` as ScanPlainLine scans each, into out[0],
// out[1] ... Stops before the first line ScanPlainLine does not take, before a line that starts
// fewer than LineScanReach bytes before the end of the `readable` bytes from `from`, or once it has
// `most` lines. Returns how many lines it took. One call for a run of lines spares the scan's
// set-up at every line.
std::size_t ScanPlainLines(const char* from, std::size_t readable, TScannedLine* out, std::size_t most);

// The function ScanPlainLines calls, for a caller that scans run after run: the same scan without
// the look-up of the chosen scanner at every call.
using TPlainLinesScan = std::size_t (*)(const char* from, std::size_t readable, TScannedLine* out, std::size_t most);
TPlainLinesScan ChosenPlainLinesScan();

// The ways of classifying bytes the scan has: one byte at a time, or 16, 32 or 64 at once with the
// processor's vector instructions. They give the same results.
enum class TLineScanner { Bytes, Vector16, Vector32, Vector64 };

// The instruction set extensions `scanner`'s code is compiled for beyond the build's baseline,
// comma-separated as the compiler names them ("avx2,bmi,pclmul"); empty when it needs none.
std::string_view LineScannerFeatures(TLineScanner scanner);

// The widest scanner this build has whose every feature `has` reports (Vector16 needs none on
// x86-64; Bytes when the build has no vector scanner).
TLineScanner ChooseLineScanner(const std::function<bool(std::string_view feature)>& has);

// The scanner ScanPlainLine uses: ChooseLineScanner with this processor's features.
TLineScanner ChosenLineScanner();

// Whether this build has `scanner` and this processor every extension it is compiled for.
bool LineScannerAvailable(TLineScanner scanner);

// ScanPlainLine with the given way; false when it is not available.
bool ScanPlainLineWith(TLineScanner scanner, const char* line, TScannedLine& out);

// ScanPlainLines with the given way; 0 when it is not available.
std::size_t ScanPlainLinesWith(TLineScanner scanner, const char* from, std::size_t readable, TScannedLine* out,
                               std::size_t most);
