// Enforcement of the constraints ALTER TABLE manages: the statements that check a
// table's rows against a constraint, that make SQLite enforce it with an index and
// triggers, and that stop enforcing it again, including taking a constraint CREATE TABLE
// wrote out of the SQLite table's definition.
#include "catalog/constraint_ddl.h"

#include "catalog/constraints.h"
#include "sql/sql_lexer.h"
#include "sql/sql_text.h"
#include "values/errors.h"
#include "values/sqlite_statement.h"

#include <cstdio>

namespace {

using Stmt = SqliteStatement;

std::string qname(const std::string& n) {
    return "\"" + n + "\"";
}

std::string column_list(const std::vector<std::string>& cols, const std::string& prefix = {}) {
    std::string l;
    for (std::size_t i = 0; i < cols.size(); ++i) l += (i ? "," : "") + prefix + qname(cols[i]);
    return l;
}

// "a=b AND ..." over two column lists.
std::string match(const std::vector<std::string>& left, const std::string& lp, const std::vector<std::string>& right,
                  const std::string& rp) {
    std::string m;
    for (std::size_t i = 0; i < left.size() && i < right.size(); ++i)
        m += (i ? " AND " : "") + lp + qname(left[i]) + "=" + rp + qname(right[i]);
    return m;
}

std::string each(const std::vector<std::string>& cols, const std::string& prefix, const std::string& test,
                 const char* joiner) {
    std::string t;
    for (std::size_t i = 0; i < cols.size(); ++i) t += (i ? joiner : "") + prefix + qname(cols[i]) + test;
    return t;
}

std::string raise_if(const std::string& condition, int code, const std::string& arg) {
    return "SELECT CASE WHEN EXISTS (" + condition + ") THEN vantro_raise(" +
           constraint_raise_sql(code, ora_message(code, arg)) + ") END";
}

// The parts of a CREATE TABLE text: the tokens of each top-level item of its list.
struct TableText {
    std::vector<Token> tokens;
    std::vector<std::pair<std::size_t, std::size_t>> items;  // token ranges [first, last)
};

bool split_table_text(const std::string& sql, TableText* t) {
    OraError e;
    if (!sql_tokenize(sql, &t->tokens, &e)) return false;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < t->tokens.size(); ++i) {
        const Token& k = t->tokens[i];
        if (k.kind != TokenKind::Operator) continue;
        if (k.text == "(" && ++depth == 1) start = i + 1;
        if (k.text == ")" && depth-- == 1) {
            t->items.emplace_back(start, i);
            return true;
        }
        if (k.text == "," && depth == 1) {
            t->items.emplace_back(start, i);
            start = i + 1;
        }
    }
    return false;
}

bool is_name(const Token& t, const std::string& n) {
    return (t.kind == TokenKind::QuotedWord || t.kind == TokenKind::Word) && t.text == n;
}

// The autoindex SQLite made for the k-th (1-based) key of table t.
std::string autoindex(const std::string& table, std::size_t k) {
    return "sqlite_autoindex_" + table + "_" + std::to_string(k);
}

