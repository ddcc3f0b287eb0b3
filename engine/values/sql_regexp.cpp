// The regular-expression functions. Positions, occurrences and results count characters.
// NULL rules as Oracle's: a NULL source, pattern, position or occurrence gives NULL
// (REGEXP_REPLACE with a NULL pattern gives the source unchanged); a NULL match_param
// means the defaults; a NULL replacement removes what matched.
#include "values/sql_regexp.h"

#include "values/errors.h"
#include "values/regexp.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_format(code, ora_message(code, arg));
    text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

bool is_null(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

std::string text_of(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_value_bytes(v))) : "";
}

// A numeric argument, truncated to an integer as Oracle truncates positions.
std::int64_t integer_of(sqlite3_value* v) {
    if (sqlite3_value_type(v) == SQLITE_INTEGER) return sqlite3_value_int64(v);
    double d = std::trunc(sqlite3_value_double(v));
    if (d > 9.0e18) return INT64_C(9000000000000000000);
    if (d < -9.0e18) return -INT64_C(9000000000000000000);
    return static_cast<std::int64_t>(d);
}

// The pattern compiled with its flags, kept on the pattern argument for the statement.
struct Compiled {
    std::string pattern;
    std::string flags;
    Regex re;
};

void free_compiled(void* p) {
    delete static_cast<Compiled*>(p);
}

// The compiled pattern of argv[pat] with match_param argv[mp] (mp < 0: none); nullptr
// after raising the error.
const Regex* compiled(sqlite3_context* ctx, sqlite3_value** argv, int pat, int mp) {
    std::string pattern = text_of(argv[pat]);
    std::string flags = mp >= 0 && !is_null(argv[mp]) ? text_of(argv[mp]) : std::string();
    auto* kept = static_cast<Compiled*>(sqlite3_get_auxdata(ctx, pat));
    if (kept && kept->pattern == pattern && kept->flags == flags) return &kept->re;
    RegexFlags f;
    if (!regex_flags_parse(flags, &f)) {
        raise(ctx, 1760);
        return nullptr;
    }
    std::unique_ptr<Compiled> c(new Compiled);
    c->pattern = pattern;
    c->flags = flags;
    if (int e = regex_compile(pattern, f, &c->re)) {
        raise(ctx, e);
        return nullptr;
    }
    sqlite3_set_auxdata(ctx, pat, c.release(), free_compiled);
    kept = static_cast<Compiled*>(sqlite3_get_auxdata(ctx, pat));
    if (!kept) {
        sqlite3_result_error_nomem(ctx);
        return nullptr;
    }
    return &kept->re;
}

// The successive matches of a pattern from a position: after a match that consumed
// characters the next one starts where it ended, but may not be empty there; after an
// empty match the next one starts a character further.
class Matches {
public:
    Matches(RegexSubject* s, std::size_t from) : s_(s), at_(from) {}
    // 1 with the next match in groups, 0 when there is none, -12722 over budget.
    int next(std::vector<std::int32_t>* g) {
        for (;;) {
            if (at_ > s_->length()) return 0;
            int r = s_->search(at_, g);
            if (r <= 0) return r;
            std::int32_t start = (*g)[0], end = (*g)[1];
            if (start == end && start == forbid_) {
                at_ = static_cast<std::size_t>(start) + 1;
                continue;
            }
            at_ = static_cast<std::size_t>(end) + (start == end ? 1 : 0);
            forbid_ = start == end ? -1 : end;
            return 1;
        }
    }

private:
    RegexSubject* s_;
    std::size_t at_;
    std::int32_t forbid_ = -1;
};

// The occurrence-th match from character from; as Matches::next.
int nth_match(RegexSubject* s, std::size_t from, std::int64_t occurrence, std::vector<std::int32_t>* g) {
    Matches m(s, from);
    for (std::int64_t k = 1;; ++k) {
        int r = m.next(g);
        if (r <= 0 || k == occurrence) return r;
    }
}

// Checks a numeric argument against its lowest value (ORA-01428); false after raising.
bool at_least(sqlite3_context* ctx, std::int64_t v, std::int64_t lowest) {
    if (v >= lowest) return true;
    raise(ctx, 1428, std::to_string(v));
    return false;
}

void result_text(sqlite3_context* ctx, const std::string& s) {
    if (s.empty())
        sqlite3_result_null(ctx);
    else
        sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

// vantro_regexp_like(source, pattern, match_param)
void fn_like(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0]) || is_null(argv[1])) return sqlite3_result_null(ctx);
    const Regex* re = compiled(ctx, argv, 1, 2);
    if (!re) return;
    RegexSubject s(*re, text_of(argv[0]));
    std::vector<std::int32_t> g;
    int r = s.search(0, &g);
    if (r < 0) return raise(ctx, -r);
    sqlite3_result_int(ctx, r);
}

