// A mapped data file cut short by another program while it is read: the signal that touching the
// lost bytes raises ends the program with its message and exit status 2.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "CutShortFile.h"
#include "Loader.h"
#include "PostalFixture.h"

TEST(CutShortFile, EndsTheLoadWithTheMessageAndStatusTwo)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 2000; ++i) lines.push_back(KenLine({std::to_string(1000000 + i), "P", "C", "T", "p", "c", "t"}));
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("harvik-cut-short-" + std::to_string(::getpid()));
    std::ofstream(path, std::ios::binary) << KenFile(lines);

    int error[2];
    ASSERT_EQ(::pipe(error), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(error[1], STDERR_FILENO);
        ExitOnCutShortFile("harvik-query: data.csv: the file was cut short while it was read\n");
        const auto source = OpenFileSource(path.string());
        if (!MapFileSource(*source)) ::_exit(10);
        if (::truncate(path.c_str(), 0) != 0) ::_exit(11);
        TPostalTables tables;
        LoadPostalData(*source, tables);
        ::_exit(12);  // the load read bytes the file no longer has
    }
    ::close(error[1]);
    std::string written;
    char block[256];
    for (ssize_t n; (n = ::read(error[0], block, sizeof block)) > 0;) written.append(block, static_cast<std::size_t>(n));
    ::close(error[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::filesystem::remove(path);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 2);
    EXPECT_EQ(written, "harvik-query: data.csv: the file was cut short while it was read\n");
}
