#include "sim/FormScreen.h"

#include "sim/Switch.h"

#include <algorithm>

namespace sim {

namespace {
constexpr const char* kEditHint =
    "Edit: Tab/BackSpace = next/previous field, Space = change, Ctrl-A = done";

bool Accepts(FieldKind kind, char c) {
    switch (kind) {
    case FieldKind::Number:
        return c >= '0' && c <= '9';
    case FieldKind::Text:
    case FieldKind::Password:
        return c >= 0x21 && c <= 0x7E;
    case FieldKind::NameText:
        return c >= 0x20 && c <= 0x7E;
    case FieldKind::Choice:
        return false;
    }
    return false;
}
} // namespace

const std::vector<BarItem>& BarA() {
    static const std::vector<BarItem> bar{{5, "Quit", Action::Quit},
                                          {13, "Edit", Action::Edit},
                                          {21, "Save", Action::Save},
                                          {29, "Previous Page", Action::PreviousPage},
                                          {46, "Next Page", Action::NextPage}};
    return bar;
}

const std::vector<BarItem>& BarB() {
    static const std::vector<BarItem> bar{
        {5, "Edit", Action::Edit}, {13, "Save", Action::Save}, {21, "Quit", Action::Quit}};
    return bar;
}

const std::vector<BarItem>& BarC() {
    static const std::vector<BarItem> bar{
        {5, "Quit", Action::Quit}, {13, "Edit", Action::Edit}, {21, "Delete", Action::Delete}};
    return bar;
}

FormScreen::FormScreen(Switch& sw, const std::vector<BarItem>& bar, Action entryAction)
    : Screen(sw), bar_(bar), entryAction_(entryAction) {
    highlight_ = itemIndex(entryAction);
}

int FormScreen::itemIndex(Action a) const {
    for (size_t i = 0; i < bar_.size(); ++i)
        if (bar_[i].action == a) return static_cast<int>(i);
    return 0;
}

void FormScreen::drawItem(Burst& b, int item, bool highlighted) const {
    b.at(kBarRow, bar_[item].col, ItemText(bar_[item].label, highlighted));
}

void FormScreen::parkAfterItem(Burst& b, int item) const {
    b.park(kBarRow, bar_[item].col + static_cast<int>(bar_[item].label.size()) + 2);
}

void FormScreen::draw(Burst& b) {
    drawBody(b);
    drawPendingMessage(b);
    b.at(24, 2, kKeyHint);
    for (int i = 0; i < static_cast<int>(bar_.size()); ++i)
        if (i != highlight_) drawItem(b, i, false);
    drawItem(b, highlight_, true);
    parkAfterItem(b, highlight_);
}

void FormScreen::key(uint8_t k) {
    if (editing_) {
        editKey(k);
        return;
    }
    switch (k) {
    case key::kTab:
        moveHighlight(+1);
        break;
    case key::kBackSpace:
        moveHighlight(-1);
        break;
    case key::kEnter:
        choose();
        break;
    case key::kEsc:
        reenter();
        break;
    default:
        break;
    }
}

void FormScreen::moveHighlight(int delta) {
    const int n = static_cast<int>(bar_.size());
    Burst b;
    if (messageShown_) b.clearMessage();
    messageShown_ = false;
    drawItem(b, highlight_, false);
    highlight_ = (highlight_ + delta + n) % n;
    drawItem(b, highlight_, true);
    parkAfterItem(b, highlight_);
    sw_.send(b);
}

void FormScreen::choose() {
    switch (bar_[highlight_].action) {
    case Action::Quit:
        quit();
        break;
    case Action::Edit:
        startEdit();
        break;
    case Action::Save:
        save();
        break;
    case Action::PreviousPage:
        changePage(-1);
        break;
    case Action::NextPage:
        changePage(+1);
        break;
    case Action::Delete:
        remove();
        break;
    }
}

void FormScreen::changePage(int delta) {
    const int n = std::max(1, pageCount());
    page_ = (page_ + delta + n) % n;
    setHighlight(Action::Quit);
    sw_.redraw();
}

void FormScreen::reenter() {
    resetWorking();
    page_ = 0;
    editing_ = false;
    highlight_ = itemIndex(entryAction_);
    pendingMessage_.clear();
    sw_.redraw();
}

void FormScreen::startEdit() {
    if (fieldCount() == 0) return;
    editing_ = true;
    current_ = 0;
    typed_ = false;
    Burst b;
    drawItem(b, highlight_, false);
    b.message(kEditHint);
    messageShown_ = true;
    drawField(b, current_, true);
    parkInField(b, current_);
    sw_.send(b);
}

void FormScreen::endEdit() {
    Burst b;
    typed_ = false;
    drawField(b, current_, false);
    b.clearMessage();
    messageShown_ = false;
    editing_ = false;
    setHighlight(Action::Edit);
    drawItem(b, highlight_, true);
    parkAfterItem(b, highlight_);
    sw_.send(b);
}

void FormScreen::editKey(uint8_t k) {
    if (fieldCount() == 0) {
        editing_ = false;
        return;
    }
    if (current_ >= fieldCount()) current_ = 0;
    switch (k) {
    case key::kTab:
    case key::kEnter:
        moveField(+1);
        return;
    case key::kBackSpace:
        moveField(-1);
        return;
    case key::kCtrlA:
        endEdit();
        return;
    case key::kEsc:
        reenter();
        return;
    case key::kSpace:
        if (field(current_).kind == FieldKind::Choice)
            cycleChoice();
        else
            type(' ');
        return;
    default:
        if (key::Printable(k)) type(static_cast<char>(k));
        return;
    }
}

void FormScreen::moveField(int delta) {
    const int n = fieldCount();
    Burst b;
    typed_ = false;
    drawField(b, current_, false);
    current_ = (current_ + delta + n) % n;
    drawField(b, current_, true);
    parkInField(b, current_);
    sw_.send(b);
}

void FormScreen::cycleChoice() {
    const Field f = field(current_);
    if (!f.choices || f.choices->size() < 2) return;
    const auto& list = *f.choices;
    auto it = std::find(list.begin(), list.end(), value(current_));
    size_t next = it == list.end() ? 0 : (static_cast<size_t>(it - list.begin()) + 1) % list.size();
    setValue(current_, list[next]);
    Burst b;
    drawField(b, current_, true);
    parkInField(b, current_);
    sw_.send(b);
}

// Raw echo without ESC or CR: a typed character must never complete a line
// on the program's side.
void FormScreen::type(char c) {
    const Field f = field(current_);
    if (!Accepts(f.kind, c)) return;
    const char echo = f.kind == FieldKind::Password ? '*' : c;
    std::string bytes;
    if (!typed_) {
        const size_t n = shown(current_).size();
        bytes.assign(n, '\b');
        bytes += echo;
        if (n >= 2) {
            bytes.append(n - 1, ' ');
            bytes.append(n - 1, '\b');
        }
        typed_ = true;
        setValue(current_, std::string(1, c));
    } else {
        std::string v = value(current_);
        if (static_cast<int>(v.size()) >= f.width) return;
        setValue(current_, v + c);
        bytes += echo;
    }
    sw_.send(Burst().raw(bytes));
}

std::string FormScreen::shown(int i) const {
    const Field f = field(i);
    std::string v = value(i);
    if (f.kind == FieldKind::Password) v.assign(v.size(), '*');
    return v;
}

void FormScreen::drawField(Burst& b, int i, bool current) const {
    const Field f = field(i);
    const std::string text = Pad(shown(i), static_cast<size_t>(f.width));
    b.at(f.row, f.col - 1, current ? "[" + text + "]" : " " + text + " ");
}

void FormScreen::parkInField(Burst& b, int i) const {
    const Field f = field(i);
    const bool typedKind = f.kind != FieldKind::Choice;
    b.park(f.row, f.col + (typedKind ? static_cast<int>(shown(i).size()) : f.width));
}

} // namespace sim
