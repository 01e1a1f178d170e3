#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Errors.h"
#include "PlacementValue.h"

namespace {

// The window as designed: 410 x 285 at 216, 123, normal, no flags.
const TWsPlacement Designed{0, 1, {216, 123, 626, 408}};
const TWsRestoreRules OnA1024x768Desktop{{soPos, soSize, soState}, true, 1024, 768};

std::optional<TWsPlacement> Read(std::string_view value, const TWsRestoreRules& rules = OnA1024x768Desktop)
{
    return ReadPlacementValue(value, Designed, rules);
}

// The message of the failure reading `value` throws; empty when it throws none.
std::string FailureOf(std::string_view value, const TWsRestoreRules& rules = OnA1024x768Desktop)
{
    try {
        (void)Read(value, rules);
    } catch (const EHarvikError& e) {
        return e.what();
    }
    return "";
}

const std::string NotAnInteger = " \x82\xCD\x90\xAE\x90\x94\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";  // は整数ではありません

} // namespace

TEST(PlacementValue, WritesSevenDecimalFieldsAfter200)
{
    EXPECT_EQ(PlacementValueText(Designed), "200,0,1,216,123,626,408");
    EXPECT_EQ(PlacementValueText({2, 3, {-50, -8, 0, 2147483647}}), "200,2,3,-50,-8,0,2147483647");
    EXPECT_EQ(Read(PlacementValueText({2, 2, {-50, -8, 100, 200}})), TWsPlacement({2, 2, {-50, -8, 100, 200}}));
}

TEST(PlacementValue, SplitsAtEveryCommaWithoutAnEmptyLastField)
{
    using TFields = std::vector<std::string_view>;
    EXPECT_EQ(SplitPlacementFields("200,0,,1"), TFields({"200", "0", "", "1"}));
    EXPECT_EQ(SplitPlacementFields("200,0,"), TFields({"200", "0"}));
    EXPECT_EQ(SplitPlacementFields(",,"), TFields({"", ""}));
    EXPECT_EQ(SplitPlacementFields(""), TFields());
}

TEST(PlacementValue, AppliesOnlySevenFieldsBeginningExactly200)
{
    EXPECT_EQ(Read("200,0,1,10,20,300,200,"), TWsPlacement({0, 1, {10, 20, 300, 200}}));  // trailing separator
    EXPECT_EQ(Read("200,0,1,10,20,300"), std::nullopt);                                   // six fields
    EXPECT_EQ(Read("200,0,1,10,20,300,200,,"), std::nullopt);                             // eight fields
    EXPECT_EQ(Read("201,0,1,10,20,300,200"), std::nullopt);
    EXPECT_EQ(Read(" 200,0,1,10,20,300,200"), std::nullopt);  // field 0 compared byte for byte
    EXPECT_EQ(Read("$C8,0,1,10,20,300,200"), std::nullopt);
    EXPECT_EQ(Read(""), std::nullopt);
    EXPECT_EQ(FailureOf("201,x,1,10,20,300,200"), "");  // ignored before any field is converted
}

TEST(PlacementValue, ReadsFieldsAsTheIntegerTestDoes)
{
    EXPECT_EQ(Read("200,$2,+3,-50,0x10, 7,x1F"), TWsPlacement({2, 3, {-50, 16, 7, 31}}));
    EXPECT_EQ(FailureOf("200,0,1,abc,20,300,200"), "'abc'" + NotAnInteger);
    EXPECT_EQ(FailureOf("200,0,1,10,20,300,200 "), "'200 '" + NotAnInteger);  // a trailing blank
    EXPECT_EQ(FailureOf("200,0,1,10,20,,200"), "''" + NotAnInteger);
}

TEST(PlacementValue, NamesTheFirstBadFieldInTheOrder1_2_6_5_4_3)
{
    EXPECT_EQ(FailureOf("200,f1,f2,f3,f4,f5,f6"), "'f1'" + NotAnInteger);
    EXPECT_EQ(FailureOf("200,0,f2,f3,f4,f5,f6"), "'f2'" + NotAnInteger);
    EXPECT_EQ(FailureOf("200,0,1,f3,f4,f5,f6"), "'f6'" + NotAnInteger);
    EXPECT_EQ(FailureOf("200,0,1,f3,f4,f5,6"), "'f5'" + NotAnInteger);
    EXPECT_EQ(FailureOf("200,0,1,f3,f4,5,6"), "'f4'" + NotAnInteger);
    // Without soState fields 1 and 2 are never converted.
    const TWsRestoreRules placeOnly{{soPos, soSize}, true, 1024, 768};
    EXPECT_EQ(FailureOf("200,f1,f2,f3,4,5,6", placeOnly), "'f3'" + NotAnInteger);
    EXPECT_EQ(Read("200,f1,f2,1,2,3,4", placeOnly), TWsPlacement({0, 1, {1, 2, 3, 4}}));
}

TEST(PlacementValue, PullsARectanglePastTheRightOrBottomEdgeBackButNotPastTheLeftOrTop)
{
    EXPECT_EQ(Read("200,0,1,900,123,1300,408"), TWsPlacement({0, 1, {624, 123, 1024, 408}}));
    EXPECT_EQ(Read("200,0,1,216,700,626,900"), TWsPlacement({0, 1, {216, 568, 626, 768}}));
    EXPECT_EQ(Read("200,0,1,-50,-60,360,225"), TWsPlacement({0, 1, {-50, -60, 360, 225}}));
    EXPECT_EQ(Read("200,0,1,1300,0,1100,10"), TWsPlacement({0, 1, {824, 0, 1024, 10}}));  // width taken absolute
    // Far-off numbers stay 32-bit numbers.
    EXPECT_EQ(Read("200,0,1,-2147483648,0,2147483647,10"), TWsPlacement({0, 1, {1025, 0, 1024, 10}}));
}

TEST(PlacementValue, PositionOrSizeAloneKeepsTheOtherFromTheWindow)
{
    EXPECT_EQ(Read("200,0,3,10,20,110,70", {{soPos}, true, 1024, 768}), TWsPlacement({0, 1, {10, 20, 420, 305}}));
    EXPECT_EQ(Read("200,0,3,10,20,110,70", {{soSize}, true, 1024, 768}), TWsPlacement({0, 1, {216, 123, 316, 173}}));
    EXPECT_EQ(Read("200,2,3,10,20,110,70", {{soState}, true, 1024, 768}), TWsPlacement({2, 3, {216, 123, 626, 408}}));
    EXPECT_EQ(Read("200,2,3,10,20,110,70", {{soState}, false, 1024, 768}), TWsPlacement({2, 0, {216, 123, 626, 408}}));
}
