// The kavro tool on a line that fails under it, on a port another run is using, and with a
// standard output that cannot be written: each exits 1 and says why.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using test::runProcess;
using test::toolPath;

class ToolLine : public testing::Test {
  protected:
    void SetUp() override {
        test::makeDatabase(
            db,
            "CREATE TABLE Protocol (ID, Length, BaseAddress, Up, Scan, StayTime, Slowest, Fastest);"
            "INSERT INTO Protocol VALUES (20, 11, 0, 1, 1, 5, 0, 63), (23, 7, 0, 2048, 0, 5, 0, "
            "63);");
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        // The runs must not inherit the reader: closing it has to take it away.
        fcntl(master, F_SETFD, FD_CLOEXEC);
        fcntl(slave, F_SETFD, FD_CLOEXEC);
        device = ttyname(slave);
    }
    void TearDown() override {
        if (master >= 0) close(master);
        close(slave);
    }
    std::vector<std::string> scan(int camera) const {
        return {toolPath(),
                "dome",
                "--db",
                db,
                "--port",
                device,
                "--trace",
                "--protocol",
                "20",
                "--camera",
                std::to_string(camera),
                "--param",
                "0xFFFF",
                "Scan"};
    }
    // Reads the master until `wanted` bytes came or nothing came for quietMillis (while a run
    // is going on, until it ended).
    std::string readMaster(std::size_t wanted, const std::atomic<int>* running = nullptr,
                           int quietMillis = 2000) const {
        std::string got;
        while (got.size() < wanted) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, quietMillis) <= 0) {
                if (running == nullptr || running->load() == 0) break;
                continue;
            }
            char buffer[512];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    test::TempDir dir;
    std::string db = dir.file("t.db");
    int master = -1;
    int slave = -1;
    std::string device;
};

TEST_F(ToolLine, AReaderGoneMidScanIsAFailureNamingTheWrite) {
    test::ProcessResult result;
    std::atomic<int> running{1};
    std::thread run([&] {
        result = runProcess(scan(1));
        --running;
    });
    // Frame 0x80, the 16 entries and frame 0x40 come before the half-second pause; then the
    // reader goes and the last frame gets EIO.
    const std::string got = readMaster(18 * 11, &running);
    close(master);
    master = -1;
    run.join();
    EXPECT_EQ(got.size(), 18u * 11u);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "kavro: " + device + ": write 19 of 19 failed: Input/output error\n");
    const std::string last =
        "pause 500\nwrite A0 01 01 00 21 00 00 FF FF AF DE (failed: "
        "Input/output error)\n";
    ASSERT_GE(result.out.size(), last.size());
    EXPECT_EQ(result.out.substr(result.out.size() - last.size()), last);
    EXPECT_EQ(result.out.find("failed"), result.out.rfind("failed")) << "only the last failed";
}

TEST_F(ToolLine, TwoRunsOnOnePortTakeTurns) {
    std::atomic<int> running{2};
    test::ProcessResult first, second;
    std::thread a([&] {
        first = runProcess(scan(1));
        --running;
    });
    std::thread b([&] {
        second = runProcess(scan(2));
        --running;
    });
    const std::string got = readMaster(2 * 19 * 11, &running);
    a.join();
    b.join();
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(second.exitCode, 0) << second.err;
    ASSERT_EQ(got.size(), 2u * 19u * 11u);
    // Nineteen frames of one dome, then nineteen of the other: byte 1 is the address.
    const char firstAddress = got[1];
    for (std::size_t frame = 0; frame < 38; ++frame) {
        const char expected = frame < 19 ? firstAddress : static_cast<char>(3 - firstAddress);
        EXPECT_EQ(got[frame * 11 + 1], expected) << "frame " << frame;
    }
}

TEST_F(ToolLine, APortLockedByAnotherRunFailsAfterTheLockWait) {
    const int holder = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    const std::vector<std::string> up = {toolPath(),    "dome",       "--db", db,         "--port",
                                         device,        "--protocol", "23",   "--camera", "1",
                                         "--lock-wait", "0.2",        "Up"};
    auto r = runProcess(up);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "kavro: " + device +
                         " is in use by another process (still locked after 0.2 s; see "
                         "--lock-wait)\n");
    EXPECT_EQ(readMaster(1, nullptr, 100).size(), 0u) << "sent despite the lock";

    close(holder);
    r = runProcess(up);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readMaster(7), std::string("\xFF\x01\x00\x00\x08\x00\x09", 7));

    for (const char* bad : {"-1", "x", ""}) {
        std::vector<std::string> args = up;
        args[11] = bad;
        EXPECT_EQ(runProcess(args).exitCode, 2) << bad;
    }

    // A device server's port is not locked by the tool: the option is a mistake there, refused
    // before any connection is tried.
    std::vector<std::string> network = up;
    network[5] = "tcp://127.0.0.1:1";
    r = runProcess(network);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--lock-wait is for a serial device, not a device server's port"),
              std::string::npos)
        << r.err;
}

TEST(ToolOutput, AStandardOutputThatCannotBeWrittenIsAFailure) {
    const std::vector<std::vector<std::string>> commands = {
        {"--version"},
        {"--help"},
        {"dome", "--help"},
        {"dome", "--protocol", "11", "--camera", "2", "Left"},
        {"decoder", "--protocol", "7", "--camera", "1", "Up"},
        {"switch", "--protocol", "15", "12", "3"},
        {"protocols"},
        {"schema"},
    };
    for (std::vector<std::string> args : commands) {
        args.insert(args.begin(), toolPath());
        const auto r = runProcess(args, "/dev/full");
        EXPECT_EQ(r.exitCode, 1) << args[1];
        EXPECT_EQ(r.err, "kavro: cannot write to standard output: No space left on device\n")
            << args[1];
    }
}

}  // namespace
}  // namespace kavro
