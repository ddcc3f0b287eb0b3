// The interpreter's collections: associative arrays, nested tables and varrays held in
// their variable's value (PlValue::coll), element reads and writes with Oracle's errors
// for null collections and subscripts out of range, the methods that answer a value
// (COUNT, FIRST, LAST, LIMIT, NEXT, PRIOR, EXISTS) and the statements that change one
// (constructor, copy, EXTEND, TRIM, DELETE).
#include "plsql/plsql_interpreter.h"

#include "values/errors.h"
#include "values/sql_objects.h"
#include "values/values.h"

#include <cmath>

namespace plsql_running {

namespace {

PlError uninitialized() {
    return pl_error(6531);
}
PlError outside_limit() {
    return pl_error(6532);
}
PlError beyond_count() {
    return pl_error(6533);
}

bool dense(const PlVarInfo& info) {
    return info.collection == PlCollection::Nested || info.collection == PlCollection::Varray;
}

PlValue key_value(const PlVarInfo& info, const PlKey& k) {
    PlValue v;
    if (info.text_keys) {
        v.kind = PlKind::Text;
        v.s = k.s;
    } else {
        v.kind = PlKind::Int;
        v.i = k.i;
    }
    return v;
}

}  // namespace

PlValue Interpreter::empty_collection() {
    PlValue v;
    v.coll = std::make_shared<PlCollectionData>();
    return v;
}

void Interpreter::reset_collection(int slot) {
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(slot)];
    // An associative array starts empty; a nested table or varray starts atomically null.
    var(slot) = info.collection == PlCollection::IndexBy ? empty_collection() : PlValue();
}

PlCollectionData* Interpreter::writable_collection(int slot) {
    PlValue& v = var(slot);
    if (!v.coll) return nullptr;
    // Collections are values: one that another value shares is copied before it changes.
    if (v.coll.use_count() > 1) v.coll = std::make_shared<PlCollectionData>(*v.coll);
    return v.coll.get();
}

bool Interpreter::collection_key(const PlVarInfo& info, PlSql* index, PlKey* key, bool* is_null, PlError* err) {
    PlValue at;
    if (!eval(index, &at, err)) return false;
    *is_null = at.kind == PlKind::Null;
    if (*is_null) return true;
    if (info.text_keys) {
        key->s = text_of(at, type_of(index));
        if (info.key_size && key->s.size() > info.key_size) {
            *err = value_error("character string buffer too small");
            return false;
        }
        return true;
    }
    OraType num;
    num.code = kTypeNumber;
    PlValue n;
    if (!convert_number(at, type_of(index), num, &n, err)) return false;
    // A subscript is a PLS_INTEGER: a fraction rounds to the nearest integer.
    double d = n.kind == PlKind::Int ? static_cast<double>(n.i) : std::round(n.d);
    if (d < -2147483648.0 || d > 2147483647.0) {
        *err = value_error("");
        return false;
    }
    key->i = n.kind == PlKind::Int ? n.i : static_cast<std::int64_t>(d);
    return true;
}

// Checks subscript k of a nested table or varray for a read or a write of an element.
static bool dense_subscript(const PlVarInfo& info, const PlCollectionData& c, std::int64_t k, PlError* err) {
    if (k < 1 || (info.collection == PlCollection::Varray && k > info.limit)) {
        *err = outside_limit();
        return false;
    }
    if (k > c.size) {
        *err = beyond_count();
        return false;
    }
    return true;
}

bool Interpreter::element_value(const PlRef& r, PlValue* v, PlError* err) {
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(r.slot)];
    PlKey key;
    bool is_null = false;
    if (!collection_key(info, r.index, &key, &is_null, err)) return false;
    const PlValue& cv = var(r.slot);
    if (!cv.coll) {
        *err = uninitialized();
        return false;
    }
    if (is_null) {
        *err = value_error("NULL index table key value");
        return false;
    }
    if (dense(info) && !dense_subscript(info, *cv.coll, key.i, err)) return false;
    auto it = cv.coll->items.find(key);
    if (it == cv.coll->items.end()) {
        *err = make_error(1403, ora_message(1403));
        return false;
    }
    if (r.field < 0) {
        *v = it->second;
    } else {
        // A field of an element of a collection of records; fields never set are NULL.
        const std::vector<PlValue>& fields = it->second.fields;
        std::size_t f = static_cast<std::size_t>(r.field);
        *v = f < fields.size() ? fields[f] : PlValue();
    }
    return true;
}

