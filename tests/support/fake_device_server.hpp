// A device server for the tests of network lines: it listens on 127.0.0.1 (a port of its own),
// takes one connection and answers as its Behaviour says; most behaviours misbehave on purpose,
// Records is a good server that keeps what it was sent. It runs on a thread of the test and
// ends, closing everything, when the object goes. Its sockets are behind loopback_socket.hpp, so
// it serves on every system the tests run on.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/loopback_socket.hpp"

namespace kavro::test {

class FakeDeviceServer {
  public:
    enum class Behaviour {
        NeverNegotiates,  // reads everything, answers nothing
        RefusesComPort,   // DONT COM-PORT-OPTION to our WILL
        AcksQueriesOnly,  // agrees, reports 9600 8 N 1 when asked, never acknowledges a change
        KeepsParityNone,  // agrees, acknowledges every change, but parity always as none
        ReadsSlowly,      // agrees, answers the questions, then reads 1 KiB every 50 ms
        Records,          // agrees, starts at 9600 8 N 1, acknowledges every change with the
                          // value asked, and records the data and the changes in order
    };

    explicit FakeDeviceServer(Behaviour behaviour);
    ~FakeDeviceServer();
    FakeDeviceServer(const FakeDeviceServer&) = delete;
    FakeDeviceServer& operator=(const FakeDeviceServer&) = delete;

    std::uint16_t port() const { return listener_.port(); }
    std::string url(const std::string& scheme = "rfc2217") const {
        return scheme + "://127.0.0.1:" + std::to_string(port());
    }

    // Records: what came, in order: "SET-PARITY 4" for a change (the option's code name and the
    // value asked) and "data FF 01 ..." for the data bytes between two changes, as the Telnet
    // decoding gives them (an IAC IAC on the wire is one 0xFF). Questions (value 0) are not
    // changes and are left out.
    std::vector<std::string> received() const;
    // Every byte that came, as it was on the wire.
    std::vector<std::uint8_t> wire() const;
    // Waits, at most `wait`, until `count` data bytes came in all; whether they did.
    bool waitForData(std::size_t count, std::chrono::milliseconds wait) const;
    // Waits, at most `wait`, until the client closed its connection; whether it did.
    bool waitForHangUp(std::chrono::milliseconds wait) const;

  private:
    class Session;
    void serve();
    void recordWire(std::uint8_t byte);
    void recordData(std::uint8_t byte);
    void recordChange(std::uint8_t code, std::uint32_t value);
    void recordHangUp();

    Behaviour behaviour_;
    LoopbackListener listener_;
    std::atomic<bool> stop_{false};

    mutable std::mutex mutex_;
    mutable std::condition_variable arrived_;
    std::vector<std::string> received_;
    std::vector<std::uint8_t> wire_;
    std::size_t dataCount_ = 0;
    bool hungUp_ = false;

    std::thread thread_;
};

}  // namespace kavro::test
