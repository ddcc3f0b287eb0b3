// The expression half of the translator: names resolved against the scopes, Oracle
// types inferred, and Oracle's value rules written as SQLite expressions and calls of
// the engine's SQL functions. Functions of the Oracle dialect join function() here.
#include "values/decimal.h"
#include "values/date_mask_width.h"
#include "values/errors.h"
#include "values/number_bytes.h"
#include "values/sql_dialect.h"
#include "values/sql_interval.h"
#include "values/sql_regexp.h"
#include "values/sql_rowid.h"
#include "values/utf8.h"
#include "sql/sql_translator.h"
#include "values/values.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <cctype>
#include <cstring>

std::string family_name(const OraType& t);

bool is_char(const OraType& t) {
    return t.code == kTypeVarchar2 || t.code == kTypeChar || t.code == kTypeLong || t.code == kTypeClob;
}
bool is_date(const OraType& t) {
    return t.code == kTypeDate || is_timestamp(t);
}
bool is_timestamp(const OraType& t) {
    return t.code == kTypeTimestamp || is_zoned(t);
}
bool is_zoned(const OraType& t) {
    return t.code == kTypeTimestampTz || t.code == kTypeTimestampLtz;
}
std::string by_instant(const OraType& t, const std::string& sql) {
    return is_zoned(t) ? "(" + sql + ") COLLATE VANTRO_TZ" : sql;
}
// BINARY_FLOAT and BINARY_DOUBLE (CAST results) are numbers to every operator.
bool is_number(const OraType& t) {
    return t.code == kTypeNumber || t.code == kTypeBinaryFloat || t.code == kTypeBinaryDouble;
}

// A NUMBER whose values may need more digits than a 64-bit integer or a double keeps
// exactly. SQLite holds such a value as a blob of Oracle's number bytes, which its own
// comparisons order after every integer and double, so comparisons and sort keys of these
// types go through vantro_num_key. Columns declared with a small precision never hold one.
bool may_be_wide(const OraType& t) {
    if (t.code != kTypeNumber) return false;
    if (t.precision <= 0) return true;              // NUMBER, and computed values
    if (t.scale == -127) return t.precision > 49;   // FLOAT(b), b binary digits
    if (t.scale == 0) return t.precision > 18;      // whole numbers that fit 64 bits
    return t.precision > 15;
}

std::string number_order_key(const OraType& t, const std::string& sql) {
    return may_be_wide(t) ? "vantro_num_key(" + sql + ")" : sql;
}

OraType number_type() {
    OraType t;
    t.code = kTypeNumber;
    t.size = 22;
    t.precision = 0;
    t.scale = -127;
    return t;
}
OraType varchar_type(std::uint32_t size) {
    OraType t;
    t.code = kTypeVarchar2;
    t.size = size > 4000 ? 4000 : size;
    return t;
}
OraType date_type() {
    OraType t;
    t.code = kTypeDate;
    t.size = 7;
    return t;
}

// Oracle's datatype families for the rule that the branches of a CASE (and the blocks
// of a UNION) must agree.
const char* type_family(const OraType& t) {
    switch (t.code) {
    case kTypeVarchar2:
    case kTypeChar:
    case kTypeLong:
        return "CHAR";
    case kTypeClob:
        return "CLOB";
    case kTypeNumber:
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
        return "NUMBER";
    case kTypeDate:
    case kTypeTimestamp:
    case kTypeTimestampTz:
    case kTypeTimestampLtz:
        return "DATE";
    default:
        return "BINARY";
    }
}

bool same_family(const OraType& a, const OraType& b) {
    std::string fa = type_family(a), fb = type_family(b);
    if (fa == "CLOB") fa = "CHAR";
    if (fb == "CLOB") fb = "CHAR";
    return fa == fb;
}

// The type that holds values of both a and b (b's text size given): character types
// widen to the longer size, so that no branch of a CASE or a UNION is cut.
OraType wider(const OraType& a, const OraType& b, std::uint32_t b_text_size) {
    bool a_char = a.code == kTypeVarchar2 || a.code == kTypeChar;
    if (!a_char) return a;
    OraType r = a;
    if (b.code != a.code) r.code = kTypeVarchar2;
    if (b_text_size > r.size) r.size = b_text_size > 4000 ? 4000 : b_text_size;
    return r;
}

std::string quote_name(const std::string& n) {
    std::string r = "\"";
    for (char c : n) {
        r += c;
        if (c == '"') r += '"';
    }
    return r + "\"";
}

std::string quote_text(const std::string& s) {
    std::string r = "'";
    for (char c : s) {
        r += c;
        if (c == '\'') r += '\'';
    }
    return r + "'";
}

bool exact_number_sql(double d, std::int64_t i, bool is_int, std::string* sql) {
    if (is_int) {
        *sql = std::to_string(i);
        return true;
    }
    if (!std::isfinite(d)) return false;
    if (std::fabs(d) < 9.0e15 && d == std::floor(d)) {
        *sql = std::to_string(static_cast<std::int64_t>(d));
        return true;
    }
    int e = 0;
    double f = std::frexp(d, &e);  // d = f * 2^e, 0.5 <= |f| < 1
    auto m = static_cast<std::int64_t>(std::ldexp(f, 53));
    int shift = 53 - e;  // d = m / 2^shift
    while (shift > 0 && m % 2 == 0) {
        m /= 2;
        --shift;
    }
    // Powers of two up to 2^62 are exact integers in SQL text; larger shifts take several.
    std::string v = "CAST(" + std::to_string(m) + " AS REAL)";
    for (; shift > 0; shift -= std::min(shift, 62)) v += "/" + std::to_string(std::int64_t{1} << std::min(shift, 62));
    for (; shift < 0; shift += std::min(-shift, 62)) v += "*" + std::to_string(std::int64_t{1} << std::min(-shift, 62));
    *sql = "(" + v + ")";
    return true;
}

std::string stored_number_sql(const NumberStored& n) {
    std::string sql;
    switch (n.form) {
    case NumberForm::Int:
        return std::to_string(n.i);
    case NumberForm::Real:
        exact_number_sql(n.d, 0, false, &sql);
        return sql;
    case NumberForm::Bytes: {
        static const char kHex[] = "0123456789ABCDEF";
        sql = "x'";
        for (std::size_t k = 0; k < n.len; ++k) {
            sql += kHex[n.bytes[k] >> 4];
            sql += kHex[n.bytes[k] & 15];
        }
        return sql + "'";
    }
    }
    return sql;
}

bool number_literal_sql(const std::string& text, std::string* sql) {
    Decimal d;
    if (!decimal_parse(text.c_str(), text.size(), &d)) return false;
    NumberStored n;
    if (!number_stored(d, &n)) {
        *sql = "vantro_to_number(" + quote_text(text) + ")";
        return true;
    }
    *sql = stored_number_sql(n);
    return true;
}

bool is_aggregate_call(const Expr& e) {
    return e.kind == ExprKind::Function && !e.over &&
           (e.text == "COUNT" || e.text == "SUM" || e.text == "AVG" || e.text == "MIN" || e.text == "MAX" ||
            e.text == "LISTAGG" || (e.path.empty() && statistic_function(e.text)) ||
            (e.json_gen && (e.text == "JSON_ARRAYAGG" || e.text == "JSON_OBJECTAGG")) || (e.xml && e.text == "XMLAGG"));
}

std::size_t expr_nodes(const Expr& e) {
    std::size_t n = 0;
    std::vector<const Expr*> work{&e};
    while (!work.empty()) {
        const Expr* x = work.back();
        work.pop_back();
        ++n;
        for (const ExprPtr& a : x->args)
            if (a) work.push_back(a.get());
    }
    return n;
}

// Finds the first column reference of e that is neither inside an aggregate nor part of
// a GROUP BY expression (*bad stays null when there is none). A part is compared with
// the GROUP BY expressions only when it is no larger than the largest of them
// (group_nodes), so that a long chain costs time in proportion to its length.
bool Translator::ungrouped(Expr& e, const Scope& scope, const std::vector<std::string>& groups, std::size_t group_nodes,
                           const Expr** bad) {
    // The size of every part, children before their parents.
    std::map<const Expr*, std::size_t> size;
    std::vector<std::pair<Expr*, bool>> order{{&e, false}};
    while (!order.empty()) {
        auto [x, done] = order.back();
        order.pop_back();
        if (done) {
            std::size_t n = 1;
            for (const ExprPtr& a : x->args)
                if (a) n += size[a.get()];
            size[x] = n;
            continue;
        }
        order.emplace_back(x, true);
        for (ExprPtr& a : x->args)
            if (a) order.emplace_back(a.get(), false);
    }
    std::vector<Expr*> work{&e};
    while (!work.empty() && !*bad) {
        Expr* x = work.back();
        work.pop_back();
        if (is_aggregate_call(*x) || x->subquery) continue;
        if (!groups.empty() && size[x] <= group_nodes) {
            Emitted em;
            if (!expr(*x, scope, &em)) return false;
            if (std::find(groups.begin(), groups.end(), em.sql) != groups.end()) continue;
        }
        // A column of an outer query is one value within each group of this block.
        if (x->kind == ExprKind::Column) {
            bool outer = false;
            if (!local_column(*x, scope))
                for (const Scope* o = scope.outer; o && !outer; o = o->outer) outer = local_column(*x, *o);
            if (outer) continue;
            *bad = x;
            break;
        }
        // An analytic call is computed after grouping: its window reads grouped values too.
        if (x->over) {
            for (ExprPtr& p : x->over->partition) work.push_back(p.get());
            for (OrderItem& o : x->over->order) work.push_back(o.expr.get());
        }
        for (auto it = x->args.rbegin(); it != x->args.rend(); ++it)
            if (*it) work.push_back(it->get());
    }
    return true;
}

namespace {
// The longest name Oracle gives a select item (and any identifier), in bytes.
constexpr std::size_t kMaxDerivedName = 128;
}  // namespace