std::string Interpreter::collection_text(const PlVarInfo& info, const PlValue& cv) const {
    std::string name = info.type_name.substr(info.type_name.find('.') + 1);
    name = name.substr(0, name.find('#'));
    std::string text = name + "(";
    bool first = true;
    // A scalar as an item of the text: NULL, a number, or a quoted text (a date in its
    // stored form).
    auto item_text = [this](const PlValue& e, const OraType& type) {
        if (e.kind == PlKind::Null || (e.kind == PlKind::Text && e.s.empty())) return std::string("NULL");
        if (e.kind != PlKind::Text) return text_of(e, type);
        std::string quoted = "'";
        for (char c : e.s) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        return quoted + "'";
    };
    for (const auto& item : cv.coll->items) {
        if (!first) text += ", ";
        first = false;
        const PlValue& e = item.second;
        if (info.record_elements()) {
            // A record element as an object of its fields; fields never set are NULL.
            text += name + "%ROW(";
            for (std::size_t k = 0; k < info.record_fields.size(); ++k) {
                if (k) text += ", ";
                text += k < e.fields.size() ? item_text(e.fields[k], info.record_fields[k].type) : "NULL";
            }
            text += ")";
        } else if (e.kind == PlKind::Null || (e.kind == PlKind::Text && e.s.empty())) {
            text += "NULL";
        } else if (info.type.code == kTypeObject) {
            text += e.s;  // an object's own constructor text
        } else if (e.kind == PlKind::Text) {
            text += '\'';
            for (char c : e.s) text += c == '\'' ? std::string("''") : std::string(1, c);
            text += '\'';
        } else {
            text += text_of(e, info.type);
        }
    }
    return text + ")";
}

bool Interpreter::collection_attr(const PlRef& r, PlValue* v, PlError* err) {
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(r.slot)];
    const PlValue& cv = var(r.slot);
    *v = PlValue();
    if (r.name == "EXISTS") {
        PlKey key;
        bool is_null = false;
        if (!collection_key(info, r.index, &key, &is_null, err)) return false;
        *v = int_value(cv.coll && !is_null && cv.coll->items.count(key) ? 1 : 0);
        return true;
    }
    if (r.name.empty()) {
        // The whole collection as SQL keeps a value of its type: TYPE(e1, e2, ...), its
        // existing elements in order, texts quoted; NULL when atomically null.
        if (!cv.coll) return true;
        v->kind = PlKind::Text;
        v->s = collection_text(info, cv);
        return true;
    }
    if (r.name == "LIMIT") {
        if (!cv.coll) {
            *err = uninitialized();
            return false;
        }
        if (info.collection == PlCollection::Varray) *v = int_value(info.limit);
        return true;
    }
    if (!cv.coll) {
        *err = uninitialized();
        return false;
    }
    const std::map<PlKey, PlValue>& items = cv.coll->items;
    if (r.name == "COUNT") {
        *v = int_value(static_cast<std::int64_t>(items.size()));
        return true;
    }
    if (r.name == "FIRST" || r.name == "LAST") {
        if (!items.empty()) *v = key_value(info, r.name == "FIRST" ? items.begin()->first : items.rbegin()->first);
        return true;
    }
    // NEXT and PRIOR: the nearest subscript after or before one, which need not exist.
    PlKey key;
    bool is_null = false;
    if (!collection_key(info, r.index, &key, &is_null, err)) return false;
    if (is_null) return true;
    if (r.name == "NEXT") {
        auto it = items.upper_bound(key);
        if (it != items.end()) *v = key_value(info, it->first);
    } else {
        auto it = items.lower_bound(key);
        if (it != items.begin()) *v = key_value(info, std::prev(it)->first);
    }
    return true;
}

bool Interpreter::element_convert(const PlVarInfo& info, const PlValue& v, const OraType& from, PlValue* out,
                                  PlError* err) {
    PlVarInfo element;
    element.type = info.type;
    element.boolean = info.boolean;
    element.not_null = info.element_not_null;
    element.type_name = info.element_type;
    return convert_to(element, v, from, out, err);
}

