// The kavro tool's host and user-interface commands, run as a user runs them.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/x_server.hpp"

namespace kavro {
namespace {

using test::runProcess;
using test::toolPath;

TEST(PasswordTool, PrintsDecimalAndHex) {
    const auto result = runProcess({toolPath(), "password", "0", "abc"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "4167096870 0xF860DA26\n");
}

TEST(PasswordTool, SeedForms) {
    // -1, 0xFFFFFFFF and 4294967295 are the same 32 bits; the empty text gives the seed back.
    for (const char* seed : {"-1", "0xFFFFFFFF", "4294967295"}) {
        const auto result = runProcess({toolPath(), "password", seed, ""});
        EXPECT_EQ(result.out, "4294967295 0xFFFFFFFF\n") << seed;
    }
    for (const char* bad : {"4294967296", "-2147483649", "12ab", ""}) {
        EXPECT_EQ(runProcess({toolPath(), "password", bad, "abc"}).exitCode, 2) << bad;
    }
    EXPECT_EQ(runProcess({toolPath(), "password", "1"}).exitCode, 2);
}

TEST(HostIpTool, ResolvesOrFails) {
    const auto loopback = runProcess({toolPath(), "hostip", "localhost"});
    EXPECT_EQ(loopback.exitCode, 0) << loopback.err;
    EXPECT_EQ(loopback.out, "127.0.0.1\n");
    const auto unknown = runProcess({toolPath(), "hostip", "no-such-host.invalid"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("does not resolve"), std::string::npos) << unknown.err;
}

TEST(SysinfoTool, OneFieldPerLine) {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    const auto result = runProcess({toolPath(), "sysinfo", "--server", "127.0.0.1"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    for (const char* line :
         {"LocalAddress: \n", "IsVersion5: false\n", "Reserved: 0\n", "IsDisplay1024x768: false\n",
          "BitsPerPixel: 0\n", "ScreenWidth: 0\n", "ScreenHeight: 0\n", "FileListComplete: false\n",
          "ServerAddress: 127.0.0.1\n", "ServerResolved: true\n"}) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "in:\n" << result.out;
    }
    EXPECT_NE(result.out.find("ComputerName: "), std::string::npos);
    EXPECT_NE(result.out.find("MemoryMB: "), std::string::npos);
}

TEST(StartTool, PrintsTheProcessIdAlone) {
    const auto started = runProcess({toolPath(), "start", "true"});
    EXPECT_EQ(started.exitCode, 0) << started.err;
    ASSERT_FALSE(started.out.empty());
    EXPECT_EQ(started.out.find_first_not_of("0123456789"), started.out.size() - 1) << started.out;
    EXPECT_EQ(started.out.back(), '\n');
}

TEST(StartTool, ReportsWhatCannotStart) {
    test::TempDir dir;
    const auto missing = runProcess({toolPath(), "start", dir.file("nothing-here") + " -x"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;
    EXPECT_EQ(runProcess({toolPath(), "start", " "}).exitCode, 1);
    EXPECT_EQ(runProcess({toolPath(), "start"}).exitCode, 2);
}

TEST(CloseTool, FailsWithoutADisplay) {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    const auto result = runProcess({toolPath(), "close", "Viewer"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("no X display"), std::string::npos) << result.err;
}

class CloseToolOnDisplay : public test::XDisplayTest {};

TEST_F(CloseToolOnDisplay, AsksTheWindowOrSaysThereIsNone) {
    test::TestWindow window("Viewer");
    ASSERT_TRUE(window.ok());
    EXPECT_EQ(runProcess({toolPath(), "close", "Player"}).exitCode, 1);
    EXPECT_FALSE(window.closeRequested());
    const auto result = runProcess({toolPath(), "close", "VIEWER"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(window.closeRequested());
}

}  // namespace
}  // namespace kavro
