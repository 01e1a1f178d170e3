// The lookup service with many clients at once, on the national list: the searches build their
// indexes on first use under one lock, so the first queries of every kind arrive together here.
#include <gtest/gtest.h>

#include "Loader.h"
#include "NationalList.h"
#include "ServiceLoad.h"

namespace {

TEST(ServiceLoad, EightClientsAtOnceGetTheCommandLinesAnswers)
{
    TPostalTables tables;
    LoadPostalFile(tables, {}, NationalListFolder());
    const std::vector<TServiceQuery> queries = ServiceQueries(tables, 800, false);
    TServiceUnderLoad service(HARVIK_QUERY, NationalListPath(), queries);

    const TLoadRun load = RunLoad(service, queries, 8);
    EXPECT_EQ(load.Errors, 0u) << load.FirstError;
    EXPECT_EQ(load.Micros[qkCode].size(), 400u);
    EXPECT_EQ(load.Micros[qkPrefix].size(), 200u);
    EXPECT_EQ(load.Micros[qkAddress].size(), 200u);
    EXPECT_EQ(service.Stop(), 0) << service.Output();
}

} // namespace
