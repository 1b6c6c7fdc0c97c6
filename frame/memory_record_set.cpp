#include "kavro/memory_record_set.hpp"

#include "frame/field_name_index.hpp"
#include "frame/record_set_match.hpp"
#include "kavro/host_error.hpp"

namespace kavro {

class MemoryRecordSet::MemoryField final : public Field {
  public:
    MemoryField(MemoryRecordSet& owner, std::string name, std::size_t column)
        : Field(owner), owner_(owner), name_(std::move(name)), column_(column) {}

    const std::string& name() const override { return name_; }

  protected:
    Variant readValue() const override {
        if (owner_.doEof()) return {};
        return owner_.rows_[owner_.current_][column_];
    }

    void writeValue(const Variant& value) override {
        if (!owner_.pending_) {
            throw HostError(HostErrorCode::InvalidOperation,
                            "field " + name_ + " written while the record set is not inserting");
        }
        (*owner_.pending_)[column_] = value;
    }

    void writeDateTime(HostDateTime when) override { writeValue(Variant(when)); }

  private:
    MemoryRecordSet& owner_;
    std::string name_;
    std::size_t column_;
};

MemoryRecordSet::MemoryRecordSet(std::vector<std::string> columns)
    : names_(std::make_unique<FieldNameIndex>(columns)), required_(columns.size(), false) {
    fields_.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
        fields_.push_back(std::make_unique<MemoryField>(*this, std::move(columns[i]), i));
}

MemoryRecordSet::~MemoryRecordSet() = default;

void MemoryRecordSet::addRow(std::vector<Variant> values) {
    values.resize(fields_.size());
    rows_.push_back(std::move(values));
}

const Variant& MemoryRecordSet::cell(std::size_t row, std::string_view column) const {
    return rows_.at(row).at(columnIndex(column));
}

void MemoryRecordSet::setRequired(std::string_view column) {
    required_[columnIndex(column)] = true;
}

std::size_t MemoryRecordSet::columnIndex(std::string_view name) const {
    const std::size_t column = names_->find(name);
    if (column != FieldNameIndex::npos) return column;
    throw HostError(HostErrorCode::FieldNotFound, "field '" + std::string(name) + "' not found");
}

bool MemoryRecordSet::doLocate(std::string_view keyField, const Variant& key,
                               LocateOptions options) {
    const std::size_t column = columnIndex(keyField);
    if (key.type() == Variant::Type::Integer) {
        // The encoders' Locate on ID: integer cells compare inline, row after row.
        const long long wanted = key.integerValue();
        for (std::size_t row = 0; row < rows_.size(); ++row) {
            const Variant& value = rows_[row][column];
            if (value.type() == Variant::Type::Integer ? value.integerValue() == wanted
                                                       : keyMatchesAnyType(value, key, options)) {
                current_ = row;
                return true;
            }
        }
        return false;
    }
    for (std::size_t row = 0; row < rows_.size(); ++row) {
        if (keyMatches(rows_[row][column], key, options)) {
            current_ = row;
            return true;
        }
    }
    return false;
}

Field& MemoryRecordSet::doFieldByName(std::string_view name) {
    return *fields_[columnIndex(name)];
}

Variant MemoryRecordSet::doFieldValue(std::string_view name) {
    const std::size_t column = columnIndex(name);
    return doEof() ? Variant() : rows_[current_][column];
}

std::vector<std::string> MemoryRecordSet::doFieldNames() const {
    std::vector<std::string> names;
    names.reserve(fields_.size());
    for (const auto& field : fields_)
        names.push_back(field->name());
    return names;
}

void MemoryRecordSet::doAppend() {
    if (readOnly_) throw HostError(HostErrorCode::DatabaseError, "the record set is read-only");
    pending_.emplace(fields_.size());
}

void MemoryRecordSet::doPost() {
    if (!pending_) throw HostError(HostErrorCode::InvalidOperation, "no pending row to post");
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (required_[i] && (*pending_)[i].isEmpty()) {
            throw HostError(HostErrorCode::DatabaseError,
                            "field " + fields_[i]->name() + " must have a value");
        }
    }
    rows_.push_back(std::move(*pending_));
    pending_.reset();
    current_ = rows_.size() - 1;
}

void MemoryRecordSet::doCancel() {
    pending_.reset();
}

void MemoryRecordSet::doFirst() {
    current_ = 0;
}

void MemoryRecordSet::doNext() {
    if (!doEof()) ++current_;
}

void MemoryRecordSet::doDeleteRow() {
    if (doEof()) throw HostError(HostErrorCode::InvalidOperation, "no current row to delete");
    if (readOnly_) throw HostError(HostErrorCode::DatabaseError, "the record set is read-only");
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(current_));
}

}  // namespace kavro
