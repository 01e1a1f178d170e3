// The two searches over the national list against a plain walk of its tables, on queries made from
// real addresses and readings and the input's bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Loader.h"
#include "NationalList.h"
#include "PlainReference.h"
#include "PostalSearch.h"
#include "SjisConvert.h"

namespace {

struct TNational
{
    TPostalTables Tables;
    std::unique_ptr<TPostalSearch> Fast;
    std::unique_ptr<TPlainReference> Plain;
    int Towns = 0;
};

TNational* National = nullptr;

void Expect(bool same, const char* what, const std::string& query)
{
    if (same) return;
    std::fprintf(stderr, "the searches differ: %s for the query %s\n", what, Utf8FromSjis(query).c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Fails loudly when the national list is missing: NationalListFolder throws and names the path.
    National = new TNational;
    LoadPostalFile(National->Tables, {}, NationalListFolder());
    National->Fast = std::make_unique<TPostalSearch>(National->Tables);
    National->Plain = std::make_unique<TPlainReference>(National->Tables);
    while (!National->Tables.Towns[National->Towns].Code.empty()) ++National->Towns;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The plain walk of a query that recognises no prefecture covers every town of the list, once
    // for each byte the query loses before it matches: such queries come rarely and short. A query
    // is mostly the beginning of a real address or reading with a few bytes of the input after it.
    FuzzedDataProvider input(data, size);
    std::string query;
    const int kind = input.ConsumeIntegralInRange(0, 15);
    if (kind == 0) {
        query = input.ConsumeRemainingBytesAsString().substr(0, 4);
    } else {
        const TPostalTables& tables = National->Tables;
        const TPostNo town = tables.Towns[input.ConsumeIntegralInRange(0, National->Towns - 1)];
        const Tshi city = tables.Cities[town.City];
        const TKenmei pref = tables.Prefs[city.Pref];
        const std::string address = input.ConsumeBool()
                                        ? std::string(pref.Name).append(city.Name).append(town.Name)
                                        : std::string(pref.Kana).append(city.Kana).append(town.Kana);
        const std::size_t from = kind == 1 ? input.ConsumeIntegralInRange<std::size_t>(0, address.size()) : 0;
        query = address.substr(from, input.ConsumeIntegralInRange<std::size_t>(0, address.size() - from));
        if (kind != 1) query += input.ConsumeRemainingBytesAsString().substr(0, 6);
    }
    const TSearchResult address = National->Fast->ByAddress(query), plainAddress = National->Plain->ByAddress(query);
    Expect(address.Lines == plainAddress.Lines, "address lines", query);
    Expect(address.Status == plainAddress.Status, "address status", query);
    Expect(address.Towns == plainAddress.Towns && address.Capped == plainAddress.Capped &&
               address.Shortened == plainAddress.Shortened,
           "address towns", query);
    const TSearchResult code = National->Fast->ByCode(query), plainCode = National->Plain->ByCode(query);
    Expect(code.Lines == plainCode.Lines && code.Status == plainCode.Status && code.Towns == plainCode.Towns,
           "code search", query);
    return 0;
}
