// Recursive-descent parser of the supported Oracle SQL subset. Operator precedence is
// Oracle's: unary sign, then * /, then + - ||, then comparisons, NOT, AND, OR. Syntax it
// does not know is refused with the ORA- error Oracle gives for it, at the token where
// the statement stops making sense.
#include "sql/sql_ast.h"

#include "sql/token_cursor.h"

#include "values/errors.h"
#include "values/values.h"

#include <cstdlib>
#include <cstring>

namespace {

// Words that end an expression or a select item and so can never be an alias.
const char* const kReserved[] = {
    "ALL",   "ALTER",   "AND",    "ANY",    "AS",       "ASC",    "BETWEEN",   "BY",    "CHECK",  "CONNECT", "CREATE",
    "CROSS", "DEFAULT", "DELETE", "DESC",   "DISTINCT", "DROP",   "ELSE",      "END",   "EXISTS", "FOR",     "FROM",
    "FULL",  "GROUP",   "HAVING", "IN",     "INNER",    "INSERT", "INTERSECT", "INTO",  "IS",     "JOIN",    "LEFT",
    "LIKE",  "MINUS",   "NOT",    "NULL",   "ON",       "OR",     "ORDER",     "OUTER", "RIGHT",  "SELECT",  "SET",
    "START", "THEN",    "UNION",  "UPDATE", "USING",    "VALUES", "WHEN",      "WHERE", "WITH"};

// Deeper nesting than this is refused rather than allowed to exhaust the stack.
constexpr int kMaxDepth = 200;

bool is_reserved(const std::string& w) {
    for (const char* r : kReserved)
        if (w == r) return true;
    return false;
}

class Parser : TokenCursor {
public:
    Parser(const std::vector<Token>& tokens, OraError* err) : TokenCursor(tokens), err_(err) {}

    bool statement(Statement* s);
    bool whole_expression(ExprPtr* out) {
        if (!expr(out)) return false;
        if (!at_end()) return fail(cur().kind == TokenKind::Operator && cur().text == ")" ? 907 : 933);
        return true;
    }

private:
    OraError* err_;
    bool failed_ = false;
    int depth_ = 0;  // nesting of parentheses and subqueries, bounded to keep the stack safe

    bool fail(int code, const std::string& arg = {}) {
        if (!failed_) {
            *err_ = ora_error(code, arg);
            err_->offset = cur().offset;
            failed_ = true;
        }
        return false;
    }
    // Nesting beyond kMaxDepth: ORA-03095 at the token where it happens.
    bool too_deep() { return fail(3095, std::to_string(kMaxDepth)); }
    bool expect_word(const char* w, int code) { return accept_word(w) || fail(code); }
    bool expect_op(const char* o, int code) { return accept_op(o) || fail(code); }
    // An identifier: an unreserved word or a quoted word.
    bool identifier(std::string* out, std::uint32_t* offset = nullptr) {
        if (cur().kind == TokenKind::QuotedWord || (cur().kind == TokenKind::Word && !is_reserved(cur().text))) {
            *out = cur().text;
            if (offset) *offset = cur().offset;
            ++p_;
            return true;
        }
        return false;
    }

    bool table_ref(TableRef* ref);
    bool select(std::unique_ptr<SelectStmt>* out);
    bool select_nested(std::unique_ptr<SelectStmt>* out);
    bool select_block(SelectStmt* s);
    bool from_item(FromItem* f);
    bool expr(ExprPtr* out);
    bool or_expr(ExprPtr* out);
    bool and_expr(ExprPtr* out);
    bool not_expr(ExprPtr* out);
    bool predicate(ExprPtr* out);
    bool additive(ExprPtr* out);
    bool multiplicative(ExprPtr* out);
    bool unary(ExprPtr* out);
    bool primary(ExprPtr* out);
    bool case_expr(ExprPtr* out);
    bool datetime_literal(ExprPtr* out);
    bool column_def(ColumnDef* c);
    bool datatype(ColumnDef* c);
    bool column_constraints(ColumnDef* c);
    bool table_constraint(TableConstraint* c);
    bool name_list(std::vector<std::string>* names, std::vector<std::uint32_t>* offsets = nullptr);
    bool create(Statement* s);
    bool drop(Statement* s);
    bool alter(Statement* s);
    bool insert(Statement* s);
    bool update(Statement* s);
    bool del(Statement* s);
    bool returning(Statement* s);
    void storage_clauses(StorageClause* st, bool index);
    bool storage_parameters(StorageClause* st);
    bool size(long long* out);

