#include "kavro/variant.hpp"

#include <charconv>
#include <cmath>
#include <limits>

#include "kavro/host_error.hpp"

namespace kavro {
namespace {

[[noreturn]] void raise(HostErrorCode code, const std::string& message) {
    throw HostError(code, message);
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A value read as a number, without the copies a Variant would make.
struct Number {
    bool integer = true;
    long long whole = 0;  // when integer
    double real = 0;      // otherwise
    double asReal() const { return integer ? static_cast<double>(whole) : real; }
    Variant variant() const { return integer ? Variant(whole) : Variant(real); }
};

Number integerNumber(long long v) {
    return {true, v, 0};
}
Number realNumber(double v) {
    return {false, 0, v};
}

bool parseHex(std::string_view digits, bool negative, Number& out) {
    if (digits.empty()) return false;
    unsigned long long value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return false;
    if (value > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) {
        out = realNumber(negative ? -static_cast<double>(value) : static_cast<double>(value));
    } else {
        const auto v = static_cast<long long>(value);
        out = integerNumber(negative ? -v : v);
    }
    return true;
}

// Reads text as a number under the host's rules; false when it is not one.
bool parseNumber(std::string_view text, Number& out) {
    text = trimBlanks(text);
    bool negative = false;
    std::string_view body = text;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (body.empty()) return false;
    if (body.front() == '$') return parseHex(body.substr(1), negative, out);
    if (body.size() > 2 && body[0] == '0' && (body[1] == 'x' || body[1] == 'X')) {
        return parseHex(body.substr(2), negative, out);
    }
    bool whole = true;
    bool digit = false;
    for (char c : body) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-') {
            whole = false;
        } else {
            return false;  // no letters: "inf", "nan" and the like are not numbers here
        }
    }
    if (!digit) return false;
    if (whole) {
        long long value = 0;
        auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), value);
        if (ec == std::errc() && end == body.data() + body.size()) {
            out = integerNumber(negative ? -value : value);
            return true;
        }
    }
    double real = 0;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), real);
    if (ec != std::errc() || end != body.data() + body.size()) return false;
    out = realNumber(negative ? -real : real);
    return true;
}

std::string describe(const Variant& v) {
    return v.describe();
}

Number numberOf(const Variant& v) {
    switch (v.type()) {
        case Variant::Type::Empty:
            raise(HostErrorCode::EmptyValue, "the value is empty");
        case Variant::Type::Integer:
            return integerNumber(v.integerValue());
        case Variant::Type::Real:
            return realNumber(v.realValue());
        case Variant::Type::Text: {
            Number number;
            if (!parseNumber(v.textValue(), number)) {
                raise(HostErrorCode::NotANumber, describe(v) + " is not a number");
            }
            return number;
        }
    }
    return {};
}

// The whole number a value reads as, a real rounded half to even.
long long wholeOf(const Variant& v, const char* what) {
    const Number number = numberOf(v);
    if (number.integer) return number.whole;
    // 2^63 bounds the whole numbers a long long holds; NaN fails both comparisons.
    if (!(number.real > -9.2e18 && number.real < 9.2e18)) {
        raise(HostErrorCode::Overflow, describe(number.variant()) + " does not fit " + what);
    }
    return static_cast<long long>(roundHalfEven(number.real));
}

enum class Op { Add, Sub, Mul, Div };

