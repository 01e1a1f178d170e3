#include "Loader.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "LineScan.h"
#include "SearchResult.h"
#include "SjisText.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The byte scans below look at 16 bytes at a time where the processor allows it: the national list
// is 12 MB, and per-call overhead of memchr on its short fields costs more than the scan itself.

#if defined(__SSE2__)
__m128i Load16(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
#endif

// The first byte in [p, end) that is `c`, or `end`.
const char* FindByte(const char* p, const char* end, char c)
{
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16)
        if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(Load16(p), wanted))) return p + __builtin_ctz(mask);
#endif
    while (p < end && *p != c) ++p;
    return p;
}

// The first byte in [p, end) that is LF, CR or 0x00, or `end`.
const char* FindLineBreakOrStray(const char* p, const char* end)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
    for (; end - p >= 16; p += 16) {
        const __m128i v = Load16(p);
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, zero));
        if (const int mask = _mm_movemask_epi8(hit)) return p + __builtin_ctz(mask);
    }
#endif
    while (p < end && *p != '\n' && *p != '\r' && *p != '\0') ++p;
    return p;
}

class TFileSource : public IByteSource
{
public:
    explicit TFileSource(int fd) : FFd(fd) {}
    ~TFileSource() override
    {
        if (FFd >= 0) ::close(FFd);
    }
    std::size_t Read(char* buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t n = ::read(FFd, buffer, size);
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno != EINTR) throw EInOutError::FromErrno(errno);
        }
    }
    std::size_t SizeHint() const override
    {
        struct stat info{};
        return ::fstat(FFd, &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::size_t>(info.st_size) : 0;
    }
    void Close() override
    {
        const int fd = FFd;
        FFd = -1;
        if (fd >= 0 && ::close(fd) != 0) throw EInOutError::FromErrno(errno);
    }

private:
    int FFd;
};

// Why a name could not be opened as the data file: the platform's error number, or NotRegular.
struct TOpenFailure
{
    static constexpr int NotRegular = -1;
    int Error = 0;
};

// データファイルが通常のファイルではありません
constexpr const char* NotRegularFile = "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x92\xCA\x8F\xED\x82\xCC"
                                       "\x83t\x83@\x83" "C\x83\x8B\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";

[[noreturn]] void ThrowOpenFailure(const TOpenFailure& failure)
{
    if (failure.Error == TOpenFailure::NotRegular) throw EHarvikError(NotRegularFile);
    throw EInOutError::FromErrno(failure.Error);
}

