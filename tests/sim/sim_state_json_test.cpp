// The simulator's state file: a dump reads back to the same state, a file
// may leave anything out, and every state the switch could not have stored
// is refused with the field named.
#include "sim/Rules.h"
#include "sim/StateJson.h"

#include <QtTest>

namespace {

sim::SwitchState Busy() {
    sim::SwitchState s = sim::FactoryState({"1000TX", "100FX"});
    s.ports[0].inRate = 300;
    s.ports[0].enabled = false;
    s.ports[0].autoNego = "NWAY_FORCE";
    s.ports[0].speed = "  10 Half";
    s.ports[0].flowFull = false;
    s.ports[0].flowHalf = true;
    s.ports[1] = s.ports[0]; // a static trunk's members share their settings
    s.trunks[2].isStatic = true;
    s.trunks[2].members[0] = s.trunks[2].members[1] = true;
    s.trunks[4].members[24] = s.trunks[4].members[25] = true;
    s.ports[7].pvid = 200;
    s.vlanMode = sim::kModePortBased;
    sim::VlanGroup eng;
    eng.id = 3;
    eng.name = "e n g";
    eng.member[4] = sim::kMemberUntagged;
    s.portBasedGroups.push_back(eng);
    sim::VlanGroup voice;
    voice.id = 4094;
    voice.name = "voice";
    voice.member[25] = sim::kMemberTagged;
    voice.member[2] = sim::kMemberUntagged;
    s.dot1qGroups.push_back(voice);
    s.user = "root";
    s.password = "p@ss\"w\\rd";
    s.retryForever = "Enabled ";
    s.autoAging = "Disabled";
    s.macHash = "DirectMap";
    return s;
}

} // namespace

class SimStateJsonTest : public QObject {
    Q_OBJECT

private slots:
    void dumpReadsBackToTheSameState() {
        const sim::SwitchState s = Busy();
        const QByteArray json = sim::DumpStateJson(s);
        // Read over a different starting state: the dump says everything.
        sim::SwitchState loaded = sim::FactoryState({"NC", "NC"});
        std::string error;
        QVERIFY2(sim::LoadStateJson(json, loaded, error), error.c_str());
        QCOMPARE(loaded, s);
        QCOMPARE(sim::DumpStateJson(loaded), json);
        QVERIFY(json.contains("\"speed\": \"  10 Half\"")); // exact console texts
    }

