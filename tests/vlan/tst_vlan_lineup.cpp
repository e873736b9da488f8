// A VLAN page whose cells do not line up is never written back: one flipped
// bit in the cursor position of the fourth row's value cell (a PVID, or a
// group member), once (the pages are read round again and come out right)
// or on every draw of the first page (its rows are shown disabled, and Apply
// passes that page).
#include "tests/vlan/VlanFlow.h"

#include "forms/SessionEnd.h"

namespace {

// Turns "\x1b[10;20H" (row 4's value cell on the PVID and member pages) into
// "\x1b[10;21H", a place the page table does not know: that value is lost.
// Only the PVID and member tables are touched (after their "Port      "
// heading). `everyTime`: on each draw of the first page, else only once.
class ValueFlip {
public:
    explicit ValueFlip(bool everyTime) : everyTime_(everyTime) {}
    uint8_t operator()(uint8_t byte) {
        recent_ += char(byte);
        if (recent_.size() > 16) recent_.erase(0, 1);
        if (EndsWith("\x1b[2J")) inTable_ = false;
        if (EndsWith("Port      ")) inTable_ = true;
        // "Page N of 4" closes each draw: after none or the last one, the
        // next page drawn is the first.
        if (recent_.size() >= 11 && recent_.compare(recent_.size() - 11, 5, "Page ") == 0 &&
            EndsWith(" of 4"))
            lastPage_ = recent_[recent_.size() - 6];
        const bool armed = everyTime_ ? (lastPage_ == 0 || lastPage_ == '4') : flips_ == 0;
        if (inTable_ && armed && byte == '0' && EndsWith("\x1b[10;20")) {
            ++flips_;
            return '1';
        }
        return byte;
    }
    int flips() const { return flips_; }

private:
    bool EndsWith(const char* s) const {
        const size_t n = strlen(s);
        return recent_.size() >= n && recent_.compare(recent_.size() - n, n, s) == 0;
    }
    bool everyTime_;
    bool inTable_ = false;
    char lastPage_ = 0;
    int flips_ = 0;
    std::string recent_;
};

} // namespace

class VlanLineupTest : public QObject, public VlanFlow {
    Q_OBJECT

    ValueFlip* flip = nullptr;
    void Arm(ValueFlip& f) {
        flip = &f;
        h->line().options().alterOutput = [&f](uint8_t b) { return f(b); };
    }

private slots:
    void initTestCase() { QuietenOffscreen(); }
    void init() { StartCase(); }
    void cleanup() { EndCase(); }

    void flippedPvidPositionIsNeverWrittenBack_data() {
        QTest::addColumn<bool>("everyTime");
        QTest::newRow("once: read again, written") << false;
        QTest::newRow("every time: first page disabled") << true;
    }
    void flippedPvidPositionIsNeverWrittenBack() {
        QFETCH(bool, everyTime);
        QVERIFY(Open(Dot1q()));
        ValueFlip f(everyTime);
        Arm(f);
        QVERIFY(OpenSupport());
        QCOMPARE(f.flips(), everyTime ? 3 : 1); // page 1 opens and ends each round
        // Two rounds of the four pages.
        QCOMPARE(h->keysTyped(), "\r" + kPages + kPages);
        QVERIFY(support()->Reread);
        const bool garbled[4] = {everyTime, false, false, false};
        for (int p = 0; p < 4; ++p)
            QCOMPARE(PvidPageGarbled[p], garbled[p]);
        QCOMPARE(support()->PortPanel(1)->isEnabled(), !everyTime);
        QVERIFY(support()->PortPanel(9)->isEnabled());
        QCOMPARE(support()->lblGarbled->isVisible(), everyTime);
        QCOMPARE(support()->lblGarbled->text(), MessageText(1343));
        // With TAVIK_SCREENSHOTS naming a folder, the picture for docs/.
        const QString shots = qEnvironmentVariable("TAVIK_SCREENSHOTS");
        if (everyTime && !shots.isEmpty())
            support()->grab().save(shots + QStringLiteral("/vlan-support-garbled-page.png"));

        // A value out of range on the disabled page is not the user's: no
        // message, nothing typed for it.
        Pvid(4)->setText(everyTime ? "300" : "44");
        Pvid(20)->setText("20");
        QVERIFY(Click(support()->btnSave, MenuUp));
        const std::string page0 = everyTime ? "\b\r" : "\t\r\t1\t1\t1\t44\t1\t1\t1\t1\x01\b\b\r";
        QVERIFY2(h->keysTyped() == page0 + "\b\r\t\r\t1\t1\t1\t20\t1\t1\t1\t1\x01\b\b\r\t\t\r\r",
                 Shown(h->keysTyped()).constData());
        ExpectBox(Texts(1301, 1302), 1214);
        sim::SwitchState want = before;
        want.ports[19].pvid = 20;
        if (!everyTime) want.ports[3].pvid = 44;
        QCOMPARE(h->sim().state(), want);
    }

    void flippedMemberPositionIsNeverWrittenBack_data() {
        QTest::addColumn<bool>("everyTime");
        QTest::newRow("once: read again, written") << false;
        QTest::newRow("every time: name and ID only on page 1") << true;
    }
    void flippedMemberPositionIsNeverWrittenBack() {
        QFETCH(bool, everyTime);
        QVERIFY(Open(Dot1q()));
        ValueFlip f(everyTime);
        Arm(f);
        QVERIFY(OpenCreate());
        QCOMPARE(f.flips(), everyTime ? 3 : 1); // page 1 opens and ends each round
        QCOMPARE(h->keysTyped(), "\t\r" + kPages + kPages);
        QVERIFY(group()->Reread);
        const bool garbled[4] = {everyTime, false, false, false};
        for (int p = 0; p < 4; ++p)
            QCOMPARE(MemberPageGarbled[p], garbled[p]);
        QCOMPARE(group()->PortPanel(4)->isEnabled(), !everyTime);
        QCOMPARE(group()->lblGarbled->isVisible(), everyTime);

        group()->edtVlanName->setText("ab");
        group()->edtVlanID->setText("10");
        sim::VlanGroup want{10, "ab", {}};
        if (!everyTime) {
            SetMember(4, 1);
            want.member[3] = 1;
        }
        SetMember(12, 2);
        want.member[11] = 2;
        QVERIFY(Click(group()->btnSave, MenuUp));
        // A new group's pages: its name and ID, and the members only of a
        // page that lined up.
        const std::string page0 =
            everyTime ? "\t\rab\t10\x01\b\b\r" : "\t\rab\t10\t\t\t\t \t\t\t\t\x01\b\b\r";
        QVERIFY2(h->keysTyped() == page0 + "\t\rab\t10\t\t\t\t  \t\t\t\t\x01\b\b\r\b\r\t\t\r\r",
                 Shown(h->keysTyped()).constData());
        ExpectBox(Texts(1301, 1302), 1213);
        sim::SwitchState expected = before;
        expected.groups().push_back(want);
        QCOMPARE(h->sim().state(), expected);
    }
};

QTEST_MAIN(VlanLineupTest)
#include "tst_vlan_lineup.moc"
