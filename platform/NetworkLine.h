#pragma once
// A switch console reached through a console server (or ser2net) over the
// network: "tcp://HOST:PORT" carries the line's bytes as they are,
// "telnet://HOST:PORT" speaks telnet with the COM-port option (RFC 2217)
// to set the server's serial line to 9600 baud 8N1. Reads keep the termios
// device's timing (platform/PolledLine.h).
//
// Both are cleartext: the switch's password crosses the network as typed.
#include "platform/SerialDevice.h"

#include <memory>
#include <string>

namespace platform {

struct NetworkAddress {
    bool telnet = false;
    std::string host; // without the brackets of an IPv6 address
    int port = 0;
};

// Whether `path` names a network line (starts with "tcp://" or
// "telnet://", any letter case), well formed or not.
bool IsNetworkPath(const std::string& path);
// Parses "tcp://HOST:PORT" or "telnet://HOST:PORT"; an IPv6 address goes in
// brackets ("tcp://[::1]:2001"). False when the scheme is not one of these,
// the host is empty, or the port is not a number from 1 to 65535.
bool ParseNetworkAddress(const std::string& path, NetworkAddress* address);

// How long a connect may take before open() gives up with ConnectTimedOut.
constexpr int kConnectTimeoutMs = 10000;
// Tests shorten it; 0 restores kConnectTimeoutMs.
void SetConnectTimeoutForTests(int ms);

std::unique_ptr<SerialDevice> CreateNetworkLine();

} // namespace platform
