// The PL/SQL parser's shared parts: the Parser class whose block and statement half
// lives in plsql_parser.cpp and whose stored-unit half (packages, subprograms, trigger
// bodies, calls of stored procedures) lives in plsql_parser_units.cpp. Internal to those
// two files; the rest of the engine uses plsql.h.
#pragma once

#include "plsql/plsql.h"
#include "sql/sql_ast.h"
#include "sql/sql_translate.h"
#include "sql/sql_type_details.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Records PLS-00201 for each GOTO of program whose label does not exist and PLS-00375
// for one whose label it cannot reach (plsql_parser_goto.cpp).
void plsql_check_gotos(PlProgram* program);

namespace plsql_parsing {

// Thrown inside the parser only, when the grammar cannot go on.
struct SyntaxStop {};

enum class SymKind { Var, Cursor, Exception, Type, Local };

struct Symbol {
    SymKind kind = SymKind::Var;
    int index = 0;  // a variable's slot, a cursor's or a type's place in the program
    PlExceptionInfo exception;
    std::vector<int> locals;  // a local subprogram's overloads: their places in the program's locals
};

inline OraType number_type(int precision = 0, int scale = 0) {
    OraType t;
    t.code = kTypeNumber;
    t.size = 22;
    t.precision = static_cast<std::int16_t>(precision);
    t.scale = static_cast<std::int8_t>(scale);
    return t;
}

// A fresh user_id for an exception a block or unit declares: different from every other
// program's, so that a unit's own exception is not caught by a caller's handler for an
// exception that happens to have the same place in its declarations.
int next_exception_id();
// The user_id of a package's exception: the same in every program that names it.
int package_exception_id(const std::string& owner, const std::string& package, const std::string& name);
// The family a declared or catalog type name belongs to, for matching overloads.
std::string argument_family(const std::string& type);

// What the translator asks while a package body compiles: its own functions first.
struct FunctionLookup {
    sqlite3* db = nullptr;
    const PlProgram* package = nullptr;
    PlProgram* program = nullptr;  // records the stored functions it uses
    std::string schema;            // of the program: a unit may call itself
    std::string nls_date_format;
    std::string invalid;     // a function found but invalid
    bool whole = false;      // a function found whose result is a record or collection
    bool pipelined = false;  // a pipelined function found: SQL's TABLE() alone reads it
};

// Whether stored function owner.name ("PACKAGE.MEMBER" for a package's) is pipelined.
bool stored_pipelined(sqlite3* db, const std::string& owner, const std::string& name);

// The translator's question while a unit compiles: data is a FunctionLookup.
bool lookup_function(void* data, const std::string& owner, const std::string& name, OraType* ret,
                     std::string* object_type);

// "1..9" tokenizes as "1", ".", ".9": gives the range operator its second dot back.
void split_range_dots(std::vector<Token>* tokens);
// Tokens of text with the range operator mended, or a compile error in program.
bool tokens_of(const std::string& text, std::vector<Token>* tokens, PlProgram* program);
// Parses a package header; symbols gets its public names.
void compile_package_header(const std::string& text, const PlCompileContext& ctx, PlProgram* program,
                            std::map<std::string, Symbol>* symbols);

class Parser {
public:
    Parser(const std::string& text, const std::vector<Token>& tokens, const PlCompileContext& ctx, PlProgram* prog,
           const std::map<std::string, Symbol>* globals = nullptr)
        : text_(text), t_(tokens), ctx_(ctx), prog_(prog) {
        if (globals) scopes_.push_back(*globals);
    }

    const std::map<std::string, Symbol>& globals() const { return scopes_.front(); }

    void program();

    // The WHEN condition of a row trigger, the whole token list.
    void when_condition();

    // PROCEDURE name [(params)] IS|AS ... or FUNCTION name [(params)] RETURN type IS|AS ...
    void unit();

    // PACKAGE name IS|AS declarations END [name]; (the header), or
    // PACKAGE BODY name IS|AS declarations and subprograms [BEGIN statements] END [name];
    void package(bool body);
    // The FUNCTION and PROCEDURE declarations of a query's WITH clause, as the
    // subprograms of a package body named unit without a header.
    void with_declarations(const std::string& unit);

private:
    enum class DeclMode { Block, Header, Body };

