// Stored PL/SQL units: CREATE [OR REPLACE] PROCEDURE / FUNCTION and DROP. The source is
// compiled and kept line by line with its errors, arguments and status in the engine's
// catalog tables (vantro_plsql_objects, vantro_plsql_source, vantro_plsql_errors,
// vantro_plsql_arguments), which the data dictionary views read. A unit with errors is
// stored INVALID and its CREATE answers OCI_SUCCESS_WITH_INFO with ORA-24344. This file
// does not run units; the interpreter loads them from here.
#include "plsql.h"

#include "catalog.h"
#include "errors.h"
#include "os.h"
#include "values.h"

#include <cstdlib>

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
    " radix INTEGER);";

// A statement with text binds, run once.
struct Exec {
  sqlite3_stmt* vm = nullptr;
  Exec(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &vm, nullptr); }
  ~Exec() { sqlite3_finalize(vm); }
  Exec(const Exec&) = delete;
  Exec& operator=(const Exec&) = delete;
  Exec& text(int i, const std::string& v) {
    sqlite3_bind_text(vm, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Exec& integer(int i, std::int64_t v) {
    sqlite3_bind_int64(vm, i, v);
    return *this;
  }
  Exec& null(int i) {
    sqlite3_bind_null(vm, i);
    return *this;
  }
  bool run() { return vm && sqlite3_step(vm) == SQLITE_DONE; }
  bool row() { return vm && sqlite3_step(vm) == SQLITE_ROW; }
};

struct UnitHeader {
  bool replace = false;
  std::string type;      // PROCEDURE or FUNCTION
  std::string owner;
  std::string name;
  std::size_t source_start = 0;
  std::uint32_t name_offset = 0;
};

bool parse_header(const std::string& text, const std::string& user, UnitHeader* h, bool drop) {
  std::vector<Token> t;
  OraError err;
  if (!sql_tokenize(text, &t, &err) || t.size() < 3) return false;
  std::size_t k = 0;
  if (t[k].kind != TokenKind::Word || t[k].text != (drop ? "DROP" : "CREATE")) return false;
  ++k;
  if (!drop && t[k].kind == TokenKind::Word && t[k].text == "OR" && t[k + 1].kind == TokenKind::Word &&
      t[k + 1].text == "REPLACE") {
    h->replace = true;
    k += 2;
  }
  if (k >= t.size() || t[k].kind != TokenKind::Word || (t[k].text != "PROCEDURE" && t[k].text != "FUNCTION"))
    return false;
  h->type = t[k].text;
  h->source_start = t[k].offset;
  ++k;
  if (k >= t.size() || (t[k].kind != TokenKind::Word && t[k].kind != TokenKind::QuotedWord)) return false;
  h->name_offset = t[k].offset;
  h->name = t[k].text;
  h->owner = user;
  if (k + 2 < t.size() && t[k + 1].kind == TokenKind::Operator && t[k + 1].text == "." &&
      (t[k + 2].kind == TokenKind::Word || t[k + 2].kind == TokenKind::QuotedWord)) {
    h->owner = h->name;
    h->name = t[k + 2].text;
  }
  return true;
}

std::string now_stored() {
  OsLocalTime now = os_local_time();
  DateValue dv;
  dv.year = now.year;
  dv.month = now.month;
  dv.day = now.day;
  dv.hour = now.hour;
  dv.minute = now.minute;
  dv.second = now.second;
  return date_stored_text(dv);
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

sword fail(OCIError* errhp, int code, const std::string& message) { return error_set(errhp, code, message); }

}  // namespace

bool plsql_units_prepare(sqlite3* db) { return sqlite3_exec(db, kTables, nullptr, nullptr, nullptr) == SQLITE_OK; }

// ALTER PROCEDURE|FUNCTION [owner.]name COMPILE: the owner, name and type.
static bool parse_alter(const std::string& text, const std::string& user, UnitHeader* h) {
  std::vector<Token> t;
  OraError err;
  if (!sql_tokenize(text, &t, &err) || t.size() < 5) return false;
  auto word = [&](std::size_t k, const char* w) { return t[k].kind == TokenKind::Word && t[k].text == w; };
  if (!word(0, "ALTER") || (!word(1, "PROCEDURE") && !word(1, "FUNCTION"))) return false;
  h->type = t[1].text;
  h->owner = user;
  h->name = t[2].text;
  std::size_t k = 3;
  if (t[3].kind == TokenKind::Operator && t[3].text == "." && t.size() > 5) {
    h->owner = h->name;
    h->name = t[4].text;
    k = 5;
  }
  return k < t.size() && word(k, "COMPILE") && t[k + 1].kind == TokenKind::End;
}

bool plsql_is_unit_ddl(const std::string& text) {
  UnitHeader h;
  return parse_header(text, "", &h, false) || parse_header(text, "", &h, true) || parse_alter(text, "", &h);
}

bool plsql_unit_load(sqlite3* db, const std::string& owner, const std::string& name, std::string* type,
                     std::string* status, std::string* source) {
  if (!plsql_units_prepare(db)) return false;
  Exec obj(db, "SELECT type, status FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2 AND type IN "
               "('PROCEDURE', 'FUNCTION')");
  obj.text(1, owner).text(2, name);
  if (!obj.row()) return false;
  *type = reinterpret_cast<const char*>(sqlite3_column_text(obj.vm, 0));
  *status = reinterpret_cast<const char*>(sqlite3_column_text(obj.vm, 1));
  Exec src(db, "SELECT text FROM vantro_plsql_source WHERE owner = ?1 AND name = ?2 AND type = ?3 ORDER BY line");
  src.text(1, owner).text(2, name).text(3, *type);
  source->clear();
  while (src.row()) {
    const unsigned char* t = sqlite3_column_text(src.vm, 0);
    if (t) *source += reinterpret_cast<const char*>(t);
  }
  return true;
}

std::vector<PlUnitArgument> plsql_unit_arguments(sqlite3* db, const std::string& owner, const std::string& name) {
  std::vector<PlUnitArgument> out;
  Exec q(db, "SELECT argument_name, in_out, defaulted FROM vantro_plsql_arguments WHERE owner = ?1 AND"
             " object_name = ?2 AND package_name IS NULL AND position > 0 AND argument_name IS NOT NULL"
             " ORDER BY position");
  q.text(1, owner).text(2, name);
  while (q.row()) {
    PlUnitArgument a;
    a.name = reinterpret_cast<const char*>(sqlite3_column_text(q.vm, 0));
    a.mode = reinterpret_cast<const char*>(sqlite3_column_text(q.vm, 1));
    const unsigned char* d = sqlite3_column_text(q.vm, 2);
    a.defaulted = d && d[0] == 'Y';
    out.push_back(a);
  }
  return out;
}

sword plsql_unit_ddl(StmtHandle* s, OCIError* errhp) {
  SessionHandle* ses = s->session;
  sqlite3* db = ses->server->db;
  UnitHeader h;
  std::string text = s->text;
  if (parse_alter(text, ses->user, &h)) {
    // Recompiling is replacing the unit with its own stored source.
    std::string type, status, source;
    if (!plsql_unit_load(db, h.owner, h.name, &type, &status, &source) || type != h.type)
      return fail(errhp, 4043, "object " + h.name + " does not exist");
    text = "CREATE OR REPLACE " + source;
    h = UnitHeader();
  }
  bool drop = !parse_header(text, ses->user, &h, false);
  if (drop && !parse_header(text, ses->user, &h, true)) return fail(errhp, 900, ora_message(900));
  sword st = session_commit(ses, errhp);
  if (st != OCI_SUCCESS) return st;
  if (!plsql_units_prepare(db)) return error_set(errhp, 604, "error occurred at recursive SQL level 1");
  SqliteCatalog catalog(db);
  if (!catalog.schema_exists(h.owner)) return fail(errhp, 1918, "user '" + h.owner + "' does not exist");
  Exec existing(db, "SELECT object_id, created FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2");
  existing.text(1, h.owner).text(2, h.name);
  bool exists = existing.row();
  std::int64_t object_id = exists ? sqlite3_column_int64(existing.vm, 0) : 0;
  std::string created = exists ? reinterpret_cast<const char*>(sqlite3_column_text(existing.vm, 1)) : now_stored();
  std::string existing_type;
  if (exists) {
    Exec t(db, "SELECT type FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2");
    t.text(1, h.owner).text(2, h.name);
    if (t.row()) existing_type = reinterpret_cast<const char*>(sqlite3_column_text(t.vm, 0));
  }
  if (drop) {
    if (!exists || existing_type != h.type) return fail(errhp, 4043, "object " + h.name + " does not exist");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const char* sql : {"DELETE FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2",
                            "DELETE FROM vantro_plsql_source WHERE owner = ?1 AND name = ?2",
                            "DELETE FROM vantro_plsql_errors WHERE owner = ?1 AND name = ?2",
                            "DELETE FROM vantro_plsql_arguments WHERE owner = ?1 AND object_name = ?2 AND "
                            "package_name IS NULL"}) {
      Exec del(db, sql);
      del.text(1, h.owner).text(2, h.name);
      if (!del.run()) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return error_set(errhp, 604, "error occurred at recursive SQL level 1");
      }
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return OCI_SUCCESS;
  }
  if ((exists && (!h.replace || existing_type != h.type)) || catalog.object_exists(h.owner, h.name)) {
    OraError e = ora_error(955);
    if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = static_cast<ub2>(h.name_offset);
    return error_set(errhp, e.code, e.message);
  }
  if (!exists) {
    Exec next(db, "SELECT coalesce(max(object_id), 50000) + 1 FROM vantro_plsql_objects");
    object_id = next.row() ? sqlite3_column_int64(next.vm, 0) : 50001;
  }

  std::string source = text.substr(h.source_start);
  PlCompileContext ctx;
  ctx.schema = h.owner;
  ctx.nls_date_format = ses->settings.nls_date_format;
  ctx.catalog = &catalog;
  ctx.db = db;
  PlProgram program;
  bool valid = plsql_compile_unit(source, ctx, &program);

  std::string now = now_stored();
  bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
  for (const char* sql : {"DELETE FROM vantro_plsql_objects WHERE owner = ?1 AND name = ?2",
                          "DELETE FROM vantro_plsql_source WHERE owner = ?1 AND name = ?2",
                          "DELETE FROM vantro_plsql_errors WHERE owner = ?1 AND name = ?2",
                          "DELETE FROM vantro_plsql_arguments WHERE owner = ?1 AND object_name = ?2 AND "
                          "package_name IS NULL"}) {
    Exec del(db, sql);
    del.text(1, h.owner).text(2, h.name);
    ok = ok && del.run();
  }
  Exec obj(db, "INSERT INTO vantro_plsql_objects VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
  obj.text(1, h.owner).text(2, h.name).text(3, h.type).integer(4, object_id).text(5, valid ? "VALID" : "INVALID");
  ok = ok && obj.text(6, created).text(7, now).run();
  std::size_t pos = 0;
  for (int line = 1; pos < source.size(); ++line) {
    std::size_t nl = source.find('\n', pos);
    std::size_t end = nl == std::string::npos ? source.size() : nl + 1;
    Exec ins(db, "INSERT INTO vantro_plsql_source VALUES (?1, ?2, ?3, ?4, ?5)");
    ins.text(1, h.owner).text(2, h.name).text(3, h.type).integer(4, line).text(5, source.substr(pos, end - pos));
    ok = ok && ins.run();
    pos = end;
  }
  int sequence = 0;
  for (const PlCompileError& e : program.errors) {
    Exec ins(db, "INSERT INTO vantro_plsql_errors VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, 'ERROR', ?8)");
    ins.text(1, h.owner).text(2, h.name).text(3, h.type).integer(4, ++sequence).integer(5, e.line);
    ok = ok && ins.integer(6, e.column).text(7, e.text).integer(8, message_number(e.text)).run();
  }
  int arg_sequence = 0;
  auto argument = [&](const std::string& arg_name, int position, const std::string& type_name, const OraType& type,
                      const std::string& in_out, bool defaulted) {
    Exec ins(db, "INSERT INTO vantro_plsql_arguments VALUES (?1, NULL, ?2, ?3, NULL, ?4, ?5, ?6, 0, ?7, ?8, ?9,"
                 " NULL, NULL, NULL, ?10)");
    ins.text(1, h.owner).text(2, h.name).integer(3, object_id);
    if (arg_name.empty()) ins.null(4);
    else ins.text(4, arg_name);
    ins.integer(5, position).integer(6, ++arg_sequence).text(7, argument_type(type_name)).text(8, defaulted ? "Y" : "N");
    ins.text(9, in_out);
    if (type.code == kTypeNumber) ins.integer(10, 10);
    else ins.null(10);
    ok = ok && ins.run();
  };
  if (program.is_function) argument("", 0, program.return_type_name, program.return_type, "OUT", false);
  int position = 0;
  for (const PlParam& p : program.params) argument(p.name, ++position, p.type_name, p.type, p.mode, p.default_value);
  if (!program.is_function && program.params.empty()) {
    // A procedure without arguments has one row with no name and no type.
    Exec ins(db, "INSERT INTO vantro_plsql_arguments VALUES (?1, NULL, ?2, ?3, NULL, NULL, 1, 0, 0, NULL, NULL,"
                 " 'IN', NULL, NULL, NULL, NULL)");
    ok = ok && ins.text(1, h.owner).text(2, h.name).integer(3, object_id).run();
  }
  if (!ok) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return error_set(errhp, 604, "error occurred at recursive SQL level 1");
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  s->executed = true;
  if (!valid) {
    error_set(errhp, 24344, "success with compilation error");
    return OCI_SUCCESS_WITH_INFO;
  }
  return OCI_SUCCESS;
}
