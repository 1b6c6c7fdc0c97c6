#include "kavro/encoder.hpp"
#include "kavro/line_settings.hpp"

namespace kavro {

bool LineOutcome::timedOut() const noexcept {
    for (const LineFailure& failure : failures) {
        if (failure.result.isTimedOut()) return true;
    }
    return false;
}

std::string LineOutcome::text() const {
    if (failures.empty()) return {};
    const LineFailure& first = failures.front();
    std::string text =
        first.kind == WireTrace::Kind::Write
            ? "write " + std::to_string(first.write) + " of " + std::to_string(writes)
            : std::string(first.kind == WireTrace::Kind::Parity ? "the parity change"
                                                                : "the settings change") +
                  " before write " + std::to_string(first.write + 1) + " of " +
                  std::to_string(writes);
    text += " failed: " + first.result.error();
    if (failures.size() > 1) {
        const std::size_t more = failures.size() - 1;
        text += " (and " + std::to_string(more) + (more == 1 ? " later event)" : " later events)");
    }
    return text;
}

namespace {

// One write or settings change on the line.
LineResult makeEvent(const WireTrace::Event& event, SerialLine& line) {
    switch (event.kind) {
        case WireTrace::Kind::Write:
            return line.write(event.bytes);
        case WireTrace::Kind::Parity:
            return setComParity(line, event.parity);
        case WireTrace::Kind::Settings:
            return line.writeSettings(event.settings);
        case WireTrace::Kind::Pause:
            break;
    }
    return {};
}

}  // namespace

LineOutcome playScript(const WireTrace& script, SerialLine& line) {
    LineOutcome outcome;
    bool timedOut = false;
    for (std::size_t i = 0; i < script.size(); ++i) {
        const WireTrace::Event event = script[i];
        if (event.kind == WireTrace::Kind::Pause) {
            line.pause(std::chrono::milliseconds(event.millis));
            continue;
        }
        if (event.kind == WireTrace::Kind::Write) ++outcome.writes;
        // Once the line stopped taking bytes the call ends within the one deadline it had.
        LineResult result = timedOut
                                ? LineResult::timedOut("not tried: an earlier operation timed out")
                                : makeEvent(event, line);
        if (result) continue;
        timedOut = timedOut || result.isTimedOut();
        outcome.failures.push_back({i, outcome.writes, event.kind, std::move(result)});
    }
    return outcome;
}

LineOutcome playUnderFlag(const WireTrace& script, SerialLine& line, BusyFlag& busy) {
    BusyFlagHold hold(busy);
    return playScript(script, line);
}

}  // namespace kavro
