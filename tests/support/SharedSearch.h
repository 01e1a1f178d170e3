#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PostalFixture.h"
#include "PostalSearch.h"

// A fixture whose tests share one set of hand-made tables and the searches over them, loaded once
// from the deriving fixture's public static DataLines().
template <class TFixture>
class TSharedSearch : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        FTables = new TPostalTables;
        LoadLines(*FTables, TFixture::DataLines());
        FSearch = new TPostalSearch(*FTables);
    }
    static void TearDownTestSuite()
    {
        delete FSearch;
        delete FTables;
        FSearch = nullptr;
        FTables = nullptr;
    }
    static inline TPostalTables* FTables = nullptr;
    static inline TPostalSearch* FSearch = nullptr;
};
