#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "IniFileStore.h"
#include "IniText.h"
#include "Watchdog.h"
#include "wsprocs.h"

namespace fs = std::filesystem;

namespace {

// A file with other programs' sections, a comment, CR LF line ends and a key written in another case.
const std::string Shared = "; shared settings\r\n"
                           "[Other]\r\n"
                           "henkanForm=theirs\r\n"
                           "\r\n"
                           "[common]\r\n"
                           "HenkanForm = 200,0,1,1,2,3,4\r\n"
                           "henkanFormFont=MS\r\n"
                           "\r\n"
                           "[Last]\r\n"
                           "x=1";

} // namespace

TEST(IniText, WritesIntoAnEmptyFileTheSectionAndTheKeyAlone)
{
    EXPECT_EQ(IniSet("", "Common", "henkanForm", "200,0,1,216,123,626,408"),
              "[Common]\nhenkanForm=200,0,1,216,123,626,408\n");
}

TEST(IniText, ReplacesInPlaceAndKeepsEveryOtherByte)
{
    std::string expected = Shared;
    expected.replace(expected.find("200,0,1,1,2,3,4"), 15, "new value");
    EXPECT_EQ(IniSet(Shared, "Common", "henkanForm", "new value"), expected);
    EXPECT_EQ(IniFind(Shared, "COMMON", "henkanform"), "200,0,1,1,2,3,4");  // names in any ASCII case
    EXPECT_EQ(IniFind(Shared, "Other", "henkanForm"), "theirs");
    EXPECT_EQ(IniFind(Shared, "Common", "x"), std::nullopt);
    EXPECT_EQ(IniFind(Shared, "Missing", "x"), std::nullopt);
}

TEST(IniText, AddsAMissingKeyAfterItsSectionsLastLineAndAMissingSectionAtTheEnd)
{
    EXPECT_EQ(IniSet(Shared, "Common", "k", "v"),
              "; shared settings\r\n[Other]\r\nhenkanForm=theirs\r\n\r\n[common]\r\nHenkanForm = 200,0,1,1,2,3,4\r\n"
              "henkanFormFont=MS\r\nk=v\r\n\r\n[Last]\r\nx=1");
    // The last line gets the file's line end before the new section follows it.
    EXPECT_EQ(IniSet(Shared, "New", "k", "v"), Shared + "\r\n[New]\r\nk=v\r\n");
    EXPECT_EQ(IniSet("[Last]\nx=1", "Last", "y", "2"), "[Last]\nx=1\ny=2\n");
    // A last line ending in CR keeps it: it must not become the section that line only resembles.
    EXPECT_EQ(IniSet("[A]\n[Common\r", "Common", "k", "v"), "[A]\n[Common\r\r\n[Common]\nk=v\n");
    EXPECT_EQ(IniFind("[A]\n[Common\r\r\n[Common]\nk=v\n", "Common", "k"), "v");
}

TEST(IniText, DeletesEveryLineOfTheKeyInItsSectionOnly)
{
    const std::string twice = "[A]\nk=1\nj=2\nK=3\n[B]\nk=4\n";
    EXPECT_EQ(IniDelete(twice, "a", "k"), "[A]\nj=2\n[B]\nk=4\n");
    EXPECT_EQ(IniDelete(twice, "A", "missing"), twice);
    EXPECT_EQ(IniDelete(twice, "C", "k"), twice);
}

TEST(IniText, ComparesTheSecondByteOfADoubleByteCharacterExactly)
{
    // Section ア (83 41) is not section ダ (83 5F)... nor 83 61, which only folds to 83 41 byte-wise.
    const std::string text = "[\x83\x41]\nk=1\n[\x83\x5D]\nk=2\n";
    EXPECT_EQ(IniFind(text, "\x83\x41", "k"), "1");
    EXPECT_EQ(IniFind(text, "\x83\x61", "k"), std::nullopt);
    // 83 5D (ム) ends in the byte of "]", which does not end the section name.
    EXPECT_EQ(IniFind(text, "\x83\x5D", "k"), "2");
}

