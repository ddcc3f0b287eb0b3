// ALTER TABLE forms that change a table's constraints: ADD of constraints (alone or in a
// parenthesised list with columns), MODIFY of columns' NOT NULL, DROP CONSTRAINT /
// PRIMARY KEY / UNIQUE, RENAME CONSTRAINT, ENABLE / DISABLE of constraints (also as
// MODIFY CONSTRAINT) and of all the table's triggers. Each is checked against the
// catalog with Oracle's errors and becomes the statements that check the rows, change
// the enforcement and record the constraint's state; the OCI layer runs them as one DDL
// transaction.
#include "catalog/constraint_ddl.h"

#include "catalog/constraints.h"
#include "sql/sql_parser.h"
#include "sql/sql_text.h"
#include "sql/token_cursor.h"
#include "values/sql_interval.h"
#include "values/errors.h"
#include "values/sqlite_statement.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <set>

namespace {

using Stmt = SqliteStatement;

// A constraint's state clause: ENABLE / DISABLE, VALIDATE / NOVALIDATE, DEFERRABLE and
// INITIALLY IMMEDIATE, RELY, USING INDEX with physical attributes.
struct StateClause {
    bool enable = true;
    int validate = -1;  // -1: not given
    bool deferrable = false;
    bool deferred = false;              // INITIALLY DEFERRED
    std::uint32_t deferred_offset = 0;  // where DEFERRED is written
    bool cascade = false;               // DISABLE ... CASCADE
};

class AlterTable : TokenCursor {
public:
    AlterTable(const std::string& text, const std::vector<Token>& t, std::size_t pos, const TranslateContext& ctx,
               sqlite3* db, std::vector<std::string>* sql, OraError* err)
        : TokenCursor(t, pos), text_(text), ctx_(ctx), db_(db), sql_(sql), err_(err) {}

    DdlResult run();

private:
    const std::string& text_;
    const TranslateContext& ctx_;
    sqlite3* db_;
    std::vector<std::string>* sql_;
    OraError* err_;
    std::string owner_, table_;
    std::vector<ColumnInfo> cols_;
    long long next_id_ = 0;
    std::vector<ConstraintSpec> added_;  // keys this statement adds, for its foreign keys
    std::set<std::string> names_;        // constraint names this statement gives
    std::vector<std::string> records_;   // catalog rows, run first
    std::vector<std::string> work_;      // row checks and enforcement, run after
    TableEdits edits_;                   // the tables' SQLite definitions as edited so far

