// What the command encoders share: why a call sent nothing, what went wrong on the line while
// it sent, and how a finished script is played on a serial line under the line's busy flag.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "kavro/busy_flag.hpp"
#include "kavro/serial_line.hpp"
#include "kavro/wire_trace.hpp"

namespace kavro {

// Why an encoder call sent nothing. In every case nothing was written and the busy flag was
// not touched.
enum class Refusal {
    None,              // the command was sent
    NoRow,             // the protocol table has no row with the protocol ID
    LookupFailed,      // the table could not be searched (no ID field, a database error)
    MissingField,      // the row has no field of that name
    EmptyValue,        // the field's value is empty (NULL)
    NotANumber,        // the field holds text that is no number
    ValueOutOfRange,   // the field's number does not fit what it must hold
    CameraOutOfRange,  // the camera address plus BaseAddress does not fit a 32-bit wire address
    NegativeLength,    // the row's Length is below 0
    LengthTooLarge,    // the row's Length is above the largest frame the library builds
    ReadFailed,        // any other failure while reading the row
};

// One event of a played script that the line failed: a write, or a parity or settings change.
struct LineFailure {
    std::size_t event = 0;  // its index in the script
    std::size_t write = 0;  // for a write, which of the script's writes, counted from 1; for
                            // a settings change, how many writes came before it
    WireTrace::Kind kind = WireTrace::Kind::Write;
    LineResult result;  // the line's reason
};

// What became of a played script on the line: every failed event, in order. An event after a
// timed-out one is not tried (it fails at once, timed out too), so one line that stopped
// draining costs the call one deadline, not one per write.
struct LineOutcome {
    std::size_t writes = 0;  // the script's writes, tried or not
    std::vector<LineFailure> failures;

    bool ok() const noexcept { return failures.empty(); }
    bool timedOut() const noexcept;
    // "write 3 of 20 failed: Input/output error (and 17 later events)", "" when ok.
    std::string text() const;
};

struct SendResult {
    SendResult() = default;
    SendResult(Refusal why, std::string fieldName, std::string text)
        : refusal(why), field(std::move(fieldName)), message(std::move(text)) {}

    Refusal refusal = Refusal::None;
    std::string field;    // the field concerned, where there is one (none for the camera)
    std::string message;  // one line for people, without the protocol or table name
    LineOutcome line;     // when sent: what the line made of it
    // The row was read and the script played (whatever the line made of it).
    bool sent() const noexcept { return refusal == Refusal::None; }
    // Sent, and every write and settings change of it taken by the line.
    bool ok() const noexcept { return sent() && line.ok(); }
};

// Plays a script on the line: writes, pauses and parity changes in order (a parity change as
// the read-modify-write of setComParity). A failed write or settings change does not stop the
// call: later events are still made, in order, so the line sees what it would have seen; only
// after a timed-out event are the later writes and settings changes failed without trying them
// (pauses are still made).
LineOutcome playScript(const WireTrace& script, SerialLine& line);
// Waits for the busy flag, plays the script, clears the flag, on every path.
LineOutcome playUnderFlag(const WireTrace& script, SerialLine& line, BusyFlag& busy);

}  // namespace kavro
