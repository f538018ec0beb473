// Processes that the Wine checks start: each one known by its id, waited for
// only within a limit, and killed by that id when it is no longer wanted or
// when the runner itself dies.
#ifndef HORALUX_TESTS_WINE_CHILD_PROCESS_H
#define HORALUX_TESTS_WINE_CHILD_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace wine_checks {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A step of a scenario that went wrong or ran out of time: the scenario ends
// there, and its clean-up stops everything it started.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ChildOptions {
    std::vector<std::string> argv;  // argv[0] is the program's path
    std::vector<std::string> env;   // the whole environment, NAME=value
    std::string workDir;
    std::string logPath;   // standard output and error go here unless piped
    bool pipeStdin = false;
    bool pipeStdout = false;
    int passFd = -1;  // a descriptor the child keeps, as descriptor 3
};

class ChildProcess {
public:
    ChildProcess() = default;
    explicit ChildProcess(const ChildOptions& options);
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    // True until the process has ended; an ended process is reaped.
    bool Running();
    // The exit status once the process has ended within `limit`; nothing if it
    // still runs then. A process ended by a signal gives 128 + the signal.
    std::optional<int> WaitFor(milliseconds limit);
    // SIGTERM, up to `grace` for the end, then SIGKILL; always reaped.
    void Stop(milliseconds grace);
    // The status of the ended process (after Running() or WaitFor said so).
    int ExitStatus() const { return status_; }

    // One line of the child's piped standard output, without its line feed,
    // or nothing when none came within `limit`.
    std::optional<std::string> ReadLine(milliseconds limit);
    void WriteLine(const std::string& line);
    void CloseInput();

private:
    void Release();

    pid_t pid_ = -1;
    bool ended_ = true;
    int status_ = -1;
    int inFd_ = -1;
    int outFd_ = -1;
    std::string pending_;
};

// Runs a program to its end within `limit` and returns its exit status; a run
// that takes longer is killed and reported as a ScenarioError.
int RunToEnd(const ChildOptions& options, milliseconds limit);

}  // namespace wine_checks

#endif
