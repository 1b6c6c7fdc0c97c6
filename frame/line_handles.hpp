// The serial handles of the C interface. A handle is either the host's own open port (a file
// descriptor, a Windows HANDLE) or one of the lines kavro_line_open opened: those are numbered
// from kFirstOpenedLine downwards, below any descriptor or real Windows handle (which are not
// negative, but for the pseudo-handles -1 to -6), and never reused within a process.
#pragma once

#include <memory>

#include "kavro/kavro_public.h"
#include "kavro/serial_port.hpp"

namespace kavro {

constexpr NativeSerialHandle kFirstOpenedLine = -1024;

// A C handle as a number, and back: the POSIX handle is one already, the Windows HANDLE a
// pointer.
inline NativeSerialHandle numberOf(kavro_serial_handle handle) noexcept {
    return reinterpret_cast<NativeSerialHandle>(handle);
}
inline kavro_serial_handle handleOf(NativeSerialHandle number) noexcept {
    return reinterpret_cast<kavro_serial_handle>(number);
}

// Keeps an opened line under a new handle.
kavro_serial_handle keepLine(std::unique_ptr<SerialLine> line);
// Drops the line of a handle from kavro_line_open (closing it once no call uses it any more);
// false when the handle is none of those.
bool dropLine(kavro_serial_handle handle);

// The line a handle names, for the length of one call: an opened line (held even if another
// thread closes it meanwhile), or the host's port wrapped as a SerialPort.
class LineOfHandle {
  public:
    explicit LineOfHandle(kavro_serial_handle handle);
    SerialLine& operator*() noexcept { return held_ ? *held_ : port_; }

  private:
    std::shared_ptr<SerialLine> held_;
    SerialPort port_;
};

}  // namespace kavro
