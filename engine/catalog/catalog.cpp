// Catalog files and name lookups. The password is kept as a salted 64-bit FNV-1a digest:
// enough to tell a wrong password from a right one, not a protection against someone who
// can read the file (the schema files beside it are plain SQLite anyway).
#include "catalog/catalog.h"
#include "catalog/catalog_sqlite.h"

#include "catalog/catalog_cache.h"
#include "catalog/constraint_ddl.h"
#include "catalog/constraints.h"
#include "catalog/dictionary.h"
#include "catalog/dictionary_ddl.h"
#include "catalog/users_ddl.h"
#include "values/errors.h"
#include "sql/explain_plan.h"
#include "sql/sql_lexer.h"
#include "sql/sql_text.h"
#include "os/os.h"
#include "values/sqlite_statement.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <cstdio>
#include <vector>

namespace {

const char* const kCatalogSchema =
    "CREATE TABLE IF NOT EXISTS vantro_users(name TEXT PRIMARY KEY, password_digest TEXT, created TEXT);"
    "CREATE TABLE IF NOT EXISTS vantro_columns(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " column_name TEXT NOT NULL, column_id INTEGER NOT NULL, type_code INTEGER NOT NULL, type_name TEXT,"
    " data_length INTEGER, data_precision INTEGER, data_scale INTEGER, char_used INTEGER, national INTEGER,"
    " nullable INTEGER, PRIMARY KEY(owner, table_name, column_name));"
    "CREATE TABLE IF NOT EXISTS vantro_altering(owner TEXT NOT NULL, table_name TEXT NOT NULL,"
    " PRIMARY KEY(owner, table_name));"
    // Users' account settings, roles and the privileges granted (catalog/users_ddl.cpp).
    // A user without a settings row is open, with the default tablespaces and profile.
    "CREATE TABLE IF NOT EXISTS vantro_user_settings(name TEXT PRIMARY KEY, locked INTEGER NOT NULL DEFAULT 0,"
    " lock_date TEXT, expired INTEGER NOT NULL DEFAULT 0, default_tablespace TEXT NOT NULL DEFAULT 'USERS',"
    " temporary_tablespace TEXT NOT NULL DEFAULT 'TEMP', profile TEXT NOT NULL DEFAULT 'DEFAULT');"
    "CREATE TABLE IF NOT EXISTS vantro_roles(name TEXT PRIMARY KEY);"
    "CREATE TABLE IF NOT EXISTS vantro_sys_privs(grantee TEXT NOT NULL, privilege TEXT NOT NULL,"
    " admin_option INTEGER NOT NULL, PRIMARY KEY(grantee, privilege));"
    "CREATE TABLE IF NOT EXISTS vantro_access_seeded(done INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS vantro_role_privs(grantee TEXT NOT NULL, granted_role TEXT NOT NULL,"
    " admin_option INTEGER NOT NULL, PRIMARY KEY(grantee, granted_role));"
    "CREATE TABLE IF NOT EXISTS vantro_tab_privs(grantee TEXT NOT NULL, owner TEXT NOT NULL,"
    " table_name TEXT NOT NULL, grantor TEXT NOT NULL, privilege TEXT NOT NULL, grantable INTEGER NOT NULL,"
    " PRIMARY KEY(grantee, owner, table_name, grantor, privilege));"
    "CREATE TABLE IF NOT EXISTS \"DUAL\"(\"DUMMY\" TEXT);"
    "INSERT INTO \"DUAL\" SELECT 'X' WHERE NOT EXISTS (SELECT 1 FROM \"DUAL\");";

std::string digest(const std::string& user, const std::string& password) {
    std::uint64_t h = 1469598103934665603ULL;
    std::string s = "vantro:" + user + ":" + password;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

using Stmt = SqliteStatement;

// Puts one database of the connection in WAL mode: readers then never wait for a
// writer nor a writer for readers, so one user's open transaction does not hold up
// another user's logon or DDL (each writes the catalog file in a short transaction of
// its own). The mode stays with the file; a file system or VFS without shared memory
// keeps the rollback journal, and the engine works as before with readers and writers
// of one file waiting for each other.
bool use_wal(sqlite3* db, const std::string& schema) {
    const std::string sql = "PRAGMA \"" + schema + "\".journal_mode=WAL";
    Stmt q(db, sql);
    if (!q.row()) return false;
    const unsigned char* mode = sqlite3_column_text(q.get(), 0);
    return mode && sqlite3_stricmp(reinterpret_cast<const char*>(mode), "wal") == 0;
}

// Ends a savepoint of the catalog's own repairs. When its changes cannot be written (a
// full disk) they are undone, so that no transaction is left open holding the files.
void release_or_undo(sqlite3* db, const char* savepoint) {
    const std::string name = savepoint;
    if (sqlite3_exec(db, ("RELEASE " + name).c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return;
    sqlite3_exec(db, ("ROLLBACK TO " + name).c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, ("RELEASE " + name).c_str(), nullptr, nullptr, nullptr);
}

// The catalog file commits before the schema files of one transaction (SQLite commits
// its databases in order, and in WAL mode not as one unit), so a process killed inside
// the commit of CREATE TABLE can leave catalog rows of a table its schema file never
// got. Such rows are removed when the owner logs on; otherwise the name could not be
// created again and the dictionary would list columns of nothing.
void drop_orphan_rows(sqlite3* db, const std::string& user) {
    const std::string live = "(SELECT name FROM \"" + user + "\".sqlite_master WHERE type IN ('table','view'))";
    {
        const std::string probe = "SELECT 1 FROM main.vantro_columns WHERE owner=?1 AND table_name NOT IN " + live;
        Stmt q(db, probe);
        q.text(1, user);
        if (!q.row()) return;
    }
    // Tables the dictionary creates later may not exist yet in a new database: a
    // statement on a missing table fails alone and the others still run.
    const char* const kOrphans[] = {
        "DELETE FROM main.vantro_cons_columns WHERE constraint_id IN (SELECT id FROM main.vantro_constraints"
        " WHERE owner=?1 AND table_name NOT IN $L)",
        "DELETE FROM main.vantro_constraints WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_column_defaults WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_sequences WHERE sequence_owner=?1 AND sequence_name IN (SELECT sequence_name"
        " FROM main.vantro_generated_columns WHERE owner=?1 AND table_name NOT IN $L)",
        "DELETE FROM main.vantro_generated_columns WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_table_options WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_object_tables WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_index_expressions WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_ind_partitions WHERE owner=?1 AND index_name IN (SELECT index_name FROM"
        " main.vantro_index_options WHERE owner=?1 AND table_name NOT IN $L)",
        "DELETE FROM main.vantro_index_options WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_tab_stats WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_col_stats WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_ind_stats WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_stats_locks WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_temporary_tables WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_part_tables WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_part_key_columns WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_tab_partitions WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_comments WHERE owner=?1 AND table_name NOT IN $L",
        "DELETE FROM main.vantro_columns WHERE owner=?1 AND table_name NOT IN $L",
    };
    if (sqlite3_exec(db, "SAVEPOINT vantro_orphans", nullptr, nullptr, nullptr) != SQLITE_OK) return;
    for (const char* text : kOrphans) {
        std::string sql = text;
        sql.replace(sql.find("$L"), 2, live);
        Stmt d(db, sql);
        d.text(1, user).run();
    }
    release_or_undo(db, "vantro_orphans");
}

// The columns of a table as its schema file has them, in order; those the catalog does
// not know are SQLite's own (none today) and are left alone.
std::vector<std::string> real_columns(sqlite3* db, const std::string& user, const std::string& table) {
    std::vector<std::string> names;
    Stmt q(db, "SELECT name FROM pragma_table_xinfo(?1, ?2) ORDER BY cid");
    q.text(1, table).text(2, user);
    while (q.row()) names.push_back(q.column(0));
    return names;
}

// The catalog's columns of a table, in order.
std::vector<std::string> catalog_columns(sqlite3* db, const std::string& user, const std::string& table) {
    std::vector<std::string> names;
    Stmt q(db, "SELECT column_name FROM main.vantro_columns WHERE owner=?1 AND table_name=?2 ORDER BY column_id");
    q.text(1, user).text(2, table);
    while (q.row()) names.push_back(q.column(0));
    return names;
}

// Brings the catalog rows of one table that an ALTER TABLE left marked in line with the
// table. The schema file decides: ADD commits the catalog first, so a column the table
// lacks was never added; DROP COLUMN commits the schema file first, so such a column
// was dropped. RENAME COLUMN leaves one name on each side: the catalog takes the
// table's. A column only the table has (cannot happen in these orders) is left alone.
}  // namespace

void catalog_repair_altered_table(sqlite3* db, const std::string& user, const std::string& table) {
    std::vector<std::string> real = real_columns(db, user, table);
    if (real.empty()) return;  // dropped meanwhile: drop_orphan_rows handles it
    std::vector<std::string> known = catalog_columns(db, user, table);
    auto missing = [](const std::vector<std::string>& from, const std::vector<std::string>& in) {
        std::vector<std::string> out;
        for (const std::string& n : from)
            if (std::find(in.begin(), in.end(), n) == in.end()) out.push_back(n);
        return out;
    };
    std::vector<std::string> gone = missing(known, real);
    std::vector<std::string> extra = missing(real, known);
    std::vector<std::string> sql;
    const std::string where = " WHERE owner=" + quote_text(user) + " AND table_name=" + quote_text(table);
    if (gone.size() == 1 && extra.size() == 1) {
        sql.push_back("UPDATE main.vantro_columns SET column_name=" + quote_text(extra[0]) + where +
                      " AND column_name=" + quote_text(gone[0]));
        sql.push_back("UPDATE main.vantro_comments SET column_name=" + quote_text(extra[0]) + where +
                      " AND column_name=" + quote_text(gone[0]));
        constraints_rename_column_sql(user, table, gone[0], extra[0], &sql);
    } else {
        for (const std::string& c : gone) {
            sql.push_back("DELETE FROM main.vantro_columns" + where + " AND column_name=" + quote_text(c));
            sql.push_back("DELETE FROM main.vantro_comments" + where + " AND column_name=" + quote_text(c));
            constraints_drop_column_sql(user, table, c, &sql);
        }
    }
    if (sql.empty() || sqlite3_exec(db, "SAVEPOINT vantro_repair_table", nullptr, nullptr, nullptr) != SQLITE_OK)
        return;
    for (const std::string& text : sql) sqlite3_exec(db, text.c_str(), nullptr, nullptr, nullptr);
    release_or_undo(db, "vantro_repair_table");
    catalog_cache_invalidate(db);
}

namespace {

void repair_altered_tables(sqlite3* db, const std::string& user) {
    std::vector<std::string> marked;
    {
        Stmt q(db, "SELECT table_name FROM main.vantro_altering WHERE owner=?1");
        q.text(1, user);
        while (q.row()) marked.push_back(q.column(0));
    }
    if (marked.empty()) return;
    if (sqlite3_exec(db, "SAVEPOINT vantro_repair", nullptr, nullptr, nullptr) != SQLITE_OK) return;
    for (const std::string& table : marked) {
        catalog_repair_altered_table(db, user, table);
        Stmt d(db, "DELETE FROM main.vantro_altering WHERE owner=?1 AND table_name=?2");
        d.text(1, user).text(2, table).run();
    }
    release_or_undo(db, "vantro_repair");
}

using catalog_sqlite::sqlite_failed;

}  // namespace

bool catalog_valid_user_name(const std::string& name) {
    if (name.empty() || name.size() > 128 || !std::isalpha(static_cast<unsigned char>(name[0]))) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$' && c != '#') return false;
    return true;
}

// SQLite's process-wide settings, made once before its first use. Memory statistics
// off: with them on, every allocation and release of SQLite takes one global mutex to
// count bytes the engine never asks for. Connections are opened without their own mutex
// (SQLITE_OPEN_NOMUTEX): each belongs to one session, and OCI forbids two calls on a
// session at once; a break from another thread only calls sqlite3_interrupt, which
// needs no mutex. If the process started SQLite before the engine, the setting is
// refused and SQLite keeps its own: the engine works the same, only slower.
namespace {
void configure_sqlite() {
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}
}  // namespace

bool catalog_open(const std::string& folder, sqlite3** db, OraError* err) {
    *db = nullptr;
    configure_sqlite();
    if (!os_make_folders(folder)) {
        *err = ora_error(1034);
        return false;
    }
    std::string path = folder + os_path_separator() + "catalog.db";
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        *err = ora_error(1034);
        sqlite3_close(h);
        return false;
    }
    sqlite3_busy_timeout(h, 5000);
    sqlite3_extended_result_codes(h, 1);
    // Double-quoted text is always a name, never a string literal.
    sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    const bool wal = use_wal(h, "main");
    char* msg = nullptr;
    if (sqlite3_exec(h, kCatalogSchema, nullptr, nullptr, &msg) != SQLITE_OK ||
        sqlite3_exec(h, "PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr) != SQLITE_OK ||
        !constraints_functions_register(h)) {
        *err = ora_from_sqlite(sqlite3_extended_errcode(h), msg ? msg : "catalog");
        sqlite3_free(msg);
        sqlite3_close(h);
        return false;
    }
    users_seed_roles(h);
    catalog_cache_attach(h);
    catalog_cache_set_wal(h, wal);
    *db = h;
    return true;
}

bool catalog_login(sqlite3* db, const std::string& folder, const std::string& user, const std::string& password,
                   bool check_password, OraError* err) {
    if (!catalog_valid_user_name(user)) {
        *err = ora_error(1017);
        return false;
    }
    bool exists = false;
    std::string stored;
    bool has_password = false;
    {
        Stmt q(db, "SELECT password_digest FROM vantro_users WHERE name=?1");
        q.text(1, user);
        if (sqlite3_step(q.get()) == SQLITE_ROW) {
            exists = true;
            has_password = sqlite3_column_type(q.get(), 0) != SQLITE_NULL;
            if (has_password) stored = reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0));
        }
    }
    if (exists && check_password && (!has_password || stored != digest(user, password))) {
        *err = ora_error(1017);
        return false;
    }
    if (exists) {
        Stmt q(db, "SELECT 1 FROM vantro_user_settings WHERE name=?1 AND locked<>0");
        q.text(1, user);
        if (q.row()) {
            *err = ora_error(28000);
            return false;
        }
    }
    if (!exists) {
        if (!catalog_add_user(db, user, password, check_password, err)) return false;
        // PUBLIC is the administrative SYSOPER schema: what it held, every user would.
        if (user != "PUBLIC") users_grant_first_logon(db, user);
    }
    if (!catalog_attach_user(db, folder, user, err)) return false;
    repair_altered_tables(db, user);
    drop_orphan_rows(db, user);
    catalog_cache_invalidate(db);
    return true;
}

bool catalog_add_user(sqlite3* db, const std::string& user, const std::string& password, bool with_password,
                      OraError* err) {
    Stmt ins(db, "INSERT INTO vantro_users(name,password_digest,created) VALUES (?1,?2,datetime('now'))");
    ins.text(1, user);
    if (with_password) ins.text(2, digest(user, password));
    if (sqlite3_step(ins.get()) != SQLITE_DONE) return sqlite_failed(db, err);
    return true;
}

bool catalog_set_password(sqlite3* db, const std::string& user, const std::string& password, OraError* err) {
    Stmt up(db, "UPDATE vantro_users SET password_digest=?2 WHERE name=?1");
    up.text(1, user).text(2, digest(user, password));
    if (sqlite3_step(up.get()) != SQLITE_DONE) return sqlite_failed(db, err);
    return true;
}

bool catalog_attach_user(sqlite3* db, const std::string& folder, const std::string& user, OraError* err) {
    std::string path = folder + os_path_separator() + user + ".db";
    Stmt att(db, "ATTACH DATABASE ?1 AS ?2");
    att.text(1, path);
    att.text(2, user);
    if (sqlite3_step(att.get()) != SQLITE_DONE) return sqlite_failed(db, err);
    use_wal(db, user);
    catalog_cache_invalidate(db);
    return true;
}

int catalog_user_password_matches(sqlite3* db, const std::string& user, const std::string& password) {
    Stmt q(db, "SELECT password_digest FROM vantro_users WHERE name=?1");
    q.text(1, user);
    if (sqlite3_step(q.get()) != SQLITE_ROW) return -1;
    if (sqlite3_column_type(q.get(), 0) == SQLITE_NULL) return 0;
    return digest(user, password) == reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)) ? 1 : 0;
}

