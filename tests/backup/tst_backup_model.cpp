// The settings document without a switch: a file read back gives the same
// document, every rule names the first bad field, and the differences list
// what a restore would change.
#include "forms/backup/BackupModel.h"
#include "forms/backup/SettingsFile.h"
#include "forms/vlan/VlanSupportModel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include <algorithm>

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

// The sample's JSON with fields replaced: each key of `changes` a path of
// object keys and array indexes, applied in key order; null removes.
QByteArray Changed(const QJsonObject& changes) {
    QJsonObject root = QJsonDocument::fromJson(BackupToJson(Sample())).object();
    for (auto c = changes.begin(); c != changes.end(); ++c) {
        const QStringList parts = c.key().split(QLatin1Char('/'));
        const QJsonValue value = c.value();
        std::function<QJsonValue(QJsonValue, int)> set = [&](QJsonValue at, int k) -> QJsonValue {
            const bool last = k + 1 == parts.size();
            bool index = false;
            const int i = parts[k].toInt(&index);
            if (index) {
                QJsonArray a = at.toArray();
                if (last && value.isNull())
                    a.removeAt(i);
                else
                    a[i] = last ? value : set(a[i], k + 1);
                return a;
            }
            QJsonObject o = at.toObject();
            if (last && value.isNull())
                o.remove(parts[k]);
            else
                o[parts[k]] = last ? value : set(o[parts[k]], k + 1);
            return o;
        };
        root = set(root, 0).toObject();
    }
    return QJsonDocument(root).toJson();
}

