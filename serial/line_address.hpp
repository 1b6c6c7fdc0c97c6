// Where a serial line is: a local device path, or a serial port of a device server reached as
//   tcp://HOST:PORT       raw TCP: the bytes as they are, the server's port settings its own
//   rfc2217://HOST:PORT   Telnet with the com port option: the settings travel too
// HOST is a name, an IPv4 address, or an IPv6 address in brackets ([::1]); PORT is 1 to 65535.
// The scheme is matched without regard to case. Text without "://" is a device path.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kavro {

struct LineAddress {
    enum class Kind : std::uint8_t { Device, RawTcp, Rfc2217 };
    Kind kind = Kind::Device;
    std::string path;  // Device
    std::string host;  // RawTcp, Rfc2217: without the brackets of an IPv6 address
    std::uint16_t port = 0;

    // "tcp://[::1]:2000" or the device path: the address as the user wrote it, normalised.
    std::string text() const;
};

// A URL that is not one of the forms above; what() says what is wrong, in one line.
class LineAddressError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

LineAddress parseLineAddress(std::string_view urlOrPath);

// "host:port", with an IPv6 host in brackets: how a server is named in messages.
std::string endpointText(const std::string& host, std::uint16_t port);

}  // namespace kavro