    // [PROCEDURE|FUNCTION] name [(params)] [RETURN type]: declares the parameters in the
    // current scope.
    void subprogram_header(PlSubprogram* sub);

    // Same name and the same parameters (names, modes and declared types) and result.
    static bool same_heading(const PlSubprogram& a, const PlSubprogram& b);

    // A subprogram of a package: a declaration in the header, a forward
    // declaration or a definition in the body.
    void package_subprogram(DeclMode mode);

    // --- Local subprograms (plsql_parser_locals.cpp) --------------------------------------

    // PROCEDURE or FUNCTION in a block's declare section: a forward declaration or a
    // definition, declared in the current scope.
    void local_subprogram();
    // The local subprogram declared by forward declaration sym that sub defines; -1 when none.
    int forward_declared(const Symbol& sym, const PlSubprogram& sub) const;
    // Forward declarations of the current scope whose bodies never came: PLS-00328.
    void undefined_locals();
    // The local procedures of sym as call candidates (subprogram_id: the place in locals).
    void local_candidates(const Symbol& sym, std::vector<PlCandidate>* out) const;
    // name(args) in an expression (arg_names: the parameter name of each argument, empty
    // by position; a bare name: path null) when name is a local subprogram: the overload
    // that fits, named in *path for the translator, or its call as out's SQL when it takes
    // no arguments. Resolved after an error was recorded.
    // args, when given, are the call's arguments: several overloads that take their number
    // are told apart by the types the arguments show (expression_family).
    NameHook::Answer local_function(const Symbol& sym, const std::string& name,
                                    const std::vector<std::string>& arg_names, const std::vector<ExprPtr>* args,
                                    std::uint32_t offset, std::vector<std::string>* path, NameResolution* out);
    // The type family (NUMBER, CHAR, DATE) an argument's form shows, "" when it shows none.
    std::string expression_family(const Expr& e) const;
    bool in_sql_ = false;                  // a SQL statement is being translated, not a PL/SQL expression
    PlCursorInfo* cursor_decl_ = nullptr;  // the cursor whose query is being compiled
    // SELECT ... FOR UPDATE of a cursor: adds the rowid of the table it changes as a last
    // select item, when that is a table of the query (true when added).
    bool add_current_rowid(SelectStmt& q);

    // :NEW.column and :OLD.column of a trigger, and INSERTING, UPDATING and DELETING.
    void trigger_variables();

    // The slot of :NEW.column or :OLD.column (NEW.column in a WHEN condition) at token k;
    // -1 when the tokens are not such a reference, -2 after an error was recorded.
    int trigger_reference(std::size_t k, std::size_t b, bool colon);
    const std::string& text_;
    const std::vector<Token>& t_;
    const PlCompileContext& ctx_;
    PlProgram* prog_;
    // The errors semantic_error recorded (statements with a wrong name or type), by
    // position in prog_->errors: a syntax error found later replaces them.
    std::vector<std::size_t> statement_errors_;
    std::size_t i_ = 0;
    bool unconstrained_ = false;  // parameter types take no length
    std::string last_type_name_;
    // The schema-level object type type_spec read last ("OWNER.NAME"), which add_var gives
    // a variable of kTypeObject.
    std::string last_object_type_;
    // The PL/SQL collection types this unit's SQL names (sql_collection_type), by the name
    // SQL knows them by.
    std::map<std::string, PlVarInfo> sql_types_;

    // --- Variables of schema-level object types (plsql_parser_objects.cpp) -------------