    bool at_end() const { return TokenCursor::at_end() || is_op(";"); }
    DdlResult fail(int code, const std::string& arg = {}) { return fail_at(code, cur().offset, arg); }
    DdlResult fail_at(int code, std::uint32_t offset, const std::string& arg = {}) {
        *err_ = ora_error(code, arg);
        err_->offset = offset;
        return DdlResult::Failed;
    }
    bool name(std::string* out, std::uint32_t* offset = nullptr) {
        if (cur().kind != TokenKind::Word && cur().kind != TokenKind::QuotedWord) return false;
        if (offset) *offset = cur().offset;
        *out = cur().text;
        ++p_;
        return true;
    }
    bool has_column(const std::string& n) const {
        for (const ColumnInfo& c : cols_)
            if (c.name == n) return true;
        return false;
    }
    bool constraint_word() const {
        return is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") || is_word("CHECK") ||
               is_word("FOREIGN");
    }
    DdlResult column_list(std::vector<std::string>* out, const std::vector<ColumnInfo>* cols);
    DdlResult state(StateClause* s);
    DdlResult add();
    DdlResult add_columns(const std::vector<std::pair<std::size_t, std::size_t>>& items, std::size_t open,
                          std::size_t close);
    DdlResult add_constraint();
    DdlResult enforce(ConstraintSpec& c, const StateClause& s, std::uint32_t condition_offset, bool reuse = true);
    DdlResult modify();
    DdlResult modify_column(std::size_t first, const std::string& col, std::uint32_t col_off);
    DdlResult modify_identity(const std::string& col, std::uint32_t col_off, const ColumnDef& c,
                              std::uint32_t shift);
    bool word_at_pos(std::size_t i, const char* w) const {
        return i < t_.size() && t_[i].kind == TokenKind::Word && t_[i].text == w;
    }
    DdlResult modify_null(const std::string& column, std::uint32_t offset, bool not_null, const std::string& cname);
    DdlResult find_constraint(ConstraintSpec* c);
    DdlResult drop();
    DdlResult drop_constraint(const ConstraintSpec& c, bool cascade, std::uint32_t offset);
    DdlResult change_state(ConstraintSpec& c, const StateClause& s, std::uint32_t offset);
    DdlResult set_state();
    DdlResult rename();
    std::string record_sql(const ConstraintSpec& c, long long r_id, bool positions);
    std::string reusable_index(const std::vector<std::string>& key);
    void set_nullable(const std::string& column, bool nullable);
    void finish();
};

DdlResult AlterTable::column_list(std::vector<std::string>* out, const std::vector<ColumnInfo>* cols) {
    if (!accept_op("(")) return fail(906);
    do {
        std::string n;
        std::uint32_t off = 0;
        if (!name(&n, &off)) return fail(904, "\"" + cur().text + "\"");
        bool found = !cols;
        for (std::size_t i = 0; cols && i < cols->size(); ++i) found = found || (*cols)[i].name == n;
        if (!found) return fail_at(904, off, "\"" + n + "\"");
        out->push_back(n);
    } while (accept_op(","));
    return accept_op(")") ? DdlResult::Done : fail(907);
}

DdlResult AlterTable::state(StateClause* s) {
    for (;;) {
        if (accept_word("ENABLE")) {
            s->enable = true;
        } else if (accept_word("DISABLE")) {
            s->enable = false;
        } else if (accept_word("VALIDATE")) {
            s->validate = 1;
        } else if (accept_word("NOVALIDATE")) {
            s->validate = 0;
        } else if (accept_word("RELY") || accept_word("NORELY")) {
        } else if (accept_word("NOT")) {
            if (!accept_word("DEFERRABLE")) return fail(905);
            s->deferrable = false;
        } else if (accept_word("DEFERRABLE")) {
            s->deferrable = true;
        } else if (accept_word("INITIALLY")) {
            s->deferred_offset = cur().offset;
            s->deferred = accept_word("DEFERRED");
            if (s->deferred) s->deferrable = true;
            if (!s->deferred && !accept_word("IMMEDIATE")) return fail(905);
        } else if (accept_word("USING")) {
            if (!accept_word("INDEX")) return fail(968);
            // Physical attributes of the key's index, which SQLite has no use for.
            for (;;) {
                if (accept_word("TABLESPACE")) {
                    std::string ts;
                    if (!name(&ts)) return fail(2216);
                } else if (accept_word("PCTFREE") || accept_word("INITRANS") || accept_word("MAXTRANS")) {
                    if (cur().kind != TokenKind::Number) return fail(2017);
                    ++p_;
                } else if (accept_word("STORAGE")) {
                    if (!accept_op("(")) return fail(906);
                    while (!at_end() && !is_op(")")) ++p_;
                    if (!accept_op(")")) return fail(907);
                } else if (accept_word("LOGGING") || accept_word("NOLOGGING")) {
                } else if (accept_word("COMPUTE")) {
                    if (!accept_word("STATISTICS")) return fail(905);
                } else {
                    break;
                }
            }
            if (is_op("(") || (cur().kind == TokenKind::Word && !is_word("ENABLE") && !is_word("DISABLE") &&
                               !is_word("VALIDATE") && !is_word("NOVALIDATE") && !is_word("DEFERRABLE") &&
                               !is_word("NOT") && !is_word("INITIALLY") && !is_word("RELY") && !is_word("CASCADE")))
                return fail(3001);  // USING INDEX name or (CREATE INDEX ...): not kept
        } else if (accept_word("EXCEPTIONS")) {
            return fail(3001);
        } else {
            return DdlResult::Done;
        }
    }
}

DdlResult AlterTable::run() {
    std::string owner;
    std::uint32_t off = cur().offset;
    if (!name(&table_)) return fail(903);
    if (accept_op(".")) {
        owner = table_;
        if (!name(&table_)) return fail(903);
    }
    owner_ = owner.empty() ? ctx_.schema : owner;
    if (!ctx_.catalog->table_columns(owner_, table_, &cols_)) return fail_at(942, off);
    if (!ctx_.catalog->may_change(owner_, table_, "ALTER", "ALTER ANY TABLE")) return fail_at(1031, off);
    next_id_ = ctx_.catalog->next_constraint_number();
    DdlResult r = DdlResult::NotMine;
    std::size_t start = p_;
    if (accept_word("ADD"))
        r = add();
    else if (accept_word("MODIFY"))
        r = is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE") ? set_state() : modify();
    else if (accept_word("DROP"))
        r = drop();
    else if (accept_word("RENAME"))
        r = rename();
    else if (is_word("ENABLE") || is_word("DISABLE"))
        r = set_state();
    if (r == DdlResult::NotMine) {
        p_ = start;
        return r;
    }
    if (r == DdlResult::Done && !at_end()) r = fail(933);
    if (r != DdlResult::Done) {
        sql_->clear();
        return r;
    }
    finish();
    return r;
}

// The statements in the order they run: the columns ADD creates (already in sql_), the
// catalog rows, then the row checks and enforcement.
void AlterTable::finish() {
    std::vector<std::string> columns_sql = std::move(*sql_);
    sql_->clear();
    // A DDL statement whose first part drops something commits that part on its own;
    // the checks and catalog rows lead, so the whole statement stays one transaction.
    std::vector<std::string> checks, rest;
    for (std::string& w : work_) (w.compare(0, 11, "SELECT CASE") == 0 ? checks : rest).push_back(std::move(w));
    if (columns_sql.empty()) {
        for (std::string& s : checks) sql_->push_back(std::move(s));
        for (std::string& s : records_) sql_->push_back(std::move(s));
    } else {
        for (std::size_t i = 0; i < columns_sql.size(); ++i) {
            sql_->push_back(std::move(columns_sql[i]));
            if (i == 0)
                for (std::string& s : records_) sql_->push_back(std::move(s));
        }
        for (std::string& s : checks) sql_->push_back(std::move(s));
    }
    for (std::string& s : rest) sql_->push_back(std::move(s));
    // Nothing to do at all (a state that is already so): one harmless statement.
    if (sql_->empty()) sql_->push_back("SELECT 1");
}

std::string AlterTable::record_sql(const ConstraintSpec& c, long long r_id, bool positions) {
    std::string sql =
        "INSERT INTO main.vantro_constraints(id,owner,constraint_name,constraint_type,table_name,search_condition,"
        "r_constraint_id,delete_rule,status,validated,is_deferrable,is_deferred) VALUES (" +
        std::to_string(c.id) + "," + quote_text(owner_) + "," +
        (c.name == constraints_system_name(c.id) ? std::string("NULL") : quote_text(c.name)) + ",'" + c.type + "'," +
        quote_text(table_) + "," + (c.type == 'C' ? quote_text(c.condition) : std::string("NULL")) + "," +
        (c.type == 'R' ? std::to_string(r_id) : std::string("NULL")) + "," +
        (c.type == 'R' ? quote_text(c.rule) : std::string("NULL")) + "," + quote_text(c.status) + "," +
        quote_text(c.validated) + "," + quote_text(c.deferrable) + "," +
        (c.initially_deferred ? "'DEFERRED'" : "'IMMEDIATE'") + ")";
    for (std::size_t i = 0; i < c.columns.size(); ++i)
        sql += "; INSERT INTO main.vantro_cons_columns(constraint_id,column_name,position) VALUES (" +
               std::to_string(c.id) + "," + quote_text(c.columns[i]) + "," +
               (positions ? std::to_string(i + 1) : std::string("NULL")) + ")";
    return sql;
}

void AlterTable::set_nullable(const std::string& column, bool nullable) {
    records_.push_back(std::string("UPDATE main.vantro_columns SET nullable=") + (nullable ? "1" : "0") +
                       " WHERE owner=" + quote_text(owner_) + " AND table_name=" + quote_text(table_) +
                       " AND column_name=" + quote_text(column));
}

// A unique index of the table over exactly these columns, in order, which a key uses
// instead of building its own; empty when there is none.
std::string AlterTable::reusable_index(const std::vector<std::string>& key) {
    std::string wanted;
    for (std::size_t i = 0; i < key.size(); ++i) wanted += (i ? "," : "") + key[i];
    const std::string schema = quote_text(owner_);
    Stmt q(db_, "SELECT l.name FROM pragma_index_list(?1, " + schema +
                    ") l WHERE l.\"unique\"=1 AND l.origin='c' AND (SELECT group_concat(name, ',') FROM"
                    " (SELECT name FROM pragma_index_info(l.name, " +
                    schema + ") ORDER BY seqno))=?2");
    q.text(1, table_);
    q.text(2, wanted);
    return q.row() ? q.column(0) : std::string();
}

// ADD constraint, or ADD ( item, ... ) where each item is a column or a constraint. The
// columns come first, so that the list's constraints may name them.
DdlResult AlterTable::add() {
    if (!is_op("(")) return constraint_word() ? add_constraint() : DdlResult::NotMine;
    std::size_t open = p_++;
    std::vector<std::pair<std::size_t, std::size_t>> columns, constraints;
    do {
        // An item: its tokens up to the comma or parenthesis that ends it.
        std::size_t first = p_;
        int depth = 0;
        while (!at_end() && (depth > 0 || (!is_op(",") && !is_op(")")))) {
            if (is_op("(")) ++depth;
            if (is_op(")")) --depth;
            ++p_;
        }
        if (p_ == first) return fail(904, "\"" + cur().text + "\"");
        TokenCursor item(t_, first);
        bool constraint = item.is_word("CONSTRAINT") || item.is_word("PRIMARY") || item.is_word("UNIQUE") ||
                          item.is_word("CHECK") || item.is_word("FOREIGN");
        (constraint ? constraints : columns).emplace_back(first, p_);
    } while (accept_op(","));
    if (!is_op(")")) return fail(907);
    std::size_t close = p_++;
    if (!columns.empty()) {
        DdlResult r = add_columns(columns, open, close);
        if (r != DdlResult::Done) return r;
    }
    for (const auto& k : constraints) {
        p_ = k.first;
        DdlResult r = add_constraint();
        if (r != DdlResult::Done) return r;
        if (p_ != k.second) return fail(907);
    }
    p_ = close + 1;
    return DdlResult::Done;
}

// The columns of ADD ( ... ) are the SQL grammar's: the statement is translated with its
// constraints blanked out, so that errors keep their positions in the text as typed.
DdlResult AlterTable::add_columns(const std::vector<std::pair<std::size_t, std::size_t>>& items, std::size_t open,
                                  std::size_t close) {
    std::string text(text_.size(), ' ');
    std::uint32_t upto = t_[open].end;
    text.replace(0, upto, text_, 0, upto);
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::uint32_t from = t_[items[i].first].offset, to = t_[items[i].second - 1].end;
        text.replace(from, to - from, text_, from, to - from);
        if (i > 0) text[t_[items[i].first - 1].offset] = ',';
    }
    text[t_[close].offset] = ')';
    std::vector<Token> tokens;
    Statement s;
    Translation tr;
    if (!sql_tokenize(text, &tokens, err_) || !sql_parse(tokens, &s, err_)) return DdlResult::Failed;
    // Columns of object and collection types are made by CREATE TABLE only.
    for (const ColumnDef& c : s.column_defs)
        if (c.user_type) {
            *err_ = ora_error(902);
            err_->offset = c.type_offset;
            return DdlResult::Failed;
        }
    if (!sql_translate_parsed(text, s, ctx_, &tr, err_)) return DdlResult::Failed;
    // The translator writes the columns first and their catalog rows after.
    sql_->push_back(tr.sql);
    for (std::string& c : tr.catalog_sql) sql_->push_back(std::move(c));
    for (const ColumnDef& c : s.column_defs) cols_.push_back({c.name, c.type});
    return DdlResult::Done;
}

