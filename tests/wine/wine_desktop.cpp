#include "wine/wine_desktop.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace wine_checks {
namespace {

namespace fs = std::filesystem;

constexpr char kTemplateName[] = "prefix-template";
constexpr char kStampName[] = ".horalux-template";
// Raise when the template's settings change, so that old templates are made anew.
constexpr char kTemplateSettings[] = "settings 1: de_DE, dd.MM.yyyy, unmanaged windows";
constexpr char kLocale[] = "LC_ALL=de_DE.UTF-8";
constexpr char kTemplateShortDate[] = "dd.MM.yyyy";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw ScenarioError("cannot write " + path);
}

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

// The runner's environment without anything that would lead Wine or X
// elsewhere, plus the scenario's own settings.
std::vector<std::string> WineEnvironment(const std::string& prefix, const std::string& display) {
    static const char* const kDropped[] = {"DISPLAY=", "WAYLAND_DISPLAY=", "WINEPREFIX=", "WINEDEBUG=",
                                           "WINEDLLOVERRIDES=", "WINEARCH=", "WINESERVER=", "WINELOADER=",
                                           "LANG=", "LANGUAGE=", "LC_"};
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool dropped = false;
        for (const char* prefixText : kDropped) dropped = dropped || text.rfind(prefixText, 0) == 0;
        if (!dropped) env.push_back(text);
    }
    env.push_back("WINEPREFIX=" + prefix);
    env.push_back("WINEDEBUG=-all");
    env.push_back("WINEDLLOVERRIDES=mscoree,mshtml=");  // no .NET or Gecko installer at the first start
    env.push_back(kLocale);
    if (!display.empty()) env.push_back("DISPLAY=" + display);
    return env;
}

// Holds an exclusive lock on a file for the life of the object, waiting at
// most `limit` for it.
class FileLock {
public:
    FileLock(const std::string& path, milliseconds limit) {
        fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) throw ScenarioError("cannot open " + path);
        const Clock::time_point deadline = Clock::now() + limit;
        while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (Clock::now() >= deadline) {
                close(fd_);
                throw ScenarioError("the lock " + path + " stayed taken");
            }
            std::this_thread::sleep_for(milliseconds(200));
        }
    }
    ~FileLock() { close(fd_); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

void Run(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log,
         milliseconds limit) {
    ChildOptions options;
    options.argv = argv;
    options.env = env;
    options.logPath = log;
    const int status = RunToEnd(options, limit);
    if (status != 0) throw ScenarioError(argv.front() + " " + argv.back() + " ended with " + std::to_string(status) +
                                         "; see " + log);
}

std::string WineVersion(const WineSetup& setup) {
    const std::string out = setup.stateDir + "/wine-version.txt";
    fs::remove(out);
    Run({setup.wine, "--version"}, WineEnvironment(setup.stateDir + "/none", ""), out, milliseconds(30000));
    return ReadText(out);
}

// Files that Wine only ever reads (programs, libraries, code pages, themes) are
// hard links to the template's, which makes a clone of some 700 MB take a
// moment; everything else (registry, settings, user folders) is copied, since
// Wine rewrites it.
bool SharedWithTemplate(const fs::path& file) {
    static const char* const kReadOnly[] = {".dll", ".exe", ".sys", ".drv", ".ocx", ".acm", ".cpl", ".tlb",
                                            ".ax",  ".ds",  ".nls", ".com", ".msstyles", ".mui", ".efi"};
    std::string extension = file.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* readOnly : kReadOnly)
        if (extension == readOnly) return true;
    return false;
}

void ClonePrefix(const std::string& from, const std::string& to) {
    fs::create_directories(to);
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path source = it->path();
        const fs::path target = fs::path(to) / source.lexically_relative(from);
        if (source.filename() == kStampName) continue;
        if (it->is_symlink()) {
            fs::copy_symlink(source, target);
        } else if (it->is_directory()) {
            fs::create_directory(target);
        } else if (SharedWithTemplate(source)) {
            fs::create_hard_link(source, target);
        } else {
            fs::copy_file(source, target);
        }
    }
}