std::string Translator::derived_name(const Expr& e, bool* cut) const {
    if (cut) *cut = false;
    if (e.kind == ExprKind::Column) return e.path.back();
    std::string name;
    bool in_quote = false;
    for (std::uint32_t i = e.offset; i < e.end && i < text_.size(); ++i) {
        char c = text_[i];
        if (c == '\'') in_quote = !in_quote;
        if (!in_quote && std::isspace(static_cast<unsigned char>(c))) continue;
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (name.size() <= kMaxDerivedName) return name;
    if (cut) *cut = true;
    // Cut at a character boundary: a heading is never left with half a character.
    std::size_t n = kMaxDerivedName;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    return name.substr(0, n);
}

// The longest text of a NUMBER of type t: plain notation takes up to 40 digits with its
// sign and point, beyond that scientific notation writes up to 40 digits with the sign,
// the point and an exponent of up to three digits (-3.33...3E-101, 47 characters). Never
// less than the 40 Oracle describes, so that the widths of short values stay Oracle's.
static std::uint32_t number_text_describe_width(const Emitted& e) {
    constexpr std::uint32_t kWidest = 47;
    if (e.whole) return 40;
    if (!e.literal.empty()) {
        Decimal d;
        if (!decimal_parse(e.literal.data(), e.literal.size(), &d)) return kWidest;
        std::uint32_t n = static_cast<std::uint32_t>(decimal_number_text(d).size());
        return n < 40 ? 40 : n;
    }
    const OraType& t = e.type;
    if (t.code == kTypeBinaryFloat || t.code == kTypeBinaryDouble) return 40;
    if (t.code != kTypeNumber || t.precision <= 0 || t.scale == -127) return kWidest;
    const int p = t.precision, s = t.scale;
    const int plain = s <= 0 ? p - s : (s > p ? s : p);
    const int n = plain <= 40 ? 1 + plain + (s > 0 ? 1 : 0) : p + 7;
    return n < 40 ? 40 : static_cast<std::uint32_t>(n);
}

std::uint32_t Translator::text_size(const Emitted& e) const {
    if (is_number(e.type)) return number_text_describe_width(e);
    if (is_interval(e.type)) return 30;
    if (is_date(e.type)) {
        // The session's format for the type at its longest (never less than DD-MON-RR).
        const std::string& format = is_zoned(e.type)       ? ctx_.nls_timestamp_tz_format
                                    : is_timestamp(e.type) ? ctx_.nls_timestamp_format
                                                           : ctx_.nls_date_format;
        std::uint32_t n = date_mask_width(format);
        return n < 9 ? 9 : (n > 4000 ? 4000 : n);
    }
    if (e.type.code == kTypeRaw) return e.type.size * 2;
    return utf8_max_bytes(e.type);
}

std::string Translator::as_text(const Emitted& e) const {
    if (e.trimmed) return "vantro_pad(" + e.sql + "," + std::to_string(e.type.size) + ")";
    if (is_char(e.type)) return e.sql;
    if (e.type.code == kTypeBinaryDouble) return "vantro_num_text(" + e.sql + ",1)";
    if (e.type.code == kTypeBinaryFloat) return "vantro_num_text(" + e.sql + ",2)";
    if (is_number(e.type)) return "vantro_num_text(" + e.sql + ")";
    if (e.type.code == kTypeDate) return "vantro_date_text(" + e.sql + ")";
    if (e.type.code == kTypeTimestamp) return "vantro_timestamp_text(" + e.sql + ")";
    if (is_zoned(e.type)) return "vantro_tz_text(" + e.sql + "," + (e.type.code == kTypeTimestampLtz ? "1" : "0") + ")";
    if (e.type.code == kTypeRaw || e.type.code == kTypeBlob) return "hex(" + e.sql + ")";
    if (e.type.code == kTypeRowid) return "(" + e.sql + " COLLATE BINARY)";
    if (is_interval(e.type))
        return "vantro_interval_text(" + e.sql + "," + std::to_string(e.type.precision) + "," +
               std::to_string(e.type.scale) + ")";
    return e.sql;
}

bool Translator::column(Expr& e, const Scope& scope, Emitted* out) {
    {
        bool handled = false;
        if (!hierarchy_value(e, scope, out, &handled)) return false;
        if (handled) return true;
    }
    {
        // alias.column.attribute of an object column.
        bool handled = false;
        if (!object_attribute(e, scope, out, &handled)) return false;
        if (handled) return true;
    }
    const std::string& name = e.path.back();
    std::string qualifier;
    if (e.path.size() == 2) qualifier = e.path[0];
    if (e.path.size() == 3) qualifier = e.path[1];
    if (e.path.size() > 3) return fail(904, e.offset, "\"" + e.path[0] + "\"");
    for (const Scope* s = &scope; s; s = s->outer) {
        if (qualifier.empty() && s->using_names.count(name)) {
            out->sql = row_value(using_column(*s, name, &out->type));
            return true;
        }
        if (!qualifier.empty()) {
            // A column a USING or NATURAL join merged is one column of the join, named
            // without a qualifier.
            auto merged = s->merged_columns.find(qualifier + "." + name);
            if (merged != s->merged_columns.end()) return fail(merged->second ? 25155 : 25154, e.offset);
        }
        const Source* found = nullptr;
        const ColumnInfo* col = nullptr;
        for (const Source& src : s->sources) {
            if (!qualifier.empty() && src.alias != qualifier) continue;
            for (const ColumnInfo& c : src.columns) {
                if (c.name != name) continue;
                if (found) return fail(918, e.offset);
                found = &src;
                col = &c;
            }
        }
        if (found) {
            out->sql = row_value(s->bare ? quote_name(name)
                                         : quote_name(s->emit_alias.empty() ? found->alias : s->emit_alias) + "." +
                                               quote_name(found->stored_name(col - found->columns.data())));
            if (s->lateral_args) {
                // A column of an item before a lateral inline view: a parameter of the view.
                const std::string read = quote_name(found->alias) + "." +
                                         quote_name(found->stored_name(col - found->columns.data()));
                auto at = std::find(s->lateral_args->begin(), s->lateral_args->end(), read);
                if (at == s->lateral_args->end()) at = s->lateral_args->insert(at, read);
                out->sql = row_value("?" + std::to_string(at - s->lateral_args->begin() + 1));
            }
            out->type = col->type;
            out->trimmed = col->type.code == kTypeChar;
            out->object_type = col->object_type;
            return true;
        }
        if (name == "ROWID" && e.path.size() <= 2) {
            bool handled = false;
            if (!rowid_column(e, *s, qualifier, out, &handled)) return false;
            if (handled) return true;
        }
    }
    bool handled = false;
    if (!host_name(e, out, &handled)) return false;
    if (handled) return true;
    if (is_rownum(e)) {
        out->sql = "row_number() OVER ()";
        out->type = number_type();
        out->whole = true;
        return true;
    }
    if (e.path.size() == 1 && e.path[0] == "UID") {
        // The user's number as ALL_USERS shows it.
        out->sql =
            "(SELECT CASE name WHEN 'SYS' THEN 0 ELSE rowid+100 END FROM main.vantro_users WHERE name=vantro_user())";
        out->type = number_type();
        return true;
    }
    if (e.path.size() == 1 && e.path[0] == "SYSTIMESTAMP") {
        // The machine's time with the machine's offset, in the stored zoned form.
        out->sql = "(vantro_systimestamp()||' '||vantro_time_zone())";
        out->type.code = kTypeTimestampTz;
        out->type.size = 13;
        out->type.scale = 6;
        return true;
    }
    // The clock in the session's time zone: CURRENT_DATE, CURRENT_TIMESTAMP (with the
    // zone) and LOCALTIMESTAMP (without).
    if (e.path.size() == 1 &&
        (e.path[0] == "CURRENT_DATE" || e.path[0] == "CURRENT_TIMESTAMP" || e.path[0] == "LOCALTIMESTAMP")) {
        const std::string now = "(vantro_systimestamp()||' '||vantro_time_zone())";
        if (e.path[0] == "CURRENT_DATE") {
            out->sql = "substr(vantro_tz_local(" + now + ",1),1,19)";
            out->type = date_type();
            return true;
        }
        out->sql = e.path[0] == "LOCALTIMESTAMP" ? "vantro_tz_local(" + now + ",1)" : "vantro_tz_at(" + now + ",NULL)";
        out->type.code = e.path[0] == "LOCALTIMESTAMP" ? kTypeTimestamp : kTypeTimestampTz;
        out->type.size = e.path[0] == "LOCALTIMESTAMP" ? 11 : 13;
        out->type.scale = 6;
        return true;
    }
    if (e.path.size() == 1 && (e.path[0] == "SESSIONTIMEZONE" || e.path[0] == "DBTIMEZONE")) {
        out->sql = e.path[0] == "DBTIMEZONE" ? "vantro_db_time_zone()" : "vantro_session_time_zone()";
        out->type.code = kTypeVarchar2;
        out->type.size = e.path[0] == "DBTIMEZONE" ? 6 : 75;
        return true;
    }
    if ((e.path.size() == 2 || e.path.size() == 3) && (name == "NEXTVAL" || name == "CURRVAL")) {
        std::string seq_owner = e.path.size() == 3 ? e.path[0] : ctx_.schema;
        std::string seq = e.path[e.path.size() - 2];
        if (!ctx_.catalog->sequence_exists(seq_owner, seq)) {
            // A synonym (private, or public without an owner named) for a sequence.
            std::string target_owner, target;
            const bool synonym = e.path.size() == 3
                                     ? ctx_.catalog->private_synonym_target(seq_owner, seq, &target_owner, &target)
                                     : ctx_.catalog->synonym_target(ctx_.schema, seq, &target_owner, &target);
            if (!synonym || !ctx_.catalog->sequence_exists(target_owner, target)) return fail(2289, e.offset), false;
            seq_owner = target_owner;
            seq = target;
        }
        if (no_sequences_) return fail(2287, e.offset), false;
        out->sql = "vantro_sequence(" + quote_text(seq_owner) + "," + quote_text(seq) + "," +
                   (name == "NEXTVAL" ? "1" : "0") + ")";
        if (multi_rows_) {
            out->sql = multi_sequence(out->sql.substr(0, out->sql.size() - 2), name == "NEXTVAL");
            if (out->sql.empty()) return fail(2287, e.offset), false;
        }
        out->type = number_type();
        return true;
    }
    // A supplied package's function that takes no arguments is called without parentheses.
    if (e.path.size() == 2 &&
        dialect_function(e.path[0] + "." + e.path[1], {}, &out->sql, &out->type) == DialectResult::Done)
        return true;
    // A name that is no column may call a stored function without arguments.
    if (stored_call(e.path, {}, out)) return true;
    std::string shown;
    for (std::size_t i = 0; i < e.path.size(); ++i) shown += (i ? ".\"" : "\"") + e.path[i] + "\"";
    return fail(904, e.offset, shown);
}

bool Translator::rowid_column(const Expr& e, const Scope& scope, const std::string& qualifier, Emitted* out,
                              bool* handled) {
    *handled = false;
    const Source* src = nullptr;
    for (const Source& candidate : scope.sources) {
        if (!qualifier.empty() && candidate.alias != qualifier) continue;
        if (src) return fail(918, e.offset);
        src = &candidate;
    }
    if (!src) return true;
    // Only a table's rows have rowids: a view's, an inline view's or a query name's do not.
    std::string view;
    if (src->rowid_table.empty() || ctx_.catalog->view_text(src->rowid_owner, src->rowid_table, &view))
        return fail(1445, e.offset);
    // A view is kept in its schema's file, which cannot read the catalog's object numbers.
    if (ctx_.stored_in_schema) return fail(3001, e.offset);
    std::string row = scope.bare ? std::string("rowid")
                                 : quote_name(scope.emit_alias.empty() ? src->alias : scope.emit_alias) + ".rowid";
    out->sql = "(vantro_rowid((SELECT object_id FROM main.vantro_objects WHERE owner=" + quote_text(src->rowid_owner) +
               " AND object_name=" + quote_text(src->rowid_table) + " AND object_type='TABLE')," + row_value(row) +
               ") COLLATE VANTRO_ROWID)";
    out->type = rowid_type();
    *handled = true;
    return true;
}

bool Translator::host_name(const Expr& e, Emitted* out, bool* handled) {
    *handled = false;
    if (!ctx_.names) return true;
    NameResolution r;
    switch (ctx_.names->name(e, &r, err_)) {
    case NameHook::Answer::NotMine:
        return true;
    case NameHook::Answer::Failed:
        return false;
    case NameHook::Answer::Resolved:
        break;
    }
    *handled = true;
    if (!r.attribute.empty()) {
        Emitted object;
        resolved(r, &object);
        return attribute_of_object(object, r.attribute, e.offset, r.attribute_offset, out);
    }
    resolved(r, out);
    return true;
}

void Translator::resolved(const NameResolution& r, Emitted* out) {
    out->type = r.type;
    out->object_type = r.object_type;
    if (r.bind.empty()) {
        out->sql = r.sql;
        return;
    }
    out_->bind_names.push_back(r.bind);
    out->sql = row_value("?" + std::to_string(out_->bind_names.size()));
    if (r.condition) out->sql = "(" + out->sql + " = 1)";
    out->sql = r.wrap_open + out->sql + r.wrap_close;
}

bool Translator::expression(Expr& e, bool condition) {
    Scope none;
    Emitted v;
    hoist_ok_ = true;
    plsql_expression_ = true;
    if (!expr(e, none, &v)) return false;
    // A CAST to CHAR is a value with its blanks: PL/SQL keeps them.
    if (v.trimmed && e.kind == ExprKind::Cast) v.sql = as_text(v);
    ColumnInfo c;
    c.type = v.type;
    c.object_type = v.object_type;
    if (c.type.code == kTypeChar && e.kind != ExprKind::String && e.kind != ExprKind::Column &&
        e.kind != ExprKind::Cast)
        c.type.code = kTypeVarchar2;
    // NOT NOT keeps 1, 0 and NULL and turns any other value into its truth as SQLite
    // tests it, with the condition evaluated once.
    out_->sql = condition ? "SELECT NOT NOT " + v.sql : "SELECT " + v.sql;
    out_->columns.push_back(c);
    return true;
}

bool is_rownum(const Expr& e) {
    return e.kind == ExprKind::Column && e.path.size() == 1 && e.path[0] == "ROWNUM";
}

// A column merged by USING: the value of whichever side has one.
std::string Translator::using_column(const Scope& scope, const std::string& name, OraType* type) const {
    std::string parts;
    int count = 0;
    for (const Source& src : scope.sources) {
        for (std::size_t i = 0; i < src.columns.size(); ++i) {
            const ColumnInfo& c = src.columns[i];
            if (c.name != name) continue;
            parts += (count++ ? "," : "") + quote_name(src.alias) + "." + quote_name(src.stored_name(i));
            *type = c.type;
        }
    }
    return count == 1 ? parts : "coalesce(" + parts + ")";
}

bool Translator::comparison_operands(Emitted* a, Emitted* b, std::uint32_t offset) {
    // CHAR columns compare blank-padded with CHAR values (text literals, other CHAR
    // columns) and as their padded value with VARCHAR2 values, as Oracle does.
    for (int side = 0; side < 2; ++side) {
        Emitted* c = side == 0 ? a : b;
        Emitted* other = side == 0 ? b : a;
        if (!c->trimmed || other->trimmed || !is_char(other->type)) continue;
        if (other->text_literal)
            other->sql = "rtrim(" + other->sql + ",' ')";
        else
            c->sql = as_text(*c);
        c->trimmed = false;
    }
    // A DATE meets a TIMESTAMP as a timestamp with a zero fraction (stored forms compare as text).
    if (a->type.code == kTypeDate && is_timestamp(b->type)) a->sql = "(" + a->sql + "||'.000000')";
    if (b->type.code == kTypeDate && is_timestamp(a->type)) b->sql = "(" + b->sql + "||'.000000')";
    // Zoned timestamps compare by their UTC instant (a value without a zone is in the
    // session's).
    if (is_date(a->type) && is_date(b->type) && (is_zoned(a->type) || is_zoned(b->type))) {
        a->sql = "vantro_tz_utc(" + a->sql + ")";
        b->sql = "vantro_tz_utc(" + b->sql + ")";
    }
    // Intervals compare by their signed length (the stored text orders positive values only).
    if (is_interval(a->type) && is_interval(b->type)) {
        if (a->type.code != b->type.code)
            return fail(932, offset,
                        a->type.code == kTypeIntervalYm ? "INTERVAL YEAR TO MONTH" : "INTERVAL DAY TO SECOND",
                        b->type.code == kTypeIntervalYm ? "INTERVAL YEAR TO MONTH" : "INTERVAL DAY TO SECOND"),
                   false;
        a->sql = "vantro_interval_key(" + a->sql + ")";
        b->sql = "vantro_interval_key(" + b->sql + ")";
    }
    // A rowid meets text as a rowid: the text must be one (ORA-01410), and both compare by
    // the rowid's parts.
    if (a->type.code == kTypeRowid || b->type.code == kTypeRowid) {
        for (Emitted* x : {a, b}) {
            if (is_char(x->type))
                x->sql = "vantro_chartorowid(" + x->sql + ")";
            else if (is_number(x->type) || is_date(x->type))
                return fail(932, offset, "ROWID", is_number(x->type) ? "NUMBER" : "DATE"), false;
            x->sql = "(" + x->sql + " COLLATE VANTRO_ROWID)";
        }
        return true;
    }
    auto to_datetime = [](const OraType& t) { return is_timestamp(t) ? "vantro_to_timestamp(" : "vantro_to_date("; };
    if (is_date(a->type) && is_char(b->type))
        b->sql = to_datetime(a->type) + b->sql + ")";
    else if (is_date(b->type) && is_char(a->type))
        a->sql = to_datetime(b->type) + a->sql + ")";
    else if (is_number(a->type) && is_char(b->type))
        b->sql = "vantro_to_number(" + b->sql + ")";
    else if (is_number(b->type) && is_char(a->type))
        a->sql = "vantro_to_number(" + a->sql + ")";
    return true;
}

// Whether x is a number literal, signed or not, that an integer or a double holds exactly.
static bool narrow_number_literal(const Expr& x) {
    const Expr* e = &x;
    while (e->kind == ExprKind::Unary && (e->text == "-" || e->text == "+") && !e->args.empty()) e = e->args[0].get();
    return e->kind == ExprKind::Number && number_significant_digits(e->text.c_str(), e->text.size()) <= 15;
}

// Whether operand v (of expression x) of a numeric comparison may be a wide NUMBER: one
// of such a type, or text read as a number.
static bool wide_comparand(const Emitted& v, const Expr& x) {
    if (v.whole || x.kind == ExprKind::Null || narrow_number_literal(x)) return false;
    return is_number(v.type) ? may_be_wide(v.type) : true;
}

// Whether x gives the same value each time it is evaluated within a row, and cheaply: a
// literal, a bind, a column, or arithmetic and plain function calls of these (no
// subquery, sequence, pseudocolumn, aggregate or random value).
static bool repeatable_operand(const Expr& x) {
    switch (x.kind) {
    case ExprKind::String:
    case ExprKind::Number:
    case ExprKind::Null:
    case ExprKind::Bind:
        return true;
    case ExprKind::Column: {
        const std::string& last = x.path.empty() ? x.text : x.path.back();
        return last != "LEVEL" && last != "NEXTVAL" && last != "CURRVAL" && last != "ROWNUM" && last != "ROWID";
    }
    case ExprKind::Unary:
        if (x.text != "-" && x.text != "+") return false;
        break;
    case ExprKind::Binary:
        break;
    case ExprKind::Function:
        if (!x.path.empty() || x.over || x.subquery || is_aggregate_call(x) || x.text == "SYS_GUID") return false;
        break;
    default:
        return false;
    }
    for (const auto& arg : x.args)
        if (!arg || !repeatable_operand(*arg)) return false;
    return true;
}

// Whether translated SQL calls none of the functions that give another value at each call
// (DBMS_RANDOM's, SYS_GUID), which package calls written without parentheses become.
static bool repeatable_sql(const std::string& sql) {
    static const char* const kChanging[] = {"vantro_random", "vantro_sys_guid"};
    for (const char* f : kChanging)
        if (sql.find(f) != std::string::npos) return false;
    return true;
}

std::string Translator::compare_sql(const Emitted& a, const Expr& ax, const std::string& op, const Emitted& b,
                                    const Expr& bx) {
    const std::string native = "(" + a.sql + op + b.sql + ")";
    const bool ordering = op == "<" || op == "<=" || op == ">" || op == ">=";
    if (!ordering || !(is_number(a.type) || is_number(b.type))) return native;
    // Integers, doubles and the blobs of wide values each have one form per value, so
    // equality stays native; order needs the numeric key where either side may be wide.
    const bool wa = wide_comparand(a, ax), wb = wide_comparand(b, bx);
    if (!wa && !wb) return native;
    const std::string exact = "(vantro_num_key(" + a.sql + ")" + op + "vantro_num_key(" + b.sql + "))";
    auto simple = [](const Expr& x) {
        return x.kind == ExprKind::Column || x.kind == ExprKind::Bind || narrow_number_literal(x);
    };
    const bool column_left = wa && ax.kind == ExprKind::Column && repeatable_operand(bx) && repeatable_sql(b.sql);
    const bool column_right = wb && bx.kind == ExprKind::Column && repeatable_operand(ax) && repeatable_sql(a.sql);
    if (!(wa != wb && simple(ax) && simple(bx)) && (column_left || column_right)) {
        // A column that may hold wide values against a bind or an expression: the column
        // is compared natively with a narrow bound of the other side (which its index
        // serves), and the rows that bound selects exactly. A bound above x takes every
        // integer and double up to x; the blobs are above every bound.
        const Emitted& w = column_left ? a : b;
        const Emitted& n = column_left ? b : a;
        std::string wop = op;
        if (!column_left) wop = op == "<" ? ">" : op == "<=" ? ">=" : op == ">" ? "<" : "<=";
        const std::string keyed = "vantro_num_key(" + w.sql + ")" + wop + "vantro_num_key(" + n.sql + ")";
        if (wop[0] == '<')
            return "((" + w.sql + "<=vantro_num_bound(" + n.sql + ",1) OR " + w.sql + ">=x'') AND " + keyed + ")";
        return "(" + w.sql + ">=vantro_num_bound(" + n.sql + ",-1) AND " + keyed + ")";
    }
    if (wa == wb || !simple(ax) || !simple(bx)) return exact;
    // One side is a column that may hold wide values, the other a narrow value: the native
    // comparison (which an index on the column serves) is right for the column's integers
    // and doubles, and its blobs (at or above x'') are compared exactly. A blob is never
    // below a number, and always above one.
    const Emitted& w = wa ? a : b;
    const Emitted& n = wa ? b : a;
    std::string wop = op;
    if (!wa) wop = op == "<" ? ">" : op == "<=" ? ">=" : op == ">" ? "<" : "<=";
    const std::string keyed =
        "vantro_num_key(" + w.sql + ")" + wop + "vantro_num_key(" + n.sql + ")";
    if (wop[0] == '<') return "(" + w.sql + wop + n.sql + " OR (" + w.sql + ">=x'' AND " + keyed + "))";
    return "(" + w.sql + wop + n.sql + " AND (" + w.sql + "<x'' OR " + keyed + "))";
}

namespace {

// How deep calls nest in e (e itself counted when it is a call), and whether any part of
// e is something only the statement itself can compute (aggregates, subqueries, ROWNUM,
// sequences, the values of a hierarchical query).
int call_height(const Expr& e, bool* movable) {
    std::vector<std::pair<const Expr*, int>> work{{&e, 0}};
    int height = 0;
    while (!work.empty()) {
        auto [x, above] = work.back();
        work.pop_back();
        int here = above + (x->kind == ExprKind::Function ? 1 : 0);
        height = std::max(height, here);
        const std::string& last = x->path.empty() ? x->text : x->path.back();
        if (is_aggregate_call(*x) || x->over || x->subquery || is_rownum(*x) ||
            (x->kind == ExprKind::Column && (last == "LEVEL" || last == "NEXTVAL" || last == "CURRVAL")) ||
            (x->kind == ExprKind::Unary && (x->text == "PRIOR" || x->text == "CONNECT_BY_ROOT")) ||
            (x->kind == ExprKind::Function && x->text == "SYS_CONNECT_BY_PATH"))
            *movable = false;
        for (const ExprPtr& a : x->args)
            if (a) work.emplace_back(a.get(), here);
    }
    return height;
}

}  // namespace

bool Translator::function(Expr& e, const Scope& scope, Emitted* out) {
    bool outermost = call_nesting_ == 0;
    int height = 0;
    if (hoist_ok_ && (outermost || cut_every_)) {
        bool movable = true;
        height = call_height(e, &movable);
        if (outermost && movable && height > kDeepCalls) cut_every_ = std::max(3, (height + kMaxParts - 1) / kMaxParts);
    }
    bool deep = outermost && cut_every_;
    ++call_nesting_;
    bool ok = function_call(e, scope, out);
    --call_nesting_;
    if (!ok) {
        if (deep) cut_every_ = 0, parts_.clear(), row_args_.clear();
        return false;
    }
    if (!cut_every_) return true;
    if (!deep) {
        // A cut: this call is a part of its own; the parts above read its result.
        if (height % cut_every_ == 0) {
            parts_.push_back("SELECT " + out->sql);
            out->sql = ":p" + std::to_string(parts_.size());
        }
        return true;
    }
    parts_.push_back("SELECT " + out->sql);
    std::string sql = "vantro_eval(" + std::to_string(parts_.size());
    for (const std::string& part : parts_) sql += "," + quote_text(part);
    for (const std::string& arg : row_args_) sql += "," + arg;
    out->sql = sql + ")";
    cut_every_ = 0;
    parts_.clear();
    row_args_.clear();
    return true;
}

std::string Translator::row_value(const std::string& sql) {
    if (!cut_every_) return sql;
    auto it = std::find(row_args_.begin(), row_args_.end(), sql);
    if (it == row_args_.end()) it = row_args_.insert(row_args_.end(), sql);
    return ":r" + std::to_string(it - row_args_.begin() + 1);
}

bool sql_statement_only_call(const Expr& e) {
    if (e.kind != ExprKind::Function || !e.path.empty()) return false;
    if (e.over || (e.extras && !e.extras->names_only()) || is_grouping_call(e) || analytic_function_name(e.text) || statistic_function(e.text))
        return true;
    const std::string& f = e.text;
    return f == "JSON_ARRAYAGG" || f == "JSON_OBJECTAGG" || f == "SYS_CONNECT_BY_PATH" || f == "STANDARD_HASH" ||
           dialect_function_sql_only(f);
}

bool Translator::function_call(Expr& e, const Scope& scope, Emitted* out) {
    bool handled = false;
    if (!hierarchy_value(e, scope, out, &handled)) return false;
    if (handled) return true;
    if (e.text == "TREAT AS") return treat(e, scope, out);
    if (e.path.empty() && e.text == "AT TIME ZONE") {
        // value AT TIME ZONE zone (AT LOCAL: no zone, the session's): the same instant
        // with the zone's offset.
        Emitted v, zone;
        if (!expr(*e.args[0], scope, &v)) return false;
        if (e.args.size() > 1 && !expr(*e.args[1], scope, &zone)) return false;
        if (!is_date(v.type)) return fail(932, e.args[0]->offset, "TIMESTAMP WITH TIME ZONE", family_name(v.type));
        std::string value = v.type.code == kTypeDate ? "(" + v.sql + "||'.000000')" : v.sql;
        out->sql = "vantro_tz_at(" + value + "," + (e.args.size() > 1 ? as_text(zone) : std::string("NULL")) + ")";
        out->type.code = kTypeTimestampTz;
        out->type.size = 13;
        out->type.scale = v.type.code == kTypeDate ? 0 : v.type.scale;
        out->aggregate = v.aggregate || zone.aggregate;
        return true;
    }
    // A method of an XMLTYPE value names its value in args[0]; its path is asked for only
    // when that value is no name (xml_generate).
    if (ctx_.names && !(e.xml && !e.path.empty())) {
        NameResolution r;
        std::vector<std::string> path = e.path.empty() ? std::vector<std::string>{e.text} : e.path;
        switch (ctx_.names->call(e, &path, &r, err_)) {
        case NameHook::Answer::Failed:
            return false;
        case NameHook::Answer::Resolved:
            if (!r.attribute.empty()) {
                Emitted object;
                resolved(r, &object);
                return attribute_of_object(object, r.attribute, e.offset, r.attribute_offset, out);
            }
            resolved(r, out);
            return true;
        case NameHook::Answer::NotMine:
            if (path.size() > 1) {
                e.path = path;
                e.text = path[0];
                for (std::size_t k = 1; k < path.size(); ++k) e.text += "." + path[k];
            }
            break;
        }
    }
    // A field after a call the host did not take: an attribute of the object it returns.
    if (!e.field.empty()) return object_field(e, scope, out);
    // Outside a block grouped by GROUP BY (where grouped_value writes them).
    if (is_grouping_call(e)) return fail(30481, e.offset);
    if (e.over) return analytic(e, scope, out);
    if (e.path.empty() && (e.text == "REF" || e.text == "DEREF") && e.args.size() == 1) {
        // Rows of object tables carry no object identifiers, so there are no references to them.
        std::string object_type;
        if (e.text == "DEREF" || (e.args[0]->kind == ExprKind::Column && e.args[0]->path.size() == 1 &&
                                  object_table_source(e.args[0]->path[0], scope, &object_type)))
            return fail(3001, e.offset);
    }
    if (e.path.empty() && e.text == "VALUE" && e.args.size() == 1 && e.args[0]->kind == ExprKind::Column &&
        e.args[0]->path.size() == 1 && !e.star && !e.distinct && !e.extras) {
        // VALUE(alias): the row of an object table as an object, or of a TABLE() item its COLUMN_VALUE.
        bool object_row = false;
        if (!object_table_row(e.args[0]->path[0], e.args[0]->offset, scope, out, &object_row)) return false;
        if (object_row) return true;
        Expr column;
        column.kind = ExprKind::Column;
        column.path = {e.args[0]->path[0], "COLUMN_VALUE"};
        column.path_offsets = {e.args[0]->offset, e.args[0]->offset};
        column.offset = e.args[0]->offset;
        column.end = e.args[0]->end;
        return expr(column, scope, out);
    }
    if (e.json_gen) return json_generate(e, scope, out);
    if (e.xml) return xml_generate(e, scope, out);
    if (e.path.empty() && e.text == "LISTAGG") return listagg(e, scope, out);
    if (e.path.empty() && statistic_function(e.text)) return statistic(e, scope, out);
    if (e.path.empty() && analytic_only_function(e.text)) return fail(30484, e.end);
    if (e.extras && e.extras->names_only()) {
        bool done = false;
        if (!named_call(e, scope, out, &done)) return false;
        if (done) return true;
    }
    if (e.extras) {
        // WITHIN GROUP and IGNORE NULLS belong to other functions.
        if (e.extras->keep && !e.extras->within_group && !e.extras->nulls) return keep_aggregate(e, scope, out);
        return fail(907, e.offset);
    }
    const std::string& f = e.text;
    std::vector<Emitted> args(e.args.size());
    for (std::size_t i = 0; i < e.args.size(); ++i)
        if (!expr(*e.args[i], scope, &args[i])) return false;
    auto arity = [&](std::size_t lo, std::size_t hi) {
        if (e.args.size() < lo || e.args.size() > hi) return fail(909, e.offset);
        return true;
    };
    if (e.path.empty() && (f == "CARDINALITY" || f == "SET") && !e.star) {
        // CARDINALITY(c): the number of elements, NULL for an empty or null collection;
        // SET(c): c without its duplicates.
        if (!arity(1, 1)) return false;
        ObjectTypeDecl decl;
        if (!collection_of(args[0], e.args[0]->offset, &decl)) return false;
        if (f == "SET" && decl.kind != ObjectTypeDecl::Kind::Table)
            return fail(932, e.args[0]->offset, "NESTED TABLE", decl.name);
        if (f == "CARDINALITY") {
            out->sql = "nullif(vantro_object_count(" + args[0].sql + "),0)";
            out->type = number_type();
        } else {
            out->sql = "vantro_multiset('S'," + quote_text(collection_kind(decl)) + "," + args[0].sql + ")";
            out->type = args[0].type;
            out->object_type = args[0].object_type;
        }
        out->aggregate = args[0].aggregate;
        return true;
    }
    if (f == "COUNT" || f == "SUM" || f == "AVG" || f == "MIN" || f == "MAX") {
        if (e.star) {
            if (f != "COUNT") return fail(936, e.offset);
            out->sql = "count(*)";
            out->type = number_type();
            out->whole = true;
        } else {
            if (!arity(1, 1)) return false;
            std::string arg = args[0].sql;
            const bool interval_sum = (f == "SUM" || f == "AVG") && is_interval(args[0].type);
            if (interval_sum) {
                // SUM and AVG of intervals: of their counts of months or nanoseconds.
                const bool ym = args[0].type.code == kTypeIntervalYm;
                out->sql = "vantro_interval_of_units(" + std::string(f == "SUM" ? "vantro_sum(" : "vantro_avg(") +
                           (e.distinct ? "DISTINCT " : "") + "vantro_interval_units(" + arg + "))," +
                           (ym ? "1" : "0") + ")";
                out->type = ym ? interval_ym_type(9) : interval_ds_type(9, f == "AVG" ? 9 : args[0].type.scale);
                out->aggregate = true;
                return true;
            }
            if ((f == "SUM" || f == "AVG") && !is_number(args[0].type)) arg = "vantro_to_number(" + arg + ")";
            // Wide numbers have their least and greatest found by their numeric order.
            const bool wide = (f == "MIN" || f == "MAX") && may_be_wide(args[0].type) && !args[0].whole;
            std::string name = f == "COUNT" ? "count"
                               : f == "SUM" ? "vantro_sum"
                               : f == "AVG" ? "vantro_avg"
                               : f == "MIN" ? (wide ? "vantro_num_min" : "min")
                                            : (wide ? "vantro_num_max" : "max");
            out->sql = name + "(" + (e.distinct ? "DISTINCT " + by_instant(args[0].type, arg) : arg) + ")";
            if ((f == "MIN" || f == "MAX") && (is_zoned(args[0].type) || is_interval(args[0].type))) {
                // Zoned timestamps and intervals: the value whose key is the least or the
                // greatest, the key (of one length for the type) put before the value.
                std::size_t key_length = is_zoned(args[0].type) ? 26 : args[0].type.code == kTypeIntervalYm ? 13 : 29;
                std::string key =
                    is_zoned(args[0].type) ? "vantro_tz_utc(" + arg + ")" : "vantro_interval_key(" + arg + ")";
                out->sql = "substr(" + name + "(" + key + "||" + arg + ")," + std::to_string(key_length + 1) + ")";
            }
            out->type = (f == "MIN" || f == "MAX") ? args[0].type : number_type();
            out->trimmed = (f == "MIN" || f == "MAX") && args[0].trimmed;
            out->whole = f == "COUNT" || ((f == "MIN" || f == "MAX") && args[0].whole);
        }
        out->aggregate = true;
        return true;
    }
    if (e.star || e.distinct) return fail(936, e.offset);
    for (const Emitted& a : args) out->aggregate = out->aggregate || a.aggregate;
    if (f == "NVL") {
        if (!arity(2, 2)) return false;
        Emitted b = args[1];
        if (e.args[1]->kind == ExprKind::Null) {
        } else if (is_number(args[0].type) && is_char(b.type)) {
            b.sql = "vantro_to_number(" + b.sql + ")";
        } else if (is_date(args[0].type) && is_char(b.type)) {
            b.sql = "vantro_to_date(" + b.sql + ")";
        } else if (is_char(args[0].type) && !is_char(b.type)) {
            b.sql = as_text(b);
        } else if (!same_family(args[0].type, b.type) && e.args[0]->kind != ExprKind::Null) {
            fail(932, e.args[1]->offset, type_family(args[0].type), type_family(b.type));
            return false;
        }
        if (e.args[0]->kind == ExprKind::Null) {
            out->sql = b.sql;
            out->type = b.type;
            return true;
        }
        out->sql = "coalesce(" + args[0].sql + "," + b.sql + ")";
        out->type = args[0].type;
        if (is_char(out->type) && text_size(args[1]) > out->type.size) out->type = varchar_type(text_size(args[1]));
        return true;
    }
    std::vector<DialectArg> dialect_args(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        DialectArg& d = dialect_args[i];
        d.sql = args[i].sql;
        d.text_sql = as_text(args[i]);
        d.type = args[i].type;
        d.text_size = text_size(args[i]);
        d.null_literal = e.args[i]->kind == ExprKind::Null;
        d.is_literal = e.args[i]->kind == ExprKind::String || e.args[i]->kind == ExprKind::Number;
        d.literal = e.args[i]->text;
        // A PL/SQL name the hook resolved is a bind ("#n"), not a column.
        d.stored_column = e.args[i]->kind == ExprKind::Column && !args[i].sql.empty() && args[i].sql[0] == '"';
    }
    // SQLERRM(code) of PL/SQL; SQLERRM alone is a name its hook resolves.
    if (f == "SQLERRM" && e.path.empty() && ctx_.names && args.size() == 1) {
        out->sql = "vantro_sqlerrm(" + args[0].sql + ")";
        out->type = varchar_type(512);
        return true;
    }
    // STANDARD_HASH needs digests no library of both builds offers.
    if (f == "STANDARD_HASH") return fail(3001, e.offset);
    if (f == "SYS_XMLGEN" && e.path.empty()) {
        // SYS_XMLGEN(value): an XML document of one element, named after the column the
        // value is (ROW for another expression). The XMLFormat argument is not taken.
        if (args.size() != 1) return fail(args.empty() ? 909 : 3001, e.offset);
        if (!args[0].object_type.empty()) return fail(3001, e.offset);
        const std::string name = e.args[0]->kind == ExprKind::Column ? e.args[0]->path.back() : "ROW";
        out->sql = "vantro_sys_xmlgen(" + as_text(args[0]) + "," + quote_text(name) + ")";
        out->type.code = kTypeClob;
        out->type.size = 4000;
        out->object_type = "SYS.XMLTYPE";
        return true;
    }
    // DECODE takes at most 255 components: the expression, the searches, the results and
    // the default.
    if (f == "DECODE" && e.path.empty() && args.size() > 255) return fail(939, e.offset);
    switch (dialect_function(f, dialect_args, &out->sql, &out->type)) {
    case DialectResult::Done:
        if (f == "DBMS_XMLGEN.GETXMLTYPE") out->object_type = "SYS.XMLTYPE";
        return true;
    case DialectResult::WrongArguments:
        return fail(909, e.offset);
    case DialectResult::NotMine:
        break;
    }
    std::vector<std::string> path = e.path;
    if (path.empty()) path.push_back(f);
    if (path.size() == 2) {
        // alias.method(args): a member function of the row of an object table.
        Emitted row;
        bool object_row = false;
        if (!object_table_row(path[0], e.offset, scope, &row, &object_row)) return false;
        if (object_row) return method_call(row, path[1], args, e.offset, "\"" + path[0] + "\".\"" + path[1] + "\"", out);
    }
    if (stored_call(path, args, out)) return true;
    {
        bool constructor = false;
        if (!object_constructor(e, path, args, out, &constructor)) return false;
        if (constructor) return true;
    }
    std::string shown;
    for (std::size_t i = 0; i < path.size(); ++i) shown += (i ? ".\"" : "\"") + path[i] + "\"";
    if (path.size() == 3 && object_method(path, scope)) {
        // alias.column.method(args): a member function of an object column.
        Expr base;
        base.kind = ExprKind::Column;
        base.path = {path[0], path[1]};
        base.path_offsets = {e.offset, e.offset};
        base.offset = e.offset;
        Emitted object;
        if (!column(base, scope, &object)) return false;
        return method_call(object, path[2], args, e.offset, shown, out);
    }
    return fail(904, e.offset, shown);
}

// A stored function named [owner.]function or [owner.]package.function: the call of
// vantro_plsql_call that runs it; false when there is none.
bool Translator::stored_call(const std::vector<std::string>& path, const std::vector<Emitted>& args, Emitted* out,
                             const std::vector<std::string>* names) {
    // The names ride on the function's name, each after a double quote (which no name
    // holds): "PKG.F\"\"C" is F called with one argument by position and one named C.
    std::string named;
    if (names)
        for (const std::string& n : *names) named += "\"" + n;
    std::string quoted_named;
    for (char c : named) quoted_named += c == '\'' ? std::string("''") : std::string(1, c);
    if (path.size() == 1)
        for (auto u = declared_units_.rbegin(); u != declared_units_.rend(); ++u) {
            auto f = u->functions.find(path[0]);
            if (f == u->functions.end()) continue;
            out->sql = "vantro_plsql_call('" + ctx_.schema + "','" + u->unit + "." + path[0] + quoted_named + "'";
            for (const Emitted& a : args) out->sql += "," + a.sql;
            out->sql += ")";
            out->type = f->second;
            return true;
        }
    if (!ctx_.stored_function || path.empty() || path.size() > 3) return false;
    OraType ret;
    std::string object_type;
    std::string owner = ctx_.schema;
    std::string unit = path.back();
    bool found = false;
    if (path.size() == 3) {
        owner = path[0];
        unit = path[1] + "." + path[2];
        found = ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &object_type);
    } else if (path.size() == 2) {
        unit = path[0] + "." + path[1];
        found = ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &object_type);
        if (!found) {
            owner = path[0];
            unit = path[1];
            found = ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &object_type);
        }
    } else {
        found = ctx_.stored_function(ctx_.stored_function_data, owner, unit, &ret, &object_type);
    }
    if (!found) return false;
    out->sql = "vantro_plsql_call('" + owner + "','" + unit + quoted_named + "'";
    for (const Emitted& a : args) out->sql += "," + a.sql;
    out->sql += ")";
    out->type = ret;
    out->object_type = object_type;
    return true;
}

