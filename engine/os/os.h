// The engine's own operating-system layer: the per-user databases folder, the
// operating-system user name, folder creation. The engine never includes the console's
// platform module; only os_posix.cpp and os_win32.cpp include system headers.
#pragma once

#include <cstddef>
#include <string>

// $VANTRO_HOME/databases, else the platform's per-user data folder + vantro/databases.
// Empty when no folder can be determined.
std::string os_databases_folder();
// Creates a folder and its missing parents; true when it exists afterwards.
bool os_make_folders(const std::string& path);
bool os_folder_exists(const std::string& path);
// The login name of the user running the process; empty when unknown.
std::string os_user_name();
char os_path_separator();
// The name of the machine the engine runs on; empty when unknown.
std::string os_host_name();
// The platform as Oracle names it in V$DATABASE: its PLATFORM_ID and PLATFORM_NAME.
int os_platform_id();
const char* os_platform_name();
// The local wall-clock time, broken down.
struct OsLocalTime {
    int year, month, day, hour, minute, second, microsecond, utc_offset_minutes;
};
OsLocalTime os_local_time();

// Runs fn(arg) to its end on a new thread whose stack reserves stack_bytes, while the
// calling thread waits: deep recursion (PL/SQL calling itself) continues there when the
// caller's stack runs short. The caller's SQLite connection may be used by fn, since the
// caller does nothing meanwhile. False when no such thread could be started (fn not run).
bool os_run_on_new_stack(std::size_t stack_bytes, void (*fn)(void*), void* arg);
