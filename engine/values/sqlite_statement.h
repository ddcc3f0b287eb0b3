// A SQLite statement prepared once, bound with text, integers or nulls, stepped, and
// finalized when it goes out of scope: the engine's one wrapper for statements it runs
// once (catalog writes, dictionary DDL, stored units, triggers). Lookups repeated on
// every statement use the kept statements of catalog/catalog_cache.h instead.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>

class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &vm_, nullptr); }
    SqliteStatement(sqlite3* db, const std::string& sql) {
        sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &vm_, nullptr);
    }
    ~SqliteStatement() { sqlite3_finalize(vm_); }
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Null when the text did not prepare; every step of such a statement fails.
    sqlite3_stmt* get() const { return vm_; }

    SqliteStatement& text(int i, const std::string& v) {
        sqlite3_bind_text(vm_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // An empty text binds as NULL, as Oracle treats the empty string.
    SqliteStatement& optional(int i, const std::string& v) { return v.empty() ? null(i) : text(i, v); }
    SqliteStatement& integer(int i, std::int64_t v) {
        sqlite3_bind_int64(vm_, i, v);
        return *this;
    }
    SqliteStatement& null(int i) {
        sqlite3_bind_null(vm_, i);
        return *this;
    }

    // Steps once: true when a row is there (row) or the statement finished (run).
    bool row() { return vm_ && sqlite3_step(vm_) == SQLITE_ROW; }
    bool run() { return vm_ && sqlite3_step(vm_) == SQLITE_DONE; }

    // A column of the current row as text; NULL reads as the empty string.
    std::string column(int c) const {
        const unsigned char* t = sqlite3_column_text(vm_, c);
        return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(vm_, c)))
                 : std::string();
    }

private:
    sqlite3_stmt* vm_ = nullptr;
};
