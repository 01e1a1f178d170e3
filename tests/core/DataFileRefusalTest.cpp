// What the loader refuses before or while reading: names that are not regular files, files far
// larger than any postal list, lines far longer than any real line; and which name it reads when
// several differ only in letter case. Each refusal must come at once, with a message, never as a
// wait for ever or a read of gigabytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "Errors.h"
#include "Loader.h"
#include "PostalFixture.h"
#include "Watchdog.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string NotRegular = "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x92\xCA\x8F\xED\x82\xCC\x83t\x83@\x83"
                               "C\x83\x8B\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";  // データファイルが通常のファイルではありません
const std::string TooLarge = "\x83" "f\x81[\x83^\x83t\x83@\x83" "C\x83\x8B\x82\xAA\x91\xE5\x82\xAB\x82\xB7\x82\xAC\x82\xDC\x82\xB7"
                             " (\x8F\xE3\x8C\xC0 64 MB)";  // データファイルが大きすぎます (上限 64 MB)
const std::string TooLong = "\x8Ds\x82\xCC\x92\xB7\x82\xB3\x82\xAA\x8F\xE3\x8C\xC0\x82\xCC 4 MB \x82\xF0\x92\xB4\x82\xA6"
                            "\x82\xC4\x82\xA2\x82\xDC\x82\xB7";  // 行の長さが上限の 4 MB を超えています

std::string Line(const std::string& code, const std::string& town) { return KenLine({code, "P", "C", town, "", "", ""}); }

// The message of the failure `step` raises ("I/O n" for an input/output error), or "(no error)".
template <class F>
std::string FailureOf(F step)
{
    try {
        step();
    } catch (const EInOutError& e) {
        return "I/O " + std::to_string(e.Code());
    } catch (const EHarvikError& e) {
        return e.what();
    }
    return "(no error)";
}

// A source that never ends: `pattern` over and over, with the size hint given, counting the bytes it
// hands out. Stands for a pipe or a device read through the loader's interface.
class TEndlessSource : public IByteSource
{
public:
    TEndlessSource(std::string pattern, std::size_t hint = 0) : FPattern(std::move(pattern)), FHint(hint) {}
    std::size_t Read(char* buffer, std::size_t size) override
    {
        for (std::size_t i = 0; i < size; ++i) buffer[i] = FPattern[(FDelivered + i) % FPattern.size()];
        FDelivered += size;
        return size;
    }
    void Close() override {}
    std::size_t SizeHint() const override { return FHint; }
    std::size_t Delivered() const { return FDelivered; }

private:
    std::string FPattern;
    std::size_t FHint;
    std::size_t FDelivered = 0;
};

class DataFileOnDisk : public testing::Test
{
protected:
    fs::path folder;
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "harvik-refusal-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }
    void Write(const std::string& name, const std::string& code)
    {
        std::ofstream(folder / name, std::ios::binary) << Line(code, "T") << "\r\n";
    }
    // The first town's code after loading the data file of `folder`, or the failure's message.
    std::string LoadedCode()
    {
        TPostalTables tables;
        const std::string failure = FailureOf([&] { LoadPostalFile(tables, {}, folder.string()); });
        return failure == "(no error)" ? std::string(tables.Towns[0].Code) : failure;
    }
};

}  // namespace

TEST_F(DataFileOnDisk, FifoIsRefusedWithoutWaitingForAWriterOrForData)
{
    const fs::path fifo = folder / "Ken_all.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const TWatchdog watchdog("a load from a FIFO", 10s);
    EXPECT_EQ(LoadedCode(), NotRegular);                                  // no writer: the open would wait
    EXPECT_EQ(FailureOf([&] { OpenFileSource(fifo.string()); }), NotRegular);  // the same named directly
    const int writer = ::open(fifo.c_str(), O_RDWR);                     // a writer that never writes
    ASSERT_GE(writer, 0);
    EXPECT_EQ(LoadedCode(), NotRegular);                                  // the reads would wait
    ::close(writer);
}

TEST_F(DataFileOnDisk, DevicesAndLinksToThemAreRefusedButALinkToAFileIsRead)
{
    const TWatchdog watchdog("a load from a device", 10s);
    EXPECT_EQ(FailureOf([] { OpenFileSource("/dev/zero"); }), NotRegular);
    fs::create_symlink("/dev/zero", folder / "Ken_all.csv");
    EXPECT_EQ(LoadedCode(), NotRegular);

    fs::remove(folder / "Ken_all.csv");
    Write("real.csv", "1000001");
    fs::create_symlink(folder / "real.csv", folder / "Ken_all.csv");
    EXPECT_EQ(LoadedCode(), "1000001");
}

