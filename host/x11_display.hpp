// The library's few questions to the X server that DISPLAY names. Every function opens its own
// connection and closes it before returning; without a reachable server, or without the X client
// library (libxcb, loaded on the first question), each answers "none".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kavro/applications.hpp"
#include "kavro/host_info.hpp"

namespace kavro::x11 {

// Why the X client library cannot be used (its loader's message), or empty when it can.
std::string libraryProblem();

// The default screen's size and bits per pixel.
std::optional<DisplayMode> currentDisplayMode();

// A connection held open for as long as the result lives; nothing when the server cannot be
// reached. A server that resets when its last client leaves cannot do so while it is held, so a
// program started on the display meanwhile finds it up.
std::shared_ptr<void> holdDisplay();

// Sends the close request to the first top-level window whose title (UTF-8) equals the given
// one without regard to letter case. See closeApplication.
CloseResult askWindowToClose(std::string_view utf8Title);

}  // namespace kavro::x11
