// PL/SQL in the embedded engine: the compiled form of an anonymous block (statements,
// declarations, handlers), the parser that builds it and the interpreter that runs it.
// Expressions and SQL inside a block are never evaluated here: each becomes a SQLite
// statement through the SQL translator, with the block's variables bound as parameters.
// This header is internal to the engine; the OCI surface calls plsql_execute only.
#pragma once

#include "oci/engine.h"
#include "sql/sql_lexer.h"
#include "values/errors.h"
#include "values/sql_types.h"

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

// Compiles and runs the block prepared in s, reading and writing the caller's binds.
sword plsql_execute(StmtHandle* s, OCIError* errhp);
// The schema an invoker's-rights unit called now works in: the user whose privileges
// count (the owner of a definer's-rights unit running), or the session's current schema.
std::string plsql_invoker_schema(SessionHandle* ses);
// Frees the session's PL/SQL state (DBMS_OUTPUT buffer).
void plsql_session_free(SessionHandle* s);

// --- Values -------------------------------------------------------------------------

enum class PlKind { Null, Int, Real, Text };

struct PlCollectionData;

struct PlValue {
    PlKind kind = PlKind::Null;
    std::int64_t i = 0;
    // A NUMBER that is no 64-bit integer: the double whose shortest text it is, or (s not
    // empty) a wider value in Oracle's NUMBER bytes, with d its nearest double.
    double d = 0;
    std::string s;  // text; a DATE in the stored form; a Real's NUMBER bytes
    // A collection variable's elements; null while the collection is atomically null (a
    // nested table or varray not yet constructed). kind stays Null for a collection.
    std::shared_ptr<PlCollectionData> coll;
    // An element of a collection of records: its fields in the record's order. Fields
    // past the end are NULL (an element EXTEND added, or one only some fields were set of).
    std::vector<PlValue> fields;
    // A LOB variable DBMS_LOB.OPEN opened: 1 read-only, 2 read-write; 0 while closed. The
    // state is the variable's: a value assigned to it anew is closed.
    std::uint8_t lob_open = 0;
};

struct Decimal;
struct NumberStored;
// A numeric PlValue (Int or Real) as a decimal; false for any other kind.
bool pl_number_decimal(const PlValue& v, Decimal* out);
// A number in its stored form as a PlValue (Int, or Real with or without NUMBER bytes).
PlValue pl_number_value(const NumberStored& n);
// Binds a Real: its NUMBER bytes as a blob when it has them, else the double.
void pl_bind_real(sqlite3_stmt* vm, int idx, const PlValue& v);

// The subscript of a collection element: an integer, or the text of an associative
// array indexed by VARCHAR2 (i is then 0). Text keys order byte by byte.
struct PlKey {
    std::int64_t i = 0;
    std::string s;
    bool operator<(const PlKey& o) const { return s != o.s ? s < o.s : i < o.i; }
};

struct PlCollectionData {
    std::map<PlKey, PlValue> items;  // the elements that exist
    // Nested tables and varrays: the elements allocated (1..size), deleted ones included;
    // EXTEND adds after them and TRIM takes them off the end.
    std::int64_t size = 0;
};

// An Oracle error raised in a block: code and message as "ORA-nnnnn: " would print them.
// A user-declared exception carries its declaration's id.
struct PlError {
    int code = 0;
    std::string message;
    int user_id = 0;
    int line = 0;                    // where it was raised
    std::vector<std::string> trace;  // "ORA-06512: at line n" lines
};

// An Oracle error with its text from the errors table: pl_error(6511) is
// "PL/SQL: cursor already open".
inline PlError pl_error(int code, const std::string& arg1 = {}, const std::string& arg2 = {},
                        const std::string& arg3 = {}) {
    PlError e;
    e.code = code;
    e.message = ora_message(code, arg1, arg2, arg3);
    return e;
}

// The error stack of an error is cut at this many lines, the innermost kept: the stack of
// a runaway recursion would otherwise be as long as the recursion.
constexpr std::size_t kPlMaxTraceLines = 64;
inline bool plsql_trace_full(const PlError& e) {
    std::size_t lines = e.trace.size();
    for (char c : e.message) lines += c == '\n';
    return lines >= kPlMaxTraceLines;
}

// The type code of SYS_REFCURSOR and REF CURSOR types (Oracle's code for REF CURSOR). A
// variable of it holds the id of a session cursor (PlRefCursor), NULL before it is opened.
constexpr std::uint16_t kPlTypeRefCursor = 102;

// Whether a query's columns make the row a strong REF CURSOR type or a record returns:
// as many columns, each of the same type family (character, number, datetime, either
// interval, ...) as its field; values within a family convert as they are assigned.
bool plsql_rows_match(const std::vector<ColumnInfo>& columns, const std::vector<ColumnInfo>& row);

// --- Compiled form ------------------------------------------------------------------

enum class PlRefKind {
    Variable,
    HostBind,
    CursorAttr,
    SqlAttr,
    SqlCode,
    SqlErrm,
    PackageVar,
    Element,
    CollectionAttr,
    UpdatingColumn,
    CursorVarAttr,   // %FOUND, %NOTFOUND, %ROWCOUNT, %ISOPEN of the cursor variable in slot
    ErrorStack,      // DBMS_UTILITY.FORMAT_ERROR_STACK of the error being handled
    ErrorBacktrace,  // DBMS_UTILITY.FORMAT_ERROR_BACKTRACE: where it was raised, innermost first
    CallStack,       // DBMS_UTILITY.FORMAT_CALL_STACK: the units running and their lines
    LobIsOpen        // DBMS_LOB.ISOPEN of the LOB variable in slot
};

// CurrentRow: the rowid of the row the cursor fetched last (WHERE CURRENT OF).
enum class PlAttr { Found, NotFound, RowCount, IsOpen, BulkRowCount, BulkExceptions, CurrentRow };

