// harvik-query run as a program, on hand-made data files in a temporary folder.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "PostalFixture.h"

namespace {

namespace fs = std::filesystem;

// Shift-JIS names of the hand-made towns.
const std::string Tokyo = "\x93\x8C\x8B\x9E\x93\x73";                    // 東京都
const std::string TokyoKana = "\xC4\xB3\xB7\xAE\xB3\xC4";                // ﾄｳｷｮｳﾄ
const std::string Chiyoda = "\x90\xE7\x91\xE3\x93\x63\x8B\xE6";          // 千代田区
const std::string ChiyodaKana = "\xC1\xD6\xC0\xDE\xB8";                  // ﾁﾖﾀﾞｸ
const std::string Marunouchi = "\x8A\xDB\x82\xCC\x93\xE0";               // 丸の内
const std::string Hokkaido = "\x96\x6B\x8A\x43\x93\xB9";                 // 北海道
const std::string Sapporo = "\x8E\x44\x96\x79\x8E\x73";                  // 札幌市

std::string Towns(const std::string& firstTown)
{
    return KenFile({
        KenLine({"1000001", Tokyo, Chiyoda, firstTown, TokyoKana, ChiyodaKana, "\xC1\xD6\xC0\xDE"}),  // ﾁﾖﾀﾞ
        KenLine({"1000005", Tokyo, Chiyoda, Marunouchi, TokyoKana, ChiyodaKana, "\xCF\xD9\xC9\xB3\xC1"}),  // ﾏﾙﾉｳﾁ
        KenLine({"1020072", Tokyo, Chiyoda, "\x94\xD1\x93\x63\x8B\xB4", TokyoKana, ChiyodaKana, "\xB2\xB2\xC0\xDE\xCA\xDE\xBC"}),  // 飯田橋 ｲｲﾀﾞﾊﾞｼ
        KenLine({"0600001", Hokkaido, Sapporo, "\x91\xE5\x92\xCA\x90\xBC", "\xCE\xAF\xB6\xB2\xC4\xDE\xB3",  // 大通西 ﾎｯｶｲﾄﾞｳ
                 "\xBB\xAF\xCE\xDF\xDB\xBC", "\xB5\xB5\xC4\xDE\xB5\xD8\xC6\xBC"}),                          // ｻｯﾎﾟﾛｼ ｵｵﾄﾞｵﾘﾆｼ
    });
}
const std::string Sample = Towns("\x90\xE7\x91\xE3\x93\x63");  // the first town is 千代田

// Result lines of Sample in UTF-8.
const std::string Chiyoda1 = "100-0001  東京都千代田区千代田\n";
const std::string Marunouchi5 = "100-0005  東京都千代田区丸の内\n";

struct TRun
{
    int Exit = -1;
    std::string Out, Err;
};

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class HarvikQuery : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "harvik-query-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FRoot = pattern;
        fs::create_directory(FRoot / "work");
        fs::create_directory(FRoot / "io");
        // The program looks in the per-user data folder when the working folder has no data file:
        // an empty one here, never the data of whoever runs the tests.
        ::setenv("XDG_DATA_HOME", (FRoot / "data-home").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(FRoot); }

    // Writes a file into the folder the program runs in.
    void WriteFile(const std::string& name, const std::string& bytes)
    {
        fs::create_directories((Folder() / name).parent_path());
        std::ofstream(Folder() / name, std::ios::binary) << bytes;
    }
    fs::path Folder() const { return FRoot / "work"; }

    // Runs harvik-query in Folder() with `args`, `input` as stdin; stdout goes to `stdoutPath` when given.
    TRun Run(const std::vector<std::string>& args, const std::string& input = "", const std::string& stdoutPath = "")
    {
        const std::string in = FRoot / "io/in", out = stdoutPath.empty() ? (FRoot / "io/out").string() : stdoutPath;
        const std::string err = FRoot / "io/err", folder = Folder();
        std::ofstream(in, std::ios::binary) << input;
        std::vector<std::string> words{HARVIK_QUERY};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);

        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fdIn = ::open(in.c_str(), O_RDONLY);
            const int fdOut = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int fdErr = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fdIn < 0 || fdOut < 0 || fdErr < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
            ::alarm(60);  // a run that blocks ends (exit 128 + SIGALRM) instead of hanging the suite
            ::dup2(fdIn, 0);
            ::dup2(fdOut, 1);
            ::dup2(fdErr, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        TRun run;
        if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return run;
        run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (stdoutPath.empty()) run.Out = ReadBytes(out);
        run.Err = ReadBytes(err);
        return run;
    }

private:
    fs::path FRoot;
};

} // namespace

