#include "kavro/message_box.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process.hpp"
#include "tests/support/temp_dir.hpp"
#include "tests/support/x_server.hpp"

namespace kavro {
namespace {

using namespace std::chrono_literals;

struct Shown {
    std::string text;
    std::string caption;
    std::uint32_t style;
};

// Installs a presenter that records every box and answers 1; the built-in one comes back after.
class RecordingPresenter {
  public:
    RecordingPresenter() {
        setMessageBoxPresenter([this](const MessageBoxRequest& request) {
            shown.push_back(
                {std::string(request.text), std::string(request.caption), request.style});
            return 1;
        });
    }
    ~RecordingPresenter() { setMessageBoxPresenter({}); }
    std::vector<Shown> shown;
};

struct BoxCase {
    const char* name;
    StandardBox box;
    std::string caption;
    std::uint32_t style;
};

class StandardBoxes : public testing::TestWithParam<BoxCase> {};

TEST_P(StandardBoxes, CaptionAndStyle) {
    RecordingPresenter presenter;
    EXPECT_EQ(showMessage(GetParam().box, "Camera 3 is offline"), 1);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].text, "Camera 3 is offline");
    EXPECT_EQ(presenter.shown[0].caption, GetParam().caption);
    EXPECT_EQ(presenter.shown[0].style, GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(
    MessageBox, StandardBoxes,
    testing::Values(BoxCase{"Question", StandardBox::Question, "\xCC\xE1\xCA\xBE\xA3\xA1", 0x20},
                    BoxCase{"QuestionA", StandardBox::QuestionA, "question", 0x20},
                    BoxCase{"Success", StandardBox::Success, "\xCC\xE1\xCA\xBE\xA3\xA1", 0x40},
                    BoxCase{"SuccessA", StandardBox::SuccessA, "", 0x40},
                    BoxCase{"Warning", StandardBox::Warning, "\xBE\xAF\xB8\xE6\xA3\xA1", 0x30},
                    BoxCase{"WarningA", StandardBox::WarningA, "warning", 0x30},
                    BoxCase{"Error", StandardBox::Error, "\xB4\xED\xCE\xF3\xA3\xA1", 0x10},
                    BoxCase{"ErrorA", StandardBox::ErrorA, "error", 0x10}),
    [](const auto& c) { return c.param.name; });

TEST(MessageBox, PresenterAnswerIsReturnedAndReplacingGivesThePreviousBack) {
    setMessageBoxPresenter([](const MessageBoxRequest&) { return 7; });
    EXPECT_EQ(showMessage(StandardBox::Error, "x"), 7);
    const MessageBoxPresenter previous = setMessageBoxPresenter({});
    ASSERT_TRUE(previous);
    EXPECT_EQ(previous(MessageBoxRequest{}), 7);
}

TEST(MessageBox, NoBoxAndZeroWithoutADisplay) {
    test::ScopedEnv noDisplay("DISPLAY", std::nullopt);
    EXPECT_EQ(showMessage(StandardBox::Question, "Proceed?"), 0);
    test::ScopedEnv deadDisplay("DISPLAY", ":65000");
    EXPECT_EQ(showMessage(StandardBox::Question, "Proceed?"), 0);
}

class MessageBoxDialog : public test::XDisplayTest {
  protected:
    void SetUp() override {
        XDisplayTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        xdotool_ = test::findProgram("xdotool");
        if (test::findProgram("zenity").empty() || xdotool_.empty()) {
            GTEST_SKIP() << "zenity or xdotool is not installed (scripts/install-deps)";
        }
    }

    std::string xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv{xdotool_};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::runProcess(argv).out;
    }

    // The dialog's window, once it is shown (bounded wait); empty when it never appears or the
    // box ended before that.
    std::string waitForDialog(const std::future<std::int32_t>& box) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            std::istringstream found(xdotool({"search", "--onlyvisible", "--classname", "zenity"}));
            std::string window;
            if (std::getline(found, window) && !window.empty()) return window;
            if (box.wait_for(50ms) == std::future_status::ready) break;
        }
        return {};
    }

    // Shows the box on another thread, dismisses it with a key press, and returns its result.
    // A box that does not appear or does not go ends the server, which ends the dialog too.
    int showAndDismiss(StandardBox box, const std::string& key, std::string* title = nullptr) {
        auto result =
            std::async(std::launch::async, [box] { return showMessage(box, "Proceed?"); });
        const std::string window = waitForDialog(result);
        if (window.empty()) {
            ADD_FAILURE() << "the dialog did not appear"
                          << (result.wait_for(0s) == std::future_status::ready ? " (the box ended)"
                                                                               : "");
        } else {
            if (title != nullptr) *title = test::windowTitle(std::stoul(window)).value_or("<none>");
            for (int attempt = 0; attempt < 10; ++attempt) {
                xdotool({"windowfocus", window, "key", key});
                if (result.wait_for(1s) == std::future_status::ready) break;
            }
        }
        if (result.wait_for(0s) != std::future_status::ready) {
            ADD_FAILURE() << "the dialog was not dismissed by " << key;
            server->stop();
        }
        return result.get();
    }

    std::string xdotool_;
};

TEST_F(MessageBoxDialog, ReturnsOneOnceDismissedByEnter) {
    std::string title;
    EXPECT_EQ(showAndDismiss(StandardBox::QuestionA, "Return", &title), 1);
    EXPECT_EQ(title, "question");
}

TEST_F(MessageBoxDialog, ReturnsOneOnceDismissedByEscapeAndShowsAnEmptyTitle) {
    std::string title;
    EXPECT_EQ(showAndDismiss(StandardBox::SuccessA, "Escape", &title), 1);
    EXPECT_EQ(title, "");
}

TEST_F(MessageBoxDialog, ChineseCaptionArrivesAsUtf8) {
    std::string title;
    EXPECT_EQ(showAndDismiss(StandardBox::Warning, "Return", &title), 1);
    EXPECT_EQ(title, "\xE8\xAD\xA6\xE5\x91\x8A\xEF\xBC\x81");  // 警告！
}

TEST_F(MessageBoxDialog, NoBoxWithoutTheDialogProgram) {
    test::TempDir emptyPath;
    test::ScopedEnv path("PATH", emptyPath.path().string());
    EXPECT_EQ(showMessage(StandardBox::Error, "x"), 0);
}

}  // namespace
}  // namespace kavro