    // type_spec's name (at i_ its optional ".name") when it is a schema-level object type
    // of plain attributes: the type of a variable holding its constructor text.
    bool object_type_spec(const std::string& first, OraType* type);
    // The declaration of object type "OWNER.NAME" when its attributes are NUMBER, VARCHAR2
    // or CHAR (the values the constructor text keeps); false otherwise.
    bool object_type_decl(const std::string& qualified, ObjectTypeDecl* decl) const;
    // Whether name is a variable of an object type (not a collection of objects).
    bool object_variable(const std::string& name) const;
    // Whether object type "OWNER.NAME" has the attribute; PLS-00302 at offset when not.
    bool object_attribute_known(const std::string& object_type, const std::string& attribute, std::uint32_t offset);
    // A name that reads an object variable whole (path of one) or one of its attributes.
    NameHook::Answer object_reference(const Expr& e, int slot, PlSql* q, NameResolution* out);
    // The attribute of object variable v named by token f, set as the target's attribute.
    void object_attribute_target(const std::string& object_type, const Token& f, PlTarget* tg,
                                 std::uint32_t stmt_offset);
    // A value assigned to variable info (or to an element of its collection, element
    // true): an object variable takes an object of its type or NULL, any other variable
    // no object (PLS-00382 at the value).
    void object_value_check(const PlVarInfo& info, bool element, const PlSql* q, std::size_t value_at,
                            std::size_t value_end, std::uint32_t so);
    // The tokens [first, second) of the object a member procedure is called on (before its
    // "."), an argument of the call: expressions and targets read them only.
    std::pair<std::size_t, std::size_t> object_arg_{static_cast<std::size_t>(-1), 0};
    // The methods object type "OWNER.NAME" declares; false when it is no object type.
    bool type_methods(const std::string& qualified, TypeDetails* details) const;
    // Inside a member method or constructor of the object type being compiled: the slot of
    // SELF; -1 elsewhere.
    int self_slot() const;
    // Whether name, which no declaration has, is an attribute of SELF.
    bool self_attribute(const std::string& name) const;
    // object.method(args) of an object variable in expression e (path object and method):
    // the call of the type's method with the object as SELF, named in *path.
    // PLS-00302 when the type declares no such member method.
    NameHook::Answer object_method_call(Expr& e, std::vector<std::string>* path, NameResolution* out,
                                        const PlVarInfo* package_object = nullptr);
    // object.method without parentheses (a function of no arguments): its call as out's SQL;
    // NotMine when the type has no such function.
    // The call around a bound object that makes it method's value when method is a member
    // function of object_type taking no arguments (out's wrap, type and object_type).
    bool method_wrap(const std::string& object_type, const std::string& method, NameResolution* out);
    NameHook::Answer object_method_value(const std::string& object_type, const std::string& method, int slot,
                                         PlSql* q, NameResolution* out);
    // The REF CURSOR type type_spec read last: strong_cursor and cursor_row only.
    PlVarInfo last_cursor_;
    std::vector<std::map<std::string, Symbol>> scopes_;
    bool in_function_ = false;  // RETURN needs a value
    bool pipelined_ = false;    // ... unless the function is pipelined: PIPE ROW fills its result
    // The result variable of the function being read when it is a record or collection:
    // RETURN then takes a whole variable of its type.
    int whole_result_ = -1;
    struct HeaderInfo {
        PlProgram program;
        std::map<std::string, Symbol> symbols;
    };
    std::map<std::string, std::shared_ptr<HeaderInfo>> headers_;  // package headers read
    std::uint32_t statement_offset_ = 0;  // where the statement or declaration being read starts
    bool when_mode_ = false;              // NEW and OLD without a colon name the trigger's row
    // Statements nested inside each other (blocks, IFs, loops, CASE): beyond the limit
    // the compile stops with PLS-00102 instead of exhausting the stack.
    static constexpr int kMaxNesting = 255;
    int nesting_ = 0;

    const Token& peek(std::size_t ahead = 0) const;
    bool is_word(const char* w, std::size_t ahead = 0) const;
    bool is_op(const char* op, std::size_t ahead = 0) const;
    void position(std::uint32_t offset, int* line, int* column) const { plsql_position(text_, offset, line, column); }

    [[noreturn]] void expected(const std::string& what, const Token& at);
    void expect_op(const char* op);
    void expect_word(const char* w);
    std::string identifier();

    // An error of a declaration's constraint (a length, precision or code out of range),
    // reported at its token and alone, as Oracle reports it.
    void declaration_error(std::uint32_t offset, const std::string& text);
    void semantic_error(std::uint32_t offset, const std::string& text, std::uint32_t stmt_offset,
                        const char* ignored = "PL/SQL: Statement ignored");

    const Symbol* lookup(const std::string& name) const;

    int add_var(const std::string& name, const OraType& type, bool boolean);

    // collections: the collection type of each field that has one (a record type's).
    int add_record(const std::string& name, const std::vector<ColumnInfo>& columns,
                   const std::vector<std::shared_ptr<const PlVarInfo>>* collections = nullptr);

