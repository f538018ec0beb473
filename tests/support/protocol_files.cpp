#include "support/protocol_files.h"

#include "support/workdir.h"

#include <filesystem>

namespace testing_support {

void WriteHeartbeatDate(const std::string& date) {
    MakeFolder("tmp");
    WriteFile("tmp/tmp.tsp", date + "\n09:00:00\n");
}

void WriteJournalBytes(const std::string& bytes) {
    MakeFolder("tmp");
    WriteFile("tmp/tmp.dat", bytes);
}

int OpenFileCount() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

void ProtocolTest::SetUp() {
    ProgramTest::SetUp();
    WriteHeartbeatDate(kProtocolDay);
    filesOpenBefore_ = OpenFileCount();
}

void ProtocolTest::TearDown() {
    EXPECT_EQ(OpenFileCount(), filesOpenBefore_) << "a file was left open";
    ProgramTest::TearDown();
}

}  // namespace testing_support
