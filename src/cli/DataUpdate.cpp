#include "DataUpdate.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <curl/curl.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#include <zip.h>

#include "DataFolders.h"
#include "Errors.h"
#include "Loader.h"
#include "SjisConvert.h"

const std::string_view NationalListUrl = "https://www.post.japanpost.jp/zipcode/dl/kogaki/zip/ken_all.zip";

namespace {

// The national list is 1.7 MB zipped and 12 MB unzipped; these limits leave room for growth and
// keep a wrong or hostile download from filling the memory or the disk.
constexpr std::size_t MaxDownload = std::size_t{64} << 20;
constexpr std::size_t MaxCsv = std::size_t{64} << 20;

constexpr const char* LockName = ".update.lock";
constexpr const char* TemporaryName = ".Ken_all.csv.new";

std::string SystemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

class TFd
{
public:
    explicit TFd(int fd = -1) : FFd(fd) {}
    ~TFd()
    {
        if (FFd >= 0) ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }
    // Closes now, reporting the failure a delayed write may show only here.
    int Close()
    {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd);
    }

private:
    int FFd;
};

// Makes `folder` and the folders above it that are missing, as private folders (base directory rules).
void MakeFolders(const std::string& folder)
{
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw EUpdateError(SystemError("cannot make " + part, errno));
        if (slash == std::string::npos) break;
    }
}

struct TTransfer
{
    std::string Body;
    bool TooLarge = false;
    int ProgressFd = -1;
    curl_off_t Drawn = -1;  // bytes shown by the progress line so far; -1 before the first
    std::chrono::seconds StallLimit{60};
    curl_off_t Received = 0;
    std::chrono::steady_clock::time_point LastReceived = std::chrono::steady_clock::now();
    bool Stalled = false;
};

std::size_t TakeBytes(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* transfer = static_cast<TTransfer*>(user);
    const std::size_t n = size * count;
    if (transfer->Body.size() + n > MaxDownload) {
        transfer->TooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    transfer->Body.append(data, n);
    return n;
}

void WriteTerminal(int fd, const std::string& text)
{
    // The progress line is a courtesy: a terminal that refuses it does not stop the update.
    if (::write(fd, text.data(), text.size()) < 0) return;
}

// Called by libcurl at least once a second, whether bytes arrive or not. Ends the transfer when
// nothing has arrived for the stall limit: libcurl's own speed limit averages over several seconds,
// so a burst before a stall would hide the stall for that long.
int WatchTransfer(void* user, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto* transfer = static_cast<TTransfer*>(user);
    const auto time = std::chrono::steady_clock::now();
    if (now != transfer->Received) {
        transfer->Received = now;
        transfer->LastReceived = time;
    } else if (time - transfer->LastReceived >= transfer->StallLimit) {
        transfer->Stalled = true;
        return 1;  // ends the transfer
    }
    if (transfer->ProgressFd < 0) return 0;
    // Redrawn every 32 KB, so a fast download does not flood the terminal.
    if (transfer->Drawn >= 0 && now - transfer->Drawn < 32 * 1024 && now != total) return 0;
    transfer->Drawn = now;
    std::string line = "\rDownloading: " + std::to_string(now / 1024) + " KB";
    if (total > 0) line += " of " + std::to_string(total / 1024) + " KB (" + std::to_string(now * 100 / total) + "%)";
    WriteTerminal(transfer->ProgressFd, line + "   ");
    return 0;
}

std::string Download(const TDataUpdate& update)
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(initialised ? curl_easy_init() : nullptr,
                                                                   curl_easy_cleanup);
    if (!curl) throw EUpdateError("cannot start the download (libcurl did not initialise)");
    TTransfer transfer;
    transfer.ProgressFd = update.ProgressFd;
    transfer.StallLimit = std::chrono::seconds(update.StallSeconds);
    char details[CURL_ERROR_SIZE] = "";
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, update.Url.c_str());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, details);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,file");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "harvik-query/" HARVIK_VERSION);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(MaxDownload));
    // A stall is nothing received for StallSeconds: while connecting, and at any point after.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(update.StallSeconds));
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, WatchTransfer);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, TakeBytes);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    const CURLcode result = curl_easy_perform(c);
    if (transfer.Drawn >= 0) WriteTerminal(update.ProgressFd, "\n");

    const std::string from = " (" + update.Url + ")";
    if (result == CURLE_HTTP_RETURNED_ERROR) {
        long status = 0;
        curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        throw EUpdateError("the server answered HTTP " + std::to_string(status) + from);
    }
    if (transfer.Stalled || result == CURLE_OPERATION_TIMEDOUT)
        throw EUpdateError("the server sent nothing for " + std::to_string(update.StallSeconds) +
                           (update.StallSeconds == 1 ? " second" : " seconds") + from);
    if (transfer.TooLarge || result == CURLE_FILESIZE_EXCEEDED)
        throw EUpdateError("the download is larger than " + std::to_string(MaxDownload >> 20) + " MB" + from);
    if (result != CURLE_OK)
        throw EUpdateError("the download failed: " + std::string(details[0] ? details : curl_easy_strerror(result)) +
                           from);
    return std::move(transfer.Body);
}

