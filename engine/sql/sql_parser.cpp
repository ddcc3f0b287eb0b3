// Recursive-descent parser of the supported Oracle SQL subset. Operator precedence is
// Oracle's: unary sign, then * /, then + - ||, then comparisons, NOT, AND, OR. Syntax it
// does not know is refused with the ORA- error Oracle gives for it, at the token where
// the statement stops making sense.
#include "sql/sql_parser.h"

#include "values/errors.h"
#include "values/sql_interval.h"
#include "values/values.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace sql_grammar {

bool Parser::table_ref(TableRef* ref) {
    std::string first;
    std::uint32_t off = cur().offset;
    if (!identifier(&first)) return fail(903), false;
    ref->offset = off;
    ref->name_offset = off;
    if (is_op(".")) {
        ++p_;
        ref->owner = first;
        ref->name_offset = cur().offset;
        if (!identifier(&ref->name)) return fail(903), false;
    } else {
        ref->name = first;
    }
    if (is_op("@")) return fail(3001);
    return true;
}

// A partition-extended name after a table: PARTITION (name), PARTITION FOR (key values),
// SUBPARTITION (name) or SUBPARTITION FOR (key values).
bool Parser::partition_extension(TableRef* ref) {
    if (!(is_word("PARTITION") || is_word("SUBPARTITION")) || !(op_at(1, "(") || word_at(1, "FOR"))) return true;
    auto ext = std::make_shared<PartitionExtension>();
    ext->sub = is_word("SUBPARTITION");
    ext->offset = cur().offset;
    ++p_;
    if (accept_word("FOR")) {
        if (!expect_op("(", 906)) return false;
        do {
            ExprPtr v;
            if (!expr(&v)) return false;
            ext->keys.push_back(std::move(v));
        } while (accept_op(","));
    } else {
        ++p_;  // (
        ext->name_offset = cur().offset;
        if (!identifier(&ext->name)) return fail(14006);
    }
    if (!expect_op(")", 907)) return false;
    ref->partition = std::move(ext);
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
    plsql_allowed_ = cur().with_plsql;
    if (is_word("SELECT") || is_word("WITH") || is_op("(")) {
        s->kind = StatementKind::Select;
        top_query_ = true;
        if (!select(&s->select)) return false;
        if (accept_word("FOR")) {
            if (!expect_word("UPDATE", 905) || !for_update(s->select.get())) return false;
        }
    } else if (is_word("INSERT")) {
        if (!insert(s)) return false;
    } else if (is_word("UPDATE")) {
        if (!update(s)) return false;
    } else if (is_word("DELETE")) {
        if (!del(s)) return false;
    } else if (is_word("MERGE")) {
        if (!merge(s)) return false;
    } else if (is_word("CREATE")) {
        if (!create(s)) return false;
    } else if (is_word("DROP")) {
        if (!drop(s)) return false;
    } else if (is_word("ALTER")) {
        if (!alter(s)) return false;
    } else if (is_word("ANALYZE")) {
        if (!analyze(s)) return false;
    } else if (accept_word("TRUNCATE")) {
        if (!expect_word("TABLE", 905)) return false;
        s->kind = StatementKind::TruncateTable;
        if (!table_ref(&s->table)) return false;
        // There are no materialized view logs, and SQLite frees the pages itself.
        if (accept_word("PRESERVE") || accept_word("PURGE")) {
            if (!expect_word("MATERIALIZED", 905) || !expect_word("VIEW", 905) || !expect_word("LOG", 905))
                return false;
        }
        if (accept_word("DROP")) {
            accept_word("ALL");
            if (!expect_word("STORAGE", 905)) return false;
        } else if (accept_word("REUSE") && !expect_word("STORAGE", 905)) {
            return false;
        }
        if (is_word("CASCADE")) return fail(3001);
    } else if (is_word("GRANT") || is_word("REVOKE")) {
        if (!grant_or_revoke(s)) return false;
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
    } else if (is_word("SET") && (word_at(1, "CONSTRAINT") || word_at(1, "CONSTRAINTS"))) {
        // SET CONSTRAINT[S] ALL | name, ... IMMEDIATE | DEFERRED
        p_ += 2;
        s->kind = StatementKind::SetConstraints;
        if (!accept_word("ALL")) {
            do {
                TableRef name;
                if (!table_ref(&name)) return false;
                s->set_constraints.push_back(name);
            } while (accept_op(","));
        }
        s->constraints_deferred = accept_word("DEFERRED");
        if (!s->constraints_deferred && !expect_word("IMMEDIATE", 905)) return false;
    } else if (is_word("SET") && word_at(1, "TRANSACTION")) {
        p_ += 2;
        s->kind = StatementKind::SetTransaction;
        if (!set_transaction(s)) return false;
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
    const bool top = top_query_;
    top_query_ = false;
    if (is_word("WITH")) {
        SelectStmt names;
        top_query_ = top;
        if (!factoring(&names)) return false;
        if (is_word("WITH")) return fail(928);
        if (!select_nested(out)) return false;
        block = out->get();
        block->with = std::move(names.with);
        block->plsql_begin = names.plsql_begin;
        block->plsql_end = names.plsql_end;
        return true;
    }
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
            return false;
        }
        if (!expect_word("BY", 924)) return false;
        if (!order_list(siblings ? &block->siblings_order : &block->order_by)) return false;
    }
    return row_limiting(block);
}

// expr [ASC|DESC] [NULLS FIRST|LAST], ...
bool Parser::order_list(std::vector<OrderItem>* items) {
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
        items->push_back(std::move(o));
    } while (accept_op(","));
    return true;
}

// [OFFSET n ROW|ROWS] [FETCH FIRST|NEXT [n [PERCENT]] ROW|ROWS ONLY|WITH TIES]
bool Parser::row_limiting(SelectStmt* s) {
    if (is_word("OFFSET")) {
        ++p_;
        if (!additive(&s->offset_rows)) return false;
        if (!accept_word("ROWS") && !expect_word("ROW", 905)) return false;
    }
    if (!is_word("FETCH")) return true;
    s->fetch_offset = cur().offset;
    ++p_;
    if (!accept_word("FIRST") && !expect_word("NEXT", 905)) return false;
    if (!is_word("ROW") && !is_word("ROWS")) {
        if (!additive(&s->fetch_rows)) return false;
        s->fetch_percent = accept_word("PERCENT");
    } else {
        s->fetch_rows = make(ExprKind::Number, cur().offset);
        s->fetch_rows->text = "1";
    }
    if (!accept_word("ROWS") && !expect_word("ROW", 905)) return false;
    if (accept_word("WITH")) {
        if (!expect_word("TIES", 905)) return false;
        s->fetch_ties = true;
        return true;
    }
    return expect_word("ONLY", 905);
}

// WITH [FUNCTION ... | PROCEDURE ...] name [(column, ...)] AS (subquery), ... before a query.
bool Parser::factoring(SelectStmt* s) {
    ++p_;  // WITH
    bool top = top_query_;
    top_query_ = false;
    auto declaration = [&] {
        return (is_word("FUNCTION") || is_word("PROCEDURE")) && !word_at(1, "AS") && !op_at(1, "(");
    };
    if (declaration()) {
        if (!top && !plsql_allowed_) return fail(32034);
        s->plsql_begin = cur().offset;
        while (declaration())
            if (!plsql_declaration()) return false;
        s->plsql_end = prev_end();
        if (top) plsql_allowed_ = true;
        if (is_word("SELECT") || is_op("(")) return true;
    }
    std::vector<SelectStmt::Factored> names;
    do {
        SelectStmt::Factored f;
        f.offset = cur().offset;
        if (!identifier(&f.name)) return fail(903), false;
        if (is_op("(") && !name_list(&f.columns)) return false;
        if (!expect_word("AS", 905)) return false;
        if (!expect_op("(", 906)) return false;
        if (!select(&f.query)) return false;
        if (!expect_op(")", 907)) return false;
        if (is_word("SEARCH") && !search_clause(&f)) return false;
        if (is_word("CYCLE") && !cycle_clause(&f)) return false;
        names.push_back(std::move(f));
    } while (accept_op(","));
    s->with = std::move(names);
    return true;
}

// FUNCTION|PROCEDURE name ... IS|AS ... BEGIN ... END [name]; : the extent of one PL/SQL
// declaration of a WITH clause, whose grammar PL/SQL checks when the statement is
// compiled. A subprogram (its IS or AS), DECLARE, a block without DECLARE, and CASE open
// what END closes; END IF and END LOOP close statements that need no counting.
bool Parser::plsql_declaration() {
    enum class Open { Unit, Block, Case };
    std::vector<std::pair<Open, bool>> open;  // what is open, and whether its BEGIN came
    bool heading = true;                      // between FUNCTION|PROCEDURE and its IS|AS
    ++p_;
    for (;;) {
        const Token& t = cur();
        if (t.kind == TokenKind::End) return fail(905);
        const bool word = t.kind == TokenKind::Word;
        if (word && (t.text == "FUNCTION" || t.text == "PROCEDURE")) {
            heading = true;
        } else if (word && heading && (t.text == "IS" || t.text == "AS")) {
            heading = false;
            open.emplace_back(Open::Unit, false);
        } else if (is_op(";") && heading) {
            // A declaration without a body: the outermost one ends here.
            heading = false;
            if (open.empty()) {
                ++p_;
                return true;
            }
        } else if (word && t.text == "DECLARE") {
            open.emplace_back(Open::Block, false);
        } else if (word && t.text == "BEGIN") {
            if (!open.empty() && open.back().first != Open::Case && !open.back().second)
                open.back().second = true;
            else
                open.emplace_back(Open::Block, true);
        } else if (word && t.text == "CASE") {
            open.emplace_back(Open::Case, true);
        } else if (word && t.text == "END") {
            if (word_at(1, "IF") || word_at(1, "LOOP")) {
                p_ += 2;
                continue;
            }
            if (open.empty()) return fail(905);
            bool closes_case = word_at(1, "CASE");
            if (closes_case) ++p_;
            open.pop_back();
            if (open.empty()) {
                ++p_;
                if (!is_op(";") && (cur().kind == TokenKind::Word || cur().kind == TokenKind::QuotedWord)) ++p_;
                return expect_op(";", 905);
            }
        }
        ++p_;
    }
}

