// The INI file's text as the window services edit it: any text, section, key and value. A write
// changes at most the key's own line, or adds its line (and its section's), and every other line
// comes out byte for byte; the value written reads back; a removal leaves no line of the key.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "IniText.h"

namespace {

void Expect(bool holds, const char* what)
{
    if (holds) return;
    std::fprintf(stderr, "INI text: %s\n", what);
    std::abort();
}

// The text's lines, each with its line end (LF or CR LF; none for a last line without one).
std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        const std::size_t length = lf == std::string_view::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

bool HasSurroundingBlank(std::string_view s)
{
    return !s.empty() && (s.front() == ' ' || s.front() == '\t' || s.back() == ' ' || s.back() == '\t');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(16), key = input.ConsumeRandomLengthString(16);
    const std::string value = input.ConsumeRandomLengthString(32);
    const std::string text = input.ConsumeRemainingBytesAsString();
    const std::optional<std::string> before = IniFind(text, section, key);

    const std::optional<std::string> written = IniSet(text, section, key, value);
    Expect(written.has_value() == IniWritable(section, key, value), "a write refused or taken against IniWritable");
    if (written) {
        // The lines before and after the change are the same; between them the text had at most
        // the key's line, and the result has at most a section line and the key's line.
        const std::vector<std::string_view> old = Lines(text), now = Lines(*written);
        std::size_t head = 0, tail = 0;
        while (head < old.size() && head < now.size() && old[head] == now[head]) ++head;
        // A last line without a line end gets one when a line is added after it: its bytes, then
        // LF or CR LF.
        if (head + 1 == old.size() && head < now.size() && !old[head].ends_with('\n') &&
            now[head].starts_with(old[head]) &&
            (now[head].substr(old[head].size()) == "\n" || now[head].substr(old[head].size()) == "\r\n"))
            ++head;
        while (tail < old.size() - head && tail < now.size() - head &&
               old[old.size() - 1 - tail] == now[now.size() - 1 - tail])
            ++tail;
        const std::size_t changed = old.size() - head - tail, added = now.size() - head - tail;
        Expect(changed <= 1 && added <= 2 && (changed == 0 || added == 1), "lines beside the key's changed");
        if (changed == 1) {
            const std::string_view was = old[head], is = now[head];
            const std::size_t equals = was.find('=');
            Expect(equals != std::string_view::npos && is.starts_with(was.substr(0, equals + 1)),
                   "the key's line lost what stands before its value");
        }
        if (value.size() <= IniValueCap && !HasSurroundingBlank(value))
            Expect(IniFind(*written, section, key) == value, "the value written does not read back");
    }

    const std::string removed = IniDelete(text, section, key);
    Expect(!IniFind(removed, section, key).has_value(), "a removed key still reads");
    if (!before) Expect(removed == text, "a removal without the key changed the text");
    // What is left is the text less some of its lines, each of the others byte for byte.
    const std::vector<std::string_view> old = Lines(text), left = Lines(removed);
    std::size_t at = 0;
    for (std::string_view line : left) {
        while (at < old.size() && old[at] != line) ++at;
        Expect(at < old.size(), "a removal changed a line it kept");
        ++at;
    }
    return 0;
}
