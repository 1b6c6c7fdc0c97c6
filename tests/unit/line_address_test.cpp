// Where a line is: device paths and the two URL forms, and the one-line reasons for the rest.
#include "serial/line_address.hpp"

#include <gtest/gtest.h>

namespace kavro {
namespace {

TEST(LineAddress, ParsesPathsAndUrls) {
    using Kind = LineAddress::Kind;
    struct Case {
        const char* text;
        Kind kind;
        const char* hostOrPath;
        std::uint16_t port;
        const char* normalised;
    } cases[] = {
        {"/dev/pts/3", Kind::Device, "/dev/pts/3", 0, "/dev/pts/3"},
        {"COM3", Kind::Device, "COM3", 0, "COM3"},
        {"tcp://192.168.1.20:4001", Kind::RawTcp, "192.168.1.20", 4001, "tcp://192.168.1.20:4001"},
        {"rfc2217://ts-1.example:2000", Kind::Rfc2217, "ts-1.example", 2000,
         "rfc2217://ts-1.example:2000"},
        {"RFC2217://[::1]:65535", Kind::Rfc2217, "::1", 65535, "rfc2217://[::1]:65535"},
        {"tcp://[fe80::1%eth0]:1", Kind::RawTcp, "fe80::1%eth0", 1, "tcp://[fe80::1%eth0]:1"},
    };
    for (const Case& c : cases) {
        const LineAddress a = parseLineAddress(c.text);
        EXPECT_EQ(a.kind, c.kind) << c.text;
        EXPECT_EQ(c.kind == Kind::Device ? a.path : a.host, c.hostOrPath) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
        EXPECT_EQ(a.text(), c.normalised) << c.text;
    }
}

TEST(LineAddress, RefusesMalformedUrlsWithTheReason) {
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"", "no device path or URL given"},
        {"socket://host:1", "unknown scheme socket://, expected tcp:// or rfc2217://"},
        {"tcp://host", "no port after the host"},
        {"tcp://host:", "no port after the host"},
        {"tcp://:2000", "no host"},
        {"tcp://host:0", "the port must be a number 1 to 65535"},
        {"tcp://host:65536", "the port must be a number 1 to 65535"},
        {"tcp://host:99999999999", "the port must be a number 1 to 65535"},
        {"tcp://host:20x0", "the port must be a number 1 to 65535"},
        {"tcp://host:2000/path", "the port must be a number 1 to 65535"},
        {"rfc2217://::1:2000", "an IPv6 address goes in brackets, as [::1]:2000"},
        {"rfc2217://[::1:2000", "an IPv6 address needs its closing ]"},
        {"rfc2217://[::1]2000", "no port after the host"},
        {"tcp://user@host:1", "the host holds a character it cannot"},
    };
    for (const Case& c : cases) {
        try {
            parseLineAddress(c.text);
            ADD_FAILURE() << c.text << " was taken";
        } catch (const LineAddressError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
                << c.text << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace kavro
