#pragma once
#include <memory>
#include <string>

#include "Loader.h"
#include "QueryOptions.h"

// Opens the data file that harvik-query answers from: options.DataFile exactly as named when given,
// else Ken_all.csv of the working folder (any letter case) or of the per-user data folder. Sets
// `stage` to the file's name as messages show it before anything can fail; throws what
// OpenFileSource and OpenDefaultDataFile throw. A read of the source that ends before the size the
// file had when it was opened (another program cut it short meanwhile) throws EHarvikError ("the
// file was cut short while it was read").
std::unique_ptr<IByteSource> OpenQueryData(const TQueryOptions& options, std::string& stage);
