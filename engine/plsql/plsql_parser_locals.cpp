// Local procedures and functions: declared in a block's declare section after its
// variables, with forward declarations and overloads, and named by calls and expressions
// of the block. Each is kept in the program's locals; its parameters, result and
// declarations take variable slots of the program like the block's own, so its body
// reads and writes the enclosing block's variables directly.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

namespace plsql_parsing {

int Parser::forward_declared(const Symbol& sym, const PlSubprogram& sub) const {
    for (int idx : sym.locals) {
        const PlSubprogram& d = prog_->locals[static_cast<std::size_t>(idx)];
        if (!d.defined && same_heading(d, sub)) return idx;
    }
    return -1;
}

void Parser::local_subprogram() {
    int slot_begin = static_cast<int>(prog_->vars.size());
    int cursor_begin = static_cast<int>(prog_->cursors.size());
    std::size_t outer = scopes_.size() - 1;
    scopes_.emplace_back();
    PlSubprogram sub;
    subprogram_header(&sub);
    bool definition = is_word("IS") || is_word("AS");
    // Declared in the enclosing scope before the body is read: the body may call itself.
    std::map<std::string, Symbol>& scope = scopes_[outer];
    auto found = scope.find(sub.name);
    if (found != scope.end() && found->second.kind != SymKind::Local) {
        scope.erase(found);
        found = scope.end();
    }
    int index = found == scope.end() ? -1 : forward_declared(found->second, sub);
    if (index < 0) {
        index = static_cast<int>(prog_->locals.size());
        prog_->locals.push_back(sub);
        Symbol& s = scope[sub.name];
        s.kind = SymKind::Local;
        s.locals.push_back(index);
    } else if (definition) {
        // The definition's parameters are the ones its body uses.
        PlSubprogram& d = prog_->locals[static_cast<std::size_t>(index)];
        d.params = sub.params;
        d.return_slot = sub.return_slot;
        d.return_type = sub.return_type;
        d.offset = sub.offset;
    }
    if (!definition) {
        expect_op(";");
        scopes_.pop_back();
        return;
    }
    ++i_;
    bool saved = in_function_, saved_pipelined = pipelined_;
    int saved_result = whole_result_;
    in_function_ = sub.is_function;
    pipelined_ = sub.pipelined;
    whole_result_ = sub.is_function && whole_slot(sub.return_slot) ? sub.return_slot : -1;
    PlBlock body;
    block(&body, true);
    in_function_ = saved;
    pipelined_ = saved_pipelined;
    whole_result_ = saved_result;
    expect_op(";");
    PlSubprogram& d = prog_->locals[static_cast<std::size_t>(index)];
    d.body = std::move(body);
    d.defined = true;
    d.slot_begin = slot_begin;
    d.slot_end = static_cast<int>(prog_->vars.size());
    d.cursor_begin = cursor_begin;
    d.cursor_end = static_cast<int>(prog_->cursors.size());
    scopes_.pop_back();
}

void Parser::undefined_locals() {
    for (const auto& [name, sym] : scopes_.back()) {
        if (sym.kind != SymKind::Local) continue;
        for (int idx : sym.locals) {
            const PlSubprogram& d = prog_->locals[static_cast<std::size_t>(idx)];
            if (d.defined) continue;
            PlCompileError e;
            position(d.offset, &e.line, &e.column);
            e.text = pls_message(328, d.name);
            prog_->errors.push_back(e);
        }
    }
}

void Parser::local_candidates(const Symbol& sym, std::vector<PlCandidate>* out) const {
    for (int idx : sym.locals) {
        const PlSubprogram& sub = prog_->locals[static_cast<std::size_t>(idx)];
        PlCandidate c;
        c.subprogram_id = idx;
        c.is_function = sub.is_function;
        c.return_type = sub.return_type_name;
        for (const PlParam& prm : sub.params)
            c.params.push_back(PlUnitArgument{prm.name, prm.mode, prm.default_value != nullptr, prm.type_name});
        out->push_back(c);
    }
}

std::string Parser::expression_family(const Expr& e) const {
    switch (e.kind) {
    case ExprKind::String:
    case ExprKind::Concat:
        return "CHAR";
    case ExprKind::Number:
        return "NUMBER";
    case ExprKind::DateLiteral:
    case ExprKind::Sysdate:
        return "DATE";
    case ExprKind::Unary:
        return e.text == "-" || e.text == "+" ? expression_family(*e.args[0]) : "";
    case ExprKind::Column: {
        if (e.path.size() != 1) return "";
        const Symbol* s = lookup(e.path[0]);
        if (!s || s->kind != SymKind::Var) return "";
        const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(s->index)];
        if (v.boolean || v.collection != PlCollection::None || !v.fields.empty()) return "";
        if (v.type.code == kTypeNumber) return "NUMBER";
        if (v.type.code == kTypeDate || v.type.code == kTypeTimestamp) return "DATE";
        if (v.type.code == kTypeVarchar2 || v.type.code == kTypeChar) return "CHAR";
        return "";
    }
    default:
        return "";
    }
}

