#pragma once
// A vertical menu: items at column 25, Tab/BackSpace move the highlight,
// Enter chooses, ESC redraws as entered from the parent (item 0).
#include "sim/Screen.h"

#include <functional>
#include <string>
#include <vector>

namespace sim {

class MenuScreen : public Screen {
public:
    struct Item {
        int row;
        std::string label;
        std::function<void()> choose;
    };

    MenuScreen(Switch& sw, std::string name, int titleCol, std::string title, int highlight);
    void draw(Burst& b) override;
    void key(uint8_t k) override;
    std::string name() const override { return name_; }

protected:
    void addItem(int row, std::string label, std::function<void()> choose);
    // Lines drawn between the title and the key hint.
    virtual void drawBody(Burst&) {}
    // A message on the message line, then the park after the highlighted item.
    void showMessage(const std::string& text);
    void parkAfterHighlight(Burst& b) const;
    int highlight_;

private:
    void move(int delta);
    std::string name_;
    int titleCol_;
    std::string title_;
    std::vector<Item> items_;
};

constexpr int kMenuCol = 25;

} // namespace sim