    ExprPtr make(ExprKind k, std::uint32_t offset) {
        ExprPtr e(new Expr);
        e->kind = k;
        e->offset = offset;
        return e;
    }
};

bool Parser::table_ref(TableRef* ref) {
    std::string first;
    std::uint32_t off = cur().offset;
    if (!identifier(&first)) return fail(903), err_->message = "invalid table name", false;
    ref->offset = off;
    ref->name_offset = off;
    if (is_op(".")) {
        ++p_;
        ref->owner = first;
        ref->name_offset = cur().offset;
        if (!identifier(&ref->name)) return fail(903), err_->message = "invalid table name", false;
    } else {
        ref->name = first;
    }
    if (is_op("@")) return fail(3001);
    return true;
}

bool Parser::name_list(std::vector<std::string>* names, std::vector<std::uint32_t>* offsets) {
    if (!expect_op("(", 906)) return false;
    do {
        std::string n;
        std::uint32_t off = 0;
        if (!identifier(&n, &off)) return fail(904, "\"" + cur().text + "\"");
        names->push_back(n);
        if (offsets) offsets->push_back(off);
    } while (accept_op(","));
    return expect_op(")", 907);
}

bool Parser::statement(Statement* s) {
    if (is_word("SELECT") || is_word("WITH") || is_op("(")) {
        if (is_word("WITH")) return fail(3001);
        s->kind = StatementKind::Select;
        if (!select(&s->select)) return false;
        if (accept_word("FOR")) {
            if (!expect_word("UPDATE", 905)) return false;
            s->select->for_update = true;
        }
    } else if (is_word("INSERT")) {
        if (!insert(s)) return false;
    } else if (is_word("UPDATE")) {
        if (!update(s)) return false;
    } else if (is_word("DELETE")) {
        if (!del(s)) return false;
    } else if (is_word("CREATE")) {
        if (!create(s)) return false;
    } else if (is_word("DROP")) {
        if (!drop(s)) return false;
    } else if (is_word("ALTER")) {
        if (!alter(s)) return false;
    } else if (accept_word("TRUNCATE")) {
        if (!expect_word("TABLE", 905)) return false;
        s->kind = StatementKind::TruncateTable;
        if (!table_ref(&s->table)) return false;
    } else if (accept_word("COMMIT")) {
        s->kind = StatementKind::Commit;
        accept_word("WORK");
    } else if (accept_word("ROLLBACK")) {
        s->kind = StatementKind::Rollback;
        accept_word("WORK");
        if (accept_word("TO")) {
            accept_word("SAVEPOINT");
            s->kind = StatementKind::RollbackToSavepoint;
            s->name_offset = cur().offset;
            if (!identifier(&s->name)) return fail(905);
        }
    } else if (accept_word("SAVEPOINT")) {
        s->kind = StatementKind::Savepoint;
        s->name_offset = cur().offset;
        if (!identifier(&s->name)) return fail(905);
    } else {
        return fail(900);
    }
    if (!at_end()) return is_op(";") ? fail(911) : fail(933);
    return true;
}

bool Parser::select(std::unique_ptr<SelectStmt>* out) {
    if (++depth_ > kMaxDepth) return too_deep();
    bool ok = select_nested(out);
    --depth_;
    return ok;
}

bool Parser::select_nested(std::unique_ptr<SelectStmt>* out) {
    out->reset(new SelectStmt);
    SelectStmt* block = out->get();
    block->offset = cur().offset;
    if (accept_op("(")) {
        if (!select(out)) return false;
        block = out->get();
        if (!expect_op(")", 907)) return false;
    } else if (!select_block(block)) {
        return false;
    }
    SelectStmt* last = block;
    while (is_word("UNION") || is_word("INTERSECT") || is_word("MINUS")) {
        SetOp op = is_word("UNION") ? SetOp::Union : is_word("INTERSECT") ? SetOp::Intersect : SetOp::Minus;
        ++p_;
        if (op == SetOp::Union && accept_word("ALL")) op = SetOp::UnionAll;
        last->set_op = op;
        if (accept_op("(")) {
            if (!select(&last->next)) return false;
            if (!expect_op(")", 907)) return false;
        } else {
            last->next.reset(new SelectStmt);
            last->next->offset = cur().offset;
            if (!select_block(last->next.get())) return false;
        }
        last = last->next.get();
        while (last->next) last = last->next.get();
    }
    if (accept_word("ORDER")) {
        bool siblings = accept_word("SIBLINGS");
        if (siblings && (block->next || !block->connect_by)) {
            fail(30929);
            err_->message = "ORDER SIBLINGS BY clause not allowed here";
            return false;
        }
        if (!expect_word("BY", 924)) return false;
        do {
            OrderItem o;
            if (!expr(&o.expr)) return false;
            if (accept_word("DESC"))
                o.descending = true;
            else
                accept_word("ASC");
            if (accept_word("NULLS")) {
                if (accept_word("FIRST"))
                    o.nulls = 1;
                else if (accept_word("LAST"))
                    o.nulls = 2;
                else
                    return fail(905);
            }
            (siblings ? block->siblings_order : block->order_by).push_back(std::move(o));
        } while (accept_op(","));
    }
    return true;
}

bool Parser::select_block(SelectStmt* s) {
    if (!expect_word("SELECT", 928)) return false;
    if (accept_word("DISTINCT") || accept_word("UNIQUE"))
        s->distinct = true;
    else
        accept_word("ALL");
    do {
        SelectItem item;
        item.offset = cur().offset;
        if (is_op("*")) {
            item.expr = make(ExprKind::Star, cur().offset);
            ++p_;
        } else if ((cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord) && peek().text == "." &&
                   peek().kind == TokenKind::Operator && peek(2).kind == TokenKind::Operator && peek(2).text == "*") {
            item.expr = make(ExprKind::Star, cur().offset);
            item.expr->path.push_back(cur().text);
            p_ += 3;
        } else if (!expr(&item.expr)) {
            return false;
        }
        item.end = prev_end();
        if (accept_word("AS")) {
            if (!identifier(&item.alias)) return fail(923);
        } else if (cur().kind == TokenKind::QuotedWord || (cur().kind == TokenKind::Word && !is_reserved(cur().text))) {
            identifier(&item.alias);
        }
        s->items.push_back(std::move(item));
    } while (accept_op(","));
    if (!accept_word("FROM")) return fail(923);
    do {
        FromItem f;
        f.join = s->from.empty() ? JoinKind::First : JoinKind::Comma;
        if (!from_item(&f)) return false;
        s->from.push_back(std::move(f));
        for (;;) {
            JoinKind k;
            if (accept_word("JOIN"))
                k = JoinKind::Inner;
            else if (accept_word("INNER")) {
                if (!expect_word("JOIN", 905)) return false;
                k = JoinKind::Inner;
            } else if (is_word("LEFT") || is_word("RIGHT") || is_word("FULL")) {
                k = is_word("LEFT") ? JoinKind::Left : is_word("RIGHT") ? JoinKind::Right : JoinKind::Full;
                ++p_;
                accept_word("OUTER");
                if (!expect_word("JOIN", 905)) return false;
            } else if (accept_word("CROSS")) {
                if (!expect_word("JOIN", 905)) return false;
                k = JoinKind::Cross;
            } else {
                break;
            }
            FromItem j;
            j.join = k;
            if (!from_item(&j)) return false;
            if (k != JoinKind::Cross) {
                if (accept_word("ON")) {
                    if (!expr(&j.on)) return false;
                } else if (accept_word("USING")) {
                    if (!name_list(&j.using_columns)) return false;
                } else {
                    return fail(905);
                }
            }
            s->from.push_back(std::move(j));
        }
    } while (accept_op(","));
    if (accept_word("WHERE") && !expr(&s->where)) return false;
    // START WITH and CONNECT BY come in either order.
    std::size_t start_token = p_;
    while (is_word("CONNECT") || is_word("START")) {
        if (is_word("START")) start_token = p_;
        if (accept_word("START")) {
            if (s->start_with) return fail(933);
            if (!expect_word("WITH", 905) || !expr(&s->start_with)) return false;
        } else {
            ++p_;
            if (s->connect_by) return fail(933);
            if (!expect_word("BY", 924)) return false;
            if (accept_word("NOCYCLE")) s->nocycle = true;
            if (!expr(&s->connect_by)) return false;
        }
    }
    if (s->start_with && !s->connect_by) {
        p_ = start_token;
        return fail(1788);
    }
    if (accept_word("GROUP")) {
        if (!expect_word("BY", 924)) return false;
        do {
            ExprPtr g;
            if (!expr(&g)) return false;
            s->group_by.push_back(std::move(g));
        } while (accept_op(","));
    }
    if (accept_word("HAVING") && !expr(&s->having)) return false;
    return true;
}

bool Parser::from_item(FromItem* f) {
    if (accept_op("(")) {
        if (!select(&f->subquery)) return false;
        if (!expect_op(")", 907)) return false;
    } else if (!table_ref(&f->table)) {
        return false;
    }
    if (cur().kind == TokenKind::QuotedWord || (cur().kind == TokenKind::Word && !is_reserved(cur().text))) {
        identifier(&f->alias);
    } else if (is_word("AS")) {
        return fail(933);
    }
    return true;
}

bool Parser::expr(ExprPtr* out) {
    if (++depth_ > kMaxDepth) return too_deep();
    bool ok = or_expr(out);
    --depth_;
    return ok;
}

bool Parser::or_expr(ExprPtr* out) {
    if (!and_expr(out)) return false;
    while (is_word("OR")) {
        ExprPtr e = make(ExprKind::Or, (*out)->offset);
        ++p_;
        e->args.push_back(std::move(*out));
        ExprPtr rhs;
        if (!and_expr(&rhs)) return false;
        e->args.push_back(std::move(rhs));
        e->end = prev_end();
        *out = std::move(e);
    }
    return true;
}

bool Parser::and_expr(ExprPtr* out) {
    if (!not_expr(out)) return false;
    while (is_word("AND")) {
        ExprPtr e = make(ExprKind::And, (*out)->offset);
        ++p_;
        e->args.push_back(std::move(*out));
        ExprPtr rhs;
        if (!not_expr(&rhs)) return false;
        e->args.push_back(std::move(rhs));
        e->end = prev_end();
        *out = std::move(e);
    }
    return true;
}

bool Parser::not_expr(ExprPtr* out) {
    if (is_word("NOT")) {
        ExprPtr e = make(ExprKind::Not, cur().offset);
        ++p_;
        ExprPtr inner;
        if (++depth_ > kMaxDepth) return too_deep();
        bool ok = not_expr(&inner);
        --depth_;
        if (!ok) return false;
        e->args.push_back(std::move(inner));
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    return predicate(out);
}

bool Parser::predicate(ExprPtr* out) {
    if (is_word("EXISTS")) {
        ExprPtr e = make(ExprKind::Exists, cur().offset);
        ++p_;
        if (!expect_op("(", 906)) return false;
        if (!select(&e->subquery)) return false;
        if (!expect_op(")", 907)) return false;
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    ExprPtr lhs;
    if (!additive(&lhs)) return false;
    static const char* const kCompare[] = {"=", "<>", "!=", "^=", "<", "<=", ">", ">="};
    for (const char* op : kCompare) {
        if (is_op(op)) {
            ExprPtr e = make(ExprKind::Compare, lhs->offset);
            e->text = (std::strcmp(op, "!=") == 0 || std::strcmp(op, "^=") == 0) ? "<>" : op;
            ++p_;
            if (is_word("ANY") || is_word("SOME") || is_word("ALL")) return fail(3001);
            ExprPtr rhs;
            if (!additive(&rhs)) return false;
            e->args.push_back(std::move(lhs));
            e->args.push_back(std::move(rhs));
            e->end = prev_end();
            *out = std::move(e);
            return true;
        }
    }
    if (is_word("IS")) {
        ExprPtr e = make(ExprKind::IsNull, lhs->offset);
        ++p_;
        e->negated = accept_word("NOT");
        if (!expect_word("NULL", 908)) return false;
        e->args.push_back(std::move(lhs));
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    bool negated = false;
    if (is_word("NOT") && (peek().text == "LIKE" || peek().text == "IN" || peek().text == "BETWEEN")) {
        negated = true;
        ++p_;
    }
    if (accept_word("LIKE")) {
        ExprPtr e = make(ExprKind::Like, lhs->offset);
        e->negated = negated;
        e->args.push_back(std::move(lhs));
        ExprPtr pat;
        if (!additive(&pat)) return false;
        e->args.push_back(std::move(pat));
        if (accept_word("ESCAPE")) {
            ExprPtr esc;
            if (!additive(&esc)) return false;
            e->args.push_back(std::move(esc));
        }
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    if (accept_word("BETWEEN")) {
        ExprPtr e = make(ExprKind::Between, lhs->offset);
        e->negated = negated;
        e->args.push_back(std::move(lhs));
        ExprPtr lo, hi;
        if (!additive(&lo)) return false;
        if (!expect_word("AND", 905)) return false;
        if (!additive(&hi)) return false;
        e->args.push_back(std::move(lo));
        e->args.push_back(std::move(hi));
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    if (accept_word("IN")) {
        if (!expect_op("(", 906)) return false;
        ExprPtr e;
        if (is_word("SELECT")) {
            e = make(ExprKind::InSubquery, lhs->offset);
            if (!select(&e->subquery)) return false;
            e->args.push_back(std::move(lhs));
        } else {
            e = make(ExprKind::InList, lhs->offset);
            e->args.push_back(std::move(lhs));
            do {
                ExprPtr item;
                if (!expr(&item)) return false;
                e->args.push_back(std::move(item));
            } while (accept_op(","));
        }
        if (!expect_op(")", 907)) return false;
        e->negated = negated;
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    if (negated) return fail(920);
    *out = std::move(lhs);
    return true;
}

bool Parser::additive(ExprPtr* out) {
    if (!multiplicative(out)) return false;
    while (is_op("+") || is_op("-") || is_op("||")) {
        ExprPtr e = make(is_op("||") ? ExprKind::Concat : ExprKind::Binary, (*out)->offset);
        e->text = cur().text;
        ++p_;
        ExprPtr rhs;
        if (!multiplicative(&rhs)) return false;
        e->args.push_back(std::move(*out));
        e->args.push_back(std::move(rhs));
        e->end = prev_end();
        *out = std::move(e);
    }
    return true;
}

bool Parser::multiplicative(ExprPtr* out) {
    if (!unary(out)) return false;
    while (is_op("*") || is_op("/")) {
        ExprPtr e = make(ExprKind::Binary, (*out)->offset);
        e->text = cur().text;
        ++p_;
        ExprPtr rhs;
        if (!unary(&rhs)) return false;
        e->args.push_back(std::move(*out));
        e->args.push_back(std::move(rhs));
        e->end = prev_end();
        *out = std::move(e);
    }
    return true;
}

bool Parser::unary(ExprPtr* out) {
    // PRIOR and CONNECT_BY_ROOT are operators only before an operand; elsewhere the words
    // are names.
    bool hierarchy_op = (is_word("PRIOR") || is_word("CONNECT_BY_ROOT")) &&
                        (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord ||
                         (peek().kind == TokenKind::Operator && peek().text == "("));
    if (is_op("-") || is_op("+") || hierarchy_op) {
        ExprPtr e = make(ExprKind::Unary, cur().offset);
        e->text = cur().text;
        ++p_;
        ExprPtr inner;
        if (++depth_ > kMaxDepth) return too_deep();
        bool ok = unary(&inner);
        --depth_;
        if (!ok) return false;
        e->args.push_back(std::move(inner));
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    return primary(out);
}

bool Parser::primary(ExprPtr* out) {
    const Token& t = cur();
    switch (t.kind) {
    case TokenKind::String:
        *out = make(t.text.empty() ? ExprKind::Null : ExprKind::String, t.offset);
        (*out)->text = t.text;
        ++p_;
        (*out)->end = prev_end();
        return true;
    case TokenKind::Number:
        *out = make(ExprKind::Number, t.offset);
        (*out)->text = t.text;
        ++p_;
        (*out)->end = prev_end();
        return true;
    case TokenKind::Bind:
        *out = make(ExprKind::Bind, t.offset);
        (*out)->text = t.text;
        ++p_;
        while (is_op(".") && (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord)) {
            (*out)->path.push_back(peek().text);
            p_ += 2;
        }
        (*out)->end = prev_end();
        return true;
    case TokenKind::Operator:
        if (t.text == "(") {
            std::uint32_t off = t.offset;
            ++p_;
            if (is_word("SELECT")) {
                ExprPtr e = make(ExprKind::Subquery, off);
                if (!select(&e->subquery)) return false;
                if (!expect_op(")", 907)) return false;
                e->end = prev_end();
                *out = std::move(e);
                return true;
            }
            if (!expr(out)) return false;
            if (!expect_op(")", 907)) return false;
            (*out)->offset = off;
            (*out)->end = prev_end();
            return true;
        }
        return fail(936);
    case TokenKind::End:
        return fail(936);
    case TokenKind::Word:
    case TokenKind::QuotedWord:
        break;
    }
    if (t.kind == TokenKind::Word) {
        if (t.text == "NULL") {
            *out = make(ExprKind::Null, t.offset);
            ++p_;
            (*out)->end = prev_end();
            return true;
        }
        if (t.text == "CASE") return case_expr(out);
        if (t.text == "SYSDATE" || t.text == "USER") {
            *out = make(t.text == "USER" ? ExprKind::User : ExprKind::Sysdate, t.offset);
            ++p_;
            (*out)->end = prev_end();
            return true;
        }
        if ((t.text == "DATE" || t.text == "TIMESTAMP") && peek().kind == TokenKind::String)
            return datetime_literal(out);
        if (is_reserved(t.text)) return fail(936);
    }
    // A name: column reference, qualified column, or function call.
    std::uint32_t off = t.offset;
    std::vector<std::string> path;
    std::vector<std::uint32_t> path_offsets;
    path.push_back(t.text);
    path_offsets.push_back(t.offset);
    ++p_;
    while (is_op(".") && (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord)) {
        ++p_;
        path.push_back(cur().text);
        path_offsets.push_back(cur().offset);
        ++p_;
    }
    bool outer_join_mark = is_op("(") && peek().kind == TokenKind::Operator && peek().text == "+" &&
                           peek(2).kind == TokenKind::Operator && peek(2).text == ")";
    if (is_op("(") && t.kind == TokenKind::Word && path.size() <= 3 && !outer_join_mark) {
        // A qualified name calls a stored function: [owner.]package.function or owner.function.
        ExprPtr e = make(ExprKind::Function, off);
        e->text = path[0];
        for (std::size_t k = 1; k < path.size(); ++k) e->text += "." + path[k];
        if (path.size() > 1) e->path = path;
        e->path_offsets = path_offsets;
        ++p_;
        if (accept_op("*")) {
            e->star = true;
        } else if (!is_op(")")) {
            if (accept_word("DISTINCT"))
                e->distinct = true;
            else
                accept_word("ALL");
            do {
                ExprPtr a;
                if (!expr(&a)) return false;
                e->args.push_back(std::move(a));
            } while (accept_op(","));
        }
        if (!expect_op(")", 907)) return false;
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    bool outer_join = false;
    if (is_op("(") && peek().kind == TokenKind::Operator && peek().text == "+" && peek(2).kind == TokenKind::Operator &&
        peek(2).text == ")") {
        p_ += 3;
        outer_join = true;
    }
    if (is_op("(")) return fail(3001);
    if (is_op("%") && peek().kind == TokenKind::Word) {
        ExprPtr e = make(ExprKind::Attribute, off);
        e->path = std::move(path);
        e->path_offsets = std::move(path_offsets);
        e->text = peek().text;
        p_ += 2;
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    ExprPtr e = make(ExprKind::Column, off);
    e->path = std::move(path);
    e->path_offsets = std::move(path_offsets);
    e->outer_join = outer_join;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

// CASE [operand] WHEN ... THEN ... [ELSE ...] END
bool Parser::case_expr(ExprPtr* out) {
    const Token& t = cur();
    ExprPtr e = make(ExprKind::Case, t.offset);
    ++p_;
    if (!is_word("WHEN")) {
        ExprPtr operand;
        if (!expr(&operand)) return false;
        e->args.push_back(std::move(operand));
        e->has_operand = true;
    }
    if (!is_word("WHEN")) return fail(905);
    while (accept_word("WHEN")) {
        ExprPtr w, th;
        if (!expr(&w)) return false;
        if (!expect_word("THEN", 905)) return false;
        if (!expr(&th)) return false;
        e->args.push_back(std::move(w));
        e->args.push_back(std::move(th));
    }
    if (accept_word("ELSE")) {
        ExprPtr el;
        if (!expr(&el)) return false;
        e->args.push_back(std::move(el));
        e->has_else = true;
    }
    if (!expect_word("END", 905)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

// ANSI datetime literals: DATE 'YYYY-MM-DD', TIMESTAMP 'YYYY-MM-DD HH24:MI:SS[.FF]'.
bool Parser::datetime_literal(ExprPtr* out) {
    const Token& t = cur();
    bool ts = t.text == "TIMESTAMP";
    ++p_;
    DateValue d;
    OraError bad;
    DateValue now;
    const std::string& v = cur().text;
    if (!date_parse(v, ts ? "YYYY-MM-DD HH24:MI:SSXFF" : "YYYY-MM-DD", now, &d, &bad)) {
        *err_ = bad;
        err_->offset = cur().offset;
        failed_ = true;
        return false;
    }
    ExprPtr e = make(ExprKind::DateLiteral, t.offset);
    e->text = date_stored_text(d, ts ? 6 : 0);
    e->star = ts;
    ++p_;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

bool Parser::column_def(ColumnDef* c) {
    c->offset = cur().offset;
    if (!identifier(&c->name)) return fail(904, "\"" + cur().text + "\"");
    return datatype(c) && column_constraints(c);
}

// The column's datatype with its length, precision and scale, as Oracle checks them.
bool Parser::datatype(ColumnDef* c) {
    if (cur().kind != TokenKind::Word) return fail(902), err_->message = "invalid datatype", false;
    std::string type = cur().text;
    std::uint32_t type_offset = cur().offset;
    ++p_;
    OraType& ot = c->type;
    auto number_arg = [&](int* v) {
        if (cur().kind != TokenKind::Number) return false;
        *v = std::atoi(cur().text.c_str());
        ++p_;
        return true;
    };
    auto size_arg = [&](int def, int max, bool allow_semantics) -> bool {
        int n = def;
        if (accept_op("(")) {
            if (!number_arg(&n)) return fail(910), false;
            if (allow_semantics) {
                if (accept_word("CHAR"))
                    ot.char_used = true;
                else
                    accept_word("BYTE");
            }
            if (!expect_op(")", 907)) return false;
        } else if (def < 0) {
            return fail(906);
        }
        if (n < 1 || n > max) {
            *err_ = ora_error(910);
            err_->message = "specified length too long for its datatype";
            err_->offset = type_offset;
            failed_ = true;
            return false;
        }
        ot.size = static_cast<std::uint32_t>(n);
        return true;
    };
    if (type == "VARCHAR2" || type == "VARCHAR" || type == "NVARCHAR2") {
        ot.code = kTypeVarchar2;
        ot.national = type == "NVARCHAR2";
        if (!size_arg(-1, 4000, !ot.national)) return false;
    } else if (type == "CHAR" || type == "NCHAR") {
        ot.code = kTypeChar;
        ot.national = type == "NCHAR";
        if (!size_arg(1, 2000, !ot.national)) return false;
    } else if (type == "NUMBER" || type == "NUMERIC" || type == "DECIMAL") {
        ot.code = kTypeNumber;
        ot.size = 22;
        ot.precision = 0;
        ot.scale = -127;
        if (accept_op("(")) {
            int prec = 0, scale = 0;
            std::size_t at = p_;
            // NUMBER(*,s): the largest precision, shown in the dictionary as none.
            const bool any_precision = accept_op("*");
            if (any_precision)
                prec = 38;
            else if (!number_arg(&prec))
                return fail(910), false;
            if (prec < 1 || prec > 38) {
                p_ = at;
                return fail(1727), err_->message = "numeric precision specifier is out of range (1 to 38)", false;
            }
            const bool has_scale = accept_op(",");
            if (has_scale) {
                at = p_;
                bool neg = accept_op("-");
                if (!number_arg(&scale)) return fail(910), false;
                if (neg) scale = -scale;
                if (scale < -84 || scale > 127) {
                    p_ = at;
                    return fail(1728), err_->message = "numeric scale specifier is out of range (-84 to 127)", false;
                }
            }
            if (!expect_op(")", 907)) return false;
            ot.precision = static_cast<std::int16_t>(any_precision ? 0 : prec);
            ot.scale = static_cast<std::int8_t>(any_precision && !has_scale ? -127 : scale);
        } else if (type != "NUMBER") {
            ot.precision = 38;
            ot.scale = 0;
        }
    } else if (type == "INTEGER" || type == "INT" || type == "SMALLINT") {
        ot.code = kTypeNumber;
        ot.size = 22;
        ot.precision = 38;
        ot.scale = 0;
    } else if (type == "FLOAT") {
        ot.code = kTypeNumber;
        ot.size = 22;
        ot.precision = 126;
        ot.scale = -127;
        if (accept_op("(")) {
            int prec = 0;
            if (!number_arg(&prec)) return fail(910), false;
            if (prec < 1 || prec > 126)
                return fail(1724), err_->message = "floating point precision is out of range (1 to 126)", false;
            if (!expect_op(")", 907)) return false;
            ot.precision = static_cast<std::int16_t>(prec);
        }
    } else if (type == "DATE") {
        ot.code = kTypeDate;
        ot.size = 7;
    } else if (type == "TIMESTAMP") {
        ot.code = kTypeTimestamp;
        ot.size = 11;
        ot.scale = 6;
        if (accept_op("(")) {
            int fs = 6;
            if (!number_arg(&fs)) return fail(910), false;
            if (fs < 0 || fs > 9)
                return fail(30088), err_->message = "datetime/interval precision is out of range", false;
            if (!expect_op(")", 907)) return false;
            ot.scale = static_cast<std::int8_t>(fs);
        }
        if (is_word("WITH")) return fail(3001);
    } else if (type == "RAW") {
        ot.code = kTypeRaw;
        if (!size_arg(-1, 2000, false)) return false;
    } else if (type == "LONG") {
        ot.code = kTypeLong;
        ot.size = 0;
        if (accept_word("RAW")) ot.code = kTypeLongRaw;
    } else if (type == "CLOB" || type == "NCLOB") {
        ot.code = kTypeClob;
        ot.size = 4000;
        ot.national = type == "NCLOB";
    } else if (type == "BLOB") {
        ot.code = kTypeBlob;
        ot.size = 4000;
    } else {
        *err_ = ora_error(902);
        err_->message = "invalid datatype";
        err_->offset = type_offset;
        failed_ = true;
        return false;
    }
    c->type_name = type == "VARCHAR" ? "VARCHAR2" : type;
    return true;
}

// The inline constraints and DEFAULT after a column's datatype, each optionally named.
bool Parser::column_constraints(ColumnDef* c) {
    for (;;) {
        std::string cname;
        if (accept_word("CONSTRAINT") && !identifier(&cname)) return fail(902);
        if (!cname.empty() && !is_word("PRIMARY") && !is_word("UNIQUE") && !is_word("REFERENCES") &&
            !is_word("CHECK") && !is_word("NOT") && !is_word("NULL"))
            return fail(902);
        if (accept_word("DEFAULT")) {
            if (!expr(&c->default_value)) return false;
        } else if (is_word("NOT")) {
            ++p_;
            if (!expect_word("NULL", 905)) return false;
            c->not_null = true;
            c->not_null_name = cname;
        } else if (accept_word("NULL")) {
        } else if (accept_word("PRIMARY")) {
            if (!expect_word("KEY", 905)) return false;
            c->primary_key = true;
            c->primary_key_name = cname;
        } else if (accept_word("UNIQUE")) {
            c->unique = true;
            c->unique_name = cname;
        } else if (accept_word("REFERENCES")) {
            c->references_name = cname;
            if (!table_ref(&c->references)) return false;
            if (is_op("(") && !name_list(&c->ref_columns)) return false;
            if (accept_word("ON")) {
                if (!expect_word("DELETE", 905)) return false;
                if (accept_word("CASCADE"))
                    c->on_delete = "CASCADE";
                else if (accept_word("SET")) {
                    if (!expect_word("NULL", 905)) return false;
                    c->on_delete = "SET NULL";
                } else
                    return fail(905);
            }
        } else if (accept_word("CHECK")) {
            c->check_name = cname;
            if (!expect_op("(", 906)) return false;
            if (!expr(&c->check)) return false;
            if (!expect_op(")", 907)) return false;
        } else {
            break;
        }
    }
    return true;
}

bool Parser::table_constraint(TableConstraint* c) {
    c->offset = cur().offset;
    if (accept_word("CONSTRAINT") && !identifier(&c->name)) return fail(902);
    if (accept_word("PRIMARY")) {
        if (!expect_word("KEY", 905)) return false;
        c->kind = TableConstraint::Kind::PrimaryKey;
        return name_list(&c->columns);
    }
    if (accept_word("UNIQUE")) {
        c->kind = TableConstraint::Kind::Unique;
        return name_list(&c->columns);
    }
    if (accept_word("FOREIGN")) {
        if (!expect_word("KEY", 905)) return false;
        c->kind = TableConstraint::Kind::ForeignKey;
        if (!name_list(&c->columns)) return false;
        if (!expect_word("REFERENCES", 905)) return false;
        if (!table_ref(&c->references)) return false;
        if (is_op("(") && !name_list(&c->ref_columns)) return false;
        if (accept_word("ON")) {
            if (!expect_word("DELETE", 905)) return false;
            if (accept_word("CASCADE"))
                c->on_delete = "CASCADE";
            else if (accept_word("SET")) {
                if (!expect_word("NULL", 905)) return false;
                c->on_delete = "SET NULL";
            } else
                return fail(905);
        }
        return true;
    }
    if (accept_word("CHECK")) {
        c->kind = TableConstraint::Kind::Check;
        if (!expect_op("(", 906)) return false;
        if (!expr(&c->check)) return false;
        return expect_op(")", 907);
    }
    return fail(904, "\"" + cur().text + "\"");
}

bool Parser::create(Statement* s) {
    ++p_;
    if (is_word("OR") && !word_at(1, "REPLACE")) {
        ++p_;
        return fail(922);
    }
    if (accept_word("TABLE")) {
        s->kind = StatementKind::CreateTable;
        if (!table_ref(&s->table)) return false;
        if (accept_word("AS")) return select(&s->select);
        if (!expect_op("(", 906)) return false;
        do {
            if (is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") || is_word("FOREIGN") ||
                is_word("CHECK")) {
                TableConstraint c;
                if (!table_constraint(&c)) return false;
                s->constraints.push_back(std::move(c));
            } else {
                ColumnDef c;
                if (!column_def(&c)) return false;
                s->column_defs.push_back(std::move(c));
            }
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        storage_clauses(&s->storage, false);
        return true;
    }
    bool bitmap = accept_word("BITMAP");
    bool unique = !bitmap && accept_word("UNIQUE");
    if (bitmap && !is_word("INDEX")) return fail(901);
    if (accept_word("INDEX")) {
        s->kind = StatementKind::CreateIndex;
        s->unique = unique;
        if (bitmap) s->storage.index_type = "BITMAP";
        if (!table_ref(&s->index)) return false;
        if (!expect_word("ON", 969)) return false;
        if (!table_ref(&s->table)) return false;
        if (!expect_op("(", 906)) return false;
        do {
            std::string n;
            std::uint32_t off = cur().offset;
            if (!identifier(&n)) return fail(904, "\"" + cur().text + "\"");
            s->columns.push_back(n);
            s->column_offsets.push_back(off);
            bool desc = accept_word("DESC");
            if (!desc) accept_word("ASC");
            s->column_desc.push_back(desc);
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        storage_clauses(&s->storage, true);
        return true;
    }
    return fail(unique ? 968 : 901);
}

// A size: a number with an optional K, M or G suffix.
bool Parser::size(long long* out) {
    if (cur().kind != TokenKind::Number) return false;
    double v = std::atof(cur().text.c_str());
    ++p_;
    if (accept_word("K"))
        v *= 1024;
    else if (accept_word("M"))
        v *= 1024 * 1024;
    else if (accept_word("G"))
        v *= 1024.0 * 1024 * 1024;
    *out = static_cast<long long>(v);
    return true;
}

// The STORAGE ( ... ) parameters; false when one is not understood.
bool Parser::storage_parameters(StorageClause* st) {
    if (!accept_op("(")) return false;
    while (!accept_op(")")) {
        if (accept_word("INITIAL")) {
            if (!size(&st->initial)) return false;
        } else if (accept_word("NEXT")) {
            if (!size(&st->next)) return false;
        } else if (accept_word("MINEXTENTS")) {
            if (!size(&st->min_extents)) return false;
        } else if (accept_word("MAXEXTENTS")) {
            if (accept_word("UNLIMITED"))
                st->max_extents = 2147483645;
            else if (!size(&st->max_extents))
                return false;
        } else if (accept_word("PCTINCREASE")) {
            if (!size(&st->pct_increase)) return false;
        } else if (accept_word("FREELISTS")) {
            if (!size(&st->freelists)) return false;
        } else if (accept_word("FREELIST")) {
            if (!accept_word("GROUPS") || !size(&st->freelist_groups)) return false;
        } else if (accept_word("BUFFER_POOL")) {
            if (!is_word("KEEP") && !is_word("RECYCLE") && !is_word("DEFAULT")) return false;
            st->buffer_pool = cur().text;
            ++p_;
        } else {
            return false;
        }
    }
    return true;
}

// TABLESPACE, PCTFREE, PCTUSED, INITRANS, MAXTRANS, STORAGE (...), [NO]LOGGING and, for an
// index, [NO]REVERSE and COMPUTE STATISTICS, in any order. A clause that is not understood
// ends the list at its first token, which the statement's end check then refuses.
void Parser::storage_clauses(StorageClause* st, bool index) {
    for (;;) {
        std::size_t start = p_;
        bool ok = true;
        if (accept_word("TABLESPACE")) {
            ok = cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord;
            if (ok) st->tablespace = cur().text;
            ++p_;
        } else if (accept_word("PCTFREE")) {
            ok = size(&st->pct_free);
        } else if (accept_word("PCTUSED")) {
            ok = size(&st->pct_used);
        } else if (accept_word("INITRANS")) {
            ok = size(&st->ini_trans);
        } else if (accept_word("MAXTRANS")) {
            ok = size(&st->max_trans);
        } else if (accept_word("STORAGE")) {
            ok = storage_parameters(st);
        } else if (accept_word("LOGGING")) {
            st->logging = "YES";
        } else if (accept_word("NOLOGGING")) {
            st->logging = "NO";
        } else if (index && accept_word("REVERSE")) {
            if (st->index_type.find("/REV") == std::string::npos) st->index_type += "/REV";
        } else if (index && accept_word("NOREVERSE")) {
        } else if (index && accept_word("COMPUTE")) {
            ok = accept_word("STATISTICS");
        } else {
            return;
        }
        if (!ok) {
            p_ = start;
            return;
        }
    }
}

bool Parser::drop(Statement* s) {
    ++p_;
    if (accept_word("TABLE")) {
        s->kind = StatementKind::DropTable;
        if (!table_ref(&s->table)) return false;
        if (accept_word("CASCADE")) {
            if (!expect_word("CONSTRAINTS", 905)) return false;
        }
        accept_word("PURGE");
        return true;
    }
    if (accept_word("INDEX")) {
        s->kind = StatementKind::DropIndex;
        return table_ref(&s->index);
    }
    return fail(950);
}

bool Parser::alter(Statement* s) {
    ++p_;
    if (accept_word("SESSION")) {
        s->kind = StatementKind::AlterSession;
        if (!expect_word("SET", 922)) return false;
        s->name_offset = cur().offset;
        if (cur().kind != TokenKind::Word) return fail(922);
        s->name = cur().text;
        ++p_;
        if (!expect_op("=", 922)) return false;
        if (cur().kind == TokenKind::String || cur().kind == TokenKind::Word || cur().kind == TokenKind::Number) {
            s->value = cur().text;
            ++p_;
            return true;
        }
        return fail(922);
    }
    if (!accept_word("TABLE")) return fail(940);
    s->kind = StatementKind::AlterTable;
    if (!table_ref(&s->table)) return false;
    if (accept_word("ADD")) {
        s->alter_action = "ADD";
        bool paren = accept_op("(");
        do {
            ColumnDef c;
            if (!column_def(&c)) return false;
            s->column_defs.push_back(std::move(c));
        } while (paren && accept_op(","));
        return !paren || expect_op(")", 907);
    }
    if (accept_word("DROP")) {
        s->alter_action = "DROP COLUMN";
        if (!expect_word("COLUMN", 905)) return false;
        s->name_offset = cur().offset;
        return identifier(&s->name) || fail(904, "\"" + cur().text + "\"");
    }
    if (accept_word("RENAME")) {
        if (accept_word("COLUMN")) {
            s->alter_action = "RENAME COLUMN";
            s->name_offset = cur().offset;
            if (!identifier(&s->name)) return fail(904, "\"" + cur().text + "\"");
            if (!expect_word("TO", 905)) return false;
            return identifier(&s->name2) || fail(904, "\"" + cur().text + "\"");
        }
        if (!expect_word("TO", 905)) return false;
        s->alter_action = "RENAME";
        s->name_offset = cur().offset;
        return identifier(&s->name) || fail(903);
    }
    return fail(3001);
}

// RETURNING expr, ... INTO :a, ... after a DML statement.
bool Parser::returning(Statement* s) {
    if (!accept_word("RETURNING") && !accept_word("RETURN")) return true;
    do {
        ExprPtr e;
        if (!expr(&e)) return false;
        s->returning.push_back(std::move(e));
    } while (accept_op(","));
    if (!expect_word("INTO", 925)) return false;
    do {
        if (cur().kind != TokenKind::Bind) return fail(1036);
        s->returning_into.push_back(cur().text);
        ++p_;
    } while (accept_op(","));
    if (s->returning_into.size() < s->returning.size()) return fail(947);
    if (s->returning_into.size() > s->returning.size()) return fail(913);
    return true;
}

bool Parser::insert(Statement* s) {
    ++p_;
    s->kind = StatementKind::Insert;
    if (!expect_word("INTO", 925)) return false;
    if (accept_op("(")) {
        s->table.offset = cur().offset;
        if (!select(&s->target_query)) return false;
        if (!expect_op(")", 907)) return false;
    } else if (!table_ref(&s->table)) {
        return false;
    }
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text)) identifier(&s->alias);
    if (is_op("(") && !name_list(&s->columns, &s->column_offsets)) return false;
    if (accept_word("VALUES")) {
        if (!expect_op("(", 906)) return false;
        std::vector<ExprPtr> row;
        do {
            ExprPtr e;
            if (!expr(&e)) return false;
            row.push_back(std::move(e));
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        s->values.push_back(std::move(row));
        return returning(s);
    }
    if (is_word("SELECT") || is_op("(")) return select(&s->select);
    return fail(926);
}

bool Parser::update(Statement* s) {
    ++p_;
    s->kind = StatementKind::Update;
    if (!table_ref(&s->table)) return false;
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text)) identifier(&s->alias);
    if (!expect_word("SET", 971)) return false;
    do {
        std::string col;
        std::uint32_t off = cur().offset;
        if (!identifier(&col)) return fail(904, "\"" + cur().text + "\"");
        if (is_op(".")) {
            ++p_;
            off = cur().offset;
            if (!identifier(&col)) return fail(904, "\"" + cur().text + "\"");
        }
        if (!expect_op("=", 927)) return false;
        ExprPtr e;
        if (!expr(&e)) return false;
        s->sets.emplace_back(col, std::move(e));
        s->set_offsets.push_back(off);
    } while (accept_op(","));
    if (accept_word("WHERE") && !expr(&s->where)) return false;
    return returning(s);
}

bool Parser::del(Statement* s) {
    ++p_;
    s->kind = StatementKind::Delete;
    accept_word("FROM");
    if (!table_ref(&s->table)) return false;
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text) && !is_word("RETURNING") && !is_word("RETURN"))
        identifier(&s->alias);
    if (accept_word("WHERE") && !expr(&s->where)) return false;
    return returning(s);
}

// The kinds whose body another module's grammar reads, told by their first words;
// false for a statement of the SQL grammar itself, whose parser then judges it.
bool foreign_kind(TokenCursor c, StatementKind* kind) {
    auto set = [&](StatementKind k) {
        *kind = k;
        return true;
    };
    auto unit_word = [&]() {
        return c.is_word("PROCEDURE") || c.is_word("FUNCTION") || c.is_word("PACKAGE") || c.is_word("TYPE");
    };
    if (c.is_word("BEGIN") || c.is_word("DECLARE")) return set(StatementKind::PlsqlBlock);
    if (c.is_word("EXPLAIN")) return set(StatementKind::ExplainPlan);
    if (c.is_word("COMMENT")) return set(StatementKind::Comment);
    if (c.accept_word("CREATE")) {
        bool replace = false;
        if (c.is_word("OR")) {
            if (!c.word_at(1, "REPLACE")) return false;
            c.seek(c.pos() + 2);
            replace = true;
        }
        if (c.accept_word("PUBLIC")) return c.is_word("SYNONYM") && set(StatementKind::CreateSynonym);
        if (c.accept_word("EDITIONABLE") || c.accept_word("NONEDITIONABLE"))
            return unit_word() && set(StatementKind::CreateUnit);
        if (unit_word()) return set(StatementKind::CreateUnit);
        if (c.is_word("TRIGGER")) return set(StatementKind::CreateTrigger);
        if (c.is_word("SYNONYM")) return set(StatementKind::CreateSynonym);
        if (c.is_word("VIEW") || c.is_word("FORCE") || c.is_word("NOFORCE")) return set(StatementKind::CreateView);
        return !replace && c.is_word("SEQUENCE") && set(StatementKind::CreateSequence);
    }
    if (c.accept_word("DROP")) {
        if (c.accept_word("PUBLIC")) return c.is_word("SYNONYM") && set(StatementKind::DropSynonym);
        if (c.is_word("SYNONYM")) return set(StatementKind::DropSynonym);
        if (c.is_word("SEQUENCE")) return set(StatementKind::DropSequence);
        if (c.is_word("VIEW")) return set(StatementKind::DropView);
        if (c.is_word("TRIGGER")) return set(StatementKind::DropTrigger);
        return unit_word() && set(StatementKind::DropUnit);
    }
    if (c.accept_word("ALTER")) {
        if (c.is_word("SEQUENCE")) return set(StatementKind::AlterSequence);
        if (c.is_word("TRIGGER")) return set(StatementKind::AlterTrigger);
        if (unit_word()) return set(StatementKind::AlterUnit);
        if (!c.accept_word("TABLE")) return false;
        // [owner.]table, then ADD of a constraint or MODIFY.
        c.next();
        if (c.accept_op(".")) c.next();
        if (c.is_word("MODIFY")) return set(StatementKind::AlterTableConstraint);
        if (!c.accept_word("ADD")) return false;
        return (c.is_word("CONSTRAINT") || c.is_word("PRIMARY") || c.is_word("UNIQUE") || c.is_word("CHECK") ||
                c.is_word("FOREIGN")) &&
               set(StatementKind::AlterTableConstraint);
    }
    return false;
}

}  // namespace

Expr::~Expr() {
    std::vector<ExprPtr> work;
    for (ExprPtr& a : args)
        if (a) work.push_back(std::move(a));
    while (!work.empty()) {
        ExprPtr e = std::move(work.back());
        work.pop_back();
        for (ExprPtr& a : e->args)
            if (a) work.push_back(std::move(a));
    }
}

bool sql_parse(const std::vector<Token>& tokens, Statement* out, OraError* err) {
    Parser p(tokens, err);
    return p.statement(out);
}

bool sql_parse_expression(const std::vector<Token>& tokens, ExprPtr* out, OraError* err) {
    return Parser(tokens, err).whole_expression(out);
}

bool sql_parse_statement(const std::vector<Token>& tokens, Statement* out, OraError* err) {
    if (foreign_kind(TokenCursor(tokens), &out->kind)) return true;
    return sql_parse(tokens, out, err);
}