DdlResult AlterTable::add_constraint() {
    ConstraintSpec c;
    c.owner = owner_;
    c.table = table_;
    c.id = next_id_++;
    std::uint32_t name_off = cur().offset;
    if (accept_word("CONSTRAINT")) {
        name_off = cur().offset;
        if (!name(&c.name)) return fail(902);
        if (ctx_.catalog->constraint_exists(owner_, c.name) || !names_.insert(c.name).second)
            return fail_at(2264, name_off);
    } else {
        c.name = constraints_system_name(c.id);
    }
    std::uint32_t kind_off = cur().offset, condition_off = 0;
    long long r_id = 0;
    if (accept_word("PRIMARY") || accept_word("UNIQUE")) {
        c.type = t_[p_ - 1].text == "PRIMARY" ? 'P' : 'U';
        if (c.type == 'P' && !accept_word("KEY")) return fail(905);
        DdlResult r = column_list(&c.columns, &cols_);
        if (r != DdlResult::Done) return r;
        bool has_primary = false;
        {
            Stmt q(db_,
                   "SELECT 1 FROM main.vantro_constraints WHERE owner=?1 AND table_name=?2 AND constraint_type='P'");
            q.text(1, owner_);
            q.text(2, table_);
            has_primary = q.row();
        }
        for (const ConstraintSpec& k : added_) has_primary = has_primary || k.type == 'P';
        if (c.type == 'P' && has_primary) return fail_at(2260, kind_off);
        // The key's index takes the constraint's name, unless a unique index of the table
        // over exactly these columns is there to use.
        if (reusable_index(c.columns).empty() && ctx_.catalog->object_exists(owner_, c.name))
            return fail_at(955, name_off);
    } else if (accept_word("CHECK")) {
        if (!is_op("(")) return fail(906);
        std::size_t open = p_;
        int depth = 0;
        do {
            if (is_op("(")) ++depth;
            if (is_op(")")) --depth;
            ++p_;
        } while (depth > 0 && !TokenCursor::at_end());
        if (depth != 0 || p_ == open + 2) return depth ? fail(907) : fail(936);
        condition_off = t_[open + 1].offset;
        c.condition = text_.substr(condition_off, t_[p_ - 1].offset - condition_off);
        while (!c.condition.empty() && c.condition.back() == ' ') c.condition.pop_back();
    } else if (accept_word("FOREIGN")) {
        c.type = 'R';
        if (!accept_word("KEY")) return fail(905);
        DdlResult r = column_list(&c.columns, &cols_);
        if (r != DdlResult::Done) return r;
        if (!accept_word("REFERENCES")) return fail(905);
        std::string r_owner;
        std::uint32_t r_off = cur().offset;
        if (!name(&c.r_table)) return fail(903);
        if (accept_op(".")) {
            r_owner = c.r_table;
            if (!name(&c.r_table)) return fail(903);
        }
        std::vector<ColumnInfo> r_cols;
        // A key to another schema's table would need triggers across schema files: refused
        // as in CREATE TABLE.
        if (!r_owner.empty() && r_owner != owner_) return fail_at(3001, r_off);
        if (!ctx_.catalog->table_columns(owner_, c.r_table, &r_cols)) return fail_at(942, r_off);
        // A key added later is kept by triggers on the shared tables, never on a session's
        // rows; between a temporary and a permanent table Oracle refuses it anyway.
        bool temporary = ctx_.catalog->temporary_table(owner_, table_);
        if (temporary != ctx_.catalog->temporary_table(owner_, c.r_table)) return fail_at(14455, r_off);
        if (temporary) return fail_at(3001, r_off);
        if (is_op("(")) {
            r = column_list(&c.r_columns, &r_cols);
            if (r != DdlResult::Done) return r;
        }
        if (accept_word("ON")) {
            if (!accept_word("DELETE")) return fail(905);
            if (accept_word("CASCADE"))
                c.rule = "CASCADE";
            else if (accept_word("SET") && accept_word("NULL"))
                c.rule = "SET NULL";
            else
                return fail(905);
        }
        // The referenced key: the primary key, or the key of exactly these columns,
        // among the catalog's and those this statement adds.
        std::vector<ConstraintSpec> keys;
        {
            Stmt q(db_,
                   "SELECT coalesce(constraint_name,'SYS_C00'||(id+4999)) FROM main.vantro_constraints WHERE"
                   " owner=?1 AND table_name=?2 AND constraint_type IN ('P','U') ORDER BY constraint_type");
            q.text(1, owner_);
            q.text(2, c.r_table);
            std::vector<std::string> names;
            while (q.row()) names.push_back(q.column(0));
            for (const std::string& n : names) {
                ConstraintSpec k;
                if (constraint_load(db_, owner_, n, &k)) keys.push_back(std::move(k));
            }
        }
        for (const ConstraintSpec& k : added_)
            if (k.table == c.r_table) keys.push_back(k);
        for (const ConstraintSpec& k : keys)
            if (c.r_columns.empty() ? k.type == 'P' : k.columns == c.r_columns) {
                r_id = k.id;
                c.r_columns = k.columns;
                break;
            }
        if (r_id == 0 || c.r_columns.size() != c.columns.size()) return fail_at(2270, r_off);
    } else {
        return fail(902);
    }
    StateClause s;
    DdlResult r = state(&s);
    if (r != DdlResult::Done) return r;
    if (!s.enable && s.validate == 1) return fail(3001);
    // A foreign key added here is kept by triggers, which check it at each statement.
    if (s.deferred && c.type == 'R') return fail_at(3001, s.deferred_offset);
    // A deferrable key builds an index of its own, named after it.
    if (s.deferrable && c.type != 'R' && c.type != 'C' && !reusable_index(c.columns).empty() &&
        ctx_.catalog->object_exists(owner_, c.name))
        return fail_at(955, name_off);
    c.initially_deferred = s.deferred;
    c.status = s.enable ? "ENABLED" : "DISABLED";
    c.validated = s.enable && s.validate != 0 ? "VALIDATED" : "NOT VALIDATED";
    c.deferrable = s.deferrable ? "DEFERRABLE" : "NOT DEFERRABLE";
    if (c.type == 'P' || c.type == 'U') added_.push_back(c);
    records_.push_back(record_sql(c, r_id, c.type != 'C'));
    if (c.type == 'P' && s.enable)
        for (const std::string& k : c.columns) set_nullable(k, false);
    return s.enable ? enforce(c, s, condition_off) : DdlResult::Done;
}

