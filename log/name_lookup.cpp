#include "kavro/name_lookup.hpp"

namespace kavro {

std::int32_t nameToId(RecordSet& set, std::string_view name) {
    const Variant key(name);  // a text key, so Locate compares it as a prefix
    LocateOptions options;
    options.partialKey = true;  // and only that: letter case counts
    // The ID is read from the row found, before another thread's Locate can move the set.
    const RecordSet::Hold hold(set);
    if (!set.locate("Name", key, options)) return 0;
    return set.fieldByName("ID").asInteger();
}

}  // namespace kavro
