// What the trunk flows cannot reach: screens that do not line up, the order
// of the trunk rules, and the longest keystroke text in its buffer.
#include "forms/trunk/TrunkModel.h"
#include "lang/Language.h"
#include "shared/Publicunit.h"
#include "tests/harness/TableRows.h"

#include <QtTest>

#include <string>

namespace {

// The trunk screen with one cell missing, one twice, or one with `text` (0: none).
struct Lineup {
    const char* tag;
    int missing, twice, value;
    const char* text;
    bool garbled;
};
const Lineup kLineups[] = {
    {"intact", 0, 0, 0, "", false},
    {"static status", 0, 0, 5014, "Static ", false},
    {"member", 0, 0, 5726, "v", false},
    {"status lost", 5014, 0, 0, "", true},
    {"last member lost", 5726, 0, 0, "", true},
    {"status twice", 0, 5011, 0, "", true},
    {"member in another's place", 5305, 5306, 0, "", true},
    {"status without its blank", 0, 0, 5013, "Static", true},
    {"member in capitals", 0, 0, 5305, "V", true},
    {"member blank", 0, 0, 5101, " ", true},
};

} // namespace

class TrunkModelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        ResetTrunkTables();
    }

    void trunkScreenLineup_data() { TableRows(kLineups); }
    void trunkScreenLineup() {
        const Lineup& r = CurrentRow(kLineups);
        const int missing = r.missing, twice = r.twice, value = r.value;
        auto cell = [](int v) -> bool& {
            return v / 100 == 50 ? TrunkTable[v % 10 - 1].isStatic
                                 : TrunkTable[v / 100 % 10 - 1].member[v % 100];
        };
        if (value) cell(value) = true;
        for (int k = 1; k <= 7; ++k) {
            for (int v = 5000 + 100 * k + 1; v <= 5000 + 100 * k + 26; ++v)
                if (v != missing) StoreTrunkCell(v, v == value ? r.text : "-");
            const int status = 5010 + k;
            if (status != missing) StoreTrunkCell(status, status == value ? r.text : "Disable");
        }
        if (twice) StoreTrunkCell(twice, twice / 100 == 50 ? "Disable" : "-");
        QCOMPARE(TrunkScreenGarbled(), r.garbled);
        if (value) QCOMPARE(cell(value), !r.garbled);
        QCOMPARE(StoreTrunkCell(5127, "v"), -1); // no port 27
        QCOMPARE(StoreTrunkCell(5801, "v"), -1); // no trunk 8
        // A new read starts clean.
        ResetTrunkTables();
        QVERIFY(TrunkScreenGarbled()); // nothing came yet
    }

    // Both rules for one trunk before the next trunk; counts only from a
    // collection.
    void trunkRuleOrder() {
        TrunkTable[1].member[24] = TrunkTable[1].member[25] = true; // trunk 2 mixed
        TrunkTable[3].member[1] = true;                             // trunk 4 alone
        TrunkRuleBreak b = FindTrunkRuleBreak();
        QVERIFY(b.rule == TrunkRule::Mixing && b.trunk == 1); // not collected yet
        StartTrunkCollection();
        CollectTrunkMember(1, 24, true);
        CollectTrunkMember(1, 25, true);
        CollectTrunkMember(0, 3, true);
        b = FindTrunkRuleBreak();
        QVERIFY(b.rule == TrunkRule::Count && b.trunk == 0);
        CollectTrunkMember(0, 4, true);
        b = FindTrunkRuleBreak();
        QVERIFY(b.rule == TrunkRule::Mixing && b.trunk == 1);
    }

    // The longest text an Apply can type fits its buffer (and what SendKeys
    // takes), and is cut short, terminated, in a smaller one: every port
    // moved to another trunk, every status changed, 252 keys.
    void longestKeyText() {
        for (int p = 1; p <= kTrunkPorts; ++p) {
            SavedTrunkTable[p % kTrunks].member[p] = true;
            TrunkTable[(p + 1) % kTrunks].member[p] = true;
        }
        for (int k = 0; k < kTrunks; ++k)
            TrunkTable[k].isStatic = true;
        char keys[kTrunkKeysSize];
        QCOMPARE(BuildTrunkKeys(true, true, keys, sizeof keys), 252);
        char small[20];
        QCOMPARE(BuildTrunkKeys(true, true, small, 10), 9);
        QCOMPARE(std::string(small), std::string(keys, 9));
    }
};

QTEST_MAIN(TrunkModelTest)
#include "tst_trunk_model.moc"
