// Running local procedures and functions: a call statement of a local procedure, and a
// local function that an expression calls through vantro_plsql_call. Both run the body
// on the interpreter of the block that declares it, so it reads and writes the
// enclosing block's variables; the subprogram's own slots are saved around the call and
// put back afterwards, which gives each activation of a recursive call its own.
#include "plsql/plsql_interpreter.h"

#include "values/errors.h"

namespace plsql_running {

void Interpreter::save_frame(const PlSubprogram& sub, LocalFrame* f) {
    for (int k = sub.slot_begin; k < sub.slot_end; ++k) f->vars.push_back(std::move(var(k)));
    // A package's cursor named inside the subprogram is package state, not the frame's.
    for (int k = sub.cursor_begin; k < sub.cursor_end; ++k) {
        f->cursors.push_back(cursors_[static_cast<std::size_t>(k)]);
        if (!is_package_cursor(k)) cursors_[static_cast<std::size_t>(k)] = CursorState();
        auto b = buffered_.find(k);
        if (b != buffered_.end()) {
            f->buffered[k] = b->second;
            buffered_.erase(b);
        }
    }
    f->return_slot = return_slot_;
    f->return_value = return_value_;
    f->parked = parked_.size();
    ++local_depth_;
    for (int k = sub.slot_begin; k < sub.slot_end; ++k) var(k) = PlValue();
}

void Interpreter::restore_frame(const PlSubprogram& sub, LocalFrame* f) {
    for (int k = sub.slot_begin; k < sub.slot_end; ++k)
        var(k) = std::move(f->vars[static_cast<std::size_t>(k - sub.slot_begin)]);
    for (int k = sub.cursor_begin; k < sub.cursor_end; ++k) {
        if (is_package_cursor(k)) continue;
        close_cursor(k);
        cursors_[static_cast<std::size_t>(k)] = f->cursors[static_cast<std::size_t>(k - sub.cursor_begin)];
        auto b = f->buffered.find(k);
        if (b != f->buffered.end()) buffered_[k] = b->second;
    }
    return_slot_ = f->return_slot;
    return_value_ = f->return_value;
    while (parked_.size() > f->parked) {
        auto [q, vm] = parked_.back();
        parked_.pop_back();
        sqlite3_finalize(q->vm);
        q->vm = vm;
    }
    --local_depth_;
}

bool Interpreter::run_local(int index, const std::vector<PlValue>& args, const std::vector<OraType>& types,
                            const std::vector<bool>& given, std::vector<PlValue>* outs, PlValue* result, PlError* err) {
    const PlSubprogram& sub = p_->locals[static_cast<std::size_t>(index)];
    LocalFrame frame;
    save_frame(sub, &frame);
    local_lines_.push_back(line_);
    bool ok = plsql_nested_call(
        ses_,
        [&](PlError* e) {
            for (std::size_t k = 0; k < sub.params.size(); ++k) {
                const PlParam& prm = sub.params[k];
                PlValue v;
                OraType from = k < types.size() ? types[k] : prm.type;
                bool passed = k < given.size() && given[k];
                if (!passed && prm.default_value) {
                    if (!eval(prm.default_value, &v, e)) return false;
                    from = type_of(prm.default_value);
                } else if (passed && prm.mode != "OUT") {
                    v = args[k];
                }
                if (!assign_param(prm.slot, v, from, e)) return false;
            }
            return_slot_ = sub.return_slot;
            Flow f = block(sub.body);
            if (f == Flow::Error) {
                *e = error_;
                return false;
            }
            if (sub.is_function && f != Flow::Return) {
                *e = pl_error(6503);
                e->line = last_line(sub.body);
                return false;
            }
            if (sub.return_slot >= 0) *result = param_value(sub.return_slot);
            outs->clear();
            for (const PlParam& prm : sub.params) outs->push_back(param_value(prm.slot));
            return true;
        },
        err);
    local_lines_.pop_back();
    restore_frame(sub, &frame);
    if (!ok && !plsql_trace_full(*err) && err->line > 0) {
        std::string where = "line " + std::to_string(err->line);
        if (p_->is_package)
            where = "\"" + p_->package_owner + "." + p_->package_name + "\", " + where;
        else if (p_->is_unit)
            where = "\"" + p_->unit_owner + "." + p_->unit_name + "\", " + where;
        err->trace.push_back(ora_line(6512, where));
    }
    return ok;
}

Flow Interpreter::call_local(const PlStmt& st, const std::vector<PlValue>& args) {
    const PlSubprogram& sub = p_->locals[static_cast<std::size_t>(st.local)];
    std::vector<bool> given;
    std::vector<OraType> types;
    for (std::size_t k = 0; k < st.exprs.size(); ++k) {
        given.push_back(st.exprs[k] || st.targets[k].slot >= 0 || st.targets[k].host);
        types.push_back(st.exprs[k] ? type_of(st.exprs[k]) : sub.params[k].type);
    }
    std::vector<PlValue> outs;
    PlValue result;
    PlError err;
    if (!run_local(st.local, args, types, given, &outs, &result, &err)) {
        err.line = st.line;
        error_ = err;
        return Flow::Error;
    }
    for (std::size_t k = 0; k < outs.size() && k < st.targets.size(); ++k) {
        if (sub.params[k].mode == "IN" || (st.targets[k].slot < 0 && !st.targets[k].host)) continue;
        if (!assign_out(st.targets[k], outs[k], sub.params[k].type, &err)) return raise(err, st.line);
    }
    if (st.slot >= 0 && !assign_param(st.slot, result, sub.return_type, &err)) return raise(err, st.line);
    return Flow::Next;
}

bool Interpreter::eval_fresh(PlSql* q, PlValue* v, PlError* err) {
    if (!not_mutating(q->tr.sql, err) || !run_before(q, err)) return false;
    sqlite3_stmt* vm = nullptr;
    if (sqlite3_prepare_v2(db_, q->tr.sql.c_str(), -1, &vm, nullptr) != SQLITE_OK) {
        *err = sqlite_error(true);
        sqlite3_finalize(vm);
        return false;
    }
    bool ok = bind_values(q, vm, err);
    PlsqlExpressionScope plsql_text(ses_->settings, true);
    if (ok && sqlite3_step(vm) != SQLITE_ROW) {
        *err = sqlite_error(true);
        ok = false;
    }
    if (ok) *v = lob_column_value(vm, type_of(q));
    sqlite3_finalize(vm);
    return ok;
}

}  // namespace plsql_running

