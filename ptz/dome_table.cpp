// The dome dispatch table: protocol ID -> frame length -> layout.
#include <array>

#include "ptz/dome_protocols.hpp"

namespace kavro {
namespace {

constexpr int kOwn = DomeProtocol::kSetsOwnLength;

// Every other ID has no dome layout: its frame goes out as the row sized it, zeros.
constexpr DomeProtocol kProtocols[] = {
    {9, kOwn, domeStxLayout, "0x02 lead, byte sum; 5 bytes"},
    {11, 8, domeA0AfLayout, "Pelco P: 0xA0 ... 0xAF, exclusive-or; parameter in data 4"},
    {14, 9, domeA0NineLayout, "0xA0 0x01 lead, complement sum; parameter in byte 5"},
    {15, 4, domeFeFfLayout, "0xFE ... 0xFF, no address; parameter in byte 1"},
    {18, kOwn, domeMarkSpaceScanLayout,
     "address at mark parity, 0x77, digits; Scan up to 83 bytes"},
    {19, 7, domeF2Layout, "0xF2 sync, byte sum; parameter in byte 3"},
    {20, 11, domeA0ScanLayout, "0xA0 ... 0xAF, complement sum; Scan as a sequence of frames"},
    {22, 8, domeA0AfInnerLayout,
     "Pelco P shape, exclusive-or of bytes 1 to 5; parameter in data 4"},
    {23, 7, domeFfLayout, "Pelco D: 0xFF sync, byte sum; parameter in data 2"},
    {24, 8, domeA0AfLayout, "Pelco P: 0xA0 ... 0xAF, exclusive-or; parameter in data 4"},
    {27, 7, domeF6Layout, "0xF6 lead, 16-bit address, 7-bit sum"},
    {33, 6, domeAddressXorLayout, "address first, exclusive-or"},
    {37, 7, domeFfLayout, "Pelco D: 0xFF sync, byte sum; parameter in data 2"},
    {39, 9, domeF0FeLayout, "0xF0 ... 0xFE, byte sum"},
    {41, kOwn, dome83Layout, "0x83 lead, no address; 4 or 8 bytes"},
    {43, 3, domeMarkSpaceBytesLayout, "address at mark parity, sent byte by byte"},
    {44, 7, domeFfLayout, "Pelco D: 0xFF sync, byte sum; parameter in data 2"},
    {47, 8, domeA0AfLensLayout, "Pelco P shape, two command bytes, exclusive-or of bytes 1 to 5"},
    {49, 11, domeA0LensScanLayout, "0xA0 ... 0xAF, complement sum; Scan as a sequence of frames"},
    {50, 7, domeAddress16Layout, "0x86 lead, 16-bit address, 7-bit sum"},
    {51, kOwn, domeStxWideLayout, "0x02 lead, byte sum; 5 or 6 bytes"},
    {53, kOwn, domeAddress77Layout, "address, 0x77, 0x59, parameter digits, byte sum; 6 bytes"},
    {54, 7, domeA5Layout, "0xA5 lead, byte sum"},
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
