#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The INI service under TWsIniCtrl: one read, write or delete per call on one file, nothing cached.
class IWsProfileStore
{
public:
    virtual ~IWsProfileStore() = default;
    // The value of `key` in `section` (at most IniValueCap bytes), or `fallback` when the file,
    // the section or the key is missing or the file cannot be read.
    virtual std::string Read(const std::string& section, const std::string& key, const std::string& fallback) = 0;
    // Sets `key` in `section` to `value`, creating the file and the section when missing. False when
    // the value could not be written; the file is then as it was.
    virtual bool Write(const std::string& section, const std::string& key, const std::string& value) = 0;
    // Deletes `key` from `section`. A missing file, section or key, and a refused write, are ignored.
    virtual void Remove(const std::string& section, const std::string& key) = 0;
};

// What happened to a file that was to be read.
enum TWsReadOutcome
{
    roRead,     // the bytes were read
    roMissing,  // there is no such file
    roFailed    // it exists but could not be read
};

// The file operations of the INI file store; tests put failures in between.
class IWsFileOps
{
public:
    virtual ~IWsFileOps() = default;
    // Reads the whole file at `path` into `bytes`.
    virtual TWsReadOutcome ReadFile(const std::string& path, std::string& bytes) = 0;
    // Creates a new empty file in `folder` (ending in "/") with a name no other file has, open for
    // writing, with the permissions of the file at `like` when that exists; its path goes to `path`.
    // A handle of at least 0, or -1.
    virtual int CreateTemporary(const std::string& folder, const std::string& like, std::string& path) = 0;
    // Writes all of `bytes` to an open handle. False on any failure (a full disk included).
    virtual bool WriteAll(int handle, std::string_view bytes) = 0;
    // Makes the handle's bytes durable. False on failure.
    virtual bool Flush(int handle) = 0;
    // Closes the handle. False when the bytes could not be written out.
    virtual bool Close(int handle) = 0;
    // Puts the file at `from` in the place of `to` in one step, replacing what was there.
    virtual bool Rename(const std::string& from, const std::string& to) = 0;
    // Deletes the file at `path`; failures are ignored.
    virtual void Delete(const std::string& path) = 0;
    // Creates `folder` and any missing parent folders. True when it exists afterwards.
    virtual bool MakeFolders(const std::string& folder) = 0;
};

// The operating system's file operations.
IWsFileOps& PlatformFileOps();

// Writes `bytes` to `path` crash-safely: into a new file in the same folder, flushed, closed and
// renamed over `path`, so that any failure or crash leaves either the old file whole or the new one.
// On failure the new file is deleted and false is returned.
bool ReplaceFile(IWsFileOps& files, const std::string& path, std::string_view bytes);

// An INI file in the program's folder with a per-user copy for when that folder cannot be written.
// - Reads take the per-user copy when it exists, otherwise the file itself.
// - Writes and deletes go to the per-user copy when it exists. Otherwise they go to the file itself;
//   only when that write fails is the per-user copy created (its folders too), starting from the
//   file's present contents, and written instead.
// - A write never replaces a file that exists but cannot be read, so its other contents never get lost.
// - A change that leaves the text as it is writes nothing, so a delete never creates a file.
// `userCopy` nullopt, or the same as `path`: no per-user copy.
class TWsIniFileStore : public IWsProfileStore
{
public:
    TWsIniFileStore(std::string path, std::optional<std::string> userCopy, IWsFileOps& files = PlatformFileOps());

    std::string Read(const std::string& section, const std::string& key, const std::string& fallback) override;
    bool Write(const std::string& section, const std::string& key, const std::string& value) override;
    void Remove(const std::string& section, const std::string& key) override;

private:
    // The file reads and writes go to, read into `text`.
    TWsReadOutcome ReadCurrent(std::string& text, bool& fromUserCopy);
    // Applies `edit` (the present text to the new one; nullopt when the change cannot be written)
    // to that file. True when the file holds the new text afterwards.
    bool Edit(const std::function<std::optional<std::string>(const std::string&)>& edit);

    std::string FPath;
    std::optional<std::string> FUserCopy;
    IWsFileOps& FFiles;
};

// The store for the INI file at `path`, with its per-user copy under UserConfigFolder() bearing the
// same file name.
std::unique_ptr<IWsProfileStore> OpenIniFile(const std::string& path);
