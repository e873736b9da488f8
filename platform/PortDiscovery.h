#pragma once
// The serial devices present on this computer and the COM names the start
// window offers for them. Listing only: opening and reading stay with the
// termios device (platform/SerialDevice.h).
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace platform {

// What the system knows of one serial device.
struct PortRecord {
    std::string path;         // "/dev/ttyUSB0"
    std::string description;  // "USB-Serial Controller"
    std::string manufacturer; // "Example Devices Inc."
    std::string serialNumber;
    bool simulated = false; // announced by a running tavik-switch-sim
};

// The devices present now: Qt's serial port list plus the simulated switches
// announced in SimulatorLinkFolder(). Tests feed their own records.
using PortLister = std::function<std::vector<PortRecord>()>;
void SetPortLister(PortLister lister); // nullptr: the system's list
std::vector<PortRecord> ListSerialPorts();

// One entry of the start window's port box.
struct PortChoice {
    int number = 0;    // n of "COMn"
    std::string path;  // the device opened for it
    std::string label; // "COM5 - /dev/ttyUSB0 (Example USB-Serial, 1234, by-id: usb-...)"
    // False for COM1-COM4 when no --port names them and their /dev/ttySn is
    // not a serial line the system lists (the port box says so).
    bool present = true;
};

// COM1..COM4, then every device found, named COM5 upwards. A device keeps
// its name for the rest of the run (also after it was unplugged and plugged
// in again); devices found together are named in path order. /dev/ttyS0..3
// are COM1..COM4 and not listed again; a device given with --port is listed
// under the name it was given there, and --port's names are never handed out.
std::vector<PortChoice> RefreshPortChoices();
// The path discovery gave COMn, or "" (ResolvePortName asks after --port).
std::string DiscoveredPortPath(int number);
// Tests: every name handed out is forgotten.
void ForgetDiscoveredPorts();

// The names udev gives serial devices in /dev/serial/by-id, which stay the
// same when the device is plugged in again (elsewhere, or after another):
// device path -> link name. The labels show them beside the device, and
// --port takes the link's path. Tests list their own folder (""): the
// system's).
std::map<std::string, std::string> ListByIdNames(const std::string& folder);
void SetByIdFolder(const std::string& folder);

// Where tavik-switch-sim announces its pseudo-terminal: one symbolic link per
// running simulator, named by its process id. $XDG_RUNTIME_DIR/tavik-switch-sim,
// or /tmp/tavik-switch-sim-UID when there is no runtime folder.
std::string SimulatorLinkFolder();
// The devices of the links whose process still runs and whose device exists.
std::vector<PortRecord> ListSimulatorLinks(const std::string& folder);
// Makes the link for this process; returns its path, or "" when it failed.
std::string AnnounceSimulator(const std::string& devicePath);

} // namespace platform
