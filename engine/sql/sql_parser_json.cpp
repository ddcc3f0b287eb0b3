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
    if (is_word("NUMBER")) {
        ColumnDef c;
        if (!datatype(&c)) return false;
        j->returning = 1;
        j->precision = c.type.precision;
        j->scale = c.type.scale;
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

namespace sql_grammar {

// A path literal of JSON_TABLE: ORA-40454 when it is no literal, ORA-40442 when Oracle's
// path language refuses it.
bool Parser::json_table_path(std::string* out) {
    if (cur().kind != TokenKind::String) return fail(40454);
    if (!json_path_valid(cur().text)) return fail(40442);
    *out = cur().text;
    ++p_;
    return true;
}

// name FOR ORDINALITY | name [type] [FORMAT JSON [wrapper]] [EXISTS] [PATH 'p'] [clauses]
// | NESTED [PATH] 'p' COLUMNS (...).
bool Parser::json_table_column(JsonTableColumn* c, int depth) {
    c->offset = cur().offset;
    if (is_word("NESTED") && (peek().kind == TokenKind::String || word_at(1, "PATH"))) {
        ++p_;
        accept_word("PATH");
        c->kind = JsonTableColumn::Kind::Nested;
        if (!json_table_path(&c->path)) return false;
        if (!expect_word("COLUMNS", 905)) return false;
        return json_table_columns(&c->nested, depth + 1);
    }
    bool quoted = cur().kind == TokenKind::QuotedWord;
    if (!identifier(&c->name)) return fail(904, "\"" + cur().text + "\"");
    if (accept_word("FOR")) {
        if (!expect_word("ORDINALITY", 905)) return false;
        c->kind = JsonTableColumn::Kind::Ordinality;
        c->type.code = kTypeNumber;
        c->type.size = 22;
        c->type.scale = -127;
        return true;
    }
    c->type.code = kTypeVarchar2;
    c->type.size = 4000;
    if (cur().kind == TokenKind::Word && !is_word("FORMAT") && !is_word("EXISTS") && !is_word("PATH") &&
        !is_word("NULL") && !is_word("ERROR") && !is_word("DEFAULT")) {
        std::uint32_t at = cur().offset;
        if (is_word("VARCHAR2") && !op_at(1, "(")) {
            ++p_;
        } else {
            ColumnDef def;
            if (!datatype(&def)) return false;
            c->type = def.type;
        }
        if (c->type.code != kTypeVarchar2 && c->type.code != kTypeNumber && c->type.code != kTypeDate) {
            fail(3001);
            err_->offset = at;
            return false;
        }
    }
    if (accept_word("FORMAT")) {
        if (!expect_word("JSON", 905)) return false;
        if (c->type.code != kTypeVarchar2) return fail(40449);
        c->kind = JsonTableColumn::Kind::Query;
        if (accept_word("WITHOUT")) {
            accept_word("ARRAY");
            if (!expect_word("WRAPPER", 905)) return false;
        } else if (accept_word("WITH")) {
            c->wrapper = accept_word("CONDITIONAL") ? 2 : 1;
            if (c->wrapper == 1) accept_word("UNCONDITIONAL");
            accept_word("ARRAY");
            if (!expect_word("WRAPPER", 905)) return false;
        }
    } else if (accept_word("EXISTS")) {
        if (c->type.code == kTypeDate) return fail(40449);
        c->kind = JsonTableColumn::Kind::Exists;
    }
    if (accept_word("PATH")) {
        if (!json_table_path(&c->path)) return false;
    } else {
        c->path = "$.\"" + c->name + "\"";
        c->fold = !quoted;
    }
    if (c->kind == JsonTableColumn::Kind::Exists) {
        // The row's item is JSON already: an EXISTS column meets no error to answer.
        for (const char* w : {"TRUE", "FALSE", "ERROR"})
            if (is_word(w) && word_at(1, "ON")) {
                p_ += 2;
                if (!expect_word("ERROR", 905)) return false;
                break;
            }
        return true;
    }
    Expr clauses;
    clauses.json.reset(new JsonClauses);
    clauses.json->on_error = -1;
    if (!json_behaviour(&clauses, c->kind == JsonTableColumn::Kind::Query)) return false;
    c->on_error = clauses.json->on_error;
    c->on_empty = clauses.json->on_empty;
    for (std::size_t slot = 2; slot < clauses.args.size() && slot < 4; ++slot) {
        const Expr& d = *clauses.args[slot];
        if (d.kind == ExprKind::Null) continue;
        (slot == 2 ? c->error_default : c->empty_default) = d.text;
        (slot == 2 ? c->error_default_null : c->empty_default_null) = false;
    }
    return true;
}

bool Parser::json_table_columns(std::vector<JsonTableColumn>* columns, int depth) {
    if (depth > kMaxDepth) return too_deep();
    if (!expect_op("(", 906)) return false;
    do {
        columns->emplace_back();
        if (!json_table_column(&columns->back(), depth)) return false;
    } while (accept_op(","));
    return expect_op(")", 907);
}

// JSON_TABLE(doc [FORMAT JSON], 'path' [NULL|ERROR ON ERROR] [NULL|ERROR ON EMPTY]
// COLUMNS (...)): "JSON_TABLE" is the current word.
bool Parser::json_table(FromItem* f) {
    f->table.offset = f->table.name_offset = cur().offset;
    f->table.name = "JSON_TABLE";
    p_ += 2;
    f->json_table.reset(new JsonTableClause);
    JsonTableClause& jt = *f->json_table;
    if (!expr(&jt.doc)) return false;
    if (accept_word("FORMAT") && !expect_word("JSON", 905)) return false;
    // The row path may be left out: the document itself is the one row.
    if (accept_op(",")) {
        if (!json_table_path(&jt.path)) return false;
    } else if (is_word("COLUMNS")) {
        jt.path = "$";
    } else {
        return fail(917);
    }
    for (int clause = 0; clause < 2 && (is_word("NULL") || is_word("ERROR")) && word_at(1, "ON"); ++clause) {
        int mode = is_word("ERROR") ? 1 : 0;
        p_ += 2;
        if (accept_word("ERROR"))
            jt.on_error = mode;
        else if (accept_word("EMPTY"))
            jt.on_empty = mode;
        else
            return fail(905);
    }
    if (!expect_word("COLUMNS", 905)) return false;
    if (!json_table_columns(&jt.columns, 0)) return false;
    return expect_op(")", 907);
}

}  // namespace sql_grammar
