// VLAN support configuration: the VLAN mode and, in 802.1Q mode, the PVID
// of every physical port over four pages.
#include "sim/FormScreen.h"
#include "sim/Rules.h"
#include "sim/Switch.h"

#include <cstdlib>

namespace sim {

namespace {

constexpr int kRowsPerPage = 8;

class VlanSupportScreen : public FormScreen {
public:
    explicit VlanSupportScreen(Switch& sw) : FormScreen(sw, BarA(), Action::Quit) {
        resetWorking();
    }
    std::string name() const override { return editing_ ? "edit:vlansupport" : "vlansupport"; }

protected:
    void resetWorking() override {
        const SwitchState& s = sw_.state();
        mode_ = s.vlanMode;
        shownMode_ = mode_;
        for (int p = 0; p < kPortCount; ++p)
            pvid_[p] = std::to_string(s.ports[p].pvid);
    }

    bool dot1qShown() const { return shownMode_ == kModeDot1q; }
    int pageCount() const override { return dot1qShown() ? 4 : 1; }
    int rowsOnPage() const {
        return dot1qShown() ? std::min(kRowsPerPage, kPortCount - page_ * kRowsPerPage) : 0;
    }

    void drawBody(Burst& b) override {
        // The layout follows the mode of the working copy as of this draw.
        shownMode_ = mode_;
        if (page_ >= pageCount()) page_ = 0;
        b.at(1, 28, "VLAN Support Configuration");
        b.at(3, 5, "VLAN Mode : " + mode_);
        if (!dot1qShown()) {
            b.at(6, 10, "PVID settings are used in 802.1Q mode only.");
            return;
        }
        b.at(6, 10, "Port      PVID");
        for (int r = 0; r < rowsOnPage(); ++r) {
            const int port = page_ * kRowsPerPage + r;
            b.at(7 + r, 10, PortName(port + 1));
            b.at(7 + r, 20, pvid_[port]);
        }
        b.at(16, 2, "Page " + std::to_string(page_ + 1) + " of 4");
        b.at(17, 2, "PVID range: 1 - 255 (default 1)");
    }

    int fieldCount() const override { return 1 + rowsOnPage(); }

    Field field(int i) const override {
        if (i == 0) return {3, 17, 9, FieldKind::Choice, &VlanModeChoices()};
        return {6 + i, 20, 3, FieldKind::Number, nullptr};
    }

    std::string value(int i) const override {
        return i == 0 ? mode_ : pvid_[page_ * kRowsPerPage + i - 1];
    }
    void setValue(int i, const std::string& v) override {
        (i == 0 ? mode_ : pvid_[page_ * kRowsPerPage + i - 1]) = v;
    }

    void startEdit() override {
        modeAtEdit_ = mode_;
        FormScreen::startEdit();
    }

    // A mode change reshapes the screen, so ending the edit redraws it; but a
    // PVID edit must not redraw the mode line, which makes the program throw
    // away the PVID table it is writing.
    void endEdit() override {
        const bool changed = mode_ != modeAtEdit_;
        if (!changed && current_ != 0) {
            FormScreen::endEdit();
            return;
        }
        editing_ = false;
        if (changed) page_ = 0;
        setHighlight(Action::Edit);
        sw_.redraw();
    }

    void quit() override { sw_.show(MakeVlanMenu(sw_, 0)); }

    void save() override {
        Switch* sw = &sw_;
        sw_.save(
            "Saving VLAN configuration ...",
            [mode = mode_, pvid = pvid_](SwitchState& s) {
                s.vlanMode = mode;
                for (int p = 0; p < kPortCount; ++p) {
                    const std::string& t = pvid[p];
                    s.ports[p].pvid = StoredPvid(t.empty() ? 0 : std::atoi(t.c_str()));
                }
                return std::string("VLAN configuration saved.");
            },
            [sw] { sw->show(MakeVlanMenu(*sw, 0)); });
    }

private:
    std::string mode_;
    std::string shownMode_;
    std::string modeAtEdit_;
    std::array<std::string, kPortCount> pvid_;
};

} // namespace

std::unique_ptr<Screen> MakeVlanSupportScreen(Switch& sw) {
    return std::make_unique<VlanSupportScreen>(sw);
}

} // namespace sim
