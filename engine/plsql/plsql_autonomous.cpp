// Autonomous transactions (PRAGMA AUTONOMOUS_TRANSACTION) on the session's one
// connection. A unit entered while the caller's transaction is open runs inside it, and
// a preupdate hook records every row it changes (its ROLLBACK writes them back). Its
// COMMIT keeps those row images in the session's log and marks them with a row of a
// temporary table that belongs to the same transaction. Whenever the caller's work is
// undone (ROLLBACK, ROLLBACK TO a savepoint, a failed statement), the marks undone with
// it tell which logged changes went too, and those are written again, in order. When
// the caller's transaction commits, the marks commit with it and the log is dropped.
// A unit entered outside any transaction simply owns the transaction it begins.
// This file must not decide when a unit is autonomous; the interpreter does.
// The preupdate API is declared only with this macro (a batched build defines it for
// every source, as sqlite3.h may come before this file).
#ifndef SQLITE_ENABLE_PREUPDATE_HOOK
#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#endif

#include "plsql/plsql.h"

#include "values/errors.h"

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Value = std::shared_ptr<sqlite3_value>;

// One row change as the preupdate hook saw it.
struct RowChange {
    int op = 0;  // SQLITE_INSERT, SQLITE_UPDATE, SQLITE_DELETE
    std::string db, table;
    sqlite3_int64 old_rowid = 0, new_rowid = 0;
    std::vector<Value> old_values, new_values;
};

struct Frame {
    bool savepoint = false;  // false: the unit owns the session's transaction
    std::vector<RowChange> pending;
    std::vector<std::pair<std::string, std::size_t>> savepoints;  // the unit's own, with pending's size
};

struct Committed {
    sqlite3_int64 seq = 0;
    std::vector<RowChange> changes;
};

const char* const kMarks = "temp.\"VANTRO$AUTONOMOUS_MARKS\"";

bool exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

struct PlAutonomous {
    sqlite3* db = nullptr;
    std::vector<Frame> frames;
    std::vector<Committed> log;
    sqlite3_int64 next_seq = 0;
    bool hooked = false;
    bool replaying = false;
};

namespace {

Value dup(sqlite3_value* v) {
    return Value(sqlite3_value_dup(v), sqlite3_value_free);
}

void on_preupdate(void* ctx, sqlite3* db, int op, const char* schema, const char* table, sqlite3_int64 old_rowid,
                  sqlite3_int64 new_rowid) {
    auto* a = static_cast<PlAutonomous*>(ctx);
    if (a->replaying || a->frames.empty() || !a->frames.back().savepoint) return;
    // Temporary tables are the session's own and leave with it.
    if (std::strcmp(schema, "temp") == 0) return;
    RowChange c;
    c.op = op;
    c.db = schema;
    c.table = table;
    c.old_rowid = old_rowid;
    c.new_rowid = new_rowid;
    int n = sqlite3_preupdate_count(db);
    for (int i = 0; i < n; ++i) {
        sqlite3_value* v = nullptr;
        if (op != SQLITE_INSERT && sqlite3_preupdate_old(db, i, &v) == SQLITE_OK) c.old_values.push_back(dup(v));
        v = nullptr;
        if (op != SQLITE_DELETE && sqlite3_preupdate_new(db, i, &v) == SQLITE_OK) c.new_values.push_back(dup(v));
    }
    a->frames.back().pending.push_back(std::move(c));
}

PlAutonomous* state(SessionHandle* ses) {
    PlSessionState* s = plsql_session(ses);
    if (!s->autonomous) {
        s->autonomous = std::make_shared<PlAutonomous>();
        s->autonomous->db = ses->server->db;
    }
    return s->autonomous.get();
}

// The columns of db.table in the order the hook gives their values, and which of them
// are generated (not written).
bool table_columns(sqlite3* db, const RowChange& c, std::vector<std::pair<std::string, bool>>* cols) {
    std::string sql = "PRAGMA " + quoted(c.db) + ".table_xinfo(" + quoted(c.table) + ")";
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) return false;
    while (sqlite3_step(vm) == SQLITE_ROW) {
        const unsigned char* name = sqlite3_column_text(vm, 1);
        cols->emplace_back(name ? reinterpret_cast<const char*>(name) : "", sqlite3_column_int(vm, 6) != 0);
    }
    sqlite3_finalize(vm);
    return !cols->empty();
}

