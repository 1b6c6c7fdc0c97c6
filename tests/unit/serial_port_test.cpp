// The termios port on a pseudo-terminal pair. A Linux pty clears PARENB and CSIZE on every
// settings change but keeps CMSPAR, PARODD and the speed, so those are what is read back.
#include "kavro/serial_port.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "kavro/line_settings.hpp"

namespace kavro {
namespace {

class PtyPort : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    void TearDown() override {
        close(master);
        close(slave);
    }
    termios slaveSettings() const {
        termios t{};
        tcgetattr(slave, &t);
        return t;
    }
    std::string readMaster() const {
        char buffer[64];
        const ssize_t n = read(master, buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }
    int master = -1;
    int slave = -1;
};

TEST_F(PtyPort, BytesArriveAtTheOtherEnd) {
    SerialPort port(slave);
    const std::uint8_t frame[] = {0xFF, 0x01, 0x00, 0x0A};  // 0x0A must not become CR LF
    ASSERT_TRUE(port.write(frame));
    EXPECT_EQ(readMaster(), std::string("\xFF\x01\x00\x0A", 4));
}

TEST_F(PtyPort, MarkAndSpaceShowInCmsparAndParodd) {
    SerialPort port(slave);
    ASSERT_TRUE(setComParity(port, parity::kMark));
    termios t = slaveSettings();
    EXPECT_NE(t.c_cflag & CMSPAR, 0u);
    EXPECT_NE(t.c_cflag & PARODD, 0u);

    ASSERT_TRUE(writeByteWithParity(port, 0x42, parity::kSpace));
    t = slaveSettings();
    EXPECT_NE(t.c_cflag & CMSPAR, 0u);
    EXPECT_EQ(t.c_cflag & PARODD, 0u);
    EXPECT_EQ(readMaster(), "\x42");

    ASSERT_TRUE(setComParity(port, parity::kOdd));
    t = slaveSettings();
    EXPECT_EQ(t.c_cflag & CMSPAR, 0u);
    EXPECT_NE(t.c_cflag & PARODD, 0u);

    ASSERT_TRUE(writeByteWithParityBit(port, 0x03, 0));  // even
    t = slaveSettings();
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD), 0u);
}

TEST_F(PtyPort, SpeedIsApplied) {
    SerialPort port(slave);
    ASSERT_TRUE(setComState(port, LineSettings{19200, 8, 1, "N"}));
    EXPECT_EQ(cfgetospeed(&static_cast<const termios&>(slaveSettings())), B19200);
    CommSettings read;
    ASSERT_TRUE(port.readSettings(read));
    EXPECT_EQ(read.baudRate, 19200u);
}

TEST_F(PtyPort, SettingsTermiosCannotExpressAreRefused) {
    SerialPort port(slave);
    struct Case {
        const char* what;
        CommSettings settings;
    } cases[] = {
        {"unknown speed", {12345, 8, parity::kNone, stopbits::kOne}},
        {"nine data bits", {9600, 9, parity::kNone, stopbits::kOne}},
        {"1.5 stop bits with 8 data bits", {9600, 8, parity::kNone, stopbits::kOneAndHalf}},
        {"parity code 5", {9600, 8, 5, stopbits::kOne}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(port.writeSettings(c.settings)) << c.what;
    }
    EXPECT_TRUE(port.writeSettings({9600, 5, parity::kNone, stopbits::kOneAndHalf}));
}

TEST(SerialPort, InvalidHandleFailsEverything) {
    SerialPort port(-1);
    CommSettings s;
    EXPECT_FALSE(port.readSettings(s));
    EXPECT_FALSE(port.writeSettings(s));
    EXPECT_FALSE(setComParity(port, parity::kMark));
    const std::uint8_t byte = 1;
    EXPECT_FALSE(port.write({&byte, 1}));
}

}  // namespace
}  // namespace kavro
