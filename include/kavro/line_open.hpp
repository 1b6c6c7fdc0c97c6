// Opening a serial line by where it is: a local device path, or a serial port of a device
// server on the network,
//   tcp://HOST:PORT       raw TCP: the bytes as they are; the server's port settings are its
//                         own, so a settings change fails ("a raw TCP line cannot change its
//                         settings") and the bytes meant for the refused settings are not sent
//   rfc2217://HOST:PORT   Telnet with the com port option (RFC 2217): settings changes travel
//                         to the server, which acknowledges each with the value it took
// with an IPv6 HOST in brackets ([::1]:2000). Every line opened here is the caller's to delete;
// deleting it closes the device or the connection.
//
// No wait is unbounded: connecting, every write (the line's WriteDeadline) and every wait for
// the server's acknowledgement have deadlines, and nothing is retried. A server that closes the
// connection fails the operation in progress and every later one.
#pragma once

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "kavro/serial_line.hpp"

namespace kavro {

struct LineOptions {
    // Resolving, connecting and (RFC 2217) negotiating the com port option and reading the
    // server's port settings.
    std::chrono::milliseconds connectTimeout{3000};
    // RFC 2217: how long a settings change waits for the server's acknowledgement. Both kinds:
    // how long closing the line waits for the server to end the connection after the last byte.
    std::chrono::milliseconds ackTimeout{1000};
    // RFC 2217: a server applies new settings at once, also to bytes still in its UART. So
    // before a change the line waits until the bytes written since the last change have left
    // the wire at the line's speed, plus this much for their way through the network.
    std::chrono::milliseconds networkMargin{10};
    // Raw TCP: what the server's port is set to. Writing these settings succeeds (nothing
    // changes); writing any others fails.
    CommSettings rawTcpSettings{};
};

// A path or URL that cannot be opened: what() is one line naming it and the reason
// ("cannot connect to 127.0.0.1:2000: Connection refused", "unknown host ...").
class LineOpenError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A device path opens the device as a raw line (no echo, no translation) with its settings as
// they were; a URL connects to the device server. Raises LineOpenError.
std::unique_ptr<SerialLine> openLine(std::string_view urlOrPath, const LineOptions& options = {});

}  // namespace kavro
