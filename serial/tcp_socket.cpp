// What the sockets of both systems share, on top of their per-system calls.
#include "serial/tcp_socket.hpp"

#include <array>

namespace kavro {

void TcpSocket::closeAfterDelivery(Clock::time_point deadline) noexcept {
    if (!isOpen()) return;
    shutdownSending();
    std::array<std::uint8_t, 512> dropped;
    try {
        while (Clock::now() < deadline) {
            if (receive(dropped, deadline) == 0) break;  // the deadline passed
        }
    } catch (const NetworkError&) {
        // The server closed its side (or the connection broke): nothing more to wait for.
    }
    close();
}

}  // namespace kavro
