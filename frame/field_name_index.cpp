#include "frame/field_name_index.hpp"

#include "frame/record_set_match.hpp"

namespace kavro {

// The length and three letters (first, middle, last) are enough to tell a protocol table's
// names apart, and cost the same for every name; the probe compares the whole name.
inline std::uint32_t FieldNameIndex::hash(std::string_view name) noexcept {
    const std::size_t n = name.size();
    if (n == 0) return 0;
    auto letter = [](char c) { return static_cast<unsigned char>(foldFieldNameChar(c)); };
    std::uint32_t h = static_cast<std::uint32_t>(n);
    h = h * 131 + letter(name[0]);
    h = h * 131 + letter(name[n / 2]);
    h = h * 131 + letter(name[n - 1]);
    h *= 0x9E3779B1u;  // spreads the sum over the high bits, folded down to the low ones
    return h ^ (h >> 16);
}

FieldNameIndex::FieldNameIndex(const std::vector<std::string>& names) : names_(names) {
    folded_.reserve(names.size());
    for (const std::string& name : names) {
        std::string folded = name;
        for (char& c : folded)
            c = foldFieldNameChar(c);
        folded_.push_back(std::move(folded));
    }
    std::size_t slots = 8;
    while (slots < 4 * names.size())
        slots *= 2;
    slots_.assign(slots, 0);
    for (std::size_t column = 0; column < folded_.size(); ++column) {
        if (find(folded_[column]) != npos) continue;  // a later twin of a name: the first wins
        std::size_t slot = hash(folded_[column]) & (slots - 1);
        while (slots_[slot] != 0)
            slot = (slot + 1) & (slots - 1);
        slots_[slot] = static_cast<std::uint32_t>(column + 1);
    }
}

std::size_t FieldNameIndex::find(std::string_view name) const noexcept {
    if (slots_.empty()) return npos;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash(name) & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t column = slots_[slot] - 1;
        const std::string& candidate = folded_[column];
        if (candidate.size() != name.size()) continue;
        // Callers mostly spell a name as the table does: one comparison of the bytes then.
        if (names_[column] == name) return column;
        std::size_t k = 0;
        while (k < name.size() && candidate[k] == foldFieldNameChar(name[k]))
            ++k;
        if (k == name.size()) return column;
    }
    return npos;
}

}  // namespace kavro
