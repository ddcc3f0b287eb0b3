// The supplied packages' procedures. LOBs are values here: DBMS_LOB's writers change
// the variable they are given (a CLOB counts characters, a BLOB bytes), and a column
// takes the result when the block stores the variable back. A NULL LOB is not a
// locator: writing to it or reading it fails with ORA-22275, as in Oracle.
#include "values/number_bytes.h"
#include "plsql/plsql_supplied.h"

#include "catalog/metadata_ddl.h"
#include "catalog/mviews.h"
#include "catalog/statistics.h"
#include "oci/engine.h"
#include "plsql/plsql.h"
#include "values/errors.h"
#include "values/sql_supplied.h"
#include "values/utf8.h"
#include "values/values.h"

#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr double kAl32Utf8Id = 873;  // NLS_CHARSET_ID('AL32UTF8')

bool binary(const OraType& t) {
    return t.code == kTypeBlob || t.code == kTypeRaw || t.code == kTypeLongRaw;
}

PlError error(int code, const std::string& arg = {}) {
    PlError e;
    e.code = code;
    e.message = ora_message(code, arg);
    return e;
}

// Argument k as a number; false when it is NULL or no number.
bool number(const PlSuppliedCall& c, std::size_t k, double* out) {
    if (k >= c.args.size() || !c.given[k]) return false;
    const PlValue& v = c.args[k];
    switch (v.kind) {
    case PlKind::Int:
        *out = static_cast<double>(v.i);
        return true;
    case PlKind::Real:
        *out = v.d;
        return true;
    case PlKind::Text: {
        char* end = nullptr;
        *out = std::strtod(v.s.c_str(), &end);
        return end && *end == '\0' && !v.s.empty();
    }
    case PlKind::Null:
        return false;
    }
    return false;
}

// Argument k as an amount or offset of at least 1 (absent: fallback); ORA-21560 naming
// the argument otherwise.
bool units(const PlSuppliedCall& c, std::size_t k, std::uint64_t fallback, std::uint64_t* out, PlError* err) {
    if (k >= c.args.size() || !c.given[k]) {
        *out = fallback;
        return true;
    }
    double d = 0;
    if (!number(c, k, &d) || !(std::trunc(d) >= 1)) {
        *err = error(21560, std::to_string(k + 1));
        return false;
    }
    d = std::trunc(d);
    *out = d >= 1.8e19 ? kLobMaxSize : static_cast<std::uint64_t>(d);
    return true;
}

std::string text(const PlSuppliedCall& c, std::size_t k) {
    if (k >= c.args.size()) return {};
    const PlValue& v = c.args[k];
    switch (v.kind) {
    case PlKind::Int:
        return std::to_string(v.i);
    case PlKind::Real: {
        if (!v.s.empty()) {
            std::string t;
            if (number_bytes_text(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &t)) return t;
        }
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", v.d);
        return buf;
    }
    case PlKind::Text:
        return v.s;
    case PlKind::Null:
        return {};
    }
    return {};
}

// The LOB in argument k: it must be one (not NULL).
bool locator(PlSuppliedCall* c, std::size_t k, PlError* err) {
    if (c->args[k].kind == PlKind::Text) return true;
    if (c->args[k].kind == PlKind::Null) {
        *err = error(22275);
        return false;
    }
    // A number where a LOB is wanted becomes its text.
    c->args[k].s = text(*c, k);
    c->args[k].kind = PlKind::Text;
    return true;
}

// The LOB a writer changes (argument 0): a locator, not opened read-only.
bool lob_target(PlSuppliedCall* c, PlError* err) {
    if (!locator(c, 0, err)) return false;
    if (c->args[0].lob_open == 1) {
        *err = error(22294);
        return false;
    }
    return true;
}

void set_text(PlValue* v, const std::string& s) {
    v->kind = PlKind::Text;
    v->s = s;
    v->i = 0;
}

// Argument k as what a LOB of the kind bin takes: a BLOB takes bytes (RAW and BLOB as
// they are, text read as hexadecimal, VALUE_ERROR when it is not), a CLOB text.
bool piece(const PlSuppliedCall& c, std::size_t k, bool bin, std::string* out, PlError* err) {
    *out = text(c, k);
    if (!bin || binary(c.types[k]) || c.args[k].kind == PlKind::Null) return true;
    std::string bytes;
    if (!raw_from_hex(*out, &bytes)) {
        *err = error(6502, ": hex to raw conversion error");
        return false;
    }
    *out = std::move(bytes);
    return true;
}

