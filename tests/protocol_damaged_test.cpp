// Journals that are not a plain sequence of five-line records: each damaged
// record is shown as a marked row, and the records after it keep their step.
#include "protocol/protocol.h"
#include "support/protocol_files.h"

#include <string>

namespace {

using namespace testing_support;

constexpr const char kMarked[] = "\"Error : checksum for this entry doesn't match\"\r\n";
constexpr const char kOneCorrupted[] = "Warning : the details summary contains 1 corrupted entries.\r\n\r\n";

// The two sound records that follow the damage in most cases here.
constexpr const char kMailAndQuit[] =
    "08:00:10\nMail\nmail.exe\n31538\n\n"
    "08:00:20\nTracking quit\n-\n31548\n\n";
constexpr const char kMailRow[] = "\"Mail\",\"mail.exe\",\"08:00:10\",\"08:00:20\",\"0:0:10\"\r\n";
constexpr const char kMailStat[] = "\"Mail\",\"mail.exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n";

class DamagedJournalTest : public ProtocolTest {
protected:
    void Make(const std::string& journal) {
        WriteJournalBytes(journal);
        ASSERT_TRUE(CreateProtocol());
        EXPECT_TRUE(hosted::MessageBoxes().empty());
    }
    static std::string Detail() { return ReadFile(kDetailPath); }
    static std::string Stat() { return ReadFile(kStatPath); }
};

TEST_F(DamagedJournalTest, AnOverLongTitleIsCutMarkedAndTheNextRecordsKeepTheirStep) {
    const std::string title(2000, 'T');
    Make("08:00:00\n" + title + "\nedit.exe\n31528\n\n" + kMailAndQuit);
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"" + std::string(1023, 'T') +
                            "\",\"edit.exe\",\"08:00:00\",\"08:00:10\"," + kMarked + kMailRow);
    // The statistics keep 255 characters of it, with its true duration.
    EXPECT_EQ(Stat(), kOneCorrupted + std::string(kStatHeaderLine) + "\"" + std::string(255, 'T') +
                          "\",\"edit.exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n" + kMailStat);
}

TEST_F(DamagedJournalTest, ALineFillsItsBufferAtTheLongestWholeLine) {
    // 1022 characters and the line feed fit; one more does not.
    Make("08:00:00\n" + std::string(1022, 'a') + "\nedit.exe\n31528\n\n" + "08:00:10\n" +
         std::string(1023, 'b') + "\nedit.exe\n31538\n\n08:00:20\nTracking quit\n-\n31548\n\n");
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"" + std::string(1022, 'a') +
                            "\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n" + "\"" +
                            std::string(1023, 'b') + "\",\"edit.exe\",\"08:00:10\",\"08:00:20\"," + kMarked);
}

TEST_F(DamagedJournalTest, OverLongTimeAndChecksumLinesMarkTheirRecordOnly) {
    Make("08:00:00" + std::string(3000, ' ') + "\nEditor\nedit.exe\n31528\n\n" +
         "08:00:05\nEditor\nedit.exe\n" + std::string(5000, '1') + "\n\n" + kMailAndQuit);
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Editor\",\"edit.exe\",\"08:00:00" +
                            std::string(1015, ' ') + "\",\"08:00:05\"," + kMarked +
                            "\"Editor\",\"edit.exe\",\"08:00:05\",\"08:00:10\"," + kMarked + kMailRow);
}

TEST_F(DamagedJournalTest, ATitleWithALineBreakInsideIsOneMarkedRow) {
    Make("08:00:00\nfirst\nsecond\nedit.exe\n31528\n\n" + std::string(kMailAndQuit));
    EXPECT_EQ(Detail(),
              std::string(kDetailHeaderLine) + "\"first\",\"edit.exe\",\"08:00:00\",\"08:00:10\"," + kMarked + kMailRow);
    EXPECT_EQ(Stat(), kOneCorrupted + std::string(kStatHeaderLine) +
                          "\"first\",\"edit.exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n" + kMailStat);
}

TEST_F(DamagedJournalTest, ATitleWithSeveralLineBreaksIsStillOneRow) {
    Make("08:00:00\nInvoice\n2024\nnotes\n\tdraft\nedit.exe\n31528\n\n" + std::string(kMailAndQuit));
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Invoice\",\"edit.exe\",\"08:00:00\",\"08:00:10\"," +
                            kMarked + kMailRow);
}

TEST_F(DamagedJournalTest, AMissingEmptyLineMarksTheRecordAndTheNextLineStartsTheNext) {
    Make("08:00:00\nEditor\nedit.exe\n31528\n" + std::string(kMailAndQuit));
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\"," +
                            kMarked + kMailRow);
}

TEST_F(DamagedJournalTest, ALostLineMarksTheRecordAndTheNextRecordKeepsItsStep) {
    // The title line is gone: the module name stands where the title should.
    Make("08:00:00\nedit.exe\n31528\n\n" + std::string(kMailAndQuit));
    EXPECT_EQ(Detail(),
              std::string(kDetailHeaderLine) + "\"edit.exe\",\"\",\"08:00:00\",\"08:00:10\"," + kMarked + kMailRow);
}

