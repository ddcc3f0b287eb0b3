// The PL/SQL parser's bulk binds and dynamic SQL: the BULK COLLECT INTO targets of
// SELECT and FETCH, FORALL, and EXECUTE IMMEDIATE with its INTO, USING and RETURNING
// INTO clauses. The dynamic statement's text is only an expression here; it is parsed
// and translated when it runs.
#include "plsql/plsql_parser.h"

#include "values/errors.h"

namespace plsql_parsing {

void Parser::bulk_targets(PlStmt* st, std::size_t columns, std::uint32_t target_offset, std::uint32_t so) {
    for (const PlTarget& t : st->targets) {
        if (t.host || t.slot < 0 || t.index || !t.package.empty() ||
            prog_->vars[static_cast<std::size_t>(t.slot)].collection == PlCollection::None) {
            semantic_error(target_offset, pls_message(497), so, "PL/SQL: SQL Statement ignored");
            return;
        }
        if (prog_->vars[static_cast<std::size_t>(t.slot)].text_keys) {
            semantic_error(target_offset, pls_message(657), so, "PL/SQL: SQL Statement ignored");
            return;
        }
    }
    // One collection of records takes a whole row, a column per field; with other
    // targets it is no collection of one column.
    std::size_t taken = st->targets.size();
    for (const PlTarget& t : st->targets) {
        const PlVarInfo& v = prog_->vars[static_cast<std::size_t>(t.slot)];
        if (!v.record_elements()) continue;
        if (st->targets.size() != 1) {
            semantic_error(target_offset, pls_message(494), so, "PL/SQL: SQL Statement ignored");
            return;
        }
        taken = v.record_fields.size();
    }
    if (columns && columns != taken)
        semantic_error(target_offset, "PL/SQL: " + ora_line(columns > taken ? 947 : 913), so,
                       "PL/SQL: SQL Statement ignored");
}

void Parser::forall_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    st->kind = PlStmtKind::Forall;
    std::string index = identifier();
    expect_word("IN");
    scopes_.emplace_back();
    static const std::set<std::string> kBodyStarts = {"SAVE", "INSERT", "UPDATE", "DELETE", "MERGE", "EXECUTE"};
    if (is_word("INDICES") || is_word("VALUES")) {
        st->forall = is_word("INDICES") ? PlForall::Indices : PlForall::Values;
        ++i_;
        expect_word("OF");
        const Token& n = peek();
        std::string name = identifier();
        const Symbol* s = lookup(name);
        const PlVarInfo* v = collection_of(s);
        if (!v) {
            semantic_error(n.offset, pls_message(201, name), so);
        } else {
            st->forall_collection = s->index;
            if (st->forall == PlForall::Values && v->text_keys) semantic_error(n.offset, pls_message(667), so);
        }
        if (st->forall == PlForall::Indices && is_word("BETWEEN")) {
            ++i_;
            st->exprs.push_back(expression({"AND"}, so));
            expect_word("AND");
            st->exprs.push_back(expression(kBodyStarts, so));
        }
    } else {
        st->exprs.push_back(expression({".."}, so));
        expect_op(".");
        expect_op(".");
        st->exprs.push_back(expression(kBodyStarts, so));
    }
    st->slot = add_var(index, number_type(38, 0), false);
    prog_->vars[static_cast<std::size_t>(st->slot)].constant = true;
    Symbol sym;
    sym.index = st->slot;
    declare(index, sym);
    if (is_word("SAVE")) {
        ++i_;
        expect_word("EXCEPTIONS");
        st->save_exceptions = true;
    }
    if (!(is_word("INSERT") || is_word("UPDATE") || is_word("DELETE") || is_word("MERGE") || is_word("EXECUTE")))
        expected("delete execute insert merge update", peek());
    st->bodies.emplace_back();
    statement(&st->bodies.back());
    scopes_.pop_back();
}

void Parser::using_arguments(PlStmt* st, std::uint32_t so) {
    static const std::set<std::string> kEnds = {",", ";", "RETURNING", "RETURN"};
    for (;;) {
        PlBindMode mode = PlBindMode::In;
        if (is_word("IN")) {
            ++i_;
            if (is_word("OUT")) {
                ++i_;
                mode = PlBindMode::InOut;
            }
        } else if (is_word("OUT")) {
            ++i_;
            mode = PlBindMode::Out;
        }
        PlTarget tg;
        tg.slot = -1;
        PlSql* value = nullptr;
        std::size_t at = i_;
        if (mode != PlBindMode::Out) value = expression(kEnds, so);
        if (mode != PlBindMode::In) {
            i_ = at;
            tg = target(so);
        }
        st->exprs.push_back(value);
        st->bind_modes.push_back(mode);
        st->bind_targets.push_back(tg);
        if (!is_op(",")) break;
        ++i_;
    }
}

void Parser::execute_statement(PlStmt* st, std::uint32_t so) {
    ++i_;
    expect_word("IMMEDIATE");
    st->kind = PlStmtKind::Execute;
    st->exprs.push_back(expression({"INTO", "BULK", "USING", "RETURNING", "RETURN", ";"}, so));
    auto into = [&]() {
        if (is_word("BULK")) {
            ++i_;
            expect_word("COLLECT");
            st->bulk = true;
        }
        expect_word("INTO");
        std::uint32_t target_offset = peek().offset;
        into_targets(st, so);
        if (st->bulk) bulk_targets(st, 0, target_offset, so);
    };
    if (is_word("INTO") || is_word("BULK")) into();
    if (is_word("USING")) {
        ++i_;
        using_arguments(st, so);
    }
    if (st->targets.empty() && (is_word("RETURNING") || is_word("RETURN"))) {
        ++i_;
        st->returning_into = true;
        std::uint32_t at = peek().offset;
        into();
        if (st->bulk) semantic_error(at, pls_message(999, "RETURNING BULK COLLECT INTO in EXECUTE IMMEDIATE"), so);
    }
    expect_op(";");
}

}  // namespace plsql_parsing
