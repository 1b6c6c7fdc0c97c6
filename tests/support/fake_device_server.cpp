#include "tests/support/fake_device_server.hpp"

#include <array>
#include <cstdio>
#include <span>

namespace kavro::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

constexpr std::uint8_t kIac = 255, kSb = 250, kSe = 240, kWill = 251, kDo = 253, kDont = 254,
                       kComPort = 44;
const char* const kCodeNames[] = {"", "SET-BAUDRATE", "SET-DATASIZE", "SET-PARITY", "SET-STOPSIZE"};

// The server's answer (code + 100) with the value: four bytes for the speed, one for the rest,
// an 0xFF among them doubled.
Bytes ack(std::uint8_t code, std::uint32_t value) {
    Bytes out{kIac, kSb, kComPort, static_cast<std::uint8_t>(code + 100)};
    for (int shift = code == 1 ? 24 : 0; shift >= 0; shift -= 8) {
        const auto byte = static_cast<std::uint8_t>(value >> shift);
        out.push_back(byte);
        if (byte == kIac) out.push_back(kIac);
    }
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

}  // namespace

// One connection: the client's Telnet stream taken apart byte by byte (data, IAC IAC, IAC verb
// option, IAC SB option ... IAC SE with IAC IAC inside) and answered as the behaviour says.
class FakeDeviceServer::Session {
  public:
    Session(FakeDeviceServer& server, LoopbackConnection connection)
        : server_(server), behaviour_(server.behaviour_), connection_(std::move(connection)) {}

    void run() {
        using B = Behaviour;
        while (!server_.stop_) {
            if (slow_) {
                std::uint8_t buffer[1024];
                const long n = connection_.receive(buffer, milliseconds(20));
                if (n < 0) {
                    server_.recordHangUp();
                    return;
                }
                if (n > 0) std::this_thread::sleep_for(milliseconds(50));
                continue;
            }
            std::uint8_t buffer[512];
            const long n = connection_.receive(buffer, milliseconds(20));
            if (n < 0) {
                server_.recordHangUp();
                return;
            }
            for (long i = 0; i < n && !slow_; ++i) {
                // A raw TCP client starts with data, not a negotiation: slow from the start.
                if (behaviour_ == B::ReadsSlowly && first_ && buffer[i] != kIac) slow_ = true;
                first_ = false;
                if (behaviour_ == B::Records) server_.recordWire(buffer[i]);
                if (behaviour_ != B::NeverNegotiates) take(buffer[i]);
            }
        }
    }

  private:
    enum class State { Data, Iac, Verb, SbOption, Sb, SbIac };

    void take(std::uint8_t byte) {
        switch (state_) {
            case State::Data:
                if (byte == kIac) {
                    state_ = State::Iac;
                } else {
                    data(byte);
                }
                return;
            case State::Iac:
                if (byte == kIac) {
                    data(byte);
                    state_ = State::Data;
                } else if (byte == kSb) {
                    state_ = State::SbOption;
                } else if (byte >= kWill) {
                    verb_ = byte;
                    state_ = State::Verb;
                } else {
                    state_ = State::Data;  // NOP, BRK and the like: nothing to do
                }
                return;
            case State::Verb:
                if (verb_ == kWill && byte == kComPort) {
                    send({kIac, behaviour_ == Behaviour::RefusesComPort ? kDont : kDo, kComPort});
                }
                state_ = State::Data;
                return;
            case State::SbOption:
                option_ = byte;
                payload_.clear();
                state_ = State::Sb;
                return;
            case State::Sb:
                if (byte == kIac) {
                    state_ = State::SbIac;
                } else {
                    payload_.push_back(byte);
                }
                return;
            case State::SbIac:
                if (byte == kIac) {
                    payload_.push_back(byte);
                    state_ = State::Sb;
                    return;
                }
                if (byte == kSe && option_ == kComPort && !payload_.empty()) comPort();
                state_ = State::Data;
                return;
        }
    }

    void data(std::uint8_t byte) {
        if (behaviour_ == Behaviour::Records) server_.recordData(byte);
    }

    // IAC SB 44 code value IAC SE: a question (value 0) or a change of setting `code`.
    void comPort() {
        const std::uint8_t code = payload_[0];
        if (code < 1 || code > 4) return;
        std::uint32_t value = 0;
        for (std::size_t k = 1; k < payload_.size(); ++k)
            value = (value << 8) | payload_[k];
        if (value == 0) {
            send(ack(code, current_[code]));
            if (code == 4 && behaviour_ == Behaviour::ReadsSlowly) slow_ = true;
            return;
        }
        if (behaviour_ == Behaviour::KeepsParityNone) {
            send(ack(code, code == 3 ? 1 : value));
        } else if (behaviour_ == Behaviour::Records) {
            server_.recordChange(code, value);
            current_[code] = value;
            send(ack(code, value));
        }
    }

    void send(const Bytes& bytes) { connection_.sendAll(bytes); }

    FakeDeviceServer& server_;
    const Behaviour behaviour_;
    LoopbackConnection connection_;
    State state_ = State::Data;
    std::uint8_t verb_ = 0, option_ = 0;
    Bytes payload_;
    // What the port reports when asked, by code: 9600 baud, 8 data bits, no parity, 1 stop bit.
    std::array<std::uint32_t, 5> current_{0, 9600, 8, 1, 1};
    bool first_ = true;
    bool slow_ = false;
};

FakeDeviceServer::FakeDeviceServer(Behaviour behaviour)
    : behaviour_(behaviour), listener_(behaviour == Behaviour::ReadsSlowly ? 4096 : 0) {
    if (listener_.port() != 0) thread_ = std::thread([this] { serve(); });
}

FakeDeviceServer::~FakeDeviceServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void FakeDeviceServer::serve() {
    LoopbackConnection connection;
    while (!stop_ && !connection.isOpen())
        connection = listener_.accept(milliseconds(20));
    if (connection.isOpen()) Session(*this, std::move(connection)).run();
}

void FakeDeviceServer::recordWire(std::uint8_t byte) {
    std::lock_guard lock(mutex_);
    wire_.push_back(byte);
}

void FakeDeviceServer::recordData(std::uint8_t byte) {
    std::lock_guard lock(mutex_);
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", byte);
    if (received_.empty() || received_.back().rfind("data", 0) != 0) received_.emplace_back("data");
    received_.back() += hex;
    ++dataCount_;
    arrived_.notify_all();
}

void FakeDeviceServer::recordChange(std::uint8_t code, std::uint32_t value) {
    std::lock_guard lock(mutex_);
    received_.push_back(std::string(kCodeNames[code]) + " " + std::to_string(value));
}

void FakeDeviceServer::recordHangUp() {
    std::lock_guard lock(mutex_);
    hungUp_ = true;
    arrived_.notify_all();
}

std::vector<std::string> FakeDeviceServer::received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::uint8_t> FakeDeviceServer::wire() const {
    std::lock_guard lock(mutex_);
    return wire_;
}

bool FakeDeviceServer::waitForData(std::size_t count, std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, wait, [&] { return dataCount_ >= count; });
}

bool FakeDeviceServer::waitForHangUp(std::chrono::milliseconds wait) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, wait, [&] { return hungUp_; });
}

}  // namespace kavro::test