bool catalog_attach_all(sqlite3* db, const std::string& folder, OraError* err) {
    std::vector<std::string> users;
    {
        Stmt q(db,
               "SELECT name FROM vantro_users WHERE name NOT IN (SELECT name FROM pragma_database_list) ORDER BY name");
        while (sqlite3_step(q.get()) == SQLITE_ROW)
            users.push_back(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
    }
    for (const std::string& user : users) {
        if (!catalog_valid_user_name(user)) continue;
        std::string path = folder + os_path_separator() + user + ".db";
        Stmt att(db, "ATTACH DATABASE ?1 AS ?2");
        att.text(1, path);
        att.text(2, user);
        int rc = sqlite3_step(att.get());
        if (rc == SQLITE_ERROR && std::string(sqlite3_errmsg(db)).find("too many attached") != std::string::npos) break;
        if (rc != SQLITE_DONE) return sqlite_failed(db, err);
        use_wal(db, user);
    }
    catalog_cache_invalidate(db);
    return true;
}

bool SqliteCatalog::reachable(const std::string& owner, const std::string& name) {
    const CatalogDomain d = catalog_domain(db_);
    if (d.user.empty()) return true;
    if (owner != d.user && users_object_access(db_, owner, name, std::string()) != 0) return false;
    // The owner of a unit another user runs may not be attached to that user's session.
    return schema_exists(owner);
}

int SqliteCatalog::object_access(const std::string& owner, const std::string& name, const std::string& privilege) {
    return users_object_access(db_, owner, name, privilege);
}

bool SqliteCatalog::may_create(const std::string& owner, const std::string& kind) {
    OraError err;
    return users_may_create(db_, owner, kind, &err);
}

bool SqliteCatalog::may_change(const std::string& owner, const std::string& name, const std::string& object_privilege,
                               const std::string& any_privilege) {
    const CatalogDomain d = catalog_domain(db_);
    if (d.user.empty() || owner == d.user || users_domain_has(db_, any_privilege)) return true;
    return !object_privilege.empty() && users_object_access(db_, owner, name, object_privilege) == 0;
}

bool SqliteCatalog::table_columns(const std::string& owner, const std::string& table,
                                  std::vector<ColumnInfo>* columns) {
    columns->clear();
    if (!reachable(owner, table)) return false;
    std::uint64_t generation = catalog_generation(db_);
    std::string key = owner + "." + table;
    if (catalog_remembered_columns(db_, generation, key, columns)) return !columns->empty();
    // A schema that is not attached to this session is not visible to it (no grants).
    if (schema_exists(owner)) {
        CatalogStatement q(
            db_,
            "SELECT column_name,type_code,data_length,data_precision,data_scale,char_used,national,"
            "nullable,type_name FROM vantro_columns WHERE owner=?1 AND table_name=?2 ORDER BY column_id");
        q.text(1, owner).text(2, table);
        while (q.row()) {
            ColumnInfo c;
            c.name = q.column(0);
            c.type.code = static_cast<std::uint16_t>(q.column_int(1));
            c.type.size = static_cast<std::uint32_t>(q.column_int(2));
            c.type.precision = static_cast<std::int16_t>(q.column_int(3));
            c.type.scale = static_cast<std::int8_t>(q.column_int(4));
            c.type.char_used = q.column_int(5) != 0;
            c.type.national = q.column_int(6) != 0;
            c.type.nullable = q.column_int(7) != 0;
            if (c.type.code == kTypeObject) {
                // A column of a schema-level type keeps the type's constructor text.
                c.type.code = kTypeVarchar2;
                c.object_type = owner + "." + q.column(8);
            } else if (c.type.code == kTypeClob && q.column(8) == "XMLTYPE") {
                c.object_type = "SYS.XMLTYPE";
            }
            columns->push_back(c);
        }
    }
    catalog_remember_columns(db_, generation, key, *columns);
    return !columns->empty();
}

namespace {

// The collection type "PACKAGE.TYPE" that a package header (CREATE PACKAGE without BODY)
// declares, as the CREATE TYPE text of the SQL type standing for it (named "PACKAGE.TYPE"
// itself): a nested table or varray of a scalar, of a schema-level object type or of a
// record type of the package, and such a record type as an object type of its fields.
// False for any other type of the package (an associative array, REF CURSOR, a record of
// fields with defaults or NOT NULL) and for an element or field named by %TYPE or
// %ROWTYPE, which SQL cannot describe.
bool package_collection_source(const std::string& header, const std::string& package, const std::string& type,
                               std::string* source) {
    std::vector<Token> tokens;
    OraError err;
    if (!sql_tokenize(header, &tokens, &err)) return false;
    auto word = [&](std::size_t i, const char* w) { return tokens[i].kind == TokenKind::Word && tokens[i].text == w; };
    std::vector<std::string> own_types, own_records;
    std::size_t from = 0, to = 0;
    for (std::size_t i = 0; i + 3 < tokens.size(); ++i) {
        if (!word(i, "TYPE") || tokens[i + 1].kind != TokenKind::Word) continue;
        own_types.push_back(tokens[i + 1].text);
        if ((word(i + 2, "IS") || word(i + 2, "AS")) && word(i + 3, "RECORD")) own_records.push_back(tokens[i + 1].text);
        if (tokens[i + 1].text != type || !(word(i + 2, "IS") || word(i + 2, "AS")) || from) continue;
        from = i + 2;
        int depth = 0;
        for (to = from; tokens[to].kind != TokenKind::End; ++to) {
            const Token& t = tokens[to];
            if (t.kind == TokenKind::Operator && t.text == "(") ++depth;
            if (t.kind == TokenKind::Operator && t.text == ")") --depth;
            if (depth == 0 && t.kind == TokenKind::Operator && t.text == ";") break;
        }
    }
    if (!from || tokens[to].kind == TokenKind::End) return false;
    const std::string name = "\"" + package + "." + type + "\" ";
    for (std::size_t i = from; i < to; ++i) {
        const Token& t = tokens[i];
        if (word(i, "INDEX") || (t.kind == TokenKind::Operator && t.text == "%")) return false;
    }
    if (word(from + 1, "RECORD")) {
        // Fields without defaults or NOT NULL, as the attributes of an object type.
        for (std::size_t i = from + 2; i < to; ++i)
            if (word(i, "DEFAULT") || word(i, "NOT") || (tokens[i].kind == TokenKind::Operator && tokens[i].text == ":="))
                return false;
        *source = "CREATE TYPE " + name + "AS OBJECT " +
                  header.substr(tokens[from + 2].offset, tokens[to].offset - tokens[from + 2].offset);
        return true;
    }
    std::size_t of = 0;
    for (std::size_t i = from; i < to; ++i)
        if (!of && word(i, "OF")) of = i;
    if (!of || of + 1 >= to) return false;
    const Token& element = tokens[of + 1];
    const bool own = element.kind == TokenKind::Word &&
                     std::find(own_types.begin(), own_types.end(), element.text) != own_types.end();
    if (!own) {
        *source = "CREATE TYPE " + name + header.substr(tokens[from].offset, tokens[to].offset - tokens[from].offset);
        return true;
    }
    // A collection of the package's own record type: its elements are of the object type
    // standing for the record.
    if (std::find(own_records.begin(), own_records.end(), element.text) == own_records.end() ||
        (of + 2 < to && tokens[of + 2].kind == TokenKind::Operator && tokens[of + 2].text == "."))
        return false;
    *source = "CREATE TYPE " + name + header.substr(tokens[from].offset, element.offset - tokens[from].offset) + "\"" +
              package + "." + element.text + "\"" + header.substr(element.end, tokens[to].offset - element.end);
    return true;
}

}  // namespace

bool SqliteCatalog::object_table_type(const std::string& owner, const std::string& table, std::string* object_type) {
    CatalogStatement q(db_, "SELECT type_owner||'.'||type_name FROM main.vantro_object_tables WHERE owner=?1 AND"
                            " table_name=?2");
    q.text(1, owner).text(2, table);
    if (!q.row()) return false;
    *object_type = q.column(0);
    return true;
}

bool SqliteCatalog::type_source(const std::string& owner, const std::string& name, std::string* source) {
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        // A package's own collection type, read from the package header.
        CatalogStatement q(db_,
                           "SELECT text FROM main.vantro_plsql_source WHERE owner=?1 AND name=?2 AND type='PACKAGE'"
                           " ORDER BY line");
        q.text(1, owner).text(2, name.substr(0, dot));
        std::string header;
        while (q.row()) header += q.column(0);
        source->clear();
        return !header.empty() && package_collection_source(header, name.substr(0, dot), name.substr(dot + 1), source);
    }
    CatalogStatement q(db_,
                       "SELECT text FROM main.vantro_plsql_source WHERE owner=?1 AND name=?2 AND type='TYPE'"
                       " ORDER BY line");
    q.text(1, owner).text(2, name);
    source->clear();
    bool found = false;
    while (q.row()) {
        *source += q.column(0);
        found = true;
    }
    return found;
}

