// Cancel on the busy window against the simulated switch: each read stops
// at the screen being drawn, types its way back to the menu it came from
// (the switch is at that menu afterwards, and the same read then works),
// a save refuses Cancel with its reason, the connect countdown's Cancel
// closes the line, and a Cancel on a damaged line ends on the menu or in a
// clear failure, never with the busy window left up.
#include "engine/KeyOutput.h"
#include "engine/SerialLink.h"
#include "forms/base/Messageform.h"
#include "forms/misc/Miscconfigxform.h"
#include "forms/session/PageRouter.h"
#include "forms/session/SessionEnd.h"
#include "forms/trunk/Trunkconfigform.h"
#include "forms/vlan/Editvlangrpform.h"
#include "forms/vlan/Vlanconfigform.h"
#include "forms/vlan/Vlanmemberxform.h"
#include "forms/vlan/Vlansupportform.h"
#include "platform/Ui.h"
#include "tests/harness/WindowTest.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QtTest>

using steps::Up;

namespace {

enum Read { Ports, Trunks, Misc, VlanMenu, Pvids, NewGroup, GroupFromList, ListOfGroups };

// The busy window with its Cancel offered.
TfrmMessage* CancelUp() {
    TfrmMessage* box = frmMessage.get();
    return box && box->btnCancel->isVisible() && box->btnCancel->isEnabled() ? box : nullptr;
}

QString Progress() {
    TfrmMessage* box = frmMessage.get();
    return box ? box->lblProgress->text() : QString();
}

// The window a read ends in, or null.
TForm* ReadWindow(int read) {
    switch (read) {
    case Ports:
        return frmPortConfig.get();
    case Trunks:
        return frmTrkConfig.get();
    case Misc:
        return frmMiscConfigX.get();
    case VlanMenu:
        return frmVlanConfig.get() && !VlanProbe ? frmVlanConfig.get() : nullptr;
    case Pvids:
        return frmVlanSupport.get();
    case NewGroup:
    case GroupFromList:
        return frmVlanMemberX.get();
    default:
        return frmEditVlanGrp.get();
    }
}

// The menu a read starts from (and goes back to).
int MenuOf(int read) {
    if (read <= VlanMenu) return FORM_STATIC;
    return read == GroupFromList ? FORM_GROUPLIST : FORM_VLAN;
}

TForm* Menu(int form) {
    if (form == FORM_STATIC) return frmStaticConfig.get();
    if (form == FORM_VLAN) return frmVlanConfig.get();
    return frmEditVlanGrp.get();
}

bool MenuUp(int form) {
    return Up(Menu(form)) && CurrentForm == form && !VlanProbe;
}

// Clicks the button that starts the read (its menu is up).
void StartRead(int read) {
    switch (read) {
    case Ports:
        frmStaticConfig->btnPortConfig->click();
        break;
    case Trunks:
        frmStaticConfig->btnTrunkConfig->click();
        break;
    case Misc:
        frmStaticConfig->btnMiscConfig->click();
        break;
    case VlanMenu:
        frmStaticConfig->btnVlanConfig->click();
        break;
    case Pvids:
        frmVlanConfig->btnConfig->click();
        break;
    case NewGroup:
        frmVlanConfig->btnCreate->click();
        break;
    case GroupFromList:
        frmEditVlanGrp->lbxVlanGroups->setCurrentRow(0);
        frmEditVlanGrp->lbxVlanGroupsClick();
        frmEditVlanGrp->btnEditClick();
        break;
    default:
        frmVlanConfig->btnEdit->click();
        break;
    }
}

// The offscreen platform's complaints about window management are noise.
struct Session {
    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;

    Session() { steps::BeginCase(boxes); }
    ~Session() {
        frmTrkConfig.clear();
        frmMiscConfigX.clear();
        frmVlanSupport.clear();
        frmVlanMemberX.clear();
        frmEditVlanGrp.clear();
        frmVlanConfig.clear();
        steps::EndSession(h);
        ReleaseSharedTables();
        platform::SetMessageBoxHandler(nullptr);
    }