TEST_F(DataFileOnDisk, FileFarLargerThanAnyListIsRefusedFromItsSize)
{
    const fs::path sparse = folder / "Ken_all.csv";
    std::ofstream(sparse, std::ios::binary) << Line("1000001", "T") << "\r\n";
    fs::resize_file(sparse, std::uintmax_t{2} << 30);  // 2 GiB, nearly all of it a hole
    const TWatchdog watchdog("a load of a 2 GiB file", 10s);
    EXPECT_EQ(LoadedCode(), TooLarge);
}

// Loads through a source without a size hint, as from a pipe: the limit holds while reading.
TEST(DataFileSize, SourceThatDeliversMoreThanTheLimitIsCutOffKeepingTheLinesBefore)
{
    TEndlessSource source(Line("1000001", std::string(1000, 'x')) + "\r\n");
    TPostalTables tables;
    EXPECT_EQ(FailureOf([&] { LoadPostalData(source, tables); }), TooLarge);
    EXPECT_LE(source.Delivered(), MaxDataFileBytes + 1);
    EXPECT_EQ(tables.Towns[0].Code, "1000001");
    EXPECT_EQ(tables.Towns[60000].Code, "1000001");  // 64 MB of 1 KB lines: more than 60,000 of them

    TEndlessSource hinted("x", MaxDataFileBytes + 1);
    EXPECT_EQ(FailureOf([&] { LoadPostalData(hinted, tables); }), TooLarge);
    EXPECT_EQ(hinted.Delivered(), 0u);  // refused from its size, before any read
}

TEST(DataFileSize, LineUpToTheLimitIsReadAndOneByteLongerIsRefused)
{
    const std::string first = Line("1000001", "T");
    const std::size_t townLength = MaxLineBytes - Line("1000002", "").size();
    const std::string longest = Line("1000002", std::string(townLength, 'x'));
    ASSERT_EQ(longest.size(), MaxLineBytes);

    TPostalTables tables;
    LoadLines(tables, {first, longest});
    EXPECT_EQ(tables.Towns[1].Name.size(), townLength);

    TPostalTables refused;
    const std::string message = FailureOf([&] { LoadLines(refused, {Line("1000001", "T"), "x" + longest}); });
    EXPECT_NE(message.find(" 2 "), std::string::npos) << message;  // names the line
    EXPECT_NE(message.find(TooLong), std::string::npos) << message;
    EXPECT_EQ(refused.Towns[0].Code, "1000001");
    EXPECT_EQ(refused.Towns[1].Code, "");

    // Bytes without a line end are not read much past the limit, even where the size told allows
    // them all; nor are 0x00 bytes, which the line reader looks at one by one.
    for (const std::string& pattern : {std::string("x"), std::string("\0\r", 2)}) {
        TEndlessSource endless(pattern, MaxDataFileBytes);
        EXPECT_NE(FailureOf([&] { LoadPostalData(endless, refused); }).find(TooLong), std::string::npos);
        EXPECT_LE(endless.Delivered(), 2 * MaxLineBytes);
    }
}

TEST_F(DataFileOnDisk, OfOtherCaseNamesTheAlphabeticallyFirstIsRead)
{
    Write("ken_all.csv", "3333333");
    Write("KEN_ALL.CSV", "1111111");
    Write("Ken_All.Csv", "2222222");
    EXPECT_EQ(LoadedCode(), "1111111");
}

TEST_F(DataFileOnDisk, FolderOrDanglingLinkDoesNotHideAFileOfAnotherCase)
{
    Write("ken_all.csv", "2222222");
    fs::create_directory(folder / "KEN_ALL.CSV");
    EXPECT_EQ(LoadedCode(), "2222222");
    fs::remove(folder / "KEN_ALL.CSV");
    fs::create_symlink(folder / "gone.csv", folder / "KEN_ALL.CSV");
    EXPECT_EQ(LoadedCode(), "2222222");
    fs::create_directory(folder / "Ken_all.csv");  // nor does the exact name
    EXPECT_EQ(LoadedCode(), "2222222");
}

TEST_F(DataFileOnDisk, WithNoUsableNameTheFirstOneThatExistsGivesTheReason)
{
    fs::create_symlink(folder / "gone.csv", folder / "KEN_ALL.CSV");
    EXPECT_EQ(LoadedCode(), "I/O 2");  // a dangling link: file not found
    fs::create_directory(folder / "ken_all.csv");
    EXPECT_EQ(LoadedCode(), "I/O 5");  // a folder: access denied
    ASSERT_EQ(::mkfifo((folder / "Ken_all.csv").c_str(), 0600), 0);
    const TWatchdog watchdog("a load from a FIFO", 10s);
    EXPECT_EQ(LoadedCode(), NotRegular);  // the exact name comes first
}
