#include "kavro/text_helpers.hpp"

#include <gtest/gtest.h>

#include <string>

namespace kavro {
namespace {

struct TextCase {
    const char* name;
    std::string text;
    std::string expected;
};

class TrimSpaceCases : public testing::TestWithParam<TextCase> {};

TEST_P(TrimSpaceCases, RemovesEverySpaceAndOnlySpaces) {
    EXPECT_EQ(trimSpace(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    TrimSpace, TrimSpaceCases,
    testing::Values(TextCase{"SpacesAround", "  a b  ", "ab"}, TextCase{"OnlySpaces", "   ", ""},
                    TextCase{"Empty", "", ""},
                    TextCase{"OtherBlanksStay", "\ta \r\n b\t", "\ta\r\nb\t"},
                    // "错误" with a space between its two double-byte characters.
                    TextCase{"DoubleByteCharactersWhole", "\xB4\xED \xCE\xF3", "\xB4\xED\xCE\xF3"},
                    TextCase{"ZeroBytesKept", std::string("a \0b", 4), std::string("a\0b", 3)}),
    [](const auto& c) { return c.param.name; });

class EncoderMessageCases : public testing::TestWithParam<TextCase> {};

TEST_P(EncoderMessageCases, DoublesEveryUnderscore) {
    EXPECT_EQ(encoderMessage(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    EncoderMessage, EncoderMessageCases,
    testing::Values(TextCase{"NoUnderscore", "Preset 3", "Preset 3"},
                    TextCase{"SingleUnderscore", "_", "__"}, TextCase{"Empty", "", ""},
                    TextCase{"RunsAndEnds", "a_b__c", "a__b____c"},
                    TextCase{"LeadingAndTrailing", "_x_", "__x__"},
                    // A double-byte character whose trail byte is 0x5F is doubled byte-wise too.
                    TextCase{"TrailByteUnderscore", "\x81\x5F", "\x81\x5F\x5F"}),
    [](const auto& c) { return c.param.name; });

struct PasswordCase {
    const char* name;
    std::uint32_t seed;
    std::string text;
    std::uint32_t expected;  // bytes R3 R2 R1 R0
};

class GeneratePasswordCases : public testing::TestWithParam<PasswordCase> {};

TEST_P(GeneratePasswordCases, GivesTheNumber) {
    EXPECT_EQ(generatePassword(GetParam().seed, GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(GeneratePassword, GeneratePasswordCases,
                         testing::Values(
                             // Seed 0, "abc" step by step: after "a" the bytes are 61 9F 61 FE (R0
                             // first), after "b" C3 3D 03 FC, after "c" 26 DA 60 F8.
                             PasswordCase{"AfterA", 0, "a", 0xFE619F61},
                             PasswordCase{"AfterAB", 0, "ab", 0xFC033DC3},
                             PasswordCase{"AfterABC", 0, "abc", 0xF860DA26},
                             PasswordCase{"EmptyTextGivesSeed", 0x12345678, "", 0x12345678},
                             PasswordCase{"EmptyTextGivesHighSeed", 0xFFFFFFFF, "", 0xFFFFFFFF},
                             // k = 0x78, c = 0xFF: R0 = 78+87 = FF, R1 = 56-77 = DF, R2 = 34^87 =
                             // B3, R3 = 12+(FF^DF) = 32. The byte counts as 255, not -1.
                             PasswordCase{"HighByteUnsigned", 0x12345678, "\xFF", 0x32B3DFFF}),
                         [](const auto& c) { return c.param.name; });

}  // namespace
}  // namespace kavro
