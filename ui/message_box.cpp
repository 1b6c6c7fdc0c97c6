#include "kavro/message_box.hpp"

#include <memory>
#include <mutex>
#include <utility>

namespace kavro {
namespace {

// Chinese captions end in the full-width exclamation mark (A3 A1).
constexpr std::string_view kNotice = "\xCC\xE1\xCA\xBE\xA3\xA1";
constexpr std::string_view kWarning = "\xBE\xAF\xB8\xE6\xA3\xA1";
constexpr std::string_view kError = "\xB4\xED\xCE\xF3\xA3\xA1";

struct PresenterSlot {
    std::mutex mutex;
    std::shared_ptr<const MessageBoxPresenter> presenter;
};

PresenterSlot& slot() {
    static PresenterSlot instance;
    return instance;
}

}  // namespace

MessageBoxRequest standardBox(StandardBox box, std::string_view text) {
    switch (box) {
        case StandardBox::Question:
            return {text, kNotice, kIconQuestion};
        case StandardBox::QuestionA:
            return {text, "question", kIconQuestion};
        case StandardBox::Success:
            return {text, kNotice, kIconInformation};
        case StandardBox::SuccessA:
            return {text, "", kIconInformation};
        case StandardBox::Warning:
            return {text, kWarning, kIconWarning};
        case StandardBox::WarningA:
            return {text, "warning", kIconWarning};
        case StandardBox::Error:
            return {text, kError, kIconError};
        case StandardBox::ErrorA:
            return {text, "error", kIconError};
    }
    return {text, "", kIconInformation};
}

MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter) {
    std::shared_ptr<const MessageBoxPresenter> next;
    if (presenter) next = std::make_shared<const MessageBoxPresenter>(std::move(presenter));
    PresenterSlot& s = slot();
    std::lock_guard lock(s.mutex);
    std::shared_ptr<const MessageBoxPresenter> previous =
        std::exchange(s.presenter, std::move(next));
    return previous ? *previous : MessageBoxPresenter{};
}

std::int32_t presentMessageBox(const MessageBoxRequest& request) {
    std::shared_ptr<const MessageBoxPresenter> presenter;
    {
        PresenterSlot& s = slot();
        std::lock_guard lock(s.mutex);
        presenter = s.presenter;
    }
    // The box is shown outside the lock: it blocks until the user dismisses it.
    return presenter ? (*presenter)(request) : showDialog(request);
}

std::int32_t showMessage(StandardBox box, std::string_view text) {
    return presentMessageBox(standardBox(box, text));
}

}  // namespace kavro
