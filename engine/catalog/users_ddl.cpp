// Users, roles and privileges. A user is a row of vantro_users and a schema file named
// after it; its account settings are a row of vantro_user_settings. Roles are names in
// vantro_roles. A system privilege or role granted is a row of vantro_sys_privs or
// vantro_role_privs, an object privilege one of vantro_tab_privs per grantor, as Oracle
// keeps one grant per grantor (REVOKE takes back only the revoker's own).
#include "catalog/users_ddl.h"
#include "catalog/catalog_sqlite.h"

#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"
#include "os/os.h"
#include "values/errors.h"
#include "values/sqlite_statement.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <set>
#include <vector>

namespace {

using Stmt = SqliteStatement;

// The system privileges GRANT accepts; DBA holds them all.
const char* const kSystemPrivileges[] = {"CREATE SESSION",
                                         "ALTER SESSION",
                                         "RESTRICTED SESSION",
                                         "CREATE TABLE",
                                         "CREATE ANY TABLE",
                                         "ALTER ANY TABLE",
                                         "DROP ANY TABLE",
                                         "SELECT ANY TABLE",
                                         "INSERT ANY TABLE",
                                         "UPDATE ANY TABLE",
                                         "DELETE ANY TABLE",
                                         "LOCK ANY TABLE",
                                         "COMMENT ANY TABLE",
                                         "CREATE VIEW",
                                         "CREATE ANY VIEW",
                                         "DROP ANY VIEW",
                                         "CREATE SEQUENCE",
                                         "CREATE ANY SEQUENCE",
                                         "ALTER ANY SEQUENCE",
                                         "DROP ANY SEQUENCE",
                                         "SELECT ANY SEQUENCE",
                                         "CREATE SYNONYM",
                                         "CREATE ANY SYNONYM",
                                         "DROP ANY SYNONYM",
                                         "CREATE PUBLIC SYNONYM",
                                         "DROP PUBLIC SYNONYM",
                                         "CREATE PROCEDURE",
                                         "CREATE ANY PROCEDURE",
                                         "ALTER ANY PROCEDURE",
                                         "DROP ANY PROCEDURE",
                                         "EXECUTE ANY PROCEDURE",
                                         "CREATE TRIGGER",
                                         "CREATE ANY TRIGGER",
                                         "ALTER ANY TRIGGER",
                                         "DROP ANY TRIGGER",
                                         "CREATE TYPE",
                                         "CREATE ANY TYPE",
                                         "EXECUTE ANY TYPE",
                                         "CREATE ANY INDEX",
                                         "ALTER ANY INDEX",
                                         "DROP ANY INDEX",
                                         "CREATE USER",
                                         "ALTER USER",
                                         "DROP USER",
                                         "BECOME USER",
                                         "CREATE ROLE",
                                         "ALTER ANY ROLE",
                                         "DROP ANY ROLE",
                                         "GRANT ANY ROLE",
                                         "GRANT ANY PRIVILEGE",
                                         "GRANT ANY OBJECT PRIVILEGE",
                                         "CREATE TABLESPACE",
                                         "ALTER TABLESPACE",
                                         "DROP TABLESPACE",
                                         "UNLIMITED TABLESPACE",
                                         "CREATE DATABASE LINK",
                                         "CREATE PUBLIC DATABASE LINK",
                                         "CREATE MATERIALIZED VIEW",
                                         "CREATE ANY MATERIALIZED VIEW",
                                         "ALTER ANY MATERIALIZED VIEW",
                                         "DROP ANY MATERIALIZED VIEW",
                                         "QUERY REWRITE",
                                         "GLOBAL QUERY REWRITE",
                                         "CREATE DIMENSION",
                                         "CREATE ANY DIMENSION",
                                         "ALTER ANY DIMENSION",
                                         "DROP ANY DIMENSION",
                                         "CREATE CLUSTER",
                                         "CREATE JOB",
                                         "SELECT ANY DICTIONARY",
                                         "ANALYZE ANY",
                                         "ALTER SYSTEM",
                                         "ALTER DATABASE",
                                         "AUDIT ANY",
                                         "DEBUG CONNECT SESSION",
                                         "CREATE INDEXTYPE",
                                         "CREATE OPERATOR"};

bool known_system_privilege(const std::string& p) {
    for (const char* k : kSystemPrivileges)
        if (p == k) return true;
    return false;
}

bool is_superuser(const std::string& who) {
    return who == "SYS" || who == "SYSTEM";
}

bool fail_with(OraError* err, int code, std::uint32_t offset, const std::string& a1 = {}, const std::string& a2 = {}) {
    *err = ora_error(code, a1, a2);
    err->offset = offset;
    return false;
}

using catalog_sqlite::sqlite_failed;

bool user_exists(sqlite3* db, const std::string& name) {
    Stmt q(db, "SELECT 1 FROM main.vantro_users WHERE name=?1");
    q.text(1, name);
    return q.row();
}

bool role_exists(sqlite3* db, const std::string& name) {
    Stmt q(db, "SELECT 1 FROM main.vantro_roles WHERE name=?1");
    q.text(1, name);
    return q.row();
}

// Runs the statements given in one savepoint; false (everything undone) at the first failure.
class Writes {
public:
    explicit Writes(sqlite3* db) : db_(db) { open_ = sqlite3_exec(db, "SAVEPOINT vantro_users", 0, 0, 0) == SQLITE_OK; }
    ~Writes() {
        if (open_) undo();
    }
    bool ok() const { return open_; }
    bool run(Stmt& q, OraError* err) { return q.run() || sqlite_failed(db_, err); }
    bool finish(OraError* err) {
        if (sqlite3_exec(db_, "RELEASE vantro_users", 0, 0, 0) != SQLITE_OK) {
            sqlite_failed(db_, err);
            undo();
            return false;
        }
        open_ = false;
        catalog_cache_invalidate(db_);
        return true;
    }

private:
    void undo() {
        sqlite3_exec(db_, "ROLLBACK TO vantro_users", 0, 0, 0);
        sqlite3_exec(db_, "RELEASE vantro_users", 0, 0, 0);
        open_ = false;
    }
    sqlite3* db_;
    bool open_ = false;
};

bool begin(Writes& w, sqlite3* db, OraError* err) {
    return w.ok() || sqlite_failed(db, err);
}

// The roles `who` holds, with PUBLIC and who itself: the grantees whose privileges count.
const char* const kHolders =
    "WITH RECURSIVE h(name) AS (SELECT ?1 UNION SELECT 'PUBLIC' UNION"
    " SELECT p.granted_role FROM main.vantro_role_privs p JOIN h ON p.grantee=h.name)";

// The same without roles: what counts inside a definer's-rights unit.
const char* const kDirectHolders = "WITH h(name) AS (SELECT ?1 UNION SELECT 'PUBLIC')";

// The ANY privileges that reach an object of another schema, by kind of object and the
// use they allow.
struct AnyPrivilege {
    const char* kind;
    const char* use;
    const char* privilege;
};
const AnyPrivilege kAnyPrivileges[] = {
    {"TABLE", "SELECT", "SELECT ANY TABLE"},
    {"TABLE", "INSERT", "INSERT ANY TABLE"},
    {"TABLE", "UPDATE", "UPDATE ANY TABLE"},
    {"TABLE", "DELETE", "DELETE ANY TABLE"},
    {"VIEW", "SELECT", "SELECT ANY TABLE"},
    {"VIEW", "INSERT", "INSERT ANY TABLE"},
    {"VIEW", "UPDATE", "UPDATE ANY TABLE"},
    {"VIEW", "DELETE", "DELETE ANY TABLE"},
    {"SEQUENCE", "SELECT", "SELECT ANY SEQUENCE"},
    {"SEQUENCE", "ALTER", "ALTER ANY SEQUENCE"},
    {"PROCEDURE", "EXECUTE", "EXECUTE ANY PROCEDURE"},
    {"FUNCTION", "EXECUTE", "EXECUTE ANY PROCEDURE"},
    {"PACKAGE", "EXECUTE", "EXECUTE ANY PROCEDURE"},
    {"TYPE", "EXECUTE", "EXECUTE ANY TYPE"},
};

bool holds_role(sqlite3* db, const std::string& who, const std::string& role) {
    Stmt q(db, std::string(kHolders) + " SELECT 1 FROM h WHERE name=?2");
    q.text(1, who).text(2, role);
    return q.row();
}

// Whether who may pass the system privilege or role on: it holds it WITH ADMIN OPTION
// (directly or through a role) or holds GRANT ANY PRIVILEGE / GRANT ANY ROLE.
bool may_administer(sqlite3* db, const std::string& who, const std::string& name, bool role) {
    if (users_has_sys_priv(db, who, role ? "GRANT ANY ROLE" : "GRANT ANY PRIVILEGE")) return true;
    const std::string sql =
        std::string(kHolders) + (role ? " SELECT 1 FROM main.vantro_role_privs p JOIN h ON p.grantee=h.name"
                                        " WHERE p.granted_role=?2 AND p.admin_option<>0"
                                      : " SELECT 1 FROM main.vantro_sys_privs p JOIN h ON p.grantee=h.name"
                                        " WHERE p.privilege=?2 AND p.admin_option<>0");
    Stmt q(db, sql);
    q.text(1, who).text(2, name);
    return q.row();
}

bool require(sqlite3* db, const std::string& who, const char* privilege, OraError* err) {
    return users_has_sys_priv(db, who, privilege) || fail_with(err, 1031, 0);
}

// --- users ------------------------------------------------------------------------

bool write_settings(Writes& w, sqlite3* db, const AccessClause& a, OraError* err) {
    {
        Stmt q(db, "INSERT OR IGNORE INTO main.vantro_user_settings(name) VALUES (?1)");
        q.text(1, a.name);
        if (!w.run(q, err)) return false;
    }
    Stmt q(db,
           "UPDATE main.vantro_user_settings SET default_tablespace=coalesce(?2,default_tablespace),"
           " temporary_tablespace=coalesce(?3,temporary_tablespace), profile=coalesce(?4,profile),"
           " locked=CASE ?5 WHEN 1 THEN 1 WHEN 0 THEN 0 ELSE locked END,"
           " lock_date=CASE ?5 WHEN 1 THEN coalesce(lock_date,datetime('now')) WHEN 0 THEN NULL ELSE lock_date END,"
           " expired=CASE WHEN ?6 THEN 1 WHEN ?7 THEN 0 ELSE expired END WHERE name=?1");
    q.text(1, a.name).optional(2, a.default_tablespace).optional(3, a.temporary_tablespace).optional(4, a.profile);
    if (a.lock >= 0)
        q.integer(5, a.lock);
    else
        q.null(5);
    q.integer(6, a.expire ? 1 : 0).integer(7, a.identified && !a.expire ? 1 : 0);
    return w.run(q, err);
}

bool create_user(sqlite3* db, const std::string& folder, const std::string& who, const AccessClause& a, OraError* err) {
    if (!require(db, who, "CREATE USER", err)) return false;
    if (!catalog_valid_user_name(a.name)) return fail_with(err, 1935, a.name_offset);
    if (user_exists(db, a.name) || role_exists(db, a.name) || a.name == "PUBLIC")
        return fail_with(err, 1920, a.name_offset, a.name);
    {
        Writes w(db);
        if (!begin(w, db, err) || !catalog_add_user(db, a.name, a.password, true, err) ||
            !write_settings(w, db, a, err) || !w.finish(err))
            return false;
    }
    // The schema file is made now, as a first logon makes it. A SYS session sees every
    // schema, so it keeps the new one attached; another session would gain a schema it
    // may not see.
    if (!catalog_attach_user(db, folder, a.name, err)) return false;
    if (who != "SYS") {
        const std::string detach = "DETACH DATABASE \"" + a.name + "\"";
        sqlite3_exec(db, detach.c_str(), nullptr, nullptr, nullptr);
        catalog_cache_invalidate(db);
    }
    return true;
}

bool alter_user(sqlite3* db, const std::string& who, const AccessClause& a, OraError* err) {
    // Anyone may change their own password; everything else needs ALTER USER.
    const bool own_password = a.name == who && a.identified && a.lock < 0 && !a.expire &&
                              a.default_tablespace.empty() && a.temporary_tablespace.empty() && a.profile.empty();
    if (!own_password && !require(db, who, "ALTER USER", err)) return false;
    if (!user_exists(db, a.name)) return fail_with(err, 1918, a.name_offset, a.name);
    Writes w(db);
    if (!begin(w, db, err)) return false;
    if (a.identified && !catalog_set_password(db, a.name, a.password, err)) return false;
    return write_settings(w, db, a, err) && w.finish(err);
}

// What a user owns, by the catalog's rows of its objects.
bool owns_objects(sqlite3* db, const std::string& user) {
    const char* const probes[] = {
        "SELECT 1 FROM main.vantro_columns WHERE owner=?1",
        "SELECT 1 FROM main.vantro_sequences WHERE sequence_owner=?1",
        "SELECT 1 FROM main.vantro_plsql_objects WHERE owner=?1",
        "SELECT 1 FROM main.vantro_synonyms WHERE owner=?1",
        "SELECT 1 FROM main.vantro_views WHERE owner=?1",
        "SELECT 1 FROM main.vantro_dimensions WHERE owner=?1",
    };
    for (const char* sql : probes) {
        Stmt q(db, sql);
        q.text(1, user);
        if (q.row()) return true;
    }
    return false;
}

bool drop_user(sqlite3* db, const std::string& folder, const std::string& who, const AccessClause& a, OraError* err) {
    if (!require(db, who, "DROP USER", err)) return false;
    if (!user_exists(db, a.name)) return fail_with(err, 1918, a.name_offset, a.name);
    if (users_sessions_of(folder, a.name) > 0) return fail_with(err, 1940, a.name_offset);
    if (!a.cascade && owns_objects(db, a.name)) return fail_with(err, 1922, a.name_offset, a.name);
    // Every catalog table keyed by an owner, a grantee or a grantor loses the user's rows.
    std::vector<std::pair<std::string, std::string>> keyed;
    {
        Stmt q(db,
               "SELECT m.name,c.name FROM main.sqlite_master m, pragma_table_info(m.name,'main') c"
               " WHERE m.type='table' AND m.name LIKE 'vantro%' AND c.name IN"
               " ('owner','sequence_owner','grantee','grantor','name')");
        while (q.row()) keyed.emplace_back(q.column(0), q.column(1));
    }
    Writes w(db);
    if (!begin(w, db, err)) return false;
    for (const auto& k : keyed) {
        if (k.second == "name" && k.first != "vantro_users" && k.first != "vantro_user_settings") continue;
        Stmt d(db, "DELETE FROM main.\"" + k.first + "\" WHERE \"" + k.second + "\"=?1");
        d.text(1, a.name);
        if (!w.run(d, err)) return false;
    }
    {
        Stmt d(db,
               "DELETE FROM main.vantro_cons_columns WHERE constraint_id NOT IN (SELECT id FROM "
               "main.vantro_constraints)");
        if (!w.run(d, err)) return false;
    }
    if (!w.finish(err)) return false;
    const std::string detach = "DETACH DATABASE \"" + a.name + "\"";
    sqlite3_exec(db, detach.c_str(), nullptr, nullptr, nullptr);
    catalog_cache_invalidate(db);
    const std::string path = folder + os_path_separator() + a.name + ".db";
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
    return true;
}

// --- roles ------------------------------------------------------------------------

bool create_role(sqlite3* db, const std::string& who, const AccessClause& a, OraError* err) {
    if (!require(db, who, "CREATE ROLE", err)) return false;
    if (!catalog_valid_user_name(a.name)) return fail_with(err, 1935, a.name_offset);
    if (user_exists(db, a.name) || role_exists(db, a.name) || a.name == "PUBLIC")
        return fail_with(err, 1921, a.name_offset, a.name);
    Writes w(db);
    if (!begin(w, db, err)) return false;
    Stmt ins(db, "INSERT INTO main.vantro_roles(name) VALUES (?1)");
    ins.text(1, a.name);
    // The creator holds the new role WITH ADMIN OPTION, as in Oracle.
    Stmt own(db, "INSERT OR REPLACE INTO main.vantro_role_privs VALUES (?1,?2,1)");
    own.text(1, who).text(2, a.name);
    return w.run(ins, err) && w.run(own, err) && w.finish(err);
}

bool drop_role(sqlite3* db, const std::string& who, const AccessClause& a, OraError* err) {
    if (!role_exists(db, a.name)) return fail_with(err, 1919, a.name_offset, a.name);
    if (!may_administer(db, who, a.name, true) && !users_has_sys_priv(db, who, "DROP ANY ROLE"))
        return fail_with(err, 1031, 0);
    Writes w(db);
    if (!begin(w, db, err)) return false;
    const char* const sql[] = {
        "DELETE FROM main.vantro_roles WHERE name=?1",
        "DELETE FROM main.vantro_role_privs WHERE grantee=?1 OR granted_role=?1",
        "DELETE FROM main.vantro_sys_privs WHERE grantee=?1",
        "DELETE FROM main.vantro_tab_privs WHERE grantee=?1",
    };
    for (const char* text : sql) {
        Stmt d(db, text);
        d.text(1, a.name);
        if (!w.run(d, err)) return false;
    }
    return w.finish(err);
}

// --- grants -----------------------------------------------------------------------

bool check_grantees(sqlite3* db, const std::string& who, const AccessClause& a, OraError* err) {
    for (std::size_t i = 0; i < a.grantees.size(); ++i) {
        const std::string& g = a.grantees[i];
        if (g == who) return fail_with(err, 1749, a.grantee_offsets[i]);
        if (g != "PUBLIC" && !user_exists(db, g) && !role_exists(db, g))
            return fail_with(err, 1917, a.grantee_offsets[i], g);
    }
    return true;
}

// GRANT/REVOKE of system privileges and roles. ALL [PRIVILEGES] stands for every
// system privilege.
bool system_grant(sqlite3* db, const std::string& who, const AccessClause& a, bool grant, OraError* err) {
    struct Item {
        std::string name;
        bool role;
        std::uint32_t offset;
    };
    std::vector<Item> items;
    for (std::size_t i = 0; i < a.privileges.size(); ++i) {
        const std::string& p = a.privileges[i];
        if (p == "ALL") {
            for (const char* k : kSystemPrivileges) items.push_back({k, false, a.privilege_offsets[i]});
        } else if (known_system_privilege(p)) {
            items.push_back({p, false, a.privilege_offsets[i]});
        } else if (role_exists(db, p)) {
            items.push_back({p, true, a.privilege_offsets[i]});
        } else if (p.find(' ') == std::string::npos && p != "SELECT" && p != "INSERT" && p != "UPDATE" &&
                   p != "DELETE" && p != "EXECUTE" && p != "REFERENCES" && p != "ALTER" && p != "INDEX") {
            return fail_with(err, 1919, a.privilege_offsets[i], p);
        } else {
            return fail_with(err, 990, a.privilege_offsets[i]);
        }
    }
    for (const Item& it : items)
        if (!is_superuser(who) && !may_administer(db, who, it.name, it.role)) return fail_with(err, 1031, 0);
    if (!check_grantees(db, who, a, err)) return false;
    Writes w(db);
    if (!begin(w, db, err)) return false;
    for (const std::string& g : a.grantees) {
        for (const Item& it : items) {
            if (grant) {
                // A second grant keeps an admin option the first one gave.
                const char* sql = it.role ? "INSERT INTO main.vantro_role_privs VALUES (?1,?2,?3) ON CONFLICT"
                                            " DO UPDATE SET admin_option=max(admin_option,excluded.admin_option)"
                                          : "INSERT INTO main.vantro_sys_privs VALUES (?1,?2,?3) ON CONFLICT"
                                            " DO UPDATE SET admin_option=max(admin_option,excluded.admin_option)";
                if (it.role && (it.name == g || holds_role(db, it.name, g)))
                    return fail_with(err, 1934, it.offset);  // a role granted to itself, round about
                Stmt q(db, sql);
                q.text(1, g).text(2, it.name).integer(3, a.with_option ? 1 : 0);
                if (!w.run(q, err)) return false;
            } else {
                Stmt q(db, it.role ? "DELETE FROM main.vantro_role_privs WHERE grantee=?1 AND granted_role=?2"
                                   : "DELETE FROM main.vantro_sys_privs WHERE grantee=?1 AND privilege=?2");
                q.text(1, g).text(2, it.name);
                if (!w.run(q, err)) return false;
                if (sqlite3_changes(db) == 0 && a.privileges.size() == 1 && a.privileges[0] != "ALL")
                    return it.role ? fail_with(err, 1951, it.offset, it.name, g) : fail_with(err, 1952, it.offset, g);
            }
        }
    }
    return w.finish(err);
}

// The kind of owner.name as GRANT sees it: TABLE, VIEW, SEQUENCE, a PL/SQL unit's type,
// or empty when there is no such object.
std::string object_kind(sqlite3* db, const std::string& owner, const std::string& name) {
    {
        Stmt q(db, "SELECT 1 FROM main.vantro_views WHERE owner=?1 AND view_name=?2");
        q.text(1, owner).text(2, name);
        if (q.row()) return "VIEW";
    }
    {
        Stmt q(db, "SELECT 1 FROM main.vantro_columns WHERE owner=?1 AND table_name=?2");
        q.text(1, owner).text(2, name);
        if (q.row()) return "TABLE";
    }
    {
        Stmt q(db, "SELECT 1 FROM main.vantro_sequences WHERE sequence_owner=?1 AND sequence_name=?2");
        q.text(1, owner).text(2, name);
        if (q.row()) return "SEQUENCE";
    }
    Stmt q(db,
           "SELECT type FROM main.vantro_plsql_objects WHERE owner=?1 AND name=?2 AND type IN"
           " ('PROCEDURE','FUNCTION','PACKAGE','TYPE')");
    q.text(1, owner).text(2, name);
    return q.row() ? q.column(0) : std::string();
}

// The privileges ALL stands for on an object of the kind.
std::vector<std::string> all_privileges(const std::string& kind) {
    if (kind == "TABLE") return {"ALTER", "DELETE", "INDEX", "INSERT", "REFERENCES", "SELECT", "UPDATE"};
    if (kind == "VIEW") return {"DELETE", "INSERT", "SELECT", "UPDATE"};
    if (kind == "SEQUENCE") return {"ALTER", "SELECT"};
    return {"EXECUTE"};
}

// ORA- code when the privilege does not apply to the kind of object; 0 when it does.
int privilege_misfit(const std::string& p, const std::string& kind) {
    const bool unit = kind != "TABLE" && kind != "VIEW" && kind != "SEQUENCE";
    if (unit) return p == "EXECUTE" || p == "DEBUG" ? 0 : 2225;
    if (kind == "SEQUENCE") return p == "SELECT" || p == "ALTER" ? 0 : 2205;
    if (p == "EXECUTE") return 2224;
    if (kind == "VIEW" && (p == "ALTER" || p == "INDEX")) return 990;
    return 0;
}

// A revoked privilege also goes from those its grantees passed on WITH GRANT OPTION, and
// on from theirs: every grant whose grantor no longer holds the privilege with the option
// (and is neither the owner nor one who may grant any object's privileges) is removed, in
// rounds until none is left.
bool revoke_cascade(Writes& w, sqlite3* db, const std::string& owner, const std::string& object,
                    const std::string& privilege, OraError* err) {
    for (;;) {
        std::vector<std::string> orphaned;
        Stmt q(db, "SELECT DISTINCT g.grantor FROM main.vantro_tab_privs g WHERE g.owner=?1 AND g.table_name=?2"
                   " AND g.privilege=?3 AND g.grantor<>?1 AND NOT EXISTS (SELECT 1 FROM main.vantro_tab_privs h"
                   " WHERE h.grantee=g.grantor AND h.owner=?1 AND h.table_name=?2 AND h.privilege=?3"
                   " AND h.grantable<>0)");
        q.text(1, owner).text(2, object).text(3, privilege);
        while (q.row()) {
            const std::string grantor = q.column(0);
            if (!is_superuser(grantor) && !users_has_sys_priv(db, grantor, "GRANT ANY OBJECT PRIVILEGE"))
                orphaned.push_back(grantor);
        }
        if (orphaned.empty()) return true;
        for (const std::string& grantor : orphaned) {
            Stmt d(db, "DELETE FROM main.vantro_tab_privs WHERE grantor=?1 AND owner=?2 AND table_name=?3"
                       " AND privilege=?4");
            d.text(1, grantor).text(2, owner).text(3, object).text(4, privilege);
            if (!w.run(d, err)) return false;
        }
    }
}

bool object_grant(sqlite3* db, const std::string& who, const AccessClause& a, bool grant, OraError* err) {
    const std::string owner = a.object.owner.empty() ? who : a.object.owner;
    const std::string kind = object_kind(db, owner, a.object.name);
    if (kind.empty()) return fail_with(err, 942, a.object.offset);
    struct Item {
        std::string name;
        std::uint32_t offset;
    };
    std::vector<Item> items;
    for (std::size_t i = 0; i < a.privileges.size(); ++i) {
        const std::string& p = a.privileges[i];
        if (p == "ALL") {
            for (const std::string& k : all_privileges(kind)) items.push_back({k, a.privilege_offsets[i]});
            continue;
        }
        if (p != "SELECT" && p != "INSERT" && p != "UPDATE" && p != "DELETE" && p != "EXECUTE" && p != "DEBUG" &&
            p != "REFERENCES" && p != "ALTER" && p != "INDEX" && p != "READ")
            return fail_with(err, 990, a.privilege_offsets[i]);
        const int misfit = privilege_misfit(p == "READ" ? "SELECT" : p, kind);
        if (misfit) return fail_with(err, misfit, a.privilege_offsets[i]);
        items.push_back({p, a.privilege_offsets[i]});
    }
    const bool owner_or_super =
        who == owner || is_superuser(who) || users_has_sys_priv(db, who, "GRANT ANY OBJECT PRIVILEGE");
    if (grant && !owner_or_super) {
        for (const Item& it : items) {
            Stmt q(db, std::string(kHolders) +
                           " SELECT 1 FROM main.vantro_tab_privs t JOIN h ON t.grantee=h.name WHERE t.owner=?2"
                           " AND t.table_name=?3 AND t.privilege=?4 AND t.grantable<>0");
            q.text(1, who).text(2, owner).text(3, a.object.name).text(4, it.name);
            if (!q.row()) return fail_with(err, 1031, 0);
        }
    }
    if (!check_grantees(db, who, a, err)) return false;
    Writes w(db);
    if (!begin(w, db, err)) return false;
    for (const std::string& g : a.grantees) {
        for (const Item& it : items) {
            if (grant) {
                Stmt q(db,
                       "INSERT INTO main.vantro_tab_privs VALUES (?1,?2,?3,?4,?5,?6) ON CONFLICT DO UPDATE"
                       " SET grantable=max(grantable,excluded.grantable)");
                q.text(1, g).text(2, owner).text(3, a.object.name).text(4, who).text(5, it.name);
                q.integer(6, a.with_option ? 1 : 0);
                if (!w.run(q, err)) return false;
            } else {
                // The owner and SYS take back every grantor's grant; anyone else only
                // what they granted themselves.
                Stmt q(db,
                       "DELETE FROM main.vantro_tab_privs WHERE grantee=?1 AND owner=?2 AND table_name=?3"
                       " AND privilege=?4 AND (grantor=?5 OR ?6)");
                q.text(1, g).text(2, owner).text(3, a.object.name).text(4, it.name).text(5, who);
                q.integer(6, owner_or_super ? 1 : 0);
                if (!w.run(q, err)) return false;
                if (sqlite3_changes(db) == 0 && a.privileges[0] != "ALL") return fail_with(err, 1927, it.offset);
                if (!revoke_cascade(w, db, owner, a.object.name, it.name, err)) return false;
            }
        }
    }
    return w.finish(err);
}

// Where the privileges in force are read: a connection outside this session's
// transaction when there is one, so that a grant or revoke another session committed
// counts from the next statement on, even inside a transaction begun before it.
sqlite3* privileges_reader(sqlite3* db) {
    sqlite3* side = sqlite3_get_autocommit(db) ? nullptr : catalog_side_connection(db);
    return side ? side : db;
}

bool domain_holds(sqlite3* db, const CatalogDomain& d, const std::string& privilege) {
    if (d.user.empty() || is_superuser(d.user)) return true;
    CatalogStatement q(privileges_reader(db),
                       std::string(d.roles ? kHolders : kDirectHolders) +
                           " SELECT 1 FROM main.vantro_sys_privs p JOIN h ON p.grantee=h.name WHERE p.privilege=?2");
    q.text(1, d.user).text(2, privilege);
    return q.row();
}

std::mutex g_sessions_mutex;
std::map<std::string, int>& sessions() {
    static std::map<std::string, int> m;
    return m;
}

}  // namespace

