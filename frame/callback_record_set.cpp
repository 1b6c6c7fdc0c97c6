#include "frame/callback_record_set.hpp"

#include <stdexcept>

#include "frame/error_codes.hpp"
#include "kavro/host_error.hpp"

namespace kavro {
namespace {

Variant fromRaw(const kavro_value& value) {
    switch (value.type) {
        case KAVRO_VALUE_INTEGER:
            return Variant(static_cast<long long>(value.integer));
        case KAVRO_VALUE_REAL:
            return Variant(value.real);
        case KAVRO_VALUE_TEXT:
            if (value.text == nullptr) return Variant(std::string());
            return Variant(std::string(value.text, value.text_length));
        default:
            return Variant();
    }
}

// The raw form of a value the library writes; text points into the Variant, which outlives the
// callback.
kavro_value toRaw(const Variant& value) {
    kavro_value raw{};
    switch (value.type()) {
        case Variant::Type::Empty:
            raw.type = KAVRO_VALUE_EMPTY;
            break;
        case Variant::Type::Integer:
            raw.type = KAVRO_VALUE_INTEGER;
            raw.integer = value.integerValue();
            break;
        case Variant::Type::Real:
            raw.type = KAVRO_VALUE_REAL;
            raw.real = value.realValue();
            break;
        case Variant::Type::Text:
            raw.type = KAVRO_VALUE_TEXT;
            raw.text = value.textValue().data();
            raw.text_length = value.textValue().size();
            break;
    }
    return raw;
}

std::string upperCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return folded;
}

}  // namespace

class CallbackRecordSet::CallbackField final : public Field {
  public:
    CallbackField(const CallbackRecordSet& owner, std::string name)
        : Field(owner), owner_(owner), name_(std::move(name)) {}
    const std::string& name() const override { return name_; }

  protected:
    Variant readValue() const override {
        kavro_value raw{};
        const char* message = nullptr;
        const int result = owner_.ops_.field_value(owner_.context_, name_.c_str(), &raw, &message);
        owner_.check(result, message, "reading a field");
        return fromRaw(raw);
    }
    void writeValue(const Variant& value) override {
        const kavro_value raw = toRaw(value);
        const char* message = nullptr;
        const int result = owner_.ops_.set_field(owner_.context_, name_.c_str(), &raw, &message);
        owner_.check(result, message, "setting a field");
    }
    void writeDateTime(HostDateTime when) override {
        const char* message = nullptr;
        const int result =
            owner_.ops_.set_field_date_time(owner_.context_, name_.c_str(), when, &message);
        owner_.check(result, message, "setting a date-time field");
    }

  private:
    const CallbackRecordSet& owner_;
    std::string name_;
};

CallbackRecordSet::CallbackRecordSet(const kavro_recordset_ops& ops, void* context)
    : ops_(ops), context_(context) {
    if (ops.version < 1 || ops.version > KAVRO_RECORDSET_OPS_VERSION) {
        throw std::invalid_argument("record set callbacks of version " +
                                    std::to_string(ops.version) + ": this library knows 1 to " +
                                    std::to_string(KAVRO_RECORDSET_OPS_VERSION));
    }
    const void* required[] = {
        reinterpret_cast<const void*>(ops.locate),
        reinterpret_cast<const void*>(ops.field_value),
        reinterpret_cast<const void*>(ops.field_names),
        reinterpret_cast<const void*>(ops.append),
        reinterpret_cast<const void*>(ops.set_field),
        reinterpret_cast<const void*>(ops.set_field_date_time),
        reinterpret_cast<const void*>(ops.post),
        reinterpret_cast<const void*>(ops.cancel),
        reinterpret_cast<const void*>(ops.inserting),
        reinterpret_cast<const void*>(ops.first),
        reinterpret_cast<const void*>(ops.next),
        reinterpret_cast<const void*>(ops.eof),
        reinterpret_cast<const void*>(ops.delete_row),
        reinterpret_cast<const void*>(ops.disable_controls),
        reinterpret_cast<const void*>(ops.enable_controls),
        reinterpret_cast<const void*>(ops.refresh),
    };
    for (const void* callback : required) {
        if (callback == nullptr) throw std::invalid_argument("a record set callback is NULL");
    }
}

