// Network lines against servers that fail them: nothing listening, no such host, a server that
// is no RFC 2217 port, one that never acknowledges, one that keeps another value, one that
// reads slowly. Every case ends within its deadline with one line saying why.
#include <gtest/gtest.h>

#include <chrono>

#include "kavro/line_open.hpp"
#include "kavro/line_settings.hpp"
#include "tests/support/fake_device_server.hpp"
#include "tests/support/loopback_socket.hpp"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Fake = test::FakeDeviceServer;

LineOptions quick() {
    LineOptions options;
    options.connectTimeout = milliseconds(300);
    options.ackTimeout = milliseconds(200);
    return options;
}

// The LineOpenError text of opening url, "" when it opened.
std::string openError(const std::string& url, const LineOptions& options = quick()) {
    try {
        openLine(url, options);
    } catch (const LineOpenError& error) {
        return error.what();
    }
    return {};
}

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

TEST(NetworkLineFaults, ConnectFailuresSayWhyAtOnce) {
    const std::uint16_t nobody = test::freeLoopbackPort();
    struct Case {
        std::string url;
        const char* reason;
    } cases[] = {
        {"rfc2217://127.0.0.1:" + std::to_string(nobody), "Connection refused"},
        {"tcp://127.0.0.1:" + std::to_string(nobody), "Connection refused"},
        {"tcp://[::1]:" + std::to_string(nobody), "cannot connect to [::1]:"},
        // The system refuses a TCP connect to a multicast address before anything is sent.
        {"tcp://224.0.0.1:2000", "cannot connect to 224.0.0.1:2000: Network is unreachable"},
        {"rfc2217://no-such-host.invalid:2000", "unknown host no-such-host.invalid"},
        {"socket://127.0.0.1:2000", "unknown scheme socket://"},
    };
    for (const Case& c : cases) {
        const auto start = Clock::now();
        const std::string error = openError(c.url);
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.url << ": " << error;
        EXPECT_LT(millisSince(start), 1000) << c.url;
    }
}

TEST(NetworkLineFaults, ServersThatAreNoRfc2217PortFailTheConnect) {
    Fake silent(Fake::Behaviour::NeverNegotiates);
    auto start = Clock::now();
    EXPECT_NE(openError(silent.url()).find("did not agree to the com port option within 300 ms"),
              std::string::npos);
    EXPECT_LT(millisSince(start), 1000);

    Fake refusing(Fake::Behaviour::RefusesComPort);
    EXPECT_NE(openError(refusing.url()).find("refused the com port option"), std::string::npos);

    // A raw TCP line asks nothing of the server: the same silent server serves it.
    Fake raw(Fake::Behaviour::NeverNegotiates);
    EXPECT_EQ(openError(raw.url("tcp")), "");
}

TEST(NetworkLineFaults, ChangeWithoutAcknowledgementTimesOut) {
    Fake server(Fake::Behaviour::AcksQueriesOnly);
    auto line = openLine(server.url(), quick());
    CommSettings s;
    ASSERT_TRUE(line->readSettings(s));
    EXPECT_EQ(s, (CommSettings{9600, 8, parity::kNone, stopbits::kOne}));  // what it reported

    const auto start = Clock::now();
    const LineResult r = setComParity(*line, parity::kMark);
    EXPECT_TRUE(r.isTimedOut());
    EXPECT_NE(r.error().find("no acknowledgement of parity mark from 127.0.0.1:"),
              std::string::npos)
        << r.error();
    EXPECT_NE(r.error().find("within 200 ms"), std::string::npos) << r.error();
    EXPECT_LT(millisSince(start), 800);
    // The settings stay as the server last said; the connection itself is still good.
    ASSERT_TRUE(line->readSettings(s));
    EXPECT_EQ(s.parity, parity::kNone);
    const std::uint8_t byte = 0x42;
    EXPECT_TRUE(line->write({&byte, 1}));
}

TEST(NetworkLineFaults, AcknowledgedOtherValueFailsTheChange) {
    Fake server(Fake::Behaviour::KeepsParityNone);
    auto line = openLine(server.url(), quick());
    const LineResult r = setComParity(*line, parity::kSpace);
    EXPECT_FALSE(r);
    EXPECT_FALSE(r.isTimedOut());
    EXPECT_EQ(r.error(), "the device server kept parity none instead of parity space");
    // A speed it takes as asked is fine.
    EXPECT_TRUE(setComState(*line, LineSettings{19200, 8, 1, "N"})) << "19200 8 N 1";
}

TEST(NetworkLineFaults, SettingsTheOptionCannotCarryAreRefusedUnsent) {
    Fake server(Fake::Behaviour::AcksQueriesOnly);  // would time out if anything were sent
    auto line = openLine(server.url(), quick());
    const auto start = Clock::now();
    const LineResult r = line->writeSettings({9600, 8, 7, stopbits::kOne});
    EXPECT_EQ(r.error(), "RFC 2217 has no value for parity code 7");
    EXPECT_EQ(line->writeSettings({9600, 9, 0, 0}).error(),
              "RFC 2217 has no value for 9 data bits");
    EXPECT_LT(millisSince(start), 100);
}

TEST(NetworkLineFaults, SlowReaderFailsTheWriteAtItsDeadline) {
    for (const char* scheme : {"rfc2217", "tcp"}) {
        Fake server(Fake::Behaviour::ReadsSlowly);
        auto line = openLine(server.url(scheme), quick());
        // A deadline of its slack alone, so the test need not wait for megabytes of wire time.
        line->setWriteDeadline({0, milliseconds(300)});
        const std::vector<std::uint8_t> chunk(64 * 1024, 0x55);
        LineResult r;
        Clock::time_point start;
        for (int i = 0; i < 256 && r.ok(); ++i) {
            start = Clock::now();
            r = line->write(chunk);
        }
        ASSERT_TRUE(r.isTimedOut()) << scheme << ": " << r.error();
        EXPECT_NE(r.error().find("before the write deadline"), std::string::npos) << r.error();
        EXPECT_GE(millisSince(start), 290) << scheme;
        EXPECT_LT(millisSince(start), 1000) << scheme;
        // Part of a write may have gone: the line is broken, and says so at once.
        const std::uint8_t byte = 1;
        start = Clock::now();
        EXPECT_FALSE(line->write({&byte, 1})) << scheme;
        EXPECT_LT(millisSince(start), 50) << scheme;
    }
}

}  // namespace
}  // namespace kavro
