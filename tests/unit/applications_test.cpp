#include "kavro/applications.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/x_server.hpp"

namespace kavro {
namespace {

using namespace std::chrono_literals;

// Waits (bounded) until a file appears; the started programs write theirs and rename it into
// place, so a file that is there is complete.
bool waitForFile(const std::filesystem::path& path, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// True when the process has ended (gone, or a zombie of whoever adopted it).
bool hasEnded(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

bool waitForEnd(int pid, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!hasEnded(pid)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

class StartApplication : public testing::Test {
  protected:
    // A script that writes its arguments after the first, one per line, to the file named first.
    std::string argumentWriter() {
        const std::string script = dir.file("args.sh");
        std::ofstream(script) << "out=\"$1\"; shift\n"
                                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                                 "mv \"$out.tmp\" \"$out\"\n";
        return script;
    }
    test::TempDir dir;
};

TEST_F(StartApplication, ArgumentsArriveAsSplitWithNothingInterpreted) {
    const std::string out = dir.file("out.txt");
    const std::string injected = dir.file("injected");
    const std::string line = "/bin/sh " + argumentWriter() + " " + out +
                             " \"camera 3\" a;b|c>d $HOME \"$(touch " + injected + ")\" say\\\"hi";
    const StartResult result = startApplication(line);
    ASSERT_TRUE(result.started) << std::strerror(result.error);
    ASSERT_TRUE(waitForFile(out));
    EXPECT_EQ(readFile(out), "camera 3\na;b|c>d\n$HOME\n$(touch " + injected + ")\nsay\"hi\n");
    EXPECT_FALSE(std::filesystem::exists(injected));
}

TEST_F(StartApplication, ReturnsAtOnceAndLeavesNoChildBehind) {
    const StartResult result = startApplication("sleep 30");  // found through PATH
    ASSERT_TRUE(result.started) << std::strerror(result.error);
    // The call came back while the program runs; neither it nor the intermediate process is a
    // child of ours, so there is nothing to reap and no zombie can be left here.
    EXPECT_FALSE(hasEnded(result.processId));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(::getpgid(result.processId), result.processId);  // a session of its own
    ::kill(result.processId, SIGKILL);
    EXPECT_TRUE(waitForEnd(result.processId));
}

TEST_F(StartApplication, TheCallersOtherFilesAreNotInherited) {
    const int fd = ::open(dir.file("serial-port-stand-in").c_str(), O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    const int high = ::dup2(fd, 57);  // a descriptor without close-on-exec
    ASSERT_EQ(high, 57);
    const std::string script = dir.file("fds.sh");
    const std::string out = dir.file("fds.txt");
    std::ofstream(script) << "ls /proc/$$/fd > " << out << ".tmp; mv " << out << ".tmp " << out
                          << "\n";
    const StartResult result = startApplication("/bin/sh " + script);
    ::close(high);
    ::close(fd);
    ASSERT_TRUE(result.started);
    ASSERT_TRUE(waitForFile(out));
    std::istringstream listed(readFile(out));
    for (std::string entry; std::getline(listed, entry);)
        EXPECT_NE(entry, "57");
}

TEST_F(StartApplication, NothingStartsWithoutAProgram) {
    const StartResult missing = startApplication(dir.file("no-such-program") + " -x");
    EXPECT_FALSE(missing.started);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_FALSE(startApplication("").started);
    EXPECT_FALSE(startApplication("   ").started);
    EXPECT_FALSE(startApplication("\"\" x").started);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);  // the intermediate process was reaped
}

TEST(CloseApplication, NothingHappensWithoutADisplay) {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    EXPECT_EQ(closeApplication("Anything"), CloseResult::NoDisplay);
    test::ScopedEnv deadDisplay("DISPLAY", ":65000");
    EXPECT_EQ(closeApplication("Anything"), CloseResult::NoDisplay);
}

class CloseWindow : public test::XDisplayTest {};

TEST_F(CloseWindow, AsksTheWindowWhoseTitleMatchesWithoutRegardToCase) {
    test::TestWindow window("Kavro Close Test");
    test::TestWindow other("Kavro Close Test 2");
    ASSERT_TRUE(window.ok() && other.ok());
    EXPECT_EQ(closeApplication("kAVRO cLOSE tEST"), CloseResult::Asked);
    EXPECT_TRUE(window.closeRequested());
    EXPECT_FALSE(other.closeRequested());
}

TEST_F(CloseWindow, NoMatchAsksNobody) {
    test::TestWindow window("Kavro Close Test");
    ASSERT_TRUE(window.ok());
    EXPECT_EQ(closeApplication("Kavro Close"), CloseResult::NoWindow);
    EXPECT_EQ(closeApplication("Kavro Close Test!"), CloseResult::NoWindow);
    EXPECT_FALSE(window.closeRequested());
}

TEST_F(CloseWindow, OnlyTheTopmostOfTwoEquallyTitledWindows) {
    test::TestWindow lower("Twin");
    test::TestWindow upper("Twin");  // created later, so stacked above
    ASSERT_TRUE(lower.ok() && upper.ok());
    EXPECT_EQ(closeApplication("twin"), CloseResult::Asked);
    EXPECT_TRUE(upper.closeRequested());
    EXPECT_FALSE(lower.closeRequested());
}

TEST_F(CloseWindow, EmptyTitleMatchesOnlyAnEmptyTitle) {
    test::TestWindow empty("");
    test::TestWindow untitled("", test::TestWindow::Title::None);
    test::TestWindow named("Named");
    ASSERT_TRUE(empty.ok() && untitled.ok() && named.ok());
    EXPECT_EQ(closeApplication(""), CloseResult::Asked);
    EXPECT_TRUE(empty.closeRequested());
    EXPECT_FALSE(untitled.closeRequested());
    EXPECT_FALSE(named.closeRequested());
}

TEST_F(CloseWindow, GbkTextMatchesTheUtf8Title) {
    test::TestWindow window("\xE7\x9B\x91\xE6\x8E\xA7\xE4\xB8\xAD\xE5\xBF\x83");  // 监控中心
    ASSERT_TRUE(window.ok());
    EXPECT_EQ(closeApplication("\xBC\xE0\xBF\xD8\xD6\xD0\xD0\xC4"), CloseResult::Asked);
    EXPECT_TRUE(window.closeRequested());
}

TEST_F(CloseWindow, PlainWmNameCounts) {
    test::TestWindow window("Old Style Caf\xE9", test::TestWindow::Title::WmNameLatin1);
    ASSERT_TRUE(window.ok());
    // é (ISO 8859-1 E9) against GBK A8 A6, the same letter; ASCII letters in any case.
    EXPECT_EQ(closeApplication("old style CAF\xA8\xA6"), CloseResult::Asked);
    EXPECT_TRUE(window.closeRequested());
}

TEST_F(CloseWindow, StartedProgramIsClosedByItsTitle) {
    const std::string xmessage = test::findProgram("xmessage");
    if (xmessage.empty()) GTEST_SKIP() << "xmessage is not installed";
    const StartResult started =
        startApplication("\"" + xmessage + "\" -title \"Kavro Viewer\" camera offline");
    ASSERT_TRUE(started.started) << std::strerror(started.error);
    // Bounded wait for the window to appear.
    CloseResult result = CloseResult::NoWindow;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while ((result = closeApplication("KAVRO VIEWER")) == CloseResult::NoWindow &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(result, CloseResult::Asked);
    EXPECT_TRUE(waitForEnd(started.processId));
    if (!hasEnded(started.processId)) ::kill(started.processId, SIGKILL);
}

}  // namespace
}  // namespace kavro