// The statements that take the constraint out of the table's SQLite definition, when
// CREATE TABLE wrote it there. The rows stay as they are; a key's index is renamed to an
// ordinary one and dropped, and the keys after it take the autoindex numbers SQLite
// gives them when it reads the edited definition.
bool native_removal_sql(sqlite3* db, const ConstraintSpec& c, TableEdits* edits, std::vector<std::string>* out,
                        OraError* err) {
    std::string schema = qname(c.owner) + ".sqlite_schema";
    const std::string edit_key = c.owner + "." + c.table;
    std::string sql;
    if (edits->count(edit_key)) {
        sql = (*edits)[edit_key];
    } else {
        Stmt q(db, "SELECT sql FROM " + schema + " WHERE type='table' AND name=?1");
        q.text(1, c.table);
        if (!q.row()) return true;
        sql = q.column(0);
    }
    TableText t;
    if (!split_table_text(sql, &t)) return *err = ora_error(3001), false;
    std::string edited;
    std::size_t key_number = 0, keys = 0;
    bool found = false;
    const bool nn = constraint_is_not_null(c);
    std::size_t cut_from = 0, cut_to = 0;
    for (std::size_t n = 0; n < t.items.size(); ++n) {
        auto [first, last] = t.items[n];
        if (first >= last) continue;
        const Token& head = t.tokens[first];
        bool key = false;
        for (std::size_t i = first; i < last; ++i)
            key = key || (t.tokens[i].kind == TokenKind::Word &&
                          (t.tokens[i].text == "UNIQUE" || t.tokens[i].text == "PRIMARY"));
        if (key) ++keys;
        if (found) continue;
        if (!nn && head.kind == TokenKind::Word && head.text == "CONSTRAINT" && first + 1 < last &&
            is_name(t.tokens[first + 1], c.name)) {
            // Columns come first: a constraint is never the list's first item.
            if (n == 0) return *err = ora_error(3001), false;
            found = true;
            if (key) key_number = keys;
            // From the comma before the item to its end.
            cut_from = t.tokens[first - 1].offset;
            cut_to = t.tokens[last - 1].end;
        } else if (nn && head.kind == TokenKind::QuotedWord && head.text == c.columns[0]) {
            int depth = 0;
            for (std::size_t i = first + 1; i + 1 < last; ++i) {
                const Token& k = t.tokens[i];
                if (k.kind == TokenKind::Operator && k.text == "(") ++depth;
                if (k.kind == TokenKind::Operator && k.text == ")") --depth;
                if (depth == 0 && k.kind == TokenKind::Word && k.text == "NOT" &&
                    t.tokens[i + 1].kind == TokenKind::Word && t.tokens[i + 1].text == "NULL") {
                    found = true;
                    cut_from = t.tokens[i - 1].end;
                    cut_to = t.tokens[i + 1].end;
                    break;
                }
            }
        }
    }
    if (!found) return true;
    edited = sql.substr(0, cut_from) + sql.substr(cut_to);
    (*edits)[edit_key] = edited;
    std::vector<std::string> autoindexes;
    {
        Stmt q(db, "SELECT name FROM " + schema + " WHERE type='index' AND tbl_name=?1 AND sql IS NULL");
        q.text(1, c.table);
        while (q.row()) autoindexes.push_back(q.column(0));
    }
    std::string dropped = "VANTRO$DROP" + std::to_string(c.id);
    out->push_back("PRAGMA writable_schema=ON");
    out->push_back("UPDATE " + schema + " SET sql=" + quote_text(edited) +
                   " WHERE type='table' AND name=" + quote_text(c.table));
    if (key_number > 0) {
        // The table's keys and its autoindexes must correspond one to one, or the edit
        // would leave SQLite a definition that does not match its indexes.
        if (autoindexes.size() != keys) return *err = ora_error(3001), out->clear(), false;
        std::string wanted;
        {
            Stmt q(db,
                   "SELECT group_concat(name, ',') FROM (SELECT name FROM pragma_index_info(?1, ?2) ORDER BY seqno)");
            q.text(1, autoindex(c.table, key_number));
            q.text(2, c.owner);
            if (q.row()) wanted = q.column(0);
        }
        std::string columns;
        for (std::size_t i = 0; i < c.columns.size(); ++i) columns += (i ? "," : "") + c.columns[i];
        if (wanted != columns) return *err = ora_error(3001), out->clear(), false;
        out->push_back("UPDATE " + schema + " SET name=" + quote_text(dropped) + ",sql=" +
                       quote_text("CREATE UNIQUE INDEX " + qname(dropped) + " ON " + qname(c.table) + " (" +
                                  column_list(c.columns) + ")") +
                       " WHERE type='index' AND name=" + quote_text(autoindex(c.table, key_number)));
        for (std::size_t k = key_number + 1; k <= keys; ++k)
            out->push_back("UPDATE " + schema + " SET name=" + quote_text(autoindex(c.table, k - 1)) +
                           " WHERE type='index' AND name=" + quote_text(autoindex(c.table, k)));
    }
    out->push_back("PRAGMA writable_schema=RESET");
    if (key_number > 0) out->push_back("DROP INDEX " + qname(c.owner) + "." + qname(dropped));
    // Other connections read the schema again when its version moves on.
    out->push_back("CREATE TABLE " + qname(c.owner) + "." + qname(dropped) + "(x)");
    out->push_back("DROP TABLE " + qname(c.owner) + "." + qname(dropped));
    return true;
}

