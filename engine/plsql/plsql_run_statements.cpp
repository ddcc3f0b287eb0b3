// The interpreter's statements: blocks with their handlers, control flow, SQL
// statements, transactions and cursors.
#include "plsql/plsql_interpreter.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "values/errors.h"
#include "os/os.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plsql_running {

// An autonomous unit runs between plsql_autonomous_enter and _leave.
Flow Interpreter::block(const PlBlock& b) {
    if (!b.autonomous) return run_block(b);
    PlError err;
    if (!plsql_autonomous_enter(ses_, &err)) return raise(err, last_line(b));
    Flow f = run_block(b);
    bool failed = f == Flow::Error;
    bool left = plsql_autonomous_leave(ses_, failed, &err);
    if (sqlite3_get_autocommit(db_)) {
        ses_->in_transaction = false;
        root_->savepoint_ = false;
    }
    if (!left && !failed) return raise(err, last_line(b));
    return f;
}

Flow Interpreter::run_block(const PlBlock& b) {
    RunningBlock running(ses_, this);
    PlError err;
    for (const PlDecl& d : b.decls) {
        var(d.slot) = PlValue();
        const PlVarInfo& info = p_->vars[static_cast<std::size_t>(d.slot)];
        for (int f : info.fields) var(f) = PlValue();
        if (info.collection != PlCollection::None) {
            reset_collection(d.slot);
            if (d.init_collection && statement(*d.init_collection) == Flow::Error) return Flow::Error;
            continue;
        }
        // A record's initial value: a copy of a record or a function's result.
        if (d.init_collection && statement(*d.init_collection) == Flow::Error) return Flow::Error;
        if (!d.init) continue;
        PlValue v;
        if (!eval(d.init, &v, &err) || !assign_var(d.slot, v, type_of(d.init), &err)) return raise(err, d.init->line);
    }
    Flow f = statements(b.body);
    for (int c : b.cursors) close_cursor(c);
    if (f != Flow::Error || b.handlers.empty()) return f;
    for (const PlHandler& h : b.handlers) {
        bool match = h.exceptions.empty();
        for (const PlExceptionInfo& ex : h.exceptions)
            match =
                match || (ex.user_id ? ex.user_id == error_.user_id : (error_.user_id == 0 && ex.code == error_.code));
        if (!match) continue;
        handling_.push_back(error_);
        Flow hf = statements(h.body);
        handling_.pop_back();
        return hf;
    }
    return f;
}

Flow Interpreter::statements(const std::vector<PlStmt>& list) {
    // The enclosing statement's line again once a nested list (a loop's body, a local
    // subprogram's) is done.
    struct LineKeeper {
        int* line;
        int outer;
        ~LineKeeper() { *line = outer; }
    } keep{&line_, line_};
    for (std::size_t at = 0; at < list.size(); ++at) {
        const PlStmt& st = list[at];
        line_ = st.line;
        if (ses_->server->cancel) {
            ses_->server->cancel = false;
            return raise(make_error(1013, ora_message(1013)), st.line);
        }
        // A failed SQL statement took its changes back: an autonomous unit forgets them.
        bool sql = st.kind == PlStmtKind::Dml || st.kind == PlStmtKind::Execute;
        std::size_t mark = sql ? plsql_autonomous_mark(ses_) : 0;
        std::int64_t seq = sql ? plsql_autonomous_seq(ses_) : 0;
        Flow f = statement(st);
        if (sql && f == Flow::Error) {
            plsql_autonomous_forget_since(ses_, mark);
            OraError restored;
            if (!plsql_autonomous_statement_failed(ses_, seq, &restored))
                return raise(make_error(restored.code, restored.message), st.line);
        }
        if (f == Flow::Goto) {
            // A GOTO of this list or of one nested in it goes on here when the label is
            // this list's; otherwise the enclosing list looks for it.
            std::size_t to = 0;
            while (to < list.size() &&
                   std::find(list[to].labels.begin(), list[to].labels.end(), goto_label_) == list[to].labels.end())
                ++to;
            if (to < list.size()) {
                goto_label_.clear();
                at = to - 1;
                continue;
            }
        }
        if (f != Flow::Next) return f;
    }
    return Flow::Next;
}

bool Interpreter::loop_step(const PlStmt& st, Flow* f) {
    *f = statements(st.bodies[0]);
    if (*f == Flow::Continue) {
        // CONTINUE label of an outer loop ends this one's turn and goes on with that loop.
        if (!exit_label_.empty() && exit_label_ != st.name) return false;
        exit_label_.clear();
        *f = Flow::Next;
    }
    if (*f == Flow::Exit) {
        if (exit_label_.empty() || exit_label_ == st.name) {
            exit_label_.clear();
            *f = Flow::Next;
        }
        return false;
    }
    return *f == Flow::Next;
}

