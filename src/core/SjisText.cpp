#include "SjisText.h"

#include <cstring>

int SjisPos(std::string_view needle, std::string_view hay)
{
    if (needle.empty() || hay.size() < needle.size()) return 0;
    const auto* h = reinterpret_cast<const unsigned char*>(hay.data());
    const std::size_t last = hay.size() - needle.size();
    // Walk character starts only: a match that begins on a second byte (which may be any byte,
    // 0x5C and ASCII letters included) does not count.
    std::size_t i = 0;
    while (i <= last) {
        if (h[i] == static_cast<unsigned char>(needle[0]) &&
            std::memcmp(hay.data() + i, needle.data(), needle.size()) == 0)
            return static_cast<int>(i + 1);
        i += IsLeadByte(h[i]) ? 2 : 1;
    }
    return 0;
}

std::string_view SjisPiece(std::string_view text, long long start, long long length)
{
    if (start < 1) start = 1;
    const auto size = static_cast<long long>(text.size());
    if (start > size || length < 1) return {};
    const long long available = size - start + 1;
    return text.substr(static_cast<std::size_t>(start - 1),
                       static_cast<std::size_t>(length < available ? length : available));
}

std::string CountText(long long count) { return std::to_string(count) + "\x8C\x8F"; }  // 件