// The table's SQLite definition, as this statement has edited it so far.
bool table_definition(sqlite3* db, const std::string& owner, const std::string& table, TableEdits* edits,
                      std::string* sql) {
    const std::string key = owner + "." + table;
    if (edits->count(key)) {
        *sql = (*edits)[key];
        return true;
    }
    Stmt q(db, "SELECT sql FROM " + qname(owner) + ".sqlite_schema WHERE type='table' AND name=?1");
    q.text(1, table);
    if (!q.row()) return false;
    *sql = q.column(0);
    return true;
}

}  // namespace

bool constraint_default_sql(sqlite3* db, const std::string& owner, const std::string& table, const std::string& column,
                            const std::string& clause, TableEdits* edits, std::vector<std::string>* out,
                            OraError* err) {
    std::string sql;
    TableText t;
    if (!table_definition(db, owner, table, edits, &sql) || !split_table_text(sql, &t))
        return *err = ora_error(3001), false;
    for (auto [first, last] : t.items) {
        if (first >= last || !(t.tokens[first].kind == TokenKind::QuotedWord && t.tokens[first].text == column))
            continue;
        // The item's DEFAULT ( ... ) goes, the new one ends the item.
        std::string edited;
        std::uint32_t from = 0, to = 0;
        for (std::size_t i = first + 1; i + 1 < last; ++i) {
            if (!(t.tokens[i].kind == TokenKind::Word && t.tokens[i].text == "DEFAULT" &&
                  t.tokens[i + 1].kind == TokenKind::Operator && t.tokens[i + 1].text == "("))
                continue;
            int depth = 0;
            std::size_t j = i + 1;
            for (; j < last; ++j) {
                if (t.tokens[j].kind == TokenKind::Operator && t.tokens[j].text == "(") ++depth;
                if (t.tokens[j].kind == TokenKind::Operator && t.tokens[j].text == ")" && --depth == 0) break;
            }
            if (j >= last) return *err = ora_error(3001), false;
            from = t.tokens[i - 1].end;
            to = t.tokens[j].end;
            break;
        }
        std::uint32_t end = t.tokens[last - 1].end;
        if (to > 0)
            edited = sql.substr(0, from) + sql.substr(to, end - to) + clause + sql.substr(end);
        else
            edited = sql.substr(0, end) + clause + sql.substr(end);
        (*edits)[owner + "." + table] = edited;
        const std::string bump = qname(owner) + "." + qname("VANTRO$DEFAULT");
        out->push_back("PRAGMA writable_schema=ON");
        out->push_back("UPDATE " + qname(owner) + ".sqlite_schema SET sql=" + quote_text(edited) +
                       " WHERE type='table' AND name=" + quote_text(table));
        out->push_back("PRAGMA writable_schema=RESET");
        out->push_back("CREATE TABLE " + bump + "(x)");
        out->push_back("DROP TABLE " + bump);
        return true;
    }
    return *err = ora_error(3001), false;
}

bool constraint_is_not_null(const ConstraintSpec& c) {
    return c.type == 'C' && c.columns.size() == 1 && c.condition == "\"" + c.columns[0] + "\" IS NOT NULL";
}

bool constraint_kept_deferrable(const ConstraintSpec& c) {
    return c.deferrable == "DEFERRABLE" && c.type != 'R';
}

std::string constraint_raise_sql(int code, const std::string& message) {
    char num[8];
    std::snprintf(num, sizeof num, "%05d", code);
    return quote_text(std::string("ORA-") + num + ": " + message);
}

