// The simulator's state file: a dump reads back to the same state, a file
// may leave anything out, and every state the switch could not have stored
// is refused with the field named.
#include "sim/Rules.h"
#include "sim/StateJson.h"

#include <QtTest>

namespace {

sim::SwitchState Busy() {
    sim::SwitchState s = sim::FactoryState({"1000TX", "100FX"});
    sim::Port& p = s.ports[0];
    p.inRate = 300, p.enabled = false, p.autoNego = "NWAY_FORCE", p.speed = "  10 Half";
    p.flowFull = false, p.flowHalf = true, p.pvid = 200;
    s.ports[1] = p; // a static trunk's members share their settings
    s.trunks[2].isStatic = s.trunks[2].members[0] = s.trunks[2].members[1] = true;
    s.trunks[4].members[24] = s.trunks[4].members[25] = true;
    s.vlanMode = sim::kModePortBased;
    s.portBasedGroups = {{3, "e n g", {0, 0, 0, 0, sim::kMemberUntagged}}};
    s.dot1qGroups = {{4094, "voice", {0, 0, sim::kMemberUntagged}}};
    s.dot1qGroups[0].member[25] = sim::kMemberTagged;
    s.user = "root", s.password = "p@ss\"w\\rd", s.retryForever = "Enabled ";
    s.autoAging = "Disabled", s.macHash = "DirectMap";
    return s;
}

} // namespace

class SimStateJsonTest : public QObject {
    Q_OBJECT

private slots:
    void dumpReadsBackAndAFileMayLeaveAnythingOut() {
        const QByteArray json = sim::DumpStateJson(Busy());
        sim::SwitchState loaded = sim::FactoryState({"NC", "NC"}); // the dump says everything
        std::string error;
        QVERIFY2(sim::LoadStateJson(json, loaded, error), error.c_str());
        QCOMPARE(loaded, Busy());
        QCOMPARE(sim::DumpStateJson(loaded), json);
        QVERIFY(json.contains("\"speed\": \"  10 Half\"")); // exact console texts
        QVERIFY(sim::LoadStateJson("{}", loaded, error));
        QCOMPARE(loaded, Busy());

        sim::SwitchState s = sim::FactoryState(), expected = s;
        QVERIFY2(sim::LoadStateJson(R"({"ports": [{"port": 3, "autoNego": "FORCE"}],
            "dot1qGroups": [{"id": 20, "name": "b"}, {"id": 7, "name": "a"}]})",
                                    s, error),
                 error.c_str());
        expected.ports[2].autoNego = "   FORCE  ";
        expected.dot1qGroups = {{7, "a", {}}, {20, "b", {}}}; // the table replaced, in id order
        QCOMPARE(s, expected);

        // A module trunk whose 1000TX member took a speed its 1000FX partner
        // lacks: a state the port screen's trunk row leaves behind.
        s = sim::FactoryState({"1000FX", "1000TX"});
        QVERIFY2(sim::LoadStateJson(R"({"ports": [{"port": 26, "speed": " 100 Full"}],
            "trunks": [{"trunk": 1, "static": true, "members": [25, 26]}]})",
                                    s, error),
                 error.c_str());
    }

    void refusalsNameTheField_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("field"); // how the error starts
        const std::vector<std::pair<const char*, const char*>> rows{
            {R"({"user": )", "not valid JSON"},
            {R"({"vlanmode": "PortBased"})", "vlanmode: unknown field"},
            {R"({"ports": [{"port": 3, "inRate": 1001}]})", "ports[3].inRate"},
            {R"({"ports": [{"port": 26, "outRate": 5}]})", "ports[26].outRate"},
            {R"({"ports": [{"port": 1, "speed": "1000 Full"}]})", "ports[1].speed"},
            {R"({"ports": [{}, {"pvid": 0}]})", "ports[2].pvid"},
            {R"({"ports": [{"port": 4}, {"port": 4}]})", "ports[4].port"},
            {R"({"ports": [{"enabled": "yes"}]})", "ports[1].enabled"},
            {R"({"moduleTypes": ["10GX", "NC"]})", "moduleTypes[1]"},
            {R"({"trunks": [{"trunk": 2, "members": [5]}]})", "trunks: Trunk 2: 2 to 4 members"},
            {R"({"ports": [{"port": 6, "inRate": 9}], "trunks": [{"static": true, "members": [5, 6]}]})",
             "ports[6]: settings differ"},
            {R"({"dot1qGroups": [{"id": 5, "name": "abcdefg"}]})", "dot1qGroups (id 5).name"},
            {R"({"portBasedGroups": [{"id": 2, "name": "mod_1"}]})", "portBasedGroups (id 2).name"},
            {R"({"dot1qGroups": [{"id": 4095, "name": "x"}]})", "dot1qGroups (id 4095).id"},
            {R"({"dot1qGroups": [{"id": 5, "name": "x"}, {"id": 5, "name": "y"}]})",
             "dot1qGroups (id 5).id"},
            {R"({"portBasedGroups": [{"id": 1, "name": "x", "tagged": [1]}]})",
             "portBasedGroups[1].tagged"},
            {R"({"dot1qGroups": [{"id": 9, "name": "x", "untagged": [3], "tagged": [3]}]})",
             "dot1qGroups[1].tagged"},
            {R"({"password": "12345678901"})", "password"},
            {R"({"user": "a b"})", "user"},
            {R"({"retryForever": "Maybe"})", "retryForever"},
        };
        for (const auto& [json, field] : rows)
            QTest::newRow(json) << QByteArray(json) << QString(field);
    }

    void refusalsNameTheField() {
        QFETCH(QByteArray, json);
        QFETCH(QString, field);
        sim::SwitchState s = Busy();
        std::string error;
        QVERIFY(!sim::LoadStateJson(json, s, error));
        QVERIFY2(QString::fromStdString(error).startsWith(field), error.c_str());
        QCOMPARE(s, Busy()); // nothing taken from a refused file
    }
};

QTEST_GUILESS_MAIN(SimStateJsonTest)
#include "sim_state_json_test.moc"
