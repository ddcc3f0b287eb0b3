// DBMS_XPLAN.DISPLAY (and the plan part of DISPLAY_CURSOR): the rows of one plan in a
// plan table laid out as Oracle's plan table output: the plan hash value, the boxed
// table of steps (its columns as wide as their widest value) and the predicates of the
// steps that have them. The SQL function
// vantro_xplan_display returns the lines as a JSON array, which TABLE() reads row by row
// (sql/sql_translate_collections.cpp). It only reads the plan table.
#include "sql/explain_plan.h"

#include "values/errors.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct PlanLine {
    long long id = 0, depth = 0;
    std::string operation, name, rows, bytes, cost, cpu, time, access, filter, qblock, alias;
};

std::string column_text_value(sqlite3_value* v) {
    const unsigned char* t = sqlite3_value_text(v);
    return t ? reinterpret_cast<const char*>(t) : "";
}

std::string column_text(sqlite3_stmt* st, int i) {
    const unsigned char* t = sqlite3_column_text(st, i);
    return t ? reinterpret_cast<const char*>(t) : "";
}

// A count as the plan shows it: five digits at most, else in thousands (K), millions
// (M) and so on.
std::string shown_count(sqlite3_stmt* st, int i) {
    if (sqlite3_column_type(st, i) == SQLITE_NULL) return "";
    double v = sqlite3_column_double(st, i);
    static const char* const kUnits[] = {"", "K", "M", "G", "T", "P", "E"};
    int unit = 0;
    while (v > 99999 && unit < 6) {
        v /= 1000;
        ++unit;
    }
    return std::to_string(static_cast<long long>(v + 0.5)) + kUnits[unit];
}

std::string shown_time(sqlite3_stmt* st, int i) {
    if (sqlite3_column_type(st, i) == SQLITE_NULL) return "";
    long long t = sqlite3_column_int64(st, i);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", t / 3600, t / 60 % 60, t % 60);
    return buf;
}

std::string pad_right(const std::string& s, std::size_t w) {
    return s.size() >= w ? s : s + std::string(w - s.size(), ' ');
}
std::string pad_left(const std::string& s, std::size_t w) {
    return s.size() >= w ? s : std::string(w - s.size(), ' ') + s;
}

std::string upper_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A table name argument: [owner.]table, upper case unless quoted.
std::vector<std::string> name_parts(const std::string& text) {
    std::vector<std::string> parts;
    std::string cur;
    bool quoted = false, was_quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            was_quoted = true;
        } else if (c == '.' && !quoted) {
            parts.push_back(was_quoted ? cur : upper_ascii(cur));
            cur.clear();
            was_quoted = false;
        } else {
            cur += c;
        }
    }
    parts.push_back(was_quoted ? cur : upper_ascii(cur));
    return parts;
}

std::string quoted(const std::string& name) {
    std::string q = "\"";
    for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

void json_string(const std::string& s, std::string* out) {
    *out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            *out += '\\';
            *out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            *out += buf;
        } else {
            *out += static_cast<char>(c);
        }
    }
    *out += '"';
}

