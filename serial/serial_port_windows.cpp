// SerialPort on a Windows file HANDLE: the device-control block is the settings block itself.
#include <windows.h>

#include <string>

#include "kavro/serial_port.hpp"

namespace kavro {
namespace {
HANDLE handleOf(NativeSerialHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The system's text for the thread's last error.
std::string lastErrorText() {
    const DWORD code = GetLastError();
    char buffer[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "Windows error " + std::to_string(code) : text;
}
}  // namespace

LineResult SerialPort::readSettings(CommSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handleOf(handle_), &dcb)) return LineResult::failed(lastErrorText());
    settings.baudRate = dcb.BaudRate;
    settings.byteSize = dcb.ByteSize;
    settings.parity = dcb.Parity;
    settings.stopBits = dcb.StopBits;
    return {};
}

LineResult SerialPort::writeSettings(const CommSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handleOf(handle_), &dcb);
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.byteSize;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stopBits;
    if (!SetCommState(handleOf(handle_), &dcb)) return LineResult::failed(lastErrorText());
    return {};
}

LineResult SerialPort::write(std::span<const std::uint8_t> bytes) {
    DWORD written = 0;
    if (!WriteFile(handleOf(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr)) {
        return LineResult::failed(lastErrorText());
    }
    if (written != bytes.size()) {
        return LineResult::timedOut("timed out with " + std::to_string(written) + " of " +
                                    std::to_string(bytes.size()) + " bytes written");
    }
    return {};
}

LineResult SerialPort::drain() {
    if (!FlushFileBuffers(handleOf(handle_))) return LineResult::failed(lastErrorText());
    return {};
}

void SerialPort::pause(std::chrono::milliseconds duration) {
    Sleep(static_cast<DWORD>(duration.count()));
}

}  // namespace kavro