// Writes one logged change again by its rowid.
bool replay(sqlite3* db, const RowChange& c) {
    std::vector<std::pair<std::string, bool>> cols;
    if (!table_columns(db, c, &cols)) return false;
    const std::string target = quoted(c.db) + "." + quoted(c.table);
    std::string sql;
    std::vector<const Value*> args;
    if (c.op == SQLITE_DELETE) {
        sql = "DELETE FROM " + target + " WHERE rowid = ?1";
    } else if (c.op == SQLITE_INSERT) {
        std::string names = "rowid", marks = "?1";
        for (std::size_t i = 0; i < cols.size() && i < c.new_values.size(); ++i) {
            if (cols[i].second) continue;
            names += ", " + quoted(cols[i].first);
            args.push_back(&c.new_values[i]);
            marks += ", ?" + std::to_string(args.size() + 1);
        }
        sql = "INSERT INTO " + target + " (" + names + ") VALUES (" + marks + ")";
    } else {
        std::string sets = "rowid = ?1";
        for (std::size_t i = 0; i < cols.size() && i < c.new_values.size(); ++i) {
            if (cols[i].second) continue;
            args.push_back(&c.new_values[i]);
            sets += ", " + quoted(cols[i].first) + " = ?" + std::to_string(args.size() + 1);
        }
        sql = "UPDATE " + target + " SET " + sets + " WHERE rowid = ?" + std::to_string(args.size() + 2);
    }
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) return false;
    sqlite3_bind_int64(vm, 1, c.op == SQLITE_DELETE ? c.old_rowid : c.new_rowid);
    int k = 2;
    for (const Value* v : args) sqlite3_bind_value(vm, k++, v->get());
    if (c.op == SQLITE_UPDATE) sqlite3_bind_int64(vm, k, c.old_rowid);
    int rc = sqlite3_step(vm);
    sqlite3_finalize(vm);
    return rc == SQLITE_DONE;
}

// Whether the row change is what the table holds now: the row as it was written, or
// the row gone that it deleted.
bool in_effect(sqlite3* db, const RowChange& c) {
    std::vector<std::pair<std::string, bool>> cols;
    if (!table_columns(db, c, &cols)) return true;
    std::string sql = "SELECT 1 FROM " + quoted(c.db) + "." + quoted(c.table) + " WHERE rowid = ?1";
    std::vector<const Value*> args;
    if (c.op != SQLITE_DELETE)
        for (std::size_t i = 0; i < cols.size() && i < c.new_values.size(); ++i) {
            if (cols[i].second) continue;
            args.push_back(&c.new_values[i]);
            sql += " AND " + quoted(cols[i].first) + " IS ?" + std::to_string(args.size() + 1);
        }
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) return true;
    sqlite3_bind_int64(vm, 1, c.op == SQLITE_DELETE ? c.old_rowid : c.new_rowid);
    int k = 2;
    for (const Value* v : args) sqlite3_bind_value(vm, k++, v->get());
    bool found = sqlite3_step(vm) == SQLITE_ROW;
    sqlite3_finalize(vm);
    return c.op == SQLITE_DELETE ? !found : found;
}

// The newest mark the current transaction still holds (0 when none).
sqlite3_int64 newest_mark(sqlite3* db) {
    sqlite3_stmt* vm = nullptr;
    std::string sql = std::string("SELECT max(seq) FROM ") + kMarks;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) return 0;
    sqlite3_int64 seq = sqlite3_step(vm) == SQLITE_ROW ? sqlite3_column_int64(vm, 0) : 0;
    sqlite3_finalize(vm);
    return seq;
}

bool add_mark(sqlite3* db, sqlite3_int64 seq) {
    return exec(db, std::string("INSERT INTO ") + kMarks + " VALUES (" + std::to_string(seq) + ")");
}

// Writes the logged transactions from the first one whose mark is gone, with the
// connection's triggers off: the log already holds what they did.
bool replay_from(PlAutonomous* a, sqlite3* db, std::size_t first, bool mark) {
    int triggers = 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, -1, &triggers);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    a->replaying = true;
    bool ok = true;
    for (std::size_t k = first; ok && k < a->log.size(); ++k) {
        for (const RowChange& c : a->log[k].changes) ok = ok && replay(db, c);
        if (ok && mark) ok = add_mark(db, a->log[k].seq);
    }
    a->replaying = false;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, triggers, nullptr);
    return ok;
}