void raise(sqlite3_context* ctx, int code, const std::string& arg = {}) {
    std::string text = ora_line(code, arg);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

enum class Level { Basic, Typical, All };

// The width of PLAN_TABLE_OUTPUT.
constexpr std::size_t kLineWidth = 300;

// Adds lead + text as lines of at most kLineWidth bytes, the continuations indented as
// far as lead; a cut never splits a character.
void add_wrapped(std::string lead, const std::string& text, std::vector<std::string>* out) {
    std::size_t at = 0;
    do {
        std::size_t room = kLineWidth > lead.size() ? kLineWidth - lead.size() : 1;
        std::size_t n = std::min(room, text.size() - at);
        while (n > 0 && at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) --n;
        if (n == 0) n = std::min(room, text.size() - at);
        out->push_back(lead + text.substr(at, n));
        at += n;
        lead = std::string(lead.size(), ' ');
    } while (at < text.size());
}

// The boxed table and the sections after it.
std::vector<std::string> layout(std::vector<PlanLine> plan, Level level, std::uint32_t hash, bool cursor) {
    // A cursor's plan shows its statement's cost at line 0 as the whole of it (100%), no
    // estimate of rows, bytes or time.
    if (cursor && !plan.empty() && plan[0].id == 0) {
        plan[0].rows.clear();
        plan[0].bytes.clear();
        plan[0].time.clear();
        if (!plan[0].cost.empty()) plan[0].cpu = "100";
    }
    std::vector<std::string> out;
    out.push_back("Plan hash value: " + std::to_string(hash));
    out.push_back("");
    const bool typical = level != Level::Basic;
    std::size_t id_w = 3, op_w = 10, name_w = 4, rows_w = 5, bytes_w = 5, cost_w = 5, time_w = 8;
    bool any_time = false;
    for (const PlanLine& l : plan) {
        id_w = std::max(id_w, std::to_string(l.id).size());
        op_w = std::max(op_w, static_cast<std::size_t>(1 + l.depth) + l.operation.size());
        name_w = std::max(name_w, l.name.size());
        rows_w = std::max(rows_w, l.rows.size());
        bytes_w = std::max(bytes_w, l.bytes.size());
        cost_w = std::max(cost_w, l.cost.size());
        time_w = std::max(time_w, l.time.size());
        any_time = any_time || !l.time.empty();
    }
    auto row = [&](const std::string& id, const std::string& op, const std::string& name, const std::string& rows,
                   const std::string& bytes, const std::string& cost, const std::string& time) {
        std::string r = "|" + id + " |" + pad_right(op, op_w) + "| " + pad_right(name, name_w) + " |";
        if (typical) {
            r += " " + rows + " | " + bytes + " | " + cost + "|";
            if (any_time) r += " " + time + " |";
        }
        return r;
    };
    std::string header =
        row(pad_right(" Id", id_w + 1), " Operation", "Name", pad_right("Rows", rows_w), pad_right("Bytes", bytes_w),
            pad_left("Cost (%CPU)", cost_w + 6), pad_right("Time", time_w));
    const std::string dashes(header.size(), '-');
    out.push_back(dashes);
    out.push_back(header);
    out.push_back(dashes);
    for (const PlanLine& l : plan) {
        bool starred = typical && (!l.access.empty() || !l.filter.empty());
        std::string cost =
            l.cost.empty() ? std::string(cost_w + 6, ' ') : pad_left(l.cost, cost_w) + pad_left("(" + l.cpu + ")", 6);
        out.push_back(row((starred ? "*" : " ") + pad_left(std::to_string(l.id), id_w),
                          " " + std::string(static_cast<std::size_t>(l.depth), ' ') + l.operation, l.name,
                          pad_left(l.rows, rows_w), pad_left(l.bytes, bytes_w), cost, pad_right(l.time, time_w)));
    }
    out.push_back(dashes);
    if (level == Level::All) {
        bool any = false;
        for (const PlanLine& l : plan) any = any || !l.qblock.empty();
        if (any) {
            out.push_back("");
            out.push_back("Query Block Name / Object Alias (identified by operation id):");
            out.push_back("-------------------------------------------------------------");
            out.push_back("");
            for (const PlanLine& l : plan)
                if (!l.qblock.empty())
                    out.push_back(pad_left(std::to_string(l.id), 4) + " - " + l.qblock +
                                  (l.alias.empty() ? "" : " / " + l.alias));
        }
    }
    if (typical) {
        bool any = false;
        for (const PlanLine& l : plan) any = any || !l.access.empty() || !l.filter.empty();
        if (any) {
            out.push_back("");
            out.push_back("Predicate Information (identified by operation id):");
            out.push_back("---------------------------------------------------");
            out.push_back("");
            for (const PlanLine& l : plan) {
                std::string lead = pad_left(std::to_string(l.id), 4) + " - ";
                if (!l.access.empty()) {
                    add_wrapped(lead, "access(" + l.access + ")", &out);
                    lead = std::string(lead.size(), ' ');
                }
                if (!l.filter.empty()) add_wrapped(lead, "filter(" + l.filter + ")", &out);
            }
        }
    }
    return out;
}

// The query of a plan table's latest plan (of statement id ?1 with has_id).
std::string plan_query(const std::string& source, bool has_id) {
    return "SELECT \"ID\",\"DEPTH\",\"OPERATION\",\"OPTIONS\",\"OBJECT_NAME\",\"CARDINALITY\",\"BYTES\",\"COST\","
           "\"IO_COST\",\"TIME\",\"ACCESS_PREDICATES\",\"FILTER_PREDICATES\",\"QBLOCK_NAME\",\"OBJECT_ALIAS\" FROM " +
           source + " WHERE \"PLAN_ID\"=(SELECT max(\"PLAN_ID\") FROM " + source +
           (has_id ? " WHERE \"STATEMENT_ID\"=?1" : "") + ") ORDER BY \"ID\"";
}

// The steps plan_query's statement st reads (finalized here), and the hash of their shape.
std::vector<PlanLine> read_plan(sqlite3_stmt* st, std::uint32_t* shape_hash) {
    std::vector<PlanLine> plan;
    std::uint32_t hash = 2166136261u;
    while (sqlite3_step(st) == SQLITE_ROW) {
        PlanLine l;
        l.id = sqlite3_column_int64(st, 0);
        l.depth = std::max(0LL, std::min(100LL, static_cast<long long>(sqlite3_column_int64(st, 1))));
        std::string options = column_text(st, 3);
        l.operation = column_text(st, 2) + (options.empty() ? "" : " " + options);
        l.name = column_text(st, 4);
        l.rows = shown_count(st, 5);
        l.bytes = shown_count(st, 6);
        l.cost = shown_count(st, 7);
        if (!l.cost.empty()) {
            double cost = sqlite3_column_double(st, 7), io = sqlite3_column_double(st, 8);
            long long cpu = cost > 0 && sqlite3_column_type(st, 8) != SQLITE_NULL
                                ? static_cast<long long>((cost - io) / cost * 100 + 0.5)
                                : 0;
            l.cpu = std::to_string(std::max(0LL, cpu));
        }
        l.time = shown_time(st, 9);
        l.access = column_text(st, 10);
        l.filter = column_text(st, 11);
        l.qblock = column_text(st, 12);
        l.alias = column_text(st, 13);
        // The plan's shape: its steps, their order and the objects they read.
        for (unsigned char c : std::to_string(l.id) + "/" + std::to_string(l.depth) + l.operation + "/" + l.name + ";")
            hash = (hash ^ c) * 16777619u;
        plan.push_back(std::move(l));
    }
    sqlite3_finalize(st);
    *shape_hash = hash;
    return plan;
}

// vantro_xplan_display(schema, table_name, statement_id, format)
void fn_xplan_display(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3* db = sqlite3_context_db_handle(ctx);
    std::string schema = column_text_value(argv[0]);
    std::string table_arg = sqlite3_value_type(argv[1]) == SQLITE_NULL ? "PLAN_TABLE" : column_text_value(argv[1]);
    bool has_id = sqlite3_value_type(argv[2]) != SQLITE_NULL;
    std::string statement_id = has_id ? column_text_value(argv[2]) : "";
    std::string format =
        sqlite3_value_type(argv[3]) == SQLITE_NULL ? "TYPICAL" : upper_ascii(column_text_value(argv[3]));
    while (!format.empty() && format.back() == ' ') format.pop_back();
    while (!format.empty() && format.front() == ' ') format.erase(0, 1);
    const int level_number = xplan_format_level(format);
    const Level level = static_cast<Level>(std::max(0, level_number));
    if (level_number < 0)
        return raise(ctx, 6502, ": format '" + format + "' is not BASIC, TYPICAL, SERIAL or ALL");

    std::vector<std::string> parts = name_parts(table_arg);
    if (parts.size() > 2 || parts.back().empty()) return raise(ctx, 942);
    // Another schema's plan table would be read past its grants: only the session's own.
    if (parts.size() == 2 && parts[0] != schema) return raise(ctx, 942);
    std::string owner = parts.size() == 2 ? parts[0] : schema, table = parts.back();
    std::string source;
    {
        sqlite3_stmt* q = nullptr;
        bool exists = sqlite3_prepare_v2(db, "SELECT 1 FROM pragma_table_info(?1,?2)", -1, &q, nullptr) == SQLITE_OK;
        if (exists) {
            sqlite3_bind_text(q, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(q, 2, owner.c_str(), -1, SQLITE_TRANSIENT);
            exists = sqlite3_step(q) == SQLITE_ROW;
        }
        sqlite3_finalize(q);
        if (exists)
            source = quoted(owner) + "." + quoted(table);
        else if (parts.size() == 1 && table == "PLAN_TABLE")
            source = "temp.\"PLAN_TABLE\"";
        else
            return raise(ctx, 942);
    }
    // The plan: the statement's latest one, or the latest of all without a statement id.
    std::string sql = plan_query(source, has_id);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        OraError e = ora_from_sqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return sqlite3_result_error(ctx, e.message.c_str(), -1);
    }
    if (has_id) sqlite3_bind_text(st, 1, statement_id.c_str(), -1, SQLITE_TRANSIENT);
    std::uint32_t hash = 0;
    std::vector<PlanLine> plan = read_plan(st, &hash);
    std::vector<std::string> lines;
    if (plan.empty())
        lines.push_back(has_id ? "Error: cannot fetch plan for statement_id '" + statement_id + "'"
                               : "Error: cannot fetch last explain plan from " + table);
    else
        lines = layout(plan, level, hash, false);
    std::string json = xplan_lines_json(lines);
    sqlite3_result_text(ctx, json.c_str(), static_cast<int>(json.size()), SQLITE_TRANSIENT);
}

}  // namespace

int xplan_format_level(const std::string& format) {
    std::string f = upper_ascii(format);
    while (!f.empty() && f.back() == ' ') f.pop_back();
    while (!f.empty() && f.front() == ' ') f.erase(0, 1);
    if (f == "BASIC") return 0;
    if (f == "TYPICAL" || f == "SERIAL") return 1;
    if (f == "ALL") return 2;
    return -1;
}

std::vector<std::string> xplan_plan_lines(sqlite3* db, const std::string& source, int level, bool cursor) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, plan_query(source, false).c_str(), -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return {};
    }
    std::uint32_t hash = 0;
    std::vector<PlanLine> plan = read_plan(st, &hash);
    if (plan.empty()) return {};
    return layout(plan, static_cast<Level>(std::max(0, std::min(2, level))), hash, cursor);
}

std::string xplan_lines_json(const std::vector<std::string>& lines) {
    std::string json = "[";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) json += ',';
        json_string(lines[i], &json);
    }
    return json + "]";
}

bool xplan_display_register(sqlite3* db) {
    return sqlite3_create_function(db, "vantro_xplan_display", 4, SQLITE_UTF8, nullptr, fn_xplan_display, nullptr,
                                   nullptr) == SQLITE_OK;
}
