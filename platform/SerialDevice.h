#pragma once
// The serial line as the engine sees it: one device, read on the reader
// thread and written on the main thread through the same object.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

// The read timing both devices keep.
constexpr int kReadWindowMs = 100;
constexpr int kInterCharTimeoutMs = 10;
// One character on the 9600-baud 8N1 line: ten bits.
constexpr int kCharTimeUs = 1042;

class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    // Opens the device by path. Returns false when it cannot be opened.
    virtual bool open(const std::string& path) = 0;
    // Returns when `max` bytes have arrived, 100 ms after the call began, or,
    // once it holds bytes, when the line has then stayed quiet for 10 ms
    // (the inter-character time-out), whichever comes first. An error or
    // hang-up waits out the rest of the 100 ms and returns what it has.
    virtual int read(uint8_t* buf, int max) = 0;
    // Writes the bytes; returns the count written (0 on error).
    virtual int write(const uint8_t* buf, int count) = 0;
    // Restores the settings saved at open and closes the device.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Asked after a read that brought nothing: has the line hung up or
    // failed? Reads of a dead line only ever return 0, so without this a
    // pulled cable looks like a quiet switch.
    enum class LineFault { None, HungUp, Error };
    virtual LineFault lineFault() { return LineFault::None; }
    // Why the last open() failed. NotSerialDevice: no terminal line (a
    // file, a folder, or a character device without terminal settings).
    // The rest are a network line's (platform/NetworkLine.h): an address
    // that does not parse, a host name not found, nobody listening on the
    // port, no answer within the connect time-out, any other failure.
    enum class OpenError {
        None,
        Failed,
        NotSerialDevice,
        InUse,
        NoPermission,
        NotThere,
        BadAddress,
        UnknownHost,
        ConnectRefused,
        ConnectTimedOut,
        ConnectFailed,
    };
    virtual OpenError openError() const { return OpenError::Failed; }
    // Something about the line worth a note in the transcript (a console
    // server that would not set its serial line), taken once; "" when
    // there is nothing new. Asked on the reader thread after each read.
    virtual std::string takeNote() { return {}; }
};

// What an open() failing with `err` (an errno value) means to the user:
// EACCES/EPERM NoPermission, EBUSY InUse, ENOENT/ENODEV/ENXIO NotThere (an
// adapter unplugged leaves a name without a device behind), else Failed.
SerialDevice::OpenError ClassifyOpenFailure(int err);
// The name of the group owning `path` (read with stat), its number when the
// group has no name, "" when the path cannot be read.
std::string DeviceGroup(const std::string& path);

// POSIX termios implementation: raw, 9600 baud, 8N1, no flow control. Opens
// terminal lines only (a character device whose terminal settings can be
// read), and only one at a time: TIOCEXCL keeps other
// programs out, an advisory lock (flock) keeps out a second copy of this
// program even when it runs as root.
std::unique_ptr<SerialDevice> CreateTermiosDevice();
// How often reads have woken up (a poll or a pause ending) since the program
// started, over all termios devices and network lines (platform/PolledLine.h).
// Tests compare it before and after some traffic to see that a read gathers
// its bytes instead of waking per byte.
uint64_t TermiosReadWakeups();

// The engine asks this factory for every new port. Tests replace it with an
// in-memory line; nullptr restores the default, a device that becomes a
// network line (platform/NetworkLine.h) when opened with "tcp://..." or
// "telnet://...", else the termios device.
using SerialDeviceFactory = std::function<std::unique_ptr<SerialDevice>()>;
void SetSerialDeviceFactory(SerialDeviceFactory factory);
std::unique_ptr<SerialDevice> CreateSerialDevice();

constexpr int kMaxComPort = 255;
// The port names the program takes: "COM1" to "COM255", any letter case, no
// leading zero. n of such a name, else 0.
int ComPortNumber(const std::string& name);
// "COMn" -> the path MapPortName gave it, else the device discovery named
// COMn (platform/PortDiscovery.h), else "/dev/ttyS(n-1)".
std::string ResolvePortName(const std::string& comName);
void MapPortName(const std::string& comName, const std::string& path);
// Parses "COMn=PATH" (the --port option). Returns false if malformed (the
// name is not one ComPortNumber takes, PATH is empty, or PATH is a network
// address ParseNetworkAddress refuses); else maps it and
// gives the name in its canonical spelling ("com11" -> "COM11") in `name`.
bool MapPortOption(const std::string& option, std::string* name = nullptr);
void ClearPortMappings();
// The COM numbers given a path with MapPortName / --port.
std::map<int, std::string> ExplicitPortMappings();

} // namespace platform