void unhook(PlAutonomous* a) {
    if (!a->hooked) return;
    sqlite3_preupdate_hook(a->db, nullptr, nullptr);
    a->hooked = false;
}

OraError sqlite_failure(sqlite3* db) {
    return ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
}

PlError as_pl(const OraError& e) {
    PlError p;
    p.code = e.code;
    p.message = e.message;
    return p;
}

// Takes back what the innermost unit changed and did not commit, newest first, and
// forgets it. No savepoint serves here: SQLite opens none inside a running statement,
// where triggers and functions called from SQL run.
bool undo_pending(PlAutonomous* a, sqlite3* db) {
    int triggers = 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, -1, &triggers);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    a->replaying = true;
    bool ok = true;
    std::vector<RowChange>& pending = a->frames.back().pending;
    for (std::size_t k = pending.size(); ok && k-- > 0;) {
        RowChange back = pending[k];
        if (back.op == SQLITE_INSERT) {
            back.op = SQLITE_DELETE;
            back.old_rowid = back.new_rowid;
        } else {
            back.op = back.op == SQLITE_DELETE ? SQLITE_INSERT : SQLITE_UPDATE;
            std::swap(back.old_rowid, back.new_rowid);
            back.new_values = back.old_values;
        }
        ok = replay(db, back);
    }
    a->replaying = false;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, triggers, nullptr);
    pending.clear();
    return ok;
}

}  // namespace

// Made at logon, outside any transaction, so that no rollback takes it away and no
// running statement has to change the schema.
bool plsql_autonomous_install(sqlite3* db) {
    return exec(db, std::string("CREATE TEMP TABLE IF NOT EXISTS ") + kMarks + " (seq INTEGER PRIMARY KEY)");
}

bool plsql_autonomous_enter(SessionHandle* ses, PlError*) {
    PlAutonomous* a = state(ses);
    sqlite3* db = ses->server->db;
    Frame f;
    f.savepoint = ses->in_transaction || !sqlite3_get_autocommit(db);
    if (f.savepoint && !a->hooked) {
        sqlite3_preupdate_hook(db, on_preupdate, a);
        a->hooked = true;
    }
    a->frames.push_back(std::move(f));
    return true;
}

bool plsql_autonomous_leave(SessionHandle* ses, bool failed, PlError* err) {
    PlAutonomous* a = state(ses);
    sqlite3* db = ses->server->db;
    if (a->frames.empty()) return true;
    bool open = false;
    if (a->frames.back().savepoint) {
        open = !a->frames.back().pending.empty();
        bool undone = !open || undo_pending(a, db);
        a->frames.pop_back();
        bool inner = false;
        for (const Frame& g : a->frames) inner = inner || g.savepoint;
        if (!inner) unhook(a);
        if (!undone && !failed) {
            *err = as_pl(sqlite_failure(db));
            return false;
        }
    } else {
        a->frames.pop_back();
        open = ses->in_transaction || !sqlite3_get_autocommit(db);
        if (open) session_rollback(ses, nullptr);
    }
    if (open && !failed) {
        *err = pl_error(6519);
        return false;
    }
    return true;
}

bool plsql_autonomous_owns_savepoint(SessionHandle* ses) {
    PlSessionState* s = plsql_session(ses);
    return s->autonomous && !s->autonomous->frames.empty() && s->autonomous->frames.back().savepoint;
}

bool plsql_trigger_forbids_transaction_end(SessionHandle* ses) {
    return plsql_session(ses)->trigger_depth > 0 && !plsql_autonomous_owns_savepoint(ses);
}

bool plsql_autonomous_end(SessionHandle* ses, bool commit, PlError* err) {
    PlAutonomous* a = state(ses);
    sqlite3* db = ses->server->db;
    Frame& f = a->frames.back();
    f.savepoints.clear();
    if (f.pending.empty()) return true;
    if (!commit) {
        if (!undo_pending(a, db)) {
            *err = as_pl(sqlite_failure(db));
            return false;
        }
        return true;
    }
    Committed c;
    c.seq = ++a->next_seq;
    c.changes = std::move(f.pending);
    f.pending.clear();
    if (!add_mark(db, c.seq)) {
        *err = as_pl(sqlite_failure(db));
        return false;
    }
    a->log.push_back(std::move(c));
    return true;
}

