// The host's variant value: empty, integer, real or text, with the host's conversion rules.
//
//  - An empty value (a NULL field) raises when read as a number; as text it reads as "".
//  - Text reads as a number only when it is one: optional blanks around an optional sign and
//    decimal digits, a decimal fraction or exponent (a real), or hex written $1F or 0x1F.
//  - A real converts to an integer by rounding to the nearest, an exact half to the even
//    neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
//  - A 32-bit conversion takes any whole number that fits 32 bits read either way
//    (-2^31 .. 2^32-1) and keeps its low 32 bits, so a code stored as a signed -16777216
//    reads as the unsigned 0xFF000000 and 0xFFFFFFFF as the signed -1; anything wider raises.
//    The 8-bit conversion takes 0 to 255 only.
//  - Arithmetic: integers stay integers (a result beyond 64 bits becomes a real), a real
//    operand makes a real, "/" is always a real division; text operands are read as numbers,
//    except that text + text joins the two texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kavro {

class Variant {
  public:
    enum class Type { Empty, Integer, Real, Text };

    Variant() = default;
    explicit Variant(int value) : value_(static_cast<long long>(value)) {}
    explicit Variant(unsigned value) : value_(static_cast<long long>(value)) {}
    explicit Variant(long value) : value_(static_cast<long long>(value)) {}
    explicit Variant(long long value) : value_(value) {}
    explicit Variant(double value) : value_(value) {}
    explicit Variant(std::string text) : value_(std::move(text)) {}
    explicit Variant(std::string_view text) : value_(std::string(text)) {}
    explicit Variant(const char* text) : value_(std::string(text)) {}

    Type type() const noexcept { return static_cast<Type>(value_.index()); }
    bool isEmpty() const noexcept { return type() == Type::Empty; }

    // An integer that fits converts inline (every protocol-table read); the rest, and every
    // failure, take the full rules.
    std::int32_t toInt32() const {
        const long long* v = std::get_if<long long>(&value_);
        if (v != nullptr && fits32(*v)) return static_cast<std::int32_t>(*v);
        return toInt32Slow();
    }
    std::uint32_t toUInt32() const {
        const long long* v = std::get_if<long long>(&value_);
        if (v != nullptr && fits32(*v)) return static_cast<std::uint32_t>(*v);
        return toUInt32Slow();
    }
    std::uint8_t toUInt8() const {
        const long long* v = std::get_if<long long>(&value_);
        if (v != nullptr && *v >= 0 && *v <= 255) return static_cast<std::uint8_t>(*v);
        return toUInt8Slow();
    }
    double toReal() const;
    std::string toText() const;
    // The value as a message shows it: a number as toText writes it, "an empty value", or text
    // in single quotes, control bytes written \xHH and text beyond 48 bytes cut, with its length
    // ('A\x00B', '0123...' (300 bytes)).
    std::string describe() const;
    // The value as a number: an integer or a real Variant; raises for empty values and text
    // that is no number.
    Variant toNumber() const;

    // Two integers whose sum fits add inline (the wire address); the rest take the full rules.
    friend Variant operator+(const Variant& a, const Variant& b) {
        const long long* x = std::get_if<long long>(&a.value_);
        const long long* y = std::get_if<long long>(&b.value_);
        long long sum = 0;
        if (x != nullptr && y != nullptr && !__builtin_add_overflow(*x, *y, &sum)) {
            return Variant(sum);
        }
        return add(a, b);
    }
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);
    // Same type and same value (no conversion): for tests and record-set bookkeeping.
    friend bool operator==(const Variant& a, const Variant& b) = default;

    // Raw access for adapters; the caller checks type() first.
    long long integerValue() const { return std::get<long long>(value_); }
    double realValue() const { return std::get<double>(value_); }
    const std::string& textValue() const { return std::get<std::string>(value_); }

  private:
    // -2^31 .. 2^32-1: a whole number that fits 32 bits read either way.
    static constexpr bool fits32(long long v) noexcept {
        return v >= -2147483648LL && v <= 4294967295LL;
    }
    static Variant add(const Variant& a, const Variant& b);
    std::int32_t toInt32Slow() const;
    std::uint32_t toUInt32Slow() const;
    std::uint8_t toUInt8Slow() const;
    std::variant<std::monostate, long long, double, std::string> value_;
};

// Round to the nearest integer, an exact half to the even neighbour.
double roundHalfEven(double value) noexcept;

}  // namespace kavro
