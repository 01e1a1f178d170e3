#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

// Japan Post's published address of the national list, ken_all.zip.
extern const std::string_view NationalListUrl;

// A failed update. what() is UTF-8 text saying what went wrong; the data file is as it was.
class EUpdateError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What one update does.
struct TDataUpdate
{
    std::string Url;        // the zip's address: http, https or file (redirects: http and https only)
    std::string Folder;     // the folder whose Ken_all.csv is replaced; made (mode 0700) when missing
    int StallSeconds = 60;  // give up when the server sends nothing for this long
    int ProgressFd = -1;    // a terminal to draw the download's progress line on; -1: none
};

// What an update put in place.
struct TUpdatedData
{
    std::string Path;  // the data file replaced
    int Towns = 0;     // the towns (lines) it holds
    std::string Date;  // the date of the zip's CSV entry, YYYY-MM-DD in local time; empty when the zip has none
};

// Downloads the zip at `Url` (at most 64 MiB), checks that it holds exactly one CSV file (a name
// ending in ".csv", any case, at most 64 MiB) that the loader reads without error into at least one
// town, every town with a seven-digit postal code, and only then replaces Folder/Ken_all.csv with
// it by one rename. Only one update of a folder runs at a time: a second one finds the first's lock
// on Folder/.update.lock and fails at once. Throws EUpdateError naming the cause (a download error
// or an HTTP status, a server that stalled, a zip that is not whole, no CSV or more than one, a CSV
// that does not load, a write that failed); on every failure the old data file is untouched and no
// other file is left behind but the lock file.
TUpdatedData UpdateDataFile(const TDataUpdate& update);

// harvik-query --update-data: UpdateDataFile into the per-user data folder, from `url` (empty:
// NationalListUrl), drawing the progress line on standard error when that is a terminal. Returns
// the line to print: "Updated PATH: N towns, data of YYYY-MM-DD". Throws EUpdateError, also when
// there is no per-user data folder (neither XDG_DATA_HOME nor HOME is set).
std::string UpdateUserData(const std::string& url, int stallSeconds);
