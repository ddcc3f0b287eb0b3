// The embedded engine's handles and descriptors: what an OCI pointer handed to the
// console really points at, and the shared helpers of the OCI surface (handle checks,
// error records). The SQL translator and the value conversions do not depend on this
// file; the OCI surface files (oci_*.cpp) do.
#pragma once

#include "oci_api.h"
#include "catalog/deferred_constraints.h"
#include "sql/sql_lexer.h"
#include "values/sql_functions.h"
#include "values/sql_types.h"

#include <sqlite3.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

constexpr std::uint32_t kHandleMagic = 0x56414e54;  // "VANT"

struct Handle {
    std::uint32_t magic = kHandleMagic;
    ub4 type = 0;
    struct EnvHandle* env = nullptr;
    virtual ~Handle() { magic = 0; }
};

struct EnvHandle : Handle {
    std::mutex mutex;            // guards children
    std::set<Handle*> children;  // every handle and descriptor allocated under it
};

struct ErrorHandle : Handle {
    int code = 0;      // 0: no record
    std::string text;  // "ORA-nnnnn: message\n"
    ub2 parse_offset = 0;
};

struct SessionHandle;

struct ServerHandle : Handle {
    std::string folder;  // the database folder, set by attach
    std::string database_text;
    bool attached = false;
    std::mutex db_mutex;  // guards db against a break from another thread
    sqlite3* db = nullptr;
    std::atomic<bool> cancel{false};   // a break is pending
    std::atomic<bool> busy{false};     // an execute or fetch is running
    SessionHandle* session = nullptr;  // the session begun on this server
};

// A statement of the session's cursor cache (oci_sql_cache.cpp).
struct CachedCursor {
    std::string sql_id;
    std::uint32_t hash_value = 0;
    std::string text;    // as the client sent it
    std::string schema;  // the current schema when it first ran
    std::uint64_t executions = 0;
    std::uint64_t last_use = 0;  // cursor_uses when it last ran
};

struct SessionHandle : Handle {
    std::string username;  // as set through OCI_ATTR_USERNAME
    std::string password;
    std::string user;  // the session user, upper case, while a session is open
    bool open = false;
    ServerHandle* server = nullptr;
    bool in_transaction = false;             // a BEGIN issued and not yet ended
    bool read_only = false;                  // the transaction began with SET TRANSACTION READ ONLY
    OraError commit_error;                   // why the last failed session_commit failed
    std::uint64_t transactions_ended = 0;    // COMMITs and ROLLBACKs (not to a savepoint) so far
    SessionSettings settings;                // read by the SQL functions of the session's connection
    struct PlSessionState* plsql = nullptr;  // PL/SQL state (DBMS_OUTPUT), owned, made on first use
    DeferredConstraints deferred;            // modes and pending checks of deferrable keys and checks
    std::vector<CachedCursor> cursors;       // the statements the client ran, by SQL_ID
    std::unordered_map<std::string, std::size_t> cursor_slots;  // SQL_ID -> its place in cursors
    std::string cur_sql_id, prev_sql_id;     // the running statement and the one before it
    std::uint64_t cursor_uses = 0;           // statements the client ran
    int execute_depth = 0;                   // OCIStmtExecute calls running (PL/SQL's own inside one)
};

struct SvcCtxHandle : Handle {
    ServerHandle* server = nullptr;
    SessionHandle* session = nullptr;
};

struct StmtHandle;

struct BindHandle : Handle {
    StmtHandle* stmt = nullptr;
    ub4 position = 0;  // 1-based, 0 when bound by name
    std::string name;  // upper case, without the colon
    void* value = nullptr;
    sb4 value_size = 0;
    ub2 dty = 0;
    sb2* indicator = nullptr;
    ub2* alen = nullptr;
    ub2* rcode = nullptr;
    // A bind of the engine's own PL/SQL (EXECUTE IMMEDIATE, OPEN FOR ... USING): the value
    // is in its stored form and the placeholder has this Oracle type, as a PL/SQL
    // variable's placeholder has. What the statement writes to it (RETURNING INTO, an OUT
    // argument of a block) is kept in `returned`, stored form and type, instead of text.
    bool typed = false;
    OraType ora_type;
    struct Returned {
        bool set = false;
        int kind = SQLITE_NULL;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT or SQLITE_NULL
        std::int64_t i = 0;
        double d = 0;
        std::string s;  // text, a DATE's stored form, RAW bytes, NUMBER bytes
        OraType type;
    } returned;
};

struct DefineHandle : Handle {
    StmtHandle* stmt = nullptr;
    ub4 position = 0;
    void* value = nullptr;
    sb4 value_size = 0;
    ub2 dty = 0;
    sb2* indicator = nullptr;
    ub2* rlen = nullptr;
    ub2* rcode = nullptr;
};

