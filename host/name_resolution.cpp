#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>

#include "kavro/host_info.hpp"

namespace kavro {
namespace {

std::optional<std::string> firstIPv4(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (::getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
        sockaddr_in address{};
        std::memcpy(&address, entry->ai_addr, sizeof address);
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text) == nullptr)
            return std::nullopt;
        return std::string(text);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> resolveHostAddress(std::string_view name) {
    try {
        if (name.find('\0') != std::string_view::npos) return std::nullopt;
        // The empty name means this computer, as it does to the original platform's resolver.
        if (name.empty()) {
            const std::string self = computerName();
            if (self.empty()) return std::nullopt;
            return firstIPv4(self);
        }
        return firstIPv4(std::string(name));
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace kavro
