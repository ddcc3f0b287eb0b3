// Database triggers: CREATE [OR REPLACE] TRIGGER, ALTER TRIGGER ENABLE|DISABLE|COMPILE,
// DROP TRIGGER, and firing. A trigger is kept in vantro_plsql_triggers (the columns of
// the dictionary's trigger view) with its source, status and errors beside the other
// stored units. Row triggers fire through TEMP SQLite triggers made per connection from
// that table: each calls vantro_fire_trigger with the row's old and new values, which
// runs the PL/SQL body. A BEFORE row trigger that changes :NEW makes the function store
// the row again with the new values and tell SQLite to skip the original row, so that
// constraints see the final values and the triggers that ran do not run twice.
// Statement triggers are fired by the engine around each INSERT, UPDATE and DELETE.
// This file neither parses PL/SQL nor evaluates anything: the parser compiles trigger
// bodies and the interpreter runs them.
#include "plsql/plsql.h"
#include "plsql/stored_unit_ddl.h"

#include "catalog/catalog.h"
#include "catalog/users_ddl.h"
#include "values/clock.h"
#include "catalog/catalog_cache.h"
#include "values/errors.h"
#include "values/values.h"
#include "values/sqlite_statement.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Row triggers pass every old and new value as function arguments; SQLite takes at
// most 127 of them.
constexpr std::size_t kMaxTriggerColumns = 60;

using Exec = SqliteStatement;

