// OCI surface: statements. Prepare records the text; execute translates it,
// runs it with Oracle's transaction rules and, for a query, leaves a SQLite statement
// positioned before its first row; fetch steps it and converts each value straight into
// the caller's define buffers (no allocation per row). Values come out as Oracle prints
// them: NUMBER text, DATE in the session's NLS_DATE_FORMAT, CHAR padded, RAW as hex.
#include "catalog/catalog.h"
#include "catalog/catalog_cache.h"
#include "catalog/dictionary.h"
#include "catalog/dictionary_ddl.h"
#include "catalog/temporary_tables.h"
#include "catalog/users_ddl.h"
#include "oci/engine.h"
#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/session_params.h"
#include "values/sql_interval.h"
#include "values/timestamp_tz.h"
#include "sql/explain_plan.h"
#include "os/os.h"
#include "plsql/plsql.h"
#include "sql/sql_ast.h"
#include "sql/sql_translate.h"
#include "values/clock.h"
#include "values/decimal.h"
#include "values/values.h"

#include <cmath>
#include <cstring>

namespace {

struct FetchFlags {
    bool truncated_with_rcode = false;
    bool truncated_without_rcode = false;
    bool null_without_indicator = false;
    int conversion_error = 0;
};

bool is_lob_dty(ub2 dty) {
    return dty == SQLT_CLOB || dty == SQLT_BLOB || dty == SQLT_BFILEE;
}

sword fail(StmtHandle* s, OCIError* errhp, const OraError& e) {
    s->parse_offset = static_cast<ub2>(e.offset > 65535 ? 65535 : e.offset);
    if (ErrorHandle* eh = error_handle(errhp)) eh->parse_offset = s->parse_offset;
    return error_set(errhp, e.code, e.message);
}

// Names the constraint behind a SQLite constraint failure from the catalog, as Oracle
// does ("unique constraint (SCOTT.PK_EMP) violated"); keeps e when none is recorded.
void name_constraint(StmtHandle* s, sqlite3* db, int code, const std::string& msg, StatementKind kind, OraError* e) {
    bool parent =
        kind == StatementKind::Delete || kind == StatementKind::TruncateTable || kind == StatementKind::DropTable;
    std::string name = catalog_violated_constraint(db, s->tr.owner, s->tr.table, code, msg, parent);
    if (name.empty()) return;
    if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
        *e = ora_error(1, name);
    else if (code == SQLITE_CONSTRAINT_CHECK)
        *e = ora_error(2290, name);
    else if (code == SQLITE_CONSTRAINT_FOREIGNKEY && (e->code == 2291 || e->code == 2292))
        *e = ora_error(e->code, name);
}

// A missing table or view that is an invalid view of the statement's: ORA-04063 names
// the view, which Oracle could not compile for the statement.
OraError invalid_view_error(StmtHandle* s, const std::string& schema, const OraError& err) {
    if (err.code != 942) return err;
    std::string view;
    std::uint32_t offset = 0;
    if (!dictionary_invalid_view(s->session->server->db, schema, s->tokens, &view, &offset)) return err;
    OraError e = ora_error(4063, "view \"" + view + "\"");
    e.offset = offset;
    return e;
}

sword fail_sqlite(StmtHandle* s, OCIError* errhp, sqlite3* db, StatementKind kind) {
    int code = sqlite3_extended_errcode(db);
    std::string msg = sqlite3_errmsg(db);
    OraError e = ora_from_sqlite(code, msg);
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY && kind == StatementKind::Delete) e = ora_error(2292, "FOREIGN KEY");
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY && kind == StatementKind::DropTable) e = ora_error(2449);
    if (code == SQLITE_CONSTRAINT_FOREIGNKEY && kind == StatementKind::TruncateTable) e = ora_error(2266);
    if ((code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY) &&
        kind == StatementKind::CreateIndex)
        e = ora_error(1452);
    name_constraint(s, db, code, msg, kind, &e);
    if (e.code == 1400 && e.message.find("(\"" + s->tr.owner + "\".") == std::string::npos)
        e = ora_error(1400, "\"" + s->tr.owner + "\"." +
                                e.message.substr(e.message.find('(') + 1, e.message.size() - e.message.find('(') - 2));
    // An UPDATE that sets a NOT NULL column to NULL says so in its own words.
    if (e.code == 1400 && kind == StatementKind::Update)
        e = ora_error(1407, e.message.substr(e.message.find('(') + 1, e.message.size() - e.message.find('(') - 2));
    e.offset = 0;
    SessionHandle* ses = s->session;
    e = invalid_view_error(s, ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema, e);
    if (e.code == 1013) s->session->server->cancel = false;
    return fail(s, errhp, e);
}

// The placeholders of the statement's text, in order: a bind by position names one of them.
std::vector<std::string> text_placeholders(const StmtHandle* s) {
    std::vector<std::string> names;
    for (const Token& t : s->tokens)
        if (t.kind == TokenKind::Bind) names.push_back(t.text);
    return names;
}

// The bind position (1-based) of SQLite parameter i of the translation. The translation
// may write a placeholder more than once (an UPDATE's WHERE read twice): the r-th use of
// a name is the r-th placeholder of that name in the text, or its last one when the text
// has fewer. A name the text does not have keeps the parameter's own index.
std::size_t bind_position(const StmtHandle* s, const std::vector<std::string>& placeholders, std::size_t i) {
    const std::string& name = s->tr.bind_names[i];
    std::size_t use = 0;
    for (std::size_t j = 0; j < i; ++j)
        if (s->tr.bind_names[j] == name) ++use;
    std::size_t found = 0, seen = 0;
    for (std::size_t k = 0; k < placeholders.size(); ++k) {
        if (placeholders[k] != name) continue;
        found = k + 1;
        if (seen++ == use) break;
    }
    return found ? found : i + 1;
}

// Binds every placeholder of the translated statement from element `iteration` of the
// caller's bind arrays (0 for a single execution).
sword apply_binds(StmtHandle* s, OCIError* errhp, ub4 iteration) {
    const std::vector<std::string> placeholders = text_placeholders(s);
    for (std::size_t i = 0; i < s->tr.bind_names.size(); ++i) {
        const std::string& name = s->tr.bind_names[i];
        BindHandle* b = nullptr;
        for (BindHandle* c : s->binds)
            if (!c->name.empty() && c->name == name) b = c;
        const std::size_t position = bind_position(s, placeholders, i);
        if (!b)
            for (BindHandle* c : s->binds)
                if (c->position == position) b = c;
        // A repeated placeholder left unbound at its own position takes the bind of its
        // first occurrence, as OCI allows (WHERE a LIKE :1 OR b LIKE :1 with one bind).
        for (std::size_t j = 0; !b && j < i; ++j)
            if (s->tr.bind_names[j] == name)
                for (BindHandle* c : s->binds)
                    if (c->position == j + 1) b = c;
        if (!b) return fail(s, errhp, ora_error(1008));
        int idx = static_cast<int>(i + 1);
        if ((b->indicator && b->indicator[iteration] == OCI_IND_NULL) || !b->value) {
            sqlite3_bind_null(s->vm, idx);
            continue;
        }
        const char* p =
            static_cast<const char*>(b->value) +
            static_cast<std::size_t>(iteration) * static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
        const ub2* alen = b->alen ? b->alen + iteration : nullptr;
        switch (b->dty) {
        case SQLT_CHR:
        case SQLT_AFC:
        case SQLT_LNG: {
            std::size_t len = alen ? *alen : static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
            if (len == 0)
                sqlite3_bind_null(s->vm, idx);
            else
                sqlite3_bind_text(s->vm, idx, p, static_cast<int>(len), SQLITE_TRANSIENT);
            break;
        }
        case SQLT_STR: {
            std::size_t cap = static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
            const void* nul = std::memchr(p, 0, cap);
            if (!nul) return fail(s, errhp, ora_error(1480));
            std::size_t len = static_cast<std::size_t>(static_cast<const char*>(nul) - p);
            if (len == 0)
                sqlite3_bind_null(s->vm, idx);
            else
                sqlite3_bind_text(s->vm, idx, p, static_cast<int>(len), SQLITE_TRANSIENT);
            break;
        }
        case SQLT_INT: {
            std::int64_t v = 0;
            switch (b->value_size) {
            case 1:
                v = *reinterpret_cast<const sb1*>(p);
                break;
            case 2: {
                sb2 x;
                std::memcpy(&x, p, 2);
                v = x;
                break;
            }
            case 4: {
                sb4 x;
                std::memcpy(&x, p, 4);
                v = x;
                break;
            }
            case 8:
                std::memcpy(&v, p, 8);
                break;
            default:
                return fail(s, errhp, ora_error(3115));
            }
            sqlite3_bind_int64(s->vm, idx, v);
            break;
        }
        case SQLT_FLT: {
            double v = 0;
            if (b->value_size == 4) {
                float f;
                std::memcpy(&f, p, 4);
                v = f;
            } else if (b->value_size == 8) {
                std::memcpy(&v, p, 8);
            } else {
                return fail(s, errhp, ora_error(3115));
            }
            sqlite3_bind_double(s->vm, idx, v);
            break;
        }
        case SQLT_BIN:
        case SQLT_LBI: {
            std::size_t len = alen ? *alen : static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
            sqlite3_bind_blob(s->vm, idx, p, static_cast<int>(len), SQLITE_TRANSIENT);
            break;
        }
        case SQLT_VNU:
        case SQLT_NUM: {
            // OCINumber (a length byte, then the bytes) or the bare bytes: bound in the
            // stored form of the number they hold.
            const std::size_t size = static_cast<std::size_t>(b->value_size > 0 ? b->value_size : 0);
            const unsigned char* bytes = reinterpret_cast<const unsigned char*>(p);
            std::size_t len = b->dty == SQLT_VNU ? (size > 0 ? bytes[0] : 0) : (alen ? *alen : size);
            if (b->dty == SQLT_VNU) ++bytes;
            Decimal d;
            NumberStored n;
            if (len + (b->dty == SQLT_VNU ? 1 : 0) > size || !number_bytes_decode(bytes, len, &d) ||
                !number_stored(d, &n))
                return fail(s, errhp, ora_error(1722));
            if (n.form == NumberForm::Int)
                sqlite3_bind_int64(s->vm, idx, n.i);
            else if (n.form == NumberForm::Real)
                sqlite3_bind_double(s->vm, idx, n.d);
            else
                sqlite3_bind_blob(s->vm, idx, n.bytes, static_cast<int>(n.len), SQLITE_TRANSIENT);
            break;
        }
        default:
            return fail(s, errhp, ora_error(3115));
        }
    }
    return OCI_SUCCESS;
}

