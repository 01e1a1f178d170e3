// Real data: loads Japan Post's national list (../shared/data/ken_all.zip). Fails, never skips,
// when the list is missing.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Loader.h"
#include "NationalList.h"
#include "PostalFixture.h"

namespace {

// The file's first and last lines, split by the loader's own rules.
std::vector<std::vector<std::string>> FirstAndLastLine(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line, first, last;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first.empty()) first = line;
        if (!line.empty()) last = line;
    }
    std::vector<std::string> a, b;
    SplitFields(first, a);
    SplitFields(last, b);
    return {a, b};
}

void ExpectTownAsLine(const TPostalTables& tables, int k, const std::vector<std::string>& fields)
{
    ASSERT_GE(fields.size(), 9u);
    const TPostNo town = tables.Towns[k];
    const Tshi city = tables.Cities[town.City];
    const TKenmei pref = tables.Prefs[city.Pref];
    EXPECT_EQ(town.Code, fields[2]);
    EXPECT_EQ(town.Kana, fields[5]);
    EXPECT_EQ(town.Name, fields[8]);
    EXPECT_EQ(city.Name, fields[7]);
    EXPECT_EQ(city.Kana, fields[4]);
    EXPECT_EQ(pref.Name, fields[6]);
    EXPECT_EQ(pref.Kana, fields[3]);
}

}  // namespace

TEST(NationalList, LoadsEveryLineIntoFortySevenPrefectures)
{
    TPostalTables tables;
    std::vector<int> progress;
    ASSERT_NO_THROW(LoadPostalFile(tables, [&](int n) { progress.push_back(n); }, NationalListFolder()));

    EXPECT_EQ(progress.size(), 47u);
    EXPECT_EQ(progress.back(), 47);
    EXPECT_NE(tables.Prefs[46].Name, "");
    EXPECT_EQ(tables.Prefs[47].Name, "");
    EXPECT_EQ(tables.Prefs[48].Name, "");
    EXPECT_NE(tables.Towns[124824].Code, "");
    EXPECT_EQ(tables.Towns[124825].Code, "");

    const auto lines = FirstAndLastLine(NationalListPath());
    ExpectTownAsLine(tables, 0, lines[0]);
    ExpectTownAsLine(tables, 124824, lines[1]);
    EXPECT_EQ(tables.Towns[0].Code.size(), 7u);

    // Towns of a city form one run, and cities of a prefecture too.
    for (int k = 1; k < 124825; ++k) ASSERT_GE(tables.Towns[k].City, tables.Towns[k - 1].City) << k;
    std::ostringstream report;
    report << "tables hold " << tables.HeldBytes() << " bytes";
    RecordProperty("HeldBytes", std::to_string(tables.HeldBytes()));
    EXPECT_LT(tables.HeldBytes(), 20u * 1024 * 1024) << report.str();

    // What the loader noted of the towns gives the address index that reading every town gives.
    ASSERT_NE(tables.LoadedTowns(), nullptr);
    EXPECT_EQ(IndexFromNotesDiffers(tables), "");
}
