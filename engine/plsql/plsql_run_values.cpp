// The interpreter's values: conversion into a variable's declared type, text of a value
// as Oracle shows it, and the values of the references a statement binds.
#include "plsql/plsql_interpreter.h"

#include "catalog/catalog.h"
#include "values/clock.h"
#include "values/decimal.h"
#include "values/number_bytes.h"
#include "values/errors.h"
#include "os/os.h"
#include "values/sql_interval.h"
#include "values/sql_objects.h"
#include "values/sql_rowid.h"
#include "values/timestamp_tz.h"
#include "values/values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plsql_running {

namespace {

bool is_zoned_type(const OraType& t) {
    return t.code == kTypeTimestampTz || t.code == kTypeTimestampLtz;
}

}  // namespace

void Interpreter::call_stack_frames(std::string* out) const {
    std::string name = "anonymous block";
    if (p_->is_package)
        name = "package body " + p_->package_owner + "." + p_->package_name;
    else if (p_->is_unit)
        name = (p_->is_function ? "function " : "procedure ") + p_->unit_owner + "." + p_->unit_name;
    char handle[32];
    std::snprintf(handle, sizeof handle, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p_)));
    auto frame = [&](int line) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "%s%10d  ", handle, line);
        *out += buf + name + "\n";
    };
    frame(line_);
    for (std::size_t k = local_lines_.size(); k-- > 0;) frame(local_lines_[k]);
}

std::string Interpreter::text_of(const PlValue& v, const OraType& type) const {
    char buf[320];
    switch (v.kind) {
    case PlKind::Null:
        return std::string();
    case PlKind::Int:
        if (type.code == kTypeBinaryDouble || type.code == kTypeBinaryFloat)
            return std::string(buf, number_text_binary(static_cast<double>(v.i), type.code == kTypeBinaryFloat, buf,
                                                       sizeof buf));
        return std::string(buf, number_text_int(v.i, buf, sizeof buf));
    case PlKind::Real:
        if (type.code == kTypeBinaryDouble || type.code == kTypeBinaryFloat)
            return std::string(buf, number_text_binary(v.d, type.code == kTypeBinaryFloat, buf, sizeof buf));
        if (!v.s.empty()) {
            std::string t;
            if (number_bytes_text(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &t)) return t;
        }
        return std::string(buf, number_text_double(v.d, buf, sizeof buf));
    case PlKind::Text:
        if ((type.code == kTypeBinaryDouble || type.code == kTypeBinaryFloat) && (v.s == "NaN" || v.s == "Nan"))
            return "Nan";
        // A NUMBER read from SQL as its bytes prints as the number.
        if (type.code == kTypeNumber) {
            std::string t;
            if (number_bytes_text(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &t)) return t;
        }
        // A RAW value's bytes become their hex text, as Oracle converts RAW to text.
        if (pl_binary_type(type)) {
            std::string hex(v.s.size() * 2 + 1, '\0');
            hex.resize(raw_to_hex(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &hex[0], hex.size()));
            return hex;
        }
        if (type.code == kTypeTimestampTz || type.code == kTypeTimestampLtz) {
            std::string shown;
            if (tz_display(ses_->settings, v.s.data(), v.s.size(), type.code == kTypeTimestampLtz, &shown))
                return shown;
        }
        if (is_interval(type)) {
            IntervalValue iv;
            if (interval_parse_stored(v.s.data(), v.s.size(), &iv))
                return interval_text(iv, type.precision, type.scale);
        }
        if (type.code == kTypeDate || type.code == kTypeTimestamp) {
            DateValue d;
            if (date_parse_stored(v.s.data(), v.s.size(), &d)) {
                std::string shown(
                    buf,
                    date_format(d, type.code == kTypeDate ? ses_->settings.date_mask : ses_->settings.timestamp_mask,
                                buf, sizeof buf));
                return shown;
            }
        }
        return v.s;
    }
    return std::string();
}

