// The translator: checks a parsed Oracle statement against the catalog (names, types)
// and writes the SQLite statement that does the same work, with the Oracle types of
// its result columns. It never runs SQL; the catalog answers its questions.
#pragma once

#include "values/sql_types.h"

#include <map>
#include <string>
#include <vector>

struct Expr;
struct ObjectTypeDecl;
struct Statement;
struct Token;

// How a name the statement's own tables do not know is answered by the caller: a value
// bound by name, or SQL used as it is.
struct NameResolution {
    std::string bind;        // bind this name (the caller gives its value) ...
    std::string sql;         // ... or, when bind is empty, this SQL
    bool condition = false;  // the bound value is 1, 0 or NULL and stands for a condition
    OraType type;
    std::string object_type = {};  // a whole collection or object of a schema-level type: "OWNER.NAME"
    // An attribute of the bound object (of object_type) is the value meant, not the object.
    std::string attribute = {};
    std::uint32_t attribute_offset = 0;
    // SQL written around the bound value (a call that takes it): the value meant is the
    // call's result.
    std::string wrap_open = {}, wrap_close = {};
};

// The hook through which a host language resolves its own names inside SQL: PL/SQL's
// variables, parameters, constants, record fields, package state, loop indexes, cursor
// attributes and trigger rows. The translator asks it only about names its scopes do not
// resolve, so a table's column wins over a variable of the same name.
class NameHook {
public:
    enum class Answer { NotMine, Resolved, Failed };
    virtual ~NameHook() = default;
    // A column reference (e.path), a bind with fields (:NEW.x), or an attribute
    // (c%FOUND). Failed: *err is set (its offset within the statement).
    virtual Answer name(const Expr& e, NameResolution* out, OraError* err) = 0;
    // A call f(args): Resolved with *out when the call is the host's (an element of a
    // collection); NotMine after *path was perhaps changed to the function meant (a
    // package's own function named without its package).
    virtual Answer call(Expr& e, std::vector<std::string>* path, NameResolution* out, OraError* err) = 0;
    // A record named as a whole (INSERT ... VALUES rec, UPDATE ... SET ROW = rec):
    // Resolved with the names of its fields in their declared order (fields may be null
    // to ask only whether the name is a record).
    virtual Answer record_fields(const Expr& e, std::vector<std::string>* fields) {
        (void)e;
        (void)fields;
        return Answer::NotMine;
    }
    // The declaration of a collection or object type the host names a value by
    // ("OWNER.NAME" in NameResolution::object_type) when the type is the host's own, not
    // the schema's (a PL/SQL block's or package's collection type and its record elements).
    virtual bool type_declaration(const std::string& object_type, ObjectTypeDecl* decl) {
        (void)object_type;
        (void)decl;
        return false;
    }
};

struct TranslateContext {
    std::string schema;           // the current schema (session user)
    std::string nls_date_format;  // to size date-to-text conversions
    // ... and timestamp-to-text ones (the session's, where a statement is described).
    std::string nls_timestamp_format = "DD-MON-RR HH.MI.SSXFF AM";
    std::string nls_timestamp_tz_format = "DD-MON-RR HH.MI.SSXFF AM TZR";
    bool char_semantics = false;  // NLS_LENGTH_SEMANTICS is CHAR: lengths without BYTE or CHAR count characters
    CatalogView* catalog = nullptr;
    // The Oracle types of named binds (PL/SQL variables); others are VARCHAR2(4000).
    const std::map<std::string, OraType>* bind_types = nullptr;
    // The Oracle types of positional binds by placeholder (index 0 the first); code 0 for a
    // placeholder without one. A placeholder named in bind_types takes that type instead.
    const std::vector<OraType>* bind_position_types = nullptr;
    // Stored PL/SQL functions: true with the return type when owner.name is one; a result
    // of a schema-level collection type also names that type ("OWNER.NAME" in *object_type).
    bool (*stored_function)(void* data, const std::string& owner, const std::string& name, OraType* ret,
                            std::string* object_type) = nullptr;
    void* stored_function_data = nullptr;
    // The PL/SQL declarations of a WITH clause (offsets begin..end of the statement's text):
    // compiles them for the statement's life, with the name of the unit that holds them
    // and the result type of each function it declares. False with err (ORA-06550 with the
    // compiler's errors). Null where SQL cannot declare PL/SQL (ORA-03001).
    bool (*with_plsql)(void* data, std::uint32_t begin, std::uint32_t end, std::string* unit,
                       std::map<std::string, OraType>* functions, OraError* err) = nullptr;
    void* with_plsql_data = nullptr;
    NameHook* names = nullptr;  // the host language's names, when SQL is embedded in it
    // The SQL is kept in the schema's own file (a view's query), where the catalog's file
    // cannot be named: DUAL is then a row of the statement's own.
    bool stored_in_schema = false;
};

// True when Oracle allows the call e only inside a SQL statement, not in a PL/SQL
// expression: aggregates, analytic calls, GROUPING, the SQL/JSON aggregates,
// SYS_CONNECT_BY_PATH and the single-row functions the catalogue marks so.
bool sql_statement_only_call(const Expr& e);

// Tokenizes, parses and translates text. False with err (offset into text) when the
// statement is invalid or unsupported.
bool sql_translate(const std::string& text, const TranslateContext& ctx, Translation* out, OraError* err);
// Translates one expression (a condition when condition is set) into "SELECT value",
// whose one column has the expression's Oracle type. A condition answers 1, 0 or NULL.
bool sql_translate_expression(const std::string& text, Expr& e, bool condition, const TranslateContext& ctx,
                              Translation* out, OraError* err);
// Translates a statement the front door has parsed (s of text's tokens); the translator
// may rewrite s as it goes.
bool sql_translate_parsed(const std::string& text, Statement& s, const TranslateContext& ctx, Translation* out,
                          OraError* err);
// The OCI statement type of text from its first word (OCI_ATTR_STMT_TYPE), 0 when unknown.
int sql_statement_type(const std::string& text);
int sql_statement_type(const std::vector<Token>& tokens);
