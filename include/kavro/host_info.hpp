// The computer's name, host and server addresses, and the system information record.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kavro {

// The computer's name (the system's host name); empty when it cannot be had.
std::string computerName();

// The local address: always the empty text. Hosts rely on that and no query is made.
std::string localAddress();

// The first IPv4 address of a host name or dotted address, as dotted decimal text. The empty
// name stands for this computer: it resolves to the first address of the computer's own name.
// Nothing when the name does not resolve (or holds a zero byte, which no host name can).
std::optional<std::string> resolveHostAddress(std::string_view name);

// resolveHostAddress, or the empty text.
std::string hostIP(std::string_view name);

using AddressResolver = std::function<std::optional<std::string>(std::string_view)>;

// The server fields of the host's system information record.
struct ServerFields {
    std::string address;  // ServerAddress: dotted text; input and output
    std::string name;     // ServerName: host name or dotted address; input
    bool resolved = false;
};

// Resolves the server's name into its address, unless the address is already known (not empty,
// whatever it holds) or there is no name: then nothing changes and the result is false. Otherwise
// `resolved` becomes whether the name resolved, `address` its dotted text when it did (it stays
// empty when not, so the next call tries again), and the result is true.
bool getServerIP(ServerFields& server, const AddressResolver& resolve = resolveHostAddress);

// What the system information record holds besides the server fields.
struct SystemInfo {
    std::string localAddress;
    std::string computerName;
    bool isVersion5 = false;
    std::uint16_t memoryMB = 0;
    std::uint16_t reserved = 0;
    bool isDisplay1024x768 = false;
    std::uint16_t bitsPerPixel = 0;
    std::uint16_t screenWidth = 0;
    std::uint16_t screenHeight = 0;
    bool fileListComplete = false;
};

// The current display mode of the default screen of the X server named by DISPLAY. Bits per
// pixel is that of the screen's pixel format (32 for the usual depth-24 true-colour screen).
// On Windows: EnumDisplaySettingsA's current mode.
struct DisplayMode {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bitsPerPixel = 0;
};

// The raw facts the record is made from.
struct PlatformFacts {
    std::string computerName;
    // True only on the operating-system generation whose major version number is 5 (Windows
    // 2000, XP, Server 2003, as GetVersionExA tells); never on other systems.
    bool isVersion5 = false;
    std::uint64_t physicalMemoryBytes = 0;
    std::optional<DisplayMode> display;  // nothing without a reachable X server
    bool fileListComplete = false;
};

// Total physical memory in MiB, rounded down. Amounts of 64 GiB and more read 65535, the most
// the record's 16-bit field can hold.
std::uint16_t memoryMiB(std::uint64_t bytes);

// True for 1024 x 768 at 16 or 32 bits per pixel.
bool isDisplay1024x768(std::uint16_t width, std::uint16_t height, std::uint16_t bitsPerPixel);

// Gathers the facts: host name, memory, display, the file list check ("FileList.Dat" in the
// current directory). On Windows through GetComputerNameA, GetVersionExA, GlobalMemoryStatus
// and EnumDisplaySettingsA.
PlatformFacts readPlatformFacts();

// The record's fields from the facts. The display fields are each kept in 16 bits; without a
// display they are zero and the 1024 x 768 flag is false.
SystemInfo systemInfoFrom(const PlatformFacts& facts);

// systemInfoFrom(readPlatformFacts()).
SystemInfo initSystemInfo();

}  // namespace kavro
