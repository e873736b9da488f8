#pragma once
// Every window of the program, made as a test that checks all of them needs
// it: empty (no switch behind it), shown by the caller. The captions test and
// the layout test walk the same list, so a new window joins both.
#include "tests/harness/WindowSteps.h"

#include <QTest>

#include <functional>
#include <iterator>

namespace steps {

template <class T> TForm* Make(FormRef<T>& ref) {
    ref.set(new T);
    return ref.get();
}

inline TForm* Busy() {
    BusyText = "...";
    ShowBusyBox();
    return frmMessage.get();
}

struct WindowMaker {
    const char* name;
    std::function<TForm*()> make;
};

// The start window is the one ShowWelcome made.
inline const WindowMaker kEveryWindow[] = {
    {"start", [] { return frmWelcome.get(); }},
    {"login", [] { return Make(frmLogin); }},
    {"main menu", [] { return Make(frmMain); }},
    {"static menu", [] { return Make(frmStaticConfig); }},
    {"restart menu", [] { return Make(frmRestartConfig); }},
    {"port", [] { return Make(frmPortConfig); }},
    {"trunk", [] { return Make(frmTrkConfig); }},
    {"misc", [] { return Make(frmMiscConfigX); }},
    {"VLAN menu", [] { return Make(frmVlanConfig); }},
    {"VLAN support", [] { return Make(frmVlanSupport); }},
    {"VLAN group", [] { return Make(frmVlanMemberX); }},
    {"VLAN group list", [] { return Make(frmEditVlanGrp); }},
    {"console monitor", [] { return Make(frmMemo); }},
    {"busy", [] { return Busy(); }},
};

inline const char* const kLanguageNames[3] = {"English", "Simplified Chinese",
                                              "Traditional Chinese"};

// Data rows of a case run in each language: column `column`, the start
// window's language item.
inline void LanguageRows(const char* column = "language") {
    QTest::addColumn<int>(column);
    for (int l = 0; l < 3; ++l)
        QTest::newRow(kLanguageNames[l]) << l;
}

} // namespace steps
