// EXPLAIN PLAN: the session's PLAN_TABLE and the statement that fills it with Oracle's
// plan rows, built from SQLite's own plan of the translated statement. The rows are
// ordinary DML in the caller's transaction; this module never commits or rolls back.
#pragma once

#include "sql/sql_lexer.h"
#include "sql/sql_translate.h"
#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>
#include <vector>

// The columns of PLAN_TABLE, in Oracle's order and types.
void explain_plan_table_columns(std::vector<ColumnInfo>* columns);
// Creates the session's PLAN_TABLE on db: a temporary table, so that its rows are the
// session's own, as with Oracle's global temporary plan table. False with err.
bool explain_install(sqlite3* db, OraError* err);
// Runs EXPLAIN PLAN [SET STATEMENT_ID = '...'] [INTO [owner.]table] FOR statement:
// inserts one row per plan step into the plan table; *rows gets their number. The
// caller has opened the transaction. False with err (offset into text) when the text or
// the explained statement is invalid, or the target table does not exist; nothing is
// inserted then. tokens are text's.
bool explain_plan_run(const std::string& text, const std::vector<Token>& tokens, const TranslateContext& ctx,
                      sqlite3* db, unsigned* rows, OraError* err);
// Registers vantro_xplan_display(schema, table_name, statement_id, format) on db: the
// lines of DBMS_XPLAN.DISPLAY for the latest plan in the plan table, as a JSON array.
bool xplan_display_register(sqlite3* db);