bool users_has_sys_priv(sqlite3* db, const std::string& who, const std::string& privilege) {
    if (is_superuser(who)) return true;
    Stmt q(db, std::string(kHolders) +
                   " SELECT 1 FROM main.vantro_sys_privs p JOIN h ON p.grantee=h.name WHERE p.privilege=?2");
    q.text(1, who).text(2, privilege);
    return q.row();
}

int users_object_access(sqlite3* db, const std::string& owner, const std::string& name, const std::string& privilege) {
    const CatalogDomain d = catalog_domain(db);
    if (d.user.empty() || d.user == owner || is_superuser(d.user)) return 0;
    const std::string kind = object_kind(db, owner, name);
    if (kind.empty()) return -1;
    std::set<std::string> held;
    {
        CatalogStatement q(privileges_reader(db),
                           std::string(d.roles ? kHolders : kDirectHolders) +
                               " SELECT t.privilege FROM main.vantro_tab_privs t JOIN h ON t.grantee=h.name"
                               " WHERE t.owner=?2 AND t.table_name=?3");
        q.text(1, d.user).text(2, owner).text(3, name);
        while (q.row()) held.insert(q.column(0) == "READ" ? std::string("SELECT") : q.column(0));
    }
    // The ANY privileges do not reach the dictionary's owner.
    if (owner != "SYS") {
        for (const AnyPrivilege& a : kAnyPrivileges)
            if (kind == a.kind && !held.count(a.use) && domain_holds(db, d, a.privilege)) held.insert(a.use);
    }
    if (held.empty()) return 942;
    return privilege.empty() || held.count(privilege) ? 0 : 1031;
}

