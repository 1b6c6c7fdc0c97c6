// The operating system's serial port behind the SerialLine interface. It borrows the handle the
// host opened (a file descriptor on POSIX, a file HANDLE on Windows) and never closes it.
//
// POSIX: settings map to termios. Mark and space parity need CMSPAR (PARENB|CMSPAR, with PARODD
// for mark); settings termios cannot express (an unknown speed, data bits outside 5 to 8, one and
// a half stop bits with more than 5 data bits, mark or space without CMSPAR, a parity code above
// 4) fail writeSettings and leave the port unchanged. Settings are applied after the bytes
// already queued have gone out, so a parity change never lands in the middle of them, and are
// read back: a device that silently kept something else fails the change.
//
// Writes and that wait for queued bytes are bounded by the deadline (by default four times the
// bytes' wire time plus a second). For the length of a write the descriptor is switched to
// non-blocking and back, so that a blocking handle of the host's cannot hold the call past it.
//
// Windows: the settings are the port's DCB (GetCommState, SetCommState), not read back; the
// deadline is the port's write time-out (COMMTIMEOUTS) for the length of each WriteFile, the
// host's own time-outs put back after it; queued bytes are polled with ClearCommError.
#pragma once

#include <cstdint>

#include "kavro/serial_line.hpp"

namespace kavro {

using NativeSerialHandle = std::intptr_t;

class SerialPort final : public SerialLine {
  public:
    explicit SerialPort(NativeSerialHandle handle) noexcept : handle_(handle) {}
    // A Windows HANDLE, a pointer.
    explicit SerialPort(void* handle) noexcept
        : handle_(reinterpret_cast<NativeSerialHandle>(handle)) {}

    LineResult readSettings(CommSettings& settings) override;
    LineResult writeSettings(const CommSettings& settings) override;
    LineResult write(std::span<const std::uint8_t> bytes) override;
    void pause(std::chrono::milliseconds duration) override;
    void setWriteDeadline(const WriteDeadline& deadline) override { deadline_ = deadline; }

    // Waits, within the deadline for what is queued, until the bytes written have left.
    LineResult drain();

    NativeSerialHandle handle() const noexcept { return handle_; }

  private:
    NativeSerialHandle handle_;
    WriteDeadline deadline_;
};

}  // namespace kavro