bool lob_append(PlSuppliedCall* c, PlError* err) {
    std::string src;
    if (!lob_target(c, err) || !locator(c, 1, err) || !piece(*c, 1, binary(c->types[0]), &src, err)) return false;
    c->args[0].s += src;
    return true;
}

// WRITEAPPEND(lob, amount, buffer): the first amount units of buffer.
bool lob_writeappend(PlSuppliedCall* c, PlError* err) {
    std::uint64_t amount = 0;
    if (!lob_target(c, err) || !units(*c, 1, 0, &amount, err)) return false;
    bool bin = binary(c->types[0]);
    std::string buffer;
    if (!piece(*c, 2, bin, &buffer, err)) return false;
    if (amount > lob_length(buffer, bin)) {
        *err = error(21560, "2");
        return false;
    }
    c->args[0].s += lob_substr(buffer, bin, 1, amount);
    return true;
}

// WRITE(lob, amount, offset, buffer)
bool lob_write_at(PlSuppliedCall* c, PlError* err) {
    std::uint64_t amount = 0, offset = 0;
    if (!lob_target(c, err) || !units(*c, 1, 0, &amount, err) || !units(*c, 2, 0, &offset, err)) return false;
    bool bin = binary(c->types[0]);
    std::string buffer;
    if (!piece(*c, 3, bin, &buffer, err)) return false;
    if (amount > lob_length(buffer, bin)) {
        *err = error(21560, "2");
        return false;
    }
    lob_write(&c->args[0].s, bin, offset, lob_substr(buffer, bin, 1, amount));
    return true;
}

// ERASE(lob, amount IN OUT, offset): amount comes back as the units erased.
bool lob_erase_range(PlSuppliedCall* c, PlError* err) {
    std::uint64_t amount = 0, offset = 0;
    if (!lob_target(c, err) || !units(*c, 1, 0, &amount, err) || !units(*c, 2, 1, &offset, err)) return false;
    std::uint64_t erased = lob_erase(&c->args[0].s, binary(c->types[0]), amount, offset);
    c->args[1] = PlValue();
    c->args[1].kind = PlKind::Int;
    c->args[1].i = static_cast<std::int64_t>(erased);
    c->types[1] = OraType();
    c->types[1].code = kTypeNumber;
    return true;
}

bool lob_trim_to(PlSuppliedCall* c, PlError* err) {
    double d = 0;
    if (!lob_target(c, err)) return false;
    if (!number(*c, 1, &d) || std::trunc(d) < 0) {
        *err = error(21560, "2");
        return false;
    }
    bool bin = binary(c->types[0]);
    if (std::trunc(d) > static_cast<double>(lob_length(c->args[0].s, bin))) {
        *err = error(22926);
        return false;
    }
    lob_trim(&c->args[0].s, bin, static_cast<std::uint64_t>(std::trunc(d)));
    return true;
}

// COPY(dest, src, amount, dest_offset, src_offset)
bool lob_copy(PlSuppliedCall* c, PlError* err) {
    std::uint64_t amount = 0, dest_offset = 0, src_offset = 0;
    if (!lob_target(c, err) || !locator(c, 1, err) || !units(*c, 2, 0, &amount, err) ||
        !units(*c, 3, 1, &dest_offset, err) || !units(*c, 4, 1, &src_offset, err))
        return false;
    bool bin = binary(c->types[0]);
    std::string piece = lob_substr(c->args[1].s, bin, src_offset, amount);
    if (!piece.empty()) lob_write(&c->args[0].s, bin, dest_offset, piece);
    return true;
}

void out_text(PlSuppliedCall* c, std::size_t k, const std::string& s);

void out_number(PlSuppliedCall* c, std::size_t k, std::int64_t n) {
    c->args[k] = PlValue();
    c->args[k].kind = PlKind::Int;
    c->args[k].i = n;
    c->types[k] = OraType();
    c->types[k].code = kTypeNumber;
}

