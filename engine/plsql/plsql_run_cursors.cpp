// Declared cursors' state: a block's own cursors live in its interpreter and close with
// the block; a package's cursors (those of its header and body declarations) are package
// state of the session, opened by one call and fetched or closed by a later one, from
// inside the package or from outside it (pkg.c), where the package's compiled program
// opens them so that their queries read its variables and run with its owner's rights.
#include "plsql/plsql_interpreter.h"

#include "catalog/catalog_cache.h"
#include "values/errors.h"

#include <optional>

namespace plsql_running {

bool Interpreter::is_package_cursor(int c) const {
    const PlCursorInfo& info = p_->cursors[static_cast<std::size_t>(c)];
    return !info.package.empty() || (info.package_level && pkg_);
}

bool Interpreter::cursor_ref(int c, CursorRef* out, PlError* err) {
    const PlCursorInfo& info = p_->cursors[static_cast<std::size_t>(c)];
    *out = CursorRef();
    if (!is_package_cursor(c)) {
        out->cs = &cursors_[static_cast<std::size_t>(c)];
        if (info.query) {
            out->vm = info.query->vm;
            out->tr = &info.query->tr;
        }
        auto b = buffered_.find(c);
        if (b != buffered_.end()) out->vm = b->second;
        out->hidden = info.current_rowid ? 1 : 0;
        out->for_update = info.for_update;
        return true;
    }
    PlPackageState* st = nullptr;
    int k = c;
    if (!info.package.empty()) {
        st = package_state(info.package, nullptr, err);
        if (!st) return false;
        k = info.package_index;
    } else {
        std::string qualified = p_->package_owner + "." + p_->package_name;
        auto it = plsql_session(ses_)->packages.find(qualified);
        if (it == plsql_session(ses_)->packages.end()) {
            *err = pl_error(6508, ": \"" + qualified + "\"");
            return false;
        }
        st = &it->second;
    }
    std::unique_ptr<PlPackageCursor>& pc = st->cursors[k];
    if (!pc) pc = std::make_unique<PlPackageCursor>();
    out->cs = &pc->cs;
    out->pkg = pc.get();
    out->vm = pc->vm;
    out->tr = &pc->tr;
    out->hidden = pc->hidden;
    out->for_update = pc->for_update;
    return true;
}

bool Interpreter::open_cursor(int c, const PlStmt& st, PlError* err) {
    const PlCursorInfo& info = p_->cursors[static_cast<std::size_t>(c)];
    if (info.package.empty()) {
        CursorRef r;
        if (!cursor_ref(c, &r, err)) return false;
        if (r.cs->open) {
            *err = pl_error(6511);
            return false;
        }
        if (!cursor_parameters(c, st, err) || !prepare(info.query, err)) return false;
        *r.cs = CursorState();
        r.cs->open = true;
        r.cs->opened_in_txn = ses_->transactions_ended;
        if (r.pkg) {
            // The package state takes the prepared statement; the next OPEN prepares anew.
            r.pkg->vm = info.query->vm;
            info.query->vm = nullptr;
            r.pkg->tr = info.query->tr;
            r.pkg->hidden = info.current_rowid ? 1 : 0;
            r.pkg->for_update = info.for_update;
        }
        return true;
    }
    // Another package's cursor: the arguments are the caller's expressions, the rest is
    // the package's to do.
    std::shared_ptr<PlCachedUnit> unit;
    PlPackageState* pst = package_state(info.package, &unit, err);
    if (!pst) return false;
    std::vector<PlValue> args(info.params.size());
    std::vector<OraType> types(info.params.size());
    std::vector<bool> given(info.params.size(), false);
    for (std::size_t k = 0; k < info.params.size() && k < st.cursor_args.size(); ++k) {
        if (!st.cursor_args[k]) continue;
        if (!eval(st.cursor_args[k], &args[k], err)) return false;
        types[k] = type_of(st.cursor_args[k]);
        given[k] = true;
    }
    PlProgram& callee = unit->program;
    BusyUnit busy(unit.get());
    Interpreter inner(s_, &callee, root_);
    inner.attach_package(&pst->values, callee.package_slots);
    std::optional<CatalogDefiner> definer;
    if (!callee.invoker_rights) definer.emplace(db_, info.package.substr(0, info.package.find('.')));
    return inner.open_package_cursor(pst, info.package_index, args, types, given, err);
}

bool Interpreter::open_package_cursor(PlPackageState* st, int k, const std::vector<PlValue>& args,
                                      const std::vector<OraType>& types, const std::vector<bool>& given,
                                      PlError* err) {
    if (k < 0 || static_cast<std::size_t>(k) >= p_->cursors.size() ||
        !p_->cursors[static_cast<std::size_t>(k)].query) {
        *err = pl_error(6508, ": \"" + p_->package_owner + "." + p_->package_name + "\"");
        return false;
    }
    const PlCursorInfo& info = p_->cursors[static_cast<std::size_t>(k)];
    std::unique_ptr<PlPackageCursor>& pc = st->cursors[k];
    if (!pc) pc = std::make_unique<PlPackageCursor>();
    if (pc->cs.open) {
        *err = pl_error(6511);
        return false;
    }
    for (std::size_t j = 0; j < info.params.size(); ++j) {
        int slot = info.params[j];
        if (j < given.size() && given[j]) {
            if (!assign_var(slot, args[j], types[j], err)) return false;
            continue;
        }
        var(slot) = PlValue();
        PlValue v;
        if (info.defaults[j] && (!eval(info.defaults[j], &v, err) || !assign_var(slot, v, type_of(info.defaults[j]), err)))
            return false;
    }
    if (!prepare(info.query, err)) return false;
    pc->vm = info.query->vm;
    info.query->vm = nullptr;
    pc->tr = info.query->tr;
    pc->hidden = info.current_rowid ? 1 : 0;
    pc->for_update = info.for_update;
    pc->cs = CursorState();
    pc->cs.open = true;
    pc->cs.opened_in_txn = ses_->transactions_ended;
    return true;
}

void Interpreter::close_cursor(int c) {
    if (is_package_cursor(c)) {
        CursorRef r;
        PlError ignored;
        if (!cursor_ref(c, &r, &ignored) || !r.pkg) return;
        if (r.pkg->vm) sqlite3_finalize(r.pkg->vm);
        r.pkg->vm = nullptr;
        r.pkg->cs = CursorState();
        return;
    }
    CursorState& cs = cursors_[static_cast<std::size_t>(c)];
    auto b = buffered_.find(c);
    if (b != buffered_.end()) {
        sqlite3_finalize(b->second);
        buffered_.erase(b);
    }
    if (cs.open) {
        PlSql* q = p_->cursors[static_cast<std::size_t>(c)].query;
        if (q && q->vm) sqlite3_reset(q->vm);
    }
    cs = CursorState();
}

bool Interpreter::fetch_in_sequence(const CursorRef& r, PlError* err) const {
    if (!r.for_update || r.cs->opened_in_txn == ses_->transactions_ended) return true;
    *err = pl_error(1002);
    return false;
}

void Interpreter::keep_current_row(const CursorRef& r) {
    if (r.hidden) r.cs->current_rowid = column_value(r.vm, sqlite3_column_count(r.vm) - 1);
}

namespace {

// A value of a row as SQL text that gives it back with its storage class.
std::string cursor_row_literal(sqlite3_stmt* vm, int k) {
    switch (sqlite3_column_type(vm, k)) {
    case SQLITE_INTEGER:
        return std::to_string(sqlite3_column_int64(vm, k));
    case SQLITE_FLOAT: {
        char* t = sqlite3_mprintf("%!.17g", sqlite3_column_double(vm, k));
        std::string out = t ? t : "NULL";
        sqlite3_free(t);
        return out;
    }
    case SQLITE_TEXT: {
        char* t = sqlite3_mprintf("%Q", reinterpret_cast<const char*>(sqlite3_column_text(vm, k)));
        std::string out = t ? t : "NULL";
        sqlite3_free(t);
        return out;
    }
    case SQLITE_BLOB: {
        static const char kHex[] = "0123456789ABCDEF";
        const unsigned char* p = static_cast<const unsigned char*>(sqlite3_column_blob(vm, k));
        const int n = sqlite3_column_bytes(vm, k);
        std::string out = "x'";
        for (int i = 0; i < n; ++i) {
            out += kHex[p[i] >> 4];
            out += kHex[p[i] & 15];
        }
        return out + "'";
    }
    default:
        return "NULL";
    }
}

// The rows vm has still to give, as a statement of them that reads no table; vm is reset.
// Null when vm is not part way through its rows or the rows cannot be read.
sqlite3_stmt* cursor_rows_ahead(sqlite3* db, sqlite3_stmt* vm) {
    if (!vm || !sqlite3_stmt_busy(vm)) return nullptr;
    const int n = sqlite3_column_count(vm);
    std::string sql;
    int rc;
    while ((rc = sqlite3_step(vm)) == SQLITE_ROW) {
        sql += sql.empty() ? "VALUES(" : ",(";
        for (int k = 0; k < n; ++k) sql += (k ? "," : "") + cursor_row_literal(vm, k);
        sql += ")";
    }
    sqlite3_reset(vm);
    if (rc != SQLITE_DONE) return nullptr;
    if (sql.empty()) {
        sql = "SELECT ";
        for (int k = 0; k < n; ++k) sql += k ? ",NULL" : "NULL";
        sql += " WHERE 0";
    }
    sqlite3_stmt* out = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &out, nullptr) != SQLITE_OK) {
        sqlite3_finalize(out);
        return nullptr;
    }
    return out;
}

}  // namespace

