#include "frame/field_name_index.hpp"

#include "frame/record_set_match.hpp"

namespace kavro {

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
        if (search(folded_[column]) != npos) continue;  // a later twin of a name: the first wins
        std::size_t slot = hash(folded_[column]) & (slots - 1);
        while (slots_[slot] != 0)
            slot = (slot + 1) & (slots - 1);
        slots_[slot] = static_cast<std::uint32_t>(column + 1);
    }
}

std::size_t FieldNameIndex::search(std::string_view name) const noexcept {
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
