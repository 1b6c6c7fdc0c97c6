#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kavro/applications.hpp"

namespace kavro {
namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::vector<std::string> words;
};

class SplitCommandLine : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLine, Words) {
    EXPECT_EQ(splitCommandLine(GetParam().line), GetParam().words);
}

using W = std::vector<std::string>;

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitCommandLine,
    testing::Values(
        SplitCase{"Empty", "", W{}}, SplitCase{"OnlyBlanks", " \t ", W{}},
        SplitCase{"ProgramAlone", "viewer", W{"viewer"}},
        SplitCase{"BlanksSeparate", "  viewer   -a\t-b  ", W{"viewer", "-a", "-b"}},
        SplitCase{"QuotedProgramKeepsBackslashes", R"("C:\Program Files\View\v.exe" -x)",
                  W{R"(C:\Program Files\View\v.exe)", "-x"}},
        SplitCase{"UnquotedProgramKeepsQuotes", R"(a"b c)", W{R"(a"b)", "c"}},
        SplitCase{"ProgramEndsAtClosingQuote", R"("v"x y)", W{"v", "x", "y"}},
        SplitCase{"UnterminatedQuotedProgram", R"("my viewer -x)", W{"my viewer -x"}},
        SplitCase{"QuotesGroupWords", R"(v "camera 3" on)", W{"v", "camera 3", "on"}},
        SplitCase{"QuotesInsideAWord", R"(v a"b c"d)", W{"v", "ab cd"}},
        SplitCase{"EmptyQuotedArgument", R"(v "" x)", W{"v", "", "x"}},
        SplitCase{"UnterminatedQuote", R"(v "a  b)", W{"v", "a  b"}},
        SplitCase{"DoubledQuoteInsideQuotes", R"(v "say ""hi"" now")", W{"v", R"(say "hi" now)"}},
        SplitCase{"EscapedQuote", R"(v \"a\")", W{"v", R"("a")"}},
        SplitCase{"BackslashesBeforeOtherCharactersStay", R"(v a\\b\c)", W{"v", R"(a\\b\c)"}},
        SplitCase{"EvenBackslashesBeforeQuote", R"(v a\\"b c")", W{"v", R"(a\b c)"}},
        SplitCase{"OddBackslashesBeforeQuote", R"(v a\\\"b)", W{"v", R"(a\"b)"}},
        SplitCase{"TrailingBackslashes", R"(v "C:\dir\\")", W{"v", R"(C:\dir\)"}},
        SplitCase{"ShellCharactersAreOrdinary", "v $HOME;rm -f *|cat>x `id` &",
                  W{"v", "$HOME;rm", "-f", "*|cat>x", "`id`", "&"}},
        SplitCase{"GbkBytesUnchanged", "v \xBC\xE0\xBF\xD8", W{"v", "\xBC\xE0\xBF\xD8"}}),
    [](const auto& c) { return c.param.name; });

}  // namespace
}  // namespace kavro
