#pragma once
// What the VLAN flow tests share: a session with the real windows against
// the simulated switch, logged in and on the VLAN menu.
#include "tests/harness/WindowTest.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QtTest>

#include <string>
#include <vector>

namespace vlanflow {

using steps::Up;
inline bool MenuUp() {
    return Up(frmVlanConfig.get()) && !VlanProbe;
}

inline QString Texts(int first, int second) {
    return DecodeText(std::string(GetLangText(first)) + "\n" + GetLangText(second));
}

inline QByteArray Shown(const std::string& keys) {
    return QByteArray::fromStdString(keys).toPercentEncoding();
}

inline sim::SwitchState InMode(const char* mode) {
    sim::SwitchState s = sim::FactoryState();
    s.vlanMode = mode;
    return s;
}
inline sim::SwitchState Dot1q() {
    return InMode(sim::kModeDot1q);
}

// Reading a group screen or the 802.1Q PVID table: the menu's move, then
// BackSpace, Enter for pages 2, 3, 4 and page 1 again.
inline const std::string kPages = "\b\r\b\r\b\r\b\r";

} // namespace vlanflow
using namespace vlanflow;

class VlanFlow {
protected:
    std::unique_ptr<LinkHarness> h;
    MessageBoxes boxes;
    sim::SwitchState before;

    TfrmVlanSupport* support() { return frmVlanSupport.get(); }
    TfrmVlanMemberX* group() { return frmVlanMemberX.get(); }
    TfrmEditVlanGrp* list() { return frmEditVlanGrp.get(); }

    // Connects, logs in and opens the VLAN menu, its mode probe finished.
    bool Open(const sim::SwitchState& state, int languageItem = 0) {
        sim::Options options;
        options.initial = state;
        h = std::make_unique<LinkHarness>(std::move(options));
        if (!steps::ReachStaticMenu(*h, languageItem)) return false;
        if (!frmStaticConfig->btnVlanConfig->isEnabled()) return false;
        frmStaticConfig->btnVlanConfig->click();
        if (!h->runUntil(MenuUp, 30000)) return false;
        before = h->sim().state();
        h->clearKeysTyped();
        return true;
    }
    bool Click(QPushButton* b, const std::function<bool()>& until) {
        h->clearKeysTyped();
        b->click();
        return h->runUntil(until, 60000);
    }
    bool OpenSupport() {
        return Click(frmVlanConfig->btnConfig, [this] { return Up(support()); });
    }
    bool OpenCreate() {
        return Click(frmVlanConfig->btnCreate, [this] { return Up(group()); });
    }
    bool OpenList() {
        return Click(frmVlanConfig->btnEdit, [this] { return Up(list()); });
    }
    // Runs until the VLAN menu is in front again and the box of the result
    // (if any) has been recorded.
    bool BackAtMenu() { return h->runUntil(MenuUp, 60000); }

    void ChooseMode(int index) {
        support()->cboVlanMode->setCurrentIndex(index);
        emit support()->cboVlanMode->activated(index);
    }
    QLineEdit* Pvid(int port) { return support()->PvidEdit(port); }
    void SetMember(int port, int choice) {
        QComboBox* box = group()->MemberList(port);
        box->setCurrentIndex(choice);
        emit box->activated(choice);
    }
    void Select(int row) { list()->lbxVlanGroups->setCurrentRow(row); }
    void ExpectBox(const QString& text, int caption) {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, text);
        QCOMPARE(boxes[0].caption, LangPlain(caption));
        boxes.clear();
    }

    void StartCase() { steps::BeginCase(boxes); }
    void EndCase() { steps::EndSession(h); }
};