// The SQL that turns ?1 (of type from) into the stored form of type to, as a column of
// that type would store it; empty when no value of from becomes one of to.
std::string Interpreter::datetime_store_sql(const OraType& from, const OraType& to) {
    bool from_char = from.code == kTypeVarchar2 || from.code == kTypeChar || from.code == kTypeClob;
    if (is_interval(to)) {
        std::string value;
        if (from.code == to.code)
            value = "?1";
        else if (from_char)
            value = std::string("vantro_text_to_interval(?1,") + (to.code == kTypeIntervalYm ? "1" : "0") + ")";
        else
            return std::string();
        return "vantro_interval_store(" + value + "," + std::to_string(to.precision) + "," +
               std::to_string(to.code == kTypeIntervalDs ? to.scale : 0) + ")";
    }
    std::string ltz = from.code == kTypeTimestampLtz ? "1" : "0";
    if (to.code == kTypeDate) return "substr(vantro_tz_local(?1," + ltz + "),1,19)";
    if (to.code == kTypeTimestamp) return "vantro_tz_local(?1," + ltz + ")";
    std::string value;
    if (from.code == kTypeDate)
        value = "(?1||'.000000')";
    else if (from.code == kTypeTimestampLtz)
        value = "vantro_tz_at(?1,NULL)";  // shown in the session's zone, so it keeps that one
    else if (from.code == kTypeTimestamp || from.code == kTypeTimestampTz || from_char)
        value = "?1";
    else
        return std::string();
    return "vantro_tz_store(" + value + "," + std::to_string(to.scale) + "," + (from_char ? "1" : "0") + "," +
           (to.code == kTypeTimestampLtz ? "1" : "0") + ")";
}

bool Interpreter::convert_datetime(const PlValue& v, const OraType& from, const OraType& to, PlValue* out,
                                   PlError* err) {
    std::string sql = datetime_store_sql(from, to);
    if (sql.empty() || (v.kind != PlKind::Text && v.kind != PlKind::Null)) {
        *err = pl_error(932, datetime_type_name(to).empty() ? "DATE" : datetime_type_name(to),
                        from.code == kTypeNumber ? "NUMBER" : "-");
        return false;
    }
    sqlite3_stmt* vm = nullptr;
    sql = "select " + sql;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &vm, nullptr) != SQLITE_OK) {
        *err = sqlite_error(true);
        return false;
    }
    bind_value(vm, 1, v);
    bool ok = sqlite3_step(vm) == SQLITE_ROW;
    if (ok)
        *out = column_value(vm, 0);
    else
        *err = sqlite_error(true);
    sqlite3_finalize(vm);
    return ok;
}

