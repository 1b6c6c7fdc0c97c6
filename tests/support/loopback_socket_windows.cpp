// Loopback TCP for test servers on Windows Sockets. The test process starts Windows Sockets for
// itself, once: its servers may listen before the library has made any connection.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "tests/support/loopback_socket.hpp"

namespace kavro::test {
namespace {

bool winsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET socketOf(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

sockaddr_in loopback() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool readable(SOCKET s, std::chrono::milliseconds wait) {
    fd_set read;
    FD_ZERO(&read);
    FD_SET(s, &read);
    const long millis = static_cast<long>(wait.count());
    timeval tv{millis / 1000, (millis % 1000) * 1000};
    return select(0, &read, nullptr, nullptr, &tv) > 0;
}

}  // namespace

std::uint16_t freeLoopbackPort() {
    if (!winsockStarted()) return 0;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a = loopback();
    int length = sizeof a;
    std::uint16_t port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port = ntohs(a.sin_port);
    }
    closesocket(s);
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
    if (handle_ != kNone) closesocket(socketOf(handle_));
    handle_ = kNone;
}

long LoopbackConnection::receive(std::span<std::uint8_t> buffer, std::chrono::milliseconds wait) {
    if (!readable(socketOf(handle_), wait)) return 0;
    const int size = buffer.size() > 0x10000 ? 0x10000 : static_cast<int>(buffer.size());
    const int n = recv(socketOf(handle_), reinterpret_cast<char*>(buffer.data()), size, 0);
    return n > 0 ? n : -1;
}

bool LoopbackConnection::sendAll(std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const int chunk = left > 0x10000 ? 0x10000 : static_cast<int>(left);
        const int n =
            send(socketOf(handle_), reinterpret_cast<const char*>(bytes.data() + done), chunk, 0);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

LoopbackListener::LoopbackListener(int receiveBuffer) {
    if (!winsockStarted()) return;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return;
    handle_ = static_cast<std::intptr_t>(s);
    if (receiveBuffer > 0) {
        // Accepted sockets take the listener's buffer sizes.
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                   sizeof receiveBuffer);
    }
    sockaddr_in a = loopback();
    int length = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(s, 1) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0) {
        port_ = ntohs(a.sin_port);
    }
}

LoopbackListener::~LoopbackListener() {
    if (handle_ != -1) closesocket(socketOf(handle_));
}

LoopbackConnection LoopbackListener::accept(std::chrono::milliseconds wait) {
    if (port_ == 0 || !readable(socketOf(handle_), wait)) return {};
    const SOCKET s = ::accept(socketOf(handle_), nullptr, nullptr);
    if (s == INVALID_SOCKET) return {};
    // Answers go out at once: a server's small replies would otherwise wait for the client's
    // delayed acknowledgement.
    const BOOL one = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return LoopbackConnection(static_cast<std::intptr_t>(s));
}

}  // namespace kavro::test