// CONVERTTOBLOB and CONVERTTOCLOB(dest, src, amount, dest_offset, src_offset, csid,
// lang_context, warning): amount units of src from src_offset (LOBMAXSIZE: to its end)
// written over dest at dest_offset, the text as AL32UTF8 bytes; both offsets come back
// past what was read and written. Bytes that are no UTF-8 become '?' in a CLOB, with
// the warning WARN_INCONVERTIBLE_CHAR.
bool lob_convert(PlSuppliedCall* c, bool to_blob, PlError* err) {
    std::uint64_t amount = 0, dest_offset = 0, src_offset = 0;
    if (!lob_target(c, err) || !locator(c, 1, err) || !units(*c, 2, 0, &amount, err) ||
        !units(*c, 3, 0, &dest_offset, err) || !units(*c, 4, 0, &src_offset, err))
        return false;
    double csid = 0;
    if (c->args[5].kind != PlKind::Null && (!number(*c, 5, &csid) || (csid != 0 && csid != kAl32Utf8Id))) {
        *err = error(21560, "6");
        return false;
    }
    const std::string& src = c->args[1].s;
    std::uint64_t available = lob_length(src, !to_blob);
    available = src_offset > available ? 0 : available - (src_offset - 1);
    if (amount != kLobMaxSize && amount > available) {
        *err = error(22993);
        return false;
    }
    std::string part = lob_substr(src, !to_blob, src_offset, amount < available ? amount : available);
    std::uint64_t read = lob_length(part, !to_blob);
    bool lossy = false;
    if (!to_blob && !utf8_valid(part)) {
        std::string clean;
        for (std::size_t at = 0; at < part.size();) {
            std::size_t n = utf8_char_bytes(part, at);
            if (n == 0) break;
            std::string one = part.substr(at, n);
            if (utf8_valid(one)) {
                clean += one;
            } else {
                clean += '?';
                lossy = true;
            }
            at += n;
        }
        part = std::move(clean);
    }
    if (!part.empty()) lob_write(&c->args[0].s, to_blob, dest_offset, part);
    std::uint64_t written = lob_length(part, to_blob);
    out_number(c, 3, static_cast<std::int64_t>(dest_offset + written));
    out_number(c, 4, static_cast<std::int64_t>(src_offset + read));
    double context = 0;
    out_number(c, 6, number(*c, 6, &context) ? static_cast<std::int64_t>(context) : 0);
    out_number(c, 7, lossy ? 1 : 0);
    return true;
}
bool lob_convert_to_blob(PlSuppliedCall* c, PlError* err) {
    return lob_convert(c, true, err);
}
bool lob_convert_to_clob(PlSuppliedCall* c, PlError* err) {
    return lob_convert(c, false, err);
}
// DB_VERSION(version, compatibility): the release the engine answers as.
bool db_version(PlSuppliedCall* c, PlError*) {
    out_text(c, 0, "19.0.0.0.0");
    out_text(c, 1, "19.0.0");
    return true;
}

// READ(lob, amount IN OUT, offset, buffer OUT): up to amount units from offset into
// buffer (RAW for a BLOB), amount coming back as the units read; an offset past the end
// is NO_DATA_FOUND, as in Oracle.
bool lob_read(PlSuppliedCall* c, PlError* err) {
    std::uint64_t amount = 0, offset = 0;
    if (!locator(c, 0, err) || !units(*c, 1, 0, &amount, err) || !units(*c, 2, 0, &offset, err)) return false;
    if (amount > 32767) {
        *err = error(21560, "2");
        return false;
    }
    const bool bin = binary(c->types[0]);
    const std::string& lob = c->args[0].s;
    if (offset > lob_length(lob, bin)) {
        *err = error(1403);
        return false;
    }
    std::string part = lob_substr(lob, bin, offset, amount);
    out_number(c, 1, static_cast<std::int64_t>(lob_length(part, bin)));
    out_text(c, 3, part);
    c->types[3].code = bin ? kTypeRaw : kTypeVarchar2;
    c->types[3].size = static_cast<std::uint32_t>(part.size());
    return true;
}

bool lob_create_temporary(PlSuppliedCall* c, PlError*) {
    set_text(&c->args[0], std::string());
    return true;
}

bool lob_free_temporary(PlSuppliedCall* c, PlError*) {
    c->args[0] = PlValue();
    return true;
}

