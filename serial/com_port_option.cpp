#include "serial/com_port_option.hpp"

#include <string>

namespace kavro::comport {

std::optional<std::uint8_t> rfcParity(std::uint8_t windowsCode) noexcept {
    // none, odd, even, mark, space: the same order, one higher.
    if (windowsCode > parity::kSpace) return std::nullopt;
    return static_cast<std::uint8_t>(windowsCode + 1);
}

std::optional<std::uint8_t> windowsParity(std::uint8_t rfcValue) noexcept {
    if (rfcValue < 1 || rfcValue > 5) return std::nullopt;
    return static_cast<std::uint8_t>(rfcValue - 1);
}

std::optional<std::uint8_t> rfcStopSize(std::uint8_t windowsCode) noexcept {
    switch (windowsCode) {
        case stopbits::kOne:
            return 1;
        case stopbits::kTwo:
            return 2;
        case stopbits::kOneAndHalf:
            return 3;
        default:
            return std::nullopt;
    }
}

std::optional<std::uint8_t> windowsStopBits(std::uint8_t rfcValue) noexcept {
    switch (rfcValue) {
        case 1:
            return stopbits::kOne;
        case 2:
            return stopbits::kTwo;
        case 3:
            return stopbits::kOneAndHalf;
        default:
            return std::nullopt;
    }
}

telnet::Bytes command(Setting setting, std::uint32_t value) {
    const auto code = static_cast<std::uint8_t>(setting);
    if (setting == Setting::BaudRate) {
        const std::uint8_t payload[] = {
            code, static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
        return telnet::subnegotiation(telnet::kComPort, payload);
    }
    const std::uint8_t payload[] = {code, static_cast<std::uint8_t>(value)};
    return telnet::subnegotiation(telnet::kComPort, payload);
}

std::optional<Ack> decodeAck(std::span<const std::uint8_t> payload) noexcept {
    if (payload.size() < 2) return std::nullopt;
    const int code = payload[0] - kServerOffset;
    if (code < 1 || code > 4) return std::nullopt;
    const auto setting = static_cast<Setting>(code);
    if (setting == Setting::BaudRate) {
        if (payload.size() < 5) return std::nullopt;
        const std::uint32_t value = (std::uint32_t{payload[1]} << 24) |
                                    (std::uint32_t{payload[2]} << 16) |
                                    (std::uint32_t{payload[3]} << 8) | payload[4];
        return Ack{setting, value};
    }
    return Ack{setting, payload[1]};
}

std::optional<std::uint32_t> valueOf(Setting setting, const CommSettings& settings) noexcept {
    switch (setting) {
        case Setting::BaudRate:
            if (settings.baudRate == 0) return std::nullopt;  // 0 would ask, not set
            return settings.baudRate;
        case Setting::DataSize:
            if (settings.byteSize < 5 || settings.byteSize > 8) return std::nullopt;
            return settings.byteSize;
        case Setting::Parity:
            return rfcParity(settings.parity);
        case Setting::StopSize:
            return rfcStopSize(settings.stopBits);
    }
    return std::nullopt;
}

bool apply(const Ack& ack, CommSettings& settings) noexcept {
    switch (ack.setting) {
        case Setting::BaudRate:
            if (ack.value == 0) return false;
            settings.baudRate = ack.value;
            return true;
        case Setting::DataSize:
            if (ack.value < 5 || ack.value > 8) return false;
            settings.byteSize = static_cast<std::uint8_t>(ack.value);
            return true;
        case Setting::Parity:
            if (auto code = windowsParity(static_cast<std::uint8_t>(ack.value))) {
                settings.parity = *code;
                return true;
            }
            return false;
        case Setting::StopSize:
            if (auto code = windowsStopBits(static_cast<std::uint8_t>(ack.value))) {
                settings.stopBits = *code;
                return true;
            }
            return false;
    }
    return false;
}

std::string describe(Setting setting, std::uint32_t value) {
    switch (setting) {
        case Setting::BaudRate:
            return std::to_string(value) + " baud";
        case Setting::DataSize:
            return std::to_string(value) + " data bits";
        case Setting::Parity:
            if (auto code = windowsParity(static_cast<std::uint8_t>(value))) {
                return "parity " + parityName(*code);
            }
            return "parity value " + std::to_string(value);
        case Setting::StopSize:
            if (value == 1) return "one stop bit";
            if (value == 2) return "two stop bits";
            if (value == 3) return "one and a half stop bits";
            return "stop size value " + std::to_string(value);
    }
    return {};
}

std::chrono::microseconds wireTime(std::size_t count, const CommSettings& settings) noexcept {
    if (settings.baudRate == 0) return std::chrono::microseconds(0);
    // In tenths of a bit, for the one and a half stop bits.
    std::uint64_t tenths = 10 + 10u * settings.byteSize;
    if (settings.parity != parity::kNone) tenths += 10;
    tenths += settings.stopBits == stopbits::kTwo          ? 20
              : settings.stopBits == stopbits::kOneAndHalf ? 15
                                                           : 10;
    // Rounded up: the wait before a settings change must not fall short.
    const std::uint64_t micros =
        (count * tenths * 100000 + settings.baudRate - 1) / settings.baudRate;
    return std::chrono::microseconds(static_cast<std::int64_t>(micros));
}

}  // namespace kavro::comport