// vantro_regexp_substr(source, pattern, position, occurrence, match_param, subexpr)
void fn_substr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k : {0, 1, 2, 3, 5})
        if (is_null(argv[k])) return sqlite3_result_null(ctx);
    std::int64_t pos = integer_of(argv[2]), occ = integer_of(argv[3]), sub = integer_of(argv[5]);
    if (!at_least(ctx, pos, 1) || !at_least(ctx, occ, 1) || !at_least(ctx, sub, 0)) return;
    if (sub > 9) return raise(ctx, 1428, std::to_string(sub));
    const Regex* re = compiled(ctx, argv, 1, 4);
    if (!re) return;
    RegexSubject s(*re, text_of(argv[0]));
    if (static_cast<std::uint64_t>(pos) > s.length()) return sqlite3_result_null(ctx);
    std::vector<std::int32_t> g;
    int r = nth_match(&s, static_cast<std::size_t>(pos - 1), occ, &g);
    if (r < 0) return raise(ctx, -r);
    if (r == 0 || sub > re->groups || g[2 * sub] < 0) return sqlite3_result_null(ctx);
    std::size_t b = s.byte_offset(static_cast<std::size_t>(g[2 * sub]));
    std::size_t e = s.byte_offset(static_cast<std::size_t>(g[2 * sub + 1]));
    result_text(ctx, s.text().substr(b, e - b));
}

// vantro_regexp_instr(source, pattern, position, occurrence, return_option, match_param,
// subexpr)
void fn_instr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k : {0, 1, 2, 3, 4, 6})
        if (is_null(argv[k])) return sqlite3_result_null(ctx);
    std::int64_t pos = integer_of(argv[2]), occ = integer_of(argv[3]);
    std::int64_t ret = integer_of(argv[4]), sub = integer_of(argv[6]);
    if (!at_least(ctx, pos, 1) || !at_least(ctx, occ, 1) || !at_least(ctx, ret, 0) || !at_least(ctx, sub, 0)) return;
    if (sub > 9) return raise(ctx, 1428, std::to_string(sub));
    const Regex* re = compiled(ctx, argv, 1, 5);
    if (!re) return;
    RegexSubject s(*re, text_of(argv[0]));
    if (static_cast<std::uint64_t>(pos) > s.length()) return sqlite3_result_int(ctx, 0);
    std::vector<std::int32_t> g;
    int r = nth_match(&s, static_cast<std::size_t>(pos - 1), occ, &g);
    if (r < 0) return raise(ctx, -r);
    if (r == 0 || sub > re->groups || g[2 * sub] < 0) return sqlite3_result_int(ctx, 0);
    sqlite3_result_int64(ctx, (ret == 0 ? g[2 * sub] : g[2 * sub + 1]) + 1);
}

// The replacement text for one match: \1 to \9 are the groups, \\ is a backslash.
void append_replacement(const RegexSubject& s, const std::string& repl, const std::vector<std::int32_t>& g,
                        std::string* out) {
    for (std::size_t i = 0; i < repl.size(); ++i) {
        char c = repl[i];
        if (c != '\\' || i + 1 >= repl.size()) {
            out->push_back(c);
            continue;
        }
        char d = repl[i + 1];
        if (d == '\\') {
            out->push_back('\\');
            ++i;
        } else if (d >= '1' && d <= '9') {
            std::size_t k = static_cast<std::size_t>(d - '0');
            if (2 * k + 1 < g.size() && g[2 * k] >= 0) {
                std::size_t b = s.byte_offset(static_cast<std::size_t>(g[2 * k]));
                std::size_t e = s.byte_offset(static_cast<std::size_t>(g[2 * k + 1]));
                out->append(s.text(), b, e - b);
            }
            ++i;
        } else {
            out->push_back(c);
        }
    }
}

// vantro_regexp_replace(source, pattern, replacement, position, occurrence, match_param)
void fn_replace(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (is_null(argv[0])) return sqlite3_result_null(ctx);
    if (is_null(argv[1])) return sqlite3_result_value(ctx, argv[0]);
    if (is_null(argv[3]) || is_null(argv[4])) return sqlite3_result_null(ctx);
    std::int64_t pos = integer_of(argv[3]), occ = integer_of(argv[4]);
    if (!at_least(ctx, pos, 1) || !at_least(ctx, occ, 0)) return;
    const Regex* re = compiled(ctx, argv, 1, 5);
    if (!re) return;
    std::string repl = is_null(argv[2]) ? std::string() : text_of(argv[2]);
    RegexSubject s(*re, text_of(argv[0]));
    if (static_cast<std::uint64_t>(pos) > s.length()) return sqlite3_result_value(ctx, argv[0]);
    Matches m(&s, static_cast<std::size_t>(pos - 1));
    std::vector<std::int32_t> g;
    std::string out;
    std::size_t copied = 0;  // bytes of the source already in out
    for (std::int64_t k = 1;; ++k) {
        int r = m.next(&g);
        if (r < 0) return raise(ctx, -r);
        if (r == 0) break;
        if (occ != 0 && k < occ) continue;
        std::size_t b = s.byte_offset(static_cast<std::size_t>(g[0]));
        out.append(s.text(), copied, b - copied);
        append_replacement(s, repl, g, &out);
        copied = s.byte_offset(static_cast<std::size_t>(g[1]));
        if (occ != 0) break;
    }
    out.append(s.text(), copied, std::string::npos);
    result_text(ctx, out);
}

