// What the console flows cannot reach: console texts the switch never sends,
// the order of the trunk rules, and the longest keystroke texts in their
// buffers.
#include "forms/base/FormRefs.h"
#include "forms/base/Messageform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/trunk/TrunkModel.h"
#include "lang/Language.h"
#include "shared/Publicunit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

#include <cstring>
#include <string>

class ConfigModelTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ResetSharedState();
        ResetTrunkTables();
        ResetMiscSettings();
    }
    void cleanup() {
        frmMiscConfigX.clear();
        CloseBusyBox();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The switches follow their console text through the window (any case,
    // with or without the blank the switch sends). The hash needs its text
    // exactly; with no choice selected, Apply types a Space only if the user
    // picks one.
    void miscTexts_data() {
        QTest::addColumn<QByteArray>("switchText");
        QTest::addColumn<bool>("on");
        QTest::addColumn<QByteArray>("hash");
        QTest::addColumn<QByteArray>("hashAgain"); // a later read, if any
        QTest::addColumn<int>("index");
        QTest::newRow("Enabled, CRC-Hash with its blank")
            << QByteArray("Enabled") << true << QByteArray("CRC-Hash ") << QByteArray() << 0;
        QTest::newRow("ENABLED, DirectMap")
            << QByteArray("ENABLED") << true << QByteArray("DirectMap") << QByteArray() << 1;
        QTest::newRow("enabled, CRC-Hash without the blank: none")
            << QByteArray("enabled") << true << QByteArray("CRC-Hash") << QByteArray() << -1;
        QTest::newRow("as the switch sends it, a blank hash text keeps the choice")
            << QByteArray("Enabled ") << true << QByteArray("DirectMap") << QByteArray("   ") << 1;
        QTest::newRow("Disabled") << QByteArray("Disabled") << false << QByteArray("DirectMap")
                                  << QByteArray() << 1;
        QTest::newRow("empty") << QByteArray("") << false << QByteArray("CRC-Hash ") << QByteArray()
                               << 0;
    }
    void miscTexts() {
        QFETCH(QByteArray, switchText);
        QFETCH(bool, on);
        QFETCH(QByteArray, hash);
        QFETCH(QByteArray, hashAgain);
        QFETCH(int, index);
        HandleMiscRow(11105, switchText.constData());
        HandleMiscRow(11106, switchText.constData());
        HandleMiscRow(11107, hash.constData());
        auto* w = new TfrmMiscConfigX;
        frmMiscConfigX.set(w);
        w->ShowMisc();
        if (!hashAgain.isNull()) {
            HandleMiscRow(11107, hashAgain.constData());
            w->ShowMisc();
        }
        QCOMPARE(w->chkRetryForever->isChecked(), on);
        QCOMPARE(w->chkAutoAging->isChecked(), on);
        QCOMPARE(w->cboMacHash->currentIndex(), index);
        TakeMiscCopy();
        w->CollectMisc();
        char keys[64];
        BuildMiscKeys("a", "", "", "", keys, sizeof keys);
        QCOMPARE(std::string(keys), std::string("\ra\t\t\t\t\t\t\x01\t\r"));
    }

    void trunkScreenLineup_data() {
        QTest::addColumn<int>("missing"); // a cell that never came (0: none)
        QTest::addColumn<int>("twice");   // a cell that came twice (0: none)
        QTest::addColumn<int>("value");   // a cell with this text instead...
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("garbled");
        QTest::newRow("intact") << 0 << 0 << 0 << QByteArray() << false;
        QTest::newRow("static status") << 0 << 0 << 5014 << QByteArray("Static ") << false;
        QTest::newRow("member") << 0 << 0 << 5726 << QByteArray("v") << false;
        QTest::newRow("status lost") << 5014 << 0 << 0 << QByteArray() << true;
        QTest::newRow("last member lost") << 5726 << 0 << 0 << QByteArray() << true;
        QTest::newRow("status twice") << 0 << 5011 << 0 << QByteArray() << true;
        QTest::newRow("member in another's place") << 5305 << 5306 << 0 << QByteArray() << true;
        QTest::newRow("status without its blank") << 0 << 0 << 5013 << QByteArray("Static") << true;
        QTest::newRow("member in capitals") << 0 << 0 << 5305 << QByteArray("V") << true;
        QTest::newRow("member blank") << 0 << 0 << 5101 << QByteArray(" ") << true;
    }
    void trunkScreenLineup() {
        QFETCH(int, missing);
        QFETCH(int, twice);
        QFETCH(int, value);
        QFETCH(QByteArray, text);
        QFETCH(bool, garbled);
        auto cell = [](int v) -> bool& {
            return v / 100 == 50 ? TrunkTable[v % 10 - 1].isStatic
                                 : TrunkTable[v / 100 % 10 - 1].member[v % 100];
        };
        if (value) cell(value) = true;
        for (int k = 1; k <= 7; ++k) {
            for (int v = 5000 + 100 * k + 1; v <= 5000 + 100 * k + 26; ++v)
                if (v != missing) StoreTrunkCell(v, v == value ? text.constData() : "-");
            const int status = 5010 + k;
            if (status != missing)
                StoreTrunkCell(status, status == value ? text.constData() : "Disable");
        }
        if (twice) StoreTrunkCell(twice, twice / 100 == 50 ? "Disable" : "-");
        QCOMPARE(TrunkScreenGarbled(), garbled);
        if (value) QCOMPARE(cell(value), !garbled);
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

    // The longest texts an Apply can type fit their buffers (and what
    // SendKeys takes), and are cut short, terminated, in smaller ones. Misc:
    // four full boxes and every switch changed, 53 keys. Trunk: every port
    // moved to another trunk, every status changed, 252 keys.
    void longestKeyTexts() {
        MiscSettings.retryForever = MiscSettings.autoAging = true;
        MiscSettings.hashIndex = 1;
        const std::string ten = "0123456789";
        char misc[64];
        QCOMPARE(BuildMiscKeys(ten, ten, ten, ten, misc, sizeof misc), 53);
        char small[20];
        std::memset(small, 'x', sizeof small);
        QCOMPARE(BuildMiscKeys(ten, ten, ten, ten, small, 12), 11);
        QCOMPARE(small[11], '\0');
        QCOMPARE(small[12], 'x');

        for (int p = 1; p <= kTrunkPorts; ++p) {
            SavedTrunkTable[p % kTrunks].member[p] = true;
            TrunkTable[(p + 1) % kTrunks].member[p] = true;
        }
        for (int k = 0; k < kTrunks; ++k)
            TrunkTable[k].isStatic = true;
        char keys[kTrunkKeysSize];
        QCOMPARE(BuildTrunkKeys(true, true, keys, sizeof keys), 252);
        QCOMPARE(BuildTrunkKeys(true, true, small, 10), 9);
        QCOMPARE(std::string(small), std::string(keys, 9));
    }
};

QTEST_MAIN(ConfigModelTest)
#include "tst_config_model.moc"