// OPEN and CLOSE: the locator must be one, and OPEN's mode LOB_READONLY (0) or
// LOB_READWRITE (1). A LOB is opened once (ORA-22293 when open already) and closed once
// (ORA-22289 when not open); the writers refuse one opened read-only (ORA-22294).
bool lob_open(PlSuppliedCall* c, PlError* err) {
    if (!locator(c, 0, err)) return false;
    double mode = -1;
    if (!number(*c, 1, &mode) || (mode != 0 && mode != 1)) {
        *err = error(21560, "2");
        return false;
    }
    if (c->args[0].lob_open) {
        *err = error(22293);
        return false;
    }
    c->args[0].lob_open = mode == 0 ? 1 : 2;
    return true;
}

bool lob_close(PlSuppliedCall* c, PlError* err) {
    if (!locator(c, 0, err)) return false;
    if (!c->args[0].lob_open) {
        *err = error(22289, "LOB CLOSE");
        return false;
    }
    c->args[0].lob_open = 0;
    return true;
}

// DBMS_XMLGEN's procedures on a context (argument 0): its settings, its position, its end.
PlXmlgenContext* xmlgen_ctx(PlSuppliedCall* c, PlError* err) {
    double handle = -1;
    number(*c, 0, &handle);
    return plsql_xmlgen_context(c->session, handle, err);
}

// SETROWSETTAG and SETROWTAG: an element name; NULL for none.
bool xmlgen_set_rowset_tag(PlSuppliedCall* c, PlError* err) {
    PlXmlgenContext* x = xmlgen_ctx(c, err);
    if (x) x->rowset_tag = text(*c, 1);
    return x != nullptr;
}

bool xmlgen_set_row_tag(PlSuppliedCall* c, PlError* err) {
    PlXmlgenContext* x = xmlgen_ctx(c, err);
    if (x) x->row_tag = text(*c, 1);
    return x != nullptr;
}

// SETMAXROWS, SETSKIPROWS and SETNULLHANDLING take a whole number of at least 0 (NULL
// handling: DROP_NULLS 0, NULL_ATTR 1 or EMPTY_TAG 2); another value is ORA-06502.
bool xmlgen_count(const PlSuppliedCall& c, double highest, std::int64_t* out, PlError* err) {
    double v = 0;
    if (!number(c, 1, &v) || v < 0 || v > highest || v != std::floor(v)) {
        *err = error(6502);
        return false;
    }
    *out = static_cast<std::int64_t>(v);
    return true;
}

bool xmlgen_set_max_rows(PlSuppliedCall* c, PlError* err) {
    PlXmlgenContext* x = xmlgen_ctx(c, err);
    return x && xmlgen_count(*c, 9e15, &x->max_rows, err);
}

bool xmlgen_set_skip_rows(PlSuppliedCall* c, PlError* err) {
    PlXmlgenContext* x = xmlgen_ctx(c, err);
    return x && xmlgen_count(*c, 9e15, &x->skip_rows, err);
}

bool xmlgen_set_null_handling(PlSuppliedCall* c, PlError* err) {
    PlXmlgenContext* x = xmlgen_ctx(c, err);
    std::int64_t flag = 0;
    if (!x || !xmlgen_count(*c, 2, &flag, err)) return false;
    x->null_handling = static_cast<int>(flag);
    return true;
}

// RESTARTQUERY: the next GETXML starts from the first row again.
bool xmlgen_restart(PlSuppliedCall* c, PlError* err) {
    PlXmlgenContext* x = xmlgen_ctx(c, err);
    if (x) x->consumed = 0;
    return x != nullptr;
}

bool xmlgen_close(PlSuppliedCall* c, PlError* err) {
    if (!xmlgen_ctx(c, err)) return false;
    double handle = 0;
    number(*c, 0, &handle);
    plsql_session(c->session)->xmlgen_contexts.erase(static_cast<std::int64_t>(handle));
    return true;
}

bool random_seed_call(PlSuppliedCall* c, PlError*) {
    random_seed(&c->session->settings, text(*c, 0));
    return true;
}

bool accept(PlSuppliedCall*, PlError*) {
    return true;
}

// SLEEP(seconds): fractions of a second too; up to a day.
bool sleep_call(PlSuppliedCall* c, PlError* err) {
    double seconds = 0;
    if (!number(*c, 0, &seconds) || seconds < 0 || seconds > 86400) {
        *err = error(38148);
        return false;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(seconds * 1e6)));
    return true;
}

bool set_module(PlSuppliedCall* c, PlError*) {
    c->session->settings.module = text(*c, 0).substr(0, 64);
    c->session->settings.action = text(*c, 1).substr(0, 64);
    return true;
}