bool SqliteCatalog::schema_exists(const std::string& owner) {
    if (catalog_schema_attached(db_, owner)) return true;
    // The schema of a user who exists is attached the first time it is named: a user
    // made in this session, or one who never logged on, has no schema file attached yet.
    // SQLite refuses ATTACH inside a transaction (DDL has committed before it gets here).
    if (owner == "PUBLIC" || !catalog_valid_user_name(owner) || !user_exists(owner) || !sqlite3_get_autocommit(db_))
        return false;
    const char* file = sqlite3_db_filename(db_, "main");
    if (!file) return false;
    std::string folder(file);
    const std::size_t cut = folder.find_last_of("/\\");
    if (cut == std::string::npos) return false;
    folder.resize(cut);
    OraError err;
    return catalog_attach_user(db_, folder, owner, &err);
}

bool SqliteCatalog::user_exists(const std::string& name) {
    CatalogStatement q(db_, "SELECT 1 FROM main.vantro_users WHERE name=?1");
    q.text(1, name);
    return q.row();
}

bool SqliteCatalog::object_exists(const std::string& owner, const std::string& name) {
    if (!catalog_valid_user_name(owner) || !schema_exists(owner)) return false;
    CatalogStatement q(db_, "SELECT 1 FROM \"" + owner + "\".sqlite_master WHERE name=?1");
    q.text(1, name);
    if (q.row()) return true;
    // A view created with errors has no SQLite view yet; its name is taken all the same.
    CatalogStatement v(db_, "SELECT 1 FROM main.vantro_views WHERE owner=?1 AND view_name=?2");
    v.text(1, owner).text(2, name);
    return v.row();
}

