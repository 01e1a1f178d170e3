#include "DataFolders.h"

#include <cstdlib>

#include "Errors.h"

namespace {

// The value of an environment variable when it is an absolute path, without trailing slashes;
// empty otherwise. A relative XDG_DATA_HOME is invalid by the base directory rules and is ignored.
std::string AbsoluteFromEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    std::string path = value;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string Under(const std::string& base, const char* child)
{
    return base == "/" ? base + child : base + "/" + child;
}

}  // namespace

std::string UserDataFolder()
{
    if (const std::string data = AbsoluteFromEnvironment("XDG_DATA_HOME"); !data.empty()) return Under(data, "harvik");
    if (const std::string home = AbsoluteFromEnvironment("HOME"); !home.empty())
        return Under(home, ".local/share/harvik");
    return {};
}

std::vector<std::string> DataFolders()
{
    std::vector<std::string> folders{"."};
    if (std::string user = UserDataFolder(); !user.empty()) folders.push_back(std::move(user));
    return folders;
}

std::unique_ptr<IByteSource> OpenDefaultDataFile(std::string* foundIn)
{
    const std::vector<std::string> folders = DataFolders();
    for (std::size_t i = 0;; ++i) {
        try {
            std::unique_ptr<IByteSource> source = OpenDataFile(folders[i]);
            if (foundIn != nullptr) *foundIn = folders[i];
            return source;
        } catch (const EInOutError& e) {
            // Deliberate: a folder without the file passes on to the next; any other failure is about
            // a file the user put there, and is reported rather than hidden behind another file.
            if (e.Code() != 2 || i + 1 == folders.size()) throw;
        }
    }
}
