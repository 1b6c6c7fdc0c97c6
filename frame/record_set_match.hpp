// The Locate comparison shared by record sets that search in memory.
#pragma once

#include "kavro/record_set.hpp"

namespace kavro {

// A character of a field name as the case-insensitive comparison of names sees it (ASCII letters
// in upper case), the rule of sameFieldName.
constexpr char foldFieldNameChar(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

// Whether a field value satisfies a Locate key: text keys compare as text (a prefix for a
// partial key), numeric keys compare as numbers, an empty key matches an empty value.
bool keyMatchesAnyType(const Variant& value, const Variant& key, LocateOptions options);

// The same, with the common case (integer against integer, row after row) inline.
inline bool keyMatches(const Variant& value, const Variant& key, LocateOptions options) {
    if (value.type() == Variant::Type::Integer && key.type() == Variant::Type::Integer) {
        return value.integerValue() == key.integerValue();
    }
    return keyMatchesAnyType(value, key, options);
}

}  // namespace kavro
