// A device path opened as a Windows serial port.
#include <windows.h>

#include <system_error>

#include "kavro/line_open.hpp"
#include "kavro/serial_port.hpp"
#include "serial/device_line.hpp"

namespace kavro {
namespace {

// The SerialPort over a HANDLE this line opened and closes.
class DeviceLine final : public SerialLine {
  public:
    explicit DeviceLine(HANDLE handle)
        : handle_(handle), port_(reinterpret_cast<NativeSerialHandle>(handle)) {}
    ~DeviceLine() override { CloseHandle(handle_); }
    DeviceLine(const DeviceLine&) = delete;
    DeviceLine& operator=(const DeviceLine&) = delete;

    LineResult readSettings(CommSettings& settings) override {
        return port_.readSettings(settings);
    }
    LineResult writeSettings(const CommSettings& settings) override {
        return port_.writeSettings(settings);
    }
    LineResult write(std::span<const std::uint8_t> bytes) override { return port_.write(bytes); }
    void pause(std::chrono::milliseconds duration) override { port_.pause(duration); }
    void setWriteDeadline(const WriteDeadline& deadline) override {
        port_.setWriteDeadline(deadline);
    }

  private:
    HANDLE handle_;
    SerialPort port_;
};

}  // namespace

std::unique_ptr<SerialLine> openDeviceLine(const std::string& path) {
    // COM10 and above are only reached through the device namespace; "\\.\COM1" works for all.
    const bool bareComName =
        path.size() > 3 && path.compare(0, 3, "COM") == 0 && path.find('\\') == std::string::npos;
    const std::string name = bareComName ? "\\\\.\\" + path : path;
    const HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw LineOpenError("cannot open " + path + ": " +
                            std::system_category().message(static_cast<int>(GetLastError())));
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        throw LineOpenError(path + " is not a serial line: " +
                            std::system_category().message(static_cast<int>(error)));
    }
    return std::make_unique<DeviceLine>(handle);
}

}  // namespace kavro