Flow Interpreter::statement(const PlStmt& st) {
    switch (st.kind) {
    case PlStmtKind::Null:
        return Flow::Next;
    case PlStmtKind::Block:
        return block(*st.block);
    case PlStmtKind::Call:
        return call(st);
    case PlStmtKind::Assign:
        return run_assign(st);
    case PlStmtKind::If:
        return run_if(st);
    case PlStmtKind::Loop:
        return run_loop(st);
    case PlStmtKind::While:
        return run_while(st);
    case PlStmtKind::ForRange:
        return run_for_range(st);
    case PlStmtKind::ForCursor:
        return run_for_cursor(st);
    case PlStmtKind::Exit:
        return run_exit(st);
    case PlStmtKind::Continue:
        return run_exit(st);
    case PlStmtKind::SelectInto:
        return sql_level(st, [&] { return run_select_into(st); });
    case PlStmtKind::Dml:
        return sql_level(st, [&] { return run_dml(st); });
    case PlStmtKind::Commit:
        return run_end_transaction(st);
    case PlStmtKind::Rollback:
        return run_end_transaction(st);
    case PlStmtKind::Savepoint:
        return run_savepoint(st);
    case PlStmtKind::Open:
        return run_open(st);
    case PlStmtKind::OpenFor:
        return run_open_for(st);
    case PlStmtKind::Fetch:
        return run_fetch(st);
    case PlStmtKind::Close:
        return run_close(st);
    case PlStmtKind::Return:
        return run_return(st);
    case PlStmtKind::PipeRow:
        return run_pipe_row(st);
    case PlStmtKind::Raise:
        return run_raise(st);
    case PlStmtKind::Collection:
        return run_collection(st);
    case PlStmtKind::Forall:
        return sql_level(st, [&] { return run_forall(st); });
    case PlStmtKind::Execute:
        return sql_level(st, [&] { return run_execute(st); });
    case PlStmtKind::RecordCopy:
        return run_record_copy(st);
    case PlStmtKind::Goto:
        goto_label_ = st.name;
        return Flow::Goto;
    }
    return Flow::Next;
}

template <typename Run>
Flow Interpreter::sql_level(const PlStmt& st, Run run) {
    PlSessionState* state = plsql_session(ses_);
    if (state->sql_levels >= kPlMaxSqlLevels) return raise(pl_error(36, std::to_string(kPlMaxSqlLevels)), st.line);
    ++state->sql_levels;
    Flow f = run();
    --state->sql_levels;
    return f;
}

Flow Interpreter::run_assign(const PlStmt& st) {
    PlError err;
    PlValue v;
    if (!eval(st.exprs[0], &v, &err) || !assign(st.targets[0], v, type_of(st.exprs[0]), &err))
        return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::run_if(const PlStmt& st) {
    PlError err;
    if (st.selector) {
        PlValue v;
        if (!eval(st.selector, &v, &err) || !assign_var(st.slot, v, type_of(st.selector), &err))
            return raise(err, st.line);
    }
    for (std::size_t k = 0; k < st.exprs.size(); ++k) {
        bool yes = false;
        if (!test(st.exprs[k], &yes, &err)) return raise(err, st.line);
        if (yes) return statements(st.bodies[k]);
    }
    if (st.has_else) return statements(st.bodies.back());
    if (st.name == "case") return raise(pl_error(6592), st.line);
    return Flow::Next;
}

Flow Interpreter::run_loop(const PlStmt& st) {
    Flow f = Flow::Next;
    while (loop_step(st, &f)) {
    }
    return f;
}

Flow Interpreter::run_while(const PlStmt& st) {
    PlError err;
    Flow f = Flow::Next;
    for (;;) {
        bool yes = false;
        if (!test(st.exprs[0], &yes, &err)) return raise(err, st.line);
        if (!yes || !loop_step(st, &f)) break;
    }
    return f;
}

Flow Interpreter::run_for_range(const PlStmt& st) {
    PlError err;
    PlValue lo, hi;
    OraType num;
    num.code = kTypeNumber;
    PlValue a, b;
    if (!eval(st.exprs[0], &lo, &err) || !eval(st.exprs[1], &hi, &err) ||
        !convert_number(lo, type_of(st.exprs[0]), num, &a, &err) ||
        !convert_number(hi, type_of(st.exprs[1]), num, &b, &err))
        return raise(err, st.line);
    if (a.kind == PlKind::Null || b.kind == PlKind::Null)
        return raise(value_error("NULL index table key value"), st.line);
    std::int64_t from = a.kind == PlKind::Int ? a.i : std::llround(a.d);
    std::int64_t to = b.kind == PlKind::Int ? b.i : std::llround(b.d);
    Flow f = Flow::Next;
    for (std::int64_t k = st.reverse ? to : from; st.reverse ? k >= from : k <= to; st.reverse ? --k : ++k) {
        var(st.slot) = int_value(k);
        if (!loop_step(st, &f)) break;
    }
    return f;
}

Flow Interpreter::run_for_cursor(const PlStmt& st) {
    PlError err;
    int c = st.targets[0].slot;
    if (!open_cursor(c, st, &err)) return raise(err, st.line);
    Flow f = Flow::Next;
    for (;;) {
        // Looked up again each row: the loop's body may run calls that touch the package
        // state a package cursor lives in.
        CursorRef r;
        if (!cursor_ref(c, &r, &err) || !r.cs->open) {
            if (err.code == 0) err = pl_error(1001);
            close_cursor(c);
            return raise(err, st.line);
        }
        if (!fetch_in_sequence(r, &err)) {
            close_cursor(c);
            return raise(err, st.line);
        }
        int rc = sqlite3_step(r.vm);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            close_cursor(c);
            return raise(sqlite_error(false), st.line);
        }
        r.cs->found = 1;
        ++r.cs->rowcount;
        keep_current_row(r);
        if (!fetch_into(r.vm, *r.tr, {pl_var_target(st.slot)}, &err, r.hidden)) {
            close_cursor(c);
            return raise(err, st.line);
        }
        if (!loop_step(st, &f)) break;
    }
    close_cursor(c);
    return f;
}