    void declare(const std::string& name, const Symbol& sym) { scopes_.back()[name] = sym; }

    // A public item of package pkg of the schema (this package's own items when it is
    // the one compiling): its symbol, and the header it was found in.
    bool package_symbol(const std::string& pkg, const std::string& name, Symbol* sym, const PlProgram** header);

    // A public variable of a package: its slot there (-1 when none) and declaration; own
    // when it belongs to the package being compiled.
    int package_variable(const std::string& pkg, const std::string& name, PlVarInfo* info, bool* own);
    // pkg.c or owner.pkg.c naming a cursor of a package header: this package's own cursor,
    // or a stand-in cursor of this program for another package's (one per cursor named).
    // -1 when the names are no package's (quiet only; otherwise PLS-00201 is recorded);
    // -2 after an error was recorded (no package of that name, a package without that
    // cursor, another schema's without EXECUTE on it), unless quiet.
    int package_cursor(const std::vector<std::string>& parts, std::uint32_t offset, std::uint32_t so, bool quiet);
    // package_cursor without its PLS-00201 for names that are no package's (-1 then).
    int package_cursor_lookup(const std::vector<std::string>& parts, std::uint32_t offset, std::uint32_t so,
                              bool quiet);
    std::map<std::string, int> package_cursors_;  // stand-ins by "OWNER.PACKAGE.CURSOR"
    // The row of declared cursor c: its query's columns, or the row its header declares.
    bool cursor_columns(int c, std::vector<ColumnInfo>* cols) const;
    // Words joined by "." from the token ahead (nothing read): their number of tokens.
    std::size_t dotted_ahead(std::vector<std::string>* parts) const;
    // True when pkg is a package of the schema with no public item or function named name.
    bool package_lacks(const std::string& pkg, const std::string& name);

    // The collection types of DBMS_OUTPUT.GET_LINES: DBMS_OUTPUT.CHARARR (index-by) and
    // [SYS.]DBMSOUTPUT_LINESARRAY (a varray). Reads the type name when it is one.
    // A supplied package's collection type named at the parser's place (DBMS_OUTPUT.CHARARR,
    // DBMS_UTILITY.UNCL_ARRAY ...): its kind, its element's size and its name; None otherwise.
    PlCollection collection_type(std::uint32_t* element_size, std::string* type_name);

    // --- References of a statement, bound by name -----------------------------------------

    int add_ref(PlSql* q, const PlRef& r, const OraType& type);

    static int record_field(const PlVarInfo& rec, const std::string& field);

    PlSql* new_sql(std::size_t at);

    // --- Expressions as syntax trees ----------------------------------------------------
    // Tokens [a, b) parsed as one expression by the SQL parser and translated once, the
    // block's names resolved through the translator's hook (plsql_names.cpp).
    void compile_expression(std::size_t a, std::size_t b, PlSql* q, std::uint32_t stmt_offset, bool condition);
    void compile_tree(ExprPtr& e, PlSql* q, std::uint32_t stmt_offset, bool condition);
    // The tokens of ranges, one after the other, as one SQL statement into q: a column of
    // the statement's tables wins over a PL/SQL name.
    // tail: tokens put after the ranges (the placeholders standing for RETURNING INTO
    // targets).
    void compile_statement(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, PlSql* q,
                           std::uint32_t stmt_offset, const std::vector<Token>& tail = {});
    TranslateContext translate_context(PlSql* q, FunctionLookup* lookup) const;
    void translate_error(const OraError& err, std::uint32_t where, const FunctionLookup& lookup,
                         std::uint32_t stmt_offset, bool statement);
    friend class ExprNames;
    NameHook::Answer resolve_name(const Expr& e, PlSql* q, NameResolution* out);
    NameHook::Answer record_fields(const Expr& e, std::vector<std::string>* fields);
    // Whether SQL takes a whole collection of v's type (TABLE(v), MEMBER OF v ...), and the
    // name SQL knows its type by: a schema's type by its own name; a block's or package's
    // nested table, varray or associative array indexed by integers, of scalars SQL keeps,
    // of records of such fields or of a schema-level object type, by a name of its own
    // that sql_type_declaration describes.
    bool sql_collection_type(const PlVarInfo& v, std::string* object_type);
    bool sql_type_declaration(const std::string& object_type, ObjectTypeDecl* decl) const;
    // The slot of record.field when the record's field is of a collection type; -1 otherwise.
    int record_collection_field(const std::string& record, const std::string& field) const;
    // Declares the collection fields of the record variable in slot by their paths.
    void declare_collection_fields(const std::string& name, int slot);
    NameHook::Answer resolve_call(Expr& e, std::vector<std::string>* path, PlSql* q, NameResolution* out);
    NameHook::Answer bulk_attribute(Expr& e, PlSql* q, NameResolution* out);
    // The type of a collection's subscripts (FIRST, LAST, NEXT, PRIOR).
    static OraType collection_key_type(const PlVarInfo& v);
    // collection(i) or collection.method(i) as a bound reference of q.
    void collection_reference(Expr& e, PlRefKind kind, const std::string& method, int slot, const OraType& type,
                              PlSql* q, NameResolution* out);
    // collection(i).field of a collection of records as a bound reference of q.
    NameHook::Answer element_field_reference(Expr& e, int slot, PlSql* q, NameResolution* out);
    // A variable's slot as a bound reference of q.
    void variable_resolution(int slot, PlSql* q, NameResolution* out);
    // The slot of NEW.column or OLD.column named at offset; -2 after an error was recorded.
    int trigger_column(const std::string& which, const std::string& column, std::uint32_t offset);
    std::uint32_t expression_offset_ = 0;  // statement_offset_ of the expression being compiled
    int hidden_vars_ = 0;                  // variables the compiler declares (CASE selectors)

