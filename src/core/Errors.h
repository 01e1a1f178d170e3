#pragma once
#include <stdexcept>
#include <string>

// A failure of the core. what() is the text the user reads, in Shift-JIS bytes (plain ASCII stays
// ASCII), without a closing full stop: the error box adds that by its own rule.
class EHarvikError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// A failed file operation. Code is the number the program reports: 2 missing file, 3 bad name,
// 4 too many open files, 5 access denied, 100 read past the end, 101 disk full; any other code is the
// platform's own error number and the message is "I/O エラー (code)".
class EInOutError : public EHarvikError
{
public:
    explicit EInOutError(int code);
    // The error for a platform error number (errno): the known causes take the program's codes
    // (InOutCodeFromErrno); any other number is reported as "I/O エラー (number)", even where the
    // number equals one of the program's codes (EIO is 5 and is not "access denied").
    static EInOutError FromErrno(int error);
    int Code() const { return FCode; }

private:
    EInOutError(int code, const std::string& message) : EHarvikError(message), FCode(code) {}
    int FCode;
};

// A fetch of a list entry that does not exist, e.g. field 7 of a line that has only seven fields.
// Message: "リストのインデックスが範囲を超えています (index)".
class EListIndexError : public EHarvikError
{
public:
    explicit EListIndexError(int index);
    int Index() const { return FIndex; }

private:
    int FIndex;
};

// The message for an I/O error code, as EInOutError carries it (Shift-JIS).
std::string InOutMessage(int code);

// The platform error number (errno) translated to the program's code: ENOENT 2; ENAMETOOLONG,
// ENOTDIR and ELOOP 3; EMFILE and ENFILE 4; EACCES, EPERM, EISDIR and EROFS 5; ENOSPC 101;
// 0 for every other number.
int InOutCodeFromErrno(int error);
