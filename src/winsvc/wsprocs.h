#pragma once
#include <optional>
#include <string>
#include <string_view>

// Paths of the window services' files. Paths are byte strings with "/" between components.

// The folder an INI component keeps its file in.
enum TWsPathPrefix
{
    ppWindows,  // the per-user configuration folder (UserConfigFolder)
    ppSystem,   // the per-user configuration folder as well: there is no system-wide one to write
    ppProgram,  // the folder of the program file
    ppFixed     // none: the file name is used as it is
};

// `path` with the extension of its last component replaced by ".INI". The extension is the part of
// the last component (what follows the last "/") from its last "."; a component without one gets
// ".INI" appended: "/opt/harvik/harvik" gives "/opt/harvik/harvik.INI", "a/x.exe" gives "a/x.INI".
std::string WithIniExtension(std::string_view path);

// The folder part of `path` up to and including its last "/"; empty when it has none.
std::string_view FolderPart(std::string_view path);

// The last component of `path`: what follows its last "/", or all of it.
std::string_view FileNamePart(std::string_view path);

// Harvik's per-user configuration folder, ending in "/": "$XDG_CONFIG_HOME/harvik/" when that
// variable holds an absolute path, otherwise "$HOME/.config/harvik/" when HOME holds one; nullopt when
// neither does. The folder itself need not exist.
std::optional<std::string> UserConfigFolder();