    // Scans an expression from the current token to a terminator at nesting depth 0.
    std::size_t expression_end(const std::set<std::string>& stops);

    PlSql* expression(const std::set<std::string>& stops, std::uint32_t stmt_offset, bool condition = false);

    // --- Types and declarations ---------------------------------------------------------

    bool type_spec(OraType* type, bool* boolean, std::uint32_t decl_offset);
    std::string identifier_number();
    // True when type name (read) is SYS_REFCURSOR or a REF CURSOR type in scope, a
    // package's "package.type" included (its rest is then read too).
    bool ref_cursor_type(const std::string& name);
    int datetime_precision(int deflt);
    // The slot of the cursor variable the token ahead names; -1 when it names none.
    int cursor_variable_ahead(std::size_t ahead = 0) const;

    // The columns of a %ROWTYPE source (a table or a cursor) named by tokens already read.
    bool rowtype_columns(const std::vector<std::string>& parts, std::vector<ColumnInfo>* cols);

    void declarations(PlBlock* b, DeclMode mode);

    // --- Collections (plsql_parser_collections.cpp) --------------------------------------

    // TYPE name IS TABLE OF type [NOT NULL] [INDEX BY key] | VARRAY (n) OF type [NOT NULL];
    void type_declaration(std::uint32_t decl_offset);
    // TYPE ... IS REF CURSOR RETURN: the row of a strong type into type.
    void cursor_return_row(PlVarInfo* type, std::uint32_t decl_offset);
    // record := record or record := NULL into st (a RecordCopy statement); false when the
    // target is not a record or the value is some other expression.
    bool record_assignment(PlStmt* st, std::uint32_t so);
    // RECORD (field type [NOT NULL] [:= value], ...) of TYPE name IS, into type.
    void record_type(PlVarInfo* type, std::uint32_t decl_offset);
    // "name type;" of record type (the symbol's) into block b's declarations.
    void record_declaration(PlBlock* b, const std::string& name, int type_index, std::uint32_t decl_offset);
    // "name type [:= value];" when type is a collection type in scope; false otherwise.
    bool collection_declaration(PlBlock* b, const std::string& name, std::uint32_t decl_offset);
    // The value assigned to the collection in slot: a constructor of its type or another
    // collection of that type, read up to the ";" into st (a Collection statement).
    void collection_value(PlStmt* st, int slot, std::uint32_t so);
    // collection.EXTEND, .TRIM or .DELETE as a statement.
    bool collection_method_ahead() const;
    void collection_method(PlStmt* st, std::uint32_t so);
    // name(subscript) := ...
    bool element_assignment_ahead() const;
    // The collection variable of a symbol, or null.
    const PlVarInfo* collection_of(const Symbol* s) const;

