// CAST(expr AS type) and EXTRACT(field FROM expr): the conversions written as the engine's
// SQL functions, with Oracle's checks of the source's datatype at translation time.
#include "values/errors.h"
#include "values/sql_interval.h"
#include "sql/sql_translator.h"

std::string quote_text(const std::string& s);
bool datetime_store_sql(const Emitted& v, const OraType& t, std::string* sql);

// The datatype's name as ORA-00932 shows it.
std::string family_name(const OraType& t) {
    if (t.code == kTypeIntervalYm) return "INTERVAL YEAR TO MONTH";
    if (t.code == kTypeIntervalDs) return "INTERVAL DAY TO SECOND";
    if (t.code == kTypeBinaryFloat) return "BINARY_FLOAT";
    if (t.code == kTypeBinaryDouble) return "BINARY_DOUBLE";
    if (t.code == kTypeTimestamp) return "TIMESTAMP";
    if (t.code == kTypeTimestampTz) return "TIMESTAMP WITH TIME ZONE";
    if (t.code == kTypeTimestampLtz) return "TIMESTAMP WITH LOCAL TIME ZONE";
    return type_family(t);
}

namespace {

bool is_binary(const OraType& t) {
    return t.code == kTypeBinaryFloat || t.code == kTypeBinaryDouble;
}

bool is_raw(const OraType& t) {
    return t.code == kTypeRaw || t.code == kTypeBlob || t.code == kTypeLongRaw;
}

}  // namespace

bool Translator::cast(Expr& e, const Scope& scope, Emitted* out) {
    const Expr& source = *e.args[0];
    Emitted v;
    if (!expr(*e.args[0], scope, &v)) return false;
    const OraType& t = e.cast_type;
    const std::uint32_t type_at = e.path_offsets.empty() ? e.offset : e.path_offsets[0];
    out->aggregate = v.aggregate;
    out->type = t;
    out->trimmed = t.code == kTypeChar;
    if (t.code == kTypeLong || t.code == kTypeLongRaw || t.code == kTypeBlob) return fail(902, type_at);
    if (source.kind == ExprKind::Null) {
        out->sql = "NULL";
        return true;
    }
    auto mismatch = [&]() { return fail(932, source.offset, family_name(t), family_name(v.type)); };
    // The source as a number: text read by the session's NLS rules (ORA-01722).
    auto as_number = [&]() -> std::string {
        if (is_binary(v.type)) return "vantro_binary_number(" + v.sql + ")";
        if (is_number(v.type)) return v.literal.empty() ? v.sql : quote_text(v.literal);
        return "vantro_to_number(" + v.sql + ")";
    };
    switch (t.code) {
    case kTypeNumber:
        if (!is_number(v.type) && !is_binary(v.type) && !is_char(v.type)) return mismatch();
        if (t.precision == 0 && t.scale == -127)
            out->sql = is_char(v.type) || is_binary(v.type) ? as_number() : v.sql;
        else
            out->sql = "vantro_store_number(" + as_number() + "," + std::to_string(t.precision) + "," +
                       std::to_string(t.scale) + ")";
        return true;
    case kTypeBinaryFloat:
    case kTypeBinaryDouble:
        if (!is_number(v.type) && !is_binary(v.type) && !is_char(v.type)) return mismatch();
        // Text is read by the conversion itself, which knows Inf and NaN and the binary
        // range beyond NUMBER's.
        out->sql = "vantro_cast_binary(" + (is_char(v.type) ? v.sql : as_number()) + "," + (t.code == kTypeBinaryFloat ? "1" : "0") + ")";
        return true;
    case kTypeVarchar2:
    case kTypeChar:
        if (v.type.code == kTypeBlob) return mismatch();
        // A text literal is cut to the length; any other value that does not fit is
        // ORA-25137.
        out->sql = "vantro_cast_text(" + as_text(v) + "," + std::to_string(t.size) + "," +
                   (t.char_used || t.national ? "1" : "0") + "," + (source.kind == ExprKind::String ? "1" : "0") + "," +
                   (t.code == kTypeChar ? "1" : "0") + ")";
        return true;
    case kTypeClob:
        if (is_raw(v.type)) return mismatch();
        out->sql = as_text(v);
        return true;
    case kTypeDate:
        if (is_char(v.type))
            out->sql = "vantro_to_date(" + v.sql + ")";
        else if (v.type.code == kTypeDate)
            out->sql = v.sql;
        else if (is_zoned(v.type))
            out->sql = "vantro_timestamp_round(vantro_tz_local(" + v.sql + "," +
                       (v.type.code == kTypeTimestampLtz ? "1" : "0") + "),0,0)";
        else if (is_timestamp(v.type))
            out->sql = "vantro_timestamp_round(" + v.sql + ",0,0)";
        else
            return mismatch();
        return true;
    case kTypeTimestamp: {
        std::string ts;
        if (is_char(v.type))
            ts = "vantro_to_timestamp(" + v.sql + ")";
        else if (v.type.code == kTypeDate)
            ts = "(" + v.sql + "||'.000000')";
        else if (is_zoned(v.type))
            ts = "vantro_tz_local(" + v.sql + "," + (v.type.code == kTypeTimestampLtz ? "1" : "0") + ")";
        else if (is_timestamp(v.type))
            ts = v.sql;
        else
            return mismatch();
        // The engine keeps microseconds: fewer places round, more keep the six.
        out->sql = t.scale < 6 ? "vantro_timestamp_round(" + ts + "," + std::to_string(t.scale) + ",6)" : ts;
        return true;
    }
    case kTypeRaw:
        if (is_raw(v.type))
            out->sql = v.sql;
        else if (is_char(v.type))
            out->sql = "vantro_hextoraw(" + v.sql + ",0,NULL)";
        else
            return mismatch();
        out->sql = "(CASE WHEN length(" + out->sql + ")>" + std::to_string(t.size) + " THEN vantro_error(25137) ELSE " +
                   out->sql + " END)";
        return true;
    case kTypeIntervalYm:
    case kTypeIntervalDs:
    case kTypeTimestampTz:
    case kTypeTimestampLtz:
        if (!datetime_store_sql(v, t, &out->sql)) return mismatch();
        return true;
    default:
        return fail(902, type_at);
    }
}