// Constraints are numbered rows (vantro_constraints with vantro_cons_columns); one
// without a declared name is known by its number (SYS_C00 followed by id + 4999).
#define CONSTRAINT_NAME "coalesce(k.constraint_name,'SYS_C00'||(k.id+4999))"
#define KEY_COLUMNS                                                                                \
    "(SELECT group_concat(column_name,',') FROM (SELECT column_name FROM main.vantro_cons_columns" \
    " WHERE constraint_id=k.id ORDER BY position))"

bool SqliteCatalog::constraint_exists(const std::string& owner, const std::string& name) {
    CatalogStatement q(db_, "SELECT 1 FROM main.vantro_constraints k WHERE k.owner=?1 AND " CONSTRAINT_NAME "=?2");
    q.text(1, owner).text(2, name);
    return q.row();
}

bool SqliteCatalog::key_columns(const std::string& owner, const std::string& table, std::vector<std::string>* columns) {
    std::vector<std::string> names;
    {
        CatalogStatement q(db_, "SELECT " CONSTRAINT_NAME
                                " FROM main.vantro_constraints k WHERE k.owner=?1 AND"
                                " k.table_name=?2 AND k.constraint_type IN ('P','U') ORDER BY k.constraint_type");
        q.text(1, owner).text(2, table);
        while (q.row()) names.push_back(q.column(0));
    }
    for (const std::string& name : names) {
        ConstraintSpec k;
        if (!constraint_load(db_, owner, name, &k)) continue;
        if (columns->empty() ? k.type == 'P' : k.columns == *columns) {
            *columns = k.columns;
            return true;
        }
    }
    return false;
}