void plsql_autonomous_savepoint(SessionHandle* ses, const std::string& name) {
    if (!plsql_autonomous_owns_savepoint(ses)) return;
    Frame& f = state(ses)->frames.back();
    f.savepoints.emplace_back(upper(name), f.pending.size());
}

bool plsql_autonomous_rollback_to(SessionHandle* ses, const std::string& name) {
    if (!plsql_autonomous_owns_savepoint(ses)) return true;
    Frame& f = state(ses)->frames.back();
    const std::string key = upper(name);
    for (std::size_t k = f.savepoints.size(); k-- > 0;) {
        if (f.savepoints[k].first != key) continue;
        if (f.pending.size() > f.savepoints[k].second) f.pending.resize(f.savepoints[k].second);
        f.savepoints.resize(k + 1);
        return true;
    }
    // The caller's savepoints belong to another transaction.
    return false;
}

std::size_t plsql_autonomous_mark(SessionHandle* ses) {
    if (!plsql_autonomous_owns_savepoint(ses)) return 0;
    return state(ses)->frames.back().pending.size();
}

void plsql_autonomous_forget_since(SessionHandle* ses, std::size_t mark) {
    if (!plsql_autonomous_owns_savepoint(ses)) return;
    Frame& f = state(ses)->frames.back();
    if (f.pending.size() > mark) f.pending.resize(mark);
}

bool plsql_autonomous_restore(SessionHandle* ses, OraError* err) {
    PlSessionState* s = ses->plsql;
    if (!s || !s->autonomous || s->autonomous->log.empty() || !ses->server || !ses->server->db) return true;
    PlAutonomous* a = s->autonomous.get();
    sqlite3* db = ses->server->db;
    sqlite3_int64 kept = newest_mark(db);

    std::size_t first = 0;
    while (first < a->log.size() && a->log[first].seq <= kept) ++first;
    bool ok = true;
    if (sqlite3_get_autocommit(db)) {
        // The caller's transaction is over: what it rolled back of the log is written
        // and committed now, and the log is done with.
        if (first < a->log.size()) {
            ok = exec(db, "BEGIN") && replay_from(a, db, first, false);
            if (ok) ok = exec(db, "COMMIT");
            if (!ok) {
                *err = sqlite_failure(db);
                if (!sqlite3_get_autocommit(db)) exec(db, "ROLLBACK");
            }
        }
        a->log.clear();
        exec(db, std::string("DELETE FROM ") + kMarks);
        return ok;
    }
    if (first == a->log.size()) return true;
    ok = replay_from(a, db, first, true);
    if (!ok) *err = sqlite_failure(db);
    return ok;
}

std::int64_t plsql_autonomous_seq(SessionHandle* ses) {
    PlSessionState* s = ses->plsql;
    return s && s->autonomous ? s->autonomous->next_seq : 0;
}

// A failed statement's own undo covers only the schema files it wrote itself (it has
// no statement journal in the others, nor in the one the commit marks are kept in):
// what autonomous units committed inside it is checked change by change.
bool plsql_autonomous_statement_failed(SessionHandle* ses, std::int64_t since, OraError* err) {
    PlSessionState* s = ses->plsql;
    if (!s || !s->autonomous || s->autonomous->next_seq <= since || !ses->server || !ses->server->db) return true;
    PlAutonomous* a = s->autonomous.get();
    sqlite3* db = ses->server->db;
    if (sqlite3_get_autocommit(db)) return plsql_autonomous_restore(ses, err);
    int triggers = 1;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, -1, &triggers);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    a->replaying = true;
    bool ok = true;
    for (const Committed& c : a->log) {
        if (c.seq <= since) continue;
        for (const RowChange& change : c.changes)
            if (ok && !in_effect(db, change)) ok = replay(db, change);
    }
    a->replaying = false;
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_TRIGGER, triggers, nullptr);
    if (!ok) *err = sqlite_failure(db);
    return ok;
}
