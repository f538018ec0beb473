#include "wine/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace wine_checks {
namespace {

constexpr milliseconds kPollStep{20};

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (std::string& text : texts) out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

// In the forked child: never returns.
[[noreturn]] void BecomeChild(ChildOptions options, int stdinRead, int stdoutWrite) {
    // Dies with the runner, so that a runner killed by its time limit leaves
    // no X server or Wine program behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() == 1) _exit(127);
    signal(SIGPIPE, SIG_DFL);  // the runner ignores it; the child must not inherit that
    setpgid(0, 0);
    const int log = options.logPath.empty()
                        ? open("/dev/null", O_WRONLY)
                        : open(options.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    const int in = stdinRead >= 0 ? stdinRead : open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(stdoutWrite >= 0 ? stdoutWrite : log, 1);
    dup2(log, 2);
    if (options.passFd >= 0) dup2(options.passFd, 3);
    // Nothing else of the runner's reaches the child.
    for (int fd = 4; fd < 1024; ++fd) close(fd);
    if (options.passFd < 0) close(3);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(127);
    std::vector<char*> argv = Pointers(options.argv);
    std::vector<char*> env = Pointers(options.env);
    execve(argv[0], argv.data(), env.data());
    _exit(127);
}

int DecodeStatus(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return -1;
}

}  // namespace

ChildProcess::ChildProcess(const ChildOptions& options) {
    // A child that has died must show as a failed write, not end the runner.
    signal(SIGPIPE, SIG_IGN);
    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    if (options.pipeStdin && pipe2(inPipe, O_CLOEXEC) != 0) throw ScenarioError("pipe: " + std::string(strerror(errno)));
    if (options.pipeStdout && pipe2(outPipe, O_CLOEXEC) != 0)
        throw ScenarioError("pipe: " + std::string(strerror(errno)));
    const pid_t pid = fork();
    if (pid < 0) throw ScenarioError("fork: " + std::string(strerror(errno)));
    if (pid == 0) BecomeChild(options, inPipe[0], outPipe[1]);
    pid_ = pid;
    ended_ = false;
    if (options.pipeStdin) {
        close(inPipe[0]);
        inFd_ = inPipe[1];
    }
    if (options.pipeStdout) {
        close(outPipe[1]);
        outFd_ = outPipe[0];
    }
}

ChildProcess::~ChildProcess() {
    Release();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept {
    *this = std::move(other);
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this == &other) return *this;
    Release();
    pid_ = other.pid_;
    ended_ = other.ended_;
    status_ = other.status_;
    inFd_ = other.inFd_;
    outFd_ = other.outFd_;
    pending_ = std::move(other.pending_);
    other.pid_ = -1;
    other.ended_ = true;
    other.inFd_ = other.outFd_ = -1;
    return *this;
}

void ChildProcess::Release() {
    if (pid_ > 0 && !ended_) Stop(milliseconds(2000));
    if (inFd_ >= 0) close(inFd_);
    if (outFd_ >= 0) close(outFd_);
    inFd_ = outFd_ = -1;
    pid_ = -1;
}

bool ChildProcess::Running() {
    if (ended_) return false;
    int raw = 0;
    const pid_t got = waitpid(pid_, &raw, WNOHANG);
    if (got == pid_) {
        ended_ = true;
        status_ = DecodeStatus(raw);
    } else if (got < 0 && errno == ECHILD) {
        ended_ = true;
    }
    return !ended_;
}

std::optional<int> ChildProcess::WaitFor(milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    while (Running()) {
        if (Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(kPollStep);
    }
    return status_;
}

void ChildProcess::Stop(milliseconds grace) {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (WaitFor(grace)) return;
    kill(pid_, SIGKILL);
    int raw = 0;
    if (waitpid(pid_, &raw, 0) == pid_) status_ = DecodeStatus(raw);
    ended_ = true;
}

std::optional<std::string> ChildProcess::ReadLine(milliseconds limit) {
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || outFd_ < 0) return std::nullopt;
        pollfd fd{outFd_, POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[4096];
        const ssize_t got = read(outFd_, buffer, sizeof buffer);
        if (got <= 0) return std::nullopt;  // the child closed its output
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

void ChildProcess::WriteLine(const std::string& line) {
    const std::string bytes = line + "\n";
    std::size_t done = 0;
    while (inFd_ >= 0 && done < bytes.size()) {
        const ssize_t wrote = write(inFd_, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) throw ScenarioError("the child's input is closed");
        done += static_cast<std::size_t>(wrote);
    }
}

void ChildProcess::CloseInput() {
    if (inFd_ >= 0) close(inFd_);
    inFd_ = -1;
}

int RunToEnd(const ChildOptions& options, milliseconds limit) {
    ChildProcess child(options);
    if (const std::optional<int> status = child.WaitFor(limit)) return *status;
    child.Stop(milliseconds(1000));
    throw ScenarioError(options.argv.front() + " did not end within " + std::to_string(limit.count() / 1000) + " s");
}

}  // namespace wine_checks
