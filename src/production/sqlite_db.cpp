#include "production/sqlite_db.h"

#include <sqlite3.h>

namespace kestrel {

namespace {
[[noreturn]] void fail(sqlite3* db, std::string_view what) {
    throw SqliteError(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}
}  // namespace

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : db_(db) {
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
        SQLITE_OK)
        fail(db, "cannot prepare a statement");
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(stmt_); }

SqliteStatement& SqliteStatement::bind(int index, std::string_view text) {
    if (sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT) != SQLITE_OK)
        fail(db_, "cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t number) {
    if (sqlite3_bind_int64(stmt_, index, number) != SQLITE_OK) fail(db_, "cannot bind a value");
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::optional<std::int64_t> number) {
    return number ? bind(index, *number) : bindNull(index);
}

SqliteStatement& SqliteStatement::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) fail(db_, "cannot bind a value");
    return *this;
}

bool SqliteStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(db_, "journal statement failed");
}

void SqliteStatement::run() {
    while (step()) {}
}

std::string SqliteStatement::text(int column) const {
    const auto* p = sqlite3_column_text(stmt_, column);
    if (!p) return {};
    return std::string(reinterpret_cast<const char*>(p),
                       static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::int64_t SqliteStatement::number(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::optional<std::int64_t> SqliteStatement::maybeNumber(int column) const {
    if (isNull(column)) return std::nullopt;
    return number(column);
}

bool SqliteStatement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

SqliteDb::SqliteDb(const std::string& path, bool readOnly, int busy_ms) {
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw SqliteError("cannot open " + path + ": " + message);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, busy_ms);
}

SqliteDb::~SqliteDb() { sqlite3_close(db_); }

void SqliteDb::exec(std::string_view sql) {
    const std::string text(sql);
    char* message = nullptr;
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        const std::string why = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        throw SqliteError(why);
    }
}

std::int64_t SqliteDb::lastInsertId() const { return sqlite3_last_insert_rowid(db_); }

int SqliteDb::changes() const { return sqlite3_changes(db_); }

SqliteTransaction::~SqliteTransaction() {
    if (done_) return;
    try {
        db_.exec("ROLLBACK");
    } catch (const SqliteError&) {
        // SQLite has rolled back by itself after the error that brought us here.
    }
}

void SqliteTransaction::commit() {
    db_.exec("COMMIT");
    done_ = true;
}

}  // namespace kestrel
