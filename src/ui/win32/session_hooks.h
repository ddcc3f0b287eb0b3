// What the Windows front end needs from the database layer, as hooks that layer installs
// at start-up (connect from the Logon dialog, cancel, disconnect, session state), and the
// recent-logon lists as stored in the per-user store. No window code here. While no
// database layer is installed, a connect fails with a clear message and nothing is open.
#pragma once

#include <string>
#include <vector>

struct ConsoleBuffer;

struct SessionHooks {
    // 0 when connected; errors are printed on the console by the database layer.
    int (*connect)(ConsoleBuffer* console, const char* user, const char* password, const char* database,
                   const char* mode) = nullptr;
    // Connects with a connect string as typed after `connect` (the command line's second
    // word); 0 when connected.
    int (*connect_command)(ConsoleBuffer* console, const char* connect_string) = nullptr;
    bool (*session_open)() = nullptr;
    // The connect string of the open session (user/password@database and mode), given to
    // a new window so that it connects to the same database; empty when none is open.
    std::string (*connect_description)() = nullptr;
    void (*cancel)() = nullptr;
    void (*disconnect)(ConsoleBuffer* console) = nullptr;
};
void session_install_hooks(const SessionHooks& hooks);
const SessionHooks& session_hooks();

// Connects through the installed hook; without one, prints why nothing can connect and
// returns non-zero.
int session_connect(ConsoleBuffer* console, const char* user, const char* password, const char* database,
                    const char* mode);
int session_connect_command(ConsoleBuffer* console, const char* connect_string);
bool session_is_open();

constexpr int kRecentSlots = 10;
constexpr int kRecentSlotSize = 100;
constexpr int kRecentBytes = kRecentSlots * kRecentSlotSize;

// The non-empty slots of a stored list image, in slot order. A slot without a NUL is cut
// to its 99 characters; a short image yields only its complete slots.
std::vector<std::string> recent_list_parse(const char* image, std::size_t size);
// Reads the list stored under `value_name` ("last_usernames", "last_databases").
std::vector<std::string> recent_list_load(const char* value_name);
