// kavro dome and kavro switch run as processes, as people run them.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

using test::runProcess;
using test::toolPath;

class ToolDomeSwitch : public testing::Test {
  protected:
    void SetUp() override {
        test::makeDatabase(
            db,
            "CREATE TABLE Protocol (ID, Length, BaseAddress, Up, Scan, StayTime, Slowest, Fastest);"
            "INSERT INTO Protocol VALUES (23, 7, 0, 2048, 0, 5, 0, 63), (41, 4, 0, 1193046, "
            "1193046, 5, 0, 63), (20, 10, 0, 1, 1, 5, 0, 63), (22, 8, 0, 1, 1, 300, 0, 63);"
            "CREATE TABLE Decoders (ID, Length, BaseAddress, Up);"
            "INSERT INTO Decoders VALUES (23, 7, 0, 2048);");
    }
    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), toolPath());
        return runProcess(args);
    }
    test::TempDir dir;
    std::string db = dir.file("t.db");
};

TEST_F(ToolDomeSwitch, DomePrintsTheWireTrace) {
    auto r =
        run({"dome", "--db", db, "--protocol", "23", "--camera", "1", "--param", "0x20", "Up"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write FF 01 00 00 08 20 29\n");
    // Speed level 5 of 0 to 63 is 32 (0x20), in byte 3 of protocol 41's scan frame.
    r = run({"dome", "--db", db, "--protocol", "41", "--camera", "1", "--speed", "5", "Scan"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write 83 42 1B 20 83 12 34 56\n");
}

TEST_F(ToolDomeSwitch, DomeWithTheBundledTable) {
    // Protocol 11's 0xA0 ... 0xAF frame: the parameter where the decoder sends the tilt speed.
    const auto r = run({"dome", "--protocol", "11", "--camera", "2", "--param", "9", "Left"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write A0 01 00 04 20 09 AF 23\n");
}

TEST_F(ToolDomeSwitch, DomeSaysWhyNothingWasSent) {
    struct Case {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"--protocol", "99", "--camera", "1", "Up"},
         "kavro: protocol 99 has no row in table Protocol\n"},
        {{"--table", "Decoders", "--protocol", "23", "--camera", "1", "Up"},
         "kavro: protocol 23 in table Decoders: no field StayTime\n"},
        {{"--protocol", "22", "--camera", "1", "Up"},
         "kavro: protocol 22 in table Protocol: field StayTime: 300 does not fit a byte\n"},
        {{"--protocol", "20", "--camera", "1", "--param", "5", "Scan"},
         "kavro: protocol 20 in table Protocol: Length is too short for the protocol's frame "
         "(index 10 is outside the frame of length 10)\n"},
    };
    for (Case& c : cases) {
        c.args.insert(c.args.begin(), {"dome", "--db", db});
        const auto r = run(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }
}

TEST_F(ToolDomeSwitch, SwitchPrintsTheWireTraceOrSaysNothingWasSent) {
    auto r = run({"switch", "--protocol", "15", "12", "3"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write FE 03 11 FF\nwrite FE 01 02 13 FF\n");
    r = run({"switch", "--protocol=4", "--", "-1", "0x10"});
    EXPECT_EQ(r.out, "write FF FF FF FF 00 00 20 01 00 FF 10 80 4E FE EE EE\n");
    r = run({"switch", "--protocol", "7", "1", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "kavro: switcher protocol 7 is none of 4, 15 and 28: nothing was sent\n");
}

TEST_F(ToolDomeSwitch, BadArgumentsExitTwoWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {"dome", "--db", db, "--camera", "1", "Up"},  // no --protocol
        {"dome", "--db", db, "--protocol", "23", "--camera", "1", "--speed", "x", "Up"},
        {"dome", "--db", db, "--protocol", "23", "--camera", "1", "Up", "Down"},
        {"switch", "--protocol", "4", "1"},  // no SECOND
        {"switch", "--protocol", "4", "1", "two"},
        {"switch", "1", "2"},  // no --protocol
        {"switch", "--protocol", "4", "--db", db, "1", "2"},
    };
    for (const auto& args : cases) {
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("usage: kavro"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ToolDomeSwitch, HelpNamesBothCommands) {
    const auto top = run({"--help"});
    EXPECT_NE(top.out.find("kavro dome"), std::string::npos);
    EXPECT_NE(top.out.find("kavro switch"), std::string::npos);
    EXPECT_NE(run({"dome", "--help"}).out.find("Example:\n  kavro dome"), std::string::npos);
    EXPECT_NE(run({"switch", "--help"}).out.find("Example:\n  kavro switch"), std::string::npos);
}

TEST_F(ToolDomeSwitch, SendOnARealPort) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string device = ttyname(slave);
    auto r = run({"switch", "--port", device, "--trace", "--protocol", "28", "12", "5"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.size(), 3 * std::string("write 41 30 31 32 30 30 35 30 33 31 30 30 30 30 30 30 "
                                            "42\n")
                                    .size());
    std::string got;
    char buffer[64];
    while (got.size() < 51) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, "A012005031000000BA012005031000000BA012005031000000B");

    r = run({"dome", "--db", db, "--port", device, "--protocol", "23", "--camera", "1", "Up"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const ssize_t n = read(master, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0u),
              std::string("\xFF\x01\x00\x00\x08\x00\x09", 7));
    close(master);
    close(slave);
}

}  // namespace
}  // namespace kavro
