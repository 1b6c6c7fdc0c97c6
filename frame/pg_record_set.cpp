#include "kavro/pg_record_set.hpp"

#include <charconv>
#include <map>
#include <optional>

#include "frame/pg_connection.hpp"
#include "frame/sqlite_statement.hpp"
#include "kavro/host_datetime.hpp"
#include "kavro/host_error.hpp"

namespace kavro {
namespace {

// How a column's text reads as a value. Numbers become numbers; everything else (text,
// date-times, ...) stays the text the server sends, as with a SQLite table.
enum class Kind { Integer, Real, Numeric, Text };

Kind kindOf(std::string_view typeOid) {
    // The built-in type OIDs: int2, int4, int8; float4, float8; numeric.
    if (typeOid == "21" || typeOid == "23" || typeOid == "20") return Kind::Integer;
    if (typeOid == "700" || typeOid == "701") return Kind::Real;
    if (typeOid == "1700") return Kind::Numeric;
    return Kind::Text;
}

Variant valueOf(Kind kind, std::string_view text) {
    if (kind == Kind::Integer || kind == Kind::Numeric) {
        long long whole = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), whole);
        if (ec == std::errc() && end == text.data() + text.size()) return Variant(whole);
    }
    if (kind != Kind::Text) {
        double real = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), real);
        if (ec == std::errc() && end == text.data() + text.size()) return Variant(real);
    }
    return Variant(text);
}

std::string numberText(const Variant& value) {
    if (value.type() == Variant::Type::Integer) return std::to_string(value.integerValue());
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value.realValue());
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

// How a Locate compares; each kind has its own statement per column.
enum class Match { IsNull, Exact, ExactNoCase, Prefix, PrefixNoCase, Number };

Match matchFor(const Variant& key, LocateOptions options) {
    if (key.isEmpty()) return Match::IsNull;
    if (key.type() != Variant::Type::Text) return Match::Number;
    if (options.partialKey) return options.caseInsensitive ? Match::PrefixNoCase : Match::Prefix;
    return options.caseInsensitive ? Match::ExactNoCase : Match::Exact;
}

// A text key is sent as its bytes ($1, bytea) and compared with the column's value in the
// host's code page, byte for byte, as the SQLite table compares: a prefix may end inside a
// double-byte character, and the server's own collation plays no part. For the comparisons
// without letter case both sides are read byte for byte as Latin-1 and folded in the "C"
// collation, which folds ASCII letters only.
std::string whereClause(const std::string& column, Kind kind, Match match, const Variant& key) {
    const std::string bytes = "convert_to(" + column + "::text, pg_client_encoding())";
    const std::string folded = "lower(convert_from(" + bytes + ", 'LATIN1') COLLATE \"C\")";
    const std::string foldedKey = "lower(convert_from($1::bytea, 'LATIN1') COLLATE \"C\")";
    switch (match) {
        case Match::IsNull:
            return column + " IS NULL";
        case Match::Exact:
            return bytes + " = $1::bytea";
        case Match::Prefix:
            return "substring(" + bytes + " FROM 1 FOR length($1::bytea)) = $1::bytea";
        case Match::ExactNoCase:
            return folded + " = " + foldedKey;
        case Match::PrefixNoCase:
            return "left(" + folded + ", length($1::bytea)) = " + foldedKey;
        case Match::Number:
            // A number key equals a number column's value; a text column's value is compared
            // with the number's decimal text.
            if (kind == Kind::Text) return column + "::text = $1::text";
            if (key.type() == Variant::Type::Real) return column + " = $1::double precision";
            return column + (kind == Kind::Integer ? " = $1::bigint" : " = $1::numeric");
    }
    return {};
}

}  // namespace

class PgField;

struct PgRecordSet::Impl {
    Impl(const RecordSet& set, const std::string& connection, const PgOpenOptions& options)
        : owner(set), conn(connection, options), readOnly(options.readOnly) {}
    const RecordSet& owner;  // whose lock the fields take
    PgConnection conn;
    bool readOnly;
    std::string table;
    std::string quotedTable;
    std::vector<std::unique_ptr<PgField>> fields;
    std::vector<std::string> quotedColumns;
    std::vector<Kind> kinds;
    std::vector<std::size_t> keyColumns;  // the primary key's columns, in key order

