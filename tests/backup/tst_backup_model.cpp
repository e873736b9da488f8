// The settings document without a switch: a file read back gives the same
// document, every rule names the first bad field, and the differences list
// what a restore would change.
#include "forms/BackupModel.h"
#include "forms/VlanSupportModel.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

BackupDocument Sample() {
    BackupDocument d;
    d.firmware = "1.02a - A1";
    d.time = "2026-12-05T23:00:00Z";
    for (int p = 3; p <= 24; ++p)
        d.ports.push_back(
            {ConsolePortName(p), "100TX", 0, 0, true, "AUTO", "100 Full", true, false});
    d.ports.push_back({"TRK1", "100TX", 10, 20, true, "FORCE", "10 Half", false, true});
    d.ports.push_back({"MOD_1", "1000TX", 0, 0, true, "AUTO", "1000 Full", true, false});
    d.ports.push_back({"MOD_2", "1000FX", 0, 0, false, "AUTO", "1000 Full", true, false});
    d.trunks[0] = {true, {1, 2}};
    d.trunks[3] = {false, {25, 26}};
    d.vlanMode = kModeDot1q;
    for (int p = 1; p <= 26; ++p)
        d.pvids[ConsolePortName(p)] = p == 7 ? 20 : 1;
    d.groups.push_back({1, "VLAN1", {{"untagged", {"PORT1", "PORT2"}}}});
    d.groups.push_back({20, "voice", {{"untagged", {"PORT7"}}, {"tagged", {"MOD_1"}}}});
    d.retryForever = true;
    d.autoAging = false;
    d.macHash = "DirectMap";
    d.user = "netops";
    return d;
}

// The sample's JSON with one field replaced (a JSON text at a path of
// object keys and array indexes).
QByteArray Changed(const QString& path, const QJsonValue& value) {
    QJsonObject root = QJsonDocument::fromJson(BackupToJson(Sample())).object();
    const QStringList parts = path.split(QLatin1Char('/'));
    std::function<QJsonValue(QJsonValue, int)> set = [&](QJsonValue at, int k) -> QJsonValue {
        if (k == parts.size()) return value;
        bool index = false;
        const int i = parts[k].toInt(&index);
        if (index) {
            QJsonArray a = at.toArray();
            a[i] = set(a[i], k + 1);
            return a;
        }
        QJsonObject o = at.toObject();
        if (value.isUndefined() && k + 1 == parts.size())
            o.remove(parts[k]);
        else
            o[parts[k]] = set(o[parts[k]], k + 1);
        return o;
    };
    return QJsonDocument(set(root, 0).toObject()).toJson();
}

} // namespace

class BackupModelTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip() {
        const BackupDocument d = Sample();
        QCOMPARE(CheckBackupRules(d), std::string());
        BackupDocument back;
        std::string error;
        QVERIFY2(BackupFromJson(BackupToJson(d), back, error), error.c_str());
        QVERIFY(back.firmware == d.firmware && back.time == d.time && back.user == d.user);
        QVERIFY(back.ports == d.ports && back.pvids == d.pvids && back.groups == d.groups);
        QVERIFY(std::equal(back.trunks, back.trunks + 7, d.trunks));
        QVERIFY(back.vlanMode == d.vlanMode && back.macHash == d.macHash);
        QVERIFY(back.retryForever == d.retryForever && back.autoAging == d.autoAging);
        QVERIFY(DiffBackups(d, back).empty());
        // No password field, whatever the account.
        QVERIFY(!BackupToJson(d).toLower().contains("password"));
    }

    void refused_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("error");
        auto row = [](const char* name, const char* path, const QJsonValue& value,
                      const char* error) {
            QTest::newRow(name) << QString::fromLatin1(path) << value << QString::fromLatin1(error);
        };
        row("version", "formatVersion", 2, "formatVersion: version 2");
        row("format", "format", "x", "format: not a settings file");
        row("unknown field", "password", "x", "password: unknown field");
        row("rate", "ports/0/inRate", 1001, "ports[0].inRate: must be 0 to 1000");
        row("rate type", "ports/0/outRate", "5", "ports[0].outRate: must be a whole");
        row("module rate", "ports/23/outRate", 5, "ports[23].outRate: must be 0 on a module");
        row("speed of type", "ports/24/speed", "100 Full",
            "ports[24].speed: 100 Full is not offered");
        row("auto", "ports/1/autoNego", "auto", "ports[1].autoNego");
        row("port twice", "ports/1/name", "PORT3", "ports[1].name: PORT3 is listed twice");
        row("port count", "ports/0/name", "TRK2", "ports: PORT3 has no row");
        row("missing", "ports/0/flowHalf", QJsonValue::Undefined, "ports[0].flowHalf: missing");
        row("trunk of one", "trunks/3/members", QJsonArray{"MOD_1"},
            "trunks[3].members: a trunk holds 2 to 4");
        row("trunk mixing", "trunks/3/members", QJsonArray{"PORT9", "MOD_1"},
            "trunks[3].members: ports 1-24 and module");
        row("port in two trunks", "trunks/2/members", QJsonArray{"PORT2", "PORT5"},
            "PORT2 is in two trunks");
        row("mode", "vlanMode", "8021q", "vlanMode: must be");
        row("pvid", "pvids/PORT7", 256, "pvids.PORT7: must be 1 to 255");
        row("group id", "groups/1/id", 4095, "groups[1].id: must be 1 to 4094");
        row("group id twice", "groups/1/id", 1, "groups[1].id: 1 used twice");
        row("group name long", "groups/1/name", "voice12", "groups[1].name: 1 to 6");
        row("group name port", "groups/1/name", "trk3", "groups[1].name: trk3 is a port");
        row("member choice", "groups/1/member", QJsonArray{"PORT3"},
            "groups[1].member: not a member choice");
        row("member twice", "groups/1/tagged", QJsonArray{"PORT7"},
            "groups[1].untagged: PORT7 is listed twice");
        row("user", "user", "net ops", "user: 1 to 10");
        row("hash", "macHash", "CRC", "macHash: must be");
        row("not json", "", QJsonValue(), "file: not JSON");
    }
    void refused() {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(QString, error);
        const QByteArray json = path.isEmpty() ? QByteArray("{\"format\": ") : Changed(path, value);
        BackupDocument d;
        std::string got;
        QVERIFY(!BackupFromJson(json, d, got));
        QVERIFY2(QString::fromStdString(got).startsWith(error) ||
                     QString::fromStdString(got).contains(error),
                 got.c_str());
    }

    void portBasedMembers() {
        BackupDocument d = Sample();
        d.vlanMode = kModePortBased;
        d.pvids.clear();
        d.groups = {{3, "eng", {{"member", {"PORT5", "TRK1"}}}}};
        QCOMPARE(CheckBackupRules(d), std::string());
        d.groups[0].id = 27;
        QCOMPARE(CheckBackupRules(d), std::string("groups[0].id: must be 1 to 26"));
        d.groups[0].id = 3;
        d.pvids["PORT1"] = 2;
        QCOMPARE(CheckBackupRules(d), std::string("pvids: PVIDs are kept in 802.1Q mode only"));
    }

    void differences() {
        const BackupDocument now = Sample();
        BackupDocument want = Sample();
        want.trunks[1] = {true, {5, 6}};
        want.ports[0].inRate = 300;
        want.ports.back().type = "1000TX";
        want.ports.back().speed = "10 Half";
        want.vlanMode = kModeDot1q;
        want.pvids["PORT7"] = 1;
        want.groups[1].id = 30;
        want.groups.push_back({40, "lab", {{"untagged", {"PORT9"}}}});
        want.groups.erase(want.groups.begin());
        want.macHash = "CRC-Hash";
        const std::vector<std::string> expected = {
            "Trunk 2: disabled none -> static PORT5 PORT6",
            "Port PORT3: in rate 0 -> 300",
            "Port MOD_2: type 1000TX in the file, 1000FX on the switch; its speed is not set",
            "VLAN group voice (ID 30): deleted as ID 20 and created again, tagged MOD_1; "
            "untagged PORT7",
            "VLAN group lab (ID 40): created, untagged PORT9",
            "PVID of PORT7: 20 -> 1",
            "VLAN group VLAN1 (ID 1): deleted",
            "Misc: MAC hash DirectMap -> CRC-Hash"};
        const std::vector<std::string> got = DiffBackups(now, want);
        for (size_t i = 0; i < std::max(got.size(), expected.size()); ++i)
            QCOMPARE(i < got.size() ? got[i] : "", i < expected.size() ? expected[i] : "");
    }

    void rowNames() {
        QCOMPARE(ShortRowName("TRUNK3"), std::string("TRK3"));
        QCOMPARE(ShortRowName(" MODULE2 "), std::string("MOD_2"));
        QCOMPARE(ConsolePortNumber("MOD_2"), 26);
        QCOMPARE(ConsolePortNumber("PORT25"), 0);
        QCOMPARE(VlanModeOfWord("port-based"), kModePortBased);
    }
};

QTEST_GUILESS_MAIN(BackupModelTest)
#include "tst_backup_model.moc"
