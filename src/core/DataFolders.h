#pragma once
#include <memory>
#include <string>
#include <vector>

#include "Loader.h"

// The per-user data folder, where the data file lives for a program started from the desktop menu
// (and where harvik-query --update-data puts it): $XDG_DATA_HOME/harvik when XDG_DATA_HOME is an
// absolute path, else $HOME/.local/share/harvik when HOME is one; empty when neither is. No trailing
// slash. The folder need not exist.
std::string UserDataFolder();

// The folders searched for the data file when no file is named, in order: the working folder (".")
// first, as the program has always read it, then UserDataFolder() when it is known.
std::vector<std::string> DataFolders();

// Opens the data file (OpenDataFile) of the first folder of DataFolders() that holds one, and names
// that folder in `foundIn` when given. Only a folder without the file passes on to the next one; a
// file that is there but cannot be opened is reported as that failure. Throws EInOutError (code 2
// when no folder holds the file), or what OpenDataFile throws for a file that is there.
std::unique_ptr<IByteSource> OpenDefaultDataFile(std::string* foundIn = nullptr);
