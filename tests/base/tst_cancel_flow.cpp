// Cancel on the busy window against the simulated switch: each read goes back
// to its menu (window and switch alike), a save refuses Cancel with its
// reason, the connect countdown's Cancel closes the line, and a damaged line
// ends on the menu or in a clear failure, never under the busy window.
#include "engine/KeyOutput.h"
#include "engine/SerialLink.h"
#include "forms/session/SessionEnd.h"
#include "tests/harness/ConfigSession.h"

#include <QListWidget>
#include <QtTest>

namespace {

// A read: the window it ends in, the menu it starts from and goes back to,
// the click that starts it, whether its screen is paged, and on Cancel the
// keys that leave the screen and where the switch is then.
struct Read {
    const char* name;
    int form, menu;
    void (*start)();
    bool paged;
    const char *leaveKeys, *switchAt;
};
const Read kReads[] = {
    {"ports", FORM_PORT, FORM_STATIC, [] { frmStaticConfig->btnPortConfig->click(); }, true, "\r",
     "static"},
    {"trunks", FORM_TRUNK, FORM_STATIC, [] { frmStaticConfig->btnTrunkConfig->click(); }, false,
     "\t\t\r", "static"},
    {"misc", FORM_MISC, FORM_STATIC, [] { frmStaticConfig->btnMiscConfig->click(); }, false, "\b\r",
     "static"},
    {"VLAN menu", FORM_VLAN, FORM_STATIC, [] { frmStaticConfig->btnVlanConfig->click(); }, false,
     "\t\t\t\r", "static"},
    {"PVIDs", FORM_VLANSUPPORT, FORM_VLAN, [] { frmVlanConfig->btnConfig->click(); }, true, "\r",
     "vlan"},
    {"new group", FORM_GROUPMEMBERS, FORM_VLAN, [] { frmVlanConfig->btnCreate->click(); }, true,
     "\r", "vlan"},
    {"group from the list", FORM_GROUPMEMBERS, FORM_GROUPLIST,
     [] {
         frmEditVlanGrp->lbxVlanGroups->setCurrentRow(0);
         frmEditVlanGrp->lbxVlanGroupsClick();
         frmEditVlanGrp->btnEditClick();
     },
     true, "\r", "grouplist"},
    {"group list", FORM_GROUPLIST, FORM_VLAN, [] { frmVlanConfig->btnEdit->click(); }, false, "\r",
     "vlan"},
};

// The window a read ends in, or null (the VLAN menu is not up while it probes).
TForm* ReadWindow(const Read& r) {
    return r.form == FORM_VLAN && VlanProbe ? nullptr : WindowOf(r.form);
}

bool MenuUp(int form) {
    return Up(WindowOf(form)) && CurrentForm == form && !VlanProbe;
}

// The busy window with its Cancel offered.
TfrmMessage* CancelUp() {
    TfrmMessage* box = frmMessage.get();
    return box && box->btnCancel->isVisible() && box->btnCancel->isEnabled() ? box : nullptr;
}

QString Progress() {
    return frmMessage.get() ? frmMessage->lblProgress->text() : QString();
}

// 802.1Q, so that the VLAN screens have PVIDs and a group (VLAN1).
sim::Options Dot1q() {
    sim::Options o;
    o.initial = sim::FactoryState();
    o.initial->vlanMode = sim::kModeDot1q;
    return o;
}

// From the static menu to the menu the read starts from.
bool ToMenuOf(LinkHarness& h, const Read& r) {
    if (r.menu == FORM_STATIC) return true;
    frmStaticConfig->btnVlanConfig->click();
    if (!h.runUntil([] { return MenuUp(FORM_VLAN); }, 60000)) return false;
    if (r.menu == FORM_VLAN) return true;
    frmVlanConfig->btnEdit->click();
    return h.runUntil([] { return MenuUp(FORM_GROUPLIST); }, 60000);
}

// Starts the read and clicks Cancel once no key is left to go out (the
// switch is drawing) and, for a paged read, its second page is on its way.
// The keys typed from then on are kept for the caller.
bool StartAndCancel(LinkHarness& h, const Read& r) {
    r.start();
    const QString page2 = QStringLiteral("page 2 of 4");
    if (!h.runUntil(
            [&] { return CancelUp() && !IsSendPending() && (!r.paged || Progress() == page2); },
            60000))
        return false;
    h.clearKeysTyped();
    CancelUp()->btnCancel->click();
    return true;
}

// Cancel on the busy window by its button, or by Esc.
void ClickCancel(TfrmMessage* box, bool escape) {
    if (escape)
        QTest::keyClick(box, Qt::Key_Escape);
    else
        box->btnCancel->click();
}

void EscapeRows() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("button") << false;
    QTest::newRow("Esc") << true;
}

} // namespace

class CancelFlowTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { SetBusyCancelOffers(true); }

    void pageLineRead_data() {
        QTest::addColumn<QString>("segment");
        QTest::addColumn<int>("page"); // 0: not a page line
        QTest::addColumn<int>("count");
        QTest::newRow("port screen") << "[15;02HPage 2 of 4" << 2 << 4;
        QTest::newRow("blanks after it") << "[16;02HPage 1 of 4   " << 1 << 4;
        QTest::newRow("one page") << "[15;02HPage 1 of 1" << 1 << 1;
        QTest::newRow("page past the count") << "[15;02HPage 5 of 4" << 0 << 0;
        QTest::newRow("page 0") << "[15;02HPage 0 of 4" << 0 << 0;
        QTest::newRow("a damaged word") << "[15;02HPagf 2 of 4" << 0 << 0;
        QTest::newRow("no number") << "[15;02HPage x of 4" << 0 << 0;
        QTest::newRow("without its place") << "Page 2 of 4" << 0 << 0;
        QTest::newRow("a label") << "[03;05HVLAN Mode : 802.1Q" << 0 << 0;
    }
    void pageLineRead() {
        QFETCH(QString, segment);
        QFETCH(int, page);
        QFETCH(int, count);
        int p = 0, n = 0;
        QCOMPARE(ParsePageLine(segment.toStdString(), p, n), page != 0);
        if (page != 0) QCOMPARE(QPair(p, n), QPair(page, count));
    }

    // Each read, cancelled while the switch draws: back at its menu (the
    // window's and the switch's), typing only the keys that leave the
    // screen, nothing stored, and the same read then goes through.
    void cancelEachRead_data() {
        QTest::addColumn<int>("read");
        for (const Read& r : kReads)
            QTest::newRow(r.name) << int(&r - kReads);
    }
    void cancelEachRead() {
        QFETCH(int, read);
        const Read& r = kReads[read];
        ConfigSession s(platform::IDYES);
        QVERIFY(s.Open(Dot1q()) && ToMenuOf(*s.h, r));
        const sim::SwitchState before = s.sim().state();

        QVERIFY(StartAndCancel(*s.h, r));
        QVERIFY(ReadCancelAsked());
        QCOMPARE(frmMessage->lblMsg1->text(), MessageText(1432));
        QVERIFY(!frmMessage->btnCancel->isVisible());
        QVERIFY2(
            s.h->runUntil([&r] { return MenuUp(r.menu); }, 60000),
            (QByteArray::fromStdString(s.h->keysTyped()).toHex() + " at " + s.sim().where().c_str())
                .constData());
        QCOMPARE(QByteArray::fromStdString(s.Typed()).toHex(), QByteArray(r.leaveKeys).toHex());
        QCOMPARE(s.sim().where(), std::string(r.switchAt));
        QVERIFY(ReadWindow(r) == nullptr);
        QVERIFY(!ReadCancelAsked());
        QVERIFY(s.boxes.isEmpty());

        // The menu works on: the same read, to its window.
        r.start();
        QVERIFY(s.h->runUntil([&r] { return Up(ReadWindow(r)); }, 90000));
        QVERIFY(s.sim().state() == before);
    }

    // A table of more than one page counts its pages in the busy window.
    void readsCountTheirPages() {
        ConfigSession s(platform::IDYES);
        QVERIFY(s.Open(Dot1q()));
        QStringList seen;
        frmStaticConfig->btnPortConfig->click();
        QVERIFY(s.h->runUntil(
            [&] {
                if (!Progress().isEmpty() && !seen.contains(Progress())) seen << Progress();
                return Up(frmPortConfig.get());
            },
            90000));
        QCOMPARE(seen, QStringList({"page 1 of 4", "page 2 of 4", "page 3 of 4", "page 4 of 4"}));
    }

    // During a save Cancel is there but refused with the reason; the save
    // goes on to the switch's answer.
    void saveRefusesCancel_data() { EscapeRows(); }
    void saveRefusesCancel() {
        QFETCH(bool, escape);
        ConfigSession s(platform::IDYES);
        QVERIFY(s.Open(Dot1q()) && s.OpenMiscWindow());
        frmMiscConfigX->chkAutoAging->click();
        frmMiscConfigX->btnSave->click();
        QVERIFY(SaveInProgress() && CancelUp());
        ClickCancel(CancelUp(), escape);
        QCOMPARE(s.boxes.pairs(), QStringList({LangText(300), MessageText(1431)}));
        QVERIFY(s.h->runUntil([] { return steps::Shown(frmStaticConfig.get()); }, 60000));
        QCOMPARE(s.boxes.size(), 2); // the save's own answer
        QCOMPARE(s.sim().state().autoAging, std::string("Disabled"));
    }

    // Cancel on the connect countdown: the line closed, the Welcome window
    // back with Connect, nothing said; the next Connect logs in.
    void countdownCancelled_data() { EscapeRows(); }
    void countdownCancelled() {
        QFETCH(bool, escape);
        ConfigSession s(platform::IDYES);
        s.h = std::make_unique<LinkHarness>();
        steps::ShowWelcome();
        frmWelcome->btnConnect->click();
        QVERIFY(CancelUp() && IsLinkOpen() && frmWelcome->tmrConnect->isActive());
        ClickCancel(CancelUp(), escape);
        QVERIFY(!IsLinkOpen() && !frmWelcome->tmrConnect->isActive() && !frmMessage.exists());
        QVERIFY(Up(frmWelcome.get()) && frmWelcome->btnConnect->isEnabled());
        QCOMPARE(CurrentForm, int32_t(FORM_WELCOME));
        s.h->runFor(25000); // past the countdown: no time-out message
        QVERIFY(s.boxes.isEmpty());
        QVERIFY(steps::Connect(*s.h) && steps::LogIn(*s.h));
    }

    // A Cancel on a damaged line: the menu, or the session ended with a
    // message (Welcome or login window up), never a busy window left.
    void cancelOnDamagedLine_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("backAtMenu"); // else a clear failure
        QTest::newRow("bytes held back both ways") << "late" << true;
        QTest::newRow("its leave key lost") << "lost key" << false;
        QTest::newRow("the highlighted item damaged") << "flipped" << false;
        QTest::newRow("hang-up") << "hang-up" << false;
        QTest::newRow("the switch restarts") << "restart" << false;
    }
    void cancelOnDamagedLine() {
        QFETCH(QString, fault);
        QFETCH(bool, backAtMenu);
        ConfigSession s(platform::IDYES);
        QVERIFY(s.Open(Dot1q()) && StartAndCancel(*s.h, kReads[0]));
        sim::FaultOptions& f = s.h->line().options();
        if (fault == "late") {
            f.seed = 7;
            f.delayKeys = 0.3;
            f.delayOutput = 0.02;
        } else if (fault == "lost key") {
            f.loseKey = [](uint8_t key) { return key == '\r'; };
        } else if (fault == "flipped") {
            // "<Quit>" reads "(Quit>": the page's end is never recognised.
            f.alterOutput = [](uint8_t b) { return b == '<' ? uint8_t('(') : b; };
        } else if (fault == "hang-up") {
            s.h->line().hangUp();
        } else {
            s.h->powerCycle();
        }
        QVERIFY(s.h->runUntil(
            [&] {
                return MenuUp(FORM_STATIC) || (!s.boxes.isEmpty() && !frmMessage.exists()) ||
                       Up(frmLogin.get());
            },
            60000));
        QVERIFY(!frmMessage.exists() && !ReadCancelAsked());
        if (backAtMenu) {
            QVERIFY(MenuUp(FORM_STATIC));
            QCOMPARE(s.sim().where(), std::string("static"));
            QVERIFY(s.boxes.isEmpty());
        } else if (fault == "restart") {
            QVERIFY(Up(frmLogin.get()));
            QVERIFY(!frmPortConfig.exists() && !frmStaticConfig.exists());
        } else {
            QCOMPARE(s.boxes.size(), 1);
            QVERIFY2(s.boxes[0].text.startsWith(MessageText(1330, QString()).left(20)),
                     qPrintable(s.boxes[0].text));
            QVERIFY(frmWelcome->isVisible() && frmWelcome->btnConnect->isEnabled());
            QCOMPARE(CurrentForm, int32_t(FORM_WELCOME));
        }
    }

    // A settings walk drives the windows: its reads offer no Cancel.
    void noCancelWhileOffersAreOff() {
        ConfigSession s(platform::IDYES);
        QVERIFY(s.Open(Dot1q()));
        SetBusyCancelOffers(false);
        frmStaticConfig->btnTrunkConfig->click();
        QVERIFY(frmMessage.exists() && !BusyCancelOffered() && !CancelUp());
        QVERIFY(!frmMessage->isEnabled());
        QVERIFY(s.h->runUntil([] { return Up(frmTrkConfig.get()); }, 60000));
    }
};

QTEST_MAIN(CancelFlowTest)
#include "tst_cancel_flow.moc"
