// Turning an encoder's refusal into the tool's one-line reason.
#pragma once

#include <string>

#include "cli/command.hpp"
#include "kavro/encoder.hpp"
#include "kavro/host_error.hpp"

namespace kavro::cli {

// "protocol 99 has no row in table Protocol", "protocol 2 in table Protocol: no field Up", ...
std::string refusalText(int protocolId, const std::string& table, const SendResult& result);
std::string frameTooShortText(int protocolId, const std::string& table,
                              const DynArrayOutOfRange& error);

// Runs an encoder call; a refusal or a row too short for its frame becomes the tool's Failure.
// What the line made of a sent command (a write a device server never took, say) is returned
// for the caller to report.
template <class Send>
LineOutcome sendOrFail(int protocolId, const std::string& table, Send&& send) {
    try {
        SendResult result = send();
        if (!result.sent()) throw Failure(refusalText(protocolId, table, result));
        return std::move(result.line);
    } catch (const DynArrayOutOfRange& error) {
        throw Failure(frameTooShortText(protocolId, table, error));
    }
}

}  // namespace kavro::cli
