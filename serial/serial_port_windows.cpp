// SerialPort on a Windows file HANDLE: the device-control block is the settings block itself.
//
// The write deadline goes to the port as its write time-out (COMMTIMEOUTS) for the length of
// one WriteFile, and the host's own time-outs are put back afterwards: WriteFile then ends when
// the deadline has passed, having written what the port took, which is reported as timed out.
// Waiting for queued bytes polls the port's output queue (ClearCommError) against the same
// deadline. Settings are not read back: a driver that accepted SetCommState has said what it
// keeps, and a read-back on some ports (a pseudo-terminal behind wine, say) does not report the
// parity that was set.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "kavro/serial_port.hpp"

namespace kavro {
namespace {

using Clock = std::chrono::steady_clock;

HANDLE handleOf(NativeSerialHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// The system's text for an error code.
std::string errorText(DWORD code) {
    char buffer[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.'))
        text.pop_back();
    return text.empty() ? "Windows error " + std::to_string(code) : text;
}

std::string lastErrorText() {
    return errorText(GetLastError());
}

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// The bytes still in the port's output queue; 0 when the port does not say.
DWORD queuedBytes(HANDLE port) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port, &errors, &status)) return 0;
    return status.cbOutQue;
}

// The port's write time-out set to `total` for as long as the object lives, the host's own
// time-outs back afterwards.
class WriteTimeout {
  public:
    WriteTimeout(HANDLE port, std::chrono::milliseconds total)
        : port_(port), saved_(GetCommTimeouts(port, &host_) != FALSE) {
        COMMTIMEOUTS bounded = host_;
        bounded.WriteTotalTimeoutMultiplier = 0;
        // 0 would mean no time-out at all.
        bounded.WriteTotalTimeoutConstant =
            static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(total.count(), 1));
        if (saved_) SetCommTimeouts(port_, &bounded);
    }
    ~WriteTimeout() {
        if (saved_) SetCommTimeouts(port_, &host_);
    }
    WriteTimeout(const WriteTimeout&) = delete;
    WriteTimeout& operator=(const WriteTimeout&) = delete;

  private:
    HANDLE port_;
    COMMTIMEOUTS host_{};
    bool saved_;
};

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
    // The bytes already queued go out with the settings they were written under.
    if (const LineResult drained = drain(); drained.isTimedOut()) return drained;
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
    if (bytes.empty()) return {};
    HANDLE port = handleOf(handle_);
    CommSettings current;
    readSettings(current);  // for the wire time; the defaults when the port does not say
    const auto start = Clock::now();
    DWORD written = 0;
    BOOL done = FALSE;
    DWORD error = 0;
    {
        const WriteTimeout timeout(port, deadline_.allowance(bytes.size(), current));
        done = WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        error = GetLastError();
    }
    if (!done) return LineResult::failed(errorText(error));
    if (written != bytes.size()) {
        return LineResult::timedOut("timed out after " + std::to_string(millisSince(start)) +
                                    " ms with " + std::to_string(written) + " of " +
                                    std::to_string(bytes.size()) + " bytes written");
    }
    return {};
}

LineResult SerialPort::drain() {
    HANDLE port = handleOf(handle_);
    CommSettings current;
    if (const LineResult read = readSettings(current); !read) return read;
    DWORD queued = queuedBytes(port);
    const auto start = Clock::now();
    const auto deadline = start + deadline_.allowance(queued, current);
    while (queued > 0) {
        if (Clock::now() >= deadline) {
            return LineResult::timedOut("timed out after " + std::to_string(millisSince(start)) +
                                        " ms with " + std::to_string(queued) +
                                        " bytes still queued");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        queued = queuedBytes(port);
    }
    return {};
}

void SerialPort::pause(std::chrono::milliseconds duration) {
    Sleep(static_cast<DWORD>(duration.count()));
}

}  // namespace kavro
