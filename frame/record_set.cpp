#include "frame/record_set_match.hpp"

#include "kavro/host_error.hpp"

namespace kavro {
namespace {
char fold(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool sameText(std::string_view a, std::string_view b, bool caseInsensitive) noexcept {
    if (a.size() != b.size()) return false;
    if (!caseInsensitive) return a == b;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}
}  // namespace

Variant Field::value() const {
    const RecordSet::Hold hold(owner_);
    return readValue();
}

void Field::setValue(const Variant& value) {
    const RecordSet::Hold hold(owner_);
    writeValue(value);
}

void Field::setDateTime(HostDateTime when) {
    const RecordSet::Hold hold(owner_);
    writeDateTime(when);
}

bool RecordSet::locate(std::string_view keyField, const Variant& key, LocateOptions options) {
    const Hold hold(*this);
    return doLocate(keyField, key, options);
}

Field& RecordSet::fieldByName(std::string_view name) {
    const Hold hold(*this);
    return doFieldByName(name);
}

Variant RecordSet::fieldValue(std::string_view name) {
    const Hold hold(*this);
    return doFieldValue(name);
}

Variant RecordSet::doFieldValue(std::string_view name) {
    return doFieldByName(name).readValue();
}

std::vector<std::string> RecordSet::fieldNames() const {
    const Hold hold(*this);
    return doFieldNames();
}

void RecordSet::append() {
    const Hold hold(*this);
    doAppend();
}

void RecordSet::post() {
    const Hold hold(*this);
    doPost();
}

void RecordSet::cancel() {
    const Hold hold(*this);
    doCancel();
}

bool RecordSet::inserting() const {
    const Hold hold(*this);
    return doInserting();
}

void RecordSet::first() {
    const Hold hold(*this);
    doFirst();
}

void RecordSet::next() {
    const Hold hold(*this);
    doNext();
}

bool RecordSet::eof() const {
    const Hold hold(*this);
    return doEof();
}

void RecordSet::deleteRow() {
    const Hold hold(*this);
    doDeleteRow();
}

void RecordSet::disableControls() {
    const Hold hold(*this);
    doDisableControls();
}

void RecordSet::enableControls() {
    const Hold hold(*this);
    doEnableControls();
}

void RecordSet::refresh() {
    const Hold hold(*this);
    doRefresh();
}

bool sameFieldName(std::string_view a, std::string_view b) noexcept {
    return sameText(a, b, true);
}

bool keyMatchesAnyType(const Variant& value, const Variant& key, LocateOptions options) {
    if (key.isEmpty()) return value.isEmpty();
    if (value.isEmpty()) return false;
    if (key.type() == Variant::Type::Text) {
        const std::string text = value.toText();
        const std::string_view wanted = key.textValue();
        if (options.partialKey) {
            return text.size() >= wanted.size() &&
                   sameText(std::string_view(text).substr(0, wanted.size()), wanted,
                            options.caseInsensitive);
        }
        return sameText(text, wanted, options.caseInsensitive);
    }
    Variant number;
    try {
        number = value.toNumber();
    } catch (const HostError&) {
        return false;  // a value that is no number never equals a numeric key
    }
    if (number.type() == Variant::Type::Integer && key.type() == Variant::Type::Integer) {
        return number.integerValue() == key.integerValue();
    }
    return number.toReal() == key.toReal();
}

}  // namespace kavro