// Where one value goes: a define's row, or an out bind. Pointers already point at the
// row's element.
struct OutBuffer {
    void* value = nullptr;
    sb4 size = 0;
    ub2 dty = 0;
    sb2* indicator = nullptr;
    ub2* length = nullptr;
    ub2* rcode = nullptr;
};

OutBuffer define_row(DefineHandle* d, ub4 row) {
    OutBuffer o;
    o.dty = d->dty;
    o.size = d->value_size;
    o.value = is_lob_dty(d->dty)
                  ? static_cast<void*>(static_cast<LobHandle**>(d->value) + row)
                  : static_cast<char*>(d->value) +
                        static_cast<std::size_t>(row) * static_cast<std::size_t>(d->value_size > 0 ? d->value_size : 0);
    o.indicator = d->indicator ? d->indicator + row : nullptr;
    o.length = d->rlen ? d->rlen + row : nullptr;
    o.rcode = d->rcode ? d->rcode + row : nullptr;
    return o;
}

void note_truncation(const OutBuffer& o, bool truncated, std::size_t total, std::size_t written, FetchFlags* flags) {
    if (o.indicator) *o.indicator = truncated ? static_cast<sb2>(total > 32767 ? -2 : total) : 0;
    if (o.length) *o.length = static_cast<ub2>(written > 65535 ? 65535 : written);
    if (o.rcode) *o.rcode = truncated ? 1406 : 0;
    if (truncated) (o.rcode ? flags->truncated_with_rcode : flags->truncated_without_rcode) = true;
}

// Copies len bytes of text (plus pad blanks) into a character buffer.
void put_text(const OutBuffer& o, const char* text, std::size_t len, std::size_t pad, FetchFlags* flags) {
    std::size_t size = static_cast<std::size_t>(o.size > 0 ? o.size : 0);
    char* dest = static_cast<char*>(o.value);
    std::size_t cap = o.dty == SQLT_STR ? (size > 0 ? size - 1 : 0) : size;
    std::size_t total = len + pad;
    std::size_t n = total < cap ? total : cap;
    std::size_t from_text = n < len ? n : len;
    std::memcpy(dest, text, from_text);
    if (n > from_text) std::memset(dest + from_text, ' ', n - from_text);
    if (o.dty == SQLT_STR && size > 0) dest[n] = 0;
    note_truncation(o, total > cap, total, n, flags);
}

