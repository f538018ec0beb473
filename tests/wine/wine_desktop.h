// One scenario's Windows desktop under Wine: a private Wine prefix cloned from
// a template in the build tree, a private virtual X display, the driver
// program that plays the user, and the horalux.exe runs of the scenario.
// Scenarios running in parallel share nothing but the read-only template.
#ifndef HORALUX_TESTS_WINE_WINE_DESKTOP_H
#define HORALUX_TESTS_WINE_WINE_DESKTOP_H

#include "wine/child_process.h"

#include <memory>
#include <string>
#include <vector>

namespace wine_checks {

// Where the programs and the runner's working space are.
struct WineSetup {
    std::string horaluxExe;  // build/windows/src/horalux.exe
    std::string driverExe;   // build/windows/tests/wine/driver.exe
    std::string stateDir;    // template prefix and scenario folders, in the build tree
    std::string wine, wineserver, wineboot, xvfb;
};

// Finds Wine and Xvfb on the path and the two programs. Returns what is
// missing, or "" when everything is there.
std::string FindSetup(WineSetup* setup);

// The Wine prefix that all scenarios clone: made once with wineboot under a
// lock, German regional settings with the short date dd.MM.yyyy, windows not
// managed (without a window manager every hide would stall for two seconds).
void EnsureTemplatePrefix(const WineSetup& setup);

class WineDesktop {
public:
    // A fresh scenario folder `name` with an empty working folder, a clone of
    // the template whose short date is `shortDate`, an X server and the driver.
    WineDesktop(const WineSetup& setup, const std::string& name, const std::string& shortDate);
    // Stops the driver, every program still running, the prefix's Wine
    // processes and the X server, each by its process id.
    ~WineDesktop();
    WineDesktop(const WineDesktop&) = delete;
    WineDesktop& operator=(const WineDesktop&) = delete;

    // The working folder in which horalux.exe runs.
    const std::string& WorkDir() const { return workDir_; }
    const std::string& Folder() const { return folder_; }

    // Starts horalux.exe in the working folder.
    ChildProcess StartHoralux();

    // Sends one command to the driver and returns its answer; a driver that
    // does not answer within `limit` ends the scenario.
    std::string Ask(const std::string& command, milliseconds limit = milliseconds(15000));
    // Ask, and end the scenario unless the answer begins with "ok"; returns
    // what follows "ok ".
    std::string Do(const std::string& command, milliseconds limit = milliseconds(15000));

    // A line in the scenario's transcript, with the time since the start.
    void Note(const std::string& line);
    std::string Transcript() const { return transcript_; }
    // The tail of each log in the scenario folder, for a failure report.
    std::string Logs() const;

    // Removes the scenario folder (after a pass) or only the prefix clone.
    void RemoveFolder(bool keepFiles);

private:
    std::vector<std::string> Environment() const;
    void Shutdown();
    void StartXServer();
    void StartDriver();

    const WineSetup& setup_;
    std::string folder_;
    std::string prefix_;
    std::string workDir_;
    std::string display_;
    Clock::time_point started_;
    std::string transcript_;
    ChildProcess xServer_;
    ChildProcess driver_;
};

}  // namespace wine_checks

#endif
