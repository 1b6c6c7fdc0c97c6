// The decoder dispatch table: protocol ID -> frame length -> layout.
#include <array>

#include "ptz/decoder_protocols.hpp"

namespace kavro {
namespace {

constexpr DecoderProtocol kProtocols[] = {
    {2, 2, addressCodeLayout},
    {3, 2, addressCodeLayout},
    {6, 2, addressCodeLayout},
    {26, 2, addressCodeLayout},
};

constexpr int kHighestId = 54;

constexpr auto kById = [] {
    std::array<const DecoderProtocol*, kHighestId + 1> byId{};
    for (const DecoderProtocol& p : kProtocols)
        byId[static_cast<std::size_t>(p.id)] = &p;
    return byId;
}();

}  // namespace

const DecoderProtocol* findDecoderProtocol(int id) noexcept {
    return id < 0 || id > kHighestId ? nullptr : kById[static_cast<std::size_t>(id)];
}

std::span<const DecoderProtocol> decoderProtocols() noexcept {
    return kProtocols;
}

}  // namespace kavro
