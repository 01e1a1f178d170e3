#pragma once
#include <string>

#include "QueryOptions.h"
#include "Tables.h"

// Loads the data file that harvik-query answers from into `tables` (which must be empty):
// options.DataFile exactly as named when given, else Ken_all.csv of the working folder (any letter
// case) or of the per-user data folder. Sets `stage` to the file's name as messages show it before
// anything can fail; throws what the loader throws.
void LoadQueryData(const TQueryOptions& options, TPostalTables& tables, std::string& stage);