void constraint_check_rows_sql(const ConstraintSpec& c, bool validate, const std::string& bad_rows_sql,
                               std::vector<std::string>* out) {
    const std::string t = qname(c.owner) + "." + qname(c.table);
    const std::string full = c.owner + "." + c.name;
    switch (c.type) {
    case 'P':
    case 'U':
        // A primary key's columns become NOT NULL first, then its index is built.
        if (c.type == 'P' && validate)
            out->push_back(
                raise_if("SELECT 1 FROM " + t + " WHERE " + each(c.columns, "", " IS NULL", " OR "), 1449, {}));
        out->push_back(raise_if("SELECT 1 FROM " + t + " WHERE " + each(c.columns, "", " IS NOT NULL", " AND ") +
                                    " GROUP BY " + column_list(c.columns) + " HAVING count(*)>1",
                                c.type == 'P' ? 2437 : 2299, full));
        break;
    case 'C':
        if (!validate) break;
        if (constraint_is_not_null(c))
            out->push_back(raise_if("SELECT 1 FROM " + t + " WHERE " + qname(c.columns[0]) + " IS NULL", 2296, full));
        else
            out->push_back(raise_if(bad_rows_sql, 2293, full));
        break;
    case 'R':
        if (!validate) break;
        out->push_back(raise_if("SELECT 1 FROM " + t + " c WHERE " + each(c.columns, "c.", " IS NOT NULL", " AND ") +
                                    " AND NOT EXISTS (SELECT 1 FROM " + qname(c.owner) + "." + qname(c.r_table) +
                                    " p WHERE " + match(c.r_columns, "p.", c.columns, "c.") + ")",
                                2298, full));
        break;
    default:
        break;
    }
}

