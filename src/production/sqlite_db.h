#pragma once
// A thin owner of an SQLite connection and its statements: errors become
// exceptions carrying SQLite's own message, and nothing leaks on the way out.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace kestrel {

struct SqliteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Parameters count from 1, as in SQL's ?1.
    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, std::int64_t number);
    SqliteStatement& bind(int index, std::optional<std::int64_t> number);  // NULL when empty
    SqliteStatement& bindNull(int index);

    bool step();  // true while a row is there
    void run();   // steps a statement that returns no row

    std::string text(int column) const;  // "" for NULL
    std::int64_t number(int column) const;
    std::optional<std::int64_t> maybeNumber(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class SqliteDb {
public:
    // Opens for reading and writing (creating the file when missing), or
    // read-only. Waits up to `busy_ms` for another connection's lock.
    SqliteDb(const std::string& path, bool readOnly, int busy_ms);
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    void exec(std::string_view sql);
    SqliteStatement prepare(std::string_view sql) { return SqliteStatement(db_, sql); }
    std::int64_t lastInsertId() const;
    int changes() const;  // rows changed by the last statement

private:
    sqlite3* db_ = nullptr;
};

// BEGIN IMMEDIATE at once; rolled back on leaving unless committed.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;
    void commit();

private:
    SqliteDb& db_;
    bool done_ = false;
};

}  // namespace kestrel