// The row checks and the enforcement of an enabled constraint. A check's condition is
// translated as a query of the rows that break it.
DdlResult AlterTable::enforce(ConstraintSpec& c, const StateClause& s, std::uint32_t condition_offset, bool reuse) {
    std::string bad_rows, where;
    if (c.type == 'C' && !constraint_is_not_null(c)) {
        std::string prefix = "SELECT 1 FROM \"" + owner_ + "\".\"" + table_ + "\" WHERE NOT (";
        std::string probe = prefix + c.condition + ")";
        Translation tr;
        if (!sql_translate(probe, ctx_, &tr, err_)) {
            err_->offset =
                condition_offset +
                (err_->offset >= prefix.size() ? err_->offset - static_cast<std::uint32_t>(prefix.size()) : 0);
            return DdlResult::Failed;
        }
        bad_rows = tr.sql;
        where = tr.sql.substr(tr.sql.find(" WHERE ") + 7);
    }
    if (c.type == 'P' || c.type == 'U')
        c.own_index = !reuse || constraint_kept_deferrable(c) || reusable_index(c.columns).empty();
    constraint_check_rows_sql(c, s.validate != 0, bad_rows, &work_);
    constraint_enforce_sql(c, cols_, where, &work_);
    return DdlResult::Done;
}

DdlResult AlterTable::modify() {
    bool paren = accept_op("(");
    do {
        std::size_t first = p_;
        std::string col, cname;
        std::uint32_t off = cur().offset;
        if (!name(&col)) return fail(904, "\"" + cur().text + "\"");
        if (!has_column(col)) return fail_at(904, off, "\"" + col + "\"");
        if (!is_word("CONSTRAINT") && !is_word("NOT") && !is_word("NULL")) {
            DdlResult r = modify_column(first, col, off);
            if (r != DdlResult::Done) return r;
            continue;
        }
        if (accept_word("CONSTRAINT") && !name(&cname)) return fail(902);
        bool not_null = accept_word("NOT");
        if (!accept_word("NULL")) return fail(not_null ? 905 : 902);
        DdlResult r = modify_null(col, off, not_null, cname);
        if (r != DdlResult::Done) return r;
    } while (paren && accept_op(","));
    return !paren || accept_op(")") ? DdlResult::Done : fail(907);
}

// The column's datatype as it would be declared.
std::string declared_type(const OraType& t) {
    const std::string n = std::to_string(t.size);
    switch (t.code) {
    case kTypeVarchar2:
        return (t.national ? "NVARCHAR2(" : "VARCHAR2(") + n + (t.char_used ? " CHAR)" : ")");
    case kTypeChar:
        return (t.national ? "NCHAR(" : "CHAR(") + n + (t.char_used ? " CHAR)" : ")");
    case kTypeNumber:
        if (t.precision == 0) return t.scale == -127 ? "NUMBER" : "NUMBER(*," + std::to_string(t.scale) + ")";
        if (t.scale == -127) return "FLOAT(" + std::to_string(t.precision) + ")";
        return "NUMBER(" + std::to_string(t.precision) + "," + std::to_string(t.scale) + ")";
    case kTypeDate:
        return "DATE";
    case kTypeTimestamp:
        return "TIMESTAMP(" + std::to_string(t.scale) + ")";
    case kTypeRaw:
        return "RAW(" + n + ")";
    case kTypeClob:
        return t.national ? "NCLOB" : "CLOB";
    case kTypeBlob:
        return "BLOB";
    default:
        return datetime_type_name(t);
    }
}

