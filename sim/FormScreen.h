#pragma once
// A configuration screen: fields above, an action bar on row 22, and the
// edit mode in which the fields form one ring. The working copy lives in the
// derived screen; this class owns the highlight, the page, and the editing
// keys (current field, typing with raw echo, choice cycling).
#include "sim/Screen.h"

#include <string>
#include <vector>

namespace sim {

enum class Action { Quit, Edit, Save, PreviousPage, NextPage, Delete };

struct BarItem {
    int col;
    std::string label;
    Action action;
};

// Bar A (port, VLAN support, VLAN group), bar B (trunk, misc), bar C (list).
const std::vector<BarItem>& BarA();
const std::vector<BarItem>& BarB();
const std::vector<BarItem>& BarC();
constexpr int kBarRow = 22;

enum class FieldKind {
    Number,   // digits
    Text,     // 0x21-0x7E
    NameText, // 0x20-0x7E: Space types a blank
    Password, // 0x21-0x7E, echoed as '*'
    Choice,   // Space cycles `choices`
};

struct Field {
    int row = 0;
    int col = 0;
    int width = 0;
    FieldKind kind = FieldKind::Choice;
    const std::vector<std::string>* choices = nullptr;
};

class FormScreen : public Screen {
public:
    FormScreen(Switch& sw, const std::vector<BarItem>& bar, Action entryAction);
    void draw(Burst& b) final;
    void key(uint8_t k) override;

protected:
    // Title, labels, data, page indicator and notes of a full draw.
    virtual void drawBody(Burst& b) = 0;
    // Throws the working copy away and reloads it from the stored state.
    virtual void resetWorking() = 0;
    virtual int pageCount() const { return 1; }
    // The edit ring of the page on screen.
    virtual int fieldCount() const = 0;
    virtual Field field(int i) const = 0;
    // The field's value without padding (passwords in clear).
    virtual std::string value(int i) const = 0;
    virtual void setValue(int i, const std::string& v) = 0;
    virtual void quit() = 0;
    virtual void save() = 0;
    virtual void remove() {}
    // Enter on Edit; the group list overrides it with its row selection.
    virtual void startEdit();
    // Ctrl-A in edit mode.
    virtual void endEdit();

    // ESC: the screen as entered from its parent.
    void reenter();
    int itemIndex(Action a) const;
    void setHighlight(Action a) { highlight_ = itemIndex(a); }
    void parkAfterItem(Burst& b, int item) const;
    void drawItem(Burst& b, int item, bool highlighted) const;
    // The current field, drawn one column to the left, and the park in it.
    void drawField(Burst& b, int i, bool current) const;
    void parkInField(Burst& b, int i) const;

    int page_ = 0;
    int highlight_ = 0;
    bool editing_ = false;
    int current_ = 0;

private:
    void moveHighlight(int delta);
    void choose();
    void changePage(int delta);
    void editKey(uint8_t k);
    void moveField(int delta);
    void cycleChoice();
    void type(char c);
    std::string shown(int i) const;

    const std::vector<BarItem>& bar_;
    Action entryAction_;
    bool typed_ = false; // a character was typed since the field became current
};

} // namespace sim