std::vector<std::vector<std::string>> SqliteCatalog::unique_keys(const std::string& owner, const std::string& table) {
    std::vector<std::vector<std::string>> keys;
    std::vector<std::string> names;
    {
        CatalogStatement q(db_, "SELECT " CONSTRAINT_NAME
                                " FROM main.vantro_constraints k WHERE k.owner=?1 AND"
                                " k.table_name=?2 AND k.constraint_type IN ('P','U')");
        q.text(1, owner).text(2, table);
        while (q.row()) names.push_back(q.column(0));
    }
    for (const std::string& name : names) {
        ConstraintSpec k;
        if (constraint_load(db_, owner, name, &k) && !k.columns.empty()) keys.push_back(k.columns);
    }
    return keys;
}

long long SqliteCatalog::next_constraint_number() {
    // AUTOINCREMENT's counter never goes back, so a dropped constraint's number is not
    // given out again.
    Stmt q(db_,
           "SELECT max(coalesce((SELECT seq FROM main.sqlite_sequence WHERE name='vantro_constraints'),0),"
           " coalesce((SELECT max(id) FROM main.vantro_constraints),0)) + 1");
    return sqlite3_step(q.get()) == SQLITE_ROW ? sqlite3_column_int64(q.get(), 0) : 1;
}