    std::string selectFirst, selectNext, selectRow, deleteRow;
    std::map<std::tuple<std::size_t, Match, Variant::Type>, std::string> locates;
    std::map<std::vector<bool>, std::string> inserts;

    bool hasRow = false;
    std::vector<std::string> key;  // the current row's key values, as the server wrote them
    bool rowLoaded = false;
    std::vector<Variant> row;
    std::optional<std::vector<std::optional<Variant>>> pending;
    int controlsDisabled = 0;

    void open(std::string_view wanted);
    std::size_t columnIndex(std::string_view name) const;

    std::string select(const std::string& rest) const {
        std::string list;
        for (const auto& c : quotedColumns)
            list += (list.empty() ? "" : ", ") + c;
        return "SELECT " + list + " FROM " + quotedTable + " " + rest;
    }
    PgParams keyParams(const std::vector<std::string>& values) const {
        PgParams params;
        for (const auto& v : values)
            params.text(v);
        return params;
    }
    // Takes the first row of a result that selects every column: it becomes current, its
    // values at hand. Returns false, position unchanged, when there is none.
    bool take(const PgResult& result) {
        if (result.rows() == 0) return false;
        row.resize(fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int c = static_cast<int>(i);
            row[i] = result.isNull(0, c) ? Variant() : valueOf(kinds[i], result.text(0, c));
        }
        key.clear();
        for (std::size_t k : keyColumns)
            key.emplace_back(result.text(0, static_cast<int>(k)));
        hasRow = true;
        rowLoaded = true;
        return true;
    }
    bool fetch(const std::string& sql, PgParams& params) { return take(conn.run(sql, params)); }
    void fetchOrEof(const std::string& sql, PgParams& params) {
        if (!fetch(sql, params)) {
            hasRow = false;
            rowLoaded = false;
        }
    }
    void fetchAfter(const std::vector<std::string>& after) {
        PgParams params = keyParams(after);
        fetchOrEof(selectNext, params);
    }
    const Variant& read(std::size_t column) {
        if (!rowLoaded) {
            PgParams params = keyParams(key);
            if (!fetch(selectRow, params)) row.assign(fields.size(), Variant());  // removed
            rowLoaded = true;
        }
        return row[column];
    }
};

class PgField final : public Field {
  public:
    PgField(PgRecordSet::Impl& owner, std::string name, std::size_t column)
        : Field(owner.owner), owner_(owner), name_(std::move(name)), column_(column) {}
    const std::string& name() const override { return name_; }

  protected:
    Variant readValue() const override { return owner_.hasRow ? owner_.read(column_) : Variant(); }
    void writeValue(const Variant& value) override {
        if (!owner_.pending) {
            throw HostError(HostErrorCode::InvalidOperation,
                            "field " + name_ + " written while the record set is not inserting");
        }
        (*owner_.pending)[column_] = value;
    }
    // Local date and time text, which a timestamp column takes as it is (and a text column
    // keeps as the SQLite table does).
    void writeDateTime(HostDateTime when) override { writeValue(Variant(toIsoText(when))); }

  private:
    PgRecordSet::Impl& owner_;
    std::string name_;
    std::size_t column_;
};

