// What the tool says on stderr before it sends what is almost always a mistake: a frame of unset
// bytes, a camera, parameter or channel the frame cannot carry, a command name that is one of the
// row's own columns, a speed level no byte of the frame carries. One line each; the command goes
// out all the same (the exit status does not change), and --quiet silences them.
//
// What a frame carries is found by the encoders themselves, not by a second description of the
// layouts: a value "does not fit" when a smaller value from 0 up gives the very same script, and
// the warning names that value as what goes out instead.
#pragma once

#include <cstdint>
#include <string>

#include "cli/command.hpp"
#include "kavro/record_set.hpp"

namespace kavro::cli {

inline const OptionSpec kQuietOption{"quiet", false};

class SendWarnings {
  public:
    explicit SendWarnings(const CommandLine& line) : quiet_(line.has("quiet")) {}
    // "kavro: warning: <text>" on stderr, unless --quiet.
    void warn(const std::string& text) const;

  private:
    bool quiet_;
};

// Each looks at the call as the tool is about to make it; a call the encoder refuses gets no
// warning here (the refusal is the tool's error).
void warnDecoderSend(const SendWarnings& out, RecordSet& table, std::int32_t protocol,
                     std::int32_t camera, const std::string& command);

struct DomeArguments {
    std::int32_t protocol, camera, speed, param;
    bool speedGiven, paramGiven;
};
void warnDomeSend(const SendWarnings& out, RecordSet& table, const DomeArguments& call,
                  const std::string& command);

void warnSwitchSend(const SendWarnings& out, std::int32_t protocol, std::int32_t first,
                    std::int32_t second);

}  // namespace kavro::cli
