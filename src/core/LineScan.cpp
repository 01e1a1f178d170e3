#include "LineScan.h"

#include <cstdint>

#include "SjisText.h"

#if (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__) && defined(__GNUC__)
#define HARVIK_X86 1
#include <immintrin.h>
#endif

// The instruction set extensions each wide variant is compiled for, and the same list that decides
// at run time whether this processor may run it. Any of them can appear in the variant's code (the
// compiler takes BMI1's andn, blsi and blsr for the mask arithmetic), so one the processor lacks
// would stop the load with an illegal instruction. The 64-byte variant also packs the field ends'
// positions with VBMI2's byte compress.
#define HARVIK_VECTOR32_FEATURES "avx2,bmi,pclmul"
#define HARVIK_VECTOR64_FEATURES "avx512bw,avx512vbmi2,bmi,pclmul"

namespace {

// One bit per byte of a 64-byte block, bit i for byte i.
struct TBlockMasks
{
    std::uint64_t Quote = 0, Comma = 0;
    std::uint64_t Blank = 0;    // 0x00-0x20: blanks and control bytes
    std::uint64_t Control = 0;  // 0x00-0x1F: the line end is the first of them
    std::uint64_t Lead = 0;     // lead-byte values, whether or not the byte starts a character
};

// The block classifiers, one per instruction set; the scan itself is the same for all.

[[gnu::always_inline]] inline TBlockMasks ClassifyBytes(const char* p)
{
    TBlockMasks m;
    for (int i = 0; i < 64; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (b == '"') m.Quote |= bit;
        if (b == ',') m.Comma |= bit;
        if (b <= 0x20) m.Blank |= bit;
        if (b < 0x20) m.Control |= bit;
        if (IsLeadByte(b)) m.Lead |= bit;
    }
    return m;
}

#if defined(HARVIK_X86)
// Lead bytes 0x81-0x9F and 0xE0-0xFC become one range, 0xA1-0xDC, once bit 0x20 is flipped;
// shifted to start at -128, that range is what compares below -68 as a signed byte.
constexpr char LeadShift = static_cast<char>(0x80 - 0xA1);
constexpr char LeadLimit = -68;

[[gnu::always_inline]] inline TBlockMasks ClassifySse2(const char* p)
{
    const __m128i quote = _mm_set1_epi8('"'), comma = _mm_set1_epi8(','), blank = _mm_set1_epi8(0x20);
    const __m128i flip = _mm_set1_epi8(0x20), shift = _mm_set1_epi8(LeadShift), leadLimit = _mm_set1_epi8(LeadLimit);
    TBlockMasks m;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        auto bits = [k](__m128i hit) {
            return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hit))) << (16 * k);
        };
        const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(v, blank), v);
        m.Quote |= bits(_mm_cmpeq_epi8(v, quote));
        m.Comma |= bits(_mm_cmpeq_epi8(v, comma));
        m.Blank |= bits(low);
        m.Control |= bits(_mm_andnot_si128(_mm_cmpeq_epi8(v, blank), low));
        m.Lead |= bits(_mm_cmpgt_epi8(leadLimit, _mm_add_epi8(_mm_xor_si128(v, flip), shift)));
    }
    return m;
}

[[gnu::always_inline, gnu::target("avx2")]] inline std::uint64_t Bits32(int at, __m256i hit)
{
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hit))) << at;
}

[[gnu::target("avx2")]] inline TBlockMasks ClassifyAvx2(const char* p)
{
    const __m256i quote = _mm256_set1_epi8('"'), comma = _mm256_set1_epi8(','), blank = _mm256_set1_epi8(0x20);
    const __m256i flip = _mm256_set1_epi8(0x20), shift = _mm256_set1_epi8(LeadShift), leadLimit = _mm256_set1_epi8(LeadLimit);
    TBlockMasks m;
    for (int k = 0; k < 2; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        const int at = 32 * k;
        const __m256i low = _mm256_cmpeq_epi8(_mm256_min_epu8(v, blank), v);
        m.Quote |= Bits32(at, _mm256_cmpeq_epi8(v, quote));
        m.Comma |= Bits32(at, _mm256_cmpeq_epi8(v, comma));
        m.Blank |= Bits32(at, low);
        m.Control |= Bits32(at, _mm256_andnot_si256(_mm256_cmpeq_epi8(v, blank), low));
        m.Lead |= Bits32(at, _mm256_cmpgt_epi8(leadLimit, _mm256_add_epi8(_mm256_xor_si256(v, flip), shift)));
    }
    return m;
}

