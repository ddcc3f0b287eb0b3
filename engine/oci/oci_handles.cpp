// OCI surface: environments, handles, descriptors, attributes, parameter
// descriptors and error records. Every exported function checks its handles and
// answers OCI_INVALID_HANDLE for a pointer that is not a live handle of the right type.
#include "oci/engine.h"
#include "values/errors.h"
#include "values/utf8.h"

#include <cstring>

ErrorHandle* error_handle(OCIError* errhp) {
    return handle_cast<ErrorHandle>(errhp, OCI_HTYPE_ERROR);
}

sword error_set(ErrorHandle* err, int code, const std::string& message) {
    if (err) {
        err->code = code;
        err->text = ora_format(code, message);
    }
    return OCI_ERROR;
}

sword error_set(OCIError* errhp, int code, const std::string& message) {
    return error_set(error_handle(errhp), code, message);
}

void error_clear(OCIError* errhp) {
    if (ErrorHandle* e = error_handle(errhp)) {
        e->code = 0;
        e->text.clear();
    }
}

ServerHandle* server_of(void* hndlp) {
    if (SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(hndlp, OCI_HTYPE_SVCCTX)) return svc->server;
    return handle_cast<ServerHandle>(hndlp, OCI_HTYPE_SERVER);
}

namespace {

void register_child(EnvHandle* env, Handle* h) {
    h->env = env;
    std::lock_guard<std::mutex> lock(env->mutex);
    env->children.insert(h);
}

void unregister_child(Handle* h) {
    if (!h->env) return;
    std::lock_guard<std::mutex> lock(h->env->mutex);
    h->env->children.erase(h);
}

sword new_env(OCIEnv** envp) {
    if (!envp) return OCI_INVALID_HANDLE;
    EnvHandle* env = new EnvHandle;
    env->type = OCI_HTYPE_ENV;
    env->env = env;
    *envp = reinterpret_cast<OCIEnv*>(static_cast<Handle*>(env));
    return OCI_SUCCESS;
}

// Writes a fixed-width attribute value.
template <class T>
sword put_attr(void* attributep, ub4* sizep, T value) {
    if (!attributep) return OCI_INVALID_HANDLE;
    std::memcpy(attributep, &value, sizeof value);
    if (sizep) *sizep = sizeof value;
    return OCI_SUCCESS;
}

sword put_text_attr(void* attributep, ub4* sizep, const std::string& text) {
    if (!attributep) return OCI_INVALID_HANDLE;
    const OraText* p = reinterpret_cast<const OraText*>(text.c_str());
    std::memcpy(attributep, &p, sizeof p);
    if (sizep) *sizep = static_cast<ub4>(text.size());
    return OCI_SUCCESS;
}

sword unsupported_attr(OCIError* errhp, ub4 attr) {
    return error_set(errhp, 24315, ora_message(24315, " (" + std::to_string(attr) + ")"));
}

sword param_attr(ParamHandle* p, void* attributep, ub4* sizep, ub4 attr, OCIError* errhp) {
    const OraType& t = p->column.type;
    switch (attr) {
    case OCI_ATTR_DATA_TYPE:
        return put_attr<ub2>(attributep, sizep, t.code);
    case OCI_ATTR_DATA_SIZE:
    case OCI_ATTR_DISP_SIZE: {
        // In bytes, so that a fetch buffer of this size holds every value.
        std::uint32_t bytes = utf8_max_bytes(t);
        return put_attr<ub2>(attributep, sizep, static_cast<ub2>(bytes > 65535 ? 65535 : bytes));
    }
    case OCI_ATTR_NAME:
        return put_text_attr(attributep, sizep, p->column.name);
    case OCI_ATTR_PRECISION:
        return put_attr<sb2>(attributep, sizep, t.precision);
    case OCI_ATTR_SCALE:
        return put_attr<sb1>(attributep, sizep, t.scale);
    case OCI_ATTR_IS_NULL:
        return put_attr<ub1>(attributep, sizep, t.nullable ? 1 : 0);
    case OCI_ATTR_CHARSET_FORM: {
        bool character = t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeClob || t.code == kTypeLong;
        return put_attr<ub1>(attributep, sizep, !character ? 0 : (t.national ? SQLCS_NCHAR : SQLCS_IMPLICIT));
    }
    case OCI_ATTR_CHARSET_ID:
        return put_attr<ub2>(attributep, sizep, 873);
    case OCI_ATTR_CHAR_USED:
        return put_attr<ub1>(attributep, sizep, t.char_used ? 1 : 0);
    case OCI_ATTR_CHAR_SIZE:
        return put_attr<ub2>(attributep, sizep,
                             static_cast<ub2>(t.code == kTypeVarchar2 || t.code == kTypeChar ? t.size : 0));
    default:
        return unsupported_attr(errhp, attr);
    }
}

sword stmt_attr(StmtHandle* s, void* attributep, ub4* sizep, ub4 attr, OCIError* errhp) {
    switch (attr) {
    case OCI_ATTR_ROW_COUNT:
        return put_attr<ub4>(attributep, sizep, s->row_count);
    case OCI_ATTR_ROWS_FETCHED:
        return put_attr<ub4>(attributep, sizep, s->rows_fetched);
    case OCI_ATTR_STMT_TYPE:
        return put_attr<ub2>(attributep, sizep, s->stmt_type);
    case OCI_ATTR_PARSE_ERROR_OFFSET:
        return put_attr<ub2>(attributep, sizep, s->parse_offset);
    case OCI_ATTR_STATEMENT:
        return put_text_attr(attributep, sizep, s->text);
    case OCI_ATTR_PARAM_COUNT:
        if (!s->executed) return error_set(errhp, 24338, ora_message(24338));
        return put_attr<ub4>(attributep, sizep, static_cast<ub4>(s->tr.columns.size()));
    case OCI_ATTR_PREFETCH_ROWS:
    case OCI_ATTR_PREFETCH_MEMORY:
        return put_attr<ub4>(attributep, sizep, 0);
    default:
        return unsupported_attr(errhp, attr);
    }
}

}  // namespace