bool set_action(PlSuppliedCall* c, PlError*) {
    c->session->settings.action = text(*c, 0).substr(0, 64);
    return true;
}

bool set_client_info(PlSuppliedCall* c, PlError*) {
    c->session->settings.client_info = text(*c, 0).substr(0, 64);
    return true;
}

void out_text(PlSuppliedCall* c, std::size_t k, const std::string& s) {
    c->args[k] = PlValue();
    if (!s.empty()) set_text(&c->args[k], s);
    c->types[k] = OraType();
    c->types[k].code = kTypeVarchar2;
    c->types[k].size = 64;
}

bool read_module(PlSuppliedCall* c, PlError*) {
    out_text(c, 0, c->session->settings.module);
    out_text(c, 1, c->session->settings.action);
    return true;
}

bool read_client_info(PlSuppliedCall* c, PlError*) {
    out_text(c, 0, c->session->settings.client_info);
    return true;
}

// A refresh commits, as DDL does: the caller's open transaction with it (inside an
// autonomous unit, its commit stays the unit's).
bool refresh_done(PlSuppliedCall* c, bool ok, const OraError& failed, PlError* err) {
    SessionHandle* ses = c->session;
    session_sync_transaction(ses);
    if (!ok) {
        *err = error(failed.code);
        err->message = failed.message;
        return false;
    }
    if (plsql_autonomous_owns_savepoint(ses)) return true;
    if (session_commit(ses, nullptr) != OCI_SUCCESS && ses->commit_error.code) {
        *err = error(ses->commit_error.code);
        err->message = ses->commit_error.message;
        return false;
    }
    return true;
}

bool mview_refresh(PlSuppliedCall* c, PlError* err) {
    OraError failed;
    const std::string list = text(*c, 0);
    bool ok = mviews_refresh(c->session->server->db, c->session->user, list, &failed);
    return refresh_done(c, ok, failed, err);
}

bool mview_refresh_all(PlSuppliedCall* c, PlError* err) {
    OraError failed;
    bool ok = mviews_refresh_all(c->session->server->db, c->session->user, &failed);
    c->args[0] = PlValue();
    c->args[0].kind = PlKind::Int;
    c->args[0].i = 0;
    c->types[0] = OraType();
    c->types[0].code = kTypeNumber;
    return refresh_done(c, ok, failed, err);
}

// DBMS_STATS: a name in double quotes keeps its case, others are upper case; a NULL
// owner is the session user. Gathering and deleting commit, as in Oracle.
std::string stats_name(const PlSuppliedCall& c, std::size_t k, const std::string& fallback) {
    std::string n = text(c, k);
    if (n.empty()) return fallback;
    if (n.size() >= 2 && n.front() == '"' && n.back() == '"') return n.substr(1, n.size() - 2);
    for (char& ch : n) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return n;
}

std::string stats_owner(const PlSuppliedCall& c) {
    return stats_name(c, 0, c.session->user);
}

// ESTIMATE_PERCENT: NULL or AUTO_SAMPLE_SIZE (0), else more than 0 and at most 100.
bool stats_percent(PlSuppliedCall* c, std::size_t k, PlError* err) {
    double p = 0;
    if (k >= c->args.size() || !c->given[k] || c->args[k].kind == PlKind::Null) return true;
    if (number(*c, k, &p) && p >= 0 && p <= 100) return true;
    err->code = 20001;
    err->message = "Invalid Estimate Percent";
    return false;
}

// STATTAB: there are no user statistics tables (CREATE_STAT_TABLE is not supplied), so a
// table named there never exists.
bool stats_no_stattab(const PlSuppliedCall& c, std::size_t k, PlError* err) {
    const std::string tab = stats_name(c, k, "");
    if (tab.empty()) return true;
    err->code = 20000;
    err->message = "Unable to open statistics table \"" + stats_owner(c) + "\".\"" + tab +
                   "\": insufficient privileges or does not exist";
    return false;
}

// CASCADE: FALSE leaves the indexes alone; TRUE, NULL and AUTO_CASCADE gather them.
bool stats_flag(const PlSuppliedCall& c, std::size_t k) {
    double d = 1;
    return !(k < c.args.size() && c.given[k] && number(c, k, &d) && d == 0);
}

