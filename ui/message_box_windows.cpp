// The built-in message box on Windows: MessageBoxA with no owner window. Caption and text are
// system code page bytes and go to it as they are.
#include <windows.h>

#include <string>

#include "kavro/message_box.hpp"

namespace kavro {

std::int32_t showDialog(const MessageBoxRequest& request) {
    // Zero-terminated copies; an empty caption stays an empty one (none would read "Error").
    const std::string text(request.text);
    const std::string caption(request.caption);
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), request.style);
}

}  // namespace kavro
