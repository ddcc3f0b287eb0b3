// OCI surface: server attach and detach, session begin and end, the server
// banner, transactions through the OCI calls, and cancel (OCIBreak / OCIReset).
// A server handle names a database folder; a session opens the folder's catalog with
// SQLite and attaches the user's schema.
#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"
#include "catalog/deferred_constraints.h"
#include "catalog/dictionary.h"
#include "catalog/dictionary_ddl.h"
#include "catalog/metadata_ddl.h"
#include "catalog/temporary_tables.h"
#include "catalog/users_ddl.h"
#include "sql/explain_plan.h"
#include "values/sql_dialect.h"
#include "oci/engine.h"
#include "plsql/plsql.h"
#include "values/errors.h"
#include "os/os.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#if !defined(VANTRO_VERSION) || !defined(VANTRO_VERSION_FIVE)
#error "the build defines VANTRO_VERSION and VANTRO_VERSION_FIVE"
#endif

namespace {

bool contains_ci(const std::string& text, const char* word) {
    std::string up;
    for (char c : text) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return up.find(word) != std::string::npos;
}

// A plain database name: letters, digits, _ $ # - and dots, not starting with a dot.
bool plain_name(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.size() > 64) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && !std::strchr("_$#-.", c)) return false;
    return true;
}

// Stops a running statement at the next progress check when a break is pending.
int progress_check(void* arg) {
    return static_cast<ServerHandle*>(arg)->cancel.load() ? 1 : 0;
}

sword run(sqlite3* db, const char* sql, OCIError* errhp) {
    char* msg = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &msg) == SQLITE_OK) return OCI_SUCCESS;
    OraError e = ora_from_sqlite(sqlite3_extended_errcode(db), msg ? msg : "");
    sqlite3_free(msg);
    return error_set(errhp, e.code, e.message);
}

SessionHandle* open_session(OCISvcCtx* svchp, OCIError* errhp, sword* status) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    if (!svc) {
        *status = OCI_INVALID_HANDLE;
        return nullptr;
    }
    if (!svc->session || !svc->session->open || !svc->server || !svc->server->db) {
        *status = error_set(errhp, 1012, ora_message(1012));
        return nullptr;
    }
    *status = OCI_SUCCESS;
    return svc->session;
}

}  // namespace

void session_end(SessionHandle* s) {
    if (!s->open) return;
    ServerHandle* srv = s->server;
    if (srv && srv->db) {
        if (s->in_transaction) sqlite3_exec(srv->db, "ROLLBACK", nullptr, nullptr, nullptr);
        std::lock_guard<std::mutex> lock(srv->db_mutex);
        temporary_tables_forget(srv->db);
        catalog_close(srv->db);
        srv->db = nullptr;
        srv->session = nullptr;
    }
    if (srv) users_session_closed(srv->folder, s->user);
    s->in_transaction = false;
    s->open = false;
    // The PL/SQL that statements' WITH clauses declared goes with the session's state: a
    // statement freed later has nothing left to drop.
    if (s->env) {
        std::lock_guard<std::mutex> lock(s->env->mutex);
        for (Handle* h : s->env->children)
            if (h->type == OCI_HTYPE_STMT && static_cast<StmtHandle*>(h)->session == s)
                static_cast<StmtHandle*>(h)->with_plsql = false;
    }
    plsql_session_free(s);
    s->user.clear();
    s->server = nullptr;
}

void session_release(SessionHandle* s) {
    session_end(s);
}

void server_release(ServerHandle* s) {
    if (s->session) session_end(s->session);
    s->attached = false;
}

void session_sync_transaction(SessionHandle* s) {
    s->in_transaction = s->server && s->server->db && !sqlite3_get_autocommit(s->server->db);
    if (!s->in_transaction) {
        deferred_constraints_reset(&s->deferred);
        s->read_only = false;
    }
}

// After COMMIT or ROLLBACK the session's view of its transaction is read back from
// SQLite: a commit that fails on a full disk or an I/O error may have rolled the whole
// transaction back (the session must then start a new one), or left it open (it can be
// committed again or rolled back).
// A foreign key, key or check deferred to COMMIT that the transaction's rows violate fails the commit:
// the transaction is rolled back, as Oracle does, and the error names the key.
sword session_commit(SessionHandle* s, OCIError* errhp) {
    s->commit_error = OraError();
    ++s->transactions_ended;
    if (!s->in_transaction) return OCI_SUCCESS;
    sqlite3* db = s->server->db;
    OraError violated;
    if (!deferred_constraints_check(db, &s->deferred, nullptr, &violated)) {
        // A deferred key or check the transaction's rows break: the transaction goes.
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        s->commit_error.code = 2091;
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", violated.code);
        s->commit_error.message = ora_message(2091) + "\n" + prefix + violated.message;
    }
    char* msg = nullptr;
    if (!s->commit_error.code && sqlite3_exec(db, "COMMIT", nullptr, nullptr, &msg) != SQLITE_OK) {
        int code = sqlite3_extended_errcode(db);
        s->commit_error = ora_from_sqlite(code, msg ? msg : "");
        if (code == SQLITE_CONSTRAINT_FOREIGNKEY && !sqlite3_get_autocommit(db)) {
            std::string name = catalog_foreign_key_violation(db);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            s->commit_error.code = 2091;
            s->commit_error.message = ora_message(2091) + "\n" + ora_line(2291, name.empty() ? "FOREIGN KEY" : name);
        }
    }
    sqlite3_free(msg);
    session_sync_transaction(s);
    if (!s->in_transaction) temporary_tables_transaction_ended(db);
    OraError restored;
    if (!s->commit_error.code && !plsql_autonomous_restore(s, &restored)) s->commit_error = restored;
    if (s->commit_error.code) return error_set(errhp, s->commit_error.code, s->commit_error.message);
    return OCI_SUCCESS;
}

