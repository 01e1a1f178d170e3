#pragma once
#include <string>
#include <string_view>

// Conversion between Shift-JIS (code page 932) and UTF-8, for the edges only (window, command line).

// UTF-8 to Shift-JIS. The look-alikes that Linux input methods produce go to their code-page-932
// forms (U+301C to 81 60, U+2212 to 81 7C, U+2016 to 81 61, U+00A2/U+00A3/U+00AC to 81 91/81 92/81 CA).
// Each character that code page 932 cannot hold, and each byte of malformed UTF-8, becomes "?".
std::string SjisFromUtf8(std::string_view utf8);

// Shift-JIS to UTF-8. Each byte that starts no valid character becomes U+FFFD, and conversion goes
// on with the next byte. Control bytes map one to one (0x1A stays U+001A).
std::string Utf8FromSjis(std::string_view sjis);
