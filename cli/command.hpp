// The kavro tool's subcommands: each declares its options and help text and runs on the
// parsed command line. Exit codes: 0 done, 1 the library reported failure (a one-line reason on
// stderr), 2 bad arguments (with the usage).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavro::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The tool's own failures, reported as "kavro: <message>" with exit 1.
class Failure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct OptionSpec {
    const char* name;  // without the leading "--"
    bool takesValue;
};

class CommandLine {
  public:
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const;
    std::string valueOr(const std::string& name, const std::string& fallback) const;
    // The option as a 32-bit integer; raises UsageError when missing (and required) or no number.
    std::int32_t integer(const std::string& name) const;
    std::int32_t integerOr(const std::string& name, std::int32_t fallback) const;
    const std::vector<std::string>& positional() const { return positional_; }

    // Parses "--name value", "--name=value", "--flag" and positional arguments ("--" ends the
    // options). Raises UsageError on an option the command does not know.
    static CommandLine parse(std::span<const std::string> args, std::span<const OptionSpec> specs);

  private:
    std::map<std::string, std::string> values_;
    std::vector<std::string> positional_;
};

std::int32_t parseInteger(const std::string& text, const std::string& what);

struct Command {
    const char* name;
    const char* synopsis;  // the usage line, after "kavro "
    const char* help;      // what it does, its options, an example
    std::vector<OptionSpec> options;
    int (*run)(const CommandLine& line);
};

// Every subcommand lives in its own cmd_*.cpp and registers itself there:
//   static const CommandRegistration registration{decoderCommand};
class CommandRegistration {
  public:
    explicit CommandRegistration(const Command& (*command)());
};
// The registered commands, sorted by name.
std::vector<const Command*> allCommands();

}  // namespace kavro::cli
