// A record set the host implements through the C callbacks of kavro_recordset_ops. Values cross
// raw (empty, integer, real, text bytes) and become Variants here, so the library's conversion
// rules apply to them as to its own tables; a callback's failure becomes the HostError its code
// names, with the host's message.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "kavro/c/recordset_ops.h"
#include "kavro/record_set.hpp"

namespace kavro {

class CallbackRecordSet final : public RecordSet {
  public:
    // Raises std::invalid_argument for an unknown version or a missing callback.
    CallbackRecordSet(const kavro_recordset_ops& ops, void* context);
    ~CallbackRecordSet() override;

  protected:
    bool doLocate(std::string_view keyField, const Variant& key, LocateOptions options) override;
    Field& doFieldByName(std::string_view name) override;
    std::vector<std::string> doFieldNames() const override;
    void doAppend() override;
    void doPost() override;
    void doCancel() override;
    bool doInserting() const override;
    void doFirst() override;
    void doNext() override;
    bool doEof() const override;
    void doDeleteRow() override;
    void doDisableControls() override;
    void doEnableControls() override;
    void doRefresh() override;

  private:
    class CallbackField;
    // Raises the HostError for a callback's result; nothing for KAVRO_ERROR_NONE. Called after
    // the callback has returned, so that its message is set.
    void check(int result, const char* message, const char* operation) const;

    kavro_recordset_ops ops_;  // a copy: the host need not keep its struct
    void* context_;
    // One field object per name the library asked for, keyed by the name in upper case: the
    // references fieldByName hands out stay valid for the record set's life.
    std::map<std::string, std::unique_ptr<CallbackField>> fields_;
};

}  // namespace kavro
