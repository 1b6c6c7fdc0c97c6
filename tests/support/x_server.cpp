#include "tests/support/x_server.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

extern char** environ;

namespace kavro::test {

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) saved_ = old;
    if (value) {
        ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (saved_) {
        ::setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

XvfbServer::XvfbServer(const std::string& screen) {
    const std::string program = findProgram("Xvfb");
    if (program.empty()) {
        error_ = "Xvfb is not installed";
        return;
    }
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    // The server writes the display number it took to fd 3, once it accepts connections.
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // -noreset: the server would otherwise reset whenever its last client leaves, and hang up
    // on a client that connects just then.
    std::vector<std::string> args = {program,    "-displayfd", "3", "-nolisten", "tcp",
                                     "-noreset", "-screen",    "0", screen};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(ready[1]);
    if (spawned != 0) {
        ::close(ready[0]);
        error_ = "cannot start Xvfb: " + std::string(std::strerror(spawned));
        return;
    }
    pid_ = pid;

    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd fd{ready[0], POLLIN, 0};
        if (::poll(&fd, 1, 200) <= 0) continue;
        char buffer[32];
        const ssize_t n = ::read(ready[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(ready[0]);
    if (number.find('\n') == std::string::npos) {
        error_ = "Xvfb did not report a display";
        stop();
        return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    displayEnv_ = std::make_unique<ScopedEnv>("DISPLAY", display_);
}

XvfbServer::~XvfbServer() {
    stop();
}

void XvfbServer::stop() {
    displayEnv_.reset();
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(pid_, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

void XDisplayTest::SetUp() {
    startServer("1024x768x24");
}

void XDisplayTest::startServer(const std::string& screen) {
    server.reset();
    if (findProgram("Xvfb").empty()) GTEST_SKIP() << "Xvfb is not installed (scripts/install-deps)";
    server = std::make_unique<XvfbServer>(screen);
    ASSERT_TRUE(server->running()) << server->error();
}

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = ::xcb_intern_atom_reply(
        c, ::xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

void roundTrip(xcb_connection_t* c) {
    std::free(::xcb_get_input_focus_reply(c, ::xcb_get_input_focus(c), nullptr));
}

}  // namespace

struct TestWindow::State {
    xcb_connection_t* connection = nullptr;
    xcb_window_t window = 0;
    xcb_atom_t protocols = 0;
    xcb_atom_t deleteWindow = 0;
    bool closeRequested = false;
};

TestWindow::TestWindow(const std::string& title, Title kind) : state_(std::make_unique<State>()) {
    int screenNumber = 0;
    State& s = *state_;
    s.connection = ::xcb_connect(nullptr, &screenNumber);
    if (::xcb_connection_has_error(s.connection) != 0) return;
    xcb_screen_iterator_t it = ::xcb_setup_roots_iterator(::xcb_get_setup(s.connection));
    for (int i = 0; i < screenNumber; ++i)
        ::xcb_screen_next(&it);
    s.window = ::xcb_generate_id(s.connection);
    ::xcb_create_window(s.connection, XCB_COPY_FROM_PARENT, s.window, it.data->root, 10, 10, 200,
                        100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, it.data->root_visual, 0, nullptr);
    s.protocols = internAtom(s.connection, "WM_PROTOCOLS");
    s.deleteWindow = internAtom(s.connection, "WM_DELETE_WINDOW");
    ::xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, s.window, s.protocols, XCB_ATOM_ATOM,
                          32, 1, &s.deleteWindow);
    const auto length = static_cast<std::uint32_t>(title.size());
    if (kind == Title::Both) {
        const xcb_atom_t utf8 = internAtom(s.connection, "UTF8_STRING");
        ::xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, s.window, XCB_ATOM_WM_NAME, utf8,
                              8, length, title.data());
        ::xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, s.window,
                              internAtom(s.connection, "_NET_WM_NAME"), utf8, 8, length,
                              title.data());
    } else if (kind == Title::WmNameLatin1) {
        ::xcb_change_property(s.connection, XCB_PROP_MODE_REPLACE, s.window, XCB_ATOM_WM_NAME,
                              XCB_ATOM_STRING, 8, length, title.data());
    }
    ::xcb_map_window(s.connection, s.window);
    roundTrip(s.connection);
}

TestWindow::~TestWindow() {
    if (state_->connection != nullptr) ::xcb_disconnect(state_->connection);
}

bool TestWindow::ok() const {
    return state_->connection != nullptr && ::xcb_connection_has_error(state_->connection) == 0 &&
           state_->window != 0;
}

bool TestWindow::closeRequested() {
    State& s = *state_;
    if (!ok()) return false;
    roundTrip(s.connection);
    while (xcb_generic_event_t* event = ::xcb_poll_for_event(s.connection)) {
        // Sent events carry the high bit in their type.
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (message->window == s.window && message->type == s.protocols &&
                message->format == 32 && message->data.data32[0] == s.deleteWindow) {
                s.closeRequested = true;
            }
        }
        std::free(event);
    }
    return s.closeRequested;
}

std::optional<std::string> windowTitle(unsigned long window) {
    int screenNumber = 0;
    xcb_connection_t* c = ::xcb_connect(nullptr, &screenNumber);
    std::optional<std::string> title;
    if (::xcb_connection_has_error(c) == 0) {
        xcb_get_property_reply_t* reply = ::xcb_get_property_reply(
            c,
            ::xcb_get_property(c, 0, static_cast<xcb_window_t>(window),
                               internAtom(c, "_NET_WM_NAME"), XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
            nullptr);
        if (reply != nullptr && reply->type != XCB_ATOM_NONE) {
            title.emplace(static_cast<const char*>(::xcb_get_property_value(reply)),
                          static_cast<std::size_t>(::xcb_get_property_value_length(reply)));
        }
        std::free(reply);
    }
    ::xcb_disconnect(c);
    return title;
}

}  // namespace kavro::test