struct PlRef {
    PlRefKind kind = PlRefKind::Variable;
    int slot = 0;  // variable or cursor slot; a package variable's slot in its package
    // host bind name; "OWNER.PACKAGE" of a package variable; collection method ("" for the
    // whole collection as its SQL constructor text)
    std::string name;
    PlAttr attr = PlAttr::Found;
    struct PlSql* index = nullptr;  // an element of a collection, NEXT, PRIOR, EXISTS: the subscript
    int field = -1;                 // an element of a collection of records: the field read
    // A package's whole collection variable read from outside the package (PackageVar):
    // its declaration, by which it reaches SQL as its constructor text.
    std::shared_ptr<const struct PlVarInfo> whole_collection;
};

// One SQLite statement: a wrapped expression or an embedded SQL statement.
struct PlSql {
    std::string text;         // the Oracle text as written in the block
    std::vector<PlRef> refs;  // reference n is bound by the name "#n"
    std::map<std::string, OraType> bind_types;
    Translation tr;
    sqlite3_stmt* vm = nullptr;
    int line = 0;
    int column = 0;
    bool condition = false;  // answers 1, 0 or NULL
    // Calls whose record or collection result the expression reads (f(x).field, f(x)(i)):
    // each runs into its hidden variable before the statement is bound.
    std::vector<struct PlStmt> before;
};

// IndexBy: an associative array; Nested: a nested table.
enum class PlCollection { None, IndexBy, Varray, Nested };

// The integer subtypes whose ranges PL/SQL checks on assignment.
enum class PlIntRange { None, PlsInteger, Natural, Positive, SimpleInteger, Signtype };

struct PlVarInfo {
    std::string name;
    OraType type;                                  // a collection's: the type of its elements
    PlCollection collection = PlCollection::None;  // a collection variable, or a collection type
    bool text_keys = false;                        // an associative array indexed by VARCHAR2
    std::uint32_t key_size = 0;                    // ... of this length
    std::int64_t limit = 0;                        // a varray's largest size
    bool element_not_null = false;
    std::string type_name;  // the declared collection type: assignment needs the same one
    bool boolean = false;
    bool constant = false;
    bool not_null = false;
    std::vector<int> fields;  // a record: the slots of its fields
    std::vector<std::string> field_names;
    // A record type (TYPE ... IS RECORD): its fields, their NOT NULL and BOOLEAN flags and
    // their default values (null when none).
    bool record_type = false;
    std::vector<ColumnInfo> record_fields;
    // A strong REF CURSOR type (RETURN rowtype), and variables of it: the row it returns.
    bool strong_cursor = false;
    std::vector<ColumnInfo> cursor_row;
    std::vector<bool> field_not_null, field_boolean;
    std::vector<struct PlSql*> field_defaults;
    // A record type's fields of a collection type: the collection type (null for the other
    // fields, or none at all).
    std::vector<std::shared_ptr<const PlVarInfo>> field_collections;
    // A collection of records (or a collection type of them) keeps its element's fields in
    // record_fields, field_not_null and field_boolean; element_type names the record type
    // ("" for %ROWTYPE elements), which whole-element assignment checks.
    std::string element_type;
    bool record_elements() const { return collection != PlCollection::None && !record_fields.empty(); }
    PlIntRange int_range = PlIntRange::None;  // an integer subtype's range, checked on assignment
};

// The range a declared type name checks (PLS_INTEGER, NATURAL ...); None for other names.
inline PlIntRange integer_subtype_range(const std::string& type_name) {
    static const struct {
        const char* name;
        PlIntRange range;
    } kIntegerSubtypes[] = {
        {"PLS_INTEGER", PlIntRange::PlsInteger}, {"BINARY_INTEGER", PlIntRange::PlsInteger},
        {"NATURAL", PlIntRange::Natural},         {"NATURALN", PlIntRange::Natural},
        {"POSITIVE", PlIntRange::Positive},       {"POSITIVEN", PlIntRange::Positive},
        {"SIMPLE_INTEGER", PlIntRange::SimpleInteger}, {"SIGNTYPE", PlIntRange::Signtype},
    };
    for (const auto& k : kIntegerSubtypes)
        if (type_name == k.name) return k.range;
    return PlIntRange::None;
}

struct PlCursorInfo {
    std::string name;
    PlSql* query = nullptr;
    // CURSOR c (p type [:= default], ...): the variables the parameters are, which OPEN and
    // FOR give their values before the query runs; a default per parameter (nullptr: none).
    std::vector<int> params;
    std::vector<PlSql*> defaults;
    // SELECT ... FOR UPDATE: its query's last SQLite column (hidden) is the rowid of the row
    // of the table it changes, when that table has rowids.
    bool for_update = false;
    bool current_rowid = false;
    // Declared in a package header without its query (CURSOR c RETURN rowtype;): its line
    // and column there, for the error when the body does not define it. 0 for other cursors.
    int header_line = 0, header_column = 0;
    // A cursor of a package's own declarations (header or body, outside its subprograms):
    // package state, open between calls of the session.
    bool package_level = false;
    // A stand-in for cursor package_index of package "OWNER.PACKAGE" named from outside
    // it (pkg.c): its state and query are the package's. params are variables of this
    // program holding only the parameters' names and types; remote_defaults says which
    // parameters have a default there. row: the cursor's row, as its header declares it.
    std::string package;
    int package_index = -1;
    std::vector<bool> remote_defaults;
    std::vector<ColumnInfo> row;
};

// An unnamed cursor over query q (a cursor FOR loop's own query; null: none).
inline PlCursorInfo pl_query_cursor(PlSql* q) {
    PlCursorInfo c;
    c.query = q;
    return c;
}

struct PlExceptionInfo {
    std::string name;
    int code = 0;  // the Oracle error it stands for; 0 for a user exception
    int user_id = 0;
};

