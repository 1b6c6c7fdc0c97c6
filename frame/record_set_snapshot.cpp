#include "kavro/record_set_snapshot.hpp"

namespace kavro {

std::unique_ptr<MemoryRecordSet> snapshotOf(RecordSet& source) {
    // One pass under the source's lock, so another thread's Locate cannot move its cursor
    // between the reads of one row.
    const RecordSet::Hold hold(source);
    const std::vector<std::string> names = source.fieldNames();
    std::vector<Field*> fields;
    fields.reserve(names.size());
    for (const std::string& name : names)
        fields.push_back(&source.fieldByName(name));

    auto copy = std::make_unique<MemoryRecordSet>(names);
    for (source.first(); !source.eof(); source.next()) {
        std::vector<Variant> row;
        row.reserve(fields.size());
        for (const Field* field : fields)
            row.push_back(field->value());
        copy->addRow(std::move(row));
    }
    return copy;
}

}  // namespace kavro
