#include "cli/command.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace kavro::cli {
namespace {
std::vector<const Command& (*)()>& registry() {
    static std::vector<const Command& (*)()> commands;
    return commands;
}
}  // namespace

CommandRegistration::CommandRegistration(const Command& (*command)()) {
    registry().push_back(command);
}

std::vector<const Command*> allCommands() {
    std::vector<const Command*> commands;
    for (auto make : registry())
        commands.push_back(&make());
    std::sort(commands.begin(), commands.end(),
              [](const Command* a, const Command* b) { return std::strcmp(a->name, b->name) < 0; });
    return commands;
}

std::optional<std::string> CommandLine::value(const std::string& name) const {
    auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

std::string CommandLine::valueOr(const std::string& name, const std::string& fallback) const {
    return value(name).value_or(fallback);
}

std::int32_t parseInteger(const std::string& text, const std::string& what) {
    std::int32_t result = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    int base = 10;
    bool negative = false;
    if (begin != end && *begin == '-') {
        negative = true;
        ++begin;
    }
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X')) {
        base = 16;
        begin += 2;
    }
    std::int64_t magnitude = 0;
    auto [stop, ec] = std::from_chars(begin, end, magnitude, base);
    if (begin == end || ec != std::errc() || stop != end) {
        throw UsageError(what + " must be a number, not '" + text + "'");
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX)
        throw UsageError(what + " is out of range: " + text);
    result = static_cast<std::int32_t>(value);
    return result;
}

std::int32_t CommandLine::integer(const std::string& name) const {
    auto text = value(name);
    if (!text) throw UsageError("--" + name + " is required");
    return parseInteger(*text, "--" + name);
}

std::int32_t CommandLine::integerOr(const std::string& name, std::int32_t fallback) const {
    return has(name) ? integer(name) : fallback;
}

CommandLine CommandLine::parse(std::span<const std::string> args,
                               std::span<const OptionSpec> specs) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            line.positional_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionSpec* known = nullptr;
        for (const OptionSpec& s : specs) {
            if (name == s.name) known = &s;
        }
        if (known == nullptr) throw UsageError("unknown option --" + name);
        if (!known->takesValue) {
            if (inlineValue) throw UsageError("--" + name + " takes no value");
            line.values_[name] = "";
        } else if (inlineValue) {
            line.values_[name] = *inlineValue;
        } else if (i + 1 < args.size()) {
            line.values_[name] = args[++i];
        } else {
            throw UsageError("--" + name + " needs a value");
        }
    }
    return line;
}

}  // namespace kavro::cli