struct ParamHandle : Handle {
    StmtHandle* stmt = nullptr;  // null once the statement released it
    ColumnInfo column;
};

// A LOB or BFILE locator: the value is copied in when a row is fetched into it.
struct LobHandle : Handle {
    ub2 lob_type = 0;  // SQLT_CLOB, SQLT_BLOB, SQLT_BFILEE
    bool has_value = false;
    std::string data;     // the value (for BFILE: directory alias and file name)
    ub4 read_offset = 0;  // polling read state: next 0-based byte to deliver
    ub4 read_end = 0;     // polling read state: end of the amount asked for
    bool reading = false;
    bool file_open = false;
};

struct StmtHandle : Handle {
    std::string text;           // as prepared
    std::vector<Token> tokens;  // of text, split once when it is prepared
    bool with_plsql = false;    // the session keeps PL/SQL its WITH clause declared
    OraError token_error;       // why text could not be split (code 0 when it could)
    ub2 stmt_type = OCI_STMT_UNKNOWN;
    Translation tr;  // the translated statement, after execute or describe
    sqlite3_stmt* vm = nullptr;
    SessionHandle* session = nullptr;
    bool executed = false;
    bool exhausted = false;     // the result ran out
    int stepped = 0;            // the SQLite result of a step that execute took for the first fetch (0: none)
    bool caller_steps = false;  // the engine's own caller (dynamic SQL of PL/SQL) steps vm after execute
    ub4 row_count = 0;          // cumulative rows fetched, or rows processed
    ub4 rows_fetched = 0;
    ub2 parse_offset = 0;
    std::vector<BindHandle*> binds;
    std::vector<DefineHandle*> defines;  // index = position - 1, may hold nulls
    std::vector<ParamHandle*> params;
};

#ifdef _WIN32
#define VOCI_EXPORT __declspec(dllexport)
#else
#define VOCI_EXPORT __attribute__((visibility("default")))
#endif

// The exported entry points, declared from the function types of oci_api.h so that a
// definition whose signature differs from Oracle's fails to compile.
extern "C" {
#define VOCI_DECLARE(name) VOCI_EXPORT name##_t name;
VOCI_FUNCTIONS(VOCI_DECLARE)
#undef VOCI_DECLARE
}

// Releases what a handle owns before it is deleted (statement: its SQLite statement,
// binds, defines and parameters; session: ends it; server: detaches).
void stmt_release(StmtHandle* s);
// Makes s an executed query positioned before the first row of vm (which it then owns),
// with the translation tr describing its columns: a REF CURSOR opened by PL/SQL and handed
// back through a statement handle bound as SQLT_RSET. Its defines stay as they were.
void stmt_open_result(StmtHandle* s, SessionHandle* session, const std::string& text, const Translation& tr,
                      sqlite3_stmt* vm);
void session_release(SessionHandle* s);
// The SQL_ID of a statement's text as Oracle computes it (and its hash value).
std::string sql_id_of(const std::string& text, std::uint32_t* hash_value);
// Keeps text in the session's cursor cache as the statement now running.
void sql_cache_record(SessionHandle* ses, const std::string& text);
// Registers the SQL functions that read the session's cursor cache on its connection.
bool sql_cache_register(sqlite3* db, SessionHandle* ses);
void server_release(ServerHandle* s);
// Ends a session: rolls back an open transaction and closes the connection.
void session_end(SessionHandle* s);

// Transaction ends through the OCI calls and the SQL statements alike.
sword session_commit(SessionHandle* s, OCIError* errhp);
// Sets in_transaction from SQLite's own state of the session's connection.
void session_sync_transaction(SessionHandle* s);
sword session_rollback(SessionHandle* s, OCIError* errhp);

// Checks that p is a live handle of the expected type (any type when expected is 0).
template <class T>
T* handle_cast(const void* p, ub4 expected) {
    const Handle* h = static_cast<const Handle*>(p);
    if (!h || h->magic != kHandleMagic) return nullptr;
    if (expected != 0 && h->type != expected) return nullptr;
    return static_cast<T*>(const_cast<Handle*>(h));
}

// Records an Oracle error in the error handle (when there is one) and answers OCI_ERROR.
sword error_set(OCIError* errhp, int code, const std::string& message);
sword error_set(ErrorHandle* err, int code, const std::string& message);
// Clears the error handle's record before a call that may succeed.
void error_clear(OCIError* errhp);
ErrorHandle* error_handle(OCIError* errhp);

// The server and session attached to a service context or server handle, for the calls
// that accept either.
ServerHandle* server_of(void* hndlp);
