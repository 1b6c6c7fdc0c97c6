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

class ProtocolRow {
  public:
    explicit ProtocolRow(RecordSet& table) noexcept : table_(table) {}

    // The field's value as read; raises RowRefused when the row has no such field.
    Variant value(std::string_view field);
    // The command code: the field converted to 32 bits unsigned.
    std::uint32_t code(std::string_view field);
    // "Length", refused when negative or beyond CommandFrame::kMaxLength.
    int length();
    // The camera address plus "BaseAddress", by the host's variant addition, as 32 bits signed.
    std::int32_t wireAddress(std::int32_t camera);

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
