// What the engine keeps per connection so that a statement does not pay for its catalog
// lookups again and again: the lookups' prepared statements, and a generation number
// that says whether anything remembered from the catalog is still current.
//
// The generation changes whenever the catalog file (the main database of the
// connection, which holds every table's columns, constraints, triggers and stored
// units) may have changed: a commit by this connection or another one, in this process
// or another (SQLite's data version of the file), or an ATTACH. While this connection
// has written catalog rows that are not yet committed or rolled back, the generation is
// 0: nothing read then may be remembered, since a rollback would undo it unseen.
#pragma once

#include "values/sql_types.h"

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// Gives a connection catalog_open made its bookkeeping (kept statements, generation).
void catalog_cache_attach(sqlite3* db);
// Finalizes the connection's kept statements and closes it (sqlite3_close_v2).
void catalog_close(sqlite3* db);
// Records whether the connection's catalog file is in WAL mode (catalog_open sets it).
void catalog_cache_set_wal(sqlite3* db, bool wal);
// A second connection to the catalog file of db, for catalog writes that must not wait
// for db's transaction nor stay locked until it ends (sequence numbers): nullptr when
// the file is not in WAL mode or db itself holds the catalog's write lock, and the
// write then goes through db. Opened on first use, closed by catalog_close.
sqlite3* catalog_side_connection(sqlite3* db);
// Starts a new generation: after a change the data version does not show (ATTACH).
void catalog_cache_invalidate(sqlite3* db);
// The current generation, 0 when nothing may be remembered (see above). A connection
// without bookkeeping always answers 0.
std::uint64_t catalog_generation(sqlite3* db);
// Table columns remembered under "OWNER.TABLE" for generation (not 0): false when
// none are remembered for it. An empty list remembers that the table does not exist.
bool catalog_remembered_columns(sqlite3* db, std::uint64_t generation, const std::string& key,
                                std::vector<ColumnInfo>* columns);
void catalog_remember_columns(sqlite3* db, std::uint64_t generation, const std::string& key,
                              const std::vector<ColumnInfo>& columns);
// Short answers of other lookups (a view's restriction, a table's unusable index), kept
// under a key that names the lookup and its arguments for generation (not 0): false when
// none is kept for it.
bool catalog_remembered_answer(sqlite3* db, std::uint64_t generation, const std::string& key, std::string* answer);
void catalog_remember_answer(sqlite3* db, std::uint64_t generation, const std::string& key, const std::string& answer);
// Whether a database of this name (exact case) is attached to the connection, read from
// SQLite's database list once per generation (ATTACH and DETACH start a new one): every
// statement asks this for each schema it names.
bool catalog_schema_attached(sqlite3* db, const std::string& name);
// The privilege domain the connection's statements run in: the user whose privileges
// count, and whether its roles count too (not inside a definer's-rights unit, where only
// what was granted to the owner itself or to PUBLIC counts). Empty for a connection
// nobody has logged on to.
struct CatalogDomain {
    std::string user;
    bool roles = true;
};
void catalog_set_domain(sqlite3* db, const std::string& user);
CatalogDomain catalog_domain(sqlite3* db);

// Runs the code of a stored unit in its owner's privilege domain, without roles, for as
// long as it lives; the domain before it comes back afterwards.
class CatalogDefiner {
public:
    CatalogDefiner(sqlite3* db, const std::string& owner);
    ~CatalogDefiner();
    CatalogDefiner(const CatalogDefiner&) = delete;
    CatalogDefiner& operator=(const CatalogDefiner&) = delete;

private:
    sqlite3* db_;
    CatalogDomain saved_;
};

// How many times this connection prepared a kept statement afresh: for tests.
std::uint64_t catalog_statements_prepared(sqlite3* db);

// Holds the generation for the length of one OCI call: while it lives, commits of other
// connections are not looked for again (what this connection writes still counts).
// Calls that run many lookups (a PL/SQL loop calling a stored function a million times,
// a query calling one per row) then pay for one check instead of one per lookup; a unit
// changed meanwhile by another session is seen from the next call on.
class CatalogPin {
public:
    explicit CatalogPin(sqlite3* db);
    ~CatalogPin();
    CatalogPin(const CatalogPin&) = delete;
    CatalogPin& operator=(const CatalogPin&) = delete;

private:
    sqlite3* db_;
};

// One use of a lookup statement kept prepared by its connection (keyed by its text).
// It is reset and its bindings cleared when this object goes out of scope. A statement
// already in use further up the stack (a lookup run from inside another) is prepared
// afresh for this use and finalized afterwards, as is every statement of a connection
// without bookkeeping.
class CatalogStatement {
public:
    CatalogStatement(sqlite3* db, const std::string& sql);
    ~CatalogStatement();
    CatalogStatement(const CatalogStatement&) = delete;
    CatalogStatement& operator=(const CatalogStatement&) = delete;

    sqlite3_stmt* get() const { return vm_; }
    CatalogStatement& text(int i, const std::string& v);
    CatalogStatement& integer(int i, std::int64_t v);
    CatalogStatement& null(int i);
    // Steps once: true when a row is there (row) or the statement finished (run).
    bool row() { return vm_ && sqlite3_step(vm_) == SQLITE_ROW; }
    bool run() { return vm_ && sqlite3_step(vm_) == SQLITE_DONE; }
    std::string column(int c) const;
    int column_int(int c) const { return sqlite3_column_int(vm_, c); }
    std::int64_t column_int64(int c) const { return sqlite3_column_int64(vm_, c); }

private:
    sqlite3_stmt* vm_ = nullptr;
    bool* in_use_ = nullptr;  // the kept entry's flag, or null for a statement of its own
};
