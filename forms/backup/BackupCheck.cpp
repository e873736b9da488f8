// Reading a settings file back: every field checked before anything of it is
// used, and the differences between two documents.
#include "forms/backup/BackupModel.h"
#include "forms/port/PortModel.h"
#include "forms/trunk/TrunkModel.h"
#include "forms/vlan/VlanSupportModel.h"
#include "shared/FieldText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <climits>
#include <cmath>
#include <set>

namespace {

// A field error thrown while reading, caught once at the top.
struct Bad {
    std::string text;
};

[[noreturn]] void Fail(const std::string& field, const std::string& why) {
    throw Bad{field + ": " + why};
}

bool PlainAscii(const QString& s) {
    return std::all_of(s.begin(), s.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7e; });
}

// A key of the file as a message shows it: whatever is not plain ASCII as
// '?', so that a message never carries control characters to a terminal.
std::string Shown(const QString& key) {
    std::string out;
    for (QChar c : key)
        out += c.unicode() >= 0x20 && c.unicode() <= 0x7e ? static_cast<char>(c.unicode()) : '?';
    return out;
}

void OnlyKnown(const QJsonObject& o, const std::string& where, std::set<QString> known) {
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!known.count(it.key()))
            Fail(where + (where.empty() ? "" : ".") + Shown(it.key()), "unknown field");
}

QJsonObject Entry(const QJsonValue& v, const std::string& at) {
    if (!v.isObject()) Fail(at.substr(0, at.size() - 1), "must be an object");
    return v.toObject();
}

QJsonValue Need(const QJsonObject& o, const char* key, const std::string& where) {
    if (!o.contains(QLatin1String(key))) Fail(where + key, "missing");
    return o.value(QLatin1String(key));
}

std::string Str(const QJsonObject& o, const char* key, const std::string& where) {
    const QJsonValue v = Need(o, key, where);
    if (!v.isString()) Fail(where + key, "must be a text");
    if (!PlainAscii(v.toString())) Fail(where + key, "must be plain ASCII");
    return v.toString().toStdString();
}

