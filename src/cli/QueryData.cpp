#include "QueryData.h"

#include <utility>

#include "DataFolders.h"
#include "Errors.h"

namespace {

// The data file as the command reads it. Another program that cuts the file short while it is read
// ends the reads early, and the lines read before would pass for the whole list: an end of the
// reads before the size the file had when it was opened fails the load instead.
class TCutShortCheck : public IByteSource
{
public:
    explicit TCutShortCheck(std::unique_ptr<IByteSource> file) : FFile(std::move(file)), FSizeAtOpen(FFile->SizeHint()) {}
    std::size_t Read(char* buffer, std::size_t size) override
    {
        const std::size_t n = FFile->Read(buffer, size);
        FRead += n;
        if (n == 0 && size > 0 && FRead < FSizeAtOpen) throw EHarvikError("the file was cut short while it was read");
        return n;
    }
    void Close() override { FFile->Close(); }
    std::size_t SizeHint() const override { return FFile->SizeHint(); }

private:
    std::unique_ptr<IByteSource> FFile;
    std::size_t FSizeAtOpen;
    std::size_t FRead = 0;
};

std::unique_ptr<IByteSource> OpenNamedOrDefault(const TQueryOptions& options, std::string& stage)
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

}  // namespace

std::unique_ptr<IByteSource> OpenQueryData(const TQueryOptions& options, std::string& stage)
{
    return std::make_unique<TCutShortCheck>(OpenNamedOrDefault(options, stage));
}