enum class PlStmtKind {
    Null,
    Assign,
    If,
    Loop,
    While,
    ForRange,
    ForCursor,
    Exit,
    Continue,
    Block,
    Call,
    SelectInto,
    Dml,
    Commit,
    Rollback,
    Savepoint,
    Open,
    OpenFor,  // OPEN :host FOR query: the query's rows go to the caller's statement handle
    Fetch,
    Close,
    Return,
    Raise,
    Collection,  // a collection's constructor, copy, EXTEND, TRIM or DELETE (name says which)
    Forall,      // FORALL index IN bounds DML: bodies[0] holds the one DML statement
    Execute,     // EXECUTE IMMEDIATE, and OPEN cursor FOR text (name "open")
    PipeRow,     // PIPE ROW (value) of a pipelined function: exprs[0] is appended to its result
    RecordCopy,  // record := record (slot the source) or record := NULL (slot -1); either side may
                 // be an element of a collection of records: the target's index, and for the
                 // source exprs[0] its subscript of collection slot
    Goto         // GOTO name: goes on at the statement labelled name
};

// How FORALL walks its collection: a range lo..hi, the subscripts of a collection
// (INDICES OF) or the values of its elements (VALUES OF).
enum class PlForall { Range, Indices, Values };

// The mode of an argument of EXECUTE IMMEDIATE ... USING.
enum class PlBindMode { In, Out, InOut };

struct PlVarInfo;

struct PlTarget {
    bool host = false;
    int slot = 0;
    std::string name;
    std::string package;              // "OWNER.PACKAGE" when slot is a variable of that package
    std::shared_ptr<PlVarInfo> info;  // ... and its declaration
    struct PlSql* index = nullptr;    // an element of the collection in slot: its subscript
    int field = -1;                   // ... of a collection of records: the field written
    // An attribute of an object variable (or of an element of a collection of objects):
    // its place (0-based) in the type's attributes and its type.
    int attribute = -1;
    OraType attribute_type;
};

inline PlTarget pl_var_target(int slot) {
    PlTarget t;
    t.slot = slot;
    return t;
}

struct PlBlock;

struct PlStmt {
    PlStmtKind kind = PlStmtKind::Null;
    int line = 0;
    int column = 0;
    std::vector<PlSql*> exprs;                // conditions, values, arguments, SQL
    std::vector<PlSql*> cursor_args;          // OPEN c(...), FOR r IN c(...): the parameters' values
    std::vector<std::vector<PlStmt>> bodies;  // IF/CASE branches (ELSE last), loop body
    bool has_else = false;
    std::vector<PlTarget> targets;  // assignment and INTO targets
    int slot = -1;                  // loop index, cursor or record
    bool reverse = false;
    std::string name;                    // procedure called, savepoint, label
    std::vector<std::string> labels;     // the <<labels>> written before the statement
    std::vector<std::string> arg_names;  // named call arguments ("" when positional)
    std::vector<std::string> arg_modes;  // stored unit calls: IN, OUT, IN/OUT per parameter
    std::string unit_owner;              // stored unit calls
    std::string unit_name;               // the procedure, or the package of a member
    int subprogram_id = 0;               // a package member: its SUBPROGRAM_ID
    int local = -1;                      // a call of the program's local subprogram of that place
    PlExceptionInfo exception;           // RAISE
    PlSql* selector = nullptr;           // CASE selector: evaluated into slot before the WHENs
    std::shared_ptr<PlBlock> block;
    bool bulk = false;       // SELECT and FETCH: BULK COLLECT INTO collections
    PlSql* limit = nullptr;  // FETCH ... BULK COLLECT INTO ... LIMIT n
    // FORALL: how it walks, the collection slot of INDICES OF / VALUES OF, SAVE EXCEPTIONS.
    PlForall forall = PlForall::Range;
    int forall_collection = -1;
    bool save_exceptions = false;
    // EXECUTE IMMEDIATE: exprs[0] the text, then one expression per USING argument
    // (null for OUT); bind_modes and bind_targets per argument (the target of OUT and
    // IN OUT); targets the INTO or RETURNING INTO variables.
    std::vector<PlBindMode> bind_modes;
    std::vector<PlTarget> bind_targets;
    bool returning_into = false;
    bool open_dynamic = false;  // OPEN :name FOR text [USING ...]: the query goes to the bind
    // OPEN, FETCH and CLOSE of the cursor variable in slot (name empty) instead of a
    // declared cursor or a host bind.
    bool cursor_var = false;
};

struct PlDecl {
    int slot = -1;
    PlSql* init = nullptr;
    std::shared_ptr<PlStmt> init_collection;  // a collection's initial value (constructor or copy)
};

struct PlHandler {
    std::vector<PlExceptionInfo> exceptions;  // empty: WHEN OTHERS
    std::vector<PlStmt> body;
};

struct PlBlock {
    std::vector<PlDecl> decls;
    std::vector<int> cursors;
    std::vector<PlStmt> body;
    std::vector<PlHandler> handlers;
    bool autonomous = false;  // PRAGMA AUTONOMOUS_TRANSACTION: runs as a transaction of its own
};

// One compile error, placed as Oracle places it.
struct PlCompileError {
    int line = 0;
    int column = 0;
    std::string text;  // "PLS-00201: identifier 'X' must be declared"
};

// A parameter of a stored procedure or function.
struct PlParam {
    std::string name;
    std::string mode;  // IN, OUT, IN/OUT
    OraType type;
    std::string type_name;  // as declared: NUMBER, VARCHAR2, DATE ...
    int slot = -1;
    PlSql* default_value = nullptr;
};

