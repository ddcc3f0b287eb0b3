// Stored PL/SQL units: CREATE [OR REPLACE], ALTER ... COMPILE and DROP of procedures,
// functions, packages (header and body) and types (header and body). The
// source is compiled and kept line by line with its errors, arguments, status and the
// units it uses in the engine's catalog tables (vantro_plsql_objects, vantro_plsql_source,
// vantro_plsql_errors, vantro_plsql_arguments, vantro_plsql_dependencies), which the data
// dictionary views read. A unit with errors is stored INVALID and its CREATE answers
// OCI_SUCCESS_WITH_INFO with ORA-24344. Replacing or dropping a unit makes the units that
// use it INVALID; they are compiled again when next called. This file does not run units;
// the interpreter loads them from here.
#include "plsql/plsql.h"
#include "plsql/stored_unit_ddl.h"
#include "plsql/plsql_type_bodies.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "catalog/catalog_cache.h"
#include "catalog/users_ddl.h"
#include "values/errors.h"
#include "values/values.h"
#include "values/sqlite_statement.h"

#include <cstdlib>
#include <optional>

namespace {

const char* const kTables =
    "CREATE TABLE IF NOT EXISTS vantro_plsql_objects(owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL,"
    " object_id INTEGER NOT NULL, status TEXT NOT NULL, created TEXT NOT NULL, last_ddl_time TEXT NOT NULL,"
    " PRIMARY KEY(owner, name, type));"
    "CREATE TABLE IF NOT EXISTS vantro_plsql_source(owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL,"
    " line INTEGER NOT NULL, text TEXT, PRIMARY KEY(owner, name, type, line));"
    "CREATE TABLE IF NOT EXISTS vantro_plsql_errors(owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL,"
    " sequence INTEGER NOT NULL, line INTEGER NOT NULL, position INTEGER NOT NULL, text TEXT NOT NULL,"
    " attribute TEXT NOT NULL, message_number INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS vantro_plsql_arguments(owner TEXT NOT NULL, package_name TEXT,"
    " object_name TEXT NOT NULL, object_id INTEGER NOT NULL, overload TEXT, argument_name TEXT,"
    " position INTEGER NOT NULL, sequence INTEGER NOT NULL, data_level INTEGER NOT NULL, data_type TEXT,"
    " defaulted TEXT, in_out TEXT NOT NULL, data_length INTEGER, data_precision INTEGER, data_scale INTEGER,"
    " radix INTEGER, subprogram_id INTEGER, pipelined TEXT);"
    "CREATE TABLE IF NOT EXISTS vantro_plsql_options(owner TEXT NOT NULL, name TEXT NOT NULL, type TEXT NOT NULL,"
    " subprogram_id INTEGER NOT NULL, authid TEXT, deterministic TEXT, PRIMARY KEY(owner, name, type, subprogram_id));"
    "CREATE TABLE IF NOT EXISTS vantro_plsql_dependencies(owner TEXT NOT NULL, name TEXT NOT NULL,"
    " type TEXT NOT NULL, referenced_owner TEXT NOT NULL, referenced_name TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS vantro_plsql_triggers(owner TEXT NOT NULL, trigger_name TEXT NOT NULL,"
    " trigger_type TEXT NOT NULL, triggering_event TEXT NOT NULL, table_owner TEXT NOT NULL,"
    " base_object_type TEXT NOT NULL, table_name TEXT NOT NULL, column_name TEXT, referencing_names TEXT NOT NULL,"
    " when_clause TEXT, status TEXT NOT NULL, description TEXT NOT NULL, action_type TEXT NOT NULL,"
    " trigger_body TEXT NOT NULL, update_columns TEXT, PRIMARY KEY(owner, trigger_name));";

using Exec = SqliteStatement;

struct UnitHeader {
    bool replace = false;
    std::string type;  // PROCEDURE, FUNCTION, PACKAGE, PACKAGE BODY, TYPE or TYPE BODY
    std::string owner;
    std::string name;
    std::size_t source_start = 0;
    std::uint32_t name_offset = 0;
    std::string compile;  // ALTER ... COMPILE: what to compile (the body, the package header alone, or all)
};

using stored_unit_ddl::word;

// Reads "[owner.]name" at t[k]; false when it is not there.
bool object_name(const std::vector<Token>& t, std::size_t* k, const std::string& user, UnitHeader* h) {
    if (*k >= t.size() || (t[*k].kind != TokenKind::Word && t[*k].kind != TokenKind::QuotedWord)) return false;
    h->name_offset = t[*k].offset;
    h->name = t[*k].text;
    h->owner = user;
    ++*k;
    if (*k + 1 < t.size() && t[*k].kind == TokenKind::Operator && t[*k].text == "." &&
        (t[*k + 1].kind == TokenKind::Word || t[*k + 1].kind == TokenKind::QuotedWord)) {
        h->owner = h->name;
        h->name = t[*k + 1].text;
        *k += 2;
    }
    return true;
}

// The object type at t[k] (two words for bodies); empty when it is none of ours.
std::string unit_type(const std::vector<Token>& t, std::size_t* k) {
    for (const char* type : {"PROCEDURE", "FUNCTION", "PACKAGE", "TYPE"}) {
        if (!word(t, *k, type)) continue;
        ++*k;
        std::string out = type;
        if ((out == "PACKAGE" || out == "TYPE") && word(t, *k, "BODY")) {
            ++*k;
            out += " BODY";
        }
        return out;
    }
    return std::string();
}

bool parse_header(const std::vector<Token>& t, const std::string& user, UnitHeader* h, bool drop) {
    if (t.size() < 3) return false;
    std::size_t k = 0;
    if (!word(t, k, drop ? "DROP" : "CREATE")) return false;
    ++k;
    if (!drop && word(t, k, "OR") && word(t, k + 1, "REPLACE")) {
        h->replace = true;
        k += 2;
    }
    if (!drop && (word(t, k, "EDITIONABLE") || word(t, k, "NONEDITIONABLE"))) ++k;
    if (k >= t.size()) return false;
    h->source_start = t[k].offset;
    h->type = unit_type(t, &k);
    if (h->type.empty()) return false;
    if (!object_name(t, &k, user, h)) return false;
    if (!drop) return true;
    // DROP TYPE takes FORCE; nothing else may follow the name.
    if (h->type == "TYPE" && word(t, k, "FORCE")) ++k;
    return t[k].kind == TokenKind::End;
}

// Whether CREATE TYPE declares a subtype: UNDER comes before any AS or IS.
bool declares_subtype(const std::vector<Token>& t) {
    for (std::size_t k = 0; k < t.size() && t[k].kind != TokenKind::End; ++k) {
        if (word(t, k, "AS") || word(t, k, "IS")) return false;
        if (word(t, k, "UNDER")) return true;
    }
    return false;
}

// ALTER PROCEDURE|FUNCTION|PACKAGE|TYPE [owner.]name COMPILE, optionally for the body, the header or the package.
bool parse_alter(const std::vector<Token>& t, const std::string& user, UnitHeader* h) {
    if (t.size() < 4 || !word(t, 0, "ALTER")) return false;
    std::size_t k = 1;
    h->type = unit_type(t, &k);
    if (h->type.empty() || h->type.find(' ') != std::string::npos) return false;
    if (!object_name(t, &k, user, h) || !word(t, k, "COMPILE")) return false;
    ++k;
    if (word(t, k, "BODY") || word(t, k, "SPECIFICATION") || word(t, k, "PACKAGE")) h->compile = t[k++].text;
    if (word(t, k, "REUSE") && word(t, k + 1, "SETTINGS")) k += 2;
    return t[k].kind == TokenKind::End;
}

int message_number(const std::string& text) {
    std::size_t dash = text.find('-');
    return dash == std::string::npos ? 0 : std::atoi(text.c_str() + dash + 1);
}

std::string argument_type(const std::string& declared) {
    if (declared == "INTEGER" || declared == "INT" || declared == "SMALLINT" || declared == "NUMERIC" ||
        declared == "DECIMAL" || declared == "DEC")
        return "NUMBER";
    if (declared == "PLS_INTEGER" || declared == "NATURAL" || declared == "POSITIVE" || declared == "NATURALN" ||
        declared == "POSITIVEN" || declared == "SIGNTYPE" || declared == "SIMPLE_INTEGER")
        return "BINARY_INTEGER";
    if (declared == "BOOLEAN") return "PL/SQL BOOLEAN";
    if (declared == "STRING" || declared == "VARCHAR") return "VARCHAR2";
    if (declared == "REAL" || declared == "DOUBLE") return "FLOAT";
    return declared;
}

PlCompileContext context_for(sqlite3* db, const std::string& nls, const std::string& owner, CatalogView* catalog) {
    PlCompileContext ctx;
    ctx.schema = owner;
    ctx.nls_date_format = nls;
    ctx.catalog = catalog;
    ctx.db = db;
    return ctx;
}

// A light syntax check of a type or type body: the object is stored for its source
// only, so only its outline is checked.
void check_type(const std::string& source, bool body, std::vector<PlCompileError>* errors) {
    std::vector<Token> t;
    OraError err;
    auto error_at = [&](std::uint32_t offset, const std::string& what, const std::string& found) {
        PlCompileError e;
        plsql_position(source, offset, &e.line, &e.column);
        e.text = pls_message(103, found, what);
        errors->push_back(e);
    };
    if (!sql_tokenize(source, &t, &err)) {
        error_at(err.offset, "begin", source.substr(err.offset, 1));
        return;
    }
    std::size_t k = body ? 2 : 1;
    UnitHeader h;
    if (!object_name(t, &k, "", &h)) return error_at(t[k].offset, "an identifier", t[k].text);
    if (!body && word(t, k, "FORCE")) ++k;
    // OID 'identifier': the type's object identifier, which the engine does not keep.
    if (!body && word(t, k, "OID")) {
        if (t[k + 1].kind != TokenKind::String) return error_at(t[k + 1].offset, "a string literal", t[k + 1].text);
        k += 2;
    }
    if (!word(t, k, "AS") && !word(t, k, "IS") && !(!body && word(t, k, "UNDER")))
        return error_at(t[k].offset, "AS IS", t[k].kind == TokenKind::End ? "end-of-file" : t[k].text);
    ++k;
    int depth = 0;
    int blocks = 0;
    std::size_t last = k;
    for (; t[k].kind != TokenKind::End; ++k) {
        const Token& x = t[k];
        if (x.kind == TokenKind::Operator && x.text == "(") ++depth;
        if (x.kind == TokenKind::Operator && x.text == ")" && --depth < 0) return error_at(x.offset, "; ", ")");
        if (body && x.kind == TokenKind::Word && (x.text == "BEGIN" || x.text == "CASE")) ++blocks;
        if (body && x.kind == TokenKind::Word && x.text == "END" &&
            !(word(t, k + 1, "IF") || word(t, k + 1, "LOOP") || word(t, k + 1, "CASE")))
            --blocks;
        last = k;
    }
    if (depth != 0) return error_at(t[k].offset, ")", "end-of-file");
    if (body && blocks != -1) return error_at(t[k].offset, "end", "end-of-file");
    if (!body && last < t.size() && !(t[last].kind == TokenKind::Operator && t[last].text == ";") &&
        !(t[last].kind == TokenKind::Operator && t[last].text == ")") && t[last].kind != TokenKind::Word)
        error_at(t[last].offset, ";", t[last].text);
}

// Compiles a unit's source: false with errors set.
bool compile_source(sqlite3* db, const std::string& nls, const std::string& owner, const std::string& name,
                    const std::string& type, const std::string& source, PlProgram* program) {
    SqliteCatalog catalog(db);
    // A unit's names are resolved with its owner's own privileges, roles left out.
    CatalogDefiner definer(db, owner);
    PlCompileContext ctx = context_for(db, nls, owner, &catalog);
    if (type == "PROCEDURE" || type == "FUNCTION") return plsql_compile_unit(source, ctx, program);
    if (type == "TYPE" || type == "TYPE BODY") {
        check_type(source, type == "TYPE BODY", &program->errors);
        if (type == "TYPE BODY" && program->errors.empty()) {
            std::string status, header;
            if (!plsql_object_load(db, owner, name, "TYPE", &status, &header)) {
                program->errors.push_back(PlCompileError{0, 0, pls_message(304, name)});
            } else if (status != "VALID" && !plsql_unit_revalidate(db, nls, owner, name)) {
                program->errors.push_back(PlCompileError{0, 0, pls_message(905, owner + "." + name)});
            } else {
                plsql_object_load(db, owner, name, "TYPE", &status, &header);
                program->references.insert(owner + "." + name);
                plsql_compile_type(header, source, ctx, name, program);
            }
        }
        return program->errors.empty();
    }
    if (type == "PACKAGE") return plsql_compile_package(source, "", ctx, program);
    std::string status, header;
    if (!plsql_object_load(db, owner, name, "PACKAGE", &status, &header)) {
        program->errors.push_back(PlCompileError{0, 0, pls_message(304, name)});
        return false;
    }
    if (status != "VALID" && !plsql_unit_revalidate(db, nls, owner, name)) {
        program->errors.push_back(PlCompileError{0, 0, pls_message(905, owner + "." + name)});
        return false;
    }
    plsql_object_load(db, owner, name, "PACKAGE", &status, &header);
    program->references.insert(owner + "." + name);
    return plsql_compile_package(header, source, ctx, program);
}

// The argument rows of a standalone unit or of a package header's subprograms.
bool store_arguments(sqlite3* db, const std::string& owner, const std::string& name, const std::string& type,
                     std::int64_t object_id, const PlProgram& program) {
    bool ok = true;
    auto rows = [&](const std::string& package, const std::string& object, const std::string& overload, int sub_id,
                    bool is_function, const std::vector<PlParam>& params, const std::string& return_type_name,
                    const OraType& return_type, bool pipelined) {
        int sequence = 0;
        auto argument = [&](const std::string& arg_name, int position, const std::string& type_name, const OraType& t,
                            const std::string& in_out, bool defaulted) {
            Exec ins(db,
                     "INSERT INTO vantro_plsql_arguments VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 0, ?9, ?10, ?11,"
                     " NULL, NULL, NULL, ?12, ?13, ?14)");
            ins.text(1, owner);
            if (package.empty())
                ins.null(2);
            else
                ins.text(2, package);
            ins.text(3, object).integer(4, object_id);
            if (overload.empty())
                ins.null(5);
            else
                ins.text(5, overload);
            if (arg_name.empty())
                ins.null(6);
            else
                ins.text(6, arg_name);
            ins.integer(7, position)
                .integer(8, ++sequence)
                .text(9, argument_type(type_name))
                .text(10, defaulted ? "Y" : "N");
            ins.text(11, in_out);
            if (t.code == kTypeNumber)
                ins.integer(12, 10);
            else
                ins.null(12);
            ins.integer(13, sub_id);
            // The result row of a pipelined function says so.
            if (pipelined && position == 0)
                ins.text(14, "YES");
            else
                ins.null(14);
            ok = ok && ins.run();
        };
        if (is_function) argument("", 0, return_type_name, return_type, "OUT", false);
        int position = 0;
        for (const PlParam& p : params) argument(p.name, ++position, p.type_name, p.type, p.mode, p.default_value);
        if (!is_function && params.empty()) {
            // A procedure without arguments has one row with no name and no type.
            Exec ins(db,
                     "INSERT INTO vantro_plsql_arguments VALUES (?1, ?2, ?3, ?4, ?5, NULL, 1, 0, 0, NULL, NULL,"
                     " 'IN', NULL, NULL, NULL, NULL, ?6, NULL)");
            ins.text(1, owner);
            if (package.empty())
                ins.null(2);
            else
                ins.text(2, package);
            ins.text(3, object).integer(4, object_id);
            if (overload.empty())
                ins.null(5);
            else
                ins.text(5, overload);
            ok = ok && ins.integer(6, sub_id).run();
        }
    };
    if (type == "PROCEDURE" || type == "FUNCTION") {
        rows("", name, "", 1, program.is_function, program.params, program.return_type_name, program.return_type,
             program.pipelined);
        return ok;
    }
    if (type != "PACKAGE" && type != "TYPE") return ok;
    for (const PlSubprogram& sub : program.subprograms) {
        if (!sub.in_header) continue;
        int count = 0, index = 0;
        for (const PlSubprogram& other : program.subprograms) {
            if (!other.in_header || other.name != sub.name) continue;
            ++count;
            if (other.subprogram_id <= sub.subprogram_id) ++index;
        }
        rows(name, sub.name, count > 1 ? std::to_string(index) : "", sub.subprogram_id, sub.is_function, sub.params,
             sub.return_type_name, sub.return_type, sub.pipelined);
    }
    return ok;
}

// Drops the stored form of owner.name of that type.
bool remove_unit(sqlite3* db, const std::string& owner, const std::string& name, const std::string& type) {
    bool ok = true;
    for (const char* sql : {"DELETE FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND type = ?3",
                            "DELETE FROM vantro_plsql_source WHERE owner = ?1 AND name = ?2 AND type = ?3",
                            "DELETE FROM vantro_plsql_errors WHERE owner = ?1 AND name = ?2 AND type = ?3",
                            "DELETE FROM vantro_plsql_dependencies WHERE owner = ?1 AND name = ?2 AND type = ?3",
                            "DELETE FROM vantro_plsql_options WHERE owner = ?1 AND name = ?2 AND type = ?3"}) {
        Exec del(db, sql);
        ok = ok && del.text(1, owner).text(2, name).text(3, type).run();
    }
    if (type == "PROCEDURE" || type == "FUNCTION") {
        Exec del(db,
                 "DELETE FROM vantro_plsql_arguments WHERE owner = ?1 AND object_name = ?2 AND package_name IS NULL");
        ok = ok && del.text(1, owner).text(2, name).run();
    } else if (type == "PACKAGE" || type == "TYPE") {
        Exec del(db, "DELETE FROM vantro_plsql_arguments WHERE owner = ?1 AND package_name = ?2");
        ok = ok && del.text(1, owner).text(2, name).run();
    }
    return ok;
}

// Replaces the stored form of owner.name of that type with source, its compile result
// and its arguments, inside the caller's transaction. False on a storage failure.
bool store_unit(sqlite3* db, const std::string& owner, const std::string& name, const std::string& type,
                const std::string& source, const PlProgram& program, bool valid) {
    Exec existing(db,
                  "SELECT object_id, created FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND type = ?3");
    existing.text(1, owner).text(2, name).text(3, type);
    std::int64_t object_id = 0;
    std::string created;
    if (existing.row()) {
        object_id = sqlite3_column_int64(existing.get(), 0);
        created = existing.column(1);
    } else {
        Exec next(db, "SELECT coalesce(max(object_id), 50000) + 1 FROM vantro_plsql_objects");
        object_id = next.row() ? sqlite3_column_int64(next.get(), 0) : 50001;
        created = clock_now_stored();
    }
    // The unit is stored afresh: what an earlier version left goes first.
    bool ok = remove_unit(db, owner, name, type);
    Exec obj(db, "INSERT INTO vantro_plsql_objects VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    obj.text(1, owner).text(2, name).text(3, type).integer(4, object_id).text(5, valid ? "VALID" : "INVALID");
    ok = ok && obj.text(6, created).text(7, clock_now_stored()).run();
    std::size_t pos = 0;
    for (int line = 1; pos < source.size(); ++line) {
        std::size_t nl = source.find('\n', pos);
        std::size_t end = nl == std::string::npos ? source.size() : nl + 1;
        Exec ins(db, "INSERT INTO vantro_plsql_source VALUES (?1, ?2, ?3, ?4, ?5)");
        ins.text(1, owner).text(2, name).text(3, type).integer(4, line).text(5, source.substr(pos, end - pos));
        ok = ok && ins.run();
        pos = end;
    }
    int sequence = 0;
    for (const PlCompileError& e : program.errors) {
        Exec ins(db, "INSERT INTO vantro_plsql_errors VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'ERROR', ?8)");
        ins.text(1, owner).text(2, name).text(3, type).integer(4, ++sequence).integer(5, e.line);
        ok = ok && ins.integer(6, e.column).text(7, e.text).integer(8, message_number(e.text)).run();
    }
    for (const std::string& ref : program.references) {
        std::size_t dot = ref.find('.');
        Exec ins(db, "INSERT INTO vantro_plsql_dependencies VALUES (?1, ?2, ?3, ?4, ?5)");
        ins.text(1, owner).text(2, name).text(3, type).text(4, ref.substr(0, dot)).text(5, ref.substr(dot + 1));
        ok = ok && ins.run();
    }
    if (valid || type == "PACKAGE" || type == "PROCEDURE" || type == "FUNCTION" || type == "TYPE")
        ok = ok && store_arguments(db, owner, name, type, object_id, program);
    // What USER_PROCEDURES shows beside the arguments: the unit's AUTHID and which of its
    // functions are DETERMINISTIC (row 0 the unit, then a package's subprograms).
    auto option = [&](int sub_id, const char* authid, bool deterministic) {
        Exec ins(db, "INSERT INTO vantro_plsql_options VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
        ins.text(1, owner).text(2, name).text(3, type).integer(4, sub_id);
        if (authid)
            ins.text(5, authid);
        else
            ins.null(5);
        ok = ok && ins.text(6, deterministic ? "YES" : "NO").run();
    };
    if (type == "PACKAGE" || type == "PROCEDURE" || type == "FUNCTION") {
        option(0, program.invoker_rights ? "CURRENT_USER" : "DEFINER", program.deterministic);
        for (const PlSubprogram& sub : program.subprograms)
            if (sub.in_header) option(sub.subprogram_id, nullptr, sub.deterministic);
    }
    return ok;
}

// Runs f inside a savepoint of the current transaction (or a transaction of its own).
template <typename F>
bool in_savepoint(sqlite3* db, F f) {
    if (sqlite3_exec(db, "SAVEPOINT vantro_unit", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    if (!f()) {
        sqlite3_exec(db, "ROLLBACK TO vantro_unit", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE vantro_unit", nullptr, nullptr, nullptr);
        return false;
    }
    return sqlite3_exec(db, "RELEASE vantro_unit", nullptr, nullptr, nullptr) == SQLITE_OK;
}

// An object type's method headings name the type itself, so they are compiled once the
// type is stored: the type is stored again with them (their arguments, or their errors
// and INVALID). valid becomes false when they do not compile.
bool store_type_methods(sqlite3* db, const std::string& nls, const std::string& owner, const std::string& name,
                        const std::string& source, bool* valid) {
    PlProgram program;
    {
        SqliteCatalog catalog(db);
        CatalogDefiner definer(db, owner);
        PlCompileContext ctx = context_for(db, nls, owner, &catalog);
        *valid = plsql_compile_type(source, "", ctx, name, &program);
    }
    if (program.subprograms.empty() && *valid) return true;
    return store_unit(db, owner, name, "TYPE", source, program, *valid);
}

std::string first_type(sqlite3* db, const std::string& owner, const std::string& name) {
    Exec t(db, "SELECT type FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 ORDER BY length(type)");
    t.text(1, owner).text(2, name);
    return t.row() ? t.column(0) : std::string();
}

// The header a body goes with.
std::string header_type(const std::string& type) {
    std::size_t sp = type.find(" BODY");
    return sp == std::string::npos ? type : type.substr(0, sp);
}

sword fail(OCIError* errhp, int code, const std::string& message) {
    return error_set(errhp, code, message);
}

using stored_unit_ddl::storage_failure;

}  // namespace

bool plsql_units_prepare(sqlite3* db) {
    if (sqlite3_exec(db, kTables, nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    // Catalogs made by earlier versions lack some columns: they are added.
    struct Added {
        const char* table;
        const char* column;
    };
    for (Added a :
         {Added{"vantro_plsql_arguments", "subprogram_id INTEGER"}, Added{"vantro_plsql_arguments", "pipelined TEXT"},
          Added{"vantro_plsql_triggers", "column_name TEXT"}, Added{"vantro_plsql_triggers", "update_columns TEXT"}}) {
        std::string column = a.column;
        std::string name = column.substr(0, column.find(' '));
        Exec has(db, "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
        has.text(1, a.table).text(2, name);
        if (has.row()) continue;
        std::string sql = std::string("ALTER TABLE ") + a.table + " ADD COLUMN " + a.column;
        if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return false;
    }
    return true;
}

bool plsql_object_load(sqlite3* db, const std::string& owner, const std::string& name, const std::string& type,
                       std::string* status, std::string* source) {
    Exec obj(db, "SELECT status FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND type = ?3");
    obj.text(1, owner).text(2, name).text(3, type);
    if (!obj.row()) return false;
    *status = obj.column(0);
    Exec src(db, "SELECT text FROM vantro_plsql_source WHERE owner = ?1 AND name = ?2 AND type = ?3 ORDER BY line");
    src.text(1, owner).text(2, name).text(3, type);
    source->clear();
    while (src.row()) *source += src.column(0);
    return true;
}

bool plsql_unit_load(sqlite3* db, const std::string& owner, const std::string& name, std::string* type,
                     std::string* status, std::string* source) {
    for (const char* t : {"PROCEDURE", "FUNCTION"})
        if (plsql_object_load(db, owner, name, t, status, source)) {
            *type = t;
            return true;
        }
    return false;
}

namespace {

// Why an invoker's-rights unit does not compile for its caller's schema: the ORA- error of
// its first failed statement, placed at that line, else ORA-06508.
PlError invoker_compile_failure(const PlProgram& program, const std::string& qualified) {
    for (const PlCompileError& e : program.errors) {
        std::size_t at = e.text.find("ORA-");
        if (at == std::string::npos) continue;
        PlError out;
        out.code = std::atoi(e.text.c_str() + at + 4);
        std::size_t colon = e.text.find(": ", at);
        if (colon != std::string::npos) out.message = e.text.substr(colon + 2);
        out.trace.push_back(ora_line(6512, "\"" + qualified + "\", line " + std::to_string(e.line)));
        return out;
    }
    return pl_error(6508, ": \"" + qualified + "\"");
}

// The session's compiled unit under key for the date format nls, or null. An
// invoker's-rights unit called from a schema other than its owner's is compiled for that
// schema and kept under "key@invoker"; key becomes that name.
const std::shared_ptr<PlCachedUnit>* cached_unit(PlSessionState* session, std::string* key, const std::string& nls,
                                                 const std::string& owner, const std::string& invoker) {
    auto it = session->units.find(*key);
    if (it == session->units.end() || it->second->nls_date_format != nls) return nullptr;
    if (!it->second->program.invoker_rights || invoker == owner) return &it->second;
    *key += "@" + invoker;
    it = session->units.find(*key);
    return it != session->units.end() && it->second->nls_date_format == nls ? &it->second : nullptr;
}

}  // namespace

std::shared_ptr<PlCachedUnit> plsql_unit_program(SessionHandle* ses, const std::string& owner, const std::string& name,
                                                 PlUnitState* state) {
    sqlite3* db = ses->server->db;
    PlSessionState* session = plsql_session(ses);
    const std::string& nls = ses->settings.nls_date_format;
    std::uint64_t generation = catalog_generation(db);
    if (generation == 0 || generation != session->units_generation) {
        session->units.clear();
        session->units_generation = generation;
    }
    std::string key = owner + "." + name;
    const std::string invoker = plsql_invoker_schema(ses);
    auto reuse = [&](const std::shared_ptr<PlCachedUnit>& u) {
        *state = PlUnitState::Ready;
        if (!u->busy) return u;
        // Running: a call from inside it (recursion) gets a copy of its own.
        auto copy = std::make_shared<PlCachedUnit>();
        copy->type = u->type;
        copy->nls_date_format = nls;
        copy->sql_schema = u->sql_schema;
        plsql_program_copy(u->program, &copy->program);
        return copy;
    };
    if (const std::shared_ptr<PlCachedUnit>* cached = cached_unit(session, &key, nls, owner, invoker))
        return reuse(*cached);
    auto unit = std::make_shared<PlCachedUnit>();
    std::string status, source;
    if (!plsql_unit_load(db, owner, name, &unit->type, &status, &source)) {
        *state = PlUnitState::Missing;
        return nullptr;
    }
    if (status != "VALID") {
        if (!plsql_unit_revalidate(db, nls, owner, name) ||
            !plsql_unit_load(db, owner, name, &unit->type, &status, &source)) {
            *state = PlUnitState::Invalid;
            return nullptr;
        }
        // Revalidation wrote the catalog: what this session compiled before may be stale.
        generation = catalog_generation(db);
        if (generation != session->units_generation) {
            session->units.clear();
            session->units_generation = generation;
        }
    }
    SqliteCatalog catalog(db);
    bool for_invoker = key.find('@') != std::string::npos;
    std::optional<CatalogDefiner> definer;
    if (!for_invoker) definer.emplace(db, owner);
    PlCompileContext cc;
    cc.schema = owner;
    cc.nls_date_format = nls;
    cc.catalog = &catalog;
    cc.db = db;
    if (for_invoker) cc.sql_schema = invoker;
    if (!plsql_compile_unit(source, cc, &unit->program)) {
        *state = PlUnitState::Broken;
        if (for_invoker) session->invoker_failure = invoker_compile_failure(unit->program, owner + "." + name);
        return nullptr;
    }
    if (!for_invoker && unit->program.invoker_rights && invoker != owner) {
        // First compiled for its owner: it is an invoker's-rights unit called from another
        // schema, compiled again for that one (the owner's form is kept for the owner).
        unit->nls_date_format = nls;
        if (generation != 0) session->units[key] = unit;
        definer.reset();
        key += "@" + invoker;
        unit = std::make_shared<PlCachedUnit>();
        plsql_unit_load(db, owner, name, &unit->type, &status, &source);
        cc.sql_schema = invoker;
        for_invoker = true;
        if (!plsql_compile_unit(source, cc, &unit->program)) {
            *state = PlUnitState::Broken;
            session->invoker_failure = invoker_compile_failure(unit->program, owner + "." + name);
            return nullptr;
        }
    }
    unit->sql_schema = cc.sql_schema;
    unit->nls_date_format = nls;
    *state = PlUnitState::Ready;
    // A copy made for a recursive call is not kept: the running one stays the cached one.
    auto it = session->units.find(key);
    if (generation != 0 && (it == session->units.end() || !it->second->busy)) session->units[key] = unit;
    return unit;
}

std::string plsql_invoker_schema(SessionHandle* ses) {
    CatalogDomain d = catalog_domain(ses->server->db);
    if (!d.roles && !d.user.empty()) return d.user;
    return ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema;
}

std::vector<PlUnitArgument> plsql_unit_arguments(sqlite3* db, const std::string& owner, const std::string& name) {
    std::vector<PlUnitArgument> out;
    Exec q(db,
           "SELECT argument_name, in_out, defaulted, data_type FROM vantro_plsql_arguments WHERE owner = ?1 AND"
           " object_name = ?2 AND package_name IS NULL AND position > 0 AND argument_name IS NOT NULL"
           " ORDER BY position");
    q.text(1, owner).text(2, name);
    while (q.row()) out.push_back(PlUnitArgument{q.column(0), q.column(1), q.column(2) == "Y", q.column(3)});
    return out;
}

std::vector<PlCandidate> plsql_package_members(sqlite3* db, const std::string& owner, const std::string& package,
                                               const std::string& member) {
    std::vector<PlCandidate> out;
    Exec q(db,
           "SELECT subprogram_id, position, argument_name, in_out, defaulted, data_type FROM vantro_plsql_arguments"
           " WHERE owner = ?1 AND package_name = ?2 AND object_name = ?3 ORDER BY subprogram_id, sequence");
    q.text(1, owner).text(2, package).text(3, member);
    while (q.row()) {
        int id = sqlite3_column_int(q.get(), 0);
        if (out.empty() || out.back().subprogram_id != id) {
            out.emplace_back();
            out.back().subprogram_id = id;
        }
        PlCandidate& c = out.back();
        int position = sqlite3_column_int(q.get(), 1);
        if (position == 0) {
            c.is_function = true;
            c.return_type = q.column(5);
        } else if (sqlite3_column_type(q.get(), 2) != SQLITE_NULL) {
            c.params.push_back(PlUnitArgument{q.column(2), q.column(3), q.column(4) == "Y", q.column(5)});
        }
    }
    return out;
}

namespace {

using SqlMap = std::map<const PlSql*, PlSql*>;

PlSql* copied(const SqlMap& map, PlSql* q) {
    return q ? map.at(q) : nullptr;
}

void copy_statements(const SqlMap& map, std::vector<PlStmt>* list);

void copy_block(const SqlMap& map, PlBlock* b) {
    for (PlDecl& d : b->decls) {
        d.init = copied(map, d.init);
        // An initial value made by a statement (a constructor, a call): the copy's own.
        if (d.init_collection) {
            std::vector<PlStmt> one{*d.init_collection};
            copy_statements(map, &one);
            d.init_collection = std::make_shared<PlStmt>(std::move(one[0]));
        }
    }
    copy_statements(map, &b->body);
    for (PlHandler& h : b->handlers) copy_statements(map, &h.body);
}

void copy_statements(const SqlMap& map, std::vector<PlStmt>* list) {
    for (PlStmt& st : *list) {
        for (PlSql*& q : st.exprs) q = copied(map, q);
        st.selector = copied(map, st.selector);
        for (std::vector<PlStmt>& body : st.bodies) copy_statements(map, &body);
        if (st.block) {
            st.block = std::make_shared<PlBlock>(*st.block);
            copy_block(map, st.block.get());
        }
    }
}

}  // namespace

void plsql_program_copy(const PlProgram& from, PlProgram* to) {
    static_cast<PlProgramTree&>(*to) = from;
    SqlMap map;
    to->sql.clear();
    for (const auto& q : from.sql) {
        auto c = std::make_unique<PlSql>(*q);
        c->vm = nullptr;
        map[q.get()] = c.get();
        to->sql.push_back(std::move(c));
    }
    for (auto& q : to->sql) {
        for (PlRef& r : q->refs) r.index = copied(map, r.index);
        copy_statements(map, &q->before);
    }
    for (PlParam& p : to->params) p.default_value = copied(map, p.default_value);
    for (PlCursorInfo& c : to->cursors) c.query = copied(map, c.query);
    copy_block(map, &to->main);
    for (auto* list : {&to->subprograms, &to->locals})
        for (PlSubprogram& sub : *list) {
            for (PlParam& p : sub.params) p.default_value = copied(map, p.default_value);
            copy_block(map, &sub.body);
        }
    to->trigger_when = copied(map, to->trigger_when);
}

std::shared_ptr<PlCachedUnit> plsql_package_program(SessionHandle* ses, const std::string& owner,
                                                    const std::string& package, PlError* err) {
    sqlite3* db = ses->server->db;
    PlSessionState* session = plsql_session(ses);
    const std::string& nls = ses->settings.nls_date_format;
    // The declarations of a running query's WITH clause, never stored.
    auto with = session->with_units.find(owner + "." + package);
    if (with != session->with_units.end()) {
        if (!with->second.second->busy) return with->second.second;
        auto copy = std::make_shared<PlCachedUnit>();
        copy->type = with->second.second->type;
        copy->nls_date_format = with->second.second->nls_date_format;
        plsql_program_copy(with->second.second->program, &copy->program);
        return copy;
    }
    std::uint64_t generation = catalog_generation(db);
    if (generation == 0 || generation != session->units_generation) {
        session->units.clear();
        session->units_generation = generation;
    }
    std::string key = "PACKAGE " + owner + "." + package;
    const std::string invoker = plsql_invoker_schema(ses);
    auto reuse = [&](const std::shared_ptr<PlCachedUnit>& u) {
        if (!u->busy) return u;
        // Running: a call from inside it gets a copy of its own.
        auto copy = std::make_shared<PlCachedUnit>();
        copy->type = u->type;
        copy->nls_date_format = nls;
        copy->sql_schema = u->sql_schema;
        plsql_program_copy(u->program, &copy->program);
        return copy;
    };
    if (const std::shared_ptr<PlCachedUnit>* cached = cached_unit(session, &key, nls, owner, invoker))
        return reuse(*cached);
    auto unit = std::make_shared<PlCachedUnit>();
    unit->type = "PACKAGE";
    unit->nls_date_format = nls;
    SqliteCatalog catalog(db);
    bool for_invoker = key.find('@') != std::string::npos;
    std::optional<CatalogDefiner> definer;
    if (!for_invoker) definer.emplace(db, owner);
    PlCompileContext cc;
    cc.schema = owner;
    cc.nls_date_format = nls;
    cc.catalog = &catalog;
    cc.db = db;
    if (for_invoker) cc.sql_schema = invoker;
    auto load = [&](PlProgram* program) {
        return plsql_view_unit(package) ? plsql_view_unit_load(cc, owner, package, program, err)
                                        : plsql_package_load(db, cc, owner, package, program, err);
    };
    if (!load(&unit->program)) return nullptr;
    if (!for_invoker && unit->program.invoker_rights && invoker != owner) {
        if (generation != 0) session->units[key] = unit;
        definer.reset();
        key += "@" + invoker;
        unit = std::make_shared<PlCachedUnit>();
        unit->type = "PACKAGE";
        unit->nls_date_format = nls;
        cc.sql_schema = invoker;
        if (!load(&unit->program)) return nullptr;
    }
    unit->sql_schema = cc.sql_schema;
    // Loading may have compiled invalid units again, which moves the catalog on.
    generation = catalog_generation(db);
    if (generation != session->units_generation) {
        session->units.clear();
        session->units_generation = generation;
    }
    auto it = session->units.find(key);
    if (generation != 0 && (it == session->units.end() || !it->second->busy)) session->units[key] = unit;
    return unit;
}

bool plsql_package_load(sqlite3* db, const PlCompileContext& ctx, const std::string& owner, const std::string& package,
                        PlProgram* program, PlError* err) {
    std::string qualified = owner + "." + package;
    std::string not_found = ora_line(6508, ": \"" + qualified + "\"");
    auto failure = [&](int code, const std::string& message) {
        err->code = code;
        err->message = message;
        err->trace.assign(1, not_found);
        return false;
    };
    std::string status, header, body;
    if (!plsql_object_load(db, owner, package, "PACKAGE", &status, &header) &&
        plsql_object_load(db, owner, package, "TYPE", &status, &header)) {
        // An object type's methods: the package its declaration and body make.
        if (status != "VALID" && !plsql_unit_revalidate(db, ctx.nls_date_format, owner, package))
            return failure(4063, ora_message(4063, "type \"" + qualified + "\""));
        plsql_object_load(db, owner, package, "TYPE", &status, &header);
        if (!plsql_object_load(db, owner, package, "TYPE BODY", &status, &body))
            return failure(4067, ora_message(4067, "type body \"" + qualified + "\""));
        if (status != "VALID") {
            if (!plsql_unit_revalidate(db, ctx.nls_date_format, owner, package))
                return failure(4063, ora_message(4063, "type body \"" + qualified + "\""));
            plsql_object_load(db, owner, package, "TYPE BODY", &status, &body);
        }
        if (!plsql_compile_type(header, body, ctx, package, program))
            return failure(4063, ora_message(4063, "type body \"" + qualified + "\""));
        program->text = body;
        return true;
    }
    if (!plsql_object_load(db, owner, package, "PACKAGE", &status, &header)) {
        err->code = 6508;
        err->message = ora_message(6508, ": \"" + qualified + "\"");
        return false;
    }
    if (status != "VALID" && !plsql_unit_revalidate(db, ctx.nls_date_format, owner, package))
        return failure(4063, ora_message(4063, "package \"" + qualified + "\""));
    plsql_object_load(db, owner, package, "PACKAGE", &status, &header);
    bool has_body = plsql_object_load(db, owner, package, "PACKAGE BODY", &status, &body);
    if (has_body && status != "VALID") {
        if (!plsql_unit_revalidate(db, ctx.nls_date_format, owner, package))
            return failure(4063, ora_message(4063, "package body \"" + qualified + "\""));
        plsql_object_load(db, owner, package, "PACKAGE BODY", &status, &body);
    }
    if (!plsql_compile_package(header, body, ctx, program))
        return failure(
            4063, ora_message(4063, std::string(has_body ? "package body" : "package") + " \"" + qualified + "\""));
    if (!has_body && !program->subprograms.empty())
        return failure(4067, ora_message(4067, "package body \"" + qualified + "\""));
    program->text = header + "\n" + body;
    return true;
}

void plsql_invalidate_dependants(sqlite3* db, const std::string& owner, const std::string& name) {
    std::vector<std::pair<std::string, std::string>> todo{{owner, name}};
    for (std::size_t k = 0; k < todo.size() && k < 1000; ++k) {
        Exec q(db,
               "SELECT DISTINCT d.owner, d.name FROM vantro_plsql_dependencies d JOIN vantro_plsql_objects o"
               " ON o.owner = d.owner AND o.name = d.name AND o.type = d.type WHERE d.referenced_owner = ?1 AND"
               " d.referenced_name = ?2 AND o.status = 'VALID' AND NOT (d.owner = ?1 AND d.name = ?2)");
        q.text(1, todo[k].first).text(2, todo[k].second);
        std::vector<std::pair<std::string, std::string>> found;
        while (q.row()) found.emplace_back(q.column(0), q.column(1));
        for (const auto& f : found) {
            Exec up(db,
                    "UPDATE vantro_plsql_objects SET status = 'INVALID' WHERE owner = ?1 AND name = ?2 AND type IN"
                    " (SELECT type FROM vantro_plsql_dependencies WHERE owner = ?1 AND name = ?2 AND"
                    " referenced_owner = ?3 AND referenced_name = ?4)");
            up.text(1, f.first).text(2, f.second).text(3, todo[k].first).text(4, todo[k].second).run();
            todo.push_back(f);
        }
    }
}

bool plsql_unit_revalidate(sqlite3* db, const std::string& nls_date_format, const std::string& owner,
                           const std::string& name) {
    // Units that use each other in a circle stop here instead of compiling forever.
    static thread_local int depth = 0;
    if (depth >= 20) return false;
    ++depth;
    bool valid = true;
    for (const char* type : {"PROCEDURE", "FUNCTION", "PACKAGE", "PACKAGE BODY", "TYPE", "TYPE BODY"}) {
        std::string status, source;
        if (!plsql_object_load(db, owner, name, type, &status, &source) || status == "VALID") continue;
        PlProgram program;
        bool ok = compile_source(db, nls_date_format, owner, name, type, source, &program);
        in_savepoint(db, [&] {
            if (!store_unit(db, owner, name, type, source, program, ok)) return false;
            return !ok || std::string(type) != "TYPE" ||
                   store_type_methods(db, nls_date_format, owner, name, source, &ok);
        });
        valid = valid && ok;
    }
    --depth;
    return valid;
}

sword plsql_unit_ddl(StmtHandle* s, OCIError* errhp) {
    SessionHandle* ses = s->session;
    sqlite3* db = ses->server->db;
    const std::string& nls = ses->settings.nls_date_format;
    UnitHeader h;
    const std::string& text = s->text;
    bool alter = s->tr.kind == StatementKind::AlterUnit;
    bool drop = s->tr.kind == StatementKind::DropUnit;
    // Unqualified names are the current schema's.
    const std::string schema = ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema;
    if (alter && !parse_alter(s->tokens, schema, &h)) return fail(errhp, 940, ora_message(940));
    if (!alter && !parse_header(s->tokens, schema, &h, drop)) return fail(errhp, 900, ora_message(900));
    if (!alter && !drop && h.type == "TYPE" && declares_subtype(s->tokens)) {
        // Type inheritance is not kept: a subtype would lose its supertype's attributes.
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(h.name_offset);
        return fail(errhp, 3001, ora_message(3001));
    }
    if (!plsql_units_prepare(db)) return storage_failure(errhp);
    SqliteCatalog catalog(db);
    if (!catalog.schema_exists(h.owner)) return fail(errhp, 1918, "user '" + h.owner + "' does not exist");
    {
        // CREATE PROCEDURE (CREATE TYPE) for the own schema, the ANY forms for another's.
        const std::string family = h.type.compare(0, 4, "TYPE") == 0 ? "TYPE" : "PROCEDURE";
        const std::string any = alter ? "ALTER ANY " + family : drop ? "DROP ANY " + family : std::string();
        OraError denied;
        if (alter || drop ? !catalog.may_change(h.owner, h.name, "", any)
                          : !users_may_create(db, h.owner, family, &denied))
            return fail(errhp, 1031, ora_message(1031));
    }
    std::string status, source;
    bool exists = plsql_object_load(db, h.owner, h.name, h.type, &status, &source);
    if (alter) {
        if (!exists) return fail(errhp, 4043, "object " + h.name + " does not exist");
        std::vector<std::string> types;
        if (h.compile != "BODY") types.push_back(h.type);
        std::string body_type = h.type + " BODY";
        std::string body_status, body_source;
        if ((h.type == "PACKAGE" || h.type == "TYPE") && h.compile != "SPECIFICATION" &&
            plsql_object_load(db, h.owner, h.name, body_type, &body_status, &body_source))
            types.push_back(body_type);
        bool all_valid = true;
        for (const std::string& type : types) {
            std::string unused, src;
            plsql_object_load(db, h.owner, h.name, type, &unused, &src);
            PlProgram program;
            bool valid = compile_source(db, nls, h.owner, h.name, type, src, &program);
            if (!in_savepoint(db, [&] {
                    if (!store_unit(db, h.owner, h.name, type, src, program, valid)) return false;
                    return !valid || type != "TYPE" || store_type_methods(db, nls, h.owner, h.name, src, &valid);
                }))
                return storage_failure(errhp);
            all_valid = all_valid && valid;
        }
        s->executed = true;
        if (!all_valid) {
            error_set(errhp, 24344, ora_message(24344));
            return OCI_SUCCESS_WITH_INFO;
        }
        return OCI_SUCCESS;
    }
    // A type that columns of tables are of is neither dropped (unless with FORCE) nor
    // replaced: their values follow its attributes.
    auto table_dependents = [&]() {
        if (h.type != "TYPE" || !exists) return false;
        Exec q(db, "SELECT 1 FROM main.vantro_columns WHERE owner=?1 AND type_name=?2 AND type_code=" +
                       std::to_string(kTypeObject));
        q.text(1, h.owner).text(2, h.name);
        if (q.row()) return true;
        Exec o(db, "SELECT 1 FROM main.vantro_object_tables WHERE type_owner=?1 AND type_name=?2");
        o.text(1, h.owner).text(2, h.name);
        return o.row();
    };
    const bool force = drop && s->tokens.size() >= 2 && word(s->tokens, s->tokens.size() - 2, "FORCE");
    if ((drop ? !force : h.replace) && table_dependents()) return fail(errhp, 2303, ora_message(2303));
    if (drop) {
        if (!exists) return fail(errhp, 4043, "object " + h.name + " does not exist");
        bool ok = in_savepoint(db, [&] {
            bool done = remove_unit(db, h.owner, h.name, h.type);
            if (h.type == "PACKAGE" || h.type == "TYPE")
                done = done && remove_unit(db, h.owner, h.name, h.type + " BODY");
            if (h.type.find(" BODY") == std::string::npos) plsql_invalidate_dependants(db, h.owner, h.name);
            return done;
        });
        if (!ok) return storage_failure(errhp);
        s->executed = true;
        return OCI_SUCCESS;
    }
    // Bodies share their header's name; any other stored object of the name is a
    // conflict, as is a table or index.
    std::string other = first_type(db, h.owner, h.name);
    bool same_family = other.empty() || header_type(other) == header_type(h.type);
    if ((exists && !h.replace) || !same_family || catalog.object_exists(h.owner, h.name)) {
        OraError e = ora_error(955);
        if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(h.name_offset);
        return error_set(errhp, e.code, e.message);
    }
    source = text.substr(h.source_start);
    PlProgram program;
    bool valid = compile_source(db, nls, h.owner, h.name, h.type, source, &program);
    bool ok = in_savepoint(db, [&] {
        if (!store_unit(db, h.owner, h.name, h.type, source, program, valid)) return false;
        if (valid && h.type == "TYPE" && !store_type_methods(db, nls, h.owner, h.name, source, &valid)) return false;
        if (exists && h.type.find(" BODY") == std::string::npos) {
            plsql_invalidate_dependants(db, h.owner, h.name);
            // A new header leaves the body to be compiled against it.
            Exec up(db,
                    "UPDATE vantro_plsql_objects SET status = 'INVALID' WHERE owner = ?1 AND name = ?2 AND type = ?3");
            up.text(1, h.owner).text(2, h.name).text(3, h.type + " BODY").run();
        }
        return true;
    });
    if (!ok) return storage_failure(errhp);
    s->executed = true;
    if (!valid) {
        error_set(errhp, 24344, ora_message(24344));
        return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
}
