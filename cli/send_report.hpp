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

// Runs an encoder call; a refusal, a row too short for its frame, or a line that failed a write
// or parity change (a device server gone away, say) becomes the tool's Failure.
template <class Send>
void sendOrFail(int protocolId, const std::string& table, Send&& send) {
    try {
        const SendResult result = send();
        if (!result.sent()) throw Failure(refusalText(protocolId, table, result));
        if (!result.line.ok()) throw Failure(result.line.text());
    } catch (const DynArrayOutOfRange& error) {
        throw Failure(frameTooShortText(protocolId, table, error));
    }
}

}  // namespace kavro::cli
