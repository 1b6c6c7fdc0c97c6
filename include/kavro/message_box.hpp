// The system's standard message boxes: one OK button, the icon of the kind, a fixed caption.
// Captions and texts are system code page bytes (GBK).
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace kavro {

// Style values: the icon flag alone (the OK button's flag is 0).
inline constexpr std::uint32_t kIconError = 0x10;
inline constexpr std::uint32_t kIconQuestion = 0x20;
inline constexpr std::uint32_t kIconWarning = 0x30;
inline constexpr std::uint32_t kIconInformation = 0x40;

// The eight boxes; the A forms have an English or empty caption.
enum class StandardBox { Question, QuestionA, Success, SuccessA, Warning, WarningA, Error, ErrorA };

struct MessageBoxRequest {
    std::string_view text;
    std::string_view caption;
    std::uint32_t style = 0;
};

// The caption and style of a standard box ("\xCC\xE1\xCA\xBE\xA3\xA1" and kIconQuestion for the
// question box, and so on).
MessageBoxRequest standardBox(StandardBox box, std::string_view text);

// Shows a box and returns once the user dismissed it: 1 (however it was dismissed), or 0 when
// no box could be shown. Blocks the calling thread only; boxes of several threads may be open
// at once.
using MessageBoxPresenter = std::function<std::int32_t(const MessageBoxRequest&)>;

// Installs the presenter every box goes through; an empty one brings back the built-in dialog.
// Returns the one it replaces (empty for the built-in). For hosts with their own user interface,
// and for tests.
MessageBoxPresenter setMessageBoxPresenter(MessageBoxPresenter presenter);

// One box through the installed presenter.
std::int32_t presentMessageBox(const MessageBoxRequest& request);

// presentMessageBox(standardBox(box, text)).
std::int32_t showMessage(StandardBox box, std::string_view text);

// The built-in dialog: on the X display DISPLAY names, through the dialog program zenity
// (caption and text converted to UTF-8, shown as plain text). Without a reachable display or
// without the program it shows nothing and returns 0. On Windows: MessageBoxA with no owner
// window, the bytes as they are and the style value, returning what it returns.
std::int32_t showDialog(const MessageBoxRequest& request);

}  // namespace kavro
