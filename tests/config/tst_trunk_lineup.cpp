// A trunk screen that did not arrive intact is never written back: one
// flipped bit in the cursor position of trunk 4's status cell, once (the
// screen is drawn again with ESC and comes out right) or on every draw (the
// window says so and Apply stays off).
#include "tests/config/ConfigSession.h"

#include "forms/SessionEnd.h"
#include "forms/TrunkModel.h"

#include <QGroupBox>
#include <QtTest>

class TrunkLineupTest : public QObject {
    Q_OBJECT

private slots:
    void flippedStatusPositionIsNeverWrittenBack_data() {
        QTest::addColumn<bool>("everyTime");
        QTest::newRow("once: drawn again, written") << false;
        QTest::newRow("every time: note, no Apply") << true;
    }
    void flippedStatusPositionIsNeverWrittenBack() {
        QFETCH(bool, everyTime);
        ConfigSession s;
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->trunks[3].isStatic = true;
        o.initial->trunks[3].members[4] = o.initial->trunks[3].members[5] = true;
        const sim::SwitchState before = *o.initial;
        QVERIFY(s.Open(o));
        // Turns "\x1b[09;10H" (trunk 4's status) into "\x1b[09;11H", a place
        // the page table does not know: that status is lost.
        int flips = 0;
        std::string recent;
        s.h->line().options().alterOutput = [&, everyTime](uint8_t byte) -> uint8_t {
            recent = recent.substr(recent.size() > 6 ? recent.size() - 6 : 0) + char(byte);
            if ((everyTime || flips == 0) && recent == std::string("\x1b[09;10")) {
                ++flips;
                return '1';
            }
            return byte;
        };
        s.Typed();
        QVERIFY(s.OpenTrunkWindow());
        QCOMPARE(flips, everyTime ? 2 : 1);
        // Into the screen, then ESC for the second draw, and no more.
        QCOMPARE(s.Typed(), std::string("\t\r\x1b"));
        QVERIFY(frmTrkConfig->Reread);
        QCOMPARE(TrunkScreenGarbled(), everyTime);
        QCOMPARE(frmTrkConfig->lblGarbled->isVisible(), everyTime);
        QCOMPARE(frmTrkConfig->lblGarbled->text(), MessageText(1370));
        QCOMPARE(frmTrkConfig->btnSave->isEnabled(), !everyTime);
        QVERIFY(s.boxes.isEmpty());

        QCOMPARE(TrunkStatus(4)->isEnabled(), !everyTime);
        QCOMPARE(frmTrkConfig->findChild<QGroupBox*>("gbxM2")->isEnabled(), !everyTime);
        if (everyTime) {
            SaveScreenshot(frmTrkConfig.get(), QStringLiteral("trunk-garbled-screen"));
            // The lost status reads as Disable; Exit still finds Quit.
            QVERIFY(!TrunkStatus(4)->isChecked());
            frmTrkConfig->btnQuit->click();
            QVERIFY(s.StaticMenuBack() && !frmTrkConfig.exists());
            QCOMPARE(s.Typed(), std::string("\t\t\r"));
            QVERIFY(s.sim().state() == before);
            return;
        }
        QVERIFY(TrunkStatus(4)->isChecked());
        TrunkStatus(7)->click();
        frmTrkConfig->btnSave->click();
        QVERIFY(s.StaticMenuBack() && !frmTrkConfig.exists());
        QCOMPARE(s.boxes.size(), 1);
        sim::SwitchState want = before;
        want.trunks[6].isStatic = true;
        QVERIFY(s.sim().state() == want);
    }
};

QTEST_MAIN(TrunkLineupTest)
#include "tst_trunk_lineup.moc"
