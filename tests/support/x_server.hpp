// A private X server for tests that need a display, and windows of the test's own on it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace kavro::test {

// The program's path through PATH; empty when it is not installed.
std::string findProgram(const std::string& name);

// Sets (or, with nothing, removes) an environment variable for a scope.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    std::optional<std::string> saved_;
};

// Xvfb on the first free display number (it picks one itself and reports it), no TCP. DISPLAY
// names it while it runs.
class XvfbServer {
  public:
    explicit XvfbServer(const std::string& screen = "1024x768x24");
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return pid_ > 0; }
    const std::string& display() const { return display_; }
    const std::string& error() const { return error_; }
    // Ends the server (its clients lose their connection).
    void stop();

  private:
    pid_t pid_ = -1;
    std::string display_;
    std::string error_;
    std::unique_ptr<ScopedEnv> displayEnv_;
};

// For tests on a display: skipped when Xvfb is not installed, failed when it will not start.
class XDisplayTest : public testing::Test {
  protected:
    void SetUp() override;
    void startServer(const std::string& screen);
    std::unique_ptr<XvfbServer> server;
};

// A top-level window of the test's own, with its own connection, that takes close requests.
class TestWindow {
  public:
    enum class Title {
        Both,          // WM_NAME (UTF8_STRING) and _NET_WM_NAME
        WmNameLatin1,  // WM_NAME only, as STRING (ISO 8859-1)
        None,          // no title property at all
    };
    explicit TestWindow(const std::string& title, Title kind = Title::Both);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    bool ok() const;
    // Whether a WM_DELETE_WINDOW request has reached the window. Makes a round trip first, so
    // every request sent to it before the call has been delivered.
    bool closeRequested();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The title (_NET_WM_NAME) of a window, by its id on the current display; nothing when unset.
std::optional<std::string> windowTitle(unsigned long window);

}  // namespace kavro::test
