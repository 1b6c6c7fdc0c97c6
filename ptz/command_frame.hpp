// The command frame: a byte array with a current length whose every access is range-checked.
// An access outside the frame raises DynArrayOutOfRange with the index and the length, so a
// protocol table row whose Length is too short for its protocol is refused, never overrun.
// A fresh frame, and every byte a longer length adds, is zero.
#pragma once

#include <cstdint>
#include <cstring>
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

    CommandFrame() = default;
    CommandFrame(const CommandFrame& other) { *this = other; }
    CommandFrame& operator=(const CommandFrame& other);

    int length() const noexcept { return length_; }
    // Keeps the first min(old, new) bytes; 0 <= length <= kMaxLength, else raises.
    void setLength(int length);

    std::uint8_t& operator[](int index) {
        check(index);
        return data_[index];
    }
    std::uint8_t operator[](int index) const {
        check(index);
        return data_[index];
    }
    // Sets bytes first, first + 1, ... to the values, in order. The last byte is tested first,
    // so a short frame raises before any byte changes.
    void set(int first, std::initializer_list<std::uint8_t> values) {
        if (values.size() != 0) check(first + static_cast<int>(values.size()) - 1);
        check(first);
        std::memcpy(data_ + first, values.begin(), values.size());
    }

    std::span<const std::uint8_t> bytes() const noexcept {
        return {data_, static_cast<std::size_t>(length_)};
    }
    // Bytes first to last inclusive; both must lie in the frame.
    std::span<const std::uint8_t> bytes(int first, int last) const;

  private:
    void check(int index) const {
        if (index < 0 || index >= length()) throw DynArrayOutOfRange(index, length());
    }
    // Every protocol frame fits the inline bytes (the longest is 83), so building one allocates
    // nothing; only a row asking for a longer frame moves it to the heap.
    static constexpr int kInlineLength = 128;
    std::uint8_t inline_[kInlineLength];  // zeroed by setLength as the length grows
    std::vector<std::uint8_t> heap_;
    std::uint8_t* data_ = inline_;
    int length_ = 0;
};

}  // namespace kavro
