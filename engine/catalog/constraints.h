// Constraint names and states for the dictionary (ALL_CONSTRAINTS, ALL_CONS_COLUMNS):
// the catalog rows a CREATE TABLE's constraints leave, named as declared or given a
// system name, and each column's DEFAULT as typed (DATA_DEFAULT). SQLite enforces the
// constraints and applies the defaults; this module only records them.
#pragma once

#include "sql/sql_ast.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// One constraint row of the catalog. id 0 lets the catalog number it; a declared name
// is kept as given, an undeclared one is shown as constraints_system_name(id).
struct ConstraintRecord {
    long long id = 0;
    std::string name;              // empty: system-named
    char type = 'C';               // P, U, R or C
    std::string search_condition;  // C only
    std::vector<std::string> columns;
    bool column_positions = true;  // P, U, R: 1-based positions; C: NULL
    std::string r_table;           // R only
    std::vector<std::string> r_columns;
    std::string delete_rule;  // R only: "NO ACTION", "CASCADE", "SET NULL"
    ConstraintState state;    // as declared: DISABLED / NOT VALIDATED / DEFERRABLE
};

// The name an undeclared constraint with this id is shown under (SYS_C005000 ...).
std::string constraints_system_name(long long id);
// Appends the catalog statements that record one constraint and its columns. A foreign
// key is linked to the referenced key of r_table, found by its columns (the primary key
// when none are given).
void constraints_record_sql(const std::string& owner, const std::string& table, const ConstraintRecord& c,
                            std::vector<std::string>* out);

// Appends to out the catalog statements that record the constraints of a new table:
// NOT NULL checks ("COL" IS NOT NULL), primary keys, unique keys, foreign keys (linked to
// the referenced key) and checks with their text as typed in statement_text.
void constraints_catalog_sql(const std::string& owner, const std::string& table, const std::vector<ColumnDef>& columns,
                             const std::vector<TableConstraint>& constraints, const std::string& statement_text,
                             std::vector<std::string>* out);
// The same for one column: its default, its NOT NULL check and, with inline_keys, the
// keys, reference and check written on it; in_primary_key: the column belongs to a
// table-level primary key (its NOT NULL comes from the key).
void constraints_column_sql(const std::string& owner, const std::string& table, const ColumnDef& column,
                            bool in_primary_key, bool inline_keys, const std::string& statement_text,
                            std::vector<std::string>* out);
// The catalog statements that follow a column rename: key columns, defaults and the
// column's name in the text of the table's checks.
void constraints_rename_column_sql(const std::string& owner, const std::string& table, const std::string& from,
                                   const std::string& to, std::vector<std::string>* out);
// The catalog statements that follow a dropped column: its default and every
// constraint on it go.
void constraints_drop_column_sql(const std::string& owner, const std::string& table, const std::string& column,
                                 std::vector<std::string>* out);
// The catalog statements that forget the constraints of a dropped table.
void constraints_drop_sql(const std::string& owner, const std::string& table, std::vector<std::string>* out);
// Text of a condition with every use of the name from (as a column's name, quoted or not)
// renamed to to; strings and other names stay as written. The text itself when it does
// not tokenize.
std::string constraints_rename_in_condition(const std::string& text, const std::string& from, const std::string& to);
// Installs vantro_rename_name(text, from, to), the same as an SQL function, on a catalog
// connection.
bool constraints_functions_register(sqlite3* db);
