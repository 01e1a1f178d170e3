// The two searches over small tables the input describes, against a plain walk of the same tables.
// The tables take shapes no data file in the national layout has, though any data file could: up to
// 49 prefectures, names that end in a lead byte or hold second bytes that look like ASCII or control
// bytes, codes of any length and bytes, repeated codes. Queries hold any bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PlainReference.h"
#include "PostalSearch.h"
#include "SjisConvert.h"

namespace {

// Texts are mostly made of these pieces, so that names overlap and queries find them.
const std::string Pieces[] = {"\x93\x8C", "\x8B\x9E", "\x93\x73", "\x83\x5C", "\x95\x5C", "\x81\x2D", "\\", "-",
                              "A",        "\xB1",     "\x8B",     "1",        "\x88\x40", "@",        "\x82\xA0"};

std::string Text(FuzzedDataProvider& input, int most)
{
    std::string text;
    const int pieces = input.ConsumeIntegralInRange(0, most);
    for (int i = 0; i < pieces; ++i) {
        const auto pick = input.ConsumeIntegral<std::uint8_t>();
        text += pick < 240 ? Pieces[pick % std::size(Pieces)] : std::string(1, static_cast<char>(pick + 16));
    }
    return text;
}

// `text` as a data file can store it: a line ends at LF and at 0x00, and every CR is dropped.
std::string Stored(std::string text)
{
    for (char& c : text)
        if (c == '\0' || c == '\n' || c == '\r') c = '?';
    return text;
}

void Expect(bool same, const char* what, const std::string& query)
{
    if (same) return;
    std::fprintf(stderr, "the searches differ: %s for the query %s\n", what, Utf8FromSjis(query).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    TPostalTables tables;
    TTablesWriter writer(tables);
    int pref = -1, city = -1;
    const int towns = input.ConsumeIntegralInRange(1, 60);
    for (int k = 0; k < towns; ++k) {
        if (pref < 0 || (pref < 48 && input.ConsumeBool())) {
            ++pref;
            writer.Pref(pref) = {writer.Store(Stored(Text(input, 2))), writer.Store(Stored(Text(input, 2))), city + 1};
        }
        if (city < 0 || writer.Pref(pref).FirstCity == city + 1 || input.ConsumeBool()) {
            ++city;
            writer.City(city) = {writer.Store(Stored(Text(input, 2))), writer.Store(Stored(Text(input, 2))), pref, k};
        }
        const std::string code = input.ConsumeBool() ? std::to_string(1000000 + input.ConsumeIntegralInRange(0, 3))
                                                     : Stored(input.ConsumeRandomLengthString(12));
        const std::string name = Stored(Text(input, 4)), kana = Stored(Text(input, 4));
        writer.Town(k) = {writer.Store(code), writer.Store(name), writer.Store(kana), city};
    }
    const TPostalSearch fast(tables);
    const TPlainReference plain(tables);
    for (int i = 0; i < 4 && input.remaining_bytes() > 0; ++i) {
        const std::string query = input.ConsumeBool() ? Text(input, 6) : input.ConsumeRandomLengthString(16);
        const TSearchResult address = fast.ByAddress(query), plainAddress = plain.ByAddress(query);
        Expect(address.Lines == plainAddress.Lines, "address lines", query);
        Expect(address.Status == plainAddress.Status, "address status", query);
        Expect(address.Towns == plainAddress.Towns && address.Capped == plainAddress.Capped &&
                   address.Shortened == plainAddress.Shortened,
               "address towns", query);
        const TSearchResult code = fast.ByCode(query), plainCode = plain.ByCode(query);
        Expect(code.Lines == plainCode.Lines && code.Status == plainCode.Status && code.Towns == plainCode.Towns,
               "code search", query);
    }
    return 0;
}