bool Interpreter::convert_number(const PlValue& v, const OraType& from, const OraType& to, PlValue* out,
                                 PlError* err) const {
    Decimal x;
    const bool to_binary = to.code == kTypeBinaryDouble || to.code == kTypeBinaryFloat;
    if (to_binary && (v.kind == PlKind::Real || v.kind == PlKind::Int || v.kind == PlKind::Text)) {
        // Binary values stay binary: an infinity, and a double's own rounding; a
        // BINARY_FLOAT keeps the nine digits a float holds.
        double d = v.kind == PlKind::Int ? static_cast<double>(v.i) : v.d;
        if (v.kind == PlKind::Text) {
            Decimal t;
            std::string word;
            for (char c : v.s)
                if (c != ' ') word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (word == "INF" || word == "+INF" || word == "INFINITY")
                d = HUGE_VAL;
            else if (word == "-INF" || word == "-INFINITY")
                d = -HUGE_VAL;
            else if (word == "NAN")
                d = std::nan("");
            else if ((from.code == kTypeNumber &&
                      number_bytes_decode(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &t)) ||
                     decimal_parse(v.s.data(), v.s.size(), &t))
                d = decimal_to_double(t);
            else if (!(v.s.size() < 200 && std::sscanf(v.s.c_str(), "%lf", &d) == 1)) {
                *err = value_error("character to number conversion error");
                return false;
            }
        }
        if (to.code == kTypeBinaryFloat && std::isfinite(d)) {
            const float f = static_cast<float>(d);
            if (std::isinf(f)) {
                *err = pl_error(1426);
                return false;
            }
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
            d = std::strtod(buf, nullptr);
        }
        const bool whole = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 9.0e15;
        out->kind = whole ? PlKind::Int : PlKind::Real;
        out->i = whole ? static_cast<std::int64_t>(d) : 0;
        out->d = d;
        out->s.clear();
        return true;
    }
    switch (v.kind) {
    case PlKind::Null:
        *out = v;
        return true;
    case PlKind::Int:
        x = decimal_of_int(v.i);
        break;
    case PlKind::Real:
        if (!pl_number_decimal(v, &x)) {
            *err = value_error("character to number conversion error");
            return false;
        }
        break;
    case PlKind::Text:
        // A NUMBER read from SQL in its bytes form, or number text.
        if (!(from.code == kTypeNumber &&
              number_bytes_decode(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), &x)) &&
            !decimal_parse(v.s.data(), v.s.size(), &x)) {
            *err = value_error("character to number conversion error");
            return false;
        }
        break;
    }
    if (to.code == kTypeBinaryDouble || to.code == kTypeBinaryFloat) {
        const double d = decimal_to_double(x);
        std::int64_t iv = 0;
        const bool whole = d == std::trunc(d) && std::fabs(d) < 9.2e18;
        if (whole) iv = static_cast<std::int64_t>(d);
        out->kind = whole ? PlKind::Int : PlKind::Real;
        out->i = iv;
        out->d = d;
        out->s.clear();
        return true;
    }
    // NUMBER(p,s) and FLOAT(b) round in decimal (2.675 to two places is 2.68) and refuse
    // more digits than the precision; a plain NUMBER keeps NUMBER's own precision.
    NumberStored n;
    const int code = to.precision > 0 ? number_store_decimal(x, to.precision, to.scale, &n)
                                      : (number_stored(x, &n) ? 0 : 1426);
    if (code == 1438) {
        *err = value_error("number precision too large");
        return false;
    }
    if (code) {
        *err = pl_error(code);
        return false;
    }
    *out = pl_number_value(n);
    return true;
}

// Into a RAW or BLOB: bytes stay as they are, text is read as hexadecimal (a number as
// its text), as Oracle converts implicitly. A RAW longer than its variable and bad hex
// digits raise VALUE_ERROR; the empty RAW is NULL, an empty BLOB has length 0.
bool Interpreter::convert_binary(const PlValue& v, const OraType& from, const OraType& to, PlValue* out,
                                 PlError* err) const {
    *out = PlValue();
    std::string bytes;
    if (pl_binary_type(from) && v.kind == PlKind::Text) {
        bytes = v.s;
    } else if (!raw_from_hex(text_of(v, from), &bytes)) {
        *err = value_error("hex to raw conversion error");
        return false;
    }
    if (to.code == kTypeRaw && to.size && bytes.size() > to.size) {
        *err = value_error("raw variable length too long");
        return false;
    }
    if (bytes.empty() && to.code != kTypeBlob) return true;
    out->kind = PlKind::Text;
    out->s = std::move(bytes);
    return true;
}