// SEARCH DEPTH FIRST | BREADTH FIRST BY key [ASC|DESC] [NULLS FIRST|LAST], ... SET column
bool Parser::search_clause(SelectStmt::Factored* f) {
    f->search = std::make_unique<SelectStmt::Search>();
    SelectStmt::Search& s = *f->search;
    s.offset = cur().offset;
    ++p_;  // SEARCH
    if (accept_word("BREADTH"))
        s.breadth = true;
    else if (!expect_word("DEPTH", 905))
        return false;
    if (!expect_word("FIRST", 905) || !expect_word("BY", 905)) return false;
    if (!order_list(&s.keys)) return false;
    if (!expect_word("SET", 905)) return false;
    if (!identifier(&s.column, &s.column_offset)) return fail(904, "\"" + cur().text + "\"");
    return true;
}

// CYCLE column, ... SET mark_column TO 'c' DEFAULT 'c'
bool Parser::cycle_clause(SelectStmt::Factored* f) {
    f->cycle = std::make_unique<SelectStmt::Cycle>();
    SelectStmt::Cycle& c = *f->cycle;
    c.offset = cur().offset;
    ++p_;  // CYCLE
    do {
        std::string n;
        std::uint32_t off = 0;
        if (!identifier(&n, &off)) return fail(904, "\"" + cur().text + "\"");
        c.columns.push_back(n);
        c.column_offsets.push_back(off);
    } while (accept_op(","));
    if (!expect_word("SET", 905)) return false;
    if (!identifier(&c.mark_column, &c.mark_column_offset)) return fail(904, "\"" + cur().text + "\"");
    if (!expect_word("TO", 905) || !additive(&c.mark)) return false;
    return expect_word("DEFAULT", 905) && additive(&c.no_mark);
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
        } else if (!value_expr(&item.expr)) {
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
            bool apply = false;
            bool natural = natural_join_next();
            if (natural) ++p_;
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
            } else if (!natural && apply_next()) {
                // CROSS APPLY and OUTER APPLY: a join with an item that reads the ones before it.
                k = is_word("CROSS") ? JoinKind::Cross : JoinKind::Left;
                p_ += 2;
                apply = true;
            } else if (!natural && accept_word("CROSS")) {
                if (!expect_word("JOIN", 905)) return false;
                k = JoinKind::Cross;
            } else {
                break;
            }
            FromItem j;
            j.join = k;
            j.natural = natural;
            if (!from_item(&j)) return false;
            if (apply) {
                j.lateral = true;
                j.apply_outer = k == JoinKind::Left;
            } else if (!natural && k != JoinKind::Cross) {
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
        bool extended = false;
        do {
            GroupingElement g;
            if (!grouping_element(&g, 0)) return false;
            extended = extended || g.kind != GroupingElement::Kind::Single;
            s->grouping.push_back(std::move(g));
        } while (accept_op(","));
        if (!extended) {
            for (GroupingElement& g : s->grouping) s->group_by.push_back(std::move(g.expr));
            s->grouping.clear();
        }
    }
    if (accept_word("HAVING") && !expr(&s->having)) return false;
    return true;
}