void constraint_enforce_sql(const ConstraintSpec& c, const std::vector<ColumnInfo>& columns,
                            const std::string& check_where, std::vector<std::string>* out) {
    const std::string id = std::to_string(c.id);
    const std::string prefix = "CREATE TRIGGER " + qname(c.owner) + ".";
    const std::string full = c.owner + "." + c.name;
    const std::string on = " ON " + qname(c.table) + " FOR EACH ROW WHEN ";
    // A deferrable constraint's triggers check only while the session does not defer it.
    const std::string gate = constraint_kept_deferrable(c) ? "vantro_constraint_deferred(" + id + "," +
                                                                 (c.initially_deferred ? "1" : "0") + ")=0 AND "
                                                           : std::string();
    auto not_null_triggers = [&](const std::string& kind, const std::vector<std::string>& cols) {
        // A primary key's columns refuse NULL at once, deferrable or not.
        const std::string when = kind == "PK" ? std::string() : gate;
        for (std::size_t i = 0; i < cols.size(); ++i) {
            std::string col = qname(c.owner) + "." + qname(c.table) + "." + qname(cols[i]);
            std::string n = cols.size() > 1 ? std::to_string(i + 1) : std::string();
            out->push_back(prefix + qname("VANTRO$" + kind + id + "INSERT" + n) + " BEFORE INSERT" + on + when +
                           "NEW." + qname(cols[i]) + " IS NULL BEGIN SELECT RAISE(ABORT," +
                           constraint_raise_sql(1400, ora_message(1400, col)) + "); END");
            out->push_back(prefix + qname("VANTRO$" + kind + id + "UPDATE" + n) + " BEFORE UPDATE" + on + when +
                           "NEW." + qname(cols[i]) + " IS NULL BEGIN SELECT RAISE(ABORT," +
                           constraint_raise_sql(1407, ora_message(1407, col)) + "); END");
        }
    };
    switch (c.type) {
    case 'P':
    case 'U':
        if (c.own_index)
            out->push_back(std::string(gate.empty() ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + qname(c.owner) + "." +
                           qname(c.name) + " ON " + qname(c.table) + " (" + column_list(c.columns) + ")");
        if (c.type == 'P') not_null_triggers("PK", c.columns);
        if (!gate.empty()) {
            // After the row is stored: a second row with the same key is a duplicate.
            std::string dup = each(c.columns, "NEW.", " IS NOT NULL", " AND ") + " AND (SELECT count(*) FROM " +
                              qname(c.table) + " k WHERE " + match(c.columns, "k.", c.columns, "NEW.") + ")>1";
            for (const char* event : {"INSERT", "UPDATE"})
                out->push_back(prefix + qname("VANTRO$UK" + id + event) + " AFTER " + event + on + gate + dup +
                               " BEGIN SELECT RAISE(ABORT," + constraint_raise_sql(1, ora_message(1, full)) + "); END");
        }
        break;
    case 'C': {
        if (constraint_is_not_null(c)) {
            not_null_triggers("NN", c.columns);
            break;
        }
        // The trigger tests the new row through a one-row table named like the table, so
        // the translated condition's qualified columns find their values.
        std::string row = "SELECT ";
        for (std::size_t i = 0; i < columns.size(); ++i)
            row += (i ? ",NEW." : "NEW.") + qname(columns[i].name) + " AS " + qname(columns[i].name);
        std::string violated = constraint_raise_sql(2290, ora_message(2290, full));
        for (const char* event : {"INSERT", "UPDATE"})
            out->push_back(prefix + qname("VANTRO$CK" + id + event) + " BEFORE " + event + on + gate +
                           "EXISTS (SELECT 1 FROM (" + row + ") AS " + qname(c.table) + " WHERE " + check_where +
                           ") BEGIN SELECT RAISE(ABORT," + violated + "); END");
        break;
    }
    case 'R': {
        std::string parent = qname(c.r_table);
        std::string orphan = each(c.columns, "NEW.", " IS NOT NULL", " AND ") + " AND NOT EXISTS (SELECT 1 FROM " +
                             parent + " p WHERE " + match(c.r_columns, "p.", c.columns, "NEW.") + ")";
        for (const char* event : {"INSERT", "UPDATE"})
            out->push_back(prefix + qname("VANTRO$FK" + id + event) + " BEFORE " + event + on + orphan +
                           " BEGIN SELECT RAISE(ABORT," + constraint_raise_sql(2291, ora_message(2291, full)) +
                           "); END");
        std::string children =
            "SELECT 1 FROM " + qname(c.table) + " c WHERE " + match(c.columns, "c.", c.r_columns, "OLD.");
        std::string child_found = constraint_raise_sql(2292, ora_message(2292, full));
        const std::string parent_on = " ON " + parent + " FOR EACH ROW ";
        if (c.rule == "NO ACTION") {
            out->push_back(prefix + qname("VANTRO$FK" + id + "DEL") + " BEFORE DELETE" + parent_on + "WHEN EXISTS (" +
                           children + ") BEGIN SELECT RAISE(ABORT," + child_found + "); END");
        } else {
            std::string action = c.rule == "CASCADE"
                                     ? "DELETE FROM " + qname(c.table)
                                     : "UPDATE " + qname(c.table) + " SET " + each(c.columns, "", "=NULL", ",");
            out->push_back(prefix + qname("VANTRO$FK" + id + "DEL") + " AFTER DELETE" + parent_on + "BEGIN " + action +
                           " WHERE " + match(c.columns, "", c.r_columns, "OLD.") + "; END");
        }
        std::string changed;
        for (std::size_t i = 0; i < c.r_columns.size(); ++i)
            changed += (i ? " OR OLD." : "OLD.") + qname(c.r_columns[i]) + " IS NOT NEW." + qname(c.r_columns[i]);
        out->push_back(prefix + qname("VANTRO$FK" + id + "UPD") + " BEFORE UPDATE" + parent_on + "WHEN (" + changed +
                       ") AND EXISTS (" + children + ") BEGIN SELECT RAISE(ABORT," + child_found + "); END");
        break;
    }
    default:
        break;
    }
}

bool constraint_unenforce_sql(sqlite3* db, const ConstraintSpec& c, TableEdits* edits, std::vector<std::string>* out,
                              OraError* err) {
    const std::string schema = qname(c.owner) + ".sqlite_schema";
    const std::string id = std::to_string(c.id);
    {
        // VANTRO$<kind><id> followed by a letter: the id's own triggers, not those of ids
        // that merely start with the same digits.
        Stmt q(db, "SELECT name FROM " + schema + " WHERE type='trigger' AND (name GLOB ?1 OR name=?2)");
        q.text(1, "VANTRO$??" + id + "[A-Z]*");
        q.text(2, "VANTRO$PK" + id);
        while (q.row()) out->push_back("DROP TRIGGER " + qname(c.owner) + "." + qname(q.column(0)));
    }
    if (c.type == 'P' || c.type == 'U') {
        Stmt q(db, "SELECT 1 FROM " + schema + " WHERE type='index' AND name=?1 AND tbl_name=?2 AND sql IS NOT NULL");
        q.text(1, c.name);
        q.text(2, c.table);
        if (q.row()) out->push_back("DROP INDEX " + qname(c.owner) + "." + qname(c.name));
    }
    if (!native_removal_sql(db, c, edits, out, err)) return false;
    if (c.type != 'P') return true;
    for (const std::string& col : c.columns) {
        ConstraintSpec nn = c;
        nn.type = 'C';
        nn.columns = {col};
        nn.condition = "\"" + col + "\" IS NOT NULL";
        if (!native_removal_sql(db, nn, edits, out, err)) return false;
    }
    return true;
}

bool constraint_load(sqlite3* db, const std::string& owner, const std::string& name, ConstraintSpec* out) {
    long long r_id = 0;
    {
        Stmt q(
            db,
            "SELECT id,constraint_type,table_name,coalesce(search_condition,''),coalesce(r_constraint_id,0),"
            "coalesce(delete_rule,'NO ACTION'),status,validated,is_deferrable,is_deferred FROM main.vantro_constraints"
            " WHERE owner=?1 AND coalesce(constraint_name,'SYS_C00'||(id+4999))=?2");
        q.text(1, owner);
        q.text(2, name);
        if (!q.row()) return false;
        out->id = sqlite3_column_int64(q.get(), 0);
        out->type = q.column(1).empty() ? 'C' : q.column(1)[0];
        out->table = q.column(2);
        out->condition = q.column(3);
        r_id = sqlite3_column_int64(q.get(), 4);
        out->rule = q.column(5);
        out->status = q.column(6);
        out->validated = q.column(7);
        out->deferrable = q.column(8);
        out->initially_deferred = q.column(9) == "DEFERRED";
    }
    out->owner = owner;
    out->name = name;
    auto columns_of = [&](long long id, std::vector<std::string>* cols) {
        Stmt q(db, "SELECT column_name FROM main.vantro_cons_columns WHERE constraint_id=?1 ORDER BY position, rowid");
        q.integer(1, id);
        while (q.row()) cols->push_back(q.column(0));
    };
    columns_of(out->id, &out->columns);
    if (out->type == 'R' && r_id > 0) {
        Stmt q(db, "SELECT table_name FROM main.vantro_constraints WHERE id=?1");
        q.integer(1, r_id);
        if (q.row()) out->r_table = q.column(0);
        columns_of(r_id, &out->r_columns);
    }
    return true;
}

std::vector<ConstraintSpec> constraint_children(sqlite3* db, const ConstraintSpec& c) {
    std::vector<std::string> names;
    {
        Stmt q(db,
               "SELECT coalesce(constraint_name,'SYS_C00'||(id+4999)) FROM main.vantro_constraints WHERE owner=?1"
               " AND constraint_type='R' AND r_constraint_id=?2 ORDER BY id");
        q.text(1, c.owner);
        q.integer(2, c.id);
        while (q.row()) names.push_back(q.column(0));
    }
    std::vector<ConstraintSpec> out;
    for (const std::string& n : names) {
        ConstraintSpec k;
        if (constraint_load(db, c.owner, n, &k)) out.push_back(std::move(k));
    }
    return out;
}
