// The grammar of the SQL/JSON generation functions JSON_OBJECT, JSON_ARRAY, JSON_OBJECTAGG
// and JSON_ARRAYAGG: their key-value lists, FORMAT JSON, the ON NULL, RETURNING, STRICT
// and WITH UNIQUE KEYS clauses, and JSON_ARRAYAGG's ORDER BY. The calls become Function
// nodes carrying JsonGenClauses; the translator gives them their meaning.
#include "sql/sql_parser.h"

#include <cstdlib>

namespace sql_grammar {

bool json_generation_name(const std::string& name) {
    return name == "JSON_OBJECT" || name == "JSON_ARRAY" || name == "JSON_OBJECTAGG" || name == "JSON_ARRAYAGG";
}

namespace {

bool all_digits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

// The clauses after the values: [NULL|ABSENT ON NULL] [RETURNING VARCHAR2[(n [BYTE|CHAR])]
// | CLOB] [STRICT] [WITH UNIQUE KEYS] (the last for the object functions only).
bool Parser::json_gen_clauses(Expr* e) {
    JsonGenClauses& j = *e->json_gen;
    bool object = e->text == "JSON_OBJECT" || e->text == "JSON_OBJECTAGG";
    if ((is_word("NULL") || is_word("ABSENT")) && peek().text == "ON") {
        j.absent_on_null = is_word("ABSENT");
        p_ += 2;
        if (!expect_word("NULL", 905)) return false;
    }
    if (accept_word("RETURNING")) {
        if (accept_word("CLOB")) {
            j.clob = true;
        } else if (accept_word("VARCHAR2")) {
            if (accept_op("(")) {
                long n = std::atol(cur().text.c_str());
                if (cur().kind != TokenKind::Number || !all_digits(cur().text) || n < 1 || n > 32767) return fail(910);
                j.size = static_cast<std::uint32_t>(n);
                ++p_;
                if (!accept_word("BYTE")) accept_word("CHAR");
                if (!expect_op(")", 907)) return false;
            }
        } else {
            // BLOB, JSON and the other return types are not available here.
            return fail(3001);
        }
    }
    if (accept_word("STRICT")) j.strict = true;
    if (object && is_word("WITH") && peek().text == "UNIQUE") {
        p_ += 2;
        if (!expect_word("KEYS", 905)) return false;
        j.unique_keys = true;
    }
    return true;
}

// JSON_OBJECT( [[KEY] key VALUE value | key : value | column] [FORMAT JSON], ... clauses ),
// JSON_OBJECTAGG( [KEY] key VALUE value [FORMAT JSON] clauses ),
// JSON_ARRAY( value [FORMAT JSON], ... clauses ) and
// JSON_ARRAYAGG( value [FORMAT JSON] [ORDER BY ...] clauses ).
bool Parser::json_generation(ExprPtr* out) {
    ExprPtr e = make(ExprKind::Function, cur().offset);
    e->text = cur().text;
    e->json_gen.reset(new JsonGenClauses);
    JsonGenClauses& j = *e->json_gen;
    const bool object = e->text == "JSON_OBJECT" || e->text == "JSON_OBJECTAGG";
    const bool aggregate = e->text == "JSON_OBJECTAGG" || e->text == "JSON_ARRAYAGG";
    // JSON_OBJECT and JSON_OBJECTAGG keep NULL members; the array functions leave them out.
    j.absent_on_null = !object;
    p_ += 2;
    auto at_clauses = [&]() {
        return is_op(")") || ((is_word("NULL") || is_word("ABSENT")) && peek().text == "ON") || is_word("RETURNING") ||
               is_word("STRICT") || (is_word("WITH") && peek().text == "UNIQUE");
    };
    bool first = true;
    while (aggregate || !at_clauses()) {
        if (!first && !accept_op(",")) break;
        first = false;
        ExprPtr value;
        if (object) {
            // KEY is a keyword unless it is itself the key or the column (KEY VALUE 1, KEY).
            if (is_word("KEY") && peek().text != "VALUE" && peek().text != ":" && peek().text != "," &&
                peek().text != ")")
                ++p_;
            ExprPtr key;
            if (!expr(&key)) return false;
            if (accept_word("VALUE") || accept_op(":")) {
                if (!expr(&value)) return false;
            } else if (cur().kind == TokenKind::Bind && all_digits(cur().text) && cur().offset == key->end) {
                // 'k':1 reads as a positional placeholder; written against the key it is the value.
                value = make(ExprKind::Number, cur().offset + 1);
                value->text = cur().text;
                ++p_;
                if (cur().kind == TokenKind::Number && cur().text[0] == '.' && cur().offset == prev_end()) {
                    value->text += cur().text;
                    ++p_;
                }
                value->end = prev_end();
            } else if (key->kind == ExprKind::Column && e->text == "JSON_OBJECT") {
                // A column alone is its own key, named as the dictionary names it.
                value = std::move(key);
                key = make(ExprKind::String, value->offset);
                key->text = value->path.back();
                key->end = value->end;
            } else {
                return fail(907);
            }
            e->args.push_back(std::move(key));
        } else if (!expr(&value)) {
            return false;
        }
        bool format_json = false;
        if (accept_word("FORMAT")) {
            if (!expect_word("JSON", 905)) return false;
            format_json = true;
        }
        e->args.push_back(std::move(value));
        j.format_json.push_back(format_json);
        if (aggregate) break;
    }
    if (e->text == "JSON_ARRAYAGG" && is_word("ORDER") && peek().text == "BY") {
        p_ += 2;
        e->extras.reset(new CallExtras);
        if (!order_list(&e->extras->within)) return false;
    }
    if (!json_gen_clauses(e.get())) return false;
    if (!expect_op(")", 907)) return false;
    e->end = prev_end();
    *out = std::move(e);
    return true;
}

}  // namespace sql_grammar