// A value of an integer subtype: PLS_INTEGER beyond 32 bits is ORA-01426, NATURAL,
// POSITIVE and SIGNTYPE outside their ranges VALUE_ERROR; SIMPLE_INTEGER wraps around in
// two's complement instead of overflowing.
static bool integer_subtype_value(PlIntRange range, PlValue* v, PlError* err) {
    constexpr std::int64_t kLow = -2147483648LL, kHigh = 2147483647LL;
    const bool whole = v->kind == PlKind::Int;
    const std::int64_t n = whole ? v->i : 0;
    switch (range) {
    case PlIntRange::None:
        return true;
    case PlIntRange::PlsInteger:
        if (whole && n >= kLow && n <= kHigh) return true;
        *err = pl_error(1426);
        return false;
    case PlIntRange::SimpleInteger:
        if (!whole) {
            *err = pl_error(1426);
            return false;
        }
        v->i = static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(n)));
        v->d = static_cast<double>(v->i);
        return true;
    case PlIntRange::Natural:
    case PlIntRange::Positive:
    case PlIntRange::Signtype: {
        const std::int64_t low = range == PlIntRange::Natural ? 0 : range == PlIntRange::Positive ? 1 : -1;
        const std::int64_t high = range == PlIntRange::Signtype ? 1 : kHigh;
        if (whole && n >= low && n <= high) return true;
        *err = value_error("");
        return false;
    }
    }
    return true;
}

bool Interpreter::assign_var(int slot, const PlValue& v, const OraType& from, PlError* err) {
    PlValue out;
    if (!convert_to(p_->vars[static_cast<std::size_t>(slot)], v, from, &out, err)) return false;
    var(slot) = out;
    return true;
}

bool Interpreter::convert_to(const PlVarInfo& info, const PlValue& v, const OraType& from, PlValue* result,
                             PlError* err) {
    PlValue& out = *result;
    out = PlValue();
    if (info.type.code == kPlTypeRefCursor) {
        // A cursor variable takes the reference: both then refer to the same cursor.
        if (v.kind != PlKind::Null && (from.code != kPlTypeRefCursor || v.kind != PlKind::Int)) {
            *err = pl_error(6504);
            return false;
        }
        out = v;
        return true;
    }
    if (from.code == kPlTypeRefCursor && v.kind != PlKind::Null) {
        *err = pl_error(932, "-", "CURSOR");
        return false;
    }
    if (info.collection != PlCollection::None) {
        // A collection passed on is a copy of its own; one SQL gives (a record's field
        // fetched from a nested table column) is its constructor text.
        if (!v.coll && v.kind == PlKind::Text && info.collection != PlCollection::IndexBy)
            return collection_from_text(info, v, &out, err);
        out = v;
        if (out.coll) out.coll = std::make_shared<PlCollectionData>(*out.coll);
        return true;
    }
    if (info.type.code == kTypeObject && v.kind != PlKind::Null) {
        // An object variable holds its type's constructor text and nothing else.
        const std::string name = info.type_name.substr(info.type_name.find('.') + 1);
        if (v.kind != PlKind::Text || v.s.compare(0, name.size() + 1, name + "(") != 0 || v.s.back() != ')') {
            *err = value_error("");
            return false;
        }
        out = v;
        return true;
    }
    if (v.kind == PlKind::Null) {
        if (info.not_null) {
            *err = value_error("");
            return false;
        }
        return true;
    }
    const OraType& to = info.type;
    if (info.boolean || to.code == kTypeNumber || to.code == kTypeBinaryDouble || to.code == kTypeBinaryFloat) {
        if (!convert_number(v, from, to, &out, err)) return false;
        if (info.int_range != PlIntRange::None && !integer_subtype_value(info.int_range, &out, err)) return false;
    } else if (is_zoned_type(to) || is_interval(to) ||
               ((to.code == kTypeDate || to.code == kTypeTimestamp) && is_zoned_type(from))) {
        if (!convert_datetime(v, from, to, &out, err)) return false;
    } else if (to.code == kTypeDate || to.code == kTypeTimestamp) {
        if (from.code == kTypeDate || from.code == kTypeTimestamp) {
            // A DATE keeps no fraction of a second; a TIMESTAMP has one, zero from a DATE
            // (stored forms compare as text).
            out = v;
            if (out.kind == PlKind::Text && to.code == kTypeDate && out.s.size() > 19) out.s.resize(19);
            if (out.kind == PlKind::Text && to.code == kTypeTimestamp && out.s.size() == 19) out.s += ".000000";
        } else if (v.kind == PlKind::Text) {
            DateValue now;
            DateValue d;
            OraError e;
            if (!date_parse(v.s, ses_->settings.nls_date_format, now, &d, &e)) {
                *err = make_error(e.code, e.message);
                return false;
            }
            out.kind = PlKind::Text;
            out.s = date_stored_text(d);
        } else {
            *err = value_error("");
            return false;
        }
    } else if (pl_binary_type(to)) {
        if (!convert_binary(v, from, to, &out, err)) return false;
    } else {
        out.kind = PlKind::Text;
        out.s = text_of(v, from);
        if (to.code == kTypeRowid && !rowid_valid(out.s)) {
            *err = pl_error(1410);
            return false;
        }
        if (to.size && out.s.size() > to.size && to.code != kTypeClob) {
            *err = value_error("character string buffer too small");
            return false;
        }
        if (to.code == kTypeChar && out.s.size() < to.size) out.s.append(to.size - out.s.size(), ' ');
    }
    return true;
}

