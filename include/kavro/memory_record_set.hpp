// A record set held in memory, for tests and for hosts that build a table in code.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kavro/record_set.hpp"

namespace kavro {

class FieldNameIndex;

class MemoryRecordSet final : public RecordSet {
  public:
    explicit MemoryRecordSet(std::vector<std::string> columns);
    ~MemoryRecordSet() override;

    // Building and inspecting the table (not record-set operations, and not for a table other
    // threads use meanwhile). A row shorter than the column list is padded with empty values.
    void addRow(std::vector<Variant> values);
    std::size_t rowCount() const { return rows_.size(); }
    const Variant& cell(std::size_t row, std::string_view column) const;

    // Constraints a database would enforce, to show failure paths: Append raises on a
    // read-only set, Post raises when a required column of the pending row is empty.
    void setReadOnly(bool readOnly) { readOnly_ = readOnly; }
    void setRequired(std::string_view column);
    int controlsDisabled() const { return controlsDisabled_; }
    int refreshCount() const { return refreshes_; }

  protected:
    bool doLocate(std::string_view keyField, const Variant& key, LocateOptions options) override;
    Field& doFieldByName(std::string_view name) override;
    Variant doFieldValue(std::string_view name) override;
    std::vector<std::string> doFieldNames() const override;
    void doAppend() override;
    void doPost() override;
    void doCancel() override;
    bool doInserting() const override { return pending_.has_value(); }
    void doFirst() override;
    void doNext() override;
    bool doEof() const override { return current_ >= rows_.size(); }
    void doDeleteRow() override;
    void doDisableControls() override { ++controlsDisabled_; }
    void doEnableControls() override { --controlsDisabled_; }
    void doRefresh() override { ++refreshes_; }

  private:
    class MemoryField;
    friend class MemoryField;
    std::size_t columnIndex(std::string_view name) const;  // raises FieldNotFound

    std::vector<std::unique_ptr<MemoryField>> fields_;
    // Names to columns: the field lookup of every encoder call runs through it.
    std::unique_ptr<FieldNameIndex> names_;
    std::vector<bool> required_;
    std::vector<std::vector<Variant>> rows_;
    std::optional<std::vector<Variant>> pending_;
    std::size_t current_ = 0;
    bool readOnly_ = false;
    int controlsDisabled_ = 0;
    int refreshes_ = 0;
};

}  // namespace kavro
