// RFC 2217, the Telnet com port option (44): the settings commands a client sends, the
// server's acknowledgements, and the values both use.
//
//   IAC SB 44 code value IAC SE        client to server; the server answers with code + 100
//   SET-BAUDRATE   1   four bytes, most significant first (0 asks for the current value)
//   SET-DATASIZE   2   one byte, 5 to 8 (0 asks)
//   SET-PARITY     3   1 none, 2 odd, 3 even, 4 mark, 5 space (0 asks)
//   SET-STOPSIZE   4   1 one, 2 two, 3 one and a half (0 asks)
// The server acknowledges with the value it now uses, which may differ from the one asked.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

#include "kavro/serial_line.hpp"
#include "serial/telnet_codec.hpp"

namespace kavro::comport {

enum class Setting : std::uint8_t { BaudRate = 1, DataSize = 2, Parity = 3, StopSize = 4 };
constexpr std::uint8_t kServerOffset = 100;

// Windows parity and stop-bit codes to the option's values and back; nullopt for a code that
// has none (a parity code above 4, say).
std::optional<std::uint8_t> rfcParity(std::uint8_t windowsCode) noexcept;
std::optional<std::uint8_t> windowsParity(std::uint8_t rfcValue) noexcept;
std::optional<std::uint8_t> rfcStopSize(std::uint8_t windowsCode) noexcept;
std::optional<std::uint8_t> windowsStopBits(std::uint8_t rfcValue) noexcept;

// One command, ready for the wire. value 0 asks for the current value.
telnet::Bytes command(Setting setting, std::uint32_t value);

// A server's acknowledgement: which setting, and the value it reports.
struct Ack {
    Setting setting;
    std::uint32_t value;
};
// The acknowledgement a com port subnegotiation payload (code and value) holds, if any.
std::optional<Ack> decodeAck(std::span<const std::uint8_t> payload) noexcept;

// The value of one setting in the option's terms; nullopt when the option cannot express it.
std::optional<std::uint32_t> valueOf(Setting setting, const CommSettings& settings) noexcept;
// Puts an acknowledged value into settings; false when the value means nothing for it.
bool apply(const Ack& ack, CommSettings& settings) noexcept;

// "parity mark", "9600 baud", ...: a setting's value for people.
std::string describe(Setting setting, std::uint32_t value);

// How long count characters take on the wire at these settings: a start bit, the data bits,
// the parity bit when there is one, and the stop bits.
std::chrono::microseconds wireTime(std::size_t count, const CommSettings& settings) noexcept;

}  // namespace kavro::comport