bool Interpreter::object_with_attribute(const PlTarget& t, const PlValue& object, const PlValue& v,
                                        const OraType& from, PlValue* out, PlError* err) {
    if (object.kind != PlKind::Text) {
        *err = pl_error(6530);
        return false;
    }
    PlVarInfo attribute;
    attribute.type = t.attribute_type;
    PlValue value;
    if (!convert_to(attribute, v, from, &value, err)) return false;
    const bool number = t.attribute_type.code == kTypeNumber;
    // A datetime attribute keeps the stored text, as SQL's constructor keeps it.
    const bool datetime = t.attribute_type.code == kTypeDate || t.attribute_type.code == kTypeTimestamp;
    const std::string item = datetime && value.kind == PlKind::Text ? value.s : text_of(value, t.attribute_type);
    out->kind = PlKind::Text;
    if (!object_text_set_item(object.s, static_cast<std::size_t>(t.attribute) + 1,
                              value.kind == PlKind::Null ? nullptr : &item, number, &out->s)) {
        *err = pl_error(6504);
        return false;
    }
    return true;
}

bool Interpreter::assign(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err) {
    if (t.host) return host_assign(t.name, v, from, err);
    if (t.index) return assign_element(t, v, from, err);
    if (t.attribute >= 0) {
        PlValue changed;
        if (!t.package.empty()) {
            // An attribute of another package's object variable.
            PlPackageState* st = package_state(t.package, nullptr, err);
            if (!st || !object_with_attribute(t, st->values[static_cast<std::size_t>(t.slot)], v, from, &changed, err))
                return false;
            st->values[static_cast<std::size_t>(t.slot)] = changed;
            return true;
        }
        if (!object_with_attribute(t, var(t.slot), v, from, &changed, err)) return false;
        var(t.slot) = changed;
        return true;
    }
    if (!t.package.empty()) {
        PlPackageState* st = package_state(t.package, nullptr, err);
        PlValue out;
        if (!st || !convert_to(*t.info, v, from, &out, err)) return false;
        st->values[static_cast<std::size_t>(t.slot)] = out;
        return true;
    }
    return assign_var(t.slot, v, from, err);
}

PlValue Interpreter::column_value(sqlite3_stmt* vm, int col) {
    PlValue v;
    switch (sqlite3_column_type(vm, col)) {
    case SQLITE_INTEGER:
        v.kind = PlKind::Int;
        v.i = sqlite3_column_int64(vm, col);
        break;
    case SQLITE_FLOAT:
        v.kind = PlKind::Real;
        v.d = sqlite3_column_double(vm, col);
        break;
    case SQLITE_NULL:
        break;
    default: {
        const char* t = reinterpret_cast<const char*>(sqlite3_column_text(vm, col));
        int n = sqlite3_column_bytes(vm, col);
        if (n > 0) {
            v.kind = PlKind::Text;
            v.s.assign(t, static_cast<std::size_t>(n));
        }
        break;
    }
    }
    return v;
}