// A procedure or function of a package, declared in its header or body.
struct PlSubprogram {
    std::string name;
    int subprogram_id = 0;  // 1.. in order of declaration, header first
    bool is_function = false;
    bool in_header = false;
    bool defined = false;  // its body has been read
    std::vector<PlParam> params;
    OraType return_type;
    std::string return_type_name;
    int return_slot = -1;
    bool pipelined = false;  // PIPELINED: PIPE ROW fills its result, RETURN takes no value
    bool deterministic = false;
    // A member method of an object type: its first parameter is SELF, which may not be NULL.
    bool self_member = false;
    PlBlock body;
    std::uint32_t offset = 0;  // of its name where declared
    int line = 0, column = 0;  // of its name in the header
    // A local subprogram (declared in a block): the variable and cursor slots its
    // parameters, result and declarations use, [begin, end). A call saves them and puts
    // them back afterwards, so that each activation of a recursive call has its own.
    int slot_begin = 0, slot_end = 0;
    int cursor_begin = 0, cursor_end = 0;
};

enum class PlTriggerTiming { Before, After };

// Everything of a compiled program but its SQL statements, which PlProgram owns: the
// part a copy takes as it is.
struct PlProgramTree {
    std::string text;
    bool is_unit = false;  // a stored procedure or function
    bool is_function = false;
    std::string unit_name;
    std::string unit_owner;  // a stored procedure's or function's schema
    std::vector<PlParam> params;
    OraType return_type;
    std::string return_type_name;
    int return_slot = -1;  // a function's result, held as a variable
    bool pipelined = false;
    bool deterministic = false;
    // AUTHID CURRENT_USER: runs with its caller's privileges, its SQL's names resolving in
    // the caller's schema (a compiled form per caller schema, PlCompileContext::sql_schema).
    bool invoker_rights = false;
    std::vector<PlVarInfo> vars;
    std::vector<PlVarInfo> types;  // collection types declared (TYPE ... IS TABLE OF / VARRAY)
    std::vector<PlCursorInfo> cursors;
    PlBlock main;
    std::vector<PlCompileError> errors;
    std::vector<std::string> host_targets;  // placeholders assigned to
    // A package: its members, and the slots [0, package_slots) that hold its state.
    bool is_package = false;
    std::string package_owner, package_name;
    std::vector<PlSubprogram> subprograms;
    // Procedures and functions declared in the declare sections of its blocks; calls and
    // expressions name them by their place here.
    std::vector<PlSubprogram> locals;
    int package_slots = 0;
    bool has_init = false;  // the body's initialisation section is main.body
    // The package is an object type's methods: its functions of the type's name are its
    // constructors, which calls reach by the type's name as SQL's constructor calls.
    bool object_methods = false;
    // A trigger body: the slots of :OLD and :NEW per column, and of the predicates.
    bool is_trigger = false;
    PlTriggerTiming trigger_timing = PlTriggerTiming::Before;
    bool trigger_row = false;
    std::vector<int> old_slots, new_slots;
    int inserting_slot = -1, updating_slot = -1, deleting_slot = -1;
    PlSql* trigger_when = nullptr;  // the WHEN condition of a row trigger
    // Stored units this program calls or reads, as "OWNER.NAME".
    std::set<std::string> references;
};

struct PlProgram : PlProgramTree {
    std::vector<std::unique_ptr<PlSql>> sql;  // every statement the tree points to
    PlProgram() = default;
    PlProgram(const PlProgram&) = delete;
    PlProgram& operator=(const PlProgram&) = delete;
    ~PlProgram();
};

// A copy of a compiled program with SQL statements of its own (not yet prepared), for a
// call of a unit from inside itself while the original runs.
void plsql_program_copy(const PlProgram& from, PlProgram* to);

struct PlCompileContext {
    std::string schema;
    // An invoker's-rights unit compiled for a caller: the schema its SQL statements'
    // unqualified names resolve in (empty: schema, the owner's).
    std::string sql_schema;
    std::string nls_date_format;
    CatalogView* catalog = nullptr;
    sqlite3* db = nullptr;  // for the stored units a block calls
    // A trigger body: the columns of its table (for :NEW and :OLD) and its kind.
    const std::vector<ColumnInfo>* trigger_columns = nullptr;
    PlTriggerTiming trigger_timing = PlTriggerTiming::Before;
    bool trigger_row = false;
    std::string trigger_when;  // the WHEN condition's text, without WHEN and parentheses
    // The methods of an object type compiled as a package: the type, "OWNER.NAME". Inside
    // them a name no declaration has may be an attribute or member method of SELF.
    std::string object_type;
    // The Oracle types of the block's placeholders that the caller bound typed (the
    // engine's own dynamic SQL), by name; the others are VARCHAR2.
    std::map<std::string, OraType> host_types;
};

// Parses and checks text; false with program->errors set when it does not compile.
bool plsql_compile(const std::string& text, const PlCompileContext& ctx, PlProgram* program);
// The same from text's tokens as the OCI surface split them when the block was prepared
// (split: they still need the PL/SQL-only adjustments, such as "1..n" ranges).
bool plsql_compile_tokens(const std::string& text, std::vector<Token> tokens, const PlCompileContext& ctx,
                          PlProgram* program, bool split);
// Parses and checks the source of a stored procedure or function (from its PROCEDURE
// or FUNCTION keyword); false with program->errors set.
bool plsql_compile_unit(const std::string& text, const PlCompileContext& ctx, PlProgram* program);
// Parses and checks a package: header is the header's source (from its PACKAGE
// keyword); body the body's source or empty when only the header is compiled.
// Errors belong to the body when one is given.
bool plsql_compile_package(const std::string& header, const std::string& body, const PlCompileContext& ctx,
                           PlProgram* program);
// Parses and checks the PL/SQL declarations of a query's WITH clause: tokens are theirs
// (offsets into the statement's text), compiled as the subprograms of a package body
// named unit; false with program->errors set.
bool plsql_compile_with(const std::string& text, std::vector<Token> tokens, const PlCompileContext& ctx,
                        const std::string& unit, PlProgram* program);
// Whether unit is the one that holds a view's PL/SQL declarations, and compiles it from
// the view's text (false with err when the view or its declarations are gone or fail).
bool plsql_view_unit(const std::string& unit);
bool plsql_view_unit_load(const PlCompileContext& ctx, const std::string& owner, const std::string& unit,
                          PlProgram* program, PlError* err);