bool stats_gather_table(PlSuppliedCall* c, PlError* err) {
    if (!stats_percent(c, 3, err) || !stats_no_stattab(*c, 9, err)) return false;
    OraError failed;
    bool ok = statistics_gather_table(c->session->server->db, stats_owner(*c), stats_name(*c, 1, ""), stats_flag(*c, 8),
                                      &failed);
    return refresh_done(c, ok, failed, err);
}

bool stats_gather_index(PlSuppliedCall* c, PlError* err) {
    if (!stats_percent(c, 3, err) || !stats_no_stattab(*c, 4, err)) return false;
    OraError failed;
    bool ok = statistics_gather_index(c->session->server->db, stats_owner(*c), stats_name(*c, 1, ""), &failed);
    return refresh_done(c, ok, failed, err);
}

bool stats_gather_schema(PlSuppliedCall* c, PlError* err) {
    if (!stats_percent(c, 1, err) || !stats_no_stattab(*c, 7, err)) return false;
    OraError failed;
    bool ok = statistics_gather_schema(c->session->server->db, stats_owner(*c), &failed);
    return refresh_done(c, ok, failed, err);
}

bool stats_delete_table(PlSuppliedCall* c, PlError* err) {
    if (!stats_no_stattab(*c, 3, err)) return false;
    OraError failed;
    bool ok = statistics_delete_table(c->session->server->db, stats_owner(*c), stats_name(*c, 1, ""), &failed);
    return refresh_done(c, ok, failed, err);
}

bool stats_delete_schema(PlSuppliedCall* c, PlError* err) {
    if (!stats_no_stattab(*c, 1, err)) return false;
    OraError failed;
    bool ok = statistics_delete_schema(c->session->server->db, stats_owner(*c), &failed);
    return refresh_done(c, ok, failed, err);
}

bool stats_lock_table(PlSuppliedCall* c, PlError* err) {
    OraError failed;
    bool ok = statistics_lock_table(c->session->server->db, stats_owner(*c), stats_name(*c, 1, ""), true, &failed);
    return refresh_done(c, ok, failed, err);
}

bool stats_unlock_table(PlSuppliedCall* c, PlError* err) {
    OraError failed;
    bool ok = statistics_lock_table(c->session->server->db, stats_owner(*c), stats_name(*c, 1, ""), false, &failed);
    return refresh_done(c, ok, failed, err);
}

// DBMS_METADATA.SET_TRANSFORM_PARAM: only the session transform is kept (there are no
// OPEN handles); a BOOLEAN value arrives as 1 or 0.
bool metadata_transform(PlSuppliedCall* c, PlError* err) {
    double handle = 0;
    if (!number(*c, 0, &handle) || handle != -1) {
        err->code = 31600;
        err->message =
            ora_message(31600, text(*c, 0).empty() ? "NULL" : text(*c, 0), "TRANSFORM_HANDLE", "SET_TRANSFORM_PARAM");
        return false;
    }
    std::string name = text(*c, 1);
    for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    OraError failed;
    if (metadata_set_transform(c->session->server->db, name, text(*c, 2), &failed)) return true;
    err->code = failed.code;
    err->message = failed.message;
    return false;
}

