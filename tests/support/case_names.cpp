#include "tests/support/case_names.hpp"

namespace kavro::test {

std::string identifier(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool wordChar =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (wordChar) {
            name += c;
        } else if (c == '-' && name.empty()) {
            name += "Minus";
        } else {
            name += '_';
        }
    }
    return name.empty() ? "Empty" : name;
}

}  // namespace kavro::test
