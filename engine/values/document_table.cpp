#include "values/document_table.h"

#include "values/number_bytes.h"

namespace {

struct DocumentModule {
    sqlite3_module module{};
    std::size_t columns = 0;
    DocumentRowsReader reader = nullptr;
};

struct DocumentVtab {
    sqlite3_vtab base{};
    const DocumentModule* module = nullptr;
};

struct DocumentCursor {
    sqlite3_vtab_cursor base{};
    std::vector<DocumentRow> rows;
    std::size_t at = 0;
};

DocumentCursor* cursor_of(sqlite3_vtab_cursor* c) {
    return reinterpret_cast<DocumentCursor*>(c);
}

const DocumentModule* module_of(sqlite3_vtab* v) {
    return reinterpret_cast<DocumentVtab*>(v)->module;
}

int table_connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char**) {
    const auto* module = static_cast<const DocumentModule*>(aux);
    std::string schema = "CREATE TABLE x(";
    for (std::size_t i = 0; i < module->columns; ++i) schema += "c" + std::to_string(i) + ",";
    schema += "doc HIDDEN,layout HIDDEN)";
    int rc = sqlite3_declare_vtab(db, schema.c_str());
    if (rc != SQLITE_OK) return rc;
    auto* vtab = new DocumentVtab;
    vtab->module = module;
    *out = &vtab->base;
    return SQLITE_OK;
}

int table_disconnect(sqlite3_vtab* vtab) {
    delete reinterpret_cast<DocumentVtab*>(vtab);
    return SQLITE_OK;
}

// The rows need both arguments; a plan that cannot give them is refused.
int table_best_index(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const int doc_column = static_cast<int>(module_of(vtab)->columns);
    const int layout_column = doc_column + 1;
    int doc = -1, layout = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.op != SQLITE_INDEX_CONSTRAINT_EQ || (c.iColumn != doc_column && c.iColumn != layout_column)) continue;
        if (!c.usable) return SQLITE_CONSTRAINT;
        (c.iColumn == doc_column ? doc : layout) = i;
    }
    if (doc < 0 || layout < 0) return SQLITE_CONSTRAINT;
    info->aConstraintUsage[doc].argvIndex = 1;
    info->aConstraintUsage[doc].omit = 1;
    info->aConstraintUsage[layout].argvIndex = 2;
    info->aConstraintUsage[layout].omit = 1;
    info->estimatedCost = 100;
    info->estimatedRows = 100;
    return SQLITE_OK;
}

int table_open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = &(new DocumentCursor)->base;
    return SQLITE_OK;
}

int table_close(sqlite3_vtab_cursor* c) {
    delete cursor_of(c);
    return SQLITE_OK;
}

int table_filter(sqlite3_vtab_cursor* c, int, const char*, int argc, sqlite3_value** argv) {
    DocumentCursor* cur = cursor_of(c);
    cur->rows.clear();
    cur->at = 0;
    if (argc != 2) return SQLITE_ERROR;
    const unsigned char* layout = sqlite3_value_text(argv[1]);
    const std::string err =
        module_of(c->pVtab)->reader(argv[0], layout ? reinterpret_cast<const char*>(layout) : "", &cur->rows);
    if (err.empty()) return SQLITE_OK;
    cur->rows.clear();
    sqlite3_free(c->pVtab->zErrMsg);
    c->pVtab->zErrMsg = sqlite3_mprintf("%s", err.c_str());
    return SQLITE_ERROR;
}

int table_next(sqlite3_vtab_cursor* c) {
    ++cursor_of(c)->at;
    return SQLITE_OK;
}

int table_eof(sqlite3_vtab_cursor* c) {
    return cursor_of(c)->at >= cursor_of(c)->rows.size();
}

int table_column(sqlite3_vtab_cursor* c, sqlite3_context* ctx, int i) {
    const DocumentRow& row = cursor_of(c)->rows[cursor_of(c)->at];
    if (i < 0 || static_cast<std::size_t>(i) >= row.size()) {
        sqlite3_result_null(ctx);
        return SQLITE_OK;
    }
    const DocumentCell& cell = row[static_cast<std::size_t>(i)];
    switch (cell.type) {
    case SQLITE_INTEGER:
        sqlite3_result_int64(ctx, cell.i);
        break;
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, cell.d);
        break;
    case SQLITE_TEXT:
        sqlite3_result_text(ctx, cell.s.data(), static_cast<int>(cell.s.size()), SQLITE_TRANSIENT);
        break;
    case SQLITE_BLOB:
        sqlite3_result_blob(ctx, cell.s.data(), static_cast<int>(cell.s.size()), SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_result_null(ctx);
    }
    return SQLITE_OK;
}

int table_rowid(sqlite3_vtab_cursor* c, sqlite3_int64* rowid) {
    *rowid = static_cast<sqlite3_int64>(cursor_of(c)->at) + 1;
    return SQLITE_OK;
}

void destroy_module(void* aux) {
    delete static_cast<DocumentModule*>(aux);
}

}  // namespace

int document_cell_number(const std::string& text, int precision, int scale, DocumentCell* out) {
    Decimal d;
    if (!decimal_parse(text.data(), text.size(), &d)) return 1722;
    NumberStored n;
    const int code = number_store_decimal(d, precision, scale, &n);
    if (code) return code;
    switch (n.form) {
    case NumberForm::Int:
        out->type = SQLITE_INTEGER;
        out->i = n.i;
        break;
    case NumberForm::Real:
        out->type = SQLITE_FLOAT;
        out->d = n.d;
        break;
    case NumberForm::Bytes:
        out->type = SQLITE_BLOB;
        out->s.assign(reinterpret_cast<const char*>(n.bytes), n.len);
        break;
    }
    return 0;
}

bool document_table_register(sqlite3* db, const char* name, std::size_t columns, DocumentRowsReader reader) {
    auto* module = new DocumentModule;
    module->columns = columns;
    module->reader = reader;
    sqlite3_module& m = module->module;
    m.xConnect = table_connect;
    m.xBestIndex = table_best_index;
    m.xDisconnect = table_disconnect;
    m.xOpen = table_open;
    m.xClose = table_close;
    m.xFilter = table_filter;
    m.xNext = table_next;
    m.xEof = table_eof;
    m.xColumn = table_column;
    m.xRowid = table_rowid;
    // SQLite calls destroy_module also when the registration fails.
    return sqlite3_create_module_v2(db, name, &module->module, module, destroy_module) == SQLITE_OK;
}
