#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// The integer conversion of the input line's integer test and of the stored window placement, byte by
// byte: blanks (0x20 only) may lead; then at most one sign "+" or "-"; then either a hexadecimal
// prefix ("$", "x", "X", "0x", "0X") with at least one hex digit and a value of at most FFFFFFFF, or
// decimal digits whose signed value lies in -2147483648..2147483647. Leading zeros are allowed;
// nothing may follow the digits.
//
// The value, or nullopt when the text is not such an integer. A hexadecimal value is read as the
// 32 bits it spells ("$FFFFFFFF" is -1), and a sign before its prefix changes nothing.
std::optional<std::int32_t> ReadInteger(std::string_view text);

// Whether the whole text reads as an integer by ReadInteger's rules.
inline bool IsInteger(std::string_view text) { return ReadInteger(text).has_value(); }
