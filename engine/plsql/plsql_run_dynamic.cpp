// The interpreter's dynamic SQL: EXECUTE IMMEDIATE runs its text as a statement of its
// own through the engine's OCI surface, so that every kind the engine knows (queries,
// DML, DDL, transaction statements, PL/SQL blocks) behaves as when the console sends
// it. USING arguments are bound by position, a query's row goes INTO variables (or all
// its rows into collections with BULK COLLECT), OUT and IN OUT arguments and RETURNING
// INTO targets come back from the statement's out binds, and a failure of the dynamic
// statement is raised in the block as the Oracle error it is.
#include "plsql/plsql_interpreter.h"

#include "values/decimal.h"
#include "values/errors.h"
#include "values/number_bytes.h"

#include <cstdio>
#include <cstring>

namespace plsql_running {

namespace {

// Out binds take up to a VARCHAR2's PL/SQL length.
constexpr sb4 kOutBindBytes = 32768;

// The handles a dynamic statement runs on, freed when it is done.
struct DynamicHandles {
    OCIStmt* stmt = nullptr;
    OCIError* err = nullptr;
    OCISvcCtx* svc = nullptr;
    ~DynamicHandles() {
        if (stmt) OCIHandleFree(stmt, OCI_HTYPE_STMT);
        if (err) OCIHandleFree(err, OCI_HTYPE_ERROR);
        if (svc) OCIHandleFree(svc, OCI_HTYPE_SVCCTX);
    }
};

// One bound argument: its value as the statement reads it, and room for what it writes.
struct DynamicBind {
    std::string text;  // NUL-terminated text, or the out buffer
    std::int64_t i = 0;
    double d = 0;
    sb2 indicator = 0;
    ub2 dty = SQLT_STR;
    ub2 alen = 0;
    BindHandle* handle = nullptr;
};

// The Oracle types a dynamic statement's placeholder can take from a PL/SQL value: SQL's
// scalar types (a collection, object, record or cursor stays text, as before).
bool dynamic_bind_type(const OraType& t, const PlValue& v) {
    if (v.coll || !v.fields.empty()) return false;
    switch (t.code) {
    case kTypeVarchar2:
    case kTypeNumber:
    case kTypeDate:
    case kTypeRaw:
    case kTypeChar:
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
    case kTypeClob:
    case kTypeBlob:
    case kTypeTimestamp:
    case kTypeTimestampTz:
    case kTypeTimestampLtz:
    case kTypeIntervalYm:
    case kTypeIntervalDs:
        return true;
    default:
        return false;
    }
}

// v in the stored form its type keeps in SQLite, as the bind's buffer: integers and
// doubles as themselves, wider NUMBERs as their bytes, RAW and BLOB as bytes, the rest
// (text, dates, timestamps, intervals) as their stored text. False when v is not a
// value of type t (it is then bound as text, as before).
bool dynamic_bind_stored(const PlValue& v, const OraType& t, DynamicBind* b) {
    const bool number = t.code == kTypeNumber || t.code == kTypeBinaryFloat || t.code == kTypeBinaryDouble;
    switch (v.kind) {
    case PlKind::Null:
        b->dty = SQLT_CHR;
        return true;
    case PlKind::Int:
        if (!number) return false;
        if (t.code == kTypeNumber) {
            b->dty = SQLT_INT;
            b->i = v.i;
        } else {
            b->dty = SQLT_FLT;
            b->d = static_cast<double>(v.i);
        }
        return true;
    case PlKind::Real:
        if (!number) return false;
        if (!v.s.empty() && t.code == kTypeNumber) {
            b->dty = SQLT_NUM;
            b->text = v.s;
        } else {
            b->dty = SQLT_FLT;
            b->d = v.d;
        }
        return true;
    case PlKind::Text:
        if (t.code == kTypeNumber) {
            Decimal d;
            if (!number_bytes_decode(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &d))
                return false;
            b->dty = SQLT_NUM;
        } else if (number) {
            return false;
        } else {
            b->dty = pl_binary_type(t) ? SQLT_BIN : SQLT_CHR;
        }
        b->text = v.s;
        return true;
    }
    return false;
}

// The error an OCI call left in the error handle: "ORA-nnnnn: message\n...", as the
// code and the first message line.
PlError handle_error(OCIError* errhp) {
    ErrorHandle* e = error_handle(errhp);
    if (!e || e->code == 0) return pl_error(600, "[dynamic SQL]");
    std::string text = e->text;
    std::size_t colon = text.compare(0, 4, "ORA-") == 0 ? text.find(": ") : std::string::npos;
    if (colon != std::string::npos && colon < 10) text.erase(0, colon + 2);
    std::size_t nl = text.find('\n');
    if (nl != std::string::npos) text.erase(nl);
    return make_error(e->code, text);
}

}  // namespace

Flow Interpreter::run_execute(const PlStmt& st) {
    PlError err;
    PlValue text_value;
    if (!eval(st.exprs[0], &text_value, &err)) return raise(err, st.line);
    std::string text = text_of(text_value, type_of(st.exprs[0]));
    if (text.empty()) return raise(make_error(6535, ora_message(6535, "EXECUTE IMMEDIATE")), st.line);

    DynamicHandles h;
    OCIEnv* env = reinterpret_cast<OCIEnv*>(static_cast<Handle*>(s_->env));
    if (OCIHandleAlloc(env, reinterpret_cast<void**>(&h.err), OCI_HTYPE_ERROR, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<void**>(&h.stmt), OCI_HTYPE_STMT, 0, nullptr) != OCI_SUCCESS ||
        OCIHandleAlloc(env, reinterpret_cast<void**>(&h.svc), OCI_HTYPE_SVCCTX, 0, nullptr) != OCI_SUCCESS)
        return raise(pl_error(6500), st.line);
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(h.svc, OCI_HTYPE_SVCCTX);
    svc->server = ses_->server;
    svc->session = ses_;
    if (OCIStmtPrepare(h.stmt, h.err, reinterpret_cast<const OraText*>(text.data()), static_cast<ub4>(text.size()),
                       OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS)
        return raise(handle_error(h.err), st.line);
    StmtHandle* sh = handle_cast<StmtHandle>(h.stmt, OCI_HTYPE_STMT);
    bool query = sh->stmt_type == OCI_STMT_SELECT;

    // USING arguments by position, then the RETURNING INTO targets.
    std::size_t nargs = st.bind_modes.size();
    std::size_t nret = st.returning_into ? st.targets.size() : 0;
    std::vector<DynamicBind> binds(nargs + nret);
    for (std::size_t k = 0; k < binds.size(); ++k) {
        DynamicBind& b = binds[k];
        PlBindMode mode = k < nargs ? st.bind_modes[k] : PlBindMode::Out;
        PlValue v;
        PlSql* q = k < nargs ? st.exprs[k + 1] : nullptr;
        if (mode != PlBindMode::Out && !eval(q, &v, &err)) return raise(err, st.line);
        const PlTarget* target = k >= nargs                 ? &st.targets[k - nargs]
                                 : mode == PlBindMode::In ? nullptr
                                                          : &st.bind_targets[k];
        // The placeholder takes the PL/SQL type: an argument's, or an OUT target's.
        OraType type;
        bool typed = mode == PlBindMode::Out ? dynamic_target_type(*target, &type)
                                             : dynamic_bind_type(type_of(q), v) && (type = type_of(q), true);
        if (typed && mode == PlBindMode::InOut) {
            OraType out_type;
            typed = dynamic_target_type(*target, &out_type) && out_type.code == type.code;
        }
        if (typed && mode != PlBindMode::Out && !dynamic_bind_stored(v, type, &b)) typed = false;
        // A length beyond the 16 bits of alen: text goes NUL-terminated, bytes as before.
        if (typed && b.text.size() > 65535 && b.dty == SQLT_CHR) b.dty = SQLT_STR;
        if (typed && b.text.size() > 65535 && b.dty != SQLT_STR) typed = false;
        if (!typed || mode == PlBindMode::Out) {
            b = DynamicBind();
            if (mode == PlBindMode::In && v.kind == PlKind::Int) {
                b.dty = SQLT_INT;
                b.i = v.i;
            } else if (mode == PlBindMode::In && v.kind == PlKind::Real && v.s.empty()) {
                b.dty = SQLT_FLT;
                b.d = v.d;
            } else {
                b.text = mode == PlBindMode::Out ? std::string() : text_of(v, type_of(q));
                if (mode != PlBindMode::In) {
                    if (b.text.size() >= static_cast<std::size_t>(kOutBindBytes))
                        return raise(value_error("character string buffer too small"), st.line);
                    b.text.resize(static_cast<std::size_t>(kOutBindBytes), '\0');
                }
            }
        }
        if (v.kind == PlKind::Null) b.indicator = OCI_IND_NULL;
        void* value = b.dty == SQLT_INT   ? static_cast<void*>(&b.i)
                      : b.dty == SQLT_FLT ? static_cast<void*>(&b.d)
                                          : static_cast<void*>(&b.text[0]);
        sb4 size = b.dty == SQLT_INT || b.dty == SQLT_FLT ? 8
                   : b.dty == SQLT_STR ? static_cast<sb4>(b.text.size() + (mode == PlBindMode::In || typed ? 1 : 0))
                                       : static_cast<sb4>(b.text.size());
        b.alen = static_cast<ub2>(b.text.size() > 65535 ? 65535 : b.text.size());
        OCIBind* handle = nullptr;
        if (OCIBindByPos(h.stmt, &handle, h.err, static_cast<ub4>(k + 1), value, size, b.dty, &b.indicator,
                         b.dty == SQLT_CHR || b.dty == SQLT_BIN || b.dty == SQLT_NUM ? &b.alen : nullptr, nullptr, 0,
                         nullptr, OCI_DEFAULT) != OCI_SUCCESS)
            return raise(handle_error(h.err), st.line);
        if (typed) {
            BindHandle* bh = reinterpret_cast<BindHandle*>(handle);
            bh->typed = true;
            bh->ora_type = type;
        }
        b.handle = reinterpret_cast<BindHandle*>(handle);
    }

    // The block's savepoint covers what the dynamic statement changes, as it covers the
    // block's own DML; DDL commits, and the savepoint with it.
    if (!take_savepoint(&err)) return raise(err, st.line);
    bool was_busy = ses_->server->busy;
    sh->caller_steps = true;  // the rows are read from sh->vm here, or by the cursor it opens
    sword rc = OCIStmtExecute(h.svc, h.stmt, h.err, query ? 0 : 1, 0, nullptr, nullptr, OCI_DEFAULT);
    if (rc == OCI_ERROR && !query && handle_error(h.err).code == 54 && plsql_buffer_cursors(ses_)) {
        // DDL refused while the session's own cursors read tables (a loop over USER_OBJECTS
        // that drops them): once their rows are read ahead, it runs.
        rc = OCIStmtExecute(h.svc, h.stmt, h.err, 1, 0, nullptr, nullptr, OCI_DEFAULT);
    }
    ses_->server->busy = was_busy;
    if (sqlite3_get_autocommit(db_)) {
        ses_->in_transaction = false;
        root_->savepoint_ = false;
    }
    if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO) return raise(handle_error(h.err), st.line);

    if (st.open_dynamic) {
        if (!query) return raise(make_error(900, ora_message(900)), st.line);
        if (st.cursor_var) {
            sqlite3_stmt* vm = sh->vm;
            sh->vm = nullptr;
            open_cursor_var(st.slot, vm, text, sh->tr, sh);
            return Flow::Next;
        }
        HostState* hs = host(st.name, &err);
        if (!hs) return raise(err, st.line);
        BindHandle* b = hs->bind;
        StmtHandle* target = b->dty == SQLT_RSET && b->value
                                 ? handle_cast<StmtHandle>(*static_cast<void**>(b->value), OCI_HTYPE_STMT)
                                 : nullptr;
        if (!target) return raise(make_error(3115, ora_message(3115)), st.line);
        // The caller's handle takes the executed query over.
        sqlite3_stmt* vm = sh->vm;
        sh->vm = nullptr;
        stmt_open_result(target, ses_, text, sh->tr, vm);
        plsql_with_move(ses_, sh, target);
        target->with_plsql = true;
        if (b->indicator) *b->indicator = 0;
        return Flow::Next;
    }
    if (query && !st.targets.empty()) {
        std::vector<std::vector<PlValue>> rows;
        bool done = false;
        if (!bulk_rows(sh->vm, st.bulk ? -1 : 2, &rows, &done, &err)) return raise(err, st.line);
        if (st.bulk) {
            std::vector<OraType> types;
            for (const ColumnInfo& c : sh->tr.columns) types.push_back(c.type);
            if (!bulk_store(st.targets, rows, types, &err)) return raise(err, st.line);
        } else {
            sql_found_ = rows.empty() ? 0 : 1;
            sql_rowcount_ = static_cast<std::int64_t>(rows.size());
            if (rows.empty()) return raise(make_error(1403, ora_message(1403)), st.line);
            if (rows.size() > 1) return raise(pl_error(1422), st.line);
            std::vector<PlTarget> flat = st.targets;
            if (flat.size() == 1 && !flat[0].host && !p_->vars[static_cast<std::size_t>(flat[0].slot)].fields.empty()) {
                flat.clear();
                for (int f : p_->vars[static_cast<std::size_t>(st.targets[0].slot)].fields)
                    flat.push_back(pl_var_target(f));
            }
            if (flat.size() != rows[0].size()) return raise(pl_error(6504), st.line);
            for (std::size_t c = 0; c < flat.size(); ++c)
                if (!assign(flat[c], rows[0][c], sh->tr.columns[c].type, &err)) return raise(err, st.line);
            return Flow::Next;
        }
        sql_found_ = rows.empty() ? 0 : 1;
        sql_rowcount_ = static_cast<std::int64_t>(rows.size());
        return Flow::Next;
    }
    if (!query) {
        sql_rowcount_ = sh->row_count;
        sql_found_ = sh->row_count > 0 ? 1 : 0;
    }

    OraType varchar;
    varchar.code = kTypeVarchar2;
    varchar.size = static_cast<std::uint32_t>(kOutBindBytes - 1);
    for (std::size_t k = 0; k < binds.size(); ++k) {
        PlBindMode mode = k < nargs ? st.bind_modes[k] : PlBindMode::Out;
        if (mode == PlBindMode::In) continue;
        const DynamicBind& b = binds[k];
        PlValue v;
        const PlTarget& target = k < nargs ? st.bind_targets[k] : st.targets[k - nargs];
        if (b.handle && b.handle->typed) {
            if (target.slot < 0 && !target.host) continue;
            OraType from;
            if (!dynamic_returned(b.handle, &v, &from)) {
                if (mode == PlBindMode::InOut) continue;  // not written: the variable keeps its value
                from = varchar;
            }
            if (!assign(target, v, from, &err)) return raise(err, st.line);
            continue;
        }
        if (b.indicator != OCI_IND_NULL) {
            std::size_t len = std::strlen(b.text.c_str());
            if (len) {
                v.kind = PlKind::Text;
                v.s.assign(b.text.data(), len);
            }
        }
        if (target.slot < 0 && !target.host) continue;
        if (!assign(target, v, varchar, &err)) return raise(err, st.line);
    }
    return Flow::Next;
}

bool Interpreter::dynamic_target_type(const PlTarget& t, OraType* type) const {
    if (t.host || t.slot < 0 || t.index || t.attribute >= 0) return false;
    const PlVarInfo* info = !t.package.empty() ? t.info.get() : &p_->vars[static_cast<std::size_t>(t.slot)];
    if (!info || info->collection != PlCollection::None || !info->fields.empty() || info->boolean) return false;
    PlValue none;
    if (!dynamic_bind_type(info->type, none)) return false;
    *type = info->type;
    return true;
}

bool Interpreter::dynamic_returned(const BindHandle* b, PlValue* v, OraType* type) {
    const BindHandle::Returned& r = b->returned;
    if (!r.set) return false;
    *v = PlValue();
    *type = r.type;
    switch (r.kind) {
    case SQLITE_INTEGER:
        v->kind = PlKind::Int;
        v->i = r.i;
        break;
    case SQLITE_FLOAT:
        v->kind = PlKind::Real;
        v->d = r.d;
        break;
    case SQLITE_TEXT:
        if (!r.s.empty() || r.type.code == kTypeClob || r.type.code == kTypeBlob) {
            v->kind = PlKind::Text;
            v->s = r.s;
        }
        break;
    default:
        break;
    }
    return true;
}

}  // namespace plsql_running
