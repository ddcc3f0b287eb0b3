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

bool Interpreter::prepare(PlSql* q, PlError* err) {
    for (const std::string& table : plsql_session(ses_)->mutating) {
        if (q->tr.sql.find(table) == std::string::npos) continue;
        std::string shown;
        for (char c : table)
            if (c != '"') shown += c;
        *err = pl_error(4091, shown);
        return false;
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
        bind_value(q->vm, static_cast<int>(k + 1), v);
    }
    return true;
}

PlError Interpreter::sqlite_error(bool expression) {
    OraError e = ora_from_sqlite(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_));
    if (expression && e.code == 1722) return value_error("character to number conversion error");
    if (e.code == 1013) ses_->server->cancel = false;
    return make_error(e.code, e.message);
}

bool Interpreter::eval(PlSql* q, PlValue* v, PlError* err) {
    if (!prepare(q, err)) return false;
    int rc = sqlite3_step(q->vm);
    if (rc != SQLITE_ROW) {
        *err = sqlite_error(true);
        sqlite3_reset(q->vm);
        return false;
    }
    *v = column_value(q->vm, 0);
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
    if (!ses_->in_transaction) {
        if (sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
            *err = sqlite_error(false);
            return false;
        }
        ses_->in_transaction = true;
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

bool Interpreter::fetch_into(sqlite3_stmt* vm, const PlSql* q, const std::vector<PlTarget>& targets, PlError* err) {
    std::vector<PlTarget> flat = targets;
    if (targets.size() == 1 && !targets[0].host) {
        const PlVarInfo& v = p_->vars[static_cast<std::size_t>(targets[0].slot)];
        if (!v.fields.empty()) {
            flat.clear();
            for (int f : v.fields) flat.push_back(pl_var_target(f));
        }
    }
    int ncols = sqlite3_column_count(vm);
    if (static_cast<int>(flat.size()) != ncols) {
        *err = pl_error(6504);
        return false;
    }
    for (int c = 0; c < ncols; ++c) {
        PlValue v = column_value(vm, c);
        if (!assign(flat[static_cast<std::size_t>(c)], v, q->tr.columns[static_cast<std::size_t>(c)].type, err))
            return false;
    }
    return true;
}

}  // namespace plsql_running
