// The database session: handle set, connect argument grammar, connect descriptors from
// the short host:port:SID forms, connect and disconnect with the clean-up of every
// failure path, the window title and the recent user and database lists.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "console/console_buffer.h"
#include "frontend/frontend.h"
#include "oci/db_session.h"
#include "oci/oci_loader.h"
#include "settings/options.h"
#include "settings/registry.h"

namespace {

constexpr const char* kModule = "oci_connect";
constexpr size_t kFieldMax = 99;   // user, password and database
constexpr size_t kModeMax = 19;

std::mutex g_text_mutex;
std::string g_current_database;
std::string g_connect_description;
std::string g_connect_mode;   // "SYSDBA", "SYSOPER" or "" for a normal session
std::string g_server_banner;  // what OCIServerVersion said at connect

int report(int status, int line) { return report_oci_status(status, kModule, line, ReportToConsole, 0, nullptr); }

bool equals_nocase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

// Cuts a field to its limit; the limits are those of the logon data model.
std::string field(const std::string& text, size_t limit) { return text.size() > limit ? text.substr(0, limit) : text; }

// The end of a session commits the open transaction, or rolls it back under EXITCOMMIT
// OFF, before the session is ended. A failed commit is reported; the session ends anyway.
void end_open_transaction(DbSession& s) {
    if (!s.service_context || !session_open.load()) return;
    const bool commit = !g_console || !g_console->options || g_console->options->script.exitcommit;
    if (commit)
        report(oci().OCITransCommit(s.service_context, s.error_handle, OCI_DEFAULT), __LINE__);
    else
        report(oci().OCITransRollback(s.service_context, s.error_handle, OCI_DEFAULT), __LINE__);
}

void free_handle(void* handle, ub4 type) {
    if (handle) oci().OCIHandleFree(handle, type);
}

void write_recent(const char* name, const RecentList& list) {
    registry_write_binary(kRegistryKey, name, &list, sizeof list);
}

void remember_in(RecentList& list, const char* text) {
    int match = -1;
    for (int i = 0; i < kRecentSlots; ++i) {
        if (equals_nocase(list.slots[i], text)) {
            match = i;
            break;
        }
    }
    if (match == 0) return;
    const int shift_from = match > 0 ? match : kRecentSlots - 1;
    for (int i = shift_from; i > 0; --i) std::memcpy(list.slots[i], list.slots[i - 1], kRecentSlotSize);
    std::snprintf(list.slots[0], kRecentSlotSize, "%s", text);
}

void read_recent(const char* name, RecentList& list) {
    RecentList loaded;
    std::size_t got = 0;
    if (!registry_read_binary(kRegistryKey, name, &loaded, sizeof loaded, &got)) return;
    // Each slot is a NUL-terminated text; bytes after its NUL are ignored.
    for (auto& slot : loaded.slots) slot[kRecentSlotSize - 1] = '\0';
    list = loaded;
}

}  // namespace

DbSession* g_db = nullptr;
std::atomic<int> session_open{0};
RecentList recent_users;
RecentList recent_databases;

const OciApi& oci() { return *oci_api(); }
bool oci_available() { return oci_api() != nullptr; }

std::string current_database() {
    std::lock_guard<std::mutex> guard(g_text_mutex);
    return g_current_database;
}

std::string connect_description() {
    std::lock_guard<std::mutex> guard(g_text_mutex);
    return g_connect_description;
}

std::string current_connect_mode() {
    std::lock_guard<std::mutex> guard(g_text_mutex);
    return g_connect_mode;
}

std::string current_server_banner() {
    std::lock_guard<std::mutex> guard(g_text_mutex);
    return g_server_banner;
}

int db_init() {
    if (!oci_available() && oci_load().code != 0) return -1;
    if (!g_db) g_db = new DbSession();
    g_db->service_context = nullptr;
    g_db->session_handle = nullptr;
    g_db->current_statement = nullptr;
    if (oci().OCIInitialize(OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr) != OCI_SUCCESS) return -1;
    if (oci().OCIEnvInit(&g_db->env_handle, OCI_DEFAULT, 0, nullptr) != OCI_SUCCESS) return -1;
    if (oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&g_db->server_handle), OCI_HTYPE_SERVER, 0,
                             nullptr) != OCI_SUCCESS)
        return -2;
    if (oci().OCIHandleAlloc(g_db->env_handle, reinterpret_cast<void**>(&g_db->error_handle), OCI_HTYPE_ERROR, 0,
                             nullptr) != OCI_SUCCESS)
        return -3;
    return 0;
}