bool Interpreter::assign_element(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err) {
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(t.slot)];
    PlKey key;
    bool is_null = false;
    if (!collection_key(info, t.index, &key, &is_null, err)) return false;
    PlValue value;
    if (t.attribute >= 0) {
        // One attribute of an element that exists and holds an object.
        PlCollectionData* c = writable_collection(t.slot);
        if (!c) {
            *err = uninitialized();
            return false;
        }
        if (is_null) {
            *err = value_error("NULL index table key value");
            return false;
        }
        if (dense(info) && !dense_subscript(info, *c, key.i, err)) return false;
        auto element = c->items.find(key);
        if (element == c->items.end()) {
            *err = pl_error(info.collection == PlCollection::IndexBy ? 1403 : 6533);
            return false;
        }
        return object_with_attribute(t, element->second, v, from, &element->second, err);
    }
    if (t.field >= 0) {
        if (!convert_to(element_field_info(info, static_cast<std::size_t>(t.field)), v, from, &value, err))
            return false;
    } else if (info.record_elements()) {
        // A whole element, its fields converted by record_convert; a single value (an OUT
        // argument or INTO target of a scalar type) is no record.
        if (v.fields.size() != info.record_fields.size()) {
            *err = pl_error(6504);
            return false;
        }
        value = v;
    } else if (!element_convert(info, v, from, &value, err)) {
        return false;
    }
    PlCollectionData* c = writable_collection(t.slot);
    if (!c) {
        *err = uninitialized();
        return false;
    }
    if (is_null) {
        *err = value_error("NULL index table key value");
        return false;
    }
    if (dense(info) && !dense_subscript(info, *c, key.i, err)) return false;
    if (static_cast<std::int64_t>(c->items.size()) >= kPlMaxCollectionElements && !c->items.count(key)) {
        *err = pl_error(6500);
        return false;
    }
    if (t.field < 0) {
        c->items[key] = value;
        return true;
    }
    // One field of an element: an element that does not exist yet is made with its other
    // fields NULL.
    PlValue& element = c->items[key];
    if (element.fields.size() < info.record_fields.size()) element.fields.resize(info.record_fields.size());
    element.fields[static_cast<std::size_t>(t.field)] = value;
    return true;
}

Flow Interpreter::run_pipe_row(const PlStmt& st) {
    PlError err;
    PlValue v, value;
    if (st.name == "RECORD") {
        // A record piped into a collection of records: its fields, copied.
        const PlVarInfo& rec = p_->vars[static_cast<std::size_t>(st.slot)];
        for (int f : rec.fields) value.fields.push_back(var(f));
        PlCollectionData* c = writable_collection(return_slot_);
        if (!c) return raise(uninitialized(), st.line);
        const PlVarInfo& info = p_->vars[static_cast<std::size_t>(return_slot_)];
        if (info.collection == PlCollection::Varray && c->size >= info.limit) return raise(outside_limit(), st.line);
        if (c->size >= kPlMaxCollectionElements) return raise(pl_error(6500), st.line);
        ++c->size;
        PlKey key;
        key.i = c->size;
        c->items[key] = value;
        return Flow::Next;
    }
    if (!eval(st.exprs[0], &v, &err)) return raise(err, st.line);
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(return_slot_)];
    if (!element_convert(info, v, type_of(st.exprs[0]), &value, &err)) return raise(err, st.line);
    PlCollectionData* c = writable_collection(return_slot_);
    if (!c) return raise(uninitialized(), st.line);
    if (info.collection == PlCollection::Varray && c->size >= info.limit) return raise(outside_limit(), st.line);
    if (c->size >= kPlMaxCollectionElements) return raise(pl_error(6500), st.line);
    ++c->size;
    PlKey key;
    key.i = c->size;
    c->items[key] = value;
    return Flow::Next;
}

bool Interpreter::collection_count_arg(const PlStmt& st, std::size_t k, std::int64_t* n, PlError* err) {
    PlValue v;
    OraType num;
    num.code = kTypeNumber;
    if (!eval(st.exprs[k], &v, err) || !convert_number(v, type_of(st.exprs[k]), num, &v, err)) return false;
    // A NULL count leaves the collection as it is.
    if (v.kind == PlKind::Null) {
        *n = -1;
        return true;
    }
    *n = v.kind == PlKind::Int ? v.i : std::llround(v.d);
    return true;
}

bool Interpreter::collection_from_text(const PlVarInfo& info, const PlValue& text, PlValue* out, PlError* err) {
    std::vector<ObjectTextItem> items;
    if (text.kind != PlKind::Text || !object_text_items(text.s, &items)) {
        *err = pl_error(932);
        return false;
    }
    if (info.collection == PlCollection::Varray && static_cast<std::int64_t>(items.size()) > info.limit) {
        *err = outside_limit();
        return false;
    }
    auto c = std::make_shared<PlCollectionData>();
    for (std::size_t k = 0; k < items.size(); ++k) {
        const ObjectTextItem& it = items[k];
        PlValue v, e;
        if (!it.null && info.type.code == kTypeNumber && !it.quoted) {
            double d = 0;
            std::int64_t n = 0;
            bool is_int = false;
            if (!number_parse(it.value.c_str(), it.value.size(), &d, &n, &is_int)) {
                *err = pl_error(932);
                return false;
            }
            if (is_int) {
                v = int_value(n);
            } else {
                v.kind = PlKind::Real;
                v.d = d;
            }
        } else if (!it.null) {
            v.kind = PlKind::Text;
            v.s = it.value;
        }
        if (!element_convert(info, v, info.type, &e, err)) return false;
        PlKey key;
        key.i = static_cast<std::int64_t>(k) + 1;
        c->items[key] = e;
    }
    c->size = static_cast<std::int64_t>(items.size());
    *out = PlValue();
    out->coll = c;
    return true;
}

