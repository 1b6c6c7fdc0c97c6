// The three encoders as the line decoder calls them. Null for an ID without a layout.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "ptz/readback_model.hpp"

namespace kavro::readback {

std::unique_ptr<CallEncoder> decoderEncoder(int protocolId, int length,
                                            std::vector<std::string> names);
// speeds: the speed value S of each level 0 to 10.
std::unique_ptr<CallEncoder> domeEncoder(int protocolId, int length, std::vector<std::string> names,
                                         std::uint8_t stay, std::array<std::int32_t, 11> speeds);
std::unique_ptr<CallEncoder> switcherEncoder(int protocolId);

}  // namespace kavro::readback
