// A trunk screen that did not arrive intact is never written back: one
// flipped bit in the cursor position of trunk 4's status cell, once (the
// screen is drawn again with ESC and comes out right) or on every draw (the
// window says so and Apply stays off).
#include "tests/config/ConfigSession.h"

#include "forms/SessionEnd.h"
#include "forms/TrunkModel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QtTest>

namespace {

// Turns "\x1b[09;10H" (trunk 4's status) into "\x1b[09;11H", a place the
// page table does not know: that status is lost. `everyTime`: on each draw,
// else only on the first.
class StatusFlip {
public:
    explicit StatusFlip(bool everyTime) : everyTime_(everyTime) {}
    uint8_t operator()(uint8_t byte) {
        recent_ += char(byte);
        if (recent_.size() > 8) recent_.erase(0, 1);
        const bool armed = everyTime_ || flips_ == 0;
        if (armed && byte == '0' && recent_.size() >= 7 &&
            recent_.compare(recent_.size() - 7, 7, "\x1b[09;10") == 0) {
            ++flips_;
            return '1';
        }
        return byte;
    }
    int flips() const { return flips_; }

private:
    bool everyTime_;
    int flips_ = 0;
    std::string recent_;
};

QCheckBox* Status(int trunk) {
    return frmTrkConfig->findChild<QCheckBox*>(QStringLiteral("chkTrk%1").arg(trunk));
}

} // namespace

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
        StatusFlip flip(everyTime);
        s.h->line().options().alterOutput = [&flip](uint8_t b) { return flip(b); };
        s.Typed();
        QVERIFY(s.OpenTrunkWindow());
        QCOMPARE(flip.flips(), everyTime ? 2 : 1);
        // Into the screen, then ESC for the second draw, and no more.
        QCOMPARE(s.Typed(), std::string("\t\r\x1b"));
        QVERIFY(frmTrkConfig->Reread);
        QCOMPARE(TrunkScreenGarbled(), everyTime);
        QCOMPARE(frmTrkConfig->lblGarbled->isVisible(), everyTime);
        QCOMPARE(frmTrkConfig->lblGarbled->text(), MessageText(1370));
        QCOMPARE(frmTrkConfig->btnSave->isEnabled(), !everyTime);
        QVERIFY(s.boxes.isEmpty());

        QCOMPARE(Status(4)->isEnabled(), !everyTime);
        QCOMPARE(frmTrkConfig->findChild<QGroupBox*>("gbxM2")->isEnabled(), !everyTime);
        if (everyTime) {
            SaveScreenshot(frmTrkConfig.get(), QStringLiteral("trunk-garbled-screen"));
            // The lost status reads as Disable; Exit still finds Quit.
            QVERIFY(!Status(4)->isChecked());
            frmTrkConfig->btnQuit->click();
            QVERIFY(s.StaticMenuBack() && !frmTrkConfig.exists());
            QCOMPARE(s.Typed(), std::string("\t\t\r"));
            QVERIFY(s.sim().state() == before);
            return;
        }
        QVERIFY(Status(4)->isChecked());
        Status(7)->click();
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
