// Refreshes of materialized views. The table's rows are replaced by the rows of the query
// the view was created with, translated then (complete refresh; FAST and FORCE refresh
// the same way, as no change log is kept).
#include "catalog/mviews.h"
#include "catalog/catalog_sqlite.h"

#include "catalog/catalog_cache.h"
#include "values/errors.h"

#include <cctype>
#include <vector>

namespace {

// One name of a list: a quoted part keeps its case, an unquoted one is upper case.
bool split_name(const std::string& item, std::string* owner, std::string* name) {
    std::vector<std::string> parts(1);
    bool quoted = false;
    bool any = false;
    for (char ch : item) {
        if (ch == '"') {
            quoted = !quoted;
            any = true;
        } else if (ch == '.' && !quoted) {
            parts.emplace_back();
        } else if (quoted) {
            parts.back() += ch;
        } else if (!std::isspace(static_cast<unsigned char>(ch))) {
            parts.back() += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            any = true;
        }
    }
    if (!any || quoted || parts.size() > 2) return false;
    for (const std::string& p : parts)
        if (p.empty()) return false;
    *name = parts.back();
    if (parts.size() == 2) *owner = parts[0];
    return true;
}

using catalog_sqlite::exec;

bool refresh_one(sqlite3* db, const std::string& owner, const std::string& name, OraError* err) {
    std::string refresh, method;
    {
        CatalogStatement q(db,
                           "SELECT refresh_sql,refresh_method FROM main.vantro_mviews WHERE owner=?1 AND"
                           " mview_name=?2");
        q.text(1, owner).text(2, name);
        if (!q.row()) {
            *err = ora_error(12003, owner, name);
            return false;
        }
        refresh = q.column(0);
        method = q.column(1);
    }
    if (method == "NEVER") {
        *err = ora_error(23538, name);
        return false;
    }
    if (!exec(db, "SAVEPOINT vantro_refresh", err)) return false;
    CatalogStatement mark(db,
                          "UPDATE main.vantro_mviews SET last_refresh=datetime('now','localtime'),"
                          "staleness='FRESH' WHERE owner=?1 AND mview_name=?2");
    mark.text(1, owner).text(2, name);
    if (!exec(db, refresh, err) || !mark.run()) {
        if (!err->code) *err = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
        sqlite3_exec(db, "ROLLBACK TO vantro_refresh; RELEASE vantro_refresh", nullptr, nullptr, nullptr);
        return false;
    }
    return exec(db, "RELEASE vantro_refresh", err);
}

}  // namespace

bool mviews_refresh(sqlite3* db, const std::string& schema, const std::string& list, OraError* err) {
    std::size_t at = 0;
    bool any = false;
    while (at <= list.size()) {
        std::size_t comma = list.find(',', at);
        if (comma == std::string::npos) comma = list.size();
        std::string owner = schema, name;
        const std::string item = list.substr(at, comma - at);
        at = comma + 1;
        if (!split_name(item, &owner, &name)) {
            bool blank = true;
            for (char ch : item) blank = blank && std::isspace(static_cast<unsigned char>(ch));
            if (blank && comma == list.size() && any) break;  // a trailing comma
            *err = ora_error(12003, owner, item);
            return false;
        }
        if (!refresh_one(db, owner, name, err)) return false;
        any = true;
    }
    return true;
}

bool mviews_refresh_all(sqlite3* db, const std::string& schema, OraError* err) {
    std::vector<std::string> names;
    {
        CatalogStatement q(db,
                           "SELECT mview_name FROM main.vantro_mviews WHERE owner=?1 AND refresh_method<>'NEVER'"
                           " ORDER BY mview_name");
        q.text(1, schema);
        while (q.row()) names.push_back(q.column(0));
    }
    for (const std::string& n : names)
        if (!refresh_one(db, schema, n, err)) return false;
    return true;
}