// A file in `dir` holding `bytes`.
QString FileWith(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return QString();
    return path;
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
        QVERIFY(back == d && DiffBackups(d, back).empty());
        // No password field, whatever the account.
        QVERIFY(!BackupToJson(d).toLower().contains("password"));
    }

    // A file with the changes is refused naming its field and rule, or with
    // no error expected, read.
    void refused_data() {
        QTest::addColumn<QJsonObject>("changes");
        QTest::addColumn<QString>("error");
        auto row = [](const char* name, const QJsonObject& changes, const char* error) {
            QTest::newRow(name) << changes << QString::fromLatin1(error);
        };
        row("version", {{"formatVersion", 2}}, "formatVersion: version 2");
        row("format", {{"format", "x"}}, "format: not a settings file");
        row("unknown field", {{"password", "x"}}, "password: unknown field");
        row("unknown field, control bytes", {{"\x1b[2J", 1}}, "?[2J: unknown field");
        row("rate", {{"ports/0/inRate", 1001}}, "ports[0].inRate: must be 0 to 1000");
        row("rate 1e20", {{"ports/3/inRate", 1e20}}, "ports[3].inRate: must be 0 to 1000");
        row("rate -1e20", {{"ports/3/outRate", -1e20}}, "ports[3].outRate: must be 0 to 1000");
        row("rate fraction", {{"ports/3/outRate", 2.5}}, "ports[3].outRate: must be a whole");
        row("rate type", {{"ports/0/outRate", "5"}}, "ports[0].outRate: must be a whole");
        row("module rate", {{"ports/23/outRate", 5}}, "ports[23].outRate: must be 0 on a module");
        row("speed of type", {{"ports/24/speed", "100 Full"}},
            "ports[24].speed: 100 Full is not offered");
        row("type of ports 1-24", {{"ports/0/type", "1000TX"}},
            "ports[0].type: ports 1-24 and their trunks are 100TX");
        row("type of their trunk row", {{"ports/22/type", "1000TX"}},
            "ports[22].type: ports 1-24 and their trunks are 100TX");
        row("module type", {{"ports/23/type", "100TX"}}, "ports[23].type: a module port is");
        row("trunk row speed", {{"ports/22/speed", "1000 Full"}},
            "ports[22].speed: 1000 Full is not offered by a 100TX port");
        row("auto", {{"ports/1/autoNego", "auto"}}, "ports[1].autoNego");
        row("port twice", {{"ports/1/name", "PORT3"}}, "ports[1].name: PORT3 is listed twice");
        row("port without a row", {{"ports/0", QJsonValue()}}, "ports: PORT3 has no row");
        row("row of a trunk that is not static", {{"ports/23/name", "TRK4"}},
            "ports[23].name: TRK4 is no row: trunk 4 is not static");
        row("row of a trunk without members", {{"ports/23/name", "TRK5"}},
            "ports[23].name: TRK5 is no row: trunk 5 is not static with members");
        row("static trunk member on its own row", {{"trunks/3/static", true}},
            "ports: MOD_1 is in static trunk 4, so its row is TRK4");
        row("rate on the module trunk's row",
            {{"trunks/3/static", true},
             {"ports/23/name", "TRK4"},
             {"ports/23/inRate", 5},
             {"ports/24", QJsonValue()}},
            "ports[23].inRate: must be 0 on the module trunk's row");
        row("module trunk's row offers six speeds",
            {{"trunks/3/static", true},
             {"ports/23/name", "TRK4"},
             {"ports/23/type", "1000FX"},
             {"ports/23/speed", "100 Half"},
             {"ports/24", QJsonValue()}},
            "");
        row("missing", {{"ports/0/flowHalf", QJsonValue()}}, "ports[0].flowHalf: missing");
        row("trunk of one", {{"trunks/3/members", QJsonArray{"MOD_1"}}},
            "trunks[3].members: a trunk holds 2 to 4");
        row("five-port trunk",
            {{"trunks/2/members", QJsonArray{"PORT5", "PORT6", "PORT7", "PORT8", "PORT9"}}},
            "trunks[2].members: a trunk holds 2 to 4 ports");
        row("trunk mixing", {{"trunks/3/members", QJsonArray{"PORT9", "MOD_1"}}},
            "trunks[3].members: ports 1-24 and module");
        row("port in two trunks", {{"trunks/2/members", QJsonArray{"PORT2", "PORT5"}}},
            "trunks[2].members: PORT2 is in two trunks");
        row("trunk entry no object", {{"trunks/2", "x"}}, "trunks[2]: must be an object");
        row("mode", {{"vlanMode", "8021q"}}, "vlanMode: must be");
        row("pvid", {{"pvids/PORT7", 256}}, "pvids.PORT7: must be 1 to 255");
        row("pvid of a trunk row", {{"pvids/TRK1", 1}}, "pvids.TRK1: the PVID screen lists");
        row("pvid of no port", {{"pvids/PORT25", 1}}, "pvids.PORT25: the PVID screen lists");
        row("group entry no object", {{"groups/1", 5}}, "groups[1]: must be an object");
        row("group id", {{"groups/1/id", 4095}}, "groups[1].id: must be 1 to 4094");
        row("group id twice", {{"groups/1/id", 1}}, "groups[1].id: 1 used twice");
        row("group name long", {{"groups/1/name", "voice12"}}, "groups[1].name: 1 to 6");
        row("group name port", {{"groups/1/name", "trk3"}}, "groups[1].name: trk3 is a port");
        row("member choice", {{"groups/1/member", QJsonArray{"PORT3"}}},
            "groups[1].member: not a member choice");
        row("member twice", {{"groups/1/tagged", QJsonArray{"PORT7"}}},
            "groups[1].untagged: PORT7 is listed twice");
        row("trunk row as member", {{"groups/1/untagged", QJsonArray{"TRK1"}}},
            "groups[1].untagged: TRK1 is not on the member screen");
        row("user", {{"user", "net ops"}}, "user: 1 to 10");
        row("hash", {{"macHash", "CRC"}}, "macHash: must be");
        row("not json", {}, "file: not JSON");
    }
    void refused() {
        QFETCH(QJsonObject, changes);
        QFETCH(QString, error);
        const QByteArray json = changes.isEmpty() ? QByteArray("{\"format\": ") : Changed(changes);
        BackupDocument d;
        std::string got;
        QCOMPARE(BackupFromJson(json, d, got), error.isEmpty());
        QVERIFY2(QString::fromStdString(got).startsWith(error), got.c_str());
    }

    // A settings file is looked at before it is opened: only a regular file
    // of at most 1 MiB is read.
    void settingsFileRead_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("error");
        auto row = [](const char* name, const char* what, const char* error) {
            QTest::newRow(name) << QString::fromLatin1(what) << QString::fromLatin1(error);
        };
        row("file", "file", "");
        row("exactly 1 MiB", "1MiB", "");
        row("1 MiB and a byte", "1MiB+1", "file: larger than 1 MiB");
        row("folder", "folder", "file: not a regular file");
        row("device", "/dev/zero", "file: not a regular file");
        row("fifo", "fifo", "file: not a regular file");
        row("absent", "absent", "file: not found");
        row("bad field", "bad", "ports[0].inRate: must be 0 to 1000");
    }
    void settingsFileRead() {
        QFETCH(QString, what);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QByteArray json = BackupToJson(Sample());
        QString path = what.startsWith('/') ? what : dir.filePath(what);
        if (what == "file") path = FileWith(dir, "s.json", json);
        if (what.startsWith("1MiB"))
            path = FileWith(dir, "big.json",
                            json + QByteArray(kMaxSettingsFileBytes - json.size() +
                                                  (what.endsWith("+1") ? 1 : 0),
                                              ' '));
        if (what == "folder") QVERIFY(QDir(dir.path()).mkdir(what));
        if (what == "fifo") QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (what == "bad") path = FileWith(dir, "bad.json", Changed({{"ports/0/inRate", 1e20}}));
        BackupDocument d;
        std::string got;
        QCOMPARE(ReadSettingsFile(path, d, got), error.isEmpty());
        QVERIFY2(QString::fromStdString(got).startsWith(error), got.c_str());
        if (error.isEmpty()) QVERIFY(d == Sample());
    }

    // A backup's document is written only when the restore's reader reads it
    // back the same.
    void backupReadsBack() {
        BackupDocument d = Sample();
        QCOMPARE(CheckBackupReadsBack(d), std::string());
        d.trunks[0].members = {2, 1}; // taken, but read back in another order
        QVERIFY(CheckBackupReadsBack(d).find("reads back differently") != std::string::npos);
    }

    // The first row a walk read under another name, the port screen's rows
    // following the document's static trunks (trunk 4 is not static).
    void misnamedPortRow() {
        BackupDocument d = Sample();
        std::rotate(d.ports.begin(), d.ports.begin() + 22, d.ports.begin() + 23); // TRK1 first
        QCOMPARE(MisnamedPortRow(d), std::string());
        d.ports[2].name = "PORT6";
        QCOMPARE(MisnamedPortRow(d), std::string("row 3: PORT6 in place of PORT4"));
        d.ports[2].name = "PORT4";
        d.ports.pop_back();
        QCOMPARE(MisnamedPortRow(d), std::string("row 25: nothing in place of MOD_2"));
    }

    void portBasedMembers() {
        BackupDocument d = Sample();
        d.vlanMode = kModePortBased;
        d.pvids.clear();
        d.groups = {{3, "eng", {{"member", {"PORT5", "PORT1"}}}}};
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
};

QTEST_GUILESS_MAIN(BackupModelTest)
#include "tst_backup_model.moc"
