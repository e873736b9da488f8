// Reading a settings file back: every field checked before anything of it is
// used, and the differences between two documents.
#include "forms/BackupModel.h"
#include "forms/PortModel.h"
#include "forms/TrunkModel.h"
#include "forms/VlanSupportModel.h"
#include "shared/FieldText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <set>

namespace {

// A field error thrown while reading, caught once at the top.
struct Bad {
    std::string text;
};

[[noreturn]] void Fail(const std::string& field, const std::string& why) {
    throw Bad{field + ": " + why};
}

void OnlyKnown(const QJsonObject& o, const std::string& where, std::set<QString> known) {
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!known.count(it.key()))
            Fail(where + (where.empty() ? "" : ".") + it.key().toStdString(), "unknown field");
}

QJsonValue Need(const QJsonObject& o, const char* key, const std::string& where) {
    if (!o.contains(QLatin1String(key))) Fail(where + key, "missing");
    return o.value(QLatin1String(key));
}

std::string Str(const QJsonObject& o, const char* key, const std::string& where) {
    const QJsonValue v = Need(o, key, where);
    if (!v.isString()) Fail(where + key, "must be a text");
    const QString s = v.toString();
    for (QChar c : s)
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) Fail(where + key, "must be plain ASCII");
    return s.toStdString();
}

int Int(const QJsonObject& o, const char* key, const std::string& where) {
    const QJsonValue v = Need(o, key, where);
    const double d = v.toDouble(-1.5);
    if (!v.isDouble() || d != static_cast<int>(d)) Fail(where + key, "must be a whole number");
    return static_cast<int>(d);
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
        if (!e.isString()) Fail(field, "must be a list of port names");
        out.push_back(e.toString().toStdString());
    }
    return out;
}

bool IsRowName(const std::string& n) {
    if (ConsolePortNumber(n) > 0) return true;
    for (int k = 1; k <= kTrunks; ++k)
        if (n == "TRK" + std::to_string(k)) return true;
    return false;
}

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
        if (!e.isObject()) Fail(at.substr(0, at.size() - 1), "must be an object");
        const QJsonObject o = e.toObject();
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
        const QJsonObject o = e.toObject();
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
        const QJsonObject o = e.toObject();
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
        for (auto it = po.begin(); it != po.end(); ++it)
            doc.pvids[it.key().toStdString()] = Int(po, it.key().toLatin1().constData(), "pvids.");
    }
    ReadGroups(root, doc);
    doc.retryForever = Bool(root, "retryForever", "");
    doc.autoAging = Bool(root, "autoAging", "");
    doc.macHash = Str(root, "macHash", "");
    doc.user = Str(root, "user", "");
}

bool OfferedSpeed(const BackupPort& p) {
    for (const PortChoice& c : SpeedChoices(p.type.c_str(), nullptr))
        if (Trim(c.console) == p.speed) return true;
    return false;
}

std::string CheckPorts(const BackupDocument& doc) {
    static const std::set<std::string> kTypes = {"100TX", "1000TX", "100FX", "1000FX", "NC"};
    static const std::set<std::string> kAuto = {"FORCE", "AUTO", "NWAY_FORCE"};
    std::set<std::string> seen;
    for (size_t i = 0; i < doc.ports.size(); ++i) {
        const BackupPort& p = doc.ports[i];
        const std::string at = "ports[" + std::to_string(i) + "].";
        if (!IsRowName(p.name)) return at + "name: unknown port " + p.name;
        if (!seen.insert(p.name).second) return at + "name: " + p.name + " is listed twice";
        if (!kTypes.count(p.type)) return at + "type: unknown type " + p.type;
        const bool module = p.name.rfind("MOD_", 0) == 0;
        for (int rate : {p.inRate, p.outRate})
            if (rate < 0 || rate > 1000 || (module && rate != 0))
                return at + (rate == p.inRate ? "inRate" : "outRate") +
                       (module ? ": must be 0 on a module port" : ": must be 0 to 1000");
        if (!kAuto.count(p.autoNego)) return at + "autoNego: must be FORCE, AUTO or NWAY_FORCE";
        const bool trunkRow = p.name.rfind("TRK", 0) == 0;
        if (!trunkRow && !OfferedSpeed(p))
            return at + "speed: " + p.speed + " is not offered by a " + p.type + " port";
    }
    // Every port once: on its own row or through its static trunk's row.
    for (int port = 1; port <= kTrunkPorts; ++port) {
        int rows = seen.count(ConsolePortName(port)) ? 1 : 0;
        for (int k = 0; k < kTrunks; ++k) {
            const auto& m = doc.trunks[k].members;
            if (doc.trunks[k].isStatic && std::find(m.begin(), m.end(), port) != m.end())
                rows += seen.count("TRK" + std::to_string(k + 1)) ? 1 : 0;
        }
        if (rows != 1)
            return "ports: " + ConsolePortName(port) +
                   (rows == 0 ? " has no row" : " has a row and a trunk row");
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
                if (!IsRowName(n)) return at + choice + ": unknown port " + n;
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
        if (!IsRowName(name)) return "pvids." + name + ": unknown port";
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
