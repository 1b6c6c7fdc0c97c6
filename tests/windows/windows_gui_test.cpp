// The message boxes and window closing on a display (Xvfb under wine). Every test that waits on
// a window has a watchdog: without a display, or with a box that never shows, a message loop
// would wait for ever, so the watchdog ends the test program after a time-out.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "kavro/kavro_public.h"

namespace {

using namespace std::chrono_literals;

// Ends the process if the test is not over within the time given.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              const auto end = std::chrono::steady_clock::now() + limit;
              while (!done_ && std::chrono::steady_clock::now() < end)
                  std::this_thread::sleep_for(20ms);
              if (!done_) {
                  std::fprintf(stderr, "watchdog: no end after %lld s\n",
                               static_cast<long long>(limit.count()));
                  std::fflush(stderr);
                  ExitProcess(3);
              }
          }) {}
    ~Watchdog() {
        done_ = true;
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

  private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Waits (at most 10 s) for a top-level dialog with this exact caption to be shown: it is
// shown once its buttons are set up.
HWND waitForBox(const char* caption) {
    for (int i = 0; i < 500; ++i) {
        HWND box = FindWindowA("#32770", caption);
        if (box != nullptr && IsWindowVisible(box)) return box;
        std::this_thread::sleep_for(20ms);
    }
    return nullptr;
}

// The buttons the user sees.
std::vector<int> visibleButtons(HWND box) {
    std::vector<int> ids;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char type[16] = {};
        GetClassNameA(child, type, sizeof type);
        if (IsWindowVisible(child) && lstrcmpiA(type, "Button") == 0) {
            ids.push_back(GetDlgCtrlID(child));
        }
    }
    return ids;
}

struct BoxSeen {
    bool found = false;
    std::vector<int> buttons;
    std::string title;
};

// Shows a box through `show` and dismisses it as a user would press OK: finds it by its
// caption and posts WM_COMMAND IDOK. Returns what the call returned.
template <class Show>
int showAndDismiss(const char* caption, Show show, BoxSeen& seen) {
    Watchdog watchdog(30s);
    std::thread user([&] {
        HWND box = waitForBox(caption);
        if (box == nullptr) return;
        seen.found = true;
        seen.buttons = visibleButtons(box);
        char title[64] = {};
        GetWindowTextA(box, title, sizeof title);
        seen.title = title;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    const int result = show();
    user.join();
    return result;
}

TEST(WindowsGui, MessageBoxDismissedReturnsOne) {
    struct Case {
        const char* caption;
        int32_t (*show)(const char*);
    } cases[] = {
        {"\xCC\xE1\xCA\xBE\xA3\xA1", _QuestionMessage},  // "Notice!"
        {"question", _QuestionMessageA},
        {"\xBE\xAF\xB8\xE6\xA3\xA1", _WarningMessage},  // "Warning!"
        {"error", _ErrorMessageA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        BoxSeen seen;
        const int result = showAndDismiss(
            c.caption, [&] { return c.show("camera 3 offline"); }, seen);
        EXPECT_TRUE(seen.found);
        EXPECT_EQ(seen.buttons, std::vector<int>{IDOK}) << "one OK button, no Yes or No";
        EXPECT_EQ(result, 1);
    }
}

TEST(WindowsGui, SuccessBoxOfTheEnglishSetHasAnEmptyTitle) {
    BoxSeen seen;
    const int result = showAndDismiss(
        "", [] { return _SuccessMessageA("saved"); }, seen);
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "");
    EXPECT_EQ(result, 1);
}

// A window of the test's own, on a thread with its own message loop. WM_CLOSE is handled
// slowly, as a program that asks its user first would, and then closes the window.
class SlowToCloseWindow {
  public:
    explicit SlowToCloseWindow(std::string title) : title_(std::move(title)) {
        thread_ = std::thread([this] { run(); });
        while (!ready_)
            std::this_thread::sleep_for(5ms);
    }
    ~SlowToCloseWindow() {
        if (window_ != nullptr) PostMessageA(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    SlowToCloseWindow(const SlowToCloseWindow&) = delete;
    SlowToCloseWindow& operator=(const SlowToCloseWindow&) = delete;

    bool created() const { return window_ != nullptr; }
    bool closeHandled() const { return handled_; }
    bool destroyed() const { return destroyed_; }

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<SlowToCloseWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_CLOSE && self != nullptr) {
            std::this_thread::sleep_for(300ms);
            self->handled_ = true;
            DestroyWindow(window);
            return 0;
        }
        if (message == WM_DESTROY && self != nullptr) {
            self->destroyed_ = true;
            self->window_ = nullptr;
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcA(window, message, w, l);
    }

    void run() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KavroSlowToClose";
        RegisterClassA(&windowClass);
        HWND window = CreateWindowA("KavroSlowToClose", title_.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                    200, 100, nullptr, nullptr, windowClass.hInstance, nullptr);
        if (window != nullptr) {
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            window_ = window;
        }
        ready_ = true;
        if (window == nullptr) return;
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    std::string title_;
    std::thread thread_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<bool> ready_{false};
    std::atomic<bool> handled_{false};
    std::atomic<bool> destroyed_{false};
};

TEST(WindowsGui, CloseApplicationReturnsOnceTheWindowHandledIt) {
    Watchdog watchdog(30s);
    const std::string title = "Kavro close test " + std::to_string(GetCurrentProcessId());
    SlowToCloseWindow window(title);
    ASSERT_TRUE(window.created());

    kavro_string* empty = kavro_string_from_cstr("");
    _CloseApplication(empty);  // an empty title matches no titled window
    EXPECT_FALSE(window.closeHandled());

    std::string upper = title;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    kavro_string* text = kavro_string_from_cstr(upper.c_str());  // letter case does not count
    _CloseApplication(text);
    EXPECT_TRUE(window.closeHandled()) << "returned before the window handled WM_CLOSE";
    EXPECT_EQ(kavro_string_ref_count(text), 1);
    kavro_string_release(text);
    kavro_string_release(empty);
}

}  // namespace
