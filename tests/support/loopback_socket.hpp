// TCP on 127.0.0.1 for the servers the tests run on a thread of their own: a listener on a port
// the system picks, the connection it accepts, and waits that always end. One source per
// operating system (loopback_socket_posix.cpp, loopback_socket_windows.cpp), chosen by the
// build.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace kavro::test {

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call.
std::uint16_t freeLoopbackPort();

class LoopbackConnection {
  public:
    LoopbackConnection() noexcept = default;
    LoopbackConnection(LoopbackConnection&& other) noexcept;
    LoopbackConnection& operator=(LoopbackConnection&& other) noexcept;
    LoopbackConnection(const LoopbackConnection&) = delete;
    LoopbackConnection& operator=(const LoopbackConnection&) = delete;
    ~LoopbackConnection();

    bool isOpen() const noexcept { return handle_ != kNone; }
    // Waits at most `wait` for bytes and reads what is there: the count, 0 when nothing came in
    // time, -1 when the peer closed the connection or it broke.
    long receive(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait);
    // Sends every byte, blocking; false when the peer is gone.
    bool sendAll(std::span<const std::uint8_t> bytes);
    void close() noexcept;

  private:
    friend class LoopbackListener;
    static constexpr std::intptr_t kNone = -1;
    explicit LoopbackConnection(std::intptr_t handle) noexcept : handle_(handle) {}
    std::intptr_t handle_ = kNone;
};

class LoopbackListener {
  public:
    // Listens on 127.0.0.1. A receiveBuffer above 0 sets the receive buffer of the connections
    // it accepts (a small one makes a client's writes back up soon).
    explicit LoopbackListener(int receiveBuffer = 0);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // 0 when it could not listen.
    std::uint16_t port() const noexcept { return port_; }
    // The next connection, or one that is not open when none came within `wait`.
    LoopbackConnection accept(std::chrono::milliseconds wait);

  private:
    std::intptr_t handle_ = -1;
    std::uint16_t port_ = 0;
};

}  // namespace kavro::test