[[gnu::target("avx512bw")]] inline TBlockMasks ClassifyAvx512(const char* p)
{
    const __m512i v = _mm512_loadu_si512(p);
    TBlockMasks m;
    m.Quote = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('"'));
    m.Comma = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(','));
    m.Blank = _mm512_cmple_epu8_mask(v, _mm512_set1_epi8(0x20));
    m.Control = _mm512_cmplt_epu8_mask(v, _mm512_set1_epi8(0x20));
    m.Lead = _mm512_cmplt_epi8_mask(_mm512_add_epi8(_mm512_xor_si512(v, _mm512_set1_epi8(0x20)), _mm512_set1_epi8(LeadShift)),
                                    _mm512_set1_epi8(LeadLimit));
    return m;
}
#endif

// Each bit becomes the parity of the bits up to and including it: 1 from an opening quote up to
// the byte before its closing quote.
[[gnu::always_inline]] inline std::uint64_t PrefixXor(std::uint64_t x)
{
    for (int shift = 1; shift < 64; shift *= 2) x ^= x << shift;
    return x;
}

#if defined(HARVIK_X86)
// The same in one carry-less multiplication by all ones.
[[gnu::target("pclmul")]] inline std::uint64_t PrefixXorClmul(std::uint64_t x)
{
    const __m128i product = _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(x)), _mm_set1_epi8(-1), 0);
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
}
#endif

// The field ends' positions, for scans that write them all out: PositionsOf(ends, at, out) writes the
// position of each set bit of `ends` plus `at`, as bytes, to out[0], out[1] ... and returns how
// many; it may write up to 64 bytes at `out`. NoPositions stands for scans that take the nine field
// ends from the masks one by one instead.
using TPositionsOf = std::size_t (*)(std::uint64_t ends, unsigned at, unsigned char* out);
inline std::size_t NoPositions(std::uint64_t, unsigned, unsigned char*) { return 0; }

#if defined(HARVIK_X86)
// One compress of the byte numbers 0 to 63 by the mask, with no dependence from one field end to
// the next, where taking them one at a time is a chain of dependent steps for every field.
[[gnu::target("avx512bw,avx512vbmi2")]] inline std::size_t CompressedPositions(std::uint64_t ends, unsigned at,
                                                                             unsigned char* out)
{
    const __m512i numbers = _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43,
                                            42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22,
                                            21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const __m512i positions = _mm512_add_epi8(numbers, _mm512_set1_epi8(static_cast<char>(at)));
    _mm512_storeu_si512(out, _mm512_maskz_compress_epi8(ends, positions));
    return static_cast<std::size_t>(__builtin_popcountll(ends));
}
#endif

// The second bytes of double-byte characters among the block's bytes, given its lead-byte values:
// a lead byte that starts a character takes the byte after it. `carry` tells whether the block's
// first byte is a second byte, and on return the same of the next block's.
std::uint64_t SecondBytes(std::uint64_t lead, std::uint64_t& carry)
{
    lead &= ~carry;
    const std::uint64_t followsLead = lead << 1 | carry;
    constexpr std::uint64_t even = 0x5555555555555555;
    // A run of lead bytes pairs up from its start: adding a run's start bit to the run carries past
    // its end, which tells apart the runs that start on odd and on even positions.
    const std::uint64_t oddStarts = lead & ~even & ~followsLead;
    std::uint64_t evenRuns = 0;
    carry = __builtin_add_overflow(oddStarts, lead, &evenRuns) ? 1 : 0;
    return (even ^ (evenRuns << 1)) & followsLead;
}

// The scan, made once per classifier: each caller below is flattened, so that the classifier and
// the scan become one function built for that caller's instruction set.
template <TBlockMasks (*Classify)(const char*), std::uint64_t (*PrefixParity)(std::uint64_t),
          TPositionsOf PositionsOf = NoPositions>
