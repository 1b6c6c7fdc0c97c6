#include "serial/raw_tcp_line.hpp"

#include <algorithm>
#include <thread>

#include "serial/com_port_option.hpp"

namespace kavro {
namespace {

using Clock = TcpSocket::Clock;

// Takes whatever the device sent back (this line only writes) so the connection never backs
// up, and notices a server that has closed it.
void discardIncoming(TcpSocket& socket) {
    std::uint8_t buffer[512];
    for (int round = 0; round < 64; ++round) {
        if (socket.receive(buffer, Clock::time_point{}) == 0) return;
    }
}

}  // namespace

std::string settingsText(const CommSettings& s) {
    static constexpr const char* kLetters = "NOEMS";
    const char letter = s.parity <= parity::kSpace ? kLetters[s.parity] : '?';
    const char* stop = s.stopBits == stopbits::kOne          ? "1"
                       : s.stopBits == stopbits::kOneAndHalf ? "1.5"
                       : s.stopBits == stopbits::kTwo        ? "2"
                                                             : "?";
    return std::to_string(s.baudRate) + " " + std::to_string(s.byteSize) + " " + letter + " " +
           stop;
}

std::unique_ptr<RawTcpLine> RawTcpLine::connect(const LineAddress& address,
                                                const LineOptions& options) {
    TcpSocket socket = TcpSocket::connect(address.host, address.port, options.connectTimeout);
    return std::unique_ptr<RawTcpLine>(new RawTcpLine(std::move(socket), options));
}

RawTcpLine::~RawTcpLine() {
    std::lock_guard lock(mutex_);
    if (broken_.empty()) {
        socket_.closeAfterDelivery(wireFreeAt_ + options_.networkMargin, options_.ackTimeout);
    }
}

LineResult RawTcpLine::fail(const NetworkError& error) {
    broken_ = error.what();
    socket_.close();
    return error.timedOut() ? LineResult::timedOut(broken_) : LineResult::failed(broken_);
}

LineResult RawTcpLine::readSettings(CommSettings& settings) {
    std::lock_guard lock(mutex_);
    if (!broken_.empty()) return LineResult::failed(broken_);
    settings = settings_;
    return {};
}

LineResult RawTcpLine::writeSettings(const CommSettings& settings) {
    std::lock_guard lock(mutex_);
    if (!broken_.empty()) return LineResult::failed(broken_);
    if (settings == settings_) {
        refusedSettings_ = false;
        return {};
    }
    refusedSettings_ = true;
    refused_ = settings;
    return LineResult::failed(kCannotChange);
}

LineResult RawTcpLine::write(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (!broken_.empty()) return LineResult::failed(broken_);
    if (refusedSettings_) {
        std::string why = "not sent: ";
        why.append(kCannotChange);
        why.append(" to " + settingsText(refused_));
        why.append(" (the server's port is at " + settingsText(settings_) + ")");
        return LineResult::failed(why);
    }
    try {
        discardIncoming(socket_);
        socket_.sendAll(bytes, Clock::now() + deadline_.allowance(bytes.size(), settings_));
    } catch (const NetworkError& error) {
        return fail(error);
    }
    wireFreeAt_ = std::max(wireFreeAt_, Clock::now()) + comport::wireTime(bytes.size(), settings_);
    return {};
}

void RawTcpLine::pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

void RawTcpLine::setWriteDeadline(const WriteDeadline& deadline) {
    std::lock_guard lock(mutex_);
    deadline_ = deadline;
}

}  // namespace kavro
