// harvik-query --format json run as a program: every answer is parsed, never only compared as text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Loader.h"
#include "NationalList.h"
#include "PostalFixture.h"
#include "ProgramRun.h"
#include "SjisConvert.h"
#include "Tables.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string Sj(const char* utf8) { return SjisFromUtf8(utf8); }

std::string Town(const char* code, const char* pref, const char* city, const char* town, const char* prefKana,
                 const char* cityKana, const char* townKana)
{
    return KenLine({code, Sj(pref), Sj(city), Sj(town), Sj(prefKana), Sj(cityKana), Sj(townKana)});
}

// A data file in a temporary folder of its own, removed at the end.
class TDataFile
{
public:
    explicit TDataFile(const std::vector<std::string>& lines)
    {
        std::string pattern = (fs::temp_directory_path() / "harvik-json-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
        FFolder = pattern;
        std::ofstream(Path(), std::ios::binary) << KenFile(lines);
    }
    ~TDataFile() { fs::remove_all(FFolder); }
    std::string Path() const { return (FFolder / "Ken_all.csv").string(); }

private:
    fs::path FFolder;
};

TProgramRun Query(const std::vector<std::string>& args, const std::string& input = "")
{
    TProgramCall call;
    call.Args = {HARVIK_QUERY};
    call.Args.insert(call.Args.end(), args.begin(), args.end());
    call.Input = input;
    return RunProgram(call);
}

// Standard output as JSON Lines: each line one object.
std::vector<json> ParseLines(const std::string& out)
{
    std::vector<json> answers;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) answers.push_back(json::parse(line));
    return answers;
}

// A result of the JSON answer as its line in the text output.
std::string TextLine(const json& result)
{
    const std::string code = result.at("code");
    if (result.at("continuation")) return std::string(14, ' ') + result.at("town").get<std::string>();
    return code.substr(0, 3) + "-" + code.substr(3) + "  " + result.at("prefecture").get<std::string>() +
           result.at("city").get<std::string>() + result.at("town").get<std::string>();
}