inline bool Scan(const char* line, TScannedLine& out)
{
    constexpr std::size_t Blocks = LineScanReach / 64;
    static_assert(LineScanReach <= 256, "a field end's position is one byte");
    std::uint64_t ends[Blocks] = {};       // field ends: the commas between fields, and the line end
    // With PositionsOf: the field ends' positions, each block's written after the blocks' before.
    // Each block's write may take 64 bytes, so the last one ends at LineScanReach at most.
    unsigned char positions[LineScanReach];
    std::size_t endCount = 0;
    std::uint64_t second = 0, inside = 0;  // carries from block to block
    std::uint64_t commaBefore = 1;         // the line start counts as a comma before the first field
    std::uint64_t closeBefore = 0, wrong = 0;
    std::size_t length = 0, block = 0;
    // Unrolled: the few blocks' masks then stay in registers.
#pragma GCC unroll 4
    for (; block < Blocks; ++block) {
        const TBlockMasks m = Classify(line + 64 * block);
        // The line ends at its first control byte, which must be LF or CR LF for this scan.
        const std::uint64_t lineEnd = m.Control & (0 - m.Control);
        const std::uint64_t within = m.Control != 0 ? lineEnd - 1 : ~std::uint64_t{0};
        // Quotes, commas and blanks that are second bytes of double-byte characters are text.
        const std::uint64_t text = SecondBytes(m.Lead & within, second);
        const std::uint64_t quotes = m.Quote & within & ~text, commas = m.Comma & within & ~text;
        const std::uint64_t inQuotes = PrefixParity(quotes) ^ inside;
        inside = static_cast<std::uint64_t>(static_cast<std::int64_t>(inQuotes) >> 63);
        const std::uint64_t separators = commas & ~inQuotes;
        const std::uint64_t opening = quotes & inQuotes, closing = quotes & ~inQuotes;
        const std::uint64_t mayFollowClosing = separators | lineEnd;
        // A quote that does not open a field right after a comma or close it right before one, or a
        // blank outside quotes, is for the careful path.
        wrong |= (m.Blank & within & ~text & ~inQuotes) | (opening & ~((separators << 1) | commaBefore)) |
                 ((closing << 1) & ~mayFollowClosing) | (closeBefore & ~mayFollowClosing & 1);
        commaBefore = separators >> 63;
        closeBefore = closing >> 63;
        ends[block] = separators | lineEnd;
        if constexpr (PositionsOf != NoPositions)
            endCount += PositionsOf(ends[block], static_cast<unsigned>(64 * block), positions + endCount);
        if (m.Control != 0) {
            length = 64 * block + static_cast<std::size_t>(__builtin_ctzll(m.Control));
            break;
        }
    }
    if (block == Blocks) return false;  // no line end within reach
    if (wrong != 0 || inside != 0) return false;
    if (line[length] == '\n') {
        out.BreakLength = 1;
    } else if (line[length] == '\r' && length + 1 < LineScanReach && line[length + 1] == '\n') {
        out.BreakLength = 2;
    } else {
        return false;  // another control byte, or a lone CR
    }
    out.Length = length;

    if constexpr (PositionsOf != NoPositions) {
        if (endCount < 9) return false;  // fewer than nine fields
        std::size_t start = 0;
#pragma GCC unroll 9
        for (int k = 0; k < 9; ++k) {
            const std::size_t end = positions[k];
            const std::size_t quoted = line[start] == '"' ? 1 : 0;  // a quoted field ends with its quote
            out.Fields[k] = std::string_view(line + start + quoted, end - start - 2 * quoted);
            start = end + 1;
        }
        return true;
    }

    // The first nine field ends, taken from the masks a word at a time.
    std::uint64_t w0 = ends[0], w1 = ends[1], w2 = ends[2], w3 = ends[3];
    std::size_t base = 0, start = 0;
    // Unrolled: the loop's own bookkeeping is a fair part of a field's few instructions.
#pragma GCC unroll 9
    for (std::string_view& field : out.Fields) {
        const bool empty = w0 == 0;  // mostly once per line: a move, not a jump
        w0 = empty ? w1 : w0, w1 = empty ? w2 : w1, w2 = empty ? w3 : w2, w3 = empty ? 0 : w3;
        base += empty ? 64 : 0;
        while (w0 == 0) {
            if ((w1 | w2 | w3) == 0) return false;  // fewer than nine fields
            w0 = w1, w1 = w2, w2 = w3, w3 = 0;
            base += 64;
        }
        const std::size_t end = base + static_cast<std::size_t>(__builtin_ctzll(w0));
        w0 &= w0 - 1;
        const std::size_t quoted = line[start] == '"' ? 1 : 0;  // a quoted field ends with its quote
        field = std::string_view(line + start + quoted, end - start - 2 * quoted);
        start = end + 1;
    }
    return true;
}