Variant arithmetic(Op op, const Variant& a, const Variant& b) {
    if (op == Op::Add && a.type() == Variant::Type::Text && b.type() == Variant::Type::Text) {
        return Variant(a.textValue() + b.textValue());
    }
    const Number x = numberOf(a);
    const Number y = numberOf(b);
    if (op != Op::Div && x.integer && y.integer) {
        long long result = 0;
        bool overflow = false;
        switch (op) {
            case Op::Add:
                overflow = __builtin_add_overflow(x.whole, y.whole, &result);
                break;
            case Op::Sub:
                overflow = __builtin_sub_overflow(x.whole, y.whole, &result);
                break;
            case Op::Mul:
                overflow = __builtin_mul_overflow(x.whole, y.whole, &result);
                break;
            case Op::Div:
                break;
        }
        if (!overflow) return Variant(result);
    }
    const double p = x.asReal();
    const double q = y.asReal();
    switch (op) {
        case Op::Add:
            return Variant(p + q);
        case Op::Sub:
            return Variant(p - q);
        case Op::Mul:
            return Variant(p * q);
        case Op::Div:
            if (q == 0) raise(HostErrorCode::InvalidOperation, "division by zero");
            return Variant(p / q);
    }
    return {};
}

}  // namespace

double roundHalfEven(double value) noexcept {
    double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5) return lower + 1.0;
    if (fraction == 0.5) {
        // An exact half exists only below 2^52, where the integer test is exact and cheap.
        const bool odd = (static_cast<long long>(lower) & 1) != 0;
        if (odd) lower += 1.0;
    }
    return lower;
}

Variant Variant::toNumber() const {
    return numberOf(*this).variant();
}

namespace {
std::uint32_t low32(long long whole, const Variant& source, const char* what) {
    if (whole < std::numeric_limits<std::int32_t>::min() ||
        whole > static_cast<long long>(std::numeric_limits<std::uint32_t>::max())) {
        raise(HostErrorCode::Overflow, describe(source) + " does not fit " + what);
    }
    return static_cast<std::uint32_t>(whole);
}
}  // namespace

std::int32_t Variant::toInt32Slow() const {
    const char* what = "a 32-bit integer";
    return static_cast<std::int32_t>(low32(wholeOf(*this, what), *this, what));
}

std::uint32_t Variant::toUInt32Slow() const {
    const char* what = "a 32-bit integer";
    return low32(wholeOf(*this, what), *this, what);
}

std::uint8_t Variant::toUInt8Slow() const {
    const long long whole = wholeOf(*this, "a byte");
    if (whole < 0 || whole > 255)
        raise(HostErrorCode::Overflow, this->describe() + " does not fit a byte");
    return static_cast<std::uint8_t>(whole);
}

double Variant::toReal() const {
    return numberOf(*this).asReal();
}

std::string Variant::describe() const {
    switch (type()) {
        case Type::Empty:
            return "an empty value";
        case Type::Integer:
        case Type::Real:
            return toText();
        case Type::Text:
            break;
    }
    // Text, or a blob read as its bytes. Control bytes are written \xHH: a NUL would end the
    // message wherever it is passed on as a C string. Bytes from 0x80 stay as they are (GBK
    // text reads as itself; its second bytes are never control bytes).
    constexpr std::size_t kShown = 48;
    const std::string& text = textValue();
    std::string shown = "'";
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            constexpr char kHex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += static_cast<char>(byte);
        }
    }
    if (text.size() > kShown) return shown + "...' (" + std::to_string(text.size()) + " bytes)";
    return shown + "'";
}

std::string Variant::toText() const {
    switch (type()) {
        case Type::Empty:
            return {};
        case Type::Integer:
            return std::to_string(integerValue());
        case Type::Real: {
            char buffer[32];
            auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, realValue());
            return ec == std::errc() ? std::string(buffer, end) : std::string();
        }
        case Type::Text:
            return textValue();
    }
    return {};
}

Variant Variant::add(const Variant& a, const Variant& b) {
    return arithmetic(Op::Add, a, b);
}
Variant operator-(const Variant& a, const Variant& b) {
    return arithmetic(Op::Sub, a, b);
}
Variant operator*(const Variant& a, const Variant& b) {
    return arithmetic(Op::Mul, a, b);
}
Variant operator/(const Variant& a, const Variant& b) {
    return arithmetic(Op::Div, a, b);
}

}  // namespace kavro