TEST_F(HarvikQuery, OneQueryListsLinesOnStdoutAndTheStatusOnStderr)
{
    WriteFile("Ken_all.csv", Sample);
    struct Case
    {
        std::string query;
        int exit;
        std::string out, err;
    };
    const Case cases[] = {
        {"100-0001", 0, Chiyoda1, "1件\n"},  // the hyphen after the third digit is removed
        {"100", 0, Chiyoda1 + Marunouchi5, "2件\n"},
        {"999", 1, "", "0件\n"},
        {"-5", 1, "", "0件\n"},                  // a query, not an option
        {"丸の内", 0, Marunouchi5, "1件\n"},     // typed in UTF-8
        {"ﾏﾙﾉｳﾁ", 0, Marunouchi5, "1件\n"},      // half-width katakana finds the reading, shows the kanji
        {"奈良", 1, "", "0件\n"},
    };
    for (const Case& c : cases) {
        const TRun run = Run({c.query});
        EXPECT_EQ(run.Exit, c.exit) << c.query;
        EXPECT_EQ(run.Out, c.out) << c.query;
        EXPECT_EQ(run.Err, c.err) << c.query;
    }
}

TEST_F(HarvikQuery, SjisModeReadsAndWritesRawBytes)
{
    WriteFile("Ken_all.csv", Sample);
    const std::string line = "100-0005  " + Tokyo + Chiyoda + Marunouchi + "\n";
    const TRun one = Run({"--sjis", Marunouchi});
    EXPECT_EQ(one.Exit, 0);
    EXPECT_EQ(one.Out, line);
    EXPECT_EQ(one.Err, "1\x8C\x8F\n");  // 1件

    const TRun batch = Run({"--batch", "--sjis"}, Marunouchi + "\r\n");
    EXPECT_EQ(batch.Exit, 0);
    EXPECT_EQ(batch.Out, "1\x8C\x8F\n" + line + "\n");
}

TEST_F(HarvikQuery, BatchAnswersEachLineWithStatusResultsAndAnEmptyLine)
{
    WriteFile("Ken_all.csv", Sample);
    // CR LF and LF both end a query, an empty line is an (empty) query, the last line needs no LF.
    const TRun run = Run({"--batch"}, "100\r\n999\n\nﾏﾙﾉｳﾁ");
    EXPECT_EQ(run.Exit, 0);
    EXPECT_EQ(run.Out, "2件\n" + Chiyoda1 + Marunouchi5 + "\n" + "0件\n\n" + "0件\n\n" + "1件\n" + Marunouchi5 + "\n");
    EXPECT_EQ(run.Err, "");
}

TEST_F(HarvikQuery, BatchAnswersEveryQueryOfAnInputLongerThanOneRead)
{
    WriteFile("Ken_all.csv", Sample);
    std::string input, expected;
    for (int i = 0; i < 8000; ++i) {
        input += i % 2 ? "丸の内\n" : "100-0001\r\n";  // queries fall across the reader's blocks
        expected += i % 2 ? "1件\n" + Marunouchi5 + "\n" : "1件\n" + Chiyoda1 + "\n";
    }
    ASSERT_GT(input.size(), 64u * 1024u);
    const TRun run = Run({"--batch"}, input);
    EXPECT_EQ(run.Exit, 0);
    EXPECT_TRUE(run.Out == expected) << run.Out.size() << " bytes instead of " << expected.size();
}

