// Trunk configuration: seven trunks, a status and 26 member cells each.
#include "sim/FormScreen.h"
#include "sim/Rules.h"
#include "sim/Switch.h"

namespace sim {

namespace {

constexpr int kCells = kTrunkCount * kPortCount; // edit stops before the statuses
constexpr int kStatusCol = 10;

int CellCol(int port) {
    return 18 + 2 * port;
} // port 1-26

class TrunkScreen : public FormScreen {
public:
    explicit TrunkScreen(Switch& sw) : FormScreen(sw, BarB(), Action::Edit) { resetWorking(); }
    std::string name() const override { return editing_ ? "edit:trunk" : "trunk"; }

protected:
    void resetWorking() override { work_ = sw_.state().trunks; }

    void drawBody(Burst& b) override {
        b.at(1, 31, "Trunk Configuration");
        b.at(3, 8, "Port number");
        b.at(3, 20, "0 0 0 0 0 0 0 0 0 1 1 1 1 1 1 1 1 1 1 2 2 2 2 2 M M");
        b.at(4, 2, "Trunk   Status");
        b.at(4, 20, "1 2 3 4 5 6 7 8 9 0 1 2 3 4 5 6 7 8 9 0 1 2 3 4 1 2");
        for (int t = 0; t < kTrunkCount; ++t) {
            const int y = 6 + t;
            b.at(y, 2, "Trunk" + std::to_string(t + 1));
            b.at(y, kStatusCol, Status(work_[t]));
            for (int p = 0; p < kPortCount; ++p)
                b.at(y, CellCol(p + 1), Cell(work_[t], p));
        }
        b.at(14, 2, "v = member, - = not a member.  Static = trunk in use, Disable = not in use.");
        b.at(15, 2, "A trunk needs 2 to 4 members; a port can belong to one trunk only.");
        b.at(16, 2, "Ports 1-24 cannot be trunked with M1/M2.");
    }

    // Trunk 1 ports 1-26, ..., trunk 7 ports 1-26, then the seven statuses.
    int fieldCount() const override { return kCells + kTrunkCount; }

    Field field(int i) const override {
        if (i < kCells)
            return {6 + i / kPortCount, CellCol(i % kPortCount + 1), 1, FieldKind::Choice,
                    &TrunkCellChoices()};
        return {6 + (i - kCells), kStatusCol, 7, FieldKind::Choice, &TrunkStatusChoices()};
    }

    std::string value(int i) const override {
        if (i < kCells) return Cell(work_[i / kPortCount], i % kPortCount);
        return Status(work_[i - kCells]);
    }

    void setValue(int i, const std::string& v) override {
        if (i < kCells)
            work_[i / kPortCount].members[i % kPortCount] = v == "v";
        else
            work_[i - kCells].isStatic = v == "Static ";
    }

    void quit() override { sw_.show(MakeStaticMenu(sw_, 1)); }

    void save() override {
        Switch* sw = &sw_;
        sw_.save(
            "Saving trunk configuration ...",
            [work = work_](SwitchState& s) {
                const std::string reason = CheckTrunks(work);
                if (!reason.empty()) return "Not saved - " + reason;
                s.trunks = work;
                ApplyTrunkSettings(s);
                return std::string("Trunk configuration saved.");
            },
            [sw] { sw->show(MakeStaticMenu(*sw, 1)); });
    }

private:
    static std::string Status(const Trunk& t) { return t.isStatic ? "Static " : "Disable"; }
    static std::string Cell(const Trunk& t, int p) { return t.members[p] ? "v" : "-"; }

    std::array<Trunk, kTrunkCount> work_;
};

} // namespace

std::unique_ptr<Screen> MakeTrunkScreen(Switch& sw) {
    return std::make_unique<TrunkScreen>(sw);
}

} // namespace sim