    void aFileMayLeaveAnythingOut() {
        sim::SwitchState s = sim::FactoryState();
        std::string error;
        QVERIFY2(sim::LoadStateJson(R"({
            "vlanMode": "802.1Q",
            "moduleTypes": ["1000TX", "NC"],
            "ports": [{"port": 3, "inRate": 50, "autoNego": "FORCE"}, {"port": 25, "speed": "1000 Half"}],
            "dot1qGroups": [{"id": 20, "name": "b", "tagged": [26]}, {"id": 7, "name": "a"}]
        })",
                                    s, error),
                 error.c_str());
        sim::SwitchState expected = sim::FactoryState({"1000TX", "NC"});
        expected.vlanMode = sim::kModeDot1q;
        expected.ports[2].inRate = 50;
        expected.ports[2].autoNego = "   FORCE  ";
        expected.ports[24].speed = "1000 Half";
        sim::VlanGroup a, b;
        a.id = 7;
        a.name = "a";
        b.id = 20;
        b.name = "b";
        b.member[25] = sim::kMemberTagged;
        expected.dot1qGroups = {a, b}; // the table replaced, in id order
        QCOMPARE(s, expected);
        QCOMPARE(s.ports[25].speed, std::string("   NC    ")); // the NC slot's only choice

        sim::SwitchState unchanged = Busy();
        QVERIFY(sim::LoadStateJson("{}", unchanged, error));
        QCOMPARE(unchanged, Busy());
    }

    void refusalsNameTheField_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field");
        QTest::newRow("not json") << QByteArray("{\"user\": ") << "not valid JSON";
        QTest::newRow("not an object") << QByteArray("[]") << "JSON object";
        QTest::newRow("misspelt key")
            << QByteArray(R"({"vlanmode": "PortBased"})") << "vlanmode: unknown field";
        QTest::newRow("rate over the limit")
            << QByteArray(R"({"ports": [{"port": 3, "inRate": 1001}]})") << "ports[3].inRate";
        QTest::newRow("rate on a module port")
            << QByteArray(R"({"ports": [{"port": 26, "outRate": 5}]})") << "ports[26].outRate";
        QTest::newRow("speed of another type")
            << QByteArray(R"({"ports": [{"port": 1, "speed": "1000 Full"}]})") << "ports[1].speed";
        QTest::newRow("pvid zero")
            << QByteArray(R"({"ports": [{}, {"pvid": 0}]})") << "ports[2].pvid";
        QTest::newRow("port 27") << QByteArray(R"({"ports": [{"port": 27}]})") << "ports[1].port";
        QTest::newRow("port twice")
            << QByteArray(R"({"ports": [{"port": 4}, {"port": 4}]})") << "ports[4].port";
        QTest::newRow("wrong type")
            << QByteArray(R"({"ports": [{"enabled": "yes"}]})") << "ports[1].enabled";
        QTest::newRow("port type")
            << QByteArray(R"({"ports": [{"port": 25, "type": "100TX"}]})") << "ports[25].type";
        QTest::newRow("unknown module")
            << QByteArray(R"({"moduleTypes": ["10GX", "NC"]})") << "moduleTypes[1]";
        QTest::newRow("one-port trunk")
            << QByteArray(R"({"trunks": [{"trunk": 2, "members": [5]}]})")
            << "trunks: Trunk 2: 2 to 4 members needed.";
        QTest::newRow("port in two trunks")
            << QByteArray(R"({"trunks": [{"members": [7, 8]}, {"members": [8, 9]}]})")
            << "trunks: Port 8 is in two trunks.";
        QTest::newRow("mixed trunk")
            << QByteArray(R"({"trunks": [{"trunk": 5, "members": [24, 25]}]})")
            << "trunks: Trunk 5: ports 1-24 mixed";
        QTest::newRow("static trunk members differ")
            << QByteArray(
                   R"({"ports": [{"port": 6, "inRate": 9}], "trunks": [{"static": true, "members": [5, 6]}]})")
            << "ports[6]: settings differ";
        QTest::newRow("name too long")
            << QByteArray(R"({"dot1qGroups": [{"id": 5, "name": "abcdefg"}]})")
            << "dot1qGroups (id 5).name";
        QTest::newRow("blank name") << QByteArray(R"({"dot1qGroups": [{"id": 5, "name": "  "}]})")
                                    << "dot1qGroups (id 5).name";
        QTest::newRow("port name")
            << QByteArray(R"({"portBasedGroups": [{"id": 2, "name": "mod_1"}]})")
            << "portBasedGroups (id 2).name";
        QTest::newRow("not ascii")
            << QByteArray(R"({"dot1qGroups": [{"id": 5, "name": "caf\u00e9"}]})")
            << "dot1qGroups[1].name";
        QTest::newRow("vid 4095") << QByteArray(R"({"dot1qGroups": [{"id": 4095, "name": "x"}]})")
                                  << "dot1qGroups (id 4095).id";
        QTest::newRow("group number 27")
            << QByteArray(R"({"portBasedGroups": [{"id": 27, "name": "x"}]})")
            << "portBasedGroups (id 27).id";
        QTest::newRow("id twice")
            << QByteArray(R"({"dot1qGroups": [{"id": 5, "name": "x"}, {"id": 5, "name": "y"}]})")
            << "dot1qGroups (id 5).id";
        QTest::newRow("group without id")
            << QByteArray(R"({"dot1qGroups": [{"name": "x"}]})") << "dot1qGroups[1].id";
        QTest::newRow("tagged in port-based")
            << QByteArray(R"({"portBasedGroups": [{"id": 1, "name": "x", "tagged": [1]}]})")
            << "portBasedGroups[1].tagged";
        QTest::newRow("tagged and untagged")
            << QByteArray(
                   R"({"dot1qGroups": [{"id": 9, "name": "x", "untagged": [3], "tagged": [3]}]})")
            << "dot1qGroups[1].tagged";
        QTest::newRow("empty user") << QByteArray(R"({"user": ""})") << "user";
        QTest::newRow("long password")
            << QByteArray(R"({"password": "12345678901"})") << "password";
        QTest::newRow("blank in user") << QByteArray(R"({"user": "a b"})") << "user";
        QTest::newRow("retry choice")
            << QByteArray(R"({"retryForever": "Maybe"})") << "retryForever";
        QTest::newRow("mode choice") << QByteArray(R"({"vlanMode": "802.1X"})") << "vlanMode";
    }

    void refusalsNameTheField() {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        sim::SwitchState s = Busy();
        std::string error;
        QVERIFY(!sim::LoadStateJson(json, s, error));
        const QString e = QString::fromStdString(error);
        QVERIFY2(e.startsWith(field) || (field.contains("JSON") && e.contains(field)),
                 error.c_str());
        QCOMPARE(s, Busy()); // nothing taken from a refused file
    }

    // Corners of the shared rules the console flows do not reach.
    void ruleCorners() {
        QVERIFY(sim::IsReservedGroupName("trk3"));
        QVERIFY(!sim::IsReservedGroupName("PORT25"));
        QVERIFY(!sim::IsReservedGroupName("TRK8"));
        sim::VlanGroup g;
        g.id = 10;
        g.name = "a";
        QCOMPARE(sim::CheckGroup({g}, true, "b", 10, 10), std::string()); // its own id
        const sim::SwitchState s = sim::FactoryState();
        QVERIFY(!sim::CheckMisc(s, "x", "admin", "", ""));   // new password missing
        QVERIFY(!sim::CheckMisc(s, "x", "Admin", "n", "n")); // case counts
    }
};

QTEST_GUILESS_MAIN(SimStateJsonTest)
#include "sim_state_json_test.moc"
