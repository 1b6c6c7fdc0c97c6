// TcpSocket on Windows Sockets: non-blocking sockets, select() for every wait (WSAPoll does not
// report a failed connect on older systems).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

#include "serial/line_address.hpp"
#include "serial/tcp_socket.hpp"

namespace kavro {
namespace {

using Clock = TcpSocket::Clock;

// Windows Sockets is started once per process, on first use, and left to the process's end.
void startWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw NetworkError("Windows Sockets cannot be started");
}

SOCKET socketOf(std::intptr_t handle) {
    return static_cast<SOCKET>(handle);
}

// A Windows Sockets error in the words of the POSIX build, so that a line fails with the same
// reason on every system: the C++ library's own table knows only a few of these codes ("Unknown
// error code" for the rest), and FormatMessage would answer in the installation's language.
std::string reasonOf(int error) {
    struct Reason {
        int code;
        const char* text;
    };
    static constexpr Reason kReasons[] = {
        {WSAECONNREFUSED, "Connection refused"},
        {WSAETIMEDOUT, "Connection timed out"},
        {WSAENETUNREACH, "Network is unreachable"},
        {WSAEHOSTUNREACH, "No route to host"},
        {WSAENETDOWN, "Network is down"},
        {WSAEHOSTDOWN, "Host is down"},
        {WSAECONNRESET, "Connection reset by peer"},
        {WSAECONNABORTED, "Software caused connection abort"},
        {WSAENETRESET, "Network dropped connection on reset"},
        {WSAEADDRNOTAVAIL, "Cannot assign requested address"},
        {WSAEAFNOSUPPORT, "Address family not supported by protocol"},
        {WSAEACCES, "Permission denied"},
        {WSAENOBUFS, "No buffer space available"},
        {WSAEMFILE, "Too many open files"},
        // getaddrinfo's answers, as gai_strerror words them.
        {WSAHOST_NOT_FOUND, "Name or service not known"},
        {WSATRY_AGAIN, "Temporary failure in name resolution"},
        {WSANO_DATA, "No address associated with hostname"},
        {WSANO_RECOVERY, "Non-recoverable failure in name resolution"},
    };
    for (const Reason& r : kReasons) {
        if (r.code == error) return r.text;
    }
    return "Windows Sockets error " + std::to_string(error);
}

enum class Wait { Read, Write, Connect };

// Waits until the socket is ready or the deadline passes: true when ready (or failed, which
// the next call then reports).
bool waitFor(SOCKET s, Wait what, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::microseconds>(deadline - Clock::now());
    const long long micros = left.count() > 0 ? left.count() : 0;
    timeval tv{static_cast<long>(micros / 1000000), static_cast<long>(micros % 1000000)};
    fd_set read, write, failed;
    FD_ZERO(&read);
    FD_ZERO(&write);
    FD_ZERO(&failed);
    if (what == Wait::Read) FD_SET(s, &read);
    if (what != Wait::Read) FD_SET(s, &write);
    FD_SET(s, &failed);
    return select(0, &read, &write, &failed, &tv) != 0;
}

}  // namespace

TcpSocket TcpSocket::connect(const std::string& host, std::uint16_t port,
                             std::chrono::milliseconds timeout) {
    startWinsock();
    const std::string where = endpointText(host, port);
    const auto deadline = Clock::now() + timeout;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        if (rc == WSAHOST_NOT_FOUND || rc == WSANO_DATA || rc == WSATRY_AGAIN) {
            throw NetworkError("unknown host " + host + " (" + reasonOf(rc) + ")");
        }
        throw NetworkError("cannot look up " + host + ": " + reasonOf(rc));
    }

    std::string lastReason = "no address";
    bool timedOut = false;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) {
            lastReason = reasonOf(WSAGetLastError());
            continue;
        }
        TcpSocket candidate(static_cast<std::intptr_t>(s));
        // Not for child processes, as the POSIX build's SOCK_CLOEXEC: a program the host starts
        // with inherited handles would keep the connection open after the line is closed, and
        // a device server's port busy.
        SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        if (::connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0) {
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                lastReason = reasonOf(error);
                continue;
            }
            if (!waitFor(s, Wait::Connect, deadline)) {
                lastReason = "no answer within " + std::to_string(timeout.count()) + " ms";
                timedOut = true;
                continue;
            }
            int soError = 0;
            int length = sizeof soError;
            getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &length);
            if (soError != 0) {
                lastReason = reasonOf(soError);
                continue;
            }
        }
        // Frames are small and their timing matters: send each write at once.
        const BOOL one = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
        freeaddrinfo(found);
        return candidate;
    }
    freeaddrinfo(found);
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
    if (handle_ != kNoSocket) shutdown(socketOf(handle_), SD_SEND);
}

void TcpSocket::close() noexcept {
    if (handle_ != kNoSocket) {
        closesocket(socketOf(handle_));
        handle_ = kNoSocket;
    }
}

void TcpSocket::sendAll(std::span<const std::uint8_t> bytes, Clock::time_point deadline) {
    if (!isOpen()) throw NetworkError("the connection to the device server is closed");
    const SOCKET s = socketOf(handle_);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const int chunk = left > 0x10000 ? 0x10000 : static_cast<int>(left);
        const int n = send(s, reinterpret_cast<const char*>(bytes.data() + done), chunk, 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        const int error = WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            if (!waitFor(s, Wait::Write, deadline)) {
                throw NetworkError("the device server took " + std::to_string(done) + " of " +
                                       std::to_string(bytes.size()) +
                                       " bytes before the write deadline",
                                   true);
            }
            continue;
        }
        if (error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAESHUTDOWN) {
            throw NetworkError("the device server closed the connection");
        }
        throw NetworkError("cannot send to the device server: " + reasonOf(error));
    }
}

std::size_t TcpSocket::receive(std::span<std::uint8_t> buffer, Clock::time_point deadline) {
    if (!isOpen()) throw NetworkError("the connection to the device server is closed");
    const SOCKET s = socketOf(handle_);
    const int size = buffer.size() > 0x10000 ? 0x10000 : static_cast<int>(buffer.size());
    for (;;) {
        const int n = recv(s, reinterpret_cast<char*>(buffer.data()), size, 0);
        if (n > 0) return static_cast<std::size_t>(n);
        if (n == 0) throw NetworkError("the device server closed the connection");
        const int error = WSAGetLastError();
        if (error == WSAECONNRESET || error == WSAECONNABORTED) {
            throw NetworkError("the device server closed the connection");
        }
        if (error != WSAEWOULDBLOCK) {
            throw NetworkError("cannot read from the device server: " + reasonOf(error));
        }
        if (!waitFor(s, Wait::Read, deadline)) return 0;
    }
}

}  // namespace kavro