// Line and column (1-based) of a byte offset in text.
void plsql_position(const std::string& text, std::uint32_t offset, int* line, int* column);

// --- Stored units -------------------------------------------------------------------

// Creates the catalog tables of stored units when missing.
bool plsql_units_prepare(sqlite3* db);
// Runs CREATE [OR REPLACE], ALTER ... COMPILE or DROP of a procedure, function, package
// or type (s->tr.kind says which): compiles and stores the unit, or drops it. The OCI
// surface has committed the open transaction first.
sword plsql_unit_ddl(StmtHandle* s, OCIError* errhp);
struct PlUnitArgument {
    std::string name;
    std::string mode;
    bool defaulted = false;
    std::string data_type;
};
// One subprogram a call by name can reach: a standalone unit (subprogram_id 0) or one
// overload of a package member.
struct PlCandidate {
    int subprogram_id = 0;
    bool is_function = false;
    std::string return_type;
    std::vector<PlUnitArgument> params;
};
// The public overloads of owner.package.member, from the catalog.
std::vector<PlCandidate> plsql_package_members(sqlite3* db, const std::string& owner, const std::string& package,
                                               const std::string& member);
// The status and source of a stored object of the given type; false when none.
bool plsql_object_load(sqlite3* db, const std::string& owner, const std::string& name, const std::string& type,
                       std::string* status, std::string* source);
// Loads and compiles owner.package (header and body) for running. Fails with
// ORA-04063 when it is invalid and does not compile, ORA-06508 when it is missing.
bool plsql_package_load(sqlite3* db, const PlCompileContext& ctx, const std::string& owner, const std::string& package,
                        PlProgram* program, PlError* err);
// Makes a stored unit that is INVALID because something it uses changed valid again by
// compiling it; false when it still has errors (they are stored).
bool plsql_unit_revalidate(sqlite3* db, const std::string& nls_date_format, const std::string& owner,
                           const std::string& name);
// Marks the units that use owner.name INVALID (and what uses them, in turn).
void plsql_invalidate_dependants(sqlite3* db, const std::string& owner, const std::string& name);
// The parameters of a standalone unit in order.
std::vector<PlUnitArgument> plsql_unit_arguments(sqlite3* db, const std::string& owner, const std::string& name);
// The type, status and source of a stored procedure or function; false when none.
bool plsql_unit_load(sqlite3* db, const std::string& owner, const std::string& name, std::string* type,
                     std::string* status, std::string* source);

// A stored procedure or function compiled for a session. It is kept while the catalog's
// generation stays and the session's date format is the one it was compiled with; one
// that is running (busy) is not run again from inside itself: a recursive call gets a
// copy of its own.
struct PlCachedUnit {
    std::string type;  // PROCEDURE or FUNCTION
    std::string nls_date_format;
    std::string sql_schema;  // an invoker's-rights unit: the caller schema it was compiled for
    PlProgram program;
    bool busy = false;
};
// Marks a cached unit as running for the life of the object.
class BusyUnit {
public:
    explicit BusyUnit(PlCachedUnit* u) : u_(u), was_(u->busy) { u_->busy = true; }
    ~BusyUnit() { u_->busy = was_; }
    BusyUnit(const BusyUnit&) = delete;
    BusyUnit& operator=(const BusyUnit&) = delete;

private:
    PlCachedUnit* u_;
    bool was_;
};
enum class PlUnitState {
    Ready,    // compiled
    Missing,  // no such procedure or function
    Invalid,  // INVALID and still has errors when compiled again
    Broken,   // stored VALID but does not compile
};
// The compiled form of stored procedure or function owner.name for the session: from
// the session's cache, or loaded (made valid again first when a unit it depends on
// changed and marked it INVALID through the dependency records) and compiled. Null
// unless *state is Ready.
std::shared_ptr<PlCachedUnit> plsql_unit_program(SessionHandle* ses, const std::string& owner, const std::string& name,
                                                 PlUnitState* state);

// The compiled form of package owner.package (header and body) for the session, kept
// like stored procedures (per catalog generation and date format; a busy one is not
// shared with a call from inside itself). Null with *err (ORA-04063, ORA-06508 ...) when
// it cannot be loaded.
std::shared_ptr<PlCachedUnit> plsql_package_program(SessionHandle* ses, const std::string& owner,
                                                    const std::string& package, PlError* err);

// The translator's question: is owner.name a valid stored function, and of what type.
// object_type receives "OWNER.NAME" when the result is of a schema-level collection type,
// "OWNER.PACKAGE.TYPE" when of a package's collection type SQL can read.
bool plsql_function_lookup(void* db, const std::string& owner, const std::string& name, OraType* ret,
                           std::string* object_type);
// Whether "OWNER.NAME" (a catalog type name) is a type of that schema, not a package's type.
bool plsql_schema_type(sqlite3* db, const std::string& qualified);
// Whether "OWNER.NAME" is a schema-level object type (AS OBJECT): its values are single
// values (constructor texts), not whole variables as records and collections are.
bool plsql_object_type_name(sqlite3* db, const std::string& qualified);
// Whether type, a result type as USER_ARGUMENTS names it ("PACKAGE.TYPE" of owner's or
// "OWNER.PACKAGE.TYPE"), is a package's collection type that SQL can read; qualified is
// then "OWNER.PACKAGE.TYPE".
bool plsql_package_collection(sqlite3* db, const std::string& owner, const std::string& type,
                              std::string* qualified);
// Runs a function (a package's subprogram when sub is given, with the package state
// pkg_values) inside a running SQL statement.
bool plsql_run_function(SessionHandle* ses, PlProgram* program, const PlSubprogram* sub,
                        std::vector<PlValue>* pkg_values, const std::vector<PlValue>& args,
                        const std::vector<bool>& given, PlValue* result, PlError* err);
