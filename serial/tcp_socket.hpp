// A TCP connection to a device server. Every wait is bounded by a deadline and every failure
// is one NetworkError whose text says what happened, in one line, for people. One source per
// operating system, chosen by the build.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace kavro {

class NetworkError : public std::runtime_error {
  public:
    explicit NetworkError(const std::string& what, bool timedOut = false)
        : std::runtime_error(what), timedOut_(timedOut) {}
    // A deadline passed (as against a refusal or a closed connection).
    bool timedOut() const noexcept { return timedOut_; }

  private:
    bool timedOut_;
};

class TcpSocket {
  public:
    using Clock = std::chrono::steady_clock;

    // Resolves host and connects to its addresses in turn until one accepts, all within the
    // timeout. Raises NetworkError for an unknown host, a refused connection, or no answer in
    // time. Name resolution itself is the system's and is not cut short by the timeout.
    static TcpSocket connect(const std::string& host, std::uint16_t port,
                             std::chrono::milliseconds timeout);

    TcpSocket() noexcept = default;
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    ~TcpSocket();

    bool isOpen() const noexcept { return handle_ != kNoSocket; }

    // Sends every byte before the deadline, or raises NetworkError (the server closed the
    // connection, or did not take the bytes in time; some may have gone).
    void sendAll(std::span<const std::uint8_t> bytes, Clock::time_point deadline);
    // Waits until bytes arrive or the deadline passes and reads what is there: the count, 0
    // when the deadline passed first. Raises NetworkError when the server closed the connection
    // or it broke. A deadline in the past only takes what has already arrived.
    std::size_t receive(std::span<std::uint8_t> buffer, Clock::time_point deadline);

    // Ends the connection so that what was sent is delivered: waits until leftWireBy (when the
    // bytes sent will have left the server's port), sends no more (a FIN after the last byte),
    // reads and drops until the server closes its side or wait has passed, then closes. A socket
    // closed at once, with bytes of the server's still unread, resets the connection instead, and a
    // device server may then drop what it had not yet written to its port; one that sees the end of
    // our data first writes it out.
    void closeAfterDelivery(Clock::time_point leftWireBy, Clock::duration wait) noexcept;
    void close() noexcept;

  private:
    static constexpr std::intptr_t kNoSocket = -1;
    void shutdownSending() noexcept;
    explicit TcpSocket(std::intptr_t handle) noexcept : handle_(handle) {}
    std::intptr_t handle_ = kNoSocket;
};

}  // namespace kavro
