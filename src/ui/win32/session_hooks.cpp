// Database hooks of the Windows front end and the stored recent-logon lists. No window
// code here.
#include "ui/win32/session_hooks.h"

#include <cstring>

#include "console/console_buffer.h"
#include "settings/registry.h"

namespace {
SessionHooks g_hooks;
}

void session_install_hooks(const SessionHooks& hooks) { g_hooks = hooks; }
const SessionHooks& session_hooks() { return g_hooks; }

int session_connect(ConsoleBuffer* console, const char* user, const char* password, const char* database,
                    const char* mode) {
    if (g_hooks.connect) return g_hooks.connect(console, user, password, database, mode);
    console_print("Not connected to a database: this build has no database layer.\n");
    return 1;
}

int session_connect_command(ConsoleBuffer* console, const char* connect_string) {
    if (g_hooks.connect_command) return g_hooks.connect_command(console, connect_string);
    console_print("Not connected to a database: this build has no database layer.\n");
    return 1;
}

bool session_is_open() { return g_hooks.session_open && g_hooks.session_open(); }

std::vector<std::string> recent_list_parse(const char* image, std::size_t size) {
    std::vector<std::string> entries;
    for (int slot = 0; slot < kRecentSlots; ++slot) {
        const std::size_t start = static_cast<std::size_t>(slot) * kRecentSlotSize;
        if (start + kRecentSlotSize > size) break;
        const char* text = image + start;
        const std::size_t length = strnlen(text, kRecentSlotSize - 1);
        if (length > 0) entries.emplace_back(text, length);
    }
    return entries;
}

std::vector<std::string> recent_list_load(const char* value_name) {
    char image[kRecentBytes] = {};
    std::size_t got = 0;
    if (!registry_read_binary(kRegistryKey, value_name, image, sizeof image, &got)) return {};
    return recent_list_parse(image, got);
}