    // --- Collections of records, package types (plsql_parser_record_collections.cpp) ----

    // The type the tokens ahead name: a type in scope (width 1) or package.type of a
    // package header (width 3), which is copied into this program the first time. Null
    // when they name no type; nothing is read.
    const Symbol* type_symbol_ahead(std::size_t* width);
    // The same for a type named first (second empty) or first.second.
    const Symbol* type_named(const std::string& first, const std::string& second);
    // A variable of type type_index, declared as a variable or parameter of it is: its slot.
    int whole_variable(const std::string& name, int type_index);
    std::map<std::string, Symbol> imported_types_;  // package.type copied in, by "PACKAGE.TYPE"
    // The name assignment compares for variables of type type_index: a package's types
    // are "PACKAGE.TYPE" wherever they are used.
    std::string declared_type_name(int type_index) const;
    // The element of TABLE OF / VARRAY OF when it is a record (RECORD type or %ROWTYPE):
    // read into type's record fields. False (nothing read) for a scalar element.
    bool record_element(PlVarInfo* type, std::uint32_t decl_offset);
    // The place of field in the elements of a collection of records; -1 when none.
    static int element_field(const PlVarInfo& coll, const std::string& field);
    // A parameter of a record or collection type (in scope or package.type): its variable
    // declared like a variable of the type. False (nothing read) for any other type.
    bool whole_parameter(PlParam* prm);
    // The variable a call argument (tokens [a, b)) names when it is one whole record or
    // collection variable, passed as a whole; -1 otherwise.
    int whole_argument(std::size_t a, std::size_t b) const;
    // element := record | element | NULL and record := element, as a RecordCopy; false
    // when the assignment is no such copy.
    bool element_copy(PlStmt* st, std::uint32_t so);

    // --- Blocks and statements ----------------------------------------------------------

    // [DECLARE decls] BEGIN stmts [EXCEPTION handlers] END [label]
    // A unit's body has its declarations straight after IS / AS.
    void block(PlBlock* b, bool unit_body);

    // [EXCEPTION WHEN name [OR name] THEN statements ...]
    void handlers(PlBlock* b);

    bool exception_named(const std::string& name, PlExceptionInfo* ex);

    void statements(std::vector<PlStmt>* out, const std::set<std::string>& ends);

    PlTarget target(std::uint32_t stmt_offset);

    void statement(std::vector<PlStmt>* out);

    // Each kind of statement, read from its first token on into st; so is its offset.
    using StatementParse = void (Parser::*)(PlStmt* st, std::uint32_t so);
    struct StatementRule {
        const char* word;
        StatementParse parse;
    };
    static const StatementRule kStatementRules[];
    void assignment(PlStmt* st, std::uint32_t so);
    void null_statement(PlStmt* st, std::uint32_t so);
    void block_statement(PlStmt* st, std::uint32_t so);
    void if_statement(PlStmt* st, std::uint32_t so);
    void loop_statement(PlStmt* st, std::uint32_t so);
    void while_statement(PlStmt* st, std::uint32_t so);
    void exit_statement(PlStmt* st, std::uint32_t so);
    void goto_statement(PlStmt* st, std::uint32_t so);  // plsql_parser_goto.cpp
    void dml_statement(PlStmt* st, std::uint32_t so);
    void commit_statement(PlStmt* st, std::uint32_t so);
    void rollback_statement(PlStmt* st, std::uint32_t so);
    void savepoint_statement(PlStmt* st, std::uint32_t so);
    void open_statement(PlStmt* st, std::uint32_t so);
    void cursor_statement(PlStmt* st, std::uint32_t so);
    void cursor_arguments(PlStmt* st, std::uint32_t so);
    void return_statement(PlStmt* st, std::uint32_t so);
    void raise_statement(PlStmt* st, std::uint32_t so);

    void loop_body(PlStmt* st);

    void case_statement(PlStmt* st, std::uint32_t so);

    void for_loop(PlStmt* st, std::uint32_t so);

    void into_targets(PlStmt* st, std::uint32_t so);

    void select_into(PlStmt* st, std::uint32_t so);

