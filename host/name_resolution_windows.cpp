// Name resolution through Windows Sockets, started and cleaned up within each call.
#include <winsock2.h>

#include <cstring>

#include "kavro/host_info.hpp"

namespace kavro {
namespace {

constexpr WORD kVersion20 = MAKEWORD(2, 0);

// One WSAStartup, matched by its WSACleanup on every path out.
class SocketsStarted {
  public:
    SocketsStarted() : started_(WSAStartup(kVersion20, &data_) == 0) {}
    ~SocketsStarted() {
        if (started_) WSACleanup();
    }
    SocketsStarted(const SocketsStarted&) = delete;
    SocketsStarted& operator=(const SocketsStarted&) = delete;
    // Started, and granted version 2.0.
    bool usable() const { return started_ && data_.wVersion == kVersion20; }

  private:
    WSADATA data_{};
    bool started_;
};

}  // namespace

std::optional<std::string> resolveHostAddress(std::string_view name) {
    try {
        if (name.find('\0') != std::string_view::npos) return std::nullopt;
        // The empty name is passed on as it is: gethostbyname takes it for this computer.
        const std::string text(name);
        SocketsStarted sockets;
        if (!sockets.usable()) return std::nullopt;
        const hostent* host = gethostbyname(text.c_str());
        if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4 ||
            host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
            return std::nullopt;
        }
        in_addr address{};
        std::memcpy(&address, host->h_addr_list[0], sizeof address);  // network order
        const char* dotted = inet_ntoa(address);
        if (dotted == nullptr) return std::nullopt;
        return std::string(dotted);
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace kavro