struct PlPackageState;
// The session's state of package "OWNER.NAME" for a call from SQL; program receives the
// compiled package.
PlPackageState* plsql_package_state(SessionHandle* ses, const std::string& qualified,
                                    std::shared_ptr<PlCachedUnit>* program, PlError* err);
// Runs local function index of the program of the innermost running block with args
// (fewer than its parameters: the rest take their defaults), for an expression.
// type, when given, receives the function's result type.
// given, when not null, says which parameters args gives (args then holds one value per
// parameter).
bool plsql_run_local(SessionHandle* ses, int index, const std::vector<PlValue>& args, PlValue* result, PlError* err,
                     OraType* type = nullptr, const std::vector<bool>* given = nullptr);
// Reads ahead the remaining rows of the session's open PL/SQL cursors (of the blocks
// running and of packages), after which their statements read no table; true when there
// was any. SQLite drops no table or index while a statement of the connection reads one.
bool plsql_buffer_cursors(SessionHandle* ses);
// Local function index of the program of the innermost running block; null when none.
const PlSubprogram* plsql_running_local(SessionHandle* ses, int index);
// Matches a call's arguments to params: names holds each argument's parameter name in
// named notation, empty for one by position. slots receives each argument's parameter.
// False when they do not fit: too many, an unknown name, a parameter given twice, or one
// without a default left out.
bool plsql_arguments_fit(const std::vector<PlParam>& params, const std::vector<std::string>& names,
                         std::vector<std::size_t>* slots = nullptr);
// The name under which an expression calls a local function: "VANTRO$LOCAL.<place>".
inline const char* const kPlLocalPrefix = "VANTRO$LOCAL.";
// The translator's hook for the PL/SQL declarations of a WITH clause (data: the
// StmtHandle whose text holds them): compiles them as a unit of the statement's own.
bool plsql_with_declarations(void* data, std::uint32_t begin, std::uint32_t end, std::string* unit,
                             std::map<std::string, OraType>* functions, OraError* err);
// Drops what plsql_with_declarations compiled for statement s.
void plsql_with_release(SessionHandle* ses, const StmtHandle* s);
// Hands what one holder (a statement handle or an open cursor) compiled for its WITH
// clause over to another, which keeps the query's rows now; the last holder releases it.
void plsql_with_move(SessionHandle* ses, const void* from, const void* to);
void plsql_with_release_holder(SessionHandle* ses, const void* holder);
// Registers vantro_plsql_call(owner, name, args...), which runs a stored function.
bool plsql_functions_register(sqlite3* db, SessionHandle* session);
// vantro_xmlgen(query): DBMS_XMLGEN.GETXML's rows of the query as XML (plsql_xmlgen.cpp).
bool plsql_xmlgen_register(sqlite3* db, SessionHandle* session);
struct PlXmlgenContext;
// The DBMS_XMLGEN context of handle number v (a PL/SQL argument's value); null with
// ORA-19202 in err when no context of the session has it.
PlXmlgenContext* plsql_xmlgen_context(SessionHandle* session, double v, PlError* err);

// --- Triggers -------------------------------------------------------------------------

// Runs CREATE [OR REPLACE] TRIGGER, ALTER TRIGGER or DROP TRIGGER, after the OCI surface
// committed the open transaction.
sword plsql_trigger_ddl(StmtHandle* s, OCIError* errhp);
// Drops the triggers of a table that was dropped.
void plsql_table_dropped(sqlite3* db, const std::string& owner, const std::string& table);
// Makes the connection's firing triggers match the stored ones (before any DML).
bool plsql_triggers_sync(SessionHandle* ses, OraError* err);
// True when the table of a DML statement has enabled statement triggers for it.
bool plsql_has_statement_triggers(SessionHandle* ses, const Translation& tr);
// Fires the statement triggers of a DML statement (its translation);
// false with err when one fails.
bool plsql_statement_triggers(SessionHandle* ses, const Translation& tr, PlTriggerTiming timing, OraError* err);
// Registers vantro_fire_trigger, which the connection's firing triggers call.
bool plsql_triggers_register(sqlite3* db, SessionHandle* session);
// Runs a trigger body: old_values and new_values in the order of the table's columns
// (empty for statement triggers); new_values comes back as the body left :NEW. fired is
// false when the WHEN condition was not true.
bool plsql_run_trigger(SessionHandle* ses, PlProgram* program, const std::string& event,
                       std::vector<PlValue>* old_values, std::vector<PlValue>* new_values, bool* fired, PlError* err);
// Around each DML statement (its translation): what UPDATING('column') asks.
void plsql_dml_begin(SessionHandle* ses, const Translation& tr);
void plsql_dml_end(SessionHandle* ses);
// Before an INSERT ... RETURNING runs: rows that BEFORE row triggers store again give
// their RETURNING values too.
void plsql_returning_expect(SessionHandle* ses, const Translation& tr);
// After it ran: a statement positioned on the first such row's values (the caller
// finalizes it) and the number of rows; null when there were none.
sqlite3_stmt* plsql_returning_rows(SessionHandle* ses, int* count);
// Rows stored again by BEFORE row triggers since the last call (added to a statement's
// row count), reset.
std::int64_t plsql_take_redone_rows(SessionHandle* ses);

// One DML statement with its table's triggers, the same for the OCI surface and for
// static SQL in PL/SQL: the statement triggers before and after it under a savepoint
// (what they change belongs to the statement, so any failure undoes it too), the
// UPDATING('column') state around it, and the rows BEFORE row triggers stored again.
struct TriggeredDml {
    // Opens the transaction the savepoint lives in (may be empty); false when it failed
    // and reported its own error.
    std::function<bool()> begin;
    // Runs the statement itself; false when it failed and reported its own error.
    std::function<bool()> run;
    // Inside a running SQL statement, whose own undo covers the triggers: no savepoint.
    bool in_statement = false;
    // Inside a PL/SQL unit: the redone-row count of an enclosing statement is kept.
    bool keep_outer_rows = false;
};
// False when the statement or a trigger failed: err is set when the triggers (or the
// savepoint) failed, and stays code 0 when begin or run reported the failure. redone:
// the rows BEFORE row triggers stored again, to add to the statement's row count.
bool plsql_run_triggered_dml(SessionHandle* ses, const Translation& tr, const TriggeredDml& dml, std::int64_t* redone,
                             OraError* err);