// An empty CLOB or BLOB is a LOB of length zero, not NULL as empty text is.
PlValue Interpreter::lob_column_value(sqlite3_stmt* vm, const OraType& type) {
    PlValue v = column_value(vm, 0);
    if (v.kind == PlKind::Null && (type.code == kTypeClob || type.code == kTypeBlob) &&
        sqlite3_column_type(vm, 0) != SQLITE_NULL)
        v.kind = PlKind::Text;
    return v;
}

void Interpreter::bind_value(sqlite3_stmt* vm, int idx, const PlValue& v) {
    switch (v.kind) {
    case PlKind::Null:
        sqlite3_bind_null(vm, idx);
        break;
    case PlKind::Int:
        sqlite3_bind_int64(vm, idx, v.i);
        break;
    case PlKind::Real:
        pl_bind_real(vm, idx, v);
        break;
    case PlKind::Text:
        sqlite3_bind_text(vm, idx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
        break;
    }
}

}  // namespace plsql_running

bool pl_number_decimal(const PlValue& v, Decimal* out) {
    if (v.kind == PlKind::Int) {
        *out = decimal_of_int(v.i);
        return true;
    }
    if (v.kind != PlKind::Real) return false;
    if (!v.s.empty())
        return number_bytes_decode(reinterpret_cast<const unsigned char*>(v.s.data()), v.s.size(), out);
    return decimal_of_double(v.d, out);
}

PlValue pl_number_value(const NumberStored& n) {
    PlValue v;
    switch (n.form) {
    case NumberForm::Int:
        v.kind = PlKind::Int;
        v.i = n.i;
        break;
    case NumberForm::Real:
        v.kind = PlKind::Real;
        v.d = n.d;
        break;
    case NumberForm::Bytes: {
        v.kind = PlKind::Real;
        Decimal d;
        number_bytes_decode(n.bytes, n.len, &d);
        v.d = decimal_to_double(d);
        v.s.assign(reinterpret_cast<const char*>(n.bytes), n.len);
        break;
    }
    }
    return v;
}

