#include "ByteSearch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// The block compares use the standard library's data-parallel types where the library (GCC's) has
// them complete; elsewhere a plain search does the same job more slowly.
#if defined(__GLIBCXX__) && __has_include(<experimental/simd>)
#include <experimental/simd>
#define HARVIK_HAVE_SIMD 1
#endif

#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#define HARVIK_BYTE_SEARCH_AVX2 1
#include <immintrin.h>
#endif

#ifdef HARVIK_HAVE_SIMD
namespace {

namespace stdx = std::experimental;
using TBlock = stdx::native_simd<unsigned char>;

const unsigned char* Bytes(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

#ifdef HARVIK_BYTE_SEARCH_AVX2
bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// The search below 32 candidate starts at a time, on a processor with AVX2 (the build's baseline
// blocks are 16 bytes): the first match at a start from `at` on, or npos with `at` moved to the
// first start it has not looked at.
[[gnu::target("avx2")]] std::size_t FindInWideBlocks(const char* begin, std::size_t lastStart, std::string_view needle,
                                                     std::size_t& at)
{
    const std::size_t length = needle.size();
    const std::size_t middle = length >= 2 ? length - 2 : 0;
    const __m256i first = _mm256_set1_epi8(needle.front()), last = _mm256_set1_epi8(needle.back());
    for (; at + 32 <= lastStart + 1; at += 32) {
        const __m256i heads = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + at));
        const __m256i tails = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(begin + at + length - 1));
        auto both = static_cast<std::uint32_t>(
            _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(heads, first), _mm256_cmpeq_epi8(tails, last))));
        for (; both != 0; both &= both - 1) {
            const std::size_t start = at + static_cast<std::size_t>(__builtin_ctz(both));
            if (std::memcmp(begin + start + 1, needle.data() + 1, middle) == 0) return start;
        }
    }
    return std::string_view::npos;
}
#endif

}  // namespace

// Compares a block of candidate starts at once against the needle's first and last byte and checks
// the bytes between only where both agree; wider blocks first where the processor has them. Kanji lead bytes are common in the address texts, so a
// filter on one byte alone would stop too often.
std::size_t FindBytes(std::string_view hay, std::string_view needle)
{
    const std::size_t length = needle.size();
    if (length == 0 || hay.size() < length) return std::string_view::npos;
    const char* const begin = hay.data();
    const std::size_t lastStart = hay.size() - length;
    const TBlock first(static_cast<unsigned char>(needle.front()));
    const TBlock last(static_cast<unsigned char>(needle.back()));
    constexpr std::size_t width = TBlock::size();
    const std::size_t middle = length >= 2 ? length - 2 : 0;

    std::size_t at = 0;
#ifdef HARVIK_BYTE_SEARCH_AVX2
    if (HasAvx2())
        if (const std::size_t found = FindInWideBlocks(begin, lastStart, needle, at); found != std::string_view::npos)
            return found;
#endif
    // Both loads of a block stay inside `hay`: the second ends at at + width + length - 2.
    for (; at + width <= lastStart + 1; at += width) {
        const TBlock heads(Bytes(begin + at), stdx::element_aligned);
        const TBlock tails(Bytes(begin + at + length - 1), stdx::element_aligned);
        const auto both = heads == first && tails == last;
        if (!stdx::any_of(both)) continue;
        for (std::size_t i = static_cast<std::size_t>(stdx::find_first_set(both)); i < width; ++i)
            if (both[i] && std::memcmp(begin + at + i + 1, needle.data() + 1, middle) == 0) return at + i;
    }
    for (; at <= lastStart; ++at)
        if (begin[at] == needle.front() && std::memcmp(begin + at, needle.data(), length) == 0) return at;
    return std::string_view::npos;
}

#else

std::size_t FindBytes(std::string_view hay, std::string_view needle)
{
    if (needle.empty()) return std::string_view::npos;
    return hay.find(needle);
}

#endif
