#include "IniText.h"

#include <vector>

#include "SjisText.h"

namespace {

struct TLine
{
    std::size_t Start;       // offset of the line's first byte
    std::size_t ContentEnd;  // offset just past its content, before CR LF or LF
    std::size_t End;         // offset just past its line end
};

std::vector<TLine> SplitLines(std::string_view text)
{
    std::vector<TLine> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t lf = text.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back({start, text.size(), text.size()});
            break;
        }
        const std::size_t contentEnd = lf > start && text[lf - 1] == '\r' ? lf - 1 : lf;
        lines.push_back({start, contentEnd, lf + 1});
        start = lf + 1;
    }
    return lines;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Offset of the first `wanted` byte at a character start, or npos. Needed for "]", whose byte 0x5D
// is also the second byte of double-byte characters.
std::size_t FindAtCharacterStart(std::string_view s, char wanted)
{
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == wanted) return i;
        if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i;
    }
    return std::string_view::npos;
}

// Whether the text's last byte is the first byte of a double-byte character: as a section name it
// would take the closing "]" (0x5D, a valid second byte) into that character.
bool EndsInHalfCharacter(std::string_view s)
{
    std::size_t i = 0;
    while (i + 1 < s.size()) i += IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    return i + 1 == s.size() && IsLeadByte(static_cast<unsigned char>(s[i]));
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.empty() || a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
        // The second byte of a double-byte character is compared exactly, never folded.
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            ++i;
            if (a[i] != b[i]) return false;
        }
    }
    return true;
}

enum TLineKind
{
    lkOther,
    lkSection,
    lkKey
};

struct TParsedLine
{
    TLineKind Kind = lkOther;
    std::string_view Name;   // section name or key
    std::size_t ValueStart;  // key lines: offset in the text where the value's bytes may begin
};

TParsedLine Parse(std::string_view text, const TLine& line)
{
    const std::string_view content = text.substr(line.Start, line.ContentEnd - line.Start);
    TParsedLine parsed{};
    std::size_t first = 0;
    while (first < content.size() && IsBlank(content[first])) ++first;
    if (first == content.size() || content[first] == ';') return parsed;
    if (content[first] == '[') {
        const std::string_view rest = content.substr(first + 1);
        parsed.Kind = lkSection;
        parsed.Name = Trimmed(rest.substr(0, FindAtCharacterStart(rest, ']')));
        return parsed;
    }
    // "=" (0x3D) is never the second byte of a double-byte character, so a plain search is exact.
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos) return parsed;
    parsed.Kind = lkKey;
    parsed.Name = Trimmed(content.substr(0, equals));
    std::size_t valueStart = equals + 1;
    while (valueStart < content.size() && IsBlank(content[valueStart])) ++valueStart;
    parsed.ValueStart = line.Start + valueStart;
    return parsed;
}

// Where `key` lives in the first section named `section`.
struct TLocation
{
    bool SectionFound = false;
    std::size_t AfterSection = 0;       // index of the line where a new key would be inserted
    std::vector<std::size_t> KeyLines;  // indexes of the key's lines, in order
};

TLocation Locate(std::string_view text, const std::vector<TLine>& lines, std::string_view section,
                 std::string_view key)
{
    TLocation found;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const TParsedLine parsed = Parse(text, lines[i]);
        if (parsed.Kind == lkSection && SameName(parsed.Name, section)) break;
    }
    if (i == lines.size()) return found;
    found.SectionFound = true;
    found.AfterSection = i + 1;
    for (++i; i < lines.size(); ++i) {
        const TParsedLine parsed = Parse(text, lines[i]);
        if (parsed.Kind == lkSection) break;
        if (parsed.Kind == lkKey && SameName(parsed.Name, key)) found.KeyLines.push_back(i);
        const std::string_view content = text.substr(lines[i].Start, lines[i].ContentEnd - lines[i].Start);
        if (!Trimmed(content).empty()) found.AfterSection = i + 1;
    }
    return found;
}

