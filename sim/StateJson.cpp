#include "sim/StateJson.h"

#include "sim/Rules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <set>

namespace sim {

namespace {

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Reads one document; the first problem found ends the reading.
class Reader {
public:
    std::string error;

    bool fail(const std::string& field, const std::string& problem) {
        if (error.empty()) error = field + ": " + problem;
        return false;
    }

    bool onlyKeys(const QJsonObject& o, const std::string& where,
                  std::initializer_list<const char*> keys) {
        for (const QString& k : o.keys()) {
            bool known = std::any_of(keys.begin(), keys.end(),
                                     [&k](const char* key) { return k == QLatin1String(key); });
            if (!known) return fail(where + k.toStdString(), "unknown field");
        }
        return true;
    }

    bool integer(const QJsonObject& o, const char* key, const std::string& field, int& out) {
        if (!o.contains(key)) return true;
        const QJsonValue v = o.value(key);
        const double d = v.toDouble();
        if (!v.isDouble() || d != std::floor(d) || std::fabs(d) > 1e6)
            return fail(field, "must be a whole number");
        out = static_cast<int>(d);
        return true;
    }

    bool boolean(const QJsonObject& o, const char* key, const std::string& field, bool& out) {
        if (!o.contains(key)) return true;
        if (!o.value(key).isBool()) return fail(field, "must be true or false");
        out = o.value(key).toBool();
        return true;
    }

    bool text(const QJsonObject& o, const char* key, const std::string& field, std::string& out) {
        if (!o.contains(key)) return true;
        const QJsonValue v = o.value(key);
        if (!v.isString()) return fail(field, "must be a string");
        const QString str = v.toString();
        if (str.size() > 80) return fail(field, "longer than any console field");
        for (QChar c : str)
            if (c.unicode() < 0x20 || c.unicode() > 0x7E)
                return fail(field, "only printable ASCII characters");
        out = str.toLatin1().toStdString();
        return true;
    }

    // A choice accepts the console's exact text or the same without the
    // surrounding blanks ("AUTO" for "   AUTO   ").
    bool choice(const QJsonObject& o, const char* key, const std::string& field,
                const std::vector<std::string>& list, std::string& out) {
        std::string t;
        if (!o.contains(key)) return true;
        if (!text(o, key, field, t)) return false;
        for (const std::string& c : list) {
            if (t == c || t == Trimmed(c)) {
                out = c;
                return true;
            }
        }
        return fail(field, "\"" + t + "\" is not one of the console's choices");
    }

    // A list of port numbers 1-26.
    bool ports(const QJsonObject& o, const char* key, const std::string& field,
               std::array<bool, kPortCount>& out) {
        if (!o.contains(key)) return true;
        if (!o.value(key).isArray()) return fail(field, "must be a list of port numbers");
        out.fill(false);
        for (const QJsonValue& v : o.value(key).toArray()) {
            const double d = v.toDouble();
            if (!v.isDouble() || d != std::floor(d) || d < 1 || d > kPortCount)
                return fail(field, "port numbers are 1 to 26");
            out[static_cast<size_t>(d) - 1] = true;
        }
        return true;
    }