void PgRecordSet::Impl::open(std::string_view wanted) {
    PgParams name;
    name.text(std::string(wanted));
    const PgResult found = conn.run(
        "SELECT c.oid, c.relname FROM pg_catalog.pg_class c "
        "WHERE c.relkind IN ('r', 'p') AND pg_catalog.pg_table_is_visible(c.oid) "
        "AND lower(c.relname COLLATE \"C\") = lower($1::text COLLATE \"C\") "
        "ORDER BY c.relname = $1::text DESC, c.relname COLLATE \"C\" LIMIT 1",
        name);
    if (found.rows() == 0) {
        throw HostError(HostErrorCode::DatabaseError,
                        "the database has no table '" + std::string(wanted) + "'");
    }
    PgParams oid;
    oid.text(std::string(found.text(0, 0)));
    table = found.text(0, 1);
    quotedTable = quoteIdentifier(table);

    // Columns in table order, each with its type (a domain's base type).
    const PgResult columns = conn.run(
        "SELECT a.attname, CASE WHEN t.typtype = 'd' THEN t.typbasetype ELSE a.atttypid END "
        "FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_type t ON t.oid = a.atttypid "
        "WHERE a.attrelid = $1::oid AND a.attnum > 0 AND NOT a.attisdropped ORDER BY a.attnum",
        oid);
    for (int r = 0; r < columns.rows(); ++r) {
        std::string column(columns.text(r, 0));
        quotedColumns.push_back(quoteIdentifier(column));
        kinds.push_back(kindOf(columns.text(r, 1)));
        fields.push_back(std::make_unique<PgField>(*this, std::move(column), fields.size()));
    }

    const PgResult primary = conn.run(
        "SELECT a.attname FROM pg_catalog.pg_index i "
        "CROSS JOIN LATERAL unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, ord) "
        "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum "
        "WHERE i.indrelid = $1::oid AND i.indisprimary ORDER BY k.ord",
        oid);
    for (int r = 0; r < primary.rows(); ++r) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i]->name() == primary.text(r, 0)) keyColumns.push_back(i);
        }
    }
    if (keyColumns.empty()) {
        throw HostError(
            HostErrorCode::DatabaseError,
            "table '" + table + "' has no primary key, so it has no row order to follow");
    }

    // The key as a row value: ("a", "b") > ($1, $2) is the order of ORDER BY "a", "b".
    std::string keyList;
    std::string keyValues;
    for (std::size_t k = 0; k < keyColumns.size(); ++k) {
        keyList += (k ? ", " : "") + quotedColumns[keyColumns[k]];
        keyValues += (k ? ", $" : "$") + std::to_string(k + 1);
    }
    const std::string order = " ORDER BY " + keyList + " LIMIT 1";
    const std::string keyRow = "(" + keyList + ")";
    const std::string valueRow = "(" + keyValues + ")";
    selectFirst = select(order);
    selectNext = select("WHERE " + keyRow + " > " + valueRow + order);
    selectRow = select("WHERE " + keyRow + " = " + valueRow);
    deleteRow = "DELETE FROM " + quotedTable + " WHERE " + keyRow + " = " + valueRow;
    PgParams none;
    fetchOrEof(selectFirst, none);
}

std::size_t PgRecordSet::Impl::columnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (sameFieldName(fields[i]->name(), name)) return i;
    }
    throw HostError(HostErrorCode::FieldNotFound, "field '" + std::string(name) + "' not found");
}

PgRecordSet::PgRecordSet(const std::string& connection, std::string_view table,
                         PgOpenOptions options)
    : impl_(std::make_unique<Impl>(*this, connection, options)) {
    impl_->open(table);
}

PgRecordSet::~PgRecordSet() = default;

const std::string& PgRecordSet::tableName() const {
    return impl_->table;
}

bool PgRecordSet::doLocate(std::string_view keyField, const Variant& key, LocateOptions options) {
    Impl& d = *impl_;
    const std::size_t column = d.columnIndex(keyField);
    const Match match = matchFor(key, options);
    auto found = d.locates.find({column, match, key.type()});
    if (found == d.locates.end()) {
        std::string keyList;
        for (std::size_t k : d.keyColumns)
            keyList += (keyList.empty() ? "" : ", ") + d.quotedColumns[k];
        const std::string sql =
            d.select("WHERE " + whereClause(d.quotedColumns[column], d.kinds[column], match, key) +
                     " ORDER BY " + keyList + " LIMIT 1");
        found = d.locates.emplace(std::make_tuple(column, match, key.type()), sql).first;
    }
    PgParams params;
    if (match == Match::Number) {
        params.text(numberText(key));
    } else if (match != Match::IsNull) {
        params.bytes(key.textValue());
    }
    return d.fetch(found->second, params);
}

