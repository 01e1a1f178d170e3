#pragma once
#include <string_view>

// Whether the whole text reads as a 32-bit signed integer, byte by byte: blanks (0x20 only) may lead;
// then at most one sign "+" or "-"; then either a hexadecimal prefix ("$", "x", "X", "0x", "0X")
// with at least one hex digit and a value of at most FFFFFFFF, or decimal digits whose signed value
// lies in -2147483648..2147483647. Leading zeros are allowed; nothing may follow the digits.
bool IsInteger(std::string_view text);
