// A serial port of a device server reached over plain TCP: the bytes go as they are, and the
// port's settings are the server's own. The line knows them only as it was told
// (LineOptions::rawTcpSettings): writing those succeeds without a byte on the wire, writing
// any others fails, and the writes after such a refused change fail too, until settings that
// match the server's are written again, so that no byte goes out under settings other than
// the ones it was meant for (a mark/space send would otherwise lose its ninth bit).
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "kavro/line_open.hpp"
#include "serial/line_address.hpp"
#include "serial/tcp_socket.hpp"

namespace kavro {

class RawTcpLine final : public SerialLine {
  public:
    static constexpr const char* kCannotChange = "a raw TCP line cannot change its settings";

    // Raises NetworkError when the server cannot be reached.
    static std::unique_ptr<RawTcpLine> connect(const LineAddress& address,
                                               const LineOptions& options);

    // Keeps the connection until the bytes written have left the server's port at the line's
    // speed, then ends it so that they are delivered (TcpSocket::closeAfterDelivery): a device
    // server that sees the connection end may drop what it has not yet written, as closing a
    // local port waits for its output to drain first.
    ~RawTcpLine() override;

    LineResult readSettings(CommSettings& settings) override;
    LineResult writeSettings(const CommSettings& settings) override;
    LineResult write(std::span<const std::uint8_t> bytes) override;
    void pause(std::chrono::milliseconds duration) override;
    void setWriteDeadline(const WriteDeadline& deadline) override;

  private:
    RawTcpLine(TcpSocket socket, const LineOptions& options)
        : socket_(std::move(socket)), settings_(options.rawTcpSettings), options_(options) {}
    LineResult fail(const NetworkError& error);

    std::mutex mutex_;
    TcpSocket socket_;
    CommSettings settings_;
    LineOptions options_;
    // When the bytes written so far will have left the server's port.
    TcpSocket::Clock::time_point wireFreeAt_{};
    bool refusedSettings_ = false;  // the last settings written were not the server's
    CommSettings refused_;
    WriteDeadline deadline_;
    std::string broken_;  // why the connection is gone, once it is
};

// "9600 8 N 1": settings as the trace writes them.
std::string settingsText(const CommSettings& settings);

}  // namespace kavro