Flow Interpreter::run_collection(const PlStmt& st) {
    PlError err;
    int slot = st.targets[0].slot;
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(slot)];
    if (st.name == "CONSTRUCT") {
        if (info.collection == PlCollection::Varray && static_cast<std::int64_t>(st.exprs.size()) > info.limit)
            return raise(outside_limit(), st.line);
        auto c = std::make_shared<PlCollectionData>();
        for (std::size_t k = 0; k < st.exprs.size(); ++k) {
            PlValue v, e;
            if (!eval(st.exprs[k], &v, &err) || !element_convert(info, v, type_of(st.exprs[k]), &e, &err))
                return raise(err, st.line);
            PlKey key;
            key.i = static_cast<std::int64_t>(k) + 1;
            c->items[key] = e;
        }
        c->size = static_cast<std::int64_t>(st.exprs.size());
        var(slot) = PlValue();
        var(slot).coll = c;
        return Flow::Next;
    }
    if (st.name == "FROM_TEXT") {
        // A collection SQL computed, as its constructor text: NULL, or its elements in order.
        PlValue text;
        if (!eval(st.exprs[0], &text, &err)) return raise(err, st.line);
        if (text.kind == PlKind::Null || (text.kind == PlKind::Text && text.s.empty())) {
            var(slot) = PlValue();
            return Flow::Next;
        }
        PlValue made;
        if (!collection_from_text(info, text, &made, &err)) return raise(err, st.line);
        var(slot) = made;
        return Flow::Next;
    }
    if (st.name == "COPY") {
        PlValue from = var(st.slot);
        if (from.coll) from.coll = std::make_shared<PlCollectionData>(*from.coll);
        var(slot) = from;
        return Flow::Next;
    }
    if (!var(slot).coll) return raise(uninitialized(), st.line);
    if (st.name == "DELETE") return collection_delete(st, slot, info);
    std::int64_t n = 1;
    if (!st.exprs.empty() && !collection_count_arg(st, 0, &n, &err)) return raise(err, st.line);
    if (n < 0) return Flow::Next;
    PlCollectionData* c = writable_collection(slot);
    if (st.name == "TRIM") {
        if (n > c->size) return raise(beyond_count(), st.line);
        for (std::int64_t k = c->size - n + 1; k <= c->size; ++k) c->items.erase(PlKey{k, std::string()});
        c->size -= n;
        return Flow::Next;
    }
    // EXTEND [(n [, i])]: n NULL elements, or n copies of element i.
    PlValue fill;
    if (st.exprs.size() == 2) {
        std::int64_t i = 0;
        if (!collection_count_arg(st, 1, &i, &err)) return raise(err, st.line);
        auto it = c->items.find(PlKey{i, std::string()});
        if (i < 1 || i > c->size) return raise(i < 1 ? outside_limit() : beyond_count(), st.line);
        if (it == c->items.end()) return raise(make_error(1403, ora_message(1403)), st.line);
        fill = it->second;
    } else if (info.element_not_null) {
        return raise(value_error(""), st.line);
    }
    if (info.collection == PlCollection::Varray && c->size + n > info.limit) return raise(outside_limit(), st.line);
    if (n > kPlMaxCollectionElements - c->size) return raise(pl_error(6500), st.line);
    for (std::int64_t k = 0; k < n; ++k) c->items[PlKey{c->size + k + 1, std::string()}] = fill;
    c->size += n;
    return Flow::Next;
}

Flow Interpreter::collection_delete(const PlStmt& st, int slot, const PlVarInfo& info) {
    PlCollectionData* c = writable_collection(slot);
    if (st.exprs.empty()) {
        c->items.clear();
        c->size = 0;
        return Flow::Next;
    }
    PlError err;
    PlKey lo, hi;
    bool lo_null = false, hi_null = false;
    if (!collection_key(info, st.exprs[0], &lo, &lo_null, &err)) return raise(err, st.line);
    hi = lo;
    if (st.exprs.size() == 2 && !collection_key(info, st.exprs[1], &hi, &hi_null, &err)) return raise(err, st.line);
    // DELETE(i) of a subscript that does not exist, of NULL or of an empty range does nothing.
    if (lo_null || hi_null || hi < lo) return Flow::Next;
    c->items.erase(c->items.lower_bound(lo), c->items.upper_bound(hi));
    return Flow::Next;
}

}  // namespace plsql_running
