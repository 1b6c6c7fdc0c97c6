#include "kavro/protocol_layouts.hpp"

#include "ptz/decoder_protocols.hpp"
#include "ptz/dome_protocols.hpp"

namespace kavro {

std::optional<LayoutSummary> decoderLayoutSummary(int protocolId) noexcept {
    const DecoderProtocol* protocol = findDecoderProtocol(protocolId);
    if (protocol == nullptr) return std::nullopt;
    return LayoutSummary{protocol->frameLength, protocol->shape};
}

std::optional<LayoutSummary> domeLayoutSummary(int protocolId) noexcept {
    const DomeProtocol* protocol = findDomeProtocol(protocolId);
    if (protocol == nullptr) return std::nullopt;
    return LayoutSummary{protocol->frameLength, protocol->shape};
}

}  // namespace kavro