namespace {

// The operators that share one precedence level of a left-associative chain.
int chain_level(const Expr& e) {
    switch (e.kind) {
    case ExprKind::Binary:
        return e.text == "*" || e.text == "/" ? 2 : 1;
    case ExprKind::Concat:
        return 1;
    case ExprKind::And:
        return 3;
    case ExprKind::Or:
        return 4;
    default:
        return 0;
    }
}

// items joined by op as a balanced tree of parentheses, so that the depth of the SQL
// grows with the logarithm of the number of terms.
std::string balanced(const std::vector<std::string>& items, std::size_t a, std::size_t b, const char* op) {
    if (b - a == 1) return items[a];
    std::size_t m = a + (b - a) / 2;
    return "(" + balanced(items, a, m, op) + op + balanced(items, m, b, op) + ")";
}

// The same balanced tree of calls of a function of two arguments.
std::string balanced_calls(const std::vector<std::string>& items, std::size_t a, std::size_t b, const char* fn) {
    if (b - a == 1) return items[a];
    std::size_t m = a + (b - a) / 2;
    return std::string(fn) + "(" + balanced_calls(items, a, m, fn) + "," + balanced_calls(items, m, b, fn) + ")";
}

// The function that computes a number operator in decimal.
const char* arithmetic_function(const std::string& op) {
    return op == "+" ? "vantro_add" : op == "-" ? "vantro_sub" : op == "*" ? "vantro_mul" : "vantro_div";
}

// vantro_concat takes any number of arguments; at most this many per call.
constexpr std::size_t kConcatArgs = 50;

std::string concat_call(const std::vector<std::string>& items, std::size_t a, std::size_t b) {
    if (b - a == 1) return items[a];
    std::size_t n = b - a;
    std::size_t step = 1;
    while (step * kConcatArgs < n) step *= kConcatArgs;
    std::string sql = "vantro_concat(";
    for (std::size_t k = a; k < b; k += step) sql += (k > a ? "," : "") + concat_call(items, k, std::min(b, k + step));
    return sql + ")";
}

}  // namespace

