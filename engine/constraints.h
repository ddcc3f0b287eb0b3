// Constraint names and states for the dictionary (ALL_CONSTRAINTS, ALL_CONS_COLUMNS):
// the catalog rows a CREATE TABLE's constraints leave, named as declared or given a
// system name, and each column's DEFAULT as typed (DATA_DEFAULT). SQLite enforces the
// constraints and applies the defaults; this module only records them.
#pragma once

#include "sql_ast.h"

#include <string>
#include <vector>

// Appends to out the catalog statements that record the constraints of a new table:
// NOT NULL checks ("COL" IS NOT NULL), primary keys, unique keys, foreign keys (linked to
// the referenced key) and checks with their text as typed in statement_text.
void constraints_catalog_sql(const std::string& owner, const std::string& table,
                             const std::vector<ColumnDef>& columns, const std::vector<TableConstraint>& constraints,
                             const std::string& statement_text, std::vector<std::string>* out);
// The same for one column (its default and inline constraints); in_primary_key: the
// column belongs to a table-level primary key.
void constraints_column_sql(const std::string& owner, const std::string& table, const ColumnDef& column,
                            bool in_primary_key, const std::string& statement_text, std::vector<std::string>* out);
// The catalog statements that forget the constraints of a dropped table.
void constraints_drop_sql(const std::string& owner, const std::string& table, std::vector<std::string>* out);
