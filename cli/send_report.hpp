// Turning an encoder's refusal into the tool's one-line reason.
#pragma once

#include <string>

#include "kavro/encoder.hpp"
#include "kavro/host_error.hpp"

namespace kavro::cli {

// "protocol 99 has no row in table Protocol", "protocol 2 in table Protocol: no field Up", ...
std::string refusalText(int protocolId, const std::string& table, const SendResult& result);
std::string frameTooShortText(int protocolId, const std::string& table,
                              const DynArrayOutOfRange& error);

}  // namespace kavro::cli