TEST(IniText, ReadsAtMost2047BytesAndNeverHalfACharacter)
{
    const std::string longValue(3000, 'a');
    EXPECT_EQ(IniFind("[S]\nk=" + longValue + "\n", "S", "k"), std::string(2047, 'a'));
    const std::string kanji = std::string(2046, 'a') + "\x8C\xA7";  // 県 would straddle byte 2047
    EXPECT_EQ(IniFind("[S]\nk=" + kanji, "S", "k"), std::string(2046, 'a'));
}

TEST(IniText, RefusesNamesAndValuesThatWouldNotReadBack)
{
    for (const auto& [section, key, value] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"S", "k", "two\nlines"}, {"S", "k", "cr\r"}, {"S]", "k", "v"}, {"", "k", "v"}, {"S", "", "v"},
             {"S", "a=b", "v"}, {"S", ";k", "v"}, {"S", "[k", "v"}, {" S", "k", "v"}, {"S", "k ", "v"},
             {"S\x95", "k", "v"}})  // a lead byte last: "]" would be its second byte
        EXPECT_EQ(IniSet("[S]\n", section, key, value), std::nullopt) << section << "/" << key << "/" << value;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

bool SameAscii(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// `shorter` is `longer` with some lines left out.
bool IsSubsequence(const std::vector<std::string>& shorter, const std::vector<std::string>& longer)
{
    std::size_t i = 0;
    for (const std::string& line : longer)
        if (i < shorter.size() && shorter[i] == line) ++i;
    return i == shorter.size();
}

// Random files and edits: a set makes the key read back, a delete makes it read as missing, every
// other key reads as before, and the lines change only as the edit says.
TEST(IniText, RandomEditsTouchOnlyTheirOwnLines)
{
    std::mt19937 random(20240601);
    const std::vector<std::string> names = {"Common", "common", "Other", "\x83\x41", "A b"};
    const std::vector<std::string> keys = {"henkanForm", "HENKANFORM", "k", "x y"};
    const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::string eol = random() % 2 ? "\r\n" : "\n";
        for (int line = static_cast<int>(random() % 9); line > 0; --line) {
            switch (random() % 6) {
            case 0: text.append("[").append(pick(names)).append("]"); break;
            case 1: text.append(" [ ").append(pick(names)).append(" ] trailing"); break;
            case 2: text += "; comment = not a key"; break;
            case 3: break;
            default: text += pick(keys) + (random() % 2 ? "=" : " = ") + std::to_string(random() % 100); break;
            }
            if (line > 1 || random() % 2) text += eol;
        }
        const std::string section = pick(names), key = pick(keys), value = std::to_string(random() % 1000);
        const bool set = random() % 3 != 0;
        const std::string edited = set ? *IniSet(text, section, key, value) : IniDelete(text, section, key);
        SCOPED_TRACE(text + "\n-- " + (set ? "set " : "delete ") + section + "/" + key + " --\n" + edited);

        EXPECT_EQ(IniFind(edited, section, key), set ? std::optional<std::string>(value) : std::nullopt);
        for (const std::string& s : names)
            for (const std::string& k : keys) {
                if (SameAscii(s, section) && SameAscii(k, key)) continue;
                EXPECT_EQ(IniFind(edited, s, k), IniFind(text, s, k)) << s << "/" << k;
            }

        // A last line without a line end gets one when a line is added after it.
        const bool extended = !text.empty() && text.back() != '\n' && edited.starts_with(text + eol);
        const std::vector<std::string> before = Lines(extended ? text + eol : text), after = Lines(edited);
        if (!set) {
            EXPECT_TRUE(IsSubsequence(after, before));
        } else if (after.size() == before.size()) {
            std::size_t differing = 0;
            for (std::size_t i = 0; i < after.size(); ++i) differing += after[i] != before[i];
            EXPECT_LE(differing, 1u);  // none when the value was there already
        } else {
            EXPECT_TRUE(after.size() == before.size() + 1 || after.size() == before.size() + 2);
            EXPECT_TRUE(IsSubsequence(before, after));
        }
    }
}

namespace {

// A folder of its own for each test, removed afterwards.
class TIniFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const std::string name = std::string("harvik-ini-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        FFolder = fs::temp_directory_path() / name;
        fs::remove_all(FFolder);
        fs::create_directories(FFolder / "program");
    }
    void TearDown() override { fs::remove_all(FFolder); }

