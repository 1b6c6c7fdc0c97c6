// The library's few questions to the X server that DISPLAY names. Every function opens its own
// connection and closes it before returning; without a reachable server each answers "none".
#pragma once

#include <optional>
#include <string_view>

#include "kavro/applications.hpp"
#include "kavro/host_info.hpp"

namespace kavro::x11 {

// The default screen's size and bits per pixel.
std::optional<DisplayMode> currentDisplayMode();

// True when the server accepts a connection.
bool displayReachable();

// Sends the close request to the first top-level window whose title (UTF-8) equals the given
// one without regard to letter case. See closeApplication.
CloseResult askWindowToClose(std::string_view utf8Title);

}  // namespace kavro::x11