sword session_rollback(SessionHandle* s, OCIError* errhp) {
    ++s->transactions_ended;
    if (!s->in_transaction) return OCI_SUCCESS;
    sword st = run(s->server->db, "ROLLBACK", errhp);
    session_sync_transaction(s);
    if (!s->in_transaction) temporary_tables_transaction_ended(s->server->db);
    // What autonomous units committed inside the transaction stays.
    OraError restored;
    if (st == OCI_SUCCESS && !plsql_autonomous_restore(s, &restored))
        st = error_set(errhp, restored.code, restored.message);
    return st;
}

extern "C" {

VOCI_EXPORT sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len, ub4) {
    ServerHandle* srv = handle_cast<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
    if (!srv) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    std::string text;
    if (dblink && dblink_len > 0)
        text.assign(reinterpret_cast<const char*>(dblink), static_cast<std::size_t>(dblink_len));
    std::size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    text = text.substr(b, e - b);
    if (!text.empty() && text[0] == '(') {
        // A connect descriptor names a network address, and the engine has no network.
        if (contains_ci(text, "HOST=")) return error_set(errhp, 12541, ora_message(12541));
        return error_set(errhp, 12154, ora_message(12154));
    }
    if (!text.empty() && !plain_name(text)) return error_set(errhp, 12154, ora_message(12154));
    std::string root = os_databases_folder();
    if (root.empty()) return error_set(errhp, 1034, ora_message(1034));
    srv->folder = root + os_path_separator() + (text.empty() ? std::string("default") : text);
    srv->database_text = text;
    srv->attached = true;
    srv->cancel = false;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4) {
    ServerHandle* srv = handle_cast<ServerHandle>(srvhp, OCI_HTYPE_SERVER);
    if (!srv) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    server_release(srv);
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1) {
    ServerHandle* srv = server_of(hndlp);
    if (!srv) return OCI_INVALID_HANDLE;
    if (!srv->attached) return error_set(errhp, 1012, ora_message(1012));
    std::string banner = std::string("Vantro Embedded Database Release ") + VANTRO_VERSION + " - SQLite " +
                         sqlite3_libversion() + "\nVersion " + VANTRO_VERSION_FIVE;
    if (bufp && bufsz > 0) {
        std::size_t n = banner.size() < bufsz - 1 ? banner.size() : bufsz - 1;
        std::memcpy(bufp, banner.data(), n);
        bufp[n] = 0;
    }
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt, ub4 mode) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    SessionHandle* ses = handle_cast<SessionHandle>(usrhp, OCI_HTYPE_SESSION);
    if (!svc || !ses) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    ServerHandle* srv = svc->server;
    if (!srv || !srv->attached) return error_set(errhp, 12154, ora_message(12154));
    if (ses->open || srv->session) return error_set(errhp, 1041, ora_message(1041));
    if (mode & ~(OCI_SYSDBA | OCI_SYSOPER)) return error_set(errhp, 1031, ora_message(1031));
    std::string user;
    std::string password;
    bool check = false;
    if (credt == OCI_CRED_RDBMS) {
        for (char c : ses->username) user += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (user.size() > 2 && user.front() == '"' && user.back() == '"')
            user = ses->username.substr(1, ses->username.size() - 2);
        if (ses->password.empty()) return error_set(errhp, 1005, ora_message(1005));
        password = ses->password;
        check = true;
    } else if (credt == OCI_CRED_EXT) {
        for (char c : os_user_name()) {
            unsigned char u = static_cast<unsigned char>(c);
            user += std::isalnum(u) ? static_cast<char>(std::toupper(u)) : '_';
        }
        if (!user.empty() && !std::isalpha(static_cast<unsigned char>(user[0]))) user = "U" + user;
    } else {
        return error_set(errhp, 1017, ora_message(1017));
    }
    sqlite3* db = nullptr;
    OraError err;
    if (!catalog_open(srv->folder, &db, &err)) return error_set(errhp, err.code, err.message);
    // Administrative modes are the SYS user's, with the password SYS was given when it
    // was first connected normally: any other user, operating-system credentials or a
    // database without SYS are refused, and nothing is created by trying.
    if (mode & (OCI_SYSDBA | OCI_SYSOPER)) {
        const int matches =
            credt == OCI_CRED_RDBMS && user == "SYS" ? catalog_user_password_matches(db, user, password) : -1;
        if (matches != 1) {
            catalog_close(db);
            return error_set(errhp, matches == 0 ? 1017 : 1031, ora_message(matches == 0 ? 1017 : 1031));
        }
    }
    if (!catalog_login(db, srv->folder, user, password, check, &err)) {
        catalog_close(db);
        return error_set(errhp, err.code, err.message);
    }
    // A normal logon needs CREATE SESSION (the administrative ones are SYS's).
    if (!(mode & (OCI_SYSDBA | OCI_SYSOPER)) && !users_has_sys_priv(db, user, "CREATE SESSION")) {
        catalog_close(db);
        const OraError denied = ora_error(1045, user);
        return error_set(errhp, denied.code, denied.message);
    }
    // Administrative modes work in the SYS (SYSDBA) or PUBLIC (SYSOPER) schema.
    if (mode & (OCI_SYSDBA | OCI_SYSOPER)) {
        const std::string admin = (mode & OCI_SYSDBA) ? "SYS" : "PUBLIC";
        const bool attached = admin == user;
        user = admin;
        if ((!attached && !catalog_login(db, srv->folder, user, std::string(), false, &err)) ||
            ((mode & OCI_SYSDBA) && !catalog_attach_all(db, srv->folder, &err))) {
            catalog_close(db);
            return error_set(errhp, err.code, err.message);
        }
    }
    if (!sql_functions_register(db, &ses->settings) || !plsql_functions_register(db, ses) ||
        !deferred_constraints_register(db, &ses->deferred)) {
        catalog_close(db);
        return error_set(errhp, 1034, ora_message(1034));
    }
    catalog_set_domain(db, user);
    sqlite3_progress_handler(db, 1000, progress_check, srv);
    {
        std::lock_guard<std::mutex> lock(srv->db_mutex);
        srv->db = db;
    }
    srv->session = ses;
    srv->cancel = false;
    ses->server = srv;
    ses->user = user;
    ses->open = true;
    ses->in_transaction = false;
    ses->settings = SessionSettings();
    ses->settings.user = user;
    ses->cursors.clear();
    ses->cursor_slots.clear();
    ses->cur_sql_id.clear();
    ses->prev_sql_id.clear();
    ses->cursor_uses = 0;
    ses->execute_depth = 0;
    settings_compile_formats(&ses->settings);
    ses->settings.db_name = srv->database_text.empty() ? std::string("DEFAULT") : srv->database_text;
    for (char& c : ses->settings.db_name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ses->settings.os_user = os_user_name();
    if (!dictionary_functions_register(db, &ses->settings) || !dialect_functions_register(db, &ses->settings) ||
        !dictionary_sequence_register(db, &ses->settings) || !metadata_functions_register(db, &ses->settings) ||
        !plsql_units_prepare(db) || !plsql_autonomous_install(db) ||
        !dictionary_install(db, user, &ses->settings, &err) || !explain_install(db, &err) ||
        !sql_cache_register(db, ses)) {
        {
            std::lock_guard<std::mutex> lock(srv->db_mutex);
            srv->db = nullptr;
        }
        srv->session = nullptr;
        ses->open = false;
        catalog_close(db);
        return error_set(errhp, err.code ? err.code : 1034, err.code ? err.message : ora_message(1034));
    }
    users_session_opened(srv->folder, user);
    svc->session = ses;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    if (!svc) return OCI_INVALID_HANDLE;
    SessionHandle* ses = usrhp ? handle_cast<SessionHandle>(usrhp, OCI_HTYPE_SESSION) : svc->session;
    if (usrhp && !ses) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (!ses || !ses->open) return error_set(errhp, 1012, ora_message(1012));
    session_end(ses);
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4) {
    sword st;
    SessionHandle* ses = open_session(svchp, errhp, &st);
    if (!ses) return st;
    error_clear(errhp);
    return session_commit(ses, errhp);
}

VOCI_EXPORT sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4) {
    sword st;
    SessionHandle* ses = open_session(svchp, errhp, &st);
    if (!ses) return st;
    error_clear(errhp);
    return session_rollback(ses, errhp);
}

VOCI_EXPORT sword OCIBreak(void* hndlp, OCIError* errhp) {
    ServerHandle* srv = server_of(hndlp);
    if (!srv) return OCI_INVALID_HANDLE;
    (void)errhp;
    srv->cancel = true;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIReset(void* hndlp, OCIError* errhp) {
    ServerHandle* srv = server_of(hndlp);
    if (!srv) return OCI_INVALID_HANDLE;
    (void)errhp;
    // A break aimed at a running call stays pending until that call has stopped on it.
    if (!srv->busy) srv->cancel = false;
    return OCI_SUCCESS;
}

}  // extern "C"
