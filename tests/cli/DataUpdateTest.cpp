// harvik-query --update-data run as a program against a server on 127.0.0.1, and the per-user data
// folder it fills. No test reaches beyond the machine.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>
#include <zip.h>

#include "LoopbackServer.h"
#include "NationalList.h"
#include "PostalFixture.h"
#include "ProgramRun.h"

namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Hand-made lists in the national layout (Shift-JIS): 東京都千代田区 with towns named by ASCII stand-ins.
std::string TownLine(const std::string& code, const std::string& town)
{
    return KenLine({code, "\x93\x8C\x8B\x9E\x93\x73", "\x90\xE7\x91\xE3\x93\x63\x8B\xE6", town,
                    "\xC4\xB3\xB7\xAE\xB3\xC4", "\xC1\xD6\xC0\xDE\xB8", "\xC1\xD6\xC0\xDE"});
}
const std::string OldCsv = KenFile({TownLine("1000001", "old-one"), TownLine("1000002", "old-two")});
const std::string NewCsv =
    KenFile({TownLine("1000001", "new-one"), TownLine("1000002", "new-two"), TownLine("1000005", "new-five")});

// A zip holding `files` (name, bytes), each dated 2026-03-04 12:00 local time.
std::string MakeZip(const std::vector<std::pair<std::string, std::string>>& files)
{
    std::tm date{};
    date.tm_year = 2026 - 1900;
    date.tm_mon = 2;
    date.tm_mday = 4;
    date.tm_hour = 12;
    date.tm_isdst = -1;
    const std::time_t when = std::mktime(&date);

    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(memory);
    zip_t* archive = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    for (const auto& [name, bytes] : files) {
        zip_source_t* entry = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        const zip_int64_t index = zip_file_add(archive, name.c_str(), entry, ZIP_FL_ENC_UTF_8);
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), when, 0);
    }
    zip_close(archive);
    std::string zipped;
    zip_source_open(memory);
    char block[4096];
    for (zip_int64_t n; (n = zip_source_read(memory, block, sizeof block)) > 0;)
        zipped.append(block, static_cast<std::size_t>(n));
    zip_source_close(memory);
    zip_source_free(memory);
    zip_error_fini(&error);
    return zipped;
}

class DataUpdate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "harvik-update-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
        fs::create_directories(FRoot / "work");
        fs::create_directories(Folder());
        std::ofstream(Folder() / "Ken_all.csv", std::ios::binary) << OldCsv;
    }
    void TearDown() override { fs::remove_all(FRoot); }

    fs::path Folder() const { return FRoot / "data-home/harvik"; }

    // harvik-query with `args`, started in an empty folder, its per-user data folder Folder().
    TProgramCall Call(const std::vector<std::string>& args, bool terminal = false) const
    {
        TProgramCall call;
        call.Args = {HARVIK_QUERY};
        call.Args.insert(call.Args.end(), args.begin(), args.end());
        call.Folder = (FRoot / "work").string();
        // no_proxy: a proxy set in the environment must not carry the requests off the machine.
        call.Env = {{"XDG_DATA_HOME", (FRoot / "data-home").string()}, {"no_proxy", "*"}};
        call.Terminal = terminal;
        return call;
    }
    TProgramRun Update(const std::string& url) const
    {
        return RunProgram(Call({"--update-data", url, "--timeout", "1"}));
    }

    // The folder's entries: after any update, the data file and the lock, nothing left over.
    std::set<std::string> FolderEntries() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder())) names.insert(entry.path().filename().string());
        return names;
    }

    TLoopbackServer FServer;
    fs::path FRoot;
};

const std::set<std::string> DataAndLock = {".update.lock", "Ken_all.csv"};

}  // namespace

