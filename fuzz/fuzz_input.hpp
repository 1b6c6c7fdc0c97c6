// What the fuzz targets share: reading typed values from the fuzzer's bytes (missing bytes read
// as 0, so every input is a valid one), and ending a run that broke a property.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kavro/variant.hpp"

namespace kavro::fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t u32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return v;
    }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    // Up to 15 arbitrary bytes.
    std::string text() {
        std::string s(byte() % 16, '\0');
        for (char& c : s)
            c = static_cast<char>(byte());
        return s;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Reports a broken property and aborts, so the fuzzer keeps the input.
[[noreturn]] inline void fail(const char* target, const char* what, int protocol) {
    std::fprintf(stderr, "%s fuzzer: %s (protocol %d)\n", target, what, protocol);
    std::abort();
}

// A field value as the bytes choose: kind 2 empty, kind 3 arbitrary text, otherwise the integer.
inline Variant integerOrText(Input& in, int kind, Variant integer) {
    switch (kind) {
        case 2:
            return Variant();
        case 3:
            return Variant(in.text());
        default:
            return integer;
    }
}

}  // namespace kavro::fuzz
