// The Telnet layer of a network serial line: the byte codes, escaping of data, encoding of
// option negotiation and subnegotiation, and an incremental decoder of what the server sends.
// Pure functions and plain state: nothing here touches a socket.
//
// Wire format (Telnet):
//   data            bytes as they are, except 0xFF, which is sent doubled (IAC IAC)
//   negotiation     IAC verb option         verb WILL 251, WONT 252, DO 253, DONT 254
//   subnegotiation  IAC SB option payload IAC SE   (IAC 255, SB 250, SE 240); a 0xFF in the
//                   payload is doubled as in data
//   other commands  IAC code                (NOP 241, GA 249 and the like: ignored here)
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kavro::telnet {

constexpr std::uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                       kSe = 240;

// The options this line speaks.
constexpr std::uint8_t kBinary = 0, kEcho = 1, kSuppressGoAhead = 3, kComPort = 44;

using Bytes = std::vector<std::uint8_t>;

// Appends bytes to out with every 0xFF doubled.
void appendEscaped(Bytes& out, std::span<const std::uint8_t> bytes);
Bytes escaped(std::span<const std::uint8_t> bytes);

// IAC verb option.
Bytes negotiation(std::uint8_t verb, std::uint8_t option);
// IAC SB option payload IAC SE, the payload escaped.
Bytes subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload);

// One thing the decoder found in the server's stream.
struct Event {
    enum class Kind : std::uint8_t { Data, Negotiation, Subnegotiation };
    Kind kind;
    std::uint8_t verb = 0;    // Negotiation: WILL, WONT, DO, DONT
    std::uint8_t option = 0;  // Negotiation, Subnegotiation
    Bytes bytes;              // Data: the bytes (unescaped); Subnegotiation: the payload
};

// Decodes the server's stream as it arrives, in pieces cut anywhere: a command split between
// two reads is completed by the next. Other commands (NOP, GA, ...) are dropped; a
// subnegotiation longer than kMaxPayload is cut there (the rest of it is dropped).
class Decoder {
  public:
    static constexpr std::size_t kMaxPayload = 256;

    // The events that the bytes complete, in stream order; data runs are joined.
    std::vector<Event> feed(std::span<const std::uint8_t> bytes);

  private:
    enum class State : std::uint8_t { Data, Iac, Verb, SbOption, Sb, SbIac };
    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::uint8_t sbOption_ = 0;
    Bytes payload_;
};

// Who holds which option, by the rules of RFC 1143 kept simple: a request is answered only
// when it changes the option's state, so two ends never bounce a request between them.
//   local:  options we perform (the server asks with DO);  remote: options it performs (WILL).
class Negotiator {
  public:
    // The options we agree to: we perform binary, suppress-go-ahead and the com port option;
    // the server may perform binary, suppress-go-ahead and echo (we drop what it sends anyway).
    static bool localAllowed(std::uint8_t option) noexcept;
    static bool remoteAllowed(std::uint8_t option) noexcept;

    // What we send to ask for an option we perform (WILL), remembering that we asked.
    Bytes requestLocal(std::uint8_t option);
    // The answer to the server's verb for the option, if one is due.
    std::optional<Bytes> answer(std::uint8_t verb, std::uint8_t option);

    bool localEnabled(std::uint8_t option) const noexcept { return local_[option]; }
    bool remoteEnabled(std::uint8_t option) const noexcept { return remote_[option]; }
    // The server refused an option we asked for (DONT after our WILL).
    bool localRefused(std::uint8_t option) const noexcept { return refused_[option]; }

  private:
    std::array<bool, 256> local_{}, remote_{}, asked_{}, refused_{};
};

}  // namespace kavro::telnet