// vantro_regexp_count(source, pattern, position, match_param)
void fn_count(sqlite3_context* ctx, int, sqlite3_value** argv) {
    for (int k : {0, 1, 2})
        if (is_null(argv[k])) return sqlite3_result_null(ctx);
    std::int64_t pos = integer_of(argv[2]);
    if (!at_least(ctx, pos, 1)) return;
    const Regex* re = compiled(ctx, argv, 1, 3);
    if (!re) return;
    RegexSubject s(*re, text_of(argv[0]));
    if (static_cast<std::uint64_t>(pos) > s.length()) return sqlite3_result_int(ctx, 0);
    Matches m(&s, static_cast<std::size_t>(pos - 1));
    std::vector<std::int32_t> g;
    std::int64_t count = 0;
    for (;;) {
        int r = m.next(&g);
        if (r < 0) return raise(ctx, -r);
        if (r == 0) break;
        ++count;
    }
    sqlite3_result_int64(ctx, count);
}

// The catalogue's functions: the SQLite function, each argument's kind (t text, n
// number) and the defaults of the optional ones.
struct RegexpRow {
    const char* name;
    const char* fn;
    const char* kinds;
    const char* defaults[7];
    bool number_result;
};

const RegexpRow kRows[] = {
    {"REGEXP_SUBSTR", "vantro_regexp_substr", "ttnntn", {"", "", "1", "1", "NULL", "0"}, false},
    {"REGEXP_INSTR", "vantro_regexp_instr", "ttnnntn", {"", "", "1", "1", "0", "NULL", "0"}, true},
    {"REGEXP_REPLACE", "vantro_regexp_replace", "tttnnt", {"", "", "NULL", "1", "0", "NULL"}, false},
    {"REGEXP_COUNT", "vantro_regexp_count", "ttnt", {"", "", "1", "NULL"}, true},
};

std::string number_of(const DialectArg& a) {
    return a.type.code == kTypeNumber ? a.sql : "vantro_to_number(" + a.sql + ")";
}

struct Registration {
    const char* name;
    int args;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
};

const Registration kRegistrations[] = {
    {"vantro_regexp_like", 3, fn_like},   {"vantro_regexp_substr", 6, fn_substr},
    {"vantro_regexp_instr", 7, fn_instr}, {"vantro_regexp_replace", 6, fn_replace},
    {"vantro_regexp_count", 4, fn_count},
};

}  // namespace

std::string regexp_function_sql(const std::string& name, const std::vector<DialectArg>& a, OraType* type) {
    for (const RegexpRow& row : kRows) {
        if (name != row.name) continue;
        std::string sql = std::string(row.fn) + "(";
        std::size_t n = std::strlen(row.kinds);
        for (std::size_t i = 0; i < n; ++i) {
            if (i) sql += ",";
            if (i >= a.size())
                sql += row.defaults[i];
            else
                sql += row.kinds[i] == 'n' ? number_of(a[i]) : a[i].text_sql;
        }
        *type = OraType();
        if (row.number_result) {
            type->code = kTypeNumber;
            type->size = 22;
            type->scale = -127;
        } else {
            type->code = kTypeVarchar2;
            std::uint32_t size = name == "REGEXP_SUBSTR" ? a[0].text_size : 4000;
            type->size = size == 0 ? 1 : (size > 4000 ? 4000 : size);
        }
        return sql + ")";
    }
    return "NULL";
}

std::string regexp_like_sql(const std::string& source, const std::string& pattern, const std::string& match_param) {
    // Parenthesised as every condition is: CHECK takes it as written.
    return "(vantro_regexp_like(" + source + "," + pattern + "," + (match_param.empty() ? "NULL" : match_param) + "))";
}

bool regexp_functions_register(sqlite3* db) {
    for (const Registration& r : kRegistrations)
        if (sqlite3_create_function(db, r.name, r.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, r.fn, nullptr,
                                    nullptr) != SQLITE_OK)
            return false;
    return true;
}
