// The host's record set (TDataSet) and field (TField): the operations the library performs on
// a table the host hands it, and nothing more. Two implementations ship: MemoryRecordSet for
// tables built in code, SqliteRecordSet over a table of a SQLite database file.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
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

class RecordSet;

// A field of a record set. Its value is read and written under its record set's lock.
class Field {
  public:
    virtual ~Field() = default;
    virtual const std::string& name() const = 0;

    // The current row's value; empty when there is no current row or the value is NULL.
    Variant value() const;
    std::int32_t asInteger() const { return value().toInt32(); }
    std::string asString() const { return value().toText(); }

    // Writes go to the pending row of Append; outside insert state they raise.
    void setValue(const Variant& value);
    void setInteger(std::int32_t v) { setValue(Variant(v)); }
    void setString(std::string_view v) { setValue(Variant(v)); }
    void setDateTime(HostDateTime when);

  protected:
    explicit Field(const RecordSet& owner) noexcept : owner_(owner) {}
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;

    // The implementation's side, always called with the record set's lock held.
    virtual Variant readValue() const = 0;
    virtual void writeValue(const Variant& value) = 0;
    virtual void writeDateTime(HostDateTime when) = 0;

  private:
    friend class RecordSet;  // RecordSet::doFieldValue reads through readValue
    const RecordSet& owner_;
};

// A record set may be shared by threads. Each one carries a lock of its own: every operation
// below, and every read or write through one of its fields, runs under it, so the operations of
// two threads never run at once. That alone does not keep a sequence together: another thread's
// Locate may move the current row between this thread's Locate and its field reads. A caller
// that needs a sequence whole (a Locate and the reads of the row it found, an Append, its field
// writes and the Post) takes a Hold for the sequence. The lock is recursive, so the operations
// inside a Hold take it again without waiting. The library's own callers hold it across every
// such sequence and never across a write to a serial line or a wait for the line's busy flag.
// A new kind of record set implements the protected do-methods and inherits the lock.
class RecordSet {
  public:
    virtual ~RecordSet() = default;

    // Keeps the record set's lock from its construction to its destruction. When the outermost
    // Hold ends, the record set lets go of what it kept for the reads of its current row.
    //
    // The lock is a plain mutex with its owner beside it: a Hold inside a Hold of the same
    // thread (every operation inside the encoders' sequence) only counts, without a second
    // call into the mutex. A thread sees its own id as the owner only between its own store
    // and its own clearing of it, so the relaxed test cannot mistake another thread's lock for
    // its own.
    class Hold {
      public:
        explicit Hold(const RecordSet& set) : set_(set) {
            const std::thread::id self = std::this_thread::get_id();
            if (set.owner_.load(std::memory_order_relaxed) != self) {
                set.mutex_.lock();
                set.owner_.store(self, std::memory_order_relaxed);
            }
            ++set.holds_;
        }
        ~Hold() {
            if (--set_.holds_ != 0) return;
            set_.doEndOfHold();
            set_.owner_.store(std::thread::id(), std::memory_order_relaxed);
            set_.mutex_.unlock();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        const RecordSet& set_;
    };

    // Moves to the first row, in the table's row order, whose keyField equals key (or begins
    // with it, for a partial text key) and returns true; returns false and keeps the position
    // when there is none. Raises when the record set has no field keyField.
    bool locate(std::string_view keyField, const Variant& key, LocateOptions options);
    // The named field (names compare without regard to ASCII letter case); raises
    // HostErrorCode::FieldNotFound when there is none. The reference stays valid as long as
    // the record set.
    Field& fieldByName(std::string_view name);
    // The named field's value on the current row, the host's FieldValues[name]: the value of
    // fieldByName(name), found and read in one step. Raises as fieldByName does.
    Variant fieldValue(std::string_view name);
    // Every field's name, in the table's column order.
    std::vector<std::string> fieldNames() const;

    void append();  // starts a pending row at the end (insert state)
    void post();    // writes the pending row; raises if it cannot be written
    void cancel();  // drops the pending row, if any
    bool inserting() const;

    void first();
    void next();       // the following row in row order; after the last, eof()
    bool eof() const;  // true when there is no current row
    void deleteRow();  // Delete: the next row becomes current

    void disableControls();
    void enableControls();
    void refresh();

  protected:
    RecordSet() = default;
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    // The implementation's side of each operation above, always called with the lock held.
    virtual bool doLocate(std::string_view keyField, const Variant& key, LocateOptions options) = 0;
    virtual Field& doFieldByName(std::string_view name) = 0;
    // By default the value of doFieldByName(name); a record set that can read a column without
    // going through its field object overrides it.
    virtual Variant doFieldValue(std::string_view name);
    virtual std::vector<std::string> doFieldNames() const = 0;
    virtual void doAppend() = 0;
    virtual void doPost() = 0;
    virtual void doCancel() = 0;
    virtual bool doInserting() const = 0;
    virtual void doFirst() = 0;
    virtual void doNext() = 0;
    virtual bool doEof() const = 0;
    virtual void doDeleteRow() = 0;
    virtual void doDisableControls() = 0;
    virtual void doEnableControls() = 0;
    virtual void doRefresh() = 0;
    // Called when the outermost Hold ends, the lock still held: a record set that reads its
    // current row straight from a database statement, and must not keep the statement (and
    // the read lock it holds) past the sequence, lets it go here.
    virtual void doEndOfHold() const noexcept {}

  private:
    mutable std::mutex mutex_;
    mutable std::atomic<std::thread::id> owner_;  // the thread that has the lock, if any
    mutable int holds_ = 0;                       // Holds in effect, all on the owner's thread
};

// ASCII case-insensitive equality, the host's rule for field names.
bool sameFieldName(std::string_view a, std::string_view b) noexcept;

}  // namespace kavro
