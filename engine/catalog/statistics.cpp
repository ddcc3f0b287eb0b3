// Statistics are computed with SQL over the schema file's table: row and NULL counts,
// distinct values per column and per index key, the average stored length of values.
// A column's length counts one byte of length prefix, as Oracle's AVG_COL_LEN does, and
// the table's average row length is the sum of its columns'. BLOCKS is the number of
// 8 KB blocks those rows fill at the default PCTFREE of 10.
#include "catalog/statistics.h"
#include "catalog/catalog_sqlite.h"

#include "catalog/catalog_cache.h"
#include "values/errors.h"

#include <cstdio>
#include <vector>

namespace {

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char ch : name) {
        out += ch;
        if (ch == '"') out += '"';
    }
    return out + "\"";
}

std::string literal(const std::string& text) {
    std::string out = "'";
    for (char ch : text) {
        out += ch;
        if (ch == '\'') out += '\'';
    }
    return out + "'";
}

OraError unable(const std::string& kind, const std::string& owner, const std::string& name) {
    OraError e;
    e.code = 20000;
    e.message = "Unable to analyze " + kind + " " + quoted(owner) + "." + quoted(name) +
                ", insufficient privileges or does not exist";
    return e;
}

OraError locked() {
    OraError e;
    e.code = 20005;
    e.message = "object statistics are locked (stattype = ALL)";
    return e;
}

using catalog_sqlite::exec;

bool schema_attached(sqlite3* db, const std::string& owner) {
    CatalogStatement q(db, "SELECT 1 FROM pragma_database_list WHERE name=?1");
    q.text(1, owner);
    return q.row();
}

