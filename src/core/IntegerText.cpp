#include "IntegerText.h"

#include <cstdint>

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Digits are accumulated in 64 bits and checked after each one, so any number of leading zeros is
// fine and no long run of digits can overflow before the range check rejects it.
bool HexDigitsFit(std::string_view digits)
{
    if (digits.empty()) return false;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int d = HexDigitValue(c);
        if (d < 0) return false;
        value = value * 16 + static_cast<std::uint64_t>(d);
        if (value > 0xFFFFFFFFu) return false;
    }
    return true;
}

bool DecimalDigitsFit(std::string_view digits, bool negative)
{
    if (digits.empty()) return false;
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > limit) return false;
    }
    return true;
}

} // namespace

bool IsInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::string_view rest = text.substr(i);
    // A hexadecimal value is not negated: "-$FFFFFFFF" passes like "$FFFFFFFF".
    if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) return HexDigitsFit(rest.substr(1));
    if (rest.starts_with("0x") || rest.starts_with("0X")) return HexDigitsFit(rest.substr(2));
    return DecimalDigitsFit(rest, negative);
}
