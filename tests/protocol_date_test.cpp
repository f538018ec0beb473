// The protocol date as folders and file names: the split, the month names,
// and dates from a hand-edited heartbeat file that must not lead anywhere but
// into Protocols/.
#include "app/app.h"
#include "protocol/protocol.h"
#include "protocol/protocol_date.h"
#include "protocol/protocol_paths.h"
#include "support/protocol_files.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

TEST(SplitDateTest, DotsSeparateAndRunsOfDotsCountOnce) {
    const struct {
        const char* date;
        std::size_t count;
        const char* day;
        const char* month;
        const char* year;
    } cases[] = {
        {"13.01.2008", 3, "13", "01", "2008"},
        {"13.1.2008", 3, "13", "1", "2008"},
        {"..13...01.2008.", 3, "13", "01", "2008"},
        {"1.2.3.4", 3, "1", "2", "3"},
        {"13. 1. 2008", 3, "13", " 1", " 2008"},
        {"13.01", 2, "13", "01", ""},
        {"2008-01-13", 1, "2008-01-13", "", ""},
        {"01/13/2008", 1, "01/13/2008", "", ""},
        {"...", 0, "", "", ""},
        {"", 0, "", "", ""},
    };
    for (const auto& c : cases) {
        char tokens[kDateTokenCount][kClockTextSize];
        EXPECT_EQ(SplitDate(c.date, tokens), c.count) << c.date;
        EXPECT_STREQ(tokens[kDay], c.day) << c.date;
        EXPECT_STREQ(tokens[kMonth], c.month) << c.date;
        EXPECT_STREQ(tokens[kYear], c.year) << c.date;
    }
}

TEST(SplitDateTest, ATokenIsCutToAClockString) {
    char tokens[kDateTokenCount][kClockTextSize];
    const std::string longToken(100, '7');
    EXPECT_EQ(SplitDate(("1.2." + longToken).c_str(), tokens), 3u);
    EXPECT_EQ(std::string(tokens[kYear]), std::string(31, '7'));
}

TEST(MakePathTokenTest, NothingAWindowsNameCannotHold) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"2008", "2008"},
        {"20/08", "20_08"},
        {"..\\x", ".._x"},
        {"C:", "C_"},
        {"<>:\"/\\|?*", "_________"},
        {"a\tb\x01\x1f\x7f", "a_b___"},
        {" 2008 ", "2008"},
        {"x. .", "x"},
        {"..", "_"},
        {"", "_"},
        {"   ", "_"},
        {"CON", "_CON"},
        {"con", "_con"},
        {"Nul", "_Nul"},
        {"PRN", "_PRN"},
        {"AUX", "_AUX"},
        {"COM1", "_COM1"},
        {"COM9", "_COM9"},
        {"LPT5", "_LPT5"},
        {"COM\xB9", "_COM\xB9"},
        {"CONOUT$", "_CONOUT$"},
        {"CON.txt", "_CON.txt"},
        {"CON .txt", "_CON .txt"},
        {"COM0", "COM0"},
        {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},
        {"ICON", "ICON"},
        {"\xE4nderung", "\xE4nderung"},
    };
    for (const auto& c : cases) {
        char token[kPathTokenSize];
        MakePathToken(c.in, token);
        EXPECT_STREQ(token, c.out) << c.in;
    }
}

TEST(MakePathTokenTest, ALongTextIsCutAndStillTakesItsPrefix) {
    char token[kPathTokenSize];
    MakePathToken(std::string(200, 'y').c_str(), token);
    EXPECT_EQ(std::string(token), std::string(31, 'y'));
}

TEST(MakeMonthFolderNameTest, NumbersOneToTwelveAreNamesAndAnythingElseStaysItself) {
    const struct {
        const char* token;
        const char* folder;
    } cases[] = {
        {"01", "January"}, {"1", "January"},  {" 1", "January"}, {"+2", "February"}, {"12", "December"},
        {"09x", "September"}, {"0", "0"},     {"00", "00"},      {"13", "13"},        {"-1", "-1"},
        {"Jan", "Jan"},    {"", "_"},         {"4294967297", "4294967297"}, {"\r4294967297", "_4294967297"},          {"Com1", "_Com1"},
    };
    for (const auto& c : cases) {
        char folder[kPathTokenSize];
        MakeMonthFolderName(c.token, folder);
        EXPECT_STREQ(folder, c.folder) << c.token;
    }
}

// ---- Whole runs with odd and hostile dates ------------------------------------------

