// A device server that misbehaves on purpose, for the fault tests of network lines: it listens
// on 127.0.0.1 (a port of its own), takes one connection and answers as its Behaviour says. It
// runs on a thread of the test and ends, closing everything, when the object goes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace kavro::test {

class FakeDeviceServer {
  public:
    enum class Behaviour {
        NeverNegotiates,  // reads everything, answers nothing
        RefusesComPort,   // DONT COM-PORT-OPTION to our WILL
        AcksQueriesOnly,  // agrees, reports 9600 8 N 1 when asked, never acknowledges a change
        KeepsParityNone,  // agrees, acknowledges every change, but parity always as none
        ReadsSlowly,      // agrees, answers the questions, then reads 1 KiB every 50 ms
    };

    explicit FakeDeviceServer(Behaviour behaviour);
    ~FakeDeviceServer();
    FakeDeviceServer(const FakeDeviceServer&) = delete;
    FakeDeviceServer& operator=(const FakeDeviceServer&) = delete;

    std::uint16_t port() const { return port_; }
    std::string url(const std::string& scheme = "rfc2217") const {
        return scheme + "://127.0.0.1:" + std::to_string(port_);
    }

  private:
    void serve();
    Behaviour behaviour_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace kavro::test