// Real data: Japan Post's zips beside the repository (fails when they are missing).
TEST_F(DataUpdate, ReplacesTheUserDataWithTheNationalListWhichQueriesThenFind)
{
    FServer.Route("/previous/ken_all.zip", {.Body = ReadBytes(PreviousNationalZipPath())});
    FServer.Route("/ken_all.zip", {.Body = ReadBytes(NationalZipPath())});
    const std::string target = (Folder() / "Ken_all.csv").string();

    // On a terminal a progress line shows the download; the pseudo-terminal turns LF into CR LF.
    const TProgramRun previous = RunProgram(Call({"--update-data", FServer.Url("/previous/ken_all.zip")}, true));
    EXPECT_EQ(previous.Exit, 0) << previous.Out;
    EXPECT_NE(previous.Out.find("\rDownloading: "), std::string::npos) << previous.Out;
    EXPECT_TRUE(previous.Out.ends_with("\r\nUpdated " + target + ": 124822 towns, data of 2026-04-27\r\n"))
        << previous.Out;

    // Elsewhere only the result line.
    const TProgramRun current = RunProgram(Call({"--update-data=" + FServer.Url("/ken_all.zip")}));
    EXPECT_EQ(current.Exit, 0);
    EXPECT_EQ(current.Out, "Updated " + target + ": 124825 towns, data of 2026-05-26\n");
    EXPECT_EQ(current.Err, "");
    EXPECT_TRUE(ReadBytes(target) == ReadBytes(NationalListPath())) << "the data file is not the zip's CSV";
    EXPECT_EQ(FolderEntries(), DataAndLock);

    // Started in a folder without data, as from the desktop menu, the program reads the new data.
    const TProgramRun query = RunProgram(Call({"1000005"}));
    EXPECT_EQ(query.Exit, 0) << query.Err;
    EXPECT_EQ(query.Out, "100-0005  東京都千代田区丸の内（次のビルを除く）\n");
}

TEST_F(DataUpdate, BrokenDownloadsLeaveTheOldDataAndSayWhatWentWrong)
{
    const std::string good = MakeZip({{"KEN_ALL.CSV", NewCsv}});
    struct Case
    {
        std::string path;
        TLoopbackRoute route;
        std::string error;
    };
    // Filled one case at a time: GCC 12 at -O3 warns falsely about a braced list of these.
    std::vector<Case> cases;
    const auto add = [&cases](std::string path, TLoopbackRoute route, std::string error) {
        cases.push_back({std::move(path), std::move(route), std::move(error)});
    };
    add("/truncated.zip", {.Body = good.substr(0, good.size() * 2 / 3)}, "the download is not a whole zip archive");
    add("/cut-off.zip", {.Body = good, .CloseAfter = good.size() / 2}, "the download failed: transfer closed");
    add("/page.html", {.Body = "<html><body>Moved</body></html>"}, "the download is not a whole zip archive");
    add("/two.zip",
        {.Body = MakeZip({{"KEN_ALL.CSV", NewCsv}, {"extra/OTHER.csv", NewCsv}})},
        "the zip holds 2 CSV files (KEN_ALL.CSV, extra/OTHER.csv), not the national list's one");
    add("/none.zip", {.Body = MakeZip({{"README.TXT", "no list here"}})}, "the zip holds no CSV file");
    add("/short-line.zip",
        {.Body = MakeZip({{"KEN_ALL.CSV", KenFile({TownLine("1000001", "a"), "13101,\"100\",\"1000002\""})}})},
        "KEN_ALL.CSV in the zip does not load: リストのインデックスが範囲を超えています (6)");
    add("/other-list.zip",
        {.Body = MakeZip({{"KEN_ALL.CSV", KenFile({TownLine("1000001", "a"), TownLine("ABC", "b")})}})},
        "KEN_ALL.CSV in the zip is not the national list: line 2 has no seven-digit postal code");
    add("/empty.zip", {.Body = MakeZip({{"KEN_ALL.CSV", ""}})}, "KEN_ALL.CSV in the zip holds no towns");
    add("/missing.zip", {.Status = 404, .Body = "not found"}, "the server answered HTTP 404");
    add("/failing.zip", {.Status = 500, .Body = "failure"}, "the server answered HTTP 500");
    add("/silent.zip", {.Body = good, .Silent = true}, "the server sent nothing for 1 second");
    add("/stalls.zip", {.Body = good, .PauseAt = good.size() / 2}, "the server sent nothing for 1 second");
    for (const Case& c : cases) {
        FServer.Route(c.path, c.route);
        const std::string url = FServer.Url(c.path);
        const TProgramRun run = Update(url);
        EXPECT_EQ(run.Exit, 2) << c.path;
        EXPECT_EQ(run.Out, "") << c.path;
        EXPECT_TRUE(run.Err.starts_with("harvik-query: " + c.error)) << c.path << ": " << run.Err;
        EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), OldCsv) << c.path;
        EXPECT_EQ(FolderEntries(), DataAndLock) << c.path;
    }

    // The same server's good zip then goes through: the failures left nothing in the way.
    FServer.Route("/good.zip", {.Body = good});
    const TProgramRun run = Update(FServer.Url("/good.zip"));
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_EQ(run.Out, "Updated " + (Folder() / "Ken_all.csv").string() + ": 3 towns, data of 2026-03-04\n");
    EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), NewCsv);
}

