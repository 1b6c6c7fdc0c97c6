#include "kavro/sqlite_record_set.hpp"

#include <sqlite3.h>

#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "frame/field_name_index.hpp"
#include "frame/sqlite_statement.hpp"
#include "kavro/host_datetime.hpp"
#include "kavro/host_error.hpp"

namespace kavro {
namespace {

// How a Locate compares; each kind has its own statement per column.
enum class Match { IsNull, Exact, ExactNoCase, Prefix, PrefixNoCase };

Match matchFor(const Variant& key, LocateOptions options) {
    if (key.isEmpty()) return Match::IsNull;
    if (key.type() == Variant::Type::Text && options.partialKey) {
        return options.caseInsensitive ? Match::PrefixNoCase : Match::Prefix;
    }
    if (key.type() == Variant::Type::Text && options.caseInsensitive) return Match::ExactNoCase;
    return Match::Exact;
}

std::string whereClause(const std::string& column, Match match) {
    // Prefixes compare bytes: the stored text is the host's code page, not necessarily UTF-8,
    // so character-counting functions would cut it in the wrong places.
    switch (match) {
        case Match::IsNull:
            return column + " IS NULL";
        case Match::Exact:
            return column + " = ?1";
        case Match::ExactNoCase:
            return column + " = ?1 COLLATE NOCASE";
        case Match::Prefix:
            return "substr(CAST(" + column +
                   " AS BLOB), 1, length(CAST(?1 AS BLOB))) = CAST(?1 AS BLOB)";
        case Match::PrefixNoCase:
            return "lower(CAST(substr(CAST(" + column +
                   " AS BLOB), 1, length(CAST(?1 AS BLOB))) AS TEXT)) = lower(CAST(?1 AS TEXT))";
    }
    return {};
}

}  // namespace

class SqliteField;

struct SqliteRecordSet::Impl {
    explicit Impl(const RecordSet& set) noexcept : owner(set) {}
    const RecordSet& owner;  // whose lock the fields take
    sqlite3* db = nullptr;
    bool ownsDb = false;
    std::string table;
    std::string quotedTable;
    std::vector<std::unique_ptr<SqliteField>> fields;
    FieldNameIndex names;
    std::vector<std::string> quotedColumns;
    std::string columnList;  // rowid, then every column in table order

    std::string select(const std::string& rest) const {
        return "SELECT " + columnList + " FROM " + quotedTable + " " + rest;
    }

    Statement selectRow, selectFirst, selectNext, deleteById;
    std::map<std::pair<std::size_t, Match>, Statement> locateStatements;
    std::pair<std::size_t, Match> lastLocateKey{};
    Statement* lastLocate = nullptr;  // the statement of lastLocateKey in locateStatements
    std::map<std::vector<bool>, Statement> insertStatements;

    // The current row. Its values are read from one of three places:
    //  - live: the statement that found it, still standing on it. A statement's column values
    //    last until it is stepped or reset, and it holds a read transaction while it stands, so
    //    it is let go before any other statement runs and when the outermost Hold ends. A Locate
    //    and the reads of its row under one Hold (the encoders' sequence) thus read only the
    //    fields asked for, straight from SQLite.
    //  - row: a copy of every column, made when a live statement is let go before any field was
    //    read from it (a Locate on its own, its reads to follow outside the Hold).
    //  - neither (rowLoaded false): the row is fetched again by rowid at the first read.
    bool hasRow = false;
    sqlite3_int64 rowid = 0;
    Statement* live = nullptr;
    bool liveRead = false;
    bool rowLoaded = false;
    std::vector<Variant> row;
    std::optional<std::vector<std::optional<Variant>>> pending;
    int controlsDisabled = 0;

    ~Impl();

    void open(std::string_view wanted);
    std::size_t columnIndex(std::string_view name) const;

    // Lets the live statement go, copying its row first when nothing was read from it yet (an
    // operation that may fail and keep the position, or reads that follow outside the Hold).
    void release() noexcept {
        if (live == nullptr) return;
        rowLoaded = false;
        if (!liveRead) {
            try {
                copyRow(*live);
                rowLoaded = true;
            } catch (...) {
                // out of memory: the row is fetched again at its first read
            }
        }
        live->rewind();  // every run binds all its parameters first
        live = nullptr;
    }
    void copyRow(const Statement& statement) {
        row.resize(fields.size());
        for (std::size_t i = 0; i < fields.size(); ++i)
            row[i] = statement.column(static_cast<int>(i) + 1);
    }
    // Runs a statement (released and bound by the caller) that selects rowid and every column
    // of at most one row; on a row, makes it current and leaves the statement standing on it.
    // Returns false, position unchanged, when there is none.
    bool fetch(Statement& statement) {
        StatementRun run(statement);
        if (!statement.step()) return false;
        rowid = statement.columnInt64(0);
        hasRow = true;
        rowLoaded = false;
        live = &statement;
        liveRead = false;
        run.keep();
        return true;
    }
    void fetchOrEof(Statement& statement) {
        if (!fetch(statement)) {
            hasRow = false;
            rowLoaded = false;
        }
    }
    void fetchAfter(sqlite3_int64 id) {
        release();
        selectNext.bind(1, id);
        fetchOrEof(selectNext);
    }
    Variant read(std::size_t column) {
        if (live != nullptr) {
            liveRead = true;
            return live->column(static_cast<int>(column) + 1);
        }
        return readCopy(column);
    }
    Variant readCopy(std::size_t column);
};

// After a Post or Refresh, or a row let go once read, the row is fetched again, as the table
// now stands, and copied whole for the reads that follow.
Variant SqliteRecordSet::Impl::readCopy(std::size_t column) {
    if (!rowLoaded) {
        selectRow.bind(1, rowid);
        StatementRun run(selectRow);
        if (selectRow.step()) {
            copyRow(selectRow);
        } else {
            row.assign(fields.size(), Variant());  // removed meanwhile
        }
        rowLoaded = true;
    }
    return row[column];
}

class SqliteField final : public Field {
  public:
    SqliteField(SqliteRecordSet::Impl& owner, std::string name, std::size_t column)
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
    // Stored as local ISO 8601 text, which SQLite's date and time functions read.
    void writeDateTime(HostDateTime when) override { writeValue(Variant(toIsoText(when))); }