bool text_affinity(std::uint16_t code) {
    return code == kTypeVarchar2 || code == kTypeChar || code == kTypeDate || code == kTypeTimestamp ||
           code == kTypeTimestampTz || code == kTypeTimestampLtz || code == kTypeIntervalYm ||
           code == kTypeIntervalDs || code == kTypeClob || code == kTypeLong;
}

// MODIFY column [datatype] [DEFAULT expr] [NOT NULL | NULL]: the column definition is the
// SQL grammar's, read from a CREATE TABLE of the one column (the current datatype is
// filled in when none is given); its DEFAULT is translated there too.
DdlResult AlterTable::modify_column(std::size_t first, const std::string& col, std::uint32_t col_off) {
    const ColumnInfo* old = nullptr;
    for (const ColumnInfo& c : cols_)
        if (c.name == col) old = &c;
    int depth = 0;
    while (!at_end() && (depth > 0 || (!is_op(",") && !is_op(")")))) {
        if (is_op("(")) ++depth;
        if (is_op(")")) --depth;
        ++p_;
    }
    const bool typed = t_[first + 1].kind == TokenKind::Word && !word_at_pos(first + 1, "DEFAULT");
    const std::uint32_t rest_from = t_[first + 1].offset, rest_to = prev_end();
    std::string type_text = typed ? std::string() : declared_type(old->type);
    if (!typed && type_text.empty()) return fail_at(3001, col_off);
    std::string prefix = "CREATE TABLE \"VANTRO$MODIFY\" (\"" + col + "\" " + type_text + " ";
    std::string item = text_.substr(rest_from, rest_to - rest_from);
    std::string synthetic = prefix + item + ")";
    auto back = [&](std::uint32_t at) {
        return at >= prefix.size() ? rest_from + (at - static_cast<std::uint32_t>(prefix.size())) : col_off;
    };
    std::vector<Token> tokens;
    Statement st;
    Translation tr;
    if (!sql_tokenize(synthetic, &tokens, err_) || !sql_parse(tokens, &st, err_)) {
        err_->offset = back(err_->offset);
        return DdlResult::Failed;
    }
    if (st.column_defs.size() == 1 && !st.column_defs[0].identity.empty()) {
        // GENERATED ... AS IDENTITY changes the identity, not the column's datatype.
        if (typed && !word_at_pos(first + 1, "GENERATED")) return fail_at(3001, t_[first + 1].offset);
        return modify_identity(col, col_off, st.column_defs[0], rest_from - static_cast<std::uint32_t>(prefix.size()));
    }
    // A column does not become one of an object or collection type.
    for (const ColumnDef& c : st.column_defs)
        if (c.user_type) {
            *err_ = ora_error(902);
            err_->offset = back(c.type_offset);
            return DdlResult::Failed;
        }
    if (!sql_translate_parsed(synthetic, st, ctx_, &tr, err_)) {
        err_->offset = back(err_->offset);
        return DdlResult::Failed;
    }
    if (st.column_defs.size() != 1 || !st.constraints.empty()) return fail_at(3001, col_off);
    const ColumnDef& c = st.column_defs[0];
    if (c.primary_key || c.unique || c.check || !c.references.name.empty()) return fail_at(3001, col_off);
    const std::string t = "\"" + owner_ + "\".\"" + table_ + "\"";
    const std::string qc = "\"" + col + "\"";
    auto check = [&](const std::string& where, int code) {
        work_.push_back("SELECT CASE WHEN EXISTS (SELECT 1 FROM " + t + " WHERE " + where + ") THEN vantro_raise(" +
                        constraint_raise_sql(code, ora_message(code)) + ") END");
    };
    if (typed) {
        const OraType& o = old->type;
        const OraType& n = c.type;
        if (text_affinity(o.code) != text_affinity(n.code) || (o.code == kTypeNumber) != (n.code == kTypeNumber) ||
            ((o.code == kTypeRaw || o.code == kTypeBlob) != (n.code == kTypeRaw || n.code == kTypeBlob)))
            return fail_at(3001, t_[first + 1].offset);  // a datatype of another storage class
        if (o.code != n.code) check(qc + " IS NOT NULL", 1439);
        if ((n.code == kTypeVarchar2 || n.code == kTypeChar || n.code == kTypeRaw) && n.size < o.size)
            check((n.code == kTypeRaw ? "length(" + qc + ")>" : "length(" + qc + ")>") + std::to_string(n.size), 1441);
        if (n.code == kTypeNumber &&
            (n.scale != o.scale || (n.precision != 0 && (o.precision == 0 || n.precision < o.precision))))
            check(qc + " IS NOT NULL", 1440);
        records_.push_back("UPDATE main.vantro_columns SET type_code=" + std::to_string(n.code) +
                           ",type_name=" + quote_text(c.type_name) + ",data_length=" + std::to_string(n.size) +
                           ",data_precision=" + std::to_string(n.precision) + ",data_scale=" + std::to_string(n.scale) +
                           ",char_used=" + (n.char_used ? "1" : "0") + ",national=" + (n.national ? "1" : "0") +
                           " WHERE owner=" + quote_text(owner_) + " AND table_name=" + quote_text(table_) +
                           " AND column_name=" + quote_text(col));
    }
    if (c.default_value) {
        // The translated default: what CREATE TABLE wrote after DEFAULT, up to its ")".
        std::string clause;
        std::size_t at = tr.sql.find(" DEFAULT (");
        if (at != std::string::npos) {
            std::size_t i = at + 10;
            int level = 1;
            bool quoted = false;
            for (; i < tr.sql.size() && level > 0; ++i) {
                char ch = tr.sql[i];
                if (ch == '\'') quoted = !quoted;
                if (!quoted && ch == '(') ++level;
                if (!quoted && ch == ')') --level;
            }
            clause = tr.sql.substr(at, i - at);
        }
        if (!constraint_default_sql(db_, owner_, table_, col, clause, &edits_, &work_, err_)) {
            err_->offset = col_off;
            return DdlResult::Failed;
        }
        std::string typed_default =
            synthetic.substr(c.default_value->offset, c.default_value->end - c.default_value->offset);
        records_.push_back(
            "INSERT OR REPLACE INTO main.vantro_column_defaults(owner,table_name,column_name,data_default) VALUES (" +
            quote_text(owner_) + "," + quote_text(table_) + "," + quote_text(col) + "," + quote_text(typed_default) +
            ")");
        // The new default is SQLite's again: a default an earlier MODIFY ... DEFAULT gave
        // through the insert path (and its ON NULL) ends.
        records_.push_back("DELETE FROM main.vantro_generated_columns WHERE owner=" + quote_text(owner_) +
                           " AND table_name=" + quote_text(table_) + " AND column_name=" + quote_text(col) +
                           " AND kind='D'");
    }
    if (c.not_null) return modify_null(col, col_off, true, c.not_null_name);
    // A trailing NULL (not DEFAULT NULL): the column may hold NULL again.
    if (p_ >= first + 2 && word_at_pos(p_ - 1, "NULL") && !word_at_pos(p_ - 2, "NOT") &&
        !word_at_pos(p_ - 2, "DEFAULT"))
        return modify_null(col, col_off, false, std::string());
    return DdlResult::Done;
}

