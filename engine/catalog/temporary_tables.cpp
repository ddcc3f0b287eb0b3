// Global temporary tables: the session's own rows of each, in its connection's TEMP
// schema (see temporary_tables.h). A copy has the definition's name, so that the keys,
// checks and foreign keys SQLite enforces on it, and the names in its constraint
// errors, read as the definition's; a foreign key between two temporary tables finds
// the other table's copy. The copies a connection made are remembered with the
// definition they were made from: a rollback that takes one back is repaired, and a
// definition changed by DDL (this session's or another's) gets a new copy.
#include "catalog/temporary_tables.h"

#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

struct Copy {
    std::string owner;
    std::string duration;  // SYS$TRANSACTION or SYS$SESSION
    std::string source;    // the definition's schema rows it was made from
    std::vector<std::string> ddl;
};

std::mutex copies_mutex;
std::unordered_map<sqlite3*, std::map<std::string, Copy>>& copies() {
    static std::unordered_map<sqlite3*, std::map<std::string, Copy>> all;
    return all;
}

// Whether the catalog holds any temporary table, remembered per connection for the
// catalog's generation: most schemas have none, and every table a statement names would
// otherwise cost a lookup.
std::unordered_map<sqlite3*, std::pair<std::uint64_t, bool>>& any_known() {
    static std::unordered_map<sqlite3*, std::pair<std::uint64_t, bool>> all;
    return all;
}

bool any_temporary(sqlite3* db) {
    std::uint64_t generation = catalog_generation(db);
    if (generation) {
        std::lock_guard<std::mutex> lock(copies_mutex);
        auto it = any_known().find(db);
        if (it != any_known().end() && it->second.first == generation) return it->second.second;
    }
    bool any;
    {
        CatalogStatement q(db, "SELECT 1 FROM main.vantro_temporary_tables LIMIT 1");
        any = q.row();
    }
    if (generation) {
        std::lock_guard<std::mutex> lock(copies_mutex);
        any_known()[db] = {generation, any};
    }
    return any;
}

std::string quote(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

bool exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool copy_present(sqlite3* db, const std::string& table) {
    CatalogStatement q(db, "SELECT 1 FROM temp.sqlite_master WHERE type='table' AND name=?1");
    q.text(1, table);
    return q.row();
}

bool starts_with(const std::string& s, const char* prefix, std::string* rest) {
    std::string p(prefix);
    if (s.compare(0, p.size(), p) != 0) return false;
    *rest = s.substr(p.size());
    return true;
}

// The definition's schema rows (the table, then its indexes) and the statements that
// make a TEMP copy of them. SQLite keeps each row's text without the schema name, as
// CREATE TABLE "T" (...) and CREATE [UNIQUE] INDEX "I" ON "T"(...).
bool definition(sqlite3* db, const std::string& owner, const std::string& table, std::string* source,
                std::vector<std::string>* ddl) {
    source->clear();
    ddl->clear();
    CatalogStatement q(db, "SELECT type,sql FROM " + quote(owner) +
                               ".sqlite_master WHERE tbl_name=?1 AND sql IS NOT NULL AND type IN ('table','index')"
                               " ORDER BY type='index', name");
    q.text(1, table);
    while (q.row()) {
        std::string sql = q.column(1), rest;
        *source += sql + ";\n";
        if (q.column(0) == "table" && starts_with(sql, "CREATE TABLE ", &rest))
            ddl->push_back("CREATE TEMP TABLE " + rest);
        else if (starts_with(sql, "CREATE INDEX ", &rest))
            ddl->push_back("CREATE INDEX temp." + rest);
        else if (starts_with(sql, "CREATE UNIQUE INDEX ", &rest))
            ddl->push_back("CREATE UNIQUE INDEX temp." + rest);
        else
            return false;
    }
    return !ddl->empty() && ddl->front().compare(0, 18, "CREATE TEMP TABLE ") == 0;
}

bool make(sqlite3* db, const std::string& table, const std::vector<std::string>& ddl) {
    for (const std::string& sql : ddl)
        if (!exec(db, sql)) {
            exec(db, "DROP TABLE IF EXISTS temp." + quote(table));
            return false;
        }
    return true;
}

}  // namespace

