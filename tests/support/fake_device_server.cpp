#include "tests/support/fake_device_server.hpp"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace kavro::test {
namespace {

constexpr std::uint8_t kIac = 255, kSb = 250, kSe = 240, kWill = 251, kDo = 253, kDont = 254,
                       kComPort = 44;

void sendAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

// The server's answer (code + 100) with the value.
std::vector<std::uint8_t> ack(std::uint8_t code, std::uint32_t value) {
    std::vector<std::uint8_t> out{kIac, kSb, kComPort, static_cast<std::uint8_t>(code + 100)};
    if (code == 1) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    } else {
        out.push_back(static_cast<std::uint8_t>(value));
    }
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

}  // namespace

FakeDeviceServer::FakeDeviceServer(Behaviour behaviour) : behaviour_(behaviour) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (behaviour_ == Behaviour::ReadsSlowly) {
        // A small window, so the client's writes back up soon.
        const int small = 4096;
        ::setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    }
    socklen_t length = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length) != 0) {
        return;
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
}

FakeDeviceServer::~FakeDeviceServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

void FakeDeviceServer::serve() {
    int fd = -1;
    while (!stop_ && fd < 0) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    }
    if (fd < 0) return;

    // Commands of the client: IAC verb option, IAC SB 44 code value IAC SE (values without an
    // 0xFF, as the tests send them).
    std::vector<std::uint8_t> in;
    bool slowNow = false;
    while (!stop_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        if (slowNow) {
            std::uint8_t buffer[1024];
            if (::recv(fd, buffer, sizeof buffer, 0) <= 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        std::uint8_t buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        in.insert(in.end(), buffer, buffer + n);
        // A raw TCP client starts with data, not a negotiation: slow from the start.
        if (behaviour_ == Behaviour::ReadsSlowly && in.front() != kIac) slowNow = true;
        if (behaviour_ == Behaviour::NeverNegotiates || slowNow) {
            in.clear();
            continue;
        }
        std::size_t i = 0;
        while (i + 2 < in.size()) {
            if (in[i] != kIac) {
                ++i;
                continue;
            }
            if (in[i + 1] == kWill && in[i + 2] == kComPort) {
                sendAll(fd,
                        {kIac, behaviour_ == Behaviour::RefusesComPort ? kDont : kDo, kComPort});
                i += 3;
                continue;
            }
            if (in[i + 1] != kSb) {
                i += 3;
                continue;
            }
            // A subnegotiation: find its IAC SE.
            std::size_t end = i + 2;
            while (end + 1 < in.size() && !(in[end] == kIac && in[end + 1] == kSe))
                ++end;
            if (end + 1 >= in.size()) break;  // not complete yet
            const std::uint8_t code = in[i + 3];
            std::uint32_t value = 0;
            for (std::size_t k = i + 4; k < end; ++k)
                value = (value << 8) | in[k];
            const bool query = value == 0;
            const std::uint32_t current[] = {0, 9600, 8, 1, 1};
            if (query && code >= 1 && code <= 4) {
                sendAll(fd, ack(code, current[code]));
            } else if (behaviour_ == Behaviour::KeepsParityNone && code >= 1 && code <= 4) {
                sendAll(fd, ack(code, code == 3 ? 1 : value));
            }
            i = end + 2;
            if (query && code == 4 && behaviour_ == Behaviour::ReadsSlowly) slowNow = true;
        }
        in.erase(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(i));
    }
    ::close(fd);
}

}  // namespace kavro::test