// A sequence option as typed, within 64 bits; false for a number beyond them.
bool alter_identity_number(const std::string& text, long long* out) {
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno == ERANGE || !end || *end) return false;
    *out = v;
    return true;
}

// MODIFY column GENERATED ALWAYS | BY DEFAULT [ON NULL] AS IDENTITY [(options)]: the column
// must be an identity column already; it takes the new generation, and its sequence the
// options written (the others keep their values, as ALTER SEQUENCE). START WITH n makes n
// the next number; START WITH LIMIT VALUE the one after the highest number the table holds
// (below the lowest for a descending sequence), and leaves the next number as it is when
// the table has no rows. shift maps offsets of the parsed text back to the statement.
DdlResult AlterTable::modify_identity(const std::string& col, std::uint32_t col_off, const ColumnDef& c,
                                      std::uint32_t shift) {
    const IdentityOptions& o = c.identity_options;
    auto at = [&](std::uint32_t offset) { return offset ? offset + shift : col_off; };
    std::string seq;
    {
        Stmt q(db_,
               "SELECT sequence_name FROM main.vantro_generated_columns WHERE owner=?1 AND table_name=?2"
               " AND column_name=?3 AND kind='I'");
        q.text(1, owner_);
        q.text(2, table_);
        q.text(3, col);
        if (!q.row()) return fail_at(30673, col_off);
        seq = q.column(0);
    }
    long long inc = 1, cache = 20, next = 1;
    std::string min_text, max_text, cycle = "N", order = "N";
    {
        Stmt q(db_,
               "SELECT increment_by,min_value,max_value,cycle_flag,order_flag,cache_size,next_value"
               " FROM main.vantro_sequences WHERE sequence_owner=?1 AND sequence_name=?2");
        q.text(1, owner_);
        q.text(2, seq);
        if (!q.row()) return fail_at(30673, col_off);
        inc = sqlite3_column_int64(q.get(), 0);
        min_text = q.column(1);
        max_text = q.column(2);
        cycle = q.column(3);
        order = q.column(4);
        cache = sqlite3_column_int64(q.get(), 5);
        next = sqlite3_column_int64(q.get(), 6);
    }
    const std::uint32_t off = at(c.identity_offset);
    if (!o.increment.empty() && !alter_identity_number(o.increment, &inc)) return fail_at(1722, off);
    if (inc == 0) return fail_at(4002, off);
    if (!o.min_value.empty()) min_text = o.min_value;
    if (!o.max_value.empty()) max_text = o.max_value;
    // A bound beyond 64 bits (the defaults among them) acts as none.
    long long minv = LLONG_MIN, maxv = LLONG_MAX;
    if (!alter_identity_number(min_text, &minv)) minv = min_text[0] == '-' ? LLONG_MIN : LLONG_MAX;
    if (!alter_identity_number(max_text, &maxv)) maxv = max_text[0] == '-' ? LLONG_MIN : LLONG_MAX;
    if (minv >= maxv) return fail_at(4004, off);
    if (o.has_cycle) cycle = o.cycle ? "Y" : "N";
    if (o.has_order) order = o.order ? "Y" : "N";
    if (o.no_cache)
        cache = 0;
    else if (!o.cache.empty() && (!alter_identity_number(o.cache, &cache) || cache < 2))
        return fail_at(4010, off);
    std::string start_text = std::to_string(next);
    if (!o.start.empty()) {
        long long start = 0;
        if (!alter_identity_number(o.start, &start)) return fail_at(1722, at(o.start_offset));
        if (start < minv) return fail_at(4006, at(o.start_offset));
        if (start > maxv) return fail_at(4008, at(o.start_offset));
        next = start;
        start_text = o.start;
    }
    const std::string where =
        " WHERE sequence_owner=" + quote_text(owner_) + " AND sequence_name=" + quote_text(seq);
    records_.push_back("UPDATE main.vantro_sequences SET min_value=" + quote_text(min_text) +
                       ",max_value=" + quote_text(max_text) + ",increment_by=" + std::to_string(inc) +
                       ",cycle_flag=" + quote_text(cycle) + ",order_flag=" + quote_text(order) +
                       ",cache_size=" + std::to_string(cache) + ",next_value=" + std::to_string(next) +
                       ",last_number=" + quote_text(std::to_string(next)) + where);
    const std::string start_shown = start_text;
    if (o.start_limit) {
        const std::string limit = std::string(inc > 0 ? "max" : "min") + "(CAST(\"" + col + "\" AS INTEGER))";
        const std::string from = " FROM \"" + owner_ + "\".\"" + table_ + "\"";
        const std::string value = "coalesce((SELECT " + limit + "+" + std::to_string(inc) + from + "),next_value)";
        records_.push_back("UPDATE main.vantro_sequences SET next_value=" + value +
                           ",last_number=CAST(" + value + " AS TEXT)" + where);
    }
    const std::string rest = ", INCREMENT BY: " + std::to_string(inc) + ", MAX_VALUE: " + max_text +
                             ", MIN_VALUE: " + min_text + ", CYCLE_FLAG: " + cycle +
                             ", CACHE_SIZE: " + std::to_string(cache) + ", ORDER_FLAG: " + order;
    // The start shown is the number the sequence goes on with (LIMIT VALUE's is known once
    // the table's rows are read).
    const std::string options =
        o.start_limit ? "'START WITH: '||(SELECT last_number FROM main.vantro_sequences" + where + ")||" +
                            quote_text(rest)
                      : quote_text("START WITH: " + start_shown + rest);
    records_.push_back("UPDATE main.vantro_generated_columns SET generation=" + quote_text(c.identity) +
                       ",on_null=" + (c.default_on_null ? "1" : "0") + ",identity_options=" + options +
                       " WHERE owner=" + quote_text(owner_) + " AND table_name=" + quote_text(table_) +
                       " AND column_name=" + quote_text(col));
    records_.push_back("UPDATE main.vantro_objects SET last_ddl_time=datetime('now','localtime') WHERE owner=" +
                       quote_text(owner_) + " AND object_name=" + quote_text(table_) + " AND object_type='TABLE'");
    return DdlResult::Done;
}

