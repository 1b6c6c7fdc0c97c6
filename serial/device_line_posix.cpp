// A device path opened as a termios line.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "kavro/line_open.hpp"
#include "kavro/serial_port.hpp"
#include "serial/device_line.hpp"
#include "serial/owned_port_line.hpp"

namespace kavro {
namespace {

void closeDescriptor(NativeSerialHandle fd) {
    ::close(static_cast<int>(fd));
}

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
    return std::make_unique<OwnedPortLine>(fd, closeDescriptor);
}

}  // namespace kavro
