#include "serial/line_address.hpp"

#include <algorithm>
#include <cctype>
#include <string>

namespace kavro {
namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::uint16_t parsePort(std::string_view url, std::string_view digits) {
    if (digits.empty()) throw LineAddressError(std::string(url) + ": no port after the host");
    std::uint32_t port = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9' || port > 65535) {
            throw LineAddressError(std::string(url) + ": the port must be a number 1 to 65535");
        }
        port = port * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (port == 0 || port > 65535) {
        throw LineAddressError(std::string(url) + ": the port must be a number 1 to 65535");
    }
    return static_cast<std::uint16_t>(port);
}

}  // namespace

std::string endpointText(const std::string& host, std::uint16_t port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string LineAddress::text() const {
    if (kind == Kind::Device) return path;
    return (kind == Kind::RawTcp ? "tcp://" : "rfc2217://") + endpointText(host, port);
}

LineAddress parseLineAddress(std::string_view text) {
    LineAddress address;
    const std::size_t sep = text.find("://");
    if (sep == std::string_view::npos) {
        if (text.empty()) throw LineAddressError("no device path or URL given");
        address.path = std::string(text);
        return address;
    }
    const std::string scheme = lower(text.substr(0, sep));
    if (scheme == "tcp") {
        address.kind = LineAddress::Kind::RawTcp;
    } else if (scheme == "rfc2217") {
        address.kind = LineAddress::Kind::Rfc2217;
    } else {
        throw LineAddressError(std::string(text) + ": unknown scheme " + scheme +
                               "://, expected tcp:// or rfc2217://");
    }
    const std::string_view rest = text.substr(sep + 3);
    std::string_view host, port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            throw LineAddressError(std::string(text) + ": an IPv6 address needs its closing ]");
        }
        host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (after.empty() || after.front() != ':') {
            throw LineAddressError(std::string(text) + ": no port after the host");
        }
        port = after.substr(1);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            throw LineAddressError(std::string(text) + ": no port after the host");
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            throw LineAddressError(std::string(text) +
                                   ": an IPv6 address goes in brackets, as [::1]:2000");
        }
    }
    if (host.empty()) throw LineAddressError(std::string(text) + ": no host");
    if (host.find_first_of("/?#@ ") != std::string_view::npos) {
        throw LineAddressError(std::string(text) + ": the host holds a character it cannot");
    }
    address.host = std::string(host);
    address.port = parsePort(text, port);
    return address;
}

}  // namespace kavro
