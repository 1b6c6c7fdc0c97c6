// The tool's warnings: what goes out when a call is almost surely a mistake, named on stderr
// while the command is sent all the same; and line options that are usage errors.
#include <gtest/gtest.h>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"

namespace kavro {
namespace {

class ToolWarnings : public testing::Test {
  protected:
    void SetUp() override {
        test::makeDatabase(
            db,
            "CREATE TABLE Protocol (ID, Length, BaseAddress, Up);"
            "INSERT INTO Protocol VALUES (7, 7, 0, 2048), (40, 4, 0, 1), (2, 2, 1, 4);"
            "CREATE TABLE Dome (ID, Length, BaseAddress, Up, StayTime, Slowest, Fastest);"
            "INSERT INTO Dome VALUES (23, 7, 0, 2048, 5, 0, 63), (15, 4, 0, 1, 5, 0, 63),"
            " (10, 4, 0, 1, 5, 0, 63), (53, 6, 0, 1, 5, 0, 63);");
    }
    test::ProcessResult run(std::vector<std::string> args) {
        args.insert(args.begin(), test::toolPath());
        return test::runProcess(args);
    }
    test::TempDir dir;
    std::string db = dir.file("t.db");
};

TEST_F(ToolWarnings, NamesWhatGoesOutInstead) {
    struct Case {
        std::vector<std::string> args;
        const char* warning;  // without "kavro: warning: " and the newline; "" for none
    } cases[] = {
        {{"decoder", "--protocol", "7", "--camera", "1", "Up"}, ""},
        {{"decoder", "--protocol", "7", "--camera", "256", "Up"},
         "camera 256 (wire address 256) does not fit protocol 7's frame: it goes out as camera 0 "
         "(wire address 0)"},
        {{"decoder", "--protocol", "7", "--camera", "-1", "Up"},
         "camera -1 (wire address -1) does not fit protocol 7's frame: it goes out as camera 255 "
         "(wire address 255)"},
        // BaseAddress 1: camera 255 is wire address 256.
        {{"decoder", "--protocol", "2", "--camera", "255", "Up"},
         "camera 255 (wire address 256) does not fit protocol 2's frame: it goes out as camera -1 "
         "(wire address 0)"},
        {{"decoder", "--protocol", "40", "--camera", "1", "Up"},
         "protocol 40 has no decoder layout: the frame goes out as the row's Length of zero "
         "bytes"},
        {{"decoder", "--protocol", "7", "--camera", "1", "length"},
         "'length' is the row's Length column, not a command: its value goes out as the command "
         "code"},
        {{"dome", "--table", "Dome", "--protocol", "10", "--camera", "1", "Up"},
         "protocol 10 has no dome layout: the frame goes out as the row's Length of zero bytes"},
        {{"dome", "--table", "Dome", "--protocol", "23", "--camera", "1", "--param", "256", "Up"},
         "--param 256 does not fit protocol 23's Up frame: it goes out as 0"},
        {{"dome", "--table", "Dome", "--protocol", "23", "--camera", "1", "--param", "255", "Up"},
         ""},
        {{"dome", "--table", "Dome", "--protocol", "23", "--camera", "1", "--speed", "5", "Up"},
         "--speed has no effect on protocol 23's Up frame (the speed goes out only in the scan "
         "frames of protocols 18, 20, 41 and 49)"},
        {{"dome", "--table", "Dome", "--protocol", "15", "--camera", "3", "Up"},
         "protocol 15's frame carries no address: camera 3 is not sent"},
        {{"dome", "--table", "Dome", "--protocol", "53", "--camera", "1", "--param", "99", "Up"},
         ""},
        {{"switch", "--protocol", "4", "256", "5"},
         "FIRST 256 is outside the 0 to 255 that switcher protocol 4's frame carries: it goes "
         "out as 0"},
        {{"switch", "--protocol", "28", "-1", "5"},
         "FIRST -1 is outside the 0 to 999 that switcher protocol 28's frame carries: it goes out "
         "cut to what the frame holds"},
        {{"switch", "--protocol", "15", "12", "25"},
         "SECOND 25 is outside the 0 to 19 that switcher protocol 15's frame carries: it goes out "
         "as 15"},
        {{"switch", "--protocol", "28", "12", "5"}, ""},
    };
    for (Case& c : cases) {
        std::vector<std::string> args = c.args;
        if (args[0] != "switch") args.insert(args.begin() + 1, {"--db", db});
        auto r = run(args);
        const std::string expected =
            *c.warning == '\0' ? "" : std::string("kavro: warning: ") + c.warning + "\n";
        EXPECT_EQ(r.exitCode, 0) << args[3] << r.err;
        EXPECT_EQ(r.err, expected) << args[3];
        EXPECT_NE(r.out, "") << "the command still goes out";

        args.push_back("--quiet");
        r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(ToolWarnings, InvalidLineOptionsAreUsageErrors) {
    const char* missing = "/nonexistent/tty";  // never opened: the options fail first
    const std::vector<std::string> cases[] = {
        {"--port", missing, "--parity", "X"},
        {"--port", missing, "--parity", "space"},
        {"--port", missing, "--stop-bits", "3"},
        {"--port", missing, "--data-bits", "9"},
        {"--baud", "9600"},
        {"--parity", "M"},
    };
    for (const auto& options : cases) {
        std::vector<std::string> args = {"decoder", "--db", db, "--protocol", "7", "--camera", "1"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("Up");
        const auto r = run(args);
        EXPECT_EQ(r.exitCode, 2) << options[options.size() - 1] << ": " << r.err;
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
}  // namespace kavro
