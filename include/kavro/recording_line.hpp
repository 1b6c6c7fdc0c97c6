// A serial line that records what it is asked to do, in order, and waits for nothing. Alone it
// keeps the settings itself; given another line it passes everything on and records it too,
// which is how the tool traces a real port. An operation the line failed is marked failed in
// the trace, with the line's reason.
//
// A settings change that leaves speed, data bits and stop bits as they were is recorded as a
// parity event (the only change the encoders make); any other as a settings event.
#pragma once

#include <optional>

#include "kavro/serial_line.hpp"
#include "kavro/wire_trace.hpp"

namespace kavro {

class RecordingLine final : public SerialLine {
  public:
    explicit RecordingLine(CommSettings initial = {}) : settings_(initial) {}
    // Passes everything on to forward (not null) and records it too.
    explicit RecordingLine(SerialLine* forward) : forward_(forward) {}
    RecordingLine(const RecordingLine&) = delete;
    RecordingLine& operator=(const RecordingLine&) = delete;

    LineResult readSettings(CommSettings& settings) override;
    LineResult writeSettings(const CommSettings& settings) override;
    LineResult write(std::span<const std::uint8_t> bytes) override;
    void pause(std::chrono::milliseconds duration) override;
    void setWriteDeadline(const WriteDeadline& deadline) override;

    const WireTrace& trace() const noexcept { return trace_; }
    void clearTrace() { trace_.clear(); }
    const CommSettings& settings() const noexcept { return settings_; }

    // Make later calls fail, as a broken or refusing port would (they are still recorded), with
    // this reason; a timed-out result when timedOut.
    void failWrites(bool fail, std::string error = "Input/output error", bool timedOut = false);
    void failSettings(bool fail, std::string error = "Invalid argument");

  private:
    LineResult injected(const std::optional<LineResult>& failure) const;
    SerialLine* forward_ = nullptr;
    CommSettings settings_;
    WireTrace trace_;
    std::optional<LineResult> writeFailure_;
    std::optional<LineResult> settingsFailure_;
};

}  // namespace kavro
