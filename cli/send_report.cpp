#include "cli/send_report.hpp"

namespace kavro::cli {

std::string refusalText(int protocolId, const std::string& table, const SendResult& result) {
    const std::string protocol = "protocol " + std::to_string(protocolId);
    if (result.refusal == Refusal::NoRow) return protocol + " has no row in table " + table;
    return protocol + " in table " + table + ": " + result.message;
}

std::string frameTooShortText(int protocolId, const std::string& table,
                              const DynArrayOutOfRange& error) {
    return "protocol " + std::to_string(protocolId) + " in table " + table +
           ": Length is too short for the protocol's frame (" + error.what() + ")";
}

}  // namespace kavro::cli
