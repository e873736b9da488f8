#pragma once
// The telnet side of a network console line, over bytes only (no socket):
// what to send when the connection opens, the console's bytes taken out of
// what the server sends (its option negotiation answered, its commands and
// subnegotiations dropped, a doubled 0xFF made one), and the console's
// bytes made ready for the wire (0xFF doubled).
//
// The line asks for binary mode and suppress-go-ahead both ways, refuses
// the server's echo (the switch echoes; a second echo would double every
// key), and offers the COM-port option (RFC 2217). Once the server accepts
// it, the serial line behind it is set to 9600 baud, 8 data bits, no
// parity, one stop bit, no flow control, as the switch's console wants.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class TelnetCodec {
public:
    static constexpr uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251;
    static constexpr uint8_t kSb = 250, kSe = 240;
    static constexpr uint8_t kBinary = 0, kEcho = 1, kSga = 3, kComPort = 44;
    // RFC 2217 client commands.
    static constexpr uint8_t kSetBaud = 1, kSetDataSize = 2, kSetParity = 3, kSetStopSize = 4,
                             kSetControl = 5;
    static constexpr uint32_t kBaud = 9600;

    enum class ComPort { Asked, Accepted, Refused };

    // The offers and requests sent as soon as the connection opens.
    std::string start();
    // Takes what the server sent: the console's bytes are appended to
    // `data`, what the line must send back (answers, the COM-port settings)
    // to `reply`. A command split across calls is carried over.
    void receive(const uint8_t* bytes, int count, std::string& data, std::string& reply);
    // The console's bytes for the wire: 0xFF doubled, and while the line
    // does not send binary, a carriage return followed by NUL.
    std::string encode(const uint8_t* bytes, int count) const;

    ComPort comPort() const { return comPort_; }
    // A note for the transcript once the server has refused the COM-port
    // option, taken once; "" when there is nothing (new) to say.
    std::string takeNote();

private:
    enum class State { Data, Iac, Option, Sub, SubIac, AfterCr };
    struct Option {
        bool ours = false;      // we WILL it
        bool theirs = false;    // the server WILLs it (we DO)
        bool asked = false;     // our WILL is unanswered
        bool askedThem = false; // our DO is unanswered
    };

    void negotiate(uint8_t verb, uint8_t option, std::string& reply);
    void onComPortAccepted(std::string& reply);
    static void command(std::string& out, uint8_t verb, uint8_t option);
    static bool weWill(uint8_t option);
    static bool weWant(uint8_t option);

    State state_ = State::Data;
    uint8_t verb_ = 0;
    Option options_[256];
    ComPort comPort_ = ComPort::Asked;
    std::string note_;
};

} // namespace platform
