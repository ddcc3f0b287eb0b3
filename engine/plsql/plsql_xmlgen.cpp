// DBMS_XMLGEN.GETXML(query): runs the query text as a statement of its own through the
// engine's OCI surface, as dynamic SQL does, and writes its rows in Oracle's canonical
// layout: <ROWSET>, one <ROW> per row, one element per non-null column named by the
// column, each level indented by one blank. A query without rows gives NULL.
#include "plsql/plsql.h"

#include "values/errors.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A column's value fetched as text: up to this many bytes (a VARCHAR2's PL/SQL length).
constexpr sb4 kXmlgenValueBytes = 32768;

// The handles the query runs on, freed when it is done.
struct XmlgenHandles {
    OCIStmt* stmt = nullptr;
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;
    ~XmlgenHandles() {
        if (stmt) OCIHandleFree(stmt, OCI_HTYPE_STMT);
        if (err) OCIHandleFree(err, OCI_HTYPE_ERROR);
        if (svc) OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    }
};

void xmlgen_escape(const char* s, std::size_t n, std::string* out) {
    for (std::size_t k = 0; k < n; ++k) {
        switch (s[k]) {
        case '&':
            *out += "&amp;";
            break;
        case '<':
            *out += "&lt;";
            break;
        case '>':
            *out += "&gt;";
            break;
        default:
            *out += s[k];
        }
    }
}

// A column name as an XML element name: a character no XML name takes there becomes
// _xHHHH_ (its code in hexadecimal), as Oracle maps SQL names to XML (COUNT(*) is
// COUNT_x0028__x002A__x0029_). Names are ASCII or UTF-8; bytes past ASCII are kept.
std::string xmlgen_name(const std::string& name) {
    std::string out;
    for (std::size_t k = 0; k < name.size(); ++k) {
        const unsigned char c = static_cast<unsigned char>(name[k]);
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
        const bool other = (c >= '0' && c <= '9') || c == '.' || c == '-';
        if (letter || (k > 0 && other)) {
            out += static_cast<char>(c);
            continue;
        }
        char code[16];
        std::snprintf(code, sizeof code, "_x%04X_", static_cast<unsigned>(c));
        out += code;
    }
    return out;
}

// The error the OCI call left, as the statement's error ("ORA-nnnnn: ...").
void xmlgen_fail(sqlite3_context* ctx, OCIError* errhp) {
    ErrorHandle* e = error_handle(errhp);
    std::string text = e && e->code ? e->text : ora_format(19206, ora_message(19206));
    while (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

void fn_xmlgen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    if (!ses->server || !ses->server->db) return;
    const unsigned char* q = sqlite3_value_text(argv[0]);
    const std::string text = q ? reinterpret_cast<const char*>(q) : "";
    if (text.empty()) {
        const std::string e = ora_format(19206, ora_message(19206));
        sqlite3_result_error(ctx, e.c_str(), static_cast<int>(e.size()) - 1);
        return;
    }
    XmlgenHandles h;
    OCIEnv* env = reinterpret_cast<OCIEnv*>(static_cast<Handle*>(ses->env));
    if (OCIHandleAlloc(env, reinterpret_cast<void**>(&h.err), OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<void**>(&h.stmt), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<void**>(&h.svc), OCI_HTYPE_SVCCTX, 0, nullptr) != OCI_SUCCESS) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(h.svc, OCI_HTYPE_SVCCTX);
    svc->server = ses->server;
    svc->session = ses;
    if (OCIStmtPrepare(h.stmt, h.err, reinterpret_cast<const OraText*>(text.data()), static_cast<ub4>(text.size()),
                       OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS)
        return xmlgen_fail(ctx, h.err);
    StmtHandle* sh = handle_cast<StmtHandle>(h.stmt, OCI_HTYPE_STMT);
    if (sh->stmt_type != OCI_STMT_SELECT) {
        const std::string e = ora_format(19206, ora_message(19206));
        sqlite3_result_error(ctx, e.c_str(), static_cast<int>(e.size()) - 1);
        return;
    }
    const bool was_busy = ses->server->busy;
    sword rc = OCIStmtExecute(h.svc, h.stmt, h.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    ses->server->busy = was_busy;
    if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) return xmlgen_fail(ctx, h.err);
    ub4 count = 0;
    OCIAttrGet(h.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, h.err);
    std::vector<std::string> names(count);
    std::vector<std::vector<char>> values(count, std::vector<char>(kXmlgenValueBytes));
    std::vector<sb2> indicators(count, 0);
    std::vector<ub2> lengths(count, 0);
    for (ub4 k = 0; k < count; ++k) {
        void* param = nullptr;
        OraText* name = nullptr;
        ub4 name_size = 0;
        if (OCIParamGet(h.stmt, OCI_HTYPE_STMT, h.err, &param, k + 1) != OCI_SUCCESS ||
            OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &name_size, OCI_ATTR_NAME, h.err) != OCI_SUCCESS)
            return xmlgen_fail(ctx, h.err);
        names[k] = xmlgen_name(std::string(reinterpret_cast<const char*>(name), name_size));
        OCIDefine* define = nullptr;
        if (OCIDefineByPos(h.stmt, &define, h.err, k + 1, values[k].data(), kXmlgenValueBytes, SQLT_CHR,
                           &indicators[k], &lengths[k], nullptr, OCI_DEFAULT) != OCI_SUCCESS)
            return xmlgen_fail(ctx, h.err);
    }
    std::string xml;
    for (;;) {
        rc = OCIStmtFetch(h.stmt, h.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (rc == OCI_NO_DATA) break;
        // A value cut to the buffer comes with information: refused, not written cut.
        if (rc != OCI_SUCCESS) return xmlgen_fail(ctx, h.err);
        xml += " <ROW>\n";
        for (ub4 k = 0; k < count; ++k) {
            if (indicators[k] == OCI_IND_NULL) continue;
            xml += "  <" + names[k] + ">";
            xmlgen_escape(values[k].data(), lengths[k], &xml);
            xml += "</" + names[k] + ">\n";
        }
        xml += " </ROW>\n";
    }
    if (xml.empty()) {
        sqlite3_result_null(ctx);
        return;
    }
    xml = "<?xml version=\"1.0\"?>\n<ROWSET>\n" + xml + "</ROWSET>\n";
    sqlite3_result_text(ctx, xml.c_str(), static_cast<int>(xml.size()), SQLITE_TRANSIENT);
}

}  // namespace

bool plsql_xmlgen_register(sqlite3* db, SessionHandle* session) {
    return sqlite3_create_function(db, "vantro_xmlgen", 1, SQLITE_UTF8, session, fn_xmlgen, nullptr, nullptr) ==
           SQLITE_OK;
}
