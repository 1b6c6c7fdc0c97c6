// The host's record set (TDataSet) and field (TField): the operations the library performs on
// a table the host hands it, and nothing more. Two implementations ship: MemoryRecordSet for
// tables built in code, SqliteRecordSet over a table of a SQLite database file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kavro/variant.hpp"

namespace kavro {

// The host's date-time: days since 30 December 1899, the time of day as the fraction.
using HostDateTime = double;

struct LocateOptions {
    bool caseInsensitive = false;
    // A text key matches every value that begins with it (byte-wise). Keys that are not text
    // are always matched whole.
    bool partialKey = false;
};

class Field {
  public:
    virtual ~Field() = default;
    virtual const std::string& name() const = 0;

    // The current row's value; empty when there is no current row or the value is NULL.
    virtual Variant value() const = 0;
    std::int32_t asInteger() const { return value().toInt32(); }
    std::string asString() const { return value().toText(); }

    // Writes go to the pending row of Append; outside insert state they raise.
    virtual void setValue(const Variant& value) = 0;
    void setInteger(std::int32_t v) { setValue(Variant(v)); }
    void setString(std::string_view v) { setValue(Variant(v)); }
    virtual void setDateTime(HostDateTime when) = 0;
};

class RecordSet {
  public:
    virtual ~RecordSet() = default;

    // Moves to the first row, in the table's row order, whose keyField equals key (or begins
    // with it, for a partial text key) and returns true; returns false and keeps the position
    // when there is none. Raises when the record set has no field keyField.
    virtual bool locate(std::string_view keyField, const Variant& key, LocateOptions options) = 0;
    // The named field (names compare without regard to ASCII letter case); raises
    // HostErrorCode::FieldNotFound when there is none. The reference stays valid as long as
    // the record set.
    virtual Field& fieldByName(std::string_view name) = 0;
    // Every field's name, in the table's column order.
    virtual std::vector<std::string> fieldNames() const = 0;

    virtual void append() = 0;  // starts a pending row at the end (insert state)
    virtual void post() = 0;    // writes the pending row; raises if it cannot be written
    virtual void cancel() = 0;  // drops the pending row, if any
    virtual bool inserting() const = 0;

    virtual void first() = 0;
    virtual void next() = 0;       // the following row in row order; after the last, eof()
    virtual bool eof() const = 0;  // true when there is no current row
    virtual void deleteRow() = 0;  // Delete: the next row becomes current

    virtual void disableControls() = 0;
    virtual void enableControls() = 0;
    virtual void refresh() = 0;
};

// ASCII case-insensitive equality, the host's rule for field names.
bool sameFieldName(std::string_view a, std::string_view b) noexcept;

}  // namespace kavro
