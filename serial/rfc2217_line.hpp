// A serial port of a device server reached by Telnet with the com port option (RFC 2217).
//
// Connecting negotiates the option (the server must agree to our WILL COM-PORT-OPTION) and
// asks the server for the port's current speed, data size, parity and stop size, which the
// line then keeps. Data bytes go out with every 0xFF doubled. A settings change sends only the
// settings that differ, waits for each acknowledgement (the command code + 100) and checks the
// value the server reports: another value than asked, or no answer within the
// acknowledgement deadline, fails the change.
//
// A server applies new settings at once (ser2net through tcsetattr(TCSANOW)), also to the bytes
// still in its UART. So before any change the line waits until the bytes written since the
// last one have left the wire at the line's speed, plus a margin for the network: the parity
// of bytes already sent never changes under them.
//
// What the device sends back is read and dropped. A connection that closes or a write that
// misses its deadline breaks the line: that call and every later one fails, saying why.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "kavro/line_open.hpp"
#include "serial/com_port_option.hpp"
#include "serial/line_address.hpp"
#include "serial/tcp_socket.hpp"
#include "serial/telnet_codec.hpp"

namespace kavro {

class Rfc2217Line final : public SerialLine {
  public:
    using Clock = TcpSocket::Clock;

    // Raises NetworkError when the server cannot be reached, refuses the option, or does not
    // report its settings within the connect deadline.
    static std::unique_ptr<Rfc2217Line> connect(const LineAddress& address,
                                                const LineOptions& options);

    // Keeps the connection until the bytes written have left the server's port at the line's
    // speed, then ends it so that they are delivered (TcpSocket::closeAfterDelivery): a device
    // server that sees the connection end may drop what it has not yet written, as closing a
    // local port waits for its output to drain first.
    ~Rfc2217Line() override;

    LineResult readSettings(CommSettings& settings) override;
    LineResult writeSettings(const CommSettings& settings) override;
    LineResult write(std::span<const std::uint8_t> bytes) override;
    void pause(std::chrono::milliseconds duration) override;
    void setWriteDeadline(const WriteDeadline& deadline) override;

  private:
    struct Change {
        comport::Setting setting;
        std::uint32_t value;
    };

    Rfc2217Line(TcpSocket socket, std::string where, const LineOptions& options)
        : socket_(std::move(socket)), where_(std::move(where)), options_(options) {}

    // Sends the changes and waits until the server acknowledged each, by the deadline.
    // Raises NetworkError for a broken connection; a missing acknowledgement is the result.
    // allowed is the time the deadline gave, for the message.
    LineResult exchange(const std::vector<Change>& changes, Clock::time_point deadline,
                        std::chrono::milliseconds allowed);
    // Reads what has arrived (waiting at most until the deadline for something) and handles
    // it; false when nothing came.
    bool pump(Clock::time_point deadline);
    void drainIncoming();
    void send(const telnet::Bytes& bytes, Clock::time_point deadline);
    LineResult breakWith(const NetworkError& error);

    std::mutex mutex_;
    TcpSocket socket_;
    std::string where_;  // host:port, for messages
    LineOptions options_;
    WriteDeadline deadline_;
    telnet::Decoder decoder_;
    telnet::Negotiator negotiator_;
    CommSettings settings_;  // as the server last acknowledged them
    // Per setting (by code): acknowledgements seen, and the value of the latest.
    std::array<unsigned, 5> ackCount_{};
    std::array<std::uint32_t, 5> ackValue_{};
    // When the bytes written so far will have left the server's UART.
    Clock::time_point wireFreeAt_{};
    std::string broken_;
};

}  // namespace kavro
