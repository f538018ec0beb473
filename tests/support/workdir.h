// A fresh working directory per test, and byte-exact file helpers.
#ifndef HORALUX_TESTS_SUPPORT_WORKDIR_H
#define HORALUX_TESTS_SUPPORT_WORKDIR_H

#include <string>

namespace testing_support {

// Makes a fresh empty folder, changes into it, and on destruction changes back
// and removes it with everything the program wrote.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::string previous_;
};

bool FileExists(const std::string& path);
// The whole file as bytes; an empty string for a missing file.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
void MakeFolder(const std::string& path);
// Number of entries (files and folders) below `path`, recursively.
int CountEntries(const std::string& path);

}  // namespace testing_support

#endif