bool users_domain_has(sqlite3* db, const std::string& privilege) {
    return domain_holds(db, catalog_domain(db), privilege);
}

bool users_may_create(sqlite3* db, const std::string& owner, const std::string& kind, OraError* err) {
    const CatalogDomain d = catalog_domain(db);
    if ((d.user == owner && domain_holds(db, d, "CREATE " + kind)) || domain_holds(db, d, "CREATE ANY " + kind))
        return true;
    *err = ora_error(1031);
    return false;
}

void users_grant_first_logon(sqlite3* db, const std::string& user) {
    Stmt roles(db, "INSERT OR IGNORE INTO main.vantro_role_privs VALUES (?1,'CONNECT',0),(?1,'RESOURCE',0)");
    roles.text(1, user).run();
    Stmt privs(db,
               "INSERT OR IGNORE INTO main.vantro_sys_privs VALUES (?1,'CREATE VIEW',0),(?1,'CREATE SYNONYM',0),"
               "(?1,'CREATE PUBLIC SYNONYM',0),(?1,'DROP PUBLIC SYNONYM',0),(?1,'UNLIMITED TABLESPACE',0),"
               "(?1,'CREATE DIMENSION',0)");
    privs.text(1, user).run();
    catalog_cache_invalidate(db);
}

void users_seed_roles(sqlite3* db) {
    // 1: the roles were made; 2: users made before logons and DDL needed privileges got
    // what their first logon gives now, so that they keep working.
    int done = 0;
    {
        Stmt q(db, "SELECT coalesce(max(done),0) FROM main.vantro_access_seeded");
        if (!q.get() || !q.row()) return;
        done = sqlite3_column_int(q.get(), 0);
    }
    if (done >= 2) return;
    if (sqlite3_exec(db, "SAVEPOINT vantro_seed", nullptr, nullptr, nullptr) != SQLITE_OK) return;
    if (done < 1) {
        sqlite3_exec(db,
                     "INSERT OR IGNORE INTO main.vantro_roles VALUES ('CONNECT'),('RESOURCE'),('DBA');"
                     "INSERT OR IGNORE INTO main.vantro_sys_privs VALUES ('CONNECT','CREATE SESSION',0);",
                     nullptr, nullptr, nullptr);
        for (const char* p : kSystemPrivileges) {
            Stmt ins(db, "INSERT OR IGNORE INTO main.vantro_sys_privs VALUES ('DBA',?1,1)");
            ins.text(1, p).run();
        }
    }
    sqlite3_exec(db,
                 "INSERT OR IGNORE INTO main.vantro_sys_privs VALUES ('RESOURCE','CREATE TABLE',0),"
                 "('RESOURCE','CREATE SEQUENCE',0),('RESOURCE','CREATE PROCEDURE',0),"
                 "('RESOURCE','CREATE TRIGGER',0),('RESOURCE','CREATE TYPE',0),('RESOURCE','CREATE CLUSTER',0),"
                 "('RESOURCE','CREATE INDEXTYPE',0),('RESOURCE','CREATE OPERATOR',0);",
                 nullptr, nullptr, nullptr);
    if (done == 1) {
        std::vector<std::string> users;
        {
            Stmt q(db,
                   "SELECT name FROM main.vantro_users u WHERE name NOT IN ('SYS','SYSTEM','PUBLIC') AND NOT EXISTS"
                   " (SELECT 1 FROM main.vantro_sys_privs WHERE grantee=u.name) AND NOT EXISTS"
                   " (SELECT 1 FROM main.vantro_role_privs WHERE grantee=u.name AND admin_option=0)");
            while (q.row()) users.push_back(q.column(0));
        }
        for (const std::string& u : users) users_grant_first_logon(db, u);
    }
    sqlite3_exec(db, "DELETE FROM main.vantro_access_seeded; INSERT INTO main.vantro_access_seeded VALUES (2);",
                 nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, "RELEASE vantro_seed", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK TO vantro_seed", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE vantro_seed", nullptr, nullptr, nullptr);
    }
}

