// The protocol generator against the reference model of the shared checkers,
// on the sample day that the Wine checks also give horalux.exe: same journal,
// same expected bytes, in both short date forms.
#include "checkers/protocol_model.h"
#include "checkers/sample_day.h"
#include "protocol/protocol.h"
#include "support/protocol_files.h"

namespace {

using namespace testing_support;

class ProtocolReferenceTest : public ProgramTest {};

TEST_F(ProtocolReferenceTest, TheSampleDayGivesTheModelsProtocolsInBothDateForms) {
    for (const char* date : {"03.01.2024", "3.1.2024", "31.12.2025"}) {
        TempWorkDir fresh;
        const std::string journal = checkers::SampleDayJournal(date);
        MakeFolder("tmp");
        WriteFile("tmp/tmp.tsp", checkers::SampleDayHeartbeat(date));
        WriteJournalBytes(journal);
        ASSERT_TRUE(CreateProtocol()) << date;
        const checkers::ExpectedProtocols expected = checkers::ExpectProtocols(journal, date);
        EXPECT_EQ(ReadFile(expected.detailPath), expected.detail) << date;
        EXPECT_EQ(ReadFile(expected.statisticsPath), expected.statistics) << date;
        EXPECT_EQ(CountEntries("Protocols"), 4) << date << ": the year and month folders and the two files";
    }
    EXPECT_TRUE(hosted::MessageBoxes().empty());
}

}  // namespace