// Opens `path` for reading when it is a regular file or a link to one; otherwise -1 with the
// reason in `failure`. A FIFO would block the open until a writer comes and each read until it
// writes, and a device may never end, so what the name is gets looked at before it is opened. A
// folder counts as access denied, as reading one always has.
int OpenRegularFile(const std::string& path, TOpenFailure& failure)
{
    const auto refuse = [&failure](int error) {
        failure.Error = error;
        return -1;
    };
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return refuse(errno);
    if (S_ISDIR(info.st_mode)) return refuse(EISDIR);
    if (!S_ISREG(info.st_mode)) return refuse(TOpenFailure::NotRegular);
    // Should the name have been replaced by a FIFO since, O_NONBLOCK keeps the open from waiting,
    // and the check of what was opened refuses it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return refuse(errno);
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : TOpenFailure::NotRegular;
    else if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        error = errno;
    if (error == 0) return fd;
    ::close(fd);
    return refuse(error);
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// データファイルの N 行目: ...
std::string CapacityMessage(long long lineNumber, const char* what)
{
    return "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xCC " + std::to_string(lineNumber) + " \x8Ds\x96\xDA: " + what;
}

constexpr const char* TooLongLine =  // 行の長さが上限の 4 MB を超えています
    "\x8Ds\x82\xCC\x92\xB7\x82\xB3\x82\xAA\x8F\xE3\x8C\xC0\x82\xCC 4 MB \x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7";
static_assert(MaxLineBytes == std::size_t{4} << 20, "the message names the limit");

// データファイルが大きすぎます (上限 64 MB)
constexpr const char* TooLargeFile = "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7 (\x8F\xE3\x8C\xC0 64 MB)";
static_assert(MaxDataFileBytes == std::size_t{64} << 20, "the message names the limit");

// Reads the source line by line through a buffer of about one block: lines already taken are
// dropped from its front before each read, so the memory held does not grow with the file. A
// returned line stays valid (and may be changed in place) until the next call. Refuses a source
// of more than MaxDataFileBytes, from its size hint before any read and otherwise once it has read
// one byte more, and a line longer than MaxLineBytes once it has read that much of it.
class TLineReader
{
public:
    explicit TLineReader(IByteSource& source) : FSource(source)
    {
        if (FSource.SizeHint() > MaxDataFileBytes) throw EHarvikError(TooLargeFile);
        FBuffer.Reserve(BlockSize + CopyBlock);
    }

    // The end test made before every line: the physical end, or a Ctrl-Z byte where the next line
    // would begin.
    bool AtEnd()
    {
        if (FPos == FBuffer.Size() && !Fill()) return true;
        return FBuffer.Data()[FPos] == '\x1A';
    }

    // The next line without its line end; every CR in it is dropped (a CR before LF belongs to the
    // line end, a lone CR is dropped by rule). Call only when AtEnd() is false. `holdsZero` tells
    // whether the line holds a 0x00 byte.
    std::string_view ReadLine(bool& holdsZero)
    {
        // Only a CR that is not the last byte before LF, or a 0x00, needs a second look. Offsets
        // count from the line's start: a read moves the line to the buffer's front.
        bool strayCr = false;
        holdsZero = false;
        std::size_t searched = 0;
        for (;;) {
            const char* line = FBuffer.Data() + FPos;
            const char* end = FBuffer.Data() + FBuffer.Size();
            const char* hit = FindLineBreakOrStray(line + searched, end);
            if (hit < end && *hit != '\n') {
                if (*hit == '\0') {
                    holdsZero = true;
                } else if (hit + 1 < end && hit[1] == '\n') {
                    return TakeLine(static_cast<std::size_t>(hit - line), 2, strayCr);
                } else {
                    strayCr = true;
                }
                searched = static_cast<std::size_t>(hit - line) + 1;
                CheckLineLength(searched);  // a run of 0x00 or CR bytes is looked at one byte at a time
                continue;
            }
            if (hit < end) return TakeLine(static_cast<std::size_t>(hit - line), 1, strayCr);
            searched = FBuffer.Size() - FPos;
            CheckLineLength(searched);  // before reading on in search of the line's end
            if (!Fill()) return TakeLine(FBuffer.Size() - FPos, 0, strayCr);
        }
    }

    // The next line, its first nine fields already split, when it is of the plain shape nearly every
    // line of the national list has (ScanPlainLine); null, with nothing read, for any other line
    // and for the last lines before the end of the input. Valid until the next call. Call only when
    // AtEnd() is false. The lines are scanned a run at a time: those scanned and not yet returned
    // all start LineScanReach bytes or more before the end of the bytes held, so no refill and no
    // line of the careful path comes before they are returned.
    const TScannedLine* ReadPlainLine()
    {
        if (FScannedAt == FScanned) {
            const auto held = [this] { return FBuffer.Size() - FPos; };
            if (held() < LineScanReach && (!Fill() || held() < LineScanReach)) return nullptr;
            FScanned = FScan(FBuffer.Data() + FPos, held(), FRun, RunLines);
            FScannedAt = 0;
            if (FScanned == 0) return nullptr;
        }
        return TakeScanned();
    }

    // The next line of the run scanned last, when one is left, else null. Such a line is no end of
    // the input: it starts before the end of the bytes held, and a line that starts with Ctrl-Z is
    // never taken by the scan. So it needs no AtEnd() before it.
    const TScannedLine* ReadScannedLine() { return FScannedAt == FScanned ? nullptr : TakeScanned(); }

private:
    // What one read asks for. Small enough to stay in the processor's caches, large enough that
    // the calls themselves cost little.
    static constexpr std::size_t BlockSize = 64 * 1024;
    // How many lines one run of the quick scan takes at most.
    static constexpr std::size_t RunLines = 16;

    // Reads more bytes after those held, first dropping the lines already taken; the buffer grows
    // only for a line longer than a block. False, with nothing changed, at the end of the input.
    // Never reads more than one byte past the largest data file, and refuses the file once it has.
    [[gnu::noinline]] bool Fill()
    {
        if (FEof) return false;
        assert(FScannedAt == FScanned);  // no line scanned ahead points into the bytes moved
        const std::size_t kept = FBuffer.Size() - FPos;
        if (FPos > 0) {
            std::memmove(FBuffer.Data(), FBuffer.Data() + FPos, kept);
            FBuffer.Truncate(kept);
            FPos = 0;
        }
        const std::size_t want = std::max(BlockSize, FBuffer.Capacity() - CopyBlock) - kept;
        char* into = FBuffer.Extend(want < BlockSize / 2 ? BlockSize : want);
        const auto room = static_cast<std::size_t>(FBuffer.Data() + FBuffer.Size() - into);
        const std::size_t n = FSource.Read(into, std::min(room, MaxDataFileBytes + 1 - FRead));
        FBuffer.Truncate(kept + n);
        FRead += n;
        if (FRead > MaxDataFileBytes) throw EHarvikError(TooLargeFile);
        if (n == 0) FEof = true;
        return n > 0;
    }

    const TScannedLine* TakeScanned()
    {
        const TScannedLine& line = FRun[FScannedAt++];
        FPos += line.Length + line.BreakLength;
        ++FLines;
        return &line;
    }

    // Refuses the line at FPos once `length` of its bytes hold no line end and pass the limit.
    void CheckLineLength(std::size_t length) const
    {
        if (length > MaxLineBytes) throw EHarvikError(CapacityMessage(FLines + 1, TooLongLine));
    }

    // The line of `length` bytes at FPos, consuming a line end of `breakLength` bytes after it.
    std::string_view TakeLine(std::size_t length, std::size_t breakLength, bool strayCr)
    {
        CheckLineLength(length);
        ++FLines;
        char* begin = FBuffer.Data() + FPos;
        char* end = begin + length;
        FPos += length + breakLength;
        if (!strayCr) return {begin, length};
        return DropCarriageReturns(begin, end);
    }

    static std::string_view DropCarriageReturns(char* begin, char* end)
    {
        char* cr = static_cast<char*>(std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
        if (cr == nullptr) return {begin, static_cast<std::size_t>(end - begin)};
        char* out = cr;
        for (char* p = cr; p < end; ++p)
            if (*p != '\r') *out++ = *p;
        return {begin, static_cast<std::size_t>(out - begin)};
    }

    IByteSource& FSource;
    // The room it keeps past the bytes held lets a field of any line be read in whole blocks.
    TByteStore FBuffer{CopyBlock};
    std::size_t FRead = 0;   // bytes read from the source so far
    std::size_t FPos = 0;
    long long FLines = 0;    // lines returned so far
    bool FEof = false;
    const TPlainLinesScan FScan = ChosenPlainLinesScan();
    TScannedLine FRun[RunLines];  // the run of lines scanned last
    std::size_t FScanned = 0, FScannedAt = 0;  // how many, and how many of them were returned
};

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Whether the byte at `at` is the second byte of a double-byte character, given that `from` is a
// character start. Only the run of lead-byte values right before `at` decides: the byte after any
// other byte starts a character, and that run then pairs up from its beginning.
bool IsSecondByte(const char* from, const char* at)
{
    const char* p = at;
    while (p > from && IsLeadByte(static_cast<unsigned char>(p[-1]))) --p;
    return ((at - p) & 1) != 0;
}

// Moves [from, to) down to `out` (out <= from) and returns the end of the moved bytes. Bytes are
// moved only once a doubled quote has made the value shorter than its text.
char* MoveDown(char* out, const char* from, const char* to)
{
    const auto n = static_cast<std::size_t>(to - from);
    if (out != from) std::memmove(out, from, n);
    return out + n;
}

// Splits the bytes [p, end) into at most `limit` fields, as views into the same bytes: a quoted
// field's doubled quotes are collapsed in place, which only ever shortens it.
void SplitInPlace(char* p, char* end, std::vector<std::string_view>& fields, std::size_t limit, bool holdsZero = true)
{
    fields.clear();
    if (holdsZero) end = const_cast<char*>(FindByte(p, end, '\0'));
    // Only 0x01-0x20 remain below 0x21 once the line is cut at its first 0x00.
    auto skipBlanks = [&] {
        while (p < end && IsBlankOrControl(*p)) ++p;
    };
    // A double-byte character is stepped over whole, so its second byte is never taken for a
    // comma, a quote or a blank.
    auto charLength = [&](const char* at) -> std::ptrdiff_t {
        return IsLeadByte(static_cast<unsigned char>(*at)) && at + 1 < end ? 2 : 1;
    };
    skipBlanks();
    while (p < end && fields.size() < limit) {
        if (*p == '"') {
            char* const start = ++p;
            char* out = start;
            for (;;) {
                char* quote = const_cast<char*>(FindByte(p, end, '"'));
                if (quote == end) {  // no closing quote: the value runs to the end of the line
                    out = MoveDown(out, p, end);
                    p = end;
                    break;
                }
                if (IsSecondByte(start, quote)) {
                    out = MoveDown(out, p, quote + 1);
                    p = quote + 1;
                    continue;
                }
                out = MoveDown(out, p, quote);
                p = quote + 1;
                if (p < end && *p == '"') {  // a doubled quote stands for one
                    *out++ = '"';
                    ++p;
                    continue;
                }
                break;  // the closing quote
            }
            fields.emplace_back(start, static_cast<std::size_t>(out - start));
        } else {
            char* const start = p;
            while (p < end && *p != ',' && !IsBlankOrControl(*p)) p += charLength(p);
            fields.emplace_back(start, static_cast<std::size_t>(p - start));
        }
        skipBlanks();
        if (p < end && *p == ',') {
            if (p + 1 == end) fields.emplace_back();
            ++p;
            skipBlanks();
        }
    }
}

constexpr const char* TooManyPrefs =  // 都道府県の数が上限の 49 を超えています
    "\x93s\x93\xB9\x95{\x8C\xA7\x82\xCC\x90\x94\x82\xAA\x8F\xE3\x8C\xC0\x82\xCC 49 \x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7";
constexpr const char* TooManyCities =  // 市区町村の数が上限の 4001 を超えています
    "\x8Es\x8B\xE6\x92\xAC\x91\xBA\x82\xCC\x90\x94\x82\xAA\x8F\xE3\x8C\xC0\x82\xCC 4001 \x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7";
constexpr const char* TooManyLines =  // 行数が上限の 150001 を超えています
    "\x8Ds\x90\x94\x82\xAA\x8F\xE3\x8C\xC0\x82\xCC 150001 \x82\xF0\x92\xB4\x82\xA6\x82\xC4\x82\xA2\x82\xDC\x82\xB7";

// Whether two names have the same bytes. Every line compares its prefecture and city names with
// the line before's, mostly equal and short: words of 4 or 8 bytes (the last one overlapping)
// compare them without a library call.
[[gnu::always_inline]] inline bool SameBytes(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const auto same = [&a, &b]<class TWord>(std::size_t at, TWord) {
        TWord x, y;
        std::memcpy(&x, a.data() + at, sizeof x);
        std::memcpy(&y, b.data() + at, sizeof y);
        return x == y;
    };
    if (n < 4) {
        for (std::size_t i = 0; i < n; ++i)
            if (a[i] != b[i]) return false;
        return true;
    }
    if (n < 8) return same(0, std::uint32_t{}) && same(n - 4, std::uint32_t{});
    for (std::size_t i = 0; i + 8 < n; i += 8)
        if (!same(i, std::uint64_t{})) return false;
    return same(n - 8, std::uint64_t{});
}

// The fields a line must have: 0 to 8.
constexpr std::size_t UsedFields = 9;

// Reads lines and splits them, keeping the first nine fields of the line read last.
class TFieldReader
{
public:
    explicit TFieldReader(TLineReader& reader) : FReader(reader) {}

    // Reads and splits the next line; false at the end of the input. A line of fewer than nine
    // fields raises EListIndexError, the index being the first field fetched that the line lacks
    // (6, then 7, then 8).
    [[gnu::always_inline]] bool Next()
    {
        if ((FCurrent = FReader.ReadScannedLine()) != nullptr) return true;
        if (FReader.AtEnd()) return false;
        FCurrent = FReader.ReadPlainLine();
        return FCurrent != nullptr || NextCareful();
    }

    // Fields 0 to 8 of the line read last.
    const std::string_view* Fields() const { return FCurrent->Fields; }

private:
    TLineReader& FReader;
    const TScannedLine* FCurrent = nullptr;
    TScannedLine FLine;  // a line of the careful path
    std::vector<std::string_view> FSplit;

    // The line reader and the field splitter, for a line that is not of the plain shape: out of
    // line, so that the quick path stays small enough to sit in the walk's loop.
    [[gnu::noinline]] bool NextCareful()
    {
        bool holdsZero = false;
        const std::string_view line = FReader.ReadLine(holdsZero);
        SplitInPlace(const_cast<char*>(line.data()), const_cast<char*>(line.data() + line.size()), FSplit, UsedFields,
                     holdsZero);
        if (FSplit.size() < UsedFields) throw EListIndexError(static_cast<int>(std::max<std::size_t>(FSplit.size(), 6)));
        std::copy_n(FSplit.begin(), UsedFields, FLine.Fields);
        FCurrent = &FLine;
        return true;
    }
};

// Size hints beyond this are not trusted with one allocation; the store then grows as it fills.
constexpr std::size_t MaxStoreHint = std::size_t{1} << 30;

// Reads every line of `source` and hands it to `sink` in file order, with the prefecture and city it
// opens. The sink tells the previous line's prefecture and city names (PreviousPref, PreviousCity)
// and takes each line (Line). Every failure of a load is raised here, before the sink sees the line.
template <class TSink>
void WalkLines(IByteSource& source, TSink& sink)
{
    TLineReader reader(source);
    TFieldReader lines(reader);
    int prefCount = 0, cityCount = 0, townCount = 0;
    long long lineNumber = 0;
    while (lines.Next()) {
        const std::string_view* fields = lines.Fields();
        ++lineNumber;
        const bool newPref = !SameBytes(fields[6], sink.PreviousPref());
        // A new prefecture always opens a new city, so no city spans two prefectures.
        const bool newCity = newPref || !SameBytes(fields[7], sink.PreviousCity());
        if (newPref && prefCount == decltype(TPostalTables::Prefs)::Capacity)
            throw EHarvikError(CapacityMessage(lineNumber, TooManyPrefs));
        if (newCity && cityCount == decltype(TPostalTables::Cities)::Capacity)
            throw EHarvikError(CapacityMessage(lineNumber, TooManyCities));
        if (townCount == decltype(TPostalTables::Towns)::Capacity)
            throw EHarvikError(CapacityMessage(lineNumber, TooManyLines));
        sink.Line(fields, newPref ? prefCount++ : -1, newCity ? cityCount++ : -1, townCount++);
    }
}

// A field's bytes for CopyBlocks, which reads a block even of an empty field: the careful path's
// empty fields point nowhere.
const char* BlockSource(std::string_view field)
{
    static constexpr char NoBytes[CopyBlock] = {};
    return field.empty() ? NoBytes : field.data();
}

// Fills the tables, keeping only the fields they use, copied in file order.
class TTablesSink
{
public:
    TTablesSink(TPostalTables& tables, const TLoadProgress& progress, std::size_t sizeHint)
        : FWriter(tables), FProgress(progress)
    {
        // A line of the national list has about a hundred bytes, of which the tables keep under a
        // quarter: the store rarely has to grow. The load's end gives back what it did not use.
        if (sizeHint > 0 && sizeHint < MaxStoreHint)
            FWriter.Bytes().Reserve(FWriter.Bytes().Size() + sizeHint / 4 + 4096);
        // What it notes of the towns holds only for tables it fills from empty.
        FNoting = FWriter.Bytes().Size() == 0;
    }
    // What the walk noted of the towns: null when it does not describe the tables (they held texts
    // before, or towns came before the first prefecture, which the ones after it fill in).
    const TLoadedTowns* LoadedTowns() const { return FNoting ? &FLoaded : nullptr; }
    // The previous line's names are kept as spans: the store may move as it grows.
    std::string_view PreviousPref() const { return FWriter.Text(FPreviousPref); }
    std::string_view PreviousCity() const { return FWriter.Text(FPreviousCity); }

    // Each town's name right before its reading: the address search scans the towns' texts in the
    // store as they lie.
    void Line(const std::string_view* fields, int newPref, int newCity, int town)
    {
        if (town == 0 && newPref < 0) FNoting = false;
        if (newPref >= 0) {
            TStoredKenmei& pref = FWriter.Pref(newPref);
            pref.Name = FPreviousPref = FWriter.Store(fields[6]);
            pref.Kana = FWriter.Store(fields[3]);
            pref.FirstCity = newCity;
            FCurrentPref = newPref;
            FPrefLengths = {fields[6].size(), fields[3].size()};
        }
        if (newCity >= 0) {
            TStoredShi& city = FWriter.City(newCity);
            city.Name = FPreviousCity = FWriter.Store(fields[7]);
            city.Kana = FWriter.Store(fields[4]);
            city.Pref = FCurrentPref;
            city.FirstTown = town;
            FCurrentCity = newCity;
            FHeadLengths = {FPrefLengths[0] + fields[7].size(), FPrefLengths[1] + fields[4].size()};
            FLoaded.CityCount = newCity + 1;
        }
        // The town's three texts in one piece of the store: one check of its room, not three. They
        // are copied in whole blocks, each overwriting what the one before wrote past its text: the
        // line buffer and the store both keep a block's room past their bytes.
        TStoredPostNo& entry = FWriter.Town(town);
        const std::string_view code = fields[2], name = fields[8], kana = fields[5];
        TByteStore& store = FWriter.Bytes();
        const auto offset = static_cast<std::uint32_t>(store.Size());
        char* out = store.Extend(code.size() + name.size() + kana.size());
        CopyBlocks(CopyBlocks(CopyBlocks(out, BlockSource(code), code.size()), BlockSource(name), name.size()),
                   BlockSource(kana), kana.size());
        const auto codeSize = static_cast<std::uint32_t>(code.size()), nameSize = static_cast<std::uint32_t>(name.size());
        entry.Code = {offset, codeSize};
        entry.Name = {offset + codeSize, nameSize};
        entry.Kana = {offset + codeSize + nameSize, static_cast<std::uint32_t>(kana.size())};
        entry.City = FCurrentCity;
        if (!code.empty()) {
            FLoaded.EndTown = town + 1;
            FLoaded.LongestText =
                std::max({FLoaded.LongestText, FHeadLengths[0] + name.size(), FHeadLengths[1] + kana.size()});
        }
        FLoaded.AnyBlank |= name.empty() && kana.empty();
        if (newPref >= 0 && FProgress) FProgress(newPref + 1);
    }

private:
    TTablesWriter FWriter;
    const TLoadProgress& FProgress;
    TTextSpan FPreviousPref, FPreviousCity;
    int FCurrentPref = 0, FCurrentCity = 0;
    // The lengths of the current prefecture's Name and Kana, and of its and the current city's
    // together: the head of each full address and reading.
    std::array<std::size_t, 2> FPrefLengths{}, FHeadLengths{};
    TLoadedTowns FLoaded;
    bool FNoting = false;
};

// Keeps the towns whose code begins with a prefix, and the names of every prefecture and city, and
// makes their result lines once the walk is complete.
class TCodeMatchSink
{
public:
    explicit TCodeMatchSink(std::string_view prefix) : FPrefix(prefix) {}
    std::string_view PreviousPref() const { return FPrefNames.empty() ? std::string_view() : FPrefNames.back(); }
    std::string_view PreviousCity() const { return FCities.empty() ? std::string_view() : FCities.back().Name; }

    void Line(const std::string_view* fields, int newPref, int newCity, int)
    {
        if (newPref >= 0) {
            FPrefNames.emplace_back(fields[6]);
            FCurrentPref = newPref;
        }
        if (newCity >= 0) {
            FCities.push_back({std::string(fields[7]), FCurrentPref});
            FCurrentCity = newCity;
        }
        const std::string_view code = fields[2];
        if (!FPrefix.empty() && code.size() >= FPrefix.size() && code[0] == FPrefix[0] && code.starts_with(FPrefix))
            FFound.push_back({std::string(code), std::string(fields[8]), FCurrentCity});
    }

    // The result lines, as ResultLine makes them from the loaded tables. A town names the
    // prefecture and city its entries point at, which lines before the first named prefecture or
    // city point at before they are made: so those lines name the first ones made after them.
    TResultLines Lines() const
    {
        const auto pref = [this](int index) {
            return index < static_cast<int>(FPrefNames.size()) ? std::string_view(FPrefNames[index]) : std::string_view();
        };
        TResultLines lines;
        lines.reserve(FFound.size());
        for (const TFound& town : FFound) {
            const bool made = town.City < static_cast<int>(FCities.size());
            const TCity& city = made ? FCities[static_cast<std::size_t>(town.City)] : TCity{};
            AppendResultLine(town.Code, pref(city.Pref), city.Name, town.Name, lines);
        }
        return lines;
    }

private:
    struct TCity
    {
        std::string Name;
        int Pref = 0;
    };
    struct TFound
    {
        std::string Code, Name;
        int City = 0;
    };
    std::string_view FPrefix;
    std::vector<std::string> FPrefNames;  // copies: the line's bytes are gone once the next line is read
    std::vector<TCity> FCities;
    std::vector<TFound> FFound;
    int FCurrentPref = 0, FCurrentCity = 0;
};

// Runs the walk, closing the source either way. A close failure after a complete walk is reported;
// after a failed one, the failure that stopped the walk is.
template <class TSink>
void WalkAndClose(IByteSource& source, TSink& sink, const std::function<void()>& finish = {})
{
    try {
        WalkLines(source, sink);
    } catch (...) {
        // Deliberate: the file is closed on the way out, and the failure that stopped the walk is
        // the one reported, not a later failure of the close.
        if (finish) finish();
        try {
            source.Close();
        } catch (const EInOutError&) {
        }
        throw;
    }
    if (finish) finish();
    source.Close();
}

}  // namespace

std::unique_ptr<IByteSource> OpenFileSource(const std::string& path)
{
    TOpenFailure failure;
    const int fd = OpenRegularFile(path, failure);
    if (fd < 0) ThrowOpenFailure(failure);
    return std::make_unique<TFileSource>(fd);
}

std::unique_ptr<IByteSource> OpenDataFile(const std::string& folder)
{
    const std::string prefix = folder == "." ? std::string() : folder + "/";
    TOpenFailure exact;
    if (const int fd = OpenRegularFile(prefix + std::string(DataFileName), exact); fd >= 0)
        return std::make_unique<TFileSource>(fd);

    // No usable file of exactly that name: the names that differ from it only in letter case take
    // part, alphabetically so the choice never depends on directory order, and the first that is a
    // regular file that opens wins. A folder or a dangling link of one such name must not hide a
    // good file of another.
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name != DataFileName && SameNameIgnoringCase(name, DataFileName)) names.emplace_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::optional<TOpenFailure> reported;
    if (exact.Error != ENOENT) reported = exact;
    for (const std::string& name : names) {
        TOpenFailure failure;
        if (const int fd = OpenRegularFile(prefix + name, failure); fd >= 0) return std::make_unique<TFileSource>(fd);
        if (!reported && failure.Error != ENOENT) reported = failure;
    }
    ThrowOpenFailure(reported.value_or(TOpenFailure{ENOENT}));
}

void SplitFields(std::string_view line, std::vector<std::string>& fields)
{
    std::string bytes(line);
    std::vector<std::string_view> views;
    SplitInPlace(bytes.data(), bytes.data() + bytes.size(), views, static_cast<std::size_t>(-1));
    fields.assign(views.begin(), views.end());
}

void LoadPostalData(IByteSource& source, TPostalTables& tables, const TLoadProgress& progress)
{
    TTablesSink sink(tables, progress, source.SizeHint());
    WalkAndClose(source, sink, [&tables] { TTablesWriter(tables).Finish(); });
    if (const TLoadedTowns* loaded = sink.LoadedTowns()) TTablesWriter(tables).NoteLoadedTowns(*loaded);
}

TResultLines ReadCodeMatches(IByteSource& source, std::string_view prefix)
{
    TCodeMatchSink sink(prefix);
    WalkAndClose(source, sink);
    return sink.Lines();
}

void LoadPostalFile(TPostalTables& tables, const TLoadProgress& progress, const std::string& folder)
{
    const std::unique_ptr<IByteSource> source = OpenDataFile(folder);
    LoadPostalData(*source, tables, progress);
}