// The short date of a clone, written into its registry file while no Wine
// process uses the prefix (the template's locale is the one the scenarios
// run with, so Wine does not rewrite the value at start).
void SetShortDate(const std::string& prefix, const std::string& shortDate) {
    if (shortDate == kTemplateShortDate) return;
    const std::string path = prefix + "/user.reg";
    std::string text = ReadText(path);
    const std::string from = std::string("\"sShortDate\"=\"") + kTemplateShortDate + "\"";
    const std::size_t at = text.find(from);
    if (at == std::string::npos) throw ScenarioError("no short date in " + path);
    text.replace(at, from.size(), "\"sShortDate\"=\"" + shortDate + "\"");
    WriteText(path, text);
}

std::string Tail(const std::string& path, std::size_t bytes) {
    const std::string text = ReadText(path);
    return text.size() <= bytes ? text : "..." + text.substr(text.size() - bytes);
}

}  // namespace

std::string FindSetup(WineSetup* setup) {
    std::string missing;
    auto need = [&missing](std::string* out, const std::string& name) {
        *out = FindOnPath(name);
        if (out->empty()) missing += (missing.empty() ? "" : ", ") + name;
    };
    need(&setup->wine, "wine");
    need(&setup->wineserver, "wineserver");
    need(&setup->wineboot, "wineboot");
    need(&setup->xvfb, "Xvfb");
    for (const std::string* exe : {&setup->horaluxExe, &setup->driverExe})
        if (access(exe->c_str(), R_OK) != 0) missing += (missing.empty() ? "" : ", ") + *exe;
    return missing;
}

