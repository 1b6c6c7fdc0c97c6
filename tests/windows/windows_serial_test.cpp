// The serial port on a Windows HANDLE, end to end: a COM port that wine maps to the harness's
// pseudo-terminal. Every write is checked as it arrives on the pty, with the parity the pty's
// line settings show at that moment: the mark/space protocols send their address byte at mark
// parity (CMSPAR and PARODD) and the rest at space parity (CMSPAR alone). A Linux pty keeps
// neither PARENB nor a character size other than 8 (its driver clears them), so the parity is
// read off CMSPAR and PARODD, which it keeps, and the data bits are not seen at all.
#include <gtest/gtest.h>
#include <windows.h>

#include "kavro/busy_flag.hpp"
#include "kavro/decoder.hpp"
#include "kavro/dome.hpp"
#include "kavro/line_settings.hpp"
#include "kavro/serial_port.hpp"
#include "kavro/sqlite_record_set.hpp"
#include "pty_link.h"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

struct Arrival {
    std::vector<std::uint8_t> bytes;
    std::uint8_t parity = parity::kNone;  // in force when they were written
    pty_mode mode{};                      // what the pty showed then
};

std::vector<std::uint8_t> ptyBytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(4096);
    const long n = pty_link_bytes(count, bytes.data(), bytes.size());
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

// Passes everything on to the port and checks each write on the pty as it is made. Pauses are
// not waited.
class CheckedLine final : public SerialLine {
  public:
    explicit CheckedLine(SerialLine& port) : port_(port) {}

    LineResult readSettings(CommSettings& settings) override {
        return port_.readSettings(settings);
    }
    LineResult writeSettings(const CommSettings& settings) override {
        LineResult set = port_.writeSettings(settings);
        if (set) parity_ = settings.parity;
        return set;
    }
    LineResult write(std::span<const std::uint8_t> bytes) override {
        LineResult written = port_.write(bytes);
        if (!written) return written;
        Arrival arrival;
        arrival.bytes = ptyBytes(bytes.size());
        arrival.parity = parity_;
        pty_link_mode(&arrival.mode);
        arrivals.push_back(std::move(arrival));
        return written;
    }
    void pause(std::chrono::milliseconds) override {}

    std::vector<Arrival> arrivals;

  private:
    SerialLine& port_;
    std::uint8_t parity_ = parity::kNone;
};

// The writes of a script, each with the parity in force.
std::vector<Arrival> expectedWrites(const WireTrace& script) {
    std::vector<Arrival> writes;
    std::uint8_t parity = parity::kNone;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const WireTrace::Event event = script[i];
        if (event.kind == WireTrace::Kind::Parity) parity = event.parity;
        if (event.kind == WireTrace::Kind::Write) {
            writes.push_back({{event.bytes.begin(), event.bytes.end()}, parity, {}});
        }
    }
    return writes;
}

class WindowsSerial : public testing::Test {
  protected:
    void SetUp() override {
        const char* why = "";
        handle_ = pty_link_open_port(&why);
        ASSERT_NE(handle_, nullptr) << why;
        ptyBytes(0);  // whatever an earlier test left on the line
        test::makeDatabase(
            db_,
            "CREATE TABLE Protocol (ID, Length, BaseAddress, Up, Scan,"
            " StayTime, Slowest, Fastest);"
            "INSERT INTO Protocol VALUES (17, 3, 0, 4660, NULL, 5, 0, 63),"
            " (43, 3, 1, 4660, NULL, 5, 0, 63), (18, 5, 0, NULL, 1193046, 5, 0, 63);");
        port_ = std::make_unique<SerialPort>(handle_);
        ASSERT_TRUE(setComState(*port_, LineSettings{9600, 8, 1, "N"}));
        table_ = std::make_unique<SqliteRecordSet>(db_, "Protocol", SqliteOpenOptions{true});
    }
    void TearDown() override {
        table_.reset();
        if (handle_ != nullptr) CloseHandle(handle_);
    }

    // Each write arrived whole, at the parity that was set for it.
    static void expectArrivals(const std::vector<Arrival>& got, const std::vector<Arrival>& want) {
        ASSERT_EQ(got.size(), want.size());
        bool markSeen = false;
        bool spaceSeen = false;
        for (std::size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE("write " + std::to_string(i));
            EXPECT_EQ(got[i].bytes, want[i].bytes);
            const pty_mode& mode = got[i].mode;
            if (want[i].parity == parity::kMark) {
                markSeen = true;
                EXPECT_TRUE(mode.cmspar && mode.parodd);
            } else if (want[i].parity == parity::kSpace) {
                spaceSeen = true;
                EXPECT_TRUE(mode.cmspar && !mode.parodd);
            }
        }
        EXPECT_TRUE(markSeen && spaceSeen) << "the script switches between mark and space";
    }

    test::TempDir dir_;
    std::string db_ = dir_.file("protocols.db");
    HANDLE handle_ = nullptr;
    std::unique_ptr<SerialPort> port_;
    std::unique_ptr<SqliteRecordSet> table_;
    std::uint8_t busyByte_ = 0;
    BusyFlag busy_{busyByte_};
};

TEST_F(WindowsSerial, MarkSpaceDecoderProtocols) {
    for (const int protocol : {17, 43}) {
        SCOPED_TRACE("protocol " + std::to_string(protocol));
        WireTrace script;
        ASSERT_TRUE(encodeDecoderCommand(*table_, protocol, 5, "Up", script).sent());
        CheckedLine line(*port_);
        ASSERT_TRUE(writeCommandToDecoder(line, busy_, protocol, *table_, 5, "Up").ok());
        expectArrivals(line.arrivals, expectedWrites(script));
        EXPECT_EQ(busyByte_, 0);
    }
}

TEST_F(WindowsSerial, DomeScanOfProtocol18) {
    WireTrace script;
    ASSERT_TRUE(encodeDomeCommand(*table_, 18, 3, "Scan", 5, 0x15, script).sent());
    CheckedLine line(*port_);
    ASSERT_TRUE(writeCommandToGlobe(line, busy_, *table_, 18, 3, "Scan", 5, 0x15).ok());
    expectArrivals(line.arrivals, expectedWrites(script));
}

TEST_F(WindowsSerial, LineSettingsReachTheLine) {
    struct Case {
        LineSettings settings;
        int parodd, cmspar, cstopb;
    } cases[] = {
        {{19200, 8, 2, "E"}, 0, 0, 1},  {{9600, 8, 1, "O"}, 1, 0, 0}, {{9600, 8, 1, "M"}, 1, 1, 0},
        {{4800, 8, 1, "Odd"}, 0, 1, 0},  // no letter of the four: space
        {{38400, 8, 1, "N"}, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings.parity + " " + std::to_string(c.settings.baudRate));
        ASSERT_TRUE(setComState(*port_, c.settings));
        pty_mode mode{};
        ASSERT_EQ(pty_link_mode(&mode), 0);
        EXPECT_EQ(mode.baud, c.settings.baudRate);
        EXPECT_EQ(mode.parodd, c.parodd);
        EXPECT_EQ(mode.cmspar, c.cmspar);
        EXPECT_EQ(mode.cstopb, c.cstopb);
    }
}

TEST_F(WindowsSerial, AClosedHandleFailsEveryCall) {
    SerialPort closed(INVALID_HANDLE_VALUE);
    const std::uint8_t byte = 0x55;
    EXPECT_FALSE(setComParity(closed, parity::kMark));
    EXPECT_FALSE(closed.write(std::span(&byte, 1)));
    EXPECT_EQ(ptyBytes(0).size(), 0u);
}

}  // namespace
}  // namespace kavro
