#include "NetProgram.h"

#include <cerrno>
#include <cstring>
#include <limits.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

const char* const NetProgramName = "harvik-query-net";

bool NeedsNetProgram(const TQueryOptions& options) { return options.UpdateData || options.Serve; }

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindNetProgram(const std::string& self)
{
    const std::string folder = self.substr(0, self.rfind('/') + 1);
    const std::string beside = folder + NetProgramName;
    if (IsExecutableFile(beside)) return beside;
    const std::string installed = folder + HARVIK_NET_FOLDER "/" + NetProgramName;
    if (IsExecutableFile(installed)) return installed;
    throw std::runtime_error(std::string("the network commands need the program ") + NetProgramName +
                             ", which is neither at " + beside + " nor at " + installed);
}

void ExecNetProgram(char** argv)
{
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        throw std::runtime_error(std::string("cannot find the running program file: ") + std::strerror(errno));
    const std::string program = FindNetProgram(std::string(self, static_cast<std::size_t>(length)));
    ::execv(program.c_str(), argv);
    throw std::runtime_error("cannot start " + program + ": " + std::strerror(errno));
}
