#include "QueryData.h"

#include "DataFolders.h"

std::unique_ptr<IByteSource> OpenQueryData(const TQueryOptions& options, std::string& stage)
{
    if (!options.DataFile.empty()) {
        stage = options.DataFile;
        return OpenFileSource(options.DataFile);
    }
    stage = std::string(DataFileName);
    std::string folder;
    auto source = OpenDefaultDataFile(&folder);
    if (folder != ".") stage = folder + "/" + stage;
    return source;
}
