// Reading a protocol row under the encoders' guard: every failure of the host objects becomes a
// RowRefused carrying the SendResult to return, so no half-read row ever reaches a layout.
#pragma once

#include <cstdint>
#include <string_view>

#include "kavro/encoder.hpp"
#include "kavro/host_error.hpp"
#include "kavro/record_set.hpp"

namespace kavro {

struct RowRefused {
    SendResult result;
};

// Positions the table on the row of protocolId; false (with the refusal filled in) if there is
// none or the table cannot be searched.
bool locateProtocolRow(RecordSet& table, int protocolId, SendResult& refusal);

// A refusal for a failure of the host objects while reading the named field.
SendResult refusalFor(const HostError& error, std::string_view field);

// Whether a field of a protocol table holds command codes: every field but ID, Length,
// BaseAddress, the dome's StayTime, Slowest and Fastest, and a Name column naming the row.
bool isCommandField(std::string_view name);

// The dome's speed value S for a speed level on the scale on which 0 stands for Slowest and 10
// for Fastest, by the host's variant arithmetic:
//   D = Fastest - Slowest; E = D * level; F = E / 10.0 (a real division);
//   R = F as a 32-bit signed integer (nearest, an exact half to the even neighbour);
//   S = R + Slowest as a 32-bit signed integer.
// Nothing clamps the level: beyond 0..10 it extrapolates. Raises HostError when a value is no
// number or a result does not fit 32 bits.
std::int32_t speedValue(const Variant& slowest, const Variant& fastest, std::int32_t level);

class ProtocolRow {
  public:
    explicit ProtocolRow(RecordSet& table) noexcept : table_(table) {}

    // The field's value as read; raises RowRefused when the row has no such field.
    Variant value(std::string_view field);
    // The command code: the field converted to 32 bits unsigned.
    std::uint32_t code(std::string_view field);
    // The code of the named command: code(command), except that an empty name is refused as
    // such, and a name the row has no field of is refused with the command fields it has.
    std::uint32_t commandCode(std::string_view command);
    // "Length", refused when negative or beyond CommandFrame::kMaxLength (also when beyond 32
    // bits, which a 32-bit conversion would wrap).
    int length();
    // The camera address plus "BaseAddress", by the host's variant addition, as 32 bits signed.
    // A sum beyond 32 bits is the camera's refusal when BaseAddress alone fits, else the field's.
    std::int32_t wireAddress(std::int32_t camera);
    // The dome's stay time T: "StayTime" as 8 bits unsigned (0 to 255, else refused).
    std::uint8_t stayTime();
    // The dome's speed value S for the level: reads "Slowest", "Fastest" and "Slowest" again, in
    // that order, and refuses a speed value that does not fit 32 bits.
    std::int32_t speed(std::int32_t level);

    // Runs a conversion of a value read from field, turning a host failure into a refusal.
    template <class Convert>
    auto convert(std::string_view field, Convert&& conversion) -> decltype(conversion()) {
        try {
            return conversion();
        } catch (const HostError& error) {
            throw RowRefused{refusalFor(error, field)};
        }
    }

  private:
    RecordSet& table_;
};

}  // namespace kavro
