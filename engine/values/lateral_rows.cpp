// vantro_lateral_rows(query, a1, ...): the table-valued function behind inline views that
// read the FROM items before them (LATERAL, CROSS APPLY, OUTER APPLY), which SQLite's
// joins cannot correlate. The translator writes the inline view as SQLite text whose
// ?1, ?2, ... stand for the earlier items' columns and passes their values as a1, a2, ...;
// for each row of those items the query runs with them bound on the same connection,
// and its columns come back as c1, c2, ... with their values as SQLite has them (blobs,
// reals and texts alike). It neither parses nor translates anything.
#include "values/sql_functions.h"

#include <sqlite3.h>

#include <cstring>
#include <string>

namespace {

// The most columns an inline view gives and values it reads (the translator refuses more).
constexpr int kLateralColumns = kLateralMaxColumns;
constexpr int kLateralArgs = kLateralMaxArgs;

std::string lateral_declaration() {
    std::string d = "CREATE TABLE x(";
    for (int i = 1; i <= kLateralColumns; ++i) d += "c" + std::to_string(i) + ",";
    d += "q HIDDEN";
    for (int i = 1; i <= kLateralArgs; ++i) d += ",a" + std::to_string(i) + " HIDDEN";
    return d + ")";
}

struct LateralTable {
    sqlite3_vtab base;
    sqlite3* db;
};

struct LateralCursor {
    sqlite3_vtab_cursor base;
    sqlite3_stmt* vm = nullptr;
    std::string query;  // the text vm was prepared from
    bool eof = true;
    sqlite3_int64 row = 0;
};

LateralCursor* lateral_cursor(sqlite3_vtab_cursor* c) {
    return reinterpret_cast<LateralCursor*>(c);
}

int lateral_connect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** out, char**) {
    static const std::string declaration = lateral_declaration();
    int rc = sqlite3_declare_vtab(db, declaration.c_str());
    if (rc != SQLITE_OK) return rc;
    auto* t = static_cast<LateralTable*>(sqlite3_malloc(sizeof(LateralTable)));
    if (!t) return SQLITE_NOMEM;
    t->base = sqlite3_vtab{};
    t->db = db;
    *out = &t->base;
    return SQLITE_OK;
}

int lateral_disconnect(sqlite3_vtab* vtab) {
    sqlite3_free(vtab);
    return SQLITE_OK;
}

// The query and every value it reads are needed: a plan that runs the function before the
// items whose columns it reads is refused, so SQLite puts it after them.
int lateral_best_index(sqlite3_vtab*, sqlite3_index_info* info) {
    int query = -1;
    int highest = 0;
    int given[kLateralArgs + 1];
    for (int& g : given) g = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < kLateralColumns) continue;
        if (!c.usable) return SQLITE_CONSTRAINT;
        const int arg = c.iColumn - kLateralColumns;  // 0: the query, k: ak
        if (arg == 0) {
            query = i;
        } else if (arg <= kLateralArgs) {
            given[arg] = i;
            if (arg > highest) highest = arg;
        }
    }
    if (query < 0) return SQLITE_CONSTRAINT;
    info->aConstraintUsage[query].argvIndex = 1;
    info->aConstraintUsage[query].omit = 1;
    for (int k = 1; k <= highest; ++k) {
        if (given[k] < 0) return SQLITE_CONSTRAINT;
        info->aConstraintUsage[given[k]].argvIndex = k + 1;
        info->aConstraintUsage[given[k]].omit = 1;
    }
    info->estimatedCost = 100;
    info->estimatedRows = 10;
    return SQLITE_OK;
}

int lateral_open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = &(new LateralCursor)->base;
    return SQLITE_OK;
}

int lateral_close(sqlite3_vtab_cursor* c) {
    LateralCursor* cur = lateral_cursor(c);
    sqlite3_finalize(cur->vm);
    delete cur;
    return SQLITE_OK;
}

// The inner query's error becomes the function's, in its own words.
int lateral_fail(sqlite3_vtab_cursor* c, sqlite3* db) {
    sqlite3_vtab* t = c->pVtab;
    sqlite3_free(t->zErrMsg);
    t->zErrMsg = sqlite3_mprintf("%s", sqlite3_errmsg(db));
    lateral_cursor(c)->eof = true;
    return SQLITE_ERROR;
}

int lateral_step(sqlite3_vtab_cursor* c) {
    LateralCursor* cur = lateral_cursor(c);
    const int rc = sqlite3_step(cur->vm);
    if (rc == SQLITE_ROW) {
        cur->eof = false;
        ++cur->row;
        return SQLITE_OK;
    }
    cur->eof = true;
    if (rc == SQLITE_DONE) return SQLITE_OK;
    return lateral_fail(c, reinterpret_cast<LateralTable*>(c->pVtab)->db);
}

int lateral_filter(sqlite3_vtab_cursor* c, int, const char*, int argc, sqlite3_value** argv) {
    LateralCursor* cur = lateral_cursor(c);
    sqlite3* db = reinterpret_cast<LateralTable*>(c->pVtab)->db;
    cur->eof = true;
    cur->row = 0;
    if (argc < 1 || sqlite3_value_type(argv[0]) != SQLITE_TEXT) return SQLITE_ERROR;
    const char* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    if (!cur->vm || cur->query != text) {
        sqlite3_finalize(cur->vm);
        cur->vm = nullptr;
        cur->query = text;
        if (sqlite3_prepare_v2(db, text, -1, &cur->vm, nullptr) != SQLITE_OK) return lateral_fail(c, db);
    } else {
        sqlite3_reset(cur->vm);
        sqlite3_clear_bindings(cur->vm);
    }
    for (int k = 1; k < argc; ++k)
        if (sqlite3_bind_value(cur->vm, k, argv[k]) != SQLITE_OK) return lateral_fail(c, db);
    return lateral_step(c);
}

int lateral_next(sqlite3_vtab_cursor* c) {
    return lateral_step(c);
}

int lateral_eof(sqlite3_vtab_cursor* c) {
    return lateral_cursor(c)->eof ? 1 : 0;
}

int lateral_column(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
    LateralCursor* cur = lateral_cursor(c);
    if (cur->vm && i < kLateralColumns && i < sqlite3_column_count(cur->vm))
        sqlite3_result_value(ctx, sqlite3_column_value(cur->vm, i));
    else
        sqlite3_result_null(ctx);
    return SQLITE_OK;
}

int lateral_rowid(sqlite3_vtab_cursor* c, sqlite3_int64* rowid) {
    *rowid = lateral_cursor(c)->row;
    return SQLITE_OK;
}

sqlite3_module lateral_module() {
    sqlite3_module m{};
    m.xConnect = lateral_connect;
    m.xBestIndex = lateral_best_index;
    m.xDisconnect = lateral_disconnect;
    m.xOpen = lateral_open;
    m.xClose = lateral_close;
    m.xFilter = lateral_filter;
    m.xNext = lateral_next;
    m.xEof = lateral_eof;
    m.xColumn = lateral_column;
    m.xRowid = lateral_rowid;
    return m;
}

const sqlite3_module kLateralModule = lateral_module();

}  // namespace

bool lateral_rows_register(sqlite3* db) {
    return sqlite3_create_module(db, "vantro_lateral_rows", &kLateralModule, nullptr) == SQLITE_OK;
}
