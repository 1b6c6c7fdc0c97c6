#include "serial/rfc2217_line.hpp"

#include <algorithm>
#include <thread>

namespace kavro {
namespace {

using comport::Setting;
constexpr Setting kAllSettings[] = {Setting::BaudRate, Setting::DataSize, Setting::Parity,
                                    Setting::StopSize};

std::size_t indexOf(Setting setting) {
    return static_cast<std::size_t>(setting);
}

std::string millisText(std::chrono::milliseconds ms) {
    return std::to_string(ms.count()) + " ms";
}

// A setting of the record that the option has no value for.
std::string inexpressible(Setting setting, const CommSettings& s) {
    switch (setting) {
        case Setting::BaudRate:
            return std::to_string(s.baudRate) + " baud";
        case Setting::DataSize:
            return std::to_string(s.byteSize) + " data bits";
        case Setting::Parity:
            return "parity code " + std::to_string(s.parity);
        case Setting::StopSize:
            return "stop-bit code " + std::to_string(s.stopBits);
    }
    return {};
}

}  // namespace

std::unique_ptr<Rfc2217Line> Rfc2217Line::connect(const LineAddress& address,
                                                  const LineOptions& options) {
    const auto deadline = Clock::now() + options.connectTimeout;
    TcpSocket socket = TcpSocket::connect(address.host, address.port, options.connectTimeout);
    std::unique_ptr<Rfc2217Line> line(
        new Rfc2217Line(std::move(socket), endpointText(address.host, address.port), options));
    std::lock_guard lock(line->mutex_);

    line->send(line->negotiator_.requestLocal(telnet::kComPort), deadline);
    while (!line->negotiator_.localEnabled(telnet::kComPort)) {
        if (line->negotiator_.localRefused(telnet::kComPort)) {
            throw NetworkError(line->where_ +
                               " refused the com port option: it is no RFC 2217 port");
        }
        if (Clock::now() >= deadline) {
            throw NetworkError(line->where_ + " did not agree to the com port option within " +
                                   millisText(options.connectTimeout) + ": is it an RFC 2217 port?",
                               true);
        }
        line->pump(deadline);
    }

    // Value 0 asks for the current value: the answers fill the line's settings.
    std::vector<Change> queries;
    for (const Setting s : kAllSettings)
        queries.push_back({s, 0});
    const LineResult asked = line->exchange(queries, deadline, options.connectTimeout);
    if (!asked.ok()) {
        throw NetworkError(line->where_ + " did not report its port settings: " + asked.error(),
                           asked.isTimedOut());
    }
    return line;
}

void Rfc2217Line::send(const telnet::Bytes& bytes, Clock::time_point deadline) {
    socket_.sendAll(bytes, deadline);
}

bool Rfc2217Line::pump(Clock::time_point deadline) {
    std::uint8_t buffer[512];
    const std::size_t n = socket_.receive(buffer, deadline);
    if (n == 0) return false;
    for (const telnet::Event& event : decoder_.feed({buffer, n})) {
        switch (event.kind) {
            case telnet::Event::Kind::Data:
                break;  // what the device sent back: this line only writes
            case telnet::Event::Kind::Negotiation:
                if (auto reply = negotiator_.answer(event.verb, event.option)) {
                    send(*reply, Clock::now() + deadline_.slack);
                }
                break;
            case telnet::Event::Kind::Subnegotiation:
                if (event.option != telnet::kComPort) break;
                if (const auto ack = comport::decodeAck(event.bytes)) {
                    // Also the acknowledgements of changes another client of the port made:
                    // the server sends them to every connection.
                    comport::apply(*ack, settings_);
                    ++ackCount_[indexOf(ack->setting)];
                    ackValue_[indexOf(ack->setting)] = ack->value;
                }
                break;
        }
    }
    return true;
}

void Rfc2217Line::drainIncoming() {
    for (int round = 0; round < 64 && pump(Clock::time_point{}); ++round) {
    }
}

LineResult Rfc2217Line::exchange(const std::vector<Change>& changes, Clock::time_point deadline,
                                 std::chrono::milliseconds allowed) {
    drainIncoming();
    std::array<unsigned, 5> before = ackCount_;
    telnet::Bytes out;
    for (const Change& c : changes) {
        const telnet::Bytes command = comport::command(c.setting, c.value);
        out.insert(out.end(), command.begin(), command.end());
    }
    send(out, Clock::now() + deadline_.slack);
    for (const Change& c : changes) {
        const std::size_t i = indexOf(c.setting);
        while (ackCount_[i] == before[i]) {
            if (Clock::now() >= deadline) {
                const std::string what = c.value == 0 ? "the question for the current settings"
                                                      : comport::describe(c.setting, c.value);
                return LineResult::timedOut("no acknowledgement of " + what + " from " + where_ +
                                            " within " + millisText(allowed));
            }
            pump(deadline);
        }
        before[i] = ackCount_[i];
    }
    return {};
}

Rfc2217Line::~Rfc2217Line() {
    std::lock_guard lock(mutex_);
    if (broken_.empty()) {
        socket_.closeAfterDelivery(wireFreeAt_ + options_.networkMargin, options_.ackTimeout);
    }
}

LineResult Rfc2217Line::breakWith(const NetworkError& error) {
    broken_ = error.what();
    socket_.close();
    return error.timedOut() ? LineResult::timedOut(broken_) : LineResult::failed(broken_);
}

LineResult Rfc2217Line::readSettings(CommSettings& settings) {
    std::lock_guard lock(mutex_);
    if (!broken_.empty()) return LineResult::failed(broken_);
    settings = settings_;
    return {};
}

LineResult Rfc2217Line::writeSettings(const CommSettings& wanted) {
    std::lock_guard lock(mutex_);
    if (!broken_.empty()) return LineResult::failed(broken_);
    std::vector<Change> changes;
    for (const Setting s : kAllSettings) {
        const auto value = comport::valueOf(s, wanted);
        if (!value) {
            return LineResult::failed("RFC 2217 has no value for " + inexpressible(s, wanted));
        }
        if (value != comport::valueOf(s, settings_)) changes.push_back({s, *value});
    }
    if (changes.empty()) return {};

    // The bytes already written must leave under the settings they were written for.
    std::this_thread::sleep_until(wireFreeAt_ + options_.networkMargin);
    try {
        const LineResult acked =
            exchange(changes, Clock::now() + options_.ackTimeout, options_.ackTimeout);
        if (!acked.ok()) return acked;
    } catch (const NetworkError& error) {
        return breakWith(error);
    }
    for (const Change& c : changes) {
        const std::uint32_t kept = ackValue_[indexOf(c.setting)];
        if (kept != c.value) {
            return LineResult::failed("the device server kept " +
                                      comport::describe(c.setting, kept) + " instead of " +
                                      comport::describe(c.setting, c.value));
        }
    }
    return {};
}

LineResult Rfc2217Line::write(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    if (!broken_.empty()) return LineResult::failed(broken_);
    try {
        drainIncoming();
        send(telnet::escaped(bytes), Clock::now() + deadline_.allowance(bytes.size(), settings_));
    } catch (const NetworkError& error) {
        return breakWith(error);
    }
    wireFreeAt_ = std::max(wireFreeAt_, Clock::now()) + comport::wireTime(bytes.size(), settings_);
    return {};
}

void Rfc2217Line::pause(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

void Rfc2217Line::setWriteDeadline(const WriteDeadline& deadline) {
    std::lock_guard lock(mutex_);
    deadline_ = deadline;
}

}  // namespace kavro
