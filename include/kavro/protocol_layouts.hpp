// What the library itself holds of a protocol: its frame layout, one for the decoder encoder
// and one for the dome encoder, registered by protocol ID. For tools that show a table's rows
// beside the frames they drive.
#pragma once

#include <optional>
#include <string_view>

namespace kavro {

struct LayoutSummary {
    // The Length a row of this ID must have; 0 when the layout sets its frame's length itself.
    int frameLength;
    // The frame in a few words: "Pelco D: 0xFF sync, byte sum".
    std::string_view shape;
};

// Empty for an ID without a layout of that encoder (its frame would go out unset).
std::optional<LayoutSummary> decoderLayoutSummary(int protocolId) noexcept;
std::optional<LayoutSummary> domeLayoutSummary(int protocolId) noexcept;

}  // namespace kavro
