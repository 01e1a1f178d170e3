#include "IniFileStore.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "IniText.h"
#include "wsprocs.h"

namespace {

// Far more than any INI file the program writes: a larger one is not read.
constexpr std::size_t MaxIniBytes = std::size_t{16} << 20;

TWsReadOutcome Missing(int error) { return error == ENOENT || error == ENOTDIR ? roMissing : roFailed; }

class TPlatformFileOps : public IWsFileOps
{
public:
    // Only a regular file (or a link to one) of at most MaxIniBytes is read; anything else exists
    // but cannot be read, so reads give their fallback and writes never replace it. A FIFO would
    // block the open until a writer comes and each read until it writes, and a device or a huge
    // file would fill the memory: what the name is gets looked at before it is opened.
    TWsReadOutcome ReadFile(const std::string& path, std::string& bytes) override
    {
        struct stat info{};
        if (::stat(path.c_str(), &info) != 0) return Missing(errno);
        if (!S_ISREG(info.st_mode) || static_cast<std::size_t>(info.st_size) > MaxIniBytes) return roFailed;
        // Should the name have become a FIFO since, O_NONBLOCK keeps the open from waiting, and the
        // check of what was opened refuses it; reads of a regular file do not heed the flag.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return Missing(errno);
        TWsReadOutcome outcome = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? roRead : roFailed;
        bytes.clear();
        char buffer[65536];
        while (outcome == roRead) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got == 0) break;
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 || bytes.size() + static_cast<std::size_t>(got) > MaxIniBytes) outcome = roFailed;
            else bytes.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(fd);
        return outcome;
    }

    int CreateTemporary(const std::string& folder, const std::string& like, std::string& path) override
    {
        static std::atomic<unsigned> counter{0};
        struct stat old{};
        const bool hasOld = ::stat(like.c_str(), &old) == 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path = folder + "." + std::string(FileNamePart(like)) + "." + std::to_string(::getpid()) + "." +
                   std::to_string(counter++) + ".tmp";
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                // The new file takes the old one's permissions, or the usual ones under the umask.
                if (hasOld) (void)::fchmod(fd, old.st_mode & 07777);
                return fd;
            }
            if (errno != EEXIST) return -1;
        }
        return -1;
    }

    bool WriteAll(int handle, std::string_view bytes) override
    {
        while (!bytes.empty()) {
            const ssize_t put = ::write(handle, bytes.data(), bytes.size());
            if (put < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(put));
        }
        return true;
    }

    bool Flush(int handle) override { return ::fsync(handle) == 0; }
    bool Close(int handle) override { return ::close(handle) == 0; }
    bool Rename(const std::string& from, const std::string& to) override { return ::rename(from.c_str(), to.c_str()) == 0; }
    void Delete(const std::string& path) override { ::unlink(path.c_str()); }

    bool MakeFolders(const std::string& folder) override
    {
        for (std::size_t slash = folder.find('/', 1); ; slash = folder.find('/', slash + 1)) {
            const std::string part = folder.substr(0, slash);
            // Created for this user alone, as a per-user configuration folder should be.
            if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
            if (slash == std::string::npos) break;
        }
        struct stat made{};
        return ::stat(folder.c_str(), &made) == 0 && S_ISDIR(made.st_mode);
    }
};

} // namespace

IWsFileOps& PlatformFileOps()
{
    static TPlatformFileOps files;
    return files;
}

bool ReplaceFile(IWsFileOps& files, const std::string& path, std::string_view bytes)
{
    std::string temporary;
    const int handle = files.CreateTemporary(std::string(FolderPart(path)), path, temporary);
    if (handle < 0) return false;
    const bool written = files.WriteAll(handle, bytes) && files.Flush(handle);
    // Closed in every case, and only a clean close counts: some file systems report a failed write there.
    if (files.Close(handle) && written && files.Rename(temporary, path)) return true;
    files.Delete(temporary);
    return false;
}

TWsIniFileStore::TWsIniFileStore(std::string path, std::optional<std::string> userCopy, IWsFileOps& files)
    : FPath(std::move(path)), FUserCopy(std::move(userCopy)), FFiles(files)
{
    if (FUserCopy == FPath) FUserCopy.reset();
}

TWsReadOutcome TWsIniFileStore::ReadCurrent(std::string& text, bool& fromUserCopy)
{
    fromUserCopy = false;
    if (FUserCopy) {
        const TWsReadOutcome outcome = FFiles.ReadFile(*FUserCopy, text);
        if (outcome != roMissing) {
            fromUserCopy = true;
            return outcome;
        }
    }
    return FFiles.ReadFile(FPath, text);
}

std::string TWsIniFileStore::Read(const std::string& section, const std::string& key, const std::string& fallback)
{
    std::string text;
    bool fromUserCopy = false;
    if (ReadCurrent(text, fromUserCopy) != roRead) return fallback;
    return IniFind(text, section, key).value_or(fallback);
}

bool TWsIniFileStore::Edit(const std::function<std::optional<std::string>(const std::string&)>& edit)
{
    std::string text;
    bool fromUserCopy = false;
    const TWsReadOutcome outcome = ReadCurrent(text, fromUserCopy);
    if (outcome == roFailed) return false;
    if (outcome == roMissing) text.clear();
    const std::optional<std::string> changed = edit(text);
    if (!changed) return false;
    if (*changed == text) return true;
    if (fromUserCopy) return ReplaceFile(FFiles, *FUserCopy, *changed);
    if (ReplaceFile(FFiles, FPath, *changed)) return true;
    return FUserCopy && FFiles.MakeFolders(std::string(FolderPart(*FUserCopy))) &&
           ReplaceFile(FFiles, *FUserCopy, *changed);
}

bool TWsIniFileStore::Write(const std::string& section, const std::string& key, const std::string& value)
{
    return Edit([&](const std::string& text) { return IniSet(text, section, key, value); });
}

void TWsIniFileStore::Remove(const std::string& section, const std::string& key)
{
    (void)Edit([&](const std::string& text) { return std::optional<std::string>(IniDelete(text, section, key)); });
}

std::unique_ptr<IWsProfileStore> OpenIniFile(const std::string& path)
{
    std::optional<std::string> userCopy;
    if (const std::optional<std::string> folder = UserConfigFolder()) userCopy = *folder + std::string(FileNamePart(path));
    return std::make_unique<TWsIniFileStore>(path, userCopy, PlatformFileOps());
}