bool Translator::extract(Expr& e, const Scope& scope, Emitted* out) {
    const Expr& source = *e.args[0];
    Emitted v;
    if (!expr(*e.args[0], scope, &v)) return false;
    const std::uint32_t field_at = e.path_offsets.empty() ? e.offset : e.path_offsets[0];
    static const char* const kFields[] = {"YEAR", "MONTH", "DAY", "HOUR", "MINUTE", "SECOND"};
    int field = -1;
    for (int k = 0; k < 6; ++k)
        if (e.text == kFields[k]) field = k;
    out->aggregate = v.aggregate;
    out->type = number_type();
    const bool zoned = is_zoned(v.type);
    if (e.text == "TIMEZONE_HOUR") field = 6;
    if (e.text == "TIMEZONE_MINUTE") field = 7;
    if (field < 0 || (field >= 6 && !zoned)) {
        // Region names and abbreviations are not kept: a zone is an offset here.
        if (zoned) return fail(3001, field_at);
        return fail(30076, field_at);
    }
    if (source.kind == ExprKind::Null) {
        out->sql = "NULL";
        return true;
    }
    bool fits = false;
    if (v.type.code == kTypeDate)
        fits = field <= 2;
    else if (is_timestamp(v.type))
        fits = true;
    else if (v.type.code == kTypeIntervalYm)
        fits = field <= 1;
    else if (v.type.code == kTypeIntervalDs)
        fits = field >= 2;
    if (!fits) return fail(30076, field_at);
    out->sql = "vantro_extract(" + v.sql + "," + std::to_string(field) + "," + (is_interval(v.type) ? "1" : "0") + "," +
               (zoned ? "1" : "NULL") + ")";
    return true;
}
