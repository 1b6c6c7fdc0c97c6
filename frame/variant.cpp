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

bool parseHex(std::string_view digits, bool negative, Variant& out) {
    if (digits.empty()) return false;
    unsigned long long value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (ec != std::errc() || end != digits.data() + digits.size()) return false;
    if (value > static_cast<unsigned long long>(std::numeric_limits<long long>::max())) {
        out = Variant(negative ? -static_cast<double>(value) : static_cast<double>(value));
    } else {
        long long v = static_cast<long long>(value);
        out = Variant(negative ? -v : v);
    }
    return true;
}

// Reads text as a number under the host's rules; false when it is not one.
bool parseNumber(std::string_view text, Variant& out) {
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
            out = Variant(negative ? -value : value);
            return true;
        }
    }
    double real = 0;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), real);
    if (ec != std::errc() || end != body.data() + body.size()) return false;
    out = Variant(negative ? -real : real);
    return true;
}

std::string describe(const Variant& v) {
    switch (v.type()) {
        case Variant::Type::Empty:
            return "an empty value";
        case Variant::Type::Text:
            return "'" + v.textValue() + "'";
        case Variant::Type::Integer:
        case Variant::Type::Real:
            return v.toText();
    }
    return {};
}

enum class Op { Add, Sub, Mul, Div };

Variant arithmetic(Op op, const Variant& a, const Variant& b) {
    if (op == Op::Add && a.type() == Variant::Type::Text && b.type() == Variant::Type::Text) {
        return Variant(a.textValue() + b.textValue());
    }
    const Variant x = a.toNumber();
    const Variant y = b.toNumber();
    if (op != Op::Div && x.type() == Variant::Type::Integer && y.type() == Variant::Type::Integer) {
        long long result = 0;
        bool overflow = false;
        switch (op) {
            case Op::Add:
                overflow = __builtin_add_overflow(x.integerValue(), y.integerValue(), &result);
                break;
            case Op::Sub:
                overflow = __builtin_sub_overflow(x.integerValue(), y.integerValue(), &result);
                break;
            case Op::Mul:
                overflow = __builtin_mul_overflow(x.integerValue(), y.integerValue(), &result);
                break;
            case Op::Div:
                break;
        }
        if (!overflow) return Variant(result);
    }
    const double p = x.toReal();
    const double q = y.toReal();
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
    double fraction = value - lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) lower += 1.0;
    return lower;
}

Variant Variant::toNumber() const {
    switch (type()) {
        case Type::Empty:
            raise(HostErrorCode::EmptyValue, "the value is empty");
        case Type::Integer:
        case Type::Real:
            return *this;
        case Type::Text: {
            Variant number;
            if (!parseNumber(textValue(), number)) {
                raise(HostErrorCode::NotANumber, describe(*this) + " is not a number");
            }
            return number;
        }
    }
    return {};
}

long long Variant::toWhole(const char* what) const {
    const Variant number = toNumber();
    if (number.type() == Type::Integer) return number.integerValue();
    const double real = number.realValue();
    // 2^63 bounds the whole numbers a long long holds; NaN fails both comparisons.
    if (!(real > -9.2e18 && real < 9.2e18)) {
        raise(HostErrorCode::Overflow, describe(number) + " does not fit " + what);
    }
    return static_cast<long long>(roundHalfEven(real));
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

std::int32_t Variant::toInt32() const {
    const char* what = "a 32-bit integer";
    return static_cast<std::int32_t>(low32(toWhole(what), *this, what));
}

std::uint32_t Variant::toUInt32() const {
    const char* what = "a 32-bit integer";
    return low32(toWhole(what), *this, what);
}

std::uint8_t Variant::toUInt8() const {
    const long long whole = toWhole("a byte");
    if (whole < 0 || whole > 255)
        raise(HostErrorCode::Overflow, describe(*this) + " does not fit a byte");
    return static_cast<std::uint8_t>(whole);
}

double Variant::toReal() const {
    const Variant number = toNumber();
    return number.type() == Type::Integer ? static_cast<double>(number.integerValue())
                                          : number.realValue();
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

Variant operator+(const Variant& a, const Variant& b) {
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