// A chain of operators of one precedence level (a + b - c || d, a AND b AND c ...), which
// the parser builds as a left-deep tree: walked without recursion along the chain, and
// written as a balanced tree when it is long and its operator associative, so that
// neither this translator nor SQLite's parser meets its depth.
bool Translator::chain(Expr& e, const Scope& scope, Emitted* out) {
    int level = chain_level(e);
    std::vector<Expr*> spine;
    Expr* first = &e;
    while (chain_level(*first) == level) {
        spine.push_back(first);
        first = first->args[0].get();
    }
    std::vector<Emitted> terms(spine.size() + 1);
    if (!expr(*first, scope, &terms[0])) return false;
    for (std::size_t k = 0; k < spine.size(); ++k)
        if (!expr(*spine[spine.size() - 1 - k]->args[1], scope, &terms[k + 1])) return false;
    bool aggregate = false;
    for (const Emitted& t : terms) aggregate = aggregate || t.aggregate;
    const bool binary_first = terms[0].type.code == kTypeBinaryDouble || terms[0].type.code == kTypeBinaryFloat;
    if ((terms.size() >= kBalancedChain || (binary_first && terms.size() > 2)) && balanced_chain(spine, terms, out)) {
        out->aggregate = aggregate;
        return true;
    }
    Emitted acc = std::move(terms[0]);
    for (std::size_t k = 0; k < spine.size(); ++k) {
        Emitted next;
        if (!operation(*spine[spine.size() - 1 - k], acc, terms[k + 1], &next)) return false;
        acc = std::move(next);
    }
    *out = std::move(acc);
    out->aggregate = aggregate;
    return true;
}