std::string quote(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// One trigger as stored.
struct TriggerDef {
    std::string owner, name;
    std::string timing;  // BEFORE or AFTER
    bool row = false;
    std::vector<std::string> events;  // INSERT, UPDATE, DELETE in that order
    std::vector<std::string> update_columns;
    std::string table_owner, table;
    std::string when;  // the WHEN condition, without WHEN and parentheses
    std::string status = "ENABLED";
    std::string description;
    std::string body;    // from DECLARE or BEGIN to the end
    std::string source;  // from the TRIGGER keyword to the end
    std::uint32_t name_offset = 0, table_offset = 0, when_offset = 0;
    bool replace = false;
};

std::string event_text(const TriggerDef& t) {
    std::string out;
    for (const std::string& e : t.events) out += (out.empty() ? "" : " OR ") + e;
    return out;
}

std::string type_text(const TriggerDef& t) {
    return t.timing + (t.row ? " EACH ROW" : " STATEMENT");
}

using stored_unit_ddl::word;

bool is_name(const std::vector<Token>& t, std::size_t k) {
    return k < t.size() && (t[k].kind == TokenKind::Word || t[k].kind == TokenKind::QuotedWord);
}

bool is_op(const std::vector<Token>& t, std::size_t k, const char* op) {
    return k < t.size() && t[k].kind == TokenKind::Operator && t[k].text == op;
}

// [owner.]name at t[k].
bool qualified(const std::vector<Token>& t, std::size_t* k, const std::string& user, std::string* owner,
               std::string* name) {
    if (!is_name(t, *k)) return false;
    *owner = user;
    *name = t[*k].text;
    ++*k;
    if (is_op(t, *k, ".") && is_name(t, *k + 1)) {
        *owner = *name;
        *name = t[*k + 1].text;
        *k += 2;
    }
    return true;
}

// CREATE [OR REPLACE] TRIGGER ...: the definition, or an error (k at the token that
// does not fit, ORA-00969 and friends as Oracle reports them).
bool parse_create(const std::string& text, const std::vector<Token>& t, const std::string& user, TriggerDef* d,
                  OraError* err) {
    std::size_t k = 1;
    if (word(t, k, "OR") && word(t, k + 1, "REPLACE")) {
        d->replace = true;
        k += 2;
    }
    if (word(t, k, "EDITIONABLE") || word(t, k, "NONEDITIONABLE")) ++k;
    d->source = text.substr(t[k].offset);
    ++k;
    auto bad = [&](int code) {
        *err = ora_error(code);
        err->offset = t[std::min(k, t.size() - 1)].offset;
        return false;
    };
    d->name_offset = t[k].offset;
    if (!qualified(t, &k, user, &d->owner, &d->name)) return bad(4070);
    std::uint32_t description_start = d->name_offset;
    if (word(t, k, "BEFORE") || word(t, k, "AFTER")) {
        d->timing = t[k++].text;
    } else if (word(t, k, "INSTEAD") || word(t, k, "FOR")) {
        // INSTEAD OF triggers and compound triggers (FOR event ON table COMPOUND TRIGGER).
        *err = ora_error(3001);
        err->offset = t[k].offset;
        return false;
    } else {
        return bad(969);
    }
    std::vector<std::string> seen;
    for (;;) {
        if (word(t, k, "INSERT") || word(t, k, "DELETE")) {
            seen.push_back(t[k++].text);
        } else if (word(t, k, "UPDATE")) {
            seen.push_back("UPDATE");
            ++k;
            if (word(t, k, "OF")) {
                ++k;
                for (;;) {
                    if (!is_name(t, k)) return bad(904);
                    d->update_columns.push_back(t[k++].text);
                    if (!is_op(t, k, ",")) break;
                    ++k;
                }
            }
        } else {
            return bad(969);
        }
        if (!word(t, k, "OR")) break;
        ++k;
    }
    for (const char* e : {"INSERT", "UPDATE", "DELETE"})
        if (std::find(seen.begin(), seen.end(), e) != seen.end()) d->events.push_back(e);
    if (!word(t, k, "ON")) return bad(969);
    ++k;
    d->table_offset = t[k].offset;
    if (!qualified(t, &k, user, &d->table_owner, &d->table)) return bad(903);
    if (word(t, k, "REFERENCING")) {
        *err = ora_error(3001);
        err->offset = t[k].offset;
        return false;
    }
    if (word(t, k, "FOR")) {
        if (!word(t, k + 1, "EACH") || !word(t, k + 2, "ROW")) return bad(969);
        d->row = true;
        k += 3;
    }
    if (word(t, k, "ENABLE") || word(t, k, "DISABLE")) {
        if (t[k].text == "DISABLE") d->status = "DISABLED";
        ++k;
    }
    std::uint32_t description_end = t[k].offset;
    if (word(t, k, "WHEN")) {
        d->when_offset = t[k].offset;
        ++k;
        if (!is_op(t, k, "(")) return bad(906);
        std::size_t open = k;
        int depth = 0;
        for (; t[k].kind != TokenKind::End; ++k) {
            if (is_op(t, k, "(")) ++depth;
            if (is_op(t, k, ")") && --depth == 0) break;
        }
        if (t[k].kind == TokenKind::End) return bad(907);
        d->when = text.substr(t[open].end, t[k].offset - t[open].end);
        std::size_t a = d->when.find_first_not_of(" \t\r\n");
        std::size_t b = d->when.find_last_not_of(" \t\r\n");
        d->when = a == std::string::npos ? std::string() : d->when.substr(a, b - a + 1);
        ++k;
    }
    if (!word(t, k, "DECLARE") && !word(t, k, "BEGIN")) return bad(t[k].kind == TokenKind::End ? 921 : 900);
    d->description = text.substr(description_start, description_end - description_start);
    d->body = text.substr(t[k].offset);
    return true;
}

// What a compiled trigger body needs from its definition.
bool compile_trigger(sqlite3* db, const std::string& nls, const TriggerDef& d, PlProgram* program,
                     std::vector<ColumnInfo>* columns) {
    SqliteCatalog catalog(db);
    // The body's names are resolved with the trigger owner's own privileges.
    CatalogDefiner definer(db, d.owner);
    if (!catalog.table_columns(d.table_owner, d.table, columns)) columns->clear();
    PlCompileContext ctx;
    ctx.schema = d.owner;
    ctx.nls_date_format = nls;
    ctx.catalog = &catalog;
    ctx.db = db;
    ctx.trigger_columns = columns;
    ctx.trigger_timing = d.timing == "BEFORE" ? PlTriggerTiming::Before : PlTriggerTiming::After;
    ctx.trigger_row = d.row;
    ctx.trigger_when = d.when;
    return plsql_compile(d.body, ctx, program);
}

bool load_trigger(sqlite3* db, const std::string& owner, const std::string& name, TriggerDef* d) {
    Exec q(db,
           "SELECT trigger_type, triggering_event, table_owner, table_name, when_clause, status, description,"
           " trigger_body, update_columns FROM vantro_plsql_triggers WHERE owner = ?1 AND trigger_name = ?2");
    q.text(1, owner).text(2, name);
    if (!q.row()) return false;
    d->owner = owner;
    d->name = name;
    std::string type = q.column(0);
    d->timing = type.substr(0, type.find(' '));
    d->row = type.find("ROW") != std::string::npos;
    std::string events = q.column(1);
    d->events.clear();
    for (const char* e : {"INSERT", "UPDATE", "DELETE"})
        if (events.find(e) != std::string::npos) d->events.push_back(e);
    d->table_owner = q.column(2);
    d->table = q.column(3);
    d->when = q.column(4);
    d->status = q.column(5);
    d->description = q.column(6);
    d->body = q.column(7);
    d->update_columns.clear();
    std::string cols = q.column(8);
    for (std::size_t pos = 0; pos < cols.size();) {
        std::size_t comma = cols.find(',', pos);
        if (comma == std::string::npos) comma = cols.size();
        d->update_columns.push_back(cols.substr(pos, comma - pos));
        pos = comma + 1;
    }
    return true;
}

bool in_savepoint(sqlite3* db, bool (*f)(void*), void* data) {
    if (sqlite3_exec(db, "SAVEPOINT vantro_trigger", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    if (!f(data)) {
        sqlite3_exec(db, "ROLLBACK TO vantro_trigger", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE vantro_trigger", nullptr, nullptr, nullptr);
        return false;
    }
    return sqlite3_exec(db, "RELEASE vantro_trigger", nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool remove_trigger(sqlite3* db, const std::string& owner, const std::string& name) {
    bool ok = true;
    for (const char* sql : {"DELETE FROM vantro_plsql_triggers WHERE owner = ?1 AND trigger_name = ?2",
                            "DELETE FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
                            "DELETE FROM vantro_plsql_source WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
                            "DELETE FROM vantro_plsql_errors WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'",
                            "DELETE FROM vantro_plsql_dependencies WHERE owner = ?1 AND name = ?2 AND"
                            " type = 'TRIGGER'"}) {
        Exec del(db, sql);
        ok = ok && del.text(1, owner).text(2, name).run();
    }
    return ok;
}

struct StoreJob {
    sqlite3* db;
    const TriggerDef* d;
    const PlProgram* program;
    bool valid;
};

bool store_trigger(void* data) {
    const StoreJob& j = *static_cast<const StoreJob*>(data);
    sqlite3* db = j.db;
    const TriggerDef& d = *j.d;
    Exec existing(db,
                  "SELECT object_id, created FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND"
                  " type = 'TRIGGER'");
    existing.text(1, d.owner).text(2, d.name);
    std::string object_id, created = clock_now_stored();
    if (existing.row()) {
        object_id = existing.column(0);
        created = existing.column(1);
    } else {
        Exec next(db, "SELECT coalesce(max(object_id), 50000) + 1 FROM vantro_plsql_objects");
        object_id = next.row() ? next.column(0) : "50001";
    }
    if (!remove_trigger(db, d.owner, d.name)) return false;
    std::string cols;
    for (const std::string& c : d.update_columns) cols += (cols.empty() ? "" : ",") + c;
    Exec ins(db,
             "INSERT INTO vantro_plsql_triggers(owner, trigger_name, trigger_type, triggering_event, table_owner,"
             " base_object_type, table_name, column_name, referencing_names, when_clause, status, description,"
             " action_type, trigger_body, update_columns) VALUES (?1, ?2, ?3, ?4, ?5, 'TABLE', ?6, NULL,"
             " 'REFERENCING NEW AS NEW OLD AS OLD', ?7, ?8, ?9, 'PL/SQL     ', ?10, ?11)");
    ins.text(1, d.owner).text(2, d.name).text(3, type_text(d)).text(4, event_text(d)).text(5, d.table_owner);
    ins.text(6, d.table)
        .optional(7, d.when)
        .text(8, d.status)
        .text(9, d.description)
        .text(10, d.body)
        .optional(11, cols);
    bool ok = ins.run();
    Exec obj(db, "INSERT INTO vantro_plsql_objects VALUES (?1, ?2, 'TRIGGER', ?3, ?4, ?5, ?6)");
    obj.text(1, d.owner).text(2, d.name).text(3, object_id).text(4, j.valid ? "VALID" : "INVALID").text(5, created);
    ok = ok && obj.text(6, clock_now_stored()).run();
    std::size_t pos = 0;
    for (int line = 1; pos < d.source.size(); ++line) {
        std::size_t nl = d.source.find('\n', pos);
        std::size_t end = nl == std::string::npos ? d.source.size() : nl + 1;
        Exec src(db, "INSERT INTO vantro_plsql_source VALUES (?1, ?2, 'TRIGGER', ?3, ?4)");
        ok = ok && src.text(1, d.owner)
                       .text(2, d.name)
                       .text(3, std::to_string(line))
                       .text(4, d.source.substr(pos, end - pos))
                       .run();
        pos = end;
    }
    int sequence = 0;
    for (const PlCompileError& e : j.program->errors) {
        Exec er(db, "INSERT INTO vantro_plsql_errors VALUES (?1, ?2, 'TRIGGER', ?3, ?4, ?5, ?6, 'ERROR', ?7)");
        std::size_t dash = e.text.find('-');
        std::string number = dash == std::string::npos ? "0" : std::to_string(std::atoi(e.text.c_str() + dash + 1));
        er.text(1, d.owner).text(2, d.name).text(3, std::to_string(++sequence)).text(4, std::to_string(e.line));
        ok = ok && er.text(5, std::to_string(e.column)).text(6, e.text).text(7, number).run();
    }
    for (const std::string& ref : j.program->references) {
        std::size_t dot = ref.find('.');
        Exec dep(db, "INSERT INTO vantro_plsql_dependencies VALUES (?1, ?2, 'TRIGGER', ?3, ?4)");
        ok = ok && dep.text(1, d.owner).text(2, d.name).text(3, ref.substr(0, dot)).text(4, ref.substr(dot + 1)).run();
    }
    return ok;
}

using stored_unit_ddl::storage_failure;

// ALTER TRIGGER [owner.]name ENABLE|DISABLE|COMPILE, DROP TRIGGER [owner.]name.
bool parse_simple(const std::vector<Token>& t, const std::string& user, bool* drop, std::string* owner,
                  std::string* name, std::string* action) {
    if (t.size() < 3) return false;
    if (!(word(t, 0, "ALTER") || word(t, 0, "DROP")) || !word(t, 1, "TRIGGER")) return false;
    *drop = t[0].text == "DROP";
    std::size_t k = 2;
    if (!qualified(t, &k, user, owner, name)) return false;
    if (*drop) return t[k].kind == TokenKind::End;
    if (!word(t, k, "ENABLE") && !word(t, k, "DISABLE") && !word(t, k, "COMPILE")) return false;
    *action = t[k++].text;
    return t[k].kind == TokenKind::End;
}

// --- Firing ---------------------------------------------------------------------------

}  // namespace

// A compiled trigger kept for the session: compiled once, run for every row.
struct CompiledTrigger {
    TriggerDef def;
    std::vector<ColumnInfo> columns;
    PlProgram program;
    bool busy = false;
};

namespace {

std::string error_text(const PlError& e) {
    std::string text = ora_format(e.code, e.message);
    for (const std::string& t : e.trace) text += t + "\n";
    return text;
}

PlError invalid_trigger(const std::string& key) {
    return pl_error(4098, key);
}

// Loads (compiling when needed) the trigger owner.name; null with err.
std::shared_ptr<CompiledTrigger> trigger_for(SessionHandle* ses, const std::string& owner, const std::string& name,
                                             PlError* err) {
    sqlite3* db = ses->server->db;
    std::string key = owner + "." + name;
    PlTriggerCache& cache = *plsql_session(ses)->triggers;
    auto it = cache.find(key);
    if (it != cache.end() && !it->second->busy) return it->second;
    auto c = std::make_shared<CompiledTrigger>();
    Exec st(db, "SELECT status FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND type = 'TRIGGER'");
    st.text(1, owner).text(2, name);
    if (!load_trigger(db, owner, name, &c->def) || !st.row() ||
        !compile_trigger(db, ses->settings.nls_date_format, c->def, &c->program, &c->columns)) {
        *err = invalid_trigger(key);
        return nullptr;
    }
    if (st.column(0) != "VALID") {
        // A trigger made invalid by a change to what it uses is valid again once it compiles.
        Exec up(db,
                "UPDATE vantro_plsql_objects SET status = 'VALID' WHERE owner = ?1 AND name = ?2 AND"
                " type = 'TRIGGER'");
        up.text(1, owner).text(2, name).run();
    }
    // A trigger that fires again from its own body gets a copy of its own.
    if (it == cache.end()) cache.emplace(key, c);
    return c;
}

PlValue value_of(sqlite3_value* v) {
    PlValue out;
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        out.kind = PlKind::Int;
        out.i = sqlite3_value_int64(v);
        break;
    case SQLITE_FLOAT:
        out.kind = PlKind::Real;
        out.d = sqlite3_value_double(v);
        break;
    case SQLITE_NULL:
        break;
    default: {
        const unsigned char* t = sqlite3_value_text(v);
        int n = sqlite3_value_bytes(v);
        if (t && n > 0) {
            out.kind = PlKind::Text;
            out.s.assign(reinterpret_cast<const char*>(t), static_cast<std::size_t>(n));
        }
        break;
    }
    }
    return out;
}

bool same_value(const PlValue& a, const PlValue& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
    case PlKind::Null:
        return true;
    case PlKind::Int:
        return a.i == b.i;
    case PlKind::Real:
        return a.d == b.d && a.s == b.s;
    case PlKind::Text:
        return a.s == b.s;
    }
    return false;
}

void bind(sqlite3_stmt* vm, int idx, const PlValue& v) {
    switch (v.kind) {
    case PlKind::Null:
        sqlite3_bind_null(vm, idx);
        break;
    case PlKind::Int:
        sqlite3_bind_int64(vm, idx, v.i);
        break;
    case PlKind::Real:
        pl_bind_real(vm, idx, v);
        break;
    case PlKind::Text:
        sqlite3_bind_text(vm, idx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
        break;
    }
}

// Stores a row a BEFORE trigger changed: an INSERT of the final values, or an UPDATE of
// the columns that differ from the old row. Answers the rows written, -1 on error.
int redo_row(sqlite3* db, const CompiledTrigger& c, const std::string& event, sqlite3_int64 rowid,
             const std::vector<PlValue>& old_values, const std::vector<PlValue>& new_values,
             const std::vector<PlValue>& given, const std::string& returning,
             std::vector<std::vector<PlValue>>* returned) {
    std::string table = quote(c.def.table_owner) + "." + quote(c.def.table);
    std::string sql;
    std::vector<std::size_t> cols;
    if (event == "INSERT") {
        std::string names, marks;
        for (std::size_t k = 0; k < c.columns.size(); ++k) {
            names += (k ? "," : "") + quote(c.columns[k].name);
            marks += (k ? ",?" : "?") + std::to_string(k + 1);
            cols.push_back(k);
        }
        sql = "INSERT INTO " + table + " (" + names + ") VALUES (" + marks + ")";
        if (!returning.empty()) sql += " RETURNING " + returning;
    } else {
        std::string sets;
        for (std::size_t k = 0; k < c.columns.size(); ++k) {
            if (same_value(new_values[k], old_values[k]) && same_value(new_values[k], given[k])) continue;
            cols.push_back(k);
            sets += (sets.empty() ? "" : ",") + quote(c.columns[k].name) + " = ?" + std::to_string(cols.size());
        }
        if (cols.empty()) {
            cols.push_back(0);
            sets = quote(c.columns[0].name) + " = ?1";
        }
        sql = "UPDATE " + table + " SET " + sets + " WHERE rowid = ?" + std::to_string(cols.size() + 1);
    }
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return -1;
    }
    for (std::size_t k = 0; k < cols.size(); ++k) bind(vm, static_cast<int>(k + 1), new_values[cols[k]]);
    if (event != "INSERT") sqlite3_bind_int64(vm, static_cast<int>(cols.size() + 1), rowid);
    int rc = sqlite3_step(vm);
    for (; rc == SQLITE_ROW; rc = sqlite3_step(vm)) {
        std::vector<PlValue> row;
        for (int k = 0; k < sqlite3_column_count(vm); ++k) row.push_back(value_of(sqlite3_column_value(vm, k)));
        returned->push_back(row);
    }
    sqlite3_finalize(vm);
    return rc == SQLITE_DONE ? sqlite3_changes(db) : -1;
}

// vantro_fire_trigger(owner, name, event, rowid, old values..., new values...): runs a
// row trigger; answers 1 when the row was stored again by the trigger (SQLite then
// skips the original), 0 otherwise.
void fn_fire_trigger(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    sqlite3* db = ses->server->db;
    auto text = [&](int k) {
        const unsigned char* t = sqlite3_value_text(argv[k]);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    std::string owner = text(0), name = text(1), event = text(2), key = owner + "." + name;
    PlSessionState* state = plsql_session(ses);
    if (state->triggers_silenced) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    PlError err;
    std::shared_ptr<CompiledTrigger> c = trigger_for(ses, owner, name, &err);
    if (!c) {
        std::string t = error_text(err);
        sqlite3_result_error(ctx, t.c_str(), static_cast<int>(t.size()) - 1);
        return;
    }
    std::string table = c->def.table_owner + "." + c->def.table;
    bool before = c->def.timing == "BEFORE";
    if (before && !state->redo.empty() && state->redo.back().table == table && state->redo.back().fired.count(key)) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    std::size_t n = c->columns.size();
    if (static_cast<std::size_t>(argc) != 4 + 2 * n) {
        std::string t = ora_line(4098, key);
        sqlite3_result_error(ctx, t.c_str(), static_cast<int>(t.size()));
        return;
    }
    std::vector<PlValue> old_values(n), new_values(n);
    for (std::size_t k = 0; k < n; ++k) {
        old_values[k] = value_of(argv[4 + k]);
        new_values[k] = value_of(argv[4 + n + k]);
    }
    std::vector<PlValue> given = new_values;
    bool fired = false;
    // The statement the trigger body runs are not the INSERT ... RETURNING.
    std::string returning_table, returning_sql;
    std::swap(returning_table, state->returning_table);
    std::swap(returning_sql, state->returning_sql);
    // The table is mutating while its row triggers run, except for a single-row INSERT.
    bool single = event == "INSERT" && !state->single_row_insert.empty() && state->single_row_insert.back();
    if (!single) state->mutating.push_back(quote(c->def.table_owner) + "." + quote(c->def.table));
    c->busy = true;
    CatalogDefiner definer(db, c->def.owner);
    bool ok = plsql_nested_call(
        ses,
        [&](PlError* e) { return plsql_run_trigger(ses, &c->program, event, &old_values, &new_values, &fired, e); },
        &err);
    c->busy = false;
    if (!single) state->mutating.pop_back();
    std::swap(returning_table, state->returning_table);
    std::swap(returning_sql, state->returning_sql);
    if (!ok) {
        if (err.code == 0) {
            err.code = 36;
            err.message = ora_message(36, "50");
        }
        std::string t = error_text(err) + ora_line(6512, "\"" + key + "\", line " + std::to_string(err.line)) + "\n" +
                        ora_line(4088, key);
        sqlite3_result_error(ctx, t.c_str(), static_cast<int>(t.size()));
        return;
    }
    bool changed = false;
    if (before && event != "DELETE")
        for (std::size_t k = 0; k < n; ++k) changed = changed || !same_value(new_values[k], given[k]);
    if (!changed) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    PlTriggerRedo redo;
    redo.table = table;
    if (!state->redo.empty() && state->redo.back().table == table) redo.fired = state->redo.back().fired;
    redo.fired.insert(key);
    state->redo.push_back(redo);
    std::string returning = event == "INSERT" && state->returning_table == table ? state->returning_sql : "";
    int written = redo_row(db, *c, event, sqlite3_value_int64(argv[3]), old_values, new_values, given, returning,
                           &state->returned);
    state->redo.pop_back();
    if (written < 0) {
        int code = sqlite3_extended_errcode(db);
        std::string msg = sqlite3_errmsg(db);
        OraError e = ora_from_sqlite(code, msg);
        // The row the trigger changed is written here: name the constraint it breaks, as
        // the statement itself would.
        std::string named = catalog_violated_constraint(db, c->def.table_owner, c->def.table, code, msg, false);
        if (!named.empty() && (e.code == 1 || e.code == 2290 || e.code == 2291)) e = ora_error(e.code, named);
        std::string t = ora_format(e.code, e.message);
        sqlite3_result_error(ctx, t.c_str(), static_cast<int>(t.size()) - 1);
        return;
    }
    state->redone_rows += written;
    sqlite3_result_int(ctx, 1);
}

// The triggers the connection must have, as text: when it changes they are made again.
std::string trigger_signature(sqlite3* db) {
    Exec q(db,
           "SELECT t.owner || '.' || t.trigger_name || ':' || t.trigger_type || ':' || t.triggering_event || ':' ||"
           " coalesce(t.update_columns, '') || ':' || t.table_owner || '.' || t.table_name || ':' || t.status ||"
           " ':' || o.last_ddl_time FROM vantro_plsql_triggers t JOIN vantro_plsql_objects o ON o.owner = t.owner"
           " AND o.name = t.trigger_name AND o.type = 'TRIGGER' WHERE t.trigger_type LIKE '% ROW'"
           " ORDER BY t.owner, t.trigger_name");
    std::string out;
    while (q.row()) out += q.column(0) + ";";
    if (out.empty()) return out;
    // Columns added to a table change the values the triggers pass.
    Exec cols(db,
              "SELECT group_concat(owner || '.' || table_name || '.' || column_name) FROM vantro_columns WHERE"
              " (owner, table_name) IN (SELECT table_owner, table_name FROM vantro_plsql_triggers)");
    if (cols.row()) out += cols.column(0);
    // A schema attached since (reached through a privilege) brings its tables' triggers.
    Exec schemas(db, "SELECT group_concat(name) FROM pragma_database_list");
    if (schemas.row()) out += ";" + schemas.column(0);
    return out;
}

}  // namespace

sword plsql_trigger_ddl(StmtHandle* s, OCIError* errhp) {
    SessionHandle* ses = s->session;
    sqlite3* db = ses->server->db;
    const std::string& nls = ses->settings.nls_date_format;
    if (!plsql_units_prepare(db)) return storage_failure(errhp);
    SqliteCatalog catalog(db);
    // Unqualified names are the current schema's.
    const std::string schema = ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema;
    bool drop = false;
    std::string owner, name, action;
    if (parse_simple(s->tokens, schema, &drop, &owner, &name, &action)) {
        TriggerDef d;
        if (!load_trigger(db, owner, name, &d)) return error_set(errhp, 4080, ora_message(4080, name));
        if (!catalog.may_change(owner, name, "", drop ? "DROP ANY TRIGGER" : "ALTER ANY TRIGGER"))
            return error_set(errhp, 1031, ora_message(1031));
        bool ok = true;
        bool valid = true;
        if (drop) {
            struct Job {
                sqlite3* db;
                std::string owner, name;
            } job{db, owner, name};
            ok = in_savepoint(
                db,
                [](void* j) {
                    Job* x = static_cast<Job*>(j);
                    return remove_trigger(x->db, x->owner, x->name);
                },
                &job);
        } else if (action == "COMPILE") {
            PlProgram program;
            std::vector<ColumnInfo> columns;
            valid = compile_trigger(db, nls, d, &program, &columns);
            std::string status, source;
            plsql_object_load(db, owner, name, "TRIGGER", &status, &source);
            d.source = source;
            StoreJob job{db, &d, &program, valid};
            ok = in_savepoint(db, store_trigger, &job);
        } else {
            Exec up(db, "UPDATE vantro_plsql_triggers SET status = ?3 WHERE owner = ?1 AND trigger_name = ?2");
            ok = up.text(1, owner).text(2, name).text(3, action == "ENABLE" ? "ENABLED" : "DISABLED").run();
            Exec touch(db,
                       "UPDATE vantro_plsql_objects SET last_ddl_time = ?3 WHERE owner = ?1 AND name = ?2 AND"
                       " type = 'TRIGGER'");
            ok = ok && touch.text(1, owner).text(2, name).text(3, clock_now_stored()).run();
        }
        if (!ok) return storage_failure(errhp);
        plsql_session(ses)->triggers->erase(owner + "." + name);
        s->executed = true;
        if (!valid) {
            error_set(errhp, 24344, ora_message(24344));
            return OCI_SUCCESS_WITH_INFO;
        }
        return OCI_SUCCESS;
    }
    TriggerDef d;
    OraError err;
    if (!parse_create(s->text, s->tokens, schema, &d, &err)) {
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(err.offset);
        return error_set(errhp, err.code, err.message);
    }
    std::vector<ColumnInfo> columns;
    if (!catalog.schema_exists(d.owner)) return error_set(errhp, 1918, ora_message(1918, d.owner));
    {
        // A trigger on another schema's table needs CREATE ANY TRIGGER, as one in it does.
        OraError denied;
        if (!users_may_create(db, d.table_owner == d.owner ? d.owner : std::string(), "TRIGGER", &denied))
            return error_set(errhp, denied.code, denied.message);
    }
    if (!catalog.table_columns(d.table_owner, d.table, &columns)) {
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(d.table_offset);
        OraError e = ora_error(942);
        return error_set(errhp, e.code, e.message);
    }
    // The engine's triggers fire on the table every session shares, never on a
    // session's rows of a temporary table.
    if (catalog.temporary_table(d.table_owner, d.table)) {
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(d.table_offset);
        return error_set(errhp, 3001, ora_message(3001));
    }
    if (!d.row && !d.when.empty()) {
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(d.when_offset);
        return error_set(errhp, 4077, ora_message(4077));
    }
    if (d.row && columns.size() > kMaxTriggerColumns)
        return error_set(errhp, 3001,
                         "unimplemented feature: row triggers on tables of more than " +
                             std::to_string(kMaxTriggerColumns) + " columns");
    for (const std::string& c : d.update_columns) {
        bool known = false;
        for (const ColumnInfo& col : columns) known = known || col.name == c;
        if (!known) return error_set(errhp, 904, ora_message(904, "\"" + c + "\""));
    }
    TriggerDef existing;
    if (load_trigger(db, d.owner, d.name, &existing) && !d.replace) {
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(d.name_offset);
        return error_set(errhp, 4081, ora_message(4081, d.name));
    }
    PlProgram program;
    bool valid = compile_trigger(db, nls, d, &program, &columns);
    // :NEW and :OLD misuse is refused outright, as Oracle does, rather than stored.
    for (const PlCompileError& e : program.errors) {
        int code = std::atoi(e.text.c_str() + 4);
        if (e.text.compare(0, 4, "ORA-") == 0 && (code == 4082 || code == 4084 || code == 4085))
            return error_set(errhp, code, e.text.substr(11));
    }
    StoreJob job{db, &d, &program, valid};
    if (!in_savepoint(db, store_trigger, &job)) return storage_failure(errhp);
    plsql_session(ses)->triggers->erase(d.owner + "." + d.name);
    s->executed = true;
    if (!valid) {
        error_set(errhp, 24344, ora_message(24344));
        return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
}

void plsql_table_dropped(sqlite3* db, const std::string& owner, const std::string& table) {
    Exec q(db, "SELECT owner, trigger_name FROM vantro_plsql_triggers WHERE table_owner = ?1 AND table_name = ?2");
    q.text(1, owner).text(2, table);
    std::vector<std::pair<std::string, std::string>> names;
    while (q.row()) names.emplace_back(q.column(0), q.column(1));
    for (const auto& n : names) remove_trigger(db, n.first, n.second);
}

bool plsql_triggers_sync(SessionHandle* ses, OraError* err) {
    sqlite3* db = ses->server->db;
    PlSessionState* state = plsql_session(ses);
    // Nothing in the catalog changed since the last check: the triggers are as they were.
    std::uint64_t generation = catalog_generation(db);
    if (generation != 0 && generation == state->trigger_generation) return true;
    std::string signature = trigger_signature(db);
    state->trigger_generation = 0;
    if (signature == state->trigger_signature) {
        state->trigger_generation = generation;
        return true;
    }
    std::vector<std::string> old;
    {
        Exec q(db, "SELECT name FROM temp.sqlite_master WHERE type = 'trigger' AND name LIKE 'vantro$%'");
        while (q.row()) old.push_back(q.column(0));
    }
    for (const std::string& n : old)
        sqlite3_exec(db, ("DROP TRIGGER temp." + quote(n)).c_str(), nullptr, nullptr, nullptr);
    plsql_session(ses)->triggers->clear();
    Exec q(db,
           "SELECT owner, trigger_name FROM vantro_plsql_triggers WHERE status = 'ENABLED' AND"
           " trigger_type LIKE '% ROW' ORDER BY owner, trigger_name");
    std::vector<std::pair<std::string, std::string>> names;
    while (q.row()) names.emplace_back(q.column(0), q.column(1));
    SqliteCatalog catalog(db);
    for (const auto& n : names) {
        TriggerDef d;
        std::vector<ColumnInfo> cols;
        if (!load_trigger(db, n.first, n.second, &d)) continue;
        // The trigger's owner sees its table; a table of a schema this session has not
        // attached gets no trigger here.
        CatalogDefiner definer(db, d.owner);
        if (!catalog.table_columns(d.table_owner, d.table, &cols)) continue;
        std::string olds, news;
        for (const ColumnInfo& c : cols) {
            olds += ", OLD." + quote(c.name);
            news += ", NEW." + quote(c.name);
        }
        for (const std::string& event : d.events) {
            std::string of;
            if (event == "UPDATE" && !d.update_columns.empty()) {
                of = " OF ";
                for (std::size_t k = 0; k < d.update_columns.size(); ++k)
                    of += (k ? "," : "") + quote(d.update_columns[k]);
            }
            std::string nulls;
            for (std::size_t k = 0; k < cols.size(); ++k) nulls += ", NULL";
            std::string args =
                literal(d.owner) + ", " + literal(d.name) + ", " + literal(event) + ", " +
                (event == "INSERT" ? "NULL" + nulls + news : "OLD.rowid" + olds + (event == "DELETE" ? nulls : news));
            std::string sql = "CREATE TEMP TRIGGER " + quote("vantro$" + d.owner + "$" + d.name + "$" + event) + " " +
                              d.timing + " " + event + of + " ON " + quote(d.table_owner) + "." + quote(d.table) +
                              " FOR EACH ROW BEGIN SELECT RAISE(IGNORE) WHERE vantro_fire_trigger(" + args +
                              ") = 1; END";
            if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
                return false;
            }
        }
    }
    state->trigger_signature = signature;
    // Making the TEMP triggers wrote no catalog rows: the generation still holds.
    state->trigger_generation = catalog_generation(db);
    return true;
}

namespace {

const char* event_of(const Translation& tr) {
    return tr.kind == StatementKind::Insert ? "INSERT" : tr.kind == StatementKind::Update ? "UPDATE" : "DELETE";
}

// The enabled statement triggers, read once per catalog generation.
const std::vector<PlStatementTrigger>& statement_triggers(SessionHandle* ses) {
    PlSessionState* state = plsql_session(ses);
    sqlite3* db = ses->server->db;
    std::uint64_t generation = catalog_generation(db);
    if (generation != 0 && generation == state->statement_triggers_generation) return state->statement_triggers;
    state->statement_triggers.clear();
    CatalogStatement q(db,
                       "SELECT owner, trigger_name, trigger_type, triggering_event, table_owner, table_name,"
                       " coalesce(update_columns, '') FROM vantro_plsql_triggers WHERE trigger_type LIKE '% STATEMENT'"
                       " AND status = 'ENABLED' ORDER BY owner, trigger_name");
    while (q.row())
        state->statement_triggers.push_back(
            {q.column(0), q.column(1), q.column(2), q.column(3), q.column(4), q.column(5), q.column(6)});
    state->statement_triggers_generation = generation;
    return state->statement_triggers;
}

bool applies(const PlStatementTrigger& t, const Translation& tr, const char* event) {
    return t.table_owner == tr.owner && t.table == tr.table && t.event.find(event) != std::string::npos;
}

// A MERGE is the UPDATE and the INSERT it may do, in that order, for its statement
// triggers; a multi-table insert is an INSERT into each table it names, once a table.
std::vector<Translation> merge_events(const Translation& tr) {
    std::vector<Translation> events;
    if (!tr.set_columns.empty()) {
        events.push_back(tr);
        events.back().kind = StatementKind::Update;
        events.back().merge_steps.clear();
    }
    for (const Translation::MergeStep& step : tr.merge_steps) {
        if (step.sql.compare(0, 7, "INSERT ") != 0 || step.role != Translation::MergeStep::Role::Counted) continue;
        bool seen = false;
        for (const Translation& e : events)
            seen = seen || (!step.table.empty() && e.owner == step.owner && e.table == step.table);
        if (seen) continue;
        events.push_back(tr);
        events.back().kind = StatementKind::Insert;
        events.back().merge_steps.clear();
        events.back().set_columns.clear();
        if (!step.table.empty()) events.back().owner = step.owner, events.back().table = step.table;
    }
    return events;
}

}  // namespace

bool plsql_statement_triggers(SessionHandle* ses, const Translation& tr, PlTriggerTiming timing, OraError* err) {
    if (tr.table.empty()) return true;
    if (!tr.merge_steps.empty()) {
        for (const Translation& event : merge_events(tr))
            if (!plsql_statement_triggers(ses, event, timing, err)) return false;
        return true;
    }
    const char* event = event_of(tr);
    const char* type = timing == PlTriggerTiming::Before ? "BEFORE STATEMENT" : "AFTER STATEMENT";
    std::vector<PlStatementTrigger> matching;
    for (const PlStatementTrigger& t : statement_triggers(ses))
        if (t.type == type && applies(t, tr, event)) matching.push_back(t);
    std::vector<std::pair<std::string, std::string>> names;
    for (const PlStatementTrigger& t : matching) {
        // UPDATE OF fires only for an UPDATE that sets one of the columns.
        const std::string& of = t.update_columns;
        if (tr.kind == StatementKind::Update && !of.empty()) {
            bool hit = false;
            for (const std::string& c : tr.set_columns)
                hit = hit || ("," + of + ",").find("," + c + ",") != std::string::npos;
            if (!hit) continue;
        }
        names.emplace_back(t.owner, t.name);
    }
    for (const auto& n : names) {
        PlError e;
        std::string key = n.first + "." + n.second;
        std::shared_ptr<CompiledTrigger> c = trigger_for(ses, n.first, n.second, &e);
        bool fired = false;
        std::vector<PlValue> none;
        bool ok = c != nullptr;
        if (ok) {
            c->busy = true;
            ok = plsql_run_trigger(ses, &c->program, event, &none, &none, &fired, &e);
            c->busy = false;
            if (!ok) e.trace.push_back(ora_line(6512, "\"" + key + "\", line " + std::to_string(e.line)));
        }
        if (!ok) {
            err->code = e.code;
            err->message = e.message;
            for (const std::string& t : e.trace) err->message += "\n" + t;
            err->message += "\n" + ora_line(4088, key);
            return false;
        }
    }
    return true;
}

bool plsql_triggers_register(sqlite3* db, SessionHandle* session) {
    return sqlite3_create_function(db, "vantro_fire_trigger", -1, SQLITE_UTF8, session, fn_fire_trigger, nullptr,
                                   nullptr) == SQLITE_OK;
}

void plsql_returning_expect(SessionHandle* ses, const Translation& tr) {
    PlSessionState* state = plsql_session(ses);
    state->returned.clear();
    state->returning_table = tr.kind == StatementKind::Insert ? tr.owner + "." + tr.table : "";
    state->returning_sql = tr.kind == StatementKind::Insert ? tr.returning_sql : "";
}

sqlite3_stmt* plsql_returning_rows(SessionHandle* ses, int* count) {
    PlSessionState* state = plsql_session(ses);
    std::vector<std::vector<PlValue>> rows;
    rows.swap(state->returned);
    state->returning_table.clear();
    state->returning_sql.clear();
    *count = static_cast<int>(rows.size());
    if (rows.empty()) return nullptr;
    std::string sql = "SELECT ";
    for (std::size_t k = 0; k < rows[0].size(); ++k) sql += (k ? ",?" : "?") + std::to_string(k + 1);
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(ses->server->db, sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) {
        sqlite3_finalize(vm);
        return nullptr;
    }
    for (std::size_t k = 0; k < rows[0].size(); ++k) bind(vm, static_cast<int>(k + 1), rows[0][k]);
    if (sqlite3_step(vm) != SQLITE_ROW) {
        sqlite3_finalize(vm);
        return nullptr;
    }
    return vm;
}

void plsql_dml_begin(SessionHandle* ses, const Translation& tr) {
    PlSessionState* state = plsql_session(ses);
    bool updates = tr.kind == StatementKind::Update || tr.kind == StatementKind::Merge;
    state->set_columns.push_back(updates ? tr.set_columns : std::vector<std::string>());
    state->single_row_insert.push_back(tr.kind == StatementKind::Insert && tr.insert_values);
}

void plsql_dml_end(SessionHandle* ses) {
    PlSessionState* state = plsql_session(ses);
    if (!state->set_columns.empty()) state->set_columns.pop_back();
    if (!state->single_row_insert.empty()) state->single_row_insert.pop_back();
}

bool plsql_has_statement_triggers(SessionHandle* ses, const Translation& tr) {
    if (tr.table.empty()) return false;
    if (!tr.merge_steps.empty()) {
        for (const Translation& event : merge_events(tr))
            if (plsql_has_statement_triggers(ses, event)) return true;
        return false;
    }
    const char* event = event_of(tr);
    for (const PlStatementTrigger& t : statement_triggers(ses))
        if (applies(t, tr, event)) return true;
    return false;
}

bool plsql_run_triggered_dml(SessionHandle* ses, const Translation& tr, const TriggeredDml& dml, std::int64_t* redone,
                             OraError* err) {
    *redone = 0;
    *err = OraError();
    if (!plsql_triggers_sync(ses, err)) return false;
    sqlite3* db = ses->server->db;
    bool guarded = !dml.in_statement && plsql_has_statement_triggers(ses, tr);
    if (guarded) {
        if (dml.begin && !dml.begin()) return false;
        if (sqlite3_exec(db, "SAVEPOINT vantro_triggered", nullptr, nullptr, nullptr) != SQLITE_OK) {
            *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
            return false;
        }
    }
    auto undo = [&]() {
        if (!guarded || sqlite3_get_autocommit(db)) return;
        sqlite3_exec(db, "ROLLBACK TO vantro_triggered", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE vantro_triggered", nullptr, nullptr, nullptr);
    };
    if (!plsql_statement_triggers(ses, tr, PlTriggerTiming::Before, err)) {
        undo();
        return false;
    }
    std::int64_t outer = plsql_take_redone_rows(ses);
    plsql_dml_begin(ses, tr);
    bool ran = dml.run();
    plsql_dml_end(ses);
    *redone = plsql_take_redone_rows(ses);
    if (dml.keep_outer_rows) plsql_session(ses)->redone_rows = outer;
    if (!ran || !plsql_statement_triggers(ses, tr, PlTriggerTiming::After, err)) {
        undo();
        *redone = 0;
        return false;
    }
    if (guarded && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "RELEASE vantro_triggered", nullptr, nullptr, nullptr);
    return true;
}