bool table_exists(sqlite3* db, const std::string& owner, const std::string& table) {
    if (!schema_attached(db, owner)) return false;
    CatalogStatement q(db,
                       "SELECT 1 FROM " + quoted(owner) +
                           ".sqlite_master WHERE type='table' AND name=?1 AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    q.text(1, table);
    return q.row();
}

bool is_locked(sqlite3* db, const std::string& owner, const std::string& table) {
    CatalogStatement q(db, "SELECT 1 FROM main.vantro_stats_locks WHERE owner=?1 AND table_name=?2");
    q.text(1, owner).text(2, table);
    return q.row();
}

// The index's key columns by name; false when a key is an expression.
bool key_columns(sqlite3* db, const std::string& owner, const std::string& sqlite_name, std::vector<std::string>* out) {
    CatalogStatement q(db, "SELECT cid,name FROM pragma_index_xinfo(?1,?2) WHERE key=1 ORDER BY seqno");
    q.text(1, sqlite_name).text(2, owner);
    bool plain = true;
    while (q.row()) {
        if (q.column_int(0) < 0) plain = false;
        out->push_back(q.column(1));
    }
    return plain && !out->empty();
}

// An index's entries are the rows whose key is not entirely NULL; with an expression
// among its keys every row counts and the distinct keys stay unknown.
bool gather_one_index(sqlite3* db, const std::string& owner, const std::string& table, const std::string& sqlite_name,
                      const std::string& index, OraError* err) {
    std::vector<std::string> keys;
    const std::string from = " FROM " + quoted(owner) + "." + quoted(table);
    std::string rows = "(SELECT count(*)" + from + ")", distinct = "NULL";
    if (key_columns(db, owner, sqlite_name, &keys)) {
        std::string list, some;
        for (const std::string& k : keys) {
            list += (list.empty() ? "" : ",") + quoted(k);
            some += (some.empty() ? "" : " OR ") + quoted(k) + " IS NOT NULL";
        }
        rows = "(SELECT count(*)" + from + " WHERE " + some + ")";
        distinct = "(SELECT count(*) FROM (SELECT DISTINCT " + list + from + " WHERE " + some + "))";
    }
    return exec(db,
                "INSERT OR REPLACE INTO main.vantro_ind_stats(owner,index_name,table_name,num_rows,distinct_keys,"
                "last_analyzed) SELECT " +
                    literal(owner) + "," + literal(index) + "," + literal(table) + "," + rows + "," + distinct +
                    ",datetime('now','localtime')",
                err);
}

bool gather_indexes(sqlite3* db, const std::string& owner, const std::string& table, const std::string& only,
                    OraError* err) {
    std::vector<std::pair<std::string, std::string>> indexes;  // SQLite name, Oracle name
    {
        CatalogStatement q(db, "SELECT name,vantro_index_name(?1,name,tbl_name) FROM " + quoted(owner) +
                                   ".sqlite_master WHERE type='index' AND tbl_name=?2");
        q.text(1, owner).text(2, table);
        while (q.row())
            if (sqlite3_column_type(q.get(), 1) != SQLITE_NULL && (only.empty() || q.column(1) == only))
                indexes.emplace_back(q.column(0), q.column(1));
    }
    for (const auto& ix : indexes)
        if (!gather_one_index(db, owner, table, ix.first, ix.second, err)) return false;
    return true;
}

bool gather(sqlite3* db, const std::string& owner, const std::string& table, bool indexes, OraError* err) {
    struct Column {
        std::string name;
        bool lob;
    };
    std::vector<Column> columns;
    {
        CatalogStatement q(db,
                           "SELECT column_name,type_code FROM main.vantro_columns WHERE owner=?1 AND table_name=?2"
                           " ORDER BY column_id");
        q.text(1, owner).text(2, table);
        while (q.row()) {
            const int code = q.column_int(1);
            columns.push_back({q.column(0), code == 8 || code == 24 || code == 112 || code == 113 || code == 114});
        }
    }
    const std::string from = " FROM " + quoted(owner) + "." + quoted(table);
    const std::string where = " WHERE owner=" + literal(owner) + " AND table_name=" + literal(table);
    if (!exec(db, "SAVEPOINT vantro_stats", err)) return false;
    bool ok = exec(db, "DELETE FROM main.vantro_col_stats" + where, err);
    std::string row_len = "0";
    for (const Column& c : columns) {
        if (!ok) break;
        const std::string col = quoted(c.name);
        // LOB and LONG values have no distinct count.
        const std::string distinct = c.lob ? "NULL" : "count(DISTINCT " + col + ")";
        ok = exec(db,
                  "INSERT INTO main.vantro_col_stats(owner,table_name,column_name,num_distinct,num_nulls,avg_col_len,"
                  "sample_size,last_analyzed) SELECT " +
                      literal(owner) + "," + literal(table) + "," + literal(c.name) + "," + distinct +
                      ",count(*)-count(" + col +
                      "),CASE WHEN count(*)=0 THEN NULL ELSE CAST(round(avg(coalesce("
                      "length(CAST(" +
                      col + " AS BLOB)),0))+0.4999)+1 AS INTEGER) END,count(" + col + "),datetime('now','localtime')" +
                      from,
                  err);
        row_len += "+coalesce((SELECT avg_col_len FROM main.vantro_col_stats" + where +
                   " AND column_name=" + literal(c.name) + "),0)";
    }
    ok = ok && exec(db,
                    "INSERT OR REPLACE INTO main.vantro_tab_stats(owner,table_name,num_rows,blocks,avg_row_len,"
                    "sample_size,last_analyzed) SELECT " +
                        literal(owner) + "," + literal(table) +
                        ",n,CAST((n*r+7372)/7373 AS INTEGER),r,n,"
                        "datetime('now','localtime') FROM (SELECT (SELECT count(*)" +
                        from +
                        ") AS n,CASE WHEN"
                        " (SELECT count(*)" +
                        from + ")=0 THEN 0 ELSE " + row_len + " END AS r)",
                    err);
    ok = ok && (!indexes || gather_indexes(db, owner, table, "", err));
    if (!ok) {
        sqlite3_exec(db, "ROLLBACK TO vantro_stats; RELEASE vantro_stats", nullptr, nullptr, nullptr);
        return false;
    }
    return exec(db, "RELEASE vantro_stats", err);
}

bool forget(sqlite3* db, const std::string& owner, const std::string& table, OraError* err) {
    const std::string where = " WHERE owner=" + literal(owner) + " AND table_name=" + literal(table);
    return exec(db,
                "DELETE FROM main.vantro_tab_stats" + where + "; DELETE FROM main.vantro_col_stats" + where +
                    "; DELETE FROM main.vantro_ind_stats" + where,
                err);
}

std::vector<std::string> schema_tables(sqlite3* db, const std::string& owner) {
    std::vector<std::string> out;
    CatalogStatement q(db, "SELECT name FROM " + quoted(owner) +
                               ".sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"
                               " AND name IN (SELECT table_name FROM main.vantro_columns WHERE owner=?1)"
                               " ORDER BY name");
    q.text(1, owner);
    while (q.row()) out.push_back(q.column(0));
    return out;
}

// The table an index of the schema belongs to; empty when the schema has no such index.
std::string table_of_index(sqlite3* db, const std::string& owner, const std::string& index) {
    if (!schema_attached(db, owner)) return std::string();
    CatalogStatement q(db, "SELECT tbl_name FROM " + quoted(owner) +
                               ".sqlite_master WHERE type='index' AND vantro_index_name(?1,name,tbl_name)=?2");
    q.text(1, owner).text(2, index);
    return q.row() ? q.column(0) : std::string();
}

}  // namespace

