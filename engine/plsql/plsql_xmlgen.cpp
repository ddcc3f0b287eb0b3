// DBMS_XMLGEN.GETXML(query) and GETXMLTYPE: runs the query text as a statement of its own
// through the engine's OCI surface, as dynamic SQL does, and writes its rows in Oracle's
// canonical layout: <ROWSET>, one <ROW> per row, one element per non-null column named by
// the column, each level indented by one blank. A query without rows gives NULL. The
// context functions (NEWCONTEXT, GETXML(ctx), GETNUMROWSPROCESSED) keep a query and its
// settings (tags, rows to skip and to take, null handling) in the session, and each
// GETXML(ctx) runs the query again from the row the one before stopped at. Also
// SYS_XMLGEN of a scalar.
#include "plsql/plsql.h"

#include "values/errors.h"

#include <cmath>
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
std::string xmlgen_oci_error(OCIError* errhp) {
    ErrorHandle* e = error_handle(errhp);
    std::string text = e && e->code ? e->text : ora_format(19206, ora_message(19206));
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

std::string xmlgen_error_text(int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

// Writes the rows of ctx's query from row ctx.skip_rows + ctx.consumed on, at most
// ctx.max_rows of them, in GETXML's layout (with the XML declaration when prolog); *rows
// gets how many. Empty xml when there are none. False with the error's text in *error.
bool xmlgen_generate(SessionHandle* ses, const PlXmlgenContext& ctx, bool prolog, std::string* xml,
                     std::int64_t* rows, std::string* error) {
    xml->clear();
    *rows = 0;
    const std::string& text = ctx.query;
    if (text.empty()) {
        *error = xmlgen_error_text(19206);
        return false;
    }
    XmlgenHandles h;
    OCIEnv* env = reinterpret_cast<OCIEnv*>(static_cast<Handle*>(ses->env));
    if (OCIHandleAlloc(env, reinterpret_cast<void**>(&h.err), OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<void**>(&h.stmt), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<void**>(&h.svc), OCI_HTYPE_SVCCTX, 0, nullptr) != OCI_SUCCESS) {
        *error = xmlgen_error_text(19202, ": out of memory");
        return false;
    }
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(h.svc, OCI_HTYPE_SVCCTX);
    svc->server = ses->server;
    svc->session = ses;
    if (OCIStmtPrepare(h.stmt, h.err, reinterpret_cast<const OraText*>(text.data()), static_cast<ub4>(text.size()),
                       OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS) {
        *error = xmlgen_oci_error(h.err);
        return false;
    }
    StmtHandle* sh = handle_cast<StmtHandle>(h.stmt, OCI_HTYPE_STMT);
    if (sh->stmt_type != OCI_STMT_SELECT) {
        *error = xmlgen_error_text(19206);
        return false;
    }
    const bool was_busy = ses->server->busy;
    sword rc = OCIStmtExecute(h.svc, h.stmt, h.err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    ses->server->busy = was_busy;
    if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) {
        *error = xmlgen_oci_error(h.err);
        return false;
    }
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
        OCIDefine* define = nullptr;
        if (OCIParamGet(h.stmt, OCI_HTYPE_STMT, h.err, &param, k + 1) != OCI_SUCCESS ||
            OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &name_size, OCI_ATTR_NAME, h.err) != OCI_SUCCESS ||
            OCIDefineByPos(h.stmt, &define, h.err, k + 1, values[k].data(), kXmlgenValueBytes, SQLT_CHR,
                           &indicators[k], &lengths[k], nullptr, OCI_DEFAULT) != OCI_SUCCESS) {
            *error = xmlgen_oci_error(h.err);
            return false;
        }
        names[k] = xmlgen_name(std::string(reinterpret_cast<const char*>(name), name_size));
    }
    const bool rowset = !ctx.rowset_tag.empty(), row = !ctx.row_tag.empty();
    const std::string row_lead(rowset ? 1 : 0, ' ');
    const std::string column_lead(row_lead.size() + (row ? 1 : 0), ' ');
    const std::string rowset_name = xmlgen_name(ctx.rowset_tag), row_name = xmlgen_name(ctx.row_tag);
    std::int64_t skip = ctx.skip_rows + ctx.consumed;
    std::string body;
    while (ctx.max_rows < 0 || *rows < ctx.max_rows) {
        rc = OCIStmtFetch(h.stmt, h.err, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        if (rc == OCI_NO_DATA) break;
        // A value cut to the buffer comes with information: refused, not written cut.
        if (rc != OCI_SUCCESS) {
            *error = xmlgen_oci_error(h.err);
            return false;
        }
        if (skip > 0) {
            --skip;
            continue;
        }
        ++*rows;
        if (row) body += row_lead + "<" + row_name + ">\n";
        for (ub4 k = 0; k < count; ++k) {
            if (indicators[k] == OCI_IND_NULL) {
                if (ctx.null_handling == 1) body += column_lead + "<" + names[k] + " xsi:nil = \"true\"/>\n";
                if (ctx.null_handling == 2) body += column_lead + "<" + names[k] + "/>\n";
                continue;
            }
            body += column_lead + "<" + names[k] + ">";
            xmlgen_escape(values[k].data(), lengths[k], &body);
            body += "</" + names[k] + ">\n";
        }
        if (row) body += row_lead + "</" + row_name + ">\n";
    }
    if (*rows == 0) return true;
    // Without a rowset element the rows would be several documents.
    if (!rowset && (*rows > 1 || !row)) {
        *error = xmlgen_error_text(19202, ": the result has no single root element (rowset tag NULL)");
        return false;
    }
    if (prolog) *xml = "<?xml version=\"1.0\"?>\n";
    if (rowset) {
        *xml += "<" + rowset_name;
        if (ctx.null_handling == 1) *xml += " xmlns:xsi = \"http://www.w3.org/2001/XMLSchema-instance\"";
        *xml += ">\n" + body + "</" + rowset_name + ">\n";
    } else {
        *xml += body;
    }
    return true;
}

void xmlgen_result(sqlite3_context* ctx, bool ok, const std::string& xml, const std::string& error) {
    if (!ok) return sqlite3_result_error(ctx, error.c_str(), static_cast<int>(error.size()));
    if (xml.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, xml.c_str(), static_cast<int>(xml.size()), SQLITE_TRANSIENT);
}

// vantro_xmlgen(query [, xmltype]): GETXML (or GETXMLTYPE, without the XML declaration)
// of a query's text.
void fn_xmlgen(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    if (!ses->server || !ses->server->db) return;
    const unsigned char* q = sqlite3_value_text(argv[0]);
    PlXmlgenContext settings;
    settings.query = q ? reinterpret_cast<const char*>(q) : "";
    const bool xmltype = argc > 1 && sqlite3_value_int(argv[1]) != 0;
    std::string xml, error;
    std::int64_t rows = 0;
    const bool ok = xmlgen_generate(ses, settings, !xmltype, &xml, &rows, &error);
    xmlgen_result(ctx, ok, xml, error);
}

// vantro_xmlgen_newcontext(query): a new context's handle.
void fn_xmlgen_newcontext(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    const unsigned char* q = sqlite3_value_text(argv[0]);
    if (!q || !*q) {
        const std::string e = xmlgen_error_text(19206);
        return sqlite3_result_error(ctx, e.c_str(), static_cast<int>(e.size()));
    }
    PlSessionState* st = plsql_session(ses);
    const std::int64_t handle = ++st->next_xmlgen_context;
    st->xmlgen_contexts[handle].query = reinterpret_cast<const char*>(q);
    sqlite3_result_int64(ctx, handle);
}

PlXmlgenContext* xmlgen_context_of(sqlite3_context* ctx, sqlite3_value* v) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    PlError err;
    PlXmlgenContext* c = plsql_xmlgen_context(
        ses, sqlite3_value_type(v) == SQLITE_NULL ? -1.0 : sqlite3_value_double(v), &err);
    if (!c) {
        std::string text = ora_format(err.code, err.message);
        while (!text.empty() && text.back() == '\n') text.pop_back();
        sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
    }
    return c;
}

// vantro_xmlgen_context(ctx, xmltype): GETXML (GETXMLTYPE) of a context: its next rows.
void fn_xmlgen_context(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SessionHandle* ses = static_cast<SessionHandle*>(sqlite3_user_data(ctx));
    PlXmlgenContext* c = xmlgen_context_of(ctx, argv[0]);
    if (!c) return;
    std::string xml, error;
    std::int64_t rows = 0;
    const bool ok = xmlgen_generate(ses, *c, sqlite3_value_int(argv[1]) == 0, &xml, &rows, &error);
    c->processed = ok ? rows : 0;
    if (ok) c->consumed += rows;
    xmlgen_result(ctx, ok, xml, error);
}

// vantro_xmlgen_rows(ctx): GETNUMROWSPROCESSED, the rows the context's last GETXML wrote.
void fn_xmlgen_rows(sqlite3_context* ctx, int, sqlite3_value** argv) {
    PlXmlgenContext* c = xmlgen_context_of(ctx, argv[0]);
    if (c) sqlite3_result_int64(ctx, c->processed);
}

// vantro_sys_xmlgen(value, name): SYS_XMLGEN of a scalar: one element named after the
// column (ROW for another expression) holding the value's text.
void fn_sys_xmlgen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) return sqlite3_result_null(ctx);
    const unsigned char* v = sqlite3_value_text(argv[0]);
    const unsigned char* n = sqlite3_value_text(argv[1]);
    const std::string name = xmlgen_name(n ? reinterpret_cast<const char*>(n) : "ROW");
    std::string xml = "<?xml version=\"1.0\"?>\n<" + name + ">";
    xmlgen_escape(reinterpret_cast<const char*>(v), static_cast<std::size_t>(sqlite3_value_bytes(argv[0])), &xml);
    xml += "</" + name + ">\n";
    sqlite3_result_text(ctx, xml.c_str(), static_cast<int>(xml.size()), SQLITE_TRANSIENT);
}

}  // namespace

