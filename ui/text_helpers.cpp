#include "kavro/text_helpers.hpp"

#include <array>

namespace kavro {

std::string trimSpace(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c != ' ') result.push_back(c);
    }
    return result;
}

std::string encoderMessage(std::string_view text) {
    std::string result;
    result.reserve(text.size() * 2);
    for (char c : text) {
        result.push_back(c);
        if (c == '_') result.push_back('_');
    }
    return result;
}

std::uint32_t generatePassword(std::uint32_t seed, std::string_view text) {
    std::array<std::uint8_t, 4> r{};
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<std::uint8_t>(seed >> (8 * i));
    const std::uint8_t k = r[0];
    for (char byte : text) {
        const auto c = static_cast<std::uint8_t>(byte);
        r[0] = static_cast<std::uint8_t>(r[0] + (k ^ c));
        r[1] = static_cast<std::uint8_t>(r[1] - (k + c));
        r[2] = static_cast<std::uint8_t>(r[2] ^ static_cast<std::uint8_t>(c - k));
        r[3] = static_cast<std::uint8_t>(r[3] + (r[0] ^ r[1]));
    }
    std::uint32_t result = 0;
    for (std::size_t i = 0; i < r.size(); ++i)
        result |= std::uint32_t{r[i]} << (8 * i);
    return result;
}

}  // namespace kavro
