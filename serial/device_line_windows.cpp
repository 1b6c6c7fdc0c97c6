// A device path opened as a Windows serial port.
#include <windows.h>

#include <system_error>

#include "kavro/line_open.hpp"
#include "kavro/serial_port.hpp"
#include "serial/device_line.hpp"
#include "serial/owned_port_line.hpp"

namespace kavro {
namespace {

void closePort(NativeSerialHandle handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

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
    return std::make_unique<OwnedPortLine>(reinterpret_cast<NativeSerialHandle>(handle), closePort);
}

}  // namespace kavro
