#include "wsprocs.h"

#include <cstdlib>

std::string WithIniExtension(std::string_view path)
{
    const std::size_t nameStart = path.size() - FileNamePart(path).size();
    const std::size_t dot = path.rfind('.');
    const std::size_t stemEnd = dot != std::string_view::npos && dot >= nameStart ? dot : path.size();
    std::string result(path.substr(0, stemEnd));
    result += ".INI";
    return result;
}

std::string_view FolderPart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view FileNamePart(std::string_view path)
{
    return path.substr(FolderPart(path).size());
}

std::optional<std::string> UserConfigFolder()
{
    // Relative values are ignored, as the desktop's base-directory rules ask: they would name a
    // different folder for every working directory.
    const auto absolute = [](const char* value) { return value && value[0] == '/'; };
    std::string folder;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); absolute(config)) {
        folder = config;
    } else if (const char* home = std::getenv("HOME"); absolute(home)) {
        folder = home;
        if (folder.back() != '/') folder += '/';
        folder += ".config";
    } else {
        return std::nullopt;
    }
    if (folder.back() != '/') folder += '/';
    folder += "harvik/";
    return folder;
}