bool IsCsvName(std::string_view name)
{
    if (name.size() < 4 || name.ends_with('/')) return false;
    std::string tail(name.substr(name.size() - 4));
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".csv";
}

class TZip
{
public:
    explicit TZip(const std::string& bytes)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source != nullptr) {
            FZip = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error);
            if (FZip == nullptr) zip_source_free(source);
        }
        if (FZip == nullptr) {
            const std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            throw EUpdateError("the download is not a whole zip archive (" + why + ")");
        }
        zip_error_fini(&error);
    }
    ~TZip() { zip_discard(FZip); }
    TZip(const TZip&) = delete;
    TZip& operator=(const TZip&) = delete;

    // The one CSV entry of the archive.
    zip_stat_t OnlyCsv() const
    {
        std::vector<zip_stat_t> found;
        const zip_int64_t count = zip_get_num_entries(FZip, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            zip_stat_t entry;
            if (zip_stat_index(FZip, static_cast<zip_uint64_t>(i), 0, &entry) == 0 && (entry.valid & ZIP_STAT_NAME) &&
                IsCsvName(entry.name))
                found.push_back(entry);
        }
        if (found.empty()) throw EUpdateError("the zip holds no CSV file");
        if (found.size() > 1) {
            std::string names;
            for (const zip_stat_t& entry : found) names += (names.empty() ? "" : ", ") + std::string(entry.name);
            throw EUpdateError("the zip holds " + std::to_string(found.size()) + " CSV files (" + names +
                               "), not the national list's one");
        }
        return found.front();
    }

    // Writes the entry's bytes to `fd`.
    void Extract(const zip_stat_t& entry, int fd) const
    {
        if ((entry.valid & ZIP_STAT_SIZE) && entry.size > MaxCsv)
            throw EUpdateError(std::string(entry.name) + " in the zip is larger than " + std::to_string(MaxCsv >> 20) +
                               " MB");
        const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(zip_fopen_index(FZip, entry.index, 0),
                                                                      zip_fclose);
        if (!file)
            throw EUpdateError(std::string(entry.name) + " in the zip cannot be read (" + zip_strerror(FZip) + ")");
        std::vector<char> block(1 << 16);
        std::size_t total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(file.get(), block.data(), block.size());
            if (n < 0)
                throw EUpdateError(std::string(entry.name) + " in the zip cannot be read (" +
                                   zip_file_strerror(file.get()) + ")");
            if (n == 0) break;
            total += static_cast<std::size_t>(n);
            if (total > MaxCsv)
                throw EUpdateError(std::string(entry.name) + " in the zip is larger than " +
                                   std::to_string(MaxCsv >> 20) + " MB");
            for (std::size_t done = 0; done < static_cast<std::size_t>(n);) {
                const ssize_t written = ::write(fd, block.data() + done, static_cast<std::size_t>(n) - done);
                if (written < 0 && errno == EINTR) continue;
                if (written < 0) throw EUpdateError(SystemError("cannot write the new data file", errno));
                done += static_cast<std::size_t>(written);
            }
        }
    }

private:
    zip_t* FZip = nullptr;
};

