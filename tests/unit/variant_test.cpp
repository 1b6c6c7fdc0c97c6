#include "kavro/variant.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "kavro/host_error.hpp"
#include "tests/support/case_names.hpp"

namespace kavro {
namespace {

HostErrorCode failureOf(void (*f)()) {
    try {
        f();
    } catch (const HostError& e) {
        return e.code();
    }
    ADD_FAILURE() << "no HostError raised";
    return HostErrorCode::InvalidOperation;
}

struct Int32Case {
    Variant value;
    std::int32_t expected;
};

class VariantToInt32 : public testing::TestWithParam<Int32Case> {};

// "Real2_5", "TextMinus3": the kind of value and the value.
const test::CaseNames<Int32Case> int32Name([](const Int32Case& c) {
    const std::string kind = c.value.type() == Variant::Type::Text   ? "Text"
                             : c.value.type() == Variant::Type::Real ? "Real"
                                                                     : "Integer";
    std::string text = c.value.toText();
    while (!text.empty() && text.front() == ' ')
        text.erase(0, 1);
    return kind + test::identifier(text);
});

TEST_P(VariantToInt32, Converts) {
    EXPECT_EQ(GetParam().value.toInt32(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    HostRules, VariantToInt32,
    testing::Values(Int32Case{Variant(42), 42}, Int32Case{Variant(-7), -7},
                    // reals round to the nearest, an exact half to the even neighbour
                    Int32Case{Variant(2.5), 2}, Int32Case{Variant(3.5), 4},
                    Int32Case{Variant(-2.5), -2}, Int32Case{Variant(-3.5), -4},
                    Int32Case{Variant(0.5), 0}, Int32Case{Variant(1.4999), 1},
                    Int32Case{Variant(2.5000001), 3},
                    // text converts when it is a number
                    Int32Case{Variant("12"), 12}, Int32Case{Variant(" -3 "), -3},
                    Int32Case{Variant("6.5"), 6}, Int32Case{Variant("$1F"), 31},
                    Int32Case{Variant("0x10"), 16}, Int32Case{Variant("1e2"), 100},
                    // a 32-bit value read either way keeps its low 32 bits
                    Int32Case{Variant(4294967295LL), -1},
                    Int32Case{Variant(2147483648LL), INT32_MIN}),
    int32Name);

TEST(Variant, ConversionFailuresRaiseTheHostErrors) {
    EXPECT_EQ(failureOf([] { Variant().toInt32(); }), HostErrorCode::EmptyValue);
    EXPECT_EQ(failureOf([] { Variant("abc").toInt32(); }), HostErrorCode::NotANumber);
    EXPECT_EQ(failureOf([] { Variant("").toUInt32(); }), HostErrorCode::NotANumber);
    EXPECT_EQ(failureOf([] { Variant("12abc").toInt32(); }), HostErrorCode::NotANumber);
    EXPECT_EQ(failureOf([] { Variant("nan").toInt32(); }), HostErrorCode::NotANumber);
    EXPECT_EQ(failureOf([] { Variant(4294967296LL).toUInt32(); }), HostErrorCode::Overflow);
    EXPECT_EQ(failureOf([] { Variant(-2147483649LL).toInt32(); }), HostErrorCode::Overflow);
    EXPECT_EQ(failureOf([] { Variant(1e300).toInt32(); }), HostErrorCode::Overflow);
    EXPECT_EQ(failureOf([] { Variant(256).toUInt8(); }), HostErrorCode::Overflow);
    EXPECT_EQ(failureOf([] { Variant(-1).toUInt8(); }), HostErrorCode::Overflow);
}

TEST(Variant, UnsignedReadsSignedStorage) {
    EXPECT_EQ(Variant(-16777216).toUInt32(), 0xFF000000u);
    EXPECT_EQ(Variant("4660").toUInt32(), 0x1234u);
    EXPECT_EQ(Variant(255).toUInt8(), 255);
    EXPECT_EQ(Variant(254.5).toUInt8(), 254);
}

TEST(Variant, EmptyReadsAsEmptyText) {
    EXPECT_EQ(Variant().toText(), "");
}

TEST(Variant, Arithmetic) {
    // integers stay integers, a real makes a real, division is always real
    EXPECT_EQ(Variant(5) + Variant(-1), Variant(4LL));
    EXPECT_EQ(Variant(63) - Variant(0), Variant(63LL));
    EXPECT_EQ(Variant(63) * Variant(3), Variant(189LL));
    EXPECT_EQ(Variant(189) / Variant(10.0), Variant(18.9));
    EXPECT_EQ(Variant(1) + Variant(0.5), Variant(1.5));
    // text operands read as numbers, but text + text joins
    EXPECT_EQ(Variant(5) + Variant("-1"), Variant(4LL));
    EXPECT_EQ(Variant("ab") + Variant("cd"), Variant("abcd"));
    // beyond 64 bits the result becomes a real rather than wrapping
    EXPECT_EQ((Variant(INT64_MAX) + Variant(1)).type(), Variant::Type::Real);
    EXPECT_EQ(failureOf([] { (void)(Variant() + Variant(1)); }), HostErrorCode::EmptyValue);
    EXPECT_EQ(failureOf([] { (void)(Variant(1) / Variant(0)); }), HostErrorCode::InvalidOperation);
}

TEST(Variant, SpeedArithmeticRoundsHalfToEven) {
    // (Fastest - Slowest) * level / 10.0, rounded: 63 * 5 / 10 = 31.5 -> 32, 63 * 3 / 10 = 18.9 ->
    // 19
    const Variant slowest(0), fastest(63);
    auto speed = [&](int level) {
        return ((fastest - slowest) * Variant(level) / Variant(10.0)).toInt32();
    };
    EXPECT_EQ(speed(0), 0);
    EXPECT_EQ(speed(3), 19);
    EXPECT_EQ(speed(5), 32);
    EXPECT_EQ(speed(10), 63);
    EXPECT_EQ((Variant(5) / Variant(10.0)).toInt32(), 0);   // 0.5 -> 0
    EXPECT_EQ((Variant(15) / Variant(10.0)).toInt32(), 2);  // 1.5 -> 2
}

}  // namespace
}  // namespace kavro