TEST_F(HarvikQuery, UsageErrorsExitWithTwoAndWriteNothingToStdout)
{
    WriteFile("Ken_all.csv", Sample);
    const std::vector<std::vector<std::string>> cases = {
        {}, {"--bogus", "100"}, {"--batch", "100"}, {"100", "200"}, {"--data"}, {"--data=", "100"},
    };
    for (const auto& args : cases) {
        const TRun run = Run(args);
        EXPECT_EQ(run.Exit, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(run.Out, "");
        EXPECT_TRUE(run.Err.starts_with("harvik-query: ")) << run.Err;
    }
}

TEST_F(HarvikQuery, HelpAndVersionNeedNoDataFile)
{
    const TRun help = Run({"100", "--help"});
    EXPECT_EQ(help.Exit, 0);
    EXPECT_TRUE(help.Out.starts_with("Usage: harvik-query")) << help.Out;
    const TRun version = Run({"--version"});
    EXPECT_EQ(version.Exit, 0);
    EXPECT_TRUE(version.Out.starts_with("harvik-query ")) << version.Out;
}

TEST_F(HarvikQuery, LoadErrorShowsTheLoadersMessageAndExitsWithTwo)
{
    const TRun missing = Run({"100"});
    EXPECT_EQ(missing.Exit, 2);
    EXPECT_EQ(missing.Out, "");
    EXPECT_EQ(missing.Err, "harvik-query: Ken_all.csv: ファイルが見つかりません\n");

    const TRun missingSjis = Run({"--sjis", "100"});
    EXPECT_EQ(missingSjis.Err, "harvik-query: Ken_all.csv: "
                               "\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\n");

    // A line of three fields after a good one: the load stops, and no query is answered.
    WriteFile("Ken_all.csv", KenFile({KenLine({"1000001", Tokyo, Chiyoda, Marunouchi, TokyoKana, ChiyodaKana, "x"}),
                                      "13101,\"100\",\"1000002\""}));
    const TRun shortLine = Run({"--batch"}, "100\n");
    EXPECT_EQ(shortLine.Exit, 2);
    EXPECT_EQ(shortLine.Out, "");
    EXPECT_EQ(shortLine.Err, "harvik-query: Ken_all.csv: リストのインデックスが範囲を超えています (6)\n");
}

TEST_F(HarvikQuery, DataThatIsNotARegularFileIsRefusedAtOnce)
{
    const TRun device = Run({"--data", "/dev/zero", "100"});
    EXPECT_EQ(device.Exit, 2);
    EXPECT_EQ(device.Err, "harvik-query: /dev/zero: データファイルが通常のファイルではありません\n");

    ASSERT_EQ(::mkfifo((Folder() / "Ken_all.csv").c_str(), 0600), 0);  // no writer: opening it would wait
    const TRun fifo = Run({"100"});
    EXPECT_EQ(fifo.Exit, 2);
    EXPECT_EQ(fifo.Err, "harvik-query: Ken_all.csv: データファイルが通常のファイルではありません\n");
}

TEST_F(HarvikQuery, DataOptionReadsTheNamedFileOnly)
{
    WriteFile("Ken_all.csv", Towns(Hokkaido));  // the current folder's file must not be read
    WriteFile("lists/other.csv", Sample);
    const TRun named = Run({"--data", "lists/other.csv", "1000001"});
    EXPECT_EQ(named.Exit, 0);
    EXPECT_EQ(named.Out, Chiyoda1);
    EXPECT_EQ(Run({"--data=lists/other.csv", "1000001"}).Out, Chiyoda1);

    const TRun missing = Run({"--data", "lists/none.csv", "1000001"});
    EXPECT_EQ(missing.Exit, 2);
    EXPECT_EQ(missing.Err, "harvik-query: lists/none.csv: ファイルが見つかりません\n");
}

TEST_F(HarvikQuery, DefaultFileIsFoundInAnyLetterCaseButTheExactNameWins)
{
    WriteFile("KEN_ALL.CSV", Sample);
    EXPECT_EQ(Run({"1000001"}).Out, Chiyoda1);

    WriteFile("Ken_all.csv", Towns(Hokkaido));
    EXPECT_EQ(Run({"1000001"}).Out, "100-0001  東京都千代田区北海道\n");
}

TEST_F(HarvikQuery, OutputThatCannotBeWrittenIsAnErrorNotASuccess)
{
    WriteFile("Ken_all.csv", Sample);
    for (const auto& args : std::vector<std::vector<std::string>>{{"100"}, {"--batch"}}) {
        const TRun run = Run(args, "100\n", "/dev/full");
        EXPECT_EQ(run.Exit, 2) << args[0];
        EXPECT_NE(run.Err.find("cannot write the output"), std::string::npos) << run.Err;
    }
}