    // 802.1Q, so that the VLAN screens have PVIDs and a group (VLAN1).
    bool Open(sim::FaultOptions faults = {}) {
        sim::Options o;
        o.initial = sim::FactoryState();
        o.initial->vlanMode = sim::kModeDot1q;
        o.faults = std::move(faults);
        h = std::make_unique<LinkHarness>(std::move(o));
        return steps::ReachStaticMenu(*h);
    }
    // From the static menu to the menu the read starts from.
    bool ToMenuOf(int read) {
        if (MenuOf(read) == FORM_STATIC) return true;
        frmStaticConfig->btnVlanConfig->click();
        if (!h->runUntil([] { return MenuUp(FORM_VLAN); }, 60000)) return false;
        if (MenuOf(read) == FORM_VLAN) return true;
        frmVlanConfig->btnEdit->click();
        return h->runUntil([] { return MenuUp(FORM_GROUPLIST); }, 60000);
    }
    // Starts the read and clicks Cancel once no key is left to go out (the
    // switch is drawing) and, for a paged read, its second page is on its
    // way. The keys typed from then on are kept for the caller.
    bool StartAndCancel(int read, bool secondPage) {
        StartRead(read);
        const QString page2 = QStringLiteral("page 2 of 4");
        if (!h->runUntil(
                [&] {
                    return CancelUp() && !IsSendPending() && (!secondPage || Progress() == page2);
                },
                60000))
            return false;
        h->clearKeysTyped();
        CancelUp()->btnCancel->click();
        return true;
    }
};

} // namespace

class CancelFlowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { steps::QuietOffscreen(); }
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
        int p = -1, n = -1;
        const bool ok = ParsePageLine(segment.toStdString(), p, n);
        QCOMPARE(ok, page != 0);
        if (ok) {
            QCOMPARE(p, page);
            QCOMPARE(n, count);
        }
    }

    // Each read, cancelled while the switch draws: back at its menu (the
    // window's and the switch's), typing only the keys that leave the
    // screen, nothing stored, and the same read then goes through.
    void cancelEachRead_data() {
        QTest::addColumn<int>("read");
        QTest::addColumn<bool>("paged");
        QTest::addColumn<QByteArray>("leaveKeys");
        QTest::addColumn<QString>("switchAt");
        QTest::newRow("ports") << int(Ports) << true << QByteArray("\r") << "static";
        QTest::newRow("trunks") << int(Trunks) << false << QByteArray("\t\t\r") << "static";
        QTest::newRow("misc") << int(Misc) << false << QByteArray("\b\r") << "static";
        QTest::newRow("VLAN menu") << int(VlanMenu) << false << QByteArray("\t\t\t\r") << "static";
        QTest::newRow("PVIDs") << int(Pvids) << true << QByteArray("\r") << "vlan";
        QTest::newRow("new group") << int(NewGroup) << true << QByteArray("\r") << "vlan";
        QTest::newRow("group from the list")
            << int(GroupFromList) << true << QByteArray("\r") << "grouplist";
        QTest::newRow("group list") << int(ListOfGroups) << false << QByteArray("\r") << "vlan";
    }
    void cancelEachRead() {
        QFETCH(int, read);
        QFETCH(bool, paged);
        QFETCH(QByteArray, leaveKeys);
        QFETCH(QString, switchAt);
        Session s;
        QVERIFY(s.Open());
        QVERIFY(s.ToMenuOf(read));
        const sim::SwitchState before = s.h->sim().state();
        const int menu = MenuOf(read);

        QVERIFY(s.StartAndCancel(read, paged));
        QVERIFY(ReadCancelAsked());
        QCOMPARE(frmMessage->lblMsg1->text(), MessageText(1432));
        QVERIFY(!frmMessage->btnCancel->isVisible());
        QVERIFY2(s.h->runUntil([menu] { return MenuUp(menu); }, 60000),
                 qPrintable(QStringLiteral("%1 at %2, form %3, probe %4, busy %5")
                                .arg(QString::fromLatin1(
                                         QByteArray::fromStdString(s.h->keysTyped()).toHex()),
                                     QString::fromStdString(s.h->sim().where()))
                                .arg(CurrentForm)
                                .arg(VlanProbe)
                                .arg(frmMessage.exists())));
        QCOMPARE(QByteArray::fromStdString(s.h->keysTyped()).toHex(), leaveKeys.toHex());
        QCOMPARE(QString::fromStdString(s.h->sim().where()), switchAt);
        QVERIFY(ReadWindow(read) == nullptr);
        QVERIFY(!ReadCancelAsked());
        QVERIFY(s.boxes.isEmpty());

        // The menu works on: the same read, to its window.
        StartRead(read);
        QVERIFY(s.h->runUntil([read] { return Up(ReadWindow(read)); }, 90000));
        QVERIFY(s.h->sim().state() == before);
    }

    // A table of more than one page counts its pages in the busy window.
    void readsCountTheirPages() {
        Session s;
        QVERIFY(s.Open());
        QStringList seen;
        StartRead(Ports);
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
    void saveRefusesCancel_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("button") << false;
        QTest::newRow("Esc") << true;
    }
    void saveRefusesCancel() {
        QFETCH(bool, escape);
        Session s;
        QVERIFY(s.Open());
        StartRead(Misc);
        QVERIFY(s.h->runUntil([] { return Up(frmMiscConfigX.get()); }, 60000));
        frmMiscConfigX->chkAutoAging->click();
        frmMiscConfigX->btnSave->click();
        QVERIFY(SaveInProgress());
        TfrmMessage* box = CancelUp();
        QVERIFY(box);
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->btnCancel->click();
        QCOMPARE(s.boxes.texts(), QStringList{MessageText(1431)});
        QCOMPARE(s.boxes.captions(), QStringList{LangText(300)});
        QVERIFY(s.h->runUntil([] { return steps::Shown(frmStaticConfig.get()); }, 60000));
        QCOMPARE(s.boxes.size(), 2); // the save's own answer
        QCOMPARE(s.h->sim().state().autoAging, std::string("Disabled"));
    }

    // Cancel on the connect countdown: the line closed, the Welcome window
    // back with Connect, nothing said; the next Connect logs in.
    void countdownCancelled_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("button") << false;
        QTest::newRow("Esc") << true;
    }
    void countdownCancelled() {
        QFETCH(bool, escape);
        Session s;
        s.h = std::make_unique<LinkHarness>();
        steps::ShowWelcome();
        frmWelcome->btnConnect->click();
        TfrmMessage* box = CancelUp();
        QVERIFY(box && IsLinkOpen() && frmWelcome->tmrConnect->isActive());
        if (escape)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->btnCancel->click();
        QVERIFY(!IsLinkOpen());
        QVERIFY(!frmWelcome->tmrConnect->isActive());
        QVERIFY(!frmMessage.exists());
        QVERIFY(frmWelcome->isVisible() && frmWelcome->isEnabled() &&
                frmWelcome->btnConnect->isEnabled());
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
        Session s;
        QVERIFY(s.Open());
        QVERIFY(s.StartAndCancel(Ports, true));
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
        const bool ended = s.h->runUntil(
            [&] {
                return MenuUp(FORM_STATIC) || (!s.boxes.isEmpty() && !frmMessage.exists()) ||
                       Up(frmLogin.get());
            },
            60000);
        QVERIFY(ended);
        QVERIFY(!frmMessage.exists());
        QVERIFY(!ReadCancelAsked());
        if (backAtMenu) {
            QVERIFY(MenuUp(FORM_STATIC));
            QCOMPARE(QString::fromStdString(s.h->sim().where()), QStringLiteral("static"));
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
        Session s;
        QVERIFY(s.Open());
        SetBusyCancelOffers(false);
        StartRead(Trunks);
        QVERIFY(frmMessage.exists() && !BusyCancelOffered() && !CancelUp());
        QVERIFY(!frmMessage->isEnabled());
        QVERIFY(s.h->runUntil([] { return Up(frmTrkConfig.get()); }, 60000));
    }
};

QTEST_MAIN(CancelFlowTest)
#include "tst_cancel_flow.moc"
