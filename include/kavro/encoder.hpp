// What the command encoders share: why a call sent nothing, and how a finished script is played
// on a serial line under the line's busy flag.
#pragma once

#include <string>

#include "kavro/busy_flag.hpp"
#include "kavro/serial_line.hpp"
#include "kavro/wire_trace.hpp"

namespace kavro {

// Why an encoder call sent nothing. In every case nothing was written and the busy flag was
// not touched.
enum class Refusal {
    None,             // the command was sent
    NoRow,            // the protocol table has no row with the protocol ID
    LookupFailed,     // the table could not be searched (no ID field, a database error)
    MissingField,     // the row has no field of that name
    EmptyValue,       // the field's value is empty (NULL)
    NotANumber,       // the field holds text that is no number
    ValueOutOfRange,  // the field's number does not fit what it must hold
    NegativeLength,   // the row's Length is below 0
    LengthTooLarge,   // the row's Length is above the largest frame the library builds
    ReadFailed,       // any other failure while reading the row
};

struct SendResult {
    Refusal refusal = Refusal::None;
    std::string field;    // the field concerned, where there is one
    std::string message;  // one line for people, without the protocol or table name
    bool sent() const noexcept { return refusal == Refusal::None; }
};

// Plays a script on the line: writes, pauses and parity changes in order (a parity change as
// the read-modify-write of setComParity). Failed writes are not examined, as on the original
// wire: later events still go out.
void playScript(const WireTrace& script, SerialLine& line);
// Waits for the busy flag, plays the script, clears the flag, on every path.
void playUnderFlag(const WireTrace& script, SerialLine& line, BusyFlag& busy);

}  // namespace kavro
