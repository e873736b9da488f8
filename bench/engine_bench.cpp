// The engine's per-line path over a full port-configuration screen: framing
// of 80-byte reads, posting each line, the screen-start check and page
// recognition against the port page's table. The switch sends at most
// 960 bytes/s, so this shows how much headroom the main thread has.
//
//   scripts/build engine_bench && build/test/bin/engine_bench
// (the test build carries sanitizers; numbers from a release build are
// several times higher).
#include "engine/KeyOutput.h"
#include "engine/LineFraming.h"
#include "engine/PageTable.h"
#include "engine/SerialLink.h"
#include "platform/Ui.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Rec {
    int32_t position;
    std::string key;
    int32_t value;
};

void putLe32(std::string& out, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

// The top list of every screen and the port page's list: 72 cells and the
// action bar, as the switch console draws them.
std::string portTable() {
    std::vector<Rec> lists[17];
    lists[0] = {{124, "24+2 Port Managed Ethernet Switch", 1},
                {128, "Static Configuration Menu", 3},
                {128, "VLAN Support Configuration", 7},
                {129, "VLAN Configuration Menu", 6},
                {129, "VLAN Group Configuration", 8},
                {130, "Restart Configuration", 15},
                {131, "Trunk Configuration", 5},
                {132, "Port Configuration", 4},
                {132, "Misc Configuration", 11},
                {133, "VLAN Group List", 9},
                {136, "Main Menu", 2},
                {9999, "Power-On Self Test", 0}};
    const int cols[9] = {2, 9, 17, 24, 31, 37, 50, 62, 68};
    for (int row = 1; row <= 8; ++row)
        for (int f = 0; f < 9; ++f)
            lists[1 + 4].push_back({(5 + row) * 100 + cols[f], "", 4000 + row * 100 + f + 1});
    for (const Rec& r : std::vector<Rec>{{2002, "Saving", 4006},
                                         {2002, "Press any key", 4007},
                                         {2205, "<Quit>", 4001},
                                         {2213, "<Edit>", 4002},
                                         {2221, "<Save>", 4003},
                                         {2229, "<Previous Page>", 4004},
                                         {2246, "<Next Page>", 4005}})
        lists[1 + 4].push_back(r);
    std::string out;
    for (const auto& list : lists) {
        putLe32(out, static_cast<int32_t>(list.size()));
        for (const Rec& r : list) {
            putLe32(out, r.position);
            char key[80] = {};
            std::memcpy(key, r.key.data(), r.key.size());
            out.append(key, sizeof key);
            putLe32(out, r.value);
        }
    }
    return out;
}

std::string seg(int row, int col, const std::string& text) {
    char head[16];
    std::snprintf(head, sizeof head, "\x1b[%02d;%02dH", row, col);
    return head + text;
}

// One full draw of port page 1 as the switch sends it.
std::string portScreen() {
    std::string s = "\x1b[2J\x1b[20;02H\x1b[01;09H";
    s += seg(1, 32, "Port Configuration");
    s += seg(3, 2, "Port   Type    In     Out   Enable Auto Nego.   Spd/Dpx     Flow Control");
    s += seg(4, 17, "Rate   Rate                                  Full  Half");
    for (int row = 1; row <= 8; ++row) {
        const int r = 5 + row;
        s += seg(r, 2, "PORT" + std::to_string(row));
        s += seg(r, 9, "100TX");
        s += seg(r, 17, "0");
        s += seg(r, 24, "0");
        s += seg(r, 31, "Yes");
        s += seg(r, 37, "   AUTO   ");
        s += seg(r, 50, " 100 Full");
        s += seg(r, 62, " On");
        s += seg(r, 68, "Off");
    }
    s += seg(15, 2, "Page 1 of 4");
    s += seg(16, 2, "Rate unit 100 Kbps: 0 = no limit, 1 - 1000. Module ports: no rate control.");
    s += seg(24, 2, "Tab/BackSpace: move   Enter: select   ESC: refresh");
    s += seg(22, 13, " Edit ") + seg(22, 21, " Save ") + seg(22, 29, " Previous Page ") +
         seg(22, 46, " Next Page ");
    s += seg(22, 5, "<Quit>");
    s += "\x1b[22;11H";
    return s;
}

// The start window's part: check, recognise, free.
class Sink : public QWidget {
public:
    Sink() { setWindowTitle("engine bench sink"); }
    int64_t recognised = 0;

protected:
    bool event(QEvent* e) override {
        if (static_cast<int>(e->type()) != WM_CONSOLE_LINE) return QWidget::event(e);
        const char* line = static_cast<platform::ConsoleEvent*>(e)->line();
        if (line == nullptr) return true;
        CheckScreenStart(line);
        if (GetParser()->Parse(line)->value >= 0) ++recognised;
        return true;
    }
};

Sink* g_sink = nullptr;
std::string g_tablePath;

void BM_PortScreenBurst(benchmark::State& state) {
    const std::string burst = portScreen();
    DestroyParser();
    CreateParser();
    GetParser()->LoadTable(g_tablePath);
    SerialPort port;
    ComThread reader(&port);
    SetTargetWindow(g_sink->windowTitle());
    g_sink->recognised = 0;

    for (auto _ : state) {
        for (size_t at = 0; at < burst.size(); at += 80) {
            const size_t n = std::min<size_t>(80, burst.size() - at);
            std::memcpy(port.rxBuffer, burst.data() + at, n);
            port.rxBuffer[n] = 0;
            reader.DeliverInput();
        }
        QCoreApplication::sendPostedEvents();
    }
    // The 72 cells and the highlighted <Quit> of every screen.
    if (g_sink->recognised != static_cast<int64_t>(state.iterations()) * 73)
        state.SkipWithError("the screen was not recognised as expected");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(burst.size()));
    state.counters["switch_bytes_per_s"] = 960;
    DestroyParser();
}
BENCHMARK(BM_PortScreenBurst);

void BM_ParseOnly(benchmark::State& state) {
    Parser p;
    p.LoadTable(g_tablePath);
    const std::string line = "[13;68HOff";
    p.Parse("[01;32HPort Configuration");
    for (auto _ : state)
        benchmark::DoNotOptimize(p.Parse(line.c_str()));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseOnly);

// A table of 160,000 records (about 14 MB) in one list, positions spread
// over the whole range: the loader used to insert record by record, which
// took over half a minute for this; it now sorts once per list.
void BM_LoadLargeTable(benchmark::State& state) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("large.tbl").toStdString();
    {
        std::string bytes;
        putLe32(bytes, 160000);
        uint32_t seed = 1;
        for (int i = 0; i < 160000; ++i) {
            seed = seed * 1103515245u + 12345u;
            putLe32(bytes, static_cast<int32_t>((seed >> 8) % 9999));
            std::string key(80, '\0');
            std::snprintf(key.data(), key.size(), "key %d", i);
            bytes += key;
            putLe32(bytes, 1000 + i);
        }
        for (int list = 1; list < 17; ++list)
            putLe32(bytes, 0);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) return state.SkipWithError("cannot write the table");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        Parser p;
        if (!p.LoadTable(path) || p.TopList().Count() != 160001)
            state.SkipWithError("the table did not load whole");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 160000);
}
BENCHMARK(BM_LoadLargeTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    g_tablePath = dir.filePath("Parser.tbl").toStdString();
    {
        const std::string table = portTable();
        std::FILE* f = std::fopen(g_tablePath.c_str(), "wb");
        if (f == nullptr) return 1;
        std::fwrite(table.data(), 1, table.size(), f);
        std::fclose(f);
    }
    Sink sink;
    g_sink = &sink;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
