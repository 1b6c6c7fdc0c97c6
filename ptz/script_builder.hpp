// The step every table-driven encoder ends with: size the frame from the row, let the protocol's
// layout (if the ID has one) fill it and add its early writes, pauses and parity changes, then
// append the final write of the frame as it then stands.
#pragma once

#include <cstddef>

#include "kavro/wire_trace.hpp"
#include "ptz/command_frame.hpp"

namespace kavro {

// reservedEvents and reservedBytes are room for the protocol family's longest script beyond
// two copies of the frame, so that building one allocates once per vector (and not at all
// while it fits the trace's inline room). The script replaces what was in script; when the
// layout raises, script is left empty.
template <class Call>
void buildScriptInto(WireTrace& script, int length, const Call& call,
                     void (*layout)(const Call&, CommandFrame&, WireTrace&),
                     std::size_t reservedEvents, std::size_t reservedBytes) {
    CommandFrame frame;
    frame.setLength(length);
    script.clear();
    script.reserve(reservedEvents, 2 * static_cast<std::size_t>(length) + reservedBytes);
    try {
        if (layout != nullptr) layout(call, frame, script);
    } catch (...) {
        script.clear();  // a frame access outside the frame: no half-built script is left
        throw;
    }
    script.write(frame.bytes());
}

template <class Call>
WireTrace buildScript(int length, const Call& call,
                      void (*layout)(const Call&, CommandFrame&, WireTrace&),
                      std::size_t reservedEvents, std::size_t reservedBytes) {
    WireTrace script;
    buildScriptInto(script, length, call, layout, reservedEvents, reservedBytes);
    return script;
}

}  // namespace kavro
