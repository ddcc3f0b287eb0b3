// The session's cursor cache: each statement the client executes is kept under its
// SQL_ID (computed from its text as Oracle computes it) with its text, parsing schema and
// number of executions. V$SQL and V$SQLAREA list it, V$SESSION names the current and the
// previous statement, and DBMS_XPLAN.DISPLAY_CURSOR shows a cached statement's plan,
// explained again when it is asked for. Statements PL/SQL runs inside a call are not
// kept. The cache lives in memory, so a rollback does not undo it.
#include "catalog/catalog.h"
#include "oci/engine.h"
#include "plsql/plsql.h"
#include "sql/explain_plan.h"
#include "sql/sql_translate.h"
#include "values/errors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// How many statements the cache keeps; the least recently run goes first.
constexpr std::size_t kCachedCursorsMax = 500;
// SQL_TEXT of V$SQL: the first 1000 bytes, cut at a character's start.
constexpr std::size_t kSqlTextBytes = 1000;

// MD5 of data (RFC 1321).
void sql_cache_md5(const std::string& data, unsigned char out[16]) {
    static const std::uint32_t kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
    // The sine table of the algorithm, made once.
    static const std::array<std::uint32_t, 64> k = [] {
        std::array<std::uint32_t, 64> t{};
        for (int i = 0; i < 64; ++i)
            t[static_cast<std::size_t>(i)] =
                static_cast<std::uint32_t>(std::floor(std::fabs(std::sin(static_cast<double>(i + 1))) * 4294967296.0));
        return t;
    }();
    std::uint32_t h[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::string msg = data;
    const std::uint64_t bits = static_cast<std::uint64_t>(data.size()) * 8;
    msg += static_cast<char>(0x80);
    while (msg.size() % 64 != 56) msg += '\0';
    for (int i = 0; i < 8; ++i) msg += static_cast<char>((bits >> (8 * i)) & 0xff);
    for (std::size_t block = 0; block < msg.size(); block += 64) {
        std::uint32_t m[16];
        for (int i = 0; i < 16; ++i) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(msg.data() + block + 4 * i);
            m[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
        }
        std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; ++i) {
            std::uint32_t f;
            int g;
            if (i < 16) {
                f = (b & c) | (~b & d);
                g = i;
            } else if (i < 32) {
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
            } else if (i < 48) {
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
            } else {
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
            }
            f = f + a + k[i] + m[g];
            a = d;
            d = c;
            c = b;
            b = b + ((f << kShift[i]) | (f >> (32 - kShift[i])));
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out[4 * i + j] = static_cast<unsigned char>((h[i] >> (8 * j)) & 0xff);
}

std::uint32_t sql_cache_word(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string sql_cache_json_text(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

SessionHandle* sql_cache_session(sqlite3_context* ctx) {
    return static_cast<SessionHandle*>(sqlite3_user_data(ctx));
}

const CachedCursor* sql_cache_find(const SessionHandle* ses, const std::string& sql_id) {
    for (const CachedCursor& c : ses->cursors)
        if (c.sql_id == sql_id) return &c;
    return nullptr;
}

// The plan of a cached statement, explained now in its parsing schema; empty when it has
// none (a PL/SQL block, DDL) or cannot be explained any more.
std::vector<std::string> sql_cache_plan(SessionHandle* ses, sqlite3* db, const CachedCursor& c, int level) {
    SqliteCatalog catalog(db);
    TranslateContext tc;
    tc.schema = c.schema;
    tc.nls_date_format = ses->settings.nls_date_format;
    tc.nls_timestamp_format = ses->settings.nls_timestamp_format;
    tc.nls_timestamp_tz_format = ses->settings.nls_timestamp_tz_format;
    tc.char_semantics = ses->settings.nls_length_semantics == "CHAR";
    tc.catalog = &catalog;
    tc.stored_function = plsql_function_lookup;
    tc.stored_function_data = db;
    const std::string clear = std::string("DELETE FROM ") + kCursorPlanTable;
    sqlite3_exec(db, clear.c_str(), nullptr, nullptr, nullptr);
    unsigned rows = 0;
    OraError err;
    std::vector<std::string> lines;
    if (explain_statement_into(c.text, tc, db, kCursorPlanTable, "", &rows, &err) && rows > 0)
        lines = xplan_plan_lines(db, kCursorPlanTable, level, true);
    sqlite3_exec(db, clear.c_str(), nullptr, nullptr, nullptr);
    return lines;
}

// vantro_xplan_cursor(sql_id, child_number, format): the lines of
// DBMS_XPLAN.DISPLAY_CURSOR as a JSON array. A null sql_id is the session's previous
// statement (the one before the query that asks); a null child number takes every child.
void sql_cache_fn_xplan_cursor(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SessionHandle* ses = sql_cache_session(ctx);
    sqlite3* db = sqlite3_context_db_handle(ctx);
    std::string format = "TYPICAL";
    if (sqlite3_value_type(argv[2]) != SQLITE_NULL) {
        const unsigned char* f = sqlite3_value_text(argv[2]);
        format = f ? reinterpret_cast<const char*>(f) : "";
    }
    const int level = xplan_format_level(format);
    if (level < 0) {
        std::string text = ora_line(6502, ": format '" + format + "' is not BASIC, TYPICAL, SERIAL or ALL");
        while (!text.empty() && text.back() == '\n') text.pop_back();
        return sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
    }
    const bool by_id = sqlite3_value_type(argv[0]) != SQLITE_NULL;
    std::string sql_id = ses->prev_sql_id;
    if (by_id) {
        const unsigned char* t = sqlite3_value_text(argv[0]);
        sql_id = t ? reinterpret_cast<const char*>(t) : "";
    }
    const bool any_child = by_id && sqlite3_value_type(argv[1]) == SQLITE_NULL;
    double child = by_id && !any_child ? sqlite3_value_double(argv[1]) : 0;
    const CachedCursor* c = sql_cache_find(ses, sql_id);
    std::vector<std::string> lines;
    if (!c || (!any_child && child != 0)) {
        char number[32];
        std::snprintf(number, sizeof number, "%.15g", child);
        lines.push_back("SQL_ID: " + sql_id + (any_child ? std::string() : ", child number: " + std::string(number)) +
                        " cannot be found");
    } else {
        const std::string heading = "SQL_ID  " + c->sql_id + ", child number 0";
        std::vector<std::string> plan = sql_cache_plan(ses, db, *c, level);
        lines.push_back(heading);
        lines.push_back(plan.empty() ? std::string() : std::string(heading.size(), '-'));
        // The text line by line, each at most as wide as PLAN_TABLE_OUTPUT (300 bytes).
        std::size_t at = 0;
        const std::string& text = c->text;
        while (at <= text.size()) {
            std::size_t nl = text.find('\n', at);
            std::string line = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            do {
                std::size_t n = std::min<std::size_t>(300, line.size());
                while (n > 0 && n < line.size() && (static_cast<unsigned char>(line[n]) & 0xC0) == 0x80) --n;
                if (n == 0) n = std::min<std::size_t>(300, line.size());
                lines.push_back(line.substr(0, n));
                line.erase(0, n);
            } while (!line.empty());
            if (nl == std::string::npos) break;
            at = nl + 1;
        }
        lines.push_back("");
        if (plan.empty()) {
            lines.push_back("NOTE: cannot fetch plan for SQL_ID: " + c->sql_id + ", CHILD_NUMBER: 0");
            lines.push_back("      Please verify value of SQL_ID and CHILD_NUMBER;");
            lines.push_back("      It could also be that the plan is no longer in cursor cache (check v$sql_plan)");
        } else {
            lines.insert(lines.end(), plan.begin(), plan.end());
        }
        lines.push_back("");
    }
    std::string json = xplan_lines_json(lines);
    sqlite3_result_text(ctx, json.c_str(), static_cast<int>(json.size()), SQLITE_TRANSIENT);
}

// vantro_sql_area(): the cached statements as a JSON array of
// [sql_id, hash_value, sql_text, sql_fulltext, executions, parsing_schema].
void sql_cache_fn_area(sqlite3_context* ctx, int, sqlite3_value**) {
    SessionHandle* ses = sql_cache_session(ctx);
    std::string json = "[";
    for (const CachedCursor& c : ses->cursors) {
        std::size_t n = std::min(kSqlTextBytes, c.text.size());
        while (n > 0 && n < c.text.size() && (static_cast<unsigned char>(c.text[n]) & 0xC0) == 0x80) --n;
        if (json.size() > 1) json += ',';
        json += "[" + sql_cache_json_text(c.sql_id) + "," + std::to_string(c.hash_value) + "," +
                sql_cache_json_text(c.text.substr(0, n)) + "," + sql_cache_json_text(c.text) + "," +
                std::to_string(c.executions) + "," + sql_cache_json_text(c.schema) + "]";
    }
    json += "]";
    sqlite3_result_text(ctx, json.c_str(), static_cast<int>(json.size()), SQLITE_TRANSIENT);
}

// vantro_sql_cursor_id(which): the SQL_ID of the session's current statement ('CURRENT')
// or the one before it ('PREV'); null when there is none.
void sql_cache_fn_cursor_id(sqlite3_context* ctx, int, sqlite3_value** argv) {
    SessionHandle* ses = sql_cache_session(ctx);
    const unsigned char* w = sqlite3_value_text(argv[0]);
    const std::string& id = w && std::strcmp(reinterpret_cast<const char*>(w), "PREV") == 0 ? ses->prev_sql_id
                                                                                           : ses->cur_sql_id;
    if (id.empty()) return sqlite3_result_null(ctx);
    sqlite3_result_text(ctx, id.c_str(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
}

}  // namespace

std::string sql_id_of(const std::string& text, std::uint32_t* hash_value) {
    unsigned char digest[16];
    sql_cache_md5(text + std::string(1, '\0'), digest);
    const std::uint64_t v = (static_cast<std::uint64_t>(sql_cache_word(digest + 8)) << 32) | sql_cache_word(digest + 12);
    if (hash_value) *hash_value = sql_cache_word(digest + 12);
    static const char kAlphabet[] = "0123456789abcdfghjkmnpqrstuvwxyz";
    std::string id(13, '0');
    for (int i = 0; i < 13; ++i) id[static_cast<std::size_t>(i)] = kAlphabet[(v >> (5 * (12 - i))) & 31];
    return id;
}

void sql_cache_record(SessionHandle* ses, const std::string& text) {
    std::uint32_t hash = 0;
    std::string id = sql_id_of(text, &hash);
    const std::string schema = ses->settings.current_schema.empty() ? ses->user : ses->settings.current_schema;
    ses->prev_sql_id = ses->cur_sql_id;
    ses->cur_sql_id = id;
    ++ses->cursor_uses;
    auto slot = ses->cursor_slots.find(id);
    if (slot != ses->cursor_slots.end()) {
        CachedCursor& c = ses->cursors[slot->second];
        ++c.executions;
        c.last_use = ses->cursor_uses;
        return;
    }
    if (ses->cursors.size() >= kCachedCursorsMax) {
        // The least recently run half goes at once, so that a script of distinct statements
        // pays for the eviction once per half cache, not at every statement. The previous
        // statement is the most recently run and stays.
        std::vector<std::uint64_t> uses;
        uses.reserve(ses->cursors.size());
        for (const CachedCursor& c : ses->cursors) uses.push_back(c.last_use);
        const std::size_t keep = kCachedCursorsMax / 2;
        std::nth_element(uses.begin(), uses.begin() + static_cast<std::ptrdiff_t>(uses.size() - keep), uses.end());
        const std::uint64_t oldest_kept = uses[uses.size() - keep];
        ses->cursors.erase(std::remove_if(ses->cursors.begin(), ses->cursors.end(),
                                          [&](const CachedCursor& c) { return c.last_use < oldest_kept; }),
                           ses->cursors.end());
        ses->cursor_slots.clear();
        for (std::size_t i = 0; i < ses->cursors.size(); ++i) ses->cursor_slots[ses->cursors[i].sql_id] = i;
    }
    CachedCursor c;
    c.sql_id = id;
    c.hash_value = hash;
    c.text = text;
    c.schema = schema;
    c.executions = 1;
    c.last_use = ses->cursor_uses;
    ses->cursor_slots[c.sql_id] = ses->cursors.size();
    ses->cursors.push_back(std::move(c));
}

bool sql_cache_register(sqlite3* db, SessionHandle* ses) {
    return sqlite3_create_function(db, "vantro_xplan_cursor", 3, SQLITE_UTF8, ses, sql_cache_fn_xplan_cursor,
                                   nullptr, nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_sql_area", 0, SQLITE_UTF8, ses, sql_cache_fn_area, nullptr,
                                   nullptr) == SQLITE_OK &&
           sqlite3_create_function(db, "vantro_sql_cursor_id", 1, SQLITE_UTF8, ses, sql_cache_fn_cursor_id, nullptr,
                                   nullptr) == SQLITE_OK;
}
