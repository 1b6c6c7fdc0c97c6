// How protocols test command names. Every comparison is exact and case-sensitive ("Autostop"
// is not "AutoStop"); names are bytes.
#pragma once

#include <initializer_list>
#include <string_view>

namespace kavro {

// The first four characters of the name; a shorter name stays whole ("AutoStop" -> "Auto").
constexpr std::string_view shortName(std::string_view name) noexcept {
    return name.substr(0, 4);
}

// The last four characters; a shorter name is taken whole ("AutoStop" -> "Stop").
constexpr std::string_view nameEnding(std::string_view name) noexcept {
    return name.size() <= 4 ? name : name.substr(name.size() - 4);
}

constexpr bool isOneOf(std::string_view name,
                       std::initializer_list<std::string_view> literals) noexcept {
    for (std::string_view literal : literals) {
        if (name == literal) return true;
    }
    return false;
}

}  // namespace kavro