// --- DBMS_OUTPUT --------------------------------------------------------------------

struct DbmsOutput {
    bool enabled = false;
    std::size_t limit = 20000;  // bytes; 0: unlimited
    std::size_t used = 0;
    std::vector<std::string> lines;  // complete lines not yet read
    std::string partial;             // text put since the last complete line
    std::size_t next = 0;            // the next line GET_LINE returns
    bool reading = false;            // a GET has happened since the last PUT
};

// The fetch state of a declared cursor.
struct PlCursorState {
    bool open = false;
    int found = -1;  // -1 before the first fetch
    std::int64_t rowcount = 0;
    PlValue current_rowid;            // FOR UPDATE: the rowid of the row fetched last
    std::uint64_t opened_in_txn = 0;  // ... and the session's transaction count at OPEN
};

// An open cursor of a package's declarations: its query's statement (owned) and row.
struct PlPackageCursor {
    PlCursorState cs;
    sqlite3_stmt* vm = nullptr;
    Translation tr;
    int hidden = 0;           // trailing columns that are not the query's (the FOR UPDATE rowid)
    bool for_update = false;  // fetches only within the transaction that opened it
    PlPackageCursor() = default;
    PlPackageCursor(const PlPackageCursor&) = delete;
    PlPackageCursor& operator=(const PlPackageCursor&) = delete;
    ~PlPackageCursor() {
        if (vm) sqlite3_finalize(vm);
    }
};

struct PlPackageState {
    std::string stamp;  // the sources the state was built from
    bool initialized = false;
    std::vector<PlValue> values;
    std::map<int, std::unique_ptr<PlPackageCursor>> cursors;  // by the cursor's place in the package
};

// A row a BEFORE row trigger changed, being stored again with its new values: the
// triggers that already ran for it do not run a second time.
struct PlTriggerRedo {
    std::string table;  // "OWNER.TABLE"
    std::set<std::string> fired;
};

struct CompiledTrigger;
// One enabled statement trigger as the catalog lists it.
struct PlStatementTrigger {
    std::string owner, name, type, event, table_owner, table, update_columns;
};
using PlTriggerCache = std::map<std::string, std::shared_ptr<CompiledTrigger>>;

// The cursor a cursor variable refers to: an open query of the session, its rows read by
// FETCH. Cursor variables hold its id; assignment copies the id, so both refer to it.
struct PlRefCursor {
    sqlite3_stmt* vm = nullptr;
    std::string text;
    Translation tr;
    int found = -1;  // -1 before the first fetch
    std::int64_t rowcount = 0;
    PlRefCursor() = default;
    PlRefCursor(const PlRefCursor&) = delete;
    PlRefCursor& operator=(const PlRefCursor&) = delete;
    ~PlRefCursor() {
        if (vm) sqlite3_finalize(vm);
    }
};

struct PlAutonomous;  // plsql_autonomous.cpp

// A DBMS_XMLGEN context (NEWCONTEXT): its query and the settings its GETXML calls use.
struct PlXmlgenContext {
    std::string query;
    std::string rowset_tag = "ROWSET";  // empty: no enclosing element
    std::string row_tag = "ROW";        // empty: no element per row
    std::int64_t max_rows = -1;         // -1: every row
    std::int64_t skip_rows = 0;
    int null_handling = 0;              // 0 DROP_NULLS, 1 NULL_ATTR, 2 EMPTY_TAG
    std::int64_t consumed = 0;          // rows the earlier GETXML calls took
    std::int64_t processed = 0;         // rows the last GETXML call wrote
};

struct PlSessionState {
    DbmsOutput output;
    // DBMS_XMLGEN's open contexts by handle; CLOSECONTEXT takes one out.
    std::map<std::int64_t, PlXmlgenContext> xmlgen_contexts;
    std::int64_t next_xmlgen_context = 0;
    // The open cursors of cursor variables by id; CLOSE, a hand-over to the caller's
    // statement handle and the end of the client's block take them out.
    std::map<std::int64_t, std::unique_ptr<PlRefCursor>> ref_cursors;
    std::int64_t next_ref_cursor = 0;
    std::shared_ptr<PlTriggerCache> triggers = std::make_shared<PlTriggerCache>();  // compiled, by "OWNER.NAME"
    int call_depth = 0;                                                             // PL/SQL unit calls running, nested
    int sql_levels = 0;  // SQL statements of PL/SQL running inside one another (kPlMaxSqlLevels)
    int trigger_depth = 0;  // trigger bodies running: they may not end the transaction
    std::uintptr_t stack_base = 0;                   // where the current stack's calls began
    bool on_fresh_stack = false;                     // that stack is one of kPlStackBytes
    std::map<std::string, PlPackageState> packages;  // by "OWNER.PACKAGE"
    std::vector<PlTriggerRedo> redo;
    std::int64_t redone_rows = 0;          // rows stored again by BEFORE row triggers
    bool triggers_silenced = false;        // a TRUNCATE runs: the firing triggers do nothing
    std::string trigger_signature;         // what the connection's firing triggers were made from
    std::uint64_t trigger_generation = 0;  // the catalog generation the firing triggers were checked in
    // The enabled statement triggers of the catalog generation statement_triggers_generation.
    std::uint64_t statement_triggers_generation = 0;
    std::vector<PlStatementTrigger> statement_triggers;
    // Compiled stored procedures and functions (by "OWNER.NAME") of one catalog generation.
    std::uint64_t units_generation = 0;
    std::map<std::string, std::shared_ptr<PlCachedUnit>> units;
    // Anonymous blocks the client ran, compiled, of one catalog generation, by schema, date
    // format and text: a console runs the same few blocks again and again (its fetch of
    // DBMS_OUTPUT lines after every statement), and compiling one costs more than running it.
    std::uint64_t blocks_generation = 0;
    std::map<std::string, std::shared_ptr<PlCachedUnit>> blocks;
    // The PL/SQL declarations of the WITH clauses of open statements, compiled for the
    // statement's life: by "OWNER.VANTRO$WITHn", with the statement handle they belong to.
    std::map<std::string, std::pair<const void*, std::shared_ptr<PlCachedUnit>>> with_units;
    std::uint64_t with_serial = 0;
    // An INSERT ... RETURNING whose rows BEFORE row triggers store again: the table, the
    // RETURNING expressions, and the rows they gave for the rows stored again.
    std::string returning_table;
    std::string returning_sql;
    std::vector<std::vector<PlValue>> returned;
    // The columns each running UPDATE sets (innermost last), for UPDATING('column').
    std::vector<std::vector<std::string>> set_columns;
    std::vector<bool> single_row_insert;  // ... and whether it is an INSERT ... VALUES
    // Tables whose row triggers are running ("OWNER"."TABLE" as the translator writes
    // it): SQL run by a trigger may not read them.
    std::vector<std::string> mutating;
    // The interpreters running blocks, innermost last: a local function named in an
    // expression is run by the innermost one, whose program declares it.
    std::vector<void*> running;
    // The error a local function raised inside an expression, handed to the interpreter
    // whole (its exception's identity included) instead of as SQLite's error text.
    bool local_failed = false;
    PlError local_error;
    std::shared_ptr<PlAutonomous> autonomous;  // autonomous units running and committed
    // Why the last compile of an invoker's-rights unit for its caller's schema failed, as
    // its statement raises it at run time (ORA-00942 for a table the caller lacks).
    PlError invoker_failure;
};