// Writes a long chain whose operators are all AND, all OR, all || or all numeric + and -
// (or all *) as a balanced tree; false when it is none of these and must be folded.
bool Translator::balanced_chain(const std::vector<Expr*>& spine, std::vector<Emitted>& terms, Emitted* out) {
    std::vector<std::string> items;
    ExprKind kind = spine[0]->kind;
    for (const Expr* n : spine)
        if (n->kind != kind) return false;
    if (kind == ExprKind::And || kind == ExprKind::Or) {
        for (const Emitted& t : terms) items.push_back(t.sql);
        out->sql = balanced(items, 0, items.size(), kind == ExprKind::And ? " AND " : " OR ");
        return true;
    }
    if (kind == ExprKind::Concat) {
        std::uint64_t size = 0;
        for (const Emitted& t : terms) {
            items.push_back(as_text(t));
            size += text_size(t);
        }
        out->sql = concat_call(items, 0, items.size());
        out->type = varchar_type(size > 4000 ? 4000 : static_cast<std::uint32_t>(size));
        return true;
    }
    auto binary = [](const OraType& t) { return t.code == kTypeBinaryDouble || t.code == kTypeBinaryFloat; };
    if (binary(terms[0].type)) {
        // Binary arithmetic is not associative: the chain is computed left to right by one
        // call, each step in BINARY_FLOAT while both sides are, else in BINARY_DOUBLE.
        std::string steps;
        bool single = terms[0].type.code == kTypeBinaryFloat;
        for (std::size_t k = 1; k < terms.size(); ++k) {
            const OraType& t = terms[k].type;
            if (is_date(t) || is_interval(t) || !(is_number(t) || is_char(t))) return false;
            single = single && t.code == kTypeBinaryFloat;
            steps += spine[spine.size() - k]->text;
            steps += single ? 'f' : 'd';
        }
        out->sql = "vantro_binary_chain('" + steps + "'";
        for (const Emitted& t : terms) out->sql += "," + (is_number(t.type) ? t.sql : "vantro_to_number(" + t.sql + ")");
        out->sql += ")";
        out->type.code = single ? kTypeBinaryFloat : kTypeBinaryDouble;
        out->type.size = single ? 4 : 8;
        return true;
    }
    // Numbers: a - b is a + (-b), so a run of + and - is a sum of signed terms; * alone
    // is a product. Dates and division keep the left-to-right fold.
    bool product = spine[0]->text == "*";
    for (const Expr* n : spine)
        if ((n->text == "*") != product || n->text == "/") return false;
    // A date followed by numbers only: the date plus their sum.
    bool dated = !product && is_date(terms[0].type);
    for (std::size_t k = dated ? 1 : 0; k < terms.size(); ++k)
        if (is_date(terms[k].type) || is_interval(terms[k].type) || terms[k].type.code == kTypeBinaryDouble ||
            terms[k].type.code == kTypeBinaryFloat)
            return false;
    for (std::size_t k = dated ? 1 : 0; k < terms.size(); ++k) {
        const Emitted& t = terms[k];
        std::string v = is_number(t.type) ? t.sql : "vantro_to_number(" + t.sql + ")";
        bool minus = k > 0 && spine[spine.size() - k]->text == "-";
        items.push_back(minus ? "vantro_sub(0," + v + ")" : v);
    }
    out->sql = balanced_calls(items, 0, items.size(), product ? "vantro_mul" : "vantro_add");
    out->type = number_type();
    if (dated) {
        out->sql = "vantro_date_add(" + terms[0].sql + "," + out->sql + ")";
        out->type = date_type();
    }
    return true;
}

