// A host-implemented record set for tests: the C callbacks of kavro_recordset_ops forwarding to
// a record set of the library's own, so every behaviour the library's tables show can be shown
// through the callbacks too. A callback turns the inner set's HostError into its code and
// message, as a host would report its own failures.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kavro/c/recordset_ops.h"
#include "kavro/record_set.hpp"

namespace kavro::test {

class CallbacksOverRecordSet {
  public:
    explicit CallbacksOverRecordSet(std::unique_ptr<RecordSet> inner);
    const kavro_recordset_ops& ops() const;
    void* context() { return this; }
    RecordSet& inner() { return *inner_; }

    // What the callbacks hand out stays here until the next callback, as the contract allows.
    std::string text;
    std::string message;
    std::vector<std::string> names;
    std::vector<const char*> namePointers;

  private:
    std::unique_ptr<RecordSet> inner_;
};

// The library's record set over those callbacks; it owns the forwarding object.
std::unique_ptr<RecordSet> recordSetOverCallbacks(std::unique_ptr<RecordSet> inner);

}  // namespace kavro::test