    bool readPorts(const QJsonValue& v, SwitchState& s);
    bool readTrunks(const QJsonValue& v, SwitchState& s);
    bool readGroups(const QJsonValue& v, bool dot1q, std::vector<VlanGroup>& table);
    bool readModules(const QJsonValue& v, SwitchState& s);
};

// An entry of "ports" or "trunks": numbered by its own field or by its place.
bool EntryNumber(Reader& r, const QJsonObject& o, const char* key, int place, int count,
                 const std::string& field, int& number) {
    number = place;
    if (!r.integer(o, key, field + "." + key, number)) return false;
    if (number < 1 || number > count)
        return r.fail(field + "." + key, "must be 1 to " + std::to_string(count));
    return true;
}

bool Reader::readModules(const QJsonValue& v, SwitchState& s) {
    const QJsonArray a = v.toArray();
    if (!v.isArray() || a.size() != 2) return fail("moduleTypes", "must list two module types");
    for (int i = 0; i < 2; ++i) {
        const std::string t = a[i].toString().toStdString();
        if (!a[i].isString() || !IsModuleType(t))
            return fail("moduleTypes[" + std::to_string(i + 1) + "]",
                        "must be 1000TX, 1000FX, 100FX or NC");
        s.moduleTypes[static_cast<size_t>(i)] = t;
        Port& p = s.ports[static_cast<size_t>(24 + i)];
        if (p.type != t) {
            p.type = t;
            p.speed = DefaultSpeed(t);
        }
    }
    return true;
}

bool Reader::readPorts(const QJsonValue& v, SwitchState& s) {
    if (!v.isArray()) return fail("ports", "must be a list");
    std::set<int> seen;
    int place = 0;
    for (const QJsonValue& e : v.toArray()) {
        ++place;
        const std::string at = "ports[" + std::to_string(place) + "]";
        if (!e.isObject()) return fail(at, "must be an object");
        const QJsonObject o = e.toObject();
        int n = 0;
        if (!EntryNumber(*this, o, "port", place, kPortCount, at, n)) return false;
        const std::string f = "ports[" + std::to_string(n) + "].";
        if (!seen.insert(n).second) return fail(f + "port", "given twice");
        if (!onlyKeys(o, f,
                      {"port", "type", "inRate", "outRate", "enabled", "autoNego", "speed",
                       "flowFull", "flowHalf", "pvid"}))
            return false;
        Port& p = s.ports[static_cast<size_t>(n - 1)];
        std::string type = p.type;
        if (!text(o, "type", f + "type", type)) return false;
        if (type != p.type)
            return fail(f + "type", "is \"" + p.type + "\" (module types are set by moduleTypes)");
        if (!integer(o, "inRate", f + "inRate", p.inRate) ||
            !integer(o, "outRate", f + "outRate", p.outRate) ||
            !boolean(o, "enabled", f + "enabled", p.enabled) ||
            !choice(o, "autoNego", f + "autoNego", AutoChoices(), p.autoNego) ||
            !choice(o, "speed", f + "speed", SpeedChoices(p.type), p.speed) ||
            !boolean(o, "flowFull", f + "flowFull", p.flowFull) ||
            !boolean(o, "flowHalf", f + "flowHalf", p.flowHalf) ||
            !integer(o, "pvid", f + "pvid", p.pvid))
            return false;
    }
    return true;
}

bool Reader::readTrunks(const QJsonValue& v, SwitchState& s) {
    if (!v.isArray()) return fail("trunks", "must be a list");
    std::set<int> seen;
    int place = 0;
    for (const QJsonValue& e : v.toArray()) {
        ++place;
        const std::string at = "trunks[" + std::to_string(place) + "]";
        if (!e.isObject()) return fail(at, "must be an object");
        const QJsonObject o = e.toObject();
        int n = 0;
        if (!EntryNumber(*this, o, "trunk", place, kTrunkCount, at, n)) return false;
        const std::string f = "trunks[" + std::to_string(n) + "].";
        if (!seen.insert(n).second) return fail(f + "trunk", "given twice");
        if (!onlyKeys(o, f, {"trunk", "static", "members"})) return false;
        Trunk& t = s.trunks[static_cast<size_t>(n - 1)];
        if (!boolean(o, "static", f + "static", t.isStatic) ||
            !ports(o, "members", f + "members", t.members))
            return false;
    }
    return true;
}

bool Reader::readGroups(const QJsonValue& v, bool dot1q, std::vector<VlanGroup>& table) {
    const std::string name = dot1q ? "dot1qGroups" : "portBasedGroups";
    if (!v.isArray()) return fail(name, "must be a list");
    table.clear();
    int place = 0;
    for (const QJsonValue& e : v.toArray()) {
        ++place;
        const std::string f = name + "[" + std::to_string(place) + "].";
        if (!e.isObject()) return fail(f, "must be an object");
        const QJsonObject o = e.toObject();
        if (!onlyKeys(o, f,
                      dot1q ? std::initializer_list<const char*>{"id", "name", "untagged", "tagged"}
                            : std::initializer_list<const char*>{"id", "name", "members"}))
            return false;
        if (!o.contains("id")) return fail(f + "id", "missing");
        if (!o.contains("name")) return fail(f + "name", "missing");
        VlanGroup g;
        std::array<bool, kPortCount> untagged{}, tagged{};
        if (!integer(o, "id", f + "id", g.id) || !text(o, "name", f + "name", g.name) ||
            !ports(o, dot1q ? "untagged" : "members", f + (dot1q ? "untagged" : "members"),
                   untagged) ||
            !ports(o, "tagged", f + "tagged", tagged))
            return false;
        for (int p = 0; p < kPortCount; ++p) {
            if (untagged[p] && tagged[p])
                return fail(f + "tagged", "port " + std::to_string(p + 1) + " is also untagged");
            g.member[p] = tagged[p] ? kMemberTagged : untagged[p] ? kMemberUntagged : kMemberNo;
        }
        table.push_back(g);
    }
    std::stable_sort(table.begin(), table.end(),
                     [](const VlanGroup& a, const VlanGroup& b) { return a.id < b.id; });
    return true;
}

QJsonArray PortList(const std::array<bool, kPortCount>& set) {
    QJsonArray a;
    for (int p = 0; p < kPortCount; ++p)
        if (set[p]) a.append(p + 1);
    return a;
}

QJsonArray PortsWith(const VlanGroup& g, int code) {
    std::array<bool, kPortCount> set{};
    for (int p = 0; p < kPortCount; ++p)
        set[p] = g.member[p] == code;
    return PortList(set);
}

QString Q(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

} // namespace

bool LoadStateJson(const QByteArray& json, SwitchState& state, std::string& error) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) {
        error = "not valid JSON (offset " + std::to_string(parseError.offset) +
                "): " + parseError.errorString().toStdString();
        return false;
    }
    if (!doc.isObject()) {
        error = "the document must be a JSON object";
        return false;
    }
    const QJsonObject o = doc.object();
    SwitchState s = state;
    Reader r;
    bool ok = r.onlyKeys(o, "",
                         {"moduleTypes", "ports", "trunks", "vlanMode", "portBasedGroups",
                          "dot1qGroups", "user", "password", "retryForever", "autoAging", "macHash",
                          "firmwareVersion", "firmwareRevision", "hardwareVersion", "macAddress"});
    ok = ok && (!o.contains("moduleTypes") || r.readModules(o.value("moduleTypes"), s));
    ok = ok && (!o.contains("ports") || r.readPorts(o.value("ports"), s));
    ok = ok && (!o.contains("trunks") || r.readTrunks(o.value("trunks"), s));
    ok = ok && r.choice(o, "vlanMode", "vlanMode", VlanModeChoices(), s.vlanMode);
    ok = ok && (!o.contains("portBasedGroups") ||
                r.readGroups(o.value("portBasedGroups"), false, s.portBasedGroups));
    ok = ok &&
         (!o.contains("dot1qGroups") || r.readGroups(o.value("dot1qGroups"), true, s.dot1qGroups));
    ok = ok && r.text(o, "user", "user", s.user) && r.text(o, "password", "password", s.password);
    ok = ok &&
         r.choice(o, "retryForever", "retryForever", EnabledDisabledChoices(), s.retryForever) &&
         r.choice(o, "autoAging", "autoAging", EnabledDisabledChoices(), s.autoAging) &&
         r.choice(o, "macHash", "macHash", MacHashChoices(), s.macHash);
    ok = ok && r.text(o, "firmwareVersion", "firmwareVersion", s.firmwareVersion) &&
         r.text(o, "firmwareRevision", "firmwareRevision", s.firmwareRevision) &&
         r.text(o, "hardwareVersion", "hardwareVersion", s.hardwareVersion) &&
         r.text(o, "macAddress", "macAddress", s.macAddress);
    if (!ok) {
        error = r.error;
        return false;
    }
    if (std::string invalid = ValidateState(s); !invalid.empty()) {
        error = invalid;
        return false;
    }
    state = s;
    return true;
}

