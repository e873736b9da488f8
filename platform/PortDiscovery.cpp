#include "platform/PortDiscovery.h"

#include "platform/SerialDevice.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <map>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kBuiltInPorts = 4; // COM1..COM4, always offered

std::mutex& discoveryMutex() {
    static std::mutex m;
    return m;
}

PortLister& lister() {
    static PortLister l;
    return l;
}

// Device path -> COM number, for the whole run.
std::map<std::string, int>& assigned() {
    static std::map<std::string, int> m;
    return m;
}

std::string canonicalPath(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    return path;
}

bool isBuiltInPath(const std::string& path) {
    for (int i = 0; i < kBuiltInPorts; ++i)
        if (path == "/dev/ttyS" + std::to_string(i)) return true;
    return false;
}

std::string& byIdFolder() {
    static std::string folder;
    return folder;
}

std::string describe(const PortRecord* r, const std::string& byId) {
    std::string info;
    if (r != nullptr) {
        std::string model = r->description;
        if (!r->manufacturer.empty() && model.find(r->manufacturer) == std::string::npos)
            model = model.empty() ? r->manufacturer : r->manufacturer + " " + model;
        info = model;
        if (!r->serialNumber.empty()) info += (info.empty() ? "" : ", ") + r->serialNumber;
    }
    if (!byId.empty()) info += (info.empty() ? "by-id: " : ", by-id: ") + byId;
    return info.empty() ? std::string() : " (" + info + ")";
}

// The device a by-id link names; a link whose device is gone still names
// its path, so that the label does not depend on the moment of the look.
std::string linkTarget(const std::string& folder, const std::string& link) {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string target(buf, static_cast<size_t>(n));
    if (target[0] != '/') target = folder + "/" + target;
    return ::realpath(link.c_str(), buf) != nullptr ? std::string(buf) : target;
}

std::string labelFor(int number, const std::string& path, const PortRecord* record,
                     const std::map<std::string, std::string>& byId) {
    // A device given by its by-id path shows the name already.
    const auto it =
        path.find("/by-id/") == std::string::npos ? byId.find(canonicalPath(path)) : byId.end();
    return "COM" + std::to_string(number) + " - " + path +
           describe(record, it == byId.end() ? std::string() : it->second);
}

std::vector<PortRecord> systemPorts() {
    std::vector<PortRecord> records;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortRecord r;
        r.path = info.systemLocation().toStdString();
        r.description = info.description().toStdString();
        r.manufacturer = info.manufacturer().toStdString();
        r.serialNumber = info.serialNumber().toStdString();
        records.push_back(std::move(r));
    }
    const std::vector<PortRecord> simulated = ListSimulatorLinks(SimulatorLinkFolder());
    records.insert(records.end(), simulated.begin(), simulated.end());
    return records;
}

