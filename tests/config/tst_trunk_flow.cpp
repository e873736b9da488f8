// The trunk window end to end against the simulated switch: what it reads,
// the rules it refuses an Apply with, the exact keys it types and what the
// switch stores; and the module trunk the post-login walk finds for the port
// window.
#include "tests/config/ConfigSession.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QtTest>

namespace {

QRadioButton* Cell(int trunk, int port) {
    return frmTrkConfig->findChild<QRadioButton*>(
        QStringLiteral("optP%1K%2").arg(port, 2, 10, QLatin1Char('0')).arg(trunk));
}
QCheckBox* Status(int trunk) {
    return frmTrkConfig->findChild<QCheckBox*>(QStringLiteral("chkTrk%1").arg(trunk));
}

// A user's double click: a click, then a second press that the window system
// reports as a double click, and its release.
void DoubleClick(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
    QTest::mousePress(w, Qt::LeftButton);
    QTest::mouseDClick(w, Qt::LeftButton);
    QTest::mouseRelease(w, Qt::LeftButton);
}

void AddMembers(sim::Trunk& t, std::initializer_list<int> ports, bool isStatic = true) {
    t.isStatic = isStatic;
    for (int p : ports)
        t.members[p - 1] = true;
}

// The keys of an Apply that walks the 182 cells: a Space on the given cells
// (trunk, port), then the seven statuses with Spaces on the given trunks.
std::string CellWalk(std::initializer_list<std::pair<int, int>> cells,
                     std::initializer_list<int> statuses = {}) {
    std::string keys = "\r";
    for (int k = 1; k <= 7; ++k)
        for (int p = 1; p <= 26; ++p) {
            for (auto c : cells)
                if (c.first == k && c.second == p) keys += ' ';
            keys += '\t';
        }
    for (int k = 1; k <= 7; ++k) {
        for (int s : statuses)
            if (s == k) keys += ' ';
        keys += '\t';
    }
    return keys + "\x01\t\r";
}

const QString kSaved = QStringLiteral(
    "The new settings have been saved.\n\nPress OK to return to the previous menu.\n");

} // namespace

class TrunkFlowTest : public QObject {
    Q_OBJECT

    // Applies and runs until the static menu is back; the switch's answer
    // is the one message box.
    static bool ApplyAndReturn(ConfigSession& s) {
        frmTrkConfig->btnSave->click();
        return !frmTrkConfig->isEnabled() && s.StaticMenuBack() && !frmTrkConfig.exists();
    }

private slots:
    // Every status and every one of the 182 cells, as the switch holds them;
    // Exit without Apply types Tab, Tab, Enter and stores nothing.
    void openingReadsEveryCellAndExitLeavesTheSwitchAlone() {
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState();
        AddMembers(o.initial->trunks[0], {1, 2, 3, 4});
        AddMembers(o.initial->trunks[2], {25, 26}, false);
        AddMembers(o.initial->trunks[6], {20, 21});
        const sim::SwitchState before = *o.initial;
        QVERIFY(s.Open(o));
        s.Typed();
        QVERIFY(s.OpenTrunkWindow());
        QCOMPARE(s.Typed(), std::string("\t\r"));
        int on = 0;
        for (int k = 1; k <= 7; ++k) {
            QCOMPARE(Status(k)->isChecked(), before.trunks[k - 1].isStatic);
            for (int p = 1; p <= 26; ++p) {
                QCOMPARE(Cell(k, p)->isChecked(), before.trunks[k - 1].members[p - 1]);
                on += Cell(k, p)->isChecked();
            }
        }
        QCOMPARE(on, 8);
        QVERIFY(frmTrkConfig->StaticChanged && !frmTrkConfig->MembersChanged);
        QCOMPARE(int(frmTrkConfig->RulesArmed), 1);

        frmTrkConfig->btnQuit->click();
        QVERIFY(s.StaticMenuBack() && !frmTrkConfig.exists());
        QCOMPARE(s.Typed(), std::string("\t\t\r"));
        QVERIFY(s.boxes.isEmpty());
        QVERIFY(s.sim().state() == before);
    }

