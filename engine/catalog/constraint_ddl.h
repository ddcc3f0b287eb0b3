// The enforcement of constraints that ALTER TABLE adds, enables, disables or drops.
// SQLite cannot add or remove a table's constraints, so a constraint whose state changes
// after CREATE TABLE is kept by objects of its own: a unique index named after the key,
// and triggers VANTRO$<kind><id>... for NOT NULL, primary keys, checks and foreign keys.
// A constraint CREATE TABLE wrote into the SQLite table is taken out of the table's
// definition when it is disabled or dropped (the definition is edited in place, which
// leaves the rows as they are), and comes back in the objects' form when enabled.
#pragma once

#include "values/sql_types.h"

#include <sqlite3.h>

#include "catalog/dictionary_ddl.h"

#include <map>
#include <string>
#include <vector>

// One constraint as the catalog keeps it, with the name it is shown under.
struct ConstraintSpec {
    long long id = 0;
    std::string owner, table, name;
    char type = 'C';  // P, U, R or C
    std::vector<std::string> columns;
    std::string condition;  // C: as typed
    std::string r_table;    // R: the parent table (same owner) and its key columns
    std::vector<std::string> r_columns;
    std::string rule = "NO ACTION";  // R: the delete rule
    std::string status = "ENABLED";
    std::string validated = "VALIDATED";
    std::string deferrable = "NOT DEFERRABLE";
    bool initially_deferred = false;  // INITIALLY DEFERRED: checked at COMMIT unless set IMMEDIATE
    bool own_index = true;            // P, U: enforcing builds the key's index (false: one is there)
};

// A check of the form "COL" IS NOT NULL: a NOT NULL constraint.
bool constraint_is_not_null(const ConstraintSpec& c);
// True for a DEFERRABLE primary key, unique key or check, which the engine keeps itself
// (SQLite defers only foreign keys).
bool constraint_kept_deferrable(const ConstraintSpec& c);
// The text an engine-raised error carries: 'ORA-nnnnn: message' as an SQL literal.
std::string constraint_raise_sql(int code, const std::string& message);
// Statements that check the rows already in the table before the constraint is
// enforced: duplicate keys always (a unique index cannot hold them), with validate also
// NULL key columns, check violations (bad_rows_sql: the translated query of the rows
// that break the condition) and orphans.
void constraint_check_rows_sql(const ConstraintSpec& c, bool validate, const std::string& bad_rows_sql,
                               std::vector<std::string>* out);
// Statements that enforce the constraint on new rows. columns: the table's columns;
// check_where: the translated condition over them (checks other than NOT NULL). A
// DEFERRABLE key, check or NOT NULL is kept by triggers that ask the session whether the
// constraint is deferred now (vantro_constraint_deferred, which then notes it for the
// check at COMMIT); a deferrable key's index is not unique, so that duplicates can stand
// until then.
void constraint_enforce_sql(const ConstraintSpec& c, const std::vector<ColumnInfo>& columns,
                            const std::string& check_where, std::vector<std::string>* out);
// The SQLite definitions of tables one statement has edited, by owner and table.
using TableEdits = std::map<std::string, std::string>;
// Statements that stop enforcing it, whichever way it is enforced now; a primary key's
// columns lose the NOT NULL CREATE TABLE gave them through it. False with err when the
// table's definition cannot be edited safely.
bool constraint_unenforce_sql(sqlite3* db, const ConstraintSpec& c, TableEdits* edits, std::vector<std::string>* out,
                              OraError* err);
// Statements that give the column the DEFAULT clause (" DEFAULT (...)", empty: none) in
// the table's SQLite definition; the rows stay as they are.
bool constraint_default_sql(sqlite3* db, const std::string& owner, const std::string& table, const std::string& column,
                            const std::string& clause, TableEdits* edits, std::vector<std::string>* out, OraError* err);
// The constraint owner.name of the catalog; false when there is none.
bool constraint_load(sqlite3* db, const std::string& owner, const std::string& name, ConstraintSpec* out);
// The foreign keys that reference key c.
std::vector<ConstraintSpec> constraint_children(sqlite3* db, const ConstraintSpec& c);
// ALTER TABLE [owner.]table, from tokens[pos] (just past TABLE): the forms above.
// NotMine: a form the SQL grammar's translator keeps (columns).
DdlResult alter_table_ddl(const std::string& text, const std::vector<Token>& tokens, std::size_t pos,
                          const TranslateContext& ctx, sqlite3* db, std::vector<std::string>* sql, OraError* err);