bool Interpreter::buffer_cursors() {
    bool any = false;
    for (std::size_t c = 0; c < cursors_.size(); ++c) {
        const int k = static_cast<int>(c);
        if (is_package_cursor(k) || !cursors_[c].open || buffered_.count(k)) continue;
        PlSql* q = p_->cursors[c].query;
        sqlite3_stmt* rows = q ? cursor_rows_ahead(db_, q->vm) : nullptr;
        if (!rows) continue;
        buffered_[k] = rows;
        any = true;
    }
    return any;
}

}  // namespace plsql_running

bool plsql_buffer_cursors(SessionHandle* ses) {
    PlSessionState* state = plsql_session(ses);
    bool any = false;
    for (void* running : state->running)
        any = static_cast<plsql_running::Interpreter*>(running)->buffer_cursors() || any;
    // The open cursors of packages own their statements: each is replaced by its rows.
    for (auto& package : state->packages)
        for (auto& cursor : package.second.cursors) {
            PlPackageCursor* pc = cursor.second.get();
            if (!pc || !pc->cs.open) continue;
            sqlite3_stmt* rows = plsql_running::cursor_rows_ahead(ses->server->db, pc->vm);
            if (!rows) continue;
            sqlite3_finalize(pc->vm);
            pc->vm = rows;
            any = true;
        }
    return any;
}