const PlSuppliedProc kProcedures[] = {
    {"DBMS_LOB.APPEND", "DEST_LOB,SRC_LOB", 2, 1, lob_append},
    {"DBMS_LOB.WRITEAPPEND", "LOB_LOC,AMOUNT,BUFFER", 3, 1, lob_writeappend},
    {"DBMS_LOB.WRITE", "LOB_LOC,AMOUNT,OFFSET,BUFFER", 4, 1, lob_write_at},
    {"DBMS_LOB.ERASE", "LOB_LOC,AMOUNT,OFFSET", 2, 3, lob_erase_range},
    {"DBMS_LOB.TRIM", "LOB_LOC,NEWLEN", 2, 1, lob_trim_to},
    {"DBMS_LOB.COPY", "DEST_LOB,SRC_LOB,AMOUNT,DEST_OFFSET,SRC_OFFSET", 3, 1, lob_copy},
    {"DBMS_LOB.READ", "LOB_LOC,AMOUNT,OFFSET,BUFFER", 4, 10, lob_read},
    {"DBMS_LOB.CREATETEMPORARY", "LOB_LOC,CACHE,DUR", 2, 1, lob_create_temporary},
    {"DBMS_LOB.FREETEMPORARY", "LOB_LOC", 1, 1, lob_free_temporary},
    {"DBMS_LOB.CONVERTTOBLOB", "DEST_LOB,SRC_CLOB,AMOUNT,DEST_OFFSET,SRC_OFFSET,BLOB_CSID,LANG_CONTEXT,WARNING", 8,
     0xD9, lob_convert_to_blob},
    {"DBMS_LOB.CONVERTTOCLOB", "DEST_LOB,SRC_BLOB,AMOUNT,DEST_OFFSET,SRC_OFFSET,BLOB_CSID,LANG_CONTEXT,WARNING", 8,
     0xD9, lob_convert_to_clob},
    {"DBMS_LOB.OPEN", "LOB_LOC,OPEN_MODE", 2, 1, lob_open},
    {"DBMS_LOB.CLOSE", "LOB_LOC", 1, 1, lob_close},
    {"DBMS_XMLGEN.SETROWSETTAG", "CTX,ROWSETTAGNAME", 2, 0, xmlgen_set_rowset_tag},
    {"DBMS_XMLGEN.SETROWTAG", "CTX,ROWTAGNAME", 2, 0, xmlgen_set_row_tag},
    {"DBMS_XMLGEN.SETMAXROWS", "CTX,MAXROWS", 2, 0, xmlgen_set_max_rows},
    {"DBMS_XMLGEN.SETSKIPROWS", "CTX,SKIPROWS", 2, 0, xmlgen_set_skip_rows},
    {"DBMS_XMLGEN.SETNULLHANDLING", "CTX,FLAG", 2, 0, xmlgen_set_null_handling},
    {"DBMS_XMLGEN.RESTARTQUERY", "CTX", 1, 0, xmlgen_restart},
    {"DBMS_XMLGEN.CLOSECONTEXT", "CTX", 1, 0, xmlgen_close},
    {"DBMS_UTILITY.DB_VERSION", "VERSION,COMPATIBILITY", 2, 3, db_version},
    {"DBMS_RANDOM.SEED", "VAL", 1, 0, random_seed_call},
    {"DBMS_RANDOM.INITIALIZE", "VAL", 1, 0, random_seed_call},
    {"DBMS_RANDOM.TERMINATE", "", 0, 0, accept},
    {"DBMS_SESSION.SLEEP", "SECONDS", 1, 0, sleep_call},
    {"DBMS_LOCK.SLEEP", "SECONDS", 1, 0, sleep_call},
    {"DBMS_APPLICATION_INFO.SET_MODULE", "MODULE_NAME,ACTION_NAME", 2, 0, set_module},
    {"DBMS_APPLICATION_INFO.SET_ACTION", "ACTION_NAME", 1, 0, set_action},
    {"DBMS_APPLICATION_INFO.SET_CLIENT_INFO", "CLIENT_INFO", 1, 0, set_client_info},
    {"DBMS_APPLICATION_INFO.READ_MODULE", "MODULE_NAME,ACTION_NAME", 2, 3, read_module},
    {"DBMS_APPLICATION_INFO.READ_CLIENT_INFO", "CLIENT_INFO", 1, 1, read_client_info},
    {"DBMS_MVIEW.REFRESH",
     "LIST,METHOD,ROLLBACK_SEG,PUSH_DEFERRED_RPC,REFRESH_AFTER_ERRORS,PURGE_OPTION,PARALLELISM,HEAP_SIZE,"
     "ATOMIC_REFRESH,NESTED,OUT_OF_PLACE,SKIP_EXT_DATA",
     1, 0, mview_refresh},
    {"DBMS_MVIEW.REFRESH_ALL_MVIEWS",
     "NUMBER_OF_FAILURES,METHOD,ROLLBACK_SEG,REFRESH_AFTER_ERRORS,ATOMIC_REFRESH,OUT_OF_PLACE", 1, 1,
     mview_refresh_all},
    {"DBMS_STATS.GATHER_TABLE_STATS",
     "OWNNAME,TABNAME,PARTNAME,ESTIMATE_PERCENT,BLOCK_SAMPLE,METHOD_OPT,DEGREE,GRANULARITY,CASCADE,STATTAB,"
     "STATID,STATOWN,NO_INVALIDATE,STATTYPE,FORCE",
     2, 0, stats_gather_table},
    {"DBMS_STATS.GATHER_INDEX_STATS",
     "OWNNAME,INDNAME,PARTNAME,ESTIMATE_PERCENT,STATTAB,STATID,STATOWN,DEGREE,GRANULARITY,NO_INVALIDATE,"
     "STATTYPE,FORCE",
     2, 0, stats_gather_index},
    {"DBMS_STATS.GATHER_SCHEMA_STATS",
     "OWNNAME,ESTIMATE_PERCENT,BLOCK_SAMPLE,METHOD_OPT,DEGREE,GRANULARITY,CASCADE,STATTAB,STATID,OPTIONS,"
     "STATOWN,NO_INVALIDATE,GATHER_TEMP,GATHER_FIXED,STATTYPE,FORCE",
     1, 0, stats_gather_schema},
    {"DBMS_STATS.DELETE_TABLE_STATS",
     "OWNNAME,TABNAME,PARTNAME,STATTAB,STATID,CASCADE_PARTS,CASCADE_COLUMNS,CASCADE_INDEXES,STATOWN,"
     "NO_INVALIDATE,FORCE",
     2, 0, stats_delete_table},
    {"DBMS_STATS.DELETE_SCHEMA_STATS", "OWNNAME,STATTAB,STATID,STATOWN,NO_INVALIDATE,FORCE", 1, 0, stats_delete_schema},
    {"DBMS_STATS.LOCK_TABLE_STATS", "OWNNAME,TABNAME,STATTYPE", 2, 0, stats_lock_table},
    {"DBMS_STATS.UNLOCK_TABLE_STATS", "OWNNAME,TABNAME,STATTYPE", 2, 0, stats_unlock_table},
    {"DBMS_METADATA.SET_TRANSFORM_PARAM", "TRANSFORM_HANDLE,NAME,VALUE,OBJECT_TYPE,FLAGS", 3, 0, metadata_transform},
};

