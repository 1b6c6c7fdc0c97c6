#include "serial/telnet_codec.hpp"

namespace kavro::telnet {

void appendEscaped(Bytes& out, std::span<const std::uint8_t> bytes) {
    for (const std::uint8_t b : bytes) {
        out.push_back(b);
        if (b == kIac) out.push_back(kIac);
    }
}

Bytes escaped(std::span<const std::uint8_t> bytes) {
    Bytes out;
    out.reserve(bytes.size() + 4);
    appendEscaped(out, bytes);
    return out;
}

Bytes negotiation(std::uint8_t verb, std::uint8_t option) {
    return {kIac, verb, option};
}

Bytes subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) {
    Bytes out{kIac, kSb};
    appendEscaped(out, std::span<const std::uint8_t>(&option, 1));
    appendEscaped(out, payload);
    out.push_back(kIac);
    out.push_back(kSe);
    return out;
}

std::vector<Event> Decoder::feed(std::span<const std::uint8_t> bytes) {
    std::vector<Event> events;
    auto data = [&](std::uint8_t b) {
        if (events.empty() || events.back().kind != Event::Kind::Data) {
            events.push_back({Event::Kind::Data, 0, 0, {}});
        }
        events.back().bytes.push_back(b);
    };
    for (const std::uint8_t b : bytes) {
        switch (state_) {
            case State::Data:
                if (b == kIac) {
                    state_ = State::Iac;
                } else {
                    data(b);
                }
                break;
            case State::Iac:
                if (b == kIac) {
                    data(kIac);
                    state_ = State::Data;
                } else if (b >= kWill && b <= kDont) {
                    verb_ = b;
                    state_ = State::Verb;
                } else if (b == kSb) {
                    state_ = State::SbOption;
                } else {
                    state_ = State::Data;  // NOP, GA, a stray SE, ...: nothing to do
                }
                break;
            case State::Verb:
                events.push_back({Event::Kind::Negotiation, verb_, b, {}});
                state_ = State::Data;
                break;
            case State::SbOption:
                sbOption_ = b;
                payload_.clear();
                state_ = State::Sb;
                break;
            case State::Sb:
                if (b == kIac) {
                    state_ = State::SbIac;
                } else if (payload_.size() < kMaxPayload) {
                    payload_.push_back(b);
                }
                break;
            case State::SbIac:
                if (b == kSe) {
                    events.push_back({Event::Kind::Subnegotiation, 0, sbOption_, payload_});
                    payload_.clear();
                    state_ = State::Data;
                } else {
                    // IAC IAC is a 0xFF of the payload; any other command inside a
                    // subnegotiation is a sender's fault and is taken as payload too.
                    if (payload_.size() < kMaxPayload) payload_.push_back(b);
                    state_ = State::Sb;
                }
                break;
        }
    }
    return events;
}

bool Negotiator::localAllowed(std::uint8_t option) noexcept {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

bool Negotiator::remoteAllowed(std::uint8_t option) noexcept {
    return option == kBinary || option == kSuppressGoAhead || option == kEcho;
}

Bytes Negotiator::requestLocal(std::uint8_t option) {
    asked_[option] = true;
    return negotiation(kWill, option);
}

std::optional<Bytes> Negotiator::answer(std::uint8_t verb, std::uint8_t option) {
    switch (verb) {
        case kDo:
            if (!localAllowed(option)) return negotiation(kWont, option);
            if (local_[option]) return std::nullopt;  // already on: not a new request
            local_[option] = true;
            refused_[option] = false;
            if (asked_[option]) {  // the answer to our WILL
                asked_[option] = false;
                return std::nullopt;
            }
            return negotiation(kWill, option);
        case kDont:
            if (asked_[option]) {  // our WILL refused
                asked_[option] = false;
                refused_[option] = true;
                return std::nullopt;
            }
            if (!local_[option]) return std::nullopt;
            local_[option] = false;
            return negotiation(kWont, option);
        case kWill:
            if (!remoteAllowed(option)) return negotiation(kDont, option);
            if (remote_[option]) return std::nullopt;
            remote_[option] = true;
            return negotiation(kDo, option);
        case kWont:
            if (!remote_[option]) return std::nullopt;
            remote_[option] = false;
            return negotiation(kDont, option);
        default:
            return std::nullopt;
    }
}

}  // namespace kavro::telnet