PlSessionState* plsql_session(SessionHandle* s);

// Autonomous transactions (plsql_autonomous.cpp). enter/leave bracket a unit with
// PRAGMA AUTONOMOUS_TRANSACTION; leave fails with ORA-06519 when a unit that did not
// fail ends with changes it neither committed nor rolled back (they are rolled back).
bool plsql_autonomous_install(sqlite3* db);  // at logon: the table of commit marks
bool plsql_autonomous_enter(SessionHandle* ses, PlError* err);
bool plsql_autonomous_leave(SessionHandle* ses, bool failed, PlError* err);
// The innermost running unit is autonomous inside its caller's transaction: its COMMIT
// and ROLLBACK go to plsql_autonomous_end, not to the session.
bool plsql_autonomous_owns_savepoint(SessionHandle* ses);
// True while a trigger body runs outside an autonomous unit of its own: COMMIT, ROLLBACK,
// SAVEPOINT and DDL are refused there (ORA-04092).
bool plsql_trigger_forbids_transaction_end(SessionHandle* ses);
bool plsql_autonomous_end(SessionHandle* ses, bool commit, PlError* err);
// The unit's own savepoints; rollback_to is false for a savepoint the unit did not take.
void plsql_autonomous_savepoint(SessionHandle* ses, const std::string& name);
bool plsql_autonomous_rollback_to(SessionHandle* ses, const std::string& name);
// The unit's changes so far, and forgetting those a failed statement took back.
std::size_t plsql_autonomous_mark(SessionHandle* ses);
void plsql_autonomous_forget_since(SessionHandle* ses, std::size_t mark);
// Writes again what autonomous units committed and the caller's rollbacks undid since;
// drops the record of it once the caller's transaction is over. Cheap when there is none.
bool plsql_autonomous_restore(SessionHandle* ses, OraError* err);
// The count of autonomous commits so far, and the repair after a statement that failed
// once that count was since: what those commits wrote and the statement's undo took back
// is written again.
std::int64_t plsql_autonomous_seq(SessionHandle* ses);
bool plsql_autonomous_statement_failed(SessionHandle* ses, std::int64_t since, OraError* err);

// PL/SQL units calling each other (or themselves) nest up to this many calls; the next
// one raises ORA-00036. When the calls have used kPlStackBudget bytes of the stack they
// started on, they go on on a fresh stack of kPlStackBytes, so the depth is bounded by
// memory and this limit, not by the stack of the thread that made the first call. The calls
// use half of each fresh stack before going on to the next.
constexpr int kPlMaxCallDepth = 20000;
// SQL statements that PL/SQL runs (SELECT INTO, DML, EXECUTE IMMEDIATE, FORALL) nest when
// a function their SQL calls, or a trigger they fire, runs SQL again: at most this many
// levels, the next one raises ORA-00036 as Oracle's limit of recursive SQL levels does.
constexpr int kPlMaxSqlLevels = 50;
// One collection holds at most this many elements (a few hundred bytes each in memory);
// EXTEND, an assignment, PIPE ROW or BULK COLLECT beyond it raises STORAGE_ERROR
// (ORA-06500) instead of taking the process's memory.
constexpr std::int64_t kPlMaxCollectionElements = std::int64_t{1} << 22;
constexpr std::size_t kPlStackBudget = std::size_t{256} << 10;
constexpr std::size_t kPlStackBytes = std::size_t{64} << 20;
// Runs body as one more level of unit calls; false with *err when it fails or the depth
// limit is reached.
bool plsql_nested_call(SessionHandle* ses, const std::function<bool(PlError*)>& body, PlError* err);

// The DBMS_OUTPUT procedures. Failures fill err (ORA-20000 with the ORU- text).
void dbms_output_enable(DbmsOutput* o, bool unlimited, std::int64_t size);
void dbms_output_disable(DbmsOutput* o);
bool dbms_output_put(DbmsOutput* o, const std::string& text, PlError* err);
bool dbms_output_new_line(DbmsOutput* o, PlError* err);
// One line: false when none is left (status 1).
bool dbms_output_get_line(DbmsOutput* o, std::string* line);