Field& PgRecordSet::doFieldByName(std::string_view name) {
    return *impl_->fields[impl_->columnIndex(name)];
}

std::vector<std::string> PgRecordSet::doFieldNames() const {
    std::vector<std::string> names;
    names.reserve(impl_->fields.size());
    for (const auto& field : impl_->fields)
        names.push_back(field->name());
    return names;
}

void PgRecordSet::doAppend() {
    if (impl_->readOnly) {
        throw HostError(HostErrorCode::DatabaseError, "the table is open read-only");
    }
    impl_->pending.emplace(impl_->fields.size());
}

void PgRecordSet::doPost() {
    Impl& d = *impl_;
    if (!d.pending) throw HostError(HostErrorCode::InvalidOperation, "no pending row to post");
    std::vector<bool> set(d.fields.size());
    for (std::size_t i = 0; i < set.size(); ++i)
        set[i] = (*d.pending)[i].has_value();
    auto found = d.inserts.find(set);
    if (found == d.inserts.end()) {
        std::string columns;
        std::string values;
        int parameter = 0;
        for (std::size_t i = 0; i < set.size(); ++i) {
            if (!set[i]) continue;
            columns += (columns.empty() ? "" : ", ") + d.quotedColumns[i];
            values += (values.empty() ? "$" : ", $") + std::to_string(++parameter);
        }
        std::string returning;
        for (std::size_t k : d.keyColumns)
            returning += (returning.empty() ? "" : ", ") + d.quotedColumns[k];
        const std::string sql =
            "INSERT INTO " + d.quotedTable +
            (columns.empty() ? " DEFAULT VALUES" : " (" + columns + ") VALUES (" + values + ")") +
            " RETURNING " + returning;
        found = d.inserts.emplace(set, sql).first;
    }
    // Every value goes as text; the server reads it as the column's type.
    PgParams params;
    for (const auto& value : *d.pending) {
        if (!value) continue;
        if (value->isEmpty()) {
            params.null();
        } else if (value->type() == Variant::Type::Text) {
            params.text(value->textValue());
        } else {
            params.text(numberText(*value));
        }
    }
    // Raises when the server refuses the row; the row stays pending.
    const PgResult inserted = d.conn.run(found->second, params);
    d.pending.reset();
    d.key.clear();
    for (std::size_t k = 0; k < d.keyColumns.size(); ++k)
        d.key.emplace_back(inserted.text(0, static_cast<int>(k)));
    d.hasRow = true;
    d.rowLoaded = false;
}

void PgRecordSet::doCancel() {
    impl_->pending.reset();
}

bool PgRecordSet::doInserting() const {
    return impl_->pending.has_value();
}

void PgRecordSet::doFirst() {
    PgParams none;
    impl_->fetchOrEof(impl_->selectFirst, none);
}

// The row after the current key: rows other clients removed or added meanwhile are skipped or
// met as the table now stands.
void PgRecordSet::doNext() {
    if (impl_->hasRow) impl_->fetchAfter(impl_->key);
}

bool PgRecordSet::doEof() const {
    return !impl_->hasRow;
}

void PgRecordSet::doDeleteRow() {
    Impl& d = *impl_;
    if (!d.hasRow) throw HostError(HostErrorCode::InvalidOperation, "no current row to delete");
    PgParams params = d.keyParams(d.key);
    d.conn.run(d.deleteRow, params);
    d.fetchAfter(d.key);
}

void PgRecordSet::doDisableControls() {
    ++impl_->controlsDisabled;
}
void PgRecordSet::doEnableControls() {
    --impl_->controlsDisabled;
}

void PgRecordSet::doRefresh() {
    Impl& d = *impl_;
    if (!d.hasRow) return;
    // Another client may have removed the current row: then the next one becomes current.
    PgParams params = d.keyParams(d.key);
    if (!d.fetch(d.selectRow, params)) d.fetchAfter(d.key);
}

}  // namespace kavro
