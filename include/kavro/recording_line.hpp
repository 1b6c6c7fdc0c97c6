// A serial line that records what it is asked to do, in order, and waits for nothing. Alone it
// keeps the settings itself; given another line it passes everything on and records it too,
// which is how the tool traces a real port.
//
// A settings change that leaves speed, data bits and stop bits as they were is recorded as a
// parity event (the only change the encoders make); any other as a settings event.
#pragma once

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

    bool readSettings(CommSettings& settings) override;
    bool writeSettings(const CommSettings& settings) override;
    bool write(std::span<const std::uint8_t> bytes) override;
    void pause(std::chrono::milliseconds duration) override;

    const WireTrace& trace() const noexcept { return trace_; }
    void clearTrace() { trace_.clear(); }
    const CommSettings& settings() const noexcept { return settings_; }

    // Make later calls fail, as a broken or refusing port would (they are still recorded).
    void failWrites(bool fail) noexcept { failWrites_ = fail; }
    void failSettings(bool fail) noexcept { failSettings_ = fail; }

  private:
    SerialLine* forward_ = nullptr;
    CommSettings settings_;
    WireTrace trace_;
    bool failWrites_ = false;
    bool failSettings_ = false;
};

}  // namespace kavro
