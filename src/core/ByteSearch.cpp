#include "ByteSearch.h"

#include <algorithm>
#include <cstring>

// The block compares use the standard library's data-parallel types where the library (GCC's) has
// them complete; elsewhere a plain search does the same job more slowly.
#if defined(__GLIBCXX__) && __has_include(<experimental/simd>)
#include <experimental/simd>
#define HARVIK_HAVE_SIMD 1
#endif

#ifdef HARVIK_HAVE_SIMD
namespace {

namespace stdx = std::experimental;
using TBlock = stdx::native_simd<unsigned char>;

const unsigned char* Bytes(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

}  // namespace

// Compares a block of candidate starts at once against the needle's first and last byte and checks
// the bytes between only where both agree. Kanji lead bytes are common in the address texts, so a
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