// Converts column `col` of the current row of vm (of Oracle type ot) into o. Returns the
// value's size in bytes as it was delivered (for the session's statistics), found without
// asking SQLite for a text form the value does not need.
std::size_t put_value(sqlite3_stmt* vm, int col, const OraType& ot, const SessionSettings& st, const OutBuffer& o,
                      FetchFlags* flags) {
    int vtype = sqlite3_column_type(vm, col);
    if (vtype == SQLITE_NULL) {
        if (o.indicator)
            *o.indicator = OCI_IND_NULL;
        else
            flags->null_without_indicator = true;
        if (o.rcode) *o.rcode = o.indicator ? 0 : 1405;
        if (o.length) *o.length = 0;
        if (is_lob_dty(o.dty)) {
            LobHandle* loc = handle_cast<LobHandle>(*static_cast<LobHandle**>(o.value), 0);
            if (loc) loc->has_value = false;
        }
        return 0;
    }
    if (is_lob_dty(o.dty)) {
        LobHandle* loc = handle_cast<LobHandle>(*static_cast<LobHandle**>(o.value), 0);
        if (!loc) {
            flags->conversion_error = 22275;
            return 0;
        }
        const void* p = vtype == SQLITE_BLOB ? sqlite3_column_blob(vm, col) : sqlite3_column_text(vm, col);
        int n = sqlite3_column_bytes(vm, col);
        loc->data.assign(static_cast<const char*>(p), static_cast<std::size_t>(n));
        loc->has_value = true;
        loc->lob_type =
            ot.code == kTypeBlob || ot.code == kTypeBfile ? ot.code : (o.dty == SQLT_BLOB ? SQLT_BLOB : SQLT_CLOB);
        loc->reading = false;
        loc->read_offset = 0;
        if (o.indicator) *o.indicator = 0;
        if (o.rcode) *o.rcode = 0;
        return static_cast<std::size_t>(n);
    }
    if (o.dty == SQLT_INT || o.dty == SQLT_UIN || o.dty == SQLT_FLT) {
        double dv = 0;
        std::int64_t iv = 0;
        bool is_int = false;
        if (vtype == SQLITE_INTEGER) {
            iv = sqlite3_column_int64(vm, col);
            dv = static_cast<double>(iv);
            is_int = true;
        } else if (vtype == SQLITE_FLOAT) {
            dv = sqlite3_column_double(vm, col);
        } else if (vtype == SQLITE_BLOB) {
            Decimal d;
            if (!number_bytes_decode(static_cast<const unsigned char*>(sqlite3_column_blob(vm, col)),
                                     static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &d)) {
                flags->conversion_error = 1722;
                return 0;
            }
            dv = decimal_to_double(d);
            is_int = decimal_to_int64(decimal_trunc(d, 0), &iv);
            if (!is_int) iv = dv < 0 ? INT64_MIN : INT64_MAX;
            is_int = true;
        } else {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
            if (!t || !number_parse(t, static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &dv, &iv, &is_int)) {
                flags->conversion_error = 1722;
                return 0;
            }
        }
        if (!is_int) iv = static_cast<std::int64_t>(std::trunc(dv));
        char* dest = static_cast<char*>(o.value);
        if (o.dty == SQLT_FLT) {
            if (o.size == 4) {
                float f = static_cast<float>(dv);
                std::memcpy(dest, &f, 4);
            } else {
                std::memcpy(dest, &dv, 8);
            }
        } else {
            switch (o.size) {
            case 1: {
                sb1 x = static_cast<sb1>(iv);
                std::memcpy(dest, &x, 1);
                break;
            }
            case 2: {
                sb2 x = static_cast<sb2>(iv);
                std::memcpy(dest, &x, 2);
                break;
            }
            case 4: {
                sb4 x = static_cast<sb4>(iv);
                std::memcpy(dest, &x, 4);
                break;
            }
            default:
                std::memcpy(dest, &iv, 8);
                break;
            }
        }
        if (o.indicator) *o.indicator = 0;
        if (o.length) *o.length = static_cast<ub2>(o.size);
        if (o.rcode) *o.rcode = 0;
        return static_cast<std::size_t>(o.size > 0 ? o.size : 0);
    }
    if (o.dty == SQLT_VNU || o.dty == SQLT_NUM) {
        // The number's own bytes, after a length byte for an OCINumber.
        Decimal d;
        bool ok = false;
        if (vtype == SQLITE_INTEGER) {
            d = decimal_of_int(sqlite3_column_int64(vm, col));
            ok = true;
        } else if (vtype == SQLITE_FLOAT) {
            ok = decimal_of_double(sqlite3_column_double(vm, col), &d);
        } else if (vtype == SQLITE_BLOB) {
            ok = number_bytes_decode(static_cast<const unsigned char*>(sqlite3_column_blob(vm, col)),
                                     static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &d);
        } else {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
            ok = t && decimal_parse(t, static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &d);
        }
        unsigned char bytes[kNumberBytesMax];
        std::size_t n = 0;
        if (!ok || !number_bytes_encode(d, bytes, &n)) {
            flags->conversion_error = 1722;
            return 0;
        }
        const std::size_t head = o.dty == SQLT_VNU ? 1 : 0;
        if (static_cast<std::size_t>(o.size > 0 ? o.size : 0) < n + head) {
            flags->conversion_error = 1459;
            return 0;
        }
        unsigned char* dest = static_cast<unsigned char*>(o.value);
        if (head) dest[0] = static_cast<unsigned char>(n);
        std::memcpy(dest + head, bytes, n);
        if (o.indicator) *o.indicator = 0;
        if (o.length) *o.length = static_cast<ub2>(n + head);
        if (o.rcode) *o.rcode = 0;
        return n + head;
    }
    char tmp[320];
    const char* text = nullptr;
    std::size_t len = 0;
    std::size_t pad = 0;
    switch (ot.code) {
    case kTypeNumber:
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
        if (vtype == SQLITE_INTEGER) {
            len = number_text_int(sqlite3_column_int64(vm, col), tmp, sizeof tmp);
            text = tmp;
        } else if (vtype == SQLITE_FLOAT) {
            const double d = sqlite3_column_double(vm, col);
            // A binary infinity reads as Oracle writes it (Inf, -Inf); NUMBER's is ~.
            if (ot.code != kTypeNumber && std::isinf(d)) {
                text = d > 0 ? "Inf" : "-Inf";
                len = std::strlen(text);
            } else {
                len = number_text_double(d, tmp, sizeof tmp);
                text = tmp;
            }
        } else if (vtype == SQLITE_TEXT && ot.code != kTypeNumber) {
            // A binary NaN is kept as the text NaN; Oracle writes it Nan.
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
            if (t && (std::strcmp(t, "NaN") == 0 || std::strcmp(t, "Nan") == 0)) {
                text = "Nan";
                len = 3;
            }
        } else if (vtype == SQLITE_BLOB) {
            std::string shown;
            if (number_bytes_text(static_cast<const unsigned char*>(sqlite3_column_blob(vm, col)),
                                  static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &shown)) {
                len = shown.size() < sizeof tmp ? shown.size() : sizeof tmp - 1;
                std::memcpy(tmp, shown.data(), len);
                tmp[len] = 0;
                text = tmp;
            }
        }
        break;
    case kTypeTimestampTz:
    case kTypeTimestampLtz: {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
        std::string shown;
        if (t && vtype == SQLITE_TEXT &&
            tz_display(st, t, static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), ot.code == kTypeTimestampLtz,
                       &shown)) {
            len = shown.size() < sizeof tmp ? shown.size() : sizeof tmp - 1;
            std::memcpy(tmp, shown.data(), len);
            tmp[len] = 0;
            text = tmp;
        }
        break;
    }
    case kTypeDate:
    case kTypeTimestamp: {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
        DateValue dv;
        if (t && vtype == SQLITE_TEXT &&
            date_parse_stored(t, static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &dv)) {
            len = date_format(dv, ot.code == kTypeDate ? st.date_mask : st.timestamp_mask, tmp, sizeof tmp);
            text = tmp;
        }
        break;
    }
    case kTypeIntervalYm:
    case kTypeIntervalDs: {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
        IntervalValue iv;
        if (t && vtype == SQLITE_TEXT &&
            interval_parse_stored(t, static_cast<std::size_t>(sqlite3_column_bytes(vm, col)), &iv)) {
            std::string shown = interval_text(iv, ot.precision, ot.scale);
            len = shown.size() < sizeof tmp ? shown.size() : sizeof tmp - 1;
            std::memcpy(tmp, shown.data(), len);
            tmp[len] = 0;
            text = tmp;
        }
        break;
    }
    case kTypeRaw:
    case kTypeBlob:
    case kTypeLongRaw:
        if (vtype == SQLITE_BLOB) {
            // Hex text is twice the size of the bytes: written straight into the buffer.
            const unsigned char* b = static_cast<const unsigned char*>(sqlite3_column_blob(vm, col));
            std::size_t n = static_cast<std::size_t>(sqlite3_column_bytes(vm, col));
            std::size_t size = static_cast<std::size_t>(o.size > 0 ? o.size : 0);
            std::size_t cap = o.dty == SQLT_STR ? (size > 0 ? size - 1 : 0) : size;
            char* dest = static_cast<char*>(o.value);
            std::size_t written = 0;
            for (std::size_t i = 0; i < n && written + 2 <= cap; ++i) {
                raw_to_hex(b + i, 1, tmp, sizeof tmp);
                dest[written++] = tmp[0];
                dest[written++] = tmp[1];
            }
            if (o.dty == SQLT_STR && size > 0) dest[written] = 0;
            note_truncation(o, n * 2 > cap, n * 2, written, flags);
            return n;
        }
        break;
    default:
        break;
    }
    if (!text) {
        text = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
        len = text ? static_cast<std::size_t>(sqlite3_column_bytes(vm, col)) : 0;
        if (!text) text = "";
    }
    // A number whose text is longer than a text buffer is rounded to the digits that fit
    // rather than cut, which would show a different number.
    const bool text_buffer = o.dty == SQLT_STR || o.dty == SQLT_CHR || o.dty == SQLT_AFC || o.dty == SQLT_AVC;
    const std::size_t text_cap =
        o.size <= 0 ? 0 : static_cast<std::size_t>(o.dty == SQLT_STR ? o.size - 1 : o.size);
    std::string fitted;
    Decimal whole;
    if ((ot.code == kTypeNumber || ot.code == kTypeBinaryFloat || ot.code == kTypeBinaryDouble) && text_buffer &&
        len > text_cap && decimal_parse(text, len, &whole) && decimal_number_text_within(whole, text_cap, &fitted)) {
        text = fitted.c_str();
        len = fitted.size();
    }
    if (ot.code == kTypeChar && len < ot.size) pad = ot.size - len;
    put_text(o, text, len, pad, flags);
    return len;
}

// Fetches up to nrows rows into the defines. Status as OCIStmtFetch answers it.
// A RETURNING INTO value: a bind of the engine's own PL/SQL keeps it in its stored form
// and type; any other goes into the caller's buffer as a fetched value does.
void put_returned(sqlite3_stmt* vm, int col, const OraType& ot, const SessionSettings& st, const OutBuffer& o,
                  BindHandle* b, FetchFlags* flags) {
    if (!b->typed) {
        put_value(vm, col, ot, st, o, flags);
        return;
    }
    BindHandle::Returned& r = b->returned;
    r = BindHandle::Returned();
    r.set = true;
    r.type = ot;
    r.kind = sqlite3_column_type(vm, col);
    if (r.kind == SQLITE_INTEGER) {
        r.i = sqlite3_column_int64(vm, col);
    } else if (r.kind == SQLITE_FLOAT) {
        r.d = sqlite3_column_double(vm, col);
    } else if (r.kind != SQLITE_NULL) {
        const void* p = r.kind == SQLITE_BLOB ? sqlite3_column_blob(vm, col) : sqlite3_column_text(vm, col);
        r.s.assign(static_cast<const char*>(p), static_cast<std::size_t>(sqlite3_column_bytes(vm, col)));
        r.kind = SQLITE_TEXT;
    }
    if (o.indicator) *o.indicator = r.kind == SQLITE_NULL ? OCI_IND_NULL : 0;
}

sword fetch_rows(StmtHandle* s, ub4 nrows, OCIError* errhp) {
    ServerHandle* srv = s->session->server;
    s->rows_fetched = 0;
    if (srv->cancel) {
        srv->cancel = false;
        return fail(s, errhp, ora_error(1013));
    }
    FetchFlags flags;
    ub4 got = 0;
    int ncols = static_cast<int>(s->tr.columns.size());
    for (std::size_t c = static_cast<std::size_t>(ncols); c < s->defines.size(); ++c)
        if (s->defines[c]) return fail(s, errhp, ora_error(1007));
    srv->busy = true;
    while (got < nrows && !s->exhausted) {
        int rc = s->stepped ? s->stepped : sqlite3_step(s->vm);
        s->stepped = 0;
        if (rc == SQLITE_ROW) {
            int limit = static_cast<int>(s->defines.size()) < ncols ? static_cast<int>(s->defines.size()) : ncols;
            for (int c = 0; c < limit; ++c) {
                if (DefineHandle* d = s->defines[static_cast<std::size_t>(c)]) {
                    s->session->settings.stats.bytes_sent +=
                        put_value(s->vm, c, s->tr.columns[static_cast<std::size_t>(c)].type, s->session->settings,
                                  define_row(d, got), &flags);
                }
            }
            ++got;
            if (flags.conversion_error) break;
        } else if (rc == SQLITE_DONE) {
            s->exhausted = true;
            s->session->settings.stats.sorts +=
                static_cast<std::uint64_t>(sqlite3_stmt_status(s->vm, SQLITE_STMTSTATUS_SORT, 1));
            sqlite3_reset(s->vm);
        } else {
            srv->busy = false;
            s->rows_fetched = got;
            s->row_count += got;
            s->exhausted = true;
            return fail_sqlite(s, errhp, srv->db, StatementKind::Select);
        }
    }
    srv->busy = false;
    s->rows_fetched = got;
    s->row_count += got;
    if (flags.conversion_error) return fail(s, errhp, ora_error(flags.conversion_error));
    if (flags.null_without_indicator) return fail(s, errhp, ora_error(1405));
    if (flags.truncated_without_rcode) return fail(s, errhp, ora_error(1406));
    if (got < nrows) {
        error_set(errhp, 1403, ora_message(1403));
        return OCI_NO_DATA;
    }
    if (flags.truncated_with_rcode) {
        error_set(errhp, 24345, ora_message(24345));
        return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
}

sword exec_sql(StmtHandle* s, OCIError* errhp, const std::string& sql, StatementKind kind) {
    sqlite3* db = s->session->server->db;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) return fail_sqlite(s, errhp, db, kind);
    return OCI_SUCCESS;
}