std::vector<std::string> SqliteCatalog::foreign_key_triggers(const std::string& owner, const std::string& table) {
    std::vector<std::string> ids, out;
    {
        Stmt q(db_, "SELECT id FROM main.vantro_constraints WHERE owner=?1 AND table_name=?2 AND constraint_type='R'");
        sqlite3_bind_text(q.get(), 1, owner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(q.get(), 2, table.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(q.get()) == SQLITE_ROW)
            ids.push_back(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
    }
    for (const std::string& id : ids) {
        Stmt q(db_, "SELECT name FROM \"" + owner + "\".sqlite_schema WHERE type='trigger' AND name GLOB ?1");
        const std::string pattern = "VANTRO$FK" + id + "[A-Z]*";
        sqlite3_bind_text(q.get(), 1, pattern.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(q.get()) == SQLITE_ROW)
            out.push_back(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
    }
    return out;
}

std::string catalog_constraint_name(sqlite3* db, const std::string& owner, const std::string& table, char kind,
                                    const std::string& columns) {
    const char* sql = nullptr;
    switch (kind) {
    case 'U':
        sql = "SELECT k.owner, " CONSTRAINT_NAME
              " FROM main.vantro_constraints k WHERE k.owner=?1 AND k.table_name=?2"
              " AND k.constraint_type IN ('P','U') AND " KEY_COLUMNS "=?3";
        break;
    case 'R':
        sql = "SELECT k.owner, " CONSTRAINT_NAME
              " FROM main.vantro_constraints k WHERE k.owner=?1 AND k.table_name=?2"
              " AND k.constraint_type='R' AND ?3 IS NOT NULL ORDER BY 2";
        break;
    case 'r':
        sql = "SELECT k.owner, " CONSTRAINT_NAME
              " FROM main.vantro_constraints k JOIN main.vantro_constraints p"
              " ON p.id=k.r_constraint_id WHERE p.owner=?1 AND p.table_name=?2 AND k.constraint_type='R'"
              " AND ?3 IS NOT NULL ORDER BY 2";
        break;
    default:
        sql = "SELECT k.owner, " CONSTRAINT_NAME
              " FROM main.vantro_constraints k WHERE k.owner=?1 AND k.table_name=?2"
              " AND k.constraint_type='C' AND " CONSTRAINT_NAME "=?3";
        break;
    }
    CatalogStatement q(db, sql);
    q.text(1, owner).text(2, table).text(3, columns);
    if (!q.row()) return "";
    return q.column(0) + "." + q.column(1);
}

std::string catalog_unique_key_name(sqlite3* db, const std::string& owner, const std::string& detail) {
    const std::string kIndex = "index '";
    if (detail.compare(0, kIndex.size(), kIndex) == 0) {
        std::size_t end = detail.find('\'', kIndex.size());
        if (end == std::string::npos) return "";
        return owner + "." + detail.substr(kIndex.size(), end - kIndex.size());
    }
    // "T.A, T.B": the table and the columns of the violated key.
    std::string table, columns;
    std::size_t pos = 0;
    while (pos < detail.size()) {
        std::size_t comma = detail.find(", ", pos);
        std::string part = detail.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        std::size_t dot = part.find('.');
        if (dot != std::string::npos) {
            table = part.substr(0, dot);
            columns += (columns.empty() ? "" : ",") + part.substr(dot + 1);
        }
        if (comma == std::string::npos) break;
        pos = comma + 2;
    }
    if (table.empty()) return "";
    std::string name = catalog_constraint_name(db, owner, table, 'U', columns);
    if (!name.empty()) return name;
    // A unique index made by CREATE UNIQUE INDEX: the one whose columns are the key's.
    Stmt list(db,
              "SELECT l.name, (SELECT group_concat(name, ',') FROM (SELECT i.name FROM pragma_index_info(l.name, ?2) i"
              " ORDER BY i.seqno)) FROM pragma_index_list(?1, ?2) l WHERE l.\"unique\"=1 AND l.origin='c'");
    sqlite3_bind_text(list.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(list.get(), 2, owner.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(list.get()) == SQLITE_ROW) {
        const unsigned char* index = sqlite3_column_text(list.get(), 0);
        const unsigned char* keys = sqlite3_column_text(list.get(), 1);
        if (index && keys && columns == reinterpret_cast<const char*>(keys))
            return owner + "." + reinterpret_cast<const char*>(index);
    }
    return "";
}

std::string catalog_violated_constraint(sqlite3* db, const std::string& owner, const std::string& table, int code,
                                        const std::string& message, bool parent) {
    std::size_t colon = message.find(": ");
    std::string detail = colon == std::string::npos ? std::string() : message.substr(colon + 2);
    switch (code) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
        return catalog_unique_key_name(db, owner, detail);
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return catalog_constraint_name(db, owner, table, parent ? 'r' : 'R', "");
    case SQLITE_CONSTRAINT_CHECK:
        return catalog_constraint_name(db, owner, table, 'C', detail);
    default:
        return "";
    }
}

std::string catalog_foreign_key_violation(sqlite3* db, const std::vector<std::string>& only) {
    std::vector<std::string> schemas;
    {
        Stmt q(db, "SELECT name FROM pragma_database_list WHERE name<>'main' ORDER BY seq");
        while (sqlite3_step(q.get()) == SQLITE_ROW)
            schemas.push_back(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
    }
    for (const std::string& schema : schemas) {
        if (schema != "temp" && !catalog_valid_user_name(schema)) continue;
        // Each violated key of a table once: (table, key id).
        std::vector<std::pair<std::string, long long>> violated;
        {
            Stmt q(db, "PRAGMA \"" + schema + "\".foreign_key_check");
            while (sqlite3_step(q.get()) == SQLITE_ROW) {
                std::pair<std::string, long long> v(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)),
                                                    sqlite3_column_int64(q.get(), 3));
                if (std::find(violated.begin(), violated.end(), v) == violated.end()) violated.push_back(v);
                if (only.empty()) break;
            }
        }
        for (const auto& [table, fk] : violated) {
            std::string columns;
            {
                Stmt q(db, "SELECT \"from\" FROM pragma_foreign_key_list(?1,?2) WHERE id=?3 ORDER BY seq");
                sqlite3_bind_text(q.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(q.get(), 2, schema.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int64(q.get(), 3, fk);
                while (sqlite3_step(q.get()) == SQLITE_ROW)
                    columns += (columns.empty() ? "" : ",") +
                               std::string(reinterpret_cast<const char*>(sqlite3_column_text(q.get(), 0)));
            }
            // A session's rows of a temporary table are checked in TEMP under the table's name.
            CatalogStatement q(db, "SELECT k.owner, " CONSTRAINT_NAME
                                   " FROM main.vantro_constraints k WHERE (k.owner=?1 OR (?1='temp' AND EXISTS"
                                   " (SELECT 1 FROM main.vantro_temporary_tables t WHERE t.owner=k.owner"
                                   " AND t.table_name=k.table_name))) AND k.table_name=?2 AND k.constraint_type='R'"
                                   " AND " KEY_COLUMNS "=?3 ORDER BY 1, 2 LIMIT 1");
            q.text(1, schema).text(2, table).text(3, columns);
            if (!q.row()) continue;
            std::string name = q.column(0) + "." + q.column(1);
            if (only.empty() || std::find(only.begin(), only.end(), name) != only.end()) return name;
        }
    }
    return "";
}

bool catalog_constraint_deferrable(sqlite3* db, const std::string& owner, const std::string& name, bool* deferrable,
                                   bool* deferred) {
    CatalogStatement q(db,
                       "SELECT k.is_deferrable, k.is_deferred FROM main.vantro_constraints k"
                       " WHERE k.owner=?1 AND " CONSTRAINT_NAME "=?2");
    q.text(1, owner).text(2, name);
    if (!q.row()) return false;
    *deferrable = q.column(0) == "DEFERRABLE";
    *deferred = q.column(1) == "DEFERRED";
    return true;
}

bool SqliteCatalog::index_exists(const std::string& owner, const std::string& name) {
    if (!catalog_valid_user_name(owner) || !schema_exists(owner)) return false;
    CatalogStatement q(db_, "SELECT 1 FROM \"" + owner + "\".sqlite_master WHERE type='index' AND name=?1");
    q.text(1, name);
    return q.row();
}

bool SqliteCatalog::index_info(const std::string& owner, const std::string& name, IndexInfo* out) {
    if (!catalog_valid_user_name(owner) || !schema_exists(owner)) return false;
    CatalogStatement q(db_, "SELECT tbl_name,sql FROM \"" + owner + "\".sqlite_master WHERE type='index' AND name=?1");
    q.text(1, name);
    if (!q.row()) return false;
    out->table = q.column(0);
    out->sql = q.column(1);
    CatalogStatement p(db_,
                       "SELECT o.locality,i.partition_name FROM main.vantro_index_options o LEFT JOIN "
                       "main.vantro_ind_partitions i ON i.owner=o.owner AND i.index_name=o.index_name WHERE "
                       "o.owner=?1 AND o.index_name=?2 ORDER BY i.partition_position");
    p.text(1, owner).text(2, name);
    while (p.row()) {
        out->local = p.column(0) == "LOCAL";
        if (sqlite3_column_type(p.get(), 1) != SQLITE_NULL) out->partitions.push_back(p.column(1));
    }
    return true;
}

bool SqliteCatalog::table_partitions(const std::string& owner, const std::string& table, TablePartitions* out) {
    CatalogStatement m(db_,
                       "SELECT partitioning_type,interval IS NOT NULL FROM main.vantro_part_tables WHERE owner=?1 AND"
                       " table_name=?2");
    m.text(1, owner).text(2, table);
    if (!m.row()) return false;
    out->method = m.column(0);
    out->interval = m.column_int(1) != 0;
    std::vector<std::string>* key_columns = &out->keys;
    std::vector<std::pair<std::string, std::string>>* partitions = &out->partitions;
    CatalogStatement k(db_,
                       "SELECT column_name FROM main.vantro_part_key_columns WHERE owner=?1 AND table_name=?2"
                       " ORDER BY column_position");
    k.text(1, owner).text(2, table);
    while (k.row()) key_columns->push_back(k.column(0));
    CatalogStatement p(db_,
                       "SELECT partition_name,coalesce(high_value,'') FROM main.vantro_tab_partitions WHERE owner=?1"
                       " AND table_name=?2 ORDER BY partition_position");
    p.text(1, owner).text(2, table);
    while (p.row()) partitions->emplace_back(p.column(0), p.column(1));
    return !key_columns->empty();
}

bool SqliteCatalog::dictionary_view(const std::string& name, std::vector<ColumnInfo>* columns, std::string* sql) {
    if (name == "PLAN_TABLE") {
        // The session's own plan table, for schemas without one of their own.
        explain_plan_table_columns(columns);
        *sql = "temp.\"PLAN_TABLE\"";
        return true;
    }
    if (!dictionary_view_columns(name, columns)) return false;
    if (name.find("OBJECTS") != std::string::npos || name.find("ARGUMENTS") != std::string::npos ||
        name.find("PROCEDURES") != std::string::npos)
        dictionary_sync_objects(db_);
    *sql = "temp.\"" + name + "\"";
    return true;
}

bool SqliteCatalog::synonym_target(const std::string& schema, const std::string& name, std::string* owner,
                                   std::string* target) {
    return dictionary_synonym_target(db_, schema, name, owner, target);
}

bool SqliteCatalog::private_synonym_target(const std::string& owner, const std::string& name, std::string* target_owner,
                                           std::string* target) {
    CatalogStatement q(db_,
                       "SELECT coalesce(table_owner,''),table_name FROM main.vantro_synonyms WHERE owner=?1 AND"
                       " synonym_name=?2 AND db_link IS NULL");
    q.text(1, owner).text(2, name);
    if (!q.row()) return false;
    *target_owner = q.column(0);
    *target = q.column(1);
    return true;
}

// The UNUSABLE indexes of the table, the unique ones and those of a key first: SQLite
// keeps every index up to date, so an unusable one only decides whether DML may run.
std::string SqliteCatalog::unusable_index(const std::string& owner, const std::string& table, bool skip) {
    if (!catalog_valid_user_name(owner)) return {};
    const std::uint64_t generation = catalog_generation(db_);
    const std::string key = std::string(skip ? "unusable-key " : "unusable ") + owner + "." + table;
    std::string answer;
    if (catalog_remembered_answer(db_, generation, key, &answer)) return answer;
    CatalogStatement q(db_,
                       "SELECT o.index_name FROM main.vantro_index_options o WHERE o.owner=?1 AND o.table_name=?2"
                       " AND o.status='UNUSABLE' AND (?3=0 OR EXISTS (SELECT 1 FROM pragma_index_list(?2,?1) il"
                       " WHERE il.name=o.index_name AND il.\"unique\") OR EXISTS (SELECT 1 FROM"
                       " main.vantro_constraints c WHERE c.owner=?1 AND c.table_name=?2 AND"
                       " c.constraint_name=o.index_name AND c.constraint_type IN ('P','U'))) ORDER BY 1 LIMIT 1");
    q.text(1, owner).text(2, table).integer(3, skip ? 1 : 0);
    answer = q.row() ? owner + "." + q.column(0) : std::string();
    catalog_remember_answer(db_, generation, key, answer);
    return answer;
}

// A view's WITH READ ONLY or WITH CHECK OPTION is kept as its constraint of type O or V.
char SqliteCatalog::view_restriction(const std::string& owner, const std::string& name) {
    // Asked for the target of every DML statement: a schema that is not attached fails to
    // prepare and answers "no view", without a schema check of its own per statement.
    if (!catalog_valid_user_name(owner)) return 0;
    const std::uint64_t generation = catalog_generation(db_);
    const std::string key = "view " + owner + "." + name;
    std::string answer;
    if (catalog_remembered_answer(db_, generation, key, &answer)) return answer.empty() ? 0 : answer[0];
    const char kind = view_restriction_read(owner, name);
    catalog_remember_answer(db_, generation, key, kind ? std::string(1, kind) : std::string());
    return kind;
}

char SqliteCatalog::view_restriction_read(const std::string& owner, const std::string& name) {
    CatalogStatement q(
        db_,
        "SELECT coalesce((SELECT constraint_type FROM main.vantro_constraints WHERE owner=?1 AND"
        " table_name=?2 AND constraint_type IN ('O','V') ORDER BY constraint_type LIMIT 1),'N') FROM \"" +
            owner + "\".sqlite_master WHERE type='view' AND name=?2");
    q.text(1, owner).text(2, name);
    if (!q.row()) return materialized_view(owner, name) ? 'M' : 0;
    std::string kind = q.column(0);
    return kind.empty() ? 'N' : kind[0];
}

bool SqliteCatalog::materialized_view(const std::string& owner, const std::string& name) {
    CatalogStatement q(db_, "SELECT 1 FROM main.vantro_mviews WHERE owner=?1 AND mview_name=?2");
    q.text(1, owner).text(2, name);
    return q.row();
}

bool SqliteCatalog::mview_log(const std::string& owner, const std::string& table) {
    CatalogStatement q(db_, "SELECT 1 FROM main.vantro_mview_logs WHERE log_owner=?1 AND master=?2");
    q.text(1, owner).text(2, table);
    return q.row();
}

bool SqliteCatalog::view_text(const std::string& owner, const std::string& name, std::string* text) {
    CatalogStatement q(db_, "SELECT text FROM main.vantro_views WHERE owner=?1 AND view_name=?2 AND text IS NOT NULL");
    q.text(1, owner).text(2, name);
    if (!q.row()) return false;
    *text = q.column(0);
    return true;
}

bool SqliteCatalog::sequence_exists(const std::string& owner, const std::string& name) {
    // Another schema's sequence the session may not select from stays unseen.
    return users_object_access(db_, owner, name, "SELECT") == 0 && dictionary_sequence_exists(db_, owner, name);
}

bool catalog_mark_altering(sqlite3* db, const std::string& owner, const std::string& table, OraError* err) {
    Stmt q(db, "INSERT OR REPLACE INTO main.vantro_altering(owner, table_name) VALUES (?1, ?2)");
    q.text(1, owner).text(2, table);
    return q.run() || sqlite_failed(db, err);
}

void catalog_unmark_altering(sqlite3* db, const std::string& owner, const std::string& table) {
    Stmt q(db, "DELETE FROM main.vantro_altering WHERE owner=?1 AND table_name=?2");
    q.text(1, owner).text(2, table).run();
}

void SqliteCatalog::generated_columns(const std::string& owner, const std::string& table,
                                      std::vector<GeneratedColumn>* out) {
    out->clear();
    // Asked only for a table the statement has already resolved (and may see), once per
    // INSERT: no schema check of its own, which would cost more than the lookup.
    CatalogStatement q(db_,
                       "SELECT column_name,kind,generation='ALWAYS',on_null,coalesce(fill_sql,'')"
                       " FROM main.vantro_generated_columns WHERE owner=?1 AND table_name=?2");
    q.text(1, owner).text(2, table);
    while (q.row()) {
        GeneratedColumn g;
        g.name = q.column(0);
        std::string kind = q.column(1);
        g.kind = kind.empty() ? 'D' : kind[0];
        g.always = q.column_int(2) != 0;
        g.on_null = q.column_int(3) != 0;
        g.fill_sql = q.column(4);
        out->push_back(g);
    }
}

std::string SqliteCatalog::column_default(const std::string& owner, const std::string& table,
                                          const std::string& column) {
    // SQLite keeps the default as the translated expression CREATE TABLE gave it.
    CatalogStatement q(db_, "SELECT coalesce(dflt_value,'') FROM pragma_table_xinfo(?2, ?1) WHERE name=?3");
    q.text(1, owner).text(2, table).text(3, column);
    return q.row() ? q.column(0) : std::string();
}