Flow Interpreter::run_exit(const PlStmt& st) {
    PlError err;
    if (!st.exprs.empty()) {
        bool yes = false;
        if (!test(st.exprs[0], &yes, &err)) return raise(err, st.line);
        if (!yes) return Flow::Next;
    }
    exit_label_ = st.name;
    return st.kind == PlStmtKind::Exit ? Flow::Exit : Flow::Continue;
}

Flow Interpreter::run_select_into(const PlStmt& st) {
    if (st.bulk) return run_bulk_select(st);
    PlError err;
    PlSql* q = st.exprs[0];
    if (!prepare(q, &err)) return raise(err, st.line);
    int rc = sqlite3_step(q->vm);
    if (rc == SQLITE_DONE) {
        sql_found_ = 0;
        sql_rowcount_ = 0;
        sqlite3_reset(q->vm);
        return raise(make_error(1403, ora_message(1403)), st.line);
    }
    if (rc != SQLITE_ROW) {
        err = sqlite_error(false);
        sqlite3_reset(q->vm);
        return raise(err, st.line);
    }
    if (!fetch_into(q->vm, q->tr, st.targets, &err)) {
        sqlite3_reset(q->vm);
        return raise(err, st.line);
    }
    rc = sqlite3_step(q->vm);
    sqlite3_reset(q->vm);
    sql_found_ = 1;
    sql_rowcount_ = 1;
    if (rc == SQLITE_ROW) {
        sql_rowcount_ = 2;
        return raise(pl_error(1422), st.line);
    }
    return Flow::Next;
}