// Works one folder down, so that anything written beside the working folder shows.
class HostileDateTest : public ProtocolTest {
protected:
    void SetUp() override {
        MakeFolder("inner");
        std::filesystem::current_path("inner");
        ProtocolTest::SetUp();
        WriteJournalBytes("08:00:00\nEditor\nedit.exe\n31528\n\n08:00:10\nTracking quit\n-\n31538\n\n");
    }
    void TearDown() override {
        ProtocolTest::TearDown();
        std::filesystem::current_path("..");
    }
    // Every file the run left, as relative paths, tmp/ aside.
    static std::vector<std::string> WrittenFiles() {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(".")) {
            const std::string path = std::filesystem::relative(entry.path(), ".").generic_string();
            if (entry.is_regular_file() && path.rfind("tmp/", 0) != 0) files.push_back(path);
        }
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(HostileDateTest, EveryDateWritesBothProtocolsInsideProtocols) {
    const struct {
        const char* date;
        const char* folder;  // below Protocols/; the files are <folder>/<stem>_detail.csv and _stat.csv
        const char* stem;
    } cases[] = {
        {"13.01.2008", "2008/January", "2008-01-13"},
        {"13. 1. 2008", "2008/January", "2008-1-13"},
        {"13..01...2008", "2008/January", "2008-01-13"},
        {"13.01.2008 ", "2008/January", "2008-01-13"},
        {"1.2.3.4", "3/February", "3-2-1"},
        {"13.13.2008", "2008/13", "2008-13-13"},
        {"13.0.2008", "2008/0", "2008-0-13"},
        {"13.Jan.2008", "2008/Jan", "2008-Jan-13"},
        {"13.01.../../../evil", "_/January", "_-01-13"},
        {"13.01.2008/../../x", "2008_/January", "2008_-01-13"},
        {"13.01.\\..\\..\\x", "_/January", "_-01-13"},
        {"13./etc.2008", "2008/_etc", "2008-_etc-13"},
        {"C:.01.2008", "2008/January", "2008-01-C_"},
        {"13.01.C:", "C_/January", "C_-01-13"},
        {"13.01.CON", "_CON/January", "_CON-01-13"},
        {"nul.01.2008", "2008/January", "2008-01-_nul"},
        {"13.Com1.2008", "2008/_Com1", "2008-_Com1-13"},
        {"13.01.LPT\xB9", "_LPT\xB9/January", "_LPT\xB9-01-13"},
        {"13.01.20<>|?*", "20_____/January", "20_____-01-13"},
        {"13.\x01\x1f.2008", "2008/__", "2008-__-13"},
        {"13.01.\"2008\"", "_2008_/January", "_2008_-01-13"},
        {"13.01.2008\r", "2008/January", "2008-01-13"},
        {"2008-01-13", "Undated", "2008-01-13"},
        {"01/13/2008", "Undated", "01_13_2008"},
        {"13.01", "Undated", "13.01"},
        {"...", "Undated", "_"},
        {" ", "Undated", "_"},
        {"..\\..\\evil", "Undated", ".._.._evil"},
        {"../../../../etc/passwd", "_/_", "_-_-_"},
        {"/", "Undated", "_"},
        {"CON.txt", "Undated", "_CON.txt"},
        {"1234567890123456789012345678901", "Undated", "1234567890123456789012345678901"},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all("Protocols");
        WriteHeartbeatDate(c.date);
        EXPECT_TRUE(CreateProtocol()) << c.date;
        const std::string base = std::string("Protocols/") + c.folder + "/" + c.stem;
        const std::vector<std::string> expected = {base + "_detail.csv", base + "_stat.csv"};
        EXPECT_EQ(WrittenFiles(), expected) << c.date;
        EXPECT_EQ(ReadFile(base + "_detail.csv").substr(0, sizeof kDetailHeaderLine - 1), kDetailHeaderLine);
    }
    EXPECT_TRUE(hosted::MessageBoxes().empty());
    EXPECT_TRUE(g_running);
    // Nothing beside the working folder.
    int beside = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("..")) ++beside;
    EXPECT_EQ(beside, 1);
}

TEST_F(HostileDateTest, AnOverLongDateLineIsReadToThirtyOneCharacters) {
    MakeFolder("tmp");
    WriteFile("tmp/tmp.tsp", "13.01." + std::string(100, '8') + "\n09:00:00\n");
    EXPECT_TRUE(CreateProtocol());
    const std::string year(25, '8');
    EXPECT_EQ(WrittenFiles(), (std::vector<std::string>{"Protocols/" + year + "/January/" + year + "-01-13_detail.csv",
                                                        "Protocols/" + year + "/January/" + year + "-01-13_stat.csv"}));
}

TEST(BuildProtocolPathsTest, ADateOfThreeTokensMakesThreeFoldersAndOtherDatesTwo) {
    ProtocolPaths paths;
    BuildProtocolPaths("13.01.2008", &paths);
    EXPECT_TRUE(paths.dated);
    ASSERT_EQ(paths.folderCount, 3u);
    EXPECT_STREQ(paths.folders[0], "Protocols");
    EXPECT_STREQ(paths.folders[1], "Protocols/2008");
    EXPECT_STREQ(paths.folders[2], "Protocols/2008/January");
    EXPECT_STREQ(paths.detail, "Protocols/2008/January/2008-01-13_detail.csv");
    EXPECT_STREQ(paths.statistics, "Protocols/2008/January/2008-01-13_stat.csv");

    BuildProtocolPaths("01/13/2008", &paths);
    EXPECT_FALSE(paths.dated);
    ASSERT_EQ(paths.folderCount, 2u);
    EXPECT_STREQ(paths.folders[1], "Protocols/Undated");
    EXPECT_STREQ(paths.detail, "Protocols/Undated/01_13_2008_detail.csv");
    EXPECT_STREQ(paths.statistics, "Protocols/Undated/01_13_2008_stat.csv");
}

}  // namespace