const std::vector<std::string> Sample = {
    Town("1000001", "東京都", "千代田区", "千代田", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ﾁﾖﾀﾞ"),
    Town("1000005", "東京都", "千代田区", "丸の内", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ﾏﾙﾉｳﾁ"),
    Town("1000005", "東京都", "千代田区", "次のビル", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ﾂｷﾞﾉﾋﾞﾙ"),  // continues 丸の内
    Town("0600001", "北海道", "札幌市", "大通西", "ﾎｯｶｲﾄﾞｳ", "ｻｯﾎﾟﾛｼ", "ｵｵﾄﾞｵﾘﾆｼ"),
};

TEST(JsonOutput, EachQueryGetsOneObjectWithItsSearchStatusAndTowns)
{
    const TDataFile data(Sample);
    const TProgramRun run = Query({"--data", data.Path(), "--format", "json", "--batch"},
                                  "100-0005\n丸の内\r\n丸の内九\n\n\xFF" "奈良\n");
    ASSERT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const std::vector<json> answers = ParseLines(run.Out);
    ASSERT_EQ(answers.size(), 5u) << run.Out;

    // A code: both towns of the code, neither a continuation in the code search.
    const json& code = answers[0];
    EXPECT_EQ(code.at("query"), "100-0005");
    EXPECT_EQ(code.at("search"), "code");
    EXPECT_EQ(code.at("status"), "2件");
    EXPECT_EQ(code.at("count"), 2);
    EXPECT_EQ(code.at("capped"), false);
    EXPECT_TRUE(code.at("shortened").is_null());
    const json marunouchi = {{"code", "1000005"},         {"prefecture", "東京都"},     {"city", "千代田区"},
                             {"town", "丸の内"},          {"prefecture_kana", "ﾄｳｷｮｳﾄ"}, {"city_kana", "ﾁﾖﾀﾞｸ"},
                             {"town_kana", "ﾏﾙﾉｳﾁ"},      {"continuation", false}};
    ASSERT_EQ(code.at("results").size(), 2u);
    EXPECT_EQ(code.at("results")[0], marunouchi);
    EXPECT_EQ(code.at("results")[1].at("town"), "次のビル");
    EXPECT_EQ(code.at("results")[1].at("continuation"), false);

    // An address: the following town of the same code is a continuation line, not a town counted.
    const json& address = answers[1];
    EXPECT_EQ(address.at("query"), "丸の内");  // the CR before the LF is not part of the query
    EXPECT_EQ(address.at("search"), "address");
    EXPECT_EQ(address.at("status"), "2件");
    EXPECT_EQ(address.at("count"), 1);
    ASSERT_EQ(address.at("results").size(), 2u);
    EXPECT_EQ(address.at("results")[0], marunouchi);
    EXPECT_EQ(address.at("results")[1].at("town_kana"), "ﾂｷﾞﾉﾋﾞﾙ");
    EXPECT_EQ(address.at("results")[1].at("continuation"), true);

    const json& shortened = answers[2];
    EXPECT_EQ(shortened.at("status"), "2件  丸の内で検索を行いました");
    EXPECT_EQ(shortened.at("shortened"), "丸の内");
    EXPECT_EQ(shortened.at("results"), address.at("results"));

    for (const json& nothing : {answers[3], answers[4]}) {
        EXPECT_EQ(nothing.at("search"), "address");
        EXPECT_EQ(nothing.at("status"), "0件");
        EXPECT_EQ(nothing.at("count"), 0);
        EXPECT_EQ(nothing.at("results"), json::array());
        EXPECT_TRUE(nothing.at("shortened").is_null());
    }
    EXPECT_EQ(answers[3].at("query"), "");
    EXPECT_EQ(answers[4].at("query"), "\uFFFD奈良");  // a byte that is not UTF-8 cannot go out as typed
}

TEST(JsonOutput, OneQueryExitsAsTheTextOutputDoesAndSjisQueriesGetUtf8Answers)
{
    const TDataFile data(Sample);
    const TProgramRun found = Query({"--data=" + data.Path(), "--format=json", "1000001"});
    EXPECT_EQ(found.Exit, 0);
    EXPECT_EQ(found.Err, "");
    EXPECT_EQ(json::parse(found.Out).at("results")[0].at("town"), "千代田");
    EXPECT_TRUE(found.Out.ends_with("}\n"));

    const TProgramRun none = Query({"--data", data.Path(), "--format", "json", "--", "-5"});
    EXPECT_EQ(none.Exit, 1);
    EXPECT_EQ(json::parse(none.Out).at("count"), 0);

    const TProgramRun sjis = Query({"--data", data.Path(), "--sjis", "--format", "json", Sj("大通西")});
    EXPECT_EQ(sjis.Exit, 0);
    const json answer = json::parse(sjis.Out);
    EXPECT_EQ(answer.at("query"), "大通西");
    EXPECT_EQ(answer.at("results")[0].at("city_kana"), "ｻｯﾎﾟﾛｼ");

    EXPECT_EQ(Query({"--data", data.Path(), "--format", "xml", "100"}).Exit, 2);
    EXPECT_EQ(Query({"--update-data", "--format", "json"}).Exit, 2);
}

TEST(JsonOutput, CappedAddressSearchSaysSoAndListsEveryLine)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 5002; ++i)
        lines.push_back(Town(std::to_string(1000000 + i).c_str(), "東京都", "千代田区", "甲", "ﾄｳｷｮｳﾄ", "ﾁﾖﾀﾞｸ", "ｺｳ"));
    const TDataFile data(lines);
    const TProgramRun run = Query({"--data", data.Path(), "--format", "json", "千代田区甲"});
    ASSERT_EQ(run.Exit, 0) << run.Err;
    const json answer = json::parse(run.Out);
    EXPECT_EQ(answer.at("status"), "5000件以上");
    EXPECT_EQ(answer.at("capped"), true);
    EXPECT_EQ(answer.at("count"), 5001);
    ASSERT_EQ(answer.at("results").size(), 5001u);
    EXPECT_EQ(answer.at("results").back().at("code"), "1005000");
}

// Real data: for queries cut from random towns of the national list, the JSON answer's results,
// written as result lines, are the text output's lines, and the statuses are equal.
TEST(JsonOutputNational, ResultsAreTheTextOutputsLinesTownByTown)
{
    TPostalTables tables;
    LoadPostalData(*OpenFileSource(NationalListPath()), tables);
    std::mt19937 random(17);
    std::string input;
    for (int i = 0; i < 50; ++i) {
        const TPostNo town = tables.Towns[static_cast<int>(random() % 124825)];
        const Tshi city = tables.Cities[town.City];
        const std::string name(town.Name.substr(0, random() % (town.Name.size() + 1)));
        const std::string queries[] = {std::string(city.Name) + name, std::string(town.Kana.substr(0, 4)) + "z",
                                       std::string(town.Code.substr(0, 2 + random() % 6)), name};
        for (const std::string& query : queries) input += Utf8FromSjis(query) + "\n";
    }
    input += "1\n" + Utf8FromSjis("北海道") + "\n";  // thousands of towns; the cap
    const TProgramRun text = Query({"--data", NationalListPath(), "--batch"}, input);
    const TProgramRun jsonRun = Query({"--data", NationalListPath(), "--batch", "--format", "json"}, input);
    ASSERT_EQ(text.Exit, 0);
    ASSERT_EQ(jsonRun.Exit, 0);

    std::string rebuilt;  // the text output as the JSON answers tell it
    int continuations = 0;
    for (const json& answer : ParseLines(jsonRun.Out)) {
        rebuilt += answer.at("status").get<std::string>() + "\n";
        int towns = 0;
        for (const json& result : answer.at("results")) {
            rebuilt += TextLine(result) + "\n";
            result.at("continuation") ? ++continuations : ++towns;
        }
        rebuilt += "\n";
        EXPECT_EQ(answer.at("count"), towns) << answer.at("query");
    }
    EXPECT_GT(continuations, 0);  // the queries met continuation lines
    EXPECT_TRUE(rebuilt == text.Out) << "the JSON answers differ from the text output";
}

}  // namespace