const struct {
    const char* package;
    const char* name;
    const char* sql;
} kConstants[] = {
    {"DBMS_LOB", "LOB_READONLY", "0"},
    {"DBMS_LOB", "LOB_READWRITE", "1"},
    {"DBMS_LOB", "CALL", "12"},
    {"DBMS_LOB", "SESSION", "10"},
    {"DBMS_LOB", "LOBMAXSIZE", "18446744073709551615"},
    {"DBMS_LOB", "DEFAULT_CSID", "0"},
    {"DBMS_LOB", "DEFAULT_LANG_CTX", "0"},
    {"DBMS_LOB", "NO_WARNING", "0"},
    {"DBMS_LOB", "WARN_INCONVERTIBLE_CHAR", "1"},
    {"DBMS_XMLGEN", "DROP_NULLS", "0"},
    {"DBMS_XMLGEN", "NULL_ATTR", "1"},
    {"DBMS_XMLGEN", "EMPTY_TAG", "2"},
    {"DBMS_XMLGEN", "NONE", "0"},
    {"DBMS_STATS", "AUTO_SAMPLE_SIZE", "0"},
    {"DBMS_STATS", "AUTO_CASCADE", "NULL"},
    {"DBMS_STATS", "AUTO_DEGREE", "32768"},
    {"DBMS_STATS", "DEFAULT_DEGREE", "32767"},
    {"DBMS_METADATA", "SESSION_TRANSFORM", "-1"},
};

}  // namespace

const PlSuppliedProc* plsql_supplied_procedure(const std::string& name) {
    for (const PlSuppliedProc& p : kProcedures)
        if (name == p.name) return &p;
    return nullptr;
}

bool plsql_supplied_package(const std::string& package) {
    for (const PlSuppliedProc& p : kProcedures) {
        const char* dot = std::strchr(p.name, '.');
        if (package.size() == static_cast<std::size_t>(dot - p.name) &&
            package.compare(0, package.size(), p.name, package.size()) == 0)
            return true;
    }
    return false;
}

std::vector<std::string> plsql_supplied_params(const PlSuppliedProc& p) {
    std::vector<std::string> out;
    std::string all = p.params;
    std::size_t at = 0;
    while (at < all.size()) {
        std::size_t comma = all.find(',', at);
        if (comma == std::string::npos) comma = all.size();
        out.push_back(all.substr(at, comma - at));
        at = comma + 1;
    }
    return out;
}

bool plsql_supplied_constant(const std::string& package, const std::string& name, std::string* sql) {
    for (const auto& c : kConstants)
        if (package == c.package && name == c.name) {
            *sql = c.sql;
            return true;
        }
    return false;
}