TEST_F(DamagedJournalTest, AChecksumLineThatIsNoNumberKeepsTheFiveLineStep) {
    Make("08:00:00\nEditor\nedit.exe\nabc\n\n" + std::string(kMailAndQuit));
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\"," +
                            kMarked + kMailRow);
}

TEST_F(DamagedJournalTest, AnUntitledRecordThatIsDamagedIsShown) {
    Make("08:00:00\n-\n-\n31528\n" + std::string(kMailAndQuit));
    EXPECT_EQ(Detail(),
              std::string(kDetailHeaderLine) + "\"-\",\"-\",\"08:00:00\",\"08:00:10\"," + kMarked + kMailRow);
}

TEST_F(DamagedJournalTest, TwoRecordsRunTogetherByAnInterruptedWriteAreOneMarkedRow) {
    // The write of "Editor" stopped after "Edi"; the next start appended its
    // record right behind it.
    Make("08:00:00\nEdi"
         "08:05:00\nTracking started\n-\n31828\n\n"
         "08:05:10\nTracking quit\n-\n31838\n\n");
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Edi08:05:00\",\"-\",\"08:00:00\",\"08:05:10\"," + kMarked);
}

TEST_F(DamagedJournalTest, ARecordCutShortAtTheEndStillEndsTheStretchBeforeIt) {
    const std::string sound = "08:00:00\nEditor\nedit.exe\n31528\n\n";
    const std::string row = "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n";
    for (const char* cut : {"08:00:10\n", "08:00:10\nMa", "08:00:10\nMail\nmail.exe\n", "08:00:10\nMail\nmail.exe\n31538",
                            "08:00:10\nMail\nmail.exe\n31538\n"}) {
        Make(sound + cut);
        EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + row) << cut;
        EXPECT_EQ(Stat(), std::string(kStatHeaderLine) +
                              "\"Editor\",\"edit.exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n")
            << cut;
    }
}

TEST_F(DamagedJournalTest, AJournalCutInsideATimeLineMarksTheRowItEnds) {
    // 08:00:1 may be the start of 08:00:10 or of 08:00:15: the end is not known.
    Make("08:00:00\nEditor\nedit.exe\n31528\n\n08:00:1");
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:1\"," + kMarked);
    EXPECT_EQ(Stat(), kOneCorrupted + std::string(kStatHeaderLine) +
                          "\"Editor\",\"edit.exe\",\"1\",\"0:0:1\",\"0:0:1\",\"0:0:1\",\"0:0:1\"\r\n");
}

TEST_F(DamagedJournalTest, ADamagedLastRecordGetsAMarkedRowOfItsOwn) {
    Make("08:00:00\nEditor\nedit.exe\n31528\n\n"
         "08:00:10\nlast\npart\n-\n31538\n\n");
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) +
                            "\"Editor\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n"
                            "\"last\",\"-\",\"08:00:10\",\"08:00:10\"," + kMarked);
    EXPECT_EQ(Stat(), kOneCorrupted + std::string(kStatHeaderLine) +
                          "\"Editor\",\"edit.exe\",\"1\",\"0:0:10\",\"0:0:10\",\"0:0:10\",\"0:0:10\"\r\n"
                          "\"last\",\"-\",\"1\",\"0:0:0\",\"0:0:0\",\"0:0:0\",\"0:0:0\"\r\n");
}

TEST_F(DamagedJournalTest, TextThatIsNoJournalAtAllIsShownAsOneMarkedRow) {
    Make("just some\ntext\nwith no\nrecords\nat all\nreally\n");
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"text\",\"at all\",\"just some\",\"just some\"," + kMarked);
    EXPECT_EQ(Stat().substr(0, sizeof kOneCorrupted - 1), kOneCorrupted);
}

TEST_F(DamagedJournalTest, AJournalSavedWithCrLfLineEndsReadsLikeTheOriginal) {
    std::string journal = "08:00:00\nTracking started\n-\n31528\n\n08:00:10\n-\n-\n31538\n\n" + std::string(kMailAndQuit);
    Make(journal);
    const std::string detail = Detail();
    const std::string stat = Stat();
    for (std::size_t at = 0; (at = journal.find('\n', at)) != std::string::npos; at += 2) journal.insert(at, "\r");
    Make(journal);
    EXPECT_EQ(Detail(), detail);
    EXPECT_EQ(Stat(), stat);
    EXPECT_EQ(detail, std::string(kDetailHeaderLine) +
                          "\"Tracking started\",\"-\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n" + kMailRow);
}

TEST_F(DamagedJournalTest, AZeroByteCutsItsTextButNotTheRecord) {
    Make(std::string("08:00:00\nEd\0itor\nedit.exe\n31528\n\n", 33) + kMailAndQuit);
    EXPECT_EQ(Detail(), std::string(kDetailHeaderLine) + "\"Ed\",\"edit.exe\",\"08:00:00\",\"08:00:10\",\"0:0:10\"\r\n" +
                            kMailRow);
}

}  // namespace
