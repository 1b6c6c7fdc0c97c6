// What the sockets of both systems share, on top of their per-system calls.
#include "serial/tcp_socket.hpp"

#include <array>
#include <thread>

namespace kavro {

void TcpSocket::closeAfterDelivery(Clock::time_point leftWireBy, Clock::duration wait) noexcept {
    if (!isOpen()) return;
    std::this_thread::sleep_until(leftWireBy);
    shutdownSending();
    const Clock::time_point deadline = Clock::now() + wait;
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
