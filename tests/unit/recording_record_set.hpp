// A record set that writes down every operation the library performs on it, in order, over a
// MemoryRecordSet that does the work: for checking the order of a function's steps.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kavro/memory_record_set.hpp"

namespace kavro::test {

class RecordingRecordSet final : public RecordSet {
  public:
    explicit RecordingRecordSet(std::vector<std::string> columns) : inner_(std::move(columns)) {}

    MemoryRecordSet& inner() { return inner_; }
    std::vector<std::string> log;

  protected:
    bool doLocate(std::string_view keyField, const Variant& key, LocateOptions options) override {
        log.push_back("locate " + std::string(keyField) + " '" + key.toText() + "'" +
                      (options.partialKey ? " partial" : "") +
                      (options.caseInsensitive ? " nocase" : ""));
        return inner_.locate(keyField, key, options);
    }
    Field& doFieldByName(std::string_view name) override {
        log.push_back("field " + std::string(name));
        Field& field = inner_.fieldByName(name);
        auto& wrapper = fields_[field.name()];
        if (!wrapper) wrapper = std::make_unique<RecordingField>(*this, field, log);
        return *wrapper;
    }
    void doAppend() override {
        log.push_back("append");
        inner_.append();
    }
    void doPost() override {
        log.push_back("post");
        inner_.post();
    }
    void doCancel() override {
        log.push_back("cancel");
        inner_.cancel();
    }
    bool doInserting() const override { return inner_.inserting(); }
    void doFirst() override {
        log.push_back("first");
        inner_.first();
    }
    void doNext() override {
        log.push_back("next");
        inner_.next();
    }
    bool doEof() const override { return inner_.eof(); }
    std::vector<std::string> doFieldNames() const override { return inner_.fieldNames(); }
    void doDeleteRow() override {
        log.push_back("delete");
        inner_.deleteRow();
    }
    void doDisableControls() override {
        log.push_back("disableControls");
        inner_.disableControls();
    }
    void doEnableControls() override {
        log.push_back("enableControls");
        inner_.enableControls();
    }
    void doRefresh() override {
        log.push_back("refresh");
        inner_.refresh();
    }

  private:
    class RecordingField final : public Field {
      public:
        RecordingField(const RecordSet& owner, Field& inner, std::vector<std::string>& log)
            : Field(owner), inner_(inner), log_(log) {}
        const std::string& name() const override { return inner_.name(); }

      protected:
        Variant readValue() const override { return inner_.value(); }
        void writeValue(const Variant& value) override {
            log_.push_back(name() + " := " + value.toText());
            inner_.setValue(value);
        }
        void writeDateTime(HostDateTime when) override {
            log_.push_back(name() + " := date-time " + Variant(when).toText());
            inner_.setDateTime(when);
        }

      private:
        Field& inner_;
        std::vector<std::string>& log_;
    };

    MemoryRecordSet inner_;
    std::map<std::string, std::unique_ptr<RecordingField>> fields_;
};

}  // namespace kavro::test