// JSON numbers are doubles. A whole number beyond int's range is kept at the
// range's end, without an out-of-range conversion, so that the field's own
// range rule names it ("must be 0 to 1000" for 1e20).
int WholeNumber(const QJsonValue& v, const std::string& field) {
    const double d = v.toDouble();
    if (!v.isDouble() || d != std::trunc(d)) Fail(field, "must be a whole number");
    if (d >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (d <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(d);
}

int Int(const QJsonObject& o, const char* key, const std::string& where) {
    return WholeNumber(Need(o, key, where), where + key);
}

bool Bool(const QJsonObject& o, const char* key, const std::string& where) {
    const QJsonValue v = Need(o, key, where);
    if (!v.isBool()) Fail(where + key, "must be true or false");
    return v.toBool();
}

std::vector<std::string> Names(const QJsonValue& v, const std::string& field) {
    if (!v.isArray()) Fail(field, "must be a list of port names");
    std::vector<std::string> out;
    for (const QJsonValue& e : v.toArray()) {
        if (!e.isString() || !PlainAscii(e.toString())) Fail(field, "must be a list of port names");
        out.push_back(e.toString().toStdString());
    }
    return out;
}

// Trunk number of a trunk row's name (TRK3: 3), 0 for any other name.
int TrunkOfRow(const std::string& n) {
    for (int k = 1; k <= kTrunks; ++k)
        if (n == "TRK" + std::to_string(k)) return k;
    return 0;
}

bool IsRowName(const std::string& n) {
    return ConsolePortNumber(n) > 0 || TrunkOfRow(n) > 0;
}

// The PVID and group member screens list the 26 physical ports, never a
// trunk row.
const char* const kPhysicalPorts = "PORT1-PORT24, MOD_1 and MOD_2";

bool IsConsoleName(std::string n) {
    for (char& c : n)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return IsRowName(n) || n == "MODULE1" || n == "MODULE2" ||
           (n.rfind("TRUNK", 0) == 0 && n.size() == 6 && n[5] >= '1' && n[5] <= '7');
}

void ReadPorts(const QJsonObject& root, BackupDocument& doc) {
    const QJsonValue v = Need(root, "ports", "");
    if (!v.isArray()) Fail("ports", "must be a list");
    int i = 0;
    for (const QJsonValue& e : v.toArray()) {
        const std::string at = "ports[" + std::to_string(i++) + "].";
        const QJsonObject o = Entry(e, at);
        OnlyKnown(o, at.substr(0, at.size() - 1),
                  {"name", "type", "inRate", "outRate", "enabled", "autoNego", "speed", "flowFull",
                   "flowHalf"});
        BackupPort p;
        p.name = Str(o, "name", at);
        p.type = Str(o, "type", at);
        p.inRate = Int(o, "inRate", at);
        p.outRate = Int(o, "outRate", at);
        p.enabled = Bool(o, "enabled", at);
        p.autoNego = Str(o, "autoNego", at);
        p.speed = Str(o, "speed", at);
        p.flowFull = Bool(o, "flowFull", at);
        p.flowHalf = Bool(o, "flowHalf", at);
        doc.ports.push_back(p);
    }
}

void ReadTrunks(const QJsonObject& root, BackupDocument& doc) {
    const QJsonValue v = Need(root, "trunks", "");
    if (!v.isArray() || v.toArray().size() != kTrunks) Fail("trunks", "must list the 7 trunks");
    int k = 0;
    for (const QJsonValue& e : v.toArray()) {
        const std::string at = "trunks[" + std::to_string(k) + "].";
        const QJsonObject o = Entry(e, at);
        OnlyKnown(o, at.substr(0, at.size() - 1), {"trunk", "static", "members"});
        if (Int(o, "trunk", at) != k + 1) Fail(at + "trunk", "must be " + std::to_string(k + 1));
        doc.trunks[k].isStatic = Bool(o, "static", at);
        for (const std::string& n : Names(Need(o, "members", at), at + "members")) {
            const int p = ConsolePortNumber(n);
            if (p == 0) Fail(at + "members", "unknown port " + n);
            doc.trunks[k].members.push_back(p);
        }
        std::sort(doc.trunks[k].members.begin(), doc.trunks[k].members.end());
        ++k;
    }
}

void ReadGroups(const QJsonObject& root, BackupDocument& doc) {
    const QJsonValue v = Need(root, "groups", "");
    if (!v.isArray()) Fail("groups", "must be a list");
    int i = 0;
    for (const QJsonValue& e : v.toArray()) {
        const std::string at = "groups[" + std::to_string(i++) + "].";
        const QJsonObject o = Entry(e, at);
        OnlyKnown(o, at.substr(0, at.size() - 1), {"id", "name", "member", "untagged", "tagged"});
        BackupGroup g;
        g.id = Int(o, "id", at);
        g.name = Str(o, "name", at);
        for (const char* choice : {"member", "untagged", "tagged"})
            if (o.contains(QLatin1String(choice)))
                g.members[choice] = Names(o.value(QLatin1String(choice)), at + choice);
        doc.groups.push_back(g);
    }
}

void ReadDocument(const QByteArray& json, BackupDocument& doc) {
    QJsonParseError pe{};
    const QJsonDocument d = QJsonDocument::fromJson(json, &pe);
    if (pe.error != QJsonParseError::NoError)
        Fail("file", "not JSON (" + pe.errorString().toStdString() + " at byte " +
                         std::to_string(pe.offset) + ")");
    if (!d.isObject()) Fail("file", "not a settings file");
    const QJsonObject root = d.object();
    if (Str(root, "format", "") != "tavik-config settings") Fail("format", "not a settings file");
    doc.formatVersion = Int(root, "formatVersion", "");
    if (doc.formatVersion != kBackupFormatVersion)
        Fail("formatVersion",
             "version " + std::to_string(doc.formatVersion) + " is not known to this program");
    OnlyKnown(root, "",
              {"format", "formatVersion", "firmware", "time", "ports", "trunks", "vlanMode",
               "vlanNote", "pvids", "groups", "retryForever", "autoAging", "macHash", "user"});
    doc.firmware = Str(root, "firmware", "");
    doc.time = Str(root, "time", "");
    ReadPorts(root, doc);
    ReadTrunks(root, doc);
    doc.vlanMode = VlanModeOfWord(Str(root, "vlanMode", ""));
    if (doc.vlanMode < 0) Fail("vlanMode", "must be disabled, port-based or 802.1Q");
    if (root.contains(QLatin1String("pvids"))) {
        const QJsonValue pv = root.value(QLatin1String("pvids"));
        if (!pv.isObject()) Fail("pvids", "must map port names to PVIDs");
        const QJsonObject po = pv.toObject();
        for (auto it = po.begin(); it != po.end(); ++it) {
            const std::string field = "pvids." + Shown(it.key());
            if (!PlainAscii(it.key())) Fail(field, "not a port name");
            doc.pvids[it.key().toStdString()] = WholeNumber(it.value(), field);
        }
    }
    ReadGroups(root, doc);
    doc.retryForever = Bool(root, "retryForever", "");
    doc.autoAging = Bool(root, "autoAging", "");
    doc.macHash = Str(root, "macHash", "");
    doc.user = Str(root, "user", "");
}

// One row as the console's port screen can show it. A trunk row stands for
// its members: it shows their type (100TX for ports 1-24, the modules' for
// the module trunk) and, on the module trunk, takes no rates but offers all
// six speeds whatever its modules' types.
std::string CheckPortRow(const BackupDocument& doc, const BackupPort& p, const std::string& at) {
    static const std::set<std::string> kModuleTypes = {"1000TX", "1000FX", "100FX", "NC"};
    static const std::set<std::string> kAuto = {"FORCE", "AUTO", "NWAY_FORCE"};
    const int trunk = TrunkOfRow(p.name);
    if (trunk > 0 && (!doc.trunks[trunk - 1].isStatic || doc.trunks[trunk - 1].members.empty()))
        return at + "name: " + p.name + " is no row: trunk " + std::to_string(trunk) +
               " is not static with members in this file";
    const int port = trunk > 0 ? doc.trunks[trunk - 1].members.front() : ConsolePortNumber(p.name);
    const bool module = port >= kFirstModulePort;
    if (module && !kModuleTypes.count(p.type))
        return at + "type: a module port is 1000TX, 1000FX, 100FX or NC";
    if (!module && p.type != "100TX") return at + "type: ports 1-24 and their trunks are 100TX";
    for (const auto& [field, rate] : {std::pair{"inRate", p.inRate}, {"outRate", p.outRate}}) {
        if (rate < 0 || rate > 1000) return at + field + ": must be 0 to 1000";
        if (module && rate != 0)
            return at + field +
                   (trunk > 0 ? ": must be 0 on the module trunk's row"
                              : ": must be 0 on a module port");
    }
    if (!kAuto.count(p.autoNego)) return at + "autoNego: must be FORCE, AUTO or NWAY_FORCE";
    if (module && trunk > 0) {
        if (!SpeedRunsOn("1000TX", p.speed) && !SpeedRunsOn(p.type, p.speed))
            return at + "speed: " + p.speed + " is not offered by the module trunk's row";
    } else if (!SpeedRunsOn(p.type, p.speed)) {
        return at + "speed: " + p.speed + " is not offered by a " + p.type + " port";
    }
    return std::string();
}

std::string CheckPorts(const BackupDocument& doc) {
    std::set<std::string> seen;
    for (size_t i = 0; i < doc.ports.size(); ++i) {
        const BackupPort& p = doc.ports[i];
        const std::string at = "ports[" + std::to_string(i) + "].";
        if (!IsRowName(p.name)) return at + "name: unknown port " + p.name;
        if (!seen.insert(p.name).second) return at + "name: " + p.name + " is listed twice";
        const std::string e = CheckPortRow(doc, p, at);
        if (!e.empty()) return e;
    }
    // Every port once: on its own row, or on its static trunk's row only.
    for (int port = 1; port <= kTrunkPorts; ++port) {
        const std::string own = ConsolePortName(port);
        const int trunk = RowTrunkOfPort(doc, port);
        const std::string row = trunk > 0 ? "TRK" + std::to_string(trunk) : own;
        if (trunk > 0 && seen.count(own))
            return "ports: " + own + " is in static trunk " + std::to_string(trunk) +
                   ", so its row is " + row;
        if (!seen.count(row)) return "ports: " + own + " has no row";
    }
    return std::string();
}

std::string CheckTrunks(const BackupDocument& doc) {
    std::set<int> used;
    for (int k = 0; k < kTrunks; ++k) {
        const auto& m = doc.trunks[k].members;
        const std::string at = "trunks[" + std::to_string(k) + "].members: ";
        if (m.size() == 1 || m.size() > 4) return at + "a trunk holds 2 to 4 ports";
        bool low = false, module = false;
        for (int p : m) {
            if (!used.insert(p).second) return at + ConsolePortName(p) + " is in two trunks";
            (p >= kFirstModulePort ? module : low) = true;
        }
        if (low && module) return at + "ports 1-24 and module ports cannot share a trunk";
    }
    return std::string();
}

std::string CheckGroups(const BackupDocument& doc) {
    if (doc.vlanMode == kModeDisabled && !doc.groups.empty())
        return "groups: VLANs are disabled, so there are no groups";
    if (doc.groups.size() > 26) return "groups: more than 26 groups";
    const int maxId = doc.vlanMode == kModePortBased ? 26 : 4094;
    std::set<int> ids;
    std::set<std::string> names;
    for (size_t i = 0; i < doc.groups.size(); ++i) {
        const BackupGroup& g = doc.groups[i];
        const std::string at = "groups[" + std::to_string(i) + "].";
        if (g.id < 1 || g.id > maxId) return at + "id: must be 1 to " + std::to_string(maxId);
        if (!ids.insert(g.id).second) return at + "id: " + std::to_string(g.id) + " used twice";
        if (Trim(g.name).empty() || g.name.size() > 6 || Trim(g.name) != g.name)
            return at + "name: 1 to 6 characters without blanks around them";
        if (IsConsoleName(g.name)) return at + "name: " + g.name + " is a port or trunk name";
        if (!names.insert(g.name).second) return at + "name: " + g.name + " used twice";
        std::set<std::string> rows;
        for (const auto& [choice, members] : g.members) {
            const bool fits =
                doc.vlanMode == kModePortBased ? choice == "member" : choice != "member";
            if (!fits) return at + choice + ": not a member choice in this VLAN mode";
            for (const std::string& n : members) {
                if (ConsolePortNumber(n) == 0)
                    return at + choice + ": " + n + " is not on the member screen, which lists " +
                           kPhysicalPorts;
                if (!rows.insert(n).second) return at + choice + ": " + n + " is listed twice";
            }
        }
    }
    return std::string();
}

} // namespace

std::string CheckBackupRules(const BackupDocument& doc) {
    std::string e = CheckTrunks(doc);
    if (e.empty()) e = CheckPorts(doc);
    if (!e.empty()) return e;
    if (doc.vlanMode != kModeDot1q && !doc.pvids.empty())
        return "pvids: PVIDs are kept in 802.1Q mode only";
    for (const auto& [name, pvid] : doc.pvids) {
        if (ConsolePortNumber(name) == 0)
            return "pvids." + name + ": the PVID screen lists " + kPhysicalPorts + " only";
        if (pvid < kMinPvid || pvid > kMaxPvid) return "pvids." + name + ": must be 1 to 255";
    }
    e = CheckGroups(doc);
    if (!e.empty()) return e;
    if (doc.macHash != "CRC-Hash" && doc.macHash != "DirectMap")
        return "macHash: must be CRC-Hash or DirectMap";
    if (doc.user.empty() || doc.user.size() > 10 || doc.user.find(' ') != std::string::npos)
        return "user: 1 to 10 characters without blanks";
    return std::string();
}

bool BackupFromJson(const QByteArray& json, BackupDocument& doc, std::string& error) {
    doc = BackupDocument{};
    try {
        ReadDocument(json, doc);
    } catch (const Bad& bad) {
        error = bad.text;
        return false;
    }
    error = CheckBackupRules(doc);
    return error.empty();
}

std::string CheckBackupReadsBack(const BackupDocument& doc) {
    BackupDocument back;
    std::string error;
    if (!BackupFromJson(BackupToJson(doc), back, error)) return error;
    // Accepted but read otherwise: the file would restore something else.
    if (!(back == doc)) return "file: reads back differently from what the switch showed";
    return std::string();
}

bool SpeedRunsOn(const std::string& type, const std::string& speed) {
    for (const PortChoice& c : SpeedChoices(type.c_str(), nullptr))
        if (Trim(c.console) == speed) return true;
    return false;
}
