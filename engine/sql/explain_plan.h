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
// The session's table of plans explained for DBMS_XPLAN.DISPLAY_CURSOR, made by
// explain_install with PLAN_TABLE's columns.
constexpr const char* kCursorPlanTable = "temp.\"VANTRO$CURSOR_PLAN\"";
// Explains the statement text (a query or DML, without EXPLAIN PLAN) into the plan table
// target_sql (PLAN_TABLE's columns) under statement_id: as explain_plan_run, for the
// statements a session ran. False with err when the text cannot be explained.
bool explain_statement_into(const std::string& text, const TranslateContext& ctx, sqlite3* db,
                            const std::string& target_sql, const std::string& statement_id, unsigned* rows,
                            OraError* err);
// The level of a DBMS_XPLAN format: 0 BASIC, 1 TYPICAL or SERIAL, 2 ALL (any case,
// blanks around); -1 for another.
int xplan_format_level(const std::string& format);
// The lines of the latest plan in the plan table source (SQL text of a table) with the
// format's level; with cursor, line 0 shows the cost as a cursor's plan does (no rows,
// bytes or time). Empty when the table holds no plan.
std::vector<std::string> xplan_plan_lines(sqlite3* db, const std::string& source, int level, bool cursor);
// lines as a JSON array of strings (what TABLE() of DBMS_XPLAN's functions reads).
std::string xplan_lines_json(const std::vector<std::string>& lines);
// Registers vantro_xplan_display(schema, table_name, statement_id, format) on db: the
// lines of DBMS_XPLAN.DISPLAY for the latest plan in the plan table, as a JSON array.
bool xplan_display_register(sqlite3* db);