std::string_view LineEnding(std::string_view text, const std::vector<TLine>& lines)
{
    if (lines.empty() || lines.front().ContentEnd == lines.front().End) return "\n";
    return text.substr(lines.front().ContentEnd, lines.front().End - lines.front().ContentEnd);
}

std::string_view CutToCap(std::string_view value)
{
    if (value.size() <= IniValueCap) return value;
    std::size_t end = 0;
    while (end < value.size()) {
        const std::size_t width = IsLeadByte(static_cast<unsigned char>(value[end])) && end + 1 < value.size() ? 2 : 1;
        if (end + width > IniValueCap) break;
        end += width;
    }
    return value.substr(0, end);
}

} // namespace

std::optional<std::string> IniFind(std::string_view text, std::string_view section, std::string_view key)
{
    const std::vector<TLine> lines = SplitLines(text);
    const TLocation found = Locate(text, lines, section, key);
    if (found.KeyLines.empty()) return std::nullopt;
    const TLine& line = lines[found.KeyLines.front()];
    const std::size_t valueStart = Parse(text, line).ValueStart;
    return std::string(CutToCap(Trimmed(text.substr(valueStart, line.ContentEnd - valueStart))));
}

bool IniWritable(std::string_view section, std::string_view key, std::string_view value)
{
    const auto hasLineBreak = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    const auto properName = [](std::string_view s) { return !s.empty() && Trimmed(s).size() == s.size(); };
    return properName(section) && properName(key) && !hasLineBreak(section) && !hasLineBreak(key) &&
           !hasLineBreak(value) && FindAtCharacterStart(section, ']') == std::string_view::npos &&
           !EndsInHalfCharacter(section) &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';';
}

std::optional<std::string> IniSet(std::string_view text, std::string_view section, std::string_view key,
                                  std::string_view value)
{
    if (!IniWritable(section, key, value)) return std::nullopt;
    const std::vector<TLine> lines = SplitLines(text);
    const std::string_view eol = LineEnding(text, lines);
    const TLocation found = Locate(text, lines, section, key);
    std::string result;
    result.reserve(text.size() + section.size() + key.size() + value.size() + 8);
    // Adds `addition` after the text's first `offset` bytes, giving a line end first to a last line
    // that has none. A last line that ends in CR gets CR LF, so that its CR stays its own byte
    // rather than becoming part of the line end ("[Common\r" would turn into the section Common).
    const auto insertAt = [&](std::size_t offset, std::string_view addition) {
        result.append(text.substr(0, offset));
        if (offset > 0 && text[offset - 1] != '\n') result.append(text[offset - 1] == '\r' ? "\r\n" : eol);
        result.append(addition);
        result.append(text.substr(offset));
    };
    if (!found.KeyLines.empty()) {
        const TLine& line = lines[found.KeyLines.front()];
        const std::size_t valueStart = Parse(text, line).ValueStart;
        result.append(text.substr(0, valueStart));
        result.append(value);
        result.append(text.substr(line.ContentEnd));
    } else {
        // Built by appending: GCC 12 at -O3 warns falsely about a chain of "+" here.
        std::string added;
        if (!found.SectionFound) added.append("[").append(section).append("]").append(eol);
        added.append(key).append("=").append(value).append(eol);
        const std::size_t offset = !found.SectionFound                 ? text.size()
                                   : found.AfterSection < lines.size() ? lines[found.AfterSection].Start
                                                                       : text.size();
        insertAt(offset, added);
    }
    return result;
}

std::string IniDelete(std::string_view text, std::string_view section, std::string_view key)
{
    const std::vector<TLine> lines = SplitLines(text);
    const TLocation found = Locate(text, lines, section, key);
    std::string result;
    result.reserve(text.size());
    std::size_t kept = 0;
    for (const std::size_t index : found.KeyLines) {
        result.append(text.substr(kept, lines[index].Start - kept));
        kept = lines[index].End;
    }
    result.append(text.substr(kept));
    return result;
}
