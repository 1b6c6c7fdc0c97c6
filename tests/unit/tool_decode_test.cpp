// kavro decode and kavro monitor run as processes: the tool's own traces read back, the line
// forms, and a live line on pseudo-terminals fed by kavro decoder --port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "kavro/parity_marks.hpp"
#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using test::runProcess;
using test::toolPath;

class ToolDecode : public testing::Test {
  protected:
    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), toolPath());
        return runProcess(args);
    }
    std::string capture(const std::string& content) {
        const std::string path = dir.file("capture" + std::to_string(++files_));
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    // What a sending command prints, read back.
    std::string readBack(const std::vector<std::string>& send, std::vector<std::string> decode) {
        const auto sent = run(send);
        EXPECT_EQ(sent.exitCode, 0) << sent.err;
        decode.push_back(capture(sent.out));
        const auto r = run(decode);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    test::TempDir dir;
    int files_ = 0;
};

TEST_F(ToolDecode, ReadsBackWhatTheSendingCommandsPrint) {
    EXPECT_EQ(readBack({"decoder", "--protocol", "7", "--camera", "3", "Up"},
                       {"decode", "--protocol", "7"}),
              "camera 3  Up\n");
    // Two frames 200 ms apart, one command; the Stop forms (AutoStop too) share code 0.
    EXPECT_EQ(readBack({"decoder", "--protocol", "11", "--camera", "3", "Stop"},
                       {"decode", "--protocol", "11"}),
              "camera 3  UpStop, DownStop, LeftStop, RightStop, ZoomIncStop, ZoomDecStop, "
              "FocusIncStop, FocusDecStop, IrisIncStop, IrisDecStop, Stop, AutoStop\n");
    EXPECT_EQ(readBack({"dome", "--protocol", "23", "--camera", "4", "--param", "9", "GotoPreset"},
                       {"decode", "--dome", "--protocol", "23"}),
              "camera 4  GotoPreset  parameter 9\n");
    EXPECT_EQ(readBack({"switch", "--protocol", "15", "12", "5"},
                       {"decode", "--switch", "--protocol", "15"}),
              "connect 12 -> 5  [fixed bytes only]\n");
}

TEST_F(ToolDecode, HexTextRawBytesAndJson) {
    // A wrong checksum between two good frames: the run is the would-be frame.
    const std::string hex =
        "FF 01 00 08 00 20 29\nFF 01 00 08 00 20 2A\n0xFF,0x02,0x00,0x10,0x00,0x20,0x32\n";
    auto r = run({"decode", "--protocol", "7", capture(hex)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "camera 1  Up\n?? FF 01 00 08 00 20 2A  bad checksum\ncamera 2  Down\n");

    const std::string raw("\x13\xFF\x01\x00\x08\x00\x20\x29", 8);
    r = run({"decode", "--protocol", "7", "--json", capture(raw)});
    EXPECT_EQ(r.out,
              "{\"bytes\": \"13\", \"reason\": \"no frame starts here\", \"offset\": 0}\n"
              "{\"camera\": 1, \"commands\": [\"Up\"], \"certainty\": \"checksum\", \"frames\": 1, "
              "\"bytes\": \"FF 01 00 08 00 20 29\", \"offset\": 1}\n");

    r = run({"decode", "--switch", "--protocol", "4", "--json",
             capture("FF FF FF FF 00 00 20 01 00 03 02 80 A0 FE EE EE")});
    EXPECT_EQ(r.out.rfind("{\"first\": 3, \"second\": 2, \"certainty\": \"checksum\"", 0), 0u)
        << r.out;
}

TEST_F(ToolDecode, AutoNamesTheProtocolsWhoseFramesTheBytesAre) {
    const auto sent = run({"decoder", "--protocol", "11", "--camera", "3", "Left"});
    const auto r = run({"decode", "--protocol", "auto", capture(sent.out)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("protocol 11  1 command, 16 of 16 bytes  (checksum)\n", 0), 0u) << r.out;
    const auto none = run({"decode", "--protocol", "auto", capture("zz")});
    EXPECT_EQ(none.exitCode, 1);
}

TEST_F(ToolDecode, BadArgumentsAndRowsThatCannotBeRead) {
    EXPECT_EQ(run({"decode", capture("00")}).exitCode, 2);  // no --protocol
    EXPECT_EQ(run({"decode", "--protocol", "7", "--dome", "--switch"}).exitCode, 2);  // both
    const auto missing = run({"decode", "--protocol", "99", capture("00")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "kavro: protocol 99 has no row in table Protocol\n");
    EXPECT_EQ(run({"decode", "--protocol", "7", dir.file("none")}).exitCode, 1);
    EXPECT_EQ(run({"monitor", "--protocol", "7"}).exitCode, 2);  // no --port
}

TEST(MarkBitReader, UndoesTheParityMarkEscapes) {
    MarkBitReader reader;
    std::vector<std::uint8_t> bytes;
    std::vector<bool> marked;
    // 05 sent at mark parity, then 77 1D, a true FF, and an escape split between two reads.
    const std::uint8_t first[] = {0xFF, 0x00, 0x05, 0x77, 0x1D, 0xFF, 0xFF, 0xFF};
    const std::uint8_t second[] = {0x00, 0x06};
    reader.take(first, bytes, marked);
    reader.take(second, bytes, marked);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x05, 0x77, 0x1D, 0xFF, 0x06}));
    EXPECT_EQ(marked, (std::vector<bool>{true, false, false, false, true}));
}

// A child whose output is read as it comes.
struct Child {
    pid_t pid = -1;
    int out = -1, err = -1;
};

Child spawn(const std::vector<std::string>& argv) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return {};
    Child child;
    child.pid = fork();
    if (child.pid == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return child;
}

// Reads fd until text holds `lines` newlines or the time is up.
std::string readLines(int fd, std::size_t lines, std::chrono::milliseconds limit) {
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) < lines) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[512];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// kavro decoder writes to one pseudo-terminal; what arrives on its other side is passed to a
// second one, on which kavro monitor listens; Ctrl-C ends the monitor with its counts.
TEST_F(ToolDecode, MonitorNamesCommandsOnALiveLine) {
    int sendMaster = -1, sendSlave = -1, listenMaster = -1, listenSlave = -1;
    ASSERT_EQ(openpty(&sendMaster, &sendSlave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(openpty(&listenMaster, &listenSlave, nullptr, nullptr, nullptr), 0);
    Child monitor =
        spawn({toolPath(), "monitor", "--port", ttyname(listenSlave), "--protocol", "7"});
    ASSERT_GT(monitor.pid, 0);
    EXPECT_NE(readLines(monitor.err, 1, std::chrono::seconds(2)).find("reading"),
              std::string::npos);

    for (const char* command : {"Up", "Stop"}) {
        const auto sent = run(
            {"decoder", "--port", ttyname(sendSlave), "--protocol", "7", "--camera", "5", command});
        ASSERT_EQ(sent.exitCode, 0) << sent.err;
        std::uint8_t buffer[64];
        const ssize_t n = read(sendMaster, buffer, sizeof buffer);
        ASSERT_EQ(n, 7);
        ASSERT_EQ(write(listenMaster, buffer, static_cast<std::size_t>(n)), n);
    }
    ASSERT_EQ(write(listenMaster, "\x42", 1), 1);  // a stray byte, printed after a quiet second

    const std::string lines = readLines(monitor.out, 3, std::chrono::seconds(3));
    kill(monitor.pid, SIGINT);
    const std::string rest = readLines(monitor.out, 1, std::chrono::seconds(2));
    int status = 0;
    waitpid(monitor.pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // HH:MM:SS.mmm, two spaces, the line.
    ASSERT_GE(lines.size(), 14u) << lines;
    EXPECT_EQ(lines[2], ':');
    EXPECT_NE(lines.find("  camera 5  Up\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("  camera 5  UpStop, DownStop"), std::string::npos) << lines;
    EXPECT_NE(lines.find("  ?? 42  no frame starts here\n"), std::string::npos) << lines;
    EXPECT_EQ(rest, "2 commands, 1 bytes unrecognised\n");
    for (int fd : {sendMaster, sendSlave, listenMaster, listenSlave, monitor.out, monitor.err})
        close(fd);
}

}  // namespace
}  // namespace kavro
