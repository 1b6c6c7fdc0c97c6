// The kavro tool run as a process, as people run it.
#include <fcntl.h>
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

class ToolDecoder : public testing::Test {
  protected:
    void SetUp() override {
        test::makeDatabase(db,
                           "CREATE TABLE Protocol (ID, Length, BaseAddress, Up);"
                           "INSERT INTO Protocol VALUES (2, 2, 0, 4660), (3, 1, 0, 1);"
                           "CREATE TABLE Other (ID, Length, BaseAddress, Up);"
                           "INSERT INTO Other VALUES (2, 2, 1, 4660);");
    }
    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), toolPath());
        return runProcess(args);
    }
    test::TempDir dir;
    std::string db = dir.file("t.db");
};

TEST_F(ToolDecoder, PrintsTheWireTrace) {
    const auto r = run({"decoder", "--db", db, "--protocol", "2", "--camera", "5", "Up"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "write 05 34\n");
    EXPECT_EQ(r.err, "");
    const auto other =
        run({"decoder", "--db=" + db, "--table", "Other", "--protocol=2", "--camera", "5", "Up"});
    EXPECT_EQ(other.out, "write 06 34\n");
}

TEST_F(ToolDecoder, SaysWhyNothingWasSent) {
    struct Case {
        std::vector<std::string> args;
        const char* err;
    } cases[] = {
        {{"--protocol", "99", "--camera", "5", "Up"},
         "kavro: protocol 99 has no row in table Protocol\n"},
        {{"--protocol", "2", "--camera", "5", "Down"},
         "kavro: protocol 2 in table Protocol: no field Down; the only command field is Up\n"},
        {{"--protocol", "3", "--camera", "5", "Up"},
         "kavro: protocol 3 in table Protocol: Length is too short for the protocol's frame "
         "(index 1 is outside the frame of length 1)\n"},
        {{"--table", "Missing", "--protocol", "2", "--camera", "5", "Up"}, nullptr},
    };
    for (Case& c : cases) {
        c.args.insert(c.args.begin(), {"decoder", "--db", db});
        const auto r = run(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.out, "");
        if (c.err != nullptr) {
            EXPECT_EQ(r.err, c.err);
        } else {
            EXPECT_EQ(r.err.rfind("kavro: cannot open table Missing", 0), 0u) << r.err;
        }
    }
}

TEST_F(ToolDecoder, BadArgumentsExitTwoWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {"decoder", "--db", db, "--camera", "5", "Up"},                     // no --protocol
        {"decoder", "--db", db, "--protocol", "x", "--camera", "5", "Up"},  // not a number
        {"decoder", "--db", db, "--protocol", "2", "--camera", "5"},        // no COMMAND
        {"decoder", "--db", db, "--protocol", "2", "--camera", "5", "--bogus", "Up"},
        {"decoder", "--protocol", "2", "--camera", "5", "--trace", "Up"},  // --trace needs --port
        {"nosuchcommand"},
        {},
    };
    for (const auto& args : cases) {
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_NE(r.err.find("usage: kavro"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(ToolDecoder, HelpForTheToolAndTheCommand) {
    const auto top = run({"--help"});
    EXPECT_EQ(top.exitCode, 0);
    EXPECT_NE(top.out.find("kavro decoder"), std::string::npos);
    const auto sub = run({"decoder", "--help"});
    EXPECT_EQ(sub.exitCode, 0);
    EXPECT_NE(sub.out.find("Example:\n  kavro decoder"), std::string::npos);
}

TEST_F(ToolDecoder, BundledTableNeedsNoDb) {
    const auto r = run({"decoder", "--protocol", "7", "--camera", "1", "Up"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write FF 01 00 08 00 20 29\n");  // the 0xFF-sync frame: up at speed 0x20
}

TEST_F(ToolDecoder, SendsOnARealPortAndTracesOnRequest) {
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const std::string device = ttyname(slave);
    const auto r = run({"decoder", "--db", db, "--port", device, "--baud", "19200", "--trace",
                        "--protocol", "2", "--camera", "5", "Up"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "write 05 34\n");
    char buffer[16];
    const ssize_t n = read(master, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0u), "\x05\x34");
    termios t{};
    tcgetattr(slave, &t);
    EXPECT_EQ(cfgetospeed(&t), B19200);

    const auto quiet =
        run({"decoder", "--db", db, "--port", device, "--protocol", "2", "--camera", "5", "Up"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.out, "");
    close(master);
    close(slave);

    const auto missing = run({"decoder", "--db", db, "--port", dir.file("nodev"), "--protocol", "2",
                              "--camera", "5", "Up"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err.rfind("kavro: cannot open ", 0), 0u) << missing.err;
}

}  // namespace
}  // namespace kavro
