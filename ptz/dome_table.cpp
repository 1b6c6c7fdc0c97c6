// The dome dispatch table: protocol ID -> frame length -> layout.
#include <array>

#include "ptz/dome_protocols.hpp"

namespace kavro {
namespace {

constexpr int kOwn = DomeProtocol::kSetsOwnLength;

// Every other ID has no dome layout: its frame goes out as the row sized it, zeros.
constexpr DomeProtocol kProtocols[] = {
    {9, kOwn, domeStxLayout},
    {11, 8, domeA0AfLayout},
    {14, 9, domeA0NineLayout},
    {15, 4, domeFeFfLayout},
    {18, kOwn, domeMarkSpaceScanLayout},
    {19, 7, domeF2Layout},
    {20, 11, domeA0ScanLayout},
    {22, 8, domeA0AfInnerLayout},
    {23, 7, domeFfLayout},
    {24, 8, domeA0AfLayout},
    {27, 7, domeF6Layout},
    {33, 6, domeAddressXorLayout},
    {37, 7, domeFfLayout},
    {39, 9, domeF0FeLayout},
    {41, kOwn, dome83Layout},
    {43, 3, domeMarkSpaceBytesLayout},
    {44, 7, domeFfLayout},
    {47, 8, domeA0AfLensLayout},
    {49, 11, domeA0LensScanLayout},
    {50, 7, domeAddress16Layout},
    {51, kOwn, domeStxWideLayout},
    {53, kOwn, domeAddress77Layout},
    {54, 7, domeA5Layout},
};

constexpr int kHighestId = 54;

constexpr auto kById = [] {
    std::array<const DomeProtocol*, kHighestId + 1> byId{};
    for (const DomeProtocol& p : kProtocols)
        byId[static_cast<std::size_t>(p.id)] = &p;
    return byId;
}();

}  // namespace

const DomeProtocol* findDomeProtocol(int id) noexcept {
    return id < 0 || id > kHighestId ? nullptr : kById[static_cast<std::size_t>(id)];
}

std::span<const DomeProtocol> domeProtocols() noexcept {
    return kProtocols;
}

}  // namespace kavro
