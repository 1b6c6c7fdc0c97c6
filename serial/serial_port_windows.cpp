// SerialPort on a Windows file HANDLE: the device-control block is the settings block itself.
#include <windows.h>

#include "kavro/serial_port.hpp"

namespace kavro {
namespace {
HANDLE handleOf(NativeSerialHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}
}  // namespace

bool SerialPort::readSettings(CommSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handleOf(handle_), &dcb)) return false;
    settings.baudRate = dcb.BaudRate;
    settings.byteSize = dcb.ByteSize;
    settings.parity = dcb.Parity;
    settings.stopBits = dcb.StopBits;
    return true;
}

bool SerialPort::writeSettings(const CommSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(handleOf(handle_), &dcb);
    dcb.BaudRate = settings.baudRate;
    dcb.ByteSize = settings.byteSize;
    dcb.Parity = settings.parity;
    dcb.StopBits = settings.stopBits;
    return SetCommState(handleOf(handle_), &dcb) != FALSE;
}

bool SerialPort::write(std::span<const std::uint8_t> bytes) {
    DWORD written = 0;
    return WriteFile(handleOf(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) != FALSE &&
           written == bytes.size();
}

void SerialPort::pause(std::chrono::milliseconds duration) {
    Sleep(static_cast<DWORD>(duration.count()));
}

}  // namespace kavro
