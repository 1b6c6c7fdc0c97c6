// Field names to column numbers by the host's rule for names (ASCII letters match without
// regard to case), for the record sets whose field lookup every encoder call runs through:
// a hash over the folded name finds the column in one or two probes, whatever the column's
// place in the table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kavro {

class FieldNameIndex {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Column i is named names[i]; of two names that match each other the first is found.
    explicit FieldNameIndex(const std::vector<std::string>& names);
    FieldNameIndex() = default;

    // The column named name, or npos. A name spelt as the table spells it (the usual case) is
    // found inline along its probe chain; one in another letter case takes the full search.
    std::size_t find(std::string_view name) const noexcept {
        if (slots_.empty()) return npos;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t slot = hash(name) & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
            const std::size_t column = slots_[slot] - 1;
            const std::string& candidate = names_[column];
            if (candidate.size() == name.size() &&
                sameBytes(candidate.data(), name.data(), name.size())) {
                return column;
            }
        }
        return search(name);
    }
    std::size_t size() const noexcept { return folded_.size(); }

  private:
    // The length and three bytes (first, middle, last) are enough to tell a protocol table's
    // names apart, and cost the same for every name; the probe compares the whole name. Bit 5
    // cleared folds a letter's case (and maps a few other bytes together, which only costs a
    // probe), so names that match hash alike.
    static std::uint32_t hash(std::string_view name) noexcept {
        const std::size_t n = name.size();
        if (n == 0) return 0;
        auto folded = [](char c) { return static_cast<std::uint32_t>(c) & 0xDFu; };
        std::uint32_t h = static_cast<std::uint32_t>(n);
        h = h * 131 + folded(name[0]);
        h = h * 131 + folded(name[n / 2]);
        h = h * 131 + folded(name[n - 1]);
        h *= 0x9E3779B1u;  // spreads the sum over the high bits, folded down to the low ones
        return h ^ (h >> 16);
    }
    static std::uint64_t load8(const char* p) noexcept {
        std::uint64_t w;
        std::memcpy(&w, p, sizeof w);
        return w;
    }
    static std::uint32_t load4(const char* p) noexcept {
        std::uint32_t w;
        std::memcpy(&w, p, sizeof w);
        return w;
    }
    // n equal bytes: names of up to 16 bytes in two overlapping loads each (first, middle and
    // last byte for the shortest).
    static bool sameBytes(const char* a, const char* b, std::size_t n) noexcept {
        if (n < 4) return n == 0 || (a[0] == b[0] && a[n / 2] == b[n / 2] && a[n - 1] == b[n - 1]);
        if (n >= 8 && n <= 16) {
            return load8(a) == load8(b) && load8(a + n - 8) == load8(b + n - 8);
        }
        if (n >= 4 && n < 8) {
            return load4(a) == load4(b) && load4(a + n - 4) == load4(b + n - 4);
        }
        return std::memcmp(a, b, n) == 0;
    }
    std::size_t search(std::string_view name) const noexcept;

    std::vector<std::string> names_;    // by column, as the table spells them
    std::vector<std::string> folded_;   // the same in upper case
    std::vector<std::uint32_t> slots_;  // column + 1, or 0 for a free slot; a power of 2 long
};

}  // namespace kavro
