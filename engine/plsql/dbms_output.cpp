// DBMS_OUTPUT: the per-session buffer of lines a block writes and the client reads back
// with GET_LINE. Buffer and line limits are Oracle's, with its ORU- errors raised as
// ORA-20000. It knows nothing of OCI or SQLite.
#include "plsql/plsql.h"

namespace {

constexpr std::size_t kMaxLine = 32767;
constexpr std::int64_t kMinBuffer = 2000;
constexpr std::int64_t kMaxBuffer = 1000000;

bool raise(PlError* err, const std::string& text) {
    err->code = 20000;
    err->message = text;
    return false;
}

}  // namespace

PlSessionState* plsql_session(SessionHandle* s) {
    if (!s->plsql) s->plsql = new PlSessionState;
    return s->plsql;
}

void plsql_session_free(SessionHandle* s) {
    delete s->plsql;
    s->plsql = nullptr;
}

void dbms_output_enable(DbmsOutput* o, bool unlimited, std::int64_t size) {
    if (unlimited) {
        o->limit = 0;
    } else {
        if (size < kMinBuffer) size = kMinBuffer;
        if (size > kMaxBuffer) size = kMaxBuffer;
        o->limit = static_cast<std::size_t>(size);
    }
    o->enabled = true;
}

void dbms_output_disable(DbmsOutput* o) {
    o->enabled = false;
    o->lines.clear();
    o->partial.clear();
    o->used = 0;
    o->next = 0;
    o->reading = false;
}

static void discard_read_lines(DbmsOutput* o) {
    // Lines not read before the next PUT after a GET are discarded.
    if (!o->reading) return;
    o->lines.clear();
    o->next = 0;
    o->used = o->partial.size();
    o->reading = false;
}

bool dbms_output_put(DbmsOutput* o, const std::string& text, PlError* err) {
    if (!o->enabled) return true;
    discard_read_lines(o);
    if (o->partial.size() + text.size() > kMaxLine)
        return raise(err, "ORU-10028: line length overflow, limit of 32767 bytes per line");
    if (o->limit != 0 && o->used + text.size() > o->limit)
        return raise(err, "ORU-10027: buffer overflow, limit of " + std::to_string(o->limit) + " bytes");
    o->partial += text;
    o->used += text.size();
    return true;
}

bool dbms_output_new_line(DbmsOutput* o, PlError* err) {
    if (!o->enabled) return true;
    discard_read_lines(o);
    if (o->limit != 0 && o->used + 1 > o->limit)
        return raise(err, "ORU-10027: buffer overflow, limit of " + std::to_string(o->limit) + " bytes");
    ++o->used;
    o->lines.push_back(std::move(o->partial));
    o->partial.clear();
    return true;
}

bool dbms_output_get_line(DbmsOutput* o, std::string* line) {
    o->reading = true;
    if (!o->enabled || o->next >= o->lines.size()) {
        line->clear();
        if (o->next >= o->lines.size() && !o->lines.empty()) {
            o->lines.clear();
            o->next = 0;
            o->used = o->partial.size();
        }
        return false;
    }
    *line = std::move(o->lines[o->next++]);
    std::size_t freed = line->size() + 1;
    o->used = o->used > freed ? o->used - freed : 0;
    return true;
}
