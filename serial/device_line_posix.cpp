// A device path opened as a termios line.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kavro/line_open.hpp"
#include "kavro/serial_port.hpp"
#include "serial/device_line.hpp"

namespace kavro {
namespace {

// The SerialPort over a descriptor this line opened and closes.
class DeviceLine final : public SerialLine {
  public:
    explicit DeviceLine(int fd) : fd_(fd), port_(fd) {}
    ~DeviceLine() override {
        port_.drain();  // bounded by the write deadline
        ::close(fd_);
    }
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
    int fd_;
    SerialPort port_;
};

}  // namespace

std::unique_ptr<SerialLine> openDeviceLine(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw LineOpenError("cannot open " + path + ": " + std::strerror(errno));
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        const int error = errno;
        ::close(fd);
        throw LineOpenError(path + " is not a serial line: " + std::strerror(error));
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &t);
    return std::make_unique<DeviceLine>(fd);
}

}  // namespace kavro