void EnsureTemplatePrefix(const WineSetup& setup) {
    fs::create_directories(setup.stateDir);
    // Scenarios start in parallel; the first one makes the template, the
    // others wait for it.
    FileLock lock(setup.stateDir + "/template.lock", milliseconds(300000));
    const std::string prefix = setup.stateDir + "/" + kTemplateName;
    const std::string stamp = prefix + "/" + kStampName;
    const std::string key = WineVersion(setup) + kTemplateSettings + "\n";
    if (ReadText(stamp) == key) return;

    fs::remove_all(prefix);
    fs::create_directories(prefix);
    const std::string log = setup.stateDir + "/template.log";
    const std::vector<std::string> env = WineEnvironment(prefix, "");
    Run({setup.wineboot, "-i"}, env, log, milliseconds(180000));
    Run({setup.wineserver, "-w"}, env, log, milliseconds(60000));
    // The regional settings last, after the locale has been taken over:
    // Windows' German short date has two-digit days and months, Wine's not.
    Run({setup.wine, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"}, env, log,
        milliseconds(60000));
    Run({setup.wine, "reg", "add", "HKCU\\Control Panel\\International", "/v", "sShortDate", "/d",
         kTemplateShortDate, "/f"},
        env, log, milliseconds(60000));
    Run({setup.wineserver, "-w"}, env, log, milliseconds(60000));
    const std::string registry = ReadText(prefix + "/user.reg");
    if (registry.find(std::string("\"sShortDate\"=\"") + kTemplateShortDate + "\"") == std::string::npos ||
        registry.find("\"Managed\"=\"N\"") == std::string::npos)
        throw ScenarioError("the template's settings did not reach " + prefix + "/user.reg");
    WriteText(stamp, key);
}

WineDesktop::WineDesktop(const WineSetup& setup, const std::string& name, const std::string& shortDate)
    : setup_(setup), started_(Clock::now()) {
    folder_ = setup.stateDir + "/" + name;
    prefix_ = folder_ + "/prefix";
    workDir_ = folder_ + "/work";
    fs::remove_all(folder_);
    fs::create_directories(workDir_);
    try {
        ClonePrefix(setup.stateDir + "/" + kTemplateName, prefix_);
        SetShortDate(prefix_, shortDate);
        Note("prefix " + prefix_ + " with short date " + shortDate);
        StartXServer();
        StartDriver();
    } catch (...) {
        Shutdown();  // no destructor runs for a desktop that was never made
        throw;
    }
}

WineDesktop::~WineDesktop() {
    Shutdown();
}

void WineDesktop::Shutdown() {
    if (driver_.Running()) {
        try {
            driver_.WriteLine("exit");
        } catch (const ScenarioError&) {
        }
        driver_.CloseInput();
        if (!driver_.WaitFor(milliseconds(3000))) driver_.Stop(milliseconds(1000));
    }
    // Whatever Wine still runs for this prefix (its services, the desktop
    // process, a program that hangs) belongs to this scenario alone.
    try {
        Run({setup_.wineserver, "-k"}, Environment(), folder_ + "/wineserver.log", milliseconds(15000));
    } catch (const ScenarioError&) {
        // No server left to ask is the usual case.
    }
    xServer_.Stop(milliseconds(3000));
    std::error_code ignored;
    fs::remove_all(prefix_, ignored);
}

std::vector<std::string> WineDesktop::Environment() const {
    return WineEnvironment(prefix_, display_);
}

void WineDesktop::StartXServer() {
    // Xvfb picks a free display itself and writes its number to descriptor 3.
    int numberPipe[2];
    if (pipe2(numberPipe, O_CLOEXEC) != 0) throw ScenarioError("pipe: " + std::string(strerror(errno)));
    ChildOptions options;
    options.argv = {setup_.xvfb, "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"};
    options.env = WineEnvironment(prefix_, "");
    options.logPath = folder_ + "/xvfb.log";
    options.passFd = numberPipe[1];
    xServer_ = ChildProcess(options);
    close(numberPipe[1]);
    std::string number;
    const Clock::time_point deadline = Clock::now() + milliseconds(15000);
    while (number.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        pollfd fd{numberPipe[0], POLLIN, 0};
        if (left <= 0 || poll(&fd, 1, static_cast<int>(left)) <= 0) break;
        char buffer[32];
        const ssize_t got = read(numberPipe[0], buffer, sizeof buffer);
        if (got <= 0) break;
        number.append(buffer, static_cast<std::size_t>(got));
    }
    close(numberPipe[0]);
    if (number.find('\n') == std::string::npos)
        throw ScenarioError("Xvfb gave no display number: " + Tail(options.logPath, 2000));
    display_ = ":" + number.substr(0, number.find('\n'));
    Note("X server " + display_ + ", process " + std::to_string(xServer_.Pid()));
}

void WineDesktop::StartDriver() {
    ChildOptions options;
    options.argv = {setup_.wine, setup_.driverExe};
    options.env = Environment();
    options.workDir = folder_;
    options.logPath = folder_ + "/driver.log";
    options.pipeStdin = true;
    options.pipeStdout = true;
    driver_ = ChildProcess(options);
    // The first Wine program of a fresh prefix also starts its services.
    const std::optional<std::string> ready = driver_.ReadLine(milliseconds(60000));
    if (!ready || *ready != "ok ready")
        throw ScenarioError("the driver did not start: " + ready.value_or("no answer") + "\n" +
                            Tail(options.logPath, 2000));
    Note("driver process " + std::to_string(driver_.Pid()));
}

ChildProcess WineDesktop::StartHoralux() {
    ChildOptions options;
    options.argv = {setup_.wine, setup_.horaluxExe};
    options.env = Environment();
    options.workDir = workDir_;
    options.logPath = folder_ + "/horalux.log";
    ChildProcess program(options);
    Note("horalux.exe process " + std::to_string(program.Pid()));
    return program;
}

std::string WineDesktop::Ask(const std::string& command, milliseconds limit) {
    Note("> " + command);
    driver_.WriteLine(command);
    const std::optional<std::string> answer = driver_.ReadLine(limit);
    if (!answer)
        throw ScenarioError("the driver gave no answer to \"" + command + "\" within " +
                            std::to_string(limit.count() / 1000) + " s");
    Note("< " + *answer);
    return *answer;
}

std::string WineDesktop::Do(const std::string& command, milliseconds limit) {
    const std::string answer = Ask(command, limit);
    if (answer.rfind("ok", 0) != 0) throw ScenarioError("\"" + command + "\": " + answer);
    return answer.size() > 3 ? answer.substr(3) : "";
}

void WineDesktop::Note(const std::string& line) {
    const auto ms = std::chrono::duration_cast<milliseconds>(Clock::now() - started_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%7.2f s  ", static_cast<double>(ms) / 1000.0);
    transcript_ += stamp + line + "\n";
}

std::string WineDesktop::Logs() const {
    std::string out;
    for (const char* name : {"horalux.log", "driver.log", "xvfb.log"}) {
        const std::string text = Tail(folder_ + "/" + name, 1500);
        if (!text.empty()) out += std::string("--- ") + name + "\n" + text + "\n";
    }
    return out;
}

void WineDesktop::RemoveFolder(bool keepFiles) {
    std::error_code ignored;
    fs::remove_all(keepFiles ? prefix_ : folder_, ignored);
}

}  // namespace wine_checks