    // The family of an argument expression for choosing between overloads; "" matches any.
    std::string value_family(std::size_t a, PlSql* q) const;
    // Whether the argument written in tokens [a, b) is a BOOLEAN value: 1 yes, 0 no, -1 when
    // its form does not show it (a function's result, another package's variable).
    int boolean_argument(std::size_t a, std::size_t b) const;
    int boolean_form(const Expr& e) const;

    // A call of a stored procedure or of a package's procedure: the overload is chosen by
    // the number of arguments and their types, and the arguments are matched to its
    // parameters by position and name. True when the name is a stored unit (errors are
    // then recorded here).
    // With result >= 0 the call is of a function whose record or collection result goes to
    // that whole variable (a Call statement with slot result).
    bool stored_call(PlStmt* st, const Token& first, const std::vector<std::string>& parts,
                     const std::vector<std::pair<std::size_t, std::size_t>>& args, std::uint32_t so, int result = -1);
    // target := f(args); (or a declaration's initial value) where target is a whole record
    // or collection variable and f a function returning one: parses the call up to the
    // ";" into st. False, reading nothing, when the value is no such call.
    bool whole_result_call(PlStmt* st, int target, std::uint32_t so);
    void pipe_statement(PlStmt* st, std::uint32_t so);

    // --- Results of calls used directly (plsql_parser_call_results.cpp) -------------------

    // stored_call's result for a call whose record or collection result is used directly
    // (f(x).field, f(x)(i), f(x).count): a hidden variable of whatever type the chosen
    // function returns.
    static constexpr int kCallResultVariable = -2;
    // Rewrites each call in e whose record or collection result is followed by a field, a
    // subscript or a collection method: the call becomes a statement of q->before, run
    // into a hidden variable just before q, and e names that variable instead.
    void hoist_call_results(ExprPtr& e, PlSql* q, std::uint32_t so);
    // The call base (a Function, or a Column naming a function without arguments) into a
    // hidden variable: its slot, the path parts of base the call did not take in *rest;
    // -1 when base calls no function with such a result (nothing recorded), -2 after an
    // error of the call was recorded.
    int hoist_call(Expr& base, PlSql* q, std::uint32_t so, std::vector<std::string>* rest);
    // A hidden variable for the result of a function returning return_type ("T#n",
    // "PKG.REC_T", "OWNER.NUM_TAB", "OWNER.TABLE%ROWTYPE"): its slot when make, else 0;
    // -1 when no variable can hold it.
    int result_variable(const std::string& return_type, bool make);
    // Token index where an expression starting at offset begins.
    std::size_t token_at(std::uint32_t offset) const;
    bool pipelined_call(const std::vector<std::string>& parts) const;
    // Whether slot is a whole record or collection variable.
    bool whole_slot(int slot) const;
    // Whether a function whose result type is named return_type ("PKG.REC_T", "T#n",
    // "OWNER.TABLE%ROWTYPE") may give its result to whole variable target.
    bool result_fits(const std::string& return_type, int target);
    // FUNCTION ... RETURN table%ROWTYPE: the result record; false (reading nothing) when
    // the type is no %ROWTYPE.
    bool rowtype_result(PlSubprogram* sub);

    void call(PlStmt* st, std::uint32_t so);
    bool supplied_call(PlStmt* st, const Token& first, const std::string& member,
                       const std::vector<std::pair<std::size_t, std::size_t>>& args, std::uint32_t so);

    // --- Bulk binds and dynamic SQL (plsql_parser_bulk.cpp) -------------------------------

    // Checks the BULK COLLECT INTO targets of st against a query of columns columns.
    void bulk_targets(PlStmt* st, std::size_t columns, std::uint32_t target_offset, std::uint32_t so);
    // FORALL index IN lo..hi | INDICES OF c | VALUES OF c [SAVE EXCEPTIONS] dml;
    void forall_statement(PlStmt* st, std::uint32_t so);
    // EXECUTE IMMEDIATE text [INTO ...| BULK COLLECT INTO ...] [USING ...] [RETURNING INTO ...];
    void execute_statement(PlStmt* st, std::uint32_t so);
    // USING [IN|OUT|IN OUT] argument, ... of EXECUTE IMMEDIATE and OPEN FOR.
    void using_arguments(PlStmt* st, std::uint32_t so);
};

}  // namespace plsql_parsing