const PlSubprogram* plsql_running_local(SessionHandle* ses, int index) {
    PlSessionState* state = plsql_session(ses);
    auto* in = state->running.empty() ? nullptr : static_cast<plsql_running::Interpreter*>(state->running.back());
    if (!in || index < 0 || static_cast<std::size_t>(index) >= in->program()->locals.size()) return nullptr;
    return &in->program()->locals[static_cast<std::size_t>(index)];
}

bool plsql_run_local(SessionHandle* ses, int index, const std::vector<PlValue>& args, PlValue* result, PlError* err,
                     OraType* type, const std::vector<bool>* given_params) {
    PlSessionState* state = plsql_session(ses);
    auto* in = state->running.empty() ? nullptr : static_cast<plsql_running::Interpreter*>(state->running.back());
    if (!in || index < 0 || static_cast<std::size_t>(index) >= in->program()->locals.size() ||
        !in->program()->locals[static_cast<std::size_t>(index)].is_function) {
        *err = pl_error(6508);
        return false;
    }
    if (type) *type = in->program()->locals[static_cast<std::size_t>(index)].return_type;
    std::vector<bool> given = given_params ? *given_params : std::vector<bool>(args.size(), true);
    std::vector<PlValue> outs;
    return in->run_local(index, args, {}, given, &outs, result, err);
}