// One operator of a chain applied to its translated operands.
bool Translator::operation(const Expr& e, const Emitted& a, const Emitted& b, Emitted* out) {
    if (e.kind == ExprKind::And || e.kind == ExprKind::Or) {
        out->sql = "(" + a.sql + (e.kind == ExprKind::And ? " AND " : " OR ") + b.sql + ")";
        return true;
    }
    if (e.kind == ExprKind::Concat) {
        out->sql = "vantro_concat(" + as_text(a) + "," + as_text(b) + ")";
        out->type = varchar_type(text_size(a) + text_size(b));
        return true;
    }
    const std::string& op = e.text;
    if (is_interval(a.type) || is_interval(b.type)) return interval_operation(e, a, b, out);
    if (op == "-" && is_date(a.type) && is_date(b.type) && (is_timestamp(a.type) || is_timestamp(b.type))) {
        // Timestamps subtract to an INTERVAL DAY TO SECOND (two DATEs to a number of days).
        if (is_zoned(a.type) || is_zoned(b.type))
            out->sql = "vantro_timestamp_diff(vantro_tz_utc(" + a.sql + "),vantro_tz_utc(" + b.sql + "))";
        else
            out->sql = "vantro_timestamp_diff(" + a.sql + "," + b.sql + ")";
        out->type = interval_ds_type(9, 6);
        return true;
    }
    if (is_date(a.type) || is_date(b.type)) {
        if (op == "+" && is_date(a.type) != is_date(b.type)) {
            const Emitted& d = is_date(a.type) ? a : b;
            const Emitted& n = is_date(a.type) ? b : a;
            out->sql = "vantro_date_add(" + d.sql + ",vantro_to_number(" + n.sql + "))";
            out->type = date_type();
            return true;
        }
        if (op == "-" && is_date(a.type) && !is_date(b.type)) {
            out->sql = "vantro_date_add(" + a.sql + ",vantro_sub(0,vantro_to_number(" + b.sql + ")))";
            out->type = date_type();
            return true;
        }
        if (op == "-" && is_date(a.type) && is_date(b.type)) {
            out->sql = "vantro_date_diff(" + a.sql + "," + b.sql + ")";
            out->type = number_type();
            return true;
        }
        return fail(932, e.offset, "NUMBER", "DATE"), false;
    }
    std::string x = is_number(a.type) ? a.sql : "vantro_to_number(" + a.sql + ")";
    std::string y = is_number(b.type) ? b.sql : "vantro_to_number(" + b.sql + ")";
    const bool a_binary = a.type.code == kTypeBinaryDouble || a.type.code == kTypeBinaryFloat;
    const bool b_binary = b.type.code == kTypeBinaryDouble || b.type.code == kTypeBinaryFloat;
    if (a_binary || b_binary) {
        // Either operand binary: the other is converted and the operation is binary, in
        // BINARY_DOUBLE unless both are BINARY_FLOAT.
        const bool single = (!a_binary || a.type.code == kTypeBinaryFloat) && (!b_binary || b.type.code == kTypeBinaryFloat);
        out->sql = "vantro_binary_op('" + op + "'," + x + "," + y + "," + (single ? "1" : "0") + ")";
        out->type.code = single ? kTypeBinaryFloat : kTypeBinaryDouble;
        out->type.size = single ? 4 : 8;
        return true;
    }
    out->sql = std::string(arithmetic_function(op)) + "(" + x + "," + y + ")";
    out->type = number_type();
    return true;
}

