// Deferrable keys and checks: the mode each has in the session's transaction, and the
// row checks of those whose checking a statement put off.
#include "catalog/deferred_constraints.h"

#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"
#include "catalog/constraint_ddl.h"
#include "sql/sql_text.h"
#include "sql/sql_translate.h"
#include "values/sqlite_statement.h"

#include <vector>

namespace {

using Stmt = SqliteStatement;

bool deferred_now(const DeferredConstraints& d, long long id, bool initially) {
    auto m = d.modes.find(id);
    if (m != d.modes.end()) return m->second;
    return d.all >= 0 ? d.all == 1 : initially;
}

// vantro_constraint_deferred(id, initially_deferred): 1 when the constraint is deferred
// now (and so pending), else 0.
void fn_constraint_deferred(sqlite3_context* ctx, int, sqlite3_value** argv) {
    auto* d = static_cast<DeferredConstraints*>(sqlite3_user_data(ctx));
    long long id = sqlite3_value_int64(argv[0]);
    bool deferred = deferred_now(*d, id, sqlite3_value_int(argv[1]) != 0);
    if (deferred) d->pending.insert(id);
    sqlite3_result_int(ctx, deferred ? 1 : 0);
}

std::string quoted(const std::string& n) {
    return "\"" + n + "\"";
}

// The query of a row that breaks c, or empty when c cannot be checked here.
std::string violation_sql(sqlite3* db, const ConstraintSpec& c) {
    const std::string t = quoted(c.owner) + "." + quoted(c.table);
    if (c.type == 'P' || c.type == 'U') {
        std::string cols, not_null;
        for (std::size_t i = 0; i < c.columns.size(); ++i) {
            cols += (i ? "," : "") + quoted(c.columns[i]);
            not_null += (i ? " AND " : "") + quoted(c.columns[i]) + " IS NOT NULL";
        }
        return "SELECT 1 FROM " + t + " WHERE " + not_null + " GROUP BY " + cols + " HAVING count(*)>1";
    }
    if (constraint_is_not_null(c)) return "SELECT 1 FROM " + t + " WHERE " + quoted(c.columns[0]) + " IS NULL";
    SqliteCatalog catalog(db);
    // The table's owner reads its rows, whoever changed them.
    CatalogDefiner definer(db, c.owner);
    TranslateContext ctx;
    ctx.schema = c.owner;
    ctx.catalog = &catalog;
    Translation tr;
    OraError err;
    if (!sql_translate("SELECT 1 FROM " + t + " WHERE NOT (" + c.condition + ")", ctx, &tr, &err)) return "";
    return tr.sql;
}

}  // namespace

bool deferred_constraints_register(sqlite3* db, DeferredConstraints* d) {
    return sqlite3_create_function(db, "vantro_constraint_deferred", 2, SQLITE_UTF8, d, fn_constraint_deferred, nullptr,
                                   nullptr) == SQLITE_OK;
}

void deferred_constraints_reset(DeferredConstraints* d) {
    d->all = -1;
    d->modes.clear();
    d->pending.clear();
    d->all_keys = -1;
    d->keys.clear();
}

std::vector<std::string> deferred_foreign_keys_immediate(sqlite3* db, const DeferredConstraints& d) {
    std::vector<std::string> out;
    if (d.all_keys != 1) {
        for (const auto& [name, immediate] : d.keys)
            if (immediate) out.push_back(name);
        return out;
    }
    Stmt q(db,
           "SELECT owner||'.'||coalesce(constraint_name,'SYS_C00'||(id+4999)) FROM main.vantro_constraints"
           " WHERE constraint_type='R' AND is_deferred='DEFERRED' AND status='ENABLED'");
    while (q.row()) {
        auto k = d.keys.find(q.column(0));
        if (k == d.keys.end() || k->second) out.push_back(q.column(0));
    }
    return out;
}

bool deferred_constraint_find(sqlite3* db, const std::string& owner, const std::string& name,
                              DeferrableConstraint* out) {
    Stmt q(db,
           "SELECT id, constraint_type, is_deferrable, is_deferred FROM main.vantro_constraints"
           " WHERE owner=?1 AND coalesce(constraint_name,'SYS_C00'||(id+4999))=?2");
    q.text(1, owner).text(2, name);
    if (!q.row()) return false;
    out->id = sqlite3_column_int64(q.get(), 0);
    out->type = q.column(1).empty() ? 'C' : q.column(1)[0];
    out->deferrable = q.column(2) == "DEFERRABLE";
    out->initially_deferred = q.column(3) == "DEFERRED";
    return true;
}

bool deferred_constraint_kept(sqlite3* db, const std::string& owner, long long id) {
    Stmt q(db, "SELECT 1 FROM " + quoted(owner) +
                   ".sqlite_schema WHERE type='trigger' AND name GLOB ?1 AND instr(sql, ?2)>0 LIMIT 1");
    q.text(1, "VANTRO$??" + std::to_string(id) + "[A-Z]*");
    q.text(2, "vantro_constraint_deferred(" + std::to_string(id) + ",");
    return q.row();
}

// Only the schemas of the session's connection: another user's constraints are not the
// session's to defer.
bool deferred_constraints_any_fixed(sqlite3* db) {
    std::vector<std::pair<std::string, long long>> keys;
    {
        Stmt q(db,
               "SELECT owner, id, constraint_type FROM main.vantro_constraints WHERE is_deferrable='DEFERRABLE'"
               " AND is_deferred<>'DEFERRED' AND status='ENABLED'"
               " AND owner IN (SELECT name FROM pragma_database_list)");
        while (q.row()) {
            if (q.column(2) == "R") return true;
            keys.emplace_back(q.column(0), sqlite3_column_int64(q.get(), 1));
        }
    }
    for (const auto& [owner, id] : keys)
        if (!deferred_constraint_kept(db, owner, id)) return true;
    return false;
}

void deferred_constraints_set(DeferredConstraints* d, long long id, bool deferred) {
    if (id == 0) {
        d->all = deferred ? 1 : 0;
        d->modes.clear();
    } else {
        d->modes[id] = deferred;
    }
}

bool deferred_constraints_check(sqlite3* db, DeferredConstraints* d, const std::set<long long>* ids, OraError* err) {
    std::vector<long long> todo;
    for (long long id : d->pending)
        if (!ids || ids->count(id)) todo.push_back(id);
    for (long long id : todo) {
        std::string owner, name;
        {
            Stmt q(db,
                   "SELECT owner, coalesce(constraint_name,'SYS_C00'||(id+4999)) FROM main.vantro_constraints"
                   " WHERE id=?1 AND status='ENABLED'");
            q.integer(1, id);
            if (q.row()) {
                owner = q.column(0);
                name = q.column(1);
            }
        }
        ConstraintSpec c;
        // A constraint dropped or disabled since has nothing left to check.
        if (owner.empty() || !constraint_load(db, owner, name, &c)) {
            d->pending.erase(id);
            continue;
        }
        // A condition that no longer translates or runs cannot be shown to hold.
        std::string sql = violation_sql(db, c);
        Stmt q(db, "SELECT EXISTS (" + sql + ")");
        if (sql.empty() || !q.row()) {
            *err = ora_error(2290, owner + "." + name);
            return false;
        }
        if (sqlite3_column_int(q.get(), 0) != 0) {
            *err = ora_error(c.type == 'C' ? 2290 : 1, owner + "." + name);
            return false;
        }
        d->pending.erase(id);
    }
    return true;
}
