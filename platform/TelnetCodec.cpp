#include "platform/TelnetCodec.h"

#include <initializer_list>

namespace platform {

namespace {
constexpr uint8_t kCr = '\r';
constexpr uint8_t kNul = 0;
// RFC 2217 values: no parity, one stop bit, no flow control.
constexpr uint8_t kParityNone = 1, kStopOne = 1, kNoFlowControl = 1;
} // namespace

std::string TelnetCodec::start() {
    std::string out;
    for (const uint8_t option : {kBinary, kSga, kComPort}) {
        command(out, kWill, option);
        options_[option].asked = true;
    }
    for (const uint8_t option : {kBinary, kSga}) {
        command(out, kDo, option);
        options_[option].askedThem = true;
    }
    return out;
}

void TelnetCodec::receive(const uint8_t* bytes, int count, std::string& data, std::string& reply) {
    for (int i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (state_) {
        case State::AfterCr:
            state_ = State::Data;
            // Without binary mode a carriage return travels as CR NUL.
            if (b == kNul) break;
            [[fallthrough]];
        case State::Data:
            if (b == kIac) {
                state_ = State::Iac;
            } else {
                data.push_back(static_cast<char>(b));
                if (b == kCr && !options_[kBinary].theirs) state_ = State::AfterCr;
            }
            break;
        case State::Iac:
            if (b == kIac) {
                data.push_back(static_cast<char>(b));
                state_ = State::Data;
            } else if (b >= kWill && b <= kDont) {
                verb_ = b;
                state_ = State::Option;
            } else {
                // SB starts a subnegotiation; NOP, GA, data mark and the
                // like carry nothing for the console.
                state_ = b == kSb ? State::Sub : State::Data;
            }
            break;
        case State::Option:
            negotiate(verb_, b, reply);
            state_ = State::Data;
            break;
        case State::Sub:
            // The server's answers to the COM-port settings (and any other
            // subnegotiation) are dropped whole.
            if (b == kIac) state_ = State::SubIac;
            break;
        case State::SubIac:
            state_ = b == kSe ? State::Data : State::Sub;
            break;
        }
    }
}

std::string TelnetCodec::encode(const uint8_t* bytes, int count) const {
    std::string out;
    out.reserve(static_cast<size_t>(count) + 4);
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<char>(bytes[i]));
        if (bytes[i] == kIac) out.push_back(static_cast<char>(kIac));
        if (bytes[i] == kCr && !options_[kBinary].ours) out.push_back(static_cast<char>(kNul));
    }
    return out;
}

std::string TelnetCodec::takeNote() {
    std::string note;
    note.swap(note_);
    return note;
}

// Answers only a change of state (RFC 854): an agreement to what this line
// asked for is not answered again, so the two ends never loop.
void TelnetCodec::negotiate(uint8_t verb, uint8_t option, std::string& reply) {
    Option& o = options_[option];
    const bool refusal = verb == kDont || verb == kWont;
    if (option == kComPort && refusal && comPort_ == ComPort::Asked) {
        comPort_ = ComPort::Refused;
        note_ = "the console server refused the COM-port option (RFC 2217): its serial line "
                "keeps the speed and format it was given there; used as plain telnet";
    }
    switch (verb) {
    case kDo:
        if (!weWill(option)) {
            command(reply, kWont, option);
        } else if (!o.ours) {
            o.ours = true;
            if (!o.asked) command(reply, kWill, option);
            if (option == kComPort) onComPortAccepted(reply);
        }
        o.asked = false;
        break;
    case kDont:
        if (o.ours) command(reply, kWont, option);
        o.ours = false;
        o.asked = false;
        break;
    case kWill:
        if (!weWant(option)) {
            command(reply, kDont, option);
        } else if (!o.theirs) {
            o.theirs = true;
            if (!o.askedThem) command(reply, kDo, option);
        }
        o.askedThem = false;
        break;
    case kWont:
        if (o.theirs) command(reply, kDont, option);
        o.theirs = false;
        o.askedThem = false;
        break;
    default:
        break;
    }
}

void TelnetCodec::onComPortAccepted(std::string& reply) {
    comPort_ = ComPort::Accepted;
    auto setting = [&reply](uint8_t what, std::initializer_list<uint8_t> value) {
        reply.push_back(static_cast<char>(kIac));
        reply.push_back(static_cast<char>(kSb));
        reply.push_back(static_cast<char>(kComPort));
        reply.push_back(static_cast<char>(what));
        for (const uint8_t v : value) {
            reply.push_back(static_cast<char>(v));
            if (v == kIac) reply.push_back(static_cast<char>(kIac));
        }
        reply.push_back(static_cast<char>(kIac));
        reply.push_back(static_cast<char>(kSe));
    };
    setting(kSetBaud,
            {uint8_t(kBaud >> 24), uint8_t(kBaud >> 16), uint8_t(kBaud >> 8), uint8_t(kBaud)});
    setting(kSetDataSize, {8});
    setting(kSetParity, {kParityNone});
    setting(kSetStopSize, {kStopOne});
    setting(kSetControl, {kNoFlowControl});
}

void TelnetCodec::command(std::string& out, uint8_t verb, uint8_t option) {
    out.push_back(static_cast<char>(kIac));
    out.push_back(static_cast<char>(verb));
    out.push_back(static_cast<char>(option));
}

bool TelnetCodec::weWill(uint8_t option) {
    return option == kBinary || option == kSga || option == kComPort;
}

// The server's echo is refused: the switch echoes every key itself.
bool TelnetCodec::weWant(uint8_t option) {
    return option == kBinary || option == kSga;
}

} // namespace platform
