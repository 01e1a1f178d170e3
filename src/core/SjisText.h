#pragma once
#include <string>
#include <string_view>

// The byte rules of Shift-JIS text (code page 932). All positions are 1-based byte positions.

// True for the first byte of a double-byte character: 0x81-0x9F and 0xE0-0xFC.
constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Position of the first occurrence of `needle` in `hay` that starts on a character start of `hay`
// (never on the second byte of a double-byte character). `needle` is matched byte for byte and may
// end anywhere, also in a lead byte. 1-based byte position; 0 when there is none or either text is
// empty.
int SjisPos(std::string_view needle, std::string_view hay);

// `hay` begins with `prefix` (position 1); false when either is empty.
inline bool SjisBeginsWith(std::string_view hay, std::string_view prefix)
{
    return !prefix.empty() && hay.starts_with(prefix);
}

// `hay` contains `needle` at a character start (position above 0); false when either is empty.
inline bool SjisContains(std::string_view hay, std::string_view needle) { return SjisPos(needle, hay) > 0; }

// The piece of `text` from 1-based byte `start`, `length` bytes long: a start before 1 counts as 1,
// a start past the end or a length below 1 gives the empty text, a length past the end is cut.
std::string_view SjisPiece(std::string_view text, long long start, long long length);

// A count as the user reads it: decimal digits, no separators, followed by "件" (Shift-JIS 8C 8F).
std::string CountText(long long count);
