// Loopback TCP for test servers on POSIX sockets.
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/support/loopback_socket.hpp"

namespace kavro::test {
namespace {

int fdOf(std::intptr_t handle) {
    return static_cast<int>(handle);
}

sockaddr_in loopback() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool readable(int fd, std::chrono::milliseconds wait) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(wait.count())) > 0;
}

}  // namespace

std::uint16_t freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = loopback();
    socklen_t length = sizeof a;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port = ntohs(a.sin_port);
    }
    ::close(fd);
    return port;
}

LoopbackConnection::LoopbackConnection(LoopbackConnection&& other) noexcept
    : handle_(other.handle_) {
    other.handle_ = kNone;
}

LoopbackConnection& LoopbackConnection::operator=(LoopbackConnection&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNone;
    }
    return *this;
}

LoopbackConnection::~LoopbackConnection() {
    close();
}

void LoopbackConnection::close() noexcept {
    if (handle_ != kNone) ::close(fdOf(handle_));
    handle_ = kNone;
}

long LoopbackConnection::receive(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) {
    if (!readable(fdOf(handle_), wait)) return 0;
    const ssize_t n = ::recv(fdOf(handle_), buffer.data(), buffer.size(), 0);
    return n > 0 ? static_cast<long>(n) : -1;
}

bool LoopbackConnection::sendAll(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(fdOf(handle_), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

LoopbackListener::LoopbackListener(int receiveBuffer) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    handle_ = fd;
    if (receiveBuffer > 0) {
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    sockaddr_in a = loopback();
    socklen_t length = sizeof a;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 1) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port_ = ntohs(a.sin_port);
    }
}

LoopbackListener::~LoopbackListener() {
    if (handle_ >= 0) ::close(fdOf(handle_));
}

LoopbackConnection LoopbackListener::accept(std::chrono::milliseconds wait) {
    if (port_ == 0 || !readable(fdOf(handle_), wait)) return {};
    const int fd = ::accept4(fdOf(handle_), nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return {};
    // Answers go out at once: a server's small replies would otherwise wait for the client's
    // delayed acknowledgement.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return LoopbackConnection(fd);
}

}  // namespace kavro::test
