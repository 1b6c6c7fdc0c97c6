// The command frame: a byte array with a current length whose every access is range-checked.
// An access outside the frame raises DynArrayOutOfRange with the index and the length, so a
// protocol table row whose Length is too short for its protocol is refused, never overrun.
// A fresh frame, and every byte a longer length adds, is zero.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "kavro/host_error.hpp"

namespace kavro {

class CommandFrame {
  public:
    // Longer rows are refused: no protocol frame comes near it, and a bogus Length must not
    // make the library allocate gigabytes.
    static constexpr int kMaxLength = 65536;

    int length() const noexcept { return static_cast<int>(bytes_.size()); }
    // Keeps the first min(old, new) bytes; 0 <= length <= kMaxLength, else raises.
    void setLength(int length);

    std::uint8_t& operator[](int index) {
        check(index);
        return bytes_[static_cast<std::size_t>(index)];
    }
    std::uint8_t operator[](int index) const {
        check(index);
        return bytes_[static_cast<std::size_t>(index)];
    }
    // Sets bytes first, first + 1, ... to the values, in order.
    void set(int first, std::initializer_list<std::uint8_t> values);

    std::span<const std::uint8_t> bytes() const noexcept { return bytes_; }
    // Bytes first to last inclusive; both must lie in the frame.
    std::span<const std::uint8_t> bytes(int first, int last) const;

  private:
    void check(int index) const {
        if (index < 0 || index >= length()) throw DynArrayOutOfRange(index, length());
    }
    std::vector<std::uint8_t> bytes_;
};

}  // namespace kavro
