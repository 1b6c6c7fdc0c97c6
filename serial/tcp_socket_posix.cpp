// TcpSocket on POSIX sockets: non-blocking descriptors, poll() for every wait.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "serial/line_address.hpp"
#include "serial/tcp_socket.hpp"

namespace kavro {
namespace {

using Clock = TcpSocket::Clock;

int millisUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return 0;
    return left.count() > 1000000 ? 1000000 : static_cast<int>(left.count());
}

// Waits for events on fd until the deadline: the events that came, 0 when the time ran out.
short waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, millisUntil(deadline));
        if (n > 0) return p.revents;
        if (n == 0) return 0;
        if (errno != EINTR) return POLLERR;
    }
}

std::string reasonOf(int error) {
    return std::strerror(error);
}

int socketError(int fd) {
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
    return error;
}

}  // namespace

TcpSocket TcpSocket::connect(const std::string& host, std::uint16_t port,
                             std::chrono::milliseconds timeout) {
    const std::string where = endpointText(host, port);
    const auto deadline = Clock::now() + timeout;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        if (rc == EAI_NONAME || rc == EAI_NODATA || rc == EAI_FAIL || rc == EAI_AGAIN) {
            throw NetworkError("unknown host " + host + " (" + ::gai_strerror(rc) + ")");
        }
        throw NetworkError("cannot look up " + host + ": " + ::gai_strerror(rc));
    }

    std::string lastReason = "no address";
    bool timedOut = false;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            lastReason = reasonOf(errno);
            continue;
        }
        TcpSocket candidate(fd);
        if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) {
                lastReason = reasonOf(errno);
                continue;
            }
            const short events = waitFor(fd, POLLOUT, deadline);
            if (events == 0) {
                lastReason = "no answer within " + std::to_string(timeout.count()) + " ms";
                timedOut = true;
                continue;
            }
            const int error = socketError(fd);
            if (error != 0) {
                lastReason = reasonOf(error);
                continue;
            }
        }
        // Frames are small and their timing matters: send each write at once.
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ::freeaddrinfo(found);
        return candidate;
    }
    ::freeaddrinfo(found);
    throw NetworkError("cannot connect to " + where + ": " + lastReason, timedOut);
}

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : handle_(other.handle_) {
    other.handle_ = kNoSocket;
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNoSocket;
    }
    return *this;
}

TcpSocket::~TcpSocket() {
    close();
}

void TcpSocket::shutdownSending() noexcept {
    if (handle_ != kNoSocket) ::shutdown(static_cast<int>(handle_), SHUT_WR);
}

void TcpSocket::close() noexcept {
    if (handle_ != kNoSocket) {
        ::close(static_cast<int>(handle_));
        handle_ = kNoSocket;
    }
}

void TcpSocket::sendAll(std::span<const std::uint8_t> bytes, Clock::time_point deadline) {
    if (!isOpen()) throw NetworkError("the connection to the device server is closed");
    const int fd = static_cast<int>(handle_);
    std::size_t done = 0;
    while (done < bytes.size()) {
        // MSG_NOSIGNAL: a server gone away is an error here, not a SIGPIPE for the host.
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const short events = waitFor(fd, POLLOUT, deadline);
            if (events == 0) {
                throw NetworkError("the device server took " + std::to_string(done) + " of " +
                                       std::to_string(bytes.size()) +
                                       " bytes before the write deadline",
                                   true);
            }
            continue;
        }
        const int error = n < 0 ? errno : EIO;
        if (error == EPIPE || error == ECONNRESET) {
            throw NetworkError("the device server closed the connection");
        }
        throw NetworkError("cannot send to the device server: " + reasonOf(error));
    }
}

std::size_t TcpSocket::receive(std::span<std::uint8_t> buffer, Clock::time_point deadline) {
    if (!isOpen()) throw NetworkError("the connection to the device server is closed");
    const int fd = static_cast<int>(handle_);
    for (;;) {
        const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n > 0) return static_cast<std::size_t>(n);
        if (n == 0) throw NetworkError("the device server closed the connection");
        if (errno == EINTR) continue;
        if (errno == ECONNRESET) throw NetworkError("the device server closed the connection");
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            throw NetworkError("cannot read from the device server: " + reasonOf(errno));
        }
        if (waitFor(fd, POLLIN, deadline) == 0) return 0;
    }
}

}  // namespace kavro
