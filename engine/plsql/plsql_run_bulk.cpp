// The interpreter's bulk binds: SELECT and FETCH ... BULK COLLECT INTO collections (with
// FETCH's LIMIT), FORALL over a range, INDICES OF or VALUES OF a collection with SAVE
// EXCEPTIONS, and the SQL%BULK_ROWCOUNT and SQL%BULK_EXCEPTIONS they leave behind.
#include "plsql/plsql_interpreter.h"

#include "values/errors.h"

#include <cmath>

namespace plsql_running {

namespace {

// A FORALL bound or LIMIT as an integer; false when it is NULL or no number.
bool whole_number(const PlValue& v, std::int64_t* out) {
    if (v.kind == PlKind::Int) {
        *out = v.i;
        return true;
    }
    if (v.kind == PlKind::Real && std::isfinite(v.d) && std::fabs(v.d) < 9.2e18) {
        *out = std::llround(v.d);
        return true;
    }
    return false;
}

}  // namespace

bool Interpreter::bulk_store(const std::vector<PlTarget>& targets, const std::vector<std::vector<PlValue>>& rows,
                             const std::vector<OraType>& types, PlError* err) {
    if (targets.size() == 1 && p_->vars[static_cast<std::size_t>(targets[0].slot)].record_elements())
        return bulk_store_records(targets[0].slot, rows, types, err);
    if (types.size() != targets.size()) {
        *err = pl_error(6504);
        return false;
    }
    // Every collection is built before any is replaced: a failing conversion leaves
    // the targets as they were.
    std::vector<std::shared_ptr<PlCollectionData>> built;
    for (std::size_t k = 0; k < targets.size(); ++k) {
        const PlVarInfo& info = p_->vars[static_cast<std::size_t>(targets[k].slot)];
        auto data = std::make_shared<PlCollectionData>();
        if (info.collection == PlCollection::Varray && static_cast<std::int64_t>(rows.size()) > info.limit) {
            *err = pl_error(22165, std::to_string(info.limit + 1), "1", std::to_string(info.limit));
            return false;
        }
        for (std::size_t r = 0; r < rows.size(); ++r) {
            PlValue out;
            if (!element_convert(info, rows[r][k], types[k], &out, err)) return false;
            PlKey key;
            key.i = static_cast<std::int64_t>(r) + 1;
            data->items[key] = std::move(out);
        }
        data->size = static_cast<std::int64_t>(rows.size());
        built.push_back(std::move(data));
    }
    for (std::size_t k = 0; k < targets.size(); ++k) {
        PlValue v;
        v.coll = std::move(built[k]);
        var(targets[k].slot) = std::move(v);
    }
    return true;
}

bool Interpreter::bulk_rows(sqlite3_stmt* vm, std::int64_t max, std::vector<std::vector<PlValue>>* rows, bool* done,
                            PlError* err) {
    *done = false;
    int ncols = sqlite3_column_count(vm);
    while (max < 0 || static_cast<std::int64_t>(rows->size()) < max) {
        if (ses_->server->cancel) {
            ses_->server->cancel = false;
            *err = make_error(1013, ora_message(1013));
            return false;
        }
        int rc = sqlite3_step(vm);
        if (rc == SQLITE_DONE) {
            *done = true;
            return true;
        }
        if (rc != SQLITE_ROW) {
            *err = sqlite_error(false);
            return false;
        }
        if (static_cast<std::int64_t>(rows->size()) >= kPlMaxCollectionElements) {
            *err = pl_error(6500);
            return false;
        }
        std::vector<PlValue> row;
        row.reserve(static_cast<std::size_t>(ncols));
        for (int c = 0; c < ncols; ++c) row.push_back(column_value(vm, c));
        rows->push_back(std::move(row));
    }
    return true;
}

static std::vector<OraType> column_types(const Translation& tr) {
    std::vector<OraType> types;
    for (const ColumnInfo& c : tr.columns) types.push_back(c.type);
    return types;
}

Flow Interpreter::run_bulk_select(const PlStmt& st) {
    PlError err;
    PlSql* q = st.exprs[0];
    if (!prepare(q, &err)) return raise(err, st.line);
    std::vector<std::vector<PlValue>> rows;
    bool done = false;
    bool ok = bulk_rows(q->vm, -1, &rows, &done, &err);
    sqlite3_reset(q->vm);
    if (!ok || !bulk_store(st.targets, rows, column_types(q->tr), &err)) return raise(err, st.line);
    // A bulk query that finds nothing is no error: the collections are just empty.
    sql_rowcount_ = static_cast<std::int64_t>(rows.size());
    sql_found_ = rows.empty() ? 0 : 1;
    return Flow::Next;
}

Flow Interpreter::run_bulk_fetch(const PlStmt& st, const CursorRef& r) {
    PlError err;
    CursorState& cs = *r.cs;
    std::int64_t max = -1;
    if (st.limit) {
        PlValue v, n;
        OraType num;
        num.code = kTypeNumber;
        if (!eval(st.limit, &v, &err) || !convert_number(v, type_of(st.limit), num, &n, &err))
            return raise(err, st.line);
        if (!whole_number(n, &max) || max < 0) return raise(value_error(""), st.line);
    }
    std::vector<std::vector<PlValue>> rows;
    bool done = cs.found == 0;  // the cursor ran out on an earlier fetch
    if (!fetch_in_sequence(r, &err)) return raise(err, st.line);
    if (!done && max != 0 && !bulk_rows(r.vm, max, &rows, &done, &err)) return raise(err, st.line);
    if (r.hidden) {
        // The hidden rowid: the last row's is the cursor's current row.
        if (!rows.empty()) cs.current_rowid = rows.back().back();
        for (std::vector<PlValue>& row : rows) row.pop_back();
    }
    if (!bulk_store(st.targets, rows, column_types(*r.tr), &err)) return raise(err, st.line);
    cs.rowcount += static_cast<std::int64_t>(rows.size());
    // %NOTFOUND turns true with the fetch that reached the end, even when it got rows.
    cs.found = done ? 0 : 1;
    return Flow::Next;
}

Flow Interpreter::run_forall(const PlStmt& st) {
    PlError err;
    if (ses_->read_only && ses_->in_transaction) return raise(pl_error(1456), st.line);
    std::vector<std::int64_t> indexes;
    OraType num;
    num.code = kTypeNumber;
    auto bound = [&](PlSql* q, std::int64_t* out) {
        PlValue v, n;
        if (!eval(q, &v, &err) || !convert_number(v, type_of(q), num, &n, &err)) return false;
        if (!whole_number(n, out)) {
            err = value_error("NULL index table key value");
            return false;
        }
        return true;
    };
    std::int64_t lo = 0, hi = 0;
    bool bounded = st.exprs.size() == 2;
    if (bounded && (!bound(st.exprs[0], &lo) || !bound(st.exprs[1], &hi))) return raise(err, st.line);
    // The index is a PLS_INTEGER.
    if (bounded && (lo < -2147483648LL || lo > 2147483647LL || hi < -2147483648LL || hi > 2147483647LL))
        return raise(make_error(1426, ora_message(1426)), st.line);
    // A range is walked without listing it; a collection's subscripts are listed first.
    std::int64_t count = 0;
    if (st.forall == PlForall::Range) {
        count = hi >= lo ? hi - lo + 1 : 0;
    } else {
        const PlValue& cv = var(st.forall_collection);
        if (!cv.coll) return raise(pl_error(6531), st.line);
        const PlVarInfo& info = p_->vars[static_cast<std::size_t>(st.forall_collection)];
        for (const auto& item : cv.coll->items) {
            std::int64_t k = item.first.i;
            if (st.forall == PlForall::Values) {
                PlValue n;
                if (!convert_number(item.second, info.type, num, &n, &err)) return raise(err, st.line);
                if (!whole_number(n, &k)) return raise(value_error("NULL index table key value"), st.line);
            } else if (bounded && (k < lo || k > hi)) {
                continue;
            }
            indexes.push_back(k);
        }
        count = static_cast<std::int64_t>(indexes.size());
    }
    bulk_rowcount_.clear();
    bulk_exceptions_.clear();
    std::int64_t total = 0;
    const PlStmt& dml = st.bodies[0][0];
    for (std::int64_t n = 0; n < count; ++n) {
        std::int64_t index = st.forall == PlForall::Range ? lo + n : indexes[static_cast<std::size_t>(n)];
        var(st.slot) = int_value(index);
        Flow f = statement(dml);
        if (f == Flow::Error) {
            if (!st.save_exceptions || error_.code == 1013 || error_.user_id) {
                sql_rowcount_ = total;
                sql_found_ = total > 0 ? 1 : 0;
                return f;
            }
            bulk_exceptions_.emplace_back(n + 1, error_.code);
            sql_rowcount_ = 0;
        } else if (f != Flow::Next) {
            return f;
        }
        bulk_rowcount_[index] = sql_rowcount_;
        total += sql_rowcount_;
    }
    sql_rowcount_ = total;
    sql_found_ = total > 0 ? 1 : 0;
    if (!bulk_exceptions_.empty()) return raise(make_error(24381, ora_message(24381)), st.line);
    return Flow::Next;
}

bool Interpreter::bulk_attr(const PlRef& r, PlValue* v, PlError* err) {
    *v = PlValue();
    if (r.attr == PlAttr::BulkExceptions && r.name == "COUNT") {
        *v = int_value(static_cast<std::int64_t>(bulk_exceptions_.size()));
        return true;
    }
    PlValue at, n;
    OraType num;
    num.code = kTypeNumber;
    std::int64_t k = 0;
    if (!eval(r.index, &at, err) || !convert_number(at, type_of(r.index), num, &n, err)) return false;
    if (!whole_number(n, &k)) {
        *err = value_error("NULL index table key value");
        return false;
    }
    if (r.attr == PlAttr::BulkRowCount) {
        auto it = bulk_rowcount_.find(k);
        if (it != bulk_rowcount_.end()) *v = int_value(it->second);
        return true;
    }
    if (k < 1 || k > static_cast<std::int64_t>(bulk_exceptions_.size())) {
        *err = pl_error(6533);
        return false;
    }
    const auto& e = bulk_exceptions_[static_cast<std::size_t>(k - 1)];
    *v = int_value(r.name == "ERROR_INDEX" ? e.first : e.second);
    return true;
}

}  // namespace plsql_running