bool statistics_gather_table(sqlite3* db, const std::string& owner, const std::string& table, bool indexes,
                             OraError* err) {
    if (!table_exists(db, owner, table)) {
        *err = unable("TABLE", owner, table);
        return false;
    }
    if (is_locked(db, owner, table)) {
        *err = locked();
        return false;
    }
    return gather(db, owner, table, indexes, err);
}

bool statistics_gather_index(sqlite3* db, const std::string& owner, const std::string& index, OraError* err) {
    const std::string table = table_of_index(db, owner, index);
    if (table.empty()) {
        *err = unable("INDEX", owner, index);
        return false;
    }
    if (is_locked(db, owner, table)) {
        *err = locked();
        return false;
    }
    return gather_indexes(db, owner, table, index, err);
}

bool statistics_gather_schema(sqlite3* db, const std::string& owner, OraError* err) {
    if (!schema_attached(db, owner)) {
        *err = unable("SCHEMA", owner, "");
        err->message = "Schema " + quoted(owner) + " does not exist or insufficient privileges";
        return false;
    }
    for (const std::string& t : schema_tables(db, owner))
        if (!is_locked(db, owner, t) && !gather(db, owner, t, true, err)) return false;
    return true;
}

bool statistics_delete_table(sqlite3* db, const std::string& owner, const std::string& table, OraError* err) {
    if (!table_exists(db, owner, table)) {
        *err = unable("TABLE", owner, table);
        return false;
    }
    if (is_locked(db, owner, table)) {
        *err = locked();
        return false;
    }
    return forget(db, owner, table, err);
}

bool statistics_delete_schema(sqlite3* db, const std::string& owner, OraError* err) {
    if (!schema_attached(db, owner)) {
        *err = unable("SCHEMA", owner, "");
        err->message = "Schema " + quoted(owner) + " does not exist or insufficient privileges";
        return false;
    }
    for (const std::string& t : schema_tables(db, owner))
        if (!is_locked(db, owner, t) && !forget(db, owner, t, err)) return false;
    return true;
}

bool statistics_lock_table(sqlite3* db, const std::string& owner, const std::string& table, bool lock, OraError* err) {
    if (!table_exists(db, owner, table)) {
        *err = unable("TABLE", owner, table);
        return false;
    }
    const std::string where = " WHERE owner=" + literal(owner) + " AND table_name=" + literal(table);
    return exec(db,
                lock ? "INSERT OR IGNORE INTO main.vantro_stats_locks(owner,table_name) VALUES (" + literal(owner) +
                           "," + literal(table) + ")"
                     : "DELETE FROM main.vantro_stats_locks" + where,
                err);
}

namespace {

std::string value_text(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? reinterpret_cast<const char*>(t) : std::string();
}

bool analyze_index(sqlite3* db, const std::string& owner, const std::string& index, bool remove, OraError* err) {
    const std::string table = table_of_index(db, owner, index);
    if (table.empty()) {
        *err = ora_error(1418);
        return false;
    }
    if (is_locked(db, owner, table)) {
        *err = ora_error(38029);
        return false;
    }
    if (remove)
        return exec(
            db, "DELETE FROM main.vantro_ind_stats WHERE owner=" + literal(owner) + " AND index_name=" + literal(index),
            err);
    return gather_indexes(db, owner, table, index, err);
}

bool analyze_table(sqlite3* db, const std::string& owner, const std::string& table, bool remove, bool indexes,
                   OraError* err) {
    if (!table_exists(db, owner, table)) {
        *err = ora_error(942);
        return false;
    }
    if (is_locked(db, owner, table)) {
        *err = ora_error(38029);
        return false;
    }
    return remove ? forget(db, owner, table, err) : gather(db, owner, table, indexes, err);
}

void fn_analyze(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    const std::string owner = value_text(argv[0]), name = value_text(argv[1]);
    const bool remove = sqlite3_value_int(argv[3]) != 0;
    OraError err;
    const bool ok = value_text(argv[2]) == "INDEX"
                        ? analyze_index(db, owner, name, remove, &err)
                        : analyze_table(db, owner, name, remove, sqlite3_value_int(argv[4]) != 0, &err);
    if (ok) return sqlite3_result_int(ctx, 1);
    char code[16];
    std::snprintf(code, sizeof code, "ORA-%05d: ", err.code);
    const std::string text = code + err.message;
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

}  // namespace

bool statistics_functions_register(sqlite3* db) {
    return sqlite3_create_function(db, "vantro_analyze", 5, SQLITE_UTF8, nullptr, fn_analyze, nullptr, nullptr) ==
           SQLITE_OK;
}
