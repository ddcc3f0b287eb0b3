// The SQL/JSON part of the grammar: the conditions IS [NOT] JSON and JSON_EXISTS, and the
// functions JSON_VALUE and JSON_QUERY with their RETURNING, WRAPPER, ON ERROR and
// ON EMPTY clauses. A path must be a string literal in Oracle's path language.
#include "sql/sql_parser.h"

#include "values/sql_json.h"

#include <cstdlib>

namespace sql_grammar {

// expr IS [NOT] JSON [FORMAT JSON] [STRICT|LAX] [WITH|WITHOUT UNIQUE KEYS]; IS [NOT] has
// been read.
bool Parser::is_json(ExprPtr lhs, bool negated, ExprPtr* out) {
    ExprPtr e = make(ExprKind::IsJson, lhs->offset);
    e->negated = negated;
    e->json.reset(new JsonClauses);
    ++p_;
    if (accept_word("FORMAT") && !expect_word("JSON", 905)) return false;
    if (accept_word("STRICT"))
        e->json->strict = true;
    else
        accept_word("LAX");
    if (is_word("WITH") || is_word("WITHOUT")) {
        e->json->unique_keys = is_word("WITH");
        ++p_;
        if (!expect_word("UNIQUE", 905) || !expect_word("KEYS", 905)) return false;
    }
    e->args.push_back(std::move(lhs));
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

// "name(" read up to the path: the document [FORMAT JSON], a comma and the path literal.
bool Parser::json_head(Expr* e) {
    e->json.reset(new JsonClauses);
    p_ += 2;
    ExprPtr doc;
    if (!expr(&doc)) return false;
    e->args.push_back(std::move(doc));
    if (accept_word("FORMAT") && !expect_word("JSON", 905)) return false;
    if (!expect_op(",", 917)) return false;
    std::uint32_t at = cur().offset;
    bool literal = cur().kind == TokenKind::String;
    std::string text = cur().text;
    ExprPtr path;
    if (!additive(&path)) return false;
    if (!literal || path->kind != ExprKind::String) {
        fail(40454);
        err_->offset = at;
        return false;
    }
    if (!json_path_valid(text)) {
        fail(40442);
        err_->offset = at;
        return false;
    }
    e->args.push_back(std::move(path));
    return true;
}

// JSON_EXISTS(doc [FORMAT JSON], path [TRUE|FALSE|ERROR ON ERROR]): a condition.
bool Parser::json_exists(ExprPtr* out) {
    ExprPtr e = make(ExprKind::JsonExists, cur().offset);
    if (!json_head(e.get())) return false;
    static const char* const kModes[] = {"FALSE", "ERROR", "TRUE"};
    for (int m = 0; m < 3; ++m) {
        if (!is_word(kModes[m])) continue;
        ++p_;
        if (!expect_word("ON", 905) || !expect_word("ERROR", 905)) return false;
        e->json->on_error = m;
        break;
    }
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

// RETURNING VARCHAR2(n [BYTE|CHAR]) | NUMBER[(p[,s])]; other types are not supported.
bool Parser::json_returning(JsonClauses* j) {
    if (accept_word("NUMBER")) {
        j->returning = 1;
        if (accept_op("(")) {
            while (!is_op(")") && cur().kind != TokenKind::End) ++p_;
            if (!expect_op(")", 907)) return false;
        }
        return true;
    }
    if (!accept_word("VARCHAR2")) return fail(3001);
    if (accept_op("(")) {
        if (cur().kind != TokenKind::Number) return fail(910);
        long n = std::atol(cur().text.c_str());
        if (n < 1 || n > 32767 || cur().text.find_first_not_of("0123456789") != std::string::npos) return fail(910);
        j->size = static_cast<std::uint32_t>(n);
        ++p_;
        if (!accept_word("BYTE")) accept_word("CHAR");
        if (!expect_op(")", 907)) return false;
    }
    return true;
}

// The ON ERROR and ON EMPTY clauses: NULL, ERROR, DEFAULT literal (JSON_VALUE), EMPTY
// [ARRAY] and EMPTY OBJECT (JSON_QUERY), each followed by ON ERROR or ON EMPTY.
bool Parser::json_behaviour(Expr* e, bool query) {
    bool seen_error = false;
    for (int clause = 0; clause < 2; ++clause) {
        int mode;
        ExprPtr def;
        if (is_word("NULL") && peek().text == "ON") {
            mode = 0;
            ++p_;
        } else if (is_word("ERROR") && peek().text == "ON") {
            mode = 1;
            ++p_;
        } else if (!query && accept_word("DEFAULT")) {
            mode = 2;
            if (!primary(&def)) return false;
            if (def->kind != ExprKind::String && def->kind != ExprKind::Number && def->kind != ExprKind::Null) {
                fail(3001);
                err_->offset = def->offset;
                return false;
            }
        } else if (query && accept_word("EMPTY")) {
            mode = accept_word("OBJECT") ? 4 : 3;
            if (mode == 3) accept_word("ARRAY");
        } else {
            return true;
        }
        if (!expect_word("ON", 905)) return false;
        std::size_t slot;
        if (accept_word("ERROR")) {
            if (seen_error || e->json->on_empty >= 0) return fail(907);
            seen_error = true;
            e->json->on_error = mode;
            slot = 2;
        } else if (accept_word("EMPTY")) {
            if (e->json->on_empty >= 0) return fail(907);
            e->json->on_empty = mode;
            slot = 3;
        } else {
            return fail(905);
        }
        while (e->args.size() < 4) e->args.push_back(make(ExprKind::Null, prev_end()));
        if (def) e->args[slot] = std::move(def);
    }
    return true;
}

// JSON_VALUE(doc, path [RETURNING type] [behaviour ON ERROR] [behaviour ON EMPTY]) and
// JSON_QUERY(doc, path [RETURNING VARCHAR2(n)] [WITH|WITHOUT ... WRAPPER] [behaviour ...]).
bool Parser::json_function(ExprPtr* out) {
    ExprPtr e = make(ExprKind::JsonFunction, cur().offset);
    e->text = cur().text;
    bool query = e->text == "JSON_QUERY";
    if (!json_head(e.get())) return false;
    if (accept_word("RETURNING")) {
        if (query && !is_word("VARCHAR2")) return fail(3001);
        if (!json_returning(e->json.get())) return false;
    }
    if (is_word("PRETTY") || is_word("ASCII") || is_word("TRUNCATE")) return fail(3001);
    if (query && accept_word("WITHOUT")) {
        accept_word("ARRAY");
        if (!expect_word("WRAPPER", 905)) return false;
    } else if (query && accept_word("WITH")) {
        e->json->wrapper = accept_word("CONDITIONAL") ? 2 : 1;
        if (e->json->wrapper == 1) accept_word("UNCONDITIONAL");
        accept_word("ARRAY");
        if (!expect_word("WRAPPER", 905)) return false;
    }
    if (!json_behaviour(e.get(), query)) return false;
    while (e->args.size() < 4) e->args.push_back(make(ExprKind::Null, prev_end()));
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

}  // namespace sql_grammar
