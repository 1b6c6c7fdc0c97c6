// What a call makes of a line that fails under it, on pseudo-terminals: the reader gone (every
// write gets EIO), nobody reading (the writes stop draining), and settings read back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <vector>

#include "kavro/dome.hpp"
#include "kavro/line_settings.hpp"
#include "kavro/memory_record_set.hpp"
#include "kavro/recording_line.hpp"
#include "kavro/serial_port.hpp"
#include "serial/termios_settings.hpp"
#include "tests/support/dome_fixture.hpp"

namespace kavro {
namespace {

using namespace std::chrono_literals;

// A real port whose protocol pauses are recorded (by the recorder in front), not waited.
class UnpausedPort final : public SerialLine {
  public:
    explicit UnpausedPort(SerialPort& port) : port_(port) {}
    LineResult readSettings(CommSettings& s) override { return port_.readSettings(s); }
    LineResult writeSettings(const CommSettings& s) override { return port_.writeSettings(s); }
    LineResult write(std::span<const std::uint8_t> bytes) override { return port_.write(bytes); }
    void pause(std::chrono::milliseconds) override {}
    void setWriteDeadline(const WriteDeadline& deadline) override {
        port_.setWriteDeadline(deadline);
    }

  private:
    SerialPort& port_;
};

class Pty : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    void TearDown() override {
        if (master >= 0) close(master);
        close(slave);
    }
    int master = -1;
    int slave = -1;
};

TEST_F(Pty, WithTheReaderGoneEveryWriteOfAScanFailsAndIsReported) {
    close(master);  // the other end gone mid-session: the slave's writes get EIO
    master = -1;
    SerialPort port(slave);
    UnpausedPort unpaused(port);
    RecordingLine line(&unpaused);
    auto table = test::domeTable(20, "Scan", {Variant(11), Variant(1)});
    std::uint8_t flag = 0;
    BusyFlag busy(flag);

    const SendResult result = writeCommandToGlobe(line, busy, *table, 20, 1, "Scan", 5, 0xFFFF);
    EXPECT_TRUE(result.sent());
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(flag, 0);
    // Frame 0x80, 16 entries, frame 0x40, the pause, frame 0x21: all made, in order.
    EXPECT_EQ(result.line.writes, 19u);
    ASSERT_EQ(result.line.failures.size(), 19u);
    EXPECT_EQ(result.line.failures[0].event, 0u);
    EXPECT_EQ(result.line.failures[18].event, 19u);
    EXPECT_EQ(result.line.text(), "write 1 of 19 failed: Input/output error (and 18 later events)");
    EXPECT_EQ(line.trace().size(), 20u);
    EXPECT_EQ(eventText(line.trace()[18]), "pause 500");
    EXPECT_EQ(eventText(line.trace()[19]),
              "write A0 01 01 00 21 00 00 FF FF AF DE (failed: Input/output error)");
}

TEST_F(Pty, AWriteNobodyDrainsFailsAtItsDeadlineAndTheRestAtOnce) {
    // 64 KiB to a pty nobody reads fills it after a few KiB. The deadline is shortened from
    // four times the wire time plus a second to 150 ms flat.
    SerialPort port(slave);
    port.setWriteDeadline({0, 150ms});
    const std::vector<std::uint8_t> big(65536, 0x55);
    const std::uint8_t small[] = {1, 2, 3};
    WireTrace script;
    script.write(big);
    script.pause(1);
    script.parity(parity::kMark);
    script.write(small);
    script.write(small);

    const auto start = std::chrono::steady_clock::now();
    const LineOutcome outcome = playScript(script, port);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 150ms);
    EXPECT_LT(took, 1500ms);  // one deadline, not one per write
    EXPECT_TRUE(outcome.timedOut());
    ASSERT_EQ(outcome.failures.size(), 4u);
    EXPECT_TRUE(outcome.failures[0].result.isTimedOut());
    EXPECT_NE(outcome.failures[0].result.error().find("of 65536 bytes written"), std::string::npos)
        << outcome.failures[0].result.error();
    EXPECT_EQ(outcome.failures[1].kind, WireTrace::Kind::Parity);
    EXPECT_EQ(outcome.failures[3].result.error(), "not tried: an earlier operation timed out");
    EXPECT_EQ(outcome.text().substr(0, 27), "write 1 of 3 failed: timed ");
}