PlXmlgenContext* plsql_xmlgen_context(SessionHandle* session, double v, PlError* err) {
    PlSessionState* st = plsql_session(session);
    auto it = v == std::floor(v) && v >= 1 && v <= 9e15 ? st->xmlgen_contexts.find(static_cast<std::int64_t>(v))
                                                          : st->xmlgen_contexts.end();
    if (it != st->xmlgen_contexts.end()) return &it->second;
    err->code = 19202;
    err->message = ora_message(19202, ": invalid DBMS_XMLGEN context handle");
    return nullptr;
}

bool plsql_xmlgen_register(sqlite3* db, SessionHandle* session) {
    struct Fn {
        const char* name;
        int args;
        void (*run)(sqlite3_context*, int, sqlite3_value**);
    };
    static const Fn kFunctions[] = {
        {"vantro_xmlgen", 1, fn_xmlgen},
        {"vantro_xmlgen", 2, fn_xmlgen},
        {"vantro_xmlgen_newcontext", 1, fn_xmlgen_newcontext},
        {"vantro_xmlgen_context", 2, fn_xmlgen_context},
        {"vantro_xmlgen_rows", 1, fn_xmlgen_rows},
        {"vantro_sys_xmlgen", 2, fn_sys_xmlgen},
    };
    for (const Fn& f : kFunctions)
        if (sqlite3_create_function(db, f.name, f.args, SQLITE_UTF8, session, f.run, nullptr, nullptr) != SQLITE_OK)
            return false;
    return true;
}