extern "C" {

VOCI_EXPORT sword OCIInitialize(ub4, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn) {
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIEnvInit(OCIEnv** envp, ub4, size_t, void** usrmempp) {
    if (usrmempp) *usrmempp = nullptr;
    return new_env(envp);
}

VOCI_EXPORT sword OCIEnvCreate(OCIEnv** envp, ub4, void*, OCIMallocFn, OCIReallocFn, OCIFreeFn, size_t,
                               void** usrmempp) {
    if (usrmempp) *usrmempp = nullptr;
    return new_env(envp);
}

VOCI_EXPORT sword OCIHandleAlloc(const void* parenth, void** hndlpp, const ub4 type, const size_t, void** usrmempp) {
    EnvHandle* env = handle_cast<EnvHandle>(parenth, OCI_HTYPE_ENV);
    if (!env || !hndlpp) return OCI_INVALID_HANDLE;
    if (usrmempp) *usrmempp = nullptr;
    Handle* h = nullptr;
    switch (type) {
    case OCI_HTYPE_ERROR:
        h = new ErrorHandle;
        break;
    case OCI_HTYPE_SVCCTX:
        h = new SvcCtxHandle;
        break;
    case OCI_HTYPE_STMT:
        h = new StmtHandle;
        break;
    case OCI_HTYPE_SERVER:
        h = new ServerHandle;
        break;
    case OCI_HTYPE_SESSION:
        h = new SessionHandle;
        break;
    default:
        return OCI_INVALID_HANDLE;
    }
    h->type = type;
    register_child(env, h);
    *hndlpp = h;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIHandleFree(void* hndlp, const ub4 type) {
    Handle* h = handle_cast<Handle>(hndlp, type);
    if (!h) return OCI_INVALID_HANDLE;
    switch (type) {
    case OCI_HTYPE_ENV: {
        EnvHandle* env = static_cast<EnvHandle*>(h);
        // Children go first, statements before sessions before servers, so that nothing
        // is freed while something still points at it.
        for (ub4 order : {OCI_HTYPE_STMT, OCI_HTYPE_SVCCTX, OCI_HTYPE_SESSION, OCI_HTYPE_SERVER, OCI_HTYPE_ERROR,
                          OCI_DTYPE_LOB, OCI_DTYPE_FILE}) {
            std::vector<Handle*> victims;
            {
                std::lock_guard<std::mutex> lock(env->mutex);
                for (Handle* c : env->children)
                    if (c->type == order) victims.push_back(c);
            }
            for (Handle* c : victims) {
                if (order == OCI_DTYPE_LOB || order == OCI_DTYPE_FILE)
                    OCIDescriptorFree(c, order);
                else
                    OCIHandleFree(c, order);
            }
        }
        delete env;
        return OCI_SUCCESS;
    }
    case OCI_HTYPE_STMT:
        stmt_release(static_cast<StmtHandle*>(h));
        break;
    case OCI_HTYPE_SESSION:
        session_release(static_cast<SessionHandle*>(h));
        break;
    case OCI_HTYPE_SERVER:
        server_release(static_cast<ServerHandle*>(h));
        break;
    case OCI_HTYPE_SVCCTX:
    case OCI_HTYPE_ERROR:
        break;
    default:
        return OCI_INVALID_HANDLE;
    }
    unregister_child(h);
    delete h;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIDescriptorAlloc(const void* parenth, void** descpp, const ub4 type, const size_t,
                                     void** usrmempp) {
    EnvHandle* env = handle_cast<EnvHandle>(parenth, OCI_HTYPE_ENV);
    if (!env || !descpp) return OCI_INVALID_HANDLE;
    if (usrmempp) *usrmempp = nullptr;
    if (type != OCI_DTYPE_LOB && type != OCI_DTYPE_FILE) return OCI_INVALID_HANDLE;
    LobHandle* lob = new LobHandle;
    lob->type = type;
    register_child(env, lob);
    *descpp = lob;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIDescriptorFree(void* descp, const ub4 type) {
    if (type == OCI_DTYPE_PARAM) {
        ParamHandle* p = handle_cast<ParamHandle>(descp, OCI_DTYPE_PARAM);
        if (!p) return OCI_INVALID_HANDLE;
        if (p->stmt) {
            auto& list = p->stmt->params;
            for (auto it = list.begin(); it != list.end(); ++it) {
                if (*it == p) {
                    list.erase(it);
                    break;
                }
            }
        }
        delete p;
        return OCI_SUCCESS;
    }
    if (type != OCI_DTYPE_LOB && type != OCI_DTYPE_FILE) return OCI_INVALID_HANDLE;
    LobHandle* lob = handle_cast<LobHandle>(descp, type);
    if (!lob) return OCI_INVALID_HANDLE;
    unregister_child(lob);
    delete lob;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                             OCIError* errhp) {
    Handle* h = handle_cast<Handle>(trgthndlp, trghndltyp);
    if (!h) return OCI_INVALID_HANDLE;
    switch (trghndltyp) {
    case OCI_HTYPE_SVCCTX: {
        SvcCtxHandle* svc = static_cast<SvcCtxHandle*>(h);
        if (attrtype == OCI_ATTR_SERVER) {
            ServerHandle* srv = handle_cast<ServerHandle>(attributep, OCI_HTYPE_SERVER);
            if (!srv && attributep) return OCI_INVALID_HANDLE;
            svc->server = srv;
            return OCI_SUCCESS;
        }
        if (attrtype == OCI_ATTR_SESSION) {
            SessionHandle* ses = handle_cast<SessionHandle>(attributep, OCI_HTYPE_SESSION);
            if (!ses && attributep) return OCI_INVALID_HANDLE;
            svc->session = ses;
            return OCI_SUCCESS;
        }
        return unsupported_attr(errhp, attrtype);
    }
    case OCI_HTYPE_SESSION: {
        SessionHandle* ses = static_cast<SessionHandle*>(h);
        if (attrtype != OCI_ATTR_USERNAME && attrtype != OCI_ATTR_PASSWORD) return unsupported_attr(errhp, attrtype);
        std::string value = attributep ? std::string(static_cast<const char*>(attributep), size) : std::string();
        (attrtype == OCI_ATTR_USERNAME ? ses->username : ses->password) = value;
        return OCI_SUCCESS;
    }
    case OCI_HTYPE_STMT:
        if (attrtype == OCI_ATTR_PREFETCH_ROWS || attrtype == OCI_ATTR_PREFETCH_MEMORY) return OCI_SUCCESS;
        return unsupported_attr(errhp, attrtype);
    default:
        return unsupported_attr(errhp, attrtype);
    }
}

VOCI_EXPORT sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,
                             OCIError* errhp) {
    if (trghndltyp == OCI_DTYPE_PARAM || trghndltyp == OCI_HTYPE_DESCRIBE) {
        ParamHandle* p = handle_cast<ParamHandle>(trgthndlp, OCI_DTYPE_PARAM);
        if (!p) return OCI_INVALID_HANDLE;
        return param_attr(p, attributep, sizep, attrtype, errhp);
    }
    Handle* h = handle_cast<Handle>(trgthndlp, trghndltyp);
    if (!h) return OCI_INVALID_HANDLE;
    switch (trghndltyp) {
    case OCI_HTYPE_STMT:
        return stmt_attr(static_cast<StmtHandle*>(h), attributep, sizep, attrtype, errhp);
    case OCI_HTYPE_SVCCTX: {
        SvcCtxHandle* svc = static_cast<SvcCtxHandle*>(h);
        if (attrtype == OCI_ATTR_SERVER) return put_attr<void*>(attributep, sizep, svc->server);
        if (attrtype == OCI_ATTR_SESSION) return put_attr<void*>(attributep, sizep, svc->session);
        return unsupported_attr(errhp, attrtype);
    }
    case OCI_HTYPE_SESSION: {
        SessionHandle* ses = static_cast<SessionHandle*>(h);
        if (attrtype == OCI_ATTR_USERNAME)
            return put_text_attr(attributep, sizep, ses->open ? ses->user : ses->username);
        if (attrtype == OCI_ATTR_CURRENT_SCHEMA)
            return put_text_attr(attributep, sizep,
                                 ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema);
        return unsupported_attr(errhp, attrtype);
    }
    case OCI_HTYPE_SERVER: {
        ServerHandle* srv = static_cast<ServerHandle*>(h);
        if (attrtype == OCI_ATTR_SERVER_STATUS)
            return put_attr<ub4>(attributep, sizep, srv->attached ? OCI_SERVER_NORMAL : OCI_SERVER_NOT_CONNECTED);
        return unsupported_attr(errhp, attrtype);
    }
    case OCI_HTYPE_ERROR: {
        ErrorHandle* e = static_cast<ErrorHandle*>(h);
        if (attrtype == OCI_ATTR_PARSE_ERROR_OFFSET) return put_attr<ub2>(attributep, sizep, e->parse_offset);
        return unsupported_attr(errhp, attrtype);
    }
    default:
        return unsupported_attr(errhp, attrtype);
    }
}

VOCI_EXPORT sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos) {
    if (htype != OCI_HTYPE_STMT) return OCI_INVALID_HANDLE;
    StmtHandle* s = handle_cast<StmtHandle>(hndlp, OCI_HTYPE_STMT);
    if (!s || !parmdpp) return OCI_INVALID_HANDLE;
    if (!s->executed) return error_set(errhp, 24338, ora_message(24338));
    if (pos < 1 || pos > s->tr.columns.size()) return error_set(errhp, 24334, ora_message(24334));
    ParamHandle* p = new ParamHandle;
    p->type = OCI_DTYPE_PARAM;
    p->stmt = s;
    p->column = s->tr.columns[pos - 1];
    s->params.push_back(p);
    *parmdpp = p;
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp, ub4 bufsiz,
                              ub4 type) {
    if (sqlstate) sqlstate[0] = 0;
    if (type == OCI_HTYPE_ENV) {
        if (!handle_cast<EnvHandle>(hndlp, OCI_HTYPE_ENV)) return OCI_INVALID_HANDLE;
        return OCI_NO_DATA;
    }
    if (type != OCI_HTYPE_ERROR) return OCI_INVALID_HANDLE;
    ErrorHandle* e = handle_cast<ErrorHandle>(hndlp, OCI_HTYPE_ERROR);
    if (!e) return OCI_INVALID_HANDLE;
    if (recordno != 1 || e->code == 0) return OCI_NO_DATA;
    if (errcodep) *errcodep = e->code;
    if (bufp && bufsiz > 0) {
        std::size_t n = e->text.size() < bufsiz - 1 ? e->text.size() : bufsiz - 1;
        std::memcpy(bufp, e->text.data(), n);
        bufp[n] = 0;
    }
    return OCI_SUCCESS;
}

}  // extern "C"
