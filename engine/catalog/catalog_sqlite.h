// Small SQLite helpers that several catalog sources share: running a script, turning
// the connection's last failure into an Oracle error, and the result and session of a
// SQL function. Kept here once, so that the sources also compile together in one batch.
#pragma once

#include "values/errors.h"

#include <sqlite3.h>

#include <string>

struct SessionSettings;

namespace catalog_sqlite {

// false, with the connection's last error as an Oracle error in *err.
inline bool sqlite_failed(sqlite3* db, OraError* err) {
    *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
    return false;
}

// Runs the statements of sql; false with *err set when one fails.
inline bool exec(sqlite3* db, const std::string& sql, OraError* err) {
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
    return sqlite_failed(db, err);
}

// The session settings a SQL function was registered with.
inline SessionSettings* settings_of(sqlite3_context* ctx) {
    return static_cast<SessionSettings*>(sqlite3_user_data(ctx));
}

inline void result_text(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.c_str(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

}  // namespace catalog_sqlite