NameHook::Answer Parser::local_function(const Symbol& sym, const std::string& name,
                                        const std::vector<std::string>& arg_names, const std::vector<ExprPtr>* args,
                                        std::uint32_t offset, std::vector<std::string>* path, NameResolution* out) {
    out->sql = "NULL";
    out->type = OraType();
    const char* ignored = in_sql_ ? "PL/SQL: SQL Statement ignored" : "PL/SQL: Statement ignored";
    std::vector<int> functions, fitting;
    for (int idx : sym.locals) {
        const PlSubprogram& sub = prog_->locals[static_cast<std::size_t>(idx)];
        if (!sub.is_function) continue;
        functions.push_back(idx);
        if (plsql_arguments_fit(sub.params, arg_names)) fitting.push_back(idx);
    }
    if (functions.empty()) {
        semantic_error(offset, pls_message(222, name), expression_offset_, ignored);
        return NameHook::Answer::Resolved;
    }
    // SQL runs outside the block: it cannot reach what the block declares.
    if (in_sql_) {
        semantic_error(offset, pls_message(231, name), expression_offset_, ignored);
        return NameHook::Answer::Resolved;
    }
    if (fitting.size() > 1 && args) {
        // Overloads of one count: the one whose parameters' families the arguments show.
        std::vector<int> exact;
        for (int idx : fitting) {
            const PlSubprogram& sub = prog_->locals[static_cast<std::size_t>(idx)];
            std::vector<std::size_t> slots;
            plsql_arguments_fit(sub.params, arg_names, &slots);
            bool same = true;
            for (std::size_t k = 0; k < slots.size() && k < args->size(); ++k) {
                const std::string family = expression_family(*(*args)[k]);
                same = same && (family.empty() || family == argument_family(sub.params[slots[k]].type_name));
            }
            if (same) exact.push_back(idx);
        }
        if (exact.size() == 1) fitting = exact;
    }
    if (fitting.size() != 1) {
        semantic_error(offset, pls_message(fitting.empty() ? 306 : 307, name), expression_offset_, ignored);
        return NameHook::Answer::Resolved;
    }
    const PlSubprogram& sub = prog_->locals[static_cast<std::size_t>(fitting[0])];
    // An expression passes and takes single values: records and collections go through
    // whole variables of their type (x := f(...) as a statement of its own).
    bool whole = whole_slot(sub.return_slot);
    for (const PlParam& prm : sub.params) whole = whole || whole_slot(prm.slot);
    if (whole) {
        semantic_error(offset, pls_message(382), expression_offset_, ignored);
        return NameHook::Answer::Resolved;
    }
    for (const PlParam& prm : sub.params)
        if (prm.mode != "IN") {
            semantic_error(offset, pls_message(999, "OUT parameter of a function called in an expression"),
                           expression_offset_, ignored);
            return NameHook::Answer::Resolved;
        }
    std::string unit = kPlLocalPrefix + std::to_string(fitting[0]);
    if (path) {
        *path = {unit.substr(0, unit.find('.')), unit.substr(unit.find('.') + 1)};
        return NameHook::Answer::NotMine;
    }
    std::string owner;
    for (char c : ctx_.schema) owner += c == '\'' ? std::string("''") : std::string(1, c);
    out->sql = "vantro_plsql_call('" + owner + "','" + unit + "')";
    out->type = sub.return_type;
    if (out->type.code == kTypeVarchar2 && out->type.size == 0) out->type.size = 4000;
    return NameHook::Answer::Resolved;
}

}  // namespace plsql_parsing
