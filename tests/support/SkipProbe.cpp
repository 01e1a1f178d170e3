// Not part of the suite: tests.NoTestCanPassBySkipping runs it and expects both tests to fail, one
// for a shared fixture whose one-time set-up throws, one for a test that skips itself.
#include <gtest/gtest.h>

#include "SharedSearch.h"

namespace {

class BrokenSetUp : public TSharedSearch<BrokenSetUp>
{
public:
    static std::vector<std::string> DataLines() { return {"a line of three fields,1,2"}; }
};

}  // namespace

TEST_F(BrokenSetUp, NeedsTheTables) { EXPECT_NE(FSearch, nullptr); }

TEST(SkipProbe, SkipsItself) { GTEST_SKIP() << "on purpose"; }
