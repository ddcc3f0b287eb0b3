// A table-valued function over one document (JSON_TABLE, XMLTABLE): SQLite calls it with
// the document and its column layout as two hidden arguments, and it gives the rows a
// reader built wholly from them, in columns c0 .. c(n-1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <sqlite3.h>

struct DocumentCell {
    // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT or SQLITE_BLOB (a NUMBER's bytes, in s)
    // when set
    int type = SQLITE_NULL;
    std::int64_t i = 0;
    double d = 0;
    std::string s;
};

// Sets *out to the value a NUMBER(precision, scale) column (values/number_bytes.h) holds
// for number text, all its digits kept: 0, 1722 when the text is no number, else the
// column's error (1438, 1426).
int document_cell_number(const std::string& text, int precision, int scale, DocumentCell* out);
using DocumentRow = std::vector<DocumentCell>;

// Fills rows from the document and the layout text; returns the error text of the
// statement ("ORA-nnnnn: ..."), empty when the rows are complete.
using DocumentRowsReader = std::string (*)(sqlite3_value* doc, const std::string& layout,
                                           std::vector<DocumentRow>* rows);

// Registers the module `name` with `columns` value columns; reader must outlive db.
bool document_table_register(sqlite3* db, const char* name, std::size_t columns, DocumentRowsReader reader);
