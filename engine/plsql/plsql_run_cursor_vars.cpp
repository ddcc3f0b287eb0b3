// The interpreter's cursor variables (SYS_REFCURSOR and REF CURSOR types): a variable
// holds the id of a cursor the session keeps (PlSessionState::ref_cursors), so that
// assignment and parameter passing share one open cursor, as Oracle's references do.
// OPEN FOR puts a prepared query there, FETCH reads it, CLOSE and the end of the client's
// block take it out; a cursor given back through a host bind of type SQLT_RSET moves to
// the caller's statement handle instead.
#include "plsql/plsql_interpreter.h"

#include "values/errors.h"

namespace {

int type_family(const OraType& t) {
    switch (t.code) {
    case kTypeVarchar2:
    case kTypeChar:
    case kTypeClob:
    case kTypeLong:
        return 1;
    case kTypeNumber:
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
        return 2;
    case kTypeDate:
    case kTypeTimestamp:
    case kTypeTimestampTz:
    case kTypeTimestampLtz:
        return 3;
    default:
        return 100 + t.code;
    }
}

}  // namespace

bool plsql_rows_match(const std::vector<ColumnInfo>& columns, const std::vector<ColumnInfo>& row) {
    if (columns.size() != row.size()) return false;
    for (std::size_t k = 0; k < row.size(); ++k) {
        // NULL and '' are character columns of no length: they fit a field of any type.
        const OraType& c = columns[k].type;
        bool null_column = (c.code == kTypeVarchar2 || c.code == kTypeChar) && c.size == 0;
        if (!null_column && type_family(c) != type_family(row[k].type)) return false;
    }
    return true;
}

namespace plsql_running {

PlRefCursor* Interpreter::ref_cursor(int slot) {
    const PlValue& v = var(slot);
    if (v.kind != PlKind::Int) return nullptr;
    auto& open = plsql_session(ses_)->ref_cursors;
    auto it = open.find(v.i);
    return it == open.end() ? nullptr : it->second.get();
}

void Interpreter::open_cursor_var(int slot, sqlite3_stmt* vm, const std::string& text, const Translation& tr,
                                  const void* holder) {
    PlSessionState* st = plsql_session(ses_);
    // Re-opening closes the cursor the variable referred to (for every variable that
    // shares it).
    if (ref_cursor(slot)) drop_ref_cursor(var(slot).i);
    auto c = std::make_unique<PlRefCursor>();
    c->vm = vm;
    c->text = text;
    c->tr = tr;
    // The functions its WITH clause declared live as long as the cursor.
    if (holder) plsql_with_move(ses_, holder, c.get());
    std::int64_t id = ++st->next_ref_cursor;
    st->ref_cursors[id] = std::move(c);
    var(slot) = int_value(id);
}

void Interpreter::drop_ref_cursor(std::int64_t id) {
    auto& open = plsql_session(ses_)->ref_cursors;
    auto it = open.find(id);
    if (it == open.end()) return;
    plsql_with_release_holder(ses_, it->second.get());
    open.erase(it);
}

Flow Interpreter::fetch_cursor_var(const PlStmt& st) {
    PlError err;
    PlRefCursor* c = ref_cursor(st.slot);
    if (!c) return raise(pl_error(1001), st.line);
    if (st.bulk) {
        std::int64_t max = -1;
        if (st.limit) {
            PlValue v, n;
            OraType num;
            num.code = kTypeNumber;
            if (!eval(st.limit, &v, &err) || !convert_number(v, type_of(st.limit), num, &n, &err))
                return raise(err, st.line);
            if (n.kind == PlKind::Null || (n.kind == PlKind::Int ? n.i < 0 : n.d < 0))
                return raise(value_error(""), st.line);
            max = n.kind == PlKind::Int ? n.i : static_cast<std::int64_t>(n.d);
        }
        if (st.targets.size() != c->tr.columns.size()) return raise(pl_error(6504), st.line);
        std::vector<std::vector<PlValue>> rows;
        bool done = c->found == 0;
        if (!done && max != 0 && !bulk_rows(c->vm, max, &rows, &done, &err)) return raise(err, st.line);
        std::vector<OraType> types;
        for (const ColumnInfo& col : c->tr.columns) types.push_back(col.type);
        if (!bulk_store(st.targets, rows, types, &err)) return raise(err, st.line);
        c->rowcount += static_cast<std::int64_t>(rows.size());
        c->found = done ? 0 : 1;
        return Flow::Next;
    }
    // A record takes a row of its own shape only.
    if (st.targets.size() == 1 && !st.targets[0].host && !st.targets[0].index && st.targets[0].package.empty()) {
        const PlVarInfo& r = p_->vars[static_cast<std::size_t>(st.targets[0].slot)];
        if (!r.fields.empty()) {
            std::vector<ColumnInfo> fields;
            for (int f : r.fields) fields.push_back({std::string(), p_->vars[static_cast<std::size_t>(f)].type, false});
            if (!plsql_rows_match(c->tr.columns, fields)) return raise(pl_error(6504), st.line);
        }
    }
    if (c->found == 0) return Flow::Next;
    int rc = sqlite3_step(c->vm);
    if (rc == SQLITE_DONE) {
        c->found = 0;
        return Flow::Next;
    }
    if (rc != SQLITE_ROW) return raise(sqlite_error(false), st.line);
    c->found = 1;
    ++c->rowcount;
    if (!fetch_into(c->vm, c->tr, st.targets, &err)) return raise(err, st.line);
    return Flow::Next;
}

Flow Interpreter::close_cursor_var(const PlStmt& st) {
    if (!ref_cursor(st.slot)) return raise(pl_error(1001), st.line);
    drop_ref_cursor(var(st.slot).i);
    return Flow::Next;
}

bool Interpreter::cursor_var_attr(const PlRef& r, PlValue* v, PlError* err) {
    const PlRefCursor* c = ref_cursor(r.slot);
    if (r.attr == PlAttr::IsOpen) {
        *v = int_value(c ? 1 : 0);
        return true;
    }
    if (!c) {
        *err = pl_error(1001);
        return false;
    }
    *v = fetch_attr(r.attr, c->found, c->rowcount);
    return true;
}

bool Interpreter::hand_over_cursor(BindHandle* b, const PlValue& v, PlError* err) {
    StmtHandle* target = b->value ? handle_cast<StmtHandle>(*static_cast<void**>(b->value), OCI_HTYPE_STMT) : nullptr;
    if (!target) {
        *err = make_error(3115, ora_message(3115));
        return false;
    }
    auto& open = plsql_session(ses_)->ref_cursors;
    auto it = v.kind == PlKind::Int ? open.find(v.i) : open.end();
    // A cursor variable that was never opened (or was closed) leaves the handle as it
    // was: fetching from it then fails as a statement never executed does.
    if (it == open.end()) return true;
    PlRefCursor* c = it->second.get();
    sqlite3_stmt* vm = c->vm;
    c->vm = nullptr;
    stmt_open_result(target, ses_, c->text, c->tr, vm);
    plsql_with_move(ses_, c, target);
    target->with_plsql = true;
    // A cursor FETCH already read to its end gives the handle no rows either.
    if (c->found == 0) target->stepped = SQLITE_DONE;
    open.erase(it);
    if (b->indicator) *b->indicator = 0;
    return true;
}

}  // namespace plsql_running
