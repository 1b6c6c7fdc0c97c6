#include <windows.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "cli/command.hpp"
#include "cli/serial_device.hpp"

namespace kavro::cli {
namespace {

// COM1 to COM9 open by their names, COM10 and above only through the device namespace: a bare
// port name is opened as \\.\NAME, which serves them all.
std::string devicePath(const std::string& name) {
    const bool hasPath = name.find_first_of("\\/:") != std::string::npos;
    return hasPath ? name : "\\\\.\\" + name;
}

std::string messageOf(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : "error " + std::to_string(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

}  // namespace

SerialDevice::SerialDevice(const std::string& name, double lockWaitSeconds) {
    using Clock = std::chrono::steady_clock;
    const std::string path = devicePath(name);
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(lockWaitSeconds));
    // A port opens for one handle at a time: another process holding it is waited for.
    HANDLE handle = INVALID_HANDLE_VALUE;
    while ((handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr)) == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const bool held = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
        if (!held) throw Failure("cannot open " + path + ": " + messageOf(error));
        if (Clock::now() >= deadline) {
            char shown[32];
            std::snprintf(shown, sizeof shown, "%g", lockWaitSeconds);
            throw Failure(path + " is in use by another process (still held after " + shown +
                          " s; see --lock-wait)");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // A raw line: binary transfer, no flow control, no character replacement.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb)) {
        const DWORD error = GetLastError();
        CloseHandle(handle);
        throw Failure(path + " is not a serial line: " + messageOf(error));
    }
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    SetCommState(handle, &dcb);
    handle_ = reinterpret_cast<NativeSerialHandle>(handle);
}

SerialDevice::~SerialDevice() {
    HANDLE handle = reinterpret_cast<HANDLE>(handle_);
    // Bytes a stuck line never took would hold the close.
    if (!drained_) PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
    CloseHandle(handle);
}

}  // namespace kavro::cli
