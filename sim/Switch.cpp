#include "sim/Switch.h"

#include "sim/Rules.h"
#include "sim/Screen.h"

#include <algorithm>

namespace sim {

namespace {

constexpr int64_t kUsPerSecond = 1000000;
constexpr int64_t kBytesPerSecond = 960; // 9600 baud, 8N1
constexpr int64_t kFirstByteUs = kUsPerSecond / kBytesPerSecond;

// The switch's own boot output. The program keeps an identical table of
// labels to show these lines; the two stay separate on purpose, so that a
// slip in either one makes the page table stop recognising the lines
// instead of going unnoticed.
const char* const kSelfTestLabels[13] = {
    "Switch Register R/W Test .... ", "PHY Register R/W Test ....... ",
    "SRAM Built-In Self Test ..... ", "EEPROM R/W Test ............. ",
    "IRQ Connect Test ............ ", "Switch EEPROM Checksum ...... ",
    "Detect Module Card .......... ", "Hardware Initialize ......... ",
    "Trunk Initialize ............ ", "Port Initialize ............. ",
    "BwCtrl Initialize ........... ", "Forwarding Initialize ....... ",
    "Vlan Initialize ............. ",
};

} // namespace

void Screen::drawPendingMessage(Burst& b) {
    messageShown_ = !pendingMessage_.empty();
    if (messageShown_) b.message(pendingMessage_);
    pendingMessage_.clear();
}

Switch::Switch(Options options, int64_t startUs)
    : options_(std::move(options)), now_(startUs), burstEnd_(startUs), discardUntil_(startUs) {
    stored_ = options_.initial ? *options_.initial : FactoryState(options_.modules);
    screen_ = MakeLoginScreen(*this, false);
    if (!options_.pretype.empty()) pretype(options_.pretype);
    if (options_.bootAtStart) {
        enterBusy();
        schedule(options_.bootDelayMs, [this] { startBoot(); });
    }
}

Switch::~Switch() = default;

bool Switch::isKey(uint8_t key) const {
    return key == key::kCtrlA || key == key::kBackSpace || key == key::kTab || key == key::kEnter ||
           key == key::kEsc || (key >= 0x20 && key <= 0x7E);
}

void Switch::keyIn(uint8_t key, int64_t atUs) {
    if (key == 0x7F) key = key::kBackSpace; // what a human terminal sends
    if (!isKey(key)) return;
    runTimersUntil(atUs);
    if (atUs < discardUntil_) return;
    now_ = std::max(atUs, burstEnd_);
    if (prompt_) {
        auto after = std::move(prompt_);
        prompt_ = nullptr;
        after();
    } else if (screen_) {
        screen_->key(key);
    }
    retired_.clear();
}

int64_t Switch::nextOutputTime() {
    if (!out_.empty()) return out_.front().second;
    // Every piece of timed work draws something, starting at its own time:
    // it runs only once that first byte is taken, so the stored state never
    // changes ahead of the clock.
    if (!timers_.empty()) return timers_.front().at + (options_.pacing ? kFirstByteUs : 0);
    return kNever;
}

uint8_t Switch::takeOutput() {
    while (out_.empty() && !timers_.empty())
        runTimersUntil(timers_.front().at);
    if (out_.empty()) return 0;
    uint8_t b = out_.front().first;
    out_.pop_front();
    return b;
}

std::string Switch::takeOutputUntil(int64_t atUs) {
    std::string bytes;
    while (nextOutputTime() <= atUs)
        bytes += static_cast<char>(takeOutput());
    return bytes;
}

int64_t Switch::burstStart() const {
    return std::max(now_, burstEnd_);
}

void Switch::send(const Burst& burst) {
    if (instant_ || burst.empty()) return;
    const int64_t start = burstStart();
    const std::string& bytes = burst.bytes();
    for (size_t i = 0; i < bytes.size(); ++i) {
        int64_t at = start;
        if (options_.pacing) at += static_cast<int64_t>(i + 1) * kUsPerSecond / kBytesPerSecond;
        out_.emplace_back(static_cast<uint8_t>(bytes[i]), at);
    }
    burstEnd_ = out_.back().second;
}

void Switch::show(std::unique_ptr<Screen> screen) {
    if (screen_) retired_.push_back(std::move(screen_));
    screen_ = std::move(screen);
    redraw();
}

void Switch::redraw() {
    if (!screen_) return;
    Burst b;
    b.prologue();
    screen_->draw(b);
    send(b);
}

void Switch::save(const std::string& savingText, std::function<std::string(SwitchState&)> apply,
                  std::function<void()> after) {
    send(Burst().message(savingText).park(kMessageRow, kMessageCol + int(savingText.size())));
    enterBusy();
    schedule(options_.saveDelayMs, [this, apply = std::move(apply), after = std::move(after)] {
        const SwitchState before = stored_;
        const std::string result = apply(stored_) + " Press any key to continue.";
        noteStored(before);
        discardUntil_ = burstStart();
        send(Burst().message(result).park(kMessageRow, kMessageCol + int(result.size())));
        prompt_ = after;
    });
}

void Switch::noteStored(const SwitchState& before) {
    if (stored_ == before) return;
    ++storeCount_;
    if (options_.onStored) options_.onStored(stored_);
}

void Switch::restart(const std::string& preface, bool factoryDefault) {
    if (factoryDefault) {
        const SwitchState before = stored_;
        stored_ = FactoryState(stored_.moduleTypes);
        noteStored(before);
    }
    enterBusy();
    send(Burst().raw(preface));
    schedule(options_.restartPauseMs, [this] { startBoot(); });
}

void Switch::powerCycle(int64_t atUs) {
    runTimersUntil(atUs);
    now_ = std::max(atUs, burstEnd_);
    enterBusy();
    startBoot();
}

void Switch::enterBusy() {
    timers_.clear();
    prompt_ = nullptr;
    if (screen_) retired_.push_back(std::move(screen_));
    discardUntil_ = kNever;
}

void Switch::startBoot() {
    send(Burst().raw("\r\nPower-On Self Test ...\r\n"));
    schedule(options_.selfTestIntervalMs, [this] { selfTestStep(0); });
}

void Switch::selfTestStep(int line) {
    if (line < 13) {
        send(Burst().raw(std::string(kSelfTestLabels[line]) + "OK\r\n"));
        schedule(options_.selfTestIntervalMs, [this, line] { selfTestStep(line + 1); });
        return;
    }
    send(Burst().raw("\r\nSelf test completed.\r\n"));
    schedule(options_.loginPauseMs, [this] {
        screen_ = MakeLoginScreen(*this, false);
        redraw();
        discardUntil_ = burstStart(); // keys during the login draw are lost too
    });
}

void Switch::schedule(int delayMs, std::function<void()> run) {
    int64_t at = burstStart();
    if (!instant_) at += static_cast<int64_t>(std::max(0, delayMs)) * 1000;
    Timer t{at, timerSeq_++, std::move(run)};
    auto pos =
        std::upper_bound(timers_.begin(), timers_.end(), t, [](const Timer& a, const Timer& b) {
            return a.at != b.at ? a.at < b.at : a.seq < b.seq;
        });
    timers_.insert(pos, std::move(t));
}

void Switch::runTimersUntil(int64_t atUs) {
    while (!timers_.empty() && timers_.front().at <= atUs) {
        Timer t = std::move(timers_.front());
        timers_.erase(timers_.begin());
        now_ = std::max(now_, t.at);
        t.run();
        retired_.clear();
    }
}

void Switch::runAllTimers() {
    while (!timers_.empty())
        runTimersUntil(timers_.front().at);
}

void Switch::pretype(const std::string& keys) {
    instant_ = true;
    for (char c : keys) {
        runAllTimers();
        keyIn(static_cast<uint8_t>(c), now_);
    }
    runAllTimers();
    instant_ = false;
}

std::string Switch::where() const {
    if (discardUntil_ == kNever) return "busy";
    if (prompt_) return "prompt";
    return screen_ ? screen_->name() : "none";
}

} // namespace sim