bool SqliteCatalog::temporary_table(const std::string& owner, const std::string& table) {
    CatalogStatement q(db_, "SELECT 1 FROM main.vantro_temporary_tables WHERE owner=?1 AND table_name=?2");
    q.text(1, owner).text(2, table);
    return q.row();
}

bool SqliteCatalog::temporary_rows(const std::string& owner, const std::string& table, std::string* sql, int* code) {
    if (!any_temporary(db_)) return false;
    std::string duration;
    {
        CatalogStatement q(db_, "SELECT duration FROM main.vantro_temporary_tables WHERE owner=?1 AND table_name=?2");
        q.text(1, owner).text(2, table);
        if (!q.row()) return false;
        duration = q.column(0);
    }
    *code = 0;
    *sql = "temp." + quote(table);
    Copy now{owner, duration, {}, {}};
    if (!catalog_valid_user_name(owner) || !definition(db_, owner, table, &now.source, &now.ddl)) {
        *code = 3001;
        return true;
    }
    Copy held;
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(copies_mutex);
        auto& mine = copies()[db_];
        auto it = mine.find(table);
        if (it != mine.end()) {
            held = it->second;
            known = true;
        }
    }
    bool present = copy_present(db_, table);
    if (known && held.owner == owner && held.source == now.source && present) return true;
    if (known && held.owner != owner && present) {
        // Another schema's temporary table of this name has its rows here: while its
        // definition stands, this session cannot keep both.
        std::string source;
        std::vector<std::string> ddl;
        if (temporary_table(held.owner, table) && definition(db_, held.owner, table, &source, &ddl) &&
            source == held.source) {
            *code = 3001;
            return true;
        }
    }
    // A TEMP object of this name that is no copy (the session's plan table) stays.
    if (present && !known) {
        *code = 3001;
        return true;
    }
    if (present && !exec(db_, "DROP TABLE temp." + quote(table))) {
        *code = 14452;
        return true;
    }
    if (!make(db_, table, now.ddl)) {
        *code = 3001;
        return true;
    }
    {
        std::lock_guard<std::mutex> lock(copies_mutex);
        copies()[db_][table] = now;
    }
    // The temporary tables its foreign keys reference need their copies for the checks.
    std::vector<std::string> parents;
    {
        CatalogStatement q(db_, "SELECT DISTINCT \"table\" FROM pragma_foreign_key_list(?1,'temp')");
        q.text(1, table);
        while (q.row()) parents.push_back(q.column(0));
    }
    for (const std::string& parent : parents) {
        std::string parent_sql;
        int parent_code = 0;
        if (parent != table && temporary_rows(owner, parent, &parent_sql, &parent_code) && parent_code) {
            *code = parent_code;
            return true;
        }
    }
    return true;
}

void temporary_tables_transaction_ended(sqlite3* db) {
    std::map<std::string, Copy> mine;
    {
        std::lock_guard<std::mutex> lock(copies_mutex);
        auto it = copies().find(db);
        if (it == copies().end()) return;
        mine = it->second;
    }
    std::string empty;
    for (const auto& [table, copy] : mine) {
        if (!copy_present(db, table)) {
            make(db, table, copy.ddl);
        } else if (copy.duration == "SYS$TRANSACTION") {
            empty += "DELETE FROM temp." + quote(table) + ";";
        }
    }
    if (empty.empty()) return;
    // Foreign keys between the emptied tables are checked once they are all empty.
    if (!exec(db, "BEGIN; PRAGMA defer_foreign_keys=ON;" + empty + "COMMIT") && !sqlite3_get_autocommit(db))
        exec(db, "ROLLBACK");
}

void temporary_tables_forget(sqlite3* db) {
    std::lock_guard<std::mutex> lock(copies_mutex);
    copies().erase(db);
    any_known().erase(db);
}
