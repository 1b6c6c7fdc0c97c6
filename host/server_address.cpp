// What the host's calls make of a name's resolution; the resolution itself is the platform's.
#include "kavro/host_info.hpp"

namespace kavro {

std::string hostIP(std::string_view name) {
    return resolveHostAddress(name).value_or("");
}

bool getServerIP(ServerFields& server, const AddressResolver& resolve) {
    if (!server.address.empty() || server.name.empty()) return false;
    server.resolved = false;
    if (std::optional<std::string> address = resolve(server.name); address && !address->empty()) {
        server.address = std::move(*address);
        server.resolved = true;
    }
    return true;
}

}  // namespace kavro