bool processRuns(long pid) {
    if (pid <= 0 || pid > INT_MAX) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

void SetPortLister(PortLister l) {
    std::lock_guard<std::mutex> lock(discoveryMutex());
    lister() = std::move(l);
}

std::vector<PortRecord> ListSerialPorts() {
    PortLister l;
    {
        std::lock_guard<std::mutex> lock(discoveryMutex());
        l = lister();
    }
    return l ? l() : systemPorts();
}

std::vector<PortChoice> RefreshPortChoices() {
    std::vector<PortRecord> records = ListSerialPorts();
    for (PortRecord& r : records)
        r.path = canonicalPath(r.path);
    std::sort(records.begin(), records.end(),
              [](const PortRecord& a, const PortRecord& b) { return a.path < b.path; });
    records.erase(
        std::unique(records.begin(), records.end(),
                    [](const PortRecord& a, const PortRecord& b) { return a.path == b.path; }),
        records.end());
    auto recordOf = [&records](const std::string& path) -> const PortRecord* {
        const std::string canonical = canonicalPath(path);
        for (const PortRecord& r : records)
            if (r.path == canonical) return &r;
        return nullptr;
    };

    std::string folder;
    {
        std::lock_guard<std::mutex> lock(discoveryMutex());
        folder = byIdFolder().empty() ? "/dev/serial/by-id" : byIdFolder();
    }
    const std::map<std::string, std::string> byId = ListByIdNames(folder);
    const std::map<int, std::string> given = ExplicitPortMappings();
    std::set<std::string> givenPaths;
    for (const auto& [number, path] : given)
        givenPaths.insert(canonicalPath(path));

    std::vector<PortChoice> choices;
    for (int n = 1; n <= kBuiltInPorts; ++n) {
        const std::string name = "COM" + std::to_string(n);
        const bool mapped = given.count(n) != 0;
        const std::string path = ResolvePortName(name);
        const PortRecord* record = recordOf(path);
        choices.push_back({n, path, mapped ? labelFor(n, path, record, byId) : name,
                           mapped || record != nullptr});
    }
    for (const auto& [number, path] : given)
        if (number > kBuiltInPorts)
            choices.push_back({number, path, labelFor(number, path, recordOf(path), byId)});

    std::lock_guard<std::mutex> lock(discoveryMutex());
    std::set<int> taken;
    for (const auto& [path, number] : assigned())
        taken.insert(number);
    int next = kBuiltInPorts + 1;
    for (const PortRecord& r : records) {
        if (isBuiltInPath(r.path) || givenPaths.count(r.path) != 0) continue;
        auto it = assigned().find(r.path);
        if (it == assigned().end()) {
            while (taken.count(next) != 0 || given.count(next) != 0)
                ++next;
            // Past COM255 a device has no name the program takes.
            if (next > kMaxComPort) continue;
            it = assigned().emplace(r.path, next).first;
            taken.insert(next);
        }
        // A name given with --port after discovery named the device is the
        // user's: the device is then offered under that name only.
        if (given.count(it->second) != 0) continue;
        choices.push_back({it->second, r.path, labelFor(it->second, r.path, &r, byId)});
    }
    std::sort(choices.begin(), choices.end(),
              [](const PortChoice& a, const PortChoice& b) { return a.number < b.number; });
    return choices;
}

std::string DiscoveredPortPath(int number) {
    std::lock_guard<std::mutex> lock(discoveryMutex());
    for (const auto& [path, n] : assigned())
        if (n == number) return path;
    return {};
}

void ForgetDiscoveredPorts() {
    std::lock_guard<std::mutex> lock(discoveryMutex());
    assigned().clear();
}

std::map<std::string, std::string> ListByIdNames(const std::string& folder) {
    std::map<std::string, std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string target = linkTarget(folder, folder + "/" + name);
        if (!target.empty()) names.emplace(target, name);
    }
    ::closedir(dir);
    return names;
}

void SetByIdFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(discoveryMutex());
    byIdFolder() = folder;
}

std::string SimulatorLinkFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/tavik-switch-sim";
    return "/tmp/tavik-switch-sim-" + std::to_string(::getuid());
}

std::vector<PortRecord> ListSimulatorLinks(const std::string& folder) {
    std::vector<PortRecord> records;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return records;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str(), &end, 10);
        if (name.empty() || *end != 0) continue;
        // A simulator that was killed could not remove its link.
        if (!processRuns(pid)) continue;
        const std::string link = folder + "/" + name;
        struct stat st {};
        if (::stat(link.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) continue;
        PortRecord r;
        r.path = canonicalPath(link);
        r.description = "tavik-switch-sim, process " + name;
        r.simulated = true;
        records.push_back(std::move(r));
    }
    ::closedir(dir);
    return records;
}

std::string AnnounceSimulator(const std::string& devicePath) {
    const std::string folder = SimulatorLinkFolder();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    const std::string link = folder + "/" + std::to_string(::getpid());
    ::unlink(link.c_str()); // a link of an earlier process with our id
    if (::symlink(devicePath.c_str(), link.c_str()) != 0) return {};
    return link;
}

} // namespace platform
