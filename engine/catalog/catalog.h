// The engine's catalog: a database folder holds catalog.db (users, the Oracle types of
// every column, DUAL) and one SQLite file per schema, attached under the user's name.
// This module opens those files and answers the translator's questions about names; it
// knows nothing about OCI handles.
#pragma once

#include "values/sql_types.h"

#include <sqlite3.h>

#include <string>

// Opens (creating when missing) the catalog of the database in folder; false with err.
bool catalog_open(const std::string& folder, sqlite3** db, OraError* err);
// Logs user on: creates the user and its schema on first use (with password, which may
// be empty for operating-system users), otherwise checks the password when
// check_password is set (ORA-01017); a locked account is refused (ORA-28000). Attaches the schema file under the user's
// name.
bool catalog_login(sqlite3* db, const std::string& folder, const std::string& user, const std::string& password,
                   bool check_password, OraError* err);
// Records a new user (no schema file yet: the first ATTACH creates it); the password's
// digest is kept when with_password is set. False with err (a name taken: the key's error).
bool catalog_add_user(sqlite3* db, const std::string& user, const std::string& password, bool with_password,
                      OraError* err);
// Replaces user's password; the next logon checks the new one.
bool catalog_set_password(sqlite3* db, const std::string& user, const std::string& password, OraError* err);
// Attaches user's schema file (creating it when missing) under the user's name. Not
// inside a transaction: SQLite refuses ATTACH there.
bool catalog_attach_user(sqlite3* db, const std::string& folder, const std::string& user, OraError* err);
// Whether user exists with this password, without creating anything: 1 it does, 0 the
// user exists with another password (or none), -1 no such user.
int catalog_user_password_matches(sqlite3* db, const std::string& user, const std::string& password);
// Attaches every other schema of the database, as far as SQLite's limit on attached
// files allows: what an administrative (SYS) session sees.
bool catalog_attach_all(sqlite3* db, const std::string& folder, OraError* err);
// The name of the constraint of owner.table behind a SQLite constraint failure, as
// "OWNER.NAME"; empty when none is recorded. kind: 'U' unique or primary key on
// `columns` (comma-separated), 'R' a foreign key of the table, 'r' a foreign key that
// references the table, 'C' the check constraint named `columns`.
std::string catalog_constraint_name(sqlite3* db, const std::string& owner, const std::string& table, char kind,
                                    const std::string& columns);
// The key behind SQLite's unique failure `detail` ("T.A, T.B" for columns, "index 'I'"
// for an index on expressions) in owner's schema, as "OWNER.NAME": the primary or unique
// constraint on those columns, else the unique index that enforces them; empty if none.
std::string catalog_unique_key_name(sqlite3* db, const std::string& owner, const std::string& detail);
// The constraint of owner.table behind SQLite's constraint failure (extended code and
// message), as "OWNER.NAME"; empty when it is not a key, foreign key or check failure or
// none is recorded. parent: the statement removes rows a foreign key may reference.
std::string catalog_violated_constraint(sqlite3* db, const std::string& owner, const std::string& table, int code,
                                        const std::string& message, bool parent);
// After a COMMIT refused for a foreign key checked at COMMIT (the transaction still
// open): "OWNER.NAME" of a violated foreign key, empty when none is found. With `only`,
// just the keys named there ("OWNER.NAME") count.
std::string catalog_foreign_key_violation(sqlite3* db, const std::vector<std::string>& only = {});
// The recorded state of constraint owner.name: false when there is no such constraint.
bool catalog_constraint_deferrable(sqlite3* db, const std::string& owner, const std::string& name, bool* deferrable,
                                   bool* deferred);
// True when name is acceptable as a user (schema) name: letters, digits, _ $ #, starting
// with a letter, at most 30 characters.
bool catalog_valid_user_name(const std::string& name);

class SqliteCatalog : public CatalogView {
public:
    explicit SqliteCatalog(sqlite3* db) : db_(db) {}
    bool table_columns(const std::string& owner, const std::string& table, std::vector<ColumnInfo>* columns) override;
    bool type_source(const std::string& owner, const std::string& name, std::string* source) override;
    bool object_table_type(const std::string& owner, const std::string& table, std::string* object_type) override;
    bool schema_exists(const std::string& owner) override;
    bool user_exists(const std::string& name) override;
    bool object_exists(const std::string& owner, const std::string& name) override;
    bool index_exists(const std::string& owner, const std::string& name) override;
    bool index_info(const std::string& owner, const std::string& name, IndexInfo* out) override;
    bool table_partitions(const std::string& owner, const std::string& table, TablePartitions* out) override;
    bool constraint_exists(const std::string& owner, const std::string& name) override;
    long long next_constraint_number() override;
    std::vector<std::string> foreign_key_triggers(const std::string& owner, const std::string& table) override;
    bool synonym_target(const std::string& schema, const std::string& name, std::string* owner,
                        std::string* target) override;
    bool sequence_exists(const std::string& owner, const std::string& name) override;
    bool private_synonym_target(const std::string& owner, const std::string& name, std::string* target_owner,
                                std::string* target) override;
    std::string unusable_index(const std::string& owner, const std::string& table, bool skip) override;
    void generated_columns(const std::string& owner, const std::string& table,
                           std::vector<GeneratedColumn>* out) override;
    std::string column_default(const std::string& owner, const std::string& table, const std::string& column) override;
    char view_restriction(const std::string& owner, const std::string& name) override;
    bool materialized_view(const std::string& owner, const std::string& name) override;
    bool mview_log(const std::string& owner, const std::string& table) override;
    bool view_text(const std::string& owner, const std::string& name, std::string* text) override;
    bool dictionary_view(const std::string& name, std::vector<ColumnInfo>* columns, std::string* sql) override;
    bool key_columns(const std::string& owner, const std::string& table, std::vector<std::string>* columns) override;
    std::vector<std::vector<std::string>> unique_keys(const std::string& owner, const std::string& table) override;
    int object_access(const std::string& owner, const std::string& name, const std::string& privilege) override;
    bool may_create(const std::string& owner, const std::string& kind) override;
    bool may_change(const std::string& owner, const std::string& name, const std::string& object_privilege,
                    const std::string& any_privilege) override;
    // In temporary_tables.cpp.
    bool temporary_table(const std::string& owner, const std::string& table) override;
    bool temporary_rows(const std::string& owner, const std::string& table, std::string* sql, int* code) override;

private:
    // The lookup view_restriction remembers.
    char view_restriction_read(const std::string& owner, const std::string& name);
    // Whether the session's privilege domain holds any privilege on owner.name (its own
    // objects: always); the schema file is attached the first time one of its objects is
    // reached (outside a transaction: SQLite refuses ATTACH inside one).
    bool reachable(const std::string& owner, const std::string& name);
    sqlite3* db_;
};

// ALTER TABLE on columns commits the schema file and the catalog one after the other.
// The table is marked for the length of the two commits; a mark left behind by a kill
// makes the owner's next logon bring the catalog rows back in line with the table's
// real columns. False when the mark could not be written (the DDL then does not run).
bool catalog_mark_altering(sqlite3* db, const std::string& owner, const std::string& table, OraError* err);
void catalog_unmark_altering(sqlite3* db, const std::string& owner, const std::string& table);
// Brings the catalog rows of a marked table in line with its real columns (the logon
// does it for every mark; a DDL whose commit failed half-way does it at once).
void catalog_repair_altered_table(sqlite3* db, const std::string& owner, const std::string& table);
