// The interpreter's SQLite statements: preparing and binding one, evaluating an
// expression, fetching a row into targets, and the transaction the block's changes run in.
#include "plsql/plsql_interpreter.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "values/errors.h"
#include "os/os.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plsql_running {

// ORA-04091 when sql reads a table a running statement is changing (a row trigger's).
bool Interpreter::not_mutating(const std::string& sql, PlError* err) {
    for (const std::string& table : plsql_session(ses_)->mutating) {
        if (sql.find(table) == std::string::npos) continue;
        std::string shown;
        for (char c : table)
            if (c != '"') shown += c;
        *err = pl_error(4091, shown);
        return false;
    }
    return true;
}

bool Interpreter::prepare(PlSql* q, PlError* err) {
    if (!q) {
        // A cursor of a package header whose body never defined it.
        *err = pl_error(6508);
        return false;
    }
    if (!not_mutating(q->tr.sql, err) || !run_before(q, err)) return false;
    if (q->vm && sqlite3_stmt_busy(q->vm) && local_depth_ > 0) {
        // A local subprogram called itself while this statement runs for the caller (a
        // cursor loop): the caller's run is parked until the call returns.
        parked_.emplace_back(q, q->vm);
        q->vm = nullptr;
    }
    if (!q->vm) {
        if (sqlite3_prepare_v2(db_, q->tr.sql.c_str(), -1, &q->vm, nullptr) != SQLITE_OK) {
            OraError e = ora_from_sqlite(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
            *err = make_error(e.code, e.message);
            q->vm = nullptr;
            return false;
        }
    }
    sqlite3_reset(q->vm);
    sqlite3_clear_bindings(q->vm);
    return bind_values(q, q->vm, err);
}

bool Interpreter::run_before(PlSql* q, PlError* err) {
    for (const PlStmt& call : q->before)
        if (statement(call) == Flow::Error) {
            *err = error_;
            return false;
        }
    return true;
}

bool Interpreter::bind_values(PlSql* q, sqlite3_stmt* vm, PlError* err) {
    for (std::size_t k = 0; k < q->tr.bind_names.size(); ++k) {
        const std::string& name = q->tr.bind_names[k];
        PlValue v;
        if (name[0] == '#') {
            if (!ref_value(q->refs[static_cast<std::size_t>(std::stoi(name.substr(1)))], &v, err)) return false;
        } else {
            HostState* h = host(name, err);
            if (!h || !host_read(h, err)) return false;
            v = h->value;
        }
        // RAW and BLOB values are bytes: SQLite compares and stores them as blobs.
        auto type = q->bind_types.find(name);
        if (v.kind == PlKind::Text && type != q->bind_types.end() && pl_binary_type(type->second))
            sqlite3_bind_blob(vm, static_cast<int>(k + 1), v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
        else
            bind_value(vm, static_cast<int>(k + 1), v);
    }
    return true;
}

// MERGE: its statements one after the other with the block's values bound, as the OCI
// layer runs them, under a savepoint that a failure rolls back to (inside a running SQL
// statement that statement's own undo does it); *merged is the rows its UPDATE and
// INSERT changed.
bool Interpreter::merge_steps(PlSql* q, std::int64_t* merged, PlError* err) {
    bool guarded =
        !root_->in_statement_ && sqlite3_exec(db_, "SAVEPOINT vantro_merge", nullptr, nullptr, nullptr) == SQLITE_OK;
    bool ok = run_merge_steps(q, merged, err);
    if (guarded && !sqlite3_get_autocommit(db_)) {
        if (!ok) sqlite3_exec(db_, "ROLLBACK TO vantro_merge", nullptr, nullptr, nullptr);
        sqlite3_exec(db_, "RELEASE vantro_merge", nullptr, nullptr, nullptr);
    }
    return ok;
}

bool Interpreter::run_merge_steps(PlSql* q, std::int64_t* merged, PlError* err) {
    using Role = Translation::MergeStep::Role;
    *merged = 0;
    sqlite3_int64 bound = 0;
    for (const Translation::MergeStep& step : q->tr.merge_steps)
        if (!not_mutating(step.sql, err)) return false;
    for (const Translation::MergeStep& step : q->tr.merge_steps) {
        sqlite3_stmt* vm = nullptr;
        bool ok = sqlite3_prepare_v2(db_, step.sql.c_str(), -1, &vm, nullptr) == SQLITE_OK;
        if (!ok) *err = sqlite_error(false);
        ok = ok && bind_values(q, vm, err);
        int at = ok ? sqlite3_bind_parameter_index(vm, ":vantro_bound") : 0;
        if (at > 0) sqlite3_bind_int64(vm, at, bound);
        int rc = ok ? sqlite3_step(vm) : SQLITE_DONE;
        if (ok && rc == SQLITE_ROW && step.role == Role::Unstable) {
            *err = make_error(30926, ora_message(30926));
            ok = false;
        } else if (ok && rc == SQLITE_ROW && step.role == Role::Bound) {
            bound = sqlite3_column_int64(vm, 0);
            rc = sqlite3_step(vm);
        }
        if (ok && rc != SQLITE_DONE) {
            *err = sqlite_error(false);
            ok = false;
        }
        if (ok && step.role == Role::Counted) *merged += sqlite3_changes(db_);
        sqlite3_finalize(vm);
        if (!ok) return false;
    }
    return true;
}

PlError Interpreter::sqlite_error(bool expression) {
    PlSessionState* state = plsql_session(ses_);
    if (state->local_failed) {
        // A local function failed inside the expression: its own error, not SQLite's text.
        state->local_failed = false;
        return state->local_error;
    }
    OraError e = ora_from_sqlite(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
    if (expression && e.code == 1722) return value_error("character to number conversion error");
    if (e.code == 1013) ses_->server->cancel = false;
    return make_error(e.code, e.message);
}

PlError Interpreter::dml_error(const PlSql* q) {
    int code = sqlite3_extended_errcode(db_);
    std::string msg = sqlite3_errmsg(db_);
    PlError e = sqlite_error(false);
    if (e.code != 1 || (code != SQLITE_CONSTRAINT_UNIQUE && code != SQLITE_CONSTRAINT_PRIMARYKEY)) return e;
    std::size_t colon = msg.find(": ");
    std::string name =
        colon == std::string::npos ? "" : catalog_unique_key_name(db_, q->tr.owner, msg.substr(colon + 2));
    return name.empty() ? e : make_error(1, ora_message(1, name));
}

bool Interpreter::eval(PlSql* q, PlValue* v, PlError* err) {
    if (q->vm && sqlite3_stmt_busy(q->vm)) return eval_fresh(q, v, err);
    if (!prepare(q, err)) return false;
    PlsqlExpressionScope plsql_text(ses_->settings, true);
    int rc = sqlite3_step(q->vm);
    if (rc != SQLITE_ROW) {
        *err = sqlite_error(true);
        sqlite3_reset(q->vm);
        return false;
    }
    *v = lob_column_value(q->vm, type_of(q));
    sqlite3_reset(q->vm);
    return true;
}

bool Interpreter::test(PlSql* q, bool* result, PlError* err) {
    PlValue v;
    if (!eval(q, &v, err)) return false;
    *result = v.kind == PlKind::Int && v.i == 1;
    return true;
}

bool Interpreter::begin_transaction(PlError* err) {
    OraError restored;
    if (!plsql_autonomous_restore(ses_, &restored)) {
        *err = make_error(restored.code, restored.message);
        return false;
    }
    if (!ses_->in_transaction) {
        if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
            *err = sqlite_error(false);
            return false;
        }
        ses_->in_transaction = true;
        ses_->read_only = false;
    }
    return true;
}

bool Interpreter::take_savepoint(PlError* err) {
    if (!begin_transaction(err)) return false;
    // Inside a running SQL statement (a trigger, a function in SQL) SQLite opens no
    // savepoint; that statement's own undo covers the changes.
    if (!root_->savepoint_ && !root_->in_statement_) {
        std::string sql = std::string("SAVEPOINT ") + kSavepoint;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            *err = sqlite_error(false);
            return false;
        }
        root_->savepoint_ = true;
    }
    return true;
}

bool Interpreter::fetch_into(sqlite3_stmt* vm, const Translation& tr, const std::vector<PlTarget>& targets,
                             PlError* err, int hidden) {
    std::vector<PlTarget> flat = targets;
    if (targets.size() == 1 && !targets[0].host) {
        const PlVarInfo& v = p_->vars[static_cast<std::size_t>(targets[0].slot)];
        if (!v.fields.empty()) {
            flat.clear();
            for (int f : v.fields) flat.push_back(pl_var_target(f));
        } else if (targets[0].index && targets[0].field < 0 && v.record_elements()) {
            // An element of a collection of records: one target per field.
            flat.assign(v.record_fields.size(), targets[0]);
            for (std::size_t k = 0; k < flat.size(); ++k) flat[k].field = static_cast<int>(k);
        }
    }
    int ncols = sqlite3_column_count(vm) - hidden;
    if (static_cast<int>(flat.size()) != ncols) {
        *err = pl_error(6504);
        return false;
    }
    for (int c = 0; c < ncols; ++c) {
        PlValue v = column_value(vm, c);
        if (!assign(flat[static_cast<std::size_t>(c)], v, tr.columns[static_cast<std::size_t>(c)].type, err))
            return false;
    }
    return true;
}

}  // namespace plsql_running
