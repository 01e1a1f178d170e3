#include "QueryData.h"

#include "DataFolders.h"
#include "Loader.h"

void LoadQueryData(const TQueryOptions& options, TPostalTables& tables, std::string& stage)
{
    if (!options.DataFile.empty()) {
        stage = options.DataFile;
        const auto source = OpenFileSource(options.DataFile);
        LoadPostalData(*source, tables);
        return;
    }
    stage = std::string(DataFileName);
    std::string folder;
    const auto source = OpenDefaultDataFile(&folder);
    if (folder != ".") stage = folder + "/" + stage;
    LoadPostalData(*source, tables);
}