std::string build_connect_descriptor(const char* database) {
    if (!std::strchr(database, ':')) return database;
    char host[512] = {}, second[512] = {}, third[512] = {};
    const int fields = std::sscanf(database, "%511[^:]:%511[^:]:%511s", host, second, third);
    if (std::strlen(host) > 51 || std::strlen(second) > 11 || std::strlen(third) > 11) return database;
    const std::string address = std::string("(DESCRIPTION=(ADDRESS_LIST=(ADDRESS=(PROTOCOL=TCP)(HOST=") + host;
    if (fields == 3) return address + ")(PORT=" + second + ")))(CONNECT_DATA=(SID=" + third + ")))";
    if (fields == 2 && std::atoi(second) != 0) return address + ")(PORT=" + second + ")))(CONNECT_DATA=(SID=ORCL)))";
    if (fields == 2) return address + ")(PORT=1521)))(CONNECT_DATA=(SID=" + second + ")))";
    return database;
}

std::string build_connect_description(const char* user, const char* password, const char* database,
                                      const char* mode) {
    std::string text = (*user || *password) ? std::string(user) + "/" + password : std::string("/");
    if (*database) text += std::string("@") + database;
    if (mode && *mode) text += std::string(" as ") + mode;
    return text;
}

void update_title(const char* user, const char* database) {
    std::string title;
    if (!*user)
        title = "Vantro - Disconnected";
    else if (!*database)
        title = std::string("Vantro - ") + user + "@local";
    else
        title = std::string("Vantro - ") + user + "@" + database;
    if (Frontend* front = frontend()) front->set_title(title.c_str());
}

void remember_recent(const char* user, const char* database) {
    remember_in(recent_users, user);
    remember_in(recent_databases, database);
    write_recent("last_usernames", recent_users);
    write_recent("last_databases", recent_databases);
}

void load_recent() {
    read_recent("last_usernames", recent_users);
    read_recent("last_databases", recent_databases);
}

int db_connect(const char* user_in, const char* password_in, const char* database_in, const char* mode) {
    if (session_open.load()) db_disconnect();
    if (!g_db || !oci_available()) {
        console_print("Error - OCI_INVALID_HANDLE (%s, line %d)\n", kModule, __LINE__);
        return -1;
    }
    ub4 oci_mode = OCI_DEFAULT;
    if (!mode || !*mode || equals_nocase(mode, "normal")) {
        oci_mode = OCI_DEFAULT;
    } else if (equals_nocase(mode, "sysoper")) {
        oci_mode = OCI_SYSOPER;
    } else if (equals_nocase(mode, "sysdba")) {
        oci_mode = OCI_SYSDBA;
    } else {
        console_print("Invalid connect mode %s\n", mode);
        return 1;
    }
    const std::string user = field(user_in, kFieldMax);
    const std::string password = field(password_in, kFieldMax);
    const std::string database = field(database_in, kFieldMax);
    const std::string descriptor = build_connect_descriptor(database.c_str());

    DbSession& s = *g_db;
    if (report(oci().OCIServerAttach(s.server_handle, s.error_handle, reinterpret_cast<const OraText*>(descriptor.c_str()),
                                     static_cast<sb4>(descriptor.size()), OCI_DEFAULT),
               __LINE__))
        return -1;
    if (report(oci().OCIHandleAlloc(s.env_handle, reinterpret_cast<void**>(&s.service_context), OCI_HTYPE_SVCCTX, 0,
                                    nullptr),
               __LINE__)) {
        s.service_context = nullptr;
        oci().OCIServerDetach(s.server_handle, s.error_handle, OCI_DEFAULT);
        return -2;
    }
    auto fail_service = [&](int code) {
        oci().OCIServerDetach(s.server_handle, s.error_handle, OCI_DEFAULT);
        free_handle(s.service_context, OCI_HTYPE_SVCCTX);
        s.service_context = nullptr;
        return code;
    };
    if (report(oci().OCIAttrSet(s.service_context, OCI_HTYPE_SVCCTX, s.server_handle, 0, OCI_ATTR_SERVER,
                                s.error_handle),
               __LINE__))
        return fail_service(-3);
    if (report(oci().OCIHandleAlloc(s.env_handle, reinterpret_cast<void**>(&s.session_handle), OCI_HTYPE_SESSION, 0,
                                    nullptr),
               __LINE__)) {
        s.session_handle = nullptr;
        return fail_service(-4);
    }
    auto fail_session = [&](int code) {
        free_handle(s.session_handle, OCI_HTYPE_SESSION);
        s.session_handle = nullptr;
        return fail_service(code);
    };
    ub4 credentials = OCI_CRED_EXT;
    if (user != "/" && !password.empty()) {
        credentials = OCI_CRED_RDBMS;
        if (report(oci().OCIAttrSet(s.session_handle, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()),
                                    static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, s.error_handle),
                   __LINE__))
            return fail_session(-5);
        if (report(oci().OCIAttrSet(s.session_handle, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()),
                                    static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, s.error_handle),
                   __LINE__))
            return fail_session(-6);
    }
    if (report(oci().OCISessionBegin(s.service_context, s.error_handle, s.session_handle, credentials, oci_mode),
               __LINE__))
        return fail_session(-7);
    if (report(oci().OCIAttrSet(s.service_context, OCI_HTYPE_SVCCTX, s.session_handle, 0, OCI_ATTR_SESSION,
                                s.error_handle),
               __LINE__)) {
        oci().OCISessionEnd(s.service_context, s.error_handle, s.session_handle, OCI_DEFAULT);
        return fail_session(-7);
    }
    session_open.store(1);

    OraText banner[512] = {};
    const bool have_banner =
        report(oci().OCIServerVersion(s.service_context, s.error_handle, banner, sizeof banner, OCI_HTYPE_SVCCTX),
               __LINE__) == 0;
    banner[sizeof banner - 1] = '\0';
    if (console_silent()) {
        // A silent console says nothing of a connect that worked.
    } else if (have_banner) {
        console_print("\rConnected to:\n%s\n", reinterpret_cast<const char*>(banner));
    } else {
        console_print("\rConnected\n");
    }
    {
        std::lock_guard<std::mutex> guard(g_text_mutex);
        g_server_banner = have_banner ? reinterpret_cast<const char*>(banner) : "";
        g_connect_mode = oci_mode == OCI_SYSDBA ? "SYSDBA" : oci_mode == OCI_SYSOPER ? "SYSOPER" : "";
        g_current_database = database;
        g_connect_description =
            build_connect_description(user.c_str(), password.c_str(), database.c_str(), mode ? mode : "");
    }
    update_title(user.c_str(), database.c_str());
    remember_recent(user.c_str(), database.c_str());
    return 0;
}

