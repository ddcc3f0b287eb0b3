// The one database session: its OCI handles, the connect and disconnect operations, the
// cancel of a running statement, and the error reporter every OCI call goes through.
// Runs on the thread that dispatched the command (GUI or script worker); statements run
// on the one statement worker, never two calls on the session at once.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "oci/oci_api.h"
#include "oci/oci_loader.h"

// A fetch buffer for one dictionary name: identifiers of up to 128 bytes and the NUL.
constexpr int kNameBufferBytes = 129;

struct DbSession {
    OCIEnv* env_handle = nullptr;
    OCIServer* server_handle = nullptr;
    OCIError* error_handle = nullptr;
    OCISvcCtx* service_context = nullptr;    // null while no session is open
    OCISession* session_handle = nullptr;    // null while no session is open
    OCIStmt* current_statement = nullptr;    // the statement being run; one at a time
    std::atomic<int> mark_error_position{0};  // 1 while a typed statement executes
};

extern DbSession* g_db;
extern std::atomic<int> session_open;

// The resolved OCI entry points (the loader ran at start-up).
const OciApi& oci();
// Whether an OCI library is loaded; the database operations refuse to run without one.
bool oci_available();

// Loads the OCI library (once) and creates the handle set. 0 on success; -1 no record or
// OCIInitialize/OCIEnvInit failed (or no library); -2 no server handle; -3 no error handle.
int db_init();
// 0 connected; 1 bad mode (message printed); -1..-7 the failing step (reported).
int db_connect(const char* user, const char* password, const char* database, const char* mode);
// Parses "connectstring [as mode]" and connects; 1 for a usage error.
int db_connect_command(const char* argument);
// Both end an open session's transaction first: committed, or rolled back when the
// console's EXITCOMMIT is off.
int db_disconnect();
// Ends any session and frees the handle set for good (program end).
void db_release();
// Cancels the statement the worker runs (GUI thread).
void db_cancel();

// The database text of the last successful connect ("" for local), the connect argument
// that reproduces it, and the banner line of the library in use.
std::string current_database();
std::string connect_description();
// The privilege of the open session ("SYSDBA", "SYSOPER", "" when normal) and the server's
// banner as OCIServerVersion gave it at connect.
std::string current_connect_mode();
std::string current_server_banner();

// Where an error message goes.
enum ReportTarget : int { ReportToConsole = 1, ReportToPlanTree = 2, ReportToSchemaPane = 3 };

// Turns an OCI status into a verdict: 0 go on, 1 failed (message written to the target).
int report_oci_status(int status, const char* module, int line, int target, int tolerated_code,
                      void* window);
// Failed verdicts so far, and the Oracle error number of the last one (0 when it had
// none): a statement failed when the count grew while it ran.
int reported_failures();
int last_reported_error_code();

// The recent user and database lists (10 slots of 100 bytes), most recent first.
constexpr int kRecentSlots = 10;
constexpr int kRecentSlotSize = 100;
struct RecentList {
    char slots[kRecentSlots][kRecentSlotSize] = {};
};
extern RecentList recent_users;
extern RecentList recent_databases;
void load_recent();
void remember_recent(const char* user, const char* database);
void update_title(const char* user, const char* database);

// host:port:SID and the shorter forms become a TNS descriptor; other texts pass unchanged.
std::string build_connect_descriptor(const char* database);
std::string build_connect_description(const char* user, const char* password, const char* database,
                                      const char* mode);
