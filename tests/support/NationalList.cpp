#include "NationalList.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

std::string ZipPath()
{
    if (const char* path = std::getenv("HARVIK_NATIONAL_ZIP")) return path;
    return HARVIK_NATIONAL_ZIP;
}

struct TUnzipped
{
    std::filesystem::path Folder;
    TUnzipped()
    {
        const std::string zip = ZipPath();
        if (!std::filesystem::exists(zip))
            throw std::runtime_error("the national list is missing: expected " + zip +
                                     " (Japan Post's ken_all.zip); real-data tests cannot run without it");
        std::string pattern = (std::filesystem::temp_directory_path() / "harvik-national-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
        Folder = pattern;
        const std::string command = "unzip -q -o '" + zip + "' -d '" + Folder.string() + "'";
        if (std::system(command.c_str()) != 0)
            throw std::runtime_error("cannot unzip " + zip + " (is unzip installed?)");
    }
    ~TUnzipped()
    {
        std::error_code ignored;
        std::filesystem::remove_all(Folder, ignored);
    }
};

const TUnzipped& Unzipped()
{
    static const TUnzipped unzipped;
    return unzipped;
}

}  // namespace

std::string NationalZipPath()
{
    const std::string zip = ZipPath();
    if (!std::filesystem::exists(zip))
        throw std::runtime_error("the national list is missing: expected " + zip + " (Japan Post's ken_all.zip)");
    return zip;
}

std::string PreviousNationalZipPath()
{
    const std::string zip = (std::filesystem::path(ZipPath()).parent_path() / "ken_all-previous.zip").string();
    if (!std::filesystem::exists(zip))
        throw std::runtime_error("the previous national list is missing: expected " + zip);
    return zip;
}

std::string NationalListFolder() { return Unzipped().Folder.string(); }

std::string NationalListPath()
{
    for (const auto& entry : std::filesystem::directory_iterator(Unzipped().Folder))
        if (entry.path().extension() == ".CSV" || entry.path().extension() == ".csv") return entry.path().string();
    throw std::runtime_error("the national list's zip holds no CSV file");
}
