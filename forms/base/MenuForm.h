#pragma once
// Base of the windows that mirror a console menu (main, static
// configuration, restart): a title and a column of buttons, one per console
// menu item, and the keys that move the console's highlight to an item.
#include "forms/base/Form.h"

#include <cstdint>

class QLabel;
class QPushButton;
class QVBoxLayout;

class TMenuForm : public TForm {
    Q_OBJECT
public:
    QLabel* Label1 = nullptr;
    // The item about to be chosen (-1: none) and the item believed to be
    // highlighted on the switch: the first item of a menu entered from its
    // parent, afterwards the item last chosen.
    int32_t MenuTarget = -1;
    int32_t MenuCurrent = 0;

protected:
    TMenuForm(const char* objectName, int32_t captionId, int32_t titleId);
    // The next button, in console item order; the first is the default.
    QPushButton* AddMenuButton(const char* objectName, int32_t textId);
    // Sizes the window once all buttons are in.
    void FinishMenu();
    // Hides the window and types the keys that choose `item` on the console.
    void MenuSelect(int32_t item, int32_t targetForm, int32_t busyTextId,
                    void (*extraStep)() = nullptr);
    QVBoxLayout* MenuLayout() const { return layout_; }

private:
    QVBoxLayout* layout_ = nullptr;
    bool hasDefault_ = false;
};
