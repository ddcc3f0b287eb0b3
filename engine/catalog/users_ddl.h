// Users, roles and privileges: CREATE/ALTER/DROP USER, CREATE/DROP ROLE, GRANT and
// REVOKE, kept in the catalog's vantro_users, vantro_user_settings, vantro_roles,
// vantro_sys_privs, vantro_role_privs and vantro_tab_privs.
#pragma once

#include "sql/sql_ast.h"
#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>

// Runs one of the statements above for the session user `who` of the database in
// `folder`. Called outside any transaction (the statements commit first): the catalog
// rows are written in one savepoint, and schema files are attached and detached after
// it. False with err (its offset at the offending name).
bool users_ddl_run(sqlite3* db, const std::string& folder, const std::string& who, const Statement& s, OraError* err);

// Creates the predefined roles CONNECT, RESOURCE and DBA with their system privileges
// (DBA every one the engine knows), once per database: what is revoked from them later
// stays revoked.
void users_seed_roles(sqlite3* db);

// The sessions of this process logged on as a user of a database, for DROP USER's
// ORA-01940. Each successful logon is counted once and uncounted at its end.
void users_session_opened(const std::string& folder, const std::string& user);
void users_session_closed(const std::string& folder, const std::string& user);
int users_sessions_of(const std::string& folder, const std::string& user);

// Whether `who` holds the system privilege, directly, through PUBLIC or through a role
// (roles granted to roles included). SYS and SYSTEM hold every privilege.
bool users_has_sys_priv(sqlite3* db, const std::string& who, const std::string& privilege);

// What the session's privilege domain (catalog_domain) may do with owner.name, an object
// of another schema: 0 it may use it for `privilege` (SELECT, INSERT, UPDATE, DELETE,
// EXECUTE; empty: any use), 1031 it holds another privilege on it but not this one, 942
// it holds none (the object stays hidden), -1 there is no such object. Object privileges
// count through PUBLIC and, outside definer's-rights units, through roles; SELECT ANY
// TABLE and the other ANY privileges reach every schema but SYS. Own objects and SYS's
// or SYSTEM's sessions may everything.
int users_object_access(sqlite3* db, const std::string& owner, const std::string& name, const std::string& privilege);
// Whether the session's privilege domain holds the system privilege (a connection
// nobody logged on to holds every one).
bool users_domain_has(sqlite3* db, const std::string& privilege);
// Whether the session's privilege domain may create an object of the kind ("TABLE",
// "VIEW", "SEQUENCE", "PROCEDURE", "TRIGGER", "SYNONYM", "TYPE") in owner's schema:
// CREATE kind in its own schema, CREATE ANY kind in any. False with ORA-01031.
bool users_may_create(sqlite3* db, const std::string& owner, const std::string& kind, OraError* err);
// Gives a user made by its first logon what lets it log on and create objects in its
// own schema: the roles CONNECT and RESOURCE, CREATE VIEW, CREATE SYNONYM and the
// PUBLIC SYNONYM privileges.
void users_grant_first_logon(sqlite3* db, const std::string& user);
