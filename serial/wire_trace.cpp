#include "kavro/wire_trace.hpp"

namespace kavro {

std::string parityName(std::uint8_t code) {
    static const char* const kNames[] = {"none", "odd", "even", "mark", "space"};
    return code < 5 ? kNames[code] : std::to_string(code);
}

void WireTrace::pause(int millis) {
    events_.push_back({Kind::Pause, 0, millis, 0, 0, {}, 0});
}

void WireTrace::parity(std::uint8_t code) {
    events_.push_back({Kind::Parity, code, 0, 0, 0, {}, 0});
}

void WireTrace::settings(const CommSettings& settings) {
    events_.push_back({Kind::Settings, 0, 0, 0, 0, settings, 0});
}

void WireTrace::markFailed(std::size_t index, std::string reason) {
    failures_.push_back(std::move(reason));
    events_.at(index).failure = static_cast<std::uint32_t>(failures_.size());
}

void WireTrace::clear() {
    events_.clear();
    bytes_.clear();
    failures_.clear();
}

void WireTrace::reserve(std::size_t events, std::size_t bytes) {
    events_.reserve(events);
    bytes_.reserve(bytes);
}

WireTrace::Event WireTrace::operator[](std::size_t index) const {
    const Record& r = events_[index];
    return {r.kind,
            std::span<const std::uint8_t>(bytes_.data() + r.offset, r.length),
            r.millis,
            r.parity,
            r.settings,
            r.failure == 0 ? std::string_view() : std::string_view(failures_[r.failure - 1])};
}

std::vector<std::uint8_t> WireTrace::writtenBytes() const {
    return {bytes_.data(), bytes_.data() + bytes_.size()};
}

std::string hexBytes(std::span<const std::uint8_t> bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

namespace {

std::string eventOnly(const WireTrace::Event& event) {
    switch (event.kind) {
        case WireTrace::Kind::Write:
            return event.bytes.empty() ? "write" : "write " + hexBytes(event.bytes);
        case WireTrace::Kind::Pause:
            return "pause " + std::to_string(event.millis);
        case WireTrace::Kind::Parity:
            return "parity " + parityName(event.parity);
        case WireTrace::Kind::Settings: {
            static const char kLetters[] = "NOEMS";
            const CommSettings& s = event.settings;
            const char* stop = s.stopBits == stopbits::kOne          ? "1"
                               : s.stopBits == stopbits::kOneAndHalf ? "1.5"
                               : s.stopBits == stopbits::kTwo        ? "2"
                                                                     : "?";
            std::string parity =
                s.parity < 5 ? std::string(1, kLetters[s.parity]) : std::to_string(s.parity);
            return "settings " + std::to_string(s.baudRate) + " " + std::to_string(s.byteSize) +
                   " " + parity + " " + stop;
        }
    }
    return {};
}

}  // namespace

std::string eventText(const WireTrace::Event& event) {
    std::string text = eventOnly(event);
    if (!event.failure.empty()) {
        text += " (failed: ";
        text += event.failure;
        text += ')';
    }
    return text;
}

std::string WireTrace::text() const {
    std::string out;
    for (std::size_t i = 0; i < size(); ++i) {
        out += eventText((*this)[i]);
        out += '\n';
    }
    return out;
}

}  // namespace kavro