// An operator with an interval operand: a date or timestamp moved by it, or two
// intervals of one kind added or subtracted. Anything else is ORA-30081.
bool Translator::interval_operation(const Expr& e, const Emitted& a, const Emitted& b, Emitted* out) {
    const std::string& op = e.text;
    bool plus = op == "+", minus = op == "-";
    if ((plus || minus) && is_date(a.type) && is_interval(b.type)) {
        out->sql = "vantro_date_add_interval(" + a.sql + "," + b.sql + "," + (minus ? "-1" : "1") + "," +
                   (a.type.code == kTypeDate ? "0" : "6") + ")";
        out->type = a.type;
        return true;
    }
    if (plus && is_interval(a.type) && is_date(b.type)) {
        out->sql =
            "vantro_date_add_interval(" + b.sql + "," + a.sql + ",1," + (b.type.code == kTypeDate ? "0" : "6") + ")";
        out->type = b.type;
        return true;
    }
    if ((plus || minus) && is_interval(a.type) && a.type.code == b.type.code) {
        out->sql = "vantro_interval_add(" + a.sql + "," + b.sql + "," + (minus ? "-1" : "1") + ")";
        out->type = a.type;
        out->type.precision = std::max(a.type.precision, b.type.precision);
        out->type.scale = std::max(a.type.scale, b.type.scale);
        return true;
    }
    // An interval times a number (either way round), or divided by one.
    if ((op == "*" && is_interval(a.type) && is_number(b.type)) ||
        (op == "/" && is_interval(a.type) && is_number(b.type)) ||
        (op == "*" && is_number(a.type) && is_interval(b.type))) {
        const Emitted& iv = is_interval(a.type) ? a : b;
        const Emitted& n = is_interval(a.type) ? b : a;
        out->sql = "vantro_interval_scale(" + iv.sql + "," + n.sql + "," + (op == "/" ? "1" : "0") + ")";
        out->type = iv.type;
        return true;
    }
    if ((op == "*" || op == "/") && (is_number(a.type) || is_number(b.type)))
        return fail(932, e.offset, "NUMBER", is_interval(a.type) ? family_name(a.type) : family_name(b.type)), false;
    return fail(30081, e.offset), false;
}

bool Translator::literal(const Expr& e, Emitted* out) {
    switch (e.kind) {
    case ExprKind::String:
        out->sql = quote_text(e.text);
        out->text_literal = true;
        out->type.code = kTypeChar;
        out->type.size = static_cast<std::uint32_t>(e.text.size());
        return true;
    case ExprKind::Number: {
        // Written in the stored form of its value (an integer, the exact double, or NUMBER
        // bytes for more digits than a double holds), so that a literal and the same
        // number computed or bound compare equal.
        if (!number_literal_sql(e.text, &out->sql)) out->sql = e.text;
        out->type = number_type();
        out->literal = e.text;
        return true;
    }
    case ExprKind::Sysdate:
        out->sql = "vantro_sysdate()";
        out->type = date_type();
        return true;
    case ExprKind::DateLiteral:
        out->sql = quote_text(e.text);
        out->type = date_type();
        if (e.star) {
            out->type.code = kTypeTimestamp;
            out->type.size = 11;
            out->type.scale = 6;
            if (e.cast_type.code == kTypeTimestampTz) {
                out->type.code = kTypeTimestampTz;
                out->type.size = 13;
            }
        }
        return true;
    case ExprKind::IntervalLiteral:
        out->sql = quote_text(e.text);
        out->type =
            e.star ? interval_ym_type(e.lead_precision) : interval_ds_type(e.lead_precision, e.fraction_precision);
        return true;
    case ExprKind::User:
        out->sql = "vantro_user()";
        out->type = varchar_type(30);
        return true;
    default:
        out->sql = "NULL";
        out->type = varchar_type(0);
        return true;
    }
}

bool Translator::bind(const Expr& e, Emitted* out) {
    if (e.kind == ExprKind::Attribute || !e.path.empty()) {
        bool handled = false;
        if (!host_name(e, out, &handled)) return false;
        if (handled) return true;
        // CURRENT OF names a cursor of a host language; plain SQL has none.
        if (e.kind == ExprKind::Attribute && e.text == "CURRENT OF") return fail(3001, e.offset);
        if (e.kind == ExprKind::Attribute) return fail(911, e.offset);
        return fail(904, e.offset, "\"" + e.path[0] + "\"");
    }
    out_->bind_names.push_back(e.text);
    out->sql = row_value("?" + std::to_string(out_->bind_names.size()));
    out->type = varchar_type(4000);
    auto named = ctx_.bind_types ? ctx_.bind_types->find(e.text) : std::map<std::string, OraType>::const_iterator();
    if (ctx_.bind_types && named != ctx_.bind_types->end()) {
        out->type = named->second;
    } else if (const std::vector<OraType>* typed = ctx_.bind_position_types) {
        // The placeholder's own position, else (a name repeated) its first occurrence's,
        // as the binds are applied.
        std::size_t at = out_->bind_names.size() - 1;
        for (std::size_t j = 0; j < at; ++j)
            if (out_->bind_names[j] == e.text && (at >= typed->size() || (*typed)[at].code == 0)) {
                at = j;
                break;
            }
        if (at < typed->size() && (*typed)[at].code != 0) out->type = (*typed)[at];
    }
    return true;
}

bool Translator::unary(Expr& e, const Scope& scope, Emitted* out) {
    bool handled = false;
    if (!hierarchy_value(e, scope, out, &handled)) return false;
    if (handled) return true;
    // A run of signs is written as at most two, however long it is.
    Expr* inner = &e;
    int signs = 0, minus = 0;
    while (inner->kind == ExprKind::Unary && (inner->text == "-" || inner->text == "+")) {
        ++signs;
        minus += inner->text == "-";
        inner = inner->args[0].get();
    }
    Emitted a;
    if (!expr(*inner, scope, &a)) return false;
    if (is_interval(a.type)) {
        // -interval: the interval subtracted from a zero one of its kind.
        std::string zero = a.type.code == kTypeIntervalYm ? "'+000000000-00'" : "'+000000000 00:00:00.000000000'";
        out->sql = minus % 2 ? "vantro_interval_add(" + zero + "," + a.sql + ",-1)" : a.sql;
        out->type = a.type;
        out->aggregate = a.aggregate;
        return true;
    }
    std::string x = is_number(a.type) ? a.sql : "vantro_to_number(" + a.sql + ")";
    if (minus % 2 && (!is_number(a.type) || may_be_wide(a.type)) && !a.whole)
        out->sql = "vantro_sub(0," + x + ")";  // SQLite's own minus knows no wide number
    else if (signs == 1)
        out->sql = "(" + e.text + x + ")";
    else
        out->sql = minus % 2 ? "(-" + x + ")" : minus ? "(-(-" + x + "))" : "(+" + x + ")";
    // A binary value keeps its type; SQLite's minus is IEEE's for a real.
    const bool binary = a.type.code == kTypeBinaryDouble || a.type.code == kTypeBinaryFloat;
    out->type = binary ? a.type : number_type();
    out->aggregate = a.aggregate;
    return true;
}

// Comparisons, NOT, IS NULL, LIKE and BETWEEN: the conditions on plain operands.
bool Translator::condition(Expr& e, const Scope& scope, Emitted* out) {
    switch (e.kind) {
    case ExprKind::Compare: {
        if (e.args[0]->kind == ExprKind::Row) return row_condition(e, scope, out);
        Emitted a, b;
        if (!expr(*e.args[0], scope, &a) || !expr(*e.args[1], scope, &b)) return false;
        if (!a.object_type.empty() && !b.object_type.empty()) {
            bool handled = false;
            if (!object_comparison(a, *e.args[0], e.text, b, *e.args[1], e.offset, out, &handled)) return false;
            if (handled) return true;
        }
        if (!comparison_operands(&a, &b, e.offset)) return false;
        out->sql = compare_sql(a, *e.args[0], e.text, b, *e.args[1]);
        out->type = number_type();
        out->aggregate = a.aggregate || b.aggregate;
        return true;
    }
    case ExprKind::Not: {
        // NOT NOT NOT c is NOT c: a run of NOTs is written as one or two.
        Expr* inner = e.args[0].get();
        int nots = 1;
        for (; inner->kind == ExprKind::Not; inner = inner->args[0].get()) ++nots;
        Emitted a;
        if (!expr(*inner, scope, &a)) return false;
        out->sql = nots % 2 ? "(NOT " + a.sql + ")" : "(NOT (NOT " + a.sql + "))";
        out->aggregate = a.aggregate;
        return true;
    }
    case ExprKind::IsNull: {
        Emitted a;
        if (!expr(*e.args[0], scope, &a)) return false;
        if (e.text == "NAN" || e.text == "INFINITE")
            out->sql = "(vantro_binary_class(" + a.sql + ")" + (e.negated ? "<>" : "=") + (e.text == "NAN" ? "1" : "2") +
                       ")";
        else
            out->sql = "(" + a.sql + (e.negated ? " IS NOT NULL)" : " IS NULL)");
        out->aggregate = a.aggregate;
        return true;
    }
    case ExprKind::Like: {
        std::vector<Emitted> a(e.args.size());
        for (std::size_t i = 0; i < e.args.size(); ++i)
            if (!expr(*e.args[i], scope, &a[i])) return false;
        out->sql = std::string("(") + (e.negated ? "NOT " : "") + "vantro_like(" + as_text(a[0]) + "," + as_text(a[1]) +
                   (a.size() > 2 ? "," + as_text(a[2]) : std::string()) + "))";
        return true;
    }
    case ExprKind::RegexpLike: {
        std::vector<Emitted> a(e.args.size());
        for (std::size_t i = 0; i < e.args.size(); ++i)
            if (!expr(*e.args[i], scope, &a[i])) return false;
        out->sql = regexp_like_sql(as_text(a[0]), as_text(a[1]), a.size() > 2 ? as_text(a[2]) : std::string());
        for (const Emitted& x : a) out->aggregate = out->aggregate || x.aggregate;
        return true;
    }
    case ExprKind::Between: {
        Emitted v, lo, hi;
        if (!expr(*e.args[0], scope, &v) || !expr(*e.args[1], scope, &lo) || !expr(*e.args[2], scope, &hi))
            return false;
        Emitted v2 = v;
        if (!comparison_operands(&v, &lo, e.offset)) return false;
        if (!comparison_operands(&v2, &hi, e.offset)) return false;
        const std::string from = compare_sql(v, *e.args[0], ">=", lo, *e.args[1]);
        const std::string to = compare_sql(v2, *e.args[0], "<=", hi, *e.args[2]);
        // Wide numbers compare by their keys: the two comparisons BETWEEN stands for.
        if (from != "(" + v.sql + ">=" + lo.sql + ")" || to != "(" + v2.sql + "<=" + hi.sql + ")")
            out->sql = std::string("(") + (e.negated ? "NOT " : "") + "(" + from + " AND " + to + "))";
        else
            out->sql = "(" + v.sql + (e.negated ? " NOT" : "") + " BETWEEN " + lo.sql + " AND " + hi.sql + ")";
        return true;
    }
    default:
        return fail(936, e.offset);
    }
}

