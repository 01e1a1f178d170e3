// The main of every GoogleTest program of the project: GoogleTest's own, except that a skipped test
// fails. GoogleTest skips every test of a fixture whose one-time set-up failed, and ctest counts a
// skip as no failure, so a set-up that broke would otherwise pass the suite. No test here skips on
// purpose: a test that needs something missing (the national list) fails and says what is missing.
#include <gtest/gtest.h>

namespace {

class TSkipFails : public testing::EmptyTestEventListener
{
    // Runs before the result printer's OnTestEnd (end events reach listeners in reverse order), so
    // the test is reported as failed and GoogleTest's skip mark never appears.
    void OnTestEnd(const testing::TestInfo& test) override
    {
        if (test.result()->Skipped())
            ADD_FAILURE() << test.test_suite_name() << "." << test.name()
                          << " was skipped; a skip fails here (did its fixture's one-time set-up fail?)";
    }
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TSkipFails);
    return RUN_ALL_TESTS();
}
