#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

#include "DataFolders.h"
#include "Errors.h"
#include "PostalFixture.h"
#include "ScopedEnv.h"

namespace {

namespace fs = std::filesystem;

// The code of the first town that `source` holds.
std::string FirstCode(std::unique_ptr<IByteSource> source)
{
    TPostalTables tables;
    LoadPostalData(*source, tables);
    return std::string(tables.Towns[0].Code);
}

}  // namespace

TEST(UserDataFolder, FollowsTheBaseDirectoryRules)
{
    struct Case
    {
        std::optional<std::string> dataHome, home;
        std::string folder;
    };
    const Case cases[] = {
        {"/srv/u/data", "/home/u", "/srv/u/data/harvik"},
        {"/srv/u/data//", "/home/u", "/srv/u/data/harvik"},  // trailing slashes dropped
        {"", "/home/u", "/home/u/.local/share/harvik"},      // empty: not set
        {"data", "/home/u", "/home/u/.local/share/harvik"},  // relative: invalid, ignored
        {std::nullopt, "/home/u/", "/home/u/.local/share/harvik"},
        {std::nullopt, std::nullopt, ""},
        {std::nullopt, "home", ""},  // never relative to the working folder
    };
    for (const Case& c : cases) {
        TScopedEnv dataHome("XDG_DATA_HOME", c.dataHome);
        TScopedEnv home("HOME", c.home);
        EXPECT_EQ(UserDataFolder(), c.folder) << c.dataHome.value_or("(unset)") << " " << c.home.value_or("(unset)");
        const std::vector<std::string> expected =
            c.folder.empty() ? std::vector<std::string>{"."} : std::vector<std::string>{".", c.folder};
        EXPECT_EQ(DataFolders(), expected);
    }
}

class DefaultDataFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "harvik-folders-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
        fs::create_directories(FRoot / "work");
        fs::create_directories(FRoot / "data/harvik");
        FDataHome.emplace("XDG_DATA_HOME", (FRoot / "data").string());
        FBefore = fs::current_path();
        fs::current_path(FRoot / "work");
    }
    void TearDown() override
    {
        fs::current_path(FBefore);
        FDataHome.reset();
        fs::remove_all(FRoot);
    }
    void Write(const fs::path& path, const std::string& code)
    {
        std::ofstream(FRoot / path, std::ios::binary) << KenFile({KenLine({code, "P", "C", "T", "p", "c", "t"})});
    }
    fs::path FRoot, FBefore;
    std::optional<TScopedEnv> FDataHome;
};

TEST_F(DefaultDataFile, WorkingFolderFirstThenTheUserDataFolder)
{
    std::string folder;
    Write("data/harvik/KEN_ALL.CSV", "2222222");
    EXPECT_EQ(FirstCode(OpenDefaultDataFile(&folder)), "2222222");
    EXPECT_EQ(folder, (FRoot / "data/harvik").string());

    Write("work/Ken_all.csv", "1111111");
    EXPECT_EQ(FirstCode(OpenDefaultDataFile(&folder)), "1111111");
    EXPECT_EQ(folder, ".");
}

TEST_F(DefaultDataFile, OnlyAMissingFilePassesOnToTheNextFolder)
{
    try {
        OpenDefaultDataFile();
        FAIL() << "no folder holds the file";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Code(), 2);
    }

    // A working folder's "file" that cannot be read is reported, not replaced by the user's file.
    Write("data/harvik/Ken_all.csv", "2222222");
    fs::create_directory(FRoot / "work/Ken_all.csv");
    try {
        FirstCode(OpenDefaultDataFile());
        FAIL() << "the folder in place of the file was passed over";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Code(), 5);
    }
}
