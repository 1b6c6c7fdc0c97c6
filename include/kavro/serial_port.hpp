// The operating system's serial port behind the SerialLine interface. It borrows the handle the
// host opened (a file descriptor on POSIX, a file HANDLE on Windows) and never closes it.
//
// POSIX: settings map to termios. Mark and space parity need CMSPAR (PARENB|CMSPAR, with PARODD
// for mark); settings termios cannot express (an unknown speed, data bits outside 5 to 8, one and
// a half stop bits with more than 5 data bits, mark or space without CMSPAR, a parity code above
// 4) make writeSettings return false and leave the port unchanged. Settings are applied after
// the bytes already queued have gone out, so a parity change never lands in the middle of them.
#pragma once

#include <cstdint>

#include "kavro/serial_line.hpp"

namespace kavro {

using NativeSerialHandle = std::intptr_t;

class SerialPort final : public SerialLine {
  public:
    explicit SerialPort(NativeSerialHandle handle) noexcept : handle_(handle) {}

    bool readSettings(CommSettings& settings) override;
    bool writeSettings(const CommSettings& settings) override;
    bool write(std::span<const std::uint8_t> bytes) override;
    void pause(std::chrono::milliseconds duration) override;

    NativeSerialHandle handle() const noexcept { return handle_; }

  private:
    NativeSerialHandle handle_;
};

}  // namespace kavro
