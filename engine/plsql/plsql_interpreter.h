// The PL/SQL interpreter's shared parts: the Interpreter class, which runs a compiled
// block on the session's connection, and the small types it keeps its state in. Its
// methods live in the plsql_interpreter.cpp and plsql_run_*.cpp files by role (binds,
// values, SQL, statements, calls). Internal to those files; the rest of the engine uses
// plsql.h.
#pragma once

#include "plsql/plsql.h"

struct PlSuppliedProc;

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace plsql_running {

enum class Flow { Next, Exit, Continue, Return, Error, Goto };

using CursorState = PlCursorState;

struct HostState {
    BindHandle* bind = nullptr;
    bool read = false;
    bool written = false;
    PlValue value;
};

inline const char* const kSavepoint = "\"VANTRO$PLSQL\"";

inline PlError make_error(int code, const std::string& message) {
    PlError e;
    e.code = code;
    e.message = message;
    return e;
}

inline PlError value_error(const char* detail) {
    return pl_error(6502, detail[0] ? std::string(": ") + detail : std::string());
}

// RAW, LONG RAW and BLOB: values of bytes, shown as their hex text.
inline bool pl_binary_type(const OraType& t) {
    return t.code == kTypeRaw || t.code == kTypeLongRaw || t.code == kTypeBlob;
}

class Interpreter {
public:
    Interpreter(StmtHandle* s, PlProgram* p, Interpreter* root = nullptr)
        : s_(s), ses_(s->session), db_(s->session->server->db), p_(p), root_(root ? root : this) {
        vars_.resize(p->vars.size());
        cursors_.resize(p->cursors.size());
    }

    // Runs a stored unit called with args (one per parameter; NULL value slots take the
    // parameter's default). Out values are read back from out_values afterwards.
    bool run_unit(const std::vector<PlValue>& args, const std::vector<bool>& given, std::vector<PlValue>* out_values,
                  PlError* err, const PlSubprogram* sub = nullptr);

    void run_inside_statement() { in_statement_ = true; }

    // Slots [0, count) of this program are the package state values.
    void attach_package(std::vector<PlValue>* values, int count) {
        pkg_ = values;
        pkg_slots_ = count;
    }

    // Runs a package's declarations and initialisation section into its fresh state.
    bool init_package(PlError* err);

    // Runs a trigger body on a row; new_values comes back as the body left :NEW.
    bool run_trigger(const std::string& event, std::vector<PlValue>* old_values, std::vector<PlValue>* new_values,
                     bool* fire, PlError* err);

    bool run_trigger_body(bool* fire, PlError* err);

    PlValue& var(int slot) {
        std::size_t k = static_cast<std::size_t>(slot);
        return slot < pkg_slots_ ? (*pkg_)[k] : vars_[k];
    }

    // Checks that every placeholder of the block is bound before anything runs.
    bool check_binds(PlError* err);

    const PlValue& return_value() const { return return_value_; }
    // A collection's value as SQL keeps one of its schema-level type: TYPE(e1, e2, ...),
    // its existing elements in order, texts quoted (cv must not be atomically null).
    std::string collection_text(const PlVarInfo& info, const PlValue& cv) const;
    // Ends a unit run on its own (a function called from SQL): keeps its changes.
    void finish_unit() { release_savepoint(); }

    static int last_line(const PlBlock& b);

    // Runs the program; false with err set when an error was not handled.
    bool run(PlError* err);
    // Runs local subprogram index of the program with args of types (empty: already of
    // the parameters' types); given says which were passed (the others take their
    // defaults). outs receives the parameters' final values, result a function's.
    bool run_local(int index, const std::vector<PlValue>& args, const std::vector<OraType>& types,
                   const std::vector<bool>& given, std::vector<PlValue>* outs, PlValue* result, PlError* err);
    const PlProgram* program() const { return p_; }
    // This program's frames of DBMS_UTILITY.FORMAT_CALL_STACK, innermost first: the line
    // running, then the lines that called the local subprograms running.
    void call_stack_frames(std::string* out) const;

private:
    StmtHandle* s_;
    SessionHandle* ses_;
    sqlite3* db_;
    PlProgram* p_;
    std::vector<PlValue> vars_;
    std::vector<CursorState> cursors_;
    std::map<std::string, HostState> hosts_;
    std::int64_t sql_rowcount_ = 0;
    int sql_found_ = -1;
    std::vector<PlError> handling_;  // the errors whose handlers are running
    PlValue return_value_;
    int return_slot_ = -1;
    std::vector<PlValue>* pkg_ = nullptr;  // the package state, for a package's program
    int pkg_slots_ = 0;
    bool in_statement_ = false;  // runs inside a SQL statement (a trigger or a function)
    bool savepoint_ = false;     // the root's: the block's changes can be undone
    Interpreter* root_;          // the interpreter of the block the client sent
    PlError error_;
    std::string exit_label_;
    std::string goto_label_;  // Flow::Goto: the label it goes to
    // The last FORALL's rows per index value (SQL%BULK_ROWCOUNT) and the iterations that
    // failed under SAVE EXCEPTIONS, as (iteration, Oracle error code).
    std::map<std::int64_t, std::int64_t> bulk_rowcount_;
    std::vector<std::pair<std::int64_t, int>> bulk_exceptions_;
    // Local subprogram calls running, and the prepared statements of the callers that a
    // recursive call needed again (put back when the call returns).
    int local_depth_ = 0;
    std::vector<std::pair<PlSql*, sqlite3_stmt*>> parked_;
    // Open cursors whose remaining rows were read ahead (buffer_cursors): by cursor, the
    // statement that gives those rows without reading a table. Owned.
    std::map<int, sqlite3_stmt*> buffered_;

public:
    // Reads ahead the remaining rows of this interpreter's open cursors, so that no
    // statement of theirs still reads a table (SQLite drops no table while one does);
    // true when there was any.
    bool buffer_cursors();
    // A collection argument SQL passes as the collection's constructor text (NULL: an
    // atomically null collection), made a collection of the parameter's type.
    bool collection_argument(const PlVarInfo& info, const PlValue& text, PlValue* out, PlError* err) {
        if (text.kind == PlKind::Null || (text.kind == PlKind::Text && text.s.empty())) {
            *out = PlValue();
            return true;
        }
        return collection_from_text(info, text, out, err);
    }
    ~Interpreter() {
        for (auto& b : buffered_) sqlite3_finalize(b.second);
    }
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

private:
    // The line of the statement running, and those of the calls of the local subprograms
    // running (outermost first).
    int line_ = 0;
    std::vector<int> local_lines_;

    Flow raise(PlError e, int line);
    // Runs one SQL statement of the program as one more recursive SQL level.
    template <typename Run>
    Flow sql_level(const PlStmt& st, Run run);

    void release_savepoint();

    // --- Binds in and out ---------------------------------------------------------------

    HostState* host(const std::string& name, PlError* err);

    bool host_read(HostState* h, PlError* err);

    // Checks that v fits the caller's buffer and keeps it for the end of the block.
    bool host_assign(const std::string& name, const PlValue& v, const OraType& type, PlError* err);

    bool flush_hosts(PlError* err);

    // --- Values -------------------------------------------------------------------------

    std::string text_of(const PlValue& v, const OraType& type) const;

    // v (of type from) as a value of the zoned timestamp or interval type to, or a zoned
    // one as a DATE or TIMESTAMP, converted by the SQL functions that store such columns.
    bool convert_datetime(const PlValue& v, const OraType& from, const OraType& to, PlValue* out, PlError* err);
    static std::string datetime_store_sql(const OraType& from, const OraType& to);

    bool convert_number(const PlValue& v, const OraType& from, const OraType& to, PlValue* out, PlError* err) const;
    bool convert_binary(const PlValue& v, const OraType& from, const OraType& to, PlValue* out, PlError* err) const;

    // Converts v (of Oracle type from) into a value of variable slot's type.
    bool assign_var(int slot, const PlValue& v, const OraType& from, PlError* err);

    // Converts v (of Oracle type from) into a value of the type info declares.
    bool convert_to(const PlVarInfo& info, const PlValue& v, const OraType& from, PlValue* result, PlError* err);

    bool assign(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err);
    // object with attribute t.attribute set to v (converted to the attribute's type) into
    // *out; ORA-06530 when the object is atomically null.
    bool object_with_attribute(const PlTarget& t, const PlValue& object, const PlValue& v, const OraType& from,
                               PlValue* out, PlError* err);

    static PlValue column_value(sqlite3_stmt* vm, int col);
    // The value of a one-column expression of type (an empty LOB stays empty).
    static PlValue lob_column_value(sqlite3_stmt* vm, const OraType& type);

    static void bind_value(sqlite3_stmt* vm, int idx, const PlValue& v);

    static PlValue int_value(std::int64_t i) {
        PlValue v;
        v.kind = PlKind::Int;
        v.i = i;
        return v;
    }
    static PlValue flag_value(int f) { return f < 0 ? PlValue() : int_value(f); }
    // %FOUND, %NOTFOUND and %ROWCOUNT of an open cursor from its fetch state.
    static PlValue fetch_attr(PlAttr a, int found, std::int64_t rowcount) {
        if (a == PlAttr::Found) return flag_value(found);
        if (a == PlAttr::NotFound) return flag_value(found < 0 ? -1 : 1 - found);
        return a == PlAttr::RowCount ? int_value(rowcount) : PlValue();
    }

    bool ref_value(const PlRef& r, PlValue* v, PlError* err);
    // A FOR UPDATE cursor fetches within the transaction that opened it: after a COMMIT or
    // ROLLBACK its next fetch is out of sequence (ORA-01002).
    struct CursorRef;
    bool fetch_in_sequence(const CursorRef& r, PlError* err) const;
    // Keeps the hidden rowid of the row the cursor has just fetched.
    void keep_current_row(const CursorRef& r);

    // Prepares q when needed and binds its parameters.
    bool prepare(PlSql* q, PlError* err);
    bool not_mutating(const std::string& sql, PlError* err);
    bool bind_values(PlSql* q, sqlite3_stmt* vm, PlError* err);
    // Runs the calls whose record or collection results q reads (PlSql::before).
    bool run_before(PlSql* q, PlError* err);
    bool merge_steps(PlSql* q, std::int64_t* merged, PlError* err);
    bool run_merge_steps(PlSql* q, std::int64_t* merged, PlError* err);

    PlError sqlite_error(bool expression);
    // The error of DML statement q that SQLite refused; a violated key by its name.
    PlError dml_error(const PlSql* q);

    // Evaluates an expression or condition.
    bool eval(PlSql* q, PlValue* v, PlError* err);

    static const OraType& type_of(const PlSql* q) {
        static const OraType kText;
        return q->tr.columns.empty() ? kText : q->tr.columns[0].type;
    }

    // A condition: true only when it is TRUE (NULL counts as not true).
    bool test(PlSql* q, bool* result, PlError* err);

    bool begin_transaction(PlError* err);

    bool take_savepoint(PlError* err);

    // Copies the current row of vm into targets (a record or a list of variables).
    // hidden: trailing columns of vm that are not the query's (a FOR UPDATE cursor's rowid).
    bool fetch_into(sqlite3_stmt* vm, const Translation& tr, const std::vector<PlTarget>& targets, PlError* err,
                    int hidden = 0);

    // --- Declared cursors (plsql_run_cursors.cpp) ----------------------------------------
    // Where declared cursor c keeps its state and open query: this interpreter's own entry,
    // or the session's package state for a cursor of a package's declarations (this
    // package's, or another's named pkg.c), which stays open between calls.
    struct CursorRef {
        CursorState* cs = nullptr;
        PlPackageCursor* pkg = nullptr;  // null: the interpreter's own cursor
        sqlite3_stmt* vm = nullptr;
        const Translation* tr = nullptr;
        int hidden = 0;
        bool for_update = false;
    };
    bool is_package_cursor(int c) const;
    // False with err when the package state of the cursor cannot be had.
    bool cursor_ref(int c, CursorRef* out, PlError* err);
    // OPEN c (and a cursor FOR loop's start): parameters from st, ORA-06511 when open.
    bool open_cursor(int c, const PlStmt& st, PlError* err);
    // Opens cursor k of package program pkg_prog (of state st) on this interpreter, which
    // runs that program; args of the caller's cursor parameters already evaluated.
    bool open_package_cursor(PlPackageState* st, int k, const std::vector<PlValue>& args,
                             const std::vector<OraType>& types, const std::vector<bool>& given, PlError* err);

    // --- Cursor variables (plsql_run_cursor_vars.cpp) ------------------------------------
    // The open cursor the cursor variable in slot refers to; null when it refers to none.
    PlRefCursor* ref_cursor(int slot);
    // Makes the cursor variable in slot refer to a new cursor over vm (which it then
    // owns), closing the one it referred to first.
    // holder: the statement handle that compiled the query's WITH clause declarations.
    void open_cursor_var(int slot, sqlite3_stmt* vm, const std::string& text, const Translation& tr,
                         const void* holder = nullptr);
    void drop_ref_cursor(std::int64_t id);
    Flow fetch_cursor_var(const PlStmt& st);
    Flow close_cursor_var(const PlStmt& st);
    bool cursor_var_attr(const PlRef& r, PlValue* v, PlError* err);
    // Hands the cursor with id v to the caller's statement handle bound as SQLT_RSET.
    bool hand_over_cursor(BindHandle* b, const PlValue& v, PlError* err);

    // --- Collections (plsql_run_collections.cpp) -----------------------------------------
    static PlValue empty_collection();
    // A collection variable as a block declares it: empty, or atomically null.
    void reset_collection(int slot);
    // The elements of the collection in slot, ready to change; null when it is atomically null.
    PlCollectionData* writable_collection(int slot);
    // The subscript index evaluates to, as a key of the collection info declares.
    bool collection_key(const PlVarInfo& info, PlSql* index, PlKey* key, bool* is_null, PlError* err);
    bool element_value(const PlRef& r, PlValue* v, PlError* err);
    bool collection_attr(const PlRef& r, PlValue* v, PlError* err);
    // Converts v into the element type of collection info.
    bool element_convert(const PlVarInfo& info, const PlValue& v, const OraType& from, PlValue* out, PlError* err);
    // A collection of info's type from the constructor text SQL keeps it as (elements in
    // order); ORA-00932 when the text is no such value.
    bool collection_from_text(const PlVarInfo& info, const PlValue& text, PlValue* out, PlError* err);
    bool assign_element(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err);
    // --- Collections of records (plsql_run_record_collections.cpp) -----------------------
    // The declaration of field k of the elements of collection of records info, for converting
    // a value into it.
    static PlVarInfo element_field_info(const PlVarInfo& info, std::size_t k);
    // values (of types) converted field by field into an element of collection of records
    // info; ORA-06504 when their number differs from the element's fields.
    // Variables of record and collection types passed whole to and from subprograms:
    // a collection as its value, a record as a value holding its fields.
    bool whole_var(int slot) const {
        const PlVarInfo& v = p_->vars[static_cast<std::size_t>(slot)];
        return v.type.code != kPlTypeRefCursor && (v.collection != PlCollection::None || !v.fields.empty());
    }
    bool whole_target(const PlTarget& t) const {
        return !t.host && t.slot >= 0 && !t.index && t.package.empty() && whole_var(t.slot);
    }
    PlValue param_value(int slot);
    // Sets parameter slot from a value of a call (a whole record or collection too).
    bool assign_param(int slot, const PlValue& v, const OraType& from, PlError* err);
    // Sets an OUT or IN OUT argument's target from the parameter's final value.
    bool assign_out(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err);
    // BULK COLLECT into one collection of records: each row an element, numbered from 1.
    bool bulk_store_records(int slot, const std::vector<std::vector<PlValue>>& rows, const std::vector<OraType>& types,
                            PlError* err);
    bool record_convert(const PlVarInfo& info, const std::vector<PlValue>& values, const std::vector<OraType>& types,
                        PlValue* out, PlError* err);
    // Argument k of EXTEND or TRIM as a count; -1 when it is NULL.
    bool collection_count_arg(const PlStmt& st, std::size_t k, std::int64_t* n, PlError* err);
    Flow run_collection(const PlStmt& st);
    Flow collection_delete(const PlStmt& st, int slot, const PlVarInfo& info);

    // --- Statements ---------------------------------------------------------------------

    Flow block(const PlBlock& b);
    Flow run_block(const PlBlock& b);

    void close_cursor(int c);

    Flow statements(const std::vector<PlStmt>& list);

    // Runs a loop body once; true when the loop goes on.
    bool loop_step(const PlStmt& st, Flow* f);

    Flow statement(const PlStmt& st);
    // One method per kind of statement.
    Flow run_assign(const PlStmt& st);
    Flow run_if(const PlStmt& st);
    Flow run_loop(const PlStmt& st);
    Flow run_while(const PlStmt& st);
    Flow run_for_range(const PlStmt& st);
    Flow run_for_cursor(const PlStmt& st);
    Flow run_exit(const PlStmt& st);
    Flow run_select_into(const PlStmt& st);
    Flow run_dml(const PlStmt& st);
    Flow run_end_transaction(const PlStmt& st);
    Flow run_savepoint(const PlStmt& st);
    Flow run_open(const PlStmt& st);
    bool cursor_parameters(int cursor, const PlStmt& st, PlError* err);
    Flow run_open_for(const PlStmt& st);
    Flow run_fetch(const PlStmt& st);
    Flow run_close(const PlStmt& st);
    Flow run_return(const PlStmt& st);
    Flow run_pipe_row(const PlStmt& st);
    Flow run_raise(const PlStmt& st);
    // record := record, field by field, or record := NULL, either side possibly an element
    // of a collection of records (plsql_run_record_collections.cpp).
    Flow run_record_copy(const PlStmt& st);

    // --- Bulk binds and dynamic SQL (plsql_run_bulk.cpp, plsql_run_dynamic.cpp) --------
    // Replaces each target collection by one column of rows (types[k] is column k's type),
    // elements numbered from 1.
    bool bulk_store(const std::vector<PlTarget>& targets, const std::vector<std::vector<PlValue>>& rows,
                    const std::vector<OraType>& types, PlError* err);
    // Steps vm to its end (or max rows when max >= 0) collecting rows; done tells whether
    // it ran out.
    bool bulk_rows(sqlite3_stmt* vm, std::int64_t max, std::vector<std::vector<PlValue>>* rows, bool* done,
                   PlError* err);
    bool bulk_attr(const PlRef& r, PlValue* v, PlError* err);
    Flow run_bulk_select(const PlStmt& st);
    Flow run_bulk_fetch(const PlStmt& st, const CursorRef& r);
    Flow run_forall(const PlStmt& st);
    Flow run_execute(const PlStmt& st);
    // The declared type of an OUT target of dynamic SQL that is a plain variable (of the
    // block or a package) of a scalar SQL type; false for anything else.
    bool dynamic_target_type(const PlTarget& t, OraType* type) const;
    // The value of a dynamic statement's OUT bind: its stored form and type where the
    // statement kept it (a typed bind), else its text.
    static bool dynamic_returned(const BindHandle* b, PlValue* v, OraType* type);

    PlCompileContext compile_context(const std::string& owner, CatalogView* catalog) const;

public:
    // The session's state of package "OWNER.NAME", built (declarations and initialisation
    // section run) on first use and again after the package changed. program, when given,
    // receives the compiled package.
    PlPackageState* package_state(const std::string& qualified, std::shared_ptr<PlCachedUnit>* program, PlError* err);

private:
    Flow call_package(const PlStmt& st, const std::vector<PlValue>& args, const std::vector<bool>& given);

    Flow call_unit(const PlStmt& st, const std::vector<PlValue>& args);
    Flow call_supplied(const PlStmt& st, const PlSuppliedProc& p, const std::vector<PlValue>& args);

    Flow call(const PlStmt& st);
    // A call statement of a local procedure (plsql_run_locals.cpp).
    Flow call_local(const PlStmt& st, const std::vector<PlValue>& args);
    // The parameters, result and declarations of a local subprogram, kept across a call of it.
    struct LocalFrame {
        std::size_t parked = 0;  // statements parked before the call
        std::vector<PlValue> vars;
        std::vector<CursorState> cursors;
        std::map<int, sqlite3_stmt*> buffered;
        int return_slot = -1;
        PlValue return_value;
    };
    void save_frame(const PlSubprogram& sub, LocalFrame* f);
    void restore_frame(const PlSubprogram& sub, LocalFrame* f);
    // Evaluates q on a statement of its own: its prepared one is running (a local
    // function calling itself from inside the same expression).
    bool eval_fresh(PlSql* q, PlValue* v, PlError* err);
};

// Marks an interpreter as running a block for the life of the object (the innermost
// one runs the local functions that expressions call).
class RunningBlock {
public:
    RunningBlock(SessionHandle* ses, Interpreter* in) : list_(&plsql_session(ses)->running) { list_->push_back(in); }
    ~RunningBlock() { list_->pop_back(); }
    RunningBlock(const RunningBlock&) = delete;
    RunningBlock& operator=(const RunningBlock&) = delete;

private:
    std::vector<void*>* list_;
};

}  // namespace plsql_running
