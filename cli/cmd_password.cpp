// kavro password: the password number of a seed and a text.
#include <charconv>
#include <cinttypes>
#include <cstdio>

#include "cli/command.hpp"
#include "kavro/text_helpers.hpp"

namespace kavro::cli {
namespace {

// A 32-bit pattern: 0..4294967295, -2147483648..-1 (the same bits), or 0x0..0xFFFFFFFF.
std::uint32_t parseSeed(const std::string& text) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    const bool negative = begin != end && *begin == '-';
    if (negative) ++begin;
    int base = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        base = 16;
        begin += 2;
    }
    std::uint64_t magnitude = 0;
    const auto [stop, ec] = std::from_chars(begin, end, magnitude, base);
    if (begin == end || ec != std::errc() || stop != end || magnitude > 0xFFFFFFFFu ||
        (negative && magnitude > 0x80000000u)) {
        throw UsageError("SEED must be a 32-bit number, not '" + text + "'");
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return negative ? 0u - bits : bits;
}

int runPassword(const CommandLine& line) {
    if (line.positional().size() != 2) throw UsageError("give SEED and TEXT");
    const std::uint32_t seed = parseSeed(line.positional()[0]);
    const std::uint32_t number = generatePassword(seed, line.positional()[1]);
    std::printf("%" PRIu32 " 0x%08" PRIX32 "\n", number, number);
    return kExitOk;
}

const Command& passwordCommand() {
    static const Command command{
        "password",
        "password SEED TEXT",
        "Prints the password number of a 32-bit seed and a text, in decimal and in hex.\n"
        "The text's bytes are used as given (the hosts pass system code page text).\n"
        "\n"
        "  SEED   decimal, negative (the same 32 bits) or 0x-prefixed hex\n"
        "  TEXT   the text; \"\" gives the seed back\n"
        "\n"
        "Example:\n"
        "  kavro password 0 abc        prints 4167096870 0xF860DA26\n",
        {},
        runPassword,
    };
    return command;
}

const CommandRegistration registration{passwordCommand};

}  // namespace
}  // namespace kavro::cli
