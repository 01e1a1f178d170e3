#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Reading and editing the text of an INI file, as pure functions over the file's bytes (Shift-JIS or
// plain ASCII; no file access here).
//
// The text is a sequence of lines, each ended by LF, by CR LF, or (the last one only) by the end of
// the text. Blanks are spaces and tabs.
// - A line whose first non-blank byte is "[" opens a section; its name is what follows up to the
//   first "]" at a character start (or the line's end), without surrounding blanks.
// - A line whose first non-blank byte is ";" is a comment.
// - Any other line with a "=" is a key line: its key is what precedes the first "=", its value what
//   follows it, both without surrounding blanks. Key lines before the first section belong to none.
// - Every other line is kept as it is and means nothing.
// Section and key names match when they are equal with ASCII letters compared regardless of case
// (the second byte of a double-byte character is compared exactly). Where a section name occurs more
// than once the first such section counts, and within it the first line of a key.

// The longest value a read gives: longer values are cut to at most this many bytes, never inside a
// double-byte character.
inline constexpr std::size_t IniValueCap = 2047;

// The value of `key` in `section`, cut to IniValueCap bytes; nullopt when the text has no such
// section or the section no such key (an empty name never matches).
std::optional<std::string> IniFind(std::string_view text, std::string_view section, std::string_view key);

// Whether `section`, `key` and `value` can be written as INI lines that read back as they are given:
// section and key hold a non-blank byte and no surrounding blanks, no byte of any of them is CR or LF,
// the section has no "]" at a character start and does not end in the first byte of a double-byte
// character, the key has no "=" and no leading "[" or ";".
bool IniWritable(std::string_view section, std::string_view key, std::string_view value);

// `text` with `key` in `section` set to `value`; nullopt when !IniWritable(section, key, value).
// - An existing key line keeps everything up to its "=" and the blanks after it; the rest of the line
//   before its line end becomes `value`.
// - A missing key gets the line "key=value" after the last non-blank line of its section.
// - A missing section is appended at the end as "[section]" and "key=value".
// Every other line comes out byte for byte; new lines end as the text's first line does (LF when it
// has none), and a last line without a line end gets one when a line is added after it.
std::optional<std::string> IniSet(std::string_view text, std::string_view section, std::string_view key,
                                  std::string_view value);

// `text` without the lines of `key` in `section` (all of them, so a later duplicate does not come to
// light); every other line comes out byte for byte. The text unchanged when there is no such key.
std::string IniDelete(std::string_view text, std::string_view section, std::string_view key);
