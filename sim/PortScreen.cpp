// Port configuration: the logical ports (a static trunk shows as one row),
// eight rows per page, seven edit stops per row.
#include "sim/FormScreen.h"
#include "sim/Rules.h"
#include "sim/Switch.h"

#include <cstdlib>

namespace sim {

namespace {

constexpr int kRowsPerPage = 8;
constexpr int kFieldsPerRow = 7;

// One row of the working copy: a port, or a static trunk shown as its
// lowest member. Typed values stay text until Save.
struct PortRow {
    std::string name;
    std::string type;
    std::vector<int> ports; // physical ports (0-based) the row stands for
    bool moduleTrunk = false;
    std::string inRate, outRate;
    std::string enable, autoNego, speed, flowFull, flowHalf;
};

std::vector<PortRow> LogicalRows(const SwitchState& s) {
    std::array<int, kPortCount> trunkOf;
    trunkOf.fill(-1);
    for (int t = 0; t < kTrunkCount; ++t) {
        if (!s.trunks[t].isStatic) continue;
        for (int p = 0; p < kPortCount; ++p)
            if (s.trunks[t].members[p]) trunkOf[p] = t;
    }
    std::vector<PortRow> rows;
    std::array<int, kTrunkCount> rowOfTrunk;
    rowOfTrunk.fill(-1);
    for (int p = 0; p < kPortCount; ++p) {
        const int t = trunkOf[p];
        if (t >= 0 && rowOfTrunk[t] >= 0) {
            rows[static_cast<size_t>(rowOfTrunk[t])].ports.push_back(p);
            continue;
        }
        const Port& port = s.ports[p];
        PortRow r;
        r.name = t >= 0 ? "TRK" + std::to_string(t + 1) : PortName(p + 1);
        if (t >= 0) rowOfTrunk[t] = static_cast<int>(rows.size());
        r.type = port.type;
        r.ports.push_back(p);
        r.inRate = std::to_string(port.inRate);
        r.outRate = std::to_string(port.outRate);
        r.enable = port.enabled ? "Yes" : " No";
        r.autoNego = port.autoNego;
        r.speed = t >= 0 ? TrunkSpeed(s, s.trunks[t]) : port.speed;
        r.moduleTrunk = t >= 0 && p >= 24;
        r.flowFull = port.flowFull ? " On" : "Off";
        r.flowHalf = port.flowHalf ? " On" : "Off";
        rows.push_back(std::move(r));
    }
    return rows;
}

int ParseNumber(const std::string& text) {
    return text.empty() ? 0 : std::atoi(text.c_str()); // at most four digits
}

template <class Row> auto& Slot(Row& row, int f) {
    switch (f) {
    case 0:
        return row.inRate;
    case 1:
        return row.outRate;
    case 2:
        return row.enable;
    case 3:
        return row.autoNego;
    case 4:
        return row.speed;
    case 5:
        return row.flowFull;
    default:
        return row.flowHalf;
    }
}

class PortScreen : public FormScreen {
public:
    explicit PortScreen(Switch& sw) : FormScreen(sw, BarA(), Action::Quit) { resetWorking(); }
    std::string name() const override { return editing_ ? "edit:port" : "port"; }

protected:
    void resetWorking() override { rows_ = LogicalRows(sw_.state()); }

    int pageCount() const override {
        return (static_cast<int>(rows_.size()) + kRowsPerPage - 1) / kRowsPerPage;
    }

    int firstRow() const { return page_ * kRowsPerPage; }
    int rowsOnPage() const {
        return std::min(kRowsPerPage, static_cast<int>(rows_.size()) - firstRow());
    }

    void drawBody(Burst& b) override {
        b.at(1, 32, "Port Configuration");
        b.at(3, 2, "Port   Type    In     Out   Enable Auto Nego.   Spd/Dpx     Flow Control");
        b.at(4, 17, "Rate   Rate                                  Full  Half");
        for (int r = 0; r < rowsOnPage(); ++r) {
            const PortRow& row = rows_[static_cast<size_t>(firstRow() + r)];
            const int y = 6 + r;
            b.at(y, 2, row.name);
            b.at(y, 9, row.type);
            b.at(y, 17, row.inRate);
            b.at(y, 24, row.outRate);
            b.at(y, 31, row.enable);
            b.at(y, 37, row.autoNego);
            b.at(y, 50, row.speed);
            b.at(y, 62, row.flowFull);
            b.at(y, 68, row.flowHalf);
        }
        b.at(15, 2, "Page " + std::to_string(page_ + 1) + " of " + std::to_string(pageCount()));
        b.at(16, 2, "Rate unit 100 Kbps: 0 = no limit, 1 - 1000. Module ports: no rate control.");
    }

    int fieldCount() const override { return rowsOnPage() * kFieldsPerRow; }

    Field field(int i) const override {
        const int y = 6 + i / kFieldsPerRow;
        const PortRow& row = rowOf(i);
        switch (i % kFieldsPerRow) {
        case 0:
            return {y, 17, 4, FieldKind::Number, nullptr};
        case 1:
            return {y, 24, 4, FieldKind::Number, nullptr};
        case 2:
            return {y, 31, 3, FieldKind::Choice, &EnableChoices()};
        case 3:
            return {y, 37, 10, FieldKind::Choice, &AutoChoices()};
        case 4:
            return {y, 50, 9, FieldKind::Choice, &RowSpeedChoices(row.type, row.moduleTrunk)};
        case 5:
            return {y, 62, 3, FieldKind::Choice, &FlowChoices()};
        default:
            return {y, 68, 3, FieldKind::Choice, &FlowChoices()};
        }
    }

    std::string value(int i) const override { return Slot(rowOf(i), i % kFieldsPerRow); }
    void setValue(int i, const std::string& v) override {
        Slot(rows_[static_cast<size_t>(firstRow() + i / kFieldsPerRow)], i % kFieldsPerRow) = v;
    }

    void quit() override { sw_.show(MakeStaticMenu(sw_, 0)); }

    void save() override {
        Switch* sw = &sw_;
        sw_.save(
            "Saving port configuration ...",
            [rows = rows_](SwitchState& s) {
                for (const PortRow& r : rows) {
                    for (int p : r.ports) {
                        Port& port = s.ports[static_cast<size_t>(p)];
                        port.inRate = StoredRate(p + 1, ParseNumber(r.inRate));
                        port.outRate = StoredRate(p + 1, ParseNumber(r.outRate));
                        port.enabled = r.enable == "Yes";
                        port.autoNego = r.autoNego;
                        const auto& speeds = SpeedChoices(port.type);
                        if (std::find(speeds.begin(), speeds.end(), r.speed) != speeds.end())
                            port.speed = r.speed;
                        port.flowFull = r.flowFull == " On";
                        port.flowHalf = r.flowHalf == " On";
                    }
                }
                return std::string("Port configuration saved.");
            },
            [sw] { sw->show(MakeStaticMenu(*sw, 0)); });
    }

private:
    const PortRow& rowOf(int i) const {
        return rows_[static_cast<size_t>(firstRow() + i / kFieldsPerRow)];
    }

    std::vector<PortRow> rows_;
};

} // namespace

std::unique_ptr<Screen> MakePortScreen(Switch& sw) {
    return std::make_unique<PortScreen>(sw);
}

} // namespace sim
