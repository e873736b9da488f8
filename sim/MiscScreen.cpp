// Misc configuration: the console account, retry, address aging, MAC hash.
#include "sim/FormScreen.h"
#include "sim/Rules.h"
#include "sim/Switch.h"

namespace sim {

namespace {

constexpr int kValueCol = 26;

struct MiscWork {
    std::string user, oldPassword, newPassword, confirm;
    std::string retry, aging, hash;
};

template <class Work> auto& Slot(Work& w, int i) {
    switch (i) {
    case 0:
        return w.user;
    case 1:
        return w.oldPassword;
    case 2:
        return w.newPassword;
    case 3:
        return w.confirm;
    case 4:
        return w.retry;
    case 5:
        return w.aging;
    default:
        return w.hash;
    }
}

class MiscScreen : public FormScreen {
public:
    explicit MiscScreen(Switch& sw) : FormScreen(sw, BarB(), Action::Edit) { resetWorking(); }
    std::string name() const override { return editing_ ? "edit:misc" : "misc"; }

protected:
    void resetWorking() override {
        const SwitchState& s = sw_.state();
        work_ = MiscWork{s.user, "", "", "", s.retryForever, s.autoAging, s.macHash};
    }

    void drawBody(Burst& b) override {
        b.at(1, 32, "Misc Configuration");
        b.at(4, 5, "User Name          : " + work_.user);
        b.at(6, 5, "Old Password       : ");
        b.at(7, 5, "New Password       : ");
        b.at(8, 5, "Confirm Password   : ");
        b.at(10, 5, "Retry Forever      : " + work_.retry);
        b.at(11, 5, "Auto-Aging         : " + work_.aging);
        b.at(12, 5, "MAC Hash Algorithm : " + work_.hash);
    }

    int fieldCount() const override { return 7; }

    Field field(int i) const override {
        switch (i) {
        case 0:
            return {4, kValueCol, kMaxAccountText, FieldKind::Text, nullptr};
        case 1:
            return {6, kValueCol, kMaxAccountText, FieldKind::Password, nullptr};
        case 2:
            return {7, kValueCol, kMaxAccountText, FieldKind::Password, nullptr};
        case 3:
            return {8, kValueCol, kMaxAccountText, FieldKind::Password, nullptr};
        case 4:
            return {10, kValueCol, 8, FieldKind::Choice, &EnabledDisabledChoices()};
        case 5:
            return {11, kValueCol, 8, FieldKind::Choice, &EnabledDisabledChoices()};
        default:
            return {12, kValueCol, 9, FieldKind::Choice, &MacHashChoices()};
        }
    }

    std::string value(int i) const override { return Slot(work_, i); }
    void setValue(int i, const std::string& v) override { Slot(work_, i) = v; }

    void quit() override { sw_.show(MakeStaticMenu(sw_, 3)); }

    void save() override {
        Switch* sw = &sw_;
        sw_.save(
            "Saving misc configuration ...",
            [w = work_](SwitchState& s) {
                if (!CheckMisc(s, w.user, w.oldPassword, w.newPassword, w.confirm))
                    return std::string("Password error - misc configuration NOT saved.");
                s.user = w.user;
                if (!w.newPassword.empty()) s.password = w.newPassword;
                s.retryForever = w.retry;
                s.autoAging = w.aging;
                s.macHash = w.hash;
                return std::string("Misc configuration saved.");
            },
            [sw] { sw->show(MakeStaticMenu(*sw, 3)); });
    }

private:
    MiscWork work_;
};

} // namespace

std::unique_ptr<Screen> MakeMiscScreen(Switch& sw) {
    return std::make_unique<MiscScreen>(sw);
}

} // namespace sim