DdlResult AlterTable::modify_null(const std::string& column, std::uint32_t offset, bool not_null,
                                  const std::string& cname) {
    // The column's NOT NULL constraint and whether a primary key holds it.
    std::string existing;
    bool in_key = false;
    {
        Stmt q(db_,
               "SELECT k.constraint_type, coalesce(k.constraint_name,'SYS_C00'||(k.id+4999)),k.search_condition FROM"
               " main.vantro_constraints k JOIN main.vantro_cons_columns c ON c.constraint_id=k.id WHERE k.owner=?1"
               " AND k.table_name=?2 AND c.column_name=?3 AND k.status='ENABLED' AND (k.constraint_type='P' OR"
               " k.search_condition=?4)");
        q.text(1, owner_);
        q.text(2, table_);
        q.text(3, column);
        q.text(4, "\"" + column + "\" IS NOT NULL");
        while (q.row()) {
            if (q.column(0) == "P")
                in_key = true;
            else
                existing = q.column(1);
        }
    }
    if (not_null) {
        if (in_key || !existing.empty()) return fail_at(1442, offset);
        ConstraintSpec c;
        c.owner = owner_;
        c.table = table_;
        c.id = next_id_++;
        c.name = cname.empty() ? constraints_system_name(c.id) : cname;
        if (!cname.empty() && (ctx_.catalog->constraint_exists(owner_, cname) || !names_.insert(cname).second))
            return fail_at(2264, offset);
        c.columns = {column};
        c.condition = "\"" + column + "\" IS NOT NULL";
        StateClause s;
        DdlResult r = state(&s);
        if (r != DdlResult::Done) return r;
        c.status = s.enable ? "ENABLED" : "DISABLED";
        c.validated = s.enable && s.validate != 0 ? "VALIDATED" : "NOT VALIDATED";
        records_.push_back(record_sql(c, 0, false));
        if (!s.enable) return DdlResult::Done;
        set_nullable(column, false);
        return enforce(c, s, 0);
    }
    if (in_key) return fail_at(1451, offset);
    if (existing.empty()) return fail_at(1451, offset);
    ConstraintSpec c;
    if (!constraint_load(db_, owner_, existing, &c)) return fail_at(1451, offset);
    return drop_constraint(c, false, offset);
}

// CONSTRAINT name | PRIMARY KEY | UNIQUE (columns): the table's constraint so named.
DdlResult AlterTable::find_constraint(ConstraintSpec* c) {
    std::uint32_t off = cur().offset;
    std::string n;
    if (accept_word("CONSTRAINT")) {
        off = cur().offset;
        if (!name(&n)) return fail(902);
        if (!constraint_load(db_, owner_, n, c) || c->table != table_) return fail_at(2443, off);
        return DdlResult::Done;
    }
    char type = 0;
    std::vector<std::string> cols;
    if (accept_word("PRIMARY")) {
        if (!accept_word("KEY")) return fail(905);
        type = 'P';
    } else if (accept_word("UNIQUE")) {
        type = 'U';
        DdlResult r = column_list(&cols, &cols_);
        if (r != DdlResult::Done) return r;
    } else {
        return DdlResult::NotMine;
    }
    Stmt q(db_,
           "SELECT coalesce(constraint_name,'SYS_C00'||(id+4999)) FROM main.vantro_constraints WHERE owner=?1 AND"
           " table_name=?2 AND constraint_type=?3 ORDER BY id");
    q.text(1, owner_);
    q.text(2, table_);
    q.text(3, std::string(1, type));
    std::vector<std::string> names;
    while (q.row()) names.push_back(q.column(0));
    for (const std::string& k : names)
        if (constraint_load(db_, owner_, k, c) && (type == 'P' || c->columns == cols)) return DdlResult::Done;
    return fail_at(type == 'P' ? 2441 : 2442, off);
}

DdlResult AlterTable::drop() {
    if (is_op("(")) return DdlResult::NotMine;
    std::uint32_t off = cur().offset;
    ConstraintSpec c;
    DdlResult r = find_constraint(&c);
    if (r != DdlResult::Done) return r;
    bool cascade = accept_word("CASCADE");
    // The key's index always goes with it.
    if (is_word("KEEP")) return fail(3001);
    if (accept_word("DROP") && !accept_word("INDEX")) return fail(968);
    return drop_constraint(c, cascade, off);
}

DdlResult AlterTable::drop_constraint(const ConstraintSpec& c, bool cascade, std::uint32_t offset) {
    std::vector<ConstraintSpec> children;
    if (c.type == 'P' || c.type == 'U') children = constraint_children(db_, c);
    if (!children.empty() && !cascade) return fail_at(2273, offset);
    for (const ConstraintSpec& k : children) {
        DdlResult r = drop_constraint(k, false, offset);
        if (r != DdlResult::Done) return r;
    }
    if (!constraint_unenforce_sql(db_, c, &edits_, &work_, err_)) {
        err_->offset = offset;
        return DdlResult::Failed;
    }
    const std::string id = std::to_string(c.id);
    records_.push_back("DELETE FROM main.vantro_cons_columns WHERE constraint_id=" + id);
    records_.push_back("DELETE FROM main.vantro_constraints WHERE id=" + id);
    // The columns NOT NULL only through this constraint can hold NULL again.
    if (c.type == 'P' || constraint_is_not_null(c))
        for (const std::string& col : c.columns)
            records_.push_back("UPDATE main.vantro_columns SET nullable=1 WHERE owner=" + quote_text(owner_) +
                               " AND table_name=" + quote_text(table_) + " AND column_name=" + quote_text(col) +
                               " AND NOT EXISTS (SELECT 1 FROM main.vantro_constraints k JOIN"
                               " main.vantro_cons_columns n ON n.constraint_id=k.id WHERE k.id<>" +
                               id + " AND k.owner=" + quote_text(owner_) + " AND k.table_name=" + quote_text(table_) +
                               " AND n.column_name=" + quote_text(col) +
                               " AND k.status='ENABLED' AND (k.constraint_type='P' OR k.search_condition=" +
                               quote_text("\"" + col + "\" IS NOT NULL") + "))");
    return DdlResult::Done;
}

