// The interpreter's collections of records: an element holds its fields in
// PlValue::fields (collection(i).field reads and writes them through element_value and
// assign_element), whole elements are copied to and from records, and BULK COLLECT fills
// one collection of records with a row per element.
#include "plsql/plsql_interpreter.h"

#include "values/errors.h"

namespace plsql_running {

PlVarInfo Interpreter::element_field_info(const PlVarInfo& info, std::size_t k) {
    PlVarInfo field;
    field.type = info.record_fields[k].type;
    field.boolean = k < info.field_boolean.size() && info.field_boolean[k];
    field.not_null = k < info.field_not_null.size() && info.field_not_null[k];
    return field;
}

bool Interpreter::record_convert(const PlVarInfo& info, const std::vector<PlValue>& values,
                                 const std::vector<OraType>& types, PlValue* out, PlError* err) {
    if (values.size() != info.record_fields.size()) {
        *err = pl_error(6504);
        return false;
    }
    PlValue element;
    element.fields.resize(values.size());
    for (std::size_t k = 0; k < values.size(); ++k)
        if (!convert_to(element_field_info(info, k), values[k], types[k], &element.fields[k], err)) return false;
    *out = std::move(element);
    return true;
}

bool Interpreter::bulk_store_records(int slot, const std::vector<std::vector<PlValue>>& rows,
                                     const std::vector<OraType>& types, PlError* err) {
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(slot)];
    if (types.size() != info.record_fields.size()) {
        *err = pl_error(6504);
        return false;
    }
    if (info.collection == PlCollection::Varray && static_cast<std::int64_t>(rows.size()) > info.limit) {
        *err = pl_error(22165, std::to_string(info.limit + 1), "1", std::to_string(info.limit));
        return false;
    }
    // Built aside first: a failing conversion leaves the collection as it was.
    auto data = std::make_shared<PlCollectionData>();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        PlKey key;
        key.i = static_cast<std::int64_t>(r) + 1;
        if (!record_convert(info, rows[r], types, &data->items[key], err)) return false;
    }
    data->size = static_cast<std::int64_t>(rows.size());
    PlValue v;
    v.coll = std::move(data);
    var(slot) = std::move(v);
    return true;
}

PlValue Interpreter::param_value(int slot) {
    if (!whole_var(slot) || p_->vars[static_cast<std::size_t>(slot)].collection != PlCollection::None) return var(slot);
    PlValue rec;
    for (int f : p_->vars[static_cast<std::size_t>(slot)].fields) rec.fields.push_back(var(f));
    return rec;
}

bool Interpreter::assign_param(int slot, const PlValue& v, const OraType& from, PlError* err) {
    if (!whole_var(slot)) return assign_var(slot, v, from, err);
    const PlVarInfo& info = p_->vars[static_cast<std::size_t>(slot)];
    if (info.collection != PlCollection::None) {
        // The caller's collection, shared until either side changes it; an OUT parameter
        // starts as a fresh one (an empty associative array, a null nested table or varray).
        if (v.coll)
            var(slot) = v;
        else
            reset_collection(slot);
        return true;
    }
    for (std::size_t k = 0; k < info.fields.size(); ++k) {
        int f = info.fields[k];
        PlValue field = k < v.fields.size() ? v.fields[k] : PlValue();
        if (!assign_var(f, field, p_->vars[static_cast<std::size_t>(f)].type, err)) return false;
    }
    return true;
}

bool Interpreter::assign_out(const PlTarget& t, const PlValue& v, const OraType& from, PlError* err) {
    if (!whole_target(t)) return assign(t, v, from, err);
    return assign_param(t.slot, v, from, err);
}

Flow Interpreter::run_record_copy(const PlStmt& st) {
    PlError err;
    const PlTarget& target = st.targets[0];
    const PlVarInfo& to = p_->vars[static_cast<std::size_t>(target.slot)];
    const bool to_element = target.index != nullptr;
    const std::size_t count = to_element ? to.record_fields.size() : to.fields.size();
    // The source's fields and their types: a record's field variables, the fields of an
    // element (read with the errors of reading that element), or all NULL.
    std::vector<PlValue> values(count);
    std::vector<OraType> types(count);
    if (st.slot >= 0) {
        const PlVarInfo& from = p_->vars[static_cast<std::size_t>(st.slot)];
        if (from.collection != PlCollection::None) {
            PlRef r;
            r.kind = PlRefKind::Element;
            r.slot = st.slot;
            r.index = st.exprs[0];
            PlValue element;
            if (!element_value(r, &element, &err)) return raise(err, st.line);
            for (std::size_t k = 0; k < count && k < from.record_fields.size(); ++k) {
                if (k < element.fields.size()) values[k] = element.fields[k];
                types[k] = from.record_fields[k].type;
            }
        } else {
            for (std::size_t k = 0; k < count && k < from.fields.size(); ++k) {
                int f = from.fields[k];
                values[k] = var(f);
                types[k] = p_->vars[static_cast<std::size_t>(f)].type;
            }
        }
    }
    if (to_element) {
        PlValue element;
        if (!record_convert(to, values, types, &element, &err) || !assign_element(target, element, OraType(), &err))
            return raise(err, st.line);
        return Flow::Next;
    }
    // Every field is converted before any changes: a failing one leaves the record as it was.
    std::vector<PlValue> converted(count);
    for (std::size_t k = 0; k < count; ++k)
        if (!convert_to(p_->vars[static_cast<std::size_t>(to.fields[k])], values[k], types[k], &converted[k], &err))
            return raise(err, st.line);
    for (std::size_t k = 0; k < count; ++k) var(to.fields[k]) = std::move(converted[k]);
    return Flow::Next;
}

}  // namespace plsql_running