    std::string Path(const std::string& relative) const { return (FFolder / relative).string(); }
    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Put(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    // Every file in the folder tree, so leftovers show.
    std::vector<std::string> Files() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(FFolder))
            if (entry.is_regular_file()) found.push_back(fs::relative(entry.path(), FFolder).string());
        std::sort(found.begin(), found.end());
        return found;
    }

    fs::path FFolder;
};

enum TFailAt
{
    faNothing,
    faCreate,
    faWrite,
    faFlush,
    faClose,
    faRename,
    faRead
};

// The platform's file operations with one of them failing for files in one folder. A failed write
// writes half of the bytes first, as a full disk does.
class TFailingFileOps : public IWsFileOps
{
public:
    TFailAt FailAt = faNothing;
    std::string FailIn;  // the folder whose files fail; empty: every folder

    TWsReadOutcome ReadFile(const std::string& path, std::string& bytes) override
    {
        return FailAt == faRead && InFolder(path) ? roFailed : Real().ReadFile(path, bytes);
    }
    int CreateTemporary(const std::string& folder, const std::string& like, std::string& path) override
    {
        if (FailAt == faCreate && InFolder(like)) return -1;
        FFailing = InFolder(like);
        return Real().CreateTemporary(folder, like, path);
    }
    bool WriteAll(int handle, std::string_view bytes) override
    {
        if (FFailing && FailAt == faWrite) return Real().WriteAll(handle, bytes.substr(0, bytes.size() / 2)) && false;
        return Real().WriteAll(handle, bytes);
    }
    bool Flush(int handle) override { return !(FFailing && FailAt == faFlush) && Real().Flush(handle); }
    bool Close(int handle) override { return Real().Close(handle) && !(FFailing && FailAt == faClose); }
    bool Rename(const std::string& from, const std::string& to) override
    {
        return !(FFailing && FailAt == faRename) && Real().Rename(from, to);
    }
    void Delete(const std::string& path) override { Real().Delete(path); }
    bool MakeFolders(const std::string& folder) override { return Real().MakeFolders(folder); }

private:
    static IWsFileOps& Real() { return PlatformFileOps(); }
    bool InFolder(const std::string& path) const { return path.starts_with(FailIn); }
    bool FFailing = false;  // the file being written is in the failing folder
};

} // namespace

TEST_F(TIniFolder, WritesCreateTheFileWhileReadsAndDeletesNeverDo)
{
    TWsIniFileStore store(Path("program/harvik.INI"), std::nullopt);
    EXPECT_EQ(store.Read("Common", "henkanForm", "none"), "none");
    store.Remove("Common", "henkanForm");
    EXPECT_EQ(Files(), std::vector<std::string>());
    ASSERT_TRUE(store.Write("Common", "henkanForm", "200,0,1,216,123,626,408"));
    EXPECT_EQ(Contents(Path("program/harvik.INI")), "[Common]\nhenkanForm=200,0,1,216,123,626,408\n");
    EXPECT_EQ(store.Read("common", "HENKANFORM", "none"), "200,0,1,216,123,626,408");
    store.Remove("Common", "henkanForm");
    EXPECT_EQ(Contents(Path("program/harvik.INI")), "[Common]\n");
    EXPECT_EQ(Files(), std::vector<std::string>({"program/harvik.INI"}));
}

// A FIFO, a device or a huge file in the INI file's place: reads give their fallback at once and a
// write does not replace what it could not read.
TEST_F(TIniFolder, AnIniFileThatIsNoRegularFileOrFarTooLargeIsNeitherWaitedForNorReplaced)
{
    const std::string ini = Path("program/harvik.INI");
    const TWatchdog watchdog("reading the INI file", std::chrono::seconds(10));
    TWsIniFileStore store(ini, std::nullopt);
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);  // no writer: opening it would wait
    EXPECT_EQ(store.Read("Common", "henkanForm", "none"), "none");
    EXPECT_FALSE(store.Write("Common", "henkanForm", "200,0,1,216,123,626,408"));
    EXPECT_TRUE(fs::is_fifo(ini));
    fs::remove(ini);
    fs::create_symlink("/dev/zero", ini);  // reads would never end
    EXPECT_EQ(store.Read("Common", "henkanForm", "none"), "none");
    fs::remove(ini);
    Put(ini, "[Common]\nhenkanForm=200,0,1,1,2,3,4\n");
    fs::resize_file(ini, std::uintmax_t{2} << 30);  // 2 GB, nearly all of it a hole
    EXPECT_EQ(store.Read("Common", "henkanForm", "none"), "none");
    EXPECT_FALSE(store.Write("Common", "henkanForm", "200,0,1,216,123,626,408"));
    EXPECT_EQ(fs::file_size(ini), std::uintmax_t{2} << 30);
}