Flow Interpreter::run_dml(const PlStmt& st) {
    PlError err;
    if (ses_->read_only && ses_->in_transaction) return raise(pl_error(1456), st.line);
    PlSql* q = st.exprs[0];
    bool merge = !q->tr.merge_steps.empty();  // several statements (MERGE, INSERT ALL), run by merge_steps
    if (!take_savepoint(&err) || (!merge && !prepare(q, &err))) return raise(err, st.line);
    // RETURNING INTO single variables fails when more than one row changed; the statement
    // is then undone, so it is run under a savepoint of its own.
    bool failed = false;
    std::vector<std::vector<PlValue>> returned;
    TriggeredDml dml;
    dml.in_statement = root_->in_statement_;
    dml.keep_outer_rows = true;
    dml.run = [&]() {
        bool single_returning = !st.targets.empty() && !st.bulk && !root_->in_statement_ &&
                                sqlite3_exec(db_, "SAVEPOINT vantro_returning", nullptr, nullptr, nullptr) == SQLITE_OK;
        auto end_returning = [&](bool undo_it) {
            if (!single_returning || sqlite3_get_autocommit(db_)) return;
            if (undo_it) sqlite3_exec(db_, "ROLLBACK TO vantro_returning", nullptr, nullptr, nullptr);
            sqlite3_exec(db_, "RELEASE vantro_returning", nullptr, nullptr, nullptr);
        };
        std::int64_t merged = 0;
        bool merge_failed = merge && !merge_steps(q, &merged, &err);
        int rc = merge ? (merge_failed ? SQLITE_ERROR : SQLITE_DONE) : sqlite3_step(q->vm);
        // RETURNING ... INTO: the statement's rows are the values of the rows it changed.
        while (rc == SQLITE_ROW && !st.targets.empty()) {
            std::vector<PlValue> row;
            for (int c = 0; c < sqlite3_column_count(q->vm); ++c) row.push_back(column_value(q->vm, c));
            returned.push_back(std::move(row));
            rc = sqlite3_step(q->vm);
        }
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
            if (!merge_failed) err = dml_error(q);
            sqlite3_reset(q->vm);
            end_returning(true);
            failed = true;
            return false;
        }
        sqlite3_reset(q->vm);
        sql_rowcount_ = merge ? merged : sqlite3_changes(db_);
        if (single_returning && returned.size() > 1) {
            end_returning(true);
            err = pl_error(1422);
            failed = true;
            return false;
        }
        end_returning(false);
        return true;
    };
    std::int64_t redone = 0;
    OraError trigger_error;
    if (!plsql_run_triggered_dml(ses_, q->tr, dml, &redone, &trigger_error)) {
        sql_rowcount_ = 0;
        sql_found_ = 0;
        if (sqlite3_get_autocommit(db_)) {
            ses_->in_transaction = false;
            root_->savepoint_ = false;
        }
        if (!failed) err = make_error(trigger_error.code, trigger_error.message);
        return raise(err, st.line);
    }
    sql_rowcount_ += redone;
    sql_found_ = sql_rowcount_ > 0 ? 1 : 0;
    if (st.targets.empty()) return Flow::Next;
    std::vector<OraType> types;
    for (const ColumnInfo& c : q->tr.returning) types.push_back(c.type);
    if (st.bulk) {
        if (!bulk_store(st.targets, returned, types, &err)) return raise(err, st.line);
        return Flow::Next;
    }

    // No row changed: the targets are set to NULL.
    if (returned.empty()) returned.emplace_back(types.size());
    for (std::size_t c = 0; c < st.targets.size() && c < types.size(); ++c)
        if (!assign(st.targets[c], returned[0][c], types[c], &err)) return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::run_end_transaction(const PlStmt& st) {
    PlError err;
    // A trigger runs inside the statement that fired it: only an autonomous unit may end
    // a transaction there.
    if (plsql_trigger_forbids_transaction_end(ses_))
        return raise(pl_error(4092, st.kind == PlStmtKind::Commit ? "COMMIT" : "ROLLBACK"), st.line);
    if (st.kind == PlStmtKind::Rollback && !st.name.empty()) {
        std::string sql = "ROLLBACK TO \"" + st.name + "\"";
        if (!ses_->in_transaction || !plsql_autonomous_rollback_to(ses_, st.name) ||
            sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return raise(make_error(1086, ora_message(1086, st.name)), st.line);
        OraError restored;
        if (!plsql_autonomous_restore(ses_, &restored))
            return raise(make_error(restored.code, restored.message), st.line);
        return Flow::Next;
    }
    if (plsql_autonomous_owns_savepoint(ses_)) {
        if (!plsql_autonomous_end(ses_, st.kind == PlStmtKind::Commit, &err)) return raise(err, st.line);
        return Flow::Next;
    }
    root_->savepoint_ = false;
    sword rc = st.kind == PlStmtKind::Commit ? session_commit(ses_, nullptr) : session_rollback(ses_, nullptr);
    if (rc != OCI_SUCCESS && st.kind == PlStmtKind::Commit && ses_->commit_error.code)
        return raise(make_error(ses_->commit_error.code, ses_->commit_error.message), st.line);
    if (rc != OCI_SUCCESS) return raise(sqlite_error(false), st.line);
    return Flow::Next;
}

Flow Interpreter::run_savepoint(const PlStmt& st) {
    PlError err;
    if (plsql_trigger_forbids_transaction_end(ses_))
        return raise(pl_error(4092, "SET SAVEPOINT"), st.line);
    if (!begin_transaction(&err)) return raise(err, st.line);
    std::string sql = "SAVEPOINT \"" + st.name + "\"";
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return raise(sqlite_error(false), st.line);
    plsql_autonomous_savepoint(ses_, st.name);
    return Flow::Next;
}

// Gives a declared cursor's parameters their values for one OPEN: the arguments, then
// the defaults of those left out.
bool Interpreter::cursor_parameters(int cursor, const PlStmt& st, PlError* err) {
    const PlCursorInfo& info = p_->cursors[static_cast<std::size_t>(cursor)];
    for (std::size_t k = 0; k < info.params.size(); ++k) {
        PlSql* value = k < st.cursor_args.size() && st.cursor_args[k] ? st.cursor_args[k] : info.defaults[k];
        PlValue v;
        if (!value) continue;
        if (!eval(value, &v, err) || !assign_var(info.params[k], v, type_of(value), err)) return false;
    }
    return true;
}

Flow Interpreter::run_open(const PlStmt& st) {
    PlError err;
    if (!open_cursor(st.slot, st, &err)) return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::run_open_for(const PlStmt& st) {
    PlError err;
    if (st.cursor_var) {
        PlSql* q = st.exprs[0];
        if (!prepare(q, &err)) return raise(err, st.line);
        // The cursor takes the prepared statement; the next OPEN prepares anew.
        sqlite3_stmt* vm = q->vm;
        q->vm = nullptr;
        open_cursor_var(st.slot, vm, q->text, q->tr);
        return Flow::Next;
    }
    HostState* h = host(st.name, &err);
    if (!h) return raise(err, st.line);
    BindHandle* b = h->bind;
    StmtHandle* target = b->dty == SQLT_RSET && b->value
                             ? handle_cast<StmtHandle>(*static_cast<void**>(b->value), OCI_HTYPE_STMT)
                             : nullptr;
    if (!target) return raise(make_error(3115, ora_message(3115)), st.line);
    PlSql* q = st.exprs[0];
    if (!prepare(q, &err)) return raise(err, st.line);
    // The caller's handle takes the prepared statement; the next OPEN prepares anew.
    sqlite3_stmt* vm = q->vm;
    q->vm = nullptr;
    stmt_open_result(target, ses_, q->text, q->tr, vm);
    if (b->indicator) *b->indicator = 0;
    return Flow::Next;
}

Flow Interpreter::run_fetch(const PlStmt& st) {
    PlError err;
    if (st.cursor_var) return fetch_cursor_var(st);
    CursorRef r;
    if (!cursor_ref(st.slot, &r, &err)) return raise(err, st.line);
    if (!r.cs->open) return raise(pl_error(1001), st.line);
    if (st.bulk) return run_bulk_fetch(st, r);
    if (!fetch_in_sequence(r, &err)) return raise(err, st.line);
    if (r.cs->found == 0) return Flow::Next;
    int rc = sqlite3_step(r.vm);
    if (rc == SQLITE_DONE) {
        r.cs->found = 0;
        return Flow::Next;
    }
    if (rc != SQLITE_ROW) return raise(sqlite_error(false), st.line);
    r.cs->found = 1;
    ++r.cs->rowcount;
    keep_current_row(r);
    if (!fetch_into(r.vm, *r.tr, st.targets, &err, r.hidden)) return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::run_close(const PlStmt& st) {
    if (st.cursor_var) return close_cursor_var(st);
    PlError err;
    CursorRef r;
    if (!cursor_ref(st.slot, &r, &err)) return raise(err, st.line);
    if (!r.cs->open) return raise(pl_error(1001), st.line);
    close_cursor(st.slot);
    return Flow::Next;
}

Flow Interpreter::run_return(const PlStmt& st) {
    PlError err;
    // RETURN f(x) of a record or collection: the call fills the result variable.
    if (!st.bodies.empty()) {
        Flow f = statements(st.bodies[0]);
        if (f != Flow::Next) return f;
    }
    // RETURN of a whole record or collection variable: copied into the result variable.
    if (st.slot >= 0 && return_slot_ >= 0 && !assign_param(return_slot_, param_value(st.slot), OraType(), &err))
        return raise(err, st.line);
    if (!st.exprs.empty()) {
        PlValue v;
        if (!eval(st.exprs[0], &v, &err)) return raise(err, st.line);
        int slot = return_slot_;
        if (slot >= 0 && !assign_var(slot, v, type_of(st.exprs[0]), &err)) return raise(err, st.line);
    }
    return Flow::Return;
}

Flow Interpreter::run_raise(const PlStmt& st) {
    if (st.name == "reraise") {
        if (handling_.empty()) {
            return raise(make_error(0, ""), st.line);
        }
        PlError e = handling_.back();
        e.line = st.line;
        return raise(e, st.line);
    }
    PlError e;
    e.user_id = st.exception.user_id;
    e.code = st.exception.code;
    if (e.user_id) {
        e.code = 6510;
        e.message = ora_message(6510);
    } else {
        e.message = ora_message(e.code);
    }
    return raise(e, st.line);
}

}  // namespace plsql_running