// Line after line, with the scan's constants set up once for the run.
template <TBlockMasks (*Classify)(const char*), std::uint64_t (*PrefixParity)(std::uint64_t),
          TPositionsOf PositionsOf = NoPositions>
inline std::size_t ScanRun(const char* from, std::size_t readable, TScannedLine* out, std::size_t most)
{
    std::size_t lines = 0, at = 0;
    while (lines < most && readable - at >= LineScanReach && Scan<Classify, PrefixParity, PositionsOf>(from + at, out[lines])) {
        at += out[lines].Length + out[lines].BreakLength;
        ++lines;
    }
    return lines;
}

[[gnu::flatten]] bool ScanBytes(const char* line, TScannedLine& out) { return Scan<ClassifyBytes, PrefixXor>(line, out); }
#if defined(HARVIK_X86)
[[gnu::flatten]] bool ScanSse2(const char* line, TScannedLine& out) { return Scan<ClassifySse2, PrefixXor>(line, out); }
[[gnu::flatten, gnu::target(HARVIK_VECTOR32_FEATURES)]] bool ScanAvx2(const char* line, TScannedLine& out)
{
    return Scan<ClassifyAvx2, PrefixXorClmul>(line, out);
}
[[gnu::flatten, gnu::target(HARVIK_VECTOR64_FEATURES)]] bool ScanAvx512(const char* line, TScannedLine& out)
{
    return Scan<ClassifyAvx512, PrefixXorClmul, CompressedPositions>(line, out);
}
#endif

[[gnu::flatten]] std::size_t ScanRunBytes(const char* from, std::size_t readable, TScannedLine* out, std::size_t most)
{
    return ScanRun<ClassifyBytes, PrefixXor>(from, readable, out, most);
}
#if defined(HARVIK_X86)
[[gnu::flatten]] std::size_t ScanRunSse2(const char* from, std::size_t readable, TScannedLine* out, std::size_t most)
{
    return ScanRun<ClassifySse2, PrefixXor>(from, readable, out, most);
}
[[gnu::flatten, gnu::target(HARVIK_VECTOR32_FEATURES)]] std::size_t ScanRunAvx2(const char* from, std::size_t readable,
                                                                                TScannedLine* out, std::size_t most)
{
    return ScanRun<ClassifyAvx2, PrefixXorClmul>(from, readable, out, most);
}
[[gnu::flatten, gnu::target(HARVIK_VECTOR64_FEATURES)]] std::size_t ScanRunAvx512(const char* from, std::size_t readable,
                                                                                  TScannedLine* out, std::size_t most)
{
    return ScanRun<ClassifyAvx512, PrefixXorClmul, CompressedPositions>(from, readable, out, most);
}
#endif

// The run variant built for `scanner`, whether or not this processor can run it; nullptr when the
// build has none.
TPlainLinesScan CompiledRunFunction(TLineScanner scanner)
{
    switch (scanner) {
#if defined(HARVIK_X86)
    case TLineScanner::Vector16: return ScanRunSse2;
    case TLineScanner::Vector32: return ScanRunAvx2;
    case TLineScanner::Vector64: return ScanRunAvx512;
#else
    case TLineScanner::Vector16:
    case TLineScanner::Vector32:
    case TLineScanner::Vector64: return nullptr;
#endif
    case TLineScanner::Bytes: return ScanRunBytes;
    }
    return nullptr;
}