void pl_bind_real(sqlite3_stmt* vm, int idx, const PlValue& v) {
    if (!v.s.empty())
        sqlite3_bind_blob(vm, idx, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
    else if (std::isnan(v.d))
        sqlite3_bind_text(vm, idx, "NaN", 3, SQLITE_STATIC);  // SQLite would take a NaN for NULL
    else
        sqlite3_bind_double(vm, idx, v.d);
}

namespace plsql_running {

bool Interpreter::ref_value(const PlRef& r, PlValue* v, PlError* err) {
    switch (r.kind) {
    case PlRefKind::Variable:
        *v = var(r.slot);
        return true;
    case PlRefKind::Element:
        return element_value(r, v, err);
    case PlRefKind::UpdatingColumn: {
        const auto& sets = plsql_session(ses_)->set_columns;
        bool hit = var(p_->updating_slot).kind == PlKind::Int && var(p_->updating_slot).i == 1 && !sets.empty() &&
                   std::find(sets.back().begin(), sets.back().end(), r.name) != sets.back().end();
        *v = int_value(hit ? 1 : 0);
        return true;
    }
    case PlRefKind::CollectionAttr:
        return collection_attr(r, v, err);
    case PlRefKind::PackageVar: {
        PlPackageState* st = package_state(r.name, nullptr, err);
        if (!st) return false;
        *v = st->values[static_cast<std::size_t>(r.slot)];
        if (r.whole_collection) {
            // NULL while the collection is atomically null.
            PlValue text;
            if (v->coll) {
                text.kind = PlKind::Text;
                text.s = collection_text(*r.whole_collection, *v);
            }
            *v = text;
        }
        return true;
    }
    case PlRefKind::HostBind: {
        HostState* h = host(r.name, err);
        if (!h || !host_read(h, err)) return false;
        *v = h->value;
        return true;
    }
    case PlRefKind::CursorVarAttr:
        return cursor_var_attr(r, v, err);
    case PlRefKind::CursorAttr: {
        CursorRef cr;
        if (!cursor_ref(r.slot, &cr, err)) return false;
        const CursorState& c = *cr.cs;
        if (r.attr == PlAttr::IsOpen) {
            *v = int_value(c.open ? 1 : 0);
            return true;
        }
        if (!c.open) {
            *err = pl_error(1001);
            return false;
        }
        if (r.attr == PlAttr::CurrentRow) {
            // WHERE CURRENT OF a cursor that has fetched no row yet.
            if (c.current_rowid.kind == PlKind::Null) {
                *err = pl_error(1410);
                return false;
            }
            *v = c.current_rowid;
            return true;
        }
        *v = fetch_attr(r.attr, c.found, c.rowcount);
        return true;
    }
    case PlRefKind::SqlAttr:
        switch (r.attr) {
        case PlAttr::Found:
            *v = flag_value(sql_found_);
            break;
        case PlAttr::NotFound:
            *v = flag_value(sql_found_ < 0 ? -1 : 1 - sql_found_);
            break;
        case PlAttr::RowCount:
            *v = sql_found_ < 0 ? PlValue() : int_value(sql_rowcount_);
            break;
        case PlAttr::IsOpen:
            *v = int_value(0);
            break;
        case PlAttr::BulkRowCount:
        case PlAttr::BulkExceptions:
            return bulk_attr(r, v, err);
        case PlAttr::CurrentRow:
            *v = PlValue();
            break;
        }
        return true;
    case PlRefKind::SqlCode: {
        std::int64_t code = 0;
        if (!handling_.empty()) {
            const PlError& e = handling_.back();
            code = e.user_id ? 1 : (e.code == 1403 ? 100 : -e.code);
        }
        *v = int_value(code);
        return true;
    }
    case PlRefKind::ErrorStack:
    case PlRefKind::ErrorBacktrace: {
        *v = PlValue();
        if (handling_.empty()) return true;
        const PlError& e = handling_.back();
        bool back = r.kind == PlRefKind::ErrorBacktrace;
        std::string text;
        if (!back) text = e.user_id ? ora_line(6510) + "\n" : ora_format(e.code, e.message);
        for (const std::string& line : e.trace)
            if ((line.compare(0, 10, ora_line(6512), 0, 10) == 0) == back) text += line + "\n";
        if (back) {
            std::string where = "line " + std::to_string(e.line);
            if (p_->is_unit) where = "\"" + p_->unit_owner + "." + p_->unit_name + "\", " + where;
            if (p_->is_package) where = "\"" + p_->package_owner + "." + p_->package_name + "\", " + where;
            text += ora_line(6512, where) + "\n";
        }
        v->kind = PlKind::Text;
        v->s = text;
        return true;
    }
    case PlRefKind::LobIsOpen: {
        // NULL for a NULL LOB; an open LOB is one DBMS_LOB.OPEN opened and CLOSE did not close.
        const PlValue& lob = var(r.slot);
        *v = lob.kind == PlKind::Null ? PlValue() : int_value(lob.lob_open ? 1 : 0);
        return true;
    }
    case PlRefKind::CallStack: {
        std::string text = "----- PL/SQL Call Stack -----\n  object      line  object\n  handle    number  name\n";
        const std::vector<void*>& running = plsql_session(ses_)->running;
        for (std::size_t k = running.size(); k-- > 0;)
            if (k + 1 == running.size() || running[k] != running[k + 1])
                static_cast<const Interpreter*>(running[k])->call_stack_frames(&text);
        v->kind = PlKind::Text;
        v->s = text;
        return true;
    }
    case PlRefKind::SqlErrm: {
        v->kind = PlKind::Text;
        if (handling_.empty()) {
            v->s = ora_line(0);
        } else {
            const PlError& e = handling_.back();
            if (e.user_id) {
                v->s = "User-Defined Exception";
            } else {
                v->s = ora_format(e.code, e.message);
                v->s.pop_back();
            }
        }
        return true;
    }
    }
    return false;
}

}  // namespace plsql_running