// One element of GROUP BY (level 0), of GROUPING SETS (1) or of ROLLUP and CUBE (2): an
// expression, a parenthesized list of them (composite columns, () the empty set), and
// above level 2 ROLLUP (...) and CUBE (...), and at level 0 GROUPING SETS (...).
bool Parser::grouping_element(GroupingElement* g, int level) {
    g->offset = cur().offset;
    using Kind = GroupingElement::Kind;
    bool rollup = is_word("ROLLUP") && op_at(1, "("), cube = is_word("CUBE") && op_at(1, "(");
    bool sets = is_word("GROUPING") && word_at(1, "SETS");
    if (level < 2 && (rollup || cube || (sets && level == 0))) {
        g->kind = rollup ? Kind::Rollup : cube ? Kind::Cube : Kind::Sets;
        p_ += sets ? 2 : 1;
        if (!expect_op("(", 906)) return false;
        do {
            GroupingElement item;
            if (!grouping_element(&item, sets ? 1 : 2)) return false;
            g->items.push_back(std::move(item));
        } while (accept_op(","));
        return expect_op(")", 907);
    }
    if (is_op("(")) {
        std::size_t start = p_;
        ++p_;
        g->kind = Kind::List;
        if (accept_op(")")) return level < 2 || (--p_, fail(936));
        // A parenthesized list is a composite column unless what follows its ")" goes on
        // with an expression, as in (a + b) * 2.
        do {
            GroupingElement item;
            item.offset = cur().offset;
            if (!expr(&item.expr)) return false;
            g->items.push_back(std::move(item));
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        bool ends = is_op(",") || is_op(")") || at_end() || cur().kind == TokenKind::Word;
        if (g->items.size() > 1) return true;
        if (ends) {
            g->kind = Kind::Single;
            g->expr = std::move(g->items[0].expr);
            g->items.clear();
            return true;
        }
        p_ = start;
        g->items.clear();
    }
    g->kind = Kind::Single;
    return expr(&g->expr);
}

// A call of a table function without TABLE: [schema.][package.]function( in FROM, where
// a name followed by "(" is nothing else.
// CROSS APPLY or OUTER APPLY after a FROM item.
bool Parser::apply_next() const {
    return (is_word("CROSS") || is_word("OUTER")) && word_at(1, "APPLY");
}

bool Parser::table_function_ahead() const {
    std::size_t k = 0;
    for (int part = 0; part < 3; ++part) {
        const Token& t = peek(k);
        const bool quoted = t.kind == TokenKind::QuotedWord;
        if (!quoted && (t.kind != TokenKind::Word || is_reserved(t.text))) return false;
        if (op_at(k + 1, "("))
            return part > 0 || quoted || (t.text != "ONLY" && t.text != "LATERAL" && t.text != "THE");
        if (!op_at(k + 1, ".")) return false;
        k += 2;
    }
    return false;
}

bool Parser::from_item(FromItem* f) {
    // LATERAL (subquery): an inline view that reads the items before it.
    if (is_word("LATERAL") && op_at(1, "(")) {
        ++p_;
        f->lateral = true;
    }
    if (is_word("XMLTABLE") && op_at(1, "(")) {
        if (!xml_table(f)) return false;
    } else if (is_word("JSON_TABLE") && op_at(1, "(")) {
        if (!json_table(f)) return false;
    } else if (is_word("TABLE") && op_at(1, "(")) {
        // TABLE(collection): the rows of a collection value.
        f->table.name = "TABLE";
        f->table.offset = f->table.name_offset = cur().offset;
        p_ += 2;
        if (!expr(&f->collection)) return false;
        if (!expect_op(")", 907)) return false;
    } else if (table_function_ahead()) {
        // The call is read as TABLE(call).
        f->table.name = "TABLE";
        f->table.offset = f->table.name_offset = cur().offset;
        if (!expr(&f->collection)) return false;
    } else if (accept_op("(")) {
        if (!select(&f->subquery)) return false;
        if (!expect_op(")", 907)) return false;
    } else if (!table_ref(&f->table)) {
        return false;
    }
    if (!f->subquery && !f->json_table && !partition_extension(&f->table)) return false;
    // OFFSET and FETCH start the row limiting clause, not an alias.
    bool limiting =
        (is_word("FETCH") && (peek().text == "FIRST" || peek().text == "NEXT")) ||
        (is_word("OFFSET") && peek().kind != TokenKind::End && peek().text != "," && peek().kind != TokenKind::Word) ||
        natural_join_next();
    auto pivot_next = [&]() {
        return (is_word("PIVOT") && (op_at(1, "(") || word_at(1, "XML"))) ||
               (is_word("UNPIVOT") && (op_at(1, "(") || word_at(1, "INCLUDE") || word_at(1, "EXCLUDE")));
    };
    // Row pattern matching is not among the engine's clauses: ORA-03001 at MATCH_RECOGNIZE,
    // before or after the table's alias, rather than a syntax error further on.
    auto match_recognize_next = [&]() { return is_word("MATCH_RECOGNIZE") && op_at(1, "("); };
    if (match_recognize_next()) return fail(3001);
    if (!limiting && !pivot_next() && !apply_next() &&
        (cur().kind == TokenKind::QuotedWord || (cur().kind == TokenKind::Word && !is_reserved(cur().text)))) {
        identifier(&f->alias);
        if (match_recognize_next()) return fail(3001);
    } else if (is_word("AS")) {
        return fail(933);
    }
    if (pivot_next()) {
        if (!(is_word("PIVOT") ? pivot_clause(f) : unpivot_clause(f))) return false;
        f->pivot->base_alias = f->alias;
        f->alias.clear();
        if (cur().kind == TokenKind::QuotedWord || (cur().kind == TokenKind::Word && !is_reserved(cur().text)))
            identifier(&f->alias);
    }
    return true;
}

bool Parser::expr(ExprPtr* out) {
    if (++depth_ > kMaxDepth) return too_deep();
    bool ok = or_expr(out);
    --depth_;
    return ok;
}

// A value without a condition at its top: a select item. A comparison there is no value
// in Oracle's SQL (BOOLEAN is a PL/SQL type), so the operator is where FROM was expected.
bool Parser::value_expr(ExprPtr* out) {
    if (++depth_ > kMaxDepth) return too_deep();
    const std::size_t start = p_;
    bool ok = additive(out);
    --depth_;
    if (!ok) return false;
    // A condition in parentheses, (a > b), is no value either.
    static const ExprKind kConditions[] = {
        ExprKind::Compare, ExprKind::And,    ExprKind::Or,         ExprKind::Not,    ExprKind::IsNull,
        ExprKind::Like,    ExprKind::RegexpLike, ExprKind::Between, ExprKind::InList, ExprKind::InSubquery,
        ExprKind::Exists,  ExprKind::Quantified, ExprKind::IsJson,  ExprKind::JsonExists};
    for (ExprKind k : kConditions)
        if ((*out)->kind == k) {
            fail(907);
            err_->offset = (*out)->offset;
            p_ = start;
            return false;
        }
    return true;
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

// REGEXP_LIKE(source, pattern[, match_param]): a condition, not a function.
bool Parser::regexp_like(ExprPtr* out) {
    ExprPtr e = make(ExprKind::RegexpLike, cur().offset);
    p_ += 2;
    do {
        ExprPtr a;
        if (!additive(&a)) return false;
        e->args.push_back(std::move(a));
    } while (accept_op(","));
    if (!expect_op(")", 907)) return false;
    if (e->args.size() < 2 || e->args.size() > 3) {
        fail(909);
        err_->offset = e->offset;
        return false;
    }
    e->end = prev_end();
    *out = std::move(e);
    return true;
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
    if (is_word("REGEXP_LIKE") && peek().kind == TokenKind::Operator && peek().text == "(") return regexp_like(out);
    if (is_word("JSON_EXISTS") && peek().kind == TokenKind::Operator && peek().text == "(") return json_exists(out);
    ExprPtr lhs;
    if (!additive(&lhs)) return false;
    static const char* const kCompare[] = {"=", "<>", "!=", "^=", "<", "<=", ">", ">="};
    for (const char* op : kCompare) {
        if (is_op(op)) {
            ExprPtr e = make(ExprKind::Compare, lhs->offset);
            e->text = (std::strcmp(op, "!=") == 0 || std::strcmp(op, "^=") == 0) ? "<>" : op;
            ++p_;
            if (is_word("ANY") || is_word("SOME") || is_word("ALL")) {
                // op ANY|SOME|ALL (subquery) or (list): a quantified comparison.
                e->kind = ExprKind::Quantified;
                e->star = is_word("ALL");
                ++p_;
                if (!expect_op("(", 906)) return false;
                e->args.push_back(std::move(lhs));
                if (is_word("SELECT") || is_word("WITH")) {
                    if (!select(&e->subquery)) return false;
                } else {
                    do {
                        ExprPtr item;
                        if (!row_operand(*e->args[0], &item)) return false;
                        e->args.push_back(std::move(item));
                    } while (accept_op(","));
                }
                if (!expect_op(")", 907)) return false;
                e->end = prev_end();
                *out = std::move(e);
                return true;
            }
            ExprPtr rhs;
            if (lhs->kind == ExprKind::Row && is_op("(") && !word_at(1, "SELECT") && !word_at(1, "WITH")) {
                // (a, b) = (1, 2) or = ((1, 2)): the other row.
                if (!row_value(&rhs)) return false;
            } else if (!additive(&rhs)) {
                return false;
            }
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
        if (is_word("JSON")) return is_json(std::move(lhs), e->negated, out);
        if (is_word("NAN") || is_word("INFINITE")) {
            // x IS [NOT] NAN | INFINITE: a test of a binary value, as IS NULL is of any.
            e->text = cur().text;
            ++p_;
            e->args.push_back(std::move(lhs));
            e->end = prev_end();
            *out = std::move(e);
            return true;
        }
        if (accept_word("EMPTY")) {
            e->kind = ExprKind::Multiset;
            e->text = "EMPTY";
            e->args.push_back(std::move(lhs));
            e->end = prev_end();
            *out = std::move(e);
            return true;
        }
        if (accept_word("OF")) {
            // x IS [NOT] OF [TYPE] ([ONLY] type, ...): the types as written, [owner.]name.
            accept_word("TYPE");
            e->kind = ExprKind::Multiset;
            e->text = "IS OF";
            if (!expect_op("(", 906)) return false;
            do {
                accept_word("ONLY");
                std::string name;
                if (!type_name(&name)) return false;
                e->path.push_back(name);
            } while (accept_op(","));
            if (!expect_op(")", 907)) return false;
            e->args.push_back(std::move(lhs));
            e->end = prev_end();
            *out = std::move(e);
            return true;
        }
        if (!expect_word("NULL", 908)) return false;
        e->args.push_back(std::move(lhs));
        e->end = prev_end();
        *out = std::move(e);
        return true;
    }
    bool negated = false;
    if (is_word("NOT") && (peek().text == "LIKE" || peek().text == "IN" || peek().text == "BETWEEN" ||
                           peek().text == "MEMBER" || peek().text == "SUBMULTISET")) {
        negated = true;
        ++p_;
    }
    if (is_word("MEMBER") || is_word("SUBMULTISET")) {
        // x [NOT] MEMBER [OF] c, c1 [NOT] SUBMULTISET [OF] c2.
        ExprPtr e = make(ExprKind::Multiset, lhs->offset);
        e->text = cur().text;
        e->negated = negated;
        ++p_;
        accept_word("OF");
        e->args.push_back(std::move(lhs));
        ExprPtr rhs;
        if (!additive(&rhs)) return false;
        e->args.push_back(std::move(rhs));
        e->end = prev_end();
        *out = std::move(e);
        return true;
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
        if (is_word("SELECT") || is_word("WITH")) {
            e = make(ExprKind::InSubquery, lhs->offset);
            if (!select(&e->subquery)) return false;
            e->args.push_back(std::move(lhs));
        } else {
            e = make(ExprKind::InList, lhs->offset);
            e->args.push_back(std::move(lhs));
            do {
                ExprPtr item;
                if (!row_operand(*e->args[0], &item)) return false;
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

// At the comma after the first value of a parenthesized list: whether the list is
// followed by a comparison or IN, as a row of values compared with others would be.
bool Parser::row_compared() const {
    int depth = 1;
    std::size_t k = 0;
    for (; depth > 0; ++k) {
        const Token& t = peek(k);
        if (t.kind == TokenKind::End) return false;
        if (t.kind == TokenKind::Operator && t.text == "(") ++depth;
        if (t.kind == TokenKind::Operator && t.text == ")") --depth;
    }
    const Token& after = peek(k);
    if (after.kind == TokenKind::Word) return after.text == "IN" || (after.text == "NOT" && word_at(k + 1, "IN"));
    if (after.kind != TokenKind::Operator) return false;
    static const char* const kCompare[] = {"=", "<>", "!=", "^=", "<", "<=", ">", ">="};
    for (const char* op : kCompare)
        if (after.text == op) return true;
    return false;
}

// At "(": whether the parentheses hold a list of values (a comma at their own level),
// not a subquery.
bool Parser::paren_list() const {
    if (word_at(1, "SELECT") || word_at(1, "WITH")) return false;
    int depth = 0;
    for (std::size_t k = 0;; ++k) {
        const Token& t = peek(k);
        if (t.kind == TokenKind::End) return false;
        if (t.kind != TokenKind::Operator) continue;
        if (t.text == "(") ++depth;
        if (t.text == ")" && --depth == 0) return false;
        if (t.text == "," && depth == 1) return true;
    }
}

// At "(": (value, ...) as a Row, its items that are lists Rows of their own.
bool Parser::row_value(ExprPtr* out) {
    ExprPtr row = make(ExprKind::Row, cur().offset);
    ++p_;
    do {
        ExprPtr item;
        if (is_op("(") && paren_list()) {
            if (!row_value(&item)) return false;
        } else if (!expr(&item)) {
            return false;
        }
        row->args.push_back(std::move(item));
    } while (accept_op(","));
    if (!expect_op(")", 907)) return false;
    row->end = prev_end();
    *out = std::move(row);
    return true;
}

// One item of the list after IN or op ANY|ALL: a row when the value compared is one.
bool Parser::row_operand(const Expr& lhs, ExprPtr* out) {
    if (lhs.kind == ExprKind::Row && is_op("(") && paren_list()) return row_value(out);
    return expr(out);
}

bool Parser::additive(ExprPtr* out) {
    if (!multiplicative(out)) return false;
    auto multiset_op = [&]() {
        return is_word("MULTISET") && (word_at(1, "UNION") || word_at(1, "INTERSECT") || word_at(1, "EXCEPT"));
    };
    while (is_op("+") || is_op("-") || is_op("||") || multiset_op()) {
        ExprPtr e = make(is_op("||") ? ExprKind::Concat : ExprKind::Binary, (*out)->offset);
        e->text = cur().text;
        ++p_;
        if (e->text == "MULTISET") {
            // c1 MULTISET UNION|INTERSECT|EXCEPT [ALL|DISTINCT] c2
            e->kind = ExprKind::Multiset;
            e->text = cur().text;
            ++p_;
            if (!accept_word("ALL")) e->distinct = accept_word("DISTINCT");
        }
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
    if (!primary(out)) return false;
    // value AT TIME ZONE zone | AT LOCAL: a call of "AT TIME ZONE" with the zone as its
    // second argument (none for LOCAL, the session's zone).
    while (is_word("AT") && peek().kind == TokenKind::Word && (peek().text == "TIME" || peek().text == "LOCAL")) {
        ExprPtr e = make(ExprKind::Function, (*out)->offset);
        e->text = "AT TIME ZONE";
        p_ += 1;
        e->args.push_back(std::move(*out));
        if (!accept_word("LOCAL")) {
            p_ += 1;
            if (!expect_word("ZONE", 905)) return false;
            ExprPtr zone;
            if (!primary(&zone)) return false;
            e->args.push_back(std::move(zone));
        }
        e->end = prev_end();
        *out = std::move(e);
    }
    return true;
}

// The arguments of a call after its name, up to the closing parenthesis: *, [DISTINCT|ALL]
// expressions with IGNORE|RESPECT NULLS after them, and LISTAGG's ON OVERFLOW clause.
bool Parser::call_arguments(Expr* e) {
    ++p_;
    if (accept_op("*")) {
        e->star = true;
    } else if (!is_op(")")) {
        if (accept_word("DISTINCT"))
            e->distinct = true;
        else
            accept_word("ALL");
        const bool values = sql_values_ && e->text != "LNNVL";
        do {
            // name => value: the two operators "=" and ">" side by side.
            if (cur().kind == TokenKind::Word && op_at(1, "=") && op_at(2, ">") &&
                peek(2).offset == peek().offset + 1) {
                if (!e->extras) e->extras.reset(new CallExtras);
                e->extras->arg_names.resize(e->args.size());
                e->extras->arg_names.push_back(cur().text);
                p_ += 3;
            } else if (e->extras && !e->extras->arg_names.empty()) {
                e->extras->arg_names.push_back("");
            }
            ExprPtr a;
            if (!(values ? value_expr(&a) : expr(&a))) return false;
            e->args.push_back(std::move(a));
            // FIRST_VALUE(x IGNORE NULLS), LAG(x IGNORE NULLS, 1)
            if (is_word("IGNORE") || is_word("RESPECT")) {
                if (peek().text != "NULLS") return fail(907);
                if (!e->extras) e->extras.reset(new CallExtras);
                e->extras->nulls = is_word("IGNORE") ? 2 : 1;
                p_ += 2;
            }
        } while (accept_op(","));
        // LISTAGG(x, ',' ON OVERFLOW ERROR|TRUNCATE ['...'] [WITH|WITHOUT COUNT])
        if (is_word("ON") && peek().text == "OVERFLOW") {
            p_ += 2;
            if (!e->extras) e->extras.reset(new CallExtras);
            if (accept_word("TRUNCATE")) {
                e->extras->overflow = 1;
                if (cur().kind == TokenKind::String) {
                    e->extras->truncate_text = cur().text;
                    ++p_;
                }
                if (accept_word("WITH")) {
                    if (!expect_word("COUNT", 905)) return false;
                } else if (accept_word("WITHOUT")) {
                    if (!expect_word("COUNT", 905)) return false;
                    e->extras->with_count = false;
                }
            } else if (!expect_word("ERROR", 905)) {
                return false;
            }
        }
    }
    return true;
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
    case TokenKind::Number: {
        *out = make(ExprKind::Number, t.offset);
        (*out)->text = t.text;
        ++p_;
        (*out)->end = prev_end();
        const char suffix = static_cast<char>(std::toupper(static_cast<unsigned char>(t.text.back())));
        if (suffix == 'F' || suffix == 'D') {
            // 2.5f, 1e3D: the number converted to BINARY_FLOAT or BINARY_DOUBLE.
            (*out)->text.pop_back();
            *out = binary_literal(std::move(*out), suffix == 'F');
        }
        return true;
    }
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
            if (is_word("SELECT") || is_word("WITH")) {
                ExprPtr e = make(ExprKind::Subquery, off);
                if (!select(&e->subquery)) return false;
                if (!expect_op(")", 907)) return false;
                e->end = prev_end();
                *out = std::move(e);
                return true;
            }
            if (!expr(out)) return false;
            if (is_op(",") && row_compared()) {
                // (a, b) = ..., (a, b) IN (...): a row of values compared with others.
                ExprPtr row = make(ExprKind::Row, off);
                row->args.push_back(std::move(*out));
                while (accept_op(",")) {
                    ExprPtr item;
                    if (!expr(&item)) return false;
                    row->args.push_back(std::move(item));
                }
                if (!expect_op(")", 907)) return false;
                row->end = prev_end();
                *out = std::move(row);
                return true;
            }
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
        if (!op_at(1, "(") && !op_at(1, ".")) {
            bool single = false;
            const char* value = binary_constant_text(t.text, &single);
            if (value) {
                ExprPtr text = make(ExprKind::String, t.offset);
                text->text = value;
                ++p_;
                text->end = prev_end();
                *out = binary_literal(std::move(text), single);
                return true;
            }
        }
        // NEW type(args): a constructor call, the word only saying so.
        auto named = [&](std::size_t k) {
            return peek(k).kind == TokenKind::Word || peek(k).kind == TokenKind::QuotedWord;
        };
        if (t.text == "NEW" && named(1) && (op_at(2, "(") || (op_at(2, ".") && named(3) && op_at(4, "(")))) {
            const std::uint32_t at = t.offset;
            ++p_;
            if (!primary(out)) return false;
            (*out)->offset = at;
            return true;
        }
        if (t.text == "CASE") return case_expr(out);
        if (t.text == "TREAT" && peek().kind == TokenKind::Operator && peek().text == "(") return treat_expr(out);
        if ((t.text == "CAST" || t.text == "EXTRACT") && peek().kind == TokenKind::Operator && peek().text == "(")
            return t.text == "CAST" ? cast_expr(out) : extract_expr(out);
        if (t.text == "TRIM" && peek().kind == TokenKind::Operator && peek().text == "(") {
            bool handled = false;
            if (!trim_expr(out, &handled)) return false;
            if (handled) return true;
        }
        if (t.text == "TRANSLATE" && peek().kind == TokenKind::Operator && peek().text == "(") {
            bool handled = false;
            if (!translate_using_expr(out, &handled)) return false;
            if (handled) return true;
        }
        if ((t.text == "JSON_VALUE" || t.text == "JSON_QUERY") && peek().kind == TokenKind::Operator &&
            peek().text == "(")
            return json_function(out);
        if (json_generation_name(t.text) && peek().kind == TokenKind::Operator && peek().text == "(")
            return json_generation(out);
        if (xml_function_name(t.text) && peek().kind == TokenKind::Operator && peek().text == "(")
            return xml_function(out);
        if (t.text == "SYSDATE" || t.text == "USER") {
            *out = make(t.text == "USER" ? ExprKind::User : ExprKind::Sysdate, t.offset);
            ++p_;
            (*out)->end = prev_end();
            return true;
        }
        if ((t.text == "DATE" || t.text == "TIMESTAMP") && peek().kind == TokenKind::String)
            return datetime_literal(out);
        if (t.text == "INTERVAL" && peek().kind == TokenKind::String) return interval_literal(out);
        // SET(nested_table) is a function despite the reserved word.
        if (is_reserved(t.text) && !(t.text == "SET" && peek().kind == TokenKind::Operator && peek().text == "("))
            return fail(936);
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
        if (!call_arguments(e.get())) return false;
        if (!expect_op(")", 907)) return false;
        if (!call_suffix(e.get())) return false;
        if (!e->over && !xml_method_suffix(&e)) return false;
        if (is_op(".") && (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord) && !e->over &&
            !(peek(2).kind == TokenKind::Operator && peek(2).text == "(")) {
            e->field = peek().text;
            e->field_offset = peek().offset;
            p_ += 2;
        }
        e->end = prev_end();
        if (!e->over && !postfix_chain(&e)) return false;
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
        // PL/SQL's SQL%BULK_ROWCOUNT(i), SQL%BULK_EXCEPTIONS(i).ERROR_CODE and
        // SQL%BULK_EXCEPTIONS.COUNT: a subscript and a field after the attribute.
        if (is_op("(")) {
            ++p_;
            ExprPtr arg;
            if (!expr(&arg)) return false;
            e->args.push_back(std::move(arg));
            if (!expect_op(")", 907)) return false;
        }
        if (is_op(".") && peek().kind == TokenKind::Word) {
            e->path.push_back(peek().text);
            e->path_offsets.push_back(peek().offset);
            p_ += 2;
        }
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

bool Parser::postfix_chain(ExprPtr* e) {
    for (;;) {
        bool member = is_op(".") && (peek().kind == TokenKind::Word || peek().kind == TokenKind::QuotedWord);
        if (!member && !is_op("(")) return true;
        ExprPtr step = make(ExprKind::Postfix, (*e)->offset);
        if (member) {
            step->text = peek().text;
            step->path_offsets.push_back(peek().offset);
            p_ += 2;
        } else {
            step->path_offsets.push_back(cur().offset);
        }
        step->args.push_back(std::move(*e));
        if (is_op("(")) {
            step->has_operand = true;
            ++p_;
            if (!is_op(")")) {
                do {
                    ExprPtr a;
                    if (!expr(&a)) return false;
                    step->args.push_back(std::move(a));
                } while (accept_op(","));
            }
            if (!expect_op(")", 907)) return false;
            // A subscript takes exactly one value.
            if (!member && step->args.size() != 2) return fail(907);
        }
        step->end = prev_end();
        *e = std::move(step);
    }
}

// What may follow the arguments of a call: FROM FIRST|LAST (NTH_VALUE), RESPECT|IGNORE
// NULLS, WITHIN GROUP (ORDER BY ...), KEEP (DENSE_RANK FIRST|LAST ORDER BY ...) and OVER
// (...).
bool Parser::call_suffix(Expr* e) {
    auto extras = [&]() -> CallExtras& {
        if (!e->extras) e->extras.reset(new CallExtras);
        return *e->extras;
    };
    if (e->text == "NTH_VALUE" && is_word("FROM") && (peek().text == "FIRST" || peek().text == "LAST")) {
        extras().from_last = peek().text == "LAST";
        p_ += 2;
    }
    if ((is_word("IGNORE") || is_word("RESPECT")) && peek().text == "NULLS") {
        extras().nulls = is_word("IGNORE") ? 2 : 1;
        p_ += 2;
    }
    if (is_word("WITHIN") && peek().text == "GROUP") {
        p_ += 2;
        extras().within_group = true;
        if (!expect_op("(", 906) || !expect_word("ORDER", 924) || !expect_word("BY", 924)) return false;
        if (!order_list(&extras().within)) return false;
        if (!expect_op(")", 907)) return false;
    } else if (is_word("KEEP") && peek().text == "(") {
        p_ += 2;
        extras().keep = true;
        if (!expect_word("DENSE_RANK", 905)) return false;
        if (accept_word("LAST"))
            extras().keep_last = true;
        else if (!expect_word("FIRST", 905))
            return false;
        if (!expect_word("ORDER", 924) || !expect_word("BY", 924)) return false;
        if (!order_list(&extras().keep_order)) return false;
        if (!expect_op(")", 907)) return false;
    }
    if (is_word("OVER") && peek().text == "(") {
        e->over.reset(new WindowSpec);
        e->over->offset = cur().offset;
        p_ += 2;
        if (!window(e->over.get())) return false;
    }
    return true;
}

// The inside of OVER ( ... ) and its closing parenthesis.
bool Parser::window(WindowSpec* w) {
    if (accept_word("PARTITION")) {
        if (!expect_word("BY", 924)) return false;
        do {
            ExprPtr p;
            if (!expr(&p)) return false;
            w->partition.push_back(std::move(p));
        } while (accept_op(","));
    }
    if (accept_word("ORDER")) {
        if (!expect_word("BY", 924)) return false;
        if (!order_list(&w->order)) return false;
        if (is_word("ROWS") || is_word("RANGE")) {
            w->has_frame = true;
            w->range = is_word("RANGE");
            ++p_;
            if (accept_word("BETWEEN")) {
                if (!frame_bound(&w->start)) return false;
                if (!expect_word("AND", 905)) return false;
                if (!frame_bound(&w->finish)) return false;
            } else {
                if (!frame_bound(&w->start)) return false;
                w->finish.kind = FrameBound::Kind::CurrentRow;
            }
        }
    }
    return expect_op(")", 907);
}

bool Parser::frame_bound(FrameBound* b) {
    if (accept_word("UNBOUNDED")) {
        if (accept_word("PRECEDING")) {
            b->kind = FrameBound::Kind::UnboundedPreceding;
            return true;
        }
        if (!expect_word("FOLLOWING", 905)) return false;
        b->kind = FrameBound::Kind::UnboundedFollowing;
        return true;
    }
    if (accept_word("CURRENT")) {
        b->kind = FrameBound::Kind::CurrentRow;
        return expect_word("ROW", 905);
    }
    if (!additive(&b->offset)) return false;
    if (accept_word("PRECEDING")) {
        b->kind = FrameBound::Kind::Preceding;
        return true;
    }
    b->kind = FrameBound::Kind::Following;
    return expect_word("FOLLOWING", 905);
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
    std::string v = cur().text;
    // TIMESTAMP '... +hh:mi' (or UTC, GMT): a TIMESTAMP WITH TIME ZONE literal.
    bool zoned = false;
    int zone = 0;
    std::size_t last_blank = v.find_last_of(' ');
    if (ts && last_blank != std::string::npos && last_blank > 10) {
        std::string tail = v.substr(last_blank + 1);
        if (!tail.empty() && (tail[0] == '+' || tail[0] == '-' || std::isalpha(static_cast<unsigned char>(tail[0])))) {
            if (!zone_offset_parse(tail, &zone, &bad)) {
                *err_ = bad;
                err_->offset = cur().offset;
                failed_ = true;
                return false;
            }
            zoned = true;
            v.erase(last_blank);
        }
    }
    if (!date_parse(v, ts ? "YYYY-MM-DD HH24:MI:SSXFF" : "YYYY-MM-DD", now, &d, &bad)) {
        *err_ = bad;
        err_->offset = cur().offset;
        failed_ = true;
        return false;
    }
    ExprPtr e = make(ExprKind::DateLiteral, t.offset);
    d.zone_minutes = zone;
    e->text = zoned ? date_zoned_text(d) : date_stored_text(d, ts ? 6 : 0);
    e->star = ts;
    if (zoned) e->cast_type.code = kTypeTimestampTz;
    ++p_;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

namespace {

const struct {
    const char* name;
    IntervalField field;
} kIntervalFields[] = {
    {"YEAR", IntervalField::Year}, {"MONTH", IntervalField::Month},   {"DAY", IntervalField::Day},
    {"HOUR", IntervalField::Hour}, {"MINUTE", IntervalField::Minute}, {"SECOND", IntervalField::Second},
};

bool interval_field(const Token& t, IntervalField* out) {
    if (t.kind != TokenKind::Word) return false;
    for (const auto& f : kIntervalFields)
        if (t.text == f.name) {
            *out = f.field;
            return true;
        }
    return false;
}

}  // namespace

// An optional precision digit 0..9 after an interval field: "(" n ")" is read by the
// caller when a second number may follow; here only the number itself.
bool Parser::interval_precision(int* out, int fallback) {
    *out = fallback;
    if (cur().kind != TokenKind::Number) return fail(30088);
    const std::string& n = cur().text;
    if (n.size() > 1 || n[0] < '0' || n[0] > '9') return fail(30088);
    *out = n[0] - '0';
    ++p_;
    return true;
}

// INTERVAL 'text' lead[(p)] [TO trail[(fs)]], or INTERVAL 'text' SECOND[(p[, fs])]: the
// value is checked here, so that a malformed literal fails at its position.
bool Parser::interval_literal(ExprPtr* out) {
    std::uint32_t start = cur().offset;
    ++p_;
    const Token& value = cur();
    ++p_;
    IntervalField lead, trail;
    if (!interval_field(cur(), &lead)) return fail(30089);
    ++p_;
    trail = lead;
    int lead_p = 2, frac_p = 6;
    if (accept_op("(")) {
        if (!interval_precision(&lead_p, 2)) return false;
        if (lead == IntervalField::Second && accept_op(",") && !interval_precision(&frac_p, 6)) return false;
        if (!expect_op(")", 907)) return false;
    }
    if (accept_word("TO")) {
        bool year_month = lead <= IntervalField::Month;
        if (!interval_field(cur(), &trail) || trail <= lead || year_month != (trail <= IntervalField::Month))
            return fail(30089);
        ++p_;
        if (trail == IntervalField::Second && accept_op("(")) {
            if (!interval_precision(&frac_p, 6) || !expect_op(")", 907)) return false;
        }
    }
    IntervalValue v;
    OraError bad;
    if (!interval_literal_parse(value.text, lead, trail, lead_p, &v, &bad)) {
        *err_ = bad;
        err_->offset = value.offset;
        failed_ = true;
        return false;
    }
    ExprPtr e = make(ExprKind::IntervalLiteral, start);
    e->text = interval_stored_text(v);
    e->star = v.year_month;
    e->lead_precision = static_cast<std::uint8_t>(lead_p);
    // Without a SECOND field the value has no fraction to show.
    e->fraction_precision = static_cast<std::uint8_t>(trail == IntervalField::Second ? frac_p : 0);
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

namespace {

// The named constants of the binary types and the text of their values.
struct BinaryConstant {
    const char* name;
    const char* value;
};
const BinaryConstant kBinaryConstants[] = {
    {"BINARY_FLOAT_NAN", "NaN"},
    {"BINARY_FLOAT_INFINITY", "Inf"},
    {"BINARY_FLOAT_MAX_NORMAL", "3.40282347E+38"},
    {"BINARY_FLOAT_MIN_NORMAL", "1.17549435E-38"},
    {"BINARY_FLOAT_MAX_SUBNORMAL", "1.17549421E-38"},
    {"BINARY_FLOAT_MIN_SUBNORMAL", "1.40129846E-45"},
    {"BINARY_DOUBLE_NAN", "NaN"},
    {"BINARY_DOUBLE_INFINITY", "Inf"},
    {"BINARY_DOUBLE_MAX_NORMAL", "1.7976931348623157E+308"},
    {"BINARY_DOUBLE_MIN_NORMAL", "2.2250738585072014E-308"},
    {"BINARY_DOUBLE_MAX_SUBNORMAL", "2.2250738585072009E-308"},
    {"BINARY_DOUBLE_MIN_SUBNORMAL", "4.9406564584124654E-324"},
};

}  // namespace

const char* binary_constant_text(const std::string& word, bool* single) {
    for (const BinaryConstant& c : kBinaryConstants)
        if (word == c.name) {
            *single = word.compare(0, 13, "BINARY_FLOAT_") == 0;
            return c.value;
        }
    return nullptr;
}

ExprPtr Parser::binary_literal(ExprPtr value, bool single) {
    ExprPtr e = make(ExprKind::Cast, value->offset);
    e->end = value->end;
    e->text = single ? "BINARY_FLOAT" : "BINARY_DOUBLE";
    e->path_offsets.push_back(value->offset);
    e->cast_type.code = single ? kTypeBinaryFloat : kTypeBinaryDouble;
    e->cast_type.size = single ? 4 : 8;
    e->args.push_back(std::move(value));
    return e;
}

// CAST(expr AS type). CAST(MULTISET (subquery) AS collection) needs collection types the
// engine does not have: ORA-03001 at MULTISET.
// [owner.]name of an object type, as "OWNER.NAME" or "NAME".
bool Parser::type_name(std::string* name) {
    if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return fail(902);
    *name = cur().text;
    ++p_;
    if (accept_op(".")) {
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return fail(902);
        *name += "." + cur().text;
        ++p_;
    }
    return true;
}

// TREAT(expr AS [REF] type): a Function "TREAT AS" of the value, the type's name in path.
bool Parser::treat_expr(ExprPtr* out) {
    ExprPtr e = make(ExprKind::Function, cur().offset);
    e->text = "TREAT AS";
    p_ += 2;
    ExprPtr value;
    if (!expr(&value)) return false;
    e->args.push_back(std::move(value));
    if (!expect_word("AS", 905)) return false;
    if (is_word("REF")) return fail(3001);
    std::string name;
    if (!type_name(&name)) return false;
    e->path.push_back(name);
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    // TREAT(...).attribute and TREAT(...).method(args) of the object it gives.
    return postfix_chain(out);
}

bool Parser::cast_expr(ExprPtr* out) {
    ExprPtr e = make(ExprKind::Cast, cur().offset);
    p_ += 2;
    if (is_word("MULTISET")) return fail(3001);
    ExprPtr value;
    if (!expr(&value)) return false;
    e->args.push_back(std::move(value));
    if (!expect_word("AS", 905)) return false;
    if (!cast_type(e.get())) return false;
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

// The target of CAST: a column datatype, BINARY_FLOAT, BINARY_DOUBLE, or INTERVAL YEAR[(p)]
// TO MONTH / INTERVAL DAY[(p)] TO SECOND[(s)].
bool Parser::cast_type(Expr* e) {
    if (cur().kind != TokenKind::Word) return fail(902);
    e->text = cur().text;
    e->path_offsets.push_back(cur().offset);
    OraType& t = e->cast_type;
    if (accept_word("BINARY_FLOAT") || accept_word("BINARY_DOUBLE")) {
        bool single = e->text == "BINARY_FLOAT";
        t.code = single ? kTypeBinaryFloat : kTypeBinaryDouble;
        t.size = single ? 4 : 8;
        return true;
    }
    if (accept_word("INTERVAL")) {
        bool year = accept_word("YEAR");
        if (!year && !accept_word("DAY")) return fail(902);
        int lead = 2, fraction = 6;
        if (accept_op("(") && (!interval_precision(&lead, 2) || !expect_op(")", 907))) return false;
        if (!expect_word("TO", 905)) return false;
        if (!expect_word(year ? "MONTH" : "SECOND", 905)) return false;
        if (!year && accept_op("(") && (!interval_precision(&fraction, 6) || !expect_op(")", 907))) return false;
        t = year ? interval_ym_type(lead) : interval_ds_type(lead, fraction);
        e->text = year ? "INTERVAL YEAR TO MONTH" : "INTERVAL DAY TO SECOND";
        return true;
    }
    ColumnDef c;
    if (!datatype(&c)) return false;
    t = c.type;
    e->text = c.type_name;
    return true;
}

// EXTRACT(field FROM expr): YEAR, MONTH, DAY, HOUR, MINUTE, SECOND and the TIMEZONE_ fields.
bool Parser::extract_expr(ExprPtr* out) {
    ExprPtr e = make(ExprKind::Extract, cur().offset);
    p_ += 2;
    static const char* const kFields[] = {"YEAR",          "MONTH",           "DAY",
                                          "HOUR",          "MINUTE",          "SECOND",
                                          "TIMEZONE_HOUR", "TIMEZONE_MINUTE", "TIMEZONE_REGION",
                                          "TIMEZONE_ABBR"};
    bool known = false;
    for (const char* f : kFields) known = known || is_word(f);
    if (!known && cur().kind == TokenKind::Word && peek().text == "FROM") return fail(907);
    if (!known) {
        // EXTRACT(xml, path): the XPath function.
        e->kind = ExprKind::Function;
        e->text = "EXTRACT";
        e->xml.reset(new XmlClauses);
        do {
            ExprPtr value;
            if (!expr(&value)) return false;
            e->args.push_back(std::move(value));
        } while (accept_op(","));
        if (!expect_op(")", 907)) return false;
        e->end = prev_end();
        *out = std::move(e);
        return xml_method_suffix(out);
    }
    e->text = cur().text;
    e->path_offsets.push_back(cur().offset);
    ++p_;
    if (!expect_word("FROM", 905)) return false;
    ExprPtr value;
    if (!expr(&value)) return false;
    e->args.push_back(std::move(value));
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

// TRIM([LEADING | TRAILING | BOTH] [character] FROM text): the call "TRIM FROM" (a name no
// statement can spell) with the text, the character (a blank when left out) and the mode
// 1, 2 or 3 as arguments. TRIM(text) without FROM is left to the ordinary call (*handled
// stays false, nothing read).
bool Parser::trim_expr(ExprPtr* out, bool* handled) {
    // FROM among the call's own tokens (not inside a nested parenthesis) decides, found by
    // a scan, not by parsing the argument twice: nested calls would parse it once per level.
    bool from = false;
    int depth = 0;
    for (std::size_t k = 2; peek(k).kind != TokenKind::End && !from; ++k) {
        if (op_at(k, "(")) {
            ++depth;
        } else if (op_at(k, ")")) {
            if (depth-- == 0) break;
        } else if (depth == 0 && word_at(k, "FROM")) {
            from = true;
        }
    }
    if (!from) return true;
    ExprPtr e = make(ExprKind::Function, cur().offset);
    e->text = "TRIM FROM";
    p_ += 2;
    const char* mode = nullptr;
    if ((is_word("LEADING") || is_word("TRAILING") || is_word("BOTH")) && !op_at(1, ",") && !op_at(1, ")") &&
        !op_at(1, "||")) {
        mode = is_word("LEADING") ? "1" : is_word("TRAILING") ? "2" : "3";
        ++p_;
    }
    ExprPtr set;
    ExprPtr text;
    if (mode && is_word("FROM")) {
        ++p_;
    } else {
        ExprPtr first;
        if (!expr(&first)) return false;
        if (!expect_word("FROM", 905)) return false;
        set = std::move(first);
    }
    if (!set) {
        set = make(ExprKind::String, e->offset);
        set->text = " ";
    }
    if (!expr(&text)) return false;
    if (!expect_op(")", 907)) return false;
    ExprPtr m = make(ExprKind::Number, e->offset);
    m->text = mode ? mode : "3";
    e->args.push_back(std::move(text));
    e->args.push_back(std::move(set));
    e->args.push_back(std::move(m));
    e->end = prev_end();
    *out = std::move(e);
    *handled = true;
    return true;
}

// TRANSLATE(text USING CHAR_CS | NCHAR_CS): the text in the database or the national
// character set, which are one here, so it is TO_CHAR or TO_NCHAR of the text. The plain
// TRANSLATE(text, from, to) has no USING among its own tokens and is left to the call.
bool Parser::translate_using_expr(ExprPtr* out, bool* handled) {
    bool using_word = false;
    int depth = 0;
    for (std::size_t k = 2; peek(k).kind != TokenKind::End && !using_word; ++k) {
        if (op_at(k, "(")) {
            ++depth;
        } else if (op_at(k, ")")) {
            if (depth-- == 0) break;
        } else if (depth == 0 && op_at(k, ",")) {
            break;
        } else if (depth == 0 && word_at(k, "USING")) {
            using_word = true;
        }
    }
    if (!using_word) return true;
    ExprPtr e = make(ExprKind::Function, cur().offset);
    p_ += 2;
    ExprPtr text;
    if (!expr(&text)) return false;
    if (!expect_word("USING", 905)) return false;
    if (!is_word("CHAR_CS") && !is_word("NCHAR_CS")) return fail(905);
    e->text = is_word("NCHAR_CS") ? "TO_NCHAR" : "TO_CHAR";
    ++p_;
    if (!expect_op(")", 907)) return false;
    e->args.push_back(std::move(text));
    e->end = prev_end();
    *out = std::move(e);
    *handled = true;
    return true;
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
    // Counted as SELECT INTO counts: fewer values than targets are not enough.
    if (s->returning.size() < s->returning_into.size()) return fail(947);
    if (s->returning.size() > s->returning_into.size()) return fail(913);
    return true;
}

bool Parser::insert(Statement* s) {
    ++p_;
    s->kind = StatementKind::Insert;
    if (is_word("ALL") || is_word("FIRST") || is_word("WHEN")) return multi_insert(s);
    if (!expect_word("INTO", 925)) return false;
    if (accept_op("(")) {
        s->table.offset = cur().offset;
        if (!select(&s->target_query)) return false;
        if (!expect_op(")", 907)) return false;
    } else if (!table_ref(&s->table) || !partition_extension(&s->table)) {
        return false;
    }
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text)) identifier(&s->alias);
    if (is_op("(") && !name_list(&s->columns, &s->column_offsets)) return false;
    if (accept_word("VALUES")) {
        if (cur().kind == TokenKind::Word && !is_reserved(cur().text)) {
            // VALUES rec: a record of the host language, its fields the row's values.
            std::size_t at = p_;
            if (!expr(&s->values_record)) return false;
            // ... or an element of a collection of records, collection(i).
            bool element = s->values_record->kind == ExprKind::Function && s->values_record->args.size() == 1 &&
                           s->values_record->path.empty() && s->values_record->field.empty() &&
                           !s->values_record->over && !s->values_record->extras;
            if (s->values_record->kind != ExprKind::Column && !element) {
                p_ = at;
                return fail(906);
            }
            return returning(s);
        }
        if (!insert_values(s)) return false;
        return returning(s);
    }
    if (is_word("SELECT") || is_word("WITH") || is_op("(")) return select(&s->select);
    return fail(926);
}

// (value, ...) after VALUES, each an expression or DEFAULT.
bool Parser::insert_values(Statement* s) {
    if (!expect_op("(", 906)) return false;
    std::vector<ExprPtr> row;
    do {
        ExprPtr e;
        if (is_word("DEFAULT") && (op_at(1, ",") || op_at(1, ")"))) {
            e = std::make_unique<Expr>();
            e->text = "DEFAULT";
            e->offset = cur().offset;
            e->end = cur().end;
            ++p_;
        } else if (!expr(&e)) {
            return false;
        }
        row.push_back(std::move(e));
    } while (accept_op(","));
    if (!expect_op(")", 907)) return false;
    s->values.push_back(std::move(row));
    return true;
}

// INSERT ALL INTO ... [INTO ...] subquery, and the conditional INSERT [ALL | FIRST] WHEN
// condition THEN INTO ... [WHEN ...] [ELSE INTO ...] subquery.
bool Parser::multi_insert(Statement* s) {
    s->insert_first = accept_word("FIRST");
    bool all = !s->insert_first && accept_word("ALL");
    bool conditional = is_word("WHEN");
    if (!conditional && !all) return fail(905);
    auto intos = [&](InsertBranch* b) {
        if (!is_word("INTO")) return fail(925);
        while (accept_word("INTO")) {
            auto into = std::make_unique<Statement>();
            into->kind = StatementKind::Insert;
            if (!table_ref(&into->table) || !partition_extension(&into->table)) return false;
            if (cur().kind == TokenKind::Word && !is_reserved(cur().text) && !is_word("ELSE")) identifier(&into->alias);
            if (is_op("(") && !name_list(&into->columns, &into->column_offsets)) return false;
            if (accept_word("VALUES") && !insert_values(into.get())) return false;
            b->intos.push_back(std::move(into));
        }
        return true;
    };
    if (conditional) {
        while (accept_word("WHEN")) {
            InsertBranch b;
            if (!expr(&b.when) || !expect_word("THEN", 905) || !intos(&b)) return false;
            s->insert_branches.push_back(std::move(b));
        }
        if (accept_word("ELSE")) {
            InsertBranch b;
            b.is_else = true;
            if (!intos(&b)) return false;
            s->insert_branches.push_back(std::move(b));
        }
    } else {
        InsertBranch b;
        if (!intos(&b)) return false;
        s->insert_branches.push_back(std::move(b));
    }
    if (is_word("SELECT") || is_word("WITH") || is_op("(")) return select(&s->select);
    return fail(928);
}

bool Parser::update(Statement* s) {
    ++p_;
    s->kind = StatementKind::Update;
    if (!table_ref(&s->table) || !partition_extension(&s->table)) return false;
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text)) identifier(&s->alias);
    if (!expect_word("SET", 971)) return false;
    if (!set_list(s)) return false;
    if (!dml_where(s)) return false;
    return returning(s);
}

// The locking clause after FOR UPDATE. The engine's sessions share one SQLite connection per
// database and change rows one statement at a time, so no row is ever held by another
// session: NOWAIT, WAIT n and SKIP LOCKED all take every row at once.
bool Parser::for_update(SelectStmt* q) {
    q->for_update = true;
    if (accept_word("OF")) {
        do {
            ExprPtr c = make(ExprKind::Column, cur().offset);
            do {
                std::string n;
                std::uint32_t off = cur().offset;
                if (!identifier(&n, &off)) return fail(904, "\"" + cur().text + "\"");
                c->path.push_back(n);
                c->path_offsets.push_back(off);
            } while (c->path.size() < 3 && accept_op("."));
            c->end = prev_end();
            q->for_update_of.push_back(std::move(c));
        } while (accept_op(","));
    }
    if (accept_word("NOWAIT")) return true;
    if (accept_word("WAIT")) {
        if (cur().kind != TokenKind::Number) return fail(30005);
        ++p_;
        return true;
    }
    if (accept_word("SKIP")) return expect_word("LOCKED", 905);
    return true;
}

// WHERE condition of UPDATE and DELETE, or WHERE CURRENT OF cursor: the row the host
// language's cursor fetched last, written ROWID = cursor%CURRENT OF, an attribute only the
// host's name hook knows.
bool Parser::dml_where(Statement* s) {
    if (!accept_word("WHERE")) return true;
    if (!is_word("CURRENT") || !word_at(1, "OF")) return expr(&s->where);
    std::uint32_t off = cur().offset;
    p_ += 2;
    ExprPtr cursor = make(ExprKind::Attribute, cur().offset);
    // The cursor's name: c, or a package's cursor pkg.c or owner.pkg.c.
    do {
        std::string name;
        std::uint32_t name_off = cur().offset;
        if (!identifier(&name, &name_off)) return fail(904, "\"" + cur().text + "\"");
        cursor->path.push_back(name);
        cursor->path_offsets.push_back(name_off);
    } while (cursor->path.size() < 3 && accept_op("."));
    cursor->text = "CURRENT OF";
    cursor->end = prev_end();
    ExprPtr rowid = make(ExprKind::Column, off);
    rowid->path.push_back("ROWID");
    rowid->path_offsets.push_back(off);
    rowid->end = off;
    ExprPtr e = make(ExprKind::Compare, off);
    e->text = "=";
    e->end = cursor->end;
    e->args.push_back(std::move(rowid));
    e->args.push_back(std::move(cursor));
    s->where = std::move(e);
    return true;
}

// column = expr, ... of UPDATE and MERGE's WHEN MATCHED THEN UPDATE SET.
bool Parser::set_list(Statement* s) {
    if (s->kind == StatementKind::Update && is_word("ROW") && op_at(1, "=")) {
        // SET ROW = rec: every column from a record of the host language.
        // A column named ROW set to anything but a name is an ordinary SET.
        std::size_t at = p_;
        p_ += 2;
        if (!expr(&s->set_row)) return false;
        if (s->set_row->kind == ExprKind::Column && !is_op(",")) return true;
        s->set_row.reset();
        p_ = at;
    }
    do {
        std::string col;
        std::uint32_t off = cur().offset;
        if (!identifier(&col)) return fail(904, "\"" + cur().text + "\"");
        std::string attribute;
        if (is_op(".")) {
            ++p_;
            off = cur().offset;
            if (!identifier(&col)) return fail(904, "\"" + cur().text + "\"");
            // alias.column.attribute: one attribute of an object column.
            if (accept_op(".") && !identifier(&attribute)) return fail(904, "\"" + cur().text + "\"");
        }
        if (!expect_op("=", 927)) return false;
        ExprPtr e;
        if (is_word("DEFAULT")) {
            // SET column = DEFAULT: the column's default value.
            e = make(ExprKind::Null, cur().offset);
            e->text = "DEFAULT";
            ++p_;
            e->end = prev_end();
        } else if (!expr(&e)) {
            return false;
        }
        s->sets.emplace_back(col, std::move(e));
        s->set_offsets.push_back(off);
        s->set_attributes.push_back(attribute);
    } while (accept_op(","));
    return true;
}

bool Parser::merge(Statement* s) {
    ++p_;
    s->kind = StatementKind::Merge;
    if (!expect_word("INTO", 925) || !table_ref(&s->table)) return false;
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text)) identifier(&s->alias);
    if (!expect_word("USING", 905) || !from_item(&s->merge_source)) return false;
    if (!expect_word("ON", 969) || !expect_op("(", 906) || !expr(&s->merge_on) || !expect_op(")", 907)) return false;
    while (accept_word("WHEN")) {
        bool matched = !accept_word("NOT");
        if (!expect_word("MATCHED", 905) || !expect_word("THEN", 905)) return false;
        if (matched) {
            if (s->merge_update) return fail(905);
            s->merge_update = true;
            if (!expect_word("UPDATE", 905) || !expect_word("SET", 971) || !set_list(s)) return false;
            if (accept_word("WHERE") && !expr(&s->where)) return false;
            if (accept_word("DELETE") && (!expect_word("WHERE", 905) || !expr(&s->merge_delete))) return false;
            continue;
        }
        if (s->merge_insert) return fail(905);
        s->merge_insert = true;
        if (!expect_word("INSERT", 905)) return false;
        if (accept_op("(")) {
            // The columns may be qualified by the target's alias or, without one, its name.
            const std::string& target = s->alias.empty() ? s->table.name : s->alias;
            do {
                std::string n;
                std::uint32_t off = cur().offset;
                if (!identifier(&n, &off)) return fail(904, "\"" + cur().text + "\"");
                if (accept_op(".")) {
                    std::string col;
                    std::uint32_t col_off = cur().offset;
                    if (!identifier(&col, &col_off)) return fail(904, "\"" + cur().text + "\"");
                    if (n != target) {
                        p_ -= 3;
                        return fail(904, "\"" + n + "\".\"" + col + "\"");
                    }
                    n = col;
                    off = col_off;
                }
                s->columns.push_back(n);
                s->column_offsets.push_back(off);
            } while (accept_op(","));
            if (!expect_op(")", 907)) return false;
        }
        if (!expect_word("VALUES", 926) || !insert_values(s)) return false;
        if (accept_word("WHERE") && !expr(&s->merge_insert_where)) return false;
    }
    if (!s->merge_update && !s->merge_insert) return fail(905);
    return true;
}

bool Parser::del(Statement* s) {
    ++p_;
    s->kind = StatementKind::Delete;
    accept_word("FROM");
    if (!table_ref(&s->table) || !partition_extension(&s->table)) return false;
    if (cur().kind == TokenKind::Word && !is_reserved(cur().text) && !is_word("RETURNING") && !is_word("RETURN"))
        identifier(&s->alias);
    if (!dml_where(s)) return false;
    return returning(s);
}

}  // namespace sql_grammar

namespace {

// MODIFY [(] column DEFAULT [ON NULL] expr [)] and nothing else: the SQL grammar's, which
// keeps the default in the engine's insert path (ON NULL included). Every other MODIFY
// (datatypes, NOT NULL / NULL, several columns, constraints) is the catalog's.
bool modify_default_only(TokenCursor c) {
    c.next();
    const bool paren = c.accept_op("(");
    c.next();  // the column
    if (!c.accept_word("DEFAULT")) return false;
    bool may_be_null = true;  // NULL right after DEFAULT or ON is the default itself
    for (int depth = 0; !c.at_end() && !c.is_op(";"); c.next()) {
        if (c.is_op("(")) ++depth;
        if (c.is_op(")") && --depth < 0) {
            c.next();
            return paren && (c.at_end() || c.is_op(";"));
        }
        if (depth == 0 &&
            (c.is_op(",") || c.is_word("NOT") || c.is_word("CONSTRAINT") || (c.is_word("NULL") && !may_be_null)))
            return false;
        may_be_null = c.is_word("ON");
    }
    return !paren;
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
    if (c.is_word("RENAME")) return set(StatementKind::Rename);
    if (c.is_word("PURGE")) return set(StatementKind::Purge);
    if (c.is_word("FLASHBACK")) return set(StatementKind::Flashback);
    if (c.accept_word("CREATE")) {
        bool replace = false;
        if (c.is_word("OR")) {
            if (!c.word_at(1, "REPLACE")) return false;
            c.seek(c.pos() + 2);
            replace = true;
        }
        if (c.accept_word("PUBLIC")) return c.is_word("SYNONYM") && set(StatementKind::CreateSynonym);
        // The edition words of stored units, triggers, synonyms and views (no editions here).
        const bool edition = c.accept_word("EDITIONABLE") || c.accept_word("NONEDITIONABLE");
        if (unit_word()) return set(StatementKind::CreateUnit);
        if (c.is_word("TRIGGER")) return set(StatementKind::CreateTrigger);
        if (c.is_word("SYNONYM")) return set(StatementKind::CreateSynonym);
        if (c.is_word("VIEW")) return set(StatementKind::CreateView);
        if (edition) return false;
        if (c.is_word("DIMENSION")) return set(StatementKind::CreateDimension);
        if (c.is_word("FORCE") || c.is_word("NOFORCE")) return set(StatementKind::CreateView);
        return !replace && c.is_word("SEQUENCE") && set(StatementKind::CreateSequence);
    }
    if (c.accept_word("DROP")) {
        if (c.accept_word("PUBLIC")) return c.is_word("SYNONYM") && set(StatementKind::DropSynonym);
        if (c.is_word("SYNONYM")) return set(StatementKind::DropSynonym);
        if (c.is_word("SEQUENCE")) return set(StatementKind::DropSequence);
        if (c.is_word("VIEW")) return set(StatementKind::DropView);
        if (c.is_word("TRIGGER")) return set(StatementKind::DropTrigger);
        if (c.is_word("DIMENSION")) return set(StatementKind::DropDimension);
        return unit_word() && set(StatementKind::DropUnit);
    }
    if (c.accept_word("ALTER")) {
        if (c.is_word("SEQUENCE")) return set(StatementKind::AlterSequence);
        if (c.is_word("TRIGGER")) return set(StatementKind::AlterTrigger);
        if (c.is_word("DIMENSION")) return set(StatementKind::AlterDimension);
        if (c.is_word("VIEW")) return set(StatementKind::AlterView);
        if (unit_word()) return set(StatementKind::AlterUnit);
        if (!c.accept_word("TABLE")) return false;
        // [owner.]table, then ADD of a constraint or of a parenthesised list, MODIFY, DROP
        // of a constraint, RENAME CONSTRAINT or a constraint's or the triggers' state.
        c.next();
        if (c.accept_op(".")) c.next();
        auto constraint_word = [&]() {
            return c.is_word("CONSTRAINT") || c.is_word("PRIMARY") || c.is_word("UNIQUE") || c.is_word("CHECK") ||
                   c.is_word("FOREIGN");
        };
        if (c.is_word("MODIFY") &&
            (modify_default_only(c) || c.word_at(1, "PARTITION") || c.word_at(1, "SUBPARTITION")))
            return false;
        if (c.is_word("MODIFY") || c.is_word("ENABLE") || c.is_word("DISABLE"))
            return set(StatementKind::AlterTableConstraint);
        if (c.accept_word("RENAME")) {
            if (c.is_word("TO")) return set(StatementKind::Rename);
            return constraint_word() && set(StatementKind::AlterTableConstraint);
        }
        if (c.accept_word("DROP")) return constraint_word() && set(StatementKind::AlterTableConstraint);
        if (!c.accept_word("ADD")) return false;
        if (constraint_word()) return set(StatementKind::AlterTableConstraint);
        if (!c.accept_op("(")) return false;
        // ADD ( ... ): the catalog's when an item of the list is a constraint, the SQL
        // grammar's for columns alone.
        bool item_start = true;
        for (int depth = 0; !c.at_end(); c.next()) {
            if (depth == 0 && item_start && constraint_word()) return set(StatementKind::AlterTableConstraint);
            item_start = false;
            if (c.is_op("(")) {
                ++depth;
            } else if (c.is_op(")")) {
                if (depth-- == 0) break;
            } else if (depth == 0 && c.is_op(",")) {
                item_start = true;
            }
        }
        return false;
    }
    return false;
}

}  // namespace

using sql_grammar::Parser;

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
    p.take_values_only();
    return p.statement(out);
}

bool sql_parse_expression(const std::vector<Token>& tokens, ExprPtr* out, OraError* err) {
    return Parser(tokens, err).whole_expression(out);
}

bool sql_parse_statement(const std::vector<Token>& tokens, Statement* out, OraError* err) {
    if (foreign_kind(TokenCursor(tokens), &out->kind)) return true;
    return sql_parse(tokens, out, err);
}