using TScanFunction = bool (*)(const char*, TScannedLine&);

// The variant built for `scanner`, whether or not this processor can run it; nullptr when the
// build has none.
TScanFunction CompiledScanFunction(TLineScanner scanner)
{
    switch (scanner) {
#if defined(HARVIK_X86)
    case TLineScanner::Vector16: return ScanSse2;
    case TLineScanner::Vector32: return ScanAvx2;
    case TLineScanner::Vector64: return ScanAvx512;
#else
    case TLineScanner::Vector16:
    case TLineScanner::Vector32:
    case TLineScanner::Vector64: return nullptr;
#endif
    case TLineScanner::Bytes: return ScanBytes;
    }
    return nullptr;
}

// Whether this processor (and its operating system, for the wide registers) has `feature`. A name
// this list does not know counts as missing, so a feature added to a variant without a check here
// keeps that variant off rather than risking an illegal instruction.
bool ProcessorHas(std::string_view feature)
{
#if defined(HARVIK_X86)
    if (feature == "avx2") return __builtin_cpu_supports("avx2");
    if (feature == "avx512bw") return __builtin_cpu_supports("avx512bw");
    if (feature == "avx512vbmi2") return __builtin_cpu_supports("avx512vbmi2");
    if (feature == "bmi") return __builtin_cpu_supports("bmi");
    if (feature == "pclmul") return __builtin_cpu_supports("pclmul");
#endif
    return false;
}

// Whether `has` reports every feature of a comma-separated list.
template <class FHas>
bool HasEvery(std::string_view features, const FHas& has)
{
    while (!features.empty()) {
        const std::size_t comma = features.find(',');
        if (!has(features.substr(0, comma))) return false;
        features.remove_prefix(comma == std::string_view::npos ? features.size() : comma + 1);
    }
    return true;
}

TScanFunction ScanFunction(TLineScanner scanner)
{
    return HasEvery(LineScannerFeatures(scanner), ProcessorHas) ? CompiledScanFunction(scanner) : nullptr;
}

}  // namespace

std::string_view LineScannerFeatures(TLineScanner scanner)
{
    switch (scanner) {
    case TLineScanner::Vector32: return HARVIK_VECTOR32_FEATURES;
    case TLineScanner::Vector64: return HARVIK_VECTOR64_FEATURES;
    case TLineScanner::Bytes:
    case TLineScanner::Vector16: break;
    }
    return {};
}

TLineScanner ChooseLineScanner(const std::function<bool(std::string_view feature)>& has)
{
    for (TLineScanner scanner : {TLineScanner::Vector64, TLineScanner::Vector32, TLineScanner::Vector16})
        if (CompiledScanFunction(scanner) != nullptr && HasEvery(LineScannerFeatures(scanner), has)) return scanner;
    return TLineScanner::Bytes;
}

TLineScanner ChosenLineScanner()
{
    static const TLineScanner chosen = ChooseLineScanner(ProcessorHas);
    return chosen;
}

bool ScanPlainLine(const char* line, TScannedLine& out)
{
    static const TScanFunction scan = CompiledScanFunction(ChosenLineScanner());
    return scan(line, out);
}

TPlainLinesScan ChosenPlainLinesScan()
{
    static const TPlainLinesScan scan = CompiledRunFunction(ChosenLineScanner());
    return scan;
}

std::size_t ScanPlainLines(const char* from, std::size_t readable, TScannedLine* out, std::size_t most)
{
    return ChosenPlainLinesScan()(from, readable, out, most);
}
bool LineScannerAvailable(TLineScanner scanner) { return ScanFunction(scanner) != nullptr; }

bool ScanPlainLineWith(TLineScanner scanner, const char* line, TScannedLine& out)
{
    const TScanFunction scan = ScanFunction(scanner);
    return scan != nullptr && scan(line, out);
}

std::size_t ScanPlainLinesWith(TLineScanner scanner, const char* from, std::size_t readable, TScannedLine* out,
                               std::size_t most)
{
    return LineScannerAvailable(scanner) ? CompiledRunFunction(scanner)(from, readable, out, most) : 0;
}
