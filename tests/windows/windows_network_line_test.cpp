// Lines behind a device server, end to end on Windows: a line opened by URL through the DLL's C
// interface, the serial and encoder exports writing to it, and a device server on a thread of
// the test (127.0.0.1) that agrees to the com port option, acknowledges every change with the
// value asked, and records what came in order: the data as its Telnet decoding gives it (an
// IAC IAC on the wire is one 0xFF) and each settings change.
#include <gtest/gtest.h>
#include <kavro/kavro_public.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/fake_device_server.hpp"
#include "tests/support/loopback_socket.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using std::chrono::milliseconds;
using Fake = test::FakeDeviceServer;
using Received = std::vector<std::string>;

class WindowsNetworkLine : public testing::Test {
  protected:
    void SetUp() override {
        // Protocol 7 at camera 5 with the code 0x000800F2: a byte sum of 0xFF, so the frame
        // begins and ends with an IAC byte. 17 and 43 send their address byte at mark parity.
        test::makeDatabase(db_,
                           "CREATE TABLE Protocol (ID, Length, BaseAddress, Up);"
                           "INSERT INTO Protocol VALUES (7, 7, 0, 524530), (17, 3, 0, 5),"
                           " (43, 3, 0, 258);");
        table_ = kavro_sqlite_table_open(db_.c_str(), "Protocol", 1);
        ASSERT_NE(table_, nullptr) << kavro_last_error_message();
        ASSERT_NE(server_.port(), 0) << "the test server cannot listen on 127.0.0.1";
        line_ = kavro_line_open(server_.url().c_str(), nullptr);
        ASSERT_NE(line_, KAVRO_INVALID_LINE) << kavro_last_error_message();
    }
    void TearDown() override {
        if (line_ != KAVRO_INVALID_LINE) kavro_line_close(line_);
        kavro_recordset_close(table_);
    }

    void up(int protocol, int camera) {
        kavro_string* command = kavro_string_from_cstr("Up");
        _WriteCommandToDecoder(line_, &busy_, protocol, table_, camera, command);
        kavro_string_release(command);
        EXPECT_EQ(kavro_last_error_code(), KAVRO_ERROR_NONE) << kavro_last_error_message();
        EXPECT_EQ(busy_, 0);
    }

    test::TempDir dir_;
    std::string db_ = dir_.file("protocols.db");
    kavro_recordset* table_ = nullptr;
    Fake server_{Fake::Behaviour::Records};
    kavro_serial_handle line_ = KAVRO_INVALID_LINE;
    std::uint8_t busy_ = 0;
};

TEST_F(WindowsNetworkLine, IacBytesAreDoubledOnTheWireAndArriveSingle) {
    up(7, 5);
    ASSERT_TRUE(server_.waitForData(7, milliseconds(2000)));
    EXPECT_EQ(server_.received(), (Received{"data FF 05 00 08 00 F2 FF"}));
    const std::vector<std::uint8_t> wire = server_.wire();
    const std::vector<std::uint8_t> escaped{0xFF, 0xFF, 0x05, 0x00, 0x08, 0x00, 0xF2, 0xFF, 0xFF};
    ASSERT_GE(wire.size(), escaped.size());
    EXPECT_TRUE(std::equal(escaped.rbegin(), escaped.rend(), wire.rbegin()))
        << "the frame is the last thing on the wire, each 0xFF doubled";
}

TEST_F(WindowsNetworkLine, MarkSpaceProtocolsSwitchParityBeforeTheirBytes) {
    // Mark (4) for the address byte alone, space (5) for the rest, then the whole frame once
    // more at space. The second protocol finds the line at space and switches to mark again.
    up(17, 1);
    ASSERT_TRUE(server_.waitForData(6, milliseconds(2000)));
    up(43, 1);
    ASSERT_TRUE(server_.waitForData(12, milliseconds(2000)));
    EXPECT_EQ(server_.received(),
              (Received{"SET-PARITY 4", "data 01", "SET-PARITY 5", "data 77 05 01 77 05",
                        "SET-PARITY 4", "data 01", "SET-PARITY 5", "data 01 02 01 01 02"}));
}

TEST_F(WindowsNetworkLine, SettingsRecordReachesTheServer) {
    kavro_decoder_line_settings settings;
    std::memset(&settings, 0xEE, sizeof settings);  // host fields the library must not read
    settings.baud_rate = 19200;
    settings.data_bits = 7;
    settings.stop_bits = 2;
    settings.parity = kavro_string_from_cstr("E");
    EXPECT_NE(_SetDecoderComState(line_, &settings), 0) << kavro_last_error_message();
    kavro_string_release(settings.parity);
    // One command per setting that changed, in the option's order; 9600 8 N 1 before.
    EXPECT_EQ(server_.received(),
              (Received{"SET-BAUDRATE 19200", "SET-DATASIZE 7", "SET-PARITY 3", "SET-STOPSIZE 2"}));
}

TEST_F(WindowsNetworkLine, ClosingEndsTheConnectionWhileAChildProcessRuns) {
    // A program started with inherited handles (here this one, suspended) must not hold the
    // line's connection open once the host closed the line.
    char self[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    std::string commandLine = std::string("\"") + self + "\" --gtest_list_tests";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE,
                               CREATE_SUSPENDED, nullptr, nullptr, &startup, &child));
    EXPECT_EQ(kavro_line_close(line_), 1);
    line_ = KAVRO_INVALID_LINE;
    EXPECT_TRUE(server_.waitForHangUp(milliseconds(2000)));
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 5000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

TEST(WindowsNetworkLineOpen, RefusedConnectionSaysWhy) {
    const std::string where = "127.0.0.1:" + std::to_string(test::freeLoopbackPort());
    kavro_line_options options{};
    options.size = sizeof options;
    options.connect_timeout_ms = 500;
    EXPECT_EQ(kavro_line_open(("rfc2217://" + where).c_str(), &options), KAVRO_INVALID_LINE);
    EXPECT_EQ(kavro_last_error_code(), KAVRO_ERROR_LINE_OPEN);
    EXPECT_EQ(std::string(kavro_last_error_message()),
              "cannot connect to " + where + ": Connection refused");
}

}  // namespace
}  // namespace kavro
