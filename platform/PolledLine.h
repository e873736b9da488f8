#pragma once
// The read timing every line backed by a file descriptor keeps (the termios
// device and the network line): one poll for the first byte, then sleeps
// and looks until the line has been quiet for the inter-character time
// after its last byte, the buffer is full, or the 100 ms window is over.
// A line differs only in how it takes bytes from its descriptor and puts
// bytes on it.
#include "platform/SerialDevice.h"

#include <chrono>
#include <cstddef>
#include <sys/types.h>

namespace platform {

class PolledLine : public SerialDevice {
public:
    int read(uint8_t* buf, int max) override;

protected:
    using Clock = std::chrono::steady_clock;
    enum class Take { Some, None, End, Dead };

    // Reads what the descriptor holds into buf[got..max): Some when bytes
    // were added, None when nothing is there (yet), End at end of file (the
    // far end hung up), Dead on an error.
    virtual Take take(uint8_t* buf, int max, int& got) = 0;
    // One write attempt on the descriptor, as ::write() answers.
    virtual ssize_t put(const uint8_t* buf, size_t count);
    // Writes all `count` bytes, waiting while the descriptor is full but
    // giving up once it has made no progress for half a second; the count
    // written.
    int putAll(const uint8_t* buf, int count);

    int fd_ = -1;
    int fullReads_ = 0; // reads in a row that ended with the far end still sending

private:
    // What a read knows about the line while it gathers bytes. The poll
    // wakes at the first byte; later ones are only seen after a sleep. The
    // line brings at most one byte per character time, so the last of k new
    // bytes came at least k characters after the previous wake-up. Taking
    // that as its time can only end a read early (when the switch paused in
    // between), which costs a hand-over, never a key.
    struct Gathering {
        Clock::time_point lastByte; // estimated arrival of the last byte
        Clock::time_point wake;     // the last wake-up
        bool streaming;             // bytes kept coming right up to it
        Clock::duration step;       // the longest sleep while they do
    };
    Take look(uint8_t* buf, int max, int& got, Gathering& g);
    static Clock::time_point nextLook(Clock::time_point from, int missing, Clock::duration step);
    int gather(uint8_t* buf, int max, int got, Clock::time_point deadline, Gathering& g);
    static int waitOut(Clock::time_point deadline, int got);
};

} // namespace platform
