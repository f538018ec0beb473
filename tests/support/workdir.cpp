#include "support/workdir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace testing_support {

TempWorkDir::TempWorkDir() {
    previous_ = std::filesystem::current_path().string();
    std::string pattern = (std::filesystem::temp_directory_path() / "horalux-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
    std::filesystem::current_path(path_);
}

TempWorkDir::~TempWorkDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void MakeFolder(const std::string& path) {
    std::filesystem::create_directories(path);
}

int CountEntries(const std::string& path) {
    std::error_code ignored;
    if (!std::filesystem::exists(path, ignored)) return 0;
    int n = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(path); it != decltype(it)(); ++it) ++n;
    return n;
}

}  // namespace testing_support
