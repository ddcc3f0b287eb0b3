// Running statements on the session: non-queries with progress texts, the transaction
// commands, small dictionary lookups, queries with the result store (the column
// descriptions and the temporary result file read by the result list and export), server
// output and session statistics. Everything here runs on the thread that owns the
// session at that moment; only db_cancel comes from the GUI thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct ConsoleBuffer;
struct OCILobLocator;
struct OCIStmt;

// ---- non-queries and lookups -----------------------------------------------------

// Rows processed (0 for DDL and PL/SQL), or -1 not connected / no handle, -2 prepare
// failed, -3 execute failed (reported).
int run_nonquery(const char* text, bool show_progress, const char* label);
// COMMIT and ROLLBACK; each says "... complete" on success (a commit only when report).
void commit_work(bool report = true);
void rollback_work();
// As run_nonquery without progress texts; "not connected" goes to a message box.
int run_quiet(const char* text);
// The dictionary's spelling of one typed name part: a quoted name as written inside its
// quotes (a doubled quote as one), any other name trimmed and in upper case.
std::string dictionary_name(const std::string& typed);
// Splits a typed "owner.object" (the dot outside quotes) into its dictionary spellings;
// false, with owner empty, when there is no dot.
bool split_owner_name(const std::string& typed, std::string* owner, std::string* object);
// Owner and object of a name in its dictionary spelling (synonyms resolved, the user's own
// before PUBLIC); owner is empty when the name is unknown ("Object %s does not exist" when
// report).
void resolve_object(const char* name, std::string* owner, std::string* object, bool report);
// The type of an object named in dictionary spelling (never PACKAGE BODY), or empty.
std::string object_type_of(const char* owner, const char* name, bool report);
// The object a synonym named in dictionary spelling stands for: true with its owner and
// name; false when there is no such synonym or it points through a database link.
bool synonym_target(const char* owner, const char* name, std::string* target_owner, std::string* target_name);
std::string current_user_name();
// 0 and the first column of the first row (empty without rows); -1..-4 the failing step.
int query_single_value(const char* sql, char* buffer, int size);

// ---- queries and the result store ------------------------------------------------

struct ResultColumn {
    std::string name;
    int width = 0;                 // bytes per row in the fetch buffer and the result file, NUL included
    int chars = 0;                 // display width in characters of a column sized in characters; 0: width - 1
    std::vector<char> data;        // fetch buffer (rows x width), or unused for LOB-like columns
    std::vector<OCILobLocator*> locators;   // LOB-like columns: one locator per row
    std::vector<std::int16_t> indicators;   // -1: NULL
    int datatype = 0;
};

// The last value of every column a COLUMN NEW_VALUE names, after fetch_rows: variable
// and value, in column order (a query without rows leaves the list empty).
extern std::vector<std::pair<std::string, std::string>> result_new_values;

// The columns of the last query; valid until the next statement starts.
extern std::vector<ResultColumn> result_columns;
// Rows of the last statement (rows processed or fetched; negative for failure).
extern std::atomic<int> result_row_count;
extern std::atomic<int> rows_fetched;
extern std::atomic<int> fetch_stop;
// Rows per fetch chosen for the last query (arraysize, lowered to fit maxmem).
int fetch_batch_rows();
// The temporary result file (fixed-length records), or null.
std::FILE* result_file();
// The text of the query whose rows the result file holds (empty without one).
const std::string& result_query_text();
// Length of one record of the result file: the sum of the column widths.
int result_record_length();

// A query's feedback format ("\r%d row%s selected") with the count and its plural ending
// ("" for 1, "s" otherwise) filled in; never used as a printf format.
std::string format_row_count(const char* pattern, int count);

// 0 ready; -1 not connected or no handle, -2 prepare, -3 execute, -4 no column count,
// -5 refused datatype (message printed), -6 no LOB locator, -7 / 1 out of memory.
int run_query(ConsoleBuffer* console, const char* text, const char* done_message);
// As run_query for a query already executed on `cursor` (a REFCURSOR a block opened),
// which becomes the current statement and is freed with it by free_query.
int run_cursor(ConsoleBuffer* console, OCIStmt* cursor);
int open_result_file(ConsoleBuffer* console);
// Rows fetched (also after a failure, the rows until then), or -8/-9/-10 for LOB failures.
int fetch_rows(ConsoleBuffer* console, const char* done_message);
void free_query();
void free_result_columns();
void close_result_file();

// ---- autocomplete lookups ----------------------------------------------------------

// Runs a dictionary query with bind1 (and bind2, and bind3 when bind2 is given) as text
// binds and hands every name of its one column to `add`, in the order fetched. Failures
// are reported on the console; the names found until then are kept.
void hints_query(const char* sql, const char* bind1, const char* bind2, const char* bind3,
                 const std::function<void(const char*)>& add);

// ---- explain plan -------------------------------------------------------------------

// Runs one statement (1 iteration) with its failures shown in the plan view: the row
// count, -1 not connected or no handle, -2 prepare, -3 execute.
int plan_exec(const char* text);
// Explains the statement (a trailing ";" is ignored) into the plan view, one item per
// plan step under its parent, inside a savepoint that is always rolled back. 0 when the
// plan was shown; -1 after the plan table, the explain or the plan query failed (shown).
int explain_plan(const char* statement_text);
// Runs a query with text binds by position and hands the first column of every row to
// `add`; does nothing while a statement worker runs.
void fill_name_list(const char* query, const std::vector<std::string>& values,
                    const std::function<void(const char*)>& add);

// The SQL analyzer's lists: the user's tables, and the indexes of one of them, each name
// handed to `add` (through fill_name_list, so nothing happens while a worker runs).
void analyzer_table_names(const std::function<void(const char*)>& add);
void analyzer_index_names(const std::string& table, const std::function<void(const char*)>& add);

// ---- server output and statistics ------------------------------------------------

// Prints the lines dbms_output holds. 0 done, -1 not connected, -2 failure (reported).
int print_server_output(ConsoleBuffer* console);
struct SessionStat {
    int number = 0;
    int value = 0;
    char name[68] = {};
};
std::vector<SessionStat> read_session_stats();
// Takes the "before" snapshot kept for print_stats_delta.
void take_stats_snapshot(ConsoleBuffer* console);
void print_stats_delta(ConsoleBuffer* console);