int db_connect_command(const char* argument) {
    const std::vector<std::string> words = split_arguments(argument);
    if (words.empty()) return 1;
    std::string mode;
    if (words.size() == 3) {
        if (!equals_nocase(words[1].c_str(), "as")) return 1;
        mode = field(words[2], kModeMax);
    }
    const std::string& connect = words[0];
    std::string user, password, database;
    const size_t slash = connect.find('/');
    const size_t at = connect.find('@');
    if (slash != std::string::npos) {
        user = connect.substr(0, slash);
        const size_t at_after = connect.find('@', slash + 1);
        if (at_after != std::string::npos) {
            password = connect.substr(slash + 1, at_after - slash - 1);
            database = connect.substr(at_after + 1);
        } else {
            password = connect.substr(slash + 1);
        }
    } else if (at != std::string::npos) {
        user = connect.substr(0, at);
        database = connect.substr(at + 1);
    } else {
        user = connect;
    }
    if (user.empty()) user = "/";
    if (!equals_nocase(user.c_str(), "internal") && user != "/" && password.empty() && g_console) {
        console_print("Enter password: ");
        password = field(console_request_line(g_console, true), kFieldMax);
        // At the end of the input no password came: an empty one would mean a logon with
        // the operating system's credentials instead.
        if (g_console->input_ended.load()) {
            console_print("No password given: the input has ended\n");
            return -1;
        }
    }
    const int result = db_connect(user.c_str(), password.c_str(), database.c_str(), mode.c_str());
    return result;
}

int db_disconnect() {
    if (!g_db || !oci_available()) return 0;
    DbSession& s = *g_db;
    end_open_transaction(s);
    if (s.service_context) {
        oci().OCISessionEnd(s.service_context, s.error_handle, s.session_handle, OCI_DEFAULT);
        oci().OCIServerDetach(s.server_handle, s.error_handle, OCI_DEFAULT);
    }
    free_handle(s.service_context, OCI_HTYPE_SVCCTX);
    s.service_context = nullptr;
    free_handle(s.session_handle, OCI_HTYPE_SESSION);
    s.session_handle = nullptr;
    session_open.store(0);
    update_title("", "");
    free_handle(s.server_handle, OCI_HTYPE_SERVER);
    s.server_handle = nullptr;
    free_handle(s.error_handle, OCI_HTYPE_ERROR);
    s.error_handle = nullptr;
    free_handle(s.env_handle, OCI_HTYPE_ENV);
    s.env_handle = nullptr;
    db_init();
    return 0;
}

void db_release() {
    if (!g_db) return;
    if (oci_available()) {
        DbSession& s = *g_db;
        end_open_transaction(s);
        if (s.service_context) {
            oci().OCISessionEnd(s.service_context, s.error_handle, s.session_handle, OCI_DEFAULT);
            oci().OCIServerDetach(s.server_handle, s.error_handle, OCI_DEFAULT);
        }
        free_handle(s.service_context, OCI_HTYPE_SVCCTX);
        free_handle(s.session_handle, OCI_HTYPE_SESSION);
        free_handle(s.server_handle, OCI_HTYPE_SERVER);
        free_handle(s.error_handle, OCI_HTYPE_ERROR);
        free_handle(s.env_handle, OCI_HTYPE_ENV);
    }
    session_open.store(0);
    delete g_db;
    g_db = nullptr;
}