  private:
    SqliteRecordSet::Impl& owner_;
    std::string name_;
    std::size_t column_;
};

SqliteRecordSet::Impl::~Impl() {
    // Statements are finalised before the connection they belong to is closed.
    live = nullptr;
    lastLocate = nullptr;
    locateStatements.clear();
    insertStatements.clear();
    selectRow = Statement();
    selectFirst = Statement();
    selectNext = Statement();
    deleteById = Statement();
    if (ownsDb) sqlite3_close_v2(db);
}

void SqliteRecordSet::Impl::open(std::string_view wanted) {
    {
        Statement find(db,
                       "SELECT name FROM sqlite_schema WHERE type = 'table' AND name = ?1 "
                       "COLLATE NOCASE");
        find.bind(1, Variant(wanted));
        StatementRun run(find);
        if (!find.step()) {
            throw HostError(HostErrorCode::DatabaseError,
                            "the database has no table '" + std::string(wanted) + "'");
        }
        table = find.column(0).toText();
    }
    quotedTable = quoteIdentifier(table);
    {
        Statement columns(db, "SELECT name FROM pragma_table_info(?1) ORDER BY cid");
        columns.bind(1, Variant(table));
        StatementRun run(columns);
        std::vector<std::string> columnNames;
        while (columns.step()) {
            std::string name = columns.column(0).toText();
            quotedColumns.push_back(quoteIdentifier(name));
            fields.push_back(std::make_unique<SqliteField>(*this, name, fields.size()));
            columnNames.push_back(std::move(name));
        }
        names = FieldNameIndex(columnNames);
    }
    columnList = "rowid";
    for (const auto& c : quotedColumns)
        columnList += ", " + c;
    try {
        selectRow = Statement(db, select("WHERE rowid = ?1"));
    } catch (const HostError&) {
        throw HostError(HostErrorCode::DatabaseError,
                        "table '" + table + "' has no rowid, so it has no row order to follow");
    }
    selectFirst = Statement(db, select("ORDER BY rowid LIMIT 1"));
    selectNext = Statement(db, select("WHERE rowid > ?1 ORDER BY rowid LIMIT 1"));
    deleteById = Statement(db, "DELETE FROM " + quotedTable + " WHERE rowid = ?1");
    fetchOrEof(selectFirst);
    release();  // no Hold ends here to let it go
}

std::size_t SqliteRecordSet::Impl::columnIndex(std::string_view name) const {
    const std::size_t column = names.find(name);
    if (column != FieldNameIndex::npos) return column;
    throw HostError(HostErrorCode::FieldNotFound, "field '" + std::string(name) + "' not found");
}

SqliteRecordSet::SqliteRecordSet(const std::string& databasePath, std::string_view table,
                                 SqliteOpenOptions options)
    : impl_(std::make_unique<Impl>(*this)) {
    // No SQLite mutex on the connection: only this record set uses it, and it runs one
    // operation at a time under its own lock.
    const int flags = (options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
                      SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(databasePath.c_str(), &impl_->db, flags, nullptr);
    impl_->ownsDb = true;
    if (rc != SQLITE_OK)
        raiseDatabaseError(impl_->db, "cannot open database '" + databasePath + "'");
    sqlite3_busy_timeout(impl_->db, options.busyTimeoutMs);
    sqlite3_extended_result_codes(impl_->db, 1);
    impl_->open(table);
}

SqliteRecordSet::SqliteRecordSet(sqlite3* connection, std::string_view table)
    : impl_(std::make_unique<Impl>(*this)) {
    impl_->db = connection;
    impl_->open(table);
}

SqliteRecordSet::~SqliteRecordSet() = default;

const std::string& SqliteRecordSet::tableName() const {
    return impl_->table;
}

bool SqliteRecordSet::doLocate(std::string_view keyField, const Variant& key,
                               LocateOptions options) {
    Impl& d = *impl_;
    const std::size_t column = d.columnIndex(keyField);
    const Match match = matchFor(key, options);
    // The encoders locate on ID again and again: the last statement is kept at hand.
    if (d.lastLocate == nullptr || d.lastLocateKey != std::make_pair(column, match)) {
        auto found = d.locateStatements.find({column, match});
        if (found == d.locateStatements.end()) {
            Statement statement(d.db,
                                d.select("WHERE " + whereClause(d.quotedColumns[column], match) +
                                         " ORDER BY rowid LIMIT 1"));
            found = d.locateStatements.emplace(std::make_pair(column, match), std::move(statement))
                        .first;
        }
        d.lastLocateKey = found->first;
        d.lastLocate = &found->second;
    }
    Statement& statement = *d.lastLocate;
    d.release();
    if (match != Match::IsNull) statement.bind(1, key);
    return d.fetch(statement);
}

Field& SqliteRecordSet::doFieldByName(std::string_view name) {
    return *impl_->fields[impl_->columnIndex(name)];
}

Variant SqliteRecordSet::doFieldValue(std::string_view name) {
    const std::size_t column = impl_->columnIndex(name);
    return impl_->hasRow ? impl_->read(column) : Variant();
}

std::vector<std::string> SqliteRecordSet::doFieldNames() const {
    std::vector<std::string> names;
    names.reserve(impl_->fields.size());
    for (const auto& field : impl_->fields)
        names.push_back(field->name());
    return names;
}

void SqliteRecordSet::doAppend() {
    if (sqlite3_db_readonly(impl_->db, "main") == 1) {
        throw HostError(HostErrorCode::DatabaseError, "the database is open read-only");
    }
    impl_->pending.emplace(impl_->fields.size());
}

void SqliteRecordSet::doPost() {
    Impl& d = *impl_;
    if (!d.pending) throw HostError(HostErrorCode::InvalidOperation, "no pending row to post");
    std::vector<bool> set(d.fields.size());
    for (std::size_t i = 0; i < set.size(); ++i)
        set[i] = (*d.pending)[i].has_value();
    auto found = d.insertStatements.find(set);
    if (found == d.insertStatements.end()) {
        std::string columns;
        std::string values;
        int parameter = 0;
        for (std::size_t i = 0; i < set.size(); ++i) {
            if (!set[i]) continue;
            columns += (columns.empty() ? "" : ", ") + d.quotedColumns[i];
            values += (values.empty() ? "?" : ", ?") + std::to_string(++parameter);
        }
        const std::string sql = columns.empty() ? "INSERT INTO " + d.quotedTable + " DEFAULT VALUES"
                                                : "INSERT INTO " + d.quotedTable + " (" + columns +
                                                      ") VALUES (" + values + ")";
        found = d.insertStatements.emplace(set, Statement(d.db, sql)).first;
    }
    Statement& insert = found->second;
    d.release();
    StatementRun run(insert);
    int parameter = 0;
    for (const auto& value : *d.pending) {
        if (value) insert.bind(++parameter, *value);
    }
    insert.step();  // raises when the database refuses the row; the row stays pending
    d.pending.reset();
    d.hasRow = true;
    d.rowid = sqlite3_last_insert_rowid(d.db);
    d.rowLoaded = false;
}

void SqliteRecordSet::doCancel() {
    impl_->pending.reset();
}

bool SqliteRecordSet::doInserting() const {
    return impl_->pending.has_value();
}

void SqliteRecordSet::doFirst() {
    impl_->release();
    impl_->fetchOrEof(impl_->selectFirst);
}

// The row after the current rowid: rows another connection removed or added meanwhile are
// skipped or met as the table now stands.
void SqliteRecordSet::doNext() {
    if (impl_->hasRow) impl_->fetchAfter(impl_->rowid);
}

bool SqliteRecordSet::doEof() const {
    return !impl_->hasRow;
}

void SqliteRecordSet::doDeleteRow() {
    Impl& d = *impl_;
    if (!d.hasRow) throw HostError(HostErrorCode::InvalidOperation, "no current row to delete");
    d.release();
    {
        StatementRun run(d.deleteById);
        d.deleteById.bind(1, d.rowid);
        d.deleteById.step();
    }
    d.fetchAfter(d.rowid);
}

void SqliteRecordSet::doEndOfHold() const noexcept {
    impl_->release();
}

void SqliteRecordSet::doDisableControls() {
    ++impl_->controlsDisabled;
}
void SqliteRecordSet::doEnableControls() {
    --impl_->controlsDisabled;
}

void SqliteRecordSet::doRefresh() {
    Impl& d = *impl_;
    if (!d.hasRow) return;
    d.release();
    // Another connection may have removed the current row: then the next one becomes current.
    Statement exists(d.db, "SELECT 1 FROM " + d.quotedTable + " WHERE rowid = ?1");
    exists.bind(1, d.rowid);
    StatementRun run(exists);
    if (exists.step()) {
        d.rowLoaded = false;
    } else {
        d.fetchAfter(d.rowid);
    }
}

}  // namespace kavro