bool Translator::in_list(Expr& e, const Scope& scope, Emitted* out) {
    if (e.args[0]->kind == ExprKind::Row) return row_condition(e, scope, out);
    Emitted v;
    if (!expr(*e.args[0], scope, &v)) return false;
    std::string list, by_method;
    bool methods = !v.object_type.empty();
    for (std::size_t i = 1; i < e.args.size(); ++i) {
        Emitted item, lhs = v;
        if (!expr(*e.args[i], scope, &item)) return false;
        if (methods) {
            // Objects of a type with a MAP or ORDER method are equal by its answers.
            Emitted cmp;
            bool handled = false;
            if (!object_comparison(v, *e.args[0], "=", item, *e.args[i], e.offset, &cmp, &handled)) return false;
            methods = handled;
            by_method += (i > 1 ? " OR " : "") + cmp.sql;
        }
        if (!comparison_operands(&lhs, &item, e.offset)) return false;
        list += (i > 1 ? "," : "") + item.sql;
    }
    out->type = number_type();
    if (methods) {
        out->sql = e.negated ? "(NOT (" + by_method + "))" : "(" + by_method + ")";
        return true;
    }
    out->sql = "(" + v.sql + (e.negated ? " NOT IN (" : " IN (") + list + "))";
    return true;
}

// A quantified comparison whose value is an aggregate (HAVING max(x) > ALL (...)), which
// SQLite does not let a subquery's WHERE hold: the value is compared outside with the
// subquery's row count, its count of non-NULL values and their least and greatest one.
// = ANY and <> ALL are IN and NOT IN, whose NULL rules are the same.
static bool quantified_summary(const std::string& op, bool all, const std::string& value, const std::string& column,
                               const std::string& sub, Emitted* out) {
    auto of = [&](const std::string& agg) { return "(SELECT " + agg + " FROM (" + sub + "))"; };
    std::string count = of("count(*)"), known = of("count(" + column + ")");
    std::string lo = of("min(" + column + ")"), hi = of("max(" + column + ")");
    std::string in = "(SELECT " + column + " FROM (" + sub + "))";
    if (op == "=" && !all) {
        out->sql = "(" + value + " IN " + in + ")";
        return true;
    }
    if (op == "<>" && all) {
        out->sql = "(" + value + " NOT IN " + in + ")";
        return true;
    }
    // The comparison that decides: against one extreme, or for = ALL and <> ANY, a value
    // differing from either extreme.
    std::string decides, rest;
    if (op == "=" || op == "<>") {
        decides = "(" + value + "<>" + lo + " OR " + value + "<>" + hi + ")";
        rest = "(" + value + op + lo + ")";
    } else {
        bool greater = op[0] == '>';
        std::string extreme = greater == all ? hi : lo;
        rest = "(" + value + op + extreme + ")";
        decides = all ? "(NOT " + rest + ")" : rest;
    }
    out->sql = "(CASE WHEN " + decides + " THEN " + (all ? "0" : "1") + " WHEN " + count + "=0 THEN " +
               (all ? "1" : "0") + " WHEN " + count + ">" + known + " THEN NULL ELSE " + rest + " END)";
    return true;
}

// value op ANY|SOME|ALL (list or subquery), with the three-valued answer Oracle gives:
// ANY is TRUE when one comparison is, ALL FALSE when one comparison is; otherwise a
// comparison that is UNKNOWN (a NULL on either side) makes the whole UNKNOWN, and only
// then is the answer FALSE for ANY and TRUE for ALL (so over no rows at all).
bool Translator::quantified(Expr& e, const Scope& scope, Emitted* out) {
    if (e.args[0]->kind == ExprKind::Row) return row_condition(e, scope, out);
    bool all = e.star;
    Emitted v;
    if (!expr(*e.args[0], scope, &v)) return false;
    out->type = number_type();
    out->aggregate = v.aggregate;
    if (!e.subquery) {
        // Over a list the chain of OR (ANY) or AND (ALL) has exactly those rules.
        std::string terms;
        for (std::size_t i = 1; i < e.args.size(); ++i) {
            Emitted item, lhs = v;
            if (!expr(*e.args[i], scope, &item)) return false;
            if (!comparison_operands(&lhs, &item, e.offset)) return false;
            terms += (i > 1 ? (all ? " AND " : " OR ") : "") + compare_sql(lhs, *e.args[0], e.text, item, *e.args[i]);
            out->aggregate = out->aggregate || item.aggregate;
        }
        out->sql = "(" + terms + ")";
        return true;
    }
    std::vector<ColumnInfo> cols;
    std::string sub;
    if (!select(*e.subquery, &scope, &cols, &sub)) return false;
    if (cols.size() != 1) return fail(913, e.subquery->offset);
    // The subquery's column is renamed so that names in the value still reach the outer
    // query's columns, not the subquery's.
    Emitted c;
    c.sql = "vantro_quantified";
    c.type = cols[0].type;
    if (!comparison_operands(&v, &c, e.offset)) return false;
    Expr column;
    column.kind = ExprKind::Column;
    if (compare_sql(v, *e.args[0], e.text, c, column) != "(" + v.sql + e.text + c.sql + ")") {
        // Wide numbers: both sides by their keys, which also order the least and the
        // greatest of the subquery's values.
        v.sql = "vantro_num_key(" + v.sql + ")";
        c.sql = "vantro_num_key(" + c.sql + ")";
    }
    std::string renamed = "SELECT " + quote_name(cols[0].name) + " AS vantro_quantified FROM (" + sub + ")";
    if (v.aggregate) return quantified_summary(e.text, all, v.sql, c.sql, renamed, out);
    std::string rows = "(SELECT 1 FROM (" + renamed + ") WHERE ";
    std::string cmp = "(" + v.sql + e.text + c.sql + ")";
    std::string decided = all ? "NOT " + cmp : cmp;
    out->sql = "(CASE WHEN EXISTS " + rows + decided + ") THEN " + (all ? "0" : "1") + " WHEN EXISTS " + rows + cmp +
               " IS NULL) THEN NULL ELSE " + (all ? "1" : "0") + " END)";
    return true;
}

// IN (subquery), EXISTS and scalar subqueries.
bool Translator::subquery(Expr& e, const Scope& scope, Emitted* out) {
    if (e.kind == ExprKind::InSubquery && e.args[0]->kind == ExprKind::Row) return row_condition(e, scope, out);
    std::vector<ColumnInfo> cols;
    std::string sub;
    if (!select(*e.subquery, &scope, &cols, &sub)) return false;
    if (e.kind == ExprKind::Exists) {
        out->sql = "(EXISTS (" + sub + "))";
        return true;
    }
    if (cols.size() != 1) return fail(913, e.subquery->offset);
    if (e.kind == ExprKind::InSubquery) {
        Emitted v;
        if (!expr(*e.args[0], scope, &v)) return false;
        out->sql = "(" + v.sql + (e.negated ? " NOT IN (" : " IN (") + sub + "))";
        return true;
    }
    // A scalar subquery must deliver at most one row (ORA-01427), which SQLite does not check.
    out->sql = "(SELECT CASE WHEN count(*)>1 THEN vantro_error(1427) ELSE min(" + quote_name(cols[0].name) +
               ") END FROM (" + sub + "))";
    out->type = cols[0].type;
    return true;
}

bool Translator::case_expr(Expr& e, const Scope& scope, Emitted* out) {
    std::string sql = "(CASE";
    std::size_t i = 0;
    if (e.has_operand) {
        Emitted op;
        if (!expr(*e.args[0], scope, &op)) return false;
        sql += " " + op.sql;
        i = 1;
    }
    bool typed = false;
    // Every non-NULL result must be of the first one's family (ORA-00932).
    auto result = [&](Emitted& t, const Expr& source) {
        if (source.kind == ExprKind::Null) return true;
        if (!typed) {
            out->type = t.type;
            typed = true;
            return true;
        }
        if (!same_family(out->type, t.type)) {
            fail(932, source.offset, type_family(out->type), type_family(t.type));
            return false;
        }
        if (t.trimmed) t.sql = as_text(t);
        out->type = wider(out->type, t.type, text_size(t));
        return true;
    };
    std::size_t pairs_end = e.args.size() - (e.has_else ? 1 : 0);
    for (; i + 1 < pairs_end + 1 && i < pairs_end; i += 2) {
        Emitted w, t;
        if (!expr(*e.args[i], scope, &w) || !expr(*e.args[i + 1], scope, &t)) return false;
        if (!result(t, *e.args[i + 1])) return false;
        sql += " WHEN " + w.sql + " THEN " + t.sql;
        out->aggregate = out->aggregate || w.aggregate || t.aggregate;
    }
    if (e.has_else) {
        Emitted el;
        if (!expr(*e.args.back(), scope, &el)) return false;
        if (!result(el, *e.args.back())) return false;
        sql += " ELSE " + el.sql;
        if (!typed) out->type = el.type;
    }
    out->sql = sql + " END)";
    if (out->type.code == kTypeChar) out->type.code = kTypeVarchar2;
    return true;
}

bool Translator::expr(Expr& e, const Scope& scope, Emitted* out) {
    if (grouped_) {
        bool handled = false;
        if (!grouped_value(e, scope, out, &handled)) return false;
        if (handled) return true;
    }
    switch (e.kind) {
    case ExprKind::String:
    case ExprKind::Number:
    case ExprKind::Null:
    case ExprKind::Sysdate:
    case ExprKind::DateLiteral:
    case ExprKind::IntervalLiteral:
    case ExprKind::User:
        return literal(e, out);
    case ExprKind::Attribute:
    case ExprKind::Bind:
        return bind(e, out);
    case ExprKind::Column:
        return column(e, scope, out);
    case ExprKind::Star:
        return fail(936, e.offset);
    case ExprKind::Unary:
        return unary(e, scope, out);
    case ExprKind::Binary:
    case ExprKind::Concat:
    case ExprKind::And:
    case ExprKind::Or:
        return chain(e, scope, out);
    case ExprKind::Compare:
    case ExprKind::Not:
    case ExprKind::IsNull:
    case ExprKind::Like:
    case ExprKind::RegexpLike:
    case ExprKind::Between:
        return condition(e, scope, out);
    case ExprKind::InList:
        return in_list(e, scope, out);
    case ExprKind::Quantified:
        return quantified(e, scope, out);
    case ExprKind::InSubquery:
    case ExprKind::Exists:
    case ExprKind::Subquery:
        return subquery(e, scope, out);
    case ExprKind::Function:
        return function(e, scope, out);
    case ExprKind::IsJson:
    case ExprKind::JsonExists:
    case ExprKind::JsonFunction:
        return json(e, scope, out);
    case ExprKind::Case:
        return case_expr(e, scope, out);
    case ExprKind::Cast:
        return cast(e, scope, out);
    case ExprKind::Extract:
        return extract(e, scope, out);
    case ExprKind::Row:
        return fail(920, e.offset);
    case ExprKind::Multiset:
        return multiset(e, scope, out);
    case ExprKind::Postfix:
        return postfix(e, scope, out);
    }
    return fail(936, e.offset);
}