std::string DateOf(const zip_stat_t& entry)
{
    if (!(entry.valid & ZIP_STAT_MTIME)) return {};
    std::tm local{};
    char text[16];
    if (localtime_r(&entry.mtime, &local) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d", &local) == 0)
        return {};
    return text;
}

bool IsSevenDigits(std::string_view code)
{
    if (code.size() != 7) return false;
    for (const char c : code)
        if (c < '0' || c > '9') return false;
    return true;
}

bool IsUnfilled(const TPostNo& town) { return town.Code.empty() && town.Name.empty() && town.Kana.empty(); }

// Loads the file at `path` as the program will, and counts its towns.
int CheckedTowns(const std::string& path, const std::string& name)
{
    TPostalTables tables;
    try {
        const auto source = OpenFileSource(path);
        LoadPostalData(*source, tables);
    } catch (const EHarvikError& e) {
        // Deliberate: the loader's message (Shift-JIS) becomes part of the update's own failure.
        throw EUpdateError(name + " in the zip does not load: " + Utf8FromSjis(e.what()));
    }
    constexpr int capacity = decltype(tables.Towns)::Capacity;
    int towns = 0;
    for (; towns < capacity && !IsUnfilled(tables.Towns[towns]); ++towns)
        if (!IsSevenDigits(tables.Towns[towns].Code))
            throw EUpdateError(name + " in the zip is not the national list: line " + std::to_string(towns + 1) +
                               " has no seven-digit postal code");
    for (int rest = towns; rest < capacity; ++rest)
        if (!IsUnfilled(tables.Towns[rest]))
            throw EUpdateError(name + " in the zip is not the national list: line " + std::to_string(towns + 1) +
                               " is empty");
    if (towns == 0) throw EUpdateError(name + " in the zip holds no towns");
    return towns;
}

// The new data file while it is written and checked: removed again unless it was put in place.
class TNewFile
{
public:
    explicit TNewFile(std::string path) : FPath(std::move(path)) {}
    ~TNewFile()
    {
        if (!FPlaced) ::unlink(FPath.c_str());
    }
    TNewFile(const TNewFile&) = delete;
    TNewFile& operator=(const TNewFile&) = delete;
    const std::string& Path() const { return FPath; }
    void Placed() { FPlaced = true; }

private:
    std::string FPath;
    bool FPlaced = false;
};

}  // namespace

TUpdatedData UpdateDataFile(const TDataUpdate& update)
{
    MakeFolders(update.Folder);
    const std::string lockPath = update.Folder + "/" + LockName;
    const TFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (lock.Get() < 0) throw EUpdateError(SystemError("cannot open " + lockPath, errno));
    if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK)
            throw EUpdateError("another update of " + update.Folder + " is running; try again when it has ended");
        throw EUpdateError(SystemError("cannot lock " + lockPath, errno));
    }

    // Under the lock no other update touches the temporary file, so a fixed name serves; one left by
    // an update that was killed goes now.
    TNewFile fresh(update.Folder + "/" + TemporaryName);
    const std::string zipBytes = Download(update);
    const TZip zip(zipBytes);
    const zip_stat_t entry = zip.OnlyCsv();

    TFd out(::open(fresh.Path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (out.Get() < 0) throw EUpdateError(SystemError("cannot write " + fresh.Path(), errno));
    zip.Extract(entry, out.Get());
    if (::fsync(out.Get()) != 0 || out.Close() != 0)
        throw EUpdateError(SystemError("cannot write " + fresh.Path(), errno));

    TUpdatedData updated;
    updated.Towns = CheckedTowns(fresh.Path(), entry.name);
    updated.Date = DateOf(entry);
    updated.Path = update.Folder + "/" + std::string(DataFileName);
    if (::rename(fresh.Path().c_str(), updated.Path.c_str()) != 0)
        throw EUpdateError(SystemError("cannot replace " + updated.Path, errno));
    fresh.Placed();
    // The rename is durable once the folder is synced; a folder that refuses the sync keeps the file
    // all the same, so that failure is not reported.
    const TFd folder(::open(update.Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() >= 0) ::fsync(folder.Get());
    return updated;
}

std::string UpdateUserData(const std::string& url, int stallSeconds)
{
    TDataUpdate update;
    update.Url = url.empty() ? std::string(NationalListUrl) : url;
    update.Folder = UserDataFolder();
    if (update.Folder.empty())
        throw EUpdateError("there is no per-user data folder: neither XDG_DATA_HOME nor HOME is set");
    update.StallSeconds = stallSeconds;
    if (::isatty(STDERR_FILENO)) update.ProgressFd = STDERR_FILENO;
    const TUpdatedData updated = UpdateDataFile(update);
    return "Updated " + updated.Path + ": " + std::to_string(updated.Towns) + " towns" +
           (updated.Date.empty() ? "" : ", data of " + updated.Date) + "\n";
}
