// Opening a local serial device by its path, as the library's own line (closed when the line is
// deleted). One source per operating system, chosen by the build.
#pragma once

#include <memory>
#include <string>

#include "kavro/serial_line.hpp"

namespace kavro {

// Opens the device for reading and writing as a raw line: no echo, no line editing, no
// translation of the bytes sent; speed and framing stay as the device had them. Raises
// LineOpenError naming the path and the system's reason.
std::unique_ptr<SerialLine> openDeviceLine(const std::string& path);

}  // namespace kavro
