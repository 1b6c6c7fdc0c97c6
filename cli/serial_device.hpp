// The serial device the tool opens for --port: held exclusively against the tool's other runs,
// made a raw line (no echo, no line editing, no translation of the bytes sent), and closed when
// the object goes, the bytes not yet sent discarded unless they were seen to leave (drained()).
// One file per operating system (serial_device_*.cpp).
#pragma once

#include <string>

#include "kavro/serial_port.hpp"

namespace kavro::cli {

class SerialDevice {
  public:
    // POSIX: a device path (/dev/ttyUSB0), held under an exclusive flock(2). Windows: a port
    // name (COM9, opened as \\.\COM9) or a device path, opened without sharing. Waits at most
    // lockWaitSeconds for another process's hold; raises Failure when it cannot be opened, is
    // held still, or is no serial line.
    SerialDevice(const std::string& name, double lockWaitSeconds);
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    NativeSerialHandle handle() const { return handle_; }
    // The bytes written have left: closing need not discard any.
    void drained() { drained_ = true; }

  private:
    NativeSerialHandle handle_;
    bool drained_ = false;
};

}  // namespace kavro::cli