QByteArray DumpStateJson(const SwitchState& s) {
    QJsonObject o;
    o["moduleTypes"] = QJsonArray{Q(s.moduleTypes[0]), Q(s.moduleTypes[1])};
    QJsonArray ports;
    for (int i = 0; i < kPortCount; ++i) {
        const Port& p = s.ports[i];
        ports.append(QJsonObject{{"port", i + 1},
                                 {"type", Q(p.type)},
                                 {"inRate", p.inRate},
                                 {"outRate", p.outRate},
                                 {"enabled", p.enabled},
                                 {"autoNego", Q(p.autoNego)},
                                 {"speed", Q(p.speed)},
                                 {"flowFull", p.flowFull},
                                 {"flowHalf", p.flowHalf},
                                 {"pvid", p.pvid}});
    }
    o["ports"] = ports;
    QJsonArray trunks;
    for (int t = 0; t < kTrunkCount; ++t)
        trunks.append(QJsonObject{{"trunk", t + 1},
                                  {"static", s.trunks[t].isStatic},
                                  {"members", PortList(s.trunks[t].members)}});
    o["trunks"] = trunks;
    o["vlanMode"] = Q(s.vlanMode);
    QJsonArray portBased, dot1q;
    for (const VlanGroup& g : s.portBasedGroups)
        portBased.append(QJsonObject{
            {"id", g.id}, {"name", Q(g.name)}, {"members", PortsWith(g, kMemberUntagged)}});
    for (const VlanGroup& g : s.dot1qGroups)
        dot1q.append(QJsonObject{{"id", g.id},
                                 {"name", Q(g.name)},
                                 {"untagged", PortsWith(g, kMemberUntagged)},
                                 {"tagged", PortsWith(g, kMemberTagged)}});
    o["portBasedGroups"] = portBased;
    o["dot1qGroups"] = dot1q;
    o["user"] = Q(s.user);
    o["password"] = Q(s.password);
    o["retryForever"] = Q(s.retryForever);
    o["autoAging"] = Q(s.autoAging);
    o["macHash"] = Q(s.macHash);
    o["firmwareVersion"] = Q(s.firmwareVersion);
    o["firmwareRevision"] = Q(s.firmwareRevision);
    o["hardwareVersion"] = Q(s.hardwareVersion);
    o["macAddress"] = Q(s.macAddress);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace sim
