#include "tests/support/callbacks_over_record_set.hpp"

#include "frame/callback_record_set.hpp"
#include "frame/error_codes.hpp"
#include "kavro/host_error.hpp"

namespace kavro::test {
namespace {

CallbacksOverRecordSet& self(void* context) {
    return *static_cast<CallbacksOverRecordSet*>(context);
}

// Runs body on the inner set; a HostError becomes the callback's code and message.
template <class Body>
int forward(void* context, const char** message, Body&& body) {
    CallbacksOverRecordSet& me = self(context);
    try {
        body(me.inner());
        return KAVRO_ERROR_NONE;
    } catch (const HostError& error) {
        me.message = error.what();
        *message = me.message.c_str();
        return cErrorCodeFor(error.code());
    }
}

Variant fromRaw(const kavro_value& v) {
    switch (v.type) {
        case KAVRO_VALUE_INTEGER:
            return Variant(static_cast<long long>(v.integer));
        case KAVRO_VALUE_REAL:
            return Variant(v.real);
        case KAVRO_VALUE_TEXT:
            return Variant(std::string(v.text, v.text_length));
        default:
            return Variant();
    }
}

const kavro_recordset_ops kOps = {
    KAVRO_RECORDSET_OPS_VERSION,
    [](void* c, const char* field, const kavro_value* key, int options, int* found,
       const char** m) {
        return forward(c, m, [&](RecordSet& s) {
            *found = s.locate(field, fromRaw(*key),
                              {.caseInsensitive = (options & KAVRO_LOCATE_CASE_INSENSITIVE) != 0,
                               .partialKey = (options & KAVRO_LOCATE_PARTIAL_KEY) != 0});
        });
    },
    [](void* c, const char* field, kavro_value* out, const char** m) {
        return forward(c, m, [&](RecordSet& s) {
            const Variant v = s.fieldByName(field).value();
            *out = kavro_value{};
            switch (v.type()) {
                case Variant::Type::Empty:
                    out->type = KAVRO_VALUE_EMPTY;
                    break;
                case Variant::Type::Integer:
                    out->type = KAVRO_VALUE_INTEGER;
                    out->integer = v.integerValue();
                    break;
                case Variant::Type::Real:
                    out->type = KAVRO_VALUE_REAL;
                    out->real = v.realValue();
                    break;
                case Variant::Type::Text:
                    self(c).text = v.textValue();
                    out->type = KAVRO_VALUE_TEXT;
                    out->text = self(c).text.data();
                    out->text_length = self(c).text.size();
                    break;
            }
        });
    },
    [](void* c, const char* const** names, size_t* count, const char** m) {
        return forward(c, m, [&](RecordSet& s) {
            CallbacksOverRecordSet& me = self(c);
            me.names = s.fieldNames();
            me.namePointers.clear();
            for (const std::string& n : me.names)
                me.namePointers.push_back(n.c_str());
            *names = me.namePointers.data();
            *count = me.namePointers.size();
        });
    },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.append(); }); },
    [](void* c, const char* field, const kavro_value* v, const char** m) {
        return forward(c, m, [&](RecordSet& s) { s.fieldByName(field).setValue(fromRaw(*v)); });
    },
    [](void* c, const char* field, double when, const char** m) {
        return forward(c, m, [&](RecordSet& s) { s.fieldByName(field).setDateTime(when); });
    },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.post(); }); },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.cancel(); }); },
    [](void* c, int* inserting, const char** m) {
        return forward(c, m, [&](RecordSet& s) { *inserting = s.inserting(); });
    },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.first(); }); },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.next(); }); },
    [](void* c, int* eof, const char** m) {
        return forward(c, m, [&](RecordSet& s) { *eof = s.eof(); });
    },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.deleteRow(); }); },
    [](void* c, const char** m) {
        return forward(c, m, [](RecordSet& s) { s.disableControls(); });
    },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.enableControls(); }); },
    [](void* c, const char** m) { return forward(c, m, [](RecordSet& s) { s.refresh(); }); },
    [](void* c) { delete static_cast<CallbacksOverRecordSet*>(c); },
};

}  // namespace

CallbacksOverRecordSet::CallbacksOverRecordSet(std::unique_ptr<RecordSet> inner)
    : inner_(std::move(inner)) {}

const kavro_recordset_ops& CallbacksOverRecordSet::ops() const {
    return kOps;
}

std::unique_ptr<RecordSet> recordSetOverCallbacks(std::unique_ptr<RecordSet> inner) {
    auto* forwarding = new CallbacksOverRecordSet(std::move(inner));
    // The record set's close callback deletes the forwarding object.
    return std::make_unique<CallbackRecordSet>(forwarding->ops(), forwarding->context());
}

}  // namespace kavro::test