TEST_F(TIniFolder, AFailedWriteAtAnyStepLeavesTheOldFileWholeAndNoTemporaryFile)
{
    const std::string ini = Path("program/harvik.INI");
    for (const TFailAt step : {faCreate, faWrite, faFlush, faClose, faRename, faRead}) {
        Put(ini, Shared);
        TFailingFileOps files;
        files.FailAt = step;
        TWsIniFileStore store(ini, std::nullopt, files);
        EXPECT_FALSE(store.Write("Common", "henkanForm", "200,0,1,216,123,626,408")) << step;
        store.Remove("Other", "henkanForm");
        EXPECT_EQ(Contents(ini), Shared) << step;
        EXPECT_EQ(Files(), std::vector<std::string>({"program/harvik.INI"})) << step;
    }
}

TEST_F(TIniFolder, WhereTheProgramFolderRefusesThePerUserCopyTakesOverFromItsContents)
{
    const std::string ini = Path("program/harvik.INI"), user = Path("config/harvik/harvik.INI");
    Put(ini, Shared);
    TFailingFileOps files;
    files.FailAt = faCreate;
    files.FailIn = Path("program/");
    TWsIniFileStore store(ini, user, files);
    EXPECT_EQ(store.Read("Common", "henkanForm", ""), "200,0,1,1,2,3,4");

    ASSERT_TRUE(store.Write("Common", "henkanForm", "200,0,1,5,6,7,8"));
    EXPECT_EQ(Contents(ini), Shared);
    EXPECT_EQ(Contents(user), *IniSet(Shared, "Common", "henkanForm", "200,0,1,5,6,7,8"));
    EXPECT_EQ(fs::status(Path("config/harvik")).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(store.Read("Common", "henkanForm", ""), "200,0,1,5,6,7,8");  // the per-user copy is preferred

    // Once it exists, every write goes there, even where the program's folder would take it.
    files.FailAt = faNothing;
    store.Remove("Common", "henkanFormFont");
    EXPECT_EQ(Contents(ini), Shared);
    EXPECT_EQ(IniFind(Contents(user), "Common", "henkanFormFont"), std::nullopt);

    files.FailAt = faCreate;
    files.FailIn.clear();
    EXPECT_FALSE(store.Write("Common", "henkanForm", "refused everywhere"));
    EXPECT_EQ(store.Read("Common", "henkanForm", ""), "200,0,1,5,6,7,8");
}

TEST(IniPaths, TheIniFileIsTheProgramsNameWithTheExtensionINI)
{
    EXPECT_EQ(WithIniExtension("/opt/harvik/harvik"), "/opt/harvik/harvik.INI");
    EXPECT_EQ(WithIniExtension("D/x.exe"), "D/x.INI");
    EXPECT_EQ(WithIniExtension("/a.b/x"), "/a.b/x.INI");  // a dot in a folder is no extension
    EXPECT_EQ(WithIniExtension("x.tar.gz"), "x.tar.INI");
    EXPECT_EQ(FolderPart("/opt/harvik/harvik"), "/opt/harvik/");
    EXPECT_EQ(FileNamePart("/opt/harvik/harvik.INI"), "harvik.INI");
}

TEST(IniPaths, ThePerUserFolderFollowsXdgConfigHomeThenHome)
{
    const std::string config = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(UserConfigFolder(), "/cfg/harvik/");
    setenv("XDG_CONFIG_HOME", "relative/cfg", 1);  // not absolute: ignored
    EXPECT_EQ(UserConfigFolder(), "/home/u/.config/harvik/");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserConfigFolder(), "/home/u/.config/harvik/");
    unsetenv("HOME");
    EXPECT_EQ(UserConfigFolder(), std::nullopt);
    if (!config.empty()) setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    if (!home.empty()) setenv("HOME", home.c_str(), 1);
}
