// CreateProtocol on any heartbeat date and any journal. Input: the heartbeat
// file is the bytes up to and with the first line feed, the journal is the
// rest. After each run nothing may exist outside the working folder's own
// files and the protocol folder tree, and no file may be left open.
#include "app/app.h"
#include "platform/hosted/desktop.h"
#include "protocol/protocol.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

fs::path g_root;  // holds the working folder and nothing else
fs::path g_work;

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "protocol_fuzz: %s\n", what.c_str());
    std::abort();
}

void WriteBytes(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) Fail("cannot write " + path.string());
    if (size > 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

int OpenFiles() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Protocols/<year>/<month>/<name> or Protocols/Undated/<name>, protocol files only.
void CheckProtocolTree(bool written) {
    int files = 0;
    const fs::path protocols = g_work / "Protocols";
    if (!fs::exists(protocols)) {
        if (written) Fail("true without a Protocols folder");
        return;
    }
    for (auto it = fs::recursive_directory_iterator(protocols); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink()) Fail("a link in the protocol tree: " + it->path().string());
        if (it->is_directory()) {
            if (it.depth() > 1) Fail("a folder too deep: " + it->path().string());
            continue;
        }
        const std::string name = it->path().filename().string();
        const bool protocolName = (name.size() > 11 && name.compare(name.size() - 11, 11, "_detail.csv") == 0) ||
                                  (name.size() > 9 && name.compare(name.size() - 9, 9, "_stat.csv") == 0);
        if (!protocolName) Fail("not a protocol file: " + it->path().string());
        const bool undated = it.depth() == 1 && it->path().parent_path().filename() == "Undated";
        if (it.depth() != 2 && !undated) Fail("a protocol in the wrong place: " + it->path().string());
        ++files;
    }
    if (files > 2) Fail("more than two protocol files");
    if (written && files != 2) Fail("true without both protocol files");
}

void CheckNothingElse() {
    for (const auto& entry : fs::directory_iterator(g_root))
        if (entry.path() != g_work) Fail("written beside the working folder: " + entry.path().string());
    for (const auto& entry : fs::directory_iterator(g_work)) {
        const std::string name = entry.path().filename().string();
        if (name != "tmp" && name != "Protocols" && name != "error.txt") Fail("unexpected: " + name);
    }
    for (const auto& entry : fs::directory_iterator(g_work / "tmp")) {
        const std::string name = entry.path().filename().string();
        if (name != "tmp.dat" && name != "tmp.tsp") Fail("unexpected in tmp: " + name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "horalux-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a temporary folder");
    g_root = pattern;
    g_work = g_root / "work";
    fs::create_directories(g_work / "tmp");
    fs::current_path(g_work);
    std::atexit([] {
        std::error_code ignored;
        fs::current_path(g_root.parent_path(), ignored);
        fs::remove_all(g_root, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const void* lineFeed = std::memchr(data, '\n', size);
    const std::size_t heartbeatSize =
        lineFeed != nullptr ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(lineFeed) - data) + 1 : size;
    WriteBytes(g_work / "tmp" / "tmp.tsp", data, heartbeatSize);
    WriteBytes(g_work / "tmp" / "tmp.dat", data + heartbeatSize, size - heartbeatSize);

    hosted::ResetDesktop();
    g_running = true;
    const int openBefore = OpenFiles();
    const bool written = CreateProtocol();
    if (OpenFiles() != openBefore) Fail("a file was left open");

    CheckNothingElse();
    CheckProtocolTree(written);

    std::error_code ignored;
    fs::remove_all(g_work / "Protocols", ignored);
    fs::remove(g_work / "error.txt", ignored);
    return 0;
}
