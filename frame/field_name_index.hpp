// Field names to column numbers by the host's rule for names (ASCII letters match without
// regard to case), for the record sets whose field lookup every encoder call runs through:
// a hash over the folded name finds the column in one or two probes, whatever the column's
// place in the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class FieldNameIndex {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Column i is named names[i]; of two names that match each other the first is found.
    explicit FieldNameIndex(const std::vector<std::string>& names);
    FieldNameIndex() = default;

    // The column named name, or npos.
    std::size_t find(std::string_view name) const noexcept;
    std::size_t size() const noexcept { return folded_.size(); }

  private:
    static std::uint32_t hash(std::string_view name) noexcept;
    std::vector<std::string> names_;    // by column, as the table spells them
    std::vector<std::string> folded_;   // the same in upper case
    std::vector<std::uint32_t> slots_;  // column + 1, or 0 for a free slot; a power of 2 long
};

}  // namespace kavro