TEST_F(Pty, TheDefaultDeadlineLetsALineFasterThanItsWireThrough) {
    // 4 KiB at 115200 baud: 356 ms on the wire, allowed 2.4 s; the pty takes it at once.
    SerialPort port(slave);
    ASSERT_TRUE(setComState(port, LineSettings{115200, 8, 1, "N"}));
    const std::vector<std::uint8_t> bytes(4096, 0xAA);
    EXPECT_TRUE(port.write(bytes));
    std::size_t got = 0;
    std::uint8_t buffer[8192];
    while (got < bytes.size()) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(got, bytes.size());
}

TEST(WriteDeadline, IsFourTimesTheWireTimePlusASecond) {
    const WriteDeadline deadline;
    // 960 bytes of 10 bits at 9600 baud: one second on the wire.
    EXPECT_EQ(deadline.allowance(960, {9600, 8, parity::kNone, stopbits::kOne}), 5000ms);
    // 11 bits with a parity bit, 12 with two stop bits too.
    EXPECT_EQ(deadline.allowance(960, {9600, 8, parity::kMark, stopbits::kOne}), 5400ms);
    EXPECT_EQ(deadline.allowance(960, {9600, 8, parity::kMark, stopbits::kTwo}), 5800ms);
    EXPECT_EQ(deadline.allowance(0, {9600, 8, parity::kNone, stopbits::kOne}), 1000ms);
    // A speed read back as unknown counts as 50 baud.
    EXPECT_EQ(deadline.allowance(5, {0, 8, parity::kNone, stopbits::kOne}), 5000ms);
}

// The read-back comparison: a UART must keep everything asked; a pty keeps only the speed,
// CSTOPB, PARODD and CMSPAR (it forces CS8 and clears PARENB).
TEST(SettingsReadBack, NamesWhatTheDeviceKeptOtherwise) {
    struct Case {
        CommSettings asked;
        tcflag_t dropped;  // bits the device cleared
        tcflag_t added;    // bits it set
        bool pty;
        const char* expected;
    } cases[] = {
        {{9600, 7, parity::kEven, stopbits::kOne},
         CSIZE | PARENB,
         CS8,
         false,
         "the device kept 8 data bits instead of 7, parity none instead of even"},
        {{9600, 7, parity::kEven, stopbits::kOne}, CSIZE | PARENB, CS8, true, ""},
        {{9600, 8, parity::kMark, stopbits::kOne},
         CMSPAR,
         0,
         false,
         "the device kept parity odd instead of mark"},
        {{9600, 8, parity::kMark, stopbits::kOne},
         CMSPAR | PARENB,
         0,
         true,
         "the device kept parity odd instead of mark"},
        {{9600, 8, parity::kSpace, stopbits::kTwo},
         CSTOPB | PARENB,
         0,
         true,
         "the device kept one stop bit instead of two"},
        {{9600, 8, parity::kNone, stopbits::kOne}, 0, 0, false, ""},
    };
    for (const Case& c : cases) {
        termios asked{};
        ASSERT_EQ(encodeTermios(c.asked, asked), "");
        termios kept = asked;
        kept.c_cflag = (kept.c_cflag & ~c.dropped) | c.added;
        EXPECT_EQ(keptOtherwise(asked, kept, c.pty), c.expected);
    }
    termios asked{};
    ASSERT_EQ(encodeTermios({19200, 8, parity::kNone, stopbits::kOne}, asked), "");
    termios kept = asked;
    cfsetospeed(&kept, B9600);
    cfsetispeed(&kept, B9600);
    EXPECT_EQ(keptOtherwise(asked, kept, true), "the device kept 9600 baud instead of 19200");
}

TEST_F(Pty, EverySettingAPtyKeepsIsTakenAndReadBack) {
    SerialPort port(slave);
    for (std::uint8_t p :
         {parity::kNone, parity::kOdd, parity::kEven, parity::kMark, parity::kSpace}) {
        for (std::uint8_t stop : {stopbits::kOne, stopbits::kTwo}) {
            for (std::uint32_t baud : {1200U, 9600U, 115200U}) {
                const CommSettings s{baud, 7, p, stop};
                EXPECT_TRUE(port.writeSettings(s)) << port.writeSettings(s).error();
            }
        }
    }
    EXPECT_EQ(port.writeSettings({12345, 8, parity::kNone, stopbits::kOne}).error(),
              "12345 baud is not a POSIX speed");
}

}  // namespace
}  // namespace kavro
