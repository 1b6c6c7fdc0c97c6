// Failures of the host objects. Inside the library every failure is a HostError; exported C
// functions turn them into their documented failure results, and the few that may leave a call
// reach C callers through kavro_last_error_code()/kavro_last_error_message().
#pragma once

#include <stdexcept>
#include <string>

namespace kavro {

enum class HostErrorCode {
    FieldNotFound,     // FieldByName on a name the record set does not have
    EmptyValue,        // an empty (NULL) value read as a number
    NotANumber,        // text that does not read as a number
    Overflow,          // a number outside the range of the wanted integer type
    InvalidOperation,  // an operation the value or record set cannot do in its state
    DatabaseError,     // the database refused an operation (constraint, read-only, locked, ...)
    OutOfRange,        // a frame access outside the frame (DynArrayOutOfRange)
};

class HostError : public std::runtime_error {
  public:
    HostError(HostErrorCode code, const std::string& message)
        : std::runtime_error(message), code_(code) {}
    HostErrorCode code() const noexcept { return code_; }

  private:
    HostErrorCode code_;
};

// A byte access outside the command frame; carries the index tried and the frame's length.
class DynArrayOutOfRange : public HostError {
  public:
    DynArrayOutOfRange(long long index, long long length);
    long long index() const noexcept { return index_; }
    long long length() const noexcept { return length_; }

  private:
    long long index_;
    long long length_;
};

}  // namespace kavro