    void countRule_data() {
        QTest::addColumn<int>("members");
        QTest::addColumn<bool>("refused");
        QTest::newRow("none after a double click") << 0 << false;
        QTest::newRow("one") << 1 << true;
        QTest::newRow("two") << 2 << false;
        QTest::newRow("three") << 3 << false;
        QTest::newRow("four") << 4 << false;
        QTest::newRow("five") << 5 << true;
    }
    void countRule() {
        QFETCH(int, members);
        QFETCH(bool, refused);
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenTrunkWindow());
        const sim::SwitchState before = s.sim().state();
        Status(2)->click();
        if (members == 0) {
            DoubleClick(Cell(2, 1));
            QVERIFY(!Cell(2, 1)->isChecked());
        }
        for (int p = 1; p <= members; ++p)
            QTest::mouseClick(Cell(2, p), Qt::LeftButton);
        s.Typed();
        if (refused) {
            frmTrkConfig->btnSave->click();
            QCOMPARE(s.boxes.size(), 1);
            QCOMPARE(s.boxes[0].text,
                     QStringLiteral("Trunk 2 must have 2 to 4 member ports.\n\nPlease select 2, 3 "
                                    "or 4 ports for this trunk, or none.\n"));
            QCOMPARE(s.boxes[0].caption, QStringLiteral("Trunk Configuration"));
            s.h->runFor(2000);
            QVERIFY(Up(frmTrkConfig.get()) && frmTrkConfig->btnSave->isEnabled());
            QCOMPARE(s.Typed(), std::string());
            QVERIFY(s.sim().state() == before);
            return;
        }
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(s.boxes.size(), 1);
        QCOMPARE(s.boxes[0].text, kSaved);
        sim::SwitchState want = before;
        want.trunks[1].isStatic = true;
        for (int p = 0; p < members; ++p)
            want.trunks[1].members[p] = true;
        QVERIFY(s.sim().state() == want);
    }

    void mixingRule_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("fixedPort"); // 0: none
        QTest::addColumn<QString>("message");
        QTest::newRow("24 and 25") << 0 << 24
                                   << "Invalid member ports in Trunk 1\n\nPorts 1 - 24 cannot be "
                                      "trunked with the module ports M1 and M2.\n";
        QTest::newRow("24 and 25, Traditional Chinese")
            << 2 << 24
            << QStringLiteral("Trunk 1 設定錯誤\n\n成員埠設定不合法\n\n連接埠 1 - 24 "
                              "不能與模組埠 M1、M2 組成同一個 Trunk。\n");
        QTest::newRow("25 and 26 alone") << 0 << 0 << QString();
    }
    void mixingRule() {
        QFETCH(int, language);
        QFETCH(int, fixedPort);
        QFETCH(QString, message);
        ConfigSession s;
        QVERIFY(s.Open({}, language));
        QVERIFY(s.OpenTrunkWindow());
        const sim::SwitchState before = s.sim().state();
        Status(1)->click();
        for (int p : {fixedPort, 25, 26})
            if (p) QTest::mouseClick(Cell(1, p), Qt::LeftButton);
        s.Typed();
        if (!message.isEmpty()) {
            frmTrkConfig->btnSave->click();
            QCOMPARE(s.boxes.size(), 1);
            QCOMPARE(s.boxes[0].text, message);
            QCOMPARE(s.boxes[0].caption, FileText(language, 1212));
            QVERIFY(frmTrkConfig->isEnabled() && s.Typed().empty());
            QVERIFY(s.sim().state() == before);
            return;
        }
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(s.Typed(), CellWalk({{1, 25}, {1, 26}}, {1}) + "\r");
        QCOMPARE(ModuleTrunk, 0); // the port window's module trunk from now on
        sim::SwitchState want = before;
        AddMembers(want.trunks[0], {25, 26});
        QVERIFY(s.sim().state() == want);
    }

    // Only Trunk3's box: the keys reach the statuses backwards; after the
    // Apply the window's close types only Enter (the console's prompt).
    void onlyAStatusChanged() {
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenTrunkWindow());
        const sim::SwitchState before = s.sim().state();
        QVERIFY(!frmTrkConfig->StaticChanged);
        Status(3)->click();
        s.Typed();
        frmTrkConfig->btnSave->click();
        frmTrkConfig->close(); // the title bar's close waits for the result
        QVERIFY(frmTrkConfig.get() && frmTrkConfig->isVisible());
        QVERIFY(s.StaticMenuBack() && !frmTrkConfig.exists());
        QCOMPARE(s.Typed(), std::string("\r\b\b\b\b\b\b\b\t\t \t\t\t\t\t\x01\t\r") + "\r");
        QCOMPARE(s.boxes.size(), 1);
        QCOMPARE(s.boxes[0].text, kSaved);
        sim::SwitchState want = before;
        want.trunks[2].isStatic = true;
        QVERIFY(s.sim().state() == want);
        QCOMPARE(CurrentForm, int(FORM_STATIC));
    }

    // Port 5 from trunk 1 to trunk 2 (both static): Spaces at those two
    // cells and nowhere else, the statuses passed unchanged.
    void movingAPortBetweenTrunks() {
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState();
        AddMembers(o.initial->trunks[0], {4, 5, 6});
        AddMembers(o.initial->trunks[1], {7, 8});
        QVERIFY(s.Open(o));
        QVERIFY(s.OpenTrunkWindow());
        const sim::SwitchState before = s.sim().state();
        QTest::mouseClick(Cell(2, 5), Qt::LeftButton);
        QVERIFY(!Cell(1, 5)->isChecked());
        s.Typed();
        QVERIFY(ApplyAndReturn(s));
        QCOMPARE(s.Typed(), CellWalk({{1, 5}, {2, 5}}) + "\r");
        sim::SwitchState want = before;
        want.trunks[0].members[4] = false;
        want.trunks[1].members[4] = true;
        QVERIFY(s.sim().state() == want);
    }

    // The post-login walk reads the whole trunk screen: with port 26 in
    // trunk 3 the port window shows TRUNK3 as the module trunk, with no
    // rates and all six speeds, before the trunk window was ever opened.
    void walkFindsTheModuleTrunk() {
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState({"100FX", "100FX"});
        AddMembers(o.initial->trunks[0], {9, 10});
        AddMembers(o.initial->trunks[2], {25, 26});
        QVERIFY(s.Open(o));
        QCOMPARE(ModuleTrunk, 2);
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(TrunkTable[k].isStatic, o.initial->trunks[k].isStatic);
            for (int p = 1; p <= 26; ++p)
                QCOMPARE(TrunkTable[k].member[p], o.initial->trunks[k].members[p - 1]);
        }
        frmStaticConfig->btnPortConfig->click();
        QVERIFY(s.h->runUntil([] { return Up(frmPortConfig.get()); }, 60000));
        frmPortConfig->btnNextPage->click();
        frmPortConfig->btnNextPage->click();
        auto* name = frmPortConfig->findChild<QLabel*>(QStringLiteral("lblNameP08"));
        QCOMPARE(name->text(), QStringLiteral("TRUNK3"));
        QVERIFY(frmPortConfig->findChild<QLineEdit*>(QStringLiteral("edtInRateP08"))->isHidden());
        QCOMPARE(frmPortConfig->findChild<QComboBox*>(QStringLiteral("cboSpdP08"))->count(), 6);
    }

    // Ports 1-4 made a static trunk: the reopened window shows it, and the
    // port window then shows the trunk's row in place of the four ports.
    void staticTrunkSeenAgainAndOnThePortWindow() {
        ConfigSession s;
        QVERIFY(s.Open());
        QVERIFY(s.OpenTrunkWindow());
        Status(1)->click();
        for (int p = 1; p <= 4; ++p)
            QTest::mouseClick(Cell(1, p), Qt::LeftButton);
        QVERIFY(ApplyAndReturn(s));
        QVERIFY(s.OpenTrunkWindow());
        QVERIFY(Status(1)->isChecked());
        for (int p = 1; p <= 26; ++p)
            QCOMPARE(Cell(1, p)->isChecked(), p <= 4);
        frmTrkConfig->btnQuit->click();
        QVERIFY(s.StaticMenuBack());
        frmStaticConfig->btnPortConfig->click();
        QVERIFY(s.h->runUntil([] { return Up(frmPortConfig.get()); }, 60000));
        QCOMPARE(int(PortCount), 23);
        QCOMPARE(frmPortConfig->findChild<QLabel*>(QStringLiteral("lblNameP01"))->text(),
                 QStringLiteral("TRUNK1"));
        QCOMPARE(frmPortConfig->findChild<QLabel*>(QStringLiteral("lblNameP02"))->text(),
                 QStringLiteral("PORT5"));
    }

    // The module trunk's row offers the six speeds whatever the module
    // types; each member stores the chosen speed if its type offers it, and
    // the row reads back the speed of a member that took it.
    void moduleTrunkSpeed_data() {
        QTest::addColumn<QStringList>("modules");
        QTest::addColumn<int>("chosen");         // among the six
        QTest::addColumn<QStringList>("stored"); // speeds of ports 25, 26
        QTest::addColumn<int>("reread");
        QTest::newRow("1000FX + 1000TX to 100 Full")
            << QStringList{"1000FX", "1000TX"} << 3 << QStringList{"1000 Full", " 100 Full"} << 3;
        QTest::newRow("100FX pair to 1000 Full")
            << QStringList{"100FX", "100FX"} << 5 << QStringList{" 100 Half", " 100 Half"} << 2;
    }
    void moduleTrunkSpeed() {
        QFETCH(QStringList, modules);
        QFETCH(int, chosen);
        QFETCH(QStringList, stored);
        QFETCH(int, reread);
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState({modules[0].toStdString(), modules[1].toStdString()});
        AddMembers(o.initial->trunks[0], {25, 26});
        QVERIFY(s.Open(o));
        QCOMPARE(ModuleTrunk, 0);
        auto openTrunkRow = [&s]() -> QComboBox* {
            frmStaticConfig->btnPortConfig->click();
            if (!s.h->runUntil([] { return Up(frmPortConfig.get()); }, 60000)) return nullptr;
            for (int page = 0; page < 3; ++page)
                frmPortConfig->btnNextPage->click();
            auto* name = frmPortConfig->findChild<QLabel*>(QStringLiteral("lblNameP01"));
            if (name->text() != QStringLiteral("TRUNK1")) return nullptr;
            return frmPortConfig->findChild<QComboBox*>(QStringLiteral("cboSpdP01"));
        };
        QComboBox* speed = openTrunkRow();
        QVERIFY(speed);
        QCOMPARE(speed->count(), 6);
        speed->setCurrentIndex(chosen);
        frmPortConfig->btnSave->click();
        QVERIFY(s.h->runUntil([] { return !frmPortConfig.exists() && Up(frmStaticConfig.get()); },
                              120000));
        QCOMPARE(s.boxes.size(), 1); // saved: the switch never refuses it
        QCOMPARE(QString::fromStdString(s.sim().state().ports[24].speed), stored[0]);
        QCOMPARE(QString::fromStdString(s.sim().state().ports[25].speed), stored[1]);
        speed = openTrunkRow();
        QVERIFY(speed);
        QCOMPARE(speed->currentIndex(), reread);
    }

    // Captions from each language file, decoded with its code page.
    void captionsInEachLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 0;
        QTest::newRow("Simplified Chinese") << 1;
        QTest::newRow("Traditional Chinese") << 2;
    }
    void captionsInEachLanguage() {
        QFETCH(int, language);
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState();
        AddMembers(o.initial->trunks[0], {1, 2, 3, 4});
        AddMembers(o.initial->trunks[1], {25, 26});
        AddMembers(o.initial->trunks[3], {13, 14}, false);
        QVERIFY(s.Open(o, language));
        QVERIFY(s.OpenTrunkWindow());
        TfrmTrkConfig* w = frmTrkConfig.get();
        const char* const shots[] = {"trunk-configuration", "trunk-configuration-cn",
                                     "trunk-configuration-tw"};
        SaveScreenshot(w, QLatin1String(shots[language]));
        QCOMPARE(w->windowTitle(), FileText(language, 500));
        const std::pair<const char*, int> labels[] = {
            {"Label1", 501},  {"Label28", 502}, {"Label33", 510},
            {"Label27", 511}, {"Label30", 512}, {"Label31", 513},
            {"Label32", 514}, {"Label34", 515}, {"Label35", 516}};
        for (auto [name, id] : labels) {
            auto* l = w->findChild<QLabel*>(QLatin1String(name));
            QVERIFY2(l, name);
            QCOMPARE(l->text(), FileText(language, id));
            // Nothing is cut: every label is wide enough for its text.
            QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), name);
        }
        QCOMPARE(w->btnQuit->text(), FileText(language, 517));
        QCOMPARE(w->btnSave->text(), FileText(language, 518));
        QCOMPARE(w->findChildren<QRadioButton*>().size(), 182);
        QCOMPARE(w->findChild<QGroupBox*>(QStringLiteral("gbxM2"))->title(), QStringLiteral("M2"));
    }
};

QTEST_MAIN(TrunkFlowTest)
#include "tst_trunk_flow.moc"