TEST_F(DataUpdate, ASecondUpdateWhileOneRunsIsRefusedAndTheFirstCompletes)
{
    const std::string zip = MakeZip({{"KEN_ALL.CSV", NewCsv}});
    FServer.Route("/held.zip", {.Body = zip, .PauseAt = 16});
    FServer.Route("/other.zip", {.Body = MakeZip({{"KEN_ALL.CSV", OldCsv + OldCsv}})});

    TRunningProgram first(Call({"--update-data", FServer.Url("/held.zip")}));
    ASSERT_TRUE(FServer.WaitForRequest("/held.zip", 60));  // the first update holds the lock from before its request

    const TProgramRun second = Update(FServer.Url("/other.zip"));
    EXPECT_EQ(second.Exit, 2);
    EXPECT_EQ(second.Err,
              "harvik-query: another update of " + Folder().string() + " is running; try again when it has ended\n");
    EXPECT_EQ(FServer.Requests("/other.zip"), 0);
    EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), OldCsv);

    FServer.Release();
    const TProgramRun done = first.Wait();
    EXPECT_EQ(done.Exit, 0) << done.Err;
    EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), NewCsv);
    EXPECT_EQ(FolderEntries(), DataAndLock);
}

TEST_F(DataUpdate, CommandLinesThatCannotUpdateAreRefusedBeforeAnyDownload)
{
    FServer.Route("/ken_all.zip", {.Body = MakeZip({{"KEN_ALL.CSV", NewCsv}})});
    const std::string url = FServer.Url("/ken_all.zip");
    const std::vector<std::vector<std::string>> usage = {
        {"--update-data", url, "--data", "x.csv"},
        {"--update-data", "--batch"},
        {"--update-data", url, url},
        {"--update-data", url, "--timeout", "0"},
        {"--update-data", url, "--timeout", "5s"},
    };
    for (const auto& args : usage) {
        const TProgramRun run = RunProgram(Call(args));
        EXPECT_EQ(run.Exit, 2) << ::testing::PrintToString(args);
        EXPECT_TRUE(run.Err.ends_with("Try 'harvik-query --help'.\n")) << run.Err;
    }

    // Neither XDG_DATA_HOME nor HOME names a folder: there is nowhere to put the data.
    TProgramCall homeless = Call({"--update-data", url});
    homeless.Env = {{"XDG_DATA_HOME", ""}, {"HOME", ""}, {"no_proxy", "*"}};
    const TProgramRun run = RunProgram(homeless);
    EXPECT_EQ(run.Exit, 2);
    EXPECT_EQ(run.Err, "harvik-query: there is no per-user data folder: neither XDG_DATA_HOME nor HOME is set\n");
    EXPECT_EQ(FServer.Requests("/ken_all.zip"), 0);
    EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), OldCsv);
}

// An installed tree: harvik-query in bin/ starts harvik-query-net from libexec/harvik/. With the
// network program in neither place, the update fails before any download and says where it looked.
TEST_F(DataUpdate, AnInstalledProgramFindsItsNetworkProgramAndFailsClearlyWithoutIt)
{
    FServer.Route("/ken_all.zip", {.Body = MakeZip({{"KEN_ALL.CSV", NewCsv}})});
    const fs::path bin = FRoot / "prefix/bin";
    const fs::path libexec = bin / HARVIK_NET_FOLDER;
    fs::create_directories(bin);
    fs::create_directories(libexec);
    fs::copy_file(HARVIK_QUERY, bin / "harvik-query");
    TProgramCall call = Call({"--update-data", FServer.Url("/ken_all.zip"), "--timeout", "1"});
    call.Args[0] = (bin / "harvik-query").string();

    const TProgramRun alone = RunProgram(call);
    EXPECT_EQ(alone.Exit, 2);
    EXPECT_EQ(alone.Out, "");
    EXPECT_EQ(alone.Err, "harvik-query: the network commands need the program harvik-query-net, which is neither at " +
                             (bin / "harvik-query-net").string() + " nor at " +
                             (libexec / "harvik-query-net").string() + "\n");
    EXPECT_EQ(FServer.Requests("/ken_all.zip"), 0);
    EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), OldCsv);

    fs::copy_file(HARVIK_QUERY_NET, libexec / "harvik-query-net");
    const TProgramRun installed = RunProgram(call);
    EXPECT_EQ(installed.Exit, 0) << installed.Err;
    EXPECT_EQ(installed.Out, "Updated " + (Folder() / "Ken_all.csv").string() + ": 3 towns, data of 2026-03-04\n");
    EXPECT_EQ(ReadBytes(Folder() / "Ken_all.csv"), NewCsv);
}
