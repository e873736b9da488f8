#include "forms/backup/BackupModel.h"

#include "forms/misc/MiscModel.h"
#include "forms/port/PortModel.h"
#include "forms/trunk/TrunkModel.h"
#include "forms/vlan/VlanMemberModel.h"
#include "forms/vlan/VlanSupportModel.h"
#include "shared/FieldText.h"
#include "shared/Publicunit.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

QJsonArray NameArray(const std::vector<std::string>& names) {
    QJsonArray a;
    for (const std::string& n : names)
        a.append(QString::fromStdString(n));
    return a;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

std::string ConsolePortName(int port) {
    if (port >= 1 && port <= 24) return "PORT" + std::to_string(port);
    if (port == 25 || port == 26) return "MOD_" + std::to_string(port - 24);
    return std::string();
}

int ConsolePortNumber(const std::string& name) {
    for (int p = 1; p <= kTrunkPorts; ++p)
        if (ConsolePortName(p) == name) return p;
    return 0;
}

std::string ShortRowName(const std::string& name) {
    const std::string t = Trim(name);
    if (FindNoCase(t, "MODULE") == 0) return ReplaceFirstNoCase(t, "MODULE", "MOD_");
    if (FindNoCase(t, "TRUNK") == 0) return ReplaceFirstNoCase(t, "TRUNK", "TRK");
    return t;
}

const char* VlanModeWord(int mode) {
    static const char* const kWords[] = {"disabled", "port-based", "802.1Q"};
    return mode >= 0 && mode < 3 ? kWords[mode] : "";
}

int VlanModeOfWord(const std::string& word) {
    for (int m = 0; m < 3; ++m)
        if (word == VlanModeWord(m)) return m;
    return -1;
}

int RowTrunkOfPort(const BackupDocument& doc, int port) {
    for (int k = 0; k < kTrunks; ++k) {
        const std::vector<int>& m = doc.trunks[k].members;
        if (doc.trunks[k].isStatic && std::find(m.begin(), m.end(), port) != m.end()) return k + 1;
    }
    return 0;
}

std::vector<std::string> PortRowNames(const BackupDocument& doc) {
    std::vector<std::string> rows;
    bool shown[kTrunks + 1] = {};
    for (int port = 1; port <= kTrunkPorts; ++port) {
        const int trunk = RowTrunkOfPort(doc, port);
        if (trunk == 0)
            rows.push_back(ConsolePortName(port));
        else if (!std::exchange(shown[trunk], true))
            rows.push_back("TRK" + std::to_string(trunk));
    }
    return rows;
}

std::string MisnamedPortRow(const BackupDocument& doc) {
    const std::vector<std::string> want = PortRowNames(doc);
    for (size_t i = 0; i < std::max(want.size(), doc.ports.size()); ++i) {
        const std::string got = i < doc.ports.size() ? doc.ports[i].name : "nothing";
        const std::string wanted = i < want.size() ? want[i] : "nothing";
        if (got != wanted)
            return "row " + std::to_string(i + 1) + ": " + got + " in place of " + wanted;
    }
    return std::string();
}

void CapturePorts(BackupDocument& doc) {
    doc.ports.clear();
    for (int i = 0; i < kPortTableSize; ++i) {
        if (!HasPortName(i)) continue;
        const PortEntry& e = PortTable[i];
        BackupPort p;
        p.name = ShortRowName(Field(e.name));
        p.type = Trim(Field(e.type));
        p.inRate = e.inRate;
        p.outRate = e.outRate;
        p.enabled = e.enabled;
        p.autoNego = Trim(Field(e.autoText));
        p.speed = Trim(Field(e.speedText));
        p.flowFull = e.flowFull;
        p.flowHalf = e.flowHalf;
        doc.ports.push_back(p);
    }
}

void CaptureTrunks(BackupDocument& doc) {
    for (int k = 0; k < kTrunks; ++k) {
        doc.trunks[k].isStatic = TrunkTable[k].isStatic;
        doc.trunks[k].members.clear();
        for (int p = 1; p <= kTrunkPorts; ++p)
            if (TrunkTable[k].member[p]) doc.trunks[k].members.push_back(p);
    }
}

void CaptureVlanSupport(BackupDocument& doc) {
    doc.vlanMode = SavedVlanMode;
    doc.pvids.clear();
    if (doc.vlanMode != kModeDot1q) return;
    for (int i = 0; i < kPvidTableSize; ++i)
        if (ValidPvidEntry(i))
            doc.pvids[ShortRowName(Field(PvidTable[i].name))] = PvidTable[i].pvid;
}

BackupGroup CaptureGroup() {
    BackupGroup g;
    g.name = Trim(Field(GroupNameText));
    int32_t id = 0;
    g.id = ParseInt(Field(GroupIdText), id) ? id : 0;
    for (int i = 0; i < kMemberTableSize; ++i) {
        if (!ValidMemberEntry(i)) continue;
        const std::string choice = Lower(Trim(Field(MemberTable[i].choiceText)));
        if (choice.empty() || choice == "no") continue;
        g.members[choice].push_back(ShortRowName(Field(MemberTable[i].name)));
    }
    return g;
}

void CaptureMisc(BackupDocument& doc) {
    doc.retryForever = MiscSettings.retryForever;
    doc.autoAging = MiscSettings.autoAging;
    doc.macHash = MiscSettings.hashIndex >= 0 ? Trim(MacHashChoice(MiscSettings.hashIndex)) : "";
    doc.user = Trim(Field(ConsoleUserName));
}

QByteArray BackupToJson(const BackupDocument& doc) {
    QJsonObject root;
    root["format"] = QStringLiteral("tavik-config settings");
    root["formatVersion"] = doc.formatVersion;
    root["firmware"] = Q(doc.firmware);
    root["time"] = Q(doc.time);
    QJsonArray ports;
    for (const BackupPort& p : doc.ports) {
        QJsonObject o;
        o["name"] = Q(p.name);
        o["type"] = Q(p.type);
        o["inRate"] = p.inRate;
        o["outRate"] = p.outRate;
        o["enabled"] = p.enabled;
        o["autoNego"] = Q(p.autoNego);
        o["speed"] = Q(p.speed);
        o["flowFull"] = p.flowFull;
        o["flowHalf"] = p.flowHalf;
        ports.append(o);
    }
    root["ports"] = ports;
    QJsonArray trunks;
    for (int k = 0; k < kTrunks; ++k) {
        QJsonObject o;
        o["trunk"] = k + 1;
        o["static"] = doc.trunks[k].isStatic;
        std::vector<std::string> names;
        for (int p : doc.trunks[k].members)
            names.push_back(ConsolePortName(p));
        o["members"] = NameArray(names);
        trunks.append(o);
    }
    root["trunks"] = trunks;
    root["vlanMode"] = QString::fromLatin1(VlanModeWord(doc.vlanMode));
    root["vlanNote"] = QStringLiteral(
        "Only the current VLAN mode's groups are kept; the other mode's table is neither read "
        "nor changed.");
    if (doc.vlanMode == kModeDot1q) {
        QJsonObject pvids;
        for (const auto& [name, pvid] : doc.pvids)
            pvids[Q(name)] = pvid;
        root["pvids"] = pvids;
    }
    QJsonArray groups;
    for (const BackupGroup& g : doc.groups) {
        QJsonObject o;
        o["id"] = g.id;
        o["name"] = Q(g.name);
        for (const auto& [choice, names] : g.members)
            o[Q(choice)] = NameArray(names);
        groups.append(o);
    }
    root["groups"] = groups;
    root["retryForever"] = doc.retryForever;
    root["autoAging"] = doc.autoAging;
    root["macHash"] = Q(doc.macHash);
    root["user"] = Q(doc.user);
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}
