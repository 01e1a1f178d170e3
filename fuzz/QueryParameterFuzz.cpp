// The lookup service's reading of a request target's query (QueryParameter), on any bytes, against a
// plain reading written apart from it; and the input taken as a value: percent-encoded into a target
// among other parameters, it must read back unchanged.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "QueryParameter.h"

namespace {

// What a reading gives: the value, "missing", or "refused".
std::string Outcome(std::string_view target)
{
    try {
        const std::optional<std::string> value = QueryParameter(target, "q");
        return value ? "value:" + *value : "missing";
    } catch (const EBadRequest&) {
        return "refused";
    }
}

// The plain reading: every parameter split off first, then each decoded with the C library's tests.
std::string PlainOutcome(std::string_view target)
{
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos) return "missing";
    std::vector<std::string> parts(1);
    for (const char c : target.substr(question + 1)) {
        if (c == '&') parts.emplace_back();
        else parts.back() += c;
    }
    const auto decode = [](const std::string& text, std::string& out) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] != '%') {
                out += text[i] == '+' ? ' ' : text[i];
                continue;
            }
            if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
                return false;
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        }
        return true;
    };
    int found = 0;
    std::string value;
    for (const std::string& part : parts) {
        const std::size_t equals = part.find('=');
        std::string name, decoded;
        if (!decode(part.substr(0, equals), name)) return "refused";
        if (equals != std::string::npos && !decode(part.substr(equals + 1), decoded)) return "refused";
        if (name == "q") {
            ++found;
            value = decoded;
        }
    }
    if (found > 1) return "refused";
    return found == 1 ? "value:" + value : "missing";
}

std::string Encoded(std::string_view text)
{
    static constexpr char hex[] = "0123456789abcdef";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == ' ') encoded += '+';
        else if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') encoded += c;
        else encoded.append({'%', hex[byte >> 4], hex[byte & 15]});
    }
    return encoded;
}

void Expect(bool same, const char* what, std::string_view input)
{
    if (same) return;
    std::fprintf(stderr, "QueryParameter differs: %s for %zu input bytes\n", what, input.size());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Expect(Outcome(input) == PlainOutcome(input), "the reading of the bytes as a target", input);
    const std::string target = "/search?x=" + Encoded(input.substr(0, size / 3)) + "&q=" + Encoded(input) + "&qq=1";
    Expect(Outcome(target) == "value:" + std::string(input), "an encoded value read back", input);
    return 0;
}
