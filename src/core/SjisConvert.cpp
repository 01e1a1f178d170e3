#include "SjisConvert.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>  // glibc's converter: the one platform header of the core, for the edges' conversion

#include "Errors.h"

namespace {

// glibc's "CP932" is the Microsoft table the data file is written in (0x5C stays a backslash,
// 0x8160 is U+FF5E, the NEC and IBM extensions decode) and maps control bytes one to one, so a
// Ctrl-Z in the data keeps its code. On the way in it also takes the look-alikes Linux input methods
// type (U+301C, U+2212, U+2016, U+00A2, U+00A3, U+00AC) to the code page's forms, so a typed wave
// dash finds the data's 81 60. Plain "SHIFT_JIS" would be the JIS table: unsuitable.
constexpr const char* CodePage = "CP932";

// What stands in the output for input the converter cannot take.
struct TReplacement
{
    std::string_view Text;
    std::size_t Used;  // input bytes it replaces, at least 1
};

// One open conversion per direction and thread: opening one costs more than converting a result
// line, and the command line converts tens of thousands of lines per run.
class TConverter
{
public:
    TConverter(const char* to, const char* from) : FHandle(iconv_open(to, from))
    {
        if (FHandle == reinterpret_cast<iconv_t>(-1))
            throw EHarvikError(std::string("no ") + from + " to " + to + " conversion on this system");
    }
    ~TConverter() { iconv_close(FHandle); }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    // Converts `in`, calling `onBad(in, at)` where the converter stops at input it cannot take;
    // onBad returns the replacement to write and how many input bytes it stands for (at least 1).
    // `capacity` is the output's expected size; the output grows twofold when it runs out, and the
    // converter is handed a bounded piece of the input at a time, so that text full of bad bytes
    // (one call each) converts in time linear in its length.
    template <class FBad>
    std::string Run(std::string_view in, std::size_t capacity, FBad onBad)
    {
        // Each call's input is checked whole by the sanitizers' wrapper of iconv, so a piece much
        // longer than any character would make a sanitizer build quadratic again.
        constexpr std::size_t PieceLength = 4096;
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        std::string out(capacity, '\0');
        std::size_t done = 0;
        std::size_t pos = 0;
        while (pos < in.size()) {
            const std::size_t handed = std::min(in.size() - pos, PieceLength);
            char* inPtr = const_cast<char*>(in.data() + pos);  // iconv takes char** but never writes input
            std::size_t inLeft = handed;
            char* outPtr = out.data() + done;
            std::size_t outLeft = out.size() - done;
            const std::size_t rc = iconv(FHandle, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            pos += handed - inLeft;
            done = out.size() - outLeft;
            if (rc != static_cast<std::size_t>(-1)) continue;
            if (error == E2BIG) {
                out.resize(out.size() * 2 + 16);
            } else if (error == EINVAL && pos + inLeft < in.size()) {
                continue;  // a character cut by the piece's end: the next piece starts with it
            } else if (error == EILSEQ || error == EINVAL) {
                const TReplacement replacement = onBad(in, pos);
                if (out.size() - done < replacement.Text.size()) out.resize(out.size() * 2 + replacement.Text.size());
                std::memcpy(out.data() + done, replacement.Text.data(), replacement.Text.size());
                done += replacement.Text.size();
                pos += replacement.Used;
            } else {
                throw EHarvikError(std::string("text conversion failed: ") + std::strerror(error));
            }
        }
        out.resize(done);
        return out;
    }

private:
    iconv_t FHandle;
};

// Length of the well-formed UTF-8 sequence at `at` (1 to 4), or 0 when the byte there starts none:
// a stray continuation byte, an overlong form, a surrogate, a value past U+10FFFF or a cut-off end.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char b = byte(at);
    if (b < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b >= 0xC2 && b <= 0xDF) n = 2;
    else if (b == 0xE0) n = 3, lo = 0xA0;
    else if (b == 0xED) n = 3, hi = 0x9F;
    else if (b >= 0xE1 && b <= 0xEF) n = 3;
    else if (b == 0xF0) n = 4, lo = 0x90;
    else if (b == 0xF4) n = 4, hi = 0x8F;
    else if (b >= 0xF1 && b <= 0xF3) n = 4;
    else return 0;
    if (at + n > s.size()) return 0;
    if (byte(at + 1) < lo || byte(at + 1) > hi) return 0;
    for (std::size_t i = 2; i < n; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return n;
}

} // namespace

std::string SjisFromUtf8(std::string_view utf8)
{
    thread_local TConverter converter(CodePage, "UTF-8");
    // Code page 932 never needs more bytes than UTF-8 for a character, and "?" replaces at least one.
    return converter.Run(utf8, utf8.size() + 16, [](std::string_view in, std::size_t at) {
        // A character the code page cannot hold is skipped whole; a malformed sequence only by its
        // first byte, so the text after it is kept.
        return TReplacement{"?", std::max<std::size_t>(Utf8SequenceLength(in, at), 1)};
    });
}

std::string Utf8FromSjis(std::string_view sjis)
{
    thread_local TConverter converter("UTF-8", CodePage);
    // One byte gives at most three bytes of UTF-8 (half-width katakana, U+FFFD).
    return converter.Run(sjis, sjis.size() * 3 + 16, [](std::string_view, std::size_t) {
        // U+FFFD for the byte that starts no valid character; the next byte may start one (a lead
        // byte followed by a blank keeps the blank).
        return TReplacement{"\xEF\xBF\xBD", 1};
    });
}
