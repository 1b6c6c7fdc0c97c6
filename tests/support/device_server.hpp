// A device server for tests: ser2net in front of a pseudo-terminal, with an RFC 2217 port and
// a raw TCP port, both on 127.0.0.1 only. The test writes its configuration, starts it, and
// stops it by its process ID.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "tests/support/loopback_socket.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro::test {

// Whether something listens on 127.0.0.1:port (read from the kernel's table, no connection).
bool listeningOnLoopback(std::uint16_t port);

class Ser2netServer {
  public:
    // Starts ser2net for the device (a pty slave path) at 9600n81 and waits, at most two
    // seconds, until both ports listen. running() is false when it is not installed or did not
    // start; error() says which.
    explicit Ser2netServer(const std::string& device);
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& error() const { return error_; }
    std::uint16_t rfc2217Port() const { return rfc2217Port_; }
    std::uint16_t rawPort() const { return rawPort_; }
    std::string rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port_); }
    std::string rawUrl() const { return "tcp://127.0.0.1:" + std::to_string(rawPort_); }
    // What it printed (its log), for failure messages.
    std::string log() const;
    // Ends it (SIGTERM, then SIGKILL after a second) and reaps it; its connections close.
    void stop();
    // Ends it at once (SIGKILL), as a crash or a power cut would, and reaps it.
    void kill();

  private:
    TempDir dir_;
    pid_t pid_ = -1;
    std::uint16_t rfc2217Port_ = 0;
    std::uint16_t rawPort_ = 0;
    std::string error_;
};

}  // namespace kavro::test