bool users_ddl_run(sqlite3* db, const std::string& folder, const std::string& who, const Statement& s, OraError* err) {
    const AccessClause& a = s.access;
    switch (s.kind) {
    case StatementKind::CreateUser:
        return create_user(db, folder, who, a, err);
    case StatementKind::AlterUser:
        return alter_user(db, who, a, err);
    case StatementKind::DropUser:
        return drop_user(db, folder, who, a, err);
    case StatementKind::CreateRole:
        return create_role(db, who, a, err);
    case StatementKind::DropRole:
        return drop_role(db, who, a, err);
    case StatementKind::Grant:
    case StatementKind::Revoke:
        return a.object.name.empty() ? system_grant(db, who, a, s.kind == StatementKind::Grant, err)
                                     : object_grant(db, who, a, s.kind == StatementKind::Grant, err);
    default:
        return fail_with(err, 900, 0);
    }
}

void users_session_opened(const std::string& folder, const std::string& user) {
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    ++sessions()[folder + '\n' + user];
}

void users_session_closed(const std::string& folder, const std::string& user) {
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    auto it = sessions().find(folder + '\n' + user);
    if (it != sessions().end() && --it->second <= 0) sessions().erase(it);
}

int users_sessions_of(const std::string& folder, const std::string& user) {
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    auto it = sessions().find(folder + '\n' + user);
    return it == sessions().end() ? 0 : it->second;
}
