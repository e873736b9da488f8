#pragma once
// A walk through the configuration screens driven through the windows' own
// buttons, as a user would click them: from the main menu into the static
// menu, the port, trunk, VLAN (support, group list, every group) and misc
// windows, each read by its window's own reading path, and back to the main
// menu with the console's highlight where the main window expects it. What
// each window read goes into a settings document (forms/BackupModel.h).
//
// The walk has no timer of its own: whoever runs it calls Poll() often (a
// timer in the program, the link harness's steps in tests). A line that
// dies or a switch that restarts ends the session (the watchdog, the
// router), and the walk then fails with its reason.
#include "forms/backup/BackupModel.h"

#include <functional>
#include <string>

class SettingsWalk {
public:
    enum class State { Running, Done, Failed };

    // Starts at the main menu; false (with Error()) when it is not up.
    bool Start();
    // One look at the windows; acts when the one waited for is up.
    State Poll();
    State state() const { return state_; }
    const BackupDocument& Document() const { return doc_; }
    const std::string& Error() const { return error_; }
    // Called with a line for every step (a screen about to be read).
    std::function<void(const std::string&)> progress;

private:
    enum class Step {
        Main,
        Static,
        Ports,
        StaticForTrunks,
        Trunks,
        StaticForVlan,
        VlanMenu,
        Support,
        VlanMenuForList,
        List,
        Group,
        VlanMenuBack,
        StaticForMisc,
        Misc,
        StaticBack,
        MainBack
    };
    void Fail(const std::string& why);
    void Say(const std::string& line);
    bool OpenNextGroup();
    bool PortRowsNamedRight();
    Step step_ = Step::Main;
    State state_ = State::Failed;
    BackupDocument doc_;
    std::string error_;
    int groupCount_ = 0;
    int groupNext_ = 0;
    bool portsReread_ = false;
};

// "Reading VLAN group 3 of 7" in the current language (bytes of its code
// page, for the busy window).
std::string GroupProgressText(int number, int count);
