// A private X session for one test: its own Xvfb server, optionally a
// window manager, other programs' windows of known titles and processes, and
// the moves a user makes (activating a window, the screen saver coming on).
//
// The program under test runs on the virtual clock as everywhere else; only
// the desktop it asks is this real server. Everything here waits on the
// server's answers, bounded, never for a fixed time.
#ifndef HORALUX_TESTS_SUPPORT_X11_SESSION_H
#define HORALUX_TESTS_SUPPORT_X11_SESSION_H

#include <sys/types.h>

#include <string>
#include <vector>

// Xlib's types, without its macros in every test.
typedef struct _XDisplay Display;

namespace testing_support {

// Whether a program is on the PATH.
bool HaveProgram(const char* name);

// A child process with pipes to its standard input and output.
struct Child {
    pid_t pid = -1;
    int input = -1;   // its standard input; closing it asks our helpers to end
    int output = -1;  // its standard output
};

// Starts `argv` with its standard input and output on pipes and its
// standard error passed through (or dropped, when `quiet`); as the user
// `uid` when that is not -1 (root only). The environment gets
// DISPLAY=`display` unless it is empty, in which case DISPLAY is removed.
Child Spawn(const std::vector<std::string>& argv, const std::string& display,
            uid_t uid = static_cast<uid_t>(-1), bool quiet = false);
// Waits for the child to end, at most `timeoutMs`; its exit status, or -1
// when it had to be killed.
int WaitForExit(Child& child, int timeoutMs);
void EndChild(Child& child);
// What the child wrote to its standard output until it closed it.
std::string ReadAll(int fd, int timeoutMs);

class X11Session {
public:
    enum class Manager { kNone, kOpenbox };

    explicit X11Session(Manager manager = Manager::kOpenbox);
    ~X11Session();
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    // Started and ready; otherwise Problem() says why.
    bool Ready() const { return ready_; }
    const std::string& Problem() const { return problem_; }
    const std::string& DisplayName() const { return displayName_; }
    int Width() const;
    int Height() const;

    // Another program's window: our test window program run with `args`
    // (see x11_test_window.cpp), under the file name `program` when one is
    // given (a copy, so that its /proc/<pid>/exe has that name), as the user
    // `uid` when given. Returns the window id once it is mapped, or 0.
    unsigned long StartWindow(const std::vector<std::string>& args, const std::string& program = "",
                              uid_t uid = static_cast<uid_t>(-1));
    pid_t WindowProcess(unsigned long window) const;
    // Where the copy named `program` lies.
    std::string ProgramPath(const std::string& program) const { return folder_ + "/" + program; }

    // As a task bar does: asks the window manager to activate the window and
    // waits until it has. False when it did not happen.
    bool Activate(unsigned long window);
    // Without a window manager: the input focus (0: none; 1: follows the pointer).
    bool Focus(unsigned long window);
    bool MovePointer(int x, int y);
    // As `xset s activate` and `xset s reset` do.
    bool ForceScreenSaver(bool on);
    // The session's close request to a window (WM_DELETE_WINDOW).
    bool RequestClose(unsigned long window);

    // The top-level window titled exactly `title`, hidden ones included, or 0.
    unsigned long FindWindowTitled(const std::string& title);
    // Waits until such a window exists and, when `viewable`, is on the screen.
    unsigned long WaitForWindowTitled(const std::string& title, bool viewable, int timeoutMs);
    struct Geometry {
        bool exists;
        bool viewable;
        bool topLevel;            // a child of the root, not held in a frame
        int x, y, width, height;  // in root coordinates
    };
    Geometry Describe(unsigned long window);
    // The colour on the screen at a point of a mapped window, as 0xRRGGBB,
    // or -1 when it can't be read.
    long PixelAt(unsigned long window, int x, int y);

    // A system tray host (trayer), ready once it owns the tray selection.
    bool StartTrayHost();
    // The tray icon a tray host has embedded (the window with _XEMBED_INFO), or 0.
    unsigned long FindTrayIcon();
    // A real click (press and release) through the XTEST extension, as a
    // user's mouse makes it, at a point in root coordinates.
    bool Click(int x, int y, unsigned button);
    bool ClickCentre(unsigned long window, unsigned button);

    // The server goes away, as at the end of a session.
    void KillServer();

    // This process's own connection; a child made by fork() opens its own.
    Display* Connection();

private:
    bool StartServer();
    bool StartManager();

    bool ready_ = false;
    std::string problem_;
    std::string displayName_;
    std::string folder_;  // copies of the test window program
    Child server_;
    Child manager_;
    Child tray_;
    struct TestWindow {
        Child child;
        unsigned long window;
    };
    std::vector<TestWindow> windows_;
    Display* connection_ = nullptr;
    pid_t connectionOwner_ = -1;
};

// Where a test needs the X session: skipped with a clear message when a
// program is missing on a developer's machine, a failure in CI.
#define REQUIRE_X11_PROGRAMS(...)                                                              \
    do {                                                                                       \
        for (const char* program_ : {__VA_ARGS__}) {                                           \
            if (::testing_support::HaveProgram(program_)) continue;                            \
            if (std::getenv("CI") != nullptr) FAIL() << program_ << " is missing in CI";       \
            GTEST_SKIP() << program_ << " is not installed (bash .ci/install-packages); "      \
                            "the X11 desktop tests need it";                                   \
        }                                                                                      \
    } while (0)

}  // namespace testing_support

#endif