// ENABLE | DISABLE [VALIDATE | NOVALIDATE] CONSTRAINT c | PRIMARY KEY | UNIQUE (cols)
// [CASCADE], MODIFY CONSTRAINT c state, and ENABLE | DISABLE ALL TRIGGERS.
DdlResult AlterTable::set_state() {
    StateClause s;
    bool modify = is_word("CONSTRAINT") || is_word("PRIMARY") || is_word("UNIQUE");
    if (!modify) {
        s.enable = accept_word("ENABLE");
        if (!s.enable) accept_word("DISABLE");
        if (accept_word("ALL")) {
            if (!accept_word("TRIGGERS")) return fail(905);
            records_.push_back(std::string("UPDATE main.vantro_plsql_triggers SET status=") +
                               (s.enable ? "'ENABLED'" : "'DISABLED'") + " WHERE table_owner=" + quote_text(owner_) +
                               " AND table_name=" + quote_text(table_));
            return DdlResult::Done;
        }
        if (accept_word("VALIDATE"))
            s.validate = 1;
        else if (accept_word("NOVALIDATE"))
            s.validate = 0;
    }
    std::uint32_t off = cur().offset;
    ConstraintSpec c;
    DdlResult r = find_constraint(&c);
    if (r == DdlResult::NotMine) return fail(905);
    if (r != DdlResult::Done) return r;
    if (modify) {
        s.validate = -1;
        std::size_t before = p_;
        r = state(&s);
        if (r != DdlResult::Done) return r;
        if (p_ == before) return fail(905);
        // When a constraint is checked is settled when it is added.
        if (s.deferred) return fail_at(3001, s.deferred_offset);
    } else {
        s.cascade = accept_word("CASCADE");
        r = state(&s);
        if (r != DdlResult::Done) return r;
    }
    if (accept_word("CASCADE")) s.cascade = true;
    return change_state(c, s, off);
}

DdlResult AlterTable::change_state(ConstraintSpec& c, const StateClause& s, std::uint32_t offset) {
    const bool was_enabled = c.status == "ENABLED";
    if (!s.enable && s.validate == 1) return fail_at(3001, offset);
    const std::string status = s.enable ? "ENABLED" : "DISABLED";
    const std::string validated = s.enable && s.validate != 0 ? "VALIDATED" : "NOT VALIDATED";
    if (!s.enable && was_enabled && (c.type == 'P' || c.type == 'U')) {
        std::vector<ConstraintSpec> children = constraint_children(db_, c);
        for (ConstraintSpec& k : children) {
            if (k.status != "ENABLED") continue;
            if (!s.cascade) return fail_at(2297, offset, c.owner + "." + c.name);
            StateClause off;
            off.enable = false;
            DdlResult r = change_state(k, off, offset);
            if (r != DdlResult::Done) return r;
        }
    }
    if (was_enabled && !constraint_unenforce_sql(db_, c, &edits_, &work_, err_)) {
        err_->offset = offset;
        return DdlResult::Failed;
    }
    if (s.enable) {
        // A foreign key needs its parent key enabled.
        if (c.type == 'R') {
            Stmt q(db_,
                   "SELECT p.status FROM main.vantro_constraints k JOIN main.vantro_constraints p ON"
                   " p.id=k.r_constraint_id WHERE k.id=?1");
            q.integer(1, c.id);
            if (!q.row() || q.column(0) != "ENABLED") return fail_at(2270, offset);
        }
        StateClause e = s;
        e.validate = s.validate != 0 ? 1 : 0;
        DdlResult r = enforce(c, e, 0);
        if (r != DdlResult::Done) return r;
    }
    const bool not_null_kind = c.type == 'P' || constraint_is_not_null(c);
    if (not_null_kind)
        for (const std::string& col : c.columns) set_nullable(col, !s.enable);
    records_.push_back("UPDATE main.vantro_constraints SET status=" + quote_text(status) +
                       ",validated=" + quote_text(validated) + " WHERE id=" + std::to_string(c.id));
    return DdlResult::Done;
}

DdlResult AlterTable::rename() {
    if (!accept_word("CONSTRAINT")) return DdlResult::NotMine;
    std::uint32_t off = cur().offset;
    std::string from, to;
    if (!name(&from)) return fail(902);
    ConstraintSpec c;
    if (!constraint_load(db_, owner_, from, &c) || c.table != table_) return fail_at(2443, off);
    if (!accept_word("TO")) return fail(905);
    std::uint32_t to_off = cur().offset;
    if (!name(&to)) return fail(902);
    if (ctx_.catalog->constraint_exists(owner_, to)) return fail_at(2264, to_off);
    records_.push_back("UPDATE main.vantro_constraints SET constraint_name=" + quote_text(to) +
                       " WHERE id=" + std::to_string(c.id));
    // The enforcement carries the name (a key's index, the errors' texts): it is made
    // again under the new one.
    if (c.status != "ENABLED") return DdlResult::Done;
    const bool own_index = (c.type == 'P' || c.type == 'U') && reusable_index(c.columns) == from;
    if (!constraint_unenforce_sql(db_, c, &edits_, &work_, err_)) {
        err_->offset = off;
        return DdlResult::Failed;
    }
    c.name = to;
    StateClause s;
    s.validate = 0;
    // A key's own index goes with the old name; one it used from before stays in use.
    return enforce(c, s, 0, !own_index);
    return DdlResult::Done;
}

}  // namespace

DdlResult alter_table_ddl(const std::string& text, const std::vector<Token>& tokens, std::size_t pos,
                          const TranslateContext& ctx, sqlite3* db, std::vector<std::string>* sql, OraError* err) {
    AlterTable a(text, tokens, pos, ctx, db, sql, err);
    return a.run();
}