CallbackRecordSet::~CallbackRecordSet() {
    if (ops_.close != nullptr) ops_.close(context_);
}

void CallbackRecordSet::check(int result, const char* message, const char* operation) const {
    if (result == KAVRO_ERROR_NONE) return;
    std::string text = message != nullptr && *message != '\0'
                           ? std::string(message)
                           : std::string("the host's record set failed ") + operation;
    throw HostError(hostErrorCodeFor(result), text);
}

bool CallbackRecordSet::doLocate(std::string_view keyField, const Variant& key,
                                 LocateOptions options) {
    const std::string field(keyField);
    const kavro_value raw = toRaw(key);
    const int flags = (options.caseInsensitive ? KAVRO_LOCATE_CASE_INSENSITIVE : 0) |
                      (options.partialKey ? KAVRO_LOCATE_PARTIAL_KEY : 0);
    int found = 0;
    const char* message = nullptr;
    const int result = ops_.locate(context_, field.c_str(), &raw, flags, &found, &message);
    check(result, message, "locating a row");
    return found != 0;
}

Field& CallbackRecordSet::doFieldByName(std::string_view name) {
    for (const std::string& column : doFieldNames()) {
        if (!sameFieldName(column, name)) continue;
        auto& field = fields_[upperCase(column)];
        if (!field) field = std::make_unique<CallbackField>(*this, column);
        return *field;
    }
    throw HostError(HostErrorCode::FieldNotFound, "no field " + std::string(name));
}

std::vector<std::string> CallbackRecordSet::doFieldNames() const {
    const char* const* names = nullptr;
    std::size_t count = 0;
    const char* message = nullptr;
    const int result = ops_.field_names(context_, &names, &count, &message);
    check(result, message, "listing its fields");
    std::vector<std::string> fields;
    fields.reserve(count);
    for (std::size_t i = 0; i < count && names != nullptr; ++i) {
        if (names[i] != nullptr) fields.emplace_back(names[i]);
    }
    return fields;
}

void CallbackRecordSet::doAppend() {
    const char* message = nullptr;
    const int result = ops_.append(context_, &message);
    check(result, message, "appending a row");
}

void CallbackRecordSet::doPost() {
    const char* message = nullptr;
    const int result = ops_.post(context_, &message);
    check(result, message, "posting the row");
}

void CallbackRecordSet::doCancel() {
    const char* message = nullptr;
    const int result = ops_.cancel(context_, &message);
    check(result, message, "cancelling the row");
}

bool CallbackRecordSet::doInserting() const {
    int inserting = 0;
    const char* message = nullptr;
    const int result = ops_.inserting(context_, &inserting, &message);
    check(result, message, "telling its state");
    return inserting != 0;
}

void CallbackRecordSet::doFirst() {
    const char* message = nullptr;
    const int result = ops_.first(context_, &message);
    check(result, message, "moving to the first row");
}

void CallbackRecordSet::doNext() {
    const char* message = nullptr;
    const int result = ops_.next(context_, &message);
    check(result, message, "moving to the next row");
}

bool CallbackRecordSet::doEof() const {
    int eof = 0;
    const char* message = nullptr;
    const int result = ops_.eof(context_, &eof, &message);
    check(result, message, "telling the end of data");
    return eof != 0;
}

void CallbackRecordSet::doDeleteRow() {
    const char* message = nullptr;
    const int result = ops_.delete_row(context_, &message);
    check(result, message, "deleting the row");
}

void CallbackRecordSet::doDisableControls() {
    const char* message = nullptr;
    const int result = ops_.disable_controls(context_, &message);
    check(result, message, "disabling its controls");
}

void CallbackRecordSet::doEnableControls() {
    const char* message = nullptr;
    const int result = ops_.enable_controls(context_, &message);
    check(result, message, "enabling its controls");
}

void CallbackRecordSet::doRefresh() {
    const char* message = nullptr;
    const int result = ops_.refresh(context_, &message);
    check(result, message, "refreshing");
}

}  // namespace kavro