sword begin_transaction(StmtHandle* s, OCIError* errhp) {
    OraError restored;
    if (!plsql_autonomous_restore(s->session, &restored)) return fail(s, errhp, restored);
    if (s->session->in_transaction) return OCI_SUCCESS;
    sword st = exec_sql(s, errhp, "BEGIN", StatementKind::Commit);
    if (st == OCI_SUCCESS) s->session->in_transaction = true;
    s->session->read_only = false;
    return st;
}

// The DDL statement and its catalog rows, committed in the order that a kill between
// the two commits can be repaired from (see run_ddl).
sword run_ddl_commits(StmtHandle* s, OCIError* errhp) {
    sqlite3* db = s->session->server->db;
    sword st = exec_sql(s, errhp, "BEGIN", s->tr.kind);
    if (st != OCI_SUCCESS) return st;
    st = exec_sql(s, errhp, s->tr.sql, s->tr.kind);
    // The catalog file commits before the schema file, and not as one unit with it. An
    // object dropped (a table, an index, a column) is therefore gone from its schema file
    // before its catalog rows go: a kill between the two commits leaves catalog rows of
    // nothing, which the owner's next logon removes, rather than a table without its
    // columns.
    if (st == OCI_SUCCESS && (s->tr.schema_first || s->tr.sql.compare(0, 5, "DROP ") == 0) &&
        !s->tr.catalog_sql.empty()) {
        st = exec_sql(s, errhp, "COMMIT", s->tr.kind);
        if (st == OCI_SUCCESS) st = exec_sql(s, errhp, "BEGIN", s->tr.kind);
    }
    s->session->settings.stats.recursive_calls += s->tr.catalog_sql.size();
    for (std::size_t i = 0; st == OCI_SUCCESS && i < s->tr.catalog_sql.size(); ++i)
        st = exec_sql(s, errhp, s->tr.catalog_sql[i], s->tr.kind);
    if (st == OCI_SUCCESS) st = exec_sql(s, errhp, "COMMIT", s->tr.kind);
    // A DDL statement is all or nothing: a failed commit that left the transaction open
    // is rolled back, so that neither the object nor half its catalog rows remain.
    if (st != OCI_SUCCESS && !sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    // New objects get their ids now, while no transaction holds the catalog.
    if (st == OCI_SUCCESS && sqlite3_get_autocommit(db)) dictionary_sync_objects(db);
    session_sync_transaction(s->session);
    if (sqlite3_get_autocommit(db)) temporary_tables_transaction_ended(db);
    return st;
}

// DDL that changes a table's columns marks the table for the length of its commits, so
// that a kill between them is repaired at the owner's next logon.
sword run_ddl(StmtHandle* s, OCIError* errhp) {
    sqlite3* db = s->session->server->db;
    const Translation& tr = s->tr;
    if (tr.alters_columns) {
        OraError err;
        if (!catalog_mark_altering(db, tr.owner, tr.table, &err)) return fail(s, errhp, err);
    }
    sword st = run_ddl_commits(s, errhp);
    // A commit that failed after the other file's commit went through (a full disk, a
    // failed write) leaves the two apart just as a kill would: repair them now.
    if (tr.alters_columns && st != OCI_SUCCESS) catalog_repair_altered_table(db, tr.owner, tr.table);
    if (tr.alters_columns) catalog_unmark_altering(db, tr.owner, tr.table);
    return st;
}

// Array DML: the statement runs once per element rowoff..iters-1 of the bind arrays. A
// failing element stops the run; the elements before it stay done and counted.
sword run_dml_array(StmtHandle* s, OCIError* errhp, ub4 iters, ub4 rowoff) {
    sqlite3* db = s->session->server->db;
    ServerHandle* srv = s->session->server;
    ub4 total = 0;
    for (ub4 it = rowoff; it < iters; ++it) {
        sword st = apply_binds(s, errhp, it);
        if (st != OCI_SUCCESS) {
            s->row_count = total;
            return st;
        }
        srv->busy = true;
        int rc = sqlite3_step(s->vm);
        srv->busy = false;
        if (rc != SQLITE_DONE) {
            st = fail_sqlite(s, errhp, db, s->tr.kind);
            s->row_count = total;
            if (sqlite3_get_autocommit(db)) s->session->in_transaction = false;
            return st;
        }
        total += static_cast<ub4>(sqlite3_changes(db));
        sqlite3_reset(s->vm);
    }
    s->row_count = total;
    return OCI_SUCCESS;
}

sword run_dml(StmtHandle* s, OCIError* errhp, ub4 iters, ub4 rowoff) {
    sqlite3* db = s->session->server->db;
    sword st = begin_transaction(s, errhp);
    if (st != OCI_SUCCESS) return st;
    if (sqlite3_prepare_v2(db, s->tr.sql.c_str(), -1, &s->vm, nullptr) != SQLITE_OK)
        return fail_sqlite(s, errhp, db, s->tr.kind);
    if (s->tr.out_binds.empty()) return run_dml_array(s, errhp, iters, rowoff);
    if (iters - rowoff != 1) {
        return fail(s, errhp, ora_error(3001, ": RETURNING INTO with more than one iteration"));
    }
    st = apply_binds(s, errhp, rowoff);
    if (st != OCI_SUCCESS) return st;
    ServerHandle* srv = s->session->server;
    std::vector<OutBuffer> outs;
    // The INTO placeholders are the text's last ones.
    const std::size_t placeholders = text_placeholders(s).size();
    const std::size_t first_out = placeholders >= s->tr.out_binds.size() ? placeholders - s->tr.out_binds.size()
                                                                           : s->tr.bind_names.size();
    std::vector<BindHandle*> out_handles;
    for (const std::string& name : s->tr.out_binds) {
        BindHandle* b = nullptr;
        for (BindHandle* c : s->binds)
            if (c->name == name) b = c;
        if (!b)
            for (BindHandle* c : s->binds)
                if (c->position == first_out + outs.size() + 1) b = c;
        if (!b) return fail(s, errhp, ora_error(1008));
        OutBuffer o;
        o.value = b->value;
        o.size = b->value_size;
        o.dty = b->dty;
        o.indicator = b->indicator;
        o.length = b->alen;
        o.rcode = b->rcode;
        outs.push_back(o);
        out_handles.push_back(b);
    }
    bool guarded = !outs.empty();
    if (guarded && exec_sql(s, errhp, "SAVEPOINT vantro_statement", s->tr.kind) != OCI_SUCCESS) return OCI_ERROR;
    srv->busy = true;
    plsql_returning_expect(s->session, s->tr);
    int rc = sqlite3_step(s->vm);
    FetchFlags flags;
    int returned = 0;
    while (rc == SQLITE_ROW) {
        if (++returned == 1)
            for (std::size_t i = 0; i < outs.size(); ++i)
                put_returned(s->vm, static_cast<int>(i), s->tr.returning[i].type, s->session->settings, outs[i],
                             out_handles[i], &flags);
        rc = sqlite3_step(s->vm);
    }
    // Rows a BEFORE row trigger stored again return their values from there.
    int redone = 0;
    sqlite3_stmt* again = plsql_returning_rows(s->session, &redone);
    if (again && returned == 0)
        for (std::size_t i = 0; i < outs.size(); ++i)
            put_returned(again, static_cast<int>(i), s->tr.returning[i].type, s->session->settings, outs[i],
                         out_handles[i], &flags);
    sqlite3_finalize(again);
    returned += redone;
    srv->busy = false;
    st = OCI_SUCCESS;
    if (rc != SQLITE_DONE)
        st = fail_sqlite(s, errhp, db, s->tr.kind);
    else
        s->row_count = static_cast<ub4>(sqlite3_changes(db));
    if (guarded) {
        // Scalar out binds hold one row: a statement that returns more is undone, as is
        // one whose returned value cannot be converted.
        bool undo = rc == SQLITE_DONE && (returned > 1 || flags.conversion_error);
        sqlite3_reset(s->vm);
        if (undo) sqlite3_exec(db, "ROLLBACK TO vantro_statement", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE vantro_statement", nullptr, nullptr, nullptr);
        if (undo) {
            s->row_count = 0;
            return fail(s, errhp, ora_error(returned > 1 ? 1422 : flags.conversion_error));
        }
    }
    // An interrupted statement inside a transaction makes SQLite roll the whole
    // transaction back; keep the session's view of it honest.
    if (st != OCI_SUCCESS && sqlite3_get_autocommit(db)) s->session->in_transaction = false;
    return st;
}

// MERGE and INSERT ALL | FIRST: its statements in order, each with the call's binds,
// under a savepoint that a failure rolls back to. The rows merged (inserted) are the
// changes of its counted statements.
sword run_merge(StmtHandle* s, OCIError* errhp, ub4 iters, ub4 rowoff) {
    using Role = Translation::MergeStep::Role;
    sqlite3* db = s->session->server->db;
    ServerHandle* srv = s->session->server;
    sword st = begin_transaction(s, errhp);
    if (st == OCI_SUCCESS) st = exec_sql(s, errhp, "SAVEPOINT vantro_merge", s->tr.kind);
    if (st != OCI_SUCCESS) return st;
    ub4 total = 0;
    for (ub4 it = rowoff; it < iters && st == OCI_SUCCESS; ++it) {
        sqlite3_int64 bound = 0;
        for (const Translation::MergeStep& step : s->tr.merge_steps) {
            if (s->vm) sqlite3_finalize(s->vm);
            s->vm = nullptr;
            if (sqlite3_prepare_v2(db, step.sql.c_str(), -1, &s->vm, nullptr) != SQLITE_OK) {
                st = fail_sqlite(s, errhp, db, s->tr.kind);
                break;
            }
            st = apply_binds(s, errhp, it);
            if (st != OCI_SUCCESS) break;
            int at = sqlite3_bind_parameter_index(s->vm, ":vantro_bound");
            if (at > 0) sqlite3_bind_int64(s->vm, at, bound);
            srv->busy = true;
            int rc = sqlite3_step(s->vm);
            srv->busy = false;
            if (rc == SQLITE_ROW && step.role == Role::Unstable) {
                st = fail(s, errhp, ora_error(30926));
                break;
            }
            if (rc == SQLITE_ROW && step.role == Role::Bound) {
                bound = sqlite3_column_int64(s->vm, 0);
                rc = sqlite3_step(s->vm);
            }
            if (rc != SQLITE_DONE) {
                st = fail_sqlite(s, errhp, db, s->tr.kind);
                break;
            }
            if (step.role == Role::Counted) total += static_cast<ub4>(sqlite3_changes(db));
            sqlite3_reset(s->vm);
        }
    }
    if (st != OCI_SUCCESS) {
        if (s->vm) sqlite3_reset(s->vm);
        if (sqlite3_get_autocommit(db)) {
            s->session->in_transaction = false;
        } else {
            sqlite3_exec(db, "ROLLBACK TO vantro_merge", nullptr, nullptr, nullptr);
            sqlite3_exec(db, "RELEASE vantro_merge", nullptr, nullptr, nullptr);
        }
        s->row_count = 0;
        return st;
    }
    sqlite3_exec(db, "RELEASE vantro_merge", nullptr, nullptr, nullptr);
    s->row_count = total;
    return OCI_SUCCESS;
}

// SET CONSTRAINTS: the modes hold until the transaction ends (a SET outside one begins
// it). Foreign keys are deferred by SQLite only as declared, so DEFERRED changes nothing
// for a key declared INITIALLY DEFERRED and is refused for one declared DEFERRABLE
// INITIALLY IMMEDIATE; the engine's own deferrable keys and checks take either mode.
// IMMEDIATE checks the rows of what was deferred now, as a statement error that keeps
// the transaction; later statements check the engine's keys and checks at once, while
// foreign keys declared INITIALLY DEFERRED at the end of each statement (SQLite still
// checks them at COMMIT too).
sword set_constraints(StmtHandle* s, OCIError* errhp) {
    sqlite3* db = s->session->server->db;
    DeferredConstraints* modes = &s->session->deferred;
    const bool all = s->tr.constraints.empty();
    std::vector<std::string> named;  // foreign keys
    std::set<long long> kept;        // the engine's keys and checks
    std::uint32_t immediate_at = 0;
    bool any_immediate = all && s->tr.deferred && deferred_constraints_any_fixed(db);
    for (const NamedObject& c : s->tr.constraints) {
        DeferrableConstraint k;
        OraError err;
        if (!deferred_constraint_find(db, c.owner, c.name, &k))
            err = ora_error(2448);
        else if (!k.deferrable)
            err = ora_error(2447);
        if (err.code) {
            err.offset = c.offset;
            return fail(s, errhp, err);
        }
        if (k.type != 'R' && deferred_constraint_kept(db, c.owner, k.id)) {
            kept.insert(k.id);
            continue;
        }
        if (!k.initially_deferred && !any_immediate) {
            any_immediate = true;
            immediate_at = c.offset;
        }
        named.push_back(c.owner + "." + c.name);
    }
    if (s->tr.deferred && any_immediate) {
        OraError err = ora_error(3001);
        err.offset = immediate_at;
        return fail(s, errhp, err);
    }
    if (!s->tr.deferred && s->session->in_transaction) {
        OraError err;
        if (!deferred_constraints_check(db, modes, all ? nullptr : &kept, &err)) return fail(s, errhp, err);
        if (all || !named.empty()) {
            std::string violated = catalog_foreign_key_violation(db, named);
            if (!violated.empty()) return fail(s, errhp, ora_error(2291, violated));
        }
    }
    sword st = begin_transaction(s, errhp);
    if (st != OCI_SUCCESS) return st;
    if (all) {
        deferred_constraints_set(modes, 0, s->tr.deferred);
        modes->all_keys = s->tr.deferred ? 0 : 1;
        modes->keys.clear();
    }
    for (long long id : kept) deferred_constraints_set(modes, id, s->tr.deferred);
    for (const std::string& k : named) modes->keys[k] = !s->tr.deferred;
    return OCI_SUCCESS;
}

sword run_transaction_statement(StmtHandle* s, OCIError* errhp) {
    SessionHandle* ses = s->session;
    std::string name = "\"" + s->tr.name + "\"";
    switch (s->tr.kind) {
    case StatementKind::Commit:
        return session_commit(ses, errhp);
    case StatementKind::Rollback:
        return session_rollback(ses, errhp);
    case StatementKind::Savepoint: {
        sword st = begin_transaction(s, errhp);
        return st != OCI_SUCCESS ? st : exec_sql(s, errhp, "SAVEPOINT " + name, s->tr.kind);
    }
    case StatementKind::RollbackToSavepoint: {
        if (!ses->in_transaction ||
            sqlite3_exec(ses->server->db, ("ROLLBACK TO " + name).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return fail(s, errhp, ora_error(1086, s->tr.name));
        return OCI_SUCCESS;
    }
    case StatementKind::AlterSession: {
        // Every value is checked before any takes effect: a refused one changes nothing.
        SessionSettings changed = ses->settings;
        for (const SessionSetting& set : s->tr.settings) {
            OraError err;
            if (!session_param_set(&changed, set.name, set.value, &err)) {
                err.offset = err.code == 2248 ? set.name_offset : set.value_offset;
                return fail(s, errhp, err);
            }
        }
        ses->settings = std::move(changed);
        return OCI_SUCCESS;
    }
    case StatementKind::SetConstraints:
        return set_constraints(s, errhp);
    case StatementKind::SetTransaction: {
        // It starts the transaction, so it must come first; READ ONLY holds until the
        // transaction ends (COMMIT, ROLLBACK or DDL) and refuses every change before.
        if (ses->in_transaction) return fail(s, errhp, ora_error(1453));
        sword st = begin_transaction(s, errhp);
        if (st == OCI_SUCCESS) ses->read_only = s->tr.read_only;
        return st;
    }
    default:  // routed elsewhere
        break;
    }
    return fail(s, errhp, ora_error(900));
}

// DML with the table's triggers (statement triggers around it, row triggers from the
// connection's firing triggers); rows that BEFORE row triggers stored again are counted.
sword run_triggered_dml(StmtHandle* s, OCIError* errhp, ub4 iters, ub4 rowoff) {
    sword st = OCI_SUCCESS;
    TriggeredDml dml;
    dml.begin = [&]() { return (st = begin_transaction(s, errhp)) == OCI_SUCCESS; };
    dml.run = [&]() {
        st = !s->tr.merge_steps.empty() ? run_merge(s, errhp, iters, rowoff) : run_dml(s, errhp, iters, rowoff);
        return st == OCI_SUCCESS;
    };
    std::int64_t redone = 0;
    OraError err;
    if (plsql_run_triggered_dml(s->session, s->tr, dml, &redone, &err)) {
        s->row_count += static_cast<ub4>(redone);
        return OCI_SUCCESS;
    }
    if (st != OCI_SUCCESS) return st;
    s->row_count = 0;
    return fail(s, errhp, err);
}

// DML, and where SET CONSTRAINTS made deferred foreign keys IMMEDIATE, the check of their
// rows at the statement's end: a violation undoes the statement, not the transaction.
sword run_dml_with_triggers(StmtHandle* s, OCIError* errhp, ub4 iters, ub4 rowoff) {
    SessionHandle* ses = s->session;
    sqlite3* db = ses->server->db;
    std::vector<std::string> keys;
    if (ses->in_transaction && (ses->deferred.all_keys == 1 || !ses->deferred.keys.empty()))
        keys = deferred_foreign_keys_immediate(db, ses->deferred);
    if (keys.empty()) return run_triggered_dml(s, errhp, iters, rowoff);
    sword st = exec_sql(s, errhp, "SAVEPOINT vantro_keys", s->tr.kind);
    if (st != OCI_SUCCESS) return st;
    st = run_triggered_dml(s, errhp, iters, rowoff);
    if (sqlite3_get_autocommit(db)) return st;  // the failure ended the transaction
    std::string violated = st == OCI_SUCCESS ? catalog_foreign_key_violation(db, keys) : std::string();
    if (!violated.empty()) sqlite3_exec(db, "ROLLBACK TO vantro_keys", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "RELEASE vantro_keys", nullptr, nullptr, nullptr);
    if (violated.empty()) return st;
    s->row_count = 0;
    return fail(s, errhp, ora_error(2291, violated));
}

// One execution of a statement: the call's arguments, the statement as the front door
// parsed it, and what translating it may ask of the catalog.
struct Execution {
    ub4 iters = 0;
    ub4 rowoff = 0;
    ub4 mode = 0;
    Statement ast;  // the SQL grammar's statements parsed whole; for the others the kind only
    TranslateContext ctx;
    // The types of the engine's own typed binds (PL/SQL's dynamic SQL), by name and position.
    std::map<std::string, OraType> named_types;
    std::vector<OraType> position_types;
};

// Gives the translator the types of the statement's typed binds; the others stay VARCHAR2.
void typed_bind_context(const StmtHandle* s, Execution& x) {
    for (const BindHandle* b : s->binds) {
        if (!b->typed) continue;
        if (!b->name.empty()) {
            x.named_types[b->name] = b->ora_type;
        } else if (b->position > 0 && b->position <= 65536) {
            if (x.position_types.size() < b->position) {
                OraType none;
                none.code = 0;
                x.position_types.resize(b->position, none);
            }
            x.position_types[b->position - 1] = b->ora_type;
        }
    }
    if (!x.named_types.empty()) x.ctx.bind_types = &x.named_types;
    if (!x.position_types.empty()) x.ctx.bind_position_types = &x.position_types;
}

// Translates the parsed statement into s->tr and stamps the statement's time (SYSDATE
// is one value throughout a statement).
sword translate(StmtHandle* s, OCIError* errhp, Execution& x) {
    ServerHandle* srv = s->session->server;
    OraError err;
    srv->busy = true;
    bool translated = sql_translate_parsed(s->text, x.ast, x.ctx, &s->tr, &err);
    // An invalid view the statement reads is compiled again; when it compiles now, the
    // statement is parsed and translated once more. Not inside an open transaction: the
    // compile writes the catalog, which would then stay locked for every other session
    // until this one commits.
    for (int views = 0; !translated && err.code == 942 && views < 8 && !srv->cancel &&
                        sqlite3_get_autocommit(srv->db) && dictionary_compile_used_views(s->tokens, x.ctx, srv->db);
         ++views) {
        const StatementKind kind = s->tr.kind;
        x.ast = Statement();
        if (!sql_parse(s->tokens, &x.ast, &err)) break;
        s->tr = Translation();
        s->tr.kind = kind;
        err = OraError();
        translated = sql_translate_parsed(s->text, x.ast, x.ctx, &s->tr, &err);
    }
    srv->busy = false;
    if (!translated && srv->cancel) {
        // A break that landed in a catalog lookup made the lookup fail: report the break.
        srv->cancel = false;
        return fail(s, errhp, ora_error(1013));
    }
    if (!translated) return fail(s, errhp, invalid_view_error(s, x.ctx.schema, err));
    // SYSDATE and SYSTIMESTAMP of the statement: one reading of the clock.
    s->session->settings.statement_timestamp = clock_now_stored(6);
    s->session->settings.statement_time = s->session->settings.statement_timestamp.substr(0, 19);
    return OCI_SUCCESS;
}

// Computes a query's first row as it executes, as Oracle does, so that an error in it
// (ORA-01476, ORA-01722, ...) is the execution's answer; the first fetch takes the row.
sword first_step(StmtHandle* s, OCIError* errhp) {
    ServerHandle* srv = s->session->server;
    srv->busy = true;
    int rc = sqlite3_step(s->vm);
    srv->busy = false;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE) {
        s->stepped = rc;
        return OCI_SUCCESS;
    }
    s->exhausted = true;
    return fail_sqlite(s, errhp, srv->db, StatementKind::Select);
}

sword route_query(StmtHandle* s, OCIError* errhp, Execution& x) {
    sword st = translate(s, errhp, x);
    if (st != OCI_SUCCESS) return st;
    sqlite3* db = s->session->server->db;
    if (sqlite3_prepare_v2(db, s->tr.sql.c_str(), -1, &s->vm, nullptr) != SQLITE_OK)
        return fail_sqlite(s, errhp, db, s->tr.kind);
    st = apply_binds(s, errhp, 0);
    if (st != OCI_SUCCESS) return st;
    s->executed = true;
    if (x.mode & OCI_DESCRIBE_ONLY) return OCI_SUCCESS;
    if (x.iters == 0) return s->caller_steps ? OCI_SUCCESS : first_step(s, errhp);
    bool any_define = false;
    for (DefineHandle* d : s->defines) any_define = any_define || d;
    if (!any_define) return fail(s, errhp, ora_error(24374));
    return fetch_rows(s, x.iters, errhp);
}

sword route_dml(StmtHandle* s, OCIError* errhp, Execution& x) {
    sword st = translate(s, errhp, x);
    if (st != OCI_SUCCESS) return st;
    if (s->session->read_only && s->session->in_transaction) return fail(s, errhp, ora_error(1456));
    if (!(x.mode & OCI_DESCRIBE_ONLY)) st = run_dml_with_triggers(s, errhp, x.iters, x.rowoff);
    s->executed = true;
    return st;
}

sword route_table_ddl(StmtHandle* s, OCIError* errhp, Execution& x) {
    sword st = translate(s, errhp, x);
    if (st != OCI_SUCCESS) return st;
    // TRUNCATE fires no triggers: the connection's firing triggers, which run the PL/SQL
    // row triggers, do nothing while its DELETE runs.
    PlSessionState* state = plsql_session(s->session);
    state->triggers_silenced = s->tr.kind == StatementKind::TruncateTable;
    st = run_ddl(s, errhp);
    state->triggers_silenced = false;
    if (st == OCI_SUCCESS && s->tr.kind == StatementKind::DropTable)
        plsql_table_dropped(s->session->server->db, s->tr.owner, s->tr.table);
    s->executed = true;
    return st;
}

sword route_transaction(StmtHandle* s, OCIError* errhp, Execution& x) {
    sword st = translate(s, errhp, x);
    if (st != OCI_SUCCESS) return st;
    st = run_transaction_statement(s, errhp);
    s->executed = true;
    return st;
}

// The DDL of objects the catalog keeps (views, sequences, synonyms, comments, constraints
// added later): checked and written by the dictionary's own grammar, run as one DDL
// transaction.
sword route_dictionary_ddl(StmtHandle* s, OCIError* errhp, Execution& x) {
    std::vector<std::string> ddl_sql;
    OraError err;
    const DdlResult result = dictionary_ddl(s->text, s->tokens, x.ctx, s->session->server->db, &ddl_sql, &err);
    switch (result) {
    case DdlResult::NotMine:
        // An ALTER TABLE ... MODIFY the catalog does not keep: the SQL grammar judges it.
        x.ast = Statement();
        if (!sql_parse(s->tokens, &x.ast, &err)) return fail(s, errhp, err);
        return route_table_ddl(s, errhp, x);
    case DdlResult::Failed:
        return fail(s, errhp, err);
    case DdlResult::Done:
    case DdlResult::CompiledWithErrors:
        break;
    }
    sword st = OCI_SUCCESS;
    if (!ddl_sql.empty()) {
        s->tr.kind = StatementKind::CreateTable;
        s->tr.sql = ddl_sql[0];
        s->tr.catalog_sql.assign(ddl_sql.begin() + 1, ddl_sql.end());
        st = run_ddl(s, errhp);
    }
    s->executed = true;
    // Created with errors: done, with Oracle's warning.
    if (st == OCI_SUCCESS && result == DdlResult::CompiledWithErrors) {
        error_set(errhp, 24344, ora_message(24344));
        return OCI_SUCCESS_WITH_INFO;
    }
    return st;
}

sword route_unit_ddl(StmtHandle* s, OCIError* errhp, Execution&) {
    return plsql_unit_ddl(s, errhp);
}

sword route_trigger_ddl(StmtHandle* s, OCIError* errhp, Execution&) {
    return plsql_trigger_ddl(s, errhp);
}

sword route_block(StmtHandle* s, OCIError* errhp, Execution&) {
    return plsql_execute(s, errhp);
}

// Users, roles and privileges: catalog rows and schema files, written by the catalog
// after the open transaction was committed (ATTACH and DETACH need no transaction open).
sword route_access_ddl(StmtHandle* s, OCIError* errhp, Execution& x) {
    SessionHandle* ses = s->session;
    AccessClause& a = x.ast.access;
    if (a.identified && a.password_unquoted && a.password_end <= s->text.size())
        a.password = s->text.substr(a.password_offset, a.password_end - a.password_offset);
    OraError err;
    if (!users_ddl_run(ses->server->db, ses->server->folder, ses->user, x.ast, &err)) return fail(s, errhp, err);
    session_sync_transaction(ses);
    s->executed = true;
    return OCI_SUCCESS;
}

// EXPLAIN PLAN is DML on the plan table: it joins the open transaction.
sword route_explain(StmtHandle* s, OCIError* errhp, Execution& x) {
    s->tr.kind = StatementKind::Insert;
    sword st = begin_transaction(s, errhp);
    if (st != OCI_SUCCESS) return st;
    unsigned rows = 0;
    OraError err;
    if (!explain_plan_run(s->text, s->tokens, x.ctx, s->session->server->db, &rows, &err)) return fail(s, errhp, err);
    s->row_count = rows;
    s->executed = true;
    return OCI_SUCCESS;
}

// What the iteration count of OCIStmtExecute means for a kind of statement.
enum class Iterations {
    Rows,      // a query: the rows fetched by the call (0: executed, nothing fetched)
    Elements,  // DML: the statement runs for the bind array elements rowoff..iters-1
    Once,      // the statement runs once; the count must be at least 1
};

using RouteHandler = sword (*)(StmtHandle* s, OCIError* errhp, Execution& x);

struct Route {
    StatementKind kind;
    RouteHandler run;
    bool commits_first;  // the open transaction is committed before the statement runs
    Iterations iterations;
};

// One row per statement kind, in StatementKind's order.
constexpr Route kRoutes[] = {
    {StatementKind::Select, route_query, false, Iterations::Rows},
    {StatementKind::Insert, route_dml, false, Iterations::Elements},
    {StatementKind::Update, route_dml, false, Iterations::Elements},
    {StatementKind::Delete, route_dml, false, Iterations::Elements},
    {StatementKind::CreateTable, route_table_ddl, true, Iterations::Once},
    {StatementKind::DropTable, route_table_ddl, true, Iterations::Once},
    {StatementKind::TruncateTable, route_table_ddl, true, Iterations::Once},
    {StatementKind::AlterTable, route_table_ddl, true, Iterations::Once},
    {StatementKind::CreateIndex, route_table_ddl, true, Iterations::Once},
    {StatementKind::DropIndex, route_table_ddl, true, Iterations::Once},
    {StatementKind::AlterIndex, route_table_ddl, true, Iterations::Once},
    {StatementKind::Commit, route_transaction, false, Iterations::Once},
    {StatementKind::Rollback, route_transaction, false, Iterations::Once},
    {StatementKind::RollbackToSavepoint, route_transaction, false, Iterations::Once},
    {StatementKind::Savepoint, route_transaction, false, Iterations::Once},
    {StatementKind::AlterSession, route_transaction, false, Iterations::Once},
    {StatementKind::SetConstraints, route_transaction, false, Iterations::Once},
    {StatementKind::SetTransaction, route_transaction, false, Iterations::Once},
    {StatementKind::AlterTableConstraint, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::CreateView, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::DropView, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::CreateSequence, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::AlterSequence, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::DropSequence, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::CreateSynonym, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::DropSynonym, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::Comment, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::CreateUnit, route_unit_ddl, true, Iterations::Once},
    {StatementKind::AlterUnit, route_unit_ddl, true, Iterations::Once},
    {StatementKind::DropUnit, route_unit_ddl, true, Iterations::Once},
    {StatementKind::CreateTrigger, route_trigger_ddl, true, Iterations::Once},
    {StatementKind::AlterTrigger, route_trigger_ddl, true, Iterations::Once},
    {StatementKind::DropTrigger, route_trigger_ddl, true, Iterations::Once},
    {StatementKind::ExplainPlan, route_explain, false, Iterations::Once},
    {StatementKind::Merge, route_dml, false, Iterations::Elements},
    {StatementKind::CreateUser, route_access_ddl, true, Iterations::Once},
    {StatementKind::AlterUser, route_access_ddl, true, Iterations::Once},
    {StatementKind::DropUser, route_access_ddl, true, Iterations::Once},
    {StatementKind::CreateRole, route_access_ddl, true, Iterations::Once},
    {StatementKind::DropRole, route_access_ddl, true, Iterations::Once},
    {StatementKind::Grant, route_access_ddl, true, Iterations::Once},
    {StatementKind::Revoke, route_access_ddl, true, Iterations::Once},
    {StatementKind::CreateDimension, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::AlterDimension, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::DropDimension, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::AlterView, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::Rename, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::Purge, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::Flashback, route_dictionary_ddl, true, Iterations::Once},
    {StatementKind::PlsqlBlock, route_block, false, Iterations::Once},
};

constexpr bool routes_follow_kinds() {
    for (std::size_t i = 0; i < sizeof kRoutes / sizeof kRoutes[0]; ++i)
        if (static_cast<std::size_t>(kRoutes[i].kind) != i) return false;
    return sizeof kRoutes / sizeof kRoutes[0] == kStatementKinds;
}
static_assert(routes_follow_kinds(), "kRoutes holds one row per StatementKind, in the enum's order");

// The front door: the statement's tokens (split when it was prepared) are parsed once,
// its kind picks its route, and the route says what the iteration count means and
// whether the open transaction is committed first. A statement the grammar refuses
// changes nothing.
sword execute_statement(StmtHandle* s, OCIError* errhp, ub4 iters, ub4 rowoff, ub4 mode) {
    SessionHandle* ses = s->session;
    if (s->token_error.code) {
        // An anonymous block with an identifier too long is a PL/SQL compile error.
        const int type = s->token_error.code == 972 ? sql_statement_type(s->text) : 0;
        if (type == 8 || type == 9) return plsql_execute(s, errhp);
        return fail(s, errhp, s->token_error);
    }
    Execution x;
    x.iters = iters;
    x.rowoff = rowoff;
    x.mode = mode;
    OraError err;
    if (!sql_parse_statement(s->tokens, &x.ast, &err)) return fail(s, errhp, err);
    const Route& route = kRoutes[static_cast<std::size_t>(x.ast.kind)];
    s->tr = Translation();
    s->tr.kind = x.ast.kind;
    if (route.iterations != Iterations::Rows && iters == 0) return fail(s, errhp, ora_error(24333));
    if (route.iterations == Iterations::Elements && rowoff >= iters) return fail(s, errhp, ora_error(24333));
    if (plsql_autonomous_owns_savepoint(ses)) {
        // Dynamic SQL of an autonomous unit running inside its caller's transaction: its
        // COMMIT and ROLLBACK are the unit's; DDL would commit the caller's work as well.
        if (x.ast.kind == StatementKind::Commit || x.ast.kind == StatementKind::Rollback) {
            PlError e;
            if (plsql_autonomous_end(ses, x.ast.kind == StatementKind::Commit, &e)) return OCI_SUCCESS;
            OraError oe;
            oe.code = e.code;
            oe.message = e.message;
            return fail(s, errhp, oe);
        }
        if (route.commits_first) return fail(s, errhp, ora_error(3001, ": DDL in an autonomous transaction"));
    }
    if (plsql_trigger_forbids_transaction_end(ses)) {
        const StatementKind k = x.ast.kind;
        if (route.commits_first || k == StatementKind::Commit || k == StatementKind::SetTransaction)
            return fail(s, errhp, ora_error(4092, "COMMIT"));
        if (k == StatementKind::Rollback || k == StatementKind::RollbackToSavepoint)
            return fail(s, errhp, ora_error(4092, "ROLLBACK"));
        if (k == StatementKind::Savepoint) return fail(s, errhp, ora_error(4092, "SET SAVEPOINT"));
    }
    if (route.commits_first) {
        sword st = session_commit(ses, errhp);
        if (st != OCI_SUCCESS) return st;
    }
    SqliteCatalog catalog(ses->server->db);
    x.ctx.schema = ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema;
    x.ctx.nls_date_format = ses->settings.nls_date_format;
    x.ctx.nls_timestamp_format = ses->settings.nls_timestamp_format;
    x.ctx.nls_timestamp_tz_format = ses->settings.nls_timestamp_tz_format;
    x.ctx.char_semantics = ses->settings.nls_length_semantics == "CHAR";
    x.ctx.catalog = &catalog;
    x.ctx.stored_function = plsql_function_lookup;
    x.ctx.stored_function_data = ses->server->db;
    x.ctx.with_plsql = plsql_with_declarations;
    x.ctx.with_plsql_data = s;
    typed_bind_context(s, x);
    sword st = route.run(s, errhp, x);
    if (st == OCI_SUCCESS && route.iterations != Iterations::Rows && (mode & OCI_COMMIT_ON_SUCCESS))
        st = session_commit(ses, errhp);
    return st;
}

void reset_statement(StmtHandle* s) {
    if (s->vm) sqlite3_finalize(s->vm);
    s->vm = nullptr;
    if (s->with_plsql) plsql_with_release(s->session, s);
    s->with_plsql = false;
    s->executed = false;
    s->exhausted = false;
    s->stepped = 0;
    s->row_count = 0;
    s->rows_fetched = 0;
    s->parse_offset = 0;
    for (ParamHandle* p : s->params) p->stmt = nullptr;
    for (ParamHandle* p : s->params) delete p;
    s->params.clear();
}

}  // namespace

void stmt_release(StmtHandle* s) {
    reset_statement(s);
    for (BindHandle* b : s->binds) delete b;
    for (DefineHandle* d : s->defines) delete d;
    s->binds.clear();
    s->defines.clear();
}

void stmt_open_result(StmtHandle* s, SessionHandle* session, const std::string& text, const Translation& tr,
                      sqlite3_stmt* vm) {
    reset_statement(s);
    s->text = text;
    s->tokens.clear();
    s->token_error = OraError();
    s->stmt_type = OCI_STMT_SELECT;
    s->tr = tr;
    s->vm = vm;
    s->session = session;
    s->executed = true;
}

extern "C" {

VOCI_EXPORT sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len, ub4, ub4) {
    StmtHandle* s = handle_cast<StmtHandle>(stmtp, OCI_HTYPE_STMT);
    if (!s) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    reset_statement(s);
    for (BindHandle* b : s->binds) delete b;
    for (DefineHandle* d : s->defines) delete d;
    s->binds.clear();
    s->defines.clear();
    s->text = stmt ? std::string(reinterpret_cast<const char*>(stmt), stmt_len) : std::string();
    s->tokens.clear();
    s->token_error = OraError();
    if (!sql_tokenize(s->text, &s->tokens, &s->token_error) && s->token_error.code == 0)
        s->token_error = ora_error(911);
    s->stmt_type = static_cast<ub2>(s->token_error.code ? 0 : sql_statement_type(s->tokens));
    s->tr = Translation();
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                                 const OCISnapshot*, OCISnapshot*, ub4 mode) {
    SvcCtxHandle* svc = handle_cast<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
    StmtHandle* s = handle_cast<StmtHandle>(stmtp, OCI_HTYPE_STMT);
    if (!svc || !s) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    reset_statement(s);
    SessionHandle* ses = svc->session;
    if (!ses || !ses->open || !ses->server || !ses->server->db) return fail(s, errhp, ora_error(1012));
    s->session = ses;
    ses->settings.stats.roundtrips += 1;
    ses->settings.stats.bytes_received += s->text.size();
    ServerHandle* srv = ses->server;
    if (srv->cancel) {
        srv->cancel = false;
        return fail(s, errhp, ora_error(1013));
    }
    CatalogPin pin(srv->db);
    std::int64_t seq = plsql_autonomous_seq(ses);
    // The client's statements go into the cursor cache; those PL/SQL runs inside one do not.
    if (ses->execute_depth == 0) sql_cache_record(ses, s->text);
    ++ses->execute_depth;
    sword st = execute_statement(s, errhp, iters, rowoff, mode);
    --ses->execute_depth;
    // A statement that rolled back (a failed one, ROLLBACK, ROLLBACK TO) may have undone
    // what autonomous units committed inside it: that is written again now.
    OraError restored;
    bool kept = st == OCI_SUCCESS || st == OCI_SUCCESS_WITH_INFO || st == OCI_NO_DATA ||
                plsql_autonomous_statement_failed(ses, seq, &restored);
    if (kept) kept = plsql_autonomous_restore(ses, &restored);
    if (!kept && st == OCI_SUCCESS) st = fail(s, errhp, restored);
    return st;
}

VOCI_EXPORT sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation, ub4) {
    StmtHandle* s = handle_cast<StmtHandle>(stmtp, OCI_HTYPE_STMT);
    if (!s) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (!s->executed || !s->vm || !s->session || !s->session->open) return fail(s, errhp, ora_error(24338));
    if (orientation != OCI_FETCH_NEXT && orientation != 0) return fail(s, errhp, ora_error(24391));
    s->session->settings.stats.roundtrips += 1;
    CatalogPin pin(s->session->server->db);
    if (nrows == 0) {
        s->exhausted = true;
        s->rows_fetched = 0;
        return OCI_SUCCESS;
    }
    return fetch_rows(s, nrows, errhp);
}

VOCI_EXPORT sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                               sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4, ub4*, ub4) {
    StmtHandle* s = handle_cast<StmtHandle>(stmtp, OCI_HTYPE_STMT);
    if (!s) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (position == 0) return fail(s, errhp, ora_error(1036));
    BindHandle* b = nullptr;
    for (BindHandle* c : s->binds)
        if (c->position == position) b = c;
    if (!b) {
        b = new BindHandle;
        b->type = OCI_HTYPE_BIND;
        b->stmt = s;
        b->position = position;
        s->binds.push_back(b);
    }
    b->value = valuep;
    b->value_size = value_sz;
    b->dty = dty;
    b->indicator = static_cast<sb2*>(indp);
    b->alen = alenp;
    b->rcode = rcodep;
    if (bindp) *bindp = reinterpret_cast<OCIBind*>(static_cast<Handle*>(b));
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                                sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                                ub2* rcodep, ub4, ub4*, ub4) {
    StmtHandle* s = handle_cast<StmtHandle>(stmtp, OCI_HTYPE_STMT);
    if (!s || !placeholder) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    std::string raw =
        placeh_len < 0 ? std::string(reinterpret_cast<const char*>(placeholder))
                       : std::string(reinterpret_cast<const char*>(placeholder), static_cast<std::size_t>(placeh_len));
    if (!raw.empty() && raw[0] == ':') raw.erase(0, 1);
    std::string name;
    if (raw.size() > 2 && raw.front() == '"' && raw.back() == '"') {
        name = raw.substr(1, raw.size() - 2);
    } else {
        for (char c : raw) name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (name.empty()) return fail(s, errhp, ora_error(1036));
    BindHandle* b = nullptr;
    for (BindHandle* c : s->binds)
        if (c->name == name) b = c;
    if (!b) {
        b = new BindHandle;
        b->type = OCI_HTYPE_BIND;
        b->stmt = s;
        b->name = name;
        s->binds.push_back(b);
    }
    b->value = valuep;
    b->value_size = value_sz;
    b->dty = dty;
    b->indicator = static_cast<sb2*>(indp);
    b->alen = alenp;
    b->rcode = rcodep;
    if (bindp) *bindp = reinterpret_cast<OCIBind*>(static_cast<Handle*>(b));
    return OCI_SUCCESS;
}

VOCI_EXPORT sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position, void* valuep,
                                 sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4) {
    StmtHandle* s = handle_cast<StmtHandle>(stmtp, OCI_HTYPE_STMT);
    if (!s) return OCI_INVALID_HANDLE;
    error_clear(errhp);
    if (position == 0) return fail(s, errhp, ora_error(1036));
    switch (dty) {
    case SQLT_CHR:
    case SQLT_STR:
    case SQLT_AFC:
    case SQLT_LNG:
        if (value_sz <= (dty == SQLT_STR ? 1 : 0) || !valuep) return fail(s, errhp, ora_error(1459));
        break;
    case SQLT_INT:
    case SQLT_UIN:
        if (value_sz != 1 && value_sz != 2 && value_sz != 4 && value_sz != 8) return fail(s, errhp, ora_error(1459));
        break;
    case SQLT_FLT:
        if (value_sz != 4 && value_sz != 8) return fail(s, errhp, ora_error(1459));
        break;
    case SQLT_VNU:
    case SQLT_NUM:
        // An OCINumber is 22 bytes, the bare bytes at most 21.
        if (value_sz < (dty == SQLT_VNU ? 22 : 21) || !valuep) return fail(s, errhp, ora_error(1459));
        break;
    case SQLT_CLOB:
    case SQLT_BLOB:
    case SQLT_BFILEE:
        if (!valuep) return fail(s, errhp, ora_error(22275));
        break;
    default:
        return fail(s, errhp, ora_error(3115));
    }
    if (s->defines.size() < position) s->defines.resize(position, nullptr);
    DefineHandle*& d = s->defines[position - 1];
    if (!d) {
        d = new DefineHandle;
        d->type = OCI_HTYPE_DEFINE;
        d->stmt = s;
        d->position = position;
    }
    d->value = valuep;
    d->value_size = value_sz;
    d->dty = dty;
    d->indicator = static_cast<sb2*>(indp);
    d->rlen = rlenp;
    d->rcode = rcodep;
    if (defnp) *defnp = reinterpret_cast<OCIDefine*>(static_cast<Handle*>(d));
    return OCI_SUCCESS;
}

}  // extern "C"
