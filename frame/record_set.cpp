#include "frame/record_set_match.hpp"

#include "kavro/host_error.hpp"

namespace kavro {
namespace {
char fold(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool sameText(std::string_view a, std::string_view b, bool caseInsensitive) noexcept {
    if (a.size() != b.size()) return false;
    if (!caseInsensitive) return a == b;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}
}  // namespace

bool sameFieldName(std::string_view a, std::string_view b) noexcept {
    return sameText(a, b, true);
}

bool keyMatchesAnyType(const Variant& value, const Variant& key, LocateOptions options) {
    if (key.isEmpty()) return value.isEmpty();
    if (value.isEmpty()) return false;
    if (key.type() == Variant::Type::Text) {
        const std::string text = value.toText();
        const std::string_view wanted = key.textValue();
        if (options.partialKey) {
            return text.size() >= wanted.size() &&
                   sameText(std::string_view(text).substr(0, wanted.size()), wanted,
                            options.caseInsensitive);
        }
        return sameText(text, wanted, options.caseInsensitive);
    }
    Variant number;
    try {
        number = value.toNumber();
    } catch (const HostError&) {
        return false;  // a value that is no number never equals a numeric key
    }
    if (number.type() == Variant::Type::Integer && key.type() == Variant::Type::Integer) {
        return number.integerValue() == key.integerValue();
    }
    return number.toReal() == key.toReal();
}

}  // namespace kavro
