// The step every table-driven encoder ends with: size the frame from the row, let the protocol's
// layout (if the ID has one) fill it and add its early writes, pauses and parity changes, then
// append the final write of the frame as it then stands.
#pragma once

#include <cstddef>

#include "kavro/wire_trace.hpp"
#include "ptz/command_frame.hpp"

namespace kavro {

// reservedEvents and reservedBytes are room for the protocol family's longest script beyond
// two copies of the frame, so that building one allocates once per vector.
template <class Call>
WireTrace buildScript(int length, const Call& call,
                      void (*layout)(const Call&, CommandFrame&, WireTrace&),
                      std::size_t reservedEvents, std::size_t reservedBytes) {
    CommandFrame frame;
    frame.setLength(length);
    WireTrace script;
    script.reserve(reservedEvents, 2 * static_cast<std::size_t>(length) + reservedBytes);
    if (layout != nullptr) layout(call, frame, script);
    script.write(frame.bytes());
    return script;
}

}  // namespace kavro
