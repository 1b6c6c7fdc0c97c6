// Closing a program's window: FindWindowA by its title, then WM_CLOSE through SendMessageA,
// which returns once the window has handled the message.
#include <windows.h>

#include "kavro/applications.hpp"

namespace kavro {

CloseResult closeApplication(std::string_view title) {
    // An empty title is passed as the empty text, never as none, which would match any window.
    if (title.find('\0') != std::string_view::npos) return CloseResult::NoWindow;
    const std::string text(title);
    HWND window = FindWindowA(nullptr, text.c_str());
    if (window == nullptr) return CloseResult::NoWindow;
    SendMessageA(window, WM_CLOSE, 0, 0);
    return CloseResult::Asked;
}

// Windows needs no X client library.
std::string x11ClientProblem() {
    return {};
}

}  // namespace kavro
